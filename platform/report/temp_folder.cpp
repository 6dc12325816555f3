#include "platform/report/temp_folder.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/core/sysinfo.h"

namespace rt::report {
namespace {

// A real folder (a symbolic link is not followed) of this user that no one else may
// enter, read or write.
bool Private(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

std::string SystemTemp() {
    const char* t = std::getenv("TMPDIR");
    std::string temp = t && *t ? t : "/tmp";
    while (temp.size() > 1 && temp.back() == '/') temp.pop_back();
    return temp;
}

}  // namespace

std::string UserTempBase(std::string* refused) {
    if (refused) refused->clear();
    if (const char* x = std::getenv("XDG_RUNTIME_DIR"); x && *x && Private(x)) return x;
    const std::string temp = SystemTemp();
    const std::string own = temp + "/kvadrin-" + std::to_string(::geteuid());
    if (::mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) {
        // No folder of our own can be made there (the temporary folder missing or not
        // writable): mkdtemp in it fails alike, and says so by an empty path.
        return temp;
    }
    if (Private(own)) return own;
    // Someone else's folder, a link, or a folder others may enter: never written through.
    if (refused) *refused = own;
    return temp;
}

TempFolder::TempFolder() {
    std::string refused;
    base_ = UserTempBase(&refused);
    if (!refused.empty())
        rt::sys::DebuggerOutput("kvadrin: the temporary folder " + refused +
                                " is not the user's own private folder; it is not used\n");
}

TempFolder::~TempFolder() {
    if (path_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TempFolder::File(std::string_view name) {
    if (!path_.empty() && !Private(path_)) path_.clear();  // gone, or no longer ours
    if (path_.empty()) {
        if (base_.empty()) return {};
        std::string templ = base_ + "/kvadrin-report-XXXXXX";
        std::vector<char> buf(templ.begin(), templ.end());
        buf.push_back('\0');
        if (::mkdtemp(buf.data()) == nullptr) return {};
        path_ = buf.data();
    }
    return path_ + "/" + std::string(name);
}

}  // namespace rt::report
