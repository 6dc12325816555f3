#include "platform/core/errors.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

using rt::ErrorManager;
using rt::Msg;

namespace {

// Installs a shower that records what it is given and answers `answer`.
class RecordingShower {
public:
    explicit RecordingShower(int answer = 1) : answer_(answer) {
        ErrorManager::SetShower([this](const rt::ShownMessage& m) {
            shown.push_back(m);
            return answer_;
        });
    }
    ~RecordingShower() { ErrorManager::SetShower({}); }
    void answer(int a) { answer_ = a; }
    std::vector<rt::ShownMessage> shown;

private:
    int answer_;
};

}  // namespace

TEST(ErrorManager, QuotedMessagesReadExactly) {
    ErrorManager errors;
    errors.Init();
    const struct {
        Msg number;
        const char* field;
        const char* file;
        const char* message_text;
        const char* title;
        const char* text;
    } cases[] = {
        {Msg::FieldNotInFile, "CEN:Sifra", "", "OBAVEZE", "Field contents error",
         "The value of CEN:Sifra must be found in the OBAVEZE file."},
        {Msg::ProcedureNotDefined, "", "", "IspisObaveza", "Procedure not defined",
         "The Procedure IspisObaveza has not been defined."},
        {Msg::RestrictUpdate, "", "SFAKT", "", "Referential Integrity Update Error",
         "This record is referenced from the file SFAKT. Linking field(s) have been restricted "
         "from change and have been reset to original values."},
        {Msg::RestrictDelete, "", "CENE", "", "Referential Integrity Delete Error",
         "This record is referenced from the file CENE. This record cannot be deleted while these "
         "references exist."},
        {Msg::ConfirmDelete, "", "", "", "Confirm Delete",
         "Are you sure you want to delete the highlighted record?"},
        {Msg::ConfirmCancel, "", "", "", "Changes will be lost!", "Are you sure you want to cancel?"},
    };
    for (const auto& c : cases) {
        errors.SetFieldLabel(c.field);
        errors.SetFile(c.file);
        EXPECT_EQ(errors.Title(c.number, c.message_text), c.title);
        EXPECT_EQ(errors.Message(c.number, c.message_text), c.text);
    }
    EXPECT_EQ(static_cast<int>(Msg::FieldNotInFile), 18);
    EXPECT_EQ(static_cast<int>(Msg::ProcedureNotDefined), 30);
}

TEST(ErrorManager, TableIsWellFormedAndEveryPlaceholderIsFilled) {
    const std::set<std::string> known = {"%File",      "%Field",     "%Message", "%Key",
                                         "%ErrorCode", "%ErrorText", "%Error",   "%Procedure"};
    std::set<int> numbers;
    ErrorManager errors;
    errors.SetFieldLabel("OBR:OBRACUN");
    errors.SetFile("KVADRIN");
    errors.SetKey("KVD:Po_broju");
    errors.SetErrors("35", "Record Not Found");
    for (const rt::MessageEntry& e : ErrorManager::Table()) {
        const int n = static_cast<int>(e.number);
        EXPECT_TRUE(numbers.insert(n).second) << "number used twice: " << n;
        ASSERT_NE(e.title, nullptr);
        ASSERT_NE(e.text, nullptr);
        EXPECT_NE(std::string(e.title), "") << n;
        EXPECT_NE(std::string(e.text), "") << n;
        for (const std::string& s : {std::string(e.title), std::string(e.text)}) {
            for (std::size_t i = s.find('%'); i != std::string::npos; i = s.find('%', i + 1)) {
                std::size_t j = i + 1;
                while (j < s.size() && std::isalpha(static_cast<unsigned char>(s[j]))) ++j;
                EXPECT_TRUE(known.count(s.substr(i, j - i))) << n << ": " << s.substr(i, j - i);
            }
        }
        const std::string text = errors.Message(e.number, "1 to 99");
        EXPECT_EQ(text.find('%'), std::string::npos) << n << ": " << text;
    }
    EXPECT_TRUE(numbers.count(18));
    EXPECT_TRUE(numbers.count(30));
}

TEST(ErrorManager, RecordErrorsNameFileKeyAndDriverError) {
    ErrorManager errors;
    errors.SetFile("KVADRIN   ");  // blank-padded names are clipped
    errors.SetKey("KVD:Po_broju");
    errors.SetErrors("2", "File Not Found");
    EXPECT_EQ(errors.Message(Msg::DuplicateKeyAdd),
              "Adding this record creates a duplicate entry for the key KVD:Po_broju in the file "
              "KVADRIN.");
    EXPECT_EQ(errors.Message(Msg::FileNotFound),
              "The file KVADRIN could not be found. Error: File Not Found (2).");
    EXPECT_EQ(errors.Message(Msg::FileOpenError),
              "The file KVADRIN could not be opened. Error: File Not Found (2).");

    // Substituted texts are not expanded again; unknown placeholders stay as written.
    errors.SetFieldLabel("%File");
    errors.PushProcedureName("BrowseKvadrin");
    EXPECT_EQ(errors.Format("%Field in %File by %Procedure: %Error, %Unknown, 100%", "x"),
              "%File in KVADRIN by BrowseKvadrin: File Not Found (2), %Unknown, 100%");
    errors.SetErrors("", "Disk full");
    EXPECT_EQ(errors.Format("[%Error]"), "[Disk full]");
}

TEST(ErrorManager, WorkingTextsArePerThread) {
    ErrorManager errors;
    errors.SetFieldLabel("CEN:Obracun");
    errors.SetFile("CENE");
    std::string other_fresh, other_own;
    std::thread t([&] {
        other_fresh = errors.Format("[%Field|%File]");
        errors.SetFieldLabel("SFA:Obracun");
        errors.SetFile("SFAKT");
        other_own = errors.Format("[%Field|%File]");
    });
    t.join();
    EXPECT_EQ(other_fresh, "[|]");
    EXPECT_EQ(other_own, "[SFA:Obracun|SFAKT]");
    EXPECT_EQ(errors.Format("[%Field|%File]"), "[CEN:Obracun|CENE]");

    // Two error managers keep separate texts on the same thread.
    ErrorManager second;
    EXPECT_EQ(second.Format("[%Field]"), "[]");
}

TEST(ErrorManager, ProcedureListKeepsEachThreadsEntries) {
    ErrorManager errors;
    errors.Init();
    errors.PushProcedureName("Glavni");
    errors.PushProcedureName("Main");

    std::mutex m;
    std::condition_variable cv;
    int step = 0;
    auto wait_for = [&](int s) {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return step >= s; });
    };
    auto go = [&](int s) {
        {
            std::lock_guard lock(m);
            step = s;
        }
        cv.notify_all();
    };
    std::vector<std::string> seen;  // written by the other thread only
    std::thread t([&] {
        seen.push_back(errors.CurrentProcedure());  // nothing of the main thread's
        errors.PushProcedureName("BrowseKvadrin");
        errors.PushProcedureName("UpdateKVADRIN");
        go(1);
        wait_for(2);
        seen.push_back(errors.CurrentProcedure());
        errors.PushProcedureName();
        seen.push_back(errors.CurrentProcedure());
        errors.PushProcedureName();
        errors.PushProcedureName();  // nothing left of its own: the main thread's stay
        seen.push_back(errors.CurrentProcedure());
        go(3);
    });
    wait_for(1);
    EXPECT_EQ(errors.CurrentProcedure(), "Main");
    errors.PushProcedureName();  // removes the main thread's last, not the other thread's
    EXPECT_EQ(errors.CurrentProcedure(), "Glavni");
    go(2);
    wait_for(3);
    t.join();
    EXPECT_EQ(seen, (std::vector<std::string>{"", "UpdateKVADRIN", "BrowseKvadrin", ""}));
    EXPECT_EQ(errors.CurrentProcedure(), "Glavni");
    errors.PushProcedureName();
    EXPECT_EQ(errors.CurrentProcedure(), "");
}

TEST(ErrorManager, ProcedureListUnderConcurrentPushAndPop) {
    ErrorManager errors;
    std::atomic<int> wrong{0};
    auto run = [&](const std::string& prefix) {
        for (int i = 0; i < 2000; ++i) {
            const std::string outer = prefix + std::to_string(i);
            errors.PushProcedureName(outer);
            errors.PushProcedureName(outer + "_form");
            if (errors.CurrentProcedure() != outer + "_form") ++wrong;
            errors.PushProcedureName();
            if (errors.CurrentProcedure() != outer) ++wrong;
            errors.PushProcedureName();
            if (!errors.CurrentProcedure().empty()) ++wrong;
        }
    };
    std::thread a(run, "A"), b(run, "B");
    a.join();
    b.join();
    EXPECT_EQ(wrong, 0);
}

TEST(ErrorManager, RaiseMessageReturnsTheLevelAndShowsTheFormattedMessage) {
    ErrorManager errors;
    errors.SetFieldLabel("CEN:Sifra");
    errors.SetFile("CENE");
    RecordingShower shower;
    const struct {
        Msg number;
        int answer;
        int level;
        rt::MsgKind kind;
        const char* buttons;
        int default_button;
    } cases[] = {
        {Msg::FieldNotInFile, 1, rt::Level::User, rt::MsgKind::User, "OK", 1},
        {Msg::ProcedureNotDefined, 1, rt::Level::Benign, rt::MsgKind::Notify, "OK", 1},
        {Msg::RestrictDelete, 1, rt::Level::User, rt::MsgKind::User, "OK", 1},
        {Msg::FileOpenError, 1, rt::Level::Fatal, rt::MsgKind::Fatal, "OK", 1},
        {Msg::ConfirmDelete, 1, rt::Level::Benign, rt::MsgKind::Question, "Yes|No", 2},
        {Msg::ConfirmDelete, 2, rt::Level::Cancel, rt::MsgKind::Question, "Yes|No", 2},
        {Msg::ConfirmCancel, 2, rt::Level::Cancel, rt::MsgKind::Question, "Yes|No", 2},
    };
    for (const auto& c : cases) {
        shower.shown.clear();
        shower.answer(c.answer);
        EXPECT_EQ(errors.RaiseMessage(c.number, "OBAVEZE"), c.level) << static_cast<int>(c.number);
        ASSERT_EQ(shower.shown.size(), 1u);
        const rt::ShownMessage& m = shower.shown[0];
        EXPECT_EQ(m.number, c.number);
        EXPECT_EQ(m.kind, c.kind);
        EXPECT_EQ(m.title, errors.Title(c.number, "OBAVEZE"));
        EXPECT_EQ(m.text, errors.Message(c.number, "OBAVEZE"));
        EXPECT_EQ(m.buttons, c.buttons);
        EXPECT_EQ(m.default_button, c.default_button);
    }
    shower.shown.clear();
    EXPECT_EQ(errors.RaiseMessage(Msg::FieldNotInFile, "OBAVEZE"), rt::Level::User);
    EXPECT_EQ(shower.shown.at(0).text, "The value of CEN:Sifra must be found in the OBAVEZE file.");
}

TEST(ErrorManager, WithoutShowerWritesToStderrAndTakesTheDefault) {
    ErrorManager errors;
    ErrorManager::SetShower({});
    ::testing::internal::CaptureStderr();
    const int question = errors.RaiseMessage(Msg::ConfirmDelete);
    const int notice = errors.RaiseMessage(Msg::ProcedureNotDefined, "IspisObaveza");
    const std::string out = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(question, rt::Level::Cancel);  // default No: nothing is deleted unasked
    EXPECT_EQ(notice, rt::Level::Benign);
    EXPECT_NE(out.find("Confirm Delete"), std::string::npos) << out;
    EXPECT_NE(out.find("Are you sure you want to delete the highlighted record?"), std::string::npos);
    EXPECT_NE(out.find("The Procedure IspisObaveza has not been defined."), std::string::npos);
}
