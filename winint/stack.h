// The stack balance check: wl_SaveStack records the stack pointer, the frame pointer and
// the callee-saved registers at the start of a stretch of code, wl_TestStack compares
// them at its end. On x86-64 the registers are RSP, RBP, RBX and R12 to R15; on another
// processor the check says that it cannot compare. Pairs nest up to 255 levels per thread.
//
// Both take the block that rt::sys::CallWithRegisters builds:
//   rt::sys::CallWithRegisters(&wl_SaveStack);  ...  rt::sys::CallWithRegisters(&wl_TestStack);
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/core/sysinfo.h"

void wl_SaveStack(rt::sys::RegisterBlock* block);
void wl_TestStack(rt::sys::RegisterBlock* block);

// Masks of the registers that differ: RBX 2, R12 4, R13 8, R14 16, R15 32.
// The text of the differing registers: "RBX=<current> LAST RBX=<saved>", 16 hexadecimal
// digits each, items joined by the separator.
std::string WlRegisterDump(const rt::sys::RegisterBlock* block, std::int32_t mask,
                           std::string_view separator);

// The calling thread's nesting level.
std::int32_t wl_TSLevel();
