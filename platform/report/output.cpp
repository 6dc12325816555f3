#include "platform/report/output.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>

#include "platform/core/path.h"
#include "platform/core/process.h"
#include "platform/core/text.h"
#include "platform/ui/controller.h"
#include "platform/ui/resource.h"

namespace rt::report {

namespace {

std::atomic<ReportDevice*> g_device{nullptr};

namespace Ctl = ui::Ctl;
using ui::MakeControl;

std::vector<ui::ControlDef> DialogButtons(int x, int y);

// A small dialog of the framework on the calling thread: OK closes it completed, Cancel
// (and its close box) cancelled.
class FrameworkDialog : public ui::WindowController {
public:
    explicit FrameworkDialog(ui::Window& w) : WindowController(w) {}
    int Setup() override {
        const int level = WindowController::Setup();
        if (level != ui::kLevelGoOn) return level;
        ui::Window& w = window();
        AddButtonAction(w.Feq("?OK"), ui::kResponseCompleted);
        AddButtonAction(w.Feq("?CANCEL"), ui::kResponseCancelled);
        Open(w);
        w.Select(FIRSTFIELD ? FIRSTFIELD : w.FirstControl());
        return ui::kLevelGoOn;
    }
    int OnAccepted() override {
        // What the user typed or chose reaches the variables before the window closes.
        if (window().field() == window().Feq("?OK")) window().Update(0);
        return WindowController::OnAccepted();
    }
};

int RunDialog(ui::Window& w) {
    FrameworkDialog controller(w);
    const int response = controller.RunWindow();
    w.Close();
    return response;
}

const ui::WindowDef& OutputWindow(const std::vector<std::string>& entries) {
    // One definition per list of entries, kept for the process (the back end keeps
    // pointers into it).
    static std::mutex m;
    static std::map<std::vector<std::string>, std::unique_ptr<ui::WindowDef>> defs;
    std::lock_guard lock(m);
    auto& slot = defs[entries];
    if (slot) return *slot;
    const int n = static_cast<int>(entries.size());
    ui::ControlDef option = MakeControl(Ctl::Option, "?OUTPUT", 6, 4, 110, 12 + 12 * n, "Output");
    for (int i = 0; i < n; ++i)
        option.children.push_back(MakeControl(Ctl::Radio, "?OUTPUT:RADIO" + std::to_string(i + 1), 14,
                                              16 + 12 * i, 96, 10, entries[static_cast<std::size_t>(i)]));
    slot = std::make_unique<ui::WindowDef>(ui::MakeWindow(ui::WindowHead{.module = "RPT$OUTPUT",
                                                                         .name = "SELECTOUTPUT",
                                                                         .caption = "Select an Output",
                                                                         .w = 170,
                                                                         .h = 24 + 12 * n + 20,
                                                                         .resizable = false,
                                                                         .mdi = false},
                                                          option, DialogButtons(122, 8)));
    return *slot;
}

// OK above Cancel at x, y.
std::vector<ui::ControlDef> DialogButtons(int x, int y) {
    return {ui::MakeButton(
                ui::ButtonDef{.label = "?OK", .at = {x, y, 42, 14}, .text = "&OK", .attrs = ui::kDefault}),
            ui::MakeButton(ui::ButtonDef{.label = "?CANCEL", .at = {x, y + 18, 42, 14}, .text = "&Cancel"})};
}

const ui::WindowDef& PdfNameWindow() {
    static const ui::WindowDef def = ui::MakeWindow(
        ui::WindowHead{.module = "RPT$OUTPUT",
                       .name = "PDFNAME",
                       .caption = "Save as PDF",
                       .w = 260,
                       .h = 54,
                       .resizable = false,
                       .mdi = false},
        ui::PromptAndEntry(
            ui::FormGrid{.x = 6, .prompt_w = 40, .entry_x = 48, .y = 6},
            ui::FormLine{.prompt = "&File name:", .picture = "@s255", .w = 206, .label = "?FILENAME"}),
        ui::FormButtons(ui::FormButtonsAt{.x = 160, .y = 32, .help = false}));
    return def;
}

}  // namespace

namespace {

// A device's whole print as one slice.
class WholePrint : public PrintJob {
public:
    WholePrint(ReportDevice& device, const Document& document, int first, int last, std::string_view job)
        : device_(device), document_(document), first_(first), last_(last), job_(job) {
        const int n = static_cast<int>(document.pages.size());
        const int from = first > 0 ? first : 1, to = last > 0 ? std::min(last, n) : n;
        pages_ = std::max(0, to - from + 1);
    }
    bool PrintSlice(int) override {
        if (!done_) error_ = device_.Print(document_, first_, last_, job_);
        done_ = true;
        return true;
    }
    int Printed() const override { return done_ && error_.empty() ? pages_ : 0; }
    int Pages() const override { return pages_; }
    void Cancel() override { done_ = true; }
    std::string Error() const override { return error_; }

private:
    ReportDevice& device_;
    const Document& document_;
    int first_, last_;
    std::string job_, error_;
    int pages_ = 0;
    bool done_ = false;
};

}  // namespace

std::unique_ptr<PrintJob> ReportDevice::StartPrint(const Document& document, int first, int last,
                                                   std::string_view job) {
    return std::make_unique<WholePrint>(*this, document, first, last, job);
}

void SetReportDevice(ReportDevice* device) { g_device = device; }
ReportDevice* GetReportDevice() { return g_device.load(); }

void PdfGenerator::SetDocumentInfo(std::string_view title, std::string_view creator, std::string_view program,
                                   std::string_view subject, std::string_view author,
                                   std::string_view keywords) {
    info_.title = std::string(title);
    info_.creator = std::string(creator);
    info_.program = std::string(program);
    info_.subject = std::string(subject);
    info_.author = std::string(author);
    info_.keywords = std::string(keywords);
}

int PdfGenerator::Output(const Document& document, std::string_view procedure) {
    SetupHook();
    ReportDevice* device = GetReportDevice();
    if (!device) return 1;
    std::string file = output_name_;
    if (file.empty()) {
        // The user names the file; the report's name in the current folder is proposed.
        // The entry shows the program's text (CP1250); the name on disk comes from it.
        std::string name =
            rt::current_folder_text() + rt::folder_separator() + std::string(procedure) + ".pdf";
        for (;;) {
            ui::Window w(PdfNameWindow());
            w.SetProcedureName(kPdfNameWindowProcedure);
            w.Use(w.Feq("?FILENAME"), ui::Binding::OfText(&name));
            if (RunDialog(w) != ui::kResponseCompleted) return 2;
            name = rt::clip(name);
            if (!name.empty()) break;
            ui::Message(rt::utf8_to_cp1250("Upišite ime PDF datoteke."), "PDF", ui::Icon::Exclamation);
        }
        file = rt::native_path(name);
    }
    const std::string error = device->WritePdf(document, file, info_, COMPRESSTEXT != 0);
    if (!error.empty()) {
        ui::Message(
            "PDF datoteka " + rt::utf8_to_cp1250(file) + " nije zapisana: " + rt::utf8_to_cp1250(error),
            "PDF", ui::Icon::Exclamation);
        return 1;
    }
    return 0;
}

void OutputSelector::AddGenerator(OutputGenerator& generator) { generators_.push_back(&generator); }

OutputGenerator* OutputSelector::GetSelectedGenerator() const {
    if (chosen_ < 2 || chosen_ - 2 >= static_cast<int>(generators_.size())) return nullptr;
    return generators_[static_cast<std::size_t>(chosen_ - 2)];
}

int OutputSelector::Ask(std::string_view procedure) {
    std::vector<std::string> entries = {"Printer"};
    for (OutputGenerator* g : generators_) entries.push_back(g->Name());
    ui::Window w(OutputWindow(entries));
    w.SetProcedureName(kOutputWindowProcedure);
    const int option = w.Feq("?OUTPUT");
    if (chosen_ < 1 || chosen_ > static_cast<int>(entries.size())) chosen_ = 1;
    std::string choice = entries[static_cast<std::size_t>(chosen_ - 1)];
    w.Use(option, ui::Binding::OfText(&choice));
    if (RunDialog(w) != ui::kResponseCompleted) return 0;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (rt::clip(choice) == entries[i]) chosen_ = static_cast<int>(i) + 1;
    return 1;
}

}  // namespace rt::report
