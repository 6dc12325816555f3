// Access and relation objects over two small tables: a parent (OWN, keyed by its code)
// and a child (ITM, whose items refer to an owner's code), on the embedded SQL store and
// on the in-memory store (which can also refuse to open or create a table).
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#include "platform/core/errors.h"
#include "platform/files/manager.h"
#include "platform/files/relation.h"
#include "platform/files/sql/connection.h"
#include "tests/files/test_manager_store.h"

namespace {

struct OwnRec {
    rt::CString<6> CODE;
    rt::CString<21> NAME;
};
struct ItmRec {
    rt::Long ID;
    rt::CString<4> CODE;  // narrower than the owner's code
    rt::Short N;
};

const char* const kOwner = "(localdb)\\test,MGR,,;TrustedConnection=True";

rt::TableDef own_def() {
    rt::TableDef d;
    d.name = "OWN";
    d.owner = kOwner;
    d.create = false;  // only the access object creates it
    d.layout.prefix = "OWN";
    d.layout.record_size = sizeof(OwnRec);
    d.layout.fields = {rt::field_for<decltype(OwnRec::CODE)>("OWN:CODE", offsetof(OwnRec, CODE)),
                       rt::field_for<decltype(OwnRec::NAME)>("OWN:NAME", offsetof(OwnRec, NAME))};
    d.layout.keys = {rt::make_key(d.layout, "OWN:BY_CODE", {"CODE"}, rt::kKeyPrimary | rt::kKeyNoCase)};
    return d;
}

rt::TableDef itm_def() {
    rt::TableDef d;
    d.name = "ITM";
    d.owner = kOwner;
    d.create = false;
    d.layout.prefix = "ITM";
    d.layout.record_size = sizeof(ItmRec);
    d.layout.fields = {rt::field_for<decltype(ItmRec::ID)>("ITM:ID", offsetof(ItmRec, ID)),
                       rt::field_for<decltype(ItmRec::CODE)>("ITM:CODE", offsetof(ItmRec, CODE)),
                       rt::field_for<decltype(ItmRec::N)>("ITM:N", offsetof(ItmRec, N))};
    d.layout.keys = {rt::make_key(d.layout, "ITM:BY_ID", {"ID"}, rt::kKeyPrimary),
                     rt::make_key(d.layout, "ITM:BY_CODE", {"CODE", "N"}, rt::kKeyDup | rt::kKeyNoCase)};
    return d;
}

// An owner's name may not be "bad".
class OwnManager : public rt::FileManager {
public:
    int CheckField(int field, bool report) override {
        if (field != 2 || rt::clip(static_cast<OwnRec*>(BUFFER)->NAME.view()) != "bad") return 0;
        ERRORS->SetFieldLabel("OWN:NAME");
        return report ? ERRORS->RaiseMessage(rt::Msg::FieldNotInList, "good") : rt::Level::User;
    }
};

class OwnRelations : public rt::RelationManager {
public:
    rt::RelationManager* child = nullptr;
    int hooks = 0;
    void AddRelationsHook() override {
        ++hooks;
        AddRelation(*child, rt::kRelationRestrict, rt::kRelationRestrict, 1, {{"OWN:CODE", "ITM:CODE"}});
    }
};

enum class Store { Embedded, Memory };

class Manager : public ::testing::TestWithParam<Store> {
protected:
    void SetUp() override {
        kvtest::MemoryStore::Get().Reset();
        if (GetParam() == Store::Memory) {
            kvtest::InstallMemoryDriver();
        } else {
            std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
            for (char& c : name)
                if (c == '/') c = '_';
            folder_ =
                std::filesystem::temp_directory_path() /
                ("kvadrin-mgr-" +
                 std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" + name);
            std::filesystem::remove_all(folder_);
            std::filesystem::create_directories(folder_);
            ::setenv("KVADRIN_LOCALDB", folder_.c_str(), 1);
            ASSERT_TRUE(rt::sql::CreateEmbeddedDatabase(kOwner)) << rt::FileError();
        }
        rt::ErrorManager::SetShower([this](const rt::ShownMessage& m) {
            shown.push_back(m);
            return answer;
        });
        errors.Init();
        own.Setup();
        own.Init(own_file, errors);
        own.CREATE = 1;
        own.AddKey("OWN:BY_CODE");
        itm.Setup();
        itm.Init(itm_file, errors);
        itm.CREATE = 1;
        itm.AddKey("ITM:BY_ID");
        itm.AddKey("ITM:BY_CODE");
        own_rel.Init(own, true);
        itm_rel.Init(itm, true);
        own_rel.child = &itm_rel;
    }
    void TearDown() override {
        own_rel.Teardown();
        itm_rel.Teardown();
        own.Teardown();
        itm.Teardown();
        rt::ErrorManager::SetShower({});
        rt::RegisterDriver(rt::Driver::Sql, {});
        rt::sql::CloseThreadConnections();
        if (!folder_.empty()) std::filesystem::remove_all(folder_);
    }
    // What the table holds, read through a structure of its own: -1 when it is missing.
    long rows(const rt::TableDef& d) {
        std::vector<unsigned char> rec(d.layout.record_size);
        rt::File f(d, rec.data());
        if (f.Open(rt::kReadOnly | rt::kDenyNone) != 0) return -1;
        return f.Records();
    }
    void add_owner(const char* code, const char* name = "x") {
        own_buf.CODE = code;
        own_buf.NAME = name;
        ASSERT_EQ(own.TryInsert(), 0) << code;
    }
    void add_item(int id, const char* code, int n = 0) {
        itm_buf.ID = id;
        itm_buf.CODE = code;
        itm_buf.N = static_cast<std::int16_t>(n);
        ASSERT_EQ(itm.TryInsert(), 0) << id;
    }
    std::string last_text() const {
        return shown.empty() ? "" : shown.back().title + " / " + shown.back().text;
    }

    rt::ErrorManager errors;
    std::vector<rt::ShownMessage> shown;
    int answer = 1;
    rt::TableDef own_d = own_def(), itm_d = itm_def();
    OwnRec own_buf;
    ItmRec itm_buf;
    rt::File own_file{own_d, &own_buf}, itm_file{itm_d, &itm_buf};
    OwnManager own;
    rt::FileManager itm;
    OwnRelations own_rel;
    rt::RelationManager itm_rel;
    std::filesystem::path folder_;
};

// Refusals that only the in-memory store can be made to give.
class ManagerFaults : public Manager {};

TEST_P(Manager, OpensLazilyOnceCreatesWhenMissingAndClosesWithTheLastUser) {
    EXPECT_EQ(own.LAZYOPEN, 1);
    ASSERT_EQ(own.Open(), 0);
    ASSERT_EQ(own.Open(), 0);  // an inner user
    EXPECT_EQ(own.OPENED, 2);
    EXPECT_FALSE(own_file.IsOpen()) << "the open waits for the first use";
    EXPECT_EQ(rows(own_d), -1);

    add_owner("A1");
    EXPECT_TRUE(own_file.IsOpen());
    EXPECT_EQ(rows(own_d), 1) << "created when missing";
    EXPECT_EQ(own.TryInsert(), rt::Level::User) << "with its unique key";

    EXPECT_EQ(own.Close(), 0);
    EXPECT_TRUE(own_file.IsOpen()) << "the outer user still has it";
    EXPECT_EQ(own.Close(), 0);
    EXPECT_FALSE(own_file.IsOpen());
    EXPECT_EQ(own.Close(), 0) << "an extra close does nothing";
    EXPECT_EQ(own.OPENED, 0);
    EXPECT_TRUE(shown.empty());
}

TEST_P(ManagerFaults, OpenFailuresAreReportedWithTheFileAndTheError) {
    struct Case {
        bool create;
        int fail_open, fail_create;
        const char* expected;
    };
    const Case cases[] = {
        {false, 0, 0, "File Access Error / The file OWN could not be found. Error: File Not Found (2)."},
        {true, 0, rt::kAccessDenied,
         "File Creation Error / The file OWN could not be created. Error: Access Denied (5)."},
        {true, rt::kAccessDenied, 0,
         "File Access Error / The file OWN could not be opened. Error: Access Denied (5)."},
    };
    for (const Case& c : cases) {
        auto& store = kvtest::MemoryStore::Get();
        store.Reset();
        if (c.fail_open) store.fail_open["OWN"] = c.fail_open;
        if (c.fail_create) store.fail_create["OWN"] = c.fail_create;
        own.CREATE = c.create;
        shown.clear();
        ASSERT_EQ(own.Open(), 0);
        EXPECT_EQ(own.Next(), rt::Level::Fatal);
        EXPECT_EQ(last_text(), c.expected);
        EXPECT_EQ(own.TryNext(), rt::Level::Fatal) << "quiet: the same level";
        EXPECT_EQ(shown.size(), 1u) << "and no message";
        own.Close();
    }
}

TEST_P(Manager, RecordErrorsAreReportedOnlyByTheReportingForms) {
    ASSERT_EQ(own.Open(), 0);
    add_owner("A1", "first");

    own_buf.NAME = "again";
    EXPECT_EQ(own.TryInsert(), rt::Level::User);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(own.Insert(), rt::Level::User);
    EXPECT_EQ(last_text(),
              "Duplicate Key Error / Adding this record creates a duplicate entry for the key "
              "OWN:BY_CODE in the file OWN.");
    EXPECT_EQ(rows(own_d), 1);

    own_buf.CODE = "zz";
    EXPECT_EQ(own.GetByKeyQuiet(0), rt::Level::User);
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(own.GetByKey(0), rt::Level::User);
    EXPECT_EQ(last_text(), "Record Not Found / The record was not found in the file OWN.");

    // Fetch reads quietly and clears the record when nothing matches.
    own_buf.CODE = "a1";
    ASSERT_EQ(own.Fetch(0), 0);
    EXPECT_EQ(own_buf.NAME.str(), "first");
    own_buf.CODE = "zz";
    EXPECT_NE(own.Fetch(0), 0);
    EXPECT_TRUE(own_buf.CODE.empty());
    EXPECT_TRUE(own_buf.NAME.empty());
    EXPECT_EQ(shown.size(), 2u);

    // Reading past the end is no error to show.
    ASSERT_EQ(own_file.Set(0), 0);
    EXPECT_EQ(own.Next(), 0);
    EXPECT_EQ(own.Next(), rt::Level::User);
    EXPECT_EQ(rt::ErrorCode(), rt::kRecordNotAvailable);
    EXPECT_EQ(shown.size(), 2u);
    own.Close();
}

TEST_P(Manager, InsertAndUpdateValidateEveryFieldFirst) {
    ASSERT_EQ(own.Open(), 0);
    own_buf.CODE = "B1";
    own_buf.NAME = "bad";
    EXPECT_EQ(own.TryInsert(), rt::Level::User);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(own.Insert(), rt::Level::User);
    EXPECT_EQ(last_text(), "Field contents error / The value of OWN:NAME must be one of good.");
    EXPECT_EQ(rows(own_d), 0);

    add_owner("B1", "fine");
    own_buf.NAME = "bad";
    EXPECT_EQ(own.Update(), rt::Level::User);
    own_buf.CODE = "B1";
    ASSERT_EQ(own.GetByKeyQuiet(0), 0);
    EXPECT_EQ(own_buf.NAME.str(), "fine") << "nothing was written";
    own.Close();
}

TEST_P(Manager, RecordCopiesPutTheBufferBackOnce) {
    own_buf.CODE = "K1";
    const std::uint16_t a = own.SaveRecordCopy();
    own_buf.CODE = "K2";
    const std::uint16_t b = own.SaveRecordCopy();
    EXPECT_NE(a, 0);
    EXPECT_NE(b, 0);
    EXPECT_NE(a, b);
    EXPECT_TRUE(own.EqualBuffer(b));
    EXPECT_FALSE(own.EqualBuffer(a));

    own.RestoreRecordCopy(a);
    EXPECT_EQ(own_buf.CODE.str(), "K1");
    own_buf.CODE = "K3";
    own.RestoreRecordCopy(a);  // released: nothing happens
    EXPECT_EQ(own_buf.CODE.str(), "K3");
    own.ReleaseRecordCopy(b);
    EXPECT_FALSE(own.EqualBuffer(b));

    // PrimeRecord clears unless told the caller has filled the record already.
    own.PrimeRecord(true);
    EXPECT_EQ(own_buf.CODE.str(), "K3");
    own.PrimeRecord();
    EXPECT_TRUE(own_buf.CODE.empty());
}

TEST_P(Manager, UseToOpenOpensAnUnopenedTableUntilTheTeardown) {
    EXPECT_EQ(own.UseTable(rt::kUseOpen), 0);
    EXPECT_TRUE(own_file.IsOpen());
    EXPECT_EQ(own.OPENED, 1);
    ASSERT_EQ(own.Open(), 0);  // a procedure's own use nests inside
    own.Close();
    EXPECT_TRUE(own_file.IsOpen());
    own.Teardown();
    EXPECT_FALSE(own_file.IsOpen());
}

TEST_P(Manager, RestrictRefusesDeletingAParentWithChildren) {
    ASSERT_EQ(own_rel.Open(), 0);
    ASSERT_EQ(itm.Open(), 0);
    add_owner("A1");
    add_owner("B2");
    add_owner("LONG5");     // longer than an item's code: its items hold "LON"
    add_owner("XLONG");     // held by an item as "XLO"
    add_item(1, "a1", -5);  // the children are found whatever their other key values
    add_item(2, "LON");

    own_buf.CODE = "A1";
    ASSERT_EQ(own.GetByKeyQuiet(0), 0);
    itm_buf.ID = 77;  // the child's buffer is not touched by the check
    EXPECT_EQ(own_rel.Delete(), rt::Level::User);
    EXPECT_EQ(last_text(),
              "Referential Integrity Delete Error / This record is referenced from the file ITM. "
              "This record cannot be deleted while these references exist.");
    EXPECT_EQ(rows(own_d), 4);
    EXPECT_EQ(itm_buf.ID, 77);
    own_buf.CODE = "LONG5";
    ASSERT_EQ(own.GetByKeyQuiet(0), 0);
    EXPECT_EQ(own_rel.Delete(), rt::Level::User);

    for (const char* free_owner : {"B2", "XLONG"}) {
        shown.clear();
        own_buf.CODE = free_owner;
        ASSERT_EQ(own.GetByKeyQuiet(0), 0);
        EXPECT_EQ(own_rel.Delete(), 0) << free_owner;
        EXPECT_TRUE(shown.empty()) << free_owner;
    }
    EXPECT_EQ(rows(own_d), 2);
    EXPECT_EQ(own_rel.hooks, 1) << "relations are defined once";
    itm.Close();
    own_rel.Close();
}

TEST_P(Manager, DeleteAsksFirstWhenToldTo) {
    ASSERT_EQ(own_rel.Open(), 0);
    add_owner("Q1");
    answer = 2;  // No
    EXPECT_EQ(own_rel.Delete(true), rt::Level::Cancel);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, "Confirm Delete");
    EXPECT_EQ(shown[0].text, "Are you sure you want to delete the highlighted record?");
    EXPECT_EQ(rows(own_d), 1);
    answer = 1;  // Yes
    EXPECT_EQ(own_rel.Delete(true), 0);
    EXPECT_EQ(rows(own_d), 0);
    own_rel.Close();
}

TEST_P(Manager, RestrictResetsAChangedLinkOfAParentWithChildren) {
    ASSERT_EQ(own_rel.Open(), 0);
    ASSERT_EQ(itm.Open(), 0);
    add_owner("A1", "old");
    add_owner("B2", "old");
    add_item(1, "A1");

    own_buf.CODE = "A1";
    ASSERT_EQ(own.GetByKeyQuiet(0), 0);
    own_buf.CODE = "A9";
    own_buf.NAME = "new";
    EXPECT_EQ(own_rel.Update(), rt::Level::User);
    EXPECT_EQ(last_text(),
              "Referential Integrity Update Error / This record is referenced from the file ITM. "
              "Linking field(s) have been restricted from change and have been reset to original "
              "values.");
    EXPECT_EQ(own_buf.CODE.str(), "A1");
    EXPECT_EQ(own_buf.NAME.str(), "new") << "only the linking field is reset";
    own_buf.CODE = "A9";
    EXPECT_NE(own.GetByKeyQuiet(0), 0) << "nothing was written";

    // Saving again writes the record with its old link; other changes need no check.
    shown.clear();
    own_buf.CODE = "A1";
    ASSERT_EQ(own.GetByKeyQuiet(0), 0);
    own_buf.NAME = "new";
    EXPECT_EQ(own_rel.Update(), 0);
    // A parent without children may change its link.
    own_buf.CODE = "B2";
    ASSERT_EQ(own.GetByKeyQuiet(0), 0);
    own_buf.CODE = "B3";
    EXPECT_EQ(own_rel.Update(), 0);
    EXPECT_TRUE(shown.empty());
    own_buf.CODE = "B3";
    EXPECT_EQ(own.GetByKeyQuiet(0), 0);
    itm.Close();
    own_rel.Close();
}

TEST_P(Manager, CascadeOpensAndClosesTheRelatedTablesWithTheTable) {
    own_rel.SetCascadeOpen();
    ASSERT_EQ(own_rel.Open(), 0);
    EXPECT_EQ(itm.OPENED, 1);
    own_rel.SetCascadeOpen(false);
    ASSERT_EQ(own_rel.Open(), 0);  // an inner user without the related tables
    EXPECT_EQ(itm.OPENED, 1);
    own_rel.Close();
    EXPECT_EQ(itm.OPENED, 1);
    own_rel.Close();  // the outer, cascading open: closes what it opened
    EXPECT_EQ(itm.OPENED, 0);
    EXPECT_EQ(own.OPENED, 0);
}

INSTANTIATE_TEST_SUITE_P(Stores, Manager, ::testing::Values(Store::Embedded, Store::Memory),
                         [](const auto& p) { return p.param == Store::Embedded ? "Embedded" : "Memory"; });
INSTANTIATE_TEST_SUITE_P(Stores, ManagerFaults, ::testing::Values(Store::Memory),
                         [](const auto&) { return "Memory"; });

}  // namespace
