#include "platform/report/breaks.h"

#include <cstring>

#include "platform/core/numeric.h"

namespace rt::report {

// A variable's value kept aside: its bytes (a record field), its text or its number.
struct BreakTracker::Saved {
    ui::Binding binding;
    std::string bytes;
    double number = 0;

    void Take() {
        switch (binding.kind) {
            case ui::Binding::Kind::Field:
                bytes.assign(static_cast<const char*>(binding.target), binding.size);
                break;
            case ui::Binding::Kind::Text: bytes = *static_cast<const std::string*>(binding.target); break;
            case ui::Binding::Kind::Real:
            case ui::Binding::Kind::Long: number = binding.number(); break;
            case ui::Binding::Kind::None: break;
        }
    }
    void Put() const {
        switch (binding.kind) {
            case ui::Binding::Kind::Field: std::memcpy(binding.target, bytes.data(), binding.size); break;
            case ui::Binding::Kind::Text: *static_cast<std::string*>(binding.target) = bytes; break;
            case ui::Binding::Kind::Real:
            case ui::Binding::Kind::Long: binding.set_number(number); break;
            case ui::Binding::Kind::None: break;
        }
    }
};

struct BreakTracker::Level {
    int break_number = 1;
    int level = 1;
    BreakGroup* group = nullptr;
    ui::Binding field;
    std::vector<ui::Binding> reset;
    struct TotalDef {
        ui::Binding target, source;
    };
    std::vector<TotalDef> totals;
    bool open = false;
    std::vector<Saved> last;  // the field and the reset fields at the group's last record
    bool have_last = false;

    std::string Value() const {
        if (!field.bound()) return {};
        if (field.kind == ui::Binding::Kind::Field || field.kind == ui::Binding::Kind::Text) {
            Saved s{field, {}, 0};
            s.Take();
            return s.bytes;
        }
        return rt::plain_number(field.number());
    }
    std::string last_value;

    void Remember() {
        last.clear();
        last.push_back(Saved{field, {}, 0});
        for (const ui::Binding& b : reset) last.push_back(Saved{b, {}, 0});
        for (Saved& s : last) s.Take();
        last_value = Value();
        have_last = true;
    }
    void Close() {
        if (!open) return;
        open = false;
        if (!have_last) {
            if (group) group->OnClose(break_number, level);
            return;
        }
        // The group's last values for the close, the current ones afterwards.
        std::vector<Saved> now;
        for (const Saved& s : last) {
            now.push_back(Saved{s.binding, {}, 0});
            now.back().Take();
        }
        for (const Saved& s : last) s.Put();
        if (group) group->OnClose(break_number, level);
        for (const Saved& s : now) s.Put();
    }
    void Open() {
        open = true;
        have_last = false;
        for (const TotalDef& t : totals) t.target.set_number(0);
        if (group) group->OnOpen(break_number, level);
    }
};

BreakTracker::BreakTracker() = default;
BreakTracker::~BreakTracker() = default;

void BreakTracker::Setup(int breaks) { levels_.clear(); }

void BreakTracker::NewLevel(BreakGroup& group) {
    auto l = std::make_unique<Level>();
    l->group = &group;
    l->level = static_cast<int>(levels_.size()) + 1;
    levels_.push_back(std::move(l));
}

void BreakTracker::DefineBreakField(ui::Binding field) {
    if (!levels_.empty()) levels_.back()->field = field;
}

void BreakTracker::DefineResetField(ui::Binding field) {
    if (!levels_.empty()) levels_.back()->reset.push_back(field);
}

void BreakTracker::DefineTotal(ui::Binding target, ui::Binding source, int, int) {
    if (!levels_.empty()) levels_.back()->totals.push_back({target, source});
}

void BreakTracker::Check() {
    // A change at a level closes it and every level below it (innermost first), then
    // opens them again (outermost first).
    std::size_t changed = levels_.size();
    for (std::size_t i = 0; i < levels_.size(); ++i) {
        Level& l = *levels_[i];
        if (!l.open || (l.have_last && l.Value() != l.last_value)) {
            changed = i;
            break;
        }
    }
    if (changed == levels_.size()) return;
    for (std::size_t i = levels_.size(); i-- > changed;) levels_[i]->Close();
    for (std::size_t i = changed; i < levels_.size(); ++i) levels_[i]->Open();
}

void BreakTracker::Taken() {
    for (auto& l : levels_) {
        for (const Level::TotalDef& t : l->totals) t.target.set_number(t.target.number() + t.source.number());
        l->Remember();
    }
}

void BreakTracker::CloseAll() {
    for (std::size_t i = levels_.size(); i-- > 0;) levels_[i]->Close();
}

bool BreakTracker::GroupOpen() const {
    for (const auto& l : levels_)
        if (l->open) return true;
    return false;
}

}  // namespace rt::report
