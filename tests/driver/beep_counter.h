// Counts the beeps the program sounds: while it lives it stands between the runtime and
// the back end, passing everything on (the beeps too).
#pragma once

#include <atomic>

#include "platform/ui/backend.h"

namespace kvtest {

class BeepCounter final : public rt::ui::Backend {
public:
    BeepCounter() : inner_(rt::ui::GetBackend()) { rt::ui::SetBackend(this); }
    ~BeepCounter() override { rt::ui::SetBackend(inner_); }
    BeepCounter(const BeepCounter&) = delete;
    BeepCounter& operator=(const BeepCounter&) = delete;

    int beeps() const { return beeps_; }

    void OpenWindow(const rt::ui::WindowState& state) override { inner_->OpenWindow(state); }
    void SyncWindow(const rt::ui::WindowState& delta) override { inner_->SyncWindow(delta); }
    void CloseWindow(rt::ui::WindowId id) override { inner_->CloseWindow(id); }
    void ShowMessage(const rt::ui::MessageRequest& request) override { inner_->ShowMessage(request); }
    void ShowPopup(const rt::ui::MessageRequest& request) override { inner_->ShowPopup(request); }
    void ToolbarState(rt::ui::WindowId window, std::uint16_t enabled) override {
        inner_->ToolbarState(window, enabled);
    }
    void ShowFileDialog(const rt::ui::FileDialogRequest& request) override {
        inner_->ShowFileDialog(request);
    }
    void Perform(rt::ui::WindowId window, int feq, const std::string& action,
                 const std::string& value) override {
        inner_->Perform(window, feq, action, value);
    }
    void Beep() override {
        ++beeps_;
        inner_->Beep();
    }
    void PrinterSetup(int thread) override { inner_->PrinterSetup(thread); }

private:
    rt::ui::Backend* inner_;
    std::atomic<int> beeps_{0};
};

}  // namespace kvtest
