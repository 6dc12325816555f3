#include "platform/ui/richtext.h"

#include <algorithm>
#include <charconv>

#include "platform/core/text.h"
#include "platform/ui/window.h"

namespace rt::ui {
namespace {

// 00BBGGRRh of the colours 1 ... 16.
constexpr std::int32_t kColors[16] = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0x808080,
    0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
};

// The fonts the font drop list offers: those every desktop of the program shows alike.
constexpr const char* kFonts[] = {"Arial", "Courier New", "Microsoft Sans Serif", "Times New Roman"};

long ToLong(std::string_view s) {
    long v = 0;
    std::from_chars(s.data(), s.data() + s.size(), v);
    return v;
}

// Tools whose action leaves the typing where it was: the focus goes back to the text.
bool ReturnsToText(RichTextEditor::Tool t) {
    using T = RichTextEditor::Tool;
    switch (t) {
        case T::New:
        case T::Open:
        case T::Save:
        case T::Print:
        case T::Find:
        case T::Replace:
        case T::TabStops:
        case T::Indents: return false;  // these open a dialog of their own
        default: return true;
    }
}

}  // namespace

std::int32_t RichTextColor(int value) { return value >= 1 && value <= 16 ? kColors[value - 1] : -1; }

int RichTextColorValue(std::int32_t bgr) {
    for (int i = 0; i < 16; ++i)
        if (kColors[i] == bgr) return i + 1;
    return -1;
}

std::string RichTextState::Encode() const {
    auto flag = [](bool b) { return b ? "1" : "0"; };
    std::string out;
    auto add = [&](const char* key, const std::string& value) {
        out += key;
        out += '=';
        out += value;
        out += '\n';
    };
    add("b", flag(bold));
    add("i", flag(italic));
    add("u", flag(underline));
    add("align", std::to_string(align));
    add("list", std::to_string(bullets));
    add("font", font);
    add("size", std::to_string(size));
    add("charset", std::to_string(charset));
    add("color", std::to_string(color));
    add("highlight", std::to_string(highlight));
    add("cut", flag(can_cut));
    add("copy", flag(can_copy));
    add("paste", flag(can_paste));
    add("undo", flag(can_undo));
    add("redo", flag(can_redo));
    add("over", std::to_string(over));
    return out;
}

RichTextState RichTextState::Decode(std::string_view text) {
    RichTextState s;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
        const bool on = value == "1";
        if (key == "b")
            s.bold = on;
        else if (key == "i")
            s.italic = on;
        else if (key == "u")
            s.underline = on;
        else if (key == "align")
            s.align = static_cast<int>(ToLong(value));
        else if (key == "list")
            s.bullets = static_cast<int>(ToLong(value));
        else if (key == "font")
            s.font = std::string(value);
        else if (key == "size")
            s.size = static_cast<int>(ToLong(value));
        else if (key == "charset")
            s.charset = static_cast<int>(ToLong(value));
        else if (key == "color")
            s.color = static_cast<int>(ToLong(value));
        else if (key == "highlight")
            s.highlight = static_cast<int>(ToLong(value));
        else if (key == "cut")
            s.can_cut = on;
        else if (key == "copy")
            s.can_copy = on;
        else if (key == "paste")
            s.can_paste = on;
        else if (key == "undo")
            s.can_undo = on;
        else if (key == "redo")
            s.can_redo = on;
        else if (key == "over")
            s.over = ToLong(value);
    }
    return s;
}

void RichTextEditor::SetToolControl(Tool tool, int feq) {
    for (auto& [t, f] : tools_) {
        if (t == tool) {
            f = feq;
            return;
        }
    }
    tools_.emplace_back(tool, feq);
}

int RichTextEditor::ToolControl(Tool tool) const {
    for (const auto& [t, f] : tools_)
        if (t == tool) return f;
    return 0;
}

bool RichTextEditor::ToolOf(int feq, Tool& tool) const {
    if (feq == 0) return false;
    for (const auto& [t, f] : tools_) {
        if (f == feq) {
            tool = t;
            return true;
        }
    }
    return false;
}

void RichTextEditor::Init(Window& window, int control, std::string_view file) {
    window_ = &window;
    control_ = control;
    state_ = RichTextState{};
    limit_ = window.UseOf(control).capacity();
    if (int fonts = ToolControl(Tool::FontName)) {
        std::vector<std::vector<std::string>> rows;
        for (const char* f : kFonts) rows.push_back({f, f});
        window.SetRows(fonts, std::move(rows));
    }
    Perform(RichTextAction::Limit, std::to_string(limit_));
    Perform(RichTextAction::Empty, EmptyText());
    Perform(RichTextAction::File, file);
}

std::string RichTextEditor::EmptyText() { return kEmptyRtf; }

void RichTextEditor::Kill() {
    window_ = nullptr;
    control_ = 0;
    tools_.clear();
    disabled_.clear();
}

void RichTextEditor::DisableControl(int feq) {
    if (std::find(disabled_.begin(), disabled_.end(), feq) == disabled_.end()) disabled_.push_back(feq);
    if (window_) window_->Disable(feq);
}

void RichTextEditor::Perform(const char* action, std::string_view value) {
    if (window_ && control_) window_->Perform(control_, action, value);
}

int RichTextEditor::TakeEvent() {
    if (!window_ || !control_) return 0;
    Window& w = *window_;
    const int feq = w.field();
    if (feq == control_) {
        if (w.event() == Event::NewSelection) {
            state_ = RichTextState::Decode(w.GetText(control_, Prop::Format));
            ShowState();
        }
        return 0;
    }
    Tool tool;
    if (w.event() != Event::Accepted || !ToolOf(feq, tool)) return 0;
    Act(tool, feq);
    if (ReturnsToText(tool)) w.Select(control_);
    return 0;
}

void RichTextEditor::Act(Tool tool, int feq) {
    namespace A = RichTextAction;
    Window& w = *window_;
    const std::string value = w.GetText(feq, Prop::Value);
    const char* on = w.Get(feq, Prop::Value) ? "1" : "0";
    switch (tool) {
        case Tool::New: Perform(A::New); break;
        case Tool::Open: Perform(A::Open); break;
        case Tool::Save: Perform(A::Save); break;
        case Tool::Print: Perform(A::Print); break;
        case Tool::Find: Perform(A::Find); break;
        case Tool::Replace: Perform(A::Replace); break;
        case Tool::Cut: Perform(A::Cut); break;
        case Tool::Copy: Perform(A::Copy); break;
        case Tool::Paste: Perform(A::Paste); break;
        case Tool::Undo: Perform(A::Undo); break;
        case Tool::Redo: Perform(A::Redo); break;
        case Tool::TabStops: Perform(A::TabStops); break;
        case Tool::Indents: Perform(A::Indents); break;
        case Tool::Alignment: Perform(A::Align, value); break;
        case Tool::Bullets: Perform(A::Bullets, *on == '1' ? style_ : std::string("0")); break;
        case Tool::BulletStyle:
            if (ToLong(value) < 1) break;
            style_ = value;
            Perform(A::Bullets, style_);
            SetCheck(Tool::Bullets, true);
            break;
        case Tool::FontName: {
            const long row = w.Get(feq, Prop::Selected);
            const auto& rows = w.Rows(feq);
            if (row >= 1 && static_cast<std::size_t>(row) <= rows.size() && !rows[row - 1].empty())
                Perform(A::Font, rows[row - 1][0]);
            break;
        }
        case Tool::FontSize:
            if (ToLong(value) > 0) Perform(A::Size, value);
            break;
        case Tool::FontCharset: Perform(A::Charset, value); break;
        case Tool::Bold: Perform(A::Bold, on); break;
        case Tool::Italic: Perform(A::Italic, on); break;
        case Tool::Underline: Perform(A::Underline, on); break;
        case Tool::FontColor: Perform(A::Color, value); break;
        case Tool::Highlight: Perform(A::Highlight, value); break;
    }
}

void RichTextEditor::SetCheck(Tool tool, bool on) {
    if (int feq = ToolControl(tool)) window_->Set(feq, Prop::Value, on ? 1 : 0);
}

void RichTextEditor::SetEnabled(Tool tool, bool on) {
    const int feq = ToolControl(tool);
    if (!feq || std::find(disabled_.begin(), disabled_.end(), feq) != disabled_.end()) return;
    window_->Set(feq, Prop::Disable, on ? 0 : 1);
}

// A drop list or option shows the entry of the value; a value it does not hold shows none.
void RichTextEditor::ChooseValue(Tool tool, const std::string& value) {
    if (int feq = ToolControl(tool)) window_->SetText(feq, Prop::Value, value);
}

void RichTextEditor::ShowState() {
    Window& w = *window_;
    const RichTextState& s = state_;
    SetCheck(Tool::Bold, s.bold);
    SetCheck(Tool::Italic, s.italic);
    SetCheck(Tool::Underline, s.underline);
    SetCheck(Tool::Bullets, s.bullets > 0);
    ChooseValue(Tool::Alignment, std::to_string(s.align));
    // The style list shows the list's style, else the one the Bullets check turns on.
    if (s.bullets > 0) style_ = std::to_string(s.bullets);
    ChooseValue(Tool::BulletStyle, style_);
    if (int fonts = ToolControl(Tool::FontName); fonts && !s.font.empty()) {
        // A font of the text that the list does not offer joins it.
        auto rows = w.Rows(fonts);
        long chosen = 0;
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (!rows[i].empty() && rt::equal_nocase(rows[i][0], s.font)) chosen = static_cast<long>(i + 1);
        if (!chosen) {
            rows.push_back({s.font, s.font});
            std::sort(rows.begin(), rows.end(),
                      [](const auto& a, const auto& b) { return rt::compare_nocase(a[0], b[0]) < 0; });
            for (std::size_t i = 0; i < rows.size(); ++i)
                if (rows[i][0] == s.font) chosen = static_cast<long>(i + 1);
            w.SetRows(fonts, std::move(rows));
        }
        w.Set(fonts, Prop::Selected, chosen);
    }
    ChooseValue(Tool::FontSize, s.size > 0 ? std::to_string(s.size) : std::string());
    ChooseValue(Tool::FontCharset, std::to_string(s.charset));
    ChooseValue(Tool::FontColor, s.color >= 0 ? std::to_string(s.color) : std::string());
    ChooseValue(Tool::Highlight, s.highlight >= 0 ? std::to_string(s.highlight) : std::string());
    SetEnabled(Tool::Cut, s.can_cut);
    SetEnabled(Tool::Copy, s.can_copy);
    SetEnabled(Tool::Paste, s.can_paste);
    SetEnabled(Tool::Undo, s.can_undo);
    SetEnabled(Tool::Redo, s.can_redo);
}

bool RichTextEditor::CheckLength() {
    if (TextFits() || !window_) return true;
    const std::string text = "The text is too long to be saved: as RTF it takes " +
                             std::to_string(state_.over) + " characters, and at most " +
                             std::to_string(limit_) +
                             " fit. Shorten the text or remove some of its formatting.";
    Message(text, "Text too long", Icon::Exclamation);
    return false;
}

}  // namespace rt::ui
