// Table structures: a table's definition, this thread's record buffer, and the driver
// that stores it. Operations follow the runtime's meaning (OPEN, SET, NEXT, GET, ADD,
// PUT, DELETE, RECORDS, CREATE, REMOVE, the SQL property) and report through the
// calling thread's error state: ErrorCode() is 0 after a success.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/files/layout.h"

namespace rt {

// Error codes in the runtime's numbering.
enum ErrorCodes : int {
    kNoError = 0,
    kFileNotFound = 2,
    kPathNotFound = 3,
    kAccessDenied = 5,
    kRecordNotAvailable = 33,  // NEXT/PREVIOUS past the end, or no current record
    kRecordNotFound = 35,      // GET found no record with the key
    kInvalidDataFile = 36,     // the file fails its check (damaged, wrong password)
    kFileNotOpen = 37,
    kDuplicateKey = 40,
    kInvalidRecord = 47,  // the stored layout does not match the record
    kFileAlreadyOpen = 52,
    kRecordChanged = 89,  // the record was changed by another station since it was read
    kDriverError = 90,    // see FileErrorCode() and FileError()
};

// The calling thread's error state after the last file operation.
int ErrorCode();
std::string Error();          // text for ErrorCode()
std::string ErrorFile();      // name of the file the last error concerned
std::string ErrorKey();       // name of the key a duplicate-key error concerned
std::string FileErrorCode();  // the driver's own code text when ErrorCode() is 90 (else "")
std::string FileError();      // the driver's own error text when ErrorCode() is 90 (else "")
// Sets the state; drivers and the table structure call these.
void SetError(int code, std::string_view file = {}, std::string_view key = {});
void SetDriverError(std::string_view file, std::string_view driver_code, std::string_view driver_text);
void ClearError();

// Open modes: the low bits give the access, the high nibble the sharing.
enum OpenMode : unsigned {
    kReadOnly = 0x00,
    kWriteOnly = 0x01,
    kReadWrite = 0x02,
    kDenyAll = 0x10,
    kDenyWrite = 0x20,
    kDenyRead = 0x30,
    kDenyNone = 0x40,
};

class File;

// The storage behind a table structure. One driver object per open table structure.
class FileDriver {
public:
    virtual ~FileDriver() = default;
    // Each operation returns an error code and sets the thread's error state.
    virtual int open(unsigned mode) = 0;
    virtual int close() = 0;
    virtual int create() = 0;  // make the table (empty) with its keys; the file stays closed
    virtual int remove() = 0;  // drop the table
    virtual int set_key(int key, bool from_buffer) = 0;  // SET(key) / SET(key, key)
    virtual int set_physical() = 0;                      // SET(file): physical order
    virtual int next() = 0;
    virtual int previous() = 0;
    virtual int get(int key) = 0;
    virtual int add() = 0;
    virtual int put() = 0;
    virtual int erase() = 0;
    virtual long records() = 0;
    virtual int send_sql(std::string_view sql) = 0;  // drivers without SQL answer kDriverError
    virtual int begin_transaction() = 0;
    virtual int commit() = 0;
    virtual int rollback() = 0;
};

// Makes the driver for a table structure; a registered factory takes the place of the
// built-in driver of its storage kind (tests use this).
using DriverFactory = std::function<std::unique_ptr<FileDriver>(File&)>;
void RegisterDriver(Driver kind, DriverFactory factory);

class File {
public:
    File(const TableDef& def, void* buffer);
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    const TableDef& def() const { return *def_; }
    const RecordLayout& layout() const { return def_->layout; }
    void* buffer() const { return buffer_; }
    unsigned char* bytes() const { return static_cast<unsigned char*>(buffer_); }

    // Where the table's name and owner (connection text or password) come from: the
    // definition's own text unless bound to a variable that is read at each open.
    void BindName(std::function<std::string()> name);
    void BindOwner(std::function<std::string()> owner);
    std::string Name() const;   // the name in use (clipped)
    std::string Owner() const;  // the owner in use (clipped)
    // The name the table goes by in messages ("KVADRIN", "MBASE").
    std::string Label() const;

    int Open(unsigned mode = kReadWrite | kDenyNone);
    int Close();
    int Create();
    int Remove();
    bool IsOpen() const { return driver_ != nullptr && open_; }

    // Key by index in the layout, or by name ("KVD:Po_broju").
    int KeyIndex(std::string_view name) const;
    int Set(int key);      // SET(key): to the start of the key's order
    int SetFrom(int key);  // SET(key, key): at the first record at or after the buffer's key
    int SetPhysical();     // SET(file)
    int Next();
    int Previous();
    int Get(int key);  // GET(file, key): the record whose key equals the buffer's
    int Add();
    int Put();     // the current record (the one last read or added)
    int Delete();  // the current record
    long Records();
    void Clear();                       // CLEAR(record)
    int SendSql(std::string_view sql);  // the SQL property: the statement runs at once
    int BeginTransaction();
    int Commit();
    int Rollback();

    FileDriver* driver() const { return driver_.get(); }

private:
    int need_open();
    const TableDef* def_;
    void* buffer_;
    std::function<std::string()> name_fn_;
    std::function<std::string()> owner_fn_;
    std::unique_ptr<FileDriver> driver_;
    bool open_ = false;
    unsigned mode_ = 0;
};

}  // namespace rt
