#include "data/dictionary.h"

#include <array>
#include <memory>

#include "data/access.h"

namespace kvadrin {
namespace {

enum class State { None, Created, Prepared };

thread_local State t_state = State::None;
thread_local int t_builds = 0;
thread_local std::array<std::unique_ptr<TableRelationManager>, kTableCount> t_relations;
thread_local RecnikKorak t_observer;

void step(std::string_view what, TableId id) {
    if (t_observer) t_observer(what, id);
}

// Each table in reverse declaration order.
template <typename F>
void reverse_order(F&& f) {
    for (int i = kTableCount - 1; i >= 0; --i) f(static_cast<TableId>(i));
}

}  // namespace

void RecnikPostavi() {
    RecnikKreiraj();
    RecnikPripremi();
    ++t_builds;
}

void RecnikKreiraj() {
    reverse_order([](TableId id) {
        step("kreiraj", id);
        auto access = MakeFileManager(id);
        t_relations[static_cast<std::size_t>(id)] = MakeRelationManager(id, std::move(access));
    });
    reverse_order([](TableId id) { Relate::Set(id, t_relations[static_cast<std::size_t>(id)].get()); });
    t_state = State::Created;
}

void RecnikPripremi() {
    reverse_order([](TableId id) {
        step("pripremi", id);
        if (auto& r = t_relations[static_cast<std::size_t>(id)]) r->Setup();
    });
    t_state = State::Prepared;
}

void RecnikUkloni() {
    reverse_order([](TableId id) {
        auto& r = t_relations[static_cast<std::size_t>(id)];
        if (!r) return;
        step("ukloni", id);
        r->Teardown();
        r.reset();
        Relate::Set(id, nullptr);
    });
    t_state = State::None;
}

void RecnikOslobodi() { RecnikUkloni(); }

bool RecnikPostoji() { return t_state == State::Prepared; }

int RecnikBrojIzgradnji() { return t_builds; }

void RecnikPratiKorake(RecnikKorak observer) { t_observer = std::move(observer); }

}  // namespace kvadrin
