// The splash window the frame shows when it opens.
#pragma once

#include "platform/ui/resource.h"

namespace kvadrin {

// Shows the title and logo; closes on a mouse click, on losing the focus, after three
// seconds, or when the frame posts it CloseWindow.
void BrivantSplash();

// The splash's timer in hundredths of a second (3 seconds); 0 leaves it without a timer,
// which tests use to see that input alone closes it.
extern int SplashTimer;

const rt::ui::WindowDef& BrivantSplashWindow();

}  // namespace kvadrin
