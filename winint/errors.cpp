#include "winint/errors.h"

#include "platform/core/text.h"
#include "winint/debug.h"

namespace {

constexpr std::size_t kTextSize = 255;

struct ErrorState {
    std::int32_t code = 0;
    std::string detail;
    std::string context;
};
thread_local ErrorState t_error;

std::string Cut(std::string_view s) { return std::string(s.substr(0, kTextSize)); }

}  // namespace

void WlSetContext(std::string_view name) {
    t_error.code = 0;
    t_error.detail.clear();
    t_error.context = rt::clip(Cut(name));
}

std::int32_t WlReportError(std::int32_t code) {
    t_error.code = code;
    if (WlSwitch("/debug")) WlDebugEvent(WlErrorText(), "", 0, 0, true, true, true);
    return code;
}

std::string_view WlCodeText(std::int32_t code) {
    switch (code) {
        case kWlErrAddAlerts: return "AddAlerts error";
        case kWlErrCloseHandle: return "CloseHandle error";
        case kWlErrAccept: return "WlAccept error";
        case kWlErrLoadDllProc: return "wl_loadDLLProc error";
        case kWlErrGetReg: return "wl_GetReg error";
        case kWlErrVisibleOnDesktop: return "wl_VisibleOnDesktop error";
        default: return "";
    }
}

std::string WlErrorText() {
    std::string suffix = ", " + rt::clip(t_error.detail) + ", " + t_error.context;
    suffix = Cut(suffix);
    return std::string(WlCodeText(t_error.code)) + rt::clip(suffix);
}

std::int32_t WlErrorCode() { return t_error.code; }
std::string WlErrorDetail() { return t_error.detail; }
std::string WlErrorContext() { return t_error.context; }
void WlSetErrorDetail(std::string_view detail) { t_error.detail = rt::clip(Cut(detail)); }
