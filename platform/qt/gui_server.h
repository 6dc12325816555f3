// The GUI server: the window runtime's back end on Qt. It lives on the process's main
// thread, which runs only the Qt event loop. Procedure threads call the Backend
// operations with snapshots of window state; each call is copied and queued to the GUI
// thread, so no procedure thread ever waits for the GUI and the GUI never waits for a
// procedure thread. User input goes back to the owning thread through rt::ui::Deliver.
#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/backend.h"

class QMessageBox;
class QPrinter;
class QSessionManager;
class QWidget;

namespace rt::qt {

class QtWindow;

class GuiServer : public QObject, public ui::Backend {
    Q_OBJECT
public:
    GuiServer();
    ~GuiServer() override;

    // Backend: any thread.
    void OpenWindow(const ui::WindowState& state) override;
    void SyncWindow(const ui::WindowState& delta) override;
    void CloseWindow(ui::WindowId id) override;
    void ShowMessage(const ui::MessageRequest& request) override;
    void WithdrawMessages(int thread) override;
    void ShowPopup(const ui::MessageRequest& request) override;
    void ShowFileDialog(const ui::FileDialogRequest& request) override;
    void ToolbarState(ui::WindowId window, std::uint16_t enabled) override;
    void Perform(ui::WindowId window, int feq, const std::string& action, const std::string& value) override;
    void ShowBusyWait(int thread, int busy) override;
    void Beep() override;
    void PrinterSetup(int thread) override;

    // GUI thread only.
    QtWindow* Window(ui::WindowId id) const;
    // The newest open window of a procedure; null when there is none.
    QtWindow* FindWindow(const std::string& procedure) const;
    std::vector<QtWindow*> Windows() const;  // in order of opening
    // The file dialogs open now (object name "kvFileDialog").
    std::vector<QWidget*> FileDialogs() const;
    // The open message boxes, oldest first, with the thread that asked.
    struct OpenMessage {
        std::uint32_t id = 0;
        int thread = 0;
        QMessageBox* box = nullptr;
    };
    std::vector<OpenMessage> Messages() const;
    // How many beeps the runtime has asked for.
    int beeps() const { return beeps_; }
    // The printer the set-up dialog configures.
    QPrinter& printer();
    // A dialog of a thread's own (the print preview) opens or closes: while one is open
    // the thread's windows take no input.
    void BeginThreadDialog(int thread);
    void EndThreadDialog(int thread);
    // The end of the desktop session, as the session manager reports it: asks every
    // top-level window (WM_QUERYENDSESSION through its handle chain; true when none
    // refuses), and tells them that it ends (WM_ENDSESSION).
    bool SessionMayEnd();
    void SessionEnds();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void DoOpen(const ui::WindowState& state);
    void DoSync(const ui::WindowState& delta);
    void DoClose(ui::WindowId id);
    void DoMessage(const ui::MessageRequest& request);
    void DoPopup(const ui::MessageRequest& request);
    void DoFileDialog(const ui::FileDialogRequest& request);  // file_dialog.cpp
    // Shows the frame's toolbar as the window in use offers it.
    void ApplyToolbar();
    std::map<ui::WindowId, std::uint16_t> toolbar_states_;
    void DoPrinterSetup(int thread);
    void DoBusyWait(int thread, int busy);  // busy_wait.cpp
    // Per thread waiting for another workstation: the windows given the wait cursor, and
    // the note that says why.
    struct BusyWait {
        std::vector<QPointer<QWidget>> cursors;
        QPointer<QWidget> note;
    };
    std::map<int, BusyWait> busy_;
    void Answer(std::uint32_t id, int answer);
    void UpdateModality(int thread);
    void Focused(ui::WindowId id);
    // Brings the thread's open question, else its newest window, to the front; returns
    // that window (null for a question).
    QtWindow* RaiseNewest(int thread);
    QtWindow* WindowOfWidget(QObject* object) const;
    void CommitData(QSessionManager& manager);
    void AboutToQuit();

    std::map<ui::WindowId, std::unique_ptr<QtWindow>> windows_;
    std::vector<ui::WindowId> order_;  // open windows, oldest first
    ui::WindowId frame_ = 0;
    ui::WindowId focused_ = 0;  // the window last reported with GainFocus
    struct Box {
        int thread = 0;
        QPointer<QMessageBox> box;
        bool answered = false;
    };
    std::map<std::uint32_t, Box> messages_;
    std::map<int, int> dialogs_;  // printer dialogs open per thread
    std::unique_ptr<QPrinter> printer_;
    bool session_ending_ = false;
    std::atomic<int> beeps_{0};
};

// Creates the QApplication when there is none (Fusion style; the Windows font names map
// to the metric-compatible Liberation fonts) and the GUI server, and makes the server the
// runtime's back end. Main thread only.
GuiServer* CreateGui(int& argc, char** argv);
// Makes the server draw the reports (platform/report/output.h); null stops it. CreateGui
// and DestroyGui call it.
void InstallReportDevice(GuiServer* server);
// Makes the server answer the desktop queries of the window runtime (platform/ui/desktop.h);
// null stops it. CreateGui and DestroyGui call it.
void InstallDesktopQuery(GuiServer* server);
// The server CreateGui made; null before.
GuiServer* Server();
// Unregisters and destroys the server (and the application CreateGui made).
void DestroyGui();
// Ends the event loop; any thread.
void QuitGui();
// The whole process: the GUI on the calling (main) thread, `program` on a thread of its
// own; the event loop ends when the program returns, and its result is returned.
int StartGui(int& argc, char** argv, const std::function<int()>& program);

}  // namespace rt::qt
