// The program's start-up: what its entry sets up before the GUI and the main procedure
// start. Whatever starts pieces of the program (the tests among them) starts them through
// this same call, so that nothing the program lacks is set up only there.
#pragma once

namespace kvadrin {

// The forms' definitions checked, the menu's registers, and the process's own preparation (message display,
// desktop integration, per-thread start and end). Idempotent.
void StartUp();

}  // namespace kvadrin
