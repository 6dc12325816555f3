// The desktop-integration library's objects as every window's focus marks, Enter-key
// navigation, window-message alerts and visible-desktop check.
#pragma once

#include "shell/procedure.h"

namespace kvadrin {

DesktopIntegration& WinLinkIntegration();

}  // namespace kvadrin
