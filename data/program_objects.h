// The three process-wide framework objects and the main module's start and end.
#pragma once

#include "platform/core/errors.h"
#include "platform/core/ini.h"
#include "platform/core/matcher.h"

namespace kvadrin {

// Constructed by MainModuleInit before Glavni runs, destroyed by MainModuleTerm after it.
extern rt::ErrorManager& ProgramErrors;
extern rt::IniManager& ProgramSettings;
extern rt::TextMatcher& ProgramMatcher;

// Process start: blank-fills the process-wide strings and constructs the three objects.
void MainModuleInit();
// Process end: destroys ProgramSettings, then ProgramErrors (and the matcher).
void MainModuleTerm();
bool MainModuleReady();

}  // namespace kvadrin
