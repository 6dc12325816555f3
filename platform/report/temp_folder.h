// A folder of one report's own for its temporary files (the QR images of its payment
// forms): made with mkdtemp (owner only, a name nobody can guess) under a folder of the
// user's own, removed with everything in it when the object goes. Reports running at the
// same time never share a file, and no other user can put a file in their place.
#pragma once

#include <string>
#include <string_view>

namespace rt::report {

// The user's own folder that report folders are made in: $XDG_RUNTIME_DIR when it is a
// real folder of the user that no one else may enter; else "kvadrin-<uid>" under the
// system's temporary folder ($TMPDIR, else /tmp), made with mode 0700 when missing and
// taken only when it is a real folder (not a symbolic link) of the user with mode 0700.
// When that folder fails its check, `refused` gets its path and the answer is the system's
// temporary folder itself, in which mkdtemp alone keeps a folder private. Empty when no
// temporary folder is known.
std::string UserTempBase(std::string* refused = nullptr);

class TempFolder {
public:
    // The user's own folder is chosen now (from the environment as it is now).
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    // The path of a file in the report's folder, the folder made at the first call (and
    // made anew in the same place when it went missing); empty when it cannot be made.
    std::string File(std::string_view name);
    // The report's folder; empty before the first File or when it could not be made.
    const std::string& Path() const { return path_; }

private:
    std::string base_;
    std::string path_;
};

}  // namespace rt::report
