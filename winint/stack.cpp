#include "winint/stack.h"

#include <array>
#include <cstdio>

#include "platform/core/process.h"
#include "platform/ui/window.h"
#include "winint/debug.h"

namespace {

constexpr int kLevels = 255;

struct Slot {
    std::uint64_t rbp = 0, rsp = 0, rbx = 0, r12 = 0, r13 = 0, r14 = 0, r15 = 0;
};

struct ThreadStack {
    std::int32_t level = 0;
    std::array<Slot, kLevels + 1> slots{};  // 1 to 255
    bool said_unavailable = false;
};
thread_local ThreadStack t_stack;

std::string Hex(std::uint64_t v) {
    char buffer[20];
    std::snprintf(buffer, sizeof buffer, "%016llX", static_cast<unsigned long long>(v));
    return buffer;
}

// A box on a procedure thread; the GUI thread (which runs the alerts' window procedure)
// cannot wait for an answer to its own box, so there the text becomes a debug line.
void StackMessage(const char* text) {
    if (rt::thread_number() == 0) {
        WlDebugWrite(std::string("wl_TestStack : ") + text);
        return;
    }
    rt::ui::Message(text, "wl_TestStack", rt::ui::Icon::Hand);
}

}  // namespace

std::int32_t wl_TSLevel() { return t_stack.level; }

void wl_SaveStack(rt::sys::RegisterBlock* block) {
    // A level left below 0 by an unpaired test is taken as 0, so no slot below 1 is used.
    if (t_stack.level < 0) t_stack.level = 0;
    ++t_stack.level;
    if (t_stack.level > kLevels) {
        WlDebugWrite("wl_SaveStack : Too many levels, wl_TSLevel=" + std::to_string(t_stack.level));
        return;
    }
    Slot& s = t_stack.slots[static_cast<std::size_t>(t_stack.level)];
    s = {block->rbp, block->rsp, block->rbx, block->r12, block->r13, block->r14, block->r15};
}

void wl_TestStack(rt::sys::RegisterBlock* block) {
    if (t_stack.level < 1) {
        StackMessage("SaveStack - TestStack pair mismatch");
    } else if (t_stack.level <= kLevels) {
        if (!rt::sys::RegistersAvailable()) {
            if (!t_stack.said_unavailable)
                WlDebugWrite("wl_TestStack : the registers of this processor cannot be compared");
            t_stack.said_unavailable = true;
        } else {
            const Slot& s = t_stack.slots[static_cast<std::size_t>(t_stack.level)];
            if (block->rsp != s.rsp) StackMessage("ESP corrupted, program will GPF");
            if (block->rbp != s.rbp) StackMessage("EBP corrupted, program will GPF");
            std::int32_t mask = 0;
            if (block->rbx != s.rbx) mask += 2;
            if (block->r12 != s.r12) mask += 4;
            if (block->r13 != s.r13) mask += 8;
            if (block->r14 != s.r14) mask += 16;
            if (block->r15 != s.r15) mask += 32;
            if (mask != 0) {
                const std::string separator = "\r\n" + std::string(13, ' ');
                WlDebugWrite("wl_TestStack wl_TSLevel=" + std::to_string(t_stack.level) + separator +
                             WlRegisterDump(block, mask, separator));
            }
        }
    }
    // An unpaired test leaves the level at 0.
    t_stack.level = t_stack.level > 0 ? t_stack.level - 1 : 0;
}

std::string WlRegisterDump(const rt::sys::RegisterBlock* block, std::int32_t mask,
                           std::string_view separator) {
    const Slot& s = t_stack.slots[static_cast<std::size_t>(
        t_stack.level >= 1 && t_stack.level <= kLevels ? t_stack.level : 0)];
    struct Item {
        std::int32_t bit;
        const char* name;
        std::uint64_t now, saved;
    };
    const Item items[] = {{2, "RBX", block->rbx, s.rbx},
                          {4, "R12", block->r12, s.r12},
                          {8, "R13", block->r13, s.r13},
                          {16, "R14", block->r14, s.r14},
                          {32, "R15", block->r15, s.r15}};
    std::string text;
    for (const Item& i : items) {
        if (!(mask & i.bit)) continue;
        if (!text.empty()) text += separator;
        text += std::string(i.name) + "=" + Hex(i.now) + " LAST " + i.name + "=" + Hex(i.saved);
    }
    return text.substr(0, 256);
}
