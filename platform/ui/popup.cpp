#include "platform/ui/popup.h"

#include <mutex>

#include "platform/ui/events.h"
#include "platform/ui/window.h"

namespace rt::ui {

namespace {
std::mutex g_mutex;
PopupShower g_shower;
}  // namespace

void SetPopupShower(PopupShower shower) {
    std::lock_guard lock(g_mutex);
    g_shower = std::move(shower);
}

void PopupManager::AddControlItem(int button, std::string_view text, std::string_view name) {
    Item it;
    it.text = text;
    it.name = name.empty() ? std::string(text) : std::string(name);
    it.button = button;
    items_.push_back(it);
    items_.back().choice = static_cast<int>(items_.size());
}

void PopupManager::AddItem(std::string_view text, std::string_view name) { AddControlItem(0, text, name); }

void PopupManager::AddMenuItemsAt(std::string_view menu, int position, int first_choice) {
    std::vector<Item> add;
    int choice = first_choice;
    std::size_t start = 0;
    while (start <= menu.size()) {
        std::size_t bar = menu.find('|', start);
        std::string_view t =
            menu.substr(start, bar == std::string_view::npos ? menu.size() - start : bar - start);
        Item it;
        if (t == "-") {
            it.separator = true;
        } else if (!t.empty()) {
            if (t.front() == '~') {
                it.enabled = false;
                t.remove_prefix(1);
            }
            it.text = it.name = t;
            it.choice = choice++;
        }
        if (it.separator || !it.text.empty()) add.push_back(it);
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    if (position < 0) position = 0;
    if (position > Items()) position = Items();
    items_.insert(items_.begin() + position, add.begin(), add.end());
}

void PopupManager::SetItemEnabled(std::string_view name, bool enabled) {
    for (Item& it : items_)
        if (it.name == name) it.enabled = enabled;
}

std::string PopupManager::MenuText() const {
    std::string s;
    for (const Item& it : items_) {
        if (!s.empty()) s += '|';
        s += it.separator ? std::string("-") : (it.enabled ? "" : "~") + it.text;
    }
    return s;
}

int PopupManager::Ask() {
    PopupShower shower;
    {
        std::lock_guard lock(g_mutex);
        shower = g_shower;
    }
    // Without a shower of its own the menu is the window runtime's.
    int n = 0;
    if (window_ && !items_.empty()) n = shower ? shower(*window_, MenuText()) : PopupMenu(MenuText());
    return Choose(n);
}

int PopupManager::Choose(int n) {
    last_ = 0;
    int k = 0;
    for (const Item& it : items_) {
        if (it.separator || !it.enabled) continue;
        if (++k != n) continue;
        if (it.button && window_) window_->Post(Event::Accepted, it.button);
        last_ = it.choice;
        break;
    }
    return last_;
}

}  // namespace rt::ui
