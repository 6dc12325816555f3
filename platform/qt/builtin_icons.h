// Pictures drawn by the program for the icon and image files that window resources name
// but that are not installed beside it: the browse toolbar's navigation and record buttons,
// the lookup and tools buttons, the frame's icon and the decorations of the login and the
// splash. A file that exists always wins; a name without a drawing gives a null result.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <string_view>

namespace rt::qt {

// The drawn icon of a file name (case and folder ignored), or a null icon.
QIcon BuiltinIcon(std::string_view file);

// The drawn picture of an image control's file at the given size, or a null pixmap.
QPixmap BuiltinImage(std::string_view file, QSize size);

// True when the name has a drawing.
bool HasBuiltinIcon(std::string_view file);

}  // namespace rt::qt
