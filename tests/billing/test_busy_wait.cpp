// A write that waits for another workstation: while another process holds the firm
// database's write lock, OK on the services form waits (up to the store's two minutes)
// with the wait cursor on the form, and after a few seconds a note says that it waits for
// another workstation; once the other one is done, the service is stored and the note and
// the cursor are gone.
#include <QApplication>
#include <QLabel>
#include <cstdio>
#include <string>

#include "billing/kvd004_browse_obaveze.h"
#include "platform/qt/qt_window.h"
#include "tests/billing/register_fixture.h"

using namespace kvadrin;
namespace Key = rt::ui::Key;

namespace {

constexpr const char* kBrowse = "BrowseObaveze";
constexpr const char* kForm = "UpdateOBAVEZE";

// Another workstation: a process of its own that holds the database's write lock from
// its start until its standard input closes.
class OtherStation {
public:
    explicit OtherStation(const std::string& database) {
        const std::string cmd =
            "python3 -c \"import sqlite3,sys\n"
            "c=sqlite3.connect(sys.argv[1],isolation_level=None,timeout=30)\n"
            "c.execute('BEGIN IMMEDIATE')\n"
            "print('held',flush=True)\n"
            "sys.stdin.read()\n"
            "c.execute('ROLLBACK')\" '" +
            database + "' > '" + database + ".held'";
        pipe_ = ::popen(cmd.c_str(), "w");
    }
    ~OtherStation() { Release(); }
    bool Holds(const std::string& database) const {
        std::FILE* f = std::fopen((database + ".held").c_str(), "r");
        if (!f) return false;
        char buf[8] = {};
        const bool held = std::fgets(buf, sizeof buf, f) && std::string(buf).rfind("held", 0) == 0;
        std::fclose(f);
        return held;
    }
    void Release() {
        if (pipe_) ::pclose(pipe_);
        pipe_ = nullptr;
    }

private:
    std::FILE* pipe_ = nullptr;
};

class BusyWaitGui : public kvtest::RegisterGui {
protected:
    BusyWaitGui() : RegisterGui(kBrowse, kForm) {}
    void SetUp() override { SetUpRegister("BUSYDB", BrowseObavezeWindow()); }
    QWidget* Note() const {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "kvBusyWait" && w->isVisible()) return w;
        return nullptr;
    }
    bool FormWaits() {
        rt::qt::QtWindow* form = driver.Server().FindWindow(kForm);
        return form && form->top()->cursor().shape() == Qt::WaitCursor;
    }
};

TEST_F(BusyWaitGui, AWriteThatWaitsForAnotherWorkstationSaysSo) {
    StartChoosing(0, BrowseObaveze, [] { return std::string(); });
    driver.WaitUntil([&] { return !driver.Enabled(kBrowse, "?BUTTONNORECORDS"); }, "the empty list read");
    driver.Focus(kBrowse, kList);
    driver.Keys(kBrowse, {Key::Insert});
    WaitForm("Record Will Be Added");
    driver.Type(kForm, "?OBA:SIFRA", "lift");
    driver.Type(kForm, "?OBA:NAZIV", "Lift");

    const std::string database = (dir_ / "BUSYDB.sqlite").string();
    OtherStation other(database);
    driver.WaitUntil([&] { return other.Holds(database); }, "the other station's lock");
    driver.Press(kForm, "?OK");
    driver.WaitUntil([&] { return FormWaits(); }, "the wait cursor");
    EXPECT_EQ(Note(), nullptr) << "the note comes only after a few seconds";
    driver.WaitUntil([&] { return Note() != nullptr; }, "the note of the wait");
    auto* text = Note()->findChild<QLabel*>("kvBusyWaitText");
    ASSERT_NE(text, nullptr);
    EXPECT_NE(text->text().toStdString().find("druga radna stanica"), std::string::npos);
    driver.Snapshot(kForm, "busy_wait_form.png");
    EXPECT_TRUE(driver.Server().FindWindow(kForm)) << "still waiting";

    other.Release();
    FormClosed();
    driver.WaitUntil([&] { return Note() == nullptr; }, "the note gone");
    driver.WaitUntil(
        [&] { return driver.Server().FindWindow(kBrowse)->top()->cursor().shape() != Qt::WaitCursor; },
        "the cursor back");
    WaitRows(1, "the service stored");
    EXPECT_EQ(Cell(1, 1), "LIFT");
    CloseBrowse();
}

}  // namespace
