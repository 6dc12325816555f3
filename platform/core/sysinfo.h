// Operating-system services of the desktop-integration library: the command line, the
// debugger output, the last system error and its text, the dynamic loader, the host's
// and the user's names, a stand-in for the system registry, and a register snapshot for
// the stack balance check.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rt::sys {

// The program's command-line parameters after the program name (read from the process at
// the first call). A test may replace them.
const std::vector<std::string>& CommandLine();
void SetCommandLine(std::vector<std::string> parameters);

// The debugger output: on this platform the process's standard error stream. The text is
// written as it is (the caller supplies its line end).
void DebuggerOutput(std::string_view text);

// The calling thread's last system error code, and the system's text for a code (empty
// when there is none).
int LastError();
void SetLastError(int code);
std::string ErrorText(int code);

// The dynamic loader. A library name without a folder or extension is looked up as the
// platform names shared libraries; "wsock32" is the C library, which has gethostname.
// Failures set the last error (and keep the loader's own text for ErrorText).
void* LoadLibrary(std::string_view name);
void* GetProcAddress(void* library, std::string_view procedure);
bool FreeLibrary(void* library);

// The host's name (empty when it cannot be had) and the logged-on user's name (false when
// it cannot be had).
std::string HostName();
bool UserName(std::string& name);

// The registry stand-in: answers the text values the program reads (the computer's name)
// and reports "not found" for everything else. Returns 0 or a system error code.
inline constexpr std::uint32_t HKEY_LOCAL_MACHINE = 0x80000002u;
int RegistryOpen(std::uint32_t root, std::string_view key, std::uintptr_t& handle);
int RegistryQueryText(std::uintptr_t handle, std::string_view value, std::string& text);
void RegistryClose(std::uintptr_t handle);

// Register snapshot: the stack pointer, the frame pointer and the callee-saved registers
// of the processor, as they were when CallWithRegisters was called. On x86-64: RSP, RBP,
// RBX, R12 to R15.
struct RegisterBlock {
    std::uint64_t flags;
    std::uint64_t r15, r14, r13, r12;
    std::uint64_t rbp;
    std::uint64_t rsp;  // before the call that built the block
    std::uint64_t rbx;
};
// True when this processor's registers can be captured.
bool RegistersAvailable();
// Captures the registers into a block on the stack, calls fn with it and restores them;
// the caller sees no register changed. Without RegistersAvailable, fn gets a zero block.
using RegisterFn = void (*)(RegisterBlock*);
void CallWithRegisters(RegisterFn fn);

}  // namespace rt::sys
