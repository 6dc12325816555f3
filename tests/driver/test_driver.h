// A test driver that acts as a user on the real Qt back end. It runs on the GUI thread
// (the test's main thread, with QT_QPA_PLATFORM=offscreen), pumps the event loop while it
// waits, and finds windows by their procedure name and controls by their label. Every
// wait has a timeout; a timeout or a missing control throws DriverError with a message
// that says what was awaited. Texts given to and read from the driver are UTF-8.
#pragma once

#include <QString>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

class QWidget;
class QAction;

namespace rt::qt {

class GuiServer;
class QtWindow;

class DriverError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TestDriver {
public:
    // `output_folder` receives the snapshots (created when missing).
    TestDriver(GuiServer& server, std::string output_folder, int timeout_ms = 10000);

    GuiServer& Server() { return server_; }

    // Starts a procedure on a new runtime thread; returns its thread number.
    int Start(std::function<void()> procedure);

    // Pumps the event loop until `condition` holds; throws after the timeout. A condition
    // that fails with a DriverError (a row or window not there yet) counts as not met.
    void WaitUntil(const std::function<bool()>& condition, const std::string& what, int timeout_ms = -1);
    // Processes the events that are pending now.
    void Pump();
    QtWindow& WaitForWindow(const std::string& procedure, int timeout_ms = -1);
    void WaitClosed(const std::string& procedure, int timeout_ms = -1);
    // Waits until every runtime thread has ended.
    void WaitForThreads(int timeout_ms = -1);

    // As a user: focus the control, select its text, type, and leave it with Tab.
    void Type(const std::string& procedure, const std::string& label, const std::string& text);
    // Clicks a button, check box, radio, toolbar button or menu item, found by its label
    // or, failing that, by its text (hot-key marks ignored).
    void Press(const std::string& procedure, const std::string& label_or_text);
    // Clicks a list row (1-based); DoubleClickRow double-clicks it.
    void PickRow(const std::string& procedure, const std::string& label, int row);
    void DoubleClickRow(const std::string& procedure, const std::string& label, int row);
    // Right button pressed and released on a row (the list's popup menu).
    void RightClickRow(const std::string& procedure, const std::string& label, int row);
    void ClickHeader(const std::string& procedure, const std::string& label, int column);
    // Clicks a tab of a sheet (1-based).
    void PickTab(const std::string& procedure, const std::string& sheet_label, int tab);
    // Opens a drop list and clicks its item that shows `item_text`.
    void ChooseItem(const std::string& procedure, const std::string& label, const std::string& item_text);
    // The items a drop list offers, as it shows them.
    std::vector<std::string> Items(const std::string& procedure, const std::string& label);
    void Focus(const std::string& procedure, const std::string& label);
    // Types text on the focused widget of the window, character by character, as the
    // keyboard sends it (any character, Š and ć too); no Tab after it.
    void Chars(const std::string& procedure, const std::string& text);
    // Key codes of the runtime (Key::Enter, Key::CtrlH, Key::F2, ...) on the focused widget.
    void Keys(const std::string& procedure, const std::vector<int>& keycodes);

    // The oldest open message box: its text, then a click on the button with that text.
    std::string Answer(const std::string& button_text, int timeout_ms = -1);
    std::string MessageText(int timeout_ms = -1);
    // Chooses an item of the open popup menu by its text (without "&"); "" closes the menu
    // without a choice.
    void ChoosePopup(const std::string& item_text, int timeout_ms = -1);
    bool MessageOpen() const;
    // The open file dialog: its title, once the path (UTF-8) is typed into its name entry
    // and Enter pressed; an empty path presses its Cancel button.
    std::string ChooseInFileDialog(const std::string& path, int timeout_ms = -1);

    // What the window shows.
    std::string Text(const std::string& procedure, const std::string& label);
    std::string Caption(const std::string& procedure);
    bool Visible(const std::string& procedure, const std::string& label);
    bool Enabled(const std::string& procedure, const std::string& label);
    bool Checked(const std::string& procedure, const std::string& label);
    int RowCount(const std::string& procedure, const std::string& label);
    std::string Cell(const std::string& procedure, const std::string& label, int row, int column);
    std::string Heading(const std::string& procedure, const std::string& label, int column);
    // A cell's colours as the list holds them (00BBGGRRh, -1 the list's own): text,
    // background, and both while its row is selected.
    std::vector<long> CellColors(const std::string& procedure, const std::string& label, int row, int column);
    // The label of the control that has the focus in the window ("" for none).
    std::string Focused(const std::string& procedure);
    QWidget* Widget(const std::string& procedure, const std::string& label);

    // Saves a PNG of the window into the output folder; returns its path.
    std::string Snapshot(const std::string& procedure, const std::string& file_name);

private:
    QtWindow& Window(const std::string& procedure);
    QWidget* Usable(const std::string& procedure, const std::string& label);
    void TakeFocus(QWidget* w, const std::string& procedure, const std::string& label);
    QAction* Action(const std::string& procedure, const std::string& label);
    void Activate(QtWindow& window);
    void TypeChars(QWidget* w, const QString& text);
    [[noreturn]] void Fail(const std::string& message) const;

    GuiServer& server_;
    std::string output_;
    int timeout_ms_;
};

}  // namespace rt::qt
