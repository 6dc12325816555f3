// The form conventions with real widgets: a small form over the services table on the
// embedded store, and a form over the units table whose customer code is looked up.
#include "platform/qt/qt_window.h"
#include "platform/ui/toolbar.h"
#include "shell/form.h"
#include "tests/driver/store_fixture.h"

using namespace kvadrin;
namespace Ctl = rt::ui::Ctl;
namespace Key = rt::ui::Key;

namespace {

using rt::ui::MakeControl;

// ---- The services form -------------------------------------------------------------------

constexpr const char* kForm = "FormObaveze";

const rt::ui::WindowDef& ServicesDef() {
    static const rt::ui::WindowDef def = [] {
        rt::ui::WindowDef d;
        d.module = "KVQ$FORM";
        d.name = "P1$QUICKWINDOW";
        d.caption = "Form OBAVEZE";
        d.w = 200, d.h = 80;
        d.resizable = true;
        d.controls = {
            MakeControl(Ctl::Prompt, "?OBA:SIFRA:PROMPT", 6, 8, 40, 10, "&Sifra"),
            MakeControl(Ctl::Entry, "?OBA:SIFRA", 50, 8, 40, 10, "", "@s7", rt::ui::kReq | rt::ui::kUpr),
            MakeControl(Ctl::Prompt, "?OBA:NAZIV:PROMPT", 6, 22, 40, 10, "&Naziv"),
            MakeControl(Ctl::Entry, "?OBA:NAZIV", 50, 22, 100, 10, "", "@s20"),
            MakeControl(Ctl::Prompt, "?OBA:JM:PROMPT", 6, 36, 40, 10, "&JM"),
            MakeControl(Ctl::Entry, "?OBA:JM", 50, 36, 30, 10, "", "@s5"),
            MakeControl(Ctl::Button, "?OK", 50, 58, 45, 14, "&OK", "", rt::ui::kDefault),
            MakeControl(Ctl::Button, "?CANCEL", 100, 58, 45, 14, "&Cancel"),
            MakeControl(Ctl::Button, "?HELP", 150, 58, 45, 14, "&Help", "", rt::ui::kHide)};
        return d;
    }();
    return def;
}

const rt::RecordLayout& ObaLayout() { return table_def(TableId::OBAVEZE).layout; }

std::atomic<bool> g_opened{false};

class ServicesForm : public FormController {
public:
    explicit ServicesForm(ProcedureObjects& o) : FormController(o, Parts(o.window)) {}
    void DefaultFields() override {
        OBA.NACIN = "Fiksno";
        OBA.KOLONA = "Ostalo";
        FormController::DefaultFields();
    }
    void Opened() override {
        g_opened = true;
        FormController::Opened();
    }

private:
    static FormParts Parts(rt::ui::Window& w) {
        FormParts p;
        p.updated = Relate::OBAVEZE();
        p.cascade = true;
        p.history = FormHistory(kForm, ObaLayout());
        p.recall_fields = {{w.Feq("?OBA:SIFRA"), 1}, {w.Feq("?OBA:NAZIV"), 2}, {w.Feq("?OBA:JM"), 3}};
        p.ok = w.Feq("?OK");
        p.cancel = w.Feq("?CANCEL");
        p.help = w.Feq("?HELP");
        p.first_field = w.Feq("?OBA:SIFRA:PROMPT");
        return p;
    }
};

void RunServicesForm() {
    RunWindowProcedure(
        kForm, WindowKind::Form, ServicesDef(),
        [](rt::ui::Window& w) {
            for (const char* f : {"OBA:SIFRA", "OBA:NAZIV", "OBA:JM"})
                w.Use(w.Feq(std::string("?") + f), rt::ui::Binding::OfField(*ObaLayout().field(f), &OBA));
        },
        [](ProcedureObjects& o) { return std::make_unique<ServicesForm>(o); });
}

// Writes a service straight to the table, on the calling procedure thread.
void Seed(const char* code, const char* name, const char* unit) {
    Files::OBAVEZE().Clear();
    OBA.SIFRA = code;
    OBA.NAZIV = name;
    OBA.JM = unit;
    OBA.NACIN = "Stan";
    OBA.KOLONA = "Voda";
    kvtest::StoreTest::AddRowOf(TableId::OBAVEZE);
}

// The buffer positioned on a service, as the browse leaves it before calling its form
// (the table stays open, as the browse holds it, until the caller closes it).
void Position(const char* code) {
    rt::FileManager* fm = Access::OBAVEZE();
    fm->Open();
    Files::OBAVEZE().Clear();
    OBA.SIFRA = code;
    EXPECT_EQ(fm->GetByKeyQuiet(ObaLayout().key_index("OBA:Po_sifri")), 0) << code;
}

// ---- The units form with its customer lookup -------------------------------------------

constexpr const char* kUnitForm = "FormKvadrin";
constexpr const char* kLookup = "LookupNazivi";

const rt::ui::WindowDef& UnitDef() {
    static const rt::ui::WindowDef def = [] {
        rt::ui::WindowDef d;
        d.module = "KVQ$FORM";
        d.name = "P1$UNITWINDOW";
        d.caption = "Form KVADRIN";
        d.w = 220, d.h = 70;
        d.controls = {MakeControl(Ctl::Prompt, "?KVD:BROJ:PROMPT", 6, 8, 40, 10, "&Broj"),
                      MakeControl(Ctl::Entry, "?KVD:BROJ", 50, 8, 50, 10, "", "@s10"),
                      MakeControl(Ctl::Prompt, "?KVD:SHKORISNIKA:PROMPT", 6, 22, 40, 10, "&Šifra"),
                      MakeControl(Ctl::Entry, "?KVD:SHKORISNIKA", 50, 22, 30, 10, "", "@n05",
                                  rt::ui::kReq | rt::ui::kRight),
                      MakeControl(Ctl::Button, "?CALLLOOKUP", 82, 22, 12, 10, "..."),
                      MakeControl(Ctl::StringPic, "?NAZ:NAZIV1", 98, 23, 110, 10, "", "@s30"),
                      MakeControl(Ctl::Button, "?OK", 110, 48, 45, 14, "&OK", "", rt::ui::kDefault),
                      MakeControl(Ctl::Button, "?CANCEL", 160, 48, 45, 14, "&Cancel")};
        return d;
    }();
    return def;
}

const rt::ui::WindowDef& LookupDef() {
    static const rt::ui::WindowDef def = [] {
        rt::ui::WindowDef d;
        d.module = "KVQ$FORM";
        d.name = "P1$LOOKUP";
        d.caption = "Nazivi";
        d.w = 120, d.h = 40;
        d.controls = {MakeControl(Ctl::Button, "?SELECT", 6, 12, 50, 14, "&Select"),
                      MakeControl(Ctl::Button, "?CLOSE", 62, 12, 50, 14, "&Close")};
        return d;
    }();
    return def;
}

const rt::RecordLayout& NazLayout() { return table_def(TableId::NAZIVI).layout; }
int NazKey() { return NazLayout().key_index("NAZ:PO_KONTU"); }

std::atomic<int> g_lookups{0};

// The lookup: Select chooses customer 00042 and leaves it in the buffer; Close cancels.
class Lookup : public ProcedureController {
public:
    using ProcedureController::ProcedureController;
    void RegisterButtons() override {
        AddDialogButton(window().Feq("?SELECT"), RequestCompleted);
        AddDialogButton(window().Feq("?CLOSE"), RequestCancelled);
    }
    int Setup() override {
        ++g_lookups;
        EXPECT_EQ(CallRequest, SelectRecord);
        return ProcedureController::Setup();
    }
    int OnAccepted() override {
        if (window().field() == window().Feq("?SELECT")) {
            NAZ.ANALITIKA = "00042";
            Access::NAZIVI()->GetByKeyQuiet(NazKey());
        }
        return ProcedureController::OnAccepted();
    }
};

void RunLookup() {
    RunWindowProcedure(kLookup, WindowKind::Dialog, LookupDef(), {},
                       [](ProcedureObjects& o) { return std::make_unique<Lookup>(o); });
}

class UnitForm : public FormController {
public:
    explicit UnitForm(ProcedureObjects& o) : FormController(o, Parts(o.window)) {
        FormLookup l;
        l.entry = o.window.Feq("?KVD:SHKORISNIKA");
        l.button = o.window.Feq("?CALLLOOKUP");
        l.table = Access::NAZIVI();
        l.key = NazKey();
        l.to_key = [] { NAZ.ANALITIKA = KVD.SHKORISNIKA.str(); };
        l.from_key = [] { KVD.SHKORISNIKA = NAZ.ANALITIKA.str(); };
        AddLookup(std::move(l));
    }

protected:
    void CallUpdate(int) override { RunLookup(); }

private:
    static FormParts Parts(rt::ui::Window& w) {
        FormParts p;
        p.updated = Relate::KVADRIN();
        p.opened = Relate::NAZIVI();
        p.cascade = true;
        p.history = FormHistory(kUnitForm, table_def(TableId::KVADRIN).layout);
        p.ok = w.Feq("?OK");
        p.cancel = w.Feq("?CANCEL");
        p.first_field = w.Feq("?KVD:BROJ:PROMPT");
        return p;
    }
};

void RunUnitForm() {
    const rt::RecordLayout& kl = table_def(TableId::KVADRIN).layout;
    RunWindowProcedure(
        kUnitForm, WindowKind::Form, UnitDef(),
        [&](rt::ui::Window& w) {
            w.Use(w.Feq("?KVD:BROJ"), rt::ui::Binding::OfField(*kl.field("KVD:BROJ"), &KVD));
            w.Use(w.Feq("?KVD:SHKORISNIKA"), rt::ui::Binding::OfField(*kl.field("KVD:SHKORISNIKA"), &KVD));
            w.Use(w.Feq("?NAZ:NAZIV1"), rt::ui::Binding::OfField(*NazLayout().field("NAZ:NAZIV1"), &NAZ));
        },
        [](ProcedureObjects& o) { return std::make_unique<UnitForm>(o); });
}

// ---- The fixture -----------------------------------------------------------------------

class FormGui : public kvtest::StoreTest {
protected:
    void SetUp() override {
        SetUpStore("FORMDB");
        g_opened = false;
        g_lookups = 0;
        OnThread([] {
            Seed("VODA", "Voda", "m3");
            Seed("STRUJA", "Struja", "kWh");
        });
    }
    // A service as stored: "naziv|jm|nacin|kolona", "" when there is none.
    std::string StoredNow(const char* code) {
        std::string out;
        OnThread([&] {
            if (ReadRow(TableId::OBAVEZE, "OBA:Po_sifri", [&] { OBA.SIFRA = code; }))
                out = OBA.NAZIV.str() + "|" + OBA.JM.str() + "|" + OBA.NACIN.str() + "|" + OBA.KOLONA.str();
        });
        return out;
    }
    // Calls the services form with a request (positioned on `code` for change, delete and
    // view); the response and the navigation request land in the fixture.
    int StartForm(std::uint8_t request, const char* code = "") {
        response = -1;
        nav = -1;
        return driver.Start([this, request, code] {
            if (*code)
                Position(code);
            else
                Files::OBAVEZE().Clear();
            CallNavRequest = 0;
            CallRequest = request;
            RunServicesForm();
            if (*code) Access::OBAVEZE()->Close();
            response = CallResponse;
            nav = CallNavRequest;
        });
    }
    void WaitForm() { driver.WaitForWindow(kForm); }
    void Finish() {
        Closed(kForm);
        driver.WaitForThreads();
    }

    // The looked-up customer's name beside the code (the display pads it to its picture).
    std::string Name() { return rt::clip(driver.Text(kUnitForm, "?NAZ:NAZIV1")); }

    std::atomic<int> response{-1}, nav{-1};
};

TEST_F(FormGui, InsertChangeAndViewAnswerByRequest) {
    // Insert: the caption, the defaults of a new record, the code stored in upper case.
    StartForm(InsertRecord);
    WaitForm();
    driver.WaitUntil([&] { return driver.Caption(kForm) == "Record Will Be Added"; }, "insert caption");
    driver.Type(kForm, "?OBA:SIFRA", "gas");
    driver.Type(kForm, "?OBA:NAZIV", "Gas");
    driver.Type(kForm, "?OBA:JM", "m3");
    driver.Snapshot(kForm, "form_insert.png");
    driver.Press(kForm, "?OK");
    Finish();
    EXPECT_EQ(response, RequestCompleted);
    EXPECT_EQ(StoredNow("GAS"), "Gas|m3|Fiksno|Ostalo");

    // Change: the caption, the record updated.
    StartForm(ChangeRecord, "VODA");
    WaitForm();
    driver.WaitUntil([&] { return driver.Caption(kForm) == "Record Will Be Changed"; }, "change caption");
    EXPECT_EQ(driver.Text(kForm, "?OBA:NAZIV"), "Voda");
    EXPECT_FALSE(ReadOnly(kForm, "?OBA:NAZIV"));
    driver.Type(kForm, "?OBA:NAZIV", "Hladna voda");
    driver.Press(kForm, "?OK");
    Finish();
    EXPECT_EQ(response, RequestCompleted);
    EXPECT_EQ(StoredNow("VODA"), "Hladna voda|m3|Stan|Voda");

    // View: read-only entries; OK and Cancel both answer cancelled and save nothing.
    for (const char* button : {"?OK", "?CANCEL"}) {
        SCOPED_TRACE(button);
        StartForm(ViewRecord, "STRUJA");
        WaitForm();
        driver.WaitUntil([&] { return driver.Caption(kForm) == "View Record"; }, "view caption");
        driver.WaitUntil(
            [&] {
                return ReadOnly(kForm, "?OBA:SIFRA") && ReadOnly(kForm, "?OBA:NAZIV") &&
                       ReadOnly(kForm, "?OBA:JM");
            },
            "read-only entries");
        driver.Press(kForm, button);
        Finish();
        EXPECT_FALSE(driver.MessageOpen());
        EXPECT_EQ(response, RequestCancelled);
    }
    EXPECT_EQ(StoredNow("STRUJA"), "Struja|kWh|Stan|Voda");
}

TEST_F(FormGui, DeleteAsksWithoutOpeningTheFormAndAnswersCompletedOnlyWhenTheRecordIsGone) {
    struct Case {
        const char* answer;
        int response;
        bool gone;
    } cases[] = {{"No", RequestCancelled, false}, {"Yes", RequestCompleted, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        StartForm(DeleteRecord, "STRUJA");
        EXPECT_EQ(MessageTitle(), "Confirm Delete");
        EXPECT_EQ(driver.Answer(c.answer), "Are you sure you want to delete the highlighted record?");
        driver.WaitForThreads();
        EXPECT_EQ(response, c.response);
        EXPECT_EQ(StoredNow("STRUJA").empty(), c.gone);
    }
    // A service that prices still use: the relation object refuses, the form answers 2.
    OnThread([] {
        Files::CENE().Clear();
        CEN.OBRACUN = 1;
        CEN.SIFRA = "VODA";
        AddRowOf(TableId::CENE);
    });
    StartForm(DeleteRecord, "VODA");
    EXPECT_EQ(driver.Answer("Yes"), "Are you sure you want to delete the highlighted record?");
    EXPECT_EQ(MessageTitle(), "Referential Integrity Delete Error");
    driver.Answer("OK");
    driver.WaitForThreads();
    EXPECT_EQ(response, RequestCancelled);
    EXPECT_EQ(StoredNow("VODA"), "Voda|m3|Stan|Voda");

    EXPECT_FALSE(g_opened);
    // No placement stored for a window that never opened.
    EXPECT_EQ(ProgramSettings.Fetch(kForm, "Maximize"), "");
}

TEST_F(FormGui, CancelAsksOnlyWhenTheRecordChanged) {
    // Unchanged: closes at once.
    StartForm(ChangeRecord, "VODA");
    WaitForm();
    driver.Press(kForm, "?CANCEL");
    Finish();
    EXPECT_FALSE(driver.MessageOpen());
    EXPECT_EQ(response, RequestCancelled);

    // Changed: "no" keeps the form open with the focus on the first field; "yes" discards.
    StartForm(ChangeRecord, "VODA");
    WaitForm();
    driver.Type(kForm, "?OBA:NAZIV", "Topla voda");
    driver.Press(kForm, "?CANCEL");
    EXPECT_EQ(MessageTitle(), "Changes will be lost!");
    EXPECT_EQ(driver.Answer("No"), "Are you sure you want to cancel?");
    // The first field is the code's prompt, which hands the focus to its entry.
    driver.WaitUntil([&] { return driver.Focused(kForm).rfind("?OBA:SIFRA", 0) == 0; },
                     "focus on the first field");
    EXPECT_EQ(response, -1);  // still running
    driver.Press(kForm, "?CANCEL");
    EXPECT_EQ(driver.Answer("Yes"), "Are you sure you want to cancel?");
    Finish();
    EXPECT_EQ(response, RequestCancelled);
    EXPECT_EQ(StoredNow("VODA"), "Voda|m3|Stan|Voda");

    // The application closing down closes a changed form without the question.
    StartForm(ChangeRecord, "VODA");
    WaitForm();
    driver.Type(kForm, "?OBA:NAZIV", "Izgubljeno");
    EXPECT_GE(rt::ui::CloseDownOtherThreads(), 1);
    Finish();
    EXPECT_FALSE(driver.MessageOpen());
    EXPECT_EQ(response, RequestCancelled);
    EXPECT_EQ(StoredNow("VODA"), "Voda|m3|Stan|Voda");
}

TEST_F(FormGui, ARefusedSaveKeepsTheFormOpen) {
    StartForm(InsertRecord);
    WaitForm();
    // A required code left empty: the focus goes to it and nothing is written.
    driver.Type(kForm, "?OBA:NAZIV", "Bez šifre");
    driver.Press(kForm, "?OK");
    driver.WaitUntil([&] { return driver.Focused(kForm) == "?OBA:SIFRA"; }, "focus on the required code");
    EXPECT_FALSE(driver.MessageOpen());
    // A code that exists: the access object's message, and the form stays.
    driver.Type(kForm, "?OBA:SIFRA", "voda");
    driver.Press(kForm, "?OK");
    EXPECT_EQ(MessageTitle(), "Duplicate Key Error");
    const std::string text = driver.Answer("OK");
    EXPECT_NE(text.find("duplicate entry"), std::string::npos) << text;
    driver.Pump();
    EXPECT_EQ(response, -1);
    EXPECT_EQ(driver.Caption(kForm), "Record Will Be Added");
    // Corrected, it saves.
    driver.Type(kForm, "?OBA:SIFRA", "TOPLA");
    driver.Press(kForm, "?OK");
    Finish();
    EXPECT_EQ(response, RequestCompleted);
    EXPECT_EQ(StoredNow("VODA"), "Voda|m3|Stan|Voda");
    EXPECT_EQ(StoredNow("TOPLA"), rt::utf8_to_cp1250("Bez šifre") + "||Fiksno|Ostalo");
}

TEST_F(FormGui, HistoryKeyAndPreviousValueRecallTheLastSavedRecordOfTheThread) {
    response = -1;
    std::atomic<int> second{-1};
    const int thread = driver.Start([&] {
        Files::OBAVEZE().Clear();
        CallRequest = InsertRecord;
        RunServicesForm();
        response = CallResponse;
        Files::OBAVEZE().Clear();
        CallRequest = InsertRecord;
        RunServicesForm();
        second = CallResponse;
    });
    WaitForm();
    driver.Type(kForm, "?OBA:SIFRA", "LIFT");
    driver.Type(kForm, "?OBA:NAZIV", "Lift");
    driver.Type(kForm, "?OBA:JM", "kom");
    driver.Press(kForm, "?OK");
    driver.WaitUntil([&] { return response == RequestCompleted; }, "the first insert");

    WaitForm();
    driver.WaitUntil([&] { return driver.Caption(kForm) == "Record Will Be Added"; }, "the second form");
    // A save refused (duplicate code) does not count as the last saved record.
    driver.Type(kForm, "?OBA:SIFRA", "VODA");
    driver.Type(kForm, "?OBA:NAZIV", "Odbijeno");
    driver.Press(kForm, "?OK");
    EXPECT_EQ(MessageTitle(), "Duplicate Key Error");
    driver.Answer("OK");
    driver.Focus(kForm, "?OBA:NAZIV");
    driver.Keys(kForm, {Key::CtrlH});
    driver.WaitUntil([&] { return driver.Text(kForm, "?OBA:NAZIV") == "Lift"; }, "Ctrl+H recalls the name");
    driver.Focus(kForm, "?OBA:JM");
    driver.WaitUntil([&] { return driver.Focused(kForm) == "?OBA:JM"; }, "focus on the unit");
    driver.Pump();
    rt::ui::rtl_post(rt::ui::Event::Accepted, rt::ui::ToolbarButton::History, thread);
    driver.WaitUntil([&] { return driver.Text(kForm, "?OBA:JM") == "kom"; },
                     "Previous value recalls the unit");
    driver.Press(kForm, "?CANCEL");
    driver.Answer("Yes");
    driver.WaitForThreads();
    EXPECT_EQ(second, RequestCancelled);
}

TEST_F(FormGui, ToolbarNavigationCompletesAsOkAndLeavesTheButtonForTheBrowse) {
    struct Case {
        std::uint8_t request;
        const char* code;
        int button;
        bool completes;
        bool with_code = true;  // an insert without its required code cannot complete
    } cases[] = {
        {ChangeRecord, "VODA", rt::ui::ToolbarButton::Down, true},
        {ChangeRecord, "VODA", rt::ui::ToolbarButton::Top, true},
        {InsertRecord, "", rt::ui::ToolbarButton::Insert, true},
        {InsertRecord, "", rt::ui::ToolbarButton::Top, false},
        {InsertRecord, "", rt::ui::ToolbarButton::Down, false, false},
        {ViewRecord, "VODA", rt::ui::ToolbarButton::Down, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        SCOPED_TRACE(static_cast<int>(c.request));
        const int thread = StartForm(c.request, c.code);
        WaitForm();
        driver.WaitUntil([&] { return !driver.Caption(kForm).empty(); }, "the caption");
        if (c.request == InsertRecord && c.with_code)
            driver.Type(kForm, "?OBA:SIFRA", ("NOV" + std::to_string(++n)).c_str());
        else if (c.request == InsertRecord)
            driver.Type(kForm, "?OBA:NAZIV", "bez");
        driver.Pump();
        rt::ui::rtl_post(rt::ui::Event::Accepted, c.button, thread);
        if (!c.completes) {
            // Not offered, or refused by the OK check: the form stays until cancelled, and
            // the browse is left no navigation.
            if (!c.with_code)
                driver.WaitUntil([&] { return driver.Focused(kForm) == "?OBA:SIFRA"; }, "the code refused");
            driver.Pump();
            EXPECT_EQ(response, -1);
            driver.Press(kForm, "?CANCEL");
            if (c.request == InsertRecord) driver.Answer("Yes");
        }
        Finish();
        EXPECT_EQ(response, c.completes ? RequestCompleted : RequestCancelled);
        EXPECT_EQ(nav, c.completes ? c.button : 0);
    }
    EXPECT_EQ(StoredNow("NOV1"), "||Fiksno|Ostalo");
}

TEST_F(FormGui, CustomerCodeIsNormalisedAndAMissingCodeOpensTheLookup) {
    OnThread([] {
        AddOwner("00007", "Petar");
        AddOwner("00042", "Jovana");
    });
    response = -1;
    driver.Start([this] {
        Files::KVADRIN().Clear();
        Files::NAZIVI().Clear();
        CallRequest = InsertRecord;
        RunUnitForm();
        response = CallResponse;
    });
    driver.WaitForWindow(kUnitForm);
    // OK with the required code empty: it becomes "00000", which does not exist, and the
    // lookup opens; cancelled, the accept is refused, the focus returns to the code and
    // the form stays.
    driver.Press(kUnitForm, "?OK");
    driver.WaitForWindow(kLookup);
    driver.Press(kLookup, "?CLOSE");
    driver.WaitClosed(kLookup);
    driver.WaitUntil([&] { return driver.Focused(kUnitForm) == "?KVD:SHKORISNIKA"; },
                     "focus back on the code");
    EXPECT_EQ(driver.Text(kUnitForm, "?KVD:SHKORISNIKA"), "00000");
    EXPECT_EQ(Name(), "");
    EXPECT_EQ(g_lookups, 1);
    EXPECT_EQ(response, -1);

    // "7" becomes "00007", which exists: no lookup, the name is shown.
    driver.Type(kUnitForm, "?KVD:SHKORISNIKA", "7");
    driver.WaitUntil([&] { return driver.Text(kUnitForm, "?KVD:SHKORISNIKA") == "00007"; }, "00007");
    driver.WaitUntil([&] { return Name() == "Petar"; }, "the customer's name");
    EXPECT_EQ(g_lookups, 1);

    // A missing code, then a row chosen in the lookup: its code comes back.
    driver.Type(kUnitForm, "?KVD:SHKORISNIKA", "99");
    driver.WaitForWindow(kLookup);
    driver.Press(kLookup, "?SELECT");
    driver.WaitClosed(kLookup);
    driver.WaitUntil([&] { return driver.Text(kUnitForm, "?KVD:SHKORISNIKA") == "00042"; },
                     "the chosen code");
    driver.WaitUntil([&] { return Name() == "Jovana"; }, "the chosen name");

    // The lookup button, cancelled, keeps the code.
    driver.Press(kUnitForm, "?CALLLOOKUP");
    driver.WaitForWindow(kLookup);
    driver.Press(kLookup, "?CLOSE");
    driver.WaitClosed(kLookup);
    driver.WaitUntil([&] { return Name() == "Jovana"; }, "name kept");
    EXPECT_EQ(driver.Text(kUnitForm, "?KVD:SHKORISNIKA"), "00042");
    EXPECT_EQ(g_lookups, 3);
    driver.Snapshot(kUnitForm, "form_lookup.png");

    driver.Press(kUnitForm, "?CANCEL");
    driver.Answer("Yes");
    driver.WaitClosed(kUnitForm);
    driver.WaitForThreads();
    EXPECT_EQ(response, RequestCancelled);
}

TEST_F(FormGui, ViewModeDisablesTheLookupButton) {
    driver.Start([] {
        Files::KVADRIN().Clear();
        KVD.SHKORISNIKA = "00007";
        CallRequest = ViewRecord;
        RunUnitForm();
    });
    driver.WaitForWindow(kUnitForm);
    driver.WaitUntil([&] { return !driver.Enabled(kUnitForm, "?CALLLOOKUP"); }, "the lookup button disabled");
    EXPECT_TRUE(ReadOnly(kUnitForm, "?KVD:SHKORISNIKA"));
    driver.Press(kUnitForm, "?OK");
    driver.WaitClosed(kUnitForm);
    driver.WaitForThreads();
    EXPECT_EQ(g_lookups, 0);
}

}  // namespace
