// The payment order form's background, drawn by the program: the order "Nalog za uplatu"
// on the left and the receipt "Izveštaj o uplati" on the right, with their boxes and
// captions, as a vector drawing of 188 x 81 millimetres.
#pragma once

#include <string>

#include "platform/report/resource.h"

namespace kvadrin {

inline constexpr double kPaymentFormWidth = 188;
inline constexpr double kPaymentFormHeight = 81;

// The image control of the background at x, y (188 x 81) within its band.
rt::report::Control PaymentFormBackground(std::string label, double x, double y);

}  // namespace kvadrin
