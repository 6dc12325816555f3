// Scroll steps: where a row stands within the browse's whole order, for the list's scroll
// thumb. A step learns the key values of the first and the last row of the order and
// places any row's key value between them (0 to 100).
#pragma once

#include <string>
#include <string_view>

namespace rt::ui {

class ScrollStep {
public:
    virtual ~ScrollStep() = default;
    // Numeric keys: the values of the order's first and last rows.
    virtual void SetLimits(std::string_view first, std::string_view last);
    // 0 to 100: where a row with this key value stands.
    virtual int Percent(std::string_view value) const;

protected:
    virtual double Weight(std::string_view value) const;
    double low_ = 0, high_ = 0;
};

// Text keys, placed by their first `depth` letters without case. `flags` 1 folds case.
class ScrollStepText : public ScrollStep {
public:
    explicit ScrollStepText(int flags = 1, int depth = 3) : flags_(flags), depth_(depth < 1 ? 1 : depth) {}

protected:
    double Weight(std::string_view value) const override;

private:
    int flags_;
    int depth_;
};

}  // namespace rt::ui
