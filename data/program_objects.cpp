#include "data/program_objects.h"

#include <new>

#include "data/globals.h"

namespace kvadrin {
namespace {

// Raw storage that MainModuleInit constructs into and MainModuleTerm destroys in a fixed
// order, rather than static objects whose order of destruction the language leaves open.
alignas(rt::ErrorManager) unsigned char g_errors[sizeof(rt::ErrorManager)];
alignas(rt::IniManager) unsigned char g_settings[sizeof(rt::IniManager)];
alignas(rt::TextMatcher) unsigned char g_matcher[sizeof(rt::TextMatcher)];
bool g_ready = false;

}  // namespace

rt::ErrorManager& ProgramErrors = *reinterpret_cast<rt::ErrorManager*>(g_errors);
rt::IniManager& ProgramSettings = *reinterpret_cast<rt::IniManager*>(g_settings);
rt::TextMatcher& ProgramMatcher = *reinterpret_cast<rt::TextMatcher*>(g_matcher);

void MainModuleInit() {
    if (g_ready) return;
    ResetProcessData();
    new (g_matcher) rt::TextMatcher();
    new (g_errors) rt::ErrorManager();
    new (g_settings) rt::IniManager();
    g_ready = true;
}

void MainModuleTerm() {
    if (!g_ready) return;
    ProgramSettings.~IniManager();
    ProgramErrors.~ErrorManager();
    if (rt::TextMatcher::Current() == &ProgramMatcher) rt::TextMatcher::SetCurrent(nullptr);
    ProgramMatcher.~TextMatcher();
    g_ready = false;
}

bool MainModuleReady() { return g_ready; }

}  // namespace kvadrin
