#include "shell/not_built.h"

#include "data/program_objects.h"
#include "data/thread_data.h"

namespace kvadrin {

void ProcedureNotBuilt(std::string_view name) {
    ProgramErrors.RaiseMessage(rt::Msg::ProcedureNotDefined, name);
    CallResponse = RequestCancelled;
}

}  // namespace kvadrin
