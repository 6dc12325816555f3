// The report runner: the companion of a report procedure's controller that runs the
// report behind its progress window. Paced by the window's timer it drives the process
// through the view in time slices; at the end of the view the report is finished and
// handed to the preview (from which the user prints) or straight to the chosen output.
// Cancel closes the progress window with the response cancelled: nothing is printed. The
// print itself runs behind the same progress window, a slice of pages per timer tick, so
// that its Cancel stops it and the other windows stay usable while it prints.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/report/breaks.h"
#include "platform/report/document.h"
#include "platform/report/output.h"
#include "platform/report/preview.h"
#include "platform/report/process.h"
#include "platform/report/report.h"
#include "platform/ui/controller.h"

namespace rt::report {

class ReportRunner {
public:
    ReportRunner(ui::WindowController& controller, std::string procedure);

    // Binds the process, the report and the previewer; a selector of its own when none
    // was given.
    void Setup(ProcessManager& process, Report& report, PreviewManager* previewer);
    void SetBreakTracker(BreakTracker* tracker) { tracker_ = tracker; }
    void SetOutputGenerator(OutputGenerator* generator) { generator_ = generator; }
    void SetTargetSelector(OutputSelector* selector) { selector_ = selector; }

    // Opens the view and the report: 0 when they opened.
    int BeginReport();
    // Runs in place of BeginReport when set (a procedure's override that calls it).
    std::function<int()> begin_report;

    // The report's handling of a window event of the progress window: the timer drives
    // the process. Answers a level.
    int OnWindowEvent();
    void Teardown();

    const Document& document() const { return document_; }

    std::uint8_t SKIPPREVIEW = 0;
    int ZOOM = 0;
    std::uint8_t SHOWOUTPUTPROGRESS = 0;
    std::uint8_t DEFERWINDOW = 0;
    std::uint8_t WAITCURSOR = 0;
    int SLICE_MS = 60;  // time of one slice of the process

private:
    void Complete();
    // Hands the document to the chosen generator, or starts printing pages first..last
    // (0, 0 all); true while a print goes on behind the progress window.
    bool Produce(int first, int last);
    void PrintSlice();
    void ShowPrintProgress();
    void PrintFailed(const std::string& error);

    ui::WindowController& controller_;
    std::string procedure_;
    ProcessManager* process_ = nullptr;
    Report* report_ = nullptr;
    PreviewManager* previewer_ = nullptr;
    BreakTracker* tracker_ = nullptr;
    OutputGenerator* generator_ = nullptr;
    OutputSelector* selector_ = nullptr;
    OutputSelector own_selector_;
    bool begun_ = false;
    bool finished_ = false;
    Document document_;
    std::unique_ptr<PrintJob> print_;
    int print_shown_ = -1;
};

}  // namespace rt::report
