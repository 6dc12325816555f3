#include "platform/core/ini.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/path.h"
#include "platform/core/text.h"

namespace fs = std::filesystem;

namespace {

std::string read_raw(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_raw(const fs::path& p, const std::string& text) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << text;
}

class IniTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = "kv_ini_" + std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : name)
            if (c == '/') c = '_';
        name += "_" + std::to_string(std::random_device{}());
        dir_ = fs::temp_directory_path() / name;
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        file_ = dir_ / "KVD.INI";
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
    fs::path file_;
};

}  // namespace

TEST(NativePath, MapsWindowsFileNames) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {".\\KVD.INI", "./KVD.INI"},
        {"..\\MBASE.DAT", "../MBASE.DAT"},
        {"\\KVD\\Cene", "KVD/Cene"},
        {"D:\\PODACI\\BLOK7\\KVD.INI", "PODACI/BLOK7/KVD.INI"},
        {"c:KVD.INI", "KVD.INI"},
        {"LOGIN_TAVSQL.INI", "LOGIN_TAVSQL.INI"},
        {".\\KVD.INI     ", "./KVD.INI"},
        {"/tmp/already/native.ini", "/tmp/already/native.ini"},
        // The program's text (CP1250) becomes the name on disk (UTF-8).
        {"/srv/stari \xC8"
         "a\xE8"
         "ak 2023\\KVD\\Cene",
         "/srv/stari Čačak 2023/KVD/Cene"},
        {"D:\\\x8A"
         "abac\\\x8Eitni trg.INI",
         "\xC5\xA0"
         "abac/\xC5\xBDitni trg.INI"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(rt::native_path(c.in), c.out) << c.in;
}

// A settings file in a folder named with Serbian letters, named in the program's text, is
// written and read by its name on disk.
TEST_F(IniTest, AFileInAFolderNamedWithSerbianLettersIsWrittenAndReadByItsNameOnDisk) {
    const fs::path folder = dir_ / "Čačak Šabac";
    fs::create_directories(folder);
    const std::string name = rt::utf8_to_cp1250((folder / "KVD.INI").string());
    rt::IniManager ini;
    ini.Init(name);
    EXPECT_TRUE(ini.Update("Prozor", "XPos", 10L));
    ini.Kill();
    EXPECT_TRUE(fs::exists(folder / "KVD.INI"));
    rt::IniManager again;
    again.Init(name);
    EXPECT_EQ(again.Fetch("Prozor", "XPos", 0L), 10L);
    EXPECT_EQ(again.FileName(), (folder / "KVD.INI").string());
    again.Kill();
}

// The previous program's files keep the capitals of their own system; they are found
// whatever the capitals on disk, an exact spelling first.
TEST_F(IniTest, ExistingPathsAreFoundWhateverTheirCase) {
    fs::create_directories(dir_ / "vrk");
    fs::create_directories(dir_ / "KVD");
    write_raw(dir_ / "vrk" / "SKPROMET.dat", "");
    write_raw(dir_ / "KVD" / "Cene.DAT", "");
    write_raw(dir_ / "KVD" / "CENE.DAT", "");
    write_raw(dir_ / "KVD" / "obrac.DAT", "");
    const std::string d = dir_.string();
    const struct {
        std::string in, out;
    } cases[] = {
        {d + "/VRK/Skpromet.DAT", d + "/vrk/SKPROMET.dat"},
        {d + "/KVD/Cene.DAT", d + "/KVD/Cene.DAT"},  // the exact one
        {d + "/kvd/cene.dat", d + "/KVD/CENE.DAT"},  // the first in name order
        {d + "/KVD/Obrac.DAT", d + "/KVD/obrac.DAT"},
        {d + "/KVD/Nema.DAT", d + "/KVD/Nema.DAT"},          // none: as given
        {d + "/QAV/Sintetik.DAT", d + "/QAV/Sintetik.DAT"},  // no folder: the rest as given
    };
    for (const auto& c : cases) EXPECT_EQ(rt::existing_path_nocase(c.in), c.out) << c.in;
    // Relative to the current folder.
    const fs::path before = fs::current_path();
    fs::current_path(dir_);
    EXPECT_EQ(rt::existing_path_nocase("Vrk/skpromet.DAT"), "vrk/SKPROMET.dat");
    fs::current_path(before);
}

TEST_F(IniTest, ReadsEntriesWithWindowsRules) {
    // Mixed line ends, blanks around names and "=", CP1250 names in another case.
    write_raw(file_,
              "orphan=before any section\r\n"
              "; a comment=not an entry\r\n"
              "[BrowseKvadrin]\r\n"
              "  XPos =  12 \r\n"
              "Width=-40\n"
              "Note = two  words  \t\r\n"
              "Expr=a=b\r\n"
              "Empty=\r\n"
              "Garbage line without equals\r\n"
              "Bad=12px\r\n"
              "Text=abc\r\n"
              "  [ \x8A"
              "ifre ]  ; trailing text\n"
              "Klju\xC8=\xE8"
              "a\xB9\n"
              "[browsekvadrin]\r\n"
              "XPos=999\r\n"
              "Late=second occurrence\r\n");
    rt::IniManager ini;
    ini.Init(file_.string());

    const struct {
        const char* section;
        const char* key;
        const char* expected;
    } texts[] = {
        {"BrowseKvadrin", "XPos", "12"},          // first occurrence wins
        {"BROWSEKVADRIN", "xpos", "12"},          // names without regard to case
        {"BrowseKvadrin", "Note", "two  words"},  // value trimmed, inner blanks kept
        {"BrowseKvadrin", "Expr", "a=b"},         // split at the first "="
        {"BrowseKvadrin", "Empty", ""},
        {"BrowseKvadrin", "Late", "second occurrence"},
        {"\x9A"
         "IFRE",
         "klju\xE8",
         "\xE8"
         "a\xB9"},  // CP1250 letters folded; value unchanged
        {"BrowseKvadrin", "; a comment", "<default>"},
        {"BrowseKvadrin", "Garbage line without equals", "<default>"},
        {"BrowseKvadrin", "orphan", "<default>"},  // entries before any section belong to none
        {"BrowseKvadrin", "Missing", "<default>"},
        {"NoSuchSection", "XPos", "<default>"},
    };
    for (const auto& c : texts)
        EXPECT_EQ(ini.Fetch(c.section, c.key, "<default>"), c.expected) << c.section << "/" << c.key;

    std::string value = "untouched";
    EXPECT_TRUE(ini.TryFetch("BrowseKvadrin", "Empty", value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(ini.TryFetch("BrowseKvadrin", "Missing", value));

    const struct {
        const char* key;
        long expected;
    } numbers[] = {{"XPos", 12}, {"Width", -40}, {"Bad", 12}, {"Text", 77}, {"Empty", 77}, {"Missing", 77}};
    for (const auto& c : numbers) EXPECT_EQ(ini.Fetch("BrowseKvadrin", c.key, 77L), c.expected) << c.key;

    rt::IniManager missing;
    missing.Init((dir_ / "NONE.INI").string());
    EXPECT_EQ(missing.Fetch("A", "B", "dflt"), "dflt");
    EXPECT_EQ(missing.Fetch("A", "B", 5L), 5);
    EXPECT_FALSE(fs::exists(dir_ / "NONE.INI"));
}

TEST_F(IniTest, RewriteKeepsEverythingElseAndWritesCrlf) {
    write_raw(file_,
              "; settings\n"
              "[First]\n"
              "Keep=1\n"
              "odd line\n"
              "\n"
              "[Second]\r\n"
              "  MixedCase = old\r\n"
              "; comment inside\r\n"
              "\r\n"
              "[Third]\n"
              "A=1\n");
    rt::IniManager ini;
    ini.Init(file_.string());
    ASSERT_TRUE(ini.Update("second", "MIXEDCASE", "new value"));  // spelling of the key kept
    ASSERT_TRUE(ini.Update("FIRST", "Added", 42L));               // after the section's last line
    ASSERT_TRUE(ini.Update("Fourth", "B", " padded "));           // new section at the end
    EXPECT_EQ(read_raw(file_),
              "; settings\r\n"
              "[First]\r\n"
              "Keep=1\r\n"
              "odd line\r\n"
              "Added=42\r\n"
              "\r\n"
              "[Second]\r\n"
              "MixedCase=new value\r\n"
              "; comment inside\r\n"
              "\r\n"
              "[Third]\r\n"
              "A=1\r\n"
              "[Fourth]\r\n"
              "B=padded\r\n");
    EXPECT_EQ(ini.Fetch("Fourth", "B"), "padded");
}

TEST_F(IniTest, DeletesKeysAndSections) {
    write_raw(file_, "[A]\r\nX=1\r\nY=2\r\n; about B\r\n[B]\r\nX=3\r\n[a]\r\nX=4\r\nZ=5\r\n[C]\r\nX=6\r\n");
    rt::IniManager ini;
    ini.Init(file_.string());
    ASSERT_TRUE(ini.DeleteKey("a", "x"));  // in every occurrence of the section
    EXPECT_EQ(ini.Fetch("A", "X", "gone"), "gone");
    EXPECT_EQ(ini.Fetch("A", "Y"), "2");
    EXPECT_EQ(ini.Fetch("B", "X"), "3");
    ASSERT_TRUE(ini.DeleteSection("A"));
    EXPECT_EQ(ini.Fetch("A", "Z", "gone"), "gone");
    EXPECT_EQ(read_raw(file_), "[B]\r\nX=3\r\n[C]\r\nX=6\r\n");
    EXPECT_TRUE(ini.DeleteKey("NoSection", "X"));  // deleting what is not there is no error
}

TEST_F(IniTest, RefusesWritesThatWouldNotReadBack) {
    write_raw(file_, "[S]\r\nK=1\r\n");
    rt::IniManager ini;
    ini.Init(file_.string());
    const struct {
        const char* section;
        const char* key;
        const char* value;
    } bad[] = {
        {"S", "K", "1\r\n[Injected]\r\nX=1"},
        {"S", "K", "line\nbreak"},
        {"S]", "K", "v"},
        {"S\n", "K", "v"},
        {"S", "K=2", "v"},
        {"S", ";K", "v"},
        {"S", "[K", "v"},
        {"S", "", "v"},
        {"", "K", "v"},
    };
    for (const auto& c : bad)
        EXPECT_FALSE(ini.Update(c.section, c.key, c.value)) << c.section << "/" << c.key;
    EXPECT_EQ(read_raw(file_), "[S]\r\nK=1\r\n");

    rt::IniManager not_set_up;
    EXPECT_FALSE(not_set_up.Update("S", "K", "v"));
    EXPECT_EQ(not_set_up.Fetch("S", "K", "d"), "d");
}

TEST_F(IniTest, InitMapsTheWindowsNameRelativeToTheCurrentFolder) {
    const fs::path before = fs::current_path();
    fs::current_path(dir_);
    {
        rt::IniManager ini;
        ini.Init(".\\KVD.INI");
        EXPECT_TRUE(ini.Update("S", "K", "v"));
    }
    fs::current_path(before);
    EXPECT_EQ(read_raw(file_), "[S]\r\nK=v\r\n");
}

TEST_F(IniTest, WindowPlacementFollowsStateAndResizability) {
    rt::IniManager ini;
    ini.Init(file_.string());
    auto keys = [&](const char* section) {
        std::string present, v;
        for (const char* k : {"Maximize", "Minimize", "XPos", "YPos", "Width", "Height"})
            if (ini.TryFetch(section, k, v)) present += std::string(k) + "=" + v + " ";
        return present;
    };

    const rt::WindowPlacement normal{false, false, 10, 20, 300, 200, true, true};
    ASSERT_TRUE(ini.SaveWindowPosition("BrowseKvadrin", normal, true));
    EXPECT_EQ(keys("BrowseKvadrin"), "Maximize=No Minimize=No XPos=10 YPos=20 Width=300 Height=200 ");

    rt::WindowPlacement out;
    ASSERT_TRUE(ini.LoadWindowPosition("browsekvadrin", out, true));
    EXPECT_FALSE(out.maximized);
    EXPECT_FALSE(out.minimized);
    EXPECT_TRUE(out.has_position);
    EXPECT_TRUE(out.has_size);
    EXPECT_EQ(out.x, 10);
    EXPECT_EQ(out.y, 20);
    EXPECT_EQ(out.width, 300);
    EXPECT_EQ(out.height, 200);

    // A stored size is not applied to a window that cannot be resized.
    rt::WindowPlacement fixed{false, false, 0, 0, 55, 66, false, false};
    ASSERT_TRUE(ini.LoadWindowPosition("BrowseKvadrin", fixed, false));
    EXPECT_TRUE(fixed.has_position);
    EXPECT_FALSE(fixed.has_size);
    EXPECT_EQ(fixed.width, 55);
    EXPECT_EQ(fixed.height, 66);

    // Closed maximized: flags stored, the last normal placement kept for the restore.
    const rt::WindowPlacement maximized{true, false, -4, -4, 1928, 1048, true, true};
    ASSERT_TRUE(ini.SaveWindowPosition("BrowseKvadrin", maximized, true));
    EXPECT_EQ(keys("BrowseKvadrin"), "Maximize=Yes Minimize=No XPos=10 YPos=20 Width=300 Height=200 ");
    out = {};
    ASSERT_TRUE(ini.LoadWindowPosition("BrowseKvadrin", out, true));
    EXPECT_TRUE(out.maximized);
    EXPECT_EQ(out.x, 10);
    EXPECT_EQ(out.width, 300);

    // A window first closed maximized or minimized has no position or size at all.
    ASSERT_TRUE(ini.SaveWindowPosition("UpdateKVADRIN", maximized, true));
    EXPECT_EQ(keys("UpdateKVADRIN"), "Maximize=Yes Minimize=No ");
    const rt::WindowPlacement minimized{false, true, 1, 2, 3, 4, true, true};
    ASSERT_TRUE(ini.SaveWindowPosition("Main", minimized, true));
    EXPECT_EQ(keys("Main"), "Maximize=No Minimize=Yes ");
    out = {};
    ASSERT_TRUE(ini.LoadWindowPosition("UpdateKVADRIN", out, true));
    EXPECT_TRUE(out.maximized);
    EXPECT_FALSE(out.has_position);
    EXPECT_FALSE(out.has_size);

    // A window that cannot be resized stores its position only.
    ASSERT_TRUE(ini.SaveWindowPosition("Splash", normal, false));
    EXPECT_EQ(keys("Splash"), "Maximize=No Minimize=No XPos=10 YPos=20 ");

    out = {};
    EXPECT_FALSE(ini.LoadWindowPosition("NeverOpened", out, true));
    EXPECT_FALSE(out.has_position);
    EXPECT_FALSE(out.maximized);
}

TEST_F(IniTest, KillMergesTheWrittenSectionsIntoSectors) {
    write_raw(file_, "[__Dont_Touch_Me__]\r\nSectors=Alpha, Beta\r\n[Beta]\r\nK=1\r\n");
    {
        rt::IniManager reader;
        reader.Init(file_.string());
        EXPECT_EQ(reader.Fetch("Beta", "K"), "1");
        reader.Kill();  // wrote nothing: the file stays as it is
        EXPECT_EQ(read_raw(file_), "[__Dont_Touch_Me__]\r\nSectors=Alpha, Beta\r\n[Beta]\r\nK=1\r\n");
    }
    rt::IniManager ini;
    ini.Init(file_.string());
    ASSERT_TRUE(ini.Update("BETA", "K", "2"));
    ASSERT_TRUE(ini.Update("Gamma", "K", "3"));
    ASSERT_TRUE(ini.Update("gamma", "L", "4"));
    ASSERT_TRUE(ini.SaveWindowPosition("BrowseKvadrin", {}, true));
    ini.Kill();
    rt::IniManager check;
    check.Init(file_.string());
    EXPECT_EQ(check.Fetch("__Dont_Touch_Me__", "Sectors"), "Alpha,Beta,Gamma,BrowseKvadrin");
    EXPECT_FALSE(ini.Update("After", "Kill", "x"));  // no file after the tear-down
    EXPECT_EQ(ini.FileName(), "");
}

TEST_F(IniTest, APlainFileGetsNoBookkeepingSection) {
    rt::IniManager ini;
    ini.Init(file_.string(), false);
    ASSERT_TRUE(ini.Update("Server", "Server", "(localdb)\\kv"));
    ASSERT_TRUE(ini.Update("Name", "Name", "korisnik"));
    ini.Kill();
    EXPECT_EQ(read_raw(file_), "[Server]\r\nServer=(localdb)\\kv\r\n[Name]\r\nName=korisnik\r\n");
    // The same object set up again keeps its bookkeeping as before.
    ini.Init(file_.string());
    ASSERT_TRUE(ini.Update("Name", "Name", "drugi"));
    ini.Kill();
    EXPECT_NE(read_raw(file_).find("[__Dont_Touch_Me__]\r\nSectors=Name"), std::string::npos);
}

TEST_F(IniTest, LeftoverTemporaryFileIsIgnored) {
    write_raw(file_, "[S]\r\nK=1\r\n");
    for (const char* name : {"KVD.INI.tmp", "KVD.INI.tmp1", "KVD.INI~"})
        write_raw(dir_ / name, "[S]\r\nK=garbage from a crash\r\n");
    rt::IniManager ini;
    ini.Init(file_.string());
    EXPECT_EQ(ini.Fetch("S", "K"), "1");
    ASSERT_TRUE(ini.Update("S", "L", "2"));
    EXPECT_EQ(read_raw(file_), "[S]\r\nK=1\r\nL=2\r\n");
}

// Two threads save the placements of different windows at the same time, through one
// shared object or through an object each, while a third reads the file without any
// lock: nothing is lost and the file is never missing or partly written.
class IniConcurrency : public IniTest, public ::testing::WithParamInterface<bool> {};

TEST_P(IniConcurrency, ParallelWritersLoseNothing) {
    const bool shared_object = GetParam();
    constexpr int kIterations = 150;
    write_raw(file_, "; kept\r\n[Keep]\r\nK=1\r\n");
    rt::IniManager first, second;
    first.Init(file_.string());
    second.Init((dir_ / "." / "KVD.INI").string());  // another spelling of the same file
    rt::IniManager& a = first;
    rt::IniManager& b = shared_object ? first : second;

    std::atomic<int> writers_left{2};
    std::atomic<int> failures{0};
    std::atomic<int> reads{0};
    auto writer = [&](rt::IniManager& ini, const std::string& prefix, int base) {
        for (int i = 0; i < kIterations; ++i) {
            const rt::WindowPlacement p{false, false, base + i, base - i, 100 + i, 50 + i, true, true};
            if (!ini.SaveWindowPosition(prefix + std::to_string(i), p, true)) ++failures;
            // Rewrite an earlier window again, as a window closed twice does.
            if (i % 10 == 9 && !ini.Update(prefix + std::to_string(i - 5), "Maximize", "Yes")) ++failures;
        }
        --writers_left;
    };
    std::thread reader([&] {
        while (writers_left > 0 || reads == 0) {
            const std::string text = read_raw(file_);
            if (text.rfind("; kept\r\n[Keep]\r\nK=1\r\n", 0) != 0 ||
                (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") != 0))
                ++failures;
            ++reads;
        }
    });
    std::thread ta(writer, std::ref(a), "A", 1000);
    std::thread tb(writer, std::ref(b), "B", 5000);
    ta.join();
    tb.join();
    reader.join();
    EXPECT_EQ(failures, 0);

    rt::IniManager check;
    check.Init(file_.string());
    for (int i = 0; i < kIterations; ++i) {
        for (auto [prefix, base] : {std::pair{"A", 1000}, std::pair{"B", 5000}}) {
            const std::string section = prefix + std::to_string(i);
            rt::WindowPlacement p;
            ASSERT_TRUE(check.LoadWindowPosition(section, p, true)) << section;
            EXPECT_EQ(p.x, base + i) << section;
            EXPECT_EQ(p.y, base - i) << section;
            EXPECT_EQ(p.width, 100 + i) << section;
            EXPECT_EQ(p.height, 50 + i) << section;
            EXPECT_EQ(p.maximized, i % 10 == 4 && i + 5 < kIterations) << section;
        }
    }
    EXPECT_EQ(check.Fetch("Keep", "K"), "1");

    // Both objects' tear-downs merge their sections into one list.
    first.Kill();
    second.Kill();
    const std::string sectors = check.Fetch("__Dont_Touch_Me__", "Sectors");
    for (int i = 0; i < kIterations; ++i)
        for (const char* prefix : {"A", "B"}) {
            const std::string name = prefix + std::to_string(i);
            EXPECT_NE(("," + sectors + ",").find("," + name + ","), std::string::npos) << name;
        }

    // No temporary file is left beside the settings file, only its lock file.
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"KVD.INI", "KVD.INI.lck"}));
}

INSTANTIATE_TEST_SUITE_P(OneOrTwoObjects, IniConcurrency, ::testing::Values(true, false),
                         [](const auto& p) { return p.param ? "SharedObject" : "TwoObjects"; });
