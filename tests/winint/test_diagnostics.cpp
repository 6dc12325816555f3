// Debug output, error texts, the stack balance check and the system services.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <thread>

#include "platform/core/process.h"
#include "platform/core/sysinfo.h"
#include "platform/core/text.h"
#include "tests/ui/fake_backend.h"
#include "tests/winint/winint_fixture.h"
#include "winint/debug.h"
#include "winint/errors.h"
#include "winint/services.h"
#include "winint/stack.h"

// Two calls of the register trampoline from one place; the second is made with RBX and R15
// changed when `dirty` is set. The registers are put back before returning.
extern "C" void kvtest_stack_pair(void (*call)(rt::sys::RegisterFn), rt::sys::RegisterFn save,
                                  rt::sys::RegisterFn test, int dirty);
#if defined(__x86_64__)
asm(R"(
    .text
    .p2align 4
    .globl kvtest_stack_pair
    .type kvtest_stack_pair, @function
kvtest_stack_pair:
    pushq %rbx
    pushq %r12
    pushq %r13
    pushq %r14
    pushq %r15
    movq %rdi, %r12
    movq %rsi, %r13
    movq %rdx, %r14
    pushq %rcx
    subq $8, %rsp
    movq %r13, %rdi
    callq *%r12
    movq 8(%rsp), %rcx
    testq %rcx, %rcx
    je 1f
    movq $0x1234ABCD, %rbx
    movq $0x0BADF00D, %r15
1:
    movq %r14, %rdi
    callq *%r12
    addq $16, %rsp
    popq %r15
    popq %r14
    popq %r13
    popq %r12
    popq %rbx
    retq
    .size kvtest_stack_pair, .-kvtest_stack_pair
)");
#endif

namespace {

using kvtest::WinIntTest;
using Diagnostics = WinIntTest;

TEST_F(Diagnostics, FileLinesCarryTheTimeAndHundredthsAndArriveWhole) {
    WlDebugWrite("prvi red   ");
    const std::string big(2500 - 15, 'x');  // with its stamp and line end about 2,500 bytes
    WlDebugWrite(big);
    const std::string all = Log();
    std::smatch m;
    ASSERT_TRUE(std::regex_search(all, m, std::regex(R"(^\d\d:\d\d:\d\d:\d{1,2} prvi red\r\n)")));
    const std::string rest = all.substr(static_cast<std::size_t>(m.length(0)));
    ASSERT_TRUE(std::regex_match(rest, std::regex(R"(\d\d:\d\d:\d\d:\d{1,2} x+\r\n)")));
    EXPECT_NE(rest.find(big + "\r\n"), std::string::npos);
}

TEST_F(Diagnostics, WithoutAFileOrWithAnUnopenableOneLinesGoToTheDebuggerOutput) {
    for (const std::string& file : {std::string(), (dir_ / "nema" / "x.log").string()}) {
        rt::sys::SetCommandLine(file.empty() ? std::vector<std::string>{}
                                             : std::vector<std::string>{"DebugOutputFile=" + file});
        WlDebugRestart();
        testing::internal::CaptureStderr();
        WlDebugWrite("na izlaz");
        WlDebugWrite("opet");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "na izlaz\r\nopet\r\n") << file;
        EXPECT_FALSE(std::filesystem::exists(file));
    }
}

// The debug file named on the command line (in UTF-8, as the system passes it) in a folder
// named with Serbian letters is written under that name.
TEST_F(Diagnostics, ADebugFileInAFolderNamedWithSerbianLettersIsWrittenByItsNameOnDisk) {
    const std::filesystem::path folder = dir_ / "dnevnik Čačak";
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / "Šabac đak.log";
    rt::sys::SetCommandLine({"DebugOutputFile=" + file.string()});
    WlDebugRestart();
    WlDebugWrite("red u dnevniku");
    WlDebugRestart();
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("red u dnevniku\r\n"), std::string::npos) << text;
    EXPECT_EQ(WlCommandValue("DebugOutputFile"), rt::utf8_to_cp1250(file.string()));
}

TEST_F(Diagnostics, SwitchesAreWholeParametersInAnyCase) {
    rt::sys::SetCommandLine({"/DEBUG", "/debug1", "debugoutputfile=a.log"});
    EXPECT_TRUE(WlSwitch("/debug"));
    EXPECT_FALSE(WlSwitch("/debugWlAlert"));
    EXPECT_EQ(WlCommandValue("DebugOutputFile"), "a.log");
    rt::sys::SetCommandLine({"/debug1"});
    EXPECT_FALSE(WlSwitch("/debug"));
}

TEST_F(Diagnostics, TheMessageNameTable) {
    wl_BuildWMQ();
    const std::vector<MessageName> q = MessageNameQueue();
    EXPECT_EQ(q.size(), 183u);
    EXPECT_TRUE(std::is_sorted(
        q.begin(), q.end(), [](const MessageName& a, const MessageName& b) { return a.number < b.number; }));
    EXPECT_EQ(WlMessageName(80), "WE::WM_INPUTLANGCHANGEREQ");
    EXPECT_EQ(std::count_if(q.begin(), q.end(), [](const MessageName& m) { return m.number == 256; }), 2);
    EXPECT_EQ(WlMessageName(0x20A), "WE::WM_MOUSEWHEEL");
    EXPECT_EQ(WlMessageName(0x39F), "WE::WM_COALESCE_LAST");
    EXPECT_FALSE(WlMessageName(4).has_value());
}

TEST_F(Diagnostics, ErrorTextsAndTheirDebugEntries) {
    struct Case {
        std::int32_t code;
        const char* detail;
        const char* text;
    } cases[] = {
        {kWlErrAddAlerts, "neuspeh", "AddAlerts error, neuspeh, Op"},
        {kWlErrCloseHandle, "", "CloseHandle error, , Op"},
        {kWlErrAccept, "d", "WlAccept error, d, Op"},
        {kWlErrLoadDllProc, "d", "wl_loadDLLProc error, d, Op"},
        {kWlErrGetReg, "d", "wl_GetReg error, d, Op"},
        {kWlErrVisibleOnDesktop, "d", "wl_VisibleOnDesktop error, d, Op"},
    };
    // Without "/debug" only the code changes.
    WlSetContext("Op");
    WlSetErrorDetail("x");
    EXPECT_EQ(WlReportError(kWlErrAccept), kWlErrAccept);
    EXPECT_EQ(WlErrorCode(), kWlErrAccept);
    EXPECT_EQ(Log(), "");

    CommandLine({"/debug"});
    for (const Case& c : cases) {
        WlSetContext("Op");
        EXPECT_EQ(WlErrorCode(), 0);
        WlSetErrorDetail(c.detail);
        WlReportError(c.code);
        EXPECT_EQ(WlErrorText(), c.text);
        EXPECT_TRUE(HasLine(std::string(" ") + c.text)) << c.text;
    }
    // A long text is cut to 255 characters in the entry.
    WlSetContext("Op");
    WlSetErrorDetail(std::string(300, 'y'));
    WlReportError(kWlErrGetReg);
    const std::vector<std::string> lines = Lines();
    EXPECT_EQ(lines.back().size(), 256u);

    // Two threads write their own detail and context.
    std::thread other([] {
        WlSetContext("Druga");
        WlSetErrorDetail("nit");
        WlReportError(kWlErrAccept);
    });
    other.join();
    EXPECT_TRUE(HasLine(" WlAccept error, nit, Druga"));
    EXPECT_EQ(WlErrorContext(), "Op");
}

void CallWith(rt::sys::RegisterFn fn) { rt::sys::CallWithRegisters(fn); }

TEST_F(Diagnostics, TheStackCheckPassesABalancedStretchAndReportsChangedRegisters) {
    if (!rt::sys::RegistersAvailable()) GTEST_SKIP() << "no register capture on this processor";
#if defined(__x86_64__)
    const int level = wl_TSLevel();
    kvtest_stack_pair(&CallWith, &wl_SaveStack, &wl_TestStack, 0);
    EXPECT_EQ(wl_TSLevel(), level);
    EXPECT_EQ(Log(), "");

    kvtest_stack_pair(&CallWith, &wl_SaveStack, &wl_TestStack, 1);
    EXPECT_EQ(wl_TSLevel(), level);
    const std::string all = Log();
    const std::string sep = "\r\n" + std::string(13, ' ');
    std::smatch m;
    ASSERT_TRUE(std::regex_search(
        all, m,
        std::regex("wl_TestStack wl_TSLevel=1" + sep + "RBX=000000001234ABCD LAST RBX=[0-9A-F]{16}" + sep +
                   "R15=000000000BADF00D LAST R15=[0-9A-F]{16}\r\n$")))
        << all;
#endif
}

TEST_F(Diagnostics, TooManyLevelsAndAnUnpairedTest) {
    rt::set_thread_number(1);
    rt::ui::test::FakeBackend backend;
    backend.auto_answer = [](const rt::ui::MessageRequest&) { return 1; };
    rt::sys::RegisterBlock block{};  // the same registers at every level
    for (int i = 0; i < 256; ++i) wl_SaveStack(&block);
    EXPECT_EQ(wl_TSLevel(), 256);
    EXPECT_EQ(Lines(), std::vector<std::string>{"wl_SaveStack : Too many levels, wl_TSLevel=256"});
    for (int i = 0; i < 256; ++i) wl_TestStack(&block);
    EXPECT_EQ(wl_TSLevel(), 0);
    EXPECT_TRUE(backend.messages.empty());

    wl_TestStack(&block);
    ASSERT_EQ(backend.messages.size(), 1u);
    EXPECT_EQ(backend.messages[0].caption, "wl_TestStack");
    EXPECT_EQ(backend.messages[0].text, "SaveStack - TestStack pair mismatch");
    EXPECT_EQ(wl_TSLevel(), 0);
    wl_SaveStack(&block);
    EXPECT_EQ(wl_TSLevel(), 1);
    wl_TestStack(&block);
    EXPECT_EQ(backend.messages.size(), 1u);

    // A thread outside the runtime (the GUI thread) cannot wait for a box: a line instead.
    std::thread gui([&] { wl_TestStack(&block); });
    gui.join();
    EXPECT_EQ(backend.messages.size(), 1u);
    EXPECT_TRUE(HasLine("wl_TestStack : SaveStack - TestStack pair mismatch"));
}

TEST_F(Diagnostics, ProceduresLoadOnceAndAFailureIsNotTriedAgain) {
    WlProcAddress hostname = 0;
    EXPECT_EQ(wl_LoadDLLProc("wsock32", "gethostname", hostname), 0);
    EXPECT_GT(hostname, 0);
    const WlProcAddress first = hostname;
    EXPECT_EQ(wl_LoadDLLProc("wsock32", "gethostname", hostname), 0);
    EXPECT_EQ(hostname, first);

    CommandLine({"/debug"});
    WlProcAddress missing = 0;
    EXPECT_EQ(wl_LoadDLLProc("wsock32", "NemaTakveFunkcije", missing), 1);
    EXPECT_EQ(missing, -1);
    EXPECT_EQ(WlErrorCode(), kWlErrLoadDllProc);
    EXPECT_EQ(WlErrorText().rfind("wl_loadDLLProc error, wl_LoadDLLProc error, GetProcAddress failed "
                                  "Proc=NemaTakveFunkcije DLL=wsock32",
                                  0),
              0u)
        << WlErrorText();
    const std::size_t lines = Lines().size();
    EXPECT_EQ(wl_LoadDLLProc("wsock32", "NemaTakveFunkcije", missing), 1);
    EXPECT_EQ(Lines().size(), lines);  // not tried, not reported again

    WlProcAddress nolib = 0;
    EXPECT_EQ(wl_LoadDLLProc("Wtsapi32", "WTSRegisterSessionNotification", nolib), 1);
    EXPECT_EQ(nolib, -1);
    EXPECT_NE(WlErrorDetail().find("LoadLibrary failed DLL=Wtsapi32"), std::string::npos);
}

TEST_F(Diagnostics, NamesOfTheComputerAndTheUserAndTheRegistry) {
    EXPECT_EQ(wl_GetWorkstationName(), rt::sys::HostName());
    EXPECT_FALSE(wl_GetWorkstationName().empty());
    EXPECT_EQ(wl_GetReg(rt::sys::HKEY_LOCAL_MACHINE,
                        "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName\\", "ComputerName"),
              rt::sys::HostName());
    EXPECT_EQ(WlErrorCode(), 0);
    EXPECT_EQ(wl_GetReg(rt::sys::HKEY_LOCAL_MACHINE, "SOFTWARE\\Nema", "X"), "");
    EXPECT_EQ(WlErrorCode(), kWlErrGetReg);
    EXPECT_EQ(WlErrorText(), "wl_GetReg error, No such file or directory, wl_GetReg");
    std::string user;
    if (rt::sys::UserName(user)) { EXPECT_EQ(wl_GetUserName(), user); }
}

}  // namespace
