#include "platform/report/runner.h"

#include "platform/ui/events.h"

namespace rt::report {

ReportRunner::ReportRunner(ui::WindowController& controller, std::string procedure)
    : controller_(controller), procedure_(std::move(procedure)) {}

void ReportRunner::Setup(ProcessManager& process, Report& report, PreviewManager* previewer) {
    process_ = &process;
    report_ = &report;
    previewer_ = previewer;
    if (!selector_) selector_ = &own_selector_;
}

int ReportRunner::BeginReport() {
    if (!process_ || !report_) return 1;
    const int rc = process_->Open();
    if (rc != 0) return rc;
    report_->Open();
    return 0;
}

int ReportRunner::OnWindowEvent() {
    ui::Window& w = controller_.window();
    if (w.event() != ui::Event::Timer || finished_ || !process_) return ui::kLevelGoOn;
    if (!begun_) {
        begun_ = true;
        if (WAITCURSOR) w.SetWaitCursor(true);
        const int rc = begin_report ? begin_report() : BeginReport();
        if (rc != 0) {
            // The view could not be read; the framework has told the user.
            controller_.CloseWithResponse(ui::kResponseCancelled);
            return ui::kLevelGoOn;
        }
    }
    const int rc = process_->RunSlice(SLICE_MS, tracker_);
    if (rc == ProcessManager::kDone) {
        Complete();
    } else if (rc != 0) {
        controller_.CloseWithResponse(ui::kResponseCancelled);
    }
    return ui::kLevelGoOn;
}

int ReportRunner::Produce(int first, int last) {
    if (generator_) return generator_->Output(document_, procedure_);
    ReportDevice* device = GetReportDevice();
    if (!device) return 1;
    const std::string error = device->Print(document_, first, last, document_.title);
    if (!error.empty()) {
        ui::Message("Izveštaj nije odštampan: " + error, "Štampa", ui::Icon::Exclamation);
        return 1;
    }
    return 0;
}

void ReportRunner::Complete() {
    finished_ = true;
    ui::Window& w = controller_.window();
    w.Set(0, ui::Prop::Timer, 0);
    if (WAITCURSOR) w.SetWaitCursor(false);
    document_ = report_->Finish();
    if (SKIPPREVIEW || !previewer_) {
        Produce(0, 0);
    } else {
        const PreviewAnswer a = previewer_->Display(document_, procedure_, ZOOM);
        if (a.action == PreviewAnswer::PrintAll)
            Produce(0, 0);
        else if (a.action == PreviewAnswer::PrintCurrent)
            Produce(a.page, a.page);
    }
    controller_.CloseWithResponse(ui::kResponseCompleted);
}

void ReportRunner::Teardown() {
    process_ = nullptr;
    report_ = nullptr;
}

}  // namespace rt::report
