// A list's popup menu: items that press a window button, and items whose choice the caller
// reads back by number. The menu text is the runtime's: items separated by "|", "-" a
// separator, "~" before a text an item shown disabled.
//
// The menu is the window runtime's popup menu (PopupMenu), or what the function installed
// with SetPopupShower shows in its place.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace rt::ui {

class Window;

// Shows a menu text on a window and answers the 1-based number of the chosen item among
// the items that can be chosen, 0 for none.
using PopupShower = std::function<int(Window& window, const std::string& menu)>;
void SetPopupShower(PopupShower shower);

class PopupManager {
public:
    void Init(Window& window) { window_ = &window; }
    void Clear() { items_.clear(); }

    // An item that presses `button` (Accepted posted to it). `name` names the item for
    // SetItemEnabled; empty: the text.
    void AddControlItem(int button, std::string_view text, std::string_view name = {});
    // An item whose number the caller reads from LastChoice.
    void AddItem(std::string_view text, std::string_view name = {});
    // Items of a menu text inserted after item `position` (0: at the start), each answering
    // its own number counted from `first_choice` (so that their owner recognises them).
    void AddMenuItemsAt(std::string_view menu, int position, int first_choice);
    // Removes the items from position `items` on (0: all).
    void Truncate(int items) {
        if (items >= 0 && items < Items()) items_.resize(items);
    }
    void SetItemEnabled(std::string_view name, bool enabled);
    int Items() const { return static_cast<int>(items_.size()); }

    std::string MenuText() const;
    // Shows the menu; a button item presses its button. Answers the chosen item's choice
    // number (a button item's position, an inserted item's own number), 0 for none.
    int Ask();
    // Acts as if item number `n` (1-based among the enabled items) was chosen.
    int Choose(int n);
    int LastChoice() const { return last_; }

private:
    struct Item {
        std::string text, name;
        int button = 0;
        int choice = 0;  // the number the item answers
        bool separator = false;
        bool enabled = true;
    };
    Window* window_ = nullptr;
    std::vector<Item> items_;
    int last_ = 0;
};

}  // namespace rt::ui
