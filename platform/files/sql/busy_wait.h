// A statement that waits for another workstation's write (the embedded store's busy wait,
// up to two minutes) reports its wait on the waiting thread, so that the user can be told:
// Waiting soon after it began, WaitingLong after a few seconds, Ended when the statement
// goes on (done or failed). Nothing is reported for a wait shorter than kBusyWaitShown.
#pragma once

#include <chrono>

namespace rt::sql {

enum class BusyWait { Ended, Waiting, WaitingLong };
using BusyWaitObserver = void (*)(BusyWait);

inline constexpr std::chrono::milliseconds kBusyWaitShown{300};
inline constexpr std::chrono::milliseconds kBusyWaitLong{3000};

// The process's observer (nullptr: none). Called on the waiting thread, inside the
// database call: it must not use the database.
void SetBusyWaitObserver(BusyWaitObserver observer);

}  // namespace rt::sql
