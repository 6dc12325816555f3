// The error manager: the framework's message table, the working texts that fill its
// placeholders, the list of running procedures, and the raising of a message through a
// replaceable message shower.
//
// Placeholders in titles and texts: %File, %Field, %Message, %Key, %ErrorCode,
// %ErrorText, %Error (the error text followed by the code in brackets), %Procedure (the
// calling thread's current procedure). Substituted values are clipped of trailing blanks
// and are not scanned again, so a value that holds "%" is shown as it is.
//
// The working texts (field label, file, key, driver error) are kept per thread; the list
// of running procedures is process-wide, each entry with the thread that pushed it.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace rt {

// Numbers of the framework's messages.
enum class Msg : int {
    FileNotFound = 1,
    FileOpenError = 2,
    FileCreateError = 3,
    RecordNotFound = 4,
    RetrievalError = 5,
    DuplicateKeyAdd = 6,
    DuplicateKeyChange = 7,
    RecordChangedByAnother = 8,
    InsertError = 9,
    UpdateError = 10,
    DeleteError = 11,
    FieldRequired = 12,
    FieldOutOfRange = 13,  // %Message: the allowed range, e.g. "1 to 99"
    FieldNotInList = 14,   // %Message: the allowed values, e.g. "Da, Ne"
    FieldNotInFile = 18,   // %Message: the file the value must be found in
    RestrictUpdate = 20,
    RestrictDelete = 21,
    ProcedureNotDefined = 30,  // %Message: the procedure's name
    ConfirmDelete = 40,
    ConfirmCancel = 41,
};

// How a message is meant: its icon, its buttons and the level it returns.
enum class MsgKind {
    Notify,    // information, OK; level Benign
    Benign,    // information, OK; level Benign
    User,      // the user's input or action is refused, OK; level User
    Fatal,     // the operation cannot go on, OK; level Fatal
    Question,  // Yes/No; level Benign for yes, Cancel for no
};

// Levels that RaiseMessage returns.
struct Level {
    static constexpr int Benign = 0;
    static constexpr int User = 1;
    static constexpr int Fatal = 3;
    static constexpr int Cancel = 4;
};

struct MessageEntry {
    Msg number;
    MsgKind kind;
    const char* title;
    const char* text;
};

// What a message shower is asked to show.
struct ShownMessage {
    Msg number;
    MsgKind kind;
    std::string title;
    std::string text;
    std::string buttons;     // button texts separated by "|", e.g. "Yes|No"
    int default_button = 1;  // 1-based
};

// Shows a message and answers the 1-based number of the button the user chose.
using MessageShower = std::function<int(const ShownMessage&)>;

class ErrorManager {
public:
    ErrorManager();
    ~ErrorManager();
    ErrorManager(const ErrorManager&) = delete;
    ErrorManager& operator=(const ErrorManager&) = delete;

    // Set-up: empties the list of running procedures and the calling thread's texts.
    void Init();

    // The calling thread's working texts for the next messages.
    void SetFieldLabel(std::string_view label);
    void SetFile(std::string_view file_name);
    void SetKey(std::string_view key_name);
    // The driver's error code and error text of the last failed table operation.
    void SetErrors(std::string_view code, std::string_view text);

    // Shows message n with `message_text` for %Message and returns its level (MsgKind).
    int RaiseMessage(Msg n, std::string_view message_text = {});
    int ThrowFile(Msg n, std::string_view file_name) {
        SetFile(file_name);
        return RaiseMessage(n);
    }

    // The message's title and text as RaiseMessage would show them, without showing it.
    std::string Title(Msg n, std::string_view message_text = {}) const;
    std::string Message(Msg n, std::string_view message_text = {}) const;

    // Any text with its placeholders filled from the calling thread's texts.
    std::string Format(std::string_view text, std::string_view message_text = {}) const;

    // Adds the name with the calling thread to the list of running procedures.
    void PushProcedureName(std::string_view name);
    // Removes the calling thread's last entry (nothing when it has none).
    void PushProcedureName();
    // The calling thread's last pushed name; empty when it has none.
    std::string CurrentProcedure() const;

    // The process-wide shower; an empty one restores the default, which writes the title
    // and the text to stderr and answers the default button.
    static void SetShower(MessageShower shower);
    // The message table, and one entry of it (a generic entry for an unknown number).
    static std::span<const MessageEntry> Table();
    static MessageEntry Entry(Msg n);

private:
    const std::uint64_t id_;  // keys this object's per-thread texts
    mutable std::mutex procedures_mutex_;
    std::vector<std::pair<std::string, std::thread::id>> procedures_;
};

}  // namespace rt
