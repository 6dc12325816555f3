// The toolbar target of a form. While a form is the window the user works in, the frame's
// navigation buttons complete the form as OK does and leave the button's number in the
// thread's navigation request, so that the calling browse inserts again or moves to the
// first, last, next or prior row (or page) and opens the form on it. "Previous value"
// (3012) recalls the previous value of the focused field, as the history key does.
#pragma once

#include "platform/ui/toolbar.h"

namespace rt::ui {

class WindowController;

class FormToolbarHandler : public ToolbarTarget {
public:
    int HELPBUTTON = 0;  // the form's help button

    // The form whose buttons this target serves.
    void Init(WindowController& form) { form_ = &form; }

    // Whether the button is offered for the form's request: an insert offers 3001 and
    // 3009; a change 3001 and 3005 to 3010; any other request none of them.
    bool Enabled(int button) const override;
    // Previous value is offered while the record can be edited (insert or change).
    bool RecallOffered() const;

    bool TakeToolbar(int button) override;

private:
    WindowController* form_ = nullptr;
};

}  // namespace rt::ui
