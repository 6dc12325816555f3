#include "platform/report/preview.h"

#include "platform/core/process.h"
#include "platform/ui/controller.h"

namespace rt::report {

PreviewAnswer PreviewManager::Display(const Document& document, std::string_view procedure, int zoom) {
    ReportDevice* device = GetReportDevice();
    if (!device) return {};
    PreviewRequest r;
    r.document = &document;
    r.thread = rt::thread_number();
    r.procedure = std::string(procedure);
    r.caption = document.title.empty() ? "Print Preview" : "Print Preview - " + document.title;
    r.zoom = zoom;
    r.allow_zoom = ALLOWUSERZOOM != 0;
    r.maximize = MAXIMIZE != 0;
    r.allow_print_current = ALLOWPRINTCURRENT != 0;
    r.close_requested = [] {
        const ui::WindowController* c = ui::ActiveController();
        return c && c->CloseDownRequested();
    };
    bool stored = false;
    if (ini_) stored = ini_->LoadWindowPosition(Section(procedure), r.placement, true);
    // A stored placement (maximized or not) takes the place of the default maximized one.
    if (stored) r.maximize = r.placement.maximized;
    PreviewAnswer a = device->Preview(r);
    if (ini_ && (a.placement.has_position || a.placement.maximized))
        ini_->SaveWindowPosition(Section(procedure), a.placement, true);
    return a;
}

}  // namespace rt::report
