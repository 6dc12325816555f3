// The demo layout: the folders, firms list and login settings where the login finds them,
// and the demo rows in the firm database, unchanged by a second run.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include <gtest/gtest.h>
#include <unistd.h>

#include "app/demo_layout.h"
#include "data/access.h"
#include "data/globals.h"
#include "data/program_objects.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/datetime.h"
#include "platform/core/ini.h"
#include "platform/core/text.h"
#include "platform/files/flat/flat_file.h"
#include "tests/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using namespace kvadrin;

// What python3-stdnum says of a number's ISO 7064 mod 97-10 check: "True" or "False".
std::string Mod97Valid(const std::string& digits) {
    const std::string command =
        "/usr/bin/python3 -c 'import sys; from stdnum.iso7064 import mod_97_10; "
        "print(mod_97_10.is_valid(sys.argv[1]))' " + digits;
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[64];
        while (std::fgets(buf, sizeof buf, p)) out += buf;
        ::pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

class Demo : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = kvtest::FreshFolder("demo");
        year_ = rt::year_of(rt::today());
    }
    void TearDown() override {
        MainThreadFilesTerm();
        ::unsetenv("KVADRIN_LOCALDB");
        fs::remove_all(root_);
    }
    // Opens the demo firm's database on this thread, as the program does after the login.
    void Connect() {
        MainThreadFilesInit();
        MainModuleInit();
        MainThreadDataInit();
        OWNERFIRME = "(localdb)\\demo,DEMO_" + std::to_string(year_) + ",,;TrustedConnection=True";
    }
    long Rows(TableId id) {
        rt::FileManager* fm = Access::Of(id);
        if (!fm) return -1;
        EXPECT_EQ(fm->Open(), 0);
        EXPECT_EQ(fm->UseTable(rt::kUseOpen), 0);
        const long n = Files::Of(id).Records();
        fm->Close();
        return n;
    }
    std::set<std::string> UnitKinds() {
        std::set<std::string> kinds;
        rt::FileManager* fm = Access::Of(TableId::KVADRIN);
        if (!fm) return kinds;
        fm->Open();
        fm->UseTable(rt::kUseOpen);
        rt::File& f = Files::KVADRIN();
        f.SetPhysical();
        while (f.Next() == rt::kNoError) kinds.insert(std::string(rt::clip(KVD.SP.view())));
        fm->Close();
        return kinds;
    }
    fs::path Program() const { return root_ / "DEMO" / std::to_string(year_) / "PROGRAM"; }

    fs::path root_;
    int year_ = 0;
};

TEST_F(Demo, LaysOutTheFirmAndFillsItsTablesOnce) {
    ASSERT_TRUE(demo::LayOut(root_));
    EXPECT_TRUE(fs::is_regular_file(Program() / "LOGIN_TAVSQL.INI"));
    EXPECT_TRUE(fs::is_regular_file(Program().parent_path() / "MBASE.DAT"));

    // The firms list as the login opens it: "..\MBASE.DAT" from the program folder.
    const fs::path before = fs::current_path();
    fs::current_path(Program());
    Connect();
    rt::File& firms = Files::MBASE();
    ASSERT_EQ(firms.Open(rt::kReadOnly | rt::kDenyNone), rt::kNoError) << rt::Error();
    EXPECT_EQ(firms.Records(), 1);
    firms.SetPhysical();
    ASSERT_EQ(firms.Next(), rt::kNoError);
    EXPECT_EQ(rt::clip(M.NAZIVFIRME.view()), "Stambena zajednica Demo");
    EXPECT_EQ(rt::clip(M.SERVERNAME.view()), "(localdb)\\demo");
    EXPECT_EQ(rt::clip(M.FOLDERNAME.view()), "DEMO");
    // Data lines by their numbers on the firm form: 1 name, 2 address, 5 account, 7 tax number.
    EXPECT_EQ(rt::clip(M.R[0].view()), "Stambena zajednica Demo");
    EXPECT_EQ(rt::cp1250_to_utf8(rt::clip(M.R[1].view())), "Bulevar oslobođenja 1");
    // The account as a bank checks it: its 18 digits pass mod 97 (python3-stdnum).
    const std::string account = rt::clip(M.R[4].view());
    EXPECT_EQ(account, "160-0000000498672-91");
    std::string digits;
    for (char c : account)
        if (c != '-') digits += c;
    EXPECT_EQ(digits.size(), 18u);
    EXPECT_EQ(Mod97Valid(digits), "True");
    EXPECT_EQ(rt::clip(M.R[6].view()), "100000001");
    firms.Close();
    fs::current_path(before);

    rt::IniManager ini;
    ini.Init((Program() / "LOGIN_TAVSQL.INI").string());
    EXPECT_EQ(ini.Fetch("Server", "Server", ""), "(localdb)\\demo");
    EXPECT_EQ(ini.Fetch("NazivFirme", "NazivFirme", ""), "Stambena zajednica Demo");
    ini.Kill();

    const struct {
        TableId id;
        long rows;
    } tables[] = {{TableId::NAZIVI, 5}, {TableId::KVADRIN, 5},  {TableId::OBAVEZE, 5},
                  {TableId::OBRAC, 1},  {TableId::CENE, 5},     {TableId::SPROM, 25},
                  {TableId::SFAKT, 5},  {TableId::SKPROMET, 5}, {TableId::NALOZIS, 1},
                  {TableId::SKLAUZUL, 1}};
    for (const auto& t : tables) EXPECT_EQ(Rows(t.id), t.rows) << table_name(t.id);
    EXPECT_EQ(UnitKinds(), (std::set<std::string>{"Stan", "Poslovni prostor", "Garaza"}));

    OBR.OBRACUN = 1;
    rt::FileManager* runs = Access::OBRAC();
    ASSERT_NE(runs, nullptr);
    ASSERT_EQ(runs->Open(), 0);
    runs->UseTable(rt::kUseOpen);
    ASSERT_EQ(Files::OBRAC().Get(0), rt::kNoError);
    EXPECT_EQ(OBR.DATUM, rt::today());
    EXPECT_EQ(OBR.VALUTA - OBR.DATUM, 15);
    runs->Close();
    // The run is priced and charged: the first flat's invoice (54.2 m2 and 50 m2 heated at
    // 100, the common electricity 500, water by its meter, cleaning 400).
    rt::FileManager* invoices = Access::SFAKT();
    ASSERT_EQ(invoices->Open(), 0);
    invoices->UseTable(rt::kUseOpen);
    SFA.OBRACUN = 1;
    SFA.SHKORISNIKA = "00001";
    ASSERT_EQ(Files::SFAKT().Get(0), rt::kNoError);
    EXPECT_EQ(SFA.UKUPNO, 11320.0);
    EXPECT_EQ(SFA.VODA, 0.0);
    invoices->Close();
    MainThreadFilesTerm();

    // A second run finds every row and adds none.
    ASSERT_TRUE(demo::LayOut(root_));
    Connect();
    for (const auto& t : tables) EXPECT_EQ(Rows(t.id), t.rows) << table_name(t.id);
}

}  // namespace
