#include "billing/report_frame.h"

#include "data/globals.h"
#include "data/program_objects.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/files/relation.h"

namespace kvadrin {

namespace {

using namespace rt::ui;

constexpr const char* kPdfTitle = "Izveštaj";

}  // namespace

rt::ui::WindowDef ProgressWindow(std::string module, std::string_view caption) {
    return MakeWindow(
        WindowHead{.module = std::move(module),
                   .name = "P1$PROGRESSWINDOW",
                   .caption = caption,
                   .w = 142,
                   .h = 59,
                   .resizable = false,
                   .mdi = false},
        MakeControl(Ctl::Progress, "?PROGRESS:THERMOMETER", 15, 15, 111, 12),
        MakeControl(Ctl::String, "?PROGRESS:USERSTRING", 0, 3, 141, 10, "", kCenter),
        MakeControl(Ctl::String, "?PROGRESS:PCTTEXT", 0, 30, 141, 10, "", kCenter),
        MakeButton(ButtonDef{
            .label = "?PROGRESS:CANCEL", .at = {45, 42, 50, 15}, .text = "Cancel", .tip = "Cancel Report"}));
}

rt::ui::Binding ReportVariable(std::string_view name) {
    const std::size_t colon = name.find(':');
    if (colon != std::string_view::npos) {
        const std::string_view prefix = name.substr(0, colon);
        for (int i = 0; i < kTableCount; ++i) {
            const auto id = static_cast<TableId>(i);
            if (prefix != table_prefix(id)) continue;
            const rt::FieldDef* f = table_def(id).layout.field(name);
            if (!f) return {};
            return Binding::OfField(*f, record_buffer(id));
        }
        return {};
    }
    auto text = [](auto& v) {
        return Binding{Binding::Kind::Field, rt::FieldType::String, sizeof v, static_cast<void*>(&v)};
    };
    if (name == "NAZIVFIRME") return text(NAZIVFIRME);
    if (name == "ADRESA") return text(ADRESA);
    if (name == "MESTO") return text(MESTO);
    if (name == "ZIRORAC1") return text(ZIRORAC1);
    if (name == "PIB") return text(PIB);
    if (name == "MATBROJ") return text(MATBROJ);
    return {};
}

void ReportPdfGenerator::SetupHook() {
    PdfGenerator::SetupHook();
    SetOutputName("");
    SetDocumentInfo(kPdfTitle, "KVD", program_, program_, "", "");
    SetBookmarkPages(0);
    SetScanCopyMode(0);
    COMPRESSTEXT = 1;
    COMPRESSIMAGES = 1;
}

ReportFrame::ReportFrame(ProcedureObjects& objects, const rt::report::ReportDef& report,
                         std::string pdf_program)
    : ProcedureController(objects),
      report_(report),
      runner_(*this, objects.name),
      pdf_(std::move(pdf_program)),
      step_(std::make_unique<ScrollStep>()) {
    runner_.begin_report = [this] { return BeginReport(); };
}

ReportFrame::~ReportFrame() = default;

int ReportFrame::Setup() {
    int level = SetupHead();
    if (level != kLevelGoOn) return level;
    level = BeforeTables();
    if (level != kLevelGoOn) return level;
    Window& w = window();
    OpenTables();
    FILESOPENED = 1;
    level = Prepare();
    if (level != kLevelGoOn) return level;
    report_.BindAll(ReportVariable);

    Open(w);
    objects().alerts.AlertMouseWheel(w);
    objects().alerts.AlertSessionEnd(w);
    LoadWindowPosition(ProgramSettings, procedure_name());

    // The output: cancelled, nothing is printed.
    selector_.AddGenerator(pdf_);
    if (selector_.Ask(procedure_name()) == 0) return kLevelFatal;
    if (selector_.GetChoice() == 0) runner_.SetOutputGenerator(selector_.GetSelectedGenerator());
    runner_.SetTargetSelector(&selector_);

    rt::report::ProcessManager& process = Process();
    DefineView(process);
    process.SetPercentControl(w.Feq("?PROGRESS:PCTTEXT"));
    AddButtonAction(w.Feq("?PROGRESS:CANCEL"), RequestCancelled);

    runner_.Setup(process, report_, &previewer_);
    objects().alerts.AlertMouseWheel(w);
    objects().alerts.AlertSessionEnd(w);

    w.SetText(w.Feq("?PROGRESS:USERSTRING"), Prop::Text, "");
    if (process.relation()) process.relation()->ToggleQuickScan(true);
    w.Set(0, Prop::Timer, 10);

    runner_.SKIPPREVIEW = 0;
    runner_.ZOOM = -1;
    runner_.SHOWOUTPUTPROGRESS = 1;
    previewer_.AttachIniManager(ProgramSettings);
    previewer_.ALLOWUSERZOOM = 1;
    previewer_.MAXIMIZE = 1;
    previewer_.SHOWOUTPUTPROGRESS = 1;
    previewer_.ALLOWPRINTCURRENT = 1;
    previewer_.ALLOWSENDREPORT = 0;
    previewer_.ONEPAGEREPORTLANDSCAPE = 0;

    DeclareAlertKeys();
    objects().focus.Configure(w);
    if (objects().navigation) objects().navigation->DeclareAlertKeys(w, 0);
    return kLevelGoOn;
}

int ReportFrame::BeginReport() { return runner_.BeginReport(); }

int ReportFrame::OnWindowEvent() {
    const int level = ProcedureController::OnWindowEvent();
    if (level != kLevelGoOn) return level;
    return runner_.OnWindowEvent();
}

int ReportFrame::Teardown() {
    const int level = ProcedureController::Teardown();
    runner_.Teardown();
    return level;
}

}  // namespace kvadrin
