// What the window's code and the builders of its controls (controls_*.cpp) share.
#pragma once

#include <QString>
#include <string>

#include "platform/core/picture.h"
#include "platform/core/text.h"
#include "platform/ui/backend.h"

class QAbstractButton;
class QWidget;

namespace rt::qt {

// A prompt's text without its hot-key marks ("&&" is a literal "&").
QString WithoutMnemonic(const QString& text);

inline bool IsNumericPicture(const std::string& picture) {
    auto p = rt::parse_picture(picture);
    return p && p->kind != rt::PictureKind::String;
}

inline ui::InputEvent Ev(int event, int feq) {
    ui::InputEvent ev;
    ev.event = event;
    ev.feq = feq;
    return ev;
}

inline bool EqualLabel(const std::string& label, const char* name) { return rt::equal_nocase(label, name); }

// Item data roles of a list cell's colours while its row is selected (QColor; absent: the
// list's own); its colours otherwise are the item's foreground and background.
inline constexpr int kSelectedTextRole = 0x0101;        // Qt::UserRole + 1
inline constexpr int kSelectedBackgroundRole = 0x0102;  // Qt::UserRole + 2

// A check box or radio with an icon and no text of its own shows as an icon button that
// stays pressed while it is on; any other as a radio button or a check box.
QAbstractButton* NewToggle(const ui::ControlDef* def, QWidget* parent, bool radio);

// The value of a drop list's row: a list without a format of columns has rows of a text
// and its value; one with columns gives its first column.
std::string DropValue(const ui::ControlState& st, int row);

}  // namespace rt::qt
