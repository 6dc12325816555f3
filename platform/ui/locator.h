// Locators: what the user types on a browse's list. An entry locator positions the list at
// the first row whose field begins with the typed text; a filtered locator keeps only the
// rows whose field holds the typed text (anywhere, with FLOATRIGHT), without case.
#pragma once

#include <string>
#include <string_view>

namespace rt::ui {

class BrowseManager;

// The filter that keeps the rows whose `field` holds `text` (CP1250) without case:
// anywhere in it, or at its start; "" for an empty text.
std::string LocatorFilter(std::string_view field, std::string_view text, bool anywhere);

class Locator {
public:
    virtual ~Locator() = default;
    // `entry` the entry control that shows the text (0: none, the list takes the keys).
    void Setup(int entry, std::string_view field, bool nocase, BrowseManager* browse);

    const std::string& Field() const { return field_; }
    const std::string& Text() const { return text_; }  // CP1250
    int Entry() const { return entry_; }

    // A key typed on the list: the printable character it typed (CP1250; without one, a
    // letter, digit or blank by its key code) adds to the text, Backspace takes the last
    // one away. True when the key was the locator's.
    bool TakeKey(int keycode, std::string_view keychar = {});
    // Sets the text and applies it; false when it was refused (the text stays as it was).
    bool Set(std::string_view text_cp1250);
    // Empties the text without applying it.
    void Clear() { text_.clear(); }

    virtual bool Filtered() const { return false; }

protected:
    // Applies the text to the browse; false refuses it.
    virtual bool Apply() = 0;

    BrowseManager* browse_ = nullptr;
    std::string field_;
    std::string text_;
    int entry_ = 0;
    bool nocase_ = true;
};

class LocatorEntry : public Locator {
protected:
    bool Apply() override;
};

class LocatorFiltered : public Locator {
public:
    int FLOATRIGHT = 0;            // 1: the text anywhere in the field, else at its start
    int USEFREEELEMENTONLY = 0;    // 1: always the locator's field; 0: the order's first field
    int DISABLEONEMPTYRESULT = 0;  // 1: a text that leaves no row is refused

    bool Filtered() const override { return true; }
    // The filter for the current text over `field` ("" for an empty text).
    std::string FilterFor(std::string_view field) const;

protected:
    bool Apply() override;

private:
    friend class Locator;
    std::string previous_;  // the text before the one being applied
};

}  // namespace rt::ui
