#include "shell/kvd001_main.h"

namespace kvadrin {

// The login and the frame window stand on the window runtime; until it is there the
// frame procedure returns at once, as when the login is not completed.
void Main() {}

}  // namespace kvadrin
