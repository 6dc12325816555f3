#include "platform/ui/resource.h"

#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/core/text.h"

namespace rt::ui {
namespace {

struct Registry {
    std::mutex mutex;
    // Keyed by upper-cased module and name; the definitions never move once registered,
    // since windows and the back end keep pointers into them.
    std::map<std::pair<std::string, std::string>, std::unique_ptr<WindowDef>> defs;
};

Registry& registry() {
    static Registry r;
    return r;
}

}  // namespace

void RegisterWindow(const WindowDef& def) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto& slot = r.defs[{rt::upper(def.module), rt::upper(def.name)}];
    // A second registration of the same name keeps the first: windows may be using it.
    if (!slot) slot = std::make_unique<WindowDef>(def);
}

const WindowDef* FindWindow(const std::string& module, const std::string& name) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.defs.find({rt::upper(module), rt::upper(name)});
    return it == r.defs.end() ? nullptr : it->second.get();
}

ControlDef MakeControl(int kind, std::string label, int x, int y, int w, int h, std::string_view text,
                       std::uint32_t attrs) {
    ControlDef c;
    c.kind = kind;
    c.label = std::move(label);
    c.x = x, c.y = y, c.w = w, c.h = h;
    c.text = utf8_to_cp1250(text);
    c.attrs = attrs;
    return c;
}

ControlDef MakeControl(int kind, std::string label, int x, int y, int w, int h, std::string_view text,
                       std::string picture, std::uint32_t attrs) {
    ControlDef c = MakeControl(kind, std::move(label), x, y, w, h, text, attrs);
    c.picture = std::move(picture);
    return c;
}

WindowDef MakeWindow(const WindowHead& head) {
    WindowDef d;
    d.module = head.module;
    d.name = head.name;
    d.caption = utf8_to_cp1250(head.caption);
    d.w = head.w, d.h = head.h;
    d.center = head.center;
    d.resizable = head.resizable;
    d.mdi = head.mdi;
    d.system_menu = head.system_menu;
    return d;
}

ControlDef MakeTab(int n, std::string_view text, std::vector<ControlDef> controls) {
    ControlDef tab = MakeControl(Ctl::Tab, "?TAB:" + std::to_string(n), 0, 0, -1, -1, text);
    tab.children = std::move(controls);
    return tab;
}

ControlDef MakeSheet(Rect at, std::vector<ControlDef> tabs) {
    ControlDef sheet = MakeControl(Ctl::Sheet, "?CURRENTTAB", at.x, at.y, at.w, at.h);
    sheet.children = std::move(tabs);
    return sheet;
}

ControlDef MakeTabs(Rect at, std::initializer_list<std::string_view> texts) {
    std::vector<ControlDef> tabs;
    for (std::string_view text : texts) tabs.push_back(MakeTab(static_cast<int>(tabs.size()) + 1, text));
    return MakeSheet(at, std::move(tabs));
}

ControlDef MakeBrowseList(Rect at, std::span<const ListColumn> columns) {
    ControlDef list = MakeControl(Ctl::List, "?BROWSE:1", at.x, at.y, at.w, at.h, {}, kHScroll | kVScroll);
    list.format = ListFormat(columns);
    return list;
}

ControlDef MakeButton(const ButtonDef& b) {
    ControlDef c = MakeControl(Ctl::Button, b.label, b.at.x, b.at.y, b.at.w, b.at.h, b.text, b.attrs);
    c.key = b.key;
    c.tip = b.tip;
    c.icon = b.icon;
    return c;
}

std::vector<ControlDef> BrowseButtons(const BrowseButtonsAt& at) {
    struct Standard {
        const char* label;
        const char* text;
        int stacked;  // its place among the stacked buttons
    };
    constexpr Standard kButtons[] = {{"?SELECT:2", "&Select", 0}, {"?VIEW:3", "&View", 1},
                                     {"?INSERT:4", "&Insert", 0}, {"?CHANGE:4", "&Change", 1},
                                     {"?DELETE:4", "&Delete", 2}, {"?CLOSE", "&Close", 3},
                                     {"?HELP", "&Help", 4}};
    std::vector<ControlDef> out;
    int place = 0;
    for (const Standard& b : kButtons) {
        const int n = at.in_row ? place++ : b.stacked;
        const bool narrow_help = !at.in_row && n == 4;  // stacked, Help is narrower
        std::uint32_t attrs = kHide;
        if (at.change_is_default && std::string_view(b.label) == "?CHANGE:4") attrs |= kDefault;
        out.push_back(
            MakeControl(Ctl::Button, b.label, at.x + 46 * n, at.y, narrow_help ? 38 : 42, 14, b.text, attrs));
    }
    return out;
}

std::vector<ControlDef> FormButtons(const FormButtonsAt& at) {
    const int step = at.w + at.gap;
    ControlDef ok = MakeControl(Ctl::Button, "?OK", at.x, at.y, at.w, at.h, at.ok, kDefault);
    ok.tip = at.ok_tip;
    ControlDef cancel = MakeControl(Ctl::Button, "?CANCEL", at.x + step, at.y, at.w, at.h, at.cancel);
    cancel.tip = at.cancel_tip;
    std::vector<ControlDef> out{ok, cancel};
    if (at.help)
        out.push_back(MakeControl(Ctl::Button, "?HELP", at.x + 2 * step, at.y, at.w, at.h, "&Help", kHide));
    return out;
}

std::vector<ControlDef> PromptAndEntry(const FormGrid& at, const FormLine& line) {
    std::string label = line.label.empty() ? "?" + line.field : line.label;
    std::string prompt_label = line.prompt_label.empty() ? label + ":PROMPT" : line.prompt_label;
    std::vector<ControlDef> out;
    out.push_back(MakeControl(Ctl::Prompt, std::move(prompt_label), at.x, at.y + at.prompt_dy, at.prompt_w,
                              10, line.prompt));
    out.push_back(MakeControl(Ctl::Entry, std::move(label), at.entry_x, at.y, line.w, 10, {}, line.picture,
                              line.attrs));
    out.back().use = line.field;
    for (const ControlDef& c : line.then) out.push_back(c);
    return out;
}

std::vector<ControlDef> FormLines(const FormGrid& grid, std::span<const FormLine> lines) {
    std::vector<ControlDef> out;
    FormGrid at = grid;
    for (const FormLine& l : lines) {
        AppendControls(out, PromptAndEntry(at, l));
        at.y += grid.step;
    }
    return out;
}

ControlDef MakeOption(std::string_view field, int x, int y, int w, std::string_view text,
                      std::initializer_list<std::string_view> radios) {
    const std::string label = "?" + std::string(field);
    const int h = 12 + 12 * static_cast<int>(radios.size());
    ControlDef option = MakeControl(Ctl::Option, label, x, y, w, h, text);
    option.use = field;
    int i = 0;
    for (std::string_view r : radios) {
        ++i;
        option.children.push_back(MakeControl(Ctl::Radio, label + ":RADIO" + std::to_string(i), x + 8,
                                              y + 2 + 12 * i, w - 14, 10, r));
    }
    return option;
}

}  // namespace rt::ui
