#include "data/dictionary.h"

namespace kvadrin {
namespace {

enum class State { None, Created, Prepared };

thread_local State t_state = State::None;
thread_local int t_builds = 0;

}  // namespace

void RecnikPostavi() {
    RecnikKreiraj();
    RecnikPripremi();
    ++t_builds;
}

void RecnikKreiraj() { t_state = State::Created; }

void RecnikPripremi() { t_state = State::Prepared; }

void RecnikUkloni() { t_state = State::None; }

void RecnikOslobodi() { RecnikUkloni(); }

bool RecnikPostoji() { return t_state == State::Prepared; }

int RecnikBrojIzgradnji() { return t_builds; }

}  // namespace kvadrin
