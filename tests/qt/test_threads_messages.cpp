// Windows of two procedure threads, a thread's modal child window, and message boxes.
#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>

#include "platform/qt/gui_server.h"
#include "tests/qt/small_window.h"

namespace kvtest {
namespace {

using namespace rt::ui;

TEST_F(GuiTest, AModalChildDisablesOnlyItsOwnThreadsWindows) {
    SmallWindow a("WinA"), b("WinB"), child("WinAChild");
    a.child = &child;
    driver.Start([&] { a.Run(); });
    driver.Start([&] { b.Run(); });
    driver.WaitForWindow("WinA");
    driver.WaitForWindow("WinB");

    driver.Type("WinA", "?LOC:TEXT", "a1");
    driver.Type("WinB", "?LOC:TEXT", "b1");
    driver.WaitUntil([&] { return a.Text() == "a1" && b.Text() == "b1"; }, "both windows' variables");

    driver.Press("WinA", "?CHILD");
    driver.WaitForWindow("WinAChild");
    driver.WaitUntil([&] { return !driver.Enabled("WinA", "?LOC:TEXT"); }, "WinA disabled under its child");
    EXPECT_FALSE(driver.Enabled("WinA", "?OK"));
    EXPECT_TRUE(driver.Enabled("WinB", "?LOC:TEXT"));

    // The other thread's window goes on working while the child is open.
    driver.Type("WinB", "?LOC:TEXT", "b2");
    driver.WaitUntil([&] { return b.Text() == "b2"; }, "WinB's variable while WinAChild is open");
    driver.Type("WinAChild", "?LOC:TEXT", "c1");
    driver.WaitUntil([&] { return child.Text() == "c1"; }, "the child's variable");
    EXPECT_EQ(a.Text(), "a1");

    driver.Press("WinAChild", "?OK");
    driver.WaitClosed("WinAChild");
    driver.WaitUntil([&] { return driver.Enabled("WinA", "?LOC:TEXT"); }, "WinA usable again");
    driver.Type("WinA", "?LOC:TEXT", "a2");
    driver.WaitUntil([&] { return a.Text() == "a2"; }, "WinA's variable after the child closed");

    driver.Press("WinA", "?OK");
    driver.Press("WinB", "?OK");
    driver.WaitClosed("WinA");
    driver.WaitClosed("WinB");
}

struct MessageCase {
    const char* text;
    const char* buttons;
    int default_button;
    const char* click;
    std::vector<std::string> shown;  // button texts in order
    int answer;
};

TEST_F(GuiTest, MessageBoxesAnswerThePositionOfTheClickedButton) {
    const MessageCase cases[] = {
        {"Obračun je završen", "", 1, "OK", {"OK"}, 1},
        {"Brisati zapis?", "Da|Ne", 2, "Ne", {"Da", "Ne"}, 2},
        {"Brisati zapis?", "Da|Ne", 2, "Da", {"Da", "Ne"}, 1},
        {"Nastaviti?", "&Da|&Ne|Odustani", 1, "Odustani", {"&Da", "&Ne", "Odustani"}, 3},
    };
    SmallWindow a("Asker"), other("Bystander");
    driver.Start([&] { a.Run(); });
    driver.Start([&] { other.Run(); });
    driver.WaitForWindow("Asker");
    driver.WaitForWindow("Bystander");
    for (const MessageCase& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.click);
        a.question.text = rt::utf8_to_cp1250(c.text);
        a.question.buttons = c.buttons;
        a.question.default_button = c.default_button;
        a.question.icon = *c.buttons ? Icon::Question : "";
        a.question.answer = 0;
        driver.Press("Asker", "?ASK");
        EXPECT_EQ(driver.MessageText(), c.text);

        QMessageBox* box = driver.Server().Messages().front().box;
        std::vector<std::string> shown;
        for (QAbstractButton* b : box->buttons()) shown.push_back(b->text().toStdString());
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()),
                  box->buttons().at(c.default_button - 1));
        EXPECT_EQ(box->icon(), *c.buttons ? QMessageBox::Question : QMessageBox::NoIcon);
        // Modal for the asking thread only.
        EXPECT_FALSE(driver.Enabled("Asker", "?OK"));
        EXPECT_TRUE(driver.Enabled("Bystander", "?OK"));

        EXPECT_EQ(driver.Answer(c.click), c.text);
        driver.WaitUntil([&] { return a.question.answer != 0; }, "the answer");
        EXPECT_EQ(a.question.answer, c.answer);
        driver.WaitUntil([&] { return driver.Enabled("Asker", "?OK"); }, "the asker usable again");
        EXPECT_FALSE(driver.MessageOpen());
    }
    driver.Press("Asker", "?OK");
    driver.Press("Bystander", "?OK");
    driver.WaitClosed("Asker");
    driver.WaitClosed("Bystander");
}

TEST_F(GuiTest, PrinterSetupIsModalForTheAskingThreadOnly) {
    SmallWindow a("Printing"), other("Watching");
    std::atomic<int> thread{0};
    a.on_ping = [&](Window&) { thread = rtl_thread(); };
    driver.Start([&] { a.Run(); });
    driver.Start([&] { other.Run(); });
    driver.WaitForWindow("Printing");
    driver.WaitForWindow("Watching");
    driver.Press("Printing", "?PING");
    driver.WaitUntil([&] { return thread != 0; }, "the procedure's thread number");

    driver.Server().PrinterSetup(thread);
    QDialog* dialog = nullptr;
    driver.WaitUntil(
        [&] {
            for (QWidget* t : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QPrintDialog*>(t); d && d->isVisible()) dialog = d;
            return dialog != nullptr;
        },
        "the printer set-up dialog");
    // A set-up: its button confirms the choice, it prints nothing.
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Print Setup"));
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    ASSERT_NE(buttons->button(QDialogButtonBox::Ok), nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Ok)->text(), QStringLiteral("OK"));
    for (QAbstractButton* b : buttons->buttons())
        EXPECT_NE(b->text().remove(QLatin1Char('&')), QStringLiteral("Print"));
    EXPECT_FALSE(driver.Enabled("Printing", "?OK"));
    EXPECT_TRUE(driver.Enabled("Watching", "?OK"));
    dialog->reject();
    driver.WaitUntil([&] { return driver.Enabled("Printing", "?OK"); }, "the window usable again");
    driver.Press("Printing", "?OK");
    driver.Press("Watching", "?OK");
    driver.WaitClosed("Printing");
    driver.WaitClosed("Watching");
}

}  // namespace
}  // namespace kvtest
