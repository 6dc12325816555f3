// The program's start-up, as its entry runs it: the framework's messages and questions are
// shown on the screen and answered by the user.
#include <atomic>

#include "data/program_objects.h"
#include "tests/driver/gui_fixture.h"

namespace kvtest {
namespace {

struct RaisedCase {
    rt::Msg number;
    const char* message_text;  // for %Message
    const char* title;
    const char* text;
    const char* click;
    int level;
};

TEST_F(GuiTest, TheStartUpShowsTheFrameworksMessagesAndAsksTheUser) {
    const RaisedCase cases[] = {
        {rt::Msg::ConfirmDelete, "", "Confirm Delete",
         "Are you sure you want to delete the highlighted record?", "Yes", rt::Level::Benign},
        {rt::Msg::ConfirmCancel, "", "Changes will be lost!", "Are you sure you want to cancel?", "No",
         rt::Level::Cancel},
        {rt::Msg::ProcedureNotDefined, "IspisObaveza", "Procedure not defined",
         "The Procedure IspisObaveza has not been defined.", "OK", rt::Level::Benign},
    };
    if (!kvadrin::MainModuleReady()) kvadrin::MainModuleInit();
    for (const RaisedCase& c : cases) {
        std::atomic<int> level{-1};
        driver.Start([&] { level = kvadrin::ProgramErrors.RaiseMessage(c.number, c.message_text); });
        EXPECT_EQ(MessageTitle(), c.title);
        EXPECT_EQ(driver.Answer(c.click), c.text);
        driver.WaitForThreads();
        EXPECT_EQ(level, c.level) << c.title;
    }
}

}  // namespace
}  // namespace kvtest
