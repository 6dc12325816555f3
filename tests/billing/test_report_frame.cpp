// The report frame with real windows: the output choice, the process behind the progress
// window and its Cancel, the progress window's placement, the preview's paging, zoom and
// placement, and printing through the printer (a PDF printer here).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QPrinter>
#include <QProgressBar>
#include <QScrollArea>
#include <QSpinBox>
#include <QTest>
#include <QWheelEvent>
#include <atomic>
#include <chrono>
#include <cstdio>
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
#include "tests/qt/small_window.h"

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
        // A line of many small texts: pages that take the printer a while.
        Band heavy;
        heavy.label = "?HEAVY";
        heavy.h = 10;
        for (int i = 0; i < 36; ++i)
            heavy.controls.push_back(Text("", 5.0 * i, 2, "x" + std::to_string(i), Font{"Arial", 6, 400}));
        d.bands = {header, detail, heavy};
        return d;
    }();
    return def;
}

std::atomic<int> g_printed{0};
std::atomic<int> g_delay_ms{0};
std::atomic<bool> g_heavy{false};

class ProbeProcess : public rt::report::ProcessManager {
public:
    explicit ProbeProcess(rt::report::Report& r) : report_(r) {}
    int OnRecord() override {
        if (g_delay_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(g_delay_ms.load()));
        report_.Print(g_heavy ? "?HEAVY" : "?DETAIL");
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
        g_heavy = false;
    }
    void TearDown() override {
        QPrinter& printer = driver.Server().printer();
        printer.setOutputFileName(QString());
        printer.setOutputFormat(QPrinter::NativeFormat);
        StoreTest::TearDown();
        g_delay_ms = 0;
        g_heavy = false;
    }
    // The printer prints into a PDF file.
    void PrintTo(const std::string& pdf) {
        QPrinter& printer = driver.Server().printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
    }
    // The oldest open message box's caption and text (UTF-8), once it is open.
    std::pair<std::string, std::string> Message() {
        const std::string text = driver.MessageText();
        const auto open = driver.Server().Messages();
        return {open.empty() ? std::string("(none)") : open.front().box->windowTitle().toStdString(), text};
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

// Every message of the report layer shows its letters (the program's text converted for the
// screen), each raised as the user meets it.
TEST_F(ReportFrameGui, TheReportLayersMessagesShowTheirLetters) {
    AddUnits(3);
    ReportSteps steps(driver);
    {
        SCOPED_TRACE("a printer that cannot be opened");
        PrintTo((dir_ / "nema" / "printer.pdf").string());
        Start();
        steps.ChooseOutput(1);
        steps.PressInPreview(steps.WaitPreview(kProc), "kvPrint");
        const auto [caption, text] = Message();
        EXPECT_EQ(caption, "Štampa");
        EXPECT_EQ(text, "Izveštaj nije odštampan: štampač se ne može otvoriti");
        driver.Answer("OK");
        driver.WaitForThreads();
    }
    {
        SCOPED_TRACE("a PDF file without a name, then one in a folder that is not there");
        Start();
        steps.ChooseOutput(2);
        steps.PressInPreview(steps.WaitPreview(kProc), "kvPrint");
        steps.SavePdfAs(" ");  // a blank name
        const auto [caption, text] = Message();
        EXPECT_EQ(caption, "PDF");
        EXPECT_EQ(text, "Upišite ime PDF datoteke.");
        driver.Answer("OK");
        const std::string missing = (dir_ / "nema" / "izveštaj.pdf").string();
        steps.SavePdfAs(missing);
        const auto [pdf_caption, pdf_text] = Message();
        EXPECT_EQ(pdf_caption, "PDF");
        EXPECT_EQ(pdf_text, "PDF datoteka " + missing + " nije zapisana: folder " + (dir_ / "nema").string() +
                                " ne postoji");
        driver.Answer("OK");
        driver.WaitForThreads();
    }
    {
        SCOPED_TRACE("the preview's caption names the report");
        Start();
        steps.ChooseOutput(1);
        QWidget* preview = steps.WaitPreview(kProc);
        EXPECT_EQ(preview->windowTitle().toStdString(), "Print Preview - KVADRIN Report");
        steps.PressInPreview(preview, "kvClose");
        driver.WaitForThreads();
    }
}

// The preview pages with PgDn, PgUp, Ctrl+Home and Ctrl+End, and zooms with + and - and
// with Ctrl and the wheel.
TEST_F(ReportFrameGui, ThePreviewPagesAndZoomsFromTheKeyboardAndTheWheel) {
    AddUnits(65);  // four pages
    Start();
    ReportSteps steps(driver);
    steps.ChooseOutput(1);
    QWidget* preview = steps.WaitPreview(kProc);
    auto* page = preview->findChild<QSpinBox*>(QStringLiteral("kvPage"));
    auto* zoom = preview->findChild<QComboBox*>(QStringLiteral("kvZoom"));
    auto* view = preview->findChild<QLabel*>(QStringLiteral("kvPageView"));
    auto* pages = preview->findChild<QWidget*>(QStringLiteral("kvPages"));
    ASSERT_TRUE(page && zoom && view && pages);
    ASSERT_EQ(page->maximum(), 4);
    QWidget* keys = QApplication::focusWidget() ? QApplication::focusWidget() : pages;
    struct KeyCase {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int page;
    };
    const KeyCase cases[] = {
        {Qt::Key_PageDown, Qt::NoModifier, 2}, {Qt::Key_PageDown, Qt::NoModifier, 3},
        {Qt::Key_PageUp, Qt::NoModifier, 2},   {Qt::Key_End, Qt::ControlModifier, 4},
        {Qt::Key_PageDown, Qt::NoModifier, 4}, {Qt::Key_Home, Qt::ControlModifier, 1},
        {Qt::Key_PageUp, Qt::NoModifier, 1},
    };
    for (const KeyCase& c : cases) {
        QTest::keyClick(keys, c.key, c.modifiers);
        EXPECT_EQ(page->value(), c.page) << "key " << c.key;
    }
    // Zoom: from 100 % a step in and out, by keys and by the wheel with Ctrl.
    zoom->setCurrentIndex(zoom->findData(100));
    const int full = view->width();
    QTest::keyClick(keys, Qt::Key_Plus);
    EXPECT_EQ(zoom->currentData().toInt(), 150);
    EXPECT_NEAR(view->width(), full * 3 / 2, 3);
    QTest::keyClick(keys, Qt::Key_Minus);
    QTest::keyClick(keys, Qt::Key_Minus);
    EXPECT_EQ(zoom->currentData().toInt(), 75);
    QWidget* area = static_cast<QScrollArea*>(pages)->viewport();
    auto wheel = [&](int delta, Qt::KeyboardModifiers modifiers) {
        const QPointF at(area->width() / 2.0, area->height() / 2.0);
        QWheelEvent e(at, area->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(area, &e);
    };
    wheel(120, Qt::ControlModifier);
    EXPECT_EQ(zoom->currentData().toInt(), 100);
    wheel(-120, Qt::ControlModifier);
    EXPECT_EQ(zoom->currentData().toInt(), 75);
    wheel(-120, Qt::NoModifier);  // the wheel alone scrolls
    EXPECT_EQ(zoom->currentData().toInt(), 75);
    EXPECT_EQ(page->value(), 1);
    steps.PressInPreview(preview, "kvClose");
    driver.WaitForThreads();
}

// A long print runs behind the progress window: the GUI and other threads' windows answer
// while it prints, and its Cancel stops it and says so.
TEST_F(ReportFrameGui, ALongPrintLeavesTheOtherWindowsUsableAndCancelStopsIt) {
    AddUnits(1200);  // sixty heavy pages
    g_heavy = true;
    const std::string printed = (dir_ / "printer.pdf").string();
    PrintTo(printed);
    SmallWindow other("Bystander");
    driver.Start([&] { other.Run(); });
    driver.WaitForWindow("Bystander");
    Start();
    ReportSteps steps(driver);
    steps.ChooseOutput(1);
    steps.PressInPreview(steps.WaitPreview(kProc), "kvPrint");
    // Pages printed and more to come: the progress window tells how far.
    auto progress = [&] {
        const std::string text = driver.Text(kProc, "?PROGRESS:USERSTRING");
        int done = 0, all = 0;
        return std::sscanf(text.c_str(), "Štampa: %d / %d", &done, &all) == 2 ? std::pair{done, all}
                                                                              : std::pair{-1, -1};
    };
    driver.WaitUntil([&] { return progress().first > 0; }, "the print under way", 60000);
    EXPECT_EQ(progress().second, 60);
    // Another thread's window takes input meanwhile.
    driver.Type("Bystander", "?LOC:TEXT", "radi");
    driver.WaitUntil([&] { return other.Text() == "radi"; }, "the other window's variable");
    const int before_cancel = progress().first;
    EXPECT_LT(before_cancel, 60) << "the print ended before the other window answered";
    // Clicked while the thread prints (it takes the click between two slices of pages).
    auto* cancel = qobject_cast<QAbstractButton*>(driver.Widget(kProc, "?PROGRESS:CANCEL"));
    ASSERT_NE(cancel, nullptr);
    ASSERT_TRUE(cancel->isEnabled());
    cancel->click();
    const auto [caption, text] = Message();
    EXPECT_EQ(caption, "Štampa");
    EXPECT_EQ(text.rfind("Štampa je prekinuta: odštampano je ", 0), 0u) << text;
    EXPECT_NE(text.find(" od 60 strana."), std::string::npos) << text;
    driver.Answer("OK");
    driver.WaitUntil([&] { return response_ != -1; }, "the report's end");
    EXPECT_EQ(response_, RequestCancelled);
    EXPECT_FALSE(std::filesystem::exists(printed)) << "a cancelled print to a file leaves no file";
    driver.Press("Bystander", "?OK");
    driver.WaitForThreads();
}

// Printing the whole long report ends with every page in the printer's file.
TEST_F(ReportFrameGui, ALongPrintPrintsEveryPage) {
    AddUnits(400);
    g_heavy = true;
    const std::string printed = (dir_ / "printer.pdf").string();
    PrintTo(printed);
    Start();
    ReportSteps steps(driver);
    steps.ChooseOutput(1);
    steps.PressInPreview(steps.WaitPreview(kProc), "kvPrint");
    driver.WaitForThreads();
    EXPECT_EQ(response_, RequestCompleted);
    EXPECT_EQ(PdfInfo(printed, "Pages"), "20");
    EXPECT_NE(PdfText(printed).find("x35"), std::string::npos);
}

}  // namespace
}  // namespace kvtest
