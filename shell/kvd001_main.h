// The frame procedure.
#pragma once

namespace kvadrin {

// Runs the login and the frame window; returns when the frame has closed, or at once when
// the login is not completed.
void Main();

}  // namespace kvadrin
