#include "platform/files/file.h"

#include <map>
#include <mutex>

#include "platform/core/text.h"
#include "platform/files/drivers.h"
#include "platform/files/record.h"

namespace rt {
namespace {

struct ErrorState {
    int code = 0;
    std::string file, key, driver_code, driver_text;
};
thread_local ErrorState t_error;

std::mutex& registry_mutex() {
    static std::mutex m;
    return m;
}
std::map<Driver, DriverFactory>& registry() {
    static std::map<Driver, DriverFactory> r;
    return r;
}

}  // namespace

int ErrorCode() { return t_error.code; }
std::string ErrorFile() { return t_error.file; }
std::string ErrorKey() { return t_error.key; }
std::string FileErrorCode() { return t_error.code == kDriverError ? t_error.driver_code : std::string(); }
std::string FileError() { return t_error.code == kDriverError ? t_error.driver_text : std::string(); }

std::string Error() {
    switch (t_error.code) {
        case kNoError: return "No error";
        case kFileNotFound: return "File Not Found";
        case kPathNotFound: return "Path Not Found";
        case kAccessDenied: return "Access Denied";
        case kRecordNotAvailable: return "Record Not Available";
        case kRecordNotFound: return "Record Not Found";
        case kInvalidDataFile: return "Invalid Data File";
        case kFileNotOpen: return "File Not Open";
        case kDuplicateKey: return "Creates Duplicate Key";
        case kInvalidRecord: return "Invalid Record Declaration";
        case kFileAlreadyOpen: return "File Already Open";
        case kRecordChanged: return "Record Changed By Another Station";
        case kDriverError: return "File System Driver Error";
        default: return "Error " + std::to_string(t_error.code);
    }
}

void SetError(int code, std::string_view file, std::string_view key) {
    t_error.code = code;
    t_error.file = file;
    t_error.key = key;
    t_error.driver_code.clear();
    t_error.driver_text.clear();
}

void SetDriverError(std::string_view file, std::string_view driver_code, std::string_view driver_text) {
    t_error.code = kDriverError;
    t_error.file = file;
    t_error.key.clear();
    t_error.driver_code = driver_code;
    t_error.driver_text = driver_text;
}

void ClearError() { SetError(kNoError); }

void RegisterDriver(Driver kind, DriverFactory factory) {
    std::lock_guard lock(registry_mutex());
    registry()[kind] = std::move(factory);
}

File::File(const TableDef& def, void* buffer) : def_(&def), buffer_(buffer) {}

File::~File() {
    if (open_ && driver_) driver_->close();
}

void File::BindName(std::function<std::string()> name) { name_fn_ = std::move(name); }
void File::BindOwner(std::function<std::string()> owner) { owner_fn_ = std::move(owner); }

std::string File::Name() const { return clip(name_fn_ ? name_fn_() : def_->name); }
std::string File::Owner() const { return clip(owner_fn_ ? owner_fn_() : def_->owner); }

std::string File::Label() const {
    std::string n = Name();
    // A file name: the bare name without folder and extension.
    auto slash = n.find_last_of("\\/");
    if (slash != std::string::npos) n = n.substr(slash + 1);
    if (def_->driver != Driver::Sql) {
        auto dot = n.rfind('.');
        if (dot != std::string::npos && dot > 0) n = n.substr(0, dot);
    }
    return n;
}

int File::need_open() {
    if (!open_) {
        SetError(kFileNotOpen, Label());
        return kFileNotOpen;
    }
    return kNoError;
}

namespace {
std::unique_ptr<FileDriver> make_driver(File& f) {
    DriverFactory factory;
    {
        std::lock_guard lock(registry_mutex());
        auto it = registry().find(f.def().driver);
        if (it != registry().end()) factory = it->second;
    }
    if (factory) return factory(f);
    switch (f.def().driver) {
        case Driver::Sql: return MakeSqlDriver(f);
        case Driver::Flat: return MakeFlatDriver(f);
        case Driver::Keyed: return MakeKeyedDriver(f);
    }
    return nullptr;
}
}  // namespace

#define KV_ENSURE_DRIVER()                                                     \
    do {                                                                       \
        if (!driver_) driver_ = make_driver(*this);                            \
        if (!driver_) {                                                        \
            SetDriverError(Label(), "", "no driver for this kind of storage"); \
            return kDriverError;                                               \
        }                                                                      \
    } while (0)

int File::Open(unsigned mode) {
    if (open_) {
        SetError(kFileAlreadyOpen, Label());
        return kFileAlreadyOpen;
    }
    KV_ENSURE_DRIVER();
    int rc = driver_->open(mode);
    if (rc == kNoError) {
        open_ = true;
        mode_ = mode;
        ClearError();
    }
    return rc;
}

int File::Close() {
    if (!open_) {
        SetError(kFileNotOpen, Label());
        return kFileNotOpen;
    }
    open_ = false;
    return driver_->close();
}

int File::Create() {
    KV_ENSURE_DRIVER();
    return driver_->create();
}

int File::Remove() {
    if (open_) {
        driver_->close();
        open_ = false;
    }
    KV_ENSURE_DRIVER();
    return driver_->remove();
}

int File::KeyIndex(std::string_view name) const { return def_->layout.key_index(name); }

#define KV_OPEN_OP(call)                     \
    do {                                     \
        if (int rc = need_open()) return rc; \
        return driver_->call;                \
    } while (0)

int File::Set(int key) { KV_OPEN_OP(set_key(key, false)); }
int File::SetFrom(int key) { KV_OPEN_OP(set_key(key, true)); }
int File::SetPhysical() { KV_OPEN_OP(set_physical()); }
int File::Next() { KV_OPEN_OP(next()); }
int File::Previous() { KV_OPEN_OP(previous()); }
int File::Get(int key) { KV_OPEN_OP(get(key)); }
int File::Add() { KV_OPEN_OP(add()); }
int File::Put() { KV_OPEN_OP(put()); }
int File::Delete() { KV_OPEN_OP(erase()); }
int File::BeginTransaction() { KV_OPEN_OP(begin_transaction()); }
int File::Commit() { KV_OPEN_OP(commit()); }
int File::Rollback() { KV_OPEN_OP(rollback()); }

long File::Records() {
    if (need_open()) return 0;
    return driver_->records();
}

int File::SendSql(std::string_view sql) {
    KV_ENSURE_DRIVER();
    return driver_->send_sql(sql);
}

void File::Clear() { clear_record(def_->layout, buffer_); }

}  // namespace rt
