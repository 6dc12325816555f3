// The rich-text (RTF) control of the windows: an editor whose value is RTF text. It shows
// the value the runtime gives it, gives back the value of what the user made of it, reports
// the format at its cursor, and carries out the actions of its tool bar (formatting, the
// clipboard, undo, files, printing, and the small dialogs to find and replace text and to
// set tab stops and paragraph indents).
//
// A value that the user did not change goes back byte for byte as it came, never
// re-written; a value longer than the control's limit does not go back at all (its length
// is reported instead), so that no cut RTF ever reaches a variable.
#pragma once

#include <QPointer>
#include <QTextEdit>
#include <functional>
#include <string>

class QDialog;

namespace rt::qt {

class RtfControl : public QTextEdit {
    Q_OBJECT
public:
    explicit RtfControl(QWidget* parent = nullptr);

    // The runtime's value (CP1250 bytes); the one the control gave back last is not shown
    // again.
    void SetValue(const std::string& value);
    // What the control would give back now.
    std::string Value() const;
    // An action of the tool bar (platform/ui/richtext.h names them) with its value.
    void Perform(const std::string& action, const std::string& value);

    // The user changed the text: its new value.
    std::function<void(const std::string&)> on_value;
    // The format at the cursor, or what the edit actions can do, changed: the encoded
    // state (RichTextState).
    std::function<void(const std::string&)> on_state;

    const QString& file_name() const { return file_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void KeepColoursWhenDisabled();
    void Load(const std::string& value);
    void Changed();
    void Report();
    void MergeFormat(const QTextCharFormat& format);
    void SetList(int style);
    void OpenFile();
    void SaveFile();
    void PrintText();
    struct Search;
    Search Searching() const;
    void ShowFind(bool replace);
    bool FindNext(bool wrap);
    void ReplaceOne();
    void ReplaceAll();
    void ShowTabStops();
    void ShowIndents();

    std::string loaded_;    // the value as the runtime gave it
    std::string baseline_;  // that value as this control writes it
    std::string sent_;      // the value the runtime has
    std::string empty_;     // the value of an empty text
    std::size_t limit_ = 0;
    long over_ = 0;
    bool loading_ = false;
    std::string reported_;
    QString file_;
    QPointer<QDialog> find_;
};

}  // namespace rt::qt
