// Debug output of the desktop-integration library: the command-line switches, the one
// routine that writes a trace line, the debug entry of the error reporting, and the table
// of window-message names that the alert traces print.
//
// Lines go to the file named by DebugOutputFile= on the command line, each with a time
// stamp; without it they go to the debugger output, which on this platform is the
// process's standard error stream.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The library's one process-wide lock, shared by the alerts and the debug output.
std::recursive_mutex& WinLinkLock();

// True when the command line has the parameter `name` (whole, any case).
bool WlSwitch(std::string_view name);
// The value of a name=value parameter (name in any case) as the program's text (the
// command line arrives in UTF-8); empty when absent.
std::string WlCommandValue(std::string_view name);

// Writes the clipped text as one line ending in CR LF.
void WlDebugWrite(std::string_view text);
// Writes one debug entry (with "/debug" only), then brackets the recording of its event
// number with the stack balance check.
void WlDebugEvent(std::string_view entry_text, std::string_view window_name, int event, int field,
                  bool blank_window, bool zero_event, bool zero_field);
// The event number of the last debug entry.
std::int32_t WlLastDebugEvent();

// Forgets the file name taken from the command line and the calling thread's file; the
// next line reads the command line again. For tests.
void WlDebugRestart();

// The message-name table.
struct MessageName {
    std::string name;  // "WE::WM_CLOSE", at most 25 characters
    std::int32_t number = 0;
};
void wl_BuildWMQ();
void wl_AddQ(std::string_view name, std::int32_t number);
// Sorted by number; empty until the first wl_BuildWMQ.
std::vector<MessageName> MessageNameQueue();
// The name of a message in the table (the first entry of that number).
std::optional<std::string> WlMessageName(std::int32_t number);
