#include "winint/session.h"

#include <atomic>

#include "winint/errors.h"

WlSessionHandler fp_OkToEndSessionHandler = nullptr;
WlSessionHandler fp_EndSessionHandler = nullptr;

namespace {
// The handlers are read on the GUI thread when the session ends; publish them safely.
WlSessionHandler exchange(WlSessionHandler& slot, WlSessionHandler callback) {
    std::atomic_ref<WlSessionHandler> ref(slot);
    return ref.exchange(callback);
}
}  // namespace

WlSessionHandler wl_SetOkToEndSessionHandler(WlSessionHandler callback) {
    WlSetContext("wl_SetOkToEndSessionHandler");
    return exchange(fp_OkToEndSessionHandler, callback);
}

WlSessionHandler wl_SetEndSessionHandler(WlSessionHandler callback) {
    WlSetContext("wl_SetEndSessionHandler");
    return exchange(fp_EndSessionHandler, callback);
}
