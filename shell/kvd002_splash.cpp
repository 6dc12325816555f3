#include "shell/kvd002_splash.h"

#include "shell/procedure.h"

namespace kvadrin {

namespace Event = rt::ui::Event;
namespace Key = rt::ui::Key;
using rt::ui::kLevelGoOn;

namespace {

class SplashController : public ProcedureController {
public:
    using ProcedureController::ProcedureController;

    int Setup() override {
        const int level = ProcedureController::Setup();
        if (level != kLevelGoOn) return level;
        rt::ui::Window& w = window();
        if (SplashTimer > 0) w.Set(0, rt::ui::Prop::Timer, SplashTimer);
        w.Alert(0, Key::MouseLeft);
        w.Alert(0, Key::MouseLeft2);
        w.Alert(0, Key::MouseRight);
        return kLevelGoOn;
    }

    int OnWindowEvent() override {
        rt::ui::Window& w = window();
        const int event = w.event();
        const int level = ProcedureController::OnWindowEvent();
        const int key = w.keycode();
        const bool click = event == Event::AlertKey &&
                           (key == Key::MouseLeft || key == Key::MouseLeft2 || key == Key::MouseRight);
        if (click || event == Event::LoseFocus || event == Event::Timer) w.Post(Event::CloseWindow);
        return level;
    }
};

}  // namespace

int SplashTimer = 300;

void BrivantSplash() {
    RunWindowProcedure("BrivantSplash", WindowKind::Splash, BrivantSplashWindow(), {},
                       [](ProcedureObjects& p) { return std::make_unique<SplashController>(p); });
}

}  // namespace kvadrin
