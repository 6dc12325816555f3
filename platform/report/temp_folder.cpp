#include "platform/report/temp_folder.h"

#include <atomic>
#include <filesystem>
#include <system_error>

#include <unistd.h>

#include "platform/core/process.h"

namespace rt::report {

TempFolder::TempFolder() {
    static std::atomic<unsigned> counter{0};
    std::error_code ec;
    const std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
    if (ec || temp.empty()) return;  // no temporary folder: no file can be made
    path_ = (temp / "kvadrin" /
             (std::to_string(::getpid()) + "-" + std::to_string(rt::thread_number()) + "-" +
              std::to_string(counter.fetch_add(1))))
                .string();
}

TempFolder::~TempFolder() {
    if (path_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TempFolder::File(std::string_view name) {
    if (path_.empty()) return {};
    std::error_code ec;
    std::filesystem::create_directories(path_, ec);
    if (!std::filesystem::is_directory(path_, ec)) return {};
    return (std::filesystem::path(path_) / name).string();
}

}  // namespace rt::report
