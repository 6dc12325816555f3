#include "platform/core/sysinfo.h"

#include <dlfcn.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>

#include "platform/core/text.h"

namespace rt::sys {

namespace {

std::mutex g_command_mutex;
bool g_command_read = false;
std::vector<std::string> g_command;

std::vector<std::string> ReadProcessCommandLine() {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> args;
    std::string cur;
    for (char c : all) {
        if (c == '\0') {
            args.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) args.push_back(cur);
    if (!args.empty()) args.erase(args.begin());  // the program itself
    return args;
}

thread_local int t_last_error = 0;
// The loader's own text for the last failure of this thread (dlerror is not errno-based).
thread_local std::string t_loader_text;
constexpr int kLoaderError = 0x7E;  // a private code whose text is the loader's message

}  // namespace

const std::vector<std::string>& CommandLine() {
    std::lock_guard lock(g_command_mutex);
    if (!g_command_read) {
        g_command = ReadProcessCommandLine();
        g_command_read = true;
    }
    return g_command;
}

void SetCommandLine(std::vector<std::string> parameters) {
    std::lock_guard lock(g_command_mutex);
    g_command = std::move(parameters);
    g_command_read = true;
}

void DebuggerOutput(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

int LastError() { return t_last_error; }
void SetLastError(int code) { t_last_error = code; }

std::string ErrorText(int code) {
    if (code == 0) return {};
    if (code == kLoaderError) return t_loader_text;
    if (code < 0) return {};
    char buffer[256] = {};
    // The GNU variant may return a static text instead of filling the buffer.
    const char* text = strerror_r(code, buffer, sizeof buffer);
    return text ? std::string(text) : std::string(buffer);
}

void* LoadLibrary(std::string_view name) {
    std::string n = rt::lower(rt::clip(name));
    std::vector<std::string> tries;
    if (n == "wsock32") {
        tries.push_back("libc.so.6");
    } else if (n.find('/') != std::string::npos || n.find(".so") != std::string::npos) {
        tries.push_back(n);
    } else {
        tries.push_back("lib" + n + ".so");
        tries.push_back(n + ".so");
    }
    for (const std::string& t : tries) {
        if (void* h = dlopen(t.c_str(), RTLD_NOW | RTLD_LOCAL)) return h;
    }
    const char* e = dlerror();
    t_loader_text = e ? e : "";
    t_last_error = kLoaderError;
    return nullptr;
}

void* GetProcAddress(void* library, std::string_view procedure) {
    if (!library) return nullptr;
    dlerror();
    void* p = dlsym(library, std::string(rt::clip(procedure)).c_str());
    if (!p) {
        const char* e = dlerror();
        t_loader_text = e ? e : "";
        t_last_error = kLoaderError;
    }
    return p;
}

bool FreeLibrary(void* library) {
    if (!library) return false;
    if (dlclose(library) != 0) {
        const char* e = dlerror();
        t_loader_text = e ? e : "";
        t_last_error = kLoaderError;
        return false;
    }
    return true;
}

std::string HostName() {
    char buffer[256] = {};
    if (gethostname(buffer, sizeof buffer - 1) != 0) {
        t_last_error = errno;
        return {};
    }
    return buffer;
}

bool UserName(std::string& name) {
    if (const char* u = std::getenv("USER"); u && *u) {
        name = u;
        return true;
    }
    if (passwd* pw = getpwuid(geteuid()); pw && pw->pw_name) {
        name = pw->pw_name;
        return true;
    }
    return false;
}

namespace {
constexpr std::string_view kComputerNameKey =
    "system\\currentcontrolset\\control\\computername\\computername";
constexpr std::uintptr_t kComputerNameHandle = 1;
constexpr int kNotFound = ENOENT;
}  // namespace

int RegistryOpen(std::uint32_t root, std::string_view key, std::uintptr_t& handle) {
    handle = 0;
    std::string k = rt::lower(rt::clip(key));
    while (!k.empty() && k.back() == '\\') k.pop_back();
    if (root == HKEY_LOCAL_MACHINE && k == kComputerNameKey) {
        handle = kComputerNameHandle;
        return 0;
    }
    return kNotFound;
}

int RegistryQueryText(std::uintptr_t handle, std::string_view value, std::string& text) {
    if (handle == kComputerNameHandle && rt::lower(rt::clip(value)) == "computername") {
        text = HostName();
        return text.empty() ? kNotFound : 0;
    }
    return kNotFound;
}

void RegistryClose(std::uintptr_t) {}

#if defined(__x86_64__)

extern "C" void kv_call_with_registers(RegisterFn fn);

// Builds the block from the highest address down (rbx first, flags last), aligns the
// stack for the call and restores every saved register afterwards.
asm(R"(
    .text
    .p2align 4
    .type kv_call_with_registers, @function
kv_call_with_registers:
    pushq %rbx
    leaq 16(%rsp), %rax
    pushq %rax
    pushq %rbp
    pushq %r12
    pushq %r13
    pushq %r14
    pushq %r15
    pushfq
    movq %rdi, %rax
    movq %rsp, %rdi
    subq $8, %rsp
    callq *%rax
    addq $8, %rsp
    popfq
    popq %r15
    popq %r14
    popq %r13
    popq %r12
    popq %rbp
    addq $8, %rsp
    popq %rbx
    retq
    .size kv_call_with_registers, .-kv_call_with_registers
)");

bool RegistersAvailable() { return true; }
void CallWithRegisters(RegisterFn fn) { kv_call_with_registers(fn); }

#else

bool RegistersAvailable() { return false; }
void CallWithRegisters(RegisterFn fn) {
    RegisterBlock block{};
    fn(&block);
}

#endif

}  // namespace rt::sys
