// The wait of a database write for another workstation, shown to the user: the waiting
// thread's windows get the wait cursor, and after a few seconds a note says what the
// program waits for.
#pragma once

namespace rt::ui {

// Makes the embedded store report its waits to the back end (once per process).
void InstallBusyWaitShower();

}  // namespace rt::ui
