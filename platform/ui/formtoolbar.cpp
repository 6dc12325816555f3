#include "platform/ui/formtoolbar.h"

#include "platform/ui/controller.h"

namespace rt::ui {

namespace {
enum : int { kInsert = 1, kChange = 2 };
}

bool FormToolbarHandler::Enabled(int button) const {
    if (!form_) return false;
    switch (form_->REQUEST) {
        case kInsert: return button == ToolbarButton::Insert || button == ToolbarButton::Down;
        case kChange:
            return button == ToolbarButton::Insert ||
                   (button >= ToolbarButton::Bottom && button <= ToolbarButton::Up);
        default: return false;
    }
}

bool FormToolbarHandler::RecallOffered() const {
    return form_ && (form_->REQUEST == kInsert || form_->REQUEST == kChange);
}

bool FormToolbarHandler::TakeToolbar(int button) {
    if (!form_) return false;
    Window& w = form_->window();
    if (button == ToolbarButton::History) {
        if (!RecallOffered()) return true;
        form_->RecallField(w.FocusedControl());
        return true;
    }
    if (!Enabled(button)) return IsToolbarButton(button);
    if (!form_->OKCONTROL) return true;
    // Completes as the OK button does; the browse reads the button once the form closed.
    if (form_->VCRREQUEST) *form_->VCRREQUEST = button;
    form_->UpdateComponents();
    w.Post(Event::Accepted, form_->OKCONTROL);
    return true;
}

}  // namespace rt::ui
