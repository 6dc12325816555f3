// The window controller: the object every window procedure derives its controller from.
// It runs the window (set-up, event loop, tear-down), dispatches the window's events to
// its handlers, keeps the request the procedure was called with and the response it
// answers, performs the registered button actions, and holds the companions a procedure
// registers (toolbar, resizer, form toolbar, updated tables, recall buffers and fields).
//
// Every handler returns a level: 0 go on, 3 fatal (leaves the event loop; from Setup it
// ends the procedure before the event loop), 5 consumed (the rest of the handling is
// skipped; from Setup it also skips the event loop).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/ui/window.h"

namespace rt {
class ErrorManager;
class IniManager;
class RelationManager;
class FileManager;
struct RecordLayout;
}  // namespace rt

namespace rt::ui {

class ResizeManager;
class ToolbarList;
class ToolbarTarget;

enum : int {
    kLevelGoOn = 0,
    kLevelFatal = 3,
    kLevelConsumed = 5,
};

// Responses a window closes with.
enum : std::uint8_t {
    kResponseCompleted = 1,
    kResponseCancelled = 2,
};

class WindowController {
public:
    explicit WindowController(Window& window);
    virtual ~WindowController();
    WindowController(const WindowController&) = delete;
    WindowController& operator=(const WindowController&) = delete;

    // The virtual operations, in the order of their slots.
    virtual int EventLoop();
    virtual int Setup();
    virtual int Teardown();
    virtual void Opened();
    virtual void Open(Window& window);
    virtual void DefaultFields();
    virtual int PrepareRequest();
    virtual void Reset(int force = 0);
    virtual void RecallField(int feq);
    virtual int RunWindow();
    virtual int RunUpdate(int number, int request);
    virtual void DeclareAlertKeys();
    virtual void CloseWithResponse(std::uint8_t response);
    virtual int OnAccepted();
    virtual int OnCompleted();
    virtual int OnCloseEvent();
    virtual int OnEvent();
    virtual int OnFieldEvent();
    virtual int OnNewSelection();
    virtual int OnRejected();
    virtual int OnSelected();
    virtual int OnWindowEvent();
    virtual void UpdateComponents();
    virtual void DisableControl(int feq);
    virtual int CompleteInsert();
    virtual int CompleteChange();
    virtual int CompleteDelete();
    virtual int SaveChanged();
    virtual int SaveInserted();
    virtual void SelectFirstField();

    // Registrations.
    void AddToolbar(ToolbarList& toolbar);
    void AddResizer(ResizeManager& resizer);                  // takes the window's layout as it stands
    void AddFormToolbar(ToolbarTarget& handler);              // the form's toolbar target
    void AddButtonAction(int button, std::uint8_t response);  // the button closes with it
    void AddUpdatedTable(rt::FileManager& table);
    // The record buffer and the history copy of it that Ctrl+H recalls from.
    void AddRecallBuffers(const rt::RecordLayout& layout, void* record, void* history);
    // A control and the 1-based number of the record field it edits.
    void AddRecallField(int feq, int field_number);

    Window& window() const { return *window_; }
    ToolbarList* toolbar() const { return toolbar_; }
    ResizeManager* resizer() const { return resizer_; }

    // The window's placement in the settings file, in the section named by the
    // procedure. Loading applies what is stored to the window's Xpos, Ypos, Width, Height
    // (the size only for a resizable window), Maximize and Iconize, and answers whether a
    // placement was stored. Saving stores the window's state and, when it is neither
    // maximized nor minimized, its position (once it is known: restored, or reported by
    // a move or resize) and, for a resizable window, its size.
    bool LoadWindowPosition(const rt::IniManager& ini, std::string_view procedure);
    bool SaveWindowPosition(rt::IniManager& ini, std::string_view procedure) const;

    // Asks the controller, from any thread, to close its window as on CloseDown.
    void RequestCloseDown() { close_down_requested_ = true; }
    bool CloseDownRequested() const { return close_down_requested_; }

    // Fields the procedures set and read.
    std::uint8_t REQUEST = 0;
    std::uint8_t ORIGINALREQUEST = 0;
    std::uint8_t RESPONSE = 0;
    int FIRSTFIELD = 0;
    std::int32_t* VCRREQUEST = nullptr;  // the thread's navigation request
    rt::ErrorManager* ERRORS = nullptr;
    std::uint8_t FILESOPENED = 0;
    std::uint8_t OPENED = 0;
    rt::RelationManager* PRIMARY = nullptr;
    int OKCONTROL = 0;
    std::uint8_t CANCELACTION = 0;
    std::uint8_t CHANGEACTION = 0;
    std::uint8_t INSERTACTION = 0;
    std::uint8_t DELETEACTION = 0;
    int HISTORYKEY = 0;
    int FORCEDRESET = 0;

protected:
    // Whether the record of the window changed since the form was prepared; a form
    // answers it so that OnCloseEvent can ask before discarding changes.
    virtual bool RecordChanged() const { return false; }

private:
    struct ButtonAction {
        int button;
        std::uint8_t response;
    };
    struct RecallPair {
        int feq;
        int field_number;
    };

    Window* window_;
    ToolbarList* toolbar_ = nullptr;
    ResizeManager* resizer_ = nullptr;
    ToolbarTarget* form_toolbar_ = nullptr;
    std::vector<ButtonAction> buttons_;
    std::vector<rt::FileManager*> updated_tables_;
    const rt::RecordLayout* recall_layout_ = nullptr;
    void* recall_record_ = nullptr;
    void* recall_history_ = nullptr;
    std::vector<RecallPair> recall_fields_;
    bool position_known_ = false;
    bool closing_ = false;  // a close event was not refused: the event loop ends
    std::atomic<bool> close_down_requested_{false};
    bool close_down_seen_ = false;
    WindowController* outer_ = nullptr;  // the controller running before this one on the thread
};

// The controller whose window runs on the calling thread (the innermost), or null.
WindowController* ActiveController();

// The application is closing down: every window run by a controller on another thread
// than the caller's receives CloseDown, the windows of a thread one after another as each
// closes and uncovers the one below. Returns how many controllers were asked to close.
int CloseDownOtherThreads();

}  // namespace rt::ui
