// The release notes of a version, shown as rich text from this thread's LVER buffer.
#include <memory>
#include <string>

#include "data/access.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/ui/richtext.h"
#include "shell/housekeeping.h"
#include "shell/procedure.h"

namespace kvadrin {
namespace {

// An empty text is the empty string.
class NotesEditor final : public rt::ui::RichTextEditor {
public:
    std::string EmptyText() override {
        RichTextEditor::EmptyText();
        return {};
    }
};

class PokaziVerController : public ProcedureController {
public:
    using ProcedureController::ProcedureController;

    int Setup() override {
        int level = SetupHead();
        if (level != rt::ui::kLevelGoOn) return level;
        if (rt::RelationManager* r = Relate::LVER()) OpenRelation(*r);
        level = SetupDialogSteps();
        if (level != rt::ui::kLevelGoOn) return level;
        rt::ui::Window& w = window();
        notes_.Init(w, w.Feq("?LVE:OPIS"));
        w.Display();
        return rt::ui::kLevelGoOn;
    }

protected:
    void RegisterButtons() override { AddDialogButton(window().Feq("?OK"), RequestCompleted); }
    // The rich-text object sees every event first.
    int FirstEventHandlers() override { return notes_.TakeEvent(); }
    void TeardownCompanions() override { notes_.Kill(); }

private:
    NotesEditor notes_;
};

}  // namespace

void PokaziVer() {
    RunWindowProcedure(
        "PokaziVer", WindowKind::Dialog, PokaziVerWindow(),
        [](rt::ui::Window& w) {
            const rt::RecordLayout& layout = table_def(TableId::LVER).layout;
            w.Use(w.Feq("?LVE:OPIS"), rt::ui::Binding::OfField(*layout.field("LVE:OPIS"), &LVE));
        },
        [](ProcedureObjects& p) { return std::make_unique<PokaziVerController>(p); });
}

}  // namespace kvadrin
