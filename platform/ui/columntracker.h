// Sizes a list's column to its widest text on a double click: the alert of the double
// click on a registered list, then the column under the mouse gets the width of its
// widest text (heading included) in the list's format text. Widths are in dialog units,
// in which an average character of the window's font is 4 wide.
#pragma once

#include <vector>

namespace rt::ui {

class Window;

class ColumnTracker {
public:
    int INITIALIZED = 0;
    int QUEUEAUTOSIZELISTBOX = 0;  // the list whose column was sized last
    int STRINGCONTROL = 0;

    void Setup(Window& window);
    // `alert`: declare the double click as an alert key of the list (the double click
    // then no longer reaches the list as Accepted).
    void AddControl(int list, bool alert = true);
    // 1 when the event was a double click on a registered list and a column was sized.
    int OnEvent();
    // Sizes column `column` (1-based) of `list` to its widest text; true when it changed.
    bool SizeColumn(int list, int column);
    void Teardown();

private:
    Window* window_ = nullptr;
    std::vector<int> lists_;
};

}  // namespace rt::ui
