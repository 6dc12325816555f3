// The firms list: the browse of MBASE in name order with its filtered locator, the tools
// button that reveals the maintenance buttons, the form of one firm, and the server change.
#include "shell/firms_list.h"

#include <memory>
#include <string>

#include "data/access.h"
#include "data/globals.h"
#include "data/keys.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "shell/browse.h"
#include "shell/form.h"

namespace kvadrin {

namespace Event = rt::ui::Event;
using rt::ui::Binding;
using rt::ui::kLevelGoOn;

namespace {

const rt::RecordLayout& MLayout() { return table_def(TableId::MBASE).layout; }

template <std::size_t N>
Binding OfString(rt::FString<N>& s) {
    return {Binding::Kind::Field, rt::FieldType::String, N, s.data()};
}

// ---- BrowseMBase ---------------------------------------------------------------------

class BrowseMBaseController : public BrowseProcedure {
public:
    static void CheckFields() { CheckBrowseFields("BrowseMBase", Definition()); }
    explicit BrowseMBaseController(ProcedureObjects& o) : BrowseProcedure(o, Definition()) {}

    int Setup() override {
        const int level = BrowseProcedure::Setup();
        rt::ui::Window& w = window();
        tools_ = w.Feq("?BUTTON8");
        server_change_ = w.Feq("?BUTTON1");
        insert_ = w.Feq("?INSERT:4");
        change_ = w.Feq("?CHANGE:4");
        delete_ = w.Feq("?DELETE:4");
        return level;
    }

    // An insert hides the maintenance buttons again before the browse runs it.
    int OnFieldEvent() override {
        if (InsertAsked()) {
            UpdateComponents();
            for (int feq : {insert_, change_, delete_}) window().Hide(feq);
        }
        return BrowseProcedure::OnFieldEvent();
    }

    int OnAccepted() override {
        const int level = BrowseProcedure::OnAccepted();
        rt::ui::Window& w = window();
        const int feq = w.field();
        if (feq == tools_) {
            UpdateComponents();
            for (int button : {insert_, change_, delete_, server_change_}) w.Unhide(button);
            Reset(0);
        } else if (feq == server_change_) {
            UpdateComponents();
            PromenaServeraMB();
            Reset(0);
            w.Hide(server_change_);
            Reset(1);  // the list shows the new server names
        }
        return level;
    }

protected:
    void CallUpdate(int) override { UpdateMBASE(); }
    // The view reads the flat file through its table structure: the relation's deferred
    // open is carried out before the first read.
    void DefineView() override {
        if (rt::FileManager* fm = Access::MBASE()) fm->UseTable(rt::kUseOpen);
    }

private:
    // The insert button (pressed, or through the toolbar or the popup), or the list's
    // Insert key while the insert is offered.
    bool InsertAsked() {
        rt::ui::Window& w = window();
        const int insert = browse().INSERTCONTROL;
        const int feq = w.field();
        if (!insert || !feq) return false;
        if (w.event() == Event::Accepted) return feq == insert;
        return feq == list() && w.event() == Event::AlertKey && w.keycode() == rt::ui::Key::Insert &&
               !w.Get(insert, rt::ui::Prop::Disable);
    }

    static BrowseDefinition Definition() {
        BrowseDefinition d;
        d.table = &Files::MBASE();
        d.relation = Relate::MBASE();
        // One order, by name; the typed text keeps the firms whose name holds it anywhere.
        d.orders = {{.key = "M:PO_NAZIVU", .locator_field = "M:NAZIVFIRME", .filtered = true}};
        // The data lines 7 (PIB), 10 (registration number) and 5 (account) by their element
        // names, which the view's orders and filters know as well.
        d.fields = {"M:NAZIVFIRME", "M:SERVERNAME", "M:FOLDERNAME", "M:R_7", "M:R_10", "M:R_5"};
        return d;
    }

    int tools_ = 0, server_change_ = 0, insert_ = 0, change_ = 0, delete_ = 0;
};

void BindBrowse(rt::ui::Window& w) {
    if (int feq = w.Feq("?RAD_GOD"))
        w.Use(feq, {Binding::Kind::Field, rt::FieldType::Long, 4, RAD_GOD.bytes()});
}

// ---- UpdateMBASE ---------------------------------------------------------------------

class UpdateMBaseController : public FormController {
public:
    // Ctrl+H recalls the name, the server and the folder.
    explicit UpdateMBaseController(ProcedureObjects& o)
        : FormController(o, {.updated = Relate::MBASE(),
                             .recall_fields = RecallFields(
                                 o.window, MLayout(), {"M:NAZIVFIRME", "M:SERVERNAME", "M:FOLDERNAME"})}) {}

    // A delete has a caption of its own.
    int EventLoop() override {
        if (REQUEST != DeleteRecord) return FormController::EventLoop();
        window().SetText(0, rt::ui::Prop::Text, "Record Will Be Deleted");
        return ProcedureController::EventLoop();
    }
};

// ---- PromenaServeraMB ----------------------------------------------------------------

struct ServerNames {
    rt::FString<50> STARISERV;
    rt::FString<50> NOVISERV;
};

class PromenaServeraController : public ProcedureController {
public:
    PromenaServeraController(ProcedureObjects& o, ServerNames& names)
        : ProcedureController(o), names_(names) {}

    int Setup() override {
        const int level = ProcedureController::Setup();
        if (level != kLevelGoOn) return level;
        if (rt::RelationManager* r = Relate::MBASE()) OpenRelation(*r);
        return kLevelGoOn;
    }

    int OnAccepted() override {
        const int level = ProcedureController::OnAccepted();
        if (window().field() == window().Feq("?OK")) {
            window().Update();
            ReplaceServer();
        }
        return level;
    }

protected:
    void RegisterButtons() override {
        AddDialogButton(window().Feq("?OK"), RequestCompleted);
        AddDialogButton(window().Feq("?CANCEL"), RequestCancelled);
    }

private:
    // Every firm in name order whose server is the old name, byte for byte over its 50
    // characters, takes the new name. A row that cannot be written is passed over; a row
    // another station changed meanwhile is read again and, when its server is still the
    // old one, written again.
    void ReplaceServer() {
        rt::File& mbase = Files::MBASE();
        if (rt::FileManager* fm = Access::MBASE(); !fm || fm->UseTable(rt::kUseOpen) != rt::Level::Benign)
            return;
        mbase.Clear();
        mbase.SetFrom(M_PO_NAZIVU);
        while (mbase.Next() == rt::kNoError) {
            for (int attempt = 0; attempt < 5; ++attempt) {
                if (M.SERVERNAME.view() != names_.STARISERV.view()) break;
                M.SERVERNAME = names_.NOVISERV.view();
                if (mbase.Put() != rt::kRecordChanged || mbase.Get(M_PO_NAZIVU) != rt::kNoError) break;
            }
        }
    }

    ServerNames& names_;
};

}  // namespace

void CheckBrowseMBaseFields() { BrowseMBaseController::CheckFields(); }

void BrowseMBase() {
    RunWindowProcedure("BrowseMBase", WindowKind::Browse, BrowseMBaseWindow(), BindBrowse,
                       [](ProcedureObjects& o) { return std::make_unique<BrowseMBaseController>(o); });
}

void UpdateMBASE() { RunForm<UpdateMBaseController>("UpdateMBASE", UpdateMBaseWindow(), {{MLayout(), &M}}); }

void PromenaServeraMB() {
    ServerNames names;
    RunWindowProcedure(
        "PromenaServeraMB", WindowKind::Dialog, PromenaServeraWindow(),
        [&names](rt::ui::Window& w) {
            w.Use(w.Feq("?STARISERV"), OfString(names.STARISERV));
            w.Use(w.Feq("?NOVISERV"), OfString(names.NOVISERV));
        },
        [&names](ProcedureObjects& o) { return std::make_unique<PromenaServeraController>(o, names); });
}

}  // namespace kvadrin
