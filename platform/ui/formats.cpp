#include "platform/ui/formats.h"

#include <algorithm>

#include "platform/core/text.h"
#include "platform/ui/sortheader.h"
#include "platform/ui/window.h"

namespace rt::ui {

namespace {

const char* const kSaveItem = "Sa\xe8uvaj izgled liste";  // CP1250
const char* const kDefaultItem = "Podrazumevani izgled liste";

Binding field(File& f, const char* name) {
    const FieldDef* d = f.layout().field(name);
    return d ? Binding::OfField(*d, f.buffer()) : Binding{};
}

}  // namespace

FormatManager::~FormatManager() {
    if (opened_) file_->Close();
}

bool FormatManager::open() {
    if (opened_) return true;
    if (file_->Open() != 0) {
        if (file_->Create() != 0 || file_->Open() != 0) return false;
    }
    opened_ = true;
    return true;
}

void FormatManager::Setup(std::string_view procedure, std::string_view application, Window& window, int list,
                          int columns) {
    procedure_ = procedure;
    application_ = application;
    window_ = &window;
    list_ = list;
    columns_ = columns;
    default_ = window.Control(list) ? window.Control(list)->format : std::string();
    std::string now = window.GetText(list, Prop::Format);
    applied_ = now.empty() ? default_ : now;
    name_.clear();
    id_ = 0;
    open();
}

void FormatManager::SetOptions(int, int, int, std::string_view ini) { ini_ = ini; }

void FormatManager::SetupSortHeader(SortHeader& header, BrowseManager& browse) {
    header_ = &header;
    header.Init(*window_, list_, browse);
}

std::string FormatManager::layout() const {
    std::string now = window_ ? window_->GetText(list_, Prop::Format) : std::string();
    return now.empty() ? default_ : now;
}

void FormatManager::apply(const std::string& format) {
    if (!window_) return;
    window_->SetText(list_, Prop::Format, format);
    applied_ = format;
    if (header_) header_->ReadColumns();
}

void FormatManager::key_fields(int id) const {
    file_->Clear();
    field(*file_, "CFG:APPNAME").set_text(application_);
    field(*file_, "CFG:PROCID").set_text(procedure_);
    field(*file_, "CFG:USERID").set_number(0);
    field(*file_, "CFG:CTRLID").set_number(list_);
    field(*file_, "CFG:FORMATID").set_number(id);
}

bool FormatManager::read(int id) {
    if (!opened_ && !open()) return false;
    key_fields(id);
    return file_->Get(0) == 0;
}

bool FormatManager::write(int id, std::string_view name, std::string_view format) {
    if (format.size() > 5120) return false;  // never a cut layout
    if (!opened_ && !open()) return false;
    // Workstations share the file: another one may store the same format between the read
    // and the write (the row then is no longer as read, or it was added meanwhile). The
    // row is read again and the write tried again; the last layout saved stays.
    constexpr int kAttempts = 20;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const bool exists = read(id);
        if (!exists) key_fields(id);
        field(*file_, "CFG:FORMATNAME").set_text(name);
        field(*file_, "CFG:FLAG").set_number(1);
        field(*file_, "CFG:FORMAT").set_text(format);
        const int rc = exists ? file_->Put() : file_->Add();
        if (rc == 0) return true;
        if (rc != kRecordChanged && rc != kDuplicateKey && rc != kRecordNotFound) return false;
    }
    return false;
}

bool FormatManager::SaveCurrent() {
    if (!window_ || !id_) return false;
    std::string now = layout();
    if (!write(id_, name_, now)) return false;
    applied_ = now;
    return true;
}

void FormatManager::RestoreDefault() { apply(default_); }

bool FormatManager::SetFormat(std::string_view name, int id) {
    if (!window_) return false;
    if (id_ && SAVEFORMAT && layout() != applied_) SaveCurrent();
    name_ = name;
    id_ = id;
    if (read(id)) {
        apply(field(*file_, "CFG:FORMAT").text());
        return true;
    }
    apply(default_);
    return false;
}

std::vector<std::pair<std::string, int>> FormatManager::Stored() const {
    std::vector<std::pair<std::string, int>> out;
    if (!opened_) return out;
    key_fields(0);
    if (file_->SetFrom(0) != 0) return out;
    while (file_->Next() == 0) {
        if (rt::upper(field(*file_, "CFG:APPNAME").text()) != rt::upper(application_) ||
            rt::upper(field(*file_, "CFG:PROCID").text()) != rt::upper(procedure_) ||
            field(*file_, "CFG:USERID").number() != 0 || field(*file_, "CFG:CTRLID").number() != list_)
            break;
        out.emplace_back(field(*file_, "CFG:FORMATNAME").text(),
                         static_cast<int>(field(*file_, "CFG:FORMATID").number()));
    }
    return out;
}

std::string FormatManager::StoredLayout(int id) const {
    auto* self = const_cast<FormatManager*>(this);
    return self->read(id) ? field(*file_, "CFG:FORMAT").text() : std::string();
}

std::string FormatManager::MakePopupMenu() const {
    std::string menu = std::string(kSaveItem) + "|" + kDefaultItem;
    auto stored = Stored();
    if (!stored.empty()) menu += "|-";
    for (const auto& [name, id] : stored) menu += "|" + (name.empty() ? std::to_string(id) : name);
    return menu;
}

bool FormatManager::OnPopupChoice(int choice) {
    int k = choice - menu_first_;
    if (k < 0) return false;
    if (k == 0) {
        SaveCurrent();
        return false;
    }
    if (k == 1) {
        RestoreDefault();
        return true;
    }
    auto stored = Stored();
    if (k - 2 >= static_cast<int>(stored.size())) return false;
    std::string format = StoredLayout(stored[k - 2].second);
    if (format.empty()) return false;
    apply(format);
    return true;
}

void FormatManager::Teardown(int) {
    if (window_ && id_ && SAVEFORMAT && layout() != applied_) SaveCurrent();
    if (opened_) file_->Close();
    opened_ = false;
    window_ = nullptr;
    header_ = nullptr;
}

}  // namespace rt::ui
