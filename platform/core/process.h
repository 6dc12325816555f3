// Process and thread services of the runtime: thread numbers, the per-thread start and
// end hooks every procedure thread runs, and the current folder.
#pragma once

#include <functional>
#include <string>

namespace rt {

// The runtime's number of the calling thread: 1 for the thread that runs the main
// procedure, then 2, 3, ... in order of start. 0 for a thread the runtime did not start.
int thread_number();

// Gives the calling thread its runtime number. The thread runner calls this first on
// every procedure thread it starts (the main procedure's thread gets 1).
void set_thread_number(int n);
// The next free thread number (2 on the first call, then 3, ...).
int next_thread_number();

// Hooks run on every procedure thread: the starts in registration order before the
// thread's procedure, the ends in reverse order after it returns.
using ThreadHook = std::function<void()>;
void register_thread_hooks(ThreadHook start, ThreadHook end);
void run_thread_start_hooks();
void run_thread_end_hooks();

// Runs `procedure` as a procedure thread body: number, start hooks, procedure, end hooks.
void run_procedure_thread(int number, const std::function<void()>& procedure);

// The full native path of the current folder; empty when it cannot be read.
std::string current_folder();
// The same path as the program's text (CP1250), as the runtime gives it for an empty file
// name; characters CP1250 lacks become "?".
std::string current_folder_text();

// The platform's folder separator.
char folder_separator();

// Starts a program and does not wait for it: `program` is a path, or a bare name looked
// up on the PATH as the system's program search does; it gets no arguments and inherits
// the current folder and the environment. Returns "" when it started, else why not.
std::string start_program(const std::string& program);

}  // namespace rt
