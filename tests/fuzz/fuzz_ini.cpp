// The settings reader over any file: entries, numbers and a window's placement read from
// it, and a write into it. Settings files (KVD.INI) are shared by workstations.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/core/ini.h"

namespace {

// The file the inputs are written to, in a folder of the run's own.
const std::string& IniFile() {
    static const std::string file = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/kv_fuzz_ini_XXXXXX";
        if (!::mkdtemp(folder.data())) std::abort();
        return folder + "/KVD.INI";
    }();
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        std::ofstream out(IniFile(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    rt::IniManager ini;
    ini.Init(IniFile());
    ini.Fetch("Server", "Server");
    ini.Fetch("KVD", "Width", 0L);
    ini.Fetch("", "");
    rt::WindowPlacement placement;
    ini.LoadWindowPosition("BrowseKvadrin", placement, true);
    // A write syncs the file to disk: one input in eight also writes, so that the reading
    // is fuzzed at speed.
    if (size % 8 == 0) {
        ini.Update("BrowseKvadrin", "XPos", 12L);
        ini.SaveWindowPosition("BrowseKvadrin", placement, true);
        ini.DeleteKey("Server", "Name");
    }
    ini.Kill();
    return 0;
}
