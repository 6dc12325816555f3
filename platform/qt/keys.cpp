#include "platform/qt/keys.h"

#include <QKeyEvent>

#include "platform/ui/events.h"

namespace rt::qt {
namespace {

struct KeyPair {
    int qt;
    int vk;
};

// Keys whose virtual-key code is not their letter or digit.
constexpr KeyPair kKeys[] = {
    {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09},     {Qt::Key_Return, 0x0D}, {Qt::Key_Enter, 0x0D},
    {Qt::Key_Shift, 0x10},     {Qt::Key_Control, 0x11}, {Qt::Key_Alt, 0x12},    {Qt::Key_Pause, 0x13},
    {Qt::Key_Escape, 0x1B},    {Qt::Key_Space, 0x20},   {Qt::Key_PageUp, 0x21}, {Qt::Key_PageDown, 0x22},
    {Qt::Key_End, 0x23},       {Qt::Key_Home, 0x24},    {Qt::Key_Left, 0x25},   {Qt::Key_Up, 0x26},
    {Qt::Key_Right, 0x27},     {Qt::Key_Down, 0x28},    {Qt::Key_Insert, 0x2D}, {Qt::Key_Delete, 0x2E},
    {Qt::Key_Plus, 0xBB},      {Qt::Key_Comma, 0xBC},   {Qt::Key_Minus, 0xBD},  {Qt::Key_Period, 0xBE},
};

}  // namespace

int KeyCodeOf(int qt_key, Qt::KeyboardModifiers modifiers) {
    int vk = 0;
    if (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) {
        vk = 'A' + (qt_key - Qt::Key_A);
    } else if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) {
        vk = '0' + (qt_key - Qt::Key_0);
    } else if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24) {
        vk = 0x70 + (qt_key - Qt::Key_F1);
    } else if (qt_key == Qt::Key_Backtab) {
        vk = 0x09;
        modifiers |= Qt::ShiftModifier;
    } else {
        for (const KeyPair& k : kKeys) {
            if (k.qt == qt_key) vk = k.vk;
        }
    }
    if (vk == 0) return 0;
    if (modifiers & Qt::ShiftModifier) vk |= ui::Key::Shift;
    if (modifiers & Qt::ControlModifier) vk |= ui::Key::Ctrl;
    if (modifiers & Qt::AltModifier) vk |= ui::Key::Alt;
    return vk;
}

int KeyCodeOf(const QKeyEvent& event) { return KeyCodeOf(event.key(), event.modifiers()); }

bool QtKeyOf(int keycode, Qt::Key& key, Qt::KeyboardModifiers& modifiers) {
    modifiers = Qt::NoModifier;
    if (keycode & ui::Key::Shift) modifiers |= Qt::ShiftModifier;
    if (keycode & ui::Key::Ctrl) modifiers |= Qt::ControlModifier;
    if (keycode & ui::Key::Alt) modifiers |= Qt::AltModifier;
    int vk = keycode & 0xFF;
    if (vk >= 'A' && vk <= 'Z') {
        key = static_cast<Qt::Key>(Qt::Key_A + (vk - 'A'));
    } else if (vk >= '0' && vk <= '9') {
        key = static_cast<Qt::Key>(Qt::Key_0 + (vk - '0'));
    } else if (vk >= 0x70 && vk <= 0x87) {
        key = static_cast<Qt::Key>(Qt::Key_F1 + (vk - 0x70));
    } else {
        bool found = false;
        for (const KeyPair& k : kKeys) {
            if (k.vk == vk && k.qt != Qt::Key_Enter) {
                key = static_cast<Qt::Key>(k.qt);
                found = true;
                break;
            }
        }
        if (!found) return false;
    }
    if (key == Qt::Key_Tab && (modifiers & Qt::ShiftModifier)) key = Qt::Key_Backtab;
    return true;
}

QString KeyText(int keycode) {
    if (keycode & (ui::Key::Ctrl | ui::Key::Alt)) return {};
    int vk = keycode & 0xFF;
    if (vk >= 'A' && vk <= 'Z') {
        QChar c(vk);
        return (keycode & ui::Key::Shift) ? QString(c) : QString(c.toLower());
    }
    if ((vk >= '0' && vk <= '9' && !(keycode & ui::Key::Shift)) || vk == ' ') return QString(QChar(vk));
    return {};
}

}  // namespace rt::qt
