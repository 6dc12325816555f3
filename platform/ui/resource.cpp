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

ControlDef MakeOption(const std::string& label, int x, int y, int w, std::string_view text,
                      std::initializer_list<std::string_view> radios) {
    const int h = 12 + 12 * static_cast<int>(radios.size());
    ControlDef option = MakeControl(Ctl::Option, label, x, y, w, h, text);
    int i = 0;
    for (std::string_view r : radios) {
        ++i;
        option.children.push_back(MakeControl(Ctl::Radio, label + ":RADIO" + std::to_string(i), x + 8,
                                              y + 2 + 12 * i, w - 14, 10, r));
    }
    return option;
}

}  // namespace rt::ui
