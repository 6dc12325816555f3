// The clause form: number and description, and the two rich texts, each edited with its
// tool bar through a rich-text editor object. A text whose RTF does not fit its column is
// refused with a message and the clause is not saved.
#include <array>
#include <memory>
#include <string>
#include <utility>

#include "billing/kvd028_browse_klauzul.h"
#include "data/access.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/text.h"
#include "platform/ui/richtext.h"
#include "shell/form.h"

namespace kvadrin {
namespace {

using rt::ui::Prop;
using Tool = rt::ui::RichTextEditor::Tool;

// The editor of one of the two texts (one class per text): an empty text is stored empty.
template <int Text>
class ClauseTextEditor final : public rt::ui::RichTextEditor {
public:
    std::string EmptyText() override {
        RichTextEditor::EmptyText();
        return {};
    }
};

// The tool controls of a text by their label's ending.
constexpr std::pair<Tool, const char*> kTools[] = {
    {Tool::New, "NEW"},
    {Tool::Open, "OPEN"},
    {Tool::Save, "SAVE"},
    {Tool::Print, "PRINT"},
    {Tool::Find, "FIND"},
    {Tool::Replace, "REPLACE"},
    {Tool::Cut, "CUT"},
    {Tool::Copy, "COPY"},
    {Tool::Paste, "PASTE"},
    {Tool::Undo, "UNDO"},
    {Tool::Redo, "REDO"},
    {Tool::TabStops, "TABS"},
    {Tool::Indents, "INDENTS"},
    {Tool::Alignment, "ALIGN"},
    {Tool::Bullets, "BULLETS"},
    {Tool::BulletStyle, "BULLETSTYLE"},
    {Tool::FontName, "FONTNAME"},
    {Tool::FontSize, "FONTSIZE"},
    {Tool::FontCharset, "CHARSET"},
    {Tool::Bold, "BOLD"},
    {Tool::Italic, "ITALIC"},
    {Tool::Underline, "UNDERLINE"},
    {Tool::FontColor, "FONTCOLOR"},
    {Tool::Highlight, "HIGHLIGHT"},
};

class UpdateSklauzulController : public FormController {
public:
    explicit UpdateSklauzulController(ProcedureObjects& o)
        : FormController(o, {.updated = Relate::SKLAUZUL()}) {}

    // Once the window is open, each editor gets the tool controls of its tab.
    void Open(rt::ui::Window& w) override {
        FormController::Open(w);
        GiveTools(flats_, kClauseToolsFlats);
        GiveTools(firms_, kClauseToolsFirms);
    }

    int Setup() override {
        const int level = FormController::Setup();
        if (level != rt::ui::kLevelGoOn) return level;
        rt::ui::Window& w = window();
        // After the placement is loaded: each editor bound to its text.
        flats_.Init(w, w.Feq("?SKL:TEKSTKLAUZULE"), "");
        firms_.Init(w, w.Feq("?SKL:TEKSTPOSLOVNI"), "");
        if (REQUEST == ViewRecord) {
            // Viewing: the buttons and drop lists of both tool bars are disabled; the
            // alignment, the bullets check and bold, italic and underline stay.
            for (rt::ui::RichTextEditor* e : Editors())
                for (const auto& [tool, feq] : e->tools()) {
                    const int kind = static_cast<int>(w.Get(feq, Prop::Type));
                    if (kind == rt::ui::Ctl::Button || kind == rt::ui::Ctl::DropList) e->DisableControl(feq);
                }
        }
        return rt::ui::kLevelGoOn;
    }

    // A text too long for its column keeps the clause from being saved.
    int OnCompleted() override {
        if (REQUEST == InsertRecord || REQUEST == ChangeRecord) {
            rt::ui::Window& w = window();
            int tab = 2;
            for (rt::ui::RichTextEditor* e : Editors()) {
                if (!e->TextFits()) {
                    TellTooLong(*e);
                    w.Set(w.Feq("?CURRENTTAB"), Prop::Selected, tab);
                    w.Select(e->control());
                    return rt::ui::kLevelConsumed;
                }
                ++tab;
            }
        }
        return FormController::OnCompleted();
    }

protected:
    // A text refused as too long never reached the record, yet it is a change the user
    // would lose: cancelling asks first.
    bool RecordChanged() const override {
        return FormController::RecordChanged() || !flats_.TextFits() || !firms_.TextFits();
    }
    // The editors see every event first; their tool bars are theirs to drive.
    int FirstEventHandlers() override {
        for (rt::ui::RichTextEditor* e : Editors()) e->TakeEvent();
        return 0;
    }
    void TeardownCompanions() override {
        for (rt::ui::RichTextEditor* e : Editors()) e->Kill();
    }

private:
    std::array<rt::ui::RichTextEditor*, 2> Editors() { return {&flats_, &firms_}; }

    // In the program's words, with how long the text is as RTF and how much its column holds.
    static void TellTooLong(const rt::ui::RichTextEditor& e) {
        const std::string text =
            rt::utf8_to_cp1250("Tekst je predugačak da bi bio sačuvan: kao RTF zauzima ") +
            std::to_string(e.state().over) + rt::utf8_to_cp1250(" znakova, a staje najviše ") +
            std::to_string(e.limit()) +
            rt::utf8_to_cp1250(". Skratite tekst ili uklonite deo njegovog formatiranja.");
        rt::ui::Message(text, rt::utf8_to_cp1250("Predugačak tekst"), rt::ui::Icon::Exclamation);
    }

    void GiveTools(rt::ui::RichTextEditor& editor, const char* prefix) {
        rt::ui::Window& w = window();
        for (const auto& [tool, name] : kTools)
            if (const int feq = w.Feq(std::string(prefix) + name)) editor.SetToolControl(tool, feq);
    }

    ClauseTextEditor<1> flats_;
    ClauseTextEditor<2> firms_;
};

}  // namespace

void UpdateSKLAUZUL() {
    RunForm<UpdateSklauzulController>("UpdateSKLAUZUL", UpdateSklauzulWindow(),
                                      {{table_def(TableId::SKLAUZUL).layout, &SKL}});
}

}  // namespace kvadrin
