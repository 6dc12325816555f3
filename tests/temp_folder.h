// A new empty folder of the tests' and benchmarks' own under the temporary folder: made
// with mkdtemp, so its name cannot be guessed and only its owner may enter it.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace kvtest {

// Its name starts with "kv_" and `name`.
inline std::filesystem::path FreshFolder(const std::string& name) {
    std::string tmpl = (std::filesystem::temp_directory_path() / ("kv_" + name + "_XXXXXX")).string();
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp " + tmpl + " failed");
    return tmpl;
}

}  // namespace kvtest
