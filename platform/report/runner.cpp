#include "platform/report/runner.h"

#include <algorithm>

#include "platform/core/text.h"
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
    if (w.event() == ui::Event::Timer && print_) {
        PrintSlice();
        return ui::kLevelGoOn;
    }
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

bool ReportRunner::Produce(int first, int last) {
    if (generator_) {
        generator_->Output(document_, procedure_);
        return false;
    }
    ReportDevice* device = GetReportDevice();
    if (!device) return false;
    print_ = device->StartPrint(document_, first, last, document_.title);
    if (!print_) {
        PrintFailed(rt::utf8_to_cp1250("štampač nije dostupan"));
        return false;
    }
    if (!print_->Error().empty()) {
        const std::string error = print_->Error();
        print_.reset();
        PrintFailed(error);
        return false;
    }
    // The pages print a slice per tick of the progress window's timer; its Cancel ends the
    // print in Teardown.
    ui::Window& w = controller_.window();
    if (process_ && process_->progress_control()) {
        w.Set(process_->progress_control(), ui::Prop::RangeLow, 0);
        w.Set(process_->progress_control(), ui::Prop::RangeHigh, 100);
    }
    print_shown_ = -1;
    ShowPrintProgress();
    w.Set(0, ui::Prop::Timer, 1);
    return true;
}

void ReportRunner::PrintSlice() {
    const bool done = print_->PrintSlice(SLICE_MS);
    if (!done) {
        ShowPrintProgress();
        return;
    }
    controller_.window().Set(0, ui::Prop::Timer, 0);
    const std::string error = print_->Error();
    print_.reset();
    if (!error.empty()) PrintFailed(error);
    controller_.CloseWithResponse(ui::kResponseCompleted);
}

void ReportRunner::ShowPrintProgress() {
    ui::Window& w = controller_.window();
    const int pages = std::max(1, print_->Pages());
    const int percent = print_->Printed() * 100 / pages;
    if (percent == print_shown_) return;
    print_shown_ = percent;
    if (const int user = w.Feq("?PROGRESS:USERSTRING"))
        w.SetText(user, ui::Prop::Text,
                  rt::utf8_to_cp1250("Štampa: ") + std::to_string(print_->Printed()) + " / " +
                      std::to_string(print_->Pages()));
    if (process_ && process_->progress_control())
        w.Set(process_->progress_control(), ui::Prop::Progress, percent);
    if (process_ && process_->percent_control())
        w.SetText(process_->percent_control(), ui::Prop::Text, std::to_string(percent) + "%");
}

void ReportRunner::PrintFailed(const std::string& error) {
    ui::Message(rt::utf8_to_cp1250("Izveštaj nije odštampan: ") + error, rt::utf8_to_cp1250("Štampa"),
                ui::Icon::Exclamation);
}

void ReportRunner::Complete() {
    finished_ = true;
    ui::Window& w = controller_.window();
    w.Set(0, ui::Prop::Timer, 0);
    if (WAITCURSOR) w.SetWaitCursor(false);
    document_ = report_->Finish();
    bool printing = false;
    if (SKIPPREVIEW || !previewer_) {
        printing = Produce(0, 0);
    } else {
        const PreviewAnswer a = previewer_->Display(document_, procedure_, ZOOM);
        if (a.action == PreviewAnswer::PrintAll)
            printing = Produce(0, 0);
        else if (a.action == PreviewAnswer::PrintCurrent)
            printing = Produce(a.page, a.page);
    }
    if (!printing) controller_.CloseWithResponse(ui::kResponseCompleted);
}

void ReportRunner::Teardown() {
    if (print_) {
        // Cancelled (or the application closes down) while printing.
        const int printed = print_->Printed(), pages = print_->Pages();
        print_->Cancel();
        print_.reset();
        if (!controller_.CloseDownRequested())
            ui::Message(rt::utf8_to_cp1250("Štampa je prekinuta: odštampano je ") + std::to_string(printed) +
                            " od " + std::to_string(pages) + " strana.",
                        rt::utf8_to_cp1250("Štampa"), ui::Icon::Exclamation);
    }
    process_ = nullptr;
    report_ = nullptr;
}

}  // namespace rt::report
