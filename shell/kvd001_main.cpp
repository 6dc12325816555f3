#include "shell/kvd001_main.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

#include "data/globals.h"
#include "data/thread_data.h"
#include "platform/core/text.h"
#include "platform/ui/controller.h"
#include "platform/ui/toolbar.h"
#include "shell/housekeeping.h"
#include "shell/kvd002_splash.h"
#include "shell/login.h"
#include "shell/procedure.h"

namespace kvadrin {

namespace Event = rt::ui::Event;
namespace Key = rt::ui::Key;
using rt::ui::kLevelConsumed;
using rt::ui::kLevelFatal;
using rt::ui::kLevelGoOn;

namespace {

std::mutex g_menu_mutex;

std::map<std::string, std::function<void()>, std::less<>>& MenuTable() {
    static std::map<std::string, std::function<void()>, std::less<>> table;
    return table;
}

constexpr MenuStart kMenuStarts[] = {
    {-16, "BrowseObracuni", false},  {-17, "IzborZaFakture", false},     {-6, "ProveraVerzije", false},
    {-7, "PrenosUNovuGodinu", true}, {-13, "BrowseKvadrin", false},      {-14, "BrowseObaveze", false},
    {-15, "BrowseKlauzul", false},   {-23, "PreuzmiStariProgram", true},
};

std::string Year04(long value) {
    if (value < 0 || value > 9999) return "####";
    std::string s = std::to_string(value);
    return std::string(4 - s.size(), '0') + s;
}

class MainController : public ProcedureController {
public:
    using ProcedureController::ProcedureController;

    int Setup() override {
        int level = SetupHead();
        if (level != kLevelGoOn) return level;
        VERZIJA = "1.0.2";
        const std::string versions = std::string(kVersionServer) + "\\SQLEXPRESS,VERZIJE,CHKVER,";
        OWNERVERZIJE = versions;
        CallRequest = 0;
        CallResponse = 0;
        OtvoriSQL();
        if (CallResponse != RequestCompleted) return kLevelFatal;
        // A firm on the embedded store keeps the version database in that store too.
        if (const std::string store = EmbeddedVersionConnection(); !store.empty()) OWNERVERZIJE = store;
        CallRequest = 0;
        CallResponse = 0;
        level = SetupFrameSteps();
        if (level != kLevelGoOn) return level;
        rt::ui::Window& w = window();
        w.SetText(0, rt::ui::Prop::Text, Caption());
        w.Alert(0, Key::CtrlN);
        w.Alert(0, Key::CtrlP);
        w.Display();
        return kLevelGoOn;
    }

    int OnWindowEvent() override {
        rt::ui::Window& w = window();
        const int event = w.event();
        if (event == Event::AlertKey) {
            if (w.keycode() == Key::CtrlP) w.Unhide(-23);
            if (w.keycode() == Key::CtrlN) w.Unhide(-7);
        }
        const int level = ProcedureController::OnWindowEvent();
        if (event == Event::OpenWindow) {
            splash_thread_ = rt::ui::rtl_start(&BrivantSplash);
        } else if (splash_thread_ != 0 && event == Event::Accepted) {
            rt::ui::rtl_post(Event::CloseWindow, 0, splash_thread_);
            splash_thread_ = 0;
        }
        return level;
    }

    int OnAccepted() override {
        rt::ui::Window& w = window();
        const int feq = w.field();
        if (rt::ui::IsToolbarButton(feq)) {
            if (rt::ui::ForwardToolbarButton(feq)) return kLevelConsumed;
            return ProcedureController::OnAccepted();
        }
        if (feq == kPrintSetupItem) rt::ui::PrinterSetup();
        if (feq == kExitItem) w.Post(Event::CloseWindow);
        for (const MenuStart& m : kMenuStarts) {
            if (m.item != feq) continue;
            rt::ui::rtl_start(MenuProcedure(m.procedure), kMenuThreadStack);
            if (m.hide_after) w.Hide(feq);
        }
        return ProcedureController::OnAccepted();
    }

    int Teardown() override {
        // The windows of the other threads close as cancelled before the frame does.
        if (OPENED) {
            while (rt::ui::CloseDownOtherThreads() > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return ProcedureController::Teardown();
    }

private:
    static std::string Caption() {
        return "KVADRIN " + rt::clip(VERZIJA.view()) + " - " + rt::clip(NAZIVFIRME.view()) + " (" +
               Year04(RAD_GOD) + ")" + std::string(10, ' ') +
               rt::clip(rt::clip(GLO.SERVER.view()) + " - " + rt::clip(MSBASE.view()));
    }

    int splash_thread_ = 0;
};

void BindMain(rt::ui::Window& w) {
    if (int feq = w.Feq("?NAZIVFIRME"))
        w.Use(feq, {rt::ui::Binding::Kind::Field, rt::FieldType::String, NAZIVFIRME.size, NAZIVFIRME.data()});
}

}  // namespace

void SetMenuProcedure(std::string_view name, std::function<void()> procedure) {
    std::lock_guard lock(g_menu_mutex);
    MenuTable()[std::string(name)] = std::move(procedure);
}

namespace {

bool Registered(std::string_view name) {
    std::lock_guard lock(g_menu_mutex);
    auto it = MenuTable().find(name);
    return it != MenuTable().end() && it->second;
}

[[noreturn]] void NotRegistered(const std::string& starter, std::string_view name) {
    std::fprintf(stderr, "%s starts procedure %.*s, which nothing registered\n", starter.c_str(),
                 static_cast<int>(name.size()), name.data());
    std::abort();
}

}  // namespace

std::function<void()> MenuProcedure(std::string_view name) {
    {
        std::lock_guard lock(g_menu_mutex);
        auto it = MenuTable().find(name);
        if (it != MenuTable().end() && it->second) return it->second;
    }
    NotRegistered("the menu", name);
}

void RegisterHousekeepingMenu() {
    SetMenuProcedure("ProveraVerzije", ProveraVerzije);
    SetMenuProcedure("PrenosUNovuGodinu", PrenosUNovuGodinu);
    SetMenuProcedure("PreuzmiStariProgram", PreuzmiStariProgram);
}

std::span<const MenuStart> FrameMenuStarts() { return kMenuStarts; }

void CheckMenuProcedures(std::span<const MenuStart> items) {
    for (const MenuStart& m : items)
        if (!Registered(m.procedure)) NotRegistered("menu item " + std::to_string(m.item), m.procedure);
}

void Main() {
    RunWindowProcedure("Main", WindowKind::Frame, MainWindow(), BindMain,
                       [](ProcedureObjects& p) { return std::make_unique<MainController>(p); });
}

}  // namespace kvadrin
