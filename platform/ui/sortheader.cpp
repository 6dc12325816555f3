#include "platform/ui/sortheader.h"

#include "platform/ui/browse.h"
#include "platform/ui/events.h"
#include "platform/ui/window.h"

namespace rt::ui {

void SortHeader::Init(Window& window, int list, BrowseManager& browse) {
    window_ = &window;
    list_ = list;
    browse_ = &browse;
    column_ = 0;
    descending_ = false;
    ReadColumns();
}

void SortHeader::ReadColumns() {
    if (!window_) return;
    std::string format = window_->GetText(list_, Prop::Format);
    if (format.empty() && window_->Control(list_)) format = window_->Control(list_)->format;
    columns_ = static_cast<int>(ParseListFormat(format).size());
    if (column_ > columns_) column_ = 0;
}

int SortHeader::OnEvent() {
    if (!window_ || window_->event() != Event::HeaderPressed || window_->field() != list_) return 0;
    Click(window_->column());
    return 1;
}

void SortHeader::Click(int column) {
    if (!browse_ || column < 1 || browse_->ColumnField(column).empty()) return;
    if (column == column_) {
        descending_ = !descending_;
    } else {
        column_ = column;
        descending_ = false;
    }
    ApplyOrder(MakeOrderText());
}

std::string SortHeader::MakeOrderText() const {
    if (!browse_ || column_ < 1) return {};
    std::string field = browse_->ColumnField(column_);
    if (field.empty()) return {};
    std::string sign = descending_ ? "-" : "+";
    return browse_->ColumnIsText(column_) ? sign + "UPPER(" + field + ")" : sign + field;
}

void SortHeader::ApplyOrder(const std::string&) {}

void SortHeader::BuildOrder() { ApplyOrder(MakeOrderText()); }

void SortHeader::Reset() {
    column_ = 0;
    descending_ = false;
    ApplyOrder({});
}

void SortHeader::Restore() {
    column_ = 0;
    descending_ = false;
}

void SortHeader::Teardown() {
    window_ = nullptr;
    browse_ = nullptr;
}

}  // namespace rt::ui
