#include "platform/ui/step.h"

#include <cstdlib>

#include "platform/core/text.h"

namespace rt::ui {

void ScrollStep::SetLimits(std::string_view first, std::string_view last) {
    low_ = Weight(first);
    high_ = Weight(last);
}

int ScrollStep::Percent(std::string_view value) const {
    if (high_ <= low_) return 0;
    double p = (Weight(value) - low_) * 100.0 / (high_ - low_);
    if (p < 0) p = 0;
    if (p > 100) p = 100;
    return static_cast<int>(p + 0.5);
}

double ScrollStep::Weight(std::string_view value) const {
    return std::strtod(std::string(value).c_str(), nullptr);
}

double ScrollStepText::Weight(std::string_view value) const {
    std::string s = flags_ & 1 ? rt::upper(value) : std::string(value);
    double w = 0, unit = 1;
    for (int i = 0; i < depth_; ++i) {
        unit /= 256.0;
        unsigned char c = i < static_cast<int>(s.size()) ? static_cast<unsigned char>(s[i]) : 0;
        w += c * unit;
    }
    return w;
}

}  // namespace rt::ui
