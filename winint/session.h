// The end of the desktop session: the application's two callbacks, asked before the
// session ends (may it end?) and told when it ends.
#pragma once

#include <cstdint>

// A session callback takes one 32-bit value and returns one.
using WlSessionHandler = std::int32_t (*)(std::int32_t);

// The stored callbacks; null until the application registers its own.
extern WlSessionHandler fp_OkToEndSessionHandler;
extern WlSessionHandler fp_EndSessionHandler;

// Store the callback and return the previous one.
WlSessionHandler wl_SetOkToEndSessionHandler(WlSessionHandler callback);
WlSessionHandler wl_SetEndSessionHandler(WlSessionHandler callback);
