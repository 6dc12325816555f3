// The dialog of the take-over: the previous program's folder, typed or chosen with the
// folder dialog; OK runs the copy, then the dialog closes.
#include <memory>
#include <string>

#include "data/globals.h"
#include "data/thread_data.h"
#include "platform/core/text.h"
#include "platform/ui/window.h"
#include "shell/housekeeping.h"
#include "shell/procedure.h"

namespace kvadrin {
namespace {

class PreuzmiStariProgramController : public ProcedureController {
public:
    using ProcedureController::ProcedureController;

    int Setup() override {
        const int level = ProcedureController::Setup();
        if (level != rt::ui::kLevelGoOn) return level;
        window().Display();
        return rt::ui::kLevelGoOn;
    }

    int OnAccepted() override {
        rt::ui::Window& w = window();
        const int feq = w.field();
        if (feq == w.Feq("?LOOKUPFILE")) {
            // A cancelled dialog leaves the entry empty.
            std::string folder = rt::clip(BACKUPPATH.view());
            rt::ui::FileDialog("Select A File", folder, "All Files|*.*",
                               rt::ui::FileDialogFlag::Directory | rt::ui::FileDialogFlag::LongName |
                                   rt::ui::FileDialogFlag::KeepDir | rt::ui::FileDialogFlag::ClearOnCancel);
            BACKUPPATH = folder;
            w.Display();
            return rt::ui::kLevelGoOn;
        }
        const int level = ProcedureController::OnAccepted();
        if (feq == w.Feq("?OK")) {
            w.Update();
            PreuzmiPodatke();
            w.Display();
        }
        return level;
    }

protected:
    void RegisterButtons() override {
        AddDialogButton(window().Feq("?OK"), RequestCompleted);
        AddDialogButton(window().Feq("?CANCEL"), RequestCancelled);
    }
};

}  // namespace

void PreuzmiStariProgram() {
    RunWindowProcedure(
        "PreuzmiStariProgram", WindowKind::Dialog, PreuzmiStariProgramWindow(),
        [](rt::ui::Window& w) {
            w.Use(w.Feq("?BACKUPPATH"),
                  {rt::ui::Binding::Kind::Field, rt::FieldType::String, BACKUPPATH.size, BACKUPPATH.data()});
        },
        [](ProcedureObjects& p) { return std::make_unique<PreuzmiStariProgramController>(p); });
}

}  // namespace kvadrin
