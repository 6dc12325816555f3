#include "winint/services.h"

#include <cstring>

#include "platform/core/sysinfo.h"
#include "platform/core/text.h"
#include "winint/debug.h"
#include "winint/errors.h"

std::int32_t wl_LoadDLLProc(std::string_view dll, std::string_view procedure, WlProcAddress& address) {
    WlSetContext("wl_LoadDLLProc");
    if (address == -1) return 1;
    if (address != 0) return 0;
    const std::string lib = rt::clip(dll);
    const std::string proc = rt::clip(procedure);
    void* handle = rt::sys::LoadLibrary(lib);
    if (!handle) {
        if (WlSwitch("/debug")) {
            WlSetErrorDetail("wl_LoadDLLProc error, LoadLibrary failed DLL=" + lib + " " +
                             WlLastSystemErrorText());
            WlReportError(kWlErrLoadDllProc);
        }
        address = -1;
        return 1;
    }
    void* p = rt::sys::GetProcAddress(handle, proc);
    address = reinterpret_cast<WlProcAddress>(p);
    if (p) return 0;  // the library stays loaded for the life of the process
    if (WlSwitch("/debug")) {
        WlSetErrorDetail("wl_LoadDLLProc error, GetProcAddress failed Proc=" + proc + " DLL=" + lib + " " +
                         WlLastSystemErrorText());
        WlReportError(kWlErrLoadDllProc);
    }
    if (!rt::sys::FreeLibrary(handle) && WlSwitch("/debug")) {
        WlSetErrorDetail("wl_LoadDLLProc error, FreeLibrary failed DLL=" + lib + " " +
                         WlLastSystemErrorText());
        WlReportError(kWlErrLoadDllProc);
    }
    address = -1;
    return 1;
}

std::string WlLastSystemErrorText() {
    std::string text = rt::sys::ErrorText(rt::sys::LastError()).substr(0, 254);
    if (text.size() <= 2) return {};
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
    return text;
}

std::string wl_GetReg(std::uint32_t root, std::string_view key, std::string_view value) {
    WlSetContext("wl_GetReg");
    std::uintptr_t handle = 0;
    if (int e = rt::sys::RegistryOpen(root, rt::clip(key), handle); e != 0) {
        rt::sys::SetLastError(e);
        WlSetErrorDetail(WlLastSystemErrorText());
        WlReportError(kWlErrGetReg);
        return {};
    }
    std::string text;
    int e = rt::sys::RegistryQueryText(handle, rt::clip(value), text);
    rt::sys::RegistryClose(handle);
    if (e != 0) {
        rt::sys::SetLastError(e);
        WlSetErrorDetail(WlLastSystemErrorText());
        WlReportError(kWlErrGetReg);
        return {};
    }
    return text.substr(0, 255);
}

namespace {
WlProcAddress g_gethostname = 0;
using GetHostNameFn = int (*)(char*, std::size_t);
}  // namespace

std::string wl_GetWorkstationName() {
    WlSetContext("wl_GetWorkstationName");
    char buffer[256] = {};
    if (wl_LoadDLLProc("wsock32", "gethostname", g_gethostname) == 0) {
        auto fn = reinterpret_cast<GetHostNameFn>(g_gethostname);
        if (fn(buffer, 255) != 0) buffer[0] = '\0';
    }
    std::string name = buffer;
    if (name.empty())
        name = wl_GetReg(rt::sys::HKEY_LOCAL_MACHINE,
                         "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName\\", "ComputerName");
    return rt::clip(name);
}

std::string wl_GetUserName() {
    WlSetContext("wl_GetUserName");
    std::string name;
    if (!rt::sys::UserName(name)) return {};
    return rt::clip(name.substr(0, 255));
}
