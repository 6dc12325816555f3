// The keys every register answers at the window's level, with real widgets on the embedded
// store: Escape and Ctrl+F4 close each browse as its close box does, wherever its focus
// is; a question is answered by its buttons' letters and Enter; and each window stores
// where it lay when it closes, moved or not.
#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTabWidget>
#include <QtTest/QTest>
#include <fstream>
#include <functional>
#include <sstream>

#include "billing/kvd003_browse_kvadrin.h"
#include "billing/kvd004_browse_obaveze.h"
#include "billing/kvd005_browse_obracuni.h"
#include "billing/kvd011_browse_nazivi.h"
#include "billing/kvd020_izbor_za_fakture.h"
#include "billing/kvd028_browse_klauzul.h"
#include "platform/core/ini.h"
#include "platform/qt/qt_window.h"
#include "tests/billing/register_fixture.h"

using namespace kvadrin;
namespace Key = rt::ui::Key;

namespace {

class WindowKeysGui : public kvtest::RegisterGui {
protected:
    WindowKeysGui() : RegisterGui("BrowseKvadrin", "UpdateKVADRIN") {}
    void SetUp() override { SetUpRegister("KEYSDB", BrowseKvadrinWindow()); }

    // The message box open now, once there is one.
    QMessageBox* Box() {
        driver.WaitUntil([&] { return driver.MessageOpen(); }, "a message box");
        return driver.Server().Messages().front().box;
    }
    // A key typed on the box, to the button that has its focus, as the keyboard sends it.
    void KeyOnBox(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QMessageBox* box = Box();
        QWidget* target = box->focusWidget() ? box->focusWidget() : box;
        QTest::keyClick(target, key, modifiers);
        driver.Pump();
    }
    int UnitCount() {
        int n = 0;
        OnThread([&] {
            rt::FileManager* fm = Access::KVADRIN();
            fm->Open();
            fm->UseTable(rt::kUseOpen);
            rt::File& f = Files::KVADRIN();
            f.Set(f.KeyIndex("KVD:Po_broju"));
            while (f.Next() == rt::kNoError) ++n;
            fm->Close();
        });
        return n;
    }
    // Where the positions of windows of their own count from: the screen's work area.
    static QPoint Origin() {
        QScreen* s = QGuiApplication::primaryScreen();
        return s ? s->availableGeometry().topLeft() : QPoint();
    }
    std::string Settings() {
        std::ifstream in(dir_ / "KVD.INI", std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

struct Browse {
    const char* name;
    std::function<void()> procedure;
    std::uint8_t request;
    const char* notice = nullptr;  // the message it shows as it opens (OK answers it)
};

// Every register, each one from the menu and the owners also as a form's lookup; in each
// Escape and Ctrl+F4 on its list.
TEST_F(WindowKeysGui, EscapeAndCtrlF4CloseEveryBrowseAsItsCloseBoxDoes) {
    const Browse browses[] = {
        {"BrowseKvadrin", &BrowseKvadrin, 0},
        {"BrowseObaveze", &BrowseObaveze, 0},
        {"BrowseKlauzul", &BrowseKlauzul, 0},
        {"BrowseObracuni", &BrowseObracuni, 0},
        {"BrowseCene", &BrowseCene, 0},
        {"IzborZaFakture", &IzborZaFakture, 0},
        {"BrowseSFAKT", &BrowseSFAKT, 0, "Unesi klauzulu za ovaj mesec."},
        // The items of the invoice of run 1, which they sum into again as they close.
        {"BrowseSPROM",
         [] {
             OBR.OBRACUN = 1;
             Files::SFAKT().Clear();
             SFA.OBRACUN = 1;
             SFA.SHKORISNIKA = "00001";
             SFA.BROJSTANA = "1";
             BrowseSPROM();
         },
         0},
        {"BrowseNazivi", &BrowseNazivi, 0},
        {"BrowseNazivi", &BrowseNazivi, SelectRecord},
    };
    OnThread([] {
        Files::SFAKT().Clear();
        SFA.OBRACUN = 1;
        SFA.SHKORISNIKA = "00001";
        SFA.BROJSTANA = "1";
        AddRowOf(TableId::SFAKT);
    });
    for (const Browse& b : browses) {
        for (int key : {int(Key::Escape), Key::Ctrl | Key::F4}) {
            SCOPED_TRACE(std::string(b.name) + " request " + std::to_string(b.request) + " key " +
                         std::to_string(key));
            browse_ = b.name;
            StartBrowse(b.request, b.procedure);
            if (b.notice) { EXPECT_EQ(driver.Answer("OK"), b.notice); }
            KeyOnList(key);
            Closed(b.name);
            driver.WaitForThreads();
            // As its close box closes it: cancelled, whatever the request.
            EXPECT_EQ(response, RequestCancelled);
        }
    }
}

// The units' Confirm Delete ("Yes|No", No the default) by its letters and Enter; "Da|Ne"
// questions answer D and N the same way (the letters are the buttons' own).
TEST_F(WindowKeysGui, AQuestionIsAnsweredByItsButtonsLettersAndEnterGivesTheDefault) {
    OnThread([] {
        for (const char* broj : {"1", "2"}) {
            Files::KVADRIN().Clear();
            KVD.BROJ = broj;
            KVD.SHKORISNIKA = "00001";
            KVD.VODOMER = "Ne";
            KVD.KALORIMETAR = "Ne";
            AddRowOf(TableId::KVADRIN);
        }
    });
    StartBrowse(0, &BrowseKvadrin);
    WaitRows(2, "the units");
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int left;  // units after the answer
    } answers[] = {
        {Qt::Key_N, Qt::NoModifier, 2},                                        // No
        {Qt::Key_Return, Qt::NoModifier, 2},                                   // the default, No
        {Qt::Key_Enter, Qt::NoModifier, 2},  {Qt::Key_Y, Qt::AltModifier, 1},  // Alt with the letter too
        {Qt::Key_Y, Qt::ShiftModifier, 0},                                     // Yes
    };
    for (const auto& a : answers) {
        SCOPED_TRACE(std::to_string(a.key) + " -> " + std::to_string(a.left));
        PickRow(1);
        KeyOnList(Key::Delete);
        ASSERT_EQ(Box()->windowTitle().toStdString(), "Confirm Delete");
        KeyOnBox(a.key, a.modifiers);
        driver.WaitUntil([&] { return !driver.MessageOpen(); }, "the question answered by the key");
        WaitRows(a.left, "the units after the answer");
        EXPECT_EQ(UnitCount(), a.left);
    }
    CloseBrowse();

    // The buttons' own letters: D and N of "Da|Ne", and a letter no button has is no answer.
    std::atomic<int> answer{-1};
    driver.Start(
        [&] { answer = rt::ui::Message("Nastaviti?", "Pitanje", rt::ui::Icon::Question, "Da|Ne", 2); });
    KeyOnBox(Qt::Key_X);
    EXPECT_TRUE(driver.MessageOpen());
    KeyOnBox(Qt::Key_D);
    driver.WaitUntil([&] { return answer == 1; }, "Da by D");
    answer = -1;
    driver.Start(
        [&] { answer = rt::ui::Message("Nastaviti?", "Pitanje", rt::ui::Icon::Question, "DA|NE", 1); });
    KeyOnBox(Qt::Key_N);
    driver.WaitUntil([&] { return answer == 2; }, "NE by N");
}

// The cancel question of a changed form: its box leaves room for its whole caption in the
// desktop's bold caption face beside the box's icon and its close box, its only button
// there.
TEST_F(WindowKeysGui, TheCancelQuestionsBoxIsWideEnoughForItsCaption) {
    StartBrowse(0, &BrowseKvadrin);
    KeyOnList(Key::Insert);
    WaitForm("Record Will Be Added");
    driver.Type("UpdateKVADRIN", "?KVD:BROJ", "77");
    driver.Press("UpdateKVADRIN", "?CANCEL");
    QMessageBox* box = Box();
    ASSERT_EQ(box->windowTitle().toStdString(), "Changes will be lost!");
    QFont bold = QApplication::font("QMdiSubWindowTitleBar");
    bold.setBold(true);
    const QFontMetrics fm(bold);
    EXPECT_GE(box->width(), fm.horizontalAdvance(box->windowTitle()) * 3 / 2 + 4 * (fm.height() + 8));
    const Qt::WindowFlags flags = box->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint))
        << "no room taken by them";
    driver.Snapshot("UpdateKVADRIN", "cancel_question_form.png");
    driver.Answer("Yes");
    FormClosed();
    CloseBrowse();
}

// A form and a lookup that are closed where they opened (centred, never moved) store that
// position with their size.
TEST_F(WindowKeysGui, AWindowClosedWithoutBeingMovedStoresWhereItLay) {
    StartBrowse(0, &BrowseKvadrin);
    KeyOnList(Key::Insert);
    WaitForm("Record Will Be Added");
    rt::qt::QtWindow& form = driver.WaitForWindow("UpdateKVADRIN");
    const QPoint at = form.top()->pos() - Origin();
    const int x = form.DuX(at.x()), y = form.DuY(at.y());
    driver.Press("UpdateKVADRIN", "?CANCEL");
    FormClosed();
    CloseBrowse();

    browse_ = "BrowseNazivi";
    StartBrowse(SelectRecord, &BrowseNazivi);
    rt::qt::QtWindow& owners = driver.WaitForWindow("BrowseNazivi");
    const QPoint owners_at = owners.top()->pos() - Origin();
    const int ox = owners.DuX(owners_at.x()), oy = owners.DuY(owners_at.y());
    driver.Keys("BrowseNazivi", {Key::Escape});
    driver.WaitForThreads();

    rt::IniManager ini;
    ini.Init((dir_ / "KVD.INI").string(), false);
    EXPECT_EQ(ini.Fetch("UpdateKVADRIN", "XPos", -1L), x) << Settings();
    EXPECT_EQ(ini.Fetch("UpdateKVADRIN", "YPos", -1L), y);
    EXPECT_EQ(ini.Fetch("UpdateKVADRIN", "Maximize"), "No");
    EXPECT_EQ(ini.Fetch("BrowseNazivi", "XPos", -1L), ox) << Settings();
    EXPECT_EQ(ini.Fetch("BrowseNazivi", "YPos", -1L), oy);
    EXPECT_GT(ini.Fetch("BrowseNazivi", "Width", 0L), 0);
    ini.Kill();
}

}  // namespace
