#include "platform/files/view.h"

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/tables.h"
#include "platform/core/errors.h"
#include "platform/core/text.h"
#include "platform/files/manager.h"
#include "platform/files/relation.h"
#include "platform/files/sql/connection.h"

namespace {

using kvadrin::KVADRINRecord;
using kvadrin::NAZIVIRecord;
using kvadrin::TableId;
using rt::ViewManager;

constexpr const char* kConnection = "(localdb)\\test,VIEWDB,,;TrustedConnection=True";

std::string cp(const char* utf8) { return rt::utf8_to_cp1250(utf8); }

// Text for a filter literal: quotes doubled.
std::string literal(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

const std::string kHostile = "O'Brien'); DROP TABLE KVADRIN; --";

// The units and owners tables on a fresh embedded database for each test.
class View : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char tmpl[] = "/tmp/kvview.XXXXXX";
        dir_ = mkdtemp(tmpl);
        setenv("KVADRIN_LOCALDB", dir_.c_str(), 1);
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(dir_); }

    void SetUp() override {
        rt::sql::CloseThreadConnections();
        for (const auto& e : std::filesystem::directory_iterator(dir_)) std::filesystem::remove(e.path());
        ASSERT_TRUE(rt::sql::CreateEmbeddedDatabase(kConnection)) << rt::FileError();
        for (rt::File* f : {&kv, &nz}) {
            f->BindOwner([] { return std::string(kConnection); });
            ASSERT_EQ(f->Create(), 0) << rt::FileError();
            ASSERT_EQ(f->Open(), 0) << rt::FileError();
        }
    }
    void TearDown() override {
        kv.Close();
        nz.Close();
        rt::sql::CloseThreadConnections();
    }

    void owner(const char* code, const char* name_utf8, const char* address = "",
               const std::string& note = "") {
        nz.Clear();
        naz.ANALITIKA = code;
        naz.NAZIV1 = cp(name_utf8);
        naz.ADRESA = address;
        naz.NAPOMENA = note;
        ASSERT_EQ(nz.Add(), 0) << rt::FileError();
    }
    void unit(const std::string& broj, const std::string& vlasnik_cp1250, const char* code) {
        kv.Clear();
        kvd.BROJ = broj;
        kvd.VLASNIK = vlasnik_cp1250;
        kvd.SHKORISNIKA = code;
        kvd.POVRSINA = 50;
        ASSERT_EQ(kv.Add(), 0) << rt::FileError();
    }
    // Owners 00001 to 00003 and seven units, one of them with an owner that is missing.
    void small_register() {
        owner("00001", "Čedomir Petrović", "Glavna 1");
        owner("00002", "ana");
        owner("00003", "Zoran", "", kHostile);
        unit("1", cp("Petar Čolić"), "00001");
        unit("2", "ana", "00002");
        unit("3", "ANA", "00002");
        unit("4", cp("čika Pera"), "00099");
        unit("5", "Ana", "00003");
        unit("6", kHostile, "00003");
        unit("10", "Zoran", "00001");
    }
    // The view of the units browse: units with their owners' names.
    void units_view(ViewManager& v) {
        v.Init(kv);
        ASSERT_EQ(v.AddJoin(nz, nz.KeyIndex("NAZ:PO_KONTU"), {"KVD:SHKORISNIKA"}), "");
        ASSERT_EQ(v.Project({"KVD:BROJ", "KVD:SHKORISNIKA", "KVD:VLASNIK", "KVD:POVRSINA", "NAZ:NAZIV1",
                             "NAZ:ANALITIKA"}),
                  "");
    }
    // Unit numbers read with `step` until it fails; the failure must be the end.
    std::vector<std::string> walk(ViewManager& v, int (ViewManager::*step)(), std::size_t max = 100000) {
        std::vector<std::string> out;
        int rc;
        while (out.size() < max && (rc = (v.*step)()) == 0) out.push_back(kvd.BROJ.str());
        if (out.size() < max) {
            EXPECT_EQ(rc, rt::kRecordNotAvailable) << rt::FileError();
            EXPECT_EQ(rt::ErrorCode(), rt::kRecordNotAvailable);
        }
        return out;
    }
    std::vector<std::string> forward(ViewManager& v) {
        EXPECT_EQ(v.Reset(), 0) << rt::FileError();
        return walk(v, &ViewManager::Next);
    }
    std::vector<std::string> backward(ViewManager& v) {
        EXPECT_EQ(v.Reset(), 0) << rt::FileError();
        return walk(v, &ViewManager::Previous);
    }
    static std::vector<std::string> reversed(std::vector<std::string> v) {
        std::reverse(v.begin(), v.end());
        return v;
    }

    static inline std::string dir_;
    KVADRINRecord kvd;
    NAZIVIRecord naz;
    rt::File kv{kvadrin::table_def(TableId::KVADRIN), &kvd};
    rt::File nz{kvadrin::table_def(TableId::NAZIVI), &naz};
};

TEST_F(View, JoinReadsTheOwnerAndClearsItWhenMissing) {
    small_register();
    ViewManager v;
    units_view(v);
    ASSERT_EQ(v.DefineSortOrder(kv.KeyIndex("KVD:Po_broju")), 1);
    ASSERT_EQ(v.Reset(), 0);
    // Fields the view does not read keep their values.
    kvd.MOBILNI = "kept";
    naz.EMAIL = "kept";
    struct Expect {
        const char* broj;
        std::string naziv;
    };
    const Expect rows[] = {{"1", cp("Čedomir Petrović")},
                           {"10", cp("Čedomir Petrović")},
                           {"2", "ana"},
                           {"3", "ana"},
                           {"4", ""},
                           {"5", "Zoran"},
                           {"6", "Zoran"}};
    for (const Expect& e : rows) {
        ASSERT_EQ(v.Next(), 0) << rt::FileError();
        EXPECT_EQ(kvd.BROJ.str(), e.broj);
        EXPECT_EQ(naz.NAZIV1.str(), e.naziv) << e.broj;
        EXPECT_EQ(kvd.MOBILNI.str(), "kept");
        EXPECT_DOUBLE_EQ(kvd.POVRSINA, 50);
        if (std::string(e.broj) == "4") {
            EXPECT_EQ(naz.ANALITIKA.str(), "");
            EXPECT_EQ(naz.EMAIL.str(), "");  // the whole joined buffer is cleared
            naz.EMAIL = "kept";
        } else {
            EXPECT_EQ(naz.ANALITIKA.str(), kvd.SHKORISNIKA.str());
            EXPECT_EQ(naz.EMAIL.str(), "kept");
            EXPECT_EQ(naz.ADRESA.str(), "");  // not read: the value from before
        }
    }
    EXPECT_EQ(v.Next(), rt::kRecordNotAvailable);
    EXPECT_EQ(v.Next(), rt::kRecordNotAvailable);
    EXPECT_EQ(v.Records(), 7);

    // An inner join drops the unit without an owner.
    ViewManager inner;
    inner.Init(kv);
    ASSERT_EQ(inner.AddJoin(nz, nz.KeyIndex("NAZ:PO_KONTU"), {"KVD:SHKORISNIKA"}, rt::JoinKind::Inner), "");
    EXPECT_EQ(forward(inner), (std::vector<std::string>{"1", "10", "2", "3", "5", "6"}));
    EXPECT_EQ(inner.Records(), 6);
}

TEST_F(View, KeyOrdersAndOrderTexts) {
    small_register();
    ViewManager v;
    units_view(v);
    const int by_number = v.DefineSortOrder(kv.KeyIndex("KVD:Po_broju"));
    const int by_name = v.DefineSortOrder("KVD:Po_vlasniku");
    ASSERT_EQ(by_name, 2);
    struct Case {
        int order;
        const char* text;  // "" keeps the key's order
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        // Case ignored by the key; equal names in unit-number order; Č in its place
        // in the alphabet, after C.
        {by_name, "", {"2", "3", "5", "4", "6", "1", "10"}},
        {by_number, "", {"1", "10", "2", "3", "4", "5", "6"}},
        // Header clicks, on a joined field too (no owner sorts as an empty name).
        {by_number, "-UPPER(NAZ:NAZIV1)", {"5", "6", "1", "10", "2", "3", "4"}},
        {by_number, "+UPPER(KVD:VLASNIK),-KVD:BROJ", {"5", "3", "2", "4", "6", "1", "10"}},
        {by_name, "+KVD:ShKorisnika", {"1", "10", "2", "3", "5", "6", "4"}},
    };
    for (int page : {0, 1, 2}) {
        v.SetPageSize(page);
        for (const Case& c : cases) {
            ASSERT_EQ(v.SetSort(c.order), 0);
            ASSERT_EQ(v.SetOrder(c.text), "");
            EXPECT_EQ(forward(v), c.rows) << c.text << " page " << page;
            EXPECT_EQ(backward(v), reversed(c.rows)) << c.text << " page " << page;
            ASSERT_EQ(v.SetOrder(""), "");
        }
    }
    // An order defined without key, sorted by appended texts.
    ViewManager report;
    units_view(report);
    ASSERT_EQ(report.DefineSortOrder(-1), 1);
    ASSERT_EQ(report.AppendOrder("+KVD:VLASNIK"), "");
    EXPECT_EQ(forward(report), (std::vector<std::string>{"2", "3", "5", "4", "6", "1", "10"}));
    ASSERT_EQ(report.AppendOrder("-KVD:BROJ"), "");
    EXPECT_EQ(forward(report), (std::vector<std::string>{"5", "3", "2", "4", "6", "1", "10"}));

    // Texts sort in the alphabet's order (Č after C, Š after S), by key or by order text
    // alike.
    unit("7", cp("Šime"), "00001");
    ASSERT_EQ(v.SetSort(by_number), 0);
    ASSERT_EQ(v.SetOrder("+UPPER(KVD:VLASNIK)"), "");
    EXPECT_EQ(forward(v), (std::vector<std::string>{"2", "3", "5", "4", "6", "1", "7", "10"}));
    ASSERT_EQ(v.SetSort(by_name), 0);
    EXPECT_EQ(forward(v), (std::vector<std::string>{"2", "3", "5", "4", "6", "1", "7", "10"}));

    EXPECT_EQ(v.SetOrder("+UPPER(KVD:NEMA)"), "Order item 1: Unknown field KVD:NEMA");
    EXPECT_EQ(v.SetOrder("+KVD:BROJ,"), "Order item 2: The item is empty");
    EXPECT_EQ(v.SetSort(3), rt::kRecordNotAvailable);
    EXPECT_EQ(v.DefineSortOrder("KVD:NEMA"), 0);
}

TEST_F(View, RangesTakeTheirValuesAtEachReset) {
    small_register();
    ViewManager v;
    units_view(v);
    v.DefineSortOrder("KVD:Po_analitici");
    v.SetPageSize(1);

    // The owner's units, through the relation's linking fields.
    ASSERT_EQ(v.LimitToRelation(nz, {{"KVD:SHKORISNIKA", "NAZ:ANALITIKA"}}), "");
    naz.ANALITIKA = "00002";
    EXPECT_EQ(forward(v), (std::vector<std::string>{"2", "3"}));
    naz.ANALITIKA = "00003";
    EXPECT_EQ(forward(v), (std::vector<std::string>{"5", "6"}));
    EXPECT_EQ(v.Records(), 2);

    // The same through the owners' relation object.
    v.ClearRange();
    rt::ErrorManager errors;
    rt::FileManager owners, units;
    owners.Init(nz, errors);
    units.Init(kv, errors);
    rt::RelationManager owners_rel, units_rel;
    owners_rel.Init(owners, false);
    units_rel.Init(units, false);
    owners_rel.AddRelation(units_rel, rt::kRelationRestrict, rt::kRelationRestrict,
                           kv.KeyIndex("KVD:Po_analitici"), {{"NAZ:ANALITIKA", "KVD:SHKORISNIKA"}});
    ASSERT_EQ(v.LimitToRelation("KVD:SHKORISNIKA", owners_rel), "");
    naz.ANALITIKA = "00001";
    EXPECT_EQ(forward(v), (std::vector<std::string>{"1", "10"}));
    EXPECT_EQ(v.LimitToRelation("KVD:VLASNIK", owners_rel), "No relation to KVADRIN links KVD:VLASNIK");

    // A variable's value.
    v.ClearRange();
    std::string code = "00001";
    ASSERT_EQ(v.LimitToValue("KVD:SHKORISNIKA", [&] { return rt::expr::Value::Text(code); }), "");
    EXPECT_EQ(forward(v), (std::vector<std::string>{"1", "10"}));
    code = "00099";
    EXPECT_EQ(forward(v), (std::vector<std::string>{"4"}));

    // The buffer's value at the Reset, kept while the rows are read one page at a time.
    v.ClearRange();
    ASSERT_EQ(v.LimitToCurrent({"KVD:SHKORISNIKA"}), "");
    kvd.SHKORISNIKA = "00002";
    ASSERT_EQ(v.Reset(), 0);
    ASSERT_EQ(v.Next(), 0);
    EXPECT_EQ(kvd.BROJ.str(), "2");
    kvd.SHKORISNIKA = "00001";
    ASSERT_EQ(v.Next(), 0);
    EXPECT_EQ(kvd.BROJ.str(), "3");
    EXPECT_EQ(v.Next(), rt::kRecordNotAvailable);

    // Ranges belong to their order.
    v.DefineSortOrder("KVD:Po_broju");
    EXPECT_EQ(forward(v).size(), 7u);

    EXPECT_EQ(v.LimitToValue("NAZ:ANALITIKA", [] { return rt::expr::Value::Text("x"); }),
              "Unknown field NAZ:ANALITIKA");
    EXPECT_EQ(v.LimitToRelation(nz, {{"KVD:SHKORISNIKA", "NAZ:NEMA"}}), "Unknown field NAZ:NEMA");
}

TEST_F(View, FiltersNarrowAndCombineByTheirIds) {
    small_register();
    ViewManager v;
    units_view(v);
    v.DefineSortOrder("KVD:Po_broju");
    struct Step {
        const char* id;
        std::string text;
        std::vector<std::string> rows;
    };
    const Step steps[] = {
        // The filtered locator's "contains", without case, with the code page's letters.
        {"locator", cp("INSTRING(UPPER('č'), UPPER(KVD:VLASNIK), 1, 1) > 0"), {"1", "4"}},
        {"locator", cp("INSTRING(UPPER('ANA'), UPPER(KVD:VLASNIK), 1, 1) > 0"), {"2", "3", "5"}},
        // A query's filter on the joined table as well.
        {"qbe", "UPPER(NAZ:NAZIV1) = 'ZORAN'", {"5"}},
        {"locator", "", {"5", "6"}},
        {"qbe", "NAZ:NAZIV1 = '' OR KVD:POVRSINA > 60", {"4"}},
        {"qbe", "", {"1", "10", "2", "3", "4", "5", "6"}},
    };
    for (const Step& s : steps) {
        ASSERT_EQ(v.SetFilter(s.text, s.id), "") << s.text;
        EXPECT_EQ(forward(v), s.rows) << s.text;
        EXPECT_EQ(v.Records(), static_cast<long>(s.rows.size())) << s.text;
    }
    v.SetFilter("UPPER(KVD:VLASNIK) = 'ANA'", "q");
    v.SetFilter("KVD:BROJ <> '3'", "l");
    EXPECT_EQ(v.FilterText(), "(KVD:BROJ <> '3') AND (UPPER(KVD:VLASNIK) = 'ANA')");
    EXPECT_EQ(forward(v), (std::vector<std::string>{"2", "5"}));
}

TEST_F(View, FilterTextIsNeverSql) {
    small_register();
    ViewManager v;
    units_view(v);
    v.DefineSortOrder("KVD:Po_broju");
    // The hostile text, quoted as a filter literal, matches itself and nothing else (the
    // owner's note holds it whole; the unit's name holds what fits).
    ASSERT_EQ(v.SetFilter("NAZ:NAPOMENA = " + literal(kHostile)), "");
    EXPECT_EQ(forward(v), (std::vector<std::string>{"5", "6"}));
    ASSERT_EQ(v.SetFilter("NAZ:NAPOMENA = " + literal(kHostile.substr(0, 20))), "");
    EXPECT_EQ(forward(v), std::vector<std::string>{});
    ASSERT_EQ(v.SetFilter("INSTRING(UPPER(" + literal("brien'); drop") + "), UPPER(KVD:VLASNIK), 1, 1)"), "");
    EXPECT_EQ(forward(v), std::vector<std::string>{"6"});

    // Pasted unquoted it is no expression: reading fails rather than ignoring the filter.
    EXPECT_NE(v.SetFilter("NAZ:NAPOMENA = '" + kHostile + "'"), "");
    EXPECT_EQ(v.Reset(), rt::kDriverError);
    EXPECT_NE(rt::FileError().find("Filter 1:"), std::string::npos) << rt::FileError();
    EXPECT_EQ(v.Next(), rt::kDriverError);
    EXPECT_EQ(v.Records(), -1);

    EXPECT_EQ(kv.Records(), 7);  // nothing was dropped
    ViewManager all;
    all.Init(kv);
    EXPECT_EQ(all.Records(), 7);
}

TEST_F(View, TotalsCoverEveryRowThroughTheFiltersAndLeaveThePositionAlone) {
    small_register();
    kv.Clear();
    kvd.BROJ = "7";
    kvd.SHKORISNIKA = "00002";
    kvd.POVRSINA = 12.25;
    kvd.BROJOSOBA = 3;
    ASSERT_EQ(kv.Add(), 0) << rt::FileError();
    nz.Clear();
    naz.ANALITIKA = "00002";
    ASSERT_EQ(nz.Get(nz.KeyIndex("NAZ:PO_KONTU")), 0);
    naz.DATUMUGOVORA = 1000;
    ASSERT_EQ(nz.Put(), 0) << rt::FileError();
    ViewManager v;
    units_view(v);
    v.DefineSortOrder("KVD:Po_broju");
    v.SetPageSize(2);
    const std::vector<std::string> fields = {"KVD:POVRSINA", "KVD:BROJOSOBA", "NAZ:DATUMUGOVORA"};
    std::vector<double> sums;
    // Reading stands on the third row; the totals read past every page and leave it there.
    ASSERT_EQ(v.Reset(), 0);
    for (const char* broj : {"1", "10", "2"}) {
        ASSERT_EQ(v.Next(), 0);
        EXPECT_EQ(kvd.BROJ.str(), broj);
    }
    EXPECT_EQ(v.Totals(fields, sums), 8);
    EXPECT_EQ(sums, (std::vector<double>{7 * 50 + 12.25, 3, 3 * 1000}));  // unit 4 has no owner: 0
    ASSERT_EQ(v.Next(), 0);
    EXPECT_EQ(kvd.BROJ.str(), "3");
    // Through the filters; none left gives zeros.
    ASSERT_EQ(v.SetFilter("NAZ:ANALITIKA = '00002'", "qbe"), "");
    EXPECT_EQ(v.Totals(fields, sums), 3);
    EXPECT_EQ(sums, (std::vector<double>{112.25, 3, 3000}));
    ASSERT_EQ(v.SetFilter("KVD:BROJ = 'none'", "locator"), "");
    EXPECT_EQ(v.Totals(fields, sums), 0);
    EXPECT_EQ(sums, (std::vector<double>{0, 0, 0}));
    // A text or unknown field is no total; a filter that does not compile fails as reading does.
    ASSERT_EQ(v.SetFilter("", "locator"), "");
    EXPECT_EQ(v.Totals({"KVD:VLASNIK"}, sums), -1);
    EXPECT_EQ(v.Totals({"KVD:NEMA"}, sums), -1);
    EXPECT_EQ(rt::ErrorCode(), rt::kDriverError);
    v.SetFilter("KVD:BROJ = ", "qbe");
    EXPECT_EQ(v.Totals(fields, sums), -1);
    EXPECT_EQ(sums, (std::vector<double>{0, 0, 0}));

    // The owners, joined through their unique key, can change neither the count nor the
    // units' sums: totals that name nothing of theirs leave them out (here a missing owners
    // table does not stop them), and an inner join or a filter on them takes them in.
    ASSERT_EQ(v.SetFilter("", "qbe"), "");
    ASSERT_EQ(kv.SendSql("ALTER TABLE NAZIVI RENAME TO NAZIVI_GONE"), 0) << rt::FileError();
    EXPECT_EQ(v.Totals({"KVD:POVRSINA"}, sums), 8);
    EXPECT_EQ(v.Exists(), 1);
    ASSERT_EQ(v.SetFilter("KVD:POVRSINA > 1000", "qbe"), "");
    EXPECT_EQ(v.Exists(), 0);
    ASSERT_EQ(v.SetFilter("NAZ:ANALITIKA = '00002'", "qbe"), "");
    EXPECT_EQ(v.Totals({"KVD:POVRSINA"}, sums), -1);
    EXPECT_EQ(v.Exists(), -1);
    ASSERT_EQ(v.SetFilter("", "qbe"), "");
    EXPECT_EQ(v.Totals(fields, sums), -1);
    ViewManager inner;
    inner.Init(kv);
    ASSERT_EQ(inner.AddJoin(nz, nz.KeyIndex("NAZ:PO_KONTU"), {"KVD:SHKORISNIKA"}, rt::JoinKind::Inner), "");
    EXPECT_EQ(inner.Records(), -1);
    ASSERT_EQ(kv.SendSql("ALTER TABLE NAZIVI_GONE RENAME TO NAZIVI"), 0) << rt::FileError();
    EXPECT_EQ(inner.Records(), 7);
    EXPECT_EQ(v.Totals({"KVD:POVRSINA"}, sums), 8);
}

TEST_F(View, PagesInBothDirectionsOverThousandsOfRows) {
    owner("00001", "Vlasnik");
    const char* names[] = {"ana", "ANA", "Bojan", "ČEDA", "čeda", "Zorica", "Ana"};
    ASSERT_EQ(kv.BeginTransaction(), 0);
    char broj[16];
    for (int i = 1; i <= 3000; ++i) {
        std::snprintf(broj, sizeof broj, "U%04d", i);
        unit(broj, cp(names[(i * 5) % 7]), i % 3 ? "00001" : "00002");
    }
    ASSERT_EQ(kv.Commit(), 0);

    ViewManager v;
    units_view(v);
    v.DefineSortOrder("KVD:Po_vlasniku");
    struct Mode {
        int page;
        bool quick;
    };
    std::vector<std::string> first;
    std::map<std::string, std::string> name_of;
    for (Mode m : {Mode{0, false}, Mode{7, false}, Mode{0, true}}) {
        v.SetPageSize(m.page);
        v.SetQuickScan(m.quick);
        ASSERT_EQ(v.Reset(), 0);
        std::vector<std::pair<std::string, std::string>> seen;
        while (v.Next() == 0) seen.emplace_back(kvd.VLASNIK.str(), kvd.BROJ.str());
        ASSERT_EQ(seen.size(), 3000u);
        for (std::size_t i = 1; i < seen.size(); ++i) {
            int c = rt::compare_nocase(seen[i - 1].first, seen[i].first);
            ASSERT_TRUE(c < 0 || (c == 0 && seen[i - 1].second < seen[i].second)) << i;
        }
        std::vector<std::string> ids;
        for (auto& [name, b] : seen) {
            ids.push_back(b);
            name_of[b] = name;
        }
        if (first.empty()) first = ids;
        EXPECT_EQ(ids, first);
        EXPECT_EQ(backward(v), reversed(first));
    }

    // Rows added and removed while the view is read: none repeats, none read is lost, the
    // one added ahead comes, the one removed ahead does not.
    v.SetPageSize(50);
    v.SetQuickScan(false);
    ASSERT_EQ(v.Reset(), 0);
    std::vector<std::string> got;
    for (int i = 0; i < 120; ++i) {
        ASSERT_EQ(v.Next(), 0);
        got.push_back(kvd.BROJ.str());
    }
    unit("A0000", "aaa", "00001");  // before the position
    unit("Z9999", "Zzz", "00001");  // after it: after the last Zorica, at the end
    name_of["Z9999"] = "Zzz";
    kvd.BROJ = first[2000];
    ASSERT_EQ(kv.Get(kv.KeyIndex("KVD:Po_broju")), 0);
    ASSERT_EQ(kv.Delete(), 0);
    for (const auto& b : walk(v, &ViewManager::Next)) got.push_back(b);
    std::vector<std::string> expect = first;
    expect.erase(expect.begin() + 2000);
    expect.insert(
        std::find_if(expect.begin(), expect.end(),
                     [&](const std::string& b) { return rt::compare_nocase(name_of[b], "Zzz") > 0; }),
        "Z9999");
    EXPECT_EQ(got, expect);

    // Moving back and forth around the page edges.
    ASSERT_EQ(v.Reset(), 0);
    for (int i = 0; i < 400; ++i) ASSERT_EQ(v.Next(), 0);
    const std::string at = kvd.BROJ.str();
    EXPECT_EQ(at, expect[399 - 1]);  // A0000 came first
    for (int i = 0; i < 399; ++i) {
        ASSERT_EQ(v.Previous(), 0);
        ASSERT_EQ(kvd.BROJ.str(), i == 398 ? "A0000" : expect[397 - i]) << i;
    }
    EXPECT_EQ(kvd.BROJ.str(), "A0000");
    EXPECT_EQ(v.Previous(), rt::kRecordNotAvailable);
    for (int i = 0; i < 400; ++i) {
        ASSERT_EQ(v.Next(), 0);
        ASSERT_EQ(kvd.BROJ.str(), i == 0 ? "A0000" : expect[i - 1]) << i;
    }
    EXPECT_EQ(kvd.BROJ.str(), at);

    // On a record: the browse's position after a change; the row before it.
    kvd.BROJ = "U1500";
    ASSERT_EQ(kv.Get(kv.KeyIndex("KVD:Po_broju")), 0);
    ASSERT_EQ(v.ResetToRecord(), 0);
    ASSERT_EQ(v.Next(), 0);
    EXPECT_EQ(kvd.BROJ.str(), "U1500");
    auto it = std::find(expect.begin(), expect.end(), "U1500");
    ASSERT_NE(it, expect.begin());
    kvd.BROJ = "U1500";
    ASSERT_EQ(kv.Get(kv.KeyIndex("KVD:Po_broju")), 0);
    ASSERT_EQ(v.ResetToRecord(), 0);
    ASSERT_EQ(v.Previous(), 0);
    EXPECT_EQ(kvd.BROJ.str(), *(it - 1));

    // An entry locator: the first row at or after the typed beginning; the unit number
    // left in the buffer does not count.
    // "c" finds the first Čeda, Č coming right after C.
    kvd.VLASNIK = "c";
    kvd.BROJ = "ZZZZ";
    ASSERT_EQ(v.ResetFrom(), 0);
    ASSERT_EQ(v.Next(), 0);
    EXPECT_TRUE(rt::equal_nocase(kvd.VLASNIK.str(), cp("čeda"))) << kvd.VLASNIK.str();
    EXPECT_EQ(kvd.BROJ.str(), *std::find_if(expect.begin(), expect.end(), [&](const std::string& b) {
                  return rt::equal_nocase(name_of[b], cp("čeda"));
              }));
}

TEST_F(View, DriverErrorsReachTheErrorState) {
    small_register();
    ViewManager v;
    units_view(v);
    nz.Close();
    ASSERT_EQ(nz.Remove(), 0) << rt::FileError();
    ASSERT_EQ(v.Reset(), 0);
    EXPECT_EQ(v.Next(), rt::kDriverError);
    EXPECT_EQ(rt::ErrorCode(), rt::kDriverError);
    EXPECT_NE(rt::FileError(), "");
    EXPECT_EQ(rt::ErrorFile(), "KVADRIN");
}

}  // namespace

namespace {

// A view of the firms list, a flat file: the same orders, filters, ranges and positions.
TEST(FlatView, FirmsListThroughAView) {
    namespace fs = std::filesystem;
    char tmpl[] = "/tmp/kvflatview.XXXXXX";
    const fs::path dir = mkdtemp(tmpl);
    kvadrin::MBASERecord m;
    rt::File mb(kvadrin::table_def(TableId::MBASE), &m);
    const std::string path = (dir / "MBASE.DAT").string();
    mb.BindName([path] { return path; });
    mb.BindOwner([] { return std::string("Tajna!"); });
    ASSERT_EQ(mb.Open(), 0) << rt::Error();
    auto firm = [&](const char* name_utf8, const char* folder, const char* pib) {
        mb.Clear();
        m.NAZIVFIRME = cp(name_utf8);
        m.FOLDERNAME = folder;
        m.R[6] = pib;
        ASSERT_EQ(mb.Add(), 0);
    };
    firm("Stanari Čukarica", "F1", "PIB 300");
    firm("Kvadrin doo", "F2", "PIB 100");
    firm("čista zgrada", "F3", "PIB 200");
    firm("Zgrada Novi Beograd", "F4", "PIB 050");

    ViewManager v;
    v.Init(mb);
    ASSERT_EQ(v.DefineSortOrder("M:PO_NAZIVU"), 1);
    auto folders = [&](int (ViewManager::*step)()) {
        std::vector<std::string> out;
        EXPECT_EQ(v.Reset(), 0) << rt::FileError();
        while ((v.*step)() == 0) out.push_back(rt::clip(m.FOLDERNAME.str()));
        EXPECT_EQ(rt::ErrorCode(), rt::kRecordNotAvailable);
        return out;
    };
    using Names = std::vector<std::string>;
    EXPECT_EQ(folders(&ViewManager::Next), (Names{"F3", "F2", "F1", "F4"}));
    EXPECT_EQ(folders(&ViewManager::Previous), (Names{"F4", "F1", "F2", "F3"}));

    ASSERT_EQ(v.SetFilter(cp("INSTRING(UPPER('č'), UPPER(M:NAZIVFIRME), 1, 1) > 0"), "locator"), "");
    EXPECT_EQ(folders(&ViewManager::Next), (Names{"F3", "F1"}));
    EXPECT_EQ(v.Records(), 2);
    ASSERT_EQ(v.SetFilter("", "locator"), "");

    // A header click on a data line, named as an element of its array.
    ASSERT_EQ(v.SetOrder("+UPPER(M:R_7)"), "");
    EXPECT_EQ(folders(&ViewManager::Next), (Names{"F4", "F2", "F3", "F1"}));
    mb.Clear();
    m.NAZIVFIRME = cp("čista zgrada");
    ASSERT_EQ(mb.Get(mb.KeyIndex("M:PO_NAZIVU")), 0);
    ASSERT_EQ(v.ResetToRecord(), 0);
    ASSERT_EQ(v.Next(), 0);
    EXPECT_EQ(rt::clip(m.FOLDERNAME.str()), "F3");
    ASSERT_EQ(v.ResetToRecord(), 0);
    ASSERT_EQ(v.Previous(), 0);
    EXPECT_EQ(rt::clip(m.FOLDERNAME.str()), "F2");

    // A range without case by the order's key.
    ASSERT_EQ(v.DefineSortOrder("M:PO_FOLDERU"), 2);
    ASSERT_EQ(v.LimitToValue("M:FOLDERNAME", [] { return rt::expr::Value::Text("f2"); }), "");
    EXPECT_EQ(folders(&ViewManager::Next), (Names{"F2"}));
    EXPECT_EQ(v.Records(), 1);

    // No SQL behind it: nothing to join with.
    KVADRINRecord kvd;
    rt::File kv(kvadrin::table_def(TableId::KVADRIN), &kvd);
    ASSERT_EQ(v.AddJoin(kv, {{"KVD:BROJ", "M:FOLDERNAME"}}), "");
    EXPECT_EQ(v.Reset(), rt::kDriverError);
    mb.Close();
    fs::remove_all(dir);
}

}  // namespace
