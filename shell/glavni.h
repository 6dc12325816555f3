// The program's main procedure and the process's life around it.
#pragma once

#include <cstdint>

namespace kvadrin {

// The main procedure: sets up the framework objects, the main thread's dictionary and
// the session callbacks, derives firm and year from the current folder, runs the frame
// procedure and saves the settings when it returns.
void Glavni();

// Session-end callbacks: the application never vetoes the end of the session.
std::int32_t DozvoliKrajSesije(std::int32_t value);
std::int32_t KrajSesije(std::int32_t value);

// The frame procedure that Glavni calls. Tests put a probe in its place.
using ProcedureFn = void (*)();
extern ProcedureFn MainProcedure;

// What the process sets up once before any of its procedures runs: the desktop integration
// of every window, every thread's own start and end, and the display of the framework's
// messages and questions on the screen. Idempotent.
void PrepareProcess();

// The whole life of the process on the calling thread, which becomes thread 1: the main
// thread's table structures, the main module, its per-thread data, Glavni, the module's end.
// Returns the process exit code.
int RunProgram();

}  // namespace kvadrin
