// Header-click sorting of a browse's list: a click on a column header sorts by that
// column ("+UPPER(field)" for text, "+field" for numbers), a second click on the same
// column reverses it ("-..."). The order text goes to ApplyOrder, which a browse
// overrides; an empty text asks for the browse's own order.
#pragma once

#include <string>
#include <vector>

namespace rt::ui {

class Window;
class BrowseManager;

class SortHeader {
public:
    virtual ~SortHeader() = default;

    int USESORTCOLORS = 1;

    void Init(Window& window, int list, BrowseManager& browse);
    // A header click on the list: builds the order and applies it (1), else 0.
    virtual int OnEvent();
    // The order text of the columns clicked so far ("" none).
    std::string MakeOrderText() const;
    virtual void ApplyOrder(const std::string& order_text);
    // Reads the list's columns again (after its layout changed).
    void ReadColumns();
    // Applies the order of the clicked columns again.
    void BuildOrder();
    // Forgets the clicked columns and applies the browse's own order.
    void Reset();
    // Forgets the clicked columns (a new sort order is in force).
    void Restore();
    void Teardown();

    // Clicks `column` (1-based) as the user would.
    void Click(int column);

private:
    Window* window_ = nullptr;
    BrowseManager* browse_ = nullptr;
    int list_ = 0;
    int column_ = 0;  // 0: no header order
    bool descending_ = false;
    int columns_ = 0;
};

}  // namespace rt::ui
