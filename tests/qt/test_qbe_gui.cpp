// Query by example: the filter text built from the user's conditions, applied to a view of
// the units on the embedded store, and the query window with real widgets.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "data/tables.h"
#include "platform/core/errors.h"
#include "platform/core/ini.h"
#include "platform/core/text.h"
#include "platform/files/file.h"
#include "platform/files/sql/connection.h"
#include "platform/files/view.h"
#include "platform/ui/qbe.h"
#include "tests/driver/store_fixture.h"

namespace fs = std::filesystem;
using rt::ui::QbeOp;
using rt::ui::QbeQuery;

namespace {

const std::string kHostile = "O'Brien'); DROP TABLE KVADRIN; --";

class Qbe : public kvtest::GuiTest {
protected:
    void SetUp() override {
        dir_ = kvtest::FreshFolder("qbe");
        settings.Init((dir_ / "KVD.INI").string());
        query.Setup(settings, errors, "BrowseKvadrin");
        query.QKSUPPORT = 1;
        query.QKICON = "QkLoad.ico";
        query.QKMENUICON = "QkQBE.ico";
        query.AddItem("KVD:BROJ", "BROJ STANA", false);
        query.AddItem("KVD:VLASNIK", "KORISNIK", false);
        query.AddItem("KVD:POVRSINA", "Povrsina", true);
    }
    void TearDown() override {
        kvtest::GuiTest::TearDown();
        settings.Kill();
        fs::remove_all(dir_);
    }
    // Runs the query window on a procedure thread; `applied` tells how it closed.
    void StartAsk() {
        applied = -1;
        driver.Start([this] { applied = query.Ask() ? 1 : 0; });
        driver.WaitForWindow("QbeWindow");
    }

    fs::path dir_;
    rt::IniManager settings;
    rt::ErrorManager errors;
    QbeQuery query;
    std::atomic<int> applied{-1};
};

TEST_F(Qbe, ConditionsBuildAFilterInTheExpressionForm) {
    EXPECT_FALSE(query.Active());
    EXPECT_EQ(query.BuildFilter(), "");
    struct Case {
        const char* field;
        QbeOp op;
        std::string value;
        const char* filter;
    } cases[] = {
        {"KVD:VLASNIK", QbeOp::Equal, "Ana", "(UPPER(KVD:VLASNIK) = UPPER('Ana'))"},
        {"KVD:VLASNIK", QbeOp::Contains, "O'Brien",
         "(INSTRING(UPPER('O''Brien'), UPPER(KVD:VLASNIK), 1, 1) > 0)"},
        {"KVD:VLASNIK", QbeOp::BeginsWith, "''", "(INSTRING(UPPER(''''''), UPPER(KVD:VLASNIK), 1, 1) = 1)"},
        {"KVD:VLASNIK", QbeOp::NotEqual, "", "(UPPER(KVD:VLASNIK) <> UPPER(''))"},
        {"KVD:POVRSINA", QbeOp::GreaterEqual, "60.5", "(KVD:POVRSINA >= 60.5)"},
        {"KVD:POVRSINA", QbeOp::Less, "-3", "(KVD:POVRSINA < -3)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        query.ClearConditions();
        ASSERT_TRUE(query.SetCondition(c.field, c.op, c.value));
        EXPECT_TRUE(query.Active());
        EXPECT_EQ(query.BuildFilter(), c.filter);
    }
    // Several conditions are ANDed in the order of the items.
    query.ClearConditions();
    ASSERT_TRUE(query.SetCondition("KVD:POVRSINA", QbeOp::Greater, "50"));
    ASSERT_TRUE(query.SetCondition("KVD:BROJ", QbeOp::Equal, "3"));
    EXPECT_EQ(query.BuildFilter(), "(UPPER(KVD:BROJ) = UPPER('3')) AND (KVD:POVRSINA > 50)");

    // Refused, leaving the query as it was: values that are no number for a numeric field
    // (nothing unquoted reaches the filter), text operators on numbers, unknown fields.
    const std::string before = query.BuildFilter();
    EXPECT_FALSE(query.SetCondition("KVD:POVRSINA", QbeOp::Equal, "1 OR 1=1"));
    EXPECT_FALSE(query.SetCondition("KVD:POVRSINA", QbeOp::Equal, ""));
    EXPECT_FALSE(query.SetCondition("KVD:POVRSINA", QbeOp::Contains, "5"));
    EXPECT_FALSE(query.SetCondition("KVD:TELEFON", QbeOp::Equal, "1"));
    EXPECT_EQ(query.BuildFilter(), before);
}

TEST_F(Qbe, AValueWithQuotesAndSqlStaysLiteralThroughAView) {
    rt::sql::CloseThreadConnections();
    ::setenv("KVADRIN_LOCALDB", dir_.c_str(), 1);
    kvadrin::KVADRINRecord kvd;
    rt::File kv(kvadrin::table_def(kvadrin::TableId::KVADRIN), &kvd);
    ASSERT_TRUE(rt::sql::CreateEmbeddedDatabase("(localdb)\\test,FORMDB,,;TrustedConnection=True"));
    kv.BindOwner([] { return std::string("(localdb)\\test,FORMDB,,;TrustedConnection=True"); });
    ASSERT_EQ(kv.Create(), 0) << rt::FileError();
    ASSERT_EQ(kv.Open(), 0) << rt::FileError();
    struct Unit {
        const char* broj;
        std::string vlasnik;
        double povrsina;
    } units[] = {{"1", "Ana", 40}, {"2", kHostile, 70}, {"3", "O'Brien", 55}, {"4", "Zoran", 80}};
    for (const Unit& u : units) {
        kv.Clear();
        kvd.BROJ = u.broj;
        kvd.VLASNIK = u.vlasnik;
        kvd.POVRSINA = u.povrsina;
        ASSERT_EQ(kv.Add(), 0) << rt::FileError();
    }
    rt::ViewManager v;
    v.Init(kv);
    ASSERT_EQ(v.DefineSortOrder(kv.KeyIndex("KVD:Po_broju")), 1);
    auto rows = [&] {
        std::vector<std::string> out;
        EXPECT_EQ(v.Reset(), 0) << rt::FileError();
        while (v.Next() == 0) out.push_back(kvd.BROJ.str());
        return out;
    };
    struct Case {
        QbeOp op;
        std::string value;
        std::vector<std::string> rows;
    } cases[] = {
        {QbeOp::Contains, "brien'); drop", {"2"}},  {QbeOp::Contains, "o'brien", {"2", "3"}},
        {QbeOp::Equal, kHostile.substr(0, 20), {}},  // a part of the name is no match
        {QbeOp::BeginsWith, "o'", {"2", "3"}},      {QbeOp::Equal, "' OR '1'='1", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        query.ClearConditions();
        ASSERT_TRUE(query.SetCondition("KVD:VLASNIK", c.op, c.value));
        ASSERT_EQ(query.ApplyTo(v), "") << query.BuildFilter();
        EXPECT_EQ(rows(), c.rows);
    }
    // With a number as well; then no query at all shows every unit.
    ASSERT_TRUE(query.SetCondition("KVD:POVRSINA", QbeOp::Greater, "60"));
    ASSERT_EQ(query.ApplyTo(v), "");
    EXPECT_EQ(rows(), std::vector<std::string>{});
    query.ClearConditions();
    ASSERT_EQ(query.ApplyTo(v), "");
    EXPECT_EQ(rows(), (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(kv.Records(), 4);
    kv.Close();
    rt::sql::CloseThreadConnections();
}

TEST_F(Qbe, TheWindowTakesOperatorsAndValuesAndKeepsQuickQueries) {
    StartAsk();
    EXPECT_EQ(driver.Text("QbeWindow", "?QBE:TITLE2"), "KORISNIK");
    driver.Snapshot("QbeWindow", "qbe_window.png");
    // A value that is no number for the area: refused, the window stays on that row.
    driver.Type("QbeWindow", "?QBE:OP3", ">");
    driver.Type("QbeWindow", "?QBE:VALUE3", "pedeset");
    driver.Press("QbeWindow", "?OK");
    driver.WaitUntil([&] { return driver.Focused("QbeWindow") == "?QBE:VALUE3"; }, "focus on the bad value");
    EXPECT_EQ(applied, -1);
    driver.Type("QbeWindow", "?QBE:VALUE3", "50");
    driver.Type("QbeWindow", "?QBE:OP2", "contains");
    driver.Type("QbeWindow", "?QBE:VALUE2", "O'Brien");
    // Kept under a name, cleared, and loaded back.
    driver.Type("QbeWindow", "?QBE:NAME", "Veliki");
    driver.Press("QbeWindow", "?QBE:SAVE");
    driver.Press("QbeWindow", "?CLEAR");
    driver.WaitUntil([&] { return driver.Text("QbeWindow", "?QBE:VALUE2").empty(); }, "cleared");
    driver.Press("QbeWindow", "?QBE:LOAD");
    driver.WaitUntil([&] { return driver.Text("QbeWindow", "?QBE:VALUE2") == "O'Brien"; }, "loaded");
    EXPECT_EQ(driver.Text("QbeWindow", "?QBE:OP3"), ">");
    driver.Press("QbeWindow", "?OK");
    driver.WaitForThreads();
    EXPECT_EQ(applied, 1);
    const std::string filter =
        "(INSTRING(UPPER('O''Brien'), UPPER(KVD:VLASNIK), 1, 1) > 0) AND (KVD:POVRSINA > 50)";
    EXPECT_EQ(query.BuildFilter(), filter);

    // Cancel leaves the query as it was.
    StartAsk();
    EXPECT_EQ(driver.Text("QbeWindow", "?QBE:VALUE3"), "50");
    driver.Type("QbeWindow", "?QBE:VALUE3", "99");
    driver.Press("QbeWindow", "?CANCEL");
    driver.WaitForThreads();
    EXPECT_EQ(applied, 0);
    EXPECT_EQ(query.BuildFilter(), filter);

    // The quick query was stored in the settings file and another query object reads it.
    QbeQuery other;
    other.Setup(settings, errors, "BrowseKvadrin");
    for (const rt::ui::QbeItem& it : query.Items()) other.AddItem(it.field, it.title, it.numeric);
    EXPECT_FALSE(other.LoadQuick("Nepoznat"));
    ASSERT_TRUE(other.LoadQuick("Veliki"));
    EXPECT_EQ(other.BuildFilter(), filter);
}

}  // namespace
