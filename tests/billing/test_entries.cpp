// What the entries of every form take, through the registers' real forms on the embedded
// store: a refused entry never stops Cancel (its button, hot key, Escape, the close box);
// pastes lose their control characters and tell the user of characters the code page
// cannot hold, typed ones are refused; codes past their five digits, numbers past their
// picture's decimals, dates past the two-digit year and keys with leading blanks; Alt with
// a key that is no hot key types nothing.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "billing/kvd003_browse_kvadrin.h"
#include "billing/kvd004_browse_obaveze.h"
#include "billing/kvd005_browse_obracuni.h"
#include "billing/kvd011_browse_nazivi.h"
#include "data/keys.h"
#include "platform/core/datetime.h"
#include "platform/core/picture.h"
#include "platform/qt/gui_server.h"
#include "platform/qt/qt_window.h"
#include "shell/kvd001_main.h"
#include "tests/billing/register_fixture.h"

using namespace kvadrin;
namespace Key = rt::ui::Key;

namespace {

constexpr const char* kCancelQuestion = "Are you sure you want to cancel?";
constexpr const char* kLeftOut = "Characters that cannot be stored were left out of the pasted text.";

// A register's browse started as the frame's menu starts it, with the steps of its form.
class EntryGui : public kvtest::RegisterGui {
protected:
    EntryGui(const char* browse, const char* form, const char* database, const rt::ui::WindowDef& window,
             std::function<void()> procedure = {})
        : RegisterGui(browse, form),
          browse_(browse),
          form_(form),
          database_(database),
          window_(window),
          procedure_(std::move(procedure)) {}
    void SetUp() override { SetUpRegister(database_, window_); }
    // The browse as the frame's menu starts it (the owners' as its lookup buttons do).
    void Start() { StartBrowse(0, procedure_ ? procedure_ : MenuProcedure(browse_)); }
    void NewRecord() {
        KeyOnList(Key::Insert);
        WaitForm("Record Will Be Added");
    }
    int Beeps() { return driver.Server().beeps(); }
    void WaitBeep(int before, const std::string& what) {
        driver.WaitUntil([&] { return Beeps() > before; }, "the beep of " + what);
    }
    std::string Shows(const std::string& label) { return rt::clip(rt::left(driver.Text(form_, label))); }
    // Pastes `utf8` into the entry, as Ctrl+V over its whole text, and leaves it with Tab.
    void Paste(const std::string& label, const std::string& utf8) {
        QGuiApplication::clipboard()->setText(
            QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
        driver.Focus(form_, label);
        if (auto* e = qobject_cast<QLineEdit*>(driver.Widget(form_, label))) e->selectAll();
        driver.Keys(form_, {Key::Ctrl | 'V'});
    }
    void Leave() { driver.Keys(form_, {Key::Tab}); }
    // Cancel of a changed form, its question answered Yes, and the form gone.
    void CancelForm() {
        driver.Press(form_, "?CANCEL");
        EXPECT_EQ(driver.Answer("Yes"), kCancelQuestion);
        FormClosed();
    }

    const char* browse_;
    const char* form_;
    const char* database_;
    const rt::ui::WindowDef& window_;
    std::function<void()> procedure_;
};

// ---------------------------------------------------------------- the units form

class UnitEntries : public EntryGui {
protected:
    UnitEntries() : EntryGui("BrowseKvadrin", "UpdateKVADRIN", "KVADRINDB", BrowseKvadrinWindow()) {}
    void SetUp() override {
        EntryGui::SetUp();
        OnThread([] { AddOwner("00012", "Petar Petrović", "Njegoševa 12"); });
    }
    // A new unit's form with its number and its customer.
    void NewUnit(const std::string& broj) {
        NewRecord();
        driver.Type(form_, "?KVD:BROJ", broj);
        driver.Type(form_, "?KVD:SHKORISNIKA", "12");
        driver.WaitUntil([&] { return Shows("?NAZ:NAZIV1") == "Petar Petrović"; }, "the customer's name");
    }
    // The unit's area as stored, with every digit the variable holds ("" when absent).
    std::string StoredArea(const std::string& broj) {
        std::string out;
        OnThread([&] {
            if (!ReadRow(TableId::KVADRIN, "KVD:Po_broju", [&] { KVD.BROJ = broj; })) return;
            char text[40];
            std::snprintf(text, sizeof text, "%.6f", double(KVD.POVRSINA));
            out = text;
        });
        return out;
    }
};

// A text the area's picture refuses keeps the focus with a beep; then every way of Cancel
// reaches the cancel question, the refused text goes with the form, and nothing is stored.
TEST_F(UnitEntries, ARefusedAreaNeverStopsCancelInAnyOfItsWays) {
    struct Way {
        const char* name;
        std::function<void()> cancel;
    };
    const std::vector<Way> ways = {
        {"the button", [&] { driver.Press(form_, "?CANCEL"); }},
        {"Alt+C", [&] { driver.Keys(form_, {Key::Alt | 'C'}); }},
        {"Escape", [&] { driver.Keys(form_, {Key::Escape}); }},
        {"the close box", [&] { driver.Server().FindWindow(form_)->top()->close(); }},
    };
    Start();
    for (const char* refused : {"NaN", "1e308", "-5", "1,5"}) {
        for (const Way& way : ways) {
            SCOPED_TRACE(std::string(refused) + " then " + way.name);
            NewUnit("T1");
            const int beeps = Beeps();
            driver.Type(form_, "?KVD:POVRSINA", refused);
            WaitBeep(beeps, refused);
            driver.WaitUntil([&] { return driver.Focused(form_) == "?KVD:POVRSINA"; }, "the focus kept");
            EXPECT_EQ(driver.Text(form_, "?KVD:POVRSINA"), refused);
            way.cancel();
            EXPECT_EQ(MessageTitle(), "Changes will be lost!");
            EXPECT_EQ(driver.Answer("Yes"), kCancelQuestion);
            FormClosed();
            EXPECT_EQ(StoredArea("T1"), "");
        }
    }
    // No keeps the form, the refused text dropped: the area shows its value again, and the
    // unit is saved with it.
    NewUnit("T2");
    driver.Type(form_, "?KVD:POVRSINA", "12.5");
    driver.Focus(form_, "?KVD:POVRSINA");
    driver.Chars(form_, "x");
    driver.Keys(form_, {Key::Escape});
    EXPECT_EQ(driver.Answer("No"), kCancelQuestion);
    driver.WaitUntil([&] { return Shows("?KVD:POVRSINA") == "12.50"; }, "the area shown again");
    driver.Press(form_, "?OK");
    FormClosed();
    EXPECT_EQ(StoredArea("T2"), "12.500000");
    // An unchanged form closes at once on Escape, even with a refused text in its entry.
    NewRecord();
    driver.Type(form_, "?KVD:POVRSINA", "NaN");
    driver.Keys(form_, {Key::Escape});
    FormClosed();
    EXPECT_FALSE(driver.MessageOpen());
    CloseBrowse(RequestCompleted);
}

// The area takes a number rounded to its picture's two decimals: what the form and the
// totals show is what is stored.
TEST_F(UnitEntries, AnAreaIsStoredRoundedToItsPicturesDecimals) {
    struct Case {
        const char* typed;
        const char* shown;
        const char* stored;
    };
    const Case cases[] = {
        {"0.005", "0.01", "0.010000"},
        {"1.004", "1.00", "1.000000"},
        {"2.675", "2.68", "2.680000"},
        {"0.0049", "0.00", "0.000000"},
    };
    Start();
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const std::string broj = "R" + std::to_string(++n);
        NewUnit(broj);
        driver.Type(form_, "?KVD:POVRSINA", c.typed);
        driver.WaitUntil([&] { return Shows("?KVD:POVRSINA") == c.shown; }, std::string("shown ") + c.shown);
        driver.Press(form_, "?OK");
        FormClosed();
        EXPECT_EQ(StoredArea(broj), c.stored);
    }
    // 0.01 + 1.00 + 2.68 + 0.00, not 3.6889 shown as 3.69.
    driver.WaitUntil([&] { return rt::clip(rt::left(driver.Text(browse_, "?UKPOVRS"))) == "3.69"; },
                     "the total");
    EXPECT_EQ(StoredArea("R1"), "0.010000");
    CloseBrowse(RequestCompleted);
}

// A text left for the cancel button is not lost when another button is pressed instead.
TEST_F(UnitEntries, AnAreaLeftForTheCancelButtonIsTakenByOk) {
    Start();
    NewUnit("F1");
    driver.Focus(form_, "?KVD:POVRSINA");
    if (auto* e = qobject_cast<QLineEdit*>(driver.Widget(form_, "?KVD:POVRSINA"))) e->selectAll();
    driver.Chars(form_, "7.25");
    driver.Focus(form_, "?CANCEL");
    driver.Keys(form_, {Key::Alt | 'O'});
    FormClosed();
    EXPECT_EQ(StoredArea("F1"), "7.250000");
    CloseBrowse(RequestCompleted);
}

// A unit number with leading blanks is the number it shows.
TEST_F(UnitEntries, AUnitNumberDropsItsLeadingBlanks) {
    Start();
    NewUnit("  a12");
    EXPECT_EQ(driver.Text(form_, "?KVD:BROJ"), "A12");
    driver.Press(form_, "?OK");
    FormClosed();
    EXPECT_EQ(StoredArea("A12"), "0.000000");
    CloseBrowse(RequestCompleted);
}

// ---------------------------------------------------------------- the services form

class ServiceEntries : public EntryGui {
protected:
    ServiceEntries() : EntryGui("BrowseObaveze", "UpdateOBAVEZE", "OBAVEZEDB", BrowseObavezeWindow()) {}
    // The service's name as stored, in hexadecimal bytes of CP1250 ("" when absent).
    std::string StoredName(const std::string& code) {
        std::string out;
        OnThread([&] {
            if (!ReadRow(TableId::OBAVEZE, "OBA:Po_sifri", [&] { OBA.SIFRA = code; })) return;
            out = "|" + rt::cp1250_to_utf8(rt::clip(OBA.NAZIV.str()));
        });
        return out;
    }
};

// A paste loses its control characters (a line break becomes a blank) and a NUL without
// what follows it; characters the code page cannot hold are left out and the user is told;
// accents are composed first.
TEST_F(ServiceEntries, APasteIsStoredWithoutControlCharactersAndTellsWhatItLeftOut) {
    struct Case {
        std::string pasted;
        const char* stored;  // UTF-8
        bool told;
    };
    const std::vector<Case> cases = {
        {"A\tB\nC\rD\x7f"
         "E\x1b"
         "F",
         "AB C DEF", false},
        {"Prvi red\r\nDrugi", "Prvi red Drugi", false},
        {std::string("Ana\0Marija", 10), "AnaMarija", false},
        {"c\xCC\x8C"
         "esma",
         "česma", false},
        {"Žuta Кућа", "Žuta", true},
        {"中文 ok", " ok", true},
        {"emoji \xF0\x9F\x98\x80", "emoji", true},
        {"\xE2\x80\x8F"
         "abc",
         "abc", true},
    };
    Start();
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        const std::string code = "P" + std::to_string(++n);
        NewRecord();
        driver.Type(form_, "?OBA:SIFRA", code);
        Paste("?OBA:NAZIV", c.pasted);
        if (c.told) { EXPECT_EQ(driver.Answer("OK"), kLeftOut); }
        driver.WaitUntil([&] { return !driver.MessageOpen(); }, "no message");
        Leave();
        driver.Press(form_, "?OK");
        FormClosed();
        EXPECT_EQ(StoredName(code), std::string("|") + c.stored);
    }
    CloseBrowse(RequestCompleted);
}

// Typed characters the code page cannot hold are refused with a beep, as a letter in a
// number is; a combining accent typed after its letter composes with it.
TEST_F(ServiceEntries, TypedCharactersTheCodePageCannotHoldAreRefused) {
    struct Case {
        const char* typed;  // UTF-8, key by key
        const char* shown;
        bool beep;
    };
    const Case cases[] = {
        {"Жa", "a", true},         {"中", "", true},      {"\xE2\x80\x8F", "", true},
        {"c\xCC\x8C", "č", false}, {"šđ€", "šđ€", false}, {"n\xCC\x83", "n", true},
    };
    Start();
    NewRecord();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        driver.Focus(form_, "?OBA:NAZIV");
        auto* e = qobject_cast<QLineEdit*>(driver.Widget(form_, "?OBA:NAZIV"));
        ASSERT_NE(e, nullptr);
        e->clear();
        const int beeps = Beeps();
        driver.Chars(form_, c.typed);
        driver.Pump();
        EXPECT_EQ(e->text().toStdString(), c.shown);
        if (c.beep)
            WaitBeep(beeps, c.typed);
        else
            EXPECT_EQ(Beeps(), beeps);
    }
    CancelForm();
    CloseBrowse(RequestCompleted);
}

// Alt with a key that is no hot key of the window types nothing, even over a selected
// text; a hot key still does what it names.
TEST_F(ServiceEntries, AltWithAKeyThatIsNoHotKeyTypesNothing) {
    Start();
    NewRecord();
    driver.Type(form_, "?OBA:NAZIV", "Stambena zajednica Demo");
    driver.Focus(form_, "?OBA:NAZIV");
    auto* e = qobject_cast<QLineEdit*>(driver.Widget(form_, "?OBA:NAZIV"));
    ASSERT_NE(e, nullptr);
    e->selectAll();
    const std::string name = e->text().toStdString();  // as much as the picture's 20 take
    EXPECT_EQ(name, "Stambena zajednica D");
    for (Qt::Key key : {Qt::Key_Q, Qt::Key_X, Qt::Key_5}) {
        const QString text = QString(QChar(key)).toLower();
        QTest::sendKeyEvent(QTest::Press, e, key, text, Qt::AltModifier);
        QTest::sendKeyEvent(QTest::Release, e, key, text, Qt::AltModifier);
        driver.Pump();
        EXPECT_EQ(e->text().toStdString(), name);
        EXPECT_TRUE(e->hasSelectedText());
    }
    driver.Keys(form_, {Key::Alt | 'C'});
    EXPECT_EQ(driver.Answer("Yes"), kCancelQuestion);
    FormClosed();
    CloseBrowse(RequestCompleted);
}

// A code with a leading blank is the code it shows: " 1" is the duplicate of "1".
TEST_F(ServiceEntries, ACodeWithLeadingBlanksIsTheCodeItShows) {
    Start();
    NewRecord();
    driver.Type(form_, "?OBA:SIFRA", "1");
    driver.Type(form_, "?OBA:NAZIV", "Prva");
    driver.Press(form_, "?OK");
    FormClosed();
    struct Case {
        const char* typed;
        bool duplicate;
    };
    for (const Case& c : {Case{" 1", true}, Case{"   1  ", true}, Case{"  X", false}}) {
        SCOPED_TRACE(c.typed);
        NewRecord();
        driver.Type(form_, "?OBA:SIFRA", c.typed);
        driver.Type(form_, "?OBA:NAZIV", "Druga");
        driver.Press(form_, "?OK");
        if (c.duplicate) {
            EXPECT_EQ(MessageTitle(), "Duplicate Key Error");
            driver.Answer("OK");
            CancelForm();
        } else {
            FormClosed();
        }
    }
    EXPECT_EQ(StoredName("1"), "|Prva");
    EXPECT_EQ(StoredName("X"), "|Druga");
    EXPECT_EQ(StoredName(" X"), "");
    CloseBrowse(RequestCompleted);
}

// ---------------------------------------------------------------- the owners form

class OwnerEntries : public EntryGui {
protected:
    OwnerEntries()
        : EntryGui("BrowseNazivi", "UpdateNaziviN05", "NAZIVIDB", BrowseNaziviWindow(), BrowseNazivi) {}
    bool Stored(const char* code) {
        bool found = false;
        OnThread([&] { found = ReadRow(TableId::NAZIVI, "NAZ:PO_KONTU", [&] { NAZ.ANALITIKA = code; }); });
        return found;
    }
};

// A customer code past its five digits is refused with a beep and keeps the focus; it is
// never made "00000".
TEST_F(OwnerEntries, ACodePastItsFiveDigitsIsRefusedWithABeep) {
    struct Case {
        const char* typed;
        const char* shown;  // "" refused: the code keeps the text, the focus stays
    };
    const Case cases[] = {
        {"123456", ""},     {"100000", ""}, {"-1", ""},          {"12x", ""},
        {"99999", "99999"}, {"7", "00007"}, {"000012", "00012"},
    };
    Start();
    NewRecord();
    driver.Type(form_, "?NAZ:NAZIV1", "Petar Petrović");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const int beeps = Beeps();
        driver.Type(form_, "?NAZ:ANALITIKA", c.typed);
        if (*c.shown) {
            driver.WaitUntil([&] { return driver.Text(form_, "?NAZ:ANALITIKA") == c.shown; }, c.shown);
            driver.WaitUntil([&] { return driver.Focused(form_) == "?NAZ:NAZIV1"; }, "the focus moved on");
            EXPECT_EQ(Beeps(), beeps);
        } else {
            WaitBeep(beeps, c.typed);
            driver.WaitUntil([&] { return driver.Focused(form_) == "?NAZ:ANALITIKA"; }, "the focus kept");
            EXPECT_EQ(driver.Text(form_, "?NAZ:ANALITIKA"), c.typed);  // kept to be mended, not "00000"
        }
    }
    // Typed and OK pressed at once: refused the same way, nothing saved.
    driver.Focus(form_, "?NAZ:ANALITIKA");
    if (auto* e = qobject_cast<QLineEdit*>(driver.Widget(form_, "?NAZ:ANALITIKA"))) e->selectAll();
    driver.Chars(form_, "654321");
    const int beeps = Beeps();
    driver.Press(form_, "?OK");
    WaitBeep(beeps, "OK");
    driver.WaitUntil([&] { return driver.Focused(form_) == "?NAZ:ANALITIKA"; }, "the focus kept on OK");
    EXPECT_EQ(driver.Caption(form_), "Record Will Be Added");
    EXPECT_FALSE(driver.MessageOpen());
    CancelForm();
    EXPECT_FALSE(Stored("00000"));
    EXPECT_FALSE(Stored("65432"));
    CloseBrowse(RequestCompleted);
}

// ---------------------------------------------------------------- the runs form

class RunEntries : public EntryGui {
protected:
    RunEntries() : EntryGui("BrowseObracuni", "UpdateOBRAC", "OBRACDB", BrowseObracuniWindow()) {}
    // The run's date as stored (0 when there is no such run).
    std::int32_t StoredDate(int run) {
        std::int32_t out = 0;
        OnThread([&] {
            if (ReadRow(TableId::OBRAC, "OBR:Po_obracunu",
                        [&] { OBR.OBRACUN = static_cast<std::int16_t>(run); }))
                out = OBR.DATUM;
        });
        return out;
    }
};

// A date the two-digit year of @d5 cannot show again is refused with a beep.
TEST_F(RunEntries, ADateOutsideTheTwoDigitYearIsRefused) {
    struct Case {
        const char* typed;
        std::int32_t stored;  // 0: refused
    };
    const Case cases[] = {
        {"31.12.9999", 0},
        {"1.1.2080", 0},
        {"31.12.1979", 0},
        {"31.12.2079", rt::date(12, 31, 2079)},
        {"1.1.1980", rt::date(1, 1, 1980)},
        {"31/05/24", rt::date(5, 31, 2024)},
    };
    Start();
    int run = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        NewRecord();
        driver.Type(form_, "?OBR:NAZIV", "Obracun");
        const int beeps = Beeps();
        driver.Type(form_, "?OBR:DATUM", c.typed);
        if (!c.stored) {
            WaitBeep(beeps, c.typed);
            driver.WaitUntil([&] { return driver.Focused(form_) == "?OBR:DATUM"; }, "the focus kept");
            EXPECT_EQ(driver.Text(form_, "?OBR:DATUM"), c.typed);  // kept to be mended
            CancelForm();
            continue;
        }
        driver.Press(form_, "?OK");
        FormClosed();
        EXPECT_EQ(StoredDate(++run), c.stored);
    }
    CloseBrowse(RequestCompleted);
}

}  // namespace
