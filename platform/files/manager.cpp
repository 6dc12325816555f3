#include "platform/files/manager.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/core/text.h"

namespace rt {

FileManager::FileManager() = default;
FileManager::~FileManager() = default;

void FileManager::Setup() {
    LAZYOPEN = 1;
    OPENED = 0;
    pending_ = false;
    owns_open_ = false;
    has_original_ = false;
}

void FileManager::Teardown() {
    if (owns_open_ && FILE && FILE->IsOpen()) FILE->Close();
    owns_open_ = false;
    pending_ = false;
    OPENED = 0;
    INITIALIZED = 0;
    has_original_ = false;
    copies_.clear();
    keys_.clear();
}

int FileManager::UseTable(int kind) {
    if (!INITIALIZED) {
        if (!FILE || !ERRORS) return Level::Fatal;  // neither Init nor a derived set-up ran
        if (!BUFFER) BUFFER = FILE->buffer();
        INITIALIZED = 1;
        INUSEFILE = 0;
    }
    if (kind != kUseOpen) return Level::Benign;
    if (OPENED > 0) return ready(true);
    // Not opened by anyone on this thread: the use opens it, and it stays open until the
    // object's tear-down unless a matching Close comes first.
    OPENED = 1;
    pending_ = true;
    const int l = ready(true);
    if (l != Level::Benign) {
        OPENED = 0;
        pending_ = false;
    }
    return l;
}

int FileManager::CheckField(int, bool) { return Level::Benign; }

void FileManager::Init(File& file, ErrorManager& errors) {
    FILE = &file;
    ERRORS = &errors;
    if (!BUFFER) BUFFER = file.buffer();
    if (FILENAMEVALUE.empty()) FILENAMEVALUE = file.Label();
    keys_.clear();
}

void FileManager::AddKey(std::string_view name) {
    const int k = FILE ? FILE->KeyIndex(name) : -1;
    if (k < 0) {
        std::fprintf(stderr, "table %s has no key %.*s\n", GetName().c_str(), static_cast<int>(name.size()),
                     name.data());
        std::abort();
    }
    keys_.push_back(k);
}

std::string FileManager::GetName() const { return FILENAME ? clip(FILENAME()) : FILENAMEVALUE; }

bool FileManager::IsReallyOpen() const { return OPENED > 0 && !pending_ && FILE && FILE->IsOpen(); }

int FileManager::ReportError(Msg message, bool report) {
    const int code = ErrorCode();
    const MsgKind kind = ErrorManager::Entry(message).kind;
    const int level = kind == MsgKind::Fatal ? Level::Fatal : Level::User;
    if (!report || !ERRORS) return level;
    ERRORS->SetFile(GetName());
    ERRORS->SetKey(ErrorKey());
    if (code == kDriverError)
        ERRORS->SetErrors(FileErrorCode(), FileError());
    else
        ERRORS->SetErrors(std::to_string(code), Error());
    const int shown = ERRORS->RaiseMessage(message);
    return shown != Level::Benign ? shown : level;
}

int FileManager::open_now(bool report) {
    if (FILE->IsOpen()) {
        // Opened directly by the procedure: use it, and leave its closing to whoever opened it.
        pending_ = false;
        return Level::Benign;
    }
    int rc = FILE->Open(OPENMODE);
    if (rc == kFileNotFound && CREATE) {
        if (FILE->Create() != kNoError) return ReportError(Msg::FileCreateError, report);
        rc = FILE->Open(OPENMODE);
    }
    if (rc != kNoError)
        return ReportError(rc == kFileNotFound ? Msg::FileNotFound : Msg::FileOpenError, report);
    pending_ = false;
    owns_open_ = true;
    return Level::Benign;
}

int FileManager::ready(bool report) {
    if (!INITIALIZED)
        if (int l = UseTable(kUseInitialise)) return l;
    if (pending_) return open_now(report);
    return Level::Benign;
}

int FileManager::open_counted(bool report) {
    if (int l = UseTable(kUseInitialise)) return l;
    if (OPENED > 0) {
        ++OPENED;
        return Level::Benign;
    }
    pending_ = true;
    if (!LAZYOPEN) {
        if (int l = open_now(report)) {
            pending_ = false;
            return l;
        }
    }
    OPENED = 1;
    return Level::Benign;
}

int FileManager::Open() { return open_counted(true); }
int FileManager::TryOpen() { return open_counted(false); }

int FileManager::Close() {
    if (OPENED == 0) return Level::Benign;
    if (--OPENED > 0) return Level::Benign;
    pending_ = false;
    has_original_ = false;
    if (owns_open_ && FILE->IsOpen()) FILE->Close();
    owns_open_ = false;
    return Level::Benign;
}

void FileManager::KeepOriginal() {
    original_.assign(Bytes(), Bytes() + RecordSize());
    has_original_ = true;
}

int FileManager::read(bool forward, bool report) {
    if (int l = ready(report)) return l;
    const int rc = forward ? FILE->Next() : FILE->Previous();
    if (rc == kNoError) {
        KeepOriginal();
        return Level::Benign;
    }
    if (rc == kRecordNotAvailable) return Level::User;
    return ReportError(Msg::RetrievalError, report);
}

int FileManager::Next() { return read(true, true); }
int FileManager::TryNext() { return read(true, false); }
int FileManager::Previous() { return read(false, true); }

int FileManager::get(int key, bool report) {
    if (int l = ready(report)) return l;
    if (key < 0 || key >= static_cast<int>(Layout().keys.size())) {
        SetDriverError(GetName(), "", "no key number " + std::to_string(key));
        return ReportError(Msg::RetrievalError, report);
    }
    const int rc = FILE->Get(key);
    if (rc == kNoError) {
        KeepOriginal();
        return Level::Benign;
    }
    return ReportError(rc == kRecordNotFound ? Msg::RecordNotFound : Msg::RetrievalError, report);
}

int FileManager::GetByKey(int key) { return get(key, true); }
int FileManager::GetByKeyQuiet(int key) { return get(key, false); }

int FileManager::Fetch(int key) {
    const int l = get(key, false);
    if (l != Level::Benign) FILE->Clear();
    return l;
}

int FileManager::write(bool insert, bool report) {
    last_write_ = kNoError;
    if (int l = ready(report)) return l;
    if (int l = ValidateRecord(report)) return l;
    const int rc = insert ? FILE->Add() : FILE->Put();
    last_write_ = rc;
    if (rc == kNoError) {
        KeepOriginal();
        return Level::Benign;
    }
    Msg m = insert ? Msg::InsertError : Msg::UpdateError;
    if (rc == kDuplicateKey) m = insert ? Msg::DuplicateKeyAdd : Msg::DuplicateKeyChange;
    if (rc == kRecordChanged && !insert) m = Msg::RecordChangedByAnother;
    return ReportError(m, report);
}

int FileManager::Insert() { return write(true, true); }
int FileManager::TryInsert() { return write(true, false); }
int FileManager::Update() { return write(false, true); }

int FileManager::Delete() {
    if (int l = ready(true)) return l;
    if (FILE->Delete() != kNoError) return ReportError(Msg::DeleteError, true);
    has_original_ = false;
    return Level::Benign;
}

int FileManager::ValidateFields(int first, int last, bool report) {
    for (int f = first; f <= last; ++f)
        if (int l = CheckField(f, report)) return l;
    return Level::Benign;
}

int FileManager::ValidateRecord(bool report) {
    return ValidateFields(1, static_cast<int>(Layout().fields.size()), report);
}

int FileManager::PrimeRecord(bool suppress_clear) {
    if (!suppress_clear) FILE->Clear();
    has_original_ = false;
    return Level::Benign;
}

std::uint16_t FileManager::SaveRecordCopy() {
    if (copies_.size() >= 0xFFFF) return 0;
    std::uint16_t id = last_copy_;
    do { ++id; } while (id == 0 || copies_.count(id));
    last_copy_ = id;
    Copy& c = copies_[id];
    c.record.assign(Bytes(), Bytes() + RecordSize());
    c.original = original_;
    c.has_original = has_original_;
    return id;
}

void FileManager::RestoreRecordCopy(std::uint16_t id) {
    auto it = copies_.find(id);
    if (it == copies_.end()) return;
    std::memcpy(Bytes(), it->second.record.data(), RecordSize());
    original_ = std::move(it->second.original);
    has_original_ = it->second.has_original;
    copies_.erase(it);
}

void FileManager::ReleaseRecordCopy(std::uint16_t id) { copies_.erase(id); }

bool FileManager::EqualBuffer(std::uint16_t id) const {
    auto it = copies_.find(id);
    return it != copies_.end() && std::memcmp(Bytes(), it->second.record.data(), RecordSize()) == 0;
}

}  // namespace rt
