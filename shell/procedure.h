// The program's window procedure protocol, once, as the base every window procedure
// derives from: the procedure body, the common Setup head, the Setup steps of dialogs,
// the frame and the splash window, the view rule of RunUpdate, and the OnEvent,
// OnWindowEvent and Teardown that every window overrides in the same way.
//
// A procedure's call: the caller leaves its request in CallRequest; the procedure copies
// it into REQUEST, clears CallRequest and CallResponse, runs its window and leaves its
// response in CallResponse (1 completed, 2 cancelled).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/controller.h"
#include "platform/ui/resizer.h"
#include "platform/ui/toolbar.h"
#include "platform/ui/window.h"
#include "platform/ui/wndproc.h"

namespace kvadrin {

enum class WindowKind { Browse, Form, Dialog, Frame, Splash, Report };

// Event a window posts to itself once it is open; its handler keeps the window on the
// visible desktop.
inline constexpr int kEventVisibleOnDesktop = 1450;

// ---- Desktop integration ------------------------------------------------------------
// The focus marks, the Enter-key navigation, the window-message alerts and the visible-
// desktop check that every window uses. The objects here are inert stand-ins: the
// desktop-integration library replaces them through SetDesktopIntegration.

class FocusMarks {
public:
    virtual ~FocusMarks() = default;
    virtual void Setup() {}
    virtual void Configure(rt::ui::Window&) {}  // the standard configuration
    virtual int OnEvent(rt::ui::Window&) { return 0; }
    virtual void Teardown() {}
};

class EnterNavigation {
public:
    virtual ~EnterNavigation() = default;
    virtual void Setup() {}
    virtual void AddControl(int feq) {}  // a control left to its own keys
    virtual void DeclareAlertKeys(rt::ui::Window&, int) {}
    virtual int OnEvent(rt::ui::Window&) { return 0; }  // nonzero: the key was used
    virtual void Teardown() {}
};

class WindowAlerts {
public:
    virtual ~WindowAlerts() = default;
    virtual void AlertMouseWheel(rt::ui::Window&) {}
    virtual void Alert(rt::ui::Window&, int first, int closing, int last, int single, int post_and_pass,
                       int action) {}
    // The end of the desktop session (WM_QUERYENDSESSION) on the window: posted to its
    // procedure as an event and answered 1, so that the session may end (action 5).
    void AlertSessionEnd(rt::ui::Window& w) {
        Alert(w, static_cast<int>(rt::ui::WM_QUERYENDSESSION), 0, 0, 1, 0, 5);
    }
    virtual int VisibleOnDesktop(rt::ui::Window&) { return 0; }
    // The application frame, which its child windows are kept inside.
    virtual void SetFrameWindow(rt::ui::Window&) {}
};

class DesktopIntegration {
public:
    virtual ~DesktopIntegration() = default;
    virtual std::unique_ptr<FocusMarks> MakeFocusMarks();
    virtual std::unique_ptr<EnterNavigation> MakeEnterNavigation();
    virtual WindowAlerts& Alerts();
};

// The process's integration; null restores the inert one.
void SetDesktopIntegration(DesktopIntegration* integration);
DesktopIntegration& Integration();

// ---- The procedure ----------------------------------------------------------------------

// The objects of one running window procedure, made by its body.
struct ProcedureObjects {
    std::string name;  // for ProgramErrors and the placement section of KVD.INI
    WindowKind kind;
    rt::ui::Window& window;
    rt::ui::ToolbarList* toolbar;    // all but reports
    rt::ui::ResizeManager* resizer;  // browses, forms, dialogs
    FocusMarks& focus;
    EnterNavigation* navigation;  // all but browses
    WindowAlerts& alerts;
};

class ProcedureController : public rt::ui::WindowController {
public:
    explicit ProcedureController(ProcedureObjects& objects);

    // The common head, then for dialogs, the frame and the splash window their steps;
    // browses, forms and reports add theirs after the head in their own Setup.
    int Setup() override;
    int RunUpdate(int number, int request) override;
    int OnEvent() override;
    int OnWindowEvent() override;
    int Teardown() override;

    const std::string& procedure_name() const { return objects_.name; }
    ProcedureObjects& objects() const { return objects_; }

    // Opens a table's relation for this procedure; Teardown closes what was opened.
    template <class Relation>
    void OpenRelation(Relation& relation) {
        relation.Open();
        relations_.push_back([&relation] { relation.Close(); });
        FILESOPENED = 1;
    }

protected:
    int SetupHead();
    int SetupDialogSteps();  // after the head
    int SetupFrameSteps();   // after the head (frame, splash window)

    // Dialogs register their buttons here (AddDialogButton), before the window opens.
    virtual void RegisterButtons() {}
    // A button that closes the dialog with a response; Enter-key navigation leaves it alone.
    void AddDialogButton(int feq, std::uint8_t response);
    void ExcludeFromNavigation(int feq);

    // RunUpdate's one procedure (a browse's form, a form's lookup browse), called with
    // CallRequest set; it leaves its answer in CallResponse.
    virtual void CallUpdate(int number) {}

    // Browses: the sort header (and windows with rich-text editors the editors) see each
    // event first; nonzero consumes it. The navigation step: Enter-key navigation, which a
    // browse replaces with its column tracker.
    virtual int FirstEventHandlers() { return 0; }
    virtual int NavigationEvent();
    // Browses tear their list companions down here, after the relations are closed.
    virtual void TeardownCompanions() {}

private:
    ProcedureObjects& objects_;
    std::vector<std::function<void()>> relations_;  // closers, in opening order
    std::vector<int> nav_excluded_;
};

using ControllerFactory = std::function<std::unique_ptr<ProcedureController>(ProcedureObjects&)>;

// The procedure body: makes the focus marks (and, but for a browse, the Enter-key
// navigation), the window from its resource (bind then binds the procedure's variables),
// the toolbar and the resizer as the kind has them, and the controller; CallResponse :=
// the controller's RunWindow; then disposes of them in reverse order, closes the window
// and tears the navigation and the focus marks down.
void RunWindowProcedure(std::string_view name, WindowKind kind, const rt::ui::WindowDef& def,
                        const std::function<void(rt::ui::Window&)>& bind, const ControllerFactory& make);

}  // namespace kvadrin
