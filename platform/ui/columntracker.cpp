#include "platform/ui/columntracker.h"

#include <algorithm>

#include "platform/ui/browse.h"
#include "platform/ui/events.h"
#include "platform/ui/window.h"

namespace rt::ui {

void ColumnTracker::Setup(Window& window) {
    window_ = &window;
    lists_.clear();
    INITIALIZED = 1;
}

void ColumnTracker::AddControl(int list, bool alert) {
    if (!window_) return;
    lists_.push_back(list);
    if (alert) window_->Alert(list, Key::MouseLeft2);
}

int ColumnTracker::OnEvent() {
    if (!window_ || window_->event() != Event::AlertKey || window_->keycode() != Key::MouseLeft2) return 0;
    const int list = window_->field();
    if (std::find(lists_.begin(), lists_.end(), list) == lists_.end()) return 0;
    SizeColumn(list, window_->column());
    return 1;
}

bool ColumnTracker::SizeColumn(int list, int column) {
    if (!window_) return false;
    std::string format = window_->GetText(list, Prop::Format);
    if (format.empty() && window_->Control(list)) format = window_->Control(list)->format;
    auto cols = ParseListFormat(format);
    if (column < 1 || column > static_cast<int>(cols.size())) return false;
    std::size_t widest = cols[column - 1].heading.size();
    for (const auto& row : window_->Rows(list))
        if (column <= static_cast<int>(row.size())) widest = std::max(widest, row[column - 1].size());
    const int width = static_cast<int>(widest) * 4 + 8;  // the text and the cell's margins
    QUEUEAUTOSIZELISTBOX = list;
    if (width == cols[column - 1].width) return false;
    window_->SetText(list, Prop::Format, WithColumnWidth(format, column, width));
    return true;
}

void ColumnTracker::Teardown() {
    lists_.clear();
    window_ = nullptr;
    INITIALIZED = 0;
}

}  // namespace rt::ui
