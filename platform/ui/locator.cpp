#include "platform/ui/locator.h"

#include "platform/core/text.h"
#include "platform/ui/browse.h"
#include "platform/ui/events.h"
#include "platform/ui/window.h"

namespace rt::ui {

std::string LocatorFilter(std::string_view field, std::string_view text, bool anywhere) {
    if (text.empty()) return {};
    std::string lit = "'";
    for (char c : rt::upper(text)) lit += c == '\'' ? std::string("''") : std::string(1, c);
    lit += "'";
    return "INSTRING(" + lit + ", UPPER(" + std::string(field) + "), 1, 1)" + (anywhere ? " > 0" : " = 1");
}

void Locator::Setup(int entry, std::string_view field, bool nocase, BrowseManager* browse) {
    entry_ = entry;
    field_ = field;
    nocase_ = nocase;
    browse_ = browse;
    text_.clear();
}

namespace {

// Every character of CP1250 that shows: not a control character, not one of the five
// bytes the code page leaves undefined.
bool Printable(std::string_view text) {
    if (text.empty()) return false;
    for (char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x20 || b == 0x7F || b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98)
            return false;
    }
    return true;
}

}  // namespace

bool Locator::TakeKey(int keycode, std::string_view keychar) {
    std::string next = text_;
    if (keycode == Key::Backspace) {
        if (next.empty()) return true;
        next.pop_back();
    } else if (Printable(keychar)) {
        next += nocase_ ? rt::upper(keychar) : std::string(keychar);
    } else if (keycode == 0x20 || (keycode >= '0' && keycode <= '9') || (keycode >= 'A' && keycode <= 'Z')) {
        next += static_cast<char>(keycode);
    } else {
        return false;
    }
    if (!Set(next)) Beep();
    return true;
}

bool Locator::Set(std::string_view text_cp1250) {
    std::string before = text_;
    text_ = text_cp1250;
    if (!browse_) return true;
    if (auto* f = dynamic_cast<LocatorFiltered*>(this)) f->previous_ = before;
    if (Apply()) return true;
    text_ = before;
    return false;
}

bool LocatorEntry::Apply() { return browse_->LocateAt(field_, text_); }

std::string LocatorFiltered::FilterFor(std::string_view field) const {
    return LocatorFilter(field, text_, FLOATRIGHT != 0);
}

bool LocatorFiltered::Apply() {
    // Set() has already taken the new text; the browse needs the one before to go back.
    return browse_->ApplyFilter(*this, previous_);
}

}  // namespace rt::ui
