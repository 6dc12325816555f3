#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "data/globals.h"
#include "platform/core/text.h"
#include "shell/firm_folder.h"

using kvadrin::DeriveFirmAndYear;

namespace {

struct Case {
    const char* path;
    char sep;
    const char* firm;
    int year;
};

TEST(FirmFolder, DerivesFirmAndYearFromThePath) {
    const Case cases[] = {
        {"D:\\PODACI\\BLOK7\\2024\\PROGRAM", '\\', "BLOK7", 2024},
        {"D:\\PODACI\\blok7\\2024\\PROGRAM", '\\', "BLOK7", 2024},
        {"/srv/podaci/blok7/2024/PROGRAM", '/', "BLOK7", 2024},
        {"/srv/podaci/Zgrada čš/2024 i dalje/PROGRAM", '/', "ZGRADA \xC8\x8A", 2024},
        {"/srv/p/BLOK7/20ab/PROGRAM", '/', "BLOK7", 20},
        {"/srv/p/BLOK7/-123/PROGRAM", '/', "BLOK7", 123},
        {"/srv/p/BLOK7/tekuca/PROGRAM", '/', "BLOK7", 0},
        {"", '/', "GRESKA", 0},
        // Fewer levels than the layout: the missing ones stay empty.
        {"/2024/PROGRAM", '/', "", 2024},
        {"/PROGRAM", '/', "", 0},
        {"PROGRAM", '/', "GRESKA", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        // The Serbian letters above are UTF-8 in this source; the program works in CP1250.
        std::string path = c.path;
        for (auto [u, w] : {std::pair{std::string("č"), std::string("\xE8")},
                            std::pair{std::string("š"), std::string("\x9A")}}) {
            for (auto p = path.find(u); p != std::string::npos; p = path.find(u))
                path.replace(p, u.size(), w);
        }
        auto r = DeriveFirmAndYear(path, c.sep);
        EXPECT_EQ(r.firm, c.firm);
        EXPECT_EQ(r.year, c.year);
    }
}

TEST(FirmFolder, OnlyTheLast51CharactersCount) {
    // The firm folder's separator lies more than 50 characters before the end: the firm
    // name keeps only the part within the last 51 characters.
    std::string year_and_prog = "/2024/" + std::string(40, 'P');  // 46 characters
    std::string path = "/root/ABCDEFGHIJKL" + year_and_prog;
    auto r = DeriveFirmAndYear(path, '/');
    EXPECT_EQ(r.year, 2024);
    // The text starts at position L-50: the letters of the firm name within the window.
    EXPECT_EQ(r.firm, "HIJKL");

    // A long firm folder name keeps what lies within the window.
    r = DeriveFirmAndYear("/" + std::string(60, 'f') + "/2024/P", '/');
    EXPECT_EQ(r.firm, std::string(44, 'F'));
    EXPECT_EQ(r.year, 2024);

    // One separator within the window: the 50 characters before the last, no year.
    r = DeriveFirmAndYear("/x/" + std::string(49, 'p'), '/');
    EXPECT_EQ(r.firm, "X/" + std::string(48, 'P'));
    EXPECT_EQ(r.year, 0);
    // None within the window.
    r = DeriveFirmAndYear("/x/" + std::string(60, 'p'), '/');
    EXPECT_EQ(r.firm, "GRESKA");
}

}  // namespace

namespace {

// The program's current folder is a native (UTF-8) path; the firm folder is the
// program's text, upper-cased as such: "blok_ž" gives "BLOK_Ž", not a Ž's bytes apart.
TEST(FirmFolder, TheCurrentFolderIsReadAsTheProgramsText) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("kv_firm_folder_" + std::to_string(::getpid()));
    const fs::path program = root / fs::path(u8"blok_ž") / "2024" / "PROGRAM";
    fs::create_directories(program);
    const fs::path before = fs::current_path();
    fs::current_path(program);
    kvadrin::IzvediFirmuIGodinu();
    fs::current_path(before);
    fs::remove_all(root);
    EXPECT_EQ(rt::clip(kvadrin::FOLDERFIRME.view()), "BLOK_\x8E");  // Ž in CP1250
    EXPECT_EQ(static_cast<int>(kvadrin::RAD_GOD), 2024);
}

}  // namespace
