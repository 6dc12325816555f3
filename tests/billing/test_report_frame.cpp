// The report frame with real windows: the output choice, the process behind the progress
// window and its Cancel, the progress window's placement, the preview's paging, zoom and
// placement, and printing through the printer (a PDF printer here).
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPrinter>
#include <QProgressBar>
#include <QSpinBox>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "billing/report_frame.h"
#include "data/access.h"
#include "data/keys.h"
#include "data/program_objects.h"
#include "data/tables.h"
#include "platform/qt/qt_window.h"
#include "platform/ui/controller.h"
#include "tests/driver/report_fixture.h"

using namespace kvadrin;

namespace kvtest {
namespace {

constexpr const char* kProc = "ProbeReport";

const rt::ui::WindowDef& ProbeProgress() {
    static const rt::ui::WindowDef def = ProgressWindow("KVQ$PROBE", "Report KVADRIN");
    return def;
}

// Units, one line of 10 mm each: twenty lines a page.
const rt::report::ReportDef& ProbeReportDef() {
    static const rt::report::ReportDef def = [] {
        using namespace rt::report;
        ReportDef d;
        d.module = "KVQ$PROBE";
        d.name = "P1$REPORT";
        d.title = "KVADRIN Report";
        d.area_x = 10, d.area_y = 40, d.area_w = 190, d.area_h = 200;
        Band header;
        header.kind = BandKind::Header;
        header.label = "?HEADER";
        header.x = 10, header.y = 10, header.h = 30;
        header.controls.push_back(Text("", 0, 0, "Spisak jedinica", Font{"Arial", 14, 700}));
        Band detail;
        detail.label = "?DETAIL";
        detail.h = 10;
        detail.controls.push_back(Field("?KVD:BROJ", 0, 2, "KVD:BROJ", "@s10"));
        d.bands = {header, detail};
        return d;
    }();
    return def;
}

std::atomic<int> g_printed{0};
std::atomic<int> g_delay_ms{0};

class ProbeProcess : public rt::report::ProcessManager {
public:
    explicit ProbeProcess(rt::report::Report& r) : report_(r) {}
    int OnRecord() override {
        if (g_delay_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(g_delay_ms.load()));
        report_.Print("?DETAIL");
        ++g_printed;
        return ProcessManager::OnRecord();
    }

private:
    rt::report::Report& report_;
};

class ProbeController : public ReportFrame {
public:
    explicit ProbeController(ProcedureObjects& o)
        : ReportFrame(o, ProbeReportDef(), kProc), process_(report()) {}

protected:
    void OpenTables() override { OpenRelation(*Relate::KVADRIN()); }
    rt::report::ProcessManager& Process() override { return process_; }
    void DefineView(rt::report::ProcessManager& p) override {
        p.Setup(Files::KVADRIN(), Relate::KVADRIN(), &window(), window().Feq("?PROGRESS:THERMOMETER"),
                &step());
        p.DefineSortOrder(KVD_Po_broju);
    }

private:
    ProbeProcess process_;
};

void ProbeReport() {
    RunWindowProcedure(kProc, WindowKind::Report, ProbeProgress(), {},
                       [](ProcedureObjects& o) { return std::make_unique<ProbeController>(o); });
}

class ReportFrameGui : public StoreTest {
protected:
    void SetUp() override {
        SetUpStore("OKVIR");
        g_printed = 0;
        g_delay_ms = 0;
    }
    void TearDown() override {
        StoreTest::TearDown();
        g_delay_ms = 0;
    }
    void AddUnits(int n) {
        OnThread([n] {
            for (int i = 1; i <= n; ++i) {
                Files::KVADRIN().Clear();
                const std::string number = std::to_string(i);
                KVD.BROJ = std::string(3 - std::min<std::size_t>(3, number.size()), '0') + number;
                KVD.SP = "Stan";
                AddRowOf(TableId::KVADRIN);
            }
        });
    }
    void Start() {
        response_ = -1;
        driver.Start([this] {
            ProbeReport();
            response_ = CallResponse;
        });
    }
    int Progress() {
        auto* bar = qobject_cast<QProgressBar*>(driver.Widget(kProc, "?PROGRESS:THERMOMETER"));
        return bar ? bar->value() : -1;
    }
    std::atomic<int> response_{-1};
};

TEST_F(ReportFrameGui, ACancelledOutputChoicePrintsNothing) {
    AddUnits(3);
    Start();
    driver.WaitForWindow(rt::report::kOutputWindowProcedure);
    EXPECT_EQ(driver.Caption(rt::report::kOutputWindowProcedure), "Select an Output");
    driver.Press(rt::report::kOutputWindowProcedure, "?CANCEL");
    driver.WaitForThreads();
    EXPECT_EQ(response_, RequestCancelled);
    EXPECT_EQ(g_printed, 0);
    EXPECT_EQ(FindPreview(kProc), nullptr);
    EXPECT_EQ(driver.Server().FindWindow(kProc), nullptr);
}

TEST_F(ReportFrameGui, CancelInTheProgressWindowStopsTheReport) {
    AddUnits(40);
    g_delay_ms = 60;
    Start();
    ReportSteps(driver).ChooseOutput(1);
    driver.WaitForWindow(kProc);
    EXPECT_EQ(driver.Caption(kProc), "Report KVADRIN");
    driver.WaitUntil([&] { return g_printed >= 3 && Progress() > 0; }, "the progress shown");
    EXPECT_NE(driver.Text(kProc, "?PROGRESS:PCTTEXT").find("%"), std::string::npos);
    driver.Press(kProc, "?PROGRESS:CANCEL");
    driver.WaitForThreads();
    EXPECT_EQ(response_, RequestCancelled);
    EXPECT_LT(g_printed, 40);
    EXPECT_EQ(FindPreview(kProc), nullptr);
}

TEST_F(ReportFrameGui, TheProgressWindowReopensWhereItWas) {
    AddUnits(40);
    g_delay_ms = 60;
    Start();
    ReportSteps(driver).ChooseOutput(1);
    rt::qt::QtWindow& first = driver.WaitForWindow(kProc);
    first.top()->move(173, 121);
    const QPoint moved = first.top()->pos();
    driver.WaitUntil([&] { return g_printed >= 2; }, "the report running");
    driver.Press(kProc, "?PROGRESS:CANCEL");
    driver.WaitForThreads();
    EXPECT_NE(ProgramSettings.Fetch(kProc, "XPos"), "");

    g_printed = 0;
    Start();
    ReportSteps(driver).ChooseOutput(1);
    rt::qt::QtWindow& again = driver.WaitForWindow(kProc);
    driver.WaitUntil([&] { return (again.top()->pos() - moved).manhattanLength() <= 4; },
                     "the progress window at its stored place");
    driver.Press(kProc, "?PROGRESS:CANCEL");
    driver.WaitForThreads();
}

TEST_F(ReportFrameGui, ThePreviewPagesZoomsAndPrintsOnThePrinter) {
    AddUnits(25);
    const std::string printed = (dir_ / "printer.pdf").string();
    QPrinter& printer = driver.Server().printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(printed));
    Start();
    ReportSteps steps(driver);
    steps.ChooseOutput(1);
    QWidget* preview = steps.WaitPreview(kProc);
    EXPECT_TRUE(preview->isMaximized());
    auto* page = preview->findChild<QSpinBox*>(QStringLiteral("kvPage"));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->maximum(), 2);
    steps.PressInPreview(preview, "kvNext");
    EXPECT_EQ(page->value(), 2);
    steps.PressInPreview(preview, "kvFirst");
    EXPECT_EQ(page->value(), 1);
    auto* zoom = preview->findChild<QComboBox*>(QStringLiteral("kvZoom"));
    ASSERT_NE(zoom, nullptr);
    auto* view = preview->findChild<QLabel*>(QStringLiteral("kvPageView"));
    zoom->setCurrentIndex(zoom->findData(50));
    const int half = view->width();
    zoom->setCurrentIndex(zoom->findData(100));
    EXPECT_NEAR(view->width(), 2 * half, 2);
    steps.PressInPreview(preview, "kvPrint");
    driver.WaitForThreads();
    printer.setOutputFileName(QString());
    printer.setOutputFormat(QPrinter::NativeFormat);
    EXPECT_EQ(response_, RequestCompleted);
    EXPECT_EQ(PdfInfo(printed, "Pages"), "2");
    const std::string text = PdfText(printed);
    EXPECT_NE(text.find("Spisak jedinica"), std::string::npos);
    EXPECT_NE(text.find("001"), std::string::npos);
    EXPECT_NE(text.find("025"), std::string::npos);
    // The preview keeps its placement.
    EXPECT_EQ(ProgramSettings.Fetch(rt::report::PreviewManager::Section(kProc), "Maximize"), "Yes");
}

TEST_F(ReportFrameGui, ClosingTheApplicationClosesThePreview) {
    AddUnits(3);
    Start();
    ReportSteps steps(driver);
    steps.ChooseOutput(1);
    steps.WaitPreview(kProc);
    EXPECT_EQ(rt::ui::CloseDownOtherThreads(), 1);
    driver.WaitForThreads();
    EXPECT_EQ(response_, RequestCancelled);
    EXPECT_EQ(FindPreview(kProc), nullptr);
}

}  // namespace
}  // namespace kvtest
