// A report's temporary folder: made with mkdtemp under a folder of the user's own, and
// never through a folder someone else made first or a symbolic link in its place.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/report/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using rt::report::TempFolder;
using rt::report::UserTempBase;

// Sets an environment variable (or unsets it: nullopt) for the scope.
class Env {
public:
    Env(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* v = std::getenv(name)) saved_ = v;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~Env() {
        if (saved_)
            ::setenv(name_, saved_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    Env(const Env&) = delete;
    Env& operator=(const Env&) = delete;

private:
    const char* name_;
    std::optional<std::string> saved_;
};

struct stat Stat(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

class TempFolders : public ::testing::Test {
protected:
    void SetUp() override {
        char buf[] = "/tmp/kvtest-temp-XXXXXX";
        ASSERT_NE(::mkdtemp(buf), nullptr);
        root_ = buf;
        ::chmod(root_.c_str(), 01777);  // like /tmp: every user may make folders here
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    std::string Own() const { return root_ + "/kvadrin-" + std::to_string(::geteuid()); }
    // Nothing in `folder` but what was put there.
    static std::size_t Entries(const std::string& folder) {
        std::size_t n = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++n;
        return n;
    }
    std::string root_;
};

TEST_F(TempFolders, EachReportItsOwnPrivateFolderInTheUsersOwn) {
    Env xdg("XDG_RUNTIME_DIR", std::nullopt);
    Env tmp("TMPDIR", root_);
    std::string first, second;
    {
        TempFolder a, b;
        const std::string fa = a.File("qr.png"), fb = b.File("qr.png");
        ASSERT_FALSE(fa.empty());
        ASSERT_FALSE(fb.empty());
        first = a.Path(), second = b.Path();
        EXPECT_NE(first, second);
        EXPECT_EQ(fs::path(first).parent_path().string(), Own());
        EXPECT_EQ(fs::path(second).parent_path().string(), Own());
        for (const std::string& p : {Own(), first, second}) {
            const struct stat st = Stat(p);
            EXPECT_TRUE(S_ISDIR(st.st_mode)) << p;
            EXPECT_EQ(st.st_mode & 0777, 0700u) << p;
            EXPECT_EQ(st.st_uid, ::geteuid()) << p;
        }
        // Not the process and a counter: mkdtemp's random letters.
        EXPECT_EQ(fs::path(first).filename().string().find(std::to_string(::getpid())), std::string::npos);
        // The same name asked again is the same file of the same folder.
        EXPECT_EQ(a.File("qr.png"), fa);
    }
    EXPECT_FALSE(fs::exists(first));
    EXPECT_FALSE(fs::exists(second));
    EXPECT_TRUE(fs::is_directory(Own())) << "the user's folder stays for the next report";
}

TEST_F(TempFolders, TheRuntimeFolderWhenItIsTheUsersAndPrivate) {
    const std::string runtime = root_ + "/run";
    fs::create_directory(runtime);
    Env tmp("TMPDIR", root_);
    struct Case {
        unsigned mode;
        bool own;
        bool taken;
    };
    for (const Case& c : {Case{0700, true, true}, Case{0755, true, false}, Case{0700, false, false}}) {
        ::chmod(runtime.c_str(), c.mode);
        ASSERT_EQ(::chown(runtime.c_str(), c.own ? ::geteuid() : 54321, 0), 0);
        Env xdg("XDG_RUNTIME_DIR", runtime);
        std::string refused;
        EXPECT_EQ(UserTempBase(&refused), c.taken ? runtime : Own()) << c.mode << " " << c.own;
        EXPECT_EQ(refused, "");
        TempFolder f;
        ASSERT_FALSE(f.File("qr.png").empty());
        EXPECT_EQ(fs::path(f.Path()).parent_path().string(), c.taken ? runtime : Own());
    }
}

TEST_F(TempFolders, AnotherOwnersFolderOrALinkInItsPlaceIsNeverWrittenThrough) {
    if (::geteuid() != 0) GTEST_SKIP() << "making another user's folder needs root";
    Env xdg("XDG_RUNTIME_DIR", std::nullopt);
    Env tmp("TMPDIR", root_);
    const std::string elsewhere = root_ + "/elsewhere";
    fs::create_directory(elsewhere);
    ::chmod(elsewhere.c_str(), 0777);
    enum Kind { OtherOwner, OtherOwnerPrivate, OursButOpen, Link, LinkToOurs };
    for (Kind k : {OtherOwner, OtherOwnerPrivate, OursButOpen, Link, LinkToOurs}) {
        SCOPED_TRACE(k);
        std::error_code ec;
        fs::remove_all(Own(), ec);
        const std::string planted_in = k == Link || k == LinkToOurs ? elsewhere : Own();
        if (k == Link || k == LinkToOurs) {
            fs::create_directory_symlink(elsewhere, Own());
            if (k == LinkToOurs) ::chmod(elsewhere.c_str(), 0700);
        } else {
            fs::create_directory(Own());
            ::chmod(Own().c_str(), k == OtherOwnerPrivate ? 0700 : 0777);
            if (k != OursButOpen) { ASSERT_EQ(::chown(Own().c_str(), 54321, 54321), 0); }
        }
        // The other user's image where a guessed report folder would take it.
        { std::ofstream(planted_in + "/qr.png") << "not ours"; }
        const std::size_t before = Entries(planted_in);

        std::string refused;
        EXPECT_EQ(UserTempBase(&refused), root_);
        EXPECT_EQ(refused, Own());
        {
            TempFolder f;
            const std::string file = f.File("qr.png");
            ASSERT_FALSE(file.empty());
            EXPECT_EQ(fs::path(f.Path()).parent_path().string(), root_) << "mkdtemp in the temporary folder";
            EXPECT_EQ(Stat(f.Path()).st_mode & 0777, 0700u);
            { std::ofstream(file) << "ours"; }
            EXPECT_EQ(Entries(planted_in), before) << "nothing made through " << planted_in;
        }
        std::ifstream in(planted_in + "/qr.png");
        std::string kept;
        std::getline(in, kept);
        EXPECT_EQ(kept, "not ours");
        if (k == LinkToOurs) ::chmod(elsewhere.c_str(), 0777);
    }
}

TEST_F(TempFolders, NoTemporaryFolderGivesNoFile) {
    Env xdg("XDG_RUNTIME_DIR", std::nullopt);
    const std::string file = root_ + "/not-a-folder";
    { std::ofstream(file) << "x"; }
    Env tmp("TMPDIR", file);
    TempFolder f;
    EXPECT_EQ(f.File("qr.png"), "");
    EXPECT_EQ(f.Path(), "");
}

}  // namespace
