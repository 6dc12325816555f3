// Error state of the desktop-integration library. Each operation records its name as the
// thread's error context; a failure stores a detail text and a library code A00000nnh.
// Errors are never shown to the user; with "/debug" their text becomes a debug entry.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The library's codes that this program reports.
inline constexpr std::int32_t kWlErrAddAlerts = static_cast<std::int32_t>(0xA0000033u);
inline constexpr std::int32_t kWlErrCloseHandle = static_cast<std::int32_t>(0xA0000034u);
inline constexpr std::int32_t kWlErrAccept = static_cast<std::int32_t>(0xA0000035u);
inline constexpr std::int32_t kWlErrLoadDllProc = static_cast<std::int32_t>(0xA000003Au);
inline constexpr std::int32_t kWlErrGetReg = static_cast<std::int32_t>(0xA0000045u);
inline constexpr std::int32_t kWlErrVisibleOnDesktop = static_cast<std::int32_t>(0xA0000055u);

// Clears the code and the detail and names the operation entered.
void WlSetContext(std::string_view name);
// Records the code (the detail is set before); with "/debug" writes the error text as a
// debug entry. Returns the code.
std::int32_t WlReportError(std::int32_t code);
// The text of the thread's last error: the code's text, ", " detail, ", " context.
std::string WlErrorText();

// The thread's state (texts clipped; at most 255 characters each).
std::int32_t WlErrorCode();
std::string WlErrorDetail();
std::string WlErrorContext();
void WlSetErrorDetail(std::string_view detail);

// The text of a library code ("" for a code this program never reports).
std::string_view WlCodeText(std::int32_t code);
