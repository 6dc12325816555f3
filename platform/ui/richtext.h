// The rich-text editor object: it serves one rich-text (RTF) control and the tool controls
// of its tool bar. The tool controls are ordinary window controls (buttons, an option of
// alignment radios, checks and drop lists); the editor hands their Accepted events to the
// back end as actions on its control (Window::Perform), and shows the format at the
// control's cursor, which the back end reports with a NewSelection of the control (its
// Format property), in the tool controls: the checks and radios as they are on, the drop
// lists on the font, size, charset and colours, and the five edit buttons (Cut, Copy,
// Paste, Undo, Redo) enabled while they can act.
//
// The control's value is the RTF text of what it shows. The back end gives it back to
// the procedure only when the user changed the text, and never a text longer than the
// variable holds: a cut RTF text would be corrupt. Whether the text fits is the editor's
// to answer (TextFits) and to tell the user (CheckLength).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rt::ui {

class Window;

// The colours of the colour drop lists by their values: 1 Black ... 16 White; 0 is
// Automatic (the text's own colour, no highlight). Answers 00BBGGRRh, -1 for 0 and for
// values outside the list.
std::int32_t RichTextColor(int value);
// The value of a colour (00BBGGRRh) in that list, -1 when it is none of them.
int RichTextColorValue(std::int32_t bgr);

// What the back end reports of a rich-text control: the format at its cursor (of the
// selection's start when text is selected), what the edit buttons can do, and how long
// the text would be as RTF when it does not fit the control's limit.
struct RichTextState {
    bool bold = false, italic = false, underline = false;
    int align = 1;     // 1 left, 2 right, 3 centre, 4 justified
    int bullets = 0;   // 0 none, else the style of the list (1 bullets ... 6 upper Roman)
    std::string font;  // the font's name (CP1250)
    int size = 0;      // points
    int charset = 238;
    int color = 0;  // as RichTextColorValue; 0 automatic, -1 another colour
    int highlight = 0;
    bool can_cut = false, can_copy = false, can_paste = false, can_undo = false, can_redo = false;
    long over = 0;  // the text's RTF length when it exceeds the limit, else 0

    std::string Encode() const;
    static RichTextState Decode(std::string_view text);
    bool operator==(const RichTextState&) const = default;
};

// The actions the editor asks of the back end (Window::Perform on the control), with the
// value each takes.
namespace RichTextAction {
inline constexpr const char* Limit = "limit";  // the most characters the RTF may take
inline constexpr const char* Empty = "empty";  // the value of an empty text
inline constexpr const char* File = "file";    // the file name Open and Save start from
inline constexpr const char* New = "new";
inline constexpr const char* Open = "open";
inline constexpr const char* Save = "save";
inline constexpr const char* Print = "print";
inline constexpr const char* Find = "find";
inline constexpr const char* Replace = "replace";
inline constexpr const char* Cut = "cut";
inline constexpr const char* Copy = "copy";
inline constexpr const char* Paste = "paste";
inline constexpr const char* Undo = "undo";
inline constexpr const char* Redo = "redo";
inline constexpr const char* TabStops = "tabs";
inline constexpr const char* Indents = "indents";
inline constexpr const char* Align = "align";      // 1 left, 2 right, 3 centre, 4 justified
inline constexpr const char* Bullets = "bullets";  // 0 off, 1 ... 6 the list style
inline constexpr const char* Font = "font";        // a font's name
inline constexpr const char* Size = "size";        // points
inline constexpr const char* Charset = "charset";
inline constexpr const char* Bold = "bold";  // 1 on, 0 off
inline constexpr const char* Italic = "italic";
inline constexpr const char* Underline = "underline";
inline constexpr const char* Color = "color";  // a colour's value (RichTextColor)
inline constexpr const char* Highlight = "highlight";
}  // namespace RichTextAction

// The RTF of an empty text as the editor gives it by default.
inline constexpr const char* kEmptyRtf =
    "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fcharset238 Arial;}}\\fs20\\par}";

class RichTextEditor {
public:
    enum class Tool {
        New,
        Open,
        Save,
        Print,
        Find,
        Replace,
        Cut,
        Copy,
        Paste,
        Undo,
        Redo,
        TabStops,
        Indents,
        Alignment,    // the option of the alignment radios (values 1 left, 3 centre, 2 right, 4 justify)
        Bullets,      // check
        BulletStyle,  // drop list, values 1 ... 6
        FontName,
        FontSize,
        FontCharset,  // drop lists
        Bold,
        Italic,
        Underline,  // checks
        FontColor,
        Highlight,  // drop lists, values as RichTextColor
    };

    RichTextEditor() = default;
    virtual ~RichTextEditor() = default;
    RichTextEditor(const RichTextEditor&) = delete;
    RichTextEditor& operator=(const RichTextEditor&) = delete;

    // One tool control; a tool given twice keeps the later control.
    void SetToolControl(Tool tool, int feq);
    // Binds the editor to its rich-text control of an open window; `file` is the file
    // name Open and Save start from. Fills the font drop list and tells the back end the
    // control's limit (the variable's size) and the value of an empty text.
    void Init(Window& window, int control, std::string_view file = {});
    // The value an empty text gives the control's variable.
    virtual std::string EmptyText();
    // The editor's own event handling, first of every event of the window: a tool
    // control's Accepted becomes its action, the control's NewSelection updates the tool
    // controls. Answers 0: the event goes on.
    virtual int TakeEvent();
    void Kill();

    // A tool control the editor must leave disabled (its state no longer follows the text).
    void DisableControl(int feq);

    // Whether the text the control shows fits its variable; CheckLength tells the user
    // when it does not (and answers false).
    bool TextFits() const { return state_.over == 0; }
    bool CheckLength();

    int control() const { return control_; }
    int ToolControl(Tool tool) const;
    const std::vector<std::pair<Tool, int>>& tools() const { return tools_; }
    const RichTextState& state() const { return state_; }
    // The most characters the control's variable takes (0: no limit).
    std::size_t limit() const { return limit_; }

private:
    bool ToolOf(int feq, Tool& tool) const;
    void Act(Tool tool, int feq);
    void ShowState();
    void SetCheck(Tool tool, bool on);
    void SetEnabled(Tool tool, bool on);
    void ChooseValue(Tool tool, const std::string& value);
    void Perform(const char* action, std::string_view value = {});

    Window* window_ = nullptr;
    int control_ = 0;
    std::size_t limit_ = 0;
    std::vector<std::pair<Tool, int>> tools_;
    std::vector<int> disabled_;
    RichTextState state_;
    std::string style_ = "1";  // the list style the Bullets check turns on
};

}  // namespace rt::ui
