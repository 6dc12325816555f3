// The report layer without a toolkit: bands laid out into pages, fixed bands, totals, the
// report's own breaks, and the break tracker that shows a closing group its own values.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/report/breaks.h"
#include "platform/report/report.h"
#include "tests/temp_folder.h"

namespace {

using namespace rt::report;
using rt::ui::Binding;

// A page 100 mm high: header 0-20, detail area 20-90, footer at 90.
ReportDef SmallReport() {
    ReportDef d;
    d.module = "T$REPORT";
    d.name = "SMALL";
    d.title = "Small";
    d.paper_w = 100, d.paper_h = 100;
    d.area_x = 5, d.area_y = 20, d.area_w = 90, d.area_h = 70;
    Band header;
    header.kind = BandKind::Header;
    header.label = "?HEADER";
    header.h = 20;
    header.controls.push_back(Text("", 0, 2, "HEAD"));
    Control page = Field("?PAGE", 50, 2, "", "@n3");
    page.total = Total::Page;
    header.controls.push_back(page);
    Control pages = Field("?PAGES", 70, 2, "", "@n3");
    pages.total = Total::Pages;
    header.controls.push_back(pages);
    Band footer;
    footer.kind = BandKind::Footer;
    footer.label = "?FOOTER";
    footer.y = 90, footer.h = 10;
    footer.controls.push_back(Text("", 0, 1, "FOOT"));
    Band detail;
    detail.label = "?DETAIL";
    detail.h = 30;
    Control count = Field("?COUNT", 0, 0, "", "@n3");
    count.total = Total::Count;
    count.reset = Reset::Break;
    detail.controls.push_back(count);
    detail.controls.push_back(Field("?NAME", 10, 0, "NAME", "@s10"));
    detail.controls.push_back(Field("?AMOUNT", 40, 0, "AMOUNT", "@n-9.`2"));
    Band form;
    form.label = "?FORM";
    form.fixed = true;
    form.x = 5, form.y = 60, form.w = 90, form.h = 25;
    form.controls.push_back(Field("?FORMNAME", 0, 0, "NAME", "@s10"));
    Band gfoot;
    gfoot.kind = BandKind::GroupFooter;
    gfoot.label = "?GROUPFOOTER";
    gfoot.h = 10;
    Control sum = Field("?SUM", 0, 0, "AMOUNT", "@n-9.`2");
    sum.total = Total::Sum;
    sum.tally = "?DETAIL";
    sum.reset = Reset::Break;
    gfoot.controls.push_back(sum);
    gfoot.controls.push_back(Field("?GNAME", 20, 0, "NAME", "@s10"));
    gfoot.page_after = true;
    d.bands = {header, footer, detail, form, gfoot};
    Break br;
    br.label = "?BREAK1";
    br.variable = "GROUP";
    br.bands = {"?DETAIL", "?FORM", "?GROUPFOOTER"};
    d.breaks.push_back(br);
    return d;
}

// The texts of a page with their places, "text@x,y".
std::vector<std::string> Texts(const Page& p) {
    std::vector<std::string> out;
    for (const Item& it : p.items)
        if (it.kind == Kind::String && !it.text.empty())
            out.push_back(it.text + "@" + std::to_string(static_cast<int>(it.x)) + "," +
                          std::to_string(static_cast<int>(it.y)));
    return out;
}

struct Vars {
    std::string name, group;
    double amount = 0;
};

class ReportLayout : public ::testing::Test {
protected:
    ReportLayout() : def(SmallReport()), report(def) {
        report.Use("NAME", Binding::OfText(&v.name));
        report.Use("GROUP", Binding::OfText(&v.group));
        report.Use("AMOUNT", Binding::OfReal(&v.amount));
        report.Open();
    }
    void Line(const std::string& group, const std::string& name, double amount) {
        v.group = group;
        v.name = name;
        v.amount = amount;
        ASSERT_EQ(report.Print("?DETAIL"), 0);
    }

    ReportDef def;
    Vars v;
    Report report;
};

TEST_F(ReportLayout, BandsFlowDownTheAreaAndANewPageTakesTheRest) {
    for (int i = 1; i <= 5; ++i) Line("A", "N" + std::to_string(i), i);
    const Document doc = report.Finish();
    ASSERT_EQ(doc.pages.size(), 3u);
    // Two bands of 30 mm fit the 70 mm area; every page has its header (with its number
    // and the number of pages) and its footer.
    EXPECT_EQ(Texts(doc.pages[0]),
              (std::vector<std::string>{"HEAD@0,2", "1@50,2", "3@70,2", "1@5,20", "N1@15,20", "1,00@45,20",
                                        "2@5,50", "N2@15,50", "2,00@45,50", "FOOT@0,91"}));
    EXPECT_EQ(Texts(doc.pages[2]),
              (std::vector<std::string>{"HEAD@0,2", "3@50,2", "3@70,2", "5@5,20", "N5@15,20", "5,00@45,20",
                                        "15,00@5,50", "N5@25,50", "FOOT@0,91"}));
}

TEST_F(ReportLayout, AFixedBandStandsAtItsPlaceOrOnANewPageWhenTheFlowPassedIt) {
    Line("A", "N1", 1);
    v.name = "F1";
    report.Print("?FORM");  // the flow ends at 50: the form fits at 60
    Line("A", "N2", 2);     // 50 + 30 runs into the form: a new page
    Line("A", "N3", 3);
    v.name = "F2";
    report.Print("?FORM");  // the flow ends at 80, past 60: a new page
    const Document doc = report.Finish();
    ASSERT_EQ(doc.pages.size(), 3u);
    auto has = [&](int page, const std::string& t) {
        for (const std::string& s : Texts(doc.pages[static_cast<std::size_t>(page)]))
            if (s == t) return true;
        return false;
    };
    EXPECT_TRUE(has(0, "N1@15,20"));
    EXPECT_TRUE(has(0, "F1@5,60"));
    EXPECT_TRUE(has(1, "N2@15,20"));
    EXPECT_TRUE(has(1, "N3@15,50"));
    EXPECT_TRUE(has(2, "F2@5,60"));
    // The group's footer comes after the form, in the flow of the form's page.
    EXPECT_TRUE(has(2, "6,00@5,20"));
}

TEST_F(ReportLayout, TheBreakPrintsTheFooterOfTheGroupAsItsLastBandLeftIt) {
    Line("A", "A1", 10);
    Line("A", "A2", 5.5);
    v.name = "A-FORM";  // the last band of group A
    report.Print("?FORM");
    // The next group's values are computed before its first line prints.
    v.name = "B-DATA";
    Line("B", "B1", 1);
    const Document doc = report.Finish();
    // Group A's footer (with A's sum and the name as the form printed it) ends the page
    // of group A; the footer asks for a new page, so group B starts one, and its own
    // footer follows at the end of the report. The count starts again in group B.
    ASSERT_EQ(doc.pages.size(), 3u);
    const std::vector<std::string> p2 = Texts(doc.pages[1]);
    EXPECT_NE(std::find(p2.begin(), p2.end(), "15,50@5,20"), p2.end());
    EXPECT_NE(std::find(p2.begin(), p2.end(), "A-FORM@25,20"), p2.end());
    const std::vector<std::string> p3 = Texts(doc.pages[2]);
    EXPECT_NE(std::find(p3.begin(), p3.end(), "1@5,20"), p3.end());
    EXPECT_NE(std::find(p3.begin(), p3.end(), "1,00@5,50"), p3.end());
    EXPECT_NE(std::find(p3.begin(), p3.end(), "B1@25,50"), p3.end());
}

TEST_F(ReportLayout, AReportWithoutBandsHasOnePageWithItsHeaderAndFooter) {
    EXPECT_EQ(report.Print("?NOSUCHBAND"), -1);
    EXPECT_EQ(report.Print("?HEADER"), -1);
    const Document doc = report.Finish();
    ASSERT_EQ(doc.pages.size(), 1u);
    EXPECT_EQ(Texts(doc.pages[0]), (std::vector<std::string>{"HEAD@0,2", "1@50,2", "1@70,2", "FOOT@0,91"}));
    EXPECT_EQ(report.Print("?DETAIL"), -1) << "a finished report prints nothing";
}

TEST(ReportImage, AnImageIsTakenAsItsFileWasWhenTheBandPrinted) {
    namespace fs = std::filesystem;
    const fs::path dir = kvtest::FreshFolder("rep");
    const std::string file = (dir / "qr.png").string();
    ReportDef d = SmallReport();
    d.bands[2].controls.push_back(ImageCtl("?IMAGE", 60, 0, 20, 20));
    Report r(d);
    r.Open();
    auto write = [&](const char* bytes) { std::ofstream(file, std::ios::binary) << bytes; };
    write("first");
    r.SetText("?IMAGE", file);
    r.Print("?DETAIL");
    write("second");
    r.Print("?DETAIL");
    r.SetText("?IMAGE", (dir / "missing.png").string());
    r.Print("?DETAIL");
    const Document doc = r.Finish();
    std::vector<std::string> images;
    for (const Page& p : doc.pages)
        for (const Item& it : p.items)
            if (it.kind == Kind::Image) images.push_back(it.image ? *it.image : "(none)");
    EXPECT_EQ(images, (std::vector<std::string>{"first", "second", "(none)"}));
    fs::remove_all(dir);
}

// A group that records what it saw at its open and close.
class Seen : public BreakGroup {
public:
    explicit Seen(const std::string& key, const std::string& name, const double& total)
        : key_(key), name_(name), total_(total) {}
    void OnOpen(int b, int l) override { log.push_back("open " + key_); }
    void OnClose(int b, int l) override {
        log.push_back("close " + key_ + " " + name_ + " " + std::to_string(static_cast<int>(total_)));
    }
    std::vector<std::string> log;

private:
    const std::string& key_;
    const std::string& name_;
    const double& total_;
};

TEST(BreakTracker, AClosingGroupSeesItsLastRecordAndItsTotal) {
    std::string key, name;
    double amount = 0, total = 0;
    Seen group(key, name, total);
    BreakTracker t;
    t.Setup(1);
    t.NewLevel(group);
    t.DefineBreakField(Binding::OfText(&key));
    t.DefineResetField(Binding::OfText(&name));
    t.DefineTotal(Binding::OfReal(&total), Binding::OfReal(&amount));
    struct Rec {
        const char* key;
        const char* name;
        double amount;
    };
    const Rec recs[] = {{"00001", "a1", 10}, {"00001", "a2", 5}, {"00002", "b1", 7}, {"00003", "c1", 1}};
    for (const Rec& r : recs) {
        key = r.key;
        name = r.name;
        amount = r.amount;
        t.Check();
        // The record's own values stay after a close.
        EXPECT_EQ(key, r.key);
        EXPECT_EQ(name, r.name);
        t.Taken();
    }
    key = "after the end";
    name = "after";
    t.CloseAll();
    EXPECT_EQ(group.log, (std::vector<std::string>{"open 00001", "close 00001 a2 15", "open 00002",
                                                   "close 00002 b1 7", "open 00003", "close 00003 c1 1"}));
    EXPECT_EQ(key, "after the end");
    EXPECT_FALSE(t.GroupOpen());
}

}  // namespace
