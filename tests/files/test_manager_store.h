// A storage driver over an in-memory store, for tests of access and relation objects
// that need to provoke what a real store rarely does (a table that cannot be opened or
// created). Tables are shared by every structure of the process and found by their name;
// rows are kept in the order they were added and ordered by key when a key is set.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/core/text.h"
#include "platform/files/file.h"

namespace kvtest {

struct MemoryTable {
    const rt::RecordLayout* layout = nullptr;
    std::vector<std::pair<long, std::vector<unsigned char>>> rows;  // id, record
};

class MemoryStore {
public:
    static MemoryStore& Get() {
        static MemoryStore s;
        return s;
    }
    void Reset() {
        std::lock_guard g(mutex);
        tables.clear();
        fail_open.clear();
        fail_create.clear();
        opens.clear();
        creates.clear();
    }
    bool Exists(const std::string& name) {
        std::lock_guard g(mutex);
        return tables.count(rt::upper(name)) != 0;
    }
    std::size_t Rows(const std::string& name) {
        std::lock_guard g(mutex);
        auto it = tables.find(rt::upper(name));
        return it == tables.end() ? 0 : it->second.rows.size();
    }

    std::mutex mutex;
    std::map<std::string, MemoryTable> tables;
    std::map<std::string, int> fail_open, fail_create;  // table -> error code
    std::map<std::string, int> opens, creates;          // real opens and creates per table
    long next_id = 1;
};

inline int compare_field(const rt::FieldDef& f, bool nocase, const unsigned char* a, const unsigned char* b) {
    auto text = [&](const unsigned char* r) {
        const char* p = reinterpret_cast<const char*>(r + f.offset);
        std::size_t n = f.type == rt::FieldType::CString ? ::strnlen(p, f.size) : f.size;
        return rt::clip(std::string_view(p, n));
    };
    if (f.is_text()) {
        if (nocase) return rt::compare_nocase(text(a), text(b));
        return text(a).compare(text(b));
    }
    auto num = [&](const unsigned char* r) -> double {
        const unsigned char* p = r + f.offset;
        switch (f.type) {
            case rt::FieldType::Byte: return p[0];
            case rt::FieldType::Short: {
                rt::Short v;
                std::memcpy(v.bytes(), p, 2);
                return v;
            }
            case rt::FieldType::Long: {
                rt::Long v;
                std::memcpy(v.bytes(), p, 4);
                return v;
            }
            case rt::FieldType::Real: {
                rt::Real v;
                std::memcpy(v.bytes(), p, 8);
                return v;
            }
            default: return 0;
        }
    };
    const double x = num(a), y = num(b);
    return x < y ? -1 : x > y ? 1 : 0;
}

inline int compare_key(const rt::RecordLayout& L, const rt::KeyDef& k, const unsigned char* a,
                       const unsigned char* b) {
    for (std::size_t i : k.fields)
        if (int c = compare_field(L.fields[i], k.nocase(), a, b)) return c;
    return 0;
}

class MemoryDriver : public rt::FileDriver {
public:
    explicit MemoryDriver(rt::File& f) : f_(f) {}

    int open(unsigned) override {
        auto& s = MemoryStore::Get();
        std::lock_guard g(s.mutex);
        const std::string n = name();
        ++s.opens[n];
        if (auto it = s.fail_open.find(n); it != s.fail_open.end()) return err(it->second);
        if (!s.tables.count(n)) return err(rt::kFileNotFound);
        rt::ClearError();
        return 0;
    }
    int close() override { return ok(); }
    int create() override {
        auto& s = MemoryStore::Get();
        std::lock_guard g(s.mutex);
        const std::string n = name();
        ++s.creates[n];
        if (auto it = s.fail_create.find(n); it != s.fail_create.end()) return err(it->second);
        s.tables[n].layout = &f_.layout();
        return ok();
    }
    int remove() override {
        auto& s = MemoryStore::Get();
        std::lock_guard g(s.mutex);
        s.tables.erase(name());
        return ok();
    }
    int set_key(int key, bool from_buffer) override {
        std::lock_guard g(MemoryStore::Get().mutex);
        order(key);
        next_ = 0;
        if (from_buffer) {
            const rt::KeyDef& k = f_.layout().keys[key];
            while (next_ < order_.size() && compare_key(f_.layout(), k, row(order_[next_]), f_.bytes()) < 0)
                ++next_;
            prev_ = static_cast<long>(next_) - 1;
        } else {
            prev_ = static_cast<long>(order_.size()) - 1;
        }
        return ok();
    }
    int set_physical() override { return set_key(-1, false); }
    int next() override {
        std::lock_guard g(MemoryStore::Get().mutex);
        while (next_ < order_.size() && !row(order_[next_])) ++next_;
        if (next_ >= order_.size()) return err(rt::kRecordNotAvailable);
        take(next_);
        return ok();
    }
    int previous() override {
        std::lock_guard g(MemoryStore::Get().mutex);
        while (prev_ >= 0 && !row(order_[prev_])) --prev_;
        if (prev_ < 0) return err(rt::kRecordNotAvailable);
        take(static_cast<std::size_t>(prev_));
        return ok();
    }
    int get(int key) override {
        std::lock_guard g(MemoryStore::Get().mutex);
        const rt::KeyDef& k = f_.layout().keys[key];
        for (auto& [id, rec] : table().rows)
            if (compare_key(f_.layout(), k, rec.data(), f_.bytes()) == 0) {
                std::memcpy(f_.bytes(), rec.data(), rec.size());
                current_ = id;
                return ok();
            }
        return err(rt::kRecordNotFound);
    }
    int add() override {
        auto& s = MemoryStore::Get();
        std::lock_guard g(s.mutex);
        if (int rc = unique(-1)) return rc;
        current_ = s.next_id++;
        table().rows.emplace_back(current_, std::vector<unsigned char>(f_.bytes(), f_.bytes() + size()));
        return ok();
    }
    int put() override {
        std::lock_guard g(MemoryStore::Get().mutex);
        auto* rec = find(current_);
        if (!rec) return err(rt::kRecordNotAvailable);
        if (int rc = unique(current_)) return rc;
        rec->assign(f_.bytes(), f_.bytes() + size());
        return ok();
    }
    int erase() override {
        std::lock_guard g(MemoryStore::Get().mutex);
        auto& rows = table().rows;
        auto it = std::find_if(rows.begin(), rows.end(), [&](auto& r) { return r.first == current_; });
        if (it == rows.end()) return err(rt::kRecordNotAvailable);
        rows.erase(it);
        current_ = 0;
        return ok();
    }
    long records() override {
        std::lock_guard g(MemoryStore::Get().mutex);
        return static_cast<long>(table().rows.size());
    }
    int send_sql(std::string_view) override {
        rt::SetDriverError(f_.Label(), "0", "no SQL here");
        return rt::kDriverError;
    }
    int begin_transaction() override { return ok(); }
    int commit() override { return ok(); }
    int rollback() override { return ok(); }

private:
    std::string name() const { return rt::upper(f_.Name()); }
    MemoryTable& table() { return MemoryStore::Get().tables[name()]; }
    std::size_t size() const { return f_.layout().record_size; }
    int ok() {
        rt::ClearError();
        return 0;
    }
    int err(int code) {
        rt::SetError(code, f_.Label());
        return code;
    }
    std::vector<unsigned char>* find(long id) {
        for (auto& r : table().rows)
            if (r.first == id) return &r.second;
        return nullptr;
    }
    const unsigned char* row(long id) {
        auto* r = find(id);
        return r ? r->data() : nullptr;
    }
    void order(int key) {
        order_.clear();
        for (auto& r : table().rows) order_.push_back(r.first);
        if (key < 0) return;
        const rt::KeyDef& k = f_.layout().keys[key];
        std::stable_sort(order_.begin(), order_.end(),
                         [&](long a, long b) { return compare_key(f_.layout(), k, row(a), row(b)) < 0; });
    }
    void take(std::size_t i) {
        std::memcpy(f_.bytes(), row(order_[i]), size());
        current_ = order_[i];
        next_ = i + 1;
        prev_ = static_cast<long>(i) - 1;
    }
    int unique(long self) {
        for (const rt::KeyDef& k : f_.layout().keys) {
            if (!k.unique()) continue;
            for (auto& [id, rec] : table().rows)
                if (id != self && compare_key(f_.layout(), k, rec.data(), f_.bytes()) == 0) {
                    rt::SetError(rt::kDuplicateKey, f_.Label(), k.name);
                    return rt::kDuplicateKey;
                }
        }
        return 0;
    }

    rt::File& f_;
    std::vector<long> order_;
    std::size_t next_ = 0;
    long prev_ = -1;
    long current_ = 0;
};

inline void InstallMemoryDriver(rt::Driver kind = rt::Driver::Sql) {
    rt::RegisterDriver(kind, [](rt::File& f) { return std::make_unique<MemoryDriver>(f); });
}

}  // namespace kvtest
