#include "platform/ui/desktop.h"

#include <atomic>

namespace rt::ui {

namespace {
std::atomic<DesktopQuery*> g_query{nullptr};
}

void SetDesktopQuery(DesktopQuery* query) { g_query = query; }
DesktopQuery* GetDesktopQuery() { return g_query; }

}  // namespace rt::ui
