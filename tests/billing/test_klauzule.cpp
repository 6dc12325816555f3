// The clauses register with real widgets on the embedded store: the browse and the form
// with its two rich texts and their tool bars; clauses formatted in the form and stored as
// RTF that another reader (unrtf) reads; a stored text saved untouched stays byte for
// byte; viewing never stores; a text too long for its column is refused, never cut; a
// clause number is unique.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QTreeView>
#include <QtTest/QTest>

#include "billing/kvd028_browse_klauzul.h"
#include "platform/qt/rtf_control.h"
#include "platform/ui/toolbar.h"
#include "shell/kvd001_main.h"
#include "tests/billing/register_fixture.h"
#include "tests/driver/unrtf.h"

using namespace kvadrin;
namespace Key = rt::ui::Key;

namespace {

constexpr const char* kBrowse = "BrowseKlauzul";
constexpr const char* kForm = "UpdateSKLAUZUL";
constexpr const char* kFlats = "?SKL:TEKSTKLAUZULE";
constexpr const char* kFirms = "?SKL:TEKSTPOSLOVNI";

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

struct Clause {
    bool found = false;
    std::string opis, flats, firms;  // as stored (CP1250)
};

void AddClause(int sifra, const std::string& opis, const std::string& flats, const std::string& firms) {
    Files::SKLAUZUL().Clear();
    SKL.SIFRA = static_cast<std::int16_t>(sifra);
    SKL.OPIS = opis;
    SKL.TEKSTKLAUZULE = flats;
    SKL.TEKSTPOSLOVNI = firms;
    kvtest::StoreTest::AddRowOf(TableId::SKLAUZUL);
}

// The words unrtf reads in RTF.
QStringList UnrtfWords(const std::string& rtf) {
    return kvtest::UnrtfText(rtf).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

QStringList WordsOf(const QString& text) {
    return text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

// A clause written by another program: unknown control words and destinations, a code
// page escape, line ends.
const std::string kForeign =
    "{\\rtf1\\ansi\\ansicpg1250\\deff0\\nouicompat{\\fonttbl{\\f0\\fnil\\fcharset238 Calibri;}}\r\n"
    "{\\*\\generator Neki program 2.1}\\viewkind4\\uc1 \r\n"
    "\\pard\\sa200\\sl276\\slmult1\\f0\\fs22\\lang26 Stara klauzula o odr\\'9eavanju\\par\r\n}\r\n";

class KlauzuleGui : public kvtest::RegisterGui {
protected:
    KlauzuleGui() : RegisterGui(kBrowse, kForm) {}
    void SetUp() override { SetUpRegister("KLAUZULEDB", BrowseKlauzulWindow()); }
    Clause StoredNow(int sifra) {
        Clause c;
        OnThread([&] {
            if (ReadRow(TableId::SKLAUZUL, "SKL:Po_sifri",
                        [&] { SKL.SIFRA = static_cast<std::int16_t>(sifra); }))
                c = {true, SKL.OPIS.str(), SKL.TEKSTKLAUZULE.str(), SKL.TEKSTPOSLOVNI.str()};
        });
        return c;
    }
    void Start() { StartBrowse(0, BrowseKlauzul); }
    void Insert() {
        driver.Focus(kBrowse, kList);
        driver.Keys(kBrowse, {Key::Insert});
        WaitForm("Record Will Be Added");
    }
    void Change(int row) {
        PickRow(row);
        Post(rt::ui::Event::Accepted, rt::ui::ToolbarButton::Change);
        WaitForm("Record Will Be Changed");
    }
    void View(int row) {
        PickRow(row);
        Post(rt::ui::Event::Accepted, view_feq);
        WaitForm("View Record");
    }
    void Tab(int tab) {
        driver.PickTab(kForm, "?CURRENTTAB", tab);
        driver.WaitUntil(
            [&] {
                auto* t = qobject_cast<QTabWidget*>(driver.Widget(kForm, "?CURRENTTAB"));
                return t && t->currentIndex() == tab - 1;
            },
            "tab " + std::to_string(tab));
    }
    rt::qt::RtfControl* Rtf(const char* label) {
        auto* r = qobject_cast<rt::qt::RtfControl*>(driver.Widget(kForm, label));
        if (!r) throw rt::qt::DriverError(std::string("no rich text ") + label);
        return r;
    }
    // Types at the end of the text, as the keyboard would.
    void Type(const char* label, const QString& text) {
        driver.Focus(kForm, label);
        rt::qt::RtfControl* r = Rtf(label);
        r->moveCursor(QTextCursor::End);
        for (QChar ch : text) {
            QTest::sendKeyEvent(QTest::Press, r, Qt::Key_unknown, QString(ch), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, r, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        }
        driver.Pump();
    }
    // Selects a word of the text with the mouse, as it were.
    void SelectWord(const char* label, const QString& word) {
        rt::qt::RtfControl* r = Rtf(label);
        const QTextCursor found = r->document()->find(word);
        ASSERT_FALSE(found.isNull()) << word.toStdString();
        driver.Focus(kForm, label);
        r->setTextCursor(found);
        driver.Pump();
    }
    QTextCharFormat FormatAt(const char* label, const QString& word) {
        rt::qt::RtfControl* r = Rtf(label);
        const QTextCursor found = r->document()->find(word);
        if (found.isNull()) return {};
        QTextCursor at(r->document());
        at.setPosition(found.selectionStart() + 1);
        return at.charFormat();
    }
    // Chooses an entry of a tool bar's drop list with the arrow keys, as the keyboard would.
    void Choose(const std::string& label, const QString& entry) {
        auto* box = qobject_cast<QComboBox*>(driver.Widget(kForm, label));
        ASSERT_NE(box, nullptr) << label;
        const int target = box->findText(entry);
        ASSERT_GE(target, 0) << entry.toStdString();
        driver.Focus(kForm, label);
        while (box->currentIndex() != target) {
            QTest::keyClick(box, box->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
            driver.Pump();
        }
    }
    // Selects the text from the word to the end.
    void SelectToEnd(const char* label, const QString& word) {
        rt::qt::RtfControl* r = Rtf(label);
        QTextCursor c = r->document()->find(word);
        ASSERT_FALSE(c.isNull());
        c.setPosition(c.selectionStart());
        c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        driver.Focus(kForm, label);
        r->setTextCursor(c);
        driver.Pump();
    }
    // The file name typed into a file dialog, then its Open or Save.
    void ChooseFile(QFileDialog* dialog, const QString& path) {
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(path);
        driver.Pump();
        QTest::keyClick(name, Qt::Key_Return);
        driver.Pump();
    }
    QTextBlock BlockOf(const char* label, const QString& word) {
        return Rtf(label)->document()->find(word).block();
    }
    bool Bold(const char* label, const QString& word) {
        return FormatAt(label, word).fontWeight() >= QFont::Bold;
    }
    bool Italic(const char* label, const QString& word) { return FormatAt(label, word).fontItalic(); }
    // The form's Save question: the clause must be there as it was.
    void ExpectUnchanged(int sifra, const Clause& before) {
        const Clause now = StoredNow(sifra);
        EXPECT_TRUE(now.found);
        EXPECT_EQ(now.opis, before.opis);
        EXPECT_EQ(now.flats, before.flats);
        EXPECT_EQ(now.firms, before.firms);
    }
};

TEST_F(KlauzuleGui, TheBrowseAndTheFormShowTheirWindowsAndTools) {
    // Paste starts disabled only while the clipboard is empty (a test before may have filled it).
    QApplication::clipboard()->clear();
    OnThread([] { AddClause(3, "Mart", "", ""); });
    Start();
    EXPECT_EQ(driver.Caption(kBrowse), "KLAUZULE");
    EXPECT_EQ(driver.Heading(kBrowse, kList, 1), "Sifra");
    EXPECT_EQ(driver.Heading(kBrowse, kList, 2), "Opis");
    EXPECT_EQ(driver.Text(kBrowse, "?CURRENTTAB"), "&1) Sifra");
    WaitCell(1, 1, "03", "the clause number with two digits");
    EXPECT_EQ(driver.Cell(kBrowse, kList, 1, 2), "Mart");

    Insert();
    auto* tabs = qobject_cast<QTabWidget*>(driver.Widget(kForm, "?CURRENTTAB"));
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0).toStdString(), "&1) General");
    EXPECT_EQ(tabs->tabText(1).toStdString(), "&2) Klauzula stanari");
    EXPECT_EQ(tabs->tabText(2).toStdString(), "&3) Klauzula firme");
    EXPECT_FALSE(driver.Visible(kForm, "?HELP"));
    Tab(2);
    // The tool bar: its tools in order with their tips; the edit buttons start disabled.
    const std::vector<std::pair<const char*, const char*>> tools = {{"NEW", "New"},
                                                                    {"OPEN", "Open"},
                                                                    {"SAVE", "Save"},
                                                                    {"PRINT", "Print"},
                                                                    {"FIND", "Find"},
                                                                    {"REPLACE", "Find and Replace"},
                                                                    {"CUT", "Cut"},
                                                                    {"COPY", "Copy"},
                                                                    {"PASTE", "Paste"},
                                                                    {"UNDO", "Undo"},
                                                                    {"REDO", "Redo"},
                                                                    {"TABS", "Tab stops"},
                                                                    {"INDENTS", "Paragraph indents"},
                                                                    {"LEFT", "Left"},
                                                                    {"CENTER", "Center"},
                                                                    {"RIGHT", "Right"},
                                                                    {"JUSTIFY", "Justify"},
                                                                    {"BULLETS", "Bullets and numbering"},
                                                                    {"BULLETSTYLE", "Bullets styles"},
                                                                    {"FONTNAME", "Font name"},
                                                                    {"FONTSIZE", "Font size"},
                                                                    {"CHARSET", "Font charset"},
                                                                    {"BOLD", "Bold"},
                                                                    {"ITALIC", "Italic"},
                                                                    {"UNDERLINE", "Underline"},
                                                                    {"FONTCOLOR", "Font color"},
                                                                    {"HIGHLIGHT", "Highlight"}};
    for (const char* prefix : {kClauseToolsFlats, kClauseToolsFirms}) {
        for (const auto& [name, tip] : tools) {
            const std::string label = std::string(prefix) + name;
            QWidget* w = driver.Widget(kForm, label);
            ASSERT_NE(w, nullptr) << label;
            EXPECT_EQ(w->toolTip().toStdString(), tip) << label;
        }
    }
    for (const char* name : {"CUT", "COPY", "PASTE", "UNDO", "REDO"})
        EXPECT_FALSE(driver.Enabled(kForm, std::string(kClauseToolsFlats) + name)) << name;
    auto items = [&](const char* name) {
        auto* box = qobject_cast<QComboBox*>(driver.Widget(kForm, std::string(kClauseToolsFlats) + name));
        QStringList out;
        for (int i = 0; box && i < box->count(); ++i) out << box->itemText(i);
        return out.join(QLatin1Char('|')).toStdString();
    };
    EXPECT_EQ(items("FONTSIZE"), "8|9|10|11|12|14|16|18|20|22|24|26|28|36|48|72");
    EXPECT_EQ(items("BULLETSTYLE"),
              "Bullets|Arabic numbers|Lower letters|Upper letters|Lower Roman numbers|Upper Roman numbers");
    EXPECT_EQ(items("FONTCOLOR"),
              "Black|Maroon|Green|Olive|Navy|Purple|Teal|Gray|Silver|Red|Lime|Yellow|Blue|Fuchia|Aqua|White|"
              "Automatic");
    EXPECT_EQ(items("HIGHLIGHT"), items("FONTCOLOR"));
    // The format of the empty text: the control's Arial 10, left aligned.
    driver.Focus(kForm, kFlats);
    driver.WaitUntil([&] { return driver.Text(kForm, std::string(kClauseToolsFlats) + "FONTSIZE") == "10"; },
                     "the size at the cursor");
    EXPECT_EQ(driver.Text(kForm, std::string(kClauseToolsFlats) + "FONTNAME"), "Arial");
    EXPECT_TRUE(driver.Checked(kForm, std::string(kClauseToolsFlats) + "LEFT"));
    driver.Press(kForm, "?CANCEL");
    FormClosed();
    CloseBrowse();
}

TEST_F(KlauzuleGui, AFormattedClauseIsStoredAsRtfAndComesBackFormatted) {
    Start();
    Insert();
    driver.Type(kForm, "?SKL:SIFRA", "7");
    driver.Type(kForm, "?SKL:OPIS", "Jul");
    Tab(2);
    const QString flats = U("Rok plaćanja je petnaest dana; kasni se uz kamatu. ČĆŽŠĐ čćžšđ");
    Type(kFlats, flats);
    SelectWord(kFlats, U("petnaest"));
    driver.Press(kForm, std::string(kClauseToolsFlats) + "BOLD");
    driver.WaitUntil([&] { return Bold(kFlats, U("petnaest")); }, "petnaest in bold");
    SelectWord(kFlats, U("kamatu"));
    driver.Press(kForm, std::string(kClauseToolsFlats) + "ITALIC");
    driver.WaitUntil([&] { return Italic(kFlats, U("kamatu")); }, "kamatu in italic");
    EXPECT_FALSE(Bold(kFlats, U("dana")));
    EXPECT_FALSE(Italic(kFlats, U("petnaest")));
    Choose(std::string(kClauseToolsFlats) + "FONTCOLOR", U("Red"));
    driver.WaitUntil([&] { return FormatAt(kFlats, U("kamatu")).foreground().color() == QColor(255, 0, 0); },
                     "kamatu in red");
    // Two more paragraphs as a numbered list; the first paragraph centred.
    const QString items = U("Prva obaveza\nDruga obaveza");
    Rtf(kFlats)->moveCursor(QTextCursor::End);
    for (const QString& line : items.split(QLatin1Char('\n'))) {
        QTest::keyClick(Rtf(kFlats), Qt::Key_Return);
        Type(kFlats, line);
    }
    SelectToEnd(kFlats, U("Prva"));
    driver.Press(kForm, std::string(kClauseToolsFlats) + "BULLETS");
    driver.WaitUntil(
        [&] { return BlockOf(kFlats, U("Prva")).textList() && BlockOf(kFlats, U("Druga")).textList(); },
        "the list");
    Choose(std::string(kClauseToolsFlats) + "BULLETSTYLE", U("Arabic numbers"));
    driver.WaitUntil(
        [&] {
            QTextList* l = BlockOf(kFlats, U("Druga")).textList();
            return l && l->format().style() == QTextListFormat::ListDecimal;
        },
        "the list numbered");
    SelectWord(kFlats, U("Rok"));
    driver.Press(kForm, std::string(kClauseToolsFlats) + "CENTER");
    driver.WaitUntil([&] { return BlockOf(kFlats, U("Rok")).blockFormat().alignment() & Qt::AlignHCenter; },
                     "the first paragraph centred");
    driver.WaitUntil([&] { return driver.Enabled(kForm, std::string(kClauseToolsFlats) + "UNDO"); },
                     "Undo enabled");
    EXPECT_TRUE(driver.Enabled(kForm, std::string(kClauseToolsFlats) + "COPY"));
    Rtf(kFlats)->moveCursor(QTextCursor::End);
    driver.Snapshot(kForm, "klauzula_stanari.png");
    Tab(3);
    const QString firms = U("Firme plaćaju odmah.");
    Type(kFirms, firms);
    driver.Press(kForm, "?OK");
    FormClosed();
    WaitCell(1, 1, "07", "the new clause");

    const Clause c = StoredNow(7);
    ASSERT_TRUE(c.found);
    EXPECT_EQ(c.opis, "Jul");
    EXPECT_EQ(c.flats.rfind("{\\rtf1", 0), 0u) << c.flats;
    EXPECT_NE(c.flats.find("\\b petnaest\\b0"), std::string::npos) << c.flats;
    EXPECT_NE(c.flats.find("\\i\\cf1 kamatu\\i0\\cf0"), std::string::npos) << c.flats;
    EXPECT_EQ(UnrtfWords(c.flats), WordsOf(flats + QLatin1Char(' ') + items));
    EXPECT_EQ(UnrtfWords(c.firms), WordsOf(firms));

    // Opened again: the words and their formatting are back in the editor, and the tool
    // bar shows the format at the cursor.
    Change(1);
    Tab(2);
    EXPECT_EQ(Rtf(kFlats)->toPlainText(), flats + QLatin1Char('\n') + items);
    EXPECT_TRUE(Bold(kFlats, U("petnaest")));
    EXPECT_TRUE(Italic(kFlats, U("kamatu")));
    EXPECT_EQ(FormatAt(kFlats, U("kamatu")).foreground().color(), QColor(255, 0, 0));
    EXPECT_TRUE(BlockOf(kFlats, U("Rok")).blockFormat().alignment() & Qt::AlignHCenter);
    ASSERT_NE(BlockOf(kFlats, U("Prva")).textList(), nullptr);
    EXPECT_EQ(BlockOf(kFlats, U("Prva")).textList(), BlockOf(kFlats, U("Druga")).textList());
    EXPECT_EQ(BlockOf(kFlats, U("Prva")).textList()->format().style(), QTextListFormat::ListDecimal);
    EXPECT_FALSE(Bold(kFlats, U("Rok")));
    SelectWord(kFlats, U("petnaest"));
    driver.WaitUntil([&] { return driver.Checked(kForm, std::string(kClauseToolsFlats) + "BOLD"); },
                     "Bold checked");
    EXPECT_FALSE(driver.Checked(kForm, std::string(kClauseToolsFlats) + "ITALIC"));
    SelectWord(kFlats, U("kamatu"));
    driver.WaitUntil([&] { return driver.Checked(kForm, std::string(kClauseToolsFlats) + "ITALIC"); },
                     "Italic checked");
    EXPECT_FALSE(driver.Checked(kForm, std::string(kClauseToolsFlats) + "BOLD"));
    driver.Press(kForm, "?CANCEL");
    FormClosed();
    CloseBrowse();
}

TEST_F(KlauzuleGui, AClauseSavedWithoutEditingItsTextsStaysByteForByte) {
    // The texts of another program, and a text that is no RTF at all.
    const std::string plain = rt::utf8_to_cp1250("Običan tekst bez formata");
    OnThread([&] { AddClause(4, "April", kForeign, plain); });
    const Clause before = StoredNow(4);
    Start();
    WaitCell(1, 1, "04", "the clause");

    // Looked at on both tabs, the cursor moved, OK.
    Change(1);
    Tab(2);
    EXPECT_EQ(Rtf(kFlats)->toPlainText(), U("Stara klauzula o održavanju"));
    driver.Focus(kForm, kFlats);
    Rtf(kFlats)->moveCursor(QTextCursor::End);
    Tab(3);
    EXPECT_EQ(Rtf(kFirms)->toPlainText(), U("Običan tekst bez formata"));
    driver.Press(kForm, "?OK");
    FormClosed();
    ExpectUnchanged(4, before);

    // Bold given to a word and taken back with Undo: the text is as it was.
    Change(1);
    Tab(2);
    SelectWord(kFlats, U("klauzula"));
    driver.Press(kForm, std::string(kClauseToolsFlats) + "BOLD");
    driver.WaitUntil([&] { return Bold(kFlats, U("klauzula")); }, "klauzula in bold");
    driver.WaitUntil([&] { return driver.Enabled(kForm, std::string(kClauseToolsFlats) + "UNDO"); },
                     "Undo enabled");
    driver.Press(kForm, std::string(kClauseToolsFlats) + "UNDO");
    driver.WaitUntil([&] { return !Bold(kFlats, U("klauzula")); }, "the bold undone");
    driver.Press(kForm, "?OK");
    FormClosed();
    ExpectUnchanged(4, before);

    // Only the description changed: the texts stay.
    Change(1);
    driver.Type(kForm, "?SKL:OPIS", "April 2024");
    driver.Press(kForm, "?OK");
    FormClosed();
    const Clause after = StoredNow(4);
    EXPECT_EQ(after.opis, "April 2024");
    EXPECT_EQ(after.flats, before.flats);
    EXPECT_EQ(after.firms, before.firms);
    CloseBrowse();
}

TEST_F(KlauzuleGui, ViewingAClauseNeverStoresIt) {
    OnThread([] { AddClause(5, "Maj", kForeign, ""); });
    const Clause before = StoredNow(5);
    Start();
    WaitCell(1, 1, "05", "the clause");
    View(1);
    auto* opis = qobject_cast<QLineEdit*>(driver.Widget(kForm, "?SKL:OPIS"));
    ASSERT_NE(opis, nullptr);
    driver.WaitUntil([&] { return opis->isReadOnly(); }, "the description read-only");
    Tab(2);
    // The buttons and drop lists of the tool bars are disabled; the alignment, the bullets
    // check, bold, italic and underline are not, nor is the text itself.
    for (const char* prefix : {kClauseToolsFlats, kClauseToolsFirms}) {
        for (const char* name :
             {"NEW", "OPEN", "SAVE", "PRINT", "FIND", "REPLACE", "CUT", "COPY", "PASTE", "UNDO", "REDO",
              "TABS", "INDENTS", "BULLETSTYLE", "FONTNAME", "FONTSIZE", "CHARSET", "FONTCOLOR", "HIGHLIGHT"})
            EXPECT_FALSE(driver.Widget(kForm, std::string(prefix) + name)->isEnabled()) << prefix << name;
    }
    for (const char* name : {"LEFT", "CENTER", "RIGHT", "JUSTIFY", "BULLETS", "BOLD", "ITALIC", "UNDERLINE"})
        EXPECT_TRUE(driver.Enabled(kForm, std::string(kClauseToolsFlats) + name)) << name;
    EXPECT_FALSE(Rtf(kFlats)->isReadOnly());
    // The user edits and formats the text anyway; the edit buttons stay disabled.
    Type(kFlats, U(" i nešto više"));
    SelectWord(kFlats, U("Stara"));
    driver.Press(kForm, std::string(kClauseToolsFlats) + "BOLD");
    driver.WaitUntil([&] { return Bold(kFlats, U("Stara")); }, "Stara in bold");
    EXPECT_FALSE(driver.Enabled(kForm, std::string(kClauseToolsFlats) + "UNDO"));
    driver.Press(kForm, "?OK");
    FormClosed();
    ExpectUnchanged(5, before);
    CloseBrowse();
}

TEST_F(KlauzuleGui, ATextTooLongForItsColumnIsRefusedAndNothingIsStored) {
    OnThread([] { AddClause(6, "Jun", kForeign, ""); });
    const Clause before = StoredNow(6);
    Start();
    WaitCell(1, 1, "06", "the clause");
    // 2,100 characters pasted into the text of the firms.
    QString longer;
    while (longer.size() < 2100) longer += U("Dugačka rečenica klauzule. ");
    QApplication::clipboard()->setText(longer);

    for (bool insert : {true, false}) {
        SCOPED_TRACE(insert ? "insert" : "change");
        if (insert) {
            Insert();
            driver.Type(kForm, "?SKL:SIFRA", "8");
        } else {
            Change(1);
        }
        Tab(3);
        driver.Focus(kForm, kFirms);
        const std::string paste = std::string(kClauseToolsFirms) + "PASTE";
        driver.WaitUntil([&] { return driver.Enabled(kForm, paste); }, "Paste enabled");
        driver.Press(kForm, paste);
        driver.WaitUntil([&] { return Rtf(kFirms)->toPlainText().size() >= 2100; }, "the text pasted");
        Tab(1);
        driver.Press(kForm, "?OK");
        const std::string message = driver.Answer("OK");
        EXPECT_EQ(message.find("too long"), std::string::npos) << message;
        EXPECT_NE(message.find("Tekst je predugačak da bi bio sačuvan"), std::string::npos) << message;
        EXPECT_NE(message.find("2047"), std::string::npos) << message;
        // The form stays, on the text that is too long.
        EXPECT_EQ(driver.Caption(kForm), insert ? "Record Will Be Added" : "Record Will Be Changed");
        auto* tabs = qobject_cast<QTabWidget*>(driver.Widget(kForm, "?CURRENTTAB"));
        driver.WaitUntil([&] { return tabs->currentIndex() == 2; }, "the text's tab shown");
        EXPECT_EQ(Rtf(kFirms)->toPlainText(), longer);
        if (insert) {
            driver.Press(kForm, "?CANCEL");
            EXPECT_EQ(driver.Answer("Yes"), "Are you sure you want to cancel?");
        } else {
            // Only the text changed: cancelling still asks, and No keeps the form.
            driver.Press(kForm, "?CANCEL");
            EXPECT_EQ(driver.Answer("No"), "Are you sure you want to cancel?");
            EXPECT_EQ(driver.Caption(kForm), "Record Will Be Changed");
            // Shortened, it is stored.
            Rtf(kFirms)->selectAll();
            QTest::keyClick(Rtf(kFirms), Qt::Key_Delete);
            Type(kFirms, U("Kratko."));
            driver.Press(kForm, "?OK");
        }
        FormClosed();
    }
    EXPECT_FALSE(StoredNow(8).found);
    const Clause after = StoredNow(6);
    EXPECT_EQ(after.flats, before.flats);
    EXPECT_EQ(UnrtfWords(after.firms), QStringList{U("Kratko.")});
    CloseBrowse();
}

// The tool bar's dialogs: find and replace, paragraph indents, tab stops, the text saved
// to a file and opened into the other text, and printed.
TEST_F(KlauzuleGui, TheToolBarDialogsReplaceIndentSetTabsSaveOpenAndPrint) {
    Start();
    Insert();
    driver.Type(kForm, "?SKL:SIFRA", "9");
    Tab(2);
    Type(kFlats, U("Stari tekst. Stari kraj."));
    auto dialog = [&](const char* label, const char* name) {
        driver.Press(kForm, std::string(kClauseToolsFlats) + label);
        QDialog* d = nullptr;
        driver.WaitUntil(
            [&] {
                d = Rtf(kFlats)->findChild<QDialog*>(QString::fromLatin1(name));
                return d && d->isVisible();
            },
            std::string("the dialog ") + name);
        return d;
    };
    auto ok = [&](QDialog* d) {
        d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        driver.Pump();
    };

    QDialog* find = dialog("REPLACE", "rtfFind");
    find->findChild<QLineEdit*>(QStringLiteral("rtfFindText"))->setText(U("Stari"));
    find->findChild<QLineEdit*>(QStringLiteral("rtfReplaceText"))->setText(U("Novi"));
    find->findChild<QPushButton*>(QStringLiteral("rtfReplaceAll"))->click();
    driver.Pump();
    EXPECT_EQ(Rtf(kFlats)->toPlainText(), U("Novi tekst. Novi kraj."));
    EXPECT_EQ(find->findChild<QLabel*>(QStringLiteral("rtfFindStatus"))->text(), U("Replaced: 2"));
    find->findChild<QPushButton*>(QStringLiteral("rtfFindClose"))->click();

    QDialog* indents = dialog("INDENTS", "rtfIndents");
    indents->findChild<QDoubleSpinBox*>(QStringLiteral("rtfIndentLeft"))->setValue(1.0);
    indents->findChild<QDoubleSpinBox*>(QStringLiteral("rtfIndentFirst"))->setValue(0.5);
    ok(indents);
    const QTextBlockFormat indented = Rtf(kFlats)->document()->begin().blockFormat();
    EXPECT_NEAR(indented.leftMargin(), 96 / 2.54, 0.01);
    EXPECT_NEAR(indented.textIndent(), 48 / 2.54, 0.01);

    QDialog* tabs = dialog("TABS", "rtfTabStops");
    tabs->findChild<QDoubleSpinBox*>(QStringLiteral("rtfTabPosition"))->setValue(3.0);
    tabs->findChild<QComboBox*>(QStringLiteral("rtfTabKind"))->setCurrentIndex(2);  // Right
    tabs->findChild<QPushButton*>(QStringLiteral("rtfTabSet"))->click();
    ok(tabs);
    const auto stops = Rtf(kFlats)->document()->begin().blockFormat().tabPositions();
    ASSERT_EQ(stops.size(), 1);
    EXPECT_NEAR(stops[0].position, 3 * 96 / 2.54, 0.01);
    EXPECT_EQ(stops[0].type, QTextOption::RightTab);

    // Saved to a file, opened into the text for firms.
    const QString path = QString::fromStdString((dir_ / "klauzula.rtf").string());
    driver.Press(kForm, std::string(kClauseToolsFlats) + "SAVE");
    QFileDialog* save = nullptr;
    driver.WaitUntil(
        [&] { return (save = Rtf(kFlats)->findChild<QFileDialog*>(QStringLiteral("rtfSaveDialog"))); },
        "the save dialog");
    ChooseFile(save, path);
    driver.WaitUntil([&] { return QFile::exists(path); }, "the file saved");
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const std::string file = saved.readAll().toStdString();
    EXPECT_EQ(file.rfind("{\\rtf1", 0), 0u) << file;
    EXPECT_EQ(UnrtfWords(file), WordsOf(U("Novi tekst. Novi kraj.")));
    Tab(3);
    driver.Press(kForm, std::string(kClauseToolsFirms) + "OPEN");
    QFileDialog* open = nullptr;
    driver.WaitUntil(
        [&] { return (open = Rtf(kFirms)->findChild<QFileDialog*>(QStringLiteral("rtfOpenDialog"))); },
        "the open dialog");
    ChooseFile(open, path);
    driver.WaitUntil([&] { return Rtf(kFirms)->toPlainText() == U("Novi tekst. Novi kraj."); },
                     "the file opened");
    EXPECT_NEAR(Rtf(kFirms)->document()->begin().blockFormat().leftMargin(), 96 / 2.54, 0.01);
    // Printed: here to a PDF file, whose text another reader finds.
    const QString pdf = QString::fromStdString((dir_ / "klauzula.pdf").string());
    driver.Server().printer().setOutputFormat(QPrinter::PdfFormat);
    driver.Server().printer().setOutputFileName(pdf);
    driver.Press(kForm, std::string(kClauseToolsFirms) + "PRINT");
    QPrintDialog* print = nullptr;
    driver.WaitUntil(
        [&] { return (print = Rtf(kFirms)->findChild<QPrintDialog*>(QStringLiteral("rtfPrintDialog"))); },
        "the print dialog");
    QMetaObject::invokeMethod(print, "accept");
    driver.WaitUntil([&] { return QFile::exists(pdf); }, "the text printed");
    driver.Server().printer().setOutputFileName(QString());
    driver.Server().printer().setOutputFormat(QPrinter::NativeFormat);
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(pdftotext.waitForFinished(30000));
    QStringList printed = WordsOf(QString::fromUtf8(pdftotext.readAllStandardOutput()));
    EXPECT_EQ(printed.value(printed.size() - 1), QStringLiteral("1"));  // the page's number
    printed.removeLast();
    EXPECT_EQ(printed, WordsOf(U("Novi tekst. Novi kraj.")));

    driver.Press(kForm, "?OK");
    FormClosed();
    const Clause c = StoredNow(9);
    EXPECT_EQ(c.flats, file);
    EXPECT_EQ(c.firms, file);
    EXPECT_NE(file.find("\\li567\\fi283\\tqr\\tx1701"), std::string::npos) << file;
    CloseBrowse();
}

TEST_F(KlauzuleGui, ASecondClauseWithTheSameNumberIsRefusedAndAClauseIsDeleted) {
    OnThread([] { AddClause(2, "Februar", "", ""); });
    Start();
    WaitCell(1, 1, "02", "the clause");
    Insert();
    driver.Type(kForm, "?SKL:SIFRA", "2");
    driver.Type(kForm, "?SKL:OPIS", "Drugi februar");
    driver.Press(kForm, "?OK");
    EXPECT_EQ(driver.Answer("OK"),
              "Adding this record creates a duplicate entry for the key SKL:Po_sifri in the file SKLAUZUL.");
    EXPECT_EQ(driver.Caption(kForm), "Record Will Be Added");
    driver.Press(kForm, "?CANCEL");
    EXPECT_EQ(driver.Answer("Yes"), "Are you sure you want to cancel?");
    FormClosed();
    EXPECT_EQ(StoredNow(2).opis, "Februar");
    // Deleted after the question, without the form.
    PickRow(1);
    driver.Focus(kBrowse, kList);
    driver.Keys(kBrowse, {Key::Delete});
    EXPECT_EQ(driver.Answer("Yes"), "Are you sure you want to delete the highlighted record?");
    driver.WaitUntil([&] { return Rows() == 0; }, "the clause deleted");
    EXPECT_FALSE(driver.Server().FindWindow(kForm));
    EXPECT_FALSE(StoredNow(2).found);
    CloseBrowse();
}

TEST_F(KlauzuleGui, ANumberTooWideForItsPictureIsRefusedWithABeepAndTheFocusKept) {
    Start();
    Insert();
    const int beeps = driver.Server().beeps();
    driver.Type(kForm, "?SKL:SIFRA", "70000");  // @n02, and no SHORT either
    driver.WaitUntil([&] { return driver.Server().beeps() > beeps; }, "the beep");
    driver.WaitUntil([&] { return driver.Focused(kForm) == "?SKL:SIFRA"; }, "the focus kept");
    EXPECT_EQ(rt::clip(driver.Text(kForm, "?SKL:SIFRA")), "70000");  // kept to be mended
    driver.Type(kForm, "?SKL:SIFRA", "7");
    driver.Type(kForm, "?SKL:OPIS", "Jul");
    driver.Press(kForm, "?OK");
    FormClosed();
    EXPECT_EQ(StoredNow(7).opis, "Jul");
    EXPECT_FALSE(StoredNow(70000 % 65536).found);
    CloseBrowse();
}

TEST_F(KlauzuleGui, TheMenuItemStartsTheClausesBrowse) {
    auto procedure = MenuProcedure("BrowseKlauzul");
    ASSERT_TRUE(procedure);
    StartBrowse(0, procedure);
    CloseBrowse();
}

}  // namespace
