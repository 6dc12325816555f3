// Key codes of the window runtime (virtual-key code + 100h Shift, 200h Ctrl, 400h Alt)
// for Qt key events, and back.
#pragma once

#include <QString>
#include <Qt>

class QKeyEvent;

namespace rt::qt {

// The key code of a key press; 0 for keys without one.
int KeyCodeOf(int qt_key, Qt::KeyboardModifiers modifiers);
int KeyCodeOf(const QKeyEvent& event);

// The Qt key and modifiers that type a key code; false for codes without a key.
bool QtKeyOf(int keycode, Qt::Key& key, Qt::KeyboardModifiers& modifiers);

// The text a key code types: a letter, digit or blank (upper case with Shift); none for
// other keys and with Ctrl or Alt.
QString KeyText(int keycode);

}  // namespace rt::qt
