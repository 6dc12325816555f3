#include "platform/files/relation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/core/text.h"
#include "platform/files/record.h"

namespace rt {
namespace {

[[noreturn]] void fault(const std::string& what) {
    std::fprintf(stderr, "relation: %s\n", what.c_str());
    std::abort();
}

bool numeric(const FieldDef& f) { return !f.is_text() && f.type != FieldType::Group; }

// A text field's value without trailing blanks (a CSTRING up to its NUL).
std::string text_of(const FieldDef& f, const unsigned char* rec) {
    const char* p = reinterpret_cast<const char*>(rec + f.offset);
    std::size_t n = f.size;
    if (f.type == FieldType::CString) n = ::strnlen(p, f.size);
    return clip(std::string_view(p, n));
}

double number_of(const FieldDef& f, const unsigned char* rec) {
    const unsigned char* p = rec + f.offset;
    switch (f.type) {
        case FieldType::Byte: return p[0];
        case FieldType::Short: {
            Short v;
            std::memcpy(v.bytes(), p, 2);
            return v.get();
        }
        case FieldType::Long: {
            Long v;
            std::memcpy(v.bytes(), p, 4);
            return v.get();
        }
        case FieldType::Real: {
            Real v;
            std::memcpy(v.bytes(), p, 8);
            return v.get();
        }
        default: return 0;
    }
}

void set_number(const FieldDef& f, unsigned char* rec, double x) {
    unsigned char* p = rec + f.offset;
    switch (f.type) {
        case FieldType::Byte: p[0] = static_cast<std::uint8_t>(x); break;
        case FieldType::Short: {
            Short v(static_cast<std::int16_t>(x));
            std::memcpy(p, v.bytes(), 2);
            break;
        }
        case FieldType::Long: {
            Long v(static_cast<std::int32_t>(x));
            std::memcpy(p, v.bytes(), 4);
            break;
        }
        case FieldType::Real: {
            Real v(x);
            std::memcpy(p, v.bytes(), 8);
            break;
        }
        default: break;
    }
}

bool fits_number(const FieldDef& f, double x) {
    switch (f.type) {
        case FieldType::Byte: return x >= 0 && x <= 255 && x == std::floor(x);
        case FieldType::Short: return x >= -32768 && x <= 32767 && x == std::floor(x);
        case FieldType::Long: return x >= -2147483648.0 && x <= 2147483647.0 && x == std::floor(x);
        default: return true;
    }
}

// The lowest value of a field, so that a key positioned on it comes before every record
// that agrees in the components before it.
void set_lowest(const FieldDef& f, unsigned char* rec) {
    if (f.type == FieldType::Byte)
        rec[f.offset] = 0;
    else if (f.type == FieldType::Short)
        set_number(f, rec, std::numeric_limits<std::int16_t>::min());
    else if (f.type == FieldType::Long)
        set_number(f, rec, std::numeric_limits<std::int32_t>::min());
    else if (f.type == FieldType::Real)
        set_number(f, rec, std::numeric_limits<double>::lowest());
}

// Copies a parent's value into a child's field as the field holds it: a text longer than
// the field cut to it, as the procedures that write the children cut it (a unit number of
// ten characters is kept in six in the invoices). False when a number cannot be held by
// the child's field (no child can then refer to it).
bool copy_value(const FieldDef& from, const unsigned char* parent, const FieldDef& to, unsigned char* child) {
    if (from.is_text()) {
        const std::string v = text_of(from, parent);
        const std::size_t room = to.type == FieldType::CString ? to.size - 1 : to.size;
        const std::size_t n = std::min(v.size(), room);
        char* p = reinterpret_cast<char*>(child + to.offset);
        std::memset(p, to.type == FieldType::CString ? 0 : ' ', to.size);
        std::memcpy(p, v.data(), n);
        return true;
    }
    const double x = number_of(from, parent);
    if (!fits_number(to, x)) return false;
    set_number(to, child, x);
    return true;
}

bool same_value(const FieldDef& f, const unsigned char* a, const unsigned char* b) {
    return std::memcmp(a + f.offset, b + f.offset, f.total_size()) == 0;
}

// Whether two parent values are the same as the child's field holds them (a change
// beyond what the child keeps leaves its children referring to the parent).
bool same_for_child(const FieldDef& from, const unsigned char* a, const unsigned char* b, const FieldDef& to,
                    std::size_t child_size, bool nocase) {
    if (same_value(from, a, b)) return true;
    std::vector<unsigned char> x(child_size), y(child_size);
    const bool hx = copy_value(from, a, to, x.data()), hy = copy_value(from, b, to, y.data());
    if (!hx || !hy) return !hx && !hy;
    if (!from.is_text()) return number_of(to, x.data()) == number_of(to, y.data());
    const std::string tx = text_of(to, x.data()), ty = text_of(to, y.data());
    return nocase ? equal_nocase(tx, ty) : tx == ty;
}

}  // namespace

RelationManager::RelationManager() = default;
RelationManager::~RelationManager() = default;

void RelationManager::Init(FileManager& me, bool use_logout) {
    me_ = &me;
    USELOGOUT = use_logout ? 1 : 0;
}

void RelationManager::Teardown() {
    relations_.clear();
    probe_defs_.clear();
    opened_cascading_.clear();
    DEFEREDRELATIONSDONE = 0;
    me_ = nullptr;
}

void RelationManager::AddRelation(
    RelationManager& child, int update_mode, int delete_mode, int child_key,
    std::initializer_list<std::pair<std::string_view, std::string_view>> links) {
    if (!me_ || !me_->FILE || !child.me_ || !child.me_->FILE)
        fault("a relation between tables without access objects");
    const RecordLayout& pl = me_->Layout();
    const RecordLayout& cl = child.me_->Layout();
    const std::string names = me_->GetName() + " -> " + child.me_->GetName();
    if (child_key < 0 || child_key >= static_cast<int>(cl.keys.size()))
        fault(names + ": no key number " + std::to_string(child_key));
    Relation r;
    r.other = &child;
    r.update_mode = update_mode;
    r.delete_mode = delete_mode;
    r.child_key = child_key;
    for (const auto& [pn, cn] : links) {
        const int pf = pl.field_index(pn), cf = cl.field_index(cn);
        if (pf < 0 || cf < 0) fault(names + ": no field " + std::string(pf < 0 ? pn : cn));
        if (numeric(pl.fields[pf]) != numeric(cl.fields[cf]) || pl.fields[pf].type == FieldType::Group)
            fault(names + ": " + std::string(pn) + " and " + std::string(cn) + " differ in kind");
        r.links.emplace_back(pf, cf);
    }
    // The children of one parent are found by positioning on the key, so the linking
    // fields must be its leading components.
    const KeyDef& key = cl.keys[child_key];
    for (std::size_t i = 0; i < r.links.size(); ++i) {
        const bool leading =
            i < key.fields.size() && std::any_of(r.links.begin(), r.links.end(), [&](const auto& l) {
                return static_cast<std::size_t>(l.second) == key.fields[i];
            });
        if (!leading) fault(names + ": the linking fields do not lead the key " + key.name);
    }
    relations_.push_back(std::move(r));
}

void RelationManager::AddRelation(RelationManager& other) {
    Relation r;
    r.other = &other;
    relations_.push_back(std::move(r));
}

void RelationManager::ensure_relations() {
    if (DEFEREDRELATIONSDONE) return;
    AddRelationsHook();
    DEFEREDRELATIONSDONE = 1;
}

const std::vector<Relation>& RelationManager::Relations() {
    ensure_relations();
    return relations_;
}

std::vector<RelationManager*> RelationManager::related() {
    std::vector<RelationManager*> out;
    for (const Relation& r : relations_)
        if (r.other && r.other->me_ && std::find(out.begin(), out.end(), r.other) == out.end())
            out.push_back(r.other);
    return out;
}

void RelationManager::ToggleQuickScan(bool on) {
    if (!me_) return;
    ensure_relations();
    me_->QUICKSCAN = on ? 1 : 0;
    if (CASCADEOPEN)
        for (RelationManager* o : related()) o->me_->QUICKSCAN = on ? 1 : 0;
}

int RelationManager::Open() {
    if (!me_) return Level::Fatal;
    ensure_relations();
    if (int l = me_->Open()) return l;
    const bool cascade = CASCADEOPEN != 0;
    if (cascade)
        for (RelationManager* o : related()) o->me_->Open();  // each shows its own failure
    opened_cascading_.push_back(cascade);
    return Level::Benign;
}

int RelationManager::Close() {
    if (!me_) return Level::Fatal;
    ensure_relations();
    if (opened_cascading_.empty()) return me_->Close();
    const bool cascade = opened_cascading_.back();
    opened_cascading_.pop_back();
    me_->Close();
    if (cascade)
        for (RelationManager* o : related()) o->me_->Close();
    return Level::Benign;
}

int RelationManager::has_children(const Relation& r, const unsigned char* parent) {
    FileManager& cm = *r.other->me_;
    File& cf = *cm.FILE;
    const RecordLayout& cl = cf.layout();
    const RecordLayout& pl = me_->Layout();
    // A structure of its own over the child table, so that the child's record buffer and
    // its current record stay as the procedures left them.
    std::unique_ptr<TableDef>& def = probe_defs_[&cf.def()];
    if (!def) {
        def = std::make_unique<TableDef>(cf.def());
        def->create = false;  // a missing child table has no children; the check makes none
    }
    std::vector<unsigned char> rec(cl.record_size);
    File probe(*def, rec.data());
    probe.BindName([&cf] { return cf.Name(); });
    probe.BindOwner([&cf] { return cf.Owner(); });
    probe.Clear();
    const KeyDef& key = cl.keys[r.child_key];
    for (std::size_t i = r.links.size(); i < key.fields.size(); ++i)
        set_lowest(cl.fields[key.fields[i]], rec.data());
    for (const auto& [pf, cfield] : r.links)
        if (!copy_value(pl.fields[pf], parent, cl.fields[cfield], rec.data())) return 0;
    const std::vector<unsigned char> wanted = rec;

    int rc = probe.Open(kReadOnly | kDenyNone);
    if (rc == kFileNotFound) return 0;  // no table, no references
    if (rc != kNoError) {
        cm.ReportError(Msg::FileOpenError);
        return -1;
    }
    rc = probe.SetFrom(r.child_key);
    if (rc == kNoError) rc = probe.Next();
    if (rc == kRecordNotAvailable) return 0;
    if (rc != kNoError) {
        cm.ReportError(Msg::RetrievalError);
        return -1;
    }
    for (const auto& link : r.links) {
        const FieldDef& f = cl.fields[link.second];
        if (f.is_text()) {
            const std::string a = text_of(f, rec.data()), b = text_of(f, wanted.data());
            if (key.nocase() ? !equal_nocase(a, b) : a != b) return 0;
        } else if (number_of(f, rec.data()) != number_of(f, wanted.data())) {
            return 0;
        }
    }
    return 1;
}

bool RelationManager::begin() {
    return USELOGOUT && me_->IsReallyOpen() && me_->FILE->BeginTransaction() == kNoError;
}

int RelationManager::end(bool began, int level, Msg failure) {
    if (!began) return level;
    if (level != Level::Benign) {
        me_->FILE->Rollback();
        return level;
    }
    if (me_->FILE->Commit() == kNoError) return Level::Benign;
    const int shown = me_->ReportError(failure);
    me_->FILE->Rollback();
    me_->ForgetOriginal();
    return shown;
}

int RelationManager::Update() {
    if (!me_) return Level::Fatal;
    ensure_relations();
    if (me_->OPENED > 0)
        if (int l = me_->UseTable(kUseOpen)) return l;
    const bool began = begin();
    int level = Level::Benign;
    if (const unsigned char* o = me_->Original()) {
        const std::vector<unsigned char> original(o, o + me_->RecordSize());
        const RecordLayout& pl = me_->Layout();
        unsigned char* rec = me_->Bytes();
        for (const Relation& r : relations_) {
            if (r.update_mode != kRelationRestrict || r.named_only()) continue;
            const RecordLayout& cl = r.other->me_->Layout();
            const bool nocase = cl.keys[static_cast<std::size_t>(r.child_key)].nocase();
            const bool changed = std::any_of(r.links.begin(), r.links.end(), [&](const auto& l) {
                return !same_for_child(pl.fields[l.first], rec, original.data(), cl.fields[l.second],
                                       cl.record_size, nocase);
            });
            if (!changed) continue;
            const int c = has_children(r, original.data());
            if (c < 0) {
                level = Level::Fatal;
                break;
            }
            if (c == 0) continue;
            if (me_->ERRORS) me_->ERRORS->ThrowFile(Msg::RestrictUpdate, r.other->me_->GetName());
            for (const auto& l : r.links) {
                const FieldDef& f = pl.fields[l.first];
                std::memcpy(rec + f.offset, original.data() + f.offset, f.total_size());
            }
            level = Level::User;
        }
    }
    if (level == Level::Benign) level = me_->Update();
    return end(began, level, Msg::UpdateError);
}

int RelationManager::Delete(bool ask) {
    if (!me_) return Level::Fatal;
    ensure_relations();
    if (ask && me_->ERRORS && me_->ERRORS->RaiseMessage(Msg::ConfirmDelete) != Level::Benign)
        return Level::Cancel;
    if (me_->OPENED > 0)
        if (int l = me_->UseTable(kUseOpen)) return l;
    const bool began = begin();
    int level = Level::Benign;
    for (const Relation& r : relations_) {
        if (r.delete_mode != kRelationRestrict || r.named_only()) continue;
        const int c = has_children(r, me_->Bytes());
        if (c < 0) {
            level = Level::Fatal;
            break;
        }
        if (c == 0) continue;
        level = Level::User;
        if (me_->ERRORS) {
            const int shown = me_->ERRORS->ThrowFile(Msg::RestrictDelete, r.other->me_->GetName());
            if (shown != Level::Benign) level = shown;
        }
        break;
    }
    if (level == Level::Benign) level = me_->Delete();
    return end(began, level, Msg::DeleteError);
}

}  // namespace rt
