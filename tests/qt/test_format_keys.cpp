// List formats, key codes and fonts of the back end.
#include <QFontInfo>

#include "platform/qt/keys.h"
#include "platform/qt/list_format.h"
#include "tests/driver/gui_fixture.h"

namespace kvtest {
namespace {

using rt::qt::Align;
using rt::qt::ListColumn;
using rt::qt::ParseListFormat;

struct Col {
    int width;
    Align align;
    int indent;
    std::string heading;
    Align heading_align;
    std::string picture;
};

struct FormatCase {
    const char* format;
    std::vector<Col> columns;
};

TEST(ListFormat, ColumnsWidthsAlignmentsHeadingsAndPictures) {
    const FormatCase cases[] = {
        {"35L(2)|M~Sifra~C(0)@s7@", {{35, Align::Left, 2, "Sifra", Align::Center, "@s7"}}},
        {"35L(2)|M~Sifra~C(0)@s7@120L(2)|M~Naziv~L(2)@s40@56D(12)|M~Iznos~C(0)@n-14`2@",
         {{35, Align::Left, 2, "Sifra", Align::Center, "@s7"},
          {120, Align::Left, 2, "Naziv", Align::Left, "@s40"},
          {56, Align::Decimal, 12, "Iznos", Align::Center, "@n-14`2"}}},
        // Right alignment, no heading alignment, modifiers with arguments, a field number.
        {"40R(4)_Z(2)#3#~Broj~@n5@20C~~@d5@",
         {{40, Align::Right, 4, "Broj", Align::Left, "@n5"}, {20, Align::Center, 0, "", Align::Left, "@d5"}}},
        // A group: its own heading after "]" names no column.
        {"[30L~A~@s3@40L~B~@s4@]|~Grupa~60L~C~@s6@",
         {{30, Align::Left, 0, "A", Align::Left, "@s3"},
          {40, Align::Left, 0, "B", Align::Left, "@s4"},
          {60, Align::Left, 0, "C", Align::Left, "@s6"}}},
        {"", {}},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.format);
        std::vector<ListColumn> got = ParseListFormat(c.format);
        ASSERT_EQ(got.size(), c.columns.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].width, c.columns[i].width) << i;
            EXPECT_EQ(got[i].align, c.columns[i].align) << i;
            EXPECT_EQ(got[i].indent, c.columns[i].indent) << i;
            EXPECT_EQ(got[i].heading, c.columns[i].heading) << i;
            EXPECT_EQ(got[i].heading_align, c.columns[i].heading_align) << i;
            EXPECT_EQ(got[i].picture, c.columns[i].picture) << i;
        }
    }
    EXPECT_TRUE(ParseListFormat("35L(2)|M~Sifra~").front().right_border);
    EXPECT_TRUE(ParseListFormat("35L(2)|M~Sifra~").front().resizable);
}

struct KeyCase {
    int qt_key;
    Qt::KeyboardModifiers modifiers;
    int code;
};

TEST(KeyCodes, QtKeysGiveTheRuntimeCodesAndBack) {
    using namespace rt::ui;
    const KeyCase cases[] = {
        {Qt::Key_Return, Qt::NoModifier, Key::Enter},
        {Qt::Key_Tab, Qt::NoModifier, Key::Tab},
        {Qt::Key_Backtab, Qt::ShiftModifier, Key::ShiftTab},
        {Qt::Key_H, Qt::ControlModifier, Key::CtrlH},
        {Qt::Key_N, Qt::ControlModifier, Key::CtrlN},
        {Qt::Key_Left, Qt::NoModifier, Key::Left},
        {Qt::Key_Down, Qt::NoModifier, Key::Down},
        {Qt::Key_F1, Qt::NoModifier, Key::F1},
        {Qt::Key_F10, Qt::AltModifier, Key::Alt | Key::F10},
        {Qt::Key_Return, Qt::ShiftModifier, Key::ShiftEnter},
        {Qt::Key_Shift, Qt::ShiftModifier, 0x110},
        {Qt::Key_Escape, Qt::NoModifier, Key::Escape},
        {Qt::Key_7, Qt::NoModifier, '7'},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(rt::qt::KeyCodeOf(c.qt_key, c.modifiers), c.code);
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        ASSERT_TRUE(rt::qt::QtKeyOf(c.code, key, mods));
        EXPECT_EQ(rt::qt::KeyCodeOf(key, mods), c.code);
    }
    EXPECT_EQ(rt::qt::KeyCodeOf(Qt::Key_Enter, Qt::KeypadModifier), Key::Enter);
    EXPECT_EQ(rt::qt::KeyCodeOf(Qt::Key_Exclam, Qt::NoModifier), 0);
    EXPECT_EQ(rt::qt::KeyText(Key::Shift | 'A').toStdString(), "A");
    EXPECT_EQ(rt::qt::KeyText('A').toStdString(), "a");
    EXPECT_TRUE(rt::qt::KeyText(Key::CtrlH).isEmpty());
}

TEST_F(GuiTest, WindowsFontNamesUseTheMetricCompatibleFonts) {
    EXPECT_EQ(QFontInfo(QFont("Microsoft Sans Serif", 8)).family().toStdString(), "Liberation Sans");
    EXPECT_EQ(QFontInfo(QFont("Arial", 10)).family().toStdString(), "Liberation Sans");
    EXPECT_EQ(QFontInfo(QFont("Times New Roman", 10)).family().toStdString(), "Liberation Serif");
}

}  // namespace
}  // namespace kvtest
