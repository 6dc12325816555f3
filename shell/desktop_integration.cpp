#include "shell/desktop_integration.h"

#include "winint/alerts.h"
#include "winint/desktop.h"
#include "winint/enter_nav.h"
#include "winint/focus.h"

namespace kvadrin {

namespace {

class WinLinkFocusMarks : public FocusMarks {
public:
    void Setup() override { h_.FocusHighlighter_Setup(); }
    void Configure(rt::ui::Window&) override { h_.ConfigureStandard(); }
    int OnEvent(rt::ui::Window& w) override {
        h_.FocusHighlighter_OnEvent(w);
        return 0;
    }
    void Teardown() override { h_.FocusHighlighter_Teardown(); }

private:
    FocusHighlighter h_;
};

class WinLinkNavigation : public EnterNavigation {
public:
    void Setup() override { n_.EnterKeyNav_Setup(); }
    void AddControl(int feq) override {
        if (feq > 0 && feq <= 0xFFFF) n_.EnterKeyNav_AddControl(static_cast<std::uint16_t>(feq));
    }
    void DeclareAlertKeys(rt::ui::Window& w, int) override { n_.EnterKeyNav_DeclareAlertKeys(w); }
    int OnEvent(rt::ui::Window& w) override { return n_.EnterKeyNav_OnEvent(w); }
    void Teardown() override { n_.EnterKeyNav_Teardown(); }

private:
    EnterKeyNav n_;
};

class WinLinkAlerts : public WindowAlerts {
public:
    void AlertMouseWheel(rt::ui::Window& w) override { WlAlertMouseWheel(&w); }
    void Alert(rt::ui::Window& w, int first, int closing, int last, int single, int post_and_pass,
               int action) override {
        WlAlert(&w, first, static_cast<std::uint8_t>(closing), last, static_cast<std::uint8_t>(single),
                static_cast<std::uint8_t>(post_and_pass), action);
    }
    int VisibleOnDesktop(rt::ui::Window& w) override { return wl_VisibleOnDesktop(w); }
    void SetFrameWindow(rt::ui::Window& w) override { WlSetFrameWindow(&w); }
};

class WinLink : public DesktopIntegration {
public:
    std::unique_ptr<FocusMarks> MakeFocusMarks() override { return std::make_unique<WinLinkFocusMarks>(); }
    std::unique_ptr<EnterNavigation> MakeEnterNavigation() override {
        return std::make_unique<WinLinkNavigation>();
    }
    WindowAlerts& Alerts() override { return alerts_; }

private:
    WinLinkAlerts alerts_;
};

}  // namespace

DesktopIntegration& WinLinkIntegration() {
    static WinLink integration;
    return integration;
}

}  // namespace kvadrin
