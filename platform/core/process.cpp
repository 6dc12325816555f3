#include "platform/core/process.h"

#include <atomic>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/core/text.h"

namespace rt {
namespace {

thread_local int t_thread_number = 0;
std::atomic<int> g_next_number{2};

struct HookPair {
    ThreadHook start;
    ThreadHook end;
};

std::mutex& hooks_mutex() {
    static std::mutex m;
    return m;
}
std::vector<HookPair>& hooks() {
    static std::vector<HookPair> h;
    return h;
}

std::vector<HookPair> hooks_copy() {
    std::lock_guard lock(hooks_mutex());
    return hooks();
}

}  // namespace

int thread_number() { return t_thread_number; }
void set_thread_number(int n) { t_thread_number = n; }
int next_thread_number() { return g_next_number.fetch_add(1); }

void register_thread_hooks(ThreadHook start, ThreadHook end) {
    std::lock_guard lock(hooks_mutex());
    hooks().push_back({std::move(start), std::move(end)});
}

void run_thread_start_hooks() {
    for (auto& h : hooks_copy())
        if (h.start) h.start();
}

void run_thread_end_hooks() {
    auto h = hooks_copy();
    for (auto it = h.rbegin(); it != h.rend(); ++it)
        if (it->end) it->end();
}

void run_procedure_thread(int number, const std::function<void()>& procedure) {
    set_thread_number(number);
    run_thread_start_hooks();
    procedure();
    run_thread_end_hooks();
}

std::string current_folder() {
    std::error_code ec;
    auto p = std::filesystem::current_path(ec);
    if (ec) return {};
    return p.string();
}

std::string current_folder_text() {
    std::error_code ec;
    auto p = std::filesystem::current_path(ec);
    if (ec) return {};
    const std::u8string u8 = p.u8string();
    return utf8_to_cp1250(std::string_view(reinterpret_cast<const char*>(u8.data()), u8.size()));
}

char folder_separator() {
#ifdef _WIN32
    return '\\';
#else
    return '/';
#endif
}

}  // namespace rt
