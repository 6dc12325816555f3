// A folder of the program's own under the system's temporary folder, one per report (the
// QR images of its payment forms): made when missing, removed with everything in it when
// the object goes. Reports running at the same time never share a file.
#pragma once

#include <string>
#include <string_view>

namespace rt::report {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    // The path of a file in the folder (the folder made again when it went missing);
    // empty when it cannot be made.
    std::string File(std::string_view name);

private:
    std::string path_;
};

}  // namespace rt::report
