#include "platform/report/process.h"

#include <chrono>

#include "platform/files/relation.h"
#include "platform/report/breaks.h"

namespace rt::report {

void ProcessManager::Setup(rt::File& primary, rt::RelationManager* relation, ui::Window* window,
                           int progress_control, ui::ScrollStep* step, ui::Binding progress_field) {
    Init(primary);
    relation_ = relation;
    window_ = window;
    progress_control_ = progress_control;
    step_ = step;
    progress_field_ = progress_field;
}

int ProcessManager::Open() {
    read_ = 0;
    shown_ = -1;
    SetQuickScan(true);
    const int rc = Reset();
    if (rc != 0) return rc;
    total_ = Records();
    if (total_ < 0) total_ = 0;
    ShowProgress();
    return 0;
}

int ProcessManager::Percent() const {
    if (total_ <= 0) return read_ > 0 ? 100 : 0;
    const long p = read_ * 100 / total_;
    return static_cast<int>(p > 100 ? 100 : p);
}

void ProcessManager::ShowProgress() {
    const int p = Percent();
    if (p == shown_ || !window_) return;
    shown_ = p;
    if (progress_control_) window_->Set(progress_control_, ui::Prop::Progress, p);
    if (pct_control_) window_->SetText(pct_control_, ui::Prop::Text, std::to_string(p) + "% Completed");
}

int ProcessManager::RunSlice(int slice_ms, BreakTracker* tracker) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(slice_ms);
    do {
        const int rc = Next();
        if (rc == rt::kRecordNotAvailable) {
            if (tracker) tracker->CloseAll();
            ShowProgress();
            return kDone;
        }
        if (rc != 0) return rc;
        ++read_;
        if (tracker) tracker->Check();
        const int level = OnRecord();
        if (tracker) tracker->Taken();
        if (level != 0) return level;
    } while (std::chrono::steady_clock::now() < until);
    ShowProgress();
    return 0;
}

}  // namespace rt::report
