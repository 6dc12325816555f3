// The process of a report: its view read record by record behind the progress window.
// For each record the tracker's groups are checked, the per-record operation runs (a
// report overrides it to compute its values and print its detail band), and the
// progress bar and its percentage text show how far the view has been read.
#pragma once

#include <string>

#include "platform/files/view.h"
#include "platform/ui/step.h"
#include "platform/ui/window.h"

namespace rt {
class RelationManager;
}

namespace rt::report {

class BreakTracker;

class ProcessManager : public rt::ViewManager {
public:
    ProcessManager() = default;
    virtual ~ProcessManager() = default;

    // The view over `primary` (its relation turns quick scanning on), the progress bar of
    // `window` (0: none), the step and the field whose value measures the progress.
    void Setup(rt::File& primary, rt::RelationManager* relation, ui::Window* window, int progress_control,
               ui::ScrollStep* step = nullptr, ui::Binding progress_field = {});
    // The progress window's percentage text.
    void SetPercentControl(int feq) { pct_control_ = feq; }

    // The per-record operation: 0 go on; any other level stops the process.
    virtual int OnRecord() { return 0; }

    // Starts reading at the first record of the view.
    int Open();
    // Reads and processes records for about `slice_ms` milliseconds. Answers 0 while
    // there is more, kDone at the end of the view, or the error or level that stopped it.
    static constexpr int kDone = -1;
    int RunSlice(int slice_ms, BreakTracker* tracker);
    int Percent() const;

    rt::RelationManager* relation() const { return relation_; }
    // The progress window's bar and percentage text (0: none).
    int progress_control() const { return progress_control_; }
    int percent_control() const { return pct_control_; }

private:
    void ShowProgress();

    rt::RelationManager* relation_ = nullptr;
    ui::Window* window_ = nullptr;
    int progress_control_ = 0;
    int pct_control_ = 0;
    ui::ScrollStep* step_ = nullptr;
    ui::Binding progress_field_;
    long read_ = 0;
    long total_ = 0;
    int shown_ = -1;
};

}  // namespace rt::report
