// The print preview of a finished report: the pages shown in a window of their own, modal
// for the report's thread, with zoom, paging and printing; its placement kept in the
// settings file when a settings object is attached.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/core/ini.h"
#include "platform/report/output.h"

namespace rt::report {

class PreviewManager {
public:
    void AttachIniManager(rt::IniManager& ini) { ini_ = &ini; }

    // Shows the document until the user closes the preview or prints from it.
    PreviewAnswer Display(const Document& document, std::string_view procedure, int zoom);

    // The section of the settings file that keeps the preview's placement.
    static std::string Section(std::string_view procedure) { return std::string(procedure) + "_Preview"; }

    std::uint8_t ALLOWUSERZOOM = 0;
    std::uint8_t MAXIMIZE = 0;
    std::uint8_t SHOWOUTPUTPROGRESS = 0;
    std::uint8_t ALLOWPRINTCURRENT = 0;
    std::uint8_t ALLOWSENDREPORT = 0;
    std::uint8_t ONEPAGEREPORTLANDSCAPE = 0;

private:
    rt::IniManager* ini_ = nullptr;
};

}  // namespace rt::report
