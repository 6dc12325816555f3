// The flat-file tables of the program: the encrypted firms list and the previous
// program's files, through their own definitions.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "data/oldfiles.h"
#include "data/tables.h"
#include "platform/files/file.h"
#include "platform/files/flat/flat_file.h"
#include "platform/files/record.h"

namespace fs = std::filesystem;

namespace {

using kvadrin::OldFileId;
using kvadrin::TableId;

std::string read_raw(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

template <std::size_t N>
std::string clipped(const rt::FString<N>& f) {
    std::string s = f.str();
    return s.substr(0, s.find_last_not_of(' ') + 1);
}

class FlatTables : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               ("kv_flat_tables_" + std::string(info->name()) + "_" + std::to_string(std::random_device{}()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

// The firms list with its own definition: name, owner password and keys.
struct Mbase {
    kvadrin::MBASERecord buf;
    rt::File file;
    explicit Mbase(const fs::path& path) : file(kvadrin::table_def(TableId::MBASE), &buf) {
        std::string p = path.string();
        file.BindName([p] { return p; });
    }
    int add(const char* name, const char* server, const char* folder, const char* pib = "") {
        file.Clear();
        buf.NAZIVFIRME = name;
        buf.SERVERNAME = server;
        buf.FOLDERNAME = folder;
        buf.R[6] = pib;
        return file.Add();
    }
    std::vector<std::string> names(int key) {
        std::vector<std::string> out;
        file.Set(key);
        while (file.Next() == rt::kNoError) out.push_back(clipped(buf.NAZIVFIRME));
        return out;
    }
};

using Names = std::vector<std::string>;

TEST_F(FlatTables, FirmsListRoundTrip) {
    const fs::path path = dir_ / "MBASE.DAT";
    const int by_name = kvadrin::table_def(TableId::MBASE).layout.key_index("M:PO_NAZIVU");
    const int by_folder = kvadrin::table_def(TableId::MBASE).layout.key_index("M:PO_FOLDERU");
    ASSERT_GE(by_name, 0);
    ASSERT_GE(by_folder, 0);
    {
        Mbase m(path);
        ASSERT_EQ(m.file.Open(), rt::kNoError);  // created when missing
        ASSERT_EQ(m.add("Zeta d.o.o.", "SERVER1", "AZETA", "100200300"), rt::kNoError);
        ASSERT_EQ(m.add("alfa", "server1", "CALFA"), rt::kNoError);
        ASSERT_EQ(m.add("Beta", "SERVER1", "BBETA"), rt::kNoError);
        EXPECT_EQ(m.names(by_name), (Names{"alfa", "Beta", "Zeta d.o.o."}));
        EXPECT_EQ(m.names(by_folder), (Names{"Zeta d.o.o.", "Beta", "alfa"}));

        // The server replacement's pass: PUT during NEXT visits every firm once.
        m.file.Clear();
        m.file.SetFrom(by_name);
        int visited = 0;
        while (m.file.Next() == rt::kNoError) {
            ++visited;
            if (m.buf.SERVERNAME.view() == rt::FString<50>("SERVER1").view()) {
                m.buf.SERVERNAME = "SERVER2";
                ASSERT_EQ(m.file.Put(), rt::kNoError);
            }
        }
        EXPECT_EQ(visited, 3);

        m.file.Clear();
        m.buf.NAZIVFIRME = "ALFA";
        ASSERT_EQ(m.file.Get(by_name), rt::kNoError);
        EXPECT_EQ(clipped(m.buf.SERVERNAME), "server1");  // the case of letters counts
        ASSERT_EQ(m.file.Delete(), rt::kNoError);
        m.file.Close();
    }
    const std::string raw = read_raw(path);
    EXPECT_EQ(raw.find("Zeta"), std::string::npos);  // sealed, not in clear
    EXPECT_EQ(raw.find("100200300"), std::string::npos);

    Mbase m(path);
    ASSERT_EQ(m.file.Open(), rt::kNoError);
    EXPECT_EQ(m.file.Records(), 2);
    EXPECT_EQ(m.names(by_name), (Names{"Beta", "Zeta d.o.o."}));
    m.file.Clear();
    m.buf.FOLDERNAME = "azeta";
    ASSERT_EQ(m.file.Get(by_folder), rt::kNoError);
    EXPECT_EQ(clipped(m.buf.SERVERNAME), "SERVER2");
    EXPECT_EQ(clipped(m.buf.R[6]), "100200300");
}

TEST_F(FlatTables, FirmsListKeysAndNameLength) {
    const fs::path path = dir_ / "MBASE.DAT";
    const int by_name = kvadrin::table_def(TableId::MBASE).layout.key_index("M:PO_NAZIVU");
    Mbase m(path);
    ASSERT_EQ(m.file.Open(), rt::kNoError);
    ASSERT_EQ(m.add("Stan \xC8"
                    "a\xE8"
                    "ak",
                    "S", "CACAK"),
              rt::kNoError);
    const std::string before = read_raw(path);

    EXPECT_EQ(m.add("STAN \xC8"
                    "A\xC8"
                    "AK",
                    "S", "OTHER"),
              rt::kDuplicateKey);  // names ignore case, Č/č too
    EXPECT_EQ(rt::ErrorKey(), "M:PO_NAZIVU");
    EXPECT_EQ(m.add("Another firm", "S", "cacak"), rt::kDuplicateKey);  // so do folders
    EXPECT_EQ(rt::ErrorKey(), "M:PO_FOLDERU");
    EXPECT_EQ(read_raw(path), before);
    EXPECT_EQ(m.file.Records(), 1);

    // A name of 60 characters keeps its first 50; a second one alike in those is a duplicate.
    const std::string long_name = std::string(45, 'N') + "12345" + "6789012345";
    ASSERT_EQ(m.add(long_name.c_str(), "S", "LONG1"), rt::kNoError);
    EXPECT_EQ(m.add((long_name.substr(0, 50) + "different").c_str(), "S", "LONG2"), rt::kDuplicateKey);
    m.file.Clear();
    m.buf.NAZIVFIRME = long_name.substr(0, 50);
    ASSERT_EQ(m.file.Get(by_name), rt::kNoError);
    EXPECT_EQ(m.buf.NAZIVFIRME.str(), long_name.substr(0, 50));
    EXPECT_EQ(clipped(m.buf.FOLDERNAME), "LONG1");
}

TEST_F(FlatTables, FirmsListIsOneFolderAboveTheCurrentAndNeedsItsPassword) {
    fs::create_directories(dir_ / "FIRMA" / "2024");
    const fs::path cwd = fs::current_path();
    fs::current_path(dir_ / "FIRMA" / "2024");
    {
        kvadrin::MBASERecord buf;
        rt::File file(kvadrin::table_def(TableId::MBASE), &buf);  // "..\MBASE.DAT"
        EXPECT_EQ(file.Open(), rt::kNoError);
        EXPECT_EQ(file.Label(), "MBASE");
        file.Close();
    }
    fs::current_path(cwd);
    const fs::path path = dir_ / "FIRMA" / "MBASE.DAT";
    EXPECT_TRUE(fs::exists(path));

    // A list sealed with another password is refused and left as it is.
    std::vector<std::string> recs(1, std::string(sizeof(kvadrin::MBASERecord), ' '));
    ASSERT_EQ(rt::WriteFlatFile(path.string(), kvadrin::table_def(TableId::MBASE).layout, recs, "kemir!"),
              rt::kNoError);
    const std::string before = read_raw(path);
    Mbase m(path);
    EXPECT_EQ(m.file.Open(), rt::kInvalidDataFile);
    EXPECT_EQ(rt::ErrorFile(), "MBASE");
    EXPECT_NE(rt::FlatFileError().find("damaged or not a data file of MBASE"), std::string::npos);
    EXPECT_EQ(read_raw(path), before);
}

// One record of an old file in its stored form: the layout's cleared record with some
// text bytes written over.
std::string old_record(OldFileId id, std::initializer_list<std::pair<const char*, std::string>> texts) {
    const rt::RecordLayout& L = kvadrin::old_file_def(id).layout;
    std::string rec(L.record_size, '\0');
    rt::clear_record(L, rec.data());
    for (const auto& [field, bytes] : texts) {
        const rt::FieldDef* f = L.field(field);
        EXPECT_NE(f, nullptr) << field;
        if (f) rec.replace(f->offset, bytes.size(), bytes);
    }
    return rec;
}

// The byte after "Petrovi": OEM 852 č is 9Fh, CP1250 č is E8h.
TEST_F(FlatTables, OldFilesConvertOemTextsOfTheLedgerFilesOnly) {
    const struct {
        OldFileId id;
        const char* field;
        unsigned char arrives;
    } cases[] = {
        {OldFileId::INNAZ, "NAZIV1", 0xE8},  {OldFileId::INNAZ, "TELEFONI", 0xE8},
        {OldFileId::INSIN, "NAZIV", 0xE8},   {OldFileId::INNLS, "OPIS", 0xE8},
        {OldFileId::INKVD, "VLASNIK", 0x9F}, {OldFileId::INOBA, "NAZIV", 0x9F},
        {OldFileId::INOBR, "SVRHA1", 0x9F},
    };
    for (const auto& c : cases) {
        const char* prefix = kvadrin::old_file_prefix(c.id);
        SCOPED_TRACE(std::string(prefix) + ":" + c.field);
        const rt::TableDef& def = kvadrin::old_file_def(c.id);
        const fs::path path = dir_ / (std::string(prefix) + ".DAT");
        ASSERT_EQ(
            rt::WriteFlatFile(path.string(), def.layout, {old_record(c.id, {{c.field, "Petrovi\x9F"}})}),
            rt::kNoError);
        std::vector<unsigned char> buf(def.layout.record_size);
        rt::File file(def, buf.data());
        const std::string name = (dir_ / prefix).string();  // no extension: ".DAT" is added
        file.BindName([name] { return name; });
        ASSERT_EQ(file.Open(rt::kReadWrite | rt::kDenyNone), rt::kNoError);
        ASSERT_EQ(file.SetPhysical(), rt::kNoError);
        ASSERT_EQ(file.Next(), rt::kNoError);
        const std::size_t at = def.layout.field(c.field)->offset;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&buf[at]), 7), "Petrovi");
        EXPECT_EQ(buf[at + 7], c.arrives);
        EXPECT_EQ(buf[at + 8], ' ');
    }
}

TEST_F(FlatTables, OldPostingsFileIsFoundReadInOrderAndNeverWritten) {
    const rt::TableDef& def = kvadrin::old_file_def(OldFileId::INSKP);
    fs::create_directories(dir_ / "VRK");
    // Two postings in physical order; the account group holds OEM text in its member,
    // and the date's bytes include 9Fh, which is no text.
    const std::int32_t date = 0x00809F9F;
    std::string first = old_record(OldFileId::INSKP, {{"SINTETIKA", "204"},
                                                      {"ANALITIKA",
                                                       "\x9F"
                                                       "0002"},
                                                      {"OPIS",
                                                       "Ra\x9F"
                                                       "un"}});
    std::string second = old_record(OldFileId::INSKP, {{"SINTETIKA", "204"},
                                                       {"ANALITIKA",
                                                        "\x9F"
                                                        "0001"}});
    std::memcpy(first.data() + def.layout.field("DATUM")->offset, &date, 4);
    const fs::path path = dir_ / "VRK" / "Skpromet.DAT";
    ASSERT_EQ(rt::WriteFlatFile(path.string(), def.layout, {first, second}), rt::kNoError);
    const std::string before = read_raw(path);

    kvadrin::INSKPRecord& rec = kvadrin::INSKP;
    rt::File file(def, &rec);
    const std::string name = (dir_ / "VRK" / "Skpromet").string();
    file.BindName([name] { return name; });
    ASSERT_EQ(file.Open(rt::kReadWrite | rt::kDenyNone), rt::kNoError);
    EXPECT_EQ(file.Records(), 2);

    ASSERT_EQ(file.SetPhysical(), rt::kNoError);
    ASSERT_EQ(file.Next(), rt::kNoError);
    EXPECT_EQ(rec.KONTO.SINTETIKA.str(), "204");
    EXPECT_EQ(rec.KONTO.ANALITIKA.str(),
              "\xE8"
              "0002");  // converted once, as a member
    EXPECT_EQ(clipped(rec.OPIS), "Ra\xE8un");
    EXPECT_EQ(rec.DATUM.get(), date);
    EXPECT_EQ(rec.LASTUSER.get(), 0);
    EXPECT_EQ(file.Put(), rt::kAccessDenied);  // only read
    EXPECT_EQ(file.Delete(), rt::kAccessDenied);
    EXPECT_EQ(file.Add(), rt::kAccessDenied);
    ASSERT_EQ(file.Next(), rt::kNoError);
    EXPECT_EQ(rec.KONTO.ANALITIKA.str(),
              "\xE8"
              "0001");
    EXPECT_EQ(file.Next(), rt::kRecordNotAvailable);

    // The account group is one key component: 204/č0001 before 204/č0002.
    ASSERT_EQ(file.Set(def.layout.key_index("INSKP:PO_KONTU_GR")), rt::kNoError);
    ASSERT_EQ(file.Next(), rt::kNoError);
    EXPECT_EQ(rec.KONTO.ANALITIKA.str(),
              "\xE8"
              "0001");
    file.Close();
    EXPECT_EQ(file.Create(), rt::kAccessDenied);
    EXPECT_EQ(file.Remove(), rt::kAccessDenied);
    EXPECT_EQ(read_raw(path), before);

    // Missing old files are not created.
    const std::string missing = (dir_ / "VRK" / "Nalozis").string();
    file.BindName([missing] { return missing; });
    EXPECT_EQ(file.Open(rt::kReadWrite | rt::kDenyNone), rt::kFileNotFound);
    EXPECT_FALSE(fs::exists(dir_ / "VRK" / "Nalozis.DAT"));
}

}  // namespace
