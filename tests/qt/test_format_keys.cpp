// Key codes and fonts of the back end, and a list's columns as the widgets and the runtime
// read them from its format.
#include <QFontInfo>
#include <QHeaderView>
#include <QTreeView>

#include "platform/qt/keys.h"
#include "platform/ui/columntracker.h"
#include "tests/driver/gui_fixture.h"
#include "tests/qt/small_window.h"

namespace kvtest {
namespace {

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

// A grouped list: the group's heading holds digits and the group has modifiers of its own,
// neither of which is a column. The widgets show the three columns, and the runtime sizes
// the third one where the widgets show it.
TEST_F(GuiTest, AGroupedListHasTheSameColumnsForTheRuntimeAndTheWidgets) {
    SmallWindow s("GroupedList");
    s.on_open = [](rt::ui::Window& w) {
        const int list = w.Feq("?LIST");
        w.SetText(list, rt::ui::Prop::Format,
                  "[40L(2)|M~Sifra~@s7@80L(2)|M~Naziv~@s20@](2)|M~Usluge 2024~C(0)60R(2)|M~Iznos~@n10.2@");
        w.SetRows(list, {{"S1", "Voda", "1.00"}, {"S2", "Odrzavanje", "12345678901234567890"}});
    };
    s.on_ping = [](rt::ui::Window& w) {
        rt::ui::ColumnTracker tracker;
        tracker.Setup(w);
        tracker.AddControl(w.Feq("?LIST"), false);
        tracker.SizeColumn(w.Feq("?LIST"), 3);
    };
    driver.Start([&] { s.Run(); });
    driver.WaitForWindow("GroupedList");
    auto* view = qobject_cast<QTreeView*>(driver.Widget("GroupedList", "?LIST"));
    ASSERT_NE(view, nullptr);
    driver.WaitUntil([&] { return driver.Heading("GroupedList", "?LIST", 3) == "Iznos"; },
                     "the grouped format");
    EXPECT_EQ(view->header()->count(), 3);
    EXPECT_EQ(driver.Heading("GroupedList", "?LIST", 1), "Sifra");
    EXPECT_EQ(driver.Heading("GroupedList", "?LIST", 2), "Naziv");
    const int first = view->header()->sectionSize(0), second = view->header()->sectionSize(1),
              third = view->header()->sectionSize(2);

    driver.Press("GroupedList", "?PING");  // the runtime sizes column 3 to its widest text
    driver.WaitUntil([&] { return view->header()->sectionSize(2) > third; }, "the third column widened");
    EXPECT_EQ(view->header()->count(), 3);
    EXPECT_EQ(view->header()->sectionSize(0), first);
    EXPECT_EQ(view->header()->sectionSize(1), second);
    EXPECT_EQ(driver.Heading("GroupedList", "?LIST", 3), "Iznos");
    driver.Press("GroupedList", "?OK");
    driver.WaitClosed("GroupedList");
}

}  // namespace
}  // namespace kvtest
