#include "platform/ui/busy_wait.h"

#include "platform/core/process.h"
#include "platform/files/sql/busy_wait.h"
#include "platform/ui/backend.h"

namespace rt::ui {

void InstallBusyWaitShower() {
    rt::sql::SetBusyWaitObserver([](rt::sql::BusyWait wait) {
        if (Backend* b = GetBackend()) b->ShowBusyWait(rt::thread_number(), static_cast<int>(wait));
    });
}

}  // namespace rt::ui
