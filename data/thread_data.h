// Per-thread data every procedure thread owns, and the per-thread start and end that the
// runtime runs around each thread's procedure.
#pragma once

#include <cstdint>

namespace kvadrin {

// Requests a procedure hands to the procedure it calls, and the responses it gets back.
enum : std::uint8_t {
    InsertRecord = 1,
    ChangeRecord = 2,
    DeleteRecord = 3,
    SelectRecord = 4,
    ViewRecord = 6,
    SaveRecord = 7,  // save and stay
};
enum : std::uint8_t {
    RequestCompleted = 1,
    RequestCancelled = 2,
};

extern thread_local std::uint8_t CallRequest;
extern thread_local std::uint8_t CallResponse;
extern thread_local std::int32_t CallNavRequest;

// Per-thread start: the thread's table structures and record buffers, then its data.
void MainThreadFilesInit();
void MainThreadDataInit();
// Per-thread end: the dictionary's take-down, then the table structures.
void MainThreadFilesTerm();

// Builds the thread's dictionary unless the thread is the main procedure's (number 1),
// which builds its own in Glavni.
void RecnikNitPripremi();
void RecnikNitOslobodi();

// Registers the per-thread start and end with the runtime's thread runner (once).
void InstallThreadHooks();

}  // namespace kvadrin
