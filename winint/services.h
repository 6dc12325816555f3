// Small system services of the desktop-integration library: procedures loaded from
// system libraries at run time, the text of the last system error, text values of the
// registry, the computer's and the user's name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// A procedure-address variable: 0 not loaded yet, -1 loading failed (not tried again),
// else the procedure's address.
using WlProcAddress = std::intptr_t;

// 0 when `address` holds a usable address, 1 when not.
std::int32_t wl_LoadDLLProc(std::string_view dll, std::string_view procedure, WlProcAddress& address);
// The system's text for the thread's last system error; empty when it has none.
std::string WlLastSystemErrorText();
// A text value of the registry, or "" (and error A0000045h) when it cannot be read.
std::string wl_GetReg(std::uint32_t root, std::string_view key, std::string_view value);
std::string wl_GetWorkstationName();
std::string wl_GetUserName();
