#include "platform/core/errors.h"

#include <atomic>
#include <cstdio>
#include <unordered_map>

#include "platform/core/text.h"

namespace rt {

namespace {

constexpr MessageEntry kTable[] = {
    {Msg::FileNotFound, MsgKind::Fatal, "File Access Error",
     "The file %File could not be found. Error: %ErrorText (%ErrorCode)."},
    {Msg::FileOpenError, MsgKind::Fatal, "File Access Error",
     "The file %File could not be opened. Error: %Error."},
    {Msg::FileCreateError, MsgKind::Fatal, "File Creation Error",
     "The file %File could not be created. Error: %ErrorText (%ErrorCode)."},
    {Msg::RecordNotFound, MsgKind::User, "Record Not Found", "The record was not found in the file %File."},
    {Msg::RetrievalError, MsgKind::Fatal, "Record Retrieval Error",
     "A record could not be read from the file %File. Error: %ErrorText (%ErrorCode)."},
    {Msg::DuplicateKeyAdd, MsgKind::User, "Duplicate Key Error",
     "Adding this record creates a duplicate entry for the key %Key in the file %File."},
    {Msg::DuplicateKeyChange, MsgKind::User, "Duplicate Key Error",
     "Changing this record creates a duplicate entry for the key %Key in the file %File."},
    {Msg::RecordChangedByAnother, MsgKind::User, "Record Changed by Another Station",
     "This record in the file %File has been changed by another station. Your changes have "
     "not been saved."},
    {Msg::InsertError, MsgKind::User, "Record Insert Error",
     "The record could not be added to the file %File. Error: %ErrorText (%ErrorCode)."},
    {Msg::UpdateError, MsgKind::User, "Record Update Error",
     "The record could not be changed in the file %File. Error: %ErrorText (%ErrorCode)."},
    {Msg::DeleteError, MsgKind::User, "Record Delete Error",
     "The record could not be deleted from the file %File. Error: %ErrorText (%ErrorCode)."},
    {Msg::FieldRequired, MsgKind::User, "Field contents error", "A value for %Field is required."},
    {Msg::FieldOutOfRange, MsgKind::User, "Field contents error",
     "The value of %Field must be in the range %Message."},
    {Msg::FieldNotInList, MsgKind::User, "Field contents error",
     "The value of %Field must be one of %Message."},
    {Msg::FieldNotInFile, MsgKind::User, "Field contents error",
     "The value of %Field must be found in the %Message file."},
    {Msg::RestrictUpdate, MsgKind::Notify, "Referential Integrity Update Error",
     "This record is referenced from the file %File. Linking field(s) have been restricted "
     "from change and have been reset to original values."},
    {Msg::RestrictDelete, MsgKind::User, "Referential Integrity Delete Error",
     "This record is referenced from the file %File. This record cannot be deleted while "
     "these references exist."},
    {Msg::ProcedureNotDefined, MsgKind::Notify, "Procedure not defined",
     "The Procedure %Message has not been defined."},
    {Msg::ConfirmDelete, MsgKind::Question, "Confirm Delete",
     "Are you sure you want to delete the highlighted record?"},
    {Msg::ConfirmCancel, MsgKind::Question, "Changes will be lost!", "Are you sure you want to cancel?"},
};

struct ThreadTexts {
    std::string field, file, key, error_code, error_text;
};

// Working texts of the calling thread, per error manager; they end with the thread.
ThreadTexts& texts_of(std::uint64_t id) {
    thread_local std::unordered_map<std::uint64_t, ThreadTexts> texts;
    return texts[id];
}

std::atomic<std::uint64_t> next_id{1};

std::mutex shower_mutex;
MessageShower& shower_slot() {
    static MessageShower shower;
    return shower;
}

int show_on_stderr(const ShownMessage& m) {
    std::fprintf(stderr, "%s: %s\n", m.title.c_str(), m.text.c_str());
    return m.default_button;
}

}  // namespace

ErrorManager::ErrorManager() : id_(next_id++) {}
ErrorManager::~ErrorManager() = default;

void ErrorManager::Init() {
    {
        std::lock_guard guard(procedures_mutex_);
        procedures_.clear();
    }
    texts_of(id_) = ThreadTexts{};
}

void ErrorManager::SetFieldLabel(std::string_view label) { texts_of(id_).field = clip(label); }
void ErrorManager::SetFile(std::string_view file_name) { texts_of(id_).file = clip(file_name); }
void ErrorManager::SetKey(std::string_view key_name) { texts_of(id_).key = clip(key_name); }

void ErrorManager::SetErrors(std::string_view code, std::string_view text) {
    ThreadTexts& t = texts_of(id_);
    t.error_code = clip(code);
    t.error_text = clip(text);
}

std::span<const MessageEntry> ErrorManager::Table() { return kTable; }

MessageEntry ErrorManager::Entry(Msg n) {
    for (const MessageEntry& e : kTable)
        if (e.number == n) return e;
    return {n, MsgKind::User, "Unknown Error", "An error without a message of its own occurred. %Message"};
}

std::string ErrorManager::Format(std::string_view s, std::string_view message_text) const {
    const ThreadTexts& t = texts_of(id_);
    std::string error = t.error_text;
    if (!t.error_code.empty()) error += (error.empty() ? "(" : " (") + t.error_code + ")";
    const std::string procedure = CurrentProcedure();
    const std::string message = clip(message_text);
    // Longer names first, so that %Error does not take the start of %ErrorCode.
    const std::pair<std::string_view, const std::string*> names[] = {
        {"%ErrorCode", &t.error_code},
        {"%ErrorText", &t.error_text},
        {"%Error", &error},
        {"%Procedure", &procedure},
        {"%Message", &message},
        {"%Field", &t.field},
        {"%File", &t.file},
        {"%Key", &t.key},
    };
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        bool replaced = false;
        if (s[i] == '%') {
            for (const auto& [name, value] : names) {
                if (s.substr(i, name.size()) == name) {
                    out += *value;
                    i += name.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) out += s[i++];
    }
    return out;
}

std::string ErrorManager::Title(Msg n, std::string_view message_text) const {
    return Format(Entry(n).title, message_text);
}

std::string ErrorManager::Message(Msg n, std::string_view message_text) const {
    return Format(Entry(n).text, message_text);
}

int ErrorManager::RaiseMessage(Msg n, std::string_view message_text) {
    const MessageEntry e = Entry(n);
    ShownMessage m{n, e.kind, Format(e.title, message_text), Format(e.text, message_text),
                   e.kind == MsgKind::Question ? "Yes|No" : "OK",
                   // A question defaults to No: Enter alone never deletes or discards.
                   e.kind == MsgKind::Question ? 2 : 1};
    MessageShower shower;
    {
        std::lock_guard guard(shower_mutex);
        shower = shower_slot();
    }
    const int answer = shower ? shower(m) : show_on_stderr(m);
    switch (e.kind) {
        case MsgKind::Notify:
        case MsgKind::Benign: return Level::Benign;
        case MsgKind::User: return Level::User;
        case MsgKind::Fatal: return Level::Fatal;
        case MsgKind::Question: return answer == 1 ? Level::Benign : Level::Cancel;
    }
    return Level::User;
}

void ErrorManager::PushProcedureName(std::string_view name) {
    std::lock_guard guard(procedures_mutex_);
    procedures_.emplace_back(clip(name), std::this_thread::get_id());
}

void ErrorManager::PushProcedureName() {
    const auto self = std::this_thread::get_id();
    std::lock_guard guard(procedures_mutex_);
    for (auto it = procedures_.rbegin(); it != procedures_.rend(); ++it) {
        if (it->second == self) {
            procedures_.erase(std::next(it).base());
            return;
        }
    }
}

std::string ErrorManager::CurrentProcedure() const {
    const auto self = std::this_thread::get_id();
    std::lock_guard guard(procedures_mutex_);
    for (auto it = procedures_.rbegin(); it != procedures_.rend(); ++it)
        if (it->second == self) return it->first;
    return {};
}

void ErrorManager::SetShower(MessageShower shower) {
    std::lock_guard guard(shower_mutex);
    shower_slot() = std::move(shower);
}

}  // namespace rt
