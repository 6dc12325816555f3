#include "shell/form.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>

#include "data/program_objects.h"
#include "data/thread_data.h"
#include "platform/core/picture.h"
#include "platform/core/text.h"
#include "platform/files/record.h"
#include "platform/ui/control_kinds.h"

namespace kvadrin {

namespace Event = rt::ui::Event;
namespace Ctl = rt::ui::Ctl;
using rt::ui::kLevelConsumed;
using rt::ui::kLevelGoOn;
using rt::ui::Prop;

namespace {

bool IsCodePicture(std::string_view picture) { return rt::equal_nocase(picture, "@n05"); }

constexpr const char* kNoCode = "00000";

}  // namespace

void* FormHistory(std::string_view module, const rt::RecordLayout& layout) {
    thread_local std::map<std::string, std::vector<unsigned char>, std::less<>> buffers;
    auto it = buffers.find(module);
    if (it == buffers.end()) {
        it = buffers.emplace(std::string(module), std::vector<unsigned char>(layout.record_size)).first;
        rt::clear_record(layout, it->second.data());
    }
    return it->second.data();
}

namespace {

// The field a control's USE names among the layouts (by its prefix), with the element of an
// array field; aborts when none has it.
struct ShownField {
    std::size_t layout = 0;  // index among the layouts
    const rt::FieldDef* field = nullptr;
    std::size_t element = 0;
};

template <class Layouts>
ShownField FieldShown(const rt::ui::WindowDef& def, const rt::ui::ControlDef& c, const Layouts& layouts) {
    const std::string_view use = c.use;
    const std::string_view prefix = use.substr(0, use.find(':'));
    ShownField shown;
    for (const rt::RecordLayout* layout : layouts) {
        if (rt::equal_nocase(layout->prefix, prefix)) {
            shown.field = layout->field_or_element(use, &shown.element);
            if (shown.field) return shown;
        }
        ++shown.layout;
    }
    std::fprintf(stderr, "window %s %s: control %s shows unknown field %s\n", def.module.c_str(),
                 def.name.c_str(), c.label.c_str(), c.use.c_str());
    std::abort();
}

template <class Visit>
void ForEachShowingField(const std::vector<rt::ui::ControlDef>& controls, const Visit& visit) {
    for (const rt::ui::ControlDef& c : controls) {
        if (!c.use.empty()) visit(c);
        ForEachShowingField(c.children, visit);
    }
}

}  // namespace

void CheckFormFields(const rt::ui::WindowDef& def, std::initializer_list<const rt::RecordLayout*> layouts) {
    ForEachShowingField(def.controls, [&](const rt::ui::ControlDef& c) { FieldShown(def, c, layouts); });
}

void BindFormFields(rt::ui::Window& w, std::span<const FormRecord> records) {
    std::vector<const rt::RecordLayout*> layouts;
    for (const FormRecord& r : records) layouts.push_back(&r.layout);
    ForEachShowingField(w.def().controls, [&](const rt::ui::ControlDef& c) {
        const ShownField shown = FieldShown(w.def(), c, layouts);
        const FormRecord& r = records[shown.layout];
        w.Use(w.Feq(c.label), rt::ui::Binding::OfField(*shown.field, r.record, shown.element));
    });
}

std::vector<std::pair<int, int>> RecallFields(const rt::ui::Window& w, const rt::RecordLayout& layout,
                                              std::initializer_list<std::string_view> fields) {
    std::vector<std::pair<int, int>> out;
    ForEachShowingField(w.def().controls, [&](const rt::ui::ControlDef& c) {
        const int index = layout.field_index(c.use);
        if (index < 0) return;
        const bool named =
            fields.size() == 0 || std::any_of(fields.begin(), fields.end(),
                                              [&](std::string_view f) { return rt::equal_nocase(f, c.use); });
        if (named) out.emplace_back(w.Feq(c.label), index + 1);
    });
    return out;
}

FormController::FormController(ProcedureObjects& objects, FormParts parts)
    : ProcedureController(objects), parts_(std::move(parts)) {
    // Forms name their buttons by the standard labels.
    rt::ui::Window& w = objects.window;
    if (parts_.updated) {
        const rt::RecordLayout& layout = parts_.updated->Me().Layout();
        if (!parts_.history) parts_.history = FormHistory(objects.name, layout);
        if (parts_.recall_fields.empty()) parts_.recall_fields = RecallFields(w, layout);
    }
    if (!parts_.first_field && !parts_.recall_fields.empty())
        if (const rt::ui::ControlDef* c = w.Control(parts_.recall_fields.front().first))
            parts_.first_field = w.Feq(c->label + ":PROMPT");
    if (!parts_.ok) parts_.ok = w.Feq("?OK");
    if (!parts_.cancel) parts_.cancel = w.Feq("?CANCEL");
    if (!parts_.help) parts_.help = w.Feq("?HELP");
    toolbar_.Init(*this);
}

const char* FormController::CaptionFor(int request) {
    switch (request) {
        case ViewRecord: return "View Record";
        case InsertRecord: return "Record Will Be Added";
        case ChangeRecord: return "Record Will Be Changed";
        default: return "";
    }
}

int FormController::EventLoop() {
    caption_ = CaptionFor(REQUEST);
    window().SetText(0, Prop::Text, caption_);
    return ProcedureController::EventLoop();
}

int FormController::Setup() {
    const int head = SetupHead();
    if (head != kLevelGoOn) return head;
    rt::ui::Window& w = window();
    ProcedureObjects& o = objects();
    if (parts_.first_field) FIRSTFIELD = parts_.first_field;

    HISTORYKEY = rt::ui::Key::CtrlH;
    if (parts_.updated && parts_.history) {
        rt::FileManager& me = parts_.updated->Me();
        AddRecallBuffers(me.Layout(), me.BUFFER, parts_.history);
        for (const auto& [feq, field] : parts_.recall_fields) AddRecallField(feq, field);
    }
    if (parts_.updated) AddUpdatedTable(parts_.updated->Me());
    if (parts_.cancel) AddButtonAction(parts_.cancel, RequestCancelled);

    rt::RelationManager* opened = parts_.opened ? parts_.opened : parts_.updated;
    if (opened) {
        if (parts_.cascade) opened->SetCascadeOpen();
        OpenRelation(*opened);
    }
    PRIMARY = parts_.updated;

    if (REQUEST == ViewRecord) {
        INSERTACTION = 1;
        DELETEACTION = 1;
        CHANGEACTION = 1;
        CANCELACTION = 0;
        OKCONTROL = 0;
    } else {
        CHANGEACTION = 2;
        CANCELACTION = 2;
        OKCONTROL = parts_.ok;
        if (PrepareRequest() != kLevelGoOn) return kLevelConsumed;  // the form never opens
    }

    Open(w);
    o.alerts.AlertMouseWheel(w);
    o.alerts.AlertSessionEnd(w);
    if (REQUEST == ViewRecord) {
        for (int feq : w.Controls())
            if (const rt::ui::ControlDef* c = w.Control(feq); c && rt::ui::KindTraits(c->kind).typed)
                w.Set(feq, Prop::ReadOnly, 1);
        for (const FormLookup& l : lookups_)
            if (l.button) w.Disable(l.button);
    }
    if (o.resizer) {
        o.resizer->Init(rt::ui::ResizeManager::kKeepLayout, 1, 0);
        AddResizer(*o.resizer);
    }
    LoadWindowPosition(ProgramSettings, procedure_name());
    if (o.resizer) o.resizer->Resize();
    toolbar_.HELPBUTTON = parts_.help;
    AddFormToolbar(toolbar_);
    DeclareAlertKeys();
    o.focus.Configure(w);
    if (o.navigation) {
        for (int feq : {parts_.cancel, parts_.help, parts_.ok})
            if (feq) o.navigation->AddControl(feq);
        o.navigation->DeclareAlertKeys(w, 0);
    }
    return kLevelGoOn;
}

int FormController::Teardown() {
    if (copy_ && PRIMARY) PRIMARY->Me().ReleaseRecordCopy(copy_);
    copy_ = 0;
    return ProcedureController::Teardown();
}

int FormController::RunWindow() {
    const int response = ProcedureController::RunWindow();
    // A navigation button whose completion did not go through leaves the browse nothing
    // to move to.
    if (response != RequestCompleted && VCRREQUEST) *VCRREQUEST = 0;
    return REQUEST == ViewRecord ? RequestCancelled : response;
}

int FormController::PrepareRequest() {
    const int level = ProcedureController::PrepareRequest();
    if (level != kLevelGoOn) return level;
    if (PRIMARY) copy_ = PRIMARY->Me().SaveRecordCopy();
    return kLevelGoOn;
}

bool FormController::RecordChanged() const { return PRIMARY && copy_ && !PRIMARY->Me().EqualBuffer(copy_); }

// The record is gone only when the relation object deleted it (restrict rules included).
int FormController::CompleteDelete() {
    if (!PRIMARY) return ProcedureController::CompleteDelete();
    return PRIMARY->Delete(false) == rt::Level::Benign ? kLevelGoOn : kLevelConsumed;
}

int FormController::SaveInserted() {
    if (!PRIMARY) return ProcedureController::SaveInserted();
    return PRIMARY->Me().Insert() == rt::Level::Benign ? kLevelGoOn : kLevelConsumed;
}

int FormController::SaveChanged() {
    if (!PRIMARY) return ProcedureController::SaveChanged();
    if (PRIMARY->Update() == rt::Level::Benign) return kLevelGoOn;
    if (PRIMARY->Me().LastWriteError() == rt::kRecordChanged) TakeChangedRecord();
    return kLevelConsumed;
}

// Another station changed the record since the form read it, and the message said that
// these changes were not saved: the form shows the record as it is now, so that the user
// can make the change again on it. A record that another station deleted leaves the form.
void FormController::TakeChangedRecord() {
    rt::FileManager& me = PRIMARY->Me();
    const rt::RecordLayout& L = me.Layout();
    const rt::KeyDef* pk = L.primary_key();
    const unsigned char* original = me.Original();
    if (pk && original) {
        // Found by its key as it was read, whatever the form made of the key.
        for (std::size_t fi : pk->fields) {
            const rt::FieldDef& f = L.fields[fi];
            std::memcpy(me.Bytes() + f.offset, original + f.offset, f.total_size());
        }
        if (me.GetByKeyQuiet(static_cast<int>(pk - L.keys.data())) == rt::Level::Benign) {
            if (copy_) me.ReleaseRecordCopy(copy_);
            copy_ = me.SaveRecordCopy();
            Reset(1);
            return;
        }
    }
    CANCELACTION = 0;
    CloseWithResponse(RequestCancelled);
}

int FormController::OnCompleted() {
    if (REQUEST == InsertRecord || REQUEST == ChangeRecord) {
        if (!AcceptAllFields()) return kLevelConsumed;
    }
    // The history holds the record last saved: a refused save leaves it as it was.
    std::vector<unsigned char> before;
    if (PRIMARY && parts_.history) {
        const auto* h = static_cast<const unsigned char*>(parts_.history);
        before.assign(h, h + PRIMARY->Me().RecordSize());
    }
    const int level = ProcedureController::OnCompleted();
    if (level != kLevelGoOn && !before.empty()) std::memcpy(parts_.history, before.data(), before.size());
    if (level != kLevelGoOn) SelectFirstField();
    return level;
}

bool FormController::AcceptAllFields() {
    rt::ui::Window& w = window();
    w.Set(0, Prop::AcceptAll, 1);
    bool ok = true;
    for (int feq : w.Controls()) {
        const rt::ui::ControlDef* c = w.Control(feq);
        if (!c || !rt::ui::KindTraits(c->kind).typed || w.Get(feq, Prop::Disable) || w.Get(feq, Prop::Hide) ||
            w.Get(feq, Prop::ReadOnly))
            continue;
        const bool code = IsCodeEntry(feq);
        const bool taken = code ? NormaliseCode(feq) : w.Update(feq);
        if (taken && IsKeyEntry(feq)) DropLeadingBlanks(feq);
        // A required code is missing when it is zero ("00000", an empty entry normalised),
        // unless a lookup decides about it.
        const std::string text = rt::clip(w.ScreenText(feq));
        const bool missing = text.empty() || (code && !LookupOfEntry(feq) && text == kNoCode);
        if (!taken || (w.Get(feq, Prop::Req) && missing)) {
            rt::ui::Beep();
            w.Select(feq);
            ok = false;
            break;
        }
        if (const FormLookup* l = LookupOfEntry(feq)) {
            if (LookupEntry(*l) != kLevelGoOn) {
                ok = false;
                break;
            }
        }
    }
    w.Set(0, Prop::AcceptAll, 0);
    if (ok) w.Display();
    return ok;
}

bool FormController::IsCodeEntry(int feq) const {
    const rt::ui::ControlDef* c = window().Control(feq);
    return c && c->kind == Ctl::Entry && IsCodePicture(c->picture);
}

const FormLookup* FormController::LookupOfEntry(int feq) const {
    for (const FormLookup& l : lookups_)
        if (l.entry == feq) return &l;
    return nullptr;
}

const FormLookup* FormController::LookupOfButton(int feq) const {
    for (const FormLookup& l : lookups_)
        if (l.button && l.button == feq) return &l;
    return nullptr;
}

bool FormController::NormaliseCode(int feq) {
    rt::ui::Window& w = window();
    // A code that does not fit its five digits is refused as a number past its picture
    // is, never made "00000".
    static const rt::Picture picture = *rt::parse_picture("@n05");
    const std::optional<double> value = rt::entry_value(w.ScreenText(feq), picture);
    if (!value) return false;
    // The code's variable takes the digits as they are shown: a text update through the
    // numeric picture would store the bare number.
    const std::string code = rt::format(*value, "@n05");
    w.SetText(feq, Prop::Text, code);
    w.UseOf(feq).set_text(code);
    return true;
}

bool FormController::IsKeyEntry(int feq) const {
    const rt::ui::ControlDef* c = window().Control(feq);
    if (!PRIMARY || !c || c->kind != Ctl::Entry || c->use.empty()) return false;
    const rt::RecordLayout& layout = PRIMARY->Me().Layout();
    const int index = layout.field_index(c->use);
    if (index < 0 || window().UseOf(feq).numeric()) return false;
    return std::any_of(layout.keys.begin(), layout.keys.end(), [&](const rt::KeyDef& k) {
        return k.unique() &&
               std::find(k.fields.begin(), k.fields.end(), static_cast<std::size_t>(index)) != k.fields.end();
    });
}

void FormController::DropLeadingBlanks(int feq) {
    rt::ui::Window& w = window();
    const rt::ui::Binding b = w.UseOf(feq);
    const std::string text = b.text();
    if (text.empty() || text.front() != ' ') return;
    b.set_text(rt::clip(rt::left(text)));
    w.Display(feq);
}

int FormController::LookupEntry(const FormLookup& l) {
    rt::ui::Window& w = window();
    const bool blank = rt::clip(w.ScreenText(l.entry)).empty();
    if (!blank || w.Get(l.entry, Prop::Req)) {
        if (l.to_key) l.to_key();
        if (l.table && l.table->GetByKeyQuiet(l.key) != rt::Level::Benign) {
            if (RunUpdate(1, SelectRecord) == RequestCompleted) {
                if (l.from_key) l.from_key();
                w.Display(l.entry);
            } else {
                w.Select(l.entry);
                Reset(0);
                return kLevelConsumed;
            }
        }
    }
    Reset(0);
    return l.then ? l.then() : kLevelGoOn;
}

void FormController::LookupButton(const FormLookup& l) {
    UpdateComponents();
    if (l.to_key) l.to_key();
    if (RunUpdate(1, SelectRecord) == RequestCompleted && l.from_key) l.from_key();
    Reset(1);
}

void FormController::Reset(int force) {
    rt::ui::Window& w = window();
    FORCEDRESET += force;
    if (w.IsOpen() && w.Get(0, Prop::AcceptAll) != 0) return;
    for (const FormLookup& l : lookups_) {
        if (l.to_key) l.to_key();
        if (l.table) l.table->Fetch(l.key);
    }
    ProcedureController::Reset(force);
}

int FormController::OnAccepted() {
    rt::ui::Window& w = window();
    const int feq = w.field();
    if (IsCodeEntry(feq) && !NormaliseCode(feq)) {
        rt::ui::Beep();
        w.Display(feq);
        w.Select(feq);
        return kLevelConsumed;
    }
    if (IsKeyEntry(feq)) DropLeadingBlanks(feq);
    const int level = ProcedureController::OnAccepted();
    if (level != kLevelGoOn) return level;
    if (const FormLookup* l = LookupOfEntry(feq)) {
        if (REQUEST == ViewRecord) return kLevelGoOn;
        return LookupEntry(*l);
    }
    if (const FormLookup* l = LookupOfButton(feq)) {
        LookupButton(*l);
        return kLevelGoOn;
    }
    if (parts_.ok && feq == parts_.ok) {
        UpdateComponents();
        if (REQUEST == ViewRecord) w.Post(Event::CloseWindow);
    }
    return kLevelGoOn;
}

}  // namespace kvadrin
