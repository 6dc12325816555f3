// Access objects: one table structure with its record buffer, opened with a use count per
// object (lazily: the table is really opened at its first use), created when missing,
// with record operations in a reporting form (errors shown through the error manager)
// and a quiet form (a non-zero level returned, nothing shown).
//
// Levels are those of rt::Level: 0 success. A failed reporting operation returns the
// level of the message it showed; a failed quiet one the level that message would have
// had (User, or Fatal for open, create and read failures of the table itself). Reading
// past either end returns User without a message (ErrorCode() is then 33).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/errors.h"
#include "platform/files/file.h"

namespace rt {

// Kinds of UseTable.
enum UseKind : int {
    kUseOpen = 2,        // the table must really be open: a deferred open is carried out
    kUseInitialise = 5,  // initialise the object (first use)
};

class FileManager {
public:
    FileManager();
    virtual ~FileManager();
    FileManager(const FileManager&) = delete;
    FileManager& operator=(const FileManager&) = delete;

    // Fields that derived classes and procedures set or read.
    int INITIALIZED = 0;                    // 1 once UseTable(kUseInitialise) has run
    void* BUFFER = nullptr;                 // the record buffer (the table structure's unless set)
    std::string FILENAMEVALUE;              // the table's name in messages
    std::function<std::string()> FILENAME;  // when set, the name in use instead of FILENAMEVALUE
    ErrorManager* ERRORS = nullptr;
    File* FILE = nullptr;
    int CREATE = 0;       // 1: create the table when it is missing
    int LOCKRECOVER = 0;  // seconds to wait for a locked table
    int INUSEFILE = 0;    // 1 while the object initialises
    int LAZYOPEN = 0;     // 1: the first open is carried out at the first use
    int OPENED = 0;       // use count
    int QUICKSCAN = 0;    // 1: reads run as a scan (a hint for the driver)
    unsigned OPENMODE = kReadWrite | kDenyNone;

    // Set-up and tear-down of the object. The base set-up gives LAZYOPEN 1 and OPENED 0;
    // the base tear-down closes the table when this object holds it open.
    virtual void Setup();
    virtual void Teardown();
    // Initialises on first use (kUseInitialise), or makes the table really open
    // (kUseOpen; counts as an open when the object had none). Other kinds initialise only.
    virtual int UseTable(int kind);
    // Validates field number `field` (1-based, in record order) of the current record;
    // 0 valid. The base check accepts every value.
    virtual int CheckField(int field, bool report);

    // The framework's initialisation with the table structure and the error manager:
    // BUFFER and FILENAMEVALUE default to the structure's, the registered keys are emptied.
    void Init(File& file, ErrorManager& errors);
    // Registers a key by its name ("KVD:Po_broju"); an unknown name is a fault in the
    // program and aborts with a message.
    void AddKey(std::string_view name);
    const std::vector<int>& Keys() const { return keys_; }

    // The name in use: FILENAME's value when bound, else FILENAMEVALUE.
    std::string GetName() const;
    const RecordLayout& Layout() const { return FILE->layout(); }
    std::size_t RecordSize() const { return FILE->layout().record_size; }
    unsigned char* Bytes() const { return static_cast<unsigned char*>(BUFFER); }

    // Counted open and close: only the first open opens (lazily) and only the last close
    // closes. A missing table is created when CREATE is 1.
    int Open();
    int TryOpen();
    int Close();
    // Whether the table is really open for this object (not merely counted).
    bool IsReallyOpen() const;

    int Insert();  // validates every field, then adds the record
    int TryInsert();
    int Update();  // validates every field, then writes the current record
    int Next();
    int TryNext();
    int Previous();
    int GetByKey(int key);  // the record whose key `key` equals the buffer's
    int GetByKeyQuiet(int key);
    int TryFetch(int key) { return GetByKeyQuiet(key); }
    // Reads by key quietly; when no record matches, the record buffer is cleared.
    int Fetch(int key);
    int Delete();  // the current record

    // Field checks over fields first..last (1-based, inclusive) or the whole record;
    // the first failure ends the check.
    int ValidateFields(int first, int last, bool report);
    int ValidateRecord(bool report = true);

    // Prepares the buffer for a new record: cleared unless `suppress_clear` (the caller
    // has already filled range fields). Always 0: no key of this program numbers itself.
    int PrimeRecord(bool suppress_clear = false);

    // Copies of the record buffer under a 16-bit number (never 0; 0 means no copy could be
    // made). Restoring puts the buffer back and releases the copy.
    std::uint16_t SaveRecordCopy();
    void RestoreRecordCopy(std::uint16_t id);
    void ReleaseRecordCopy(std::uint16_t id);
    // Whether the buffer still equals the copy (the change check of forms).
    bool EqualBuffer(std::uint16_t id) const;

    // The record as it stands in the table: taken by this object's reads and writes, and
    // by KeepOriginal() when the buffer was filled from the table by other means (a view,
    // a direct read of the structure). nullptr after PrimeRecord, Delete and the last
    // Close, and before any read. Update of the relation object compares against it.
    const unsigned char* Original() const { return has_original_ ? original_.data() : nullptr; }
    void KeepOriginal();
    void ForgetOriginal() { has_original_ = false; }

    // The error code of the last Insert or Update (0 when it succeeded), kept when later
    // operations (a rollback) clear the thread's error state: kRecordChanged tells the
    // caller that another station changed the record since it was read.
    int LastWriteError() const { return last_write_; }

    // Shows `message` for this table with the thread's last file error (%File, %Key,
    // %ErrorCode, %ErrorText) when `report`; returns the message's level (never 0).
    int ReportError(Msg message, bool report = true);

private:
    int ready(bool report);  // initialised, and really open when an open is pending
    int open_now(bool report);
    int open_counted(bool report);
    int read(bool forward, bool report);
    int get(int key, bool report);
    int write(bool insert, bool report);

    std::vector<int> keys_;
    int last_write_ = 0;
    bool pending_ = false;    // counted open not yet carried out
    bool owns_open_ = false;  // this object opened the structure
    std::vector<unsigned char> original_;
    bool has_original_ = false;
    struct Copy {
        std::vector<unsigned char> record, original;
        bool has_original;
    };
    std::map<std::uint16_t, Copy> copies_;
    std::uint16_t last_copy_ = 0;
};

}  // namespace rt
