#include "shell/procedure.h"

#include <atomic>

#include "data/program_objects.h"
#include "data/thread_data.h"

namespace kvadrin {

namespace Event = rt::ui::Event;
using rt::ui::kLevelConsumed;
using rt::ui::kLevelGoOn;

namespace {

class InertIntegration : public DesktopIntegration {};

InertIntegration g_inert;
std::atomic<DesktopIntegration*> g_integration{nullptr};

}  // namespace

std::unique_ptr<FocusMarks> DesktopIntegration::MakeFocusMarks() { return std::make_unique<FocusMarks>(); }

std::unique_ptr<EnterNavigation> DesktopIntegration::MakeEnterNavigation() {
    return std::make_unique<EnterNavigation>();
}

WindowAlerts& DesktopIntegration::Alerts() {
    static WindowAlerts inert;
    return inert;
}

void SetDesktopIntegration(DesktopIntegration* integration) { g_integration = integration; }

DesktopIntegration& Integration() {
    DesktopIntegration* i = g_integration;
    return i ? *i : g_inert;
}

ProcedureController::ProcedureController(ProcedureObjects& objects)
    : WindowController(objects.window), objects_(objects) {}

int ProcedureController::SetupHead() {
    ProgramErrors.PushProcedureName(objects_.name);
    REQUEST = CallRequest;
    const int level = WindowController::Setup();
    if (level != kLevelGoOn) return level;
    FIRSTFIELD = window().FirstControl();
    VCRREQUEST = &CallNavRequest;
    ERRORS = &ProgramErrors;
    CallRequest = 0;
    CallResponse = 0;
    if (objects_.toolbar) AddToolbar(*objects_.toolbar);
    return kLevelGoOn;
}

int ProcedureController::SetupDialogSteps() {
    rt::ui::Window& w = window();
    RegisterButtons();
    Open(w);
    objects_.alerts.AlertMouseWheel(w);
    objects_.alerts.AlertSessionEnd(w);
    if (objects_.resizer) {
        objects_.resizer->Init(rt::ui::ResizeManager::kKeepLayout, 1, 0);
        AddResizer(*objects_.resizer);
    }
    LoadWindowPosition(ProgramSettings, objects_.name);
    if (objects_.resizer) objects_.resizer->Resize();
    objects_.focus.Configure(w);
    if (objects_.navigation) {
        for (int feq : nav_excluded_) objects_.navigation->AddControl(feq);
        objects_.navigation->DeclareAlertKeys(w, 0);
    }
    return kLevelGoOn;
}

int ProcedureController::SetupFrameSteps() {
    rt::ui::Window& w = window();
    Open(w);
    objects_.alerts.AlertMouseWheel(w);
    objects_.alerts.AlertSessionEnd(w);
    LoadWindowPosition(ProgramSettings, objects_.name);
    if (objects_.kind == WindowKind::Frame) objects_.alerts.SetFrameWindow(w);
    objects_.focus.Configure(w);
    if (objects_.navigation) objects_.navigation->DeclareAlertKeys(w, 0);
    return kLevelGoOn;
}

int ProcedureController::Setup() {
    const int level = SetupHead();
    if (level != kLevelGoOn) return level;
    switch (objects_.kind) {
        case WindowKind::Dialog: return SetupDialogSteps();
        case WindowKind::Frame:
        case WindowKind::Splash: return SetupFrameSteps();
        default: return kLevelGoOn;
    }
}

void ProcedureController::AddDialogButton(int feq, std::uint8_t response) {
    AddButtonAction(feq, response);
    ExcludeFromNavigation(feq);
}

void ProcedureController::ExcludeFromNavigation(int feq) { nav_excluded_.push_back(feq); }

int ProcedureController::RunUpdate(int number, int request) {
    WindowController::RunUpdate(number, request);
    if (REQUEST == ViewRecord) return RequestCancelled;  // a viewed record calls nothing
    CallRequest = static_cast<std::uint8_t>(request);
    CallUpdate(number);
    return CallResponse;
}

int ProcedureController::NavigationEvent() {
    return objects_.navigation ? objects_.navigation->OnEvent(window()) : 0;
}

int ProcedureController::OnEvent() {
    rt::ui::Window& w = window();
    if (FirstEventHandlers() != 0) return kLevelConsumed;
    objects_.focus.OnEvent(w);
    if (NavigationEvent() != 0) return kLevelConsumed;
    const int level = WindowController::OnEvent();
    if (w.event() == kEventVisibleOnDesktop) objects_.alerts.VisibleOnDesktop(w);
    return level;
}

int ProcedureController::OnWindowEvent() {
    const int event = window().event();
    if (event == Event::CloseDown) {
        // The application is closing: close as cancelled, without asking about changes.
        CANCELACTION = 0;
        RESPONSE = RequestCancelled;
    }
    const int level = WindowController::OnWindowEvent();
    if (event == Event::OpenWindow) rt::ui::rtl_post(kEventVisibleOnDesktop, 0, rt::ui::rtl_thread());
    return level;
}

int ProcedureController::Teardown() {
    rt::ui::Window& w = window();
    if (OPENED) objects_.alerts.Alert(w, 0, 1, 0, 1, 1, 0);  // remove the window's alerts
    const int level = WindowController::Teardown();
    if (level != kLevelGoOn) return level;
    if (FILESOPENED) {
        for (auto& close : relations_) close();
        relations_.clear();
    }
    TeardownCompanions();
    if (OPENED) SaveWindowPosition(ProgramSettings, objects_.name);
    ProgramErrors.PushProcedureName();
    return level;
}

void RunWindowProcedure(std::string_view name, WindowKind kind, const rt::ui::WindowDef& def,
                        const std::function<void(rt::ui::Window&)>& bind, const ControllerFactory& make) {
    DesktopIntegration& integration = Integration();
    std::unique_ptr<FocusMarks> focus = integration.MakeFocusMarks();
    focus->Setup();
    std::unique_ptr<EnterNavigation> navigation;
    if (kind != WindowKind::Browse) {
        navigation = integration.MakeEnterNavigation();
        navigation->Setup();
    }
    {
        rt::ui::Window window(def);
        window.SetProcedureName(name);
        if (bind) bind(window);
        {
            std::unique_ptr<rt::ui::ToolbarList> toolbar;
            if (kind != WindowKind::Report) toolbar = std::make_unique<rt::ui::ToolbarList>();
            std::unique_ptr<rt::ui::ResizeManager> resizer;
            if (kind == WindowKind::Browse || kind == WindowKind::Form || kind == WindowKind::Dialog)
                resizer = std::make_unique<rt::ui::ResizeManager>();
            ProcedureObjects objects{std::string(name), kind,   window,           toolbar.get(),
                                     resizer.get(),     *focus, navigation.get(), integration.Alerts()};
            std::unique_ptr<ProcedureController> controller = make(objects);
            CallResponse = static_cast<std::uint8_t>(controller->RunWindow());
            controller.reset();
            resizer.reset();
            toolbar.reset();
        }
        window.Close();
    }
    if (navigation) navigation->Teardown();
    focus->Teardown();
}

}  // namespace kvadrin
