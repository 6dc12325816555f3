// The form conventions, once, as the base every form procedure derives from: the form's
// Setup after the common head, the caption by request, view mode (read-only entries,
// disabled lookup buttons, answer cancelled), priming and deleting by request, the OK
// check, completion through the updated table's access and relation objects, the cancel
// question, the history recall, customer-code normalisation and the lookups of codes in
// other tables.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/files/layout.h"
#include "platform/files/relation.h"
#include "platform/ui/formtoolbar.h"
#include "shell/procedure.h"

namespace kvadrin {

// The history buffer of a form module on the calling thread: a copy of the updated
// table's record, cleared the first time the module runs on the thread.
void* FormHistory(std::string_view module, const rt::RecordLayout& layout);

// A record whose fields a form's controls show: its layout and its buffer on this thread.
struct FormRecord {
    const rt::RecordLayout& layout;
    void* record;
};
// Checks that every control of the definition that shows a field (its USE: "KVD:BROJ",
// or an element of an array field, "M:R_7") names a field of the layout with its prefix.
// A name that names none is a fault in the form's definition: it aborts with a message
// naming the window, the control and the field, as an unknown key component does.
void CheckFormFields(const rt::ui::WindowDef& def, std::initializer_list<const rt::RecordLayout*> layouts);
// Binds each control that shows a field to that field in its record, after the same check.
void BindFormFields(rt::ui::Window& w, std::span<const FormRecord> records);
inline void BindFormFields(rt::ui::Window& w, std::initializer_list<FormRecord> records) {
    BindFormFields(w, std::span<const FormRecord>(records.begin(), records.size()));
}
// The recall pairs of FormParts: each control showing a field of `layout`, or only of the
// named `fields`, with the field's number in the record (its position, counted from 1).
std::vector<std::pair<int, int>> RecallFields(const rt::ui::Window& w, const rt::RecordLayout& layout,
                                              std::initializer_list<std::string_view> fields = {});

// What a form names in its Setup.
struct FormParts {
    rt::RelationManager* updated = nullptr;  // PRIMARY: the relation of the updated table
    // The relation the form opens: the updated table's (null), or the looked-up table's
    // opened with cascading so that the updated table opens along with it.
    rt::RelationManager* opened = nullptr;
    bool cascade = false;
    // FormHistory of the module; null: the procedure's own over the updated table's record.
    void* history = nullptr;
    // Control and 1-based field number; empty: every control showing a field of the updated
    // table (RecallFields).
    std::vector<std::pair<int, int>> recall_fields = {};
    int ok = 0, cancel = 0, help = 0;  // 0: the window's ?OK, ?CANCEL and ?HELP
    int first_field = 0;               // 0: the prompt of the first recalled field
};

// A code that must exist in another table: its entry, the small button beside it, and
// how the code reaches the looked-up table's key field and comes back from it.
struct FormLookup {
    int entry = 0;
    int button = 0;                       // 0: none
    rt::FileManager* table = nullptr;     // the looked-up table
    int key = 0;                          // its key, as FileManager numbers them
    std::function<void()> to_key = {};    // entry's variable -> looked-up key field
    std::function<void()> from_key = {};  // chosen row's key -> entry's variable
    // Further steps once the entry's code is looked up and the form reset, on every accept
    // of the entry (the OK check's included); a level other than 0 refuses the accept.
    std::function<int()> then = {};
};

class FormController : public ProcedureController {
public:
    FormController(ProcedureObjects& objects, FormParts parts);

    int EventLoop() override;  // the caption by request, then the parent
    int Setup() override;
    int Teardown() override;
    int RunWindow() override;  // view answers cancelled
    int PrepareRequest() override;
    void Reset(int force = 0) override;
    int OnAccepted() override;
    int OnCompleted() override;
    int CompleteDelete() override;
    int SaveInserted() override;
    int SaveChanged() override;

    // The caption of a request: "View Record", "Record Will Be Added", "Record Will Be
    // Changed", else empty.
    static const char* CaptionFor(int request);
    const std::string& caption() const { return caption_; }

protected:
    // Registered in the derived constructor. A form with lookups overrides CallUpdate to
    // call its lookup browse: RunUpdate(1, 4) sets CallRequest to select and calls it.
    void AddLookup(FormLookup lookup) { lookups_.push_back(std::move(lookup)); }
    bool RecordChanged() const override;

    // The lookup conventions; level 5 when the accept is refused.
    int LookupEntry(const FormLookup& l);
    void LookupButton(const FormLookup& l);
    // "7" -> "00007", an empty entry -> "00000"; false (the entry left as it is) for a
    // text that is no number of at most five digits.
    bool NormaliseCode(int feq);
    // The check of all fields on OK: every entry takes its text, a required entry must
    // not be blank and a lookup entry's code must exist. False leaves the focus on the
    // field that failed.
    bool AcceptAllFields();

private:
    void TakeChangedRecord();
    bool IsCodeEntry(int feq) const;
    // An entry of a text field in a unique key of the updated table: its value is stored
    // without leading blanks, as without trailing ones, so that " 1" is the "1" it shows.
    bool IsKeyEntry(int feq) const;
    void DropLeadingBlanks(int feq);
    const FormLookup* LookupOfEntry(int feq) const;
    const FormLookup* LookupOfButton(int feq) const;

    FormParts parts_;
    std::vector<FormLookup> lookups_;
    rt::ui::FormToolbarHandler toolbar_;
    std::string caption_;
    std::uint16_t copy_ = 0;  // the record as prepared, for the change check
};

// A form procedure: the window with its controls bound to the fields of `records`, run by a
// controller of class Controller (constructed from the procedure's objects).
template <class Controller>
void RunForm(std::string_view name, const rt::ui::WindowDef& window,
             std::initializer_list<FormRecord> records) {
    const std::vector<FormRecord> shown(records);
    RunWindowProcedure(
        name, WindowKind::Form, window, [&shown](rt::ui::Window& w) { BindFormFields(w, shown); },
        [](ProcedureObjects& o) { return std::make_unique<Controller>(o); });
}

}  // namespace kvadrin
