// The flat-file driver on a small table of its own: key orders, damaged files, killed
// writers, and several table structures on one file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/files/file.h"
#include "platform/files/flat/flat_file.h"
#include "platform/files/layout.h"
#include "platform/files/record.h"

namespace fs = std::filesystem;

namespace {

struct TRec {
    rt::FString<20> NAME;
    rt::CString<11> CODE;
    rt::Long NUM;
    rt::FString<40> NOTE;
};

rt::RecordLayout t_layout() {
    rt::RecordLayout L;
    L.prefix = "T";
    L.record_size = sizeof(TRec);
    L.fields = {rt::field_for<decltype(TRec::NAME)>("T:NAME", offsetof(TRec, NAME)),
                rt::field_for<decltype(TRec::CODE)>("T:CODE", offsetof(TRec, CODE)),
                rt::field_for<decltype(TRec::NUM)>("T:NUM", offsetof(TRec, NUM)),
                rt::field_for<decltype(TRec::NOTE)>("T:NOTE", offsetof(TRec, NOTE))};
    L.keys.push_back(rt::make_key(L, "T:PO_NAZIVU", {"NAME"}, rt::kKeyPrimary | rt::kKeyNoCase));
    L.keys.push_back(rt::make_key(L, "T:PO_SIFRI", {"CODE"}, rt::kKeyUnique | rt::kKeyOptional));
    L.keys.push_back(rt::make_key(L, "T:PO_BROJU", {"NUM"}, rt::kKeyDup));
    return L;
}

rt::TableDef t_def(bool encrypted) {
    rt::TableDef d;
    d.name = "T";
    d.driver = rt::Driver::Flat;
    d.owner = "Tajna!";
    d.create = true;
    d.encrypted = encrypted;
    d.layout = t_layout();
    return d;
}

const rt::TableDef& sealed_def() {
    static const rt::TableDef d = t_def(true);
    return d;
}
const rt::TableDef& clear_def() {
    static const rt::TableDef d = t_def(false);
    return d;
}

constexpr int kName = 0, kCode = 1, kNum = 2;

std::string read_raw(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_raw(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string record(const char* name, const char* code, int num, const char* note = "") {
    TRec r;
    r.NAME = name;
    r.CODE = code;
    r.NUM = num;
    r.NOTE = note;
    return std::string(reinterpret_cast<const char*>(&r), sizeof r);
}

// One table structure with its own record buffer on the file at `path`.
struct Table {
    TRec buf;
    rt::File file;
    Table(const rt::TableDef& def, const fs::path& path, std::string password = "Tajna!") : file(def, &buf) {
        std::string p = path.string();
        file.BindName([p] { return p; });
        file.BindOwner([password] { return password; });
    }
    int add(const char* name, const char* code, int num, const char* note = "") {
        file.Clear();
        buf.NAME = name;
        buf.CODE = code;
        buf.NUM = num;
        buf.NOTE = note;
        return file.Add();
    }
    std::string name() const {
        std::string s = buf.NAME.str();
        return s.substr(0, s.find_last_not_of(' ') + 1);
    }
    // NAMEs read with NEXT from the current place to the end.
    std::vector<std::string> rest() {
        std::vector<std::string> out;
        while (file.Next() == rt::kNoError) out.push_back(name());
        EXPECT_EQ(rt::ErrorCode(), rt::kRecordNotAvailable);
        return out;
    }
    std::vector<std::string> back() {
        std::vector<std::string> out;
        while (file.Previous() == rt::kNoError) out.push_back(name());
        return out;
    }
};

class FlatTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               ("kv_flat_" + std::string(info->name()) + "_" + std::to_string(std::random_device{}()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = dir_ / "T.DAT";
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_, path_;
};

using Names = std::vector<std::string>;

TEST_F(FlatTest, KeyOrdersPhysicalOrderAndGet) {
    Table t(sealed_def(), path_);
    ASSERT_EQ(t.file.Open(), rt::kNoError);
    ASSERT_EQ(t.add("delta", "D", 2), rt::kNoError);
    ASSERT_EQ(t.add("Alfa", "", 3), rt::kNoError);  // blank CODE: not in the OPT key
    ASSERT_EQ(t.add("charlie", "C", 2), rt::kNoError);
    ASSERT_EQ(t.add("Bravo", "B", 1), rt::kNoError);
    ASSERT_EQ(t.add("echo", "", 2), rt::kNoError);
    EXPECT_EQ(t.file.Records(), 5);

    t.file.Set(kName);  // case-insensitive
    EXPECT_EQ(t.rest(), (Names{"Alfa", "Bravo", "charlie", "delta", "echo"}));
    t.file.Set(kCode);  // blank codes left out
    EXPECT_EQ(t.rest(), (Names{"Bravo", "charlie", "delta"}));
    t.file.Set(kNum);  // ties in physical order
    EXPECT_EQ(t.rest(), (Names{"Bravo", "delta", "charlie", "echo", "Alfa"}));
    t.file.SetPhysical();
    EXPECT_EQ(t.rest(), (Names{"delta", "Alfa", "charlie", "Bravo", "echo"}));
    t.file.Set(kNum);  // PREVIOUS after SET starts at the end
    EXPECT_EQ(t.back(), (Names{"Alfa", "echo", "charlie", "delta", "Bravo"}));

    // SET(key, key): from the first record at or after the buffer's key, either way.
    t.file.Clear();
    t.buf.NAME = "C";
    t.file.SetFrom(kName);
    EXPECT_EQ(t.rest(), (Names{"charlie", "delta", "echo"}));
    t.buf.NAME = "CHARLIE";
    t.file.SetFrom(kName);
    EXPECT_EQ(t.back(), (Names{"charlie", "Bravo", "Alfa"}));
    t.buf.NUM = 2;
    t.file.SetFrom(kNum);
    EXPECT_EQ(t.rest(), (Names{"delta", "charlie", "echo", "Alfa"}));

    // NEXT and PREVIOUS turn round at a record; past the end they fail.
    t.file.Set(kName);
    t.file.Next();
    t.file.Next();
    t.file.Next();
    EXPECT_EQ(t.name(), "charlie");
    EXPECT_EQ(t.file.Previous(), rt::kNoError);
    EXPECT_EQ(t.name(), "Bravo");

    t.file.Clear();
    t.buf.NAME = "ECHO";
    ASSERT_EQ(t.file.Get(kName), rt::kNoError);
    EXPECT_EQ(t.name(), "echo");
    EXPECT_EQ(t.buf.NUM.get(), 2);
    t.file.Clear();
    t.buf.NAME = "foxtrot";
    EXPECT_EQ(t.file.Get(kName), rt::kRecordNotFound);
    t.file.Clear();  // a blank code is in no record of an OPT key
    EXPECT_EQ(t.file.Get(kCode), rt::kRecordNotFound);
    t.buf.CODE = "B";
    ASSERT_EQ(t.file.Get(kCode), rt::kNoError);
    EXPECT_EQ(t.name(), "Bravo");
}

TEST_F(FlatTest, ChangesAreWrittenAndTheReadingPlaceSurvivesADelete) {
    {
        Table t(sealed_def(), path_);
        ASSERT_EQ(t.file.Open(), rt::kNoError);
        for (const char* n : {"a", "b", "c", "d"}) ASSERT_EQ(t.add(n, n, 1), rt::kNoError);
        EXPECT_EQ(t.file.Put(), rt::kNoError);  // the record just added is current

        t.file.Set(kName);
        t.file.Next();
        t.file.Next();
        ASSERT_EQ(t.name(), "b");
        ASSERT_EQ(t.file.Delete(), rt::kNoError);
        EXPECT_EQ(t.file.Put(), rt::kRecordNotAvailable);  // no current record after DELETE
        EXPECT_EQ(t.file.Delete(), rt::kRecordNotAvailable);
        EXPECT_EQ(t.rest(), (Names{"c", "d"}));

        t.file.Clear();
        t.buf.NAME = "c";
        ASSERT_EQ(t.file.Get(kName), rt::kNoError);
        t.buf.NOTE = "changed";
        ASSERT_EQ(t.file.Put(), rt::kNoError);
        t.file.Close();
    }
    Table u(sealed_def(), path_);
    ASSERT_EQ(u.file.Open(), rt::kNoError);
    u.file.SetPhysical();
    EXPECT_EQ(u.rest(), (Names{"a", "c", "d"}));
    u.file.Clear();
    u.buf.NAME = "C";
    ASSERT_EQ(u.file.Get(kName), rt::kNoError);
    EXPECT_EQ(u.buf.NOTE.view().substr(0, 7), "changed");
}

TEST_F(FlatTest, MissingFilesReadOnlyModeAndNoSql) {
    rt::TableDef no_create = clear_def();
    no_create.create = false;
    {
        Table t(no_create, path_);
        EXPECT_EQ(t.file.Open(), rt::kFileNotFound);
        Table u(no_create, dir_ / "nowhere" / "T.DAT");
        EXPECT_EQ(u.file.Open(), rt::kPathNotFound);
        Table w(sealed_def(), dir_ / "nowhere" / "T.DAT");
        EXPECT_EQ(w.file.Open(), rt::kPathNotFound);
        EXPECT_FALSE(fs::exists(path_));
    }
    // Created when missing: sealed, empty, readable again.
    Table t(sealed_def(), path_);
    ASSERT_EQ(t.file.Open(), rt::kNoError);
    EXPECT_EQ(t.file.Records(), 0);
    EXPECT_EQ(read_raw(path_).substr(0, 8), std::string("KVDFLAT\0", 8));
    EXPECT_EQ(t.file.Next(), rt::kRecordNotAvailable);
    EXPECT_EQ(t.file.SendSql("SELECT 1"), rt::kDriverError);
    t.file.Close();

    ASSERT_EQ(t.file.Open(rt::kReadOnly | rt::kDenyNone), rt::kNoError);
    EXPECT_EQ(t.add("x", "x", 1), rt::kAccessDenied);
    EXPECT_EQ(t.file.Records(), 0);
}

TEST_F(FlatTest, DuplicateKeysAreRefusedWithTheKeyNamed) {
    Table t(clear_def(), path_);
    ASSERT_EQ(t.file.Open(), rt::kNoError);
    ASSERT_EQ(t.add("Alfa", "A", 1), rt::kNoError);
    ASSERT_EQ(t.add("Bravo", "", 1), rt::kNoError);
    const std::string before = read_raw(path_);
    EXPECT_EQ(t.add("ALFA ", "Z", 1), rt::kDuplicateKey);
    EXPECT_EQ(rt::ErrorKey(), "T:PO_NAZIVU");
    EXPECT_EQ(t.add("Charlie", "A", 1), rt::kDuplicateKey);
    EXPECT_EQ(rt::ErrorKey(), "T:PO_SIFRI");
    EXPECT_EQ(t.add("Charlie", "", 1), rt::kNoError);  // blank codes are not compared
    // PUT may keep its own key but not take another record's.
    t.file.Clear();
    t.buf.NAME = "bravo";
    ASSERT_EQ(t.file.Get(kName), rt::kNoError);
    t.buf.NOTE = "kept";
    EXPECT_EQ(t.file.Put(), rt::kNoError);
    t.buf.CODE = "A";
    EXPECT_EQ(t.file.Put(), rt::kDuplicateKey);
    EXPECT_EQ(t.file.Records(), 3);
    EXPECT_NE(read_raw(path_), before);
}

// Every way a file can fail its check, on open and on an operation after the file was
// replaced behind an open structure: kInvalidDataFile with a text, the file untouched.
TEST_F(FlatTest, DamagedFilesAreRefusedAndNeverChanged) {
    std::vector<std::string> recs = {record("Alfa", "A", 1), record("Bravo", "B", 2)};
    ASSERT_EQ(rt::WriteFlatFile(path_.string(), sealed_def().layout, recs, "Tajna!"), rt::kNoError);
    const std::string good = read_raw(path_);
    ASSERT_EQ(good.size(), 52 + 2 * sizeof(TRec) + 16);

    std::string clear_file;
    {
        const fs::path p = dir_ / "clear.DAT";
        ASSERT_EQ(rt::WriteFlatFile(p.string(), clear_def().layout, recs), rt::kNoError);
        clear_file = read_raw(p);
    }
    rt::RecordLayout shorter = t_layout();
    shorter.record_size -= 1;
    std::string other_length;
    {
        const fs::path p = dir_ / "short.DAT";
        std::string r = recs[0].substr(1);
        ASSERT_EQ(rt::WriteFlatFile(p.string(), shorter, {r}, "Tajna!"), rt::kNoError);
        other_length = read_raw(p);
    }
    auto flip = [&](std::size_t at) {
        std::string b = good;
        b[at] = static_cast<char>(b[at] ^ 0x01);
        return b;
    };
    const struct {
        const char* what;
        std::string bytes;
        const char* password;
    } cases[] = {
        {"record byte", flip(52 + 30), "Tajna!"},
        {"tag byte", flip(good.size() - 1), "Tajna!"},
        {"salt byte", flip(30), "Tajna!"},
        {"IV byte", flip(45), "Tajna!"},
        {"magic", flip(0), "Tajna!"},
        {"iteration count", flip(21), "Tajna!"},
        {"cut by one byte", good.substr(0, good.size() - 1), "Tajna!"},
        {"cut inside the header", good.substr(0, 20), "Tajna!"},
        {"empty", "", "Tajna!"},
        {"one byte more", good + "x", "Tajna!"},
        {"wrong password", good, "tajna!"},
        {"not encrypted", clear_file, "Tajna!"},
        {"other record length", other_length, "Tajna!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        write_raw(path_, c.bytes);
        Table t(sealed_def(), path_, c.password);
        EXPECT_EQ(t.file.Open(), rt::kInvalidDataFile);
        EXPECT_EQ(rt::ErrorFile(), "T");
        EXPECT_NE(rt::FlatFileError().find("is damaged or not a data file of T"), std::string::npos)
            << rt::FlatFileError();
        EXPECT_EQ(t.file.Create(), rt::kInvalidDataFile);
        EXPECT_EQ(read_raw(path_), c.bytes);

        if (c.bytes == good) continue;
        // Open on the sound file, then another program puts the bad one in its place.
        write_raw(path_, good);
        Table u(sealed_def(), path_);
        ASSERT_EQ(u.file.Open(), rt::kNoError);
        write_raw(dir_ / "bad", c.bytes);
        fs::rename(dir_ / "bad", path_);
        EXPECT_EQ(u.add("Charlie", "C", 3), rt::kInvalidDataFile);
        EXPECT_FALSE(rt::FlatFileError().empty());
        u.file.SetPhysical();
        EXPECT_EQ(u.file.Next(), rt::kInvalidDataFile);
        EXPECT_EQ(read_raw(path_), c.bytes);
        u.file.Close();
    }
    // The same file, sound again, reads as before.
    write_raw(path_, good);
    Table t(sealed_def(), path_);
    ASSERT_EQ(t.file.Open(), rt::kNoError);
    EXPECT_EQ(t.file.Records(), 2);
    EXPECT_EQ(rt::FlatFileError(), "");
}

// A writer killed at any moment leaves the old file or the new one, whole.
TEST_F(FlatTest, AWriterKilledHalfWayLeavesAReadableFile) {
    constexpr int kRecords = 3000;  // about 2 MB
    std::vector<std::string> recs;
    for (int i = 0; i < kRecords; ++i)
        recs.push_back(record(("firm " + std::to_string(i)).c_str(), std::to_string(i).c_str(), 0,
                              "the same note in every record of the file"));
    ASSERT_EQ(rt::WriteFlatFile(path_.string(), sealed_def().layout, recs, "Tajna!"), rt::kNoError);

    std::mt19937 rng(12345);
    int last_generation = 0;
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE(round);
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Rewrite the file again and again: NUM of the first record counts the writes.
            ::close(ready[0]);
            Table t(sealed_def(), path_);
            if (t.file.Open() != rt::kNoError) ::_exit(2);
            t.file.SetPhysical();
            if (t.file.Next() != rt::kNoError) ::_exit(3);
            for (int n = 0; n < 100000; ++n) {
                t.buf.NUM = t.buf.NUM.get() + 1;
                if (t.file.Put() != rt::kNoError) ::_exit(4);
                if (n == 0 && ::write(ready[1], "x", 1) != 1) ::_exit(5);
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        char c;
        ASSERT_EQ(::read(ready[0], &c, 1), 1) << "the writer did not get going";
        ::close(ready[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 40000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "writer ended with " << WEXITSTATUS(status);

        Table t(sealed_def(), path_);
        ASSERT_EQ(t.file.Open(), rt::kNoError) << rt::FlatFileError();
        ASSERT_EQ(t.file.Records(), kRecords);
        t.file.SetPhysical();
        ASSERT_EQ(t.file.Next(), rt::kNoError);
        EXPECT_EQ(t.name(), "firm 0");
        EXPECT_GT(t.buf.NUM.get(), last_generation);
        last_generation = t.buf.NUM.get();
        t.file.Clear();
        t.buf.NAME = "firm 2999";
        EXPECT_EQ(t.file.Get(kName), rt::kNoError);
    }
}

// Two structures on threads of their own, on one file spelt two ways: no write is lost.
TEST_F(FlatTest, StructuresOnThreadsSerialiseTheirWrites) {
    constexpr int kEach = 40;
    const fs::path other = dir_ / ".." / dir_.filename() / "T.DAT";
    auto writer = [&](const fs::path& p, char tag, int* failures) {
        Table t(sealed_def(), p);
        if (t.file.Open() != rt::kNoError) {
            ++*failures;
            return;
        }
        for (int i = 0; i < kEach; ++i) {
            std::string name = std::string(1, tag) + std::to_string(i);
            if (t.add(name.c_str(), name.c_str(), i) != rt::kNoError) ++*failures;
        }
    };
    Table first(sealed_def(), path_);
    ASSERT_EQ(first.file.Open(), rt::kNoError);  // the file exists before both threads start
    int fail_a = 0, fail_b = 0;
    std::thread a(writer, path_, 'a', &fail_a);
    std::thread b(writer, other, 'b', &fail_b);
    a.join();
    b.join();
    EXPECT_EQ(fail_a + fail_b, 0);
    EXPECT_EQ(first.file.Records(), 2 * kEach);  // and an open structure sees them all
    first.file.Clear();
    first.buf.NAME = "b39";
    EXPECT_EQ(first.file.Get(kName), rt::kNoError);
}

// Another structure (or program) rewrites the file between our operations.
TEST_F(FlatTest, ChangesByAnotherStructureAreSeen) {
    Table a(sealed_def(), path_);
    Table b(sealed_def(), path_);
    ASSERT_EQ(a.file.Open(), rt::kNoError);
    ASSERT_EQ(b.file.Open(), rt::kNoError);
    for (const char* n : {"a", "b", "c"}) ASSERT_EQ(a.add(n, n, 1), rt::kNoError);
    EXPECT_EQ(b.file.Records(), 3);

    b.file.Set(kName);
    ASSERT_EQ(b.file.Next(), rt::kNoError);  // b reads "a"
    ASSERT_EQ(a.add("aa", "aa", 1), rt::kNoError);
    EXPECT_EQ(b.rest(), (Names{"aa", "b", "c"}));  // NEXT goes on after "a" in the new file

    // b's current record, changed by a meanwhile, cannot be written over.
    b.file.Clear();
    b.buf.NAME = "b";
    ASSERT_EQ(b.file.Get(kName), rt::kNoError);
    a.file.Clear();
    a.buf.NAME = "b";
    ASSERT_EQ(a.file.Get(kName), rt::kNoError);
    a.buf.NOTE = "by a";
    ASSERT_EQ(a.file.Put(), rt::kNoError);
    b.buf.NOTE = "by b";
    EXPECT_EQ(b.file.Put(), rt::kRecordChanged);
    // Unchanged records stay current across a rewrite.
    b.file.Clear();
    b.buf.NAME = "c";
    ASSERT_EQ(b.file.Get(kName), rt::kNoError);
    ASSERT_EQ(a.add("d", "d", 1), rt::kNoError);
    EXPECT_EQ(b.file.Delete(), rt::kNoError);
    a.file.SetPhysical();
    EXPECT_EQ(a.rest(), (Names{"a", "b", "aa", "d"}));
}

}  // namespace
