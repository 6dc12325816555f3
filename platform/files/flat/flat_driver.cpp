// The flat-file driver: a whole file of fixed-length records held in memory while the
// table structure is open, in physical order, with the layout's keys computed on demand.
// Every change rewrites the whole file atomically; before each operation a cheap stat
// tells whether another structure or process has rewritten the file, which is then read
// again. A change holds the file's lock between processes and threads from that re-read
// to the rename, so no process writes over a change another made meanwhile.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>

#include "platform/core/path.h"
#include "platform/core/text.h"
#include "platform/files/drivers.h"
#include "platform/files/flat/flat_file.h"
#include "platform/files/flat/flat_format.h"

namespace rt {
namespace {
namespace fs = std::filesystem;

thread_local std::string t_invalid;  // why the last kInvalidDataFile of this thread

using Bytes = const unsigned char*;

Bytes bytes_of(const std::string& s) { return reinterpret_cast<Bytes>(s.data()); }

template <typename T>
T scalar_at(Bytes p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename T>
int compare_scalars(Bytes a, Bytes b) {
    T x = scalar_at<T>(a), y = scalar_at<T>(b);
    return x < y ? -1 : (y < x ? 1 : 0);
}

// A text field as compared: CSTRING up to its NUL, STRING whole; trailing blanks do not
// count either way.
std::string_view text_of(const FieldDef& f, Bytes rec) {
    const char* p = reinterpret_cast<const char*>(rec + f.offset);
    std::size_t n = f.total_size();
    if (f.type == FieldType::CString && f.dim == 1) n = ::strnlen(p, n);
    while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\0')) --n;
    return {p, n};
}

int compare_field(const FieldDef& f, Bytes a, Bytes b, bool nocase) {
    switch (f.type) {
        case FieldType::CString:
        case FieldType::String: {
            std::string_view x = text_of(f, a), y = text_of(f, b);
            if (nocase) return compare_nocase(x, y);
            int c = std::memcmp(x.data(), y.data(), std::min(x.size(), y.size()));
            if (c != 0) return c < 0 ? -1 : 1;
            return x.size() == y.size() ? 0 : (x.size() < y.size() ? -1 : 1);
        }
        case FieldType::Group:
            // A group compares as the string of its bytes.
            for (std::size_t i = 0; i < f.total_size(); ++i) {
                unsigned char x = a[f.offset + i], y = b[f.offset + i];
                if (nocase) {
                    x = static_cast<unsigned char>(upper_char(static_cast<char>(x)));
                    y = static_cast<unsigned char>(upper_char(static_cast<char>(y)));
                }
                if (x != y) return x < y ? -1 : 1;
            }
            return 0;
        default:
            for (std::size_t e = 0; e < f.dim; ++e) {
                std::size_t at = f.offset + e * f.size;
                int c = 0;
                switch (f.type) {
                    case FieldType::Byte: c = compare_scalars<std::uint8_t>(a + at, b + at); break;
                    case FieldType::Short: c = compare_scalars<std::int16_t>(a + at, b + at); break;
                    case FieldType::Long: c = compare_scalars<std::int32_t>(a + at, b + at); break;
                    default: c = compare_scalars<double>(a + at, b + at); break;
                }
                if (c != 0) return c;
            }
            return 0;
    }
}

// Blank for an OPT key: text of blanks only (or empty), numbers zero.
bool field_blank(const FieldDef& f, Bytes rec) {
    switch (f.type) {
        case FieldType::CString:
        case FieldType::String: return text_of(f, rec).empty();
        case FieldType::Group:
            for (std::size_t i = 0; i < f.total_size(); ++i)
                if (rec[f.offset + i] != ' ' && rec[f.offset + i] != 0) return false;
            return true;
        default:
            for (std::size_t e = 0; e < f.dim; ++e) {
                Bytes p = rec + f.offset + e * f.size;
                bool zero = f.type == FieldType::Byte    ? scalar_at<std::uint8_t>(p) == 0
                            : f.type == FieldType::Short ? scalar_at<std::int16_t>(p) == 0
                            : f.type == FieldType::Long  ? scalar_at<std::int32_t>(p) == 0
                                                         : scalar_at<double>(p) == 0.0;
                if (!zero) return false;
            }
            return true;
    }
}

// Where NEXT and PREVIOUS go from. Fresh: just SET, NEXT from the first and PREVIOUS
// from the last. Value: SET(key, key), around the buffer's key value. At: at a record
// read, added or changed (which may since have been deleted: its place stays).
enum class Pos { Fresh, BeforeFirst, AfterLast, Value, At };

struct Cursor {
    int key = -1;  // -1: physical order
    Pos pos = Pos::Fresh;
    std::string bytes;      // the record at the place (At) or the key value (Value)
    std::uint64_t seq = 0;  // the record's sequence number (At)
};

// Records carry sequence numbers that grow with physical position and are never reused
// while the file is open; a file read again is numbered 2, 4, 6, ... so that the odd
// numbers can stand for the place of a record that has gone.
// write_empty(): the file appeared meanwhile (no error state is set).
constexpr int kExists = -1;

constexpr std::uint64_t seq_for(std::size_t index) { return 2 * (static_cast<std::uint64_t>(index) + 1); }

// A file the program never creates (the previous program's) is found whatever the case
// of its name on disk.
std::string resolve_path(const std::string& name, bool any_case) {
    std::string native = native_path(name);
    if (!fs::path(native).has_extension()) native += ".DAT";
    if (any_case) native = existing_path_nocase(native);
    std::error_code ec;
    fs::path abs = fs::absolute(native, ec);
    return ec ? native : abs.string();
}

bool folder_exists(const std::string& path) {
    std::error_code ec;
    fs::path dir = fs::path(path).parent_path();
    return dir.empty() || fs::is_directory(dir, ec);
}

class FlatDriver final : public FileDriver {
public:
    explicit FlatDriver(File& file) : file_(file), layout_(file.layout()) {}

    int open(unsigned mode) override {
        t_invalid.clear();
        if (int rc = resolve()) return rc;
        access_ = mode & 0x0F;
        if (access_ > kReadWrite) return fail(kAccessDenied);
        data_.clear();
        seqs_.clear();
        current_.reset();
        current_changed_ = false;
        cursor_ = Cursor{};
        sig_ = {};
        flat::FileSig sig;
        int err = flat::stat_file(path_, sig);
        if (err == ENOENT) {
            if (!file_.def().create) return fail(folder_exists(path_) ? kFileNotFound : kPathNotFound);
            FileLock guard(path_);
            if (!guard) return locked(guard);
            if (int rc = write_empty(true); rc != kNoError && rc != kExists) return rc;
        } else if (err != 0) {
            return fail_errno(err);
        }
        if (int rc = load()) return rc;
        ClearError();
        return kNoError;
    }

    int close() override {
        data_.clear();
        seqs_.clear();
        sorted_.clear();
        current_.reset();
        current_changed_ = false;
        ClearError();
        return kNoError;
    }

    // An empty file in place of the old one; a file that fails its check is kept.
    int create() override {
        t_invalid.clear();
        if (int rc = resolve()) return rc;
        if (file_.def().oem_text) return fail(kAccessDenied);
        FileLock guard(path_);
        if (!guard) return locked(guard);
        flat::FileSig sig;
        int err = flat::stat_file(path_, sig);
        if (err == 0) {
            std::string bytes;
            std::vector<std::string> records;
            flat::Sealing sealing;
            if ((err = flat::read_file(path_, bytes, sig)) != 0) return fail_errno(err);
            std::string why = flat::decode(bytes, layout_.record_size, file_.def().encrypted, password_,
                                           keys_, records, sealing);
            if (!why.empty()) return invalid(why);
        } else if (err != ENOENT) {
            return fail_errno(err);
        }
        int rc = write_empty(err == ENOENT);
        if (rc == kExists) rc = write_empty(false);  // made meanwhile by another process
        if (rc) return rc;
        ClearError();
        return kNoError;
    }

    int remove() override {
        t_invalid.clear();
        if (int rc = resolve()) return rc;
        if (file_.def().oem_text) return fail(kAccessDenied);
        FileLock guard(path_);
        if (!guard) return locked(guard);
        std::error_code ec;
        if (!fs::remove(path_, ec)) return ec ? fail_errno(ec.value()) : fail(kFileNotFound);
        ClearError();
        return kNoError;
    }

    int set_key(int key, bool from_buffer) override {
        t_invalid.clear();
        if (int rc = check_key(key)) return rc;
        cursor_ = Cursor{};
        cursor_.key = key;
        if (from_buffer) {
            cursor_.pos = Pos::Value;
            cursor_.bytes.assign(reinterpret_cast<const char*>(file_.bytes()), layout_.record_size);
        }
        current_.reset();
        current_changed_ = false;
        ClearError();
        return kNoError;
    }

    int set_physical() override {
        t_invalid.clear();
        cursor_ = Cursor{};
        current_.reset();
        current_changed_ = false;
        ClearError();
        return kNoError;
    }

    int next() override { return step(true); }
    int previous() override { return step(false); }

    // The record whose key equals the buffer's; the place of NEXT and PREVIOUS stays.
    int get(int key) override {
        t_invalid.clear();
        if (int rc = check_key(key)) return rc;
        if (access_ == kWriteOnly) return fail(kAccessDenied);
        if (int rc = refresh()) return rc;
        const KeyDef& k = layout_.keys[static_cast<std::size_t>(key)];
        const std::string wanted(reinterpret_cast<const char*>(file_.bytes()), layout_.record_size);
        current_.reset();
        current_changed_ = false;
        if (in_key(k, bytes_of(wanted))) {
            const auto& order = sorted(key);
            auto it = std::partition_point(order.begin(), order.end(), [&](std::uint32_t i) {
                return compare_key(k, bytes_of(data_[i]), bytes_of(wanted)) < 0;
            });
            if (it != order.end() && compare_key(k, bytes_of(data_[*it]), bytes_of(wanted)) == 0) {
                deliver(*it, false);
                ClearError();
                return kNoError;
            }
        }
        return fail(kRecordNotFound);
    }

    int add() override {
        t_invalid.clear();
        if (int rc = check_writable()) return rc;
        FileLock guard(path_);
        if (!guard) return locked(guard);
        if (int rc = refresh()) return rc;
        std::string rec(reinterpret_cast<const char*>(file_.bytes()), layout_.record_size);
        if (int rc = check_unique(rec, std::nullopt)) return rc;
        std::vector<std::string> next = data_;
        next.push_back(rec);
        if (int rc = write(next)) return rc;
        data_ = std::move(next);
        seqs_.push_back(next_seq_);
        next_seq_ += 2;
        changed();
        deliver(data_.size() - 1, true);
        ClearError();
        return kNoError;
    }

    int put() override {
        t_invalid.clear();
        if (int rc = check_writable()) return rc;
        if (!current_) return fail(current_changed_ ? kRecordChanged : kRecordNotAvailable);
        FileLock guard(path_);
        if (!guard) return locked(guard);
        if (int rc = refresh()) return rc;
        std::optional<std::size_t> at = current_index();
        if (!at) {
            current_changed_ = true;
            return fail(kRecordChanged);
        }
        std::string rec(reinterpret_cast<const char*>(file_.bytes()), layout_.record_size);
        if (int rc = check_unique(rec, at)) return rc;
        std::vector<std::string> next = data_;
        next[*at] = rec;
        if (int rc = write(next)) return rc;
        data_ = std::move(next);
        changed();
        current_bytes_ = rec;
        if (cursor_.pos == Pos::At && cursor_.seq == *current_) cursor_.bytes = rec;
        ClearError();
        return kNoError;
    }

    int erase() override {
        t_invalid.clear();
        if (int rc = check_writable()) return rc;
        if (!current_) return fail(current_changed_ ? kRecordChanged : kRecordNotAvailable);
        FileLock guard(path_);
        if (!guard) return locked(guard);
        if (int rc = refresh()) return rc;
        std::optional<std::size_t> at = current_index();
        if (!at) return fail(kRecordChanged);
        std::vector<std::string> next = data_;
        next.erase(next.begin() + static_cast<std::ptrdiff_t>(*at));
        if (int rc = write(next)) return rc;
        data_ = std::move(next);
        seqs_.erase(seqs_.begin() + static_cast<std::ptrdiff_t>(*at));
        changed();
        current_.reset();  // NEXT and PREVIOUS go on from its place
        current_changed_ = false;
        ClearError();
        return kNoError;
    }

    long records() override {
        t_invalid.clear();
        if (refresh()) return 0;
        ClearError();
        return static_cast<long>(data_.size());
    }

    int send_sql(std::string_view) override { return unsupported("a flat file takes no SQL statements"); }
    int begin_transaction() override { return unsupported("a flat file has no transactions"); }
    int commit() override { return unsupported("a flat file has no transactions"); }
    int rollback() override { return unsupported("a flat file has no transactions"); }

private:
    int resolve() {
        const std::string name = file_.Name();
        if (name.empty()) return fail(kFileNotFound);
        path_ = resolve_path(name, !file_.def().create);
        password_ = file_.def().encrypted ? file_.Owner() : std::string();
        return kNoError;
    }

    int fail(int code) {
        SetError(code, file_.Label());
        return code;
    }

    int fail_errno(int err) {
        int code = flat::error_code_for(err);
        if (code == kFileNotFound && !folder_exists(path_)) code = kPathNotFound;
        if (code != kDriverError) return fail(code);
        SetDriverError(file_.Label(), std::to_string(err), path_ + ": " + std::strerror(err));
        return kDriverError;
    }

    // The file's lock was not to be had: held too long by another process, or its lock
    // file cannot be made beside it.
    int locked(const FileLock& lock) {
        if (lock.error() != ETIMEDOUT) return fail_errno(lock.error());
        SetDriverError(file_.Label(), std::to_string(ETIMEDOUT),
                       path_ + ": the file is being changed by another program for too long");
        return kDriverError;
    }

    int invalid(const std::string& why) {
        t_invalid = utf8_to_cp1250(path_) + " is damaged or not a data file of " + file_.Label() + ": " + why;
        return fail(kInvalidDataFile);
    }

    int unsupported(const char* text) {
        SetDriverError(file_.Label(), "", text);
        return kDriverError;
    }

    int check_key(int key) {
        if (key < 0 || static_cast<std::size_t>(key) >= layout_.keys.size()) {
            SetDriverError(file_.Label(), "", "the table has no key number " + std::to_string(key));
            return kDriverError;
        }
        return kNoError;
    }

    // The previous program's files are only read: their texts are converted on reading.
    int check_writable() {
        if (file_.def().oem_text || (access_ != kWriteOnly && access_ != kReadWrite))
            return fail(kAccessDenied);
        return kNoError;
    }

    int compare_key(const KeyDef& k, Bytes a, Bytes b) const {
        for (std::size_t f : k.fields)
            if (int c = compare_field(layout_.fields[f], a, b, k.nocase())) return c;
        return 0;
    }

    bool in_key(const KeyDef& k, Bytes rec) const {
        if (!k.optional()) return true;
        for (std::size_t f : k.fields)
            if (!field_blank(layout_.fields[f], rec)) return true;
        return false;
    }

    int check_unique(const std::string& rec, std::optional<std::size_t> skip) {
        for (const KeyDef& k : layout_.keys) {
            if (!k.unique() || !in_key(k, bytes_of(rec))) continue;
            for (std::size_t i = 0; i < data_.size(); ++i) {
                if (skip && *skip == i) continue;
                if (in_key(k, bytes_of(data_[i])) && compare_key(k, bytes_of(data_[i]), bytes_of(rec)) == 0) {
                    SetError(kDuplicateKey, file_.Label(), k.name);
                    return kDuplicateKey;
                }
            }
        }
        return kNoError;
    }

    // Record indexes in the order of a key (ties in physical order), or all of them in
    // physical order for key -1; built when first needed after a change.
    const std::vector<std::uint32_t>& sorted(int key) {
        const std::size_t slot = key < 0 ? layout_.keys.size() : static_cast<std::size_t>(key);
        if (sorted_.size() != layout_.keys.size() + 1) sorted_.assign(layout_.keys.size() + 1, std::nullopt);
        std::optional<std::vector<std::uint32_t>>& order = sorted_[slot];
        if (!order) {
            order.emplace();
            for (std::uint32_t i = 0; i < data_.size(); ++i)
                if (key < 0 || in_key(layout_.keys[slot], bytes_of(data_[i]))) order->push_back(i);
            if (key >= 0) {
                const KeyDef& k = layout_.keys[slot];
                std::stable_sort(order->begin(), order->end(), [&](std::uint32_t a, std::uint32_t b) {
                    return compare_key(k, bytes_of(data_[a]), bytes_of(data_[b])) < 0;
                });
            }
        }
        return *order;
    }

    void changed() { sorted_.clear(); }

    // Record i against the cursor's place: <0 before it, 0 at it, >0 after it.
    int against_cursor(std::uint32_t i, bool with_seq) const {
        if (cursor_.key >= 0) {
            const KeyDef& k = layout_.keys[static_cast<std::size_t>(cursor_.key)];
            if (int c = compare_key(k, bytes_of(data_[i]), bytes_of(cursor_.bytes)); c != 0 || !with_seq)
                return c;
        }
        return seqs_[i] < cursor_.seq ? -1 : (seqs_[i] > cursor_.seq ? 1 : 0);
    }

    int step(bool forward) {
        t_invalid.clear();
        if (access_ == kWriteOnly) return fail(kAccessDenied);
        if (int rc = refresh()) return rc;
        const auto& order = sorted(cursor_.key);
        const bool at = cursor_.pos == Pos::At;
        const bool value = cursor_.pos == Pos::Value && cursor_.key >= 0;
        std::size_t pos = 0;  // forward: the record to read; backward: one past it
        if (at || value) {
            pos = static_cast<std::size_t>(std::partition_point(order.begin(), order.end(),
                                                                [&](std::uint32_t i) {
                                                                    int c = against_cursor(i, at);
                                                                    return forward != at ? c < 0 : c <= 0;
                                                                }) -
                                           order.begin());
            // forward: Value reads the first at or after it, At the first after it;
            // backward: Value reads the last at or before it, At the last before it.
        } else if (cursor_.pos == Pos::AfterLast || (cursor_.pos == Pos::Fresh && !forward)) {
            pos = order.size();
        }
        if (forward ? pos >= order.size() : pos == 0) {
            current_.reset();
            current_changed_ = false;
            cursor_.pos = forward ? Pos::AfterLast : Pos::BeforeFirst;
            return fail(kRecordNotAvailable);
        }
        deliver(order[forward ? pos : pos - 1], true);
        ClearError();
        return kNoError;
    }

    // Record i into the buffer as the current record (and the cursor's place).
    void deliver(std::size_t i, bool move_cursor) {
        std::memcpy(file_.buffer(), data_[i].data(), layout_.record_size);
        current_ = seqs_[i];
        current_changed_ = false;
        current_bytes_ = data_[i];
        if (move_cursor) {
            cursor_.pos = Pos::At;
            cursor_.bytes = data_[i];
            cursor_.seq = seqs_[i];
        }
    }

    std::optional<std::size_t> current_index() const {
        if (!current_) return std::nullopt;
        auto it = std::lower_bound(seqs_.begin(), seqs_.end(), *current_);
        if (it == seqs_.end() || *it != *current_) return std::nullopt;
        return static_cast<std::size_t>(it - seqs_.begin());
    }

    // Reads the file again when it is not the version loaded last.
    int refresh() {
        flat::FileSig now;
        if (int err = flat::stat_file(path_, now)) return fail_errno(err);
        if (now == sig_) return kNoError;
        return load();
    }

    int load() {
        std::string bytes;
        flat::FileSig sig;
        if (int err = flat::read_file(path_, bytes, sig)) return fail_errno(err);
        std::vector<std::string> fresh;
        flat::Sealing sealing;
        std::string why =
            flat::decode(bytes, layout_.record_size, file_.def().encrypted, password_, keys_, fresh, sealing);
        if (!why.empty()) return invalid(why);
        if (file_.def().oem_text) {
            // Texts only; a group is converted through its members.
            for (std::string& rec : fresh)
                for (const FieldDef& f : layout_.fields)
                    if (f.is_text()) {
                        std::string text =
                            oem852_to_cp1250(std::string_view(rec).substr(f.offset, f.total_size()));
                        rec.replace(f.offset, f.total_size(), text);
                    }
        }
        adopt(std::move(fresh));
        sealing_ = sealing;
        sig_ = sig;
        return kNoError;
    }

    // Takes over the records of a file read again, keeping the current record when it is
    // still there unchanged and the cursor's place as near as it can be found.
    void adopt(std::vector<std::string> fresh) {
        auto find_again = [&](const std::string& bytes, std::uint64_t seq) -> std::optional<std::uint64_t> {
            const std::size_t old_pos =
                static_cast<std::size_t>(std::lower_bound(seqs_.begin(), seqs_.end(), seq) - seqs_.begin());
            std::optional<std::size_t> best;
            for (std::size_t i = 0; i < fresh.size(); ++i) {
                if (fresh[i] != bytes) continue;
                auto dist = [&](std::size_t x) { return x > old_pos ? x - old_pos : old_pos - x; };
                if (!best || dist(i) < dist(*best)) best = i;
            }
            if (best) return seq_for(*best);
            return std::nullopt;
        };
        if (current_) {
            current_ = find_again(current_bytes_, *current_);
            current_changed_ = !current_;
        }
        if (cursor_.pos == Pos::At) {
            std::optional<std::uint64_t> seq = find_again(cursor_.bytes, cursor_.seq);
            const std::size_t old_pos = static_cast<std::size_t>(
                std::lower_bound(seqs_.begin(), seqs_.end(), cursor_.seq) - seqs_.begin());
            cursor_.seq = seq ? *seq : seq_for(old_pos) - 1;
        }
        data_ = std::move(fresh);
        seqs_.resize(data_.size());
        for (std::size_t i = 0; i < data_.size(); ++i) seqs_[i] = seq_for(i);
        next_seq_ = seq_for(data_.size());
        changed();
    }

    // Writes the records as the whole new file (the caller holds the file's lock).
    int write(const std::vector<std::string>& records) {
        std::string bytes;
        std::string why = flat::encode(records, layout_.record_size, sealing_, password_, keys_, bytes);
        if (!why.empty()) {
            SetDriverError(file_.Label(), "", why);
            return kDriverError;
        }
        flat::FileSig sig;
        if (int err = flat::write_atomically(path_, bytes, false, sig)) return fail_errno(err);
        sig_ = sig;
        return kNoError;
    }

    // An empty file, sealed with a fresh salt when the table is encrypted. With
    // `create_new` a file that appeared meanwhile is left alone: kExists.
    int write_empty(bool create_new) {
        flat::Sealing sealing;
        if (file_.def().encrypted && !flat::new_sealing(sealing)) {
            SetDriverError(file_.Label(), "", "no random bytes for the key derivation");
            return kDriverError;
        }
        std::string bytes;
        std::string why = flat::encode({}, layout_.record_size, sealing, password_, keys_, bytes);
        if (!why.empty()) {
            SetDriverError(file_.Label(), "", why);
            return kDriverError;
        }
        flat::FileSig sig;
        int err = flat::write_atomically(path_, bytes, create_new, sig);
        if (err == EEXIST && create_new) return kExists;
        if (err) return fail_errno(err);
        return kNoError;
    }

    File& file_;
    const RecordLayout& layout_;
    std::string path_;
    std::string password_;
    unsigned access_ = kReadWrite;
    flat::KeyCache keys_;
    flat::Sealing sealing_;
    flat::FileSig sig_;

    std::vector<std::string> data_;    // records in physical order
    std::vector<std::uint64_t> seqs_;  // their sequence numbers, ascending
    std::uint64_t next_seq_ = 2;
    std::vector<std::optional<std::vector<std::uint32_t>>> sorted_;

    Cursor cursor_;
    std::optional<std::uint64_t> current_;  // sequence number of the current record
    std::string current_bytes_;             // the current record as read or written
    // The current record was changed or removed by another writer: PUT and DELETE answer
    // kRecordChanged until a record is read again.
    bool current_changed_ = false;
};

}  // namespace

std::unique_ptr<FileDriver> MakeFlatDriver(File& file) { return std::make_unique<FlatDriver>(file); }

int WriteFlatFile(std::string_view path, const RecordLayout& layout, const std::vector<std::string>& records,
                  std::string_view password) {
    for (const auto& r : records)
        if (r.size() != layout.record_size) {
            SetError(kInvalidRecord, path);
            return kInvalidRecord;
        }
    flat::Sealing sealing;
    if (!password.empty() && !flat::new_sealing(sealing)) {
        SetDriverError(path, "", "no random bytes for the key derivation");
        return kDriverError;
    }
    flat::KeyCache keys;
    std::string bytes;
    std::string why = flat::encode(records, layout.record_size, sealing, password, keys, bytes);
    if (!why.empty()) {
        SetDriverError(path, "", why);
        return kDriverError;
    }
    const std::string target(path);
    flat::FileSig sig;
    FileLock guard(target);
    int err = guard.error();
    if (err == 0) err = flat::write_atomically(target, bytes, false, sig);
    if (err) {
        int code = flat::error_code_for(err);
        if (code == kFileNotFound) code = kPathNotFound;
        if (code == kDriverError)
            SetDriverError(path, std::to_string(err), std::strerror(err));
        else
            SetError(code, path);
        return code;
    }
    ClearError();
    return kNoError;
}

std::string FlatFileError() { return ErrorCode() == kInvalidDataFile ? t_invalid : std::string(); }

}  // namespace rt
