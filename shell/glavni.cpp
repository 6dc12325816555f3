#include "shell/glavni.h"

#include "data/dictionary.h"
#include "data/program_objects.h"
#include "data/thread_data.h"
#include "platform/core/process.h"
#include "platform/ui/busy_wait.h"
#include "platform/ui/window.h"
#include "shell/desktop_integration.h"
#include "shell/firm_folder.h"
#include "shell/kvd001_main.h"
#include "winint/session.h"

namespace kvadrin {

ProcedureFn MainProcedure = &Main;

std::int32_t DozvoliKrajSesije(std::int32_t) { return 1; }

std::int32_t KrajSesije(std::int32_t) { return 0; }

void Glavni() {
    ProgramErrors.Init();
    ProgramMatcher.Init();
    rt::TextMatcher::SetCurrent(&ProgramMatcher);
    ProgramMatcher.SetOption(1, true);   // ignore case
    ProgramMatcher.SetOption(2, false);  // whole words only
    ProgramSettings.Init(".\\KVD.INI");
    RecnikPostavi();
    wl_SetOkToEndSessionHandler(&DozvoliKrajSesije);
    wl_SetEndSessionHandler(&KrajSesije);
    IzvediFirmuIGodinu();
    if (MainProcedure) MainProcedure();
    ProgramSettings.Kill();
}

void PrepareProcess() {
    SetDesktopIntegration(&WinLinkIntegration());
    InstallThreadHooks();
    rt::ui::InstallErrorShower();
    rt::ui::InstallBusyWaitShower();
}

int RunProgram() {
    rt::set_thread_number(1);
    MainThreadFilesInit();
    MainModuleInit();
    MainThreadDataInit();
    Glavni();
    MainThreadFilesTerm();
    MainModuleTerm();
    return 0;
}

}  // namespace kvadrin
