// Rich text as the program stores it: documents written as RTF and read back keep their
// words and formatting, RTF of other writers reads with all its words and none of its
// markup, and an independent reader (unrtf) finds the same words in what we write.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <string>
#include <vector>

#include "platform/qt/rich_text.h"
#include "tests/driver/gui_fixture.h"
#include "tests/driver/unrtf.h"

// Texts as gtest shows them.
void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

using rt::qt::ReadRtf;
using rt::qt::WriteRtf;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// The words of a text; list numbers and bullets, which a reader writes of its own, left out.
QStringList Words(const QString& text) {
    QStringList words;
    static const QRegularExpression mark(QStringLiteral("^([IVXivx]+\\.|[a-z]\\.|\\d+\\.|•|·)$"));
    for (const QString& w :
         text.split(QRegularExpression(QStringLiteral("[\\s\\x{2028}\\x{00A0}]+")), Qt::SkipEmptyParts))
        if (!mark.match(w).hasMatch()) words << w;
    return words;
}

// The fragment of a block that holds the text, with its format.
QTextCharFormat FormatOf(const QTextDocument& doc, const QString& text) {
    const QTextCursor found = doc.find(text);
    EXPECT_FALSE(found.isNull()) << text.toStdString();
    QTextCursor at(found);
    at.setPosition(found.selectionStart() + 1);
    return at.charFormat();
}

bool AllAscii(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

class RichText : public ::testing::Test {
protected:
    void SetUp() override { kvtest::Gui(); }
};

// A clause as the user formats it: every kind of formatting the tool bar gives.
void FillSample(QTextDocument& doc) {
    QTextCursor c(&doc);
    QTextCharFormat plain;
    plain.setFontFamilies({QStringLiteral("Arial")});
    plain.setFontPointSize(10);
    auto with = [&](auto set) {
        QTextCharFormat f = plain;
        set(f);
        return f;
    };
    c.setBlockCharFormat(plain);
    c.insertText(U("Obična "), plain);
    c.insertText(U("podebljana"), with([](QTextCharFormat& f) { f.setFontWeight(QFont::Bold); }));
    c.insertText(U(", "), plain);
    c.insertText(U("kosa"), with([](QTextCharFormat& f) { f.setFontItalic(true); }));
    c.insertText(U(" i "), plain);
    c.insertText(U("podvučena"), with([](QTextCharFormat& f) { f.setFontUnderline(true); }));
    c.insertText(U(" slova: čćžšđ ČĆŽŠĐ {\\}"), plain);

    QTextBlockFormat centre;
    centre.setAlignment(Qt::AlignHCenter);
    c.insertBlock(centre, plain);
    c.insertText(U("Veliki naslov"), with([](QTextCharFormat& f) { f.setFontPointSize(16); }));
    c.insertText(U(" u sredini"), with([](QTextCharFormat& f) {
                     f.setFontFamilies({QStringLiteral("Times New Roman")});
                     f.setForeground(QColor(255, 0, 0));
                     f.setBackground(QColor(255, 255, 0));
                 }));

    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    c.insertBlock(right, plain);
    c.insertText(U("Desno\u2028drugi red\tposle taba"), plain);

    QTextBlockFormat justified;
    justified.setAlignment(Qt::AlignJustify);
    justified.setLeftMargin(37.8);
    justified.setRightMargin(18.9);
    justified.setTextIndent(-18.9);
    justified.setTabPositions(
        {QTextOption::Tab(75.6, QTextOption::LeftTab), QTextOption::Tab(302.4, QTextOption::RightTab)});
    c.insertBlock(justified, plain);
    c.insertText(U("Poravnato obostrano sa uvlačenjem i tabulatorima."), plain);

    c.insertBlock(QTextBlockFormat(), plain);
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    bullets.setIndent(1);
    c.createList(bullets);
    c.insertText(U("prva stavka"), plain);
    c.insertBlock();
    c.insertText(U("druga stavka"), plain);
    c.insertBlock(QTextBlockFormat(), plain);
    c.insertText(U("između"), plain);
    c.insertBlock(QTextBlockFormat(), plain);
    QTextListFormat roman;
    roman.setStyle(QTextListFormat::ListUpperRoman);
    roman.setIndent(1);
    c.createList(roman);
    c.insertText(U("prvi"), plain);
    c.insertBlock();
    c.insertText(U("drugi"), plain);
    c.insertBlock(QTextBlockFormat(), plain);  // an empty last paragraph
}

TEST_F(RichText, ADocumentWrittenAndReadBackKeepsItsTextAndFormatting) {
    QTextDocument doc;
    FillSample(doc);
    const std::string rtf = WriteRtf(doc);
    EXPECT_TRUE(AllAscii(rtf)) << rtf;
    EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg1250", 0), 0u) << rtf;
    EXPECT_NE(rtf.find("\\'e8\\'e6\\'9e\\'9a\\'f0 \\'c8\\'c6\\'8e\\'8a\\'d0"), std::string::npos) << rtf;

    QTextDocument back;
    ReadRtf(rtf, back);
    EXPECT_EQ(back.toPlainText(), doc.toPlainText());
    ASSERT_EQ(back.blockCount(), doc.blockCount());
    EXPECT_FALSE(back.isModified());
    EXPECT_FALSE(back.isUndoAvailable());

    struct Expect {
        const char* text;
        bool bold, italic, underline;
        double points;
        const char* family;
    } chars[] = {
        {"Obična", false, false, false, 10, "Arial"},
        {"podebljana", true, false, false, 10, "Arial"},
        {"kosa", false, true, false, 10, "Arial"},
        {"podvučena", false, false, true, 10, "Arial"},
        {"čćžšđ", false, false, false, 10, "Arial"},
        {"Veliki", false, false, false, 16, "Arial"},
        {"u sredini", false, false, false, 10, "Times New Roman"},
    };
    for (const Expect& e : chars) {
        SCOPED_TRACE(e.text);
        const QTextCharFormat f = FormatOf(back, U(e.text));
        EXPECT_EQ(f.fontWeight() >= QFont::Bold, e.bold);
        EXPECT_EQ(f.fontItalic(), e.italic);
        EXPECT_EQ(f.fontUnderline(), e.underline);
        EXPECT_DOUBLE_EQ(f.fontPointSize(), e.points);
        EXPECT_EQ(f.fontFamilies().toStringList().value(0), QString::fromLatin1(e.family));
    }
    const QTextCharFormat coloured = FormatOf(back, U("sredini"));
    EXPECT_EQ(coloured.foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(coloured.background().color(), QColor(255, 255, 0));
    EXPECT_EQ(FormatOf(back, U("Obična")).foreground().style(), Qt::NoBrush);

    std::vector<QTextBlock> blocks;
    for (QTextBlock b = back.begin(); b.isValid(); b = b.next()) blocks.push_back(b);
    EXPECT_EQ(blocks[0].blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    EXPECT_EQ(blocks[1].blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(blocks[2].blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_EQ(blocks[2].text(), U("Desno\u2028drugi red\tposle taba"));
    const QTextBlockFormat j = blocks[3].blockFormat();
    EXPECT_EQ(j.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
    EXPECT_NEAR(j.leftMargin(), 37.8, 0.1);
    EXPECT_NEAR(j.rightMargin(), 18.9, 0.1);
    EXPECT_NEAR(j.textIndent(), -18.9, 0.1);
    ASSERT_EQ(j.tabPositions().size(), 2);
    EXPECT_NEAR(j.tabPositions()[1].position, 302.4, 0.1);
    EXPECT_EQ(j.tabPositions()[1].type, QTextOption::RightTab);
    // Two lists with a paragraph between them: bullets, then upper Roman numbers.
    ASSERT_NE(blocks[4].textList(), nullptr);
    EXPECT_EQ(blocks[4].textList(), blocks[5].textList());
    EXPECT_EQ(blocks[4].textList()->format().style(), QTextListFormat::ListDisc);
    EXPECT_EQ(blocks[6].textList(), nullptr);
    ASSERT_NE(blocks[7].textList(), nullptr);
    EXPECT_EQ(blocks[7].textList(), blocks[8].textList());
    EXPECT_EQ(blocks[8].textList()->format().style(), QTextListFormat::ListUpperRoman);
    EXPECT_EQ(blocks[9].text(), QString());

    // Written again, the document read back gives the same RTF.
    EXPECT_EQ(WriteRtf(back), rtf);
}

TEST_F(RichText, AnEmptyDocumentAndPlainTextAreRead) {
    QTextDocument doc;
    doc.setDefaultFont(QFont(QStringLiteral("Arial"), 10));
    EXPECT_EQ(WriteRtf(doc),
              "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fcharset238 Arial;}}\\fs20\\par}");
    ReadRtf(WriteRtf(doc), doc);
    EXPECT_TRUE(doc.isEmpty());
    ReadRtf("", doc);
    EXPECT_TRUE(doc.isEmpty());
    // Not RTF: plain CP1250 text, its lines paragraphs.
    ReadRtf(
        "Obi\xe8"
        "an tekst\r\ndrugi \x9a"
        "ef",
        doc);
    EXPECT_EQ(doc.toPlainText(), U("Običan tekst\ndrugi šef"));
}

// RTF as other programs write it: unknown control words, destinations of their own,
// pictures, objects, fields, the document information, Unicode characters with their
// fallbacks and groups within groups. Every word of the text is read, no markup is.
TEST_F(RichText, RtfOfOtherWritersReadsWithAllItsWordsAndNoMarkup) {
    const std::string foreign =
        "{\\rtf1\\ansi\\ansicpg1250\\deff0\\nouicompat\\deflang2074"
        "{\\fonttbl{\\f0\\fnil\\fcharset238 Calibri;}{\\f1\\fswiss\\fcharset0 Arial{\\*\\panose "
        "020b0604020202020204};}"
        "{\\f2\\froman\\fcharset204 Times New Roman Cyr;}}\r\n"
        "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
        "{\\*\\generator Neki program 2.1}{\\info{\\title Naslov koji se ne vidi}{\\author Neko}}"
        "{\\stylesheet{\\s0\\snext0 Normal;}{\\*\\cs10 Default Paragraph Font;}}"
        "{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc4\\levelstartat1{\\leveltext\\'02\\'00."
        ";}"
        "{\\levelnumbers\\'01;}}\\listid77}}{\\*\\listoverridetable{"
        "\\listoverride\\listid77\\listoverridecount0\\ls3}}\r\n"
        "\\viewkind4\\uc1 \r\n"
        "\\pard\\sa200\\sl276\\slmult1\\qc\\f0\\fs22\\lang26 Ugovor o \\b odr\\'9eavanju\\b0  zgrade\\par\r\n"
        "\\pard\\li720\\fi-360{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}"
        "Prva stavka "
        "{\\*\\bkmkstart x}sa {\\field{\\*\\fldinst HYPERLINK \"http://primer\"}{\\fldrslt{\\ul\\cf1 "
        "vezom}}}\\par\r\n"
        "{\\pntext\\f1\\'B7\\tab}Druga \\u269?a\\u263\\'e6a \\f2\\'c6\\'e5\\f0  stavka {\\*\\nepoznato "
        "skrivena re\\'e8} kraj\\par\r\n"
        "\\pard\\plain{\\*\\shppict{\\pict\\pngblip 89504e470d0a}}{\\nonshppict{\\pict\\wmetafile8 "
        "0100}}Posle slike\\par\r\n"
        "{\\object\\objemb{\\*\\objclass Excel}{\\*\\objdata 0105000002}{\\result rezultat}}Tabela\\par\r\n"
        "\\pard\\fooword12 nepoznata re\\'e8 \\unknownword ostaje{\\bin5 {}\\}x}\\par\r\n"
        "{\\header zaglavlje}{\\footer podno\\'9eje}"
        "\\pard\\ls3\\ilvl0{\\listtext a.\\tab}Tekst sa {\\b ugnje\\'9e{\\i denim}} grupama\\tab "
        "i\\~razmakom\\line novi red\\par\r\n"
        "}";
    QTextDocument doc;
    ReadRtf(foreign, doc);
    const QString expected =
        U("Ugovor o održavanju zgrade\n"
          "Prva stavka sa vezom\n"
          "Druga čaća Же stavka  kraj\n"
          "Posle slike\n"
          "Tabela\n"
          "nepoznata reč ostaje\n"
          "Tekst sa ugnježdenim grupama\ti razmakom\nnovi red");
    EXPECT_EQ(doc.toPlainText(), expected);
    EXPECT_EQ(doc.lastBlock().text(), U("Tekst sa ugnježdenim grupama\ti\u00A0razmakom\u2028novi red"));
    for (const char* markup : {"\\", "{", "}", "Naslov", "Neko", "Normal", "Default", "HYPERLINK", "primer",
                               "zaglavlje", "podnožje", "skrivena", "89504e", "Calibri", "rezultat", "020b"})
        EXPECT_FALSE(doc.toPlainText().contains(U(markup))) << markup;

    EXPECT_EQ(doc.begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_GE(FormatOf(doc, U("održavanju")).fontWeight(), QFont::Bold);
    EXPECT_LT(FormatOf(doc, U("zgrade")).fontWeight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(FormatOf(doc, U("Ugovor")).fontPointSize(), 11);
    const QTextCharFormat link = FormatOf(doc, U("vezom"));
    EXPECT_TRUE(link.fontUnderline());
    EXPECT_EQ(link.foreground().color(), QColor(255, 0, 0));
    const QTextCharFormat nested = FormatOf(doc, U("denim"));
    EXPECT_GE(nested.fontWeight(), QFont::Bold);
    EXPECT_TRUE(nested.fontItalic());
    EXPECT_FALSE(FormatOf(doc, U("grupama")).fontItalic());
    const QTextBlock second = doc.begin().next();
    ASSERT_NE(second.textList(), nullptr);
    EXPECT_EQ(second.textList()->format().style(), QTextListFormat::ListDisc);
    EXPECT_EQ(second.next().textList(), second.textList());
    const QTextBlock last = doc.lastBlock();
    ASSERT_NE(last.textList(), nullptr);
    EXPECT_EQ(last.textList()->format().style(), QTextListFormat::ListLowerAlpha);

    // The document written again and read by another reader: the same words.
    EXPECT_EQ(Words(kvtest::UnrtfText(WriteRtf(doc))), Words(doc.toPlainText()));
}

TEST_F(RichText, ATextCutShortReadsAsFarAsItGoes) {
    QTextDocument doc;
    ReadRtf("{\\rtf1\\ansi\\ansicpg1250{\\fonttbl{\\f0 Arial;}}\\f0 Prvi red\\par Drugi {\\b deo \\'e8", doc);
    EXPECT_EQ(doc.toPlainText(), U("Prvi red\nDrugi deo č"));
    ReadRtf("{\\rtf1\\ansi Kraj usred re\\'", doc);
    EXPECT_EQ(doc.toPlainText(), U("Kraj usred re"));
}

// Numbers at and past the ends of their type in every word that takes one: the text is
// read, nothing overflows (the sanitizer build checks the arithmetic).
TEST_F(RichText, ControlWordsWithExtremeNumbersReadTheText) {
    for (const char* number : {"2147483647", "-2147483648", "9223372036854775807", "99999999999999999999999"}) {
        SCOPED_TRACE(number);
        std::string rtf = "{\\rtf1\\ansi\\ansicpg1250{\\fonttbl{\\f0 Arial;}}"
                          "{\\*\\listtable{\\list{\\listlevel\\levelnfc0}\\listidN}}"
                          "{\\*\\listoverridetable{\\listoverride\\listidN\\lsN}}"
                          "\\pard\\lsN\\liN\\fiN\\riN\\txN\\fsN\\cfN\\cbN\\highlightN\\fN Prvi\\par "
                          "\\pard\\lsN Drugi\\par}";
        for (auto at = rtf.find('N'); at != std::string::npos; at = rtf.find('N', at))
            rtf.replace(at, 1, number);
        QTextDocument doc;
        ReadRtf(rtf, doc);
        EXPECT_EQ(doc.toPlainText(), U("Prvi\nDrugi"));
    }
}

TEST_F(RichText, AnotherReaderFindsTheWordsWeWrite) {
    QTextDocument doc;
    FillSample(doc);
    const QStringList theirs = Words(kvtest::UnrtfText(WriteRtf(doc)));
    EXPECT_EQ(theirs, Words(doc.toPlainText()));
    EXPECT_TRUE(theirs.contains(U("čćžšđ")));
    EXPECT_TRUE(theirs.contains(U("ČĆŽŠĐ")));
}

}  // namespace
