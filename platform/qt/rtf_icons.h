// The drawn icons of the rich-text tool bar, by the file names the window resources give
// them ("RTFBOLD.ICO", ...); the program's icon drawings include them.
#pragma once

#include <QPainter>
#include <functional>
#include <map>
#include <string>

namespace rt::qt {

// Each drawing paints into a 32 x 32 square.
const std::map<std::string, std::function<void(QPainter&)>>& RichTextToolDrawings();

}  // namespace rt::qt
