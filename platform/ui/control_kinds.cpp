#include "platform/ui/control_kinds.h"

#include <algorithm>

namespace rt::ui {
namespace {

constexpr ControlKindTraits kTable[] = {
    {.kind = Ctl::Image, .beneath_drawing = true},
    {.kind = Ctl::Region, .beneath_drawing = true},
    {.kind = Ctl::Line, .beneath_drawing = true},
    {.kind = Ctl::Box, .beneath_drawing = true},
    {.kind = Ctl::Ellipse, .beneath_drawing = true},
    {.kind = Ctl::Entry,
     .takes_focus = true,
     .updates_variable = true,
     .typed = true,
     .line_entry = true,
     .nav_keys = {Key::Down, Key::Enter, Key::Up}},
    {.kind = Ctl::Button, .takes_focus = true, .nav_keys = {Key::Up, Key::Down, Key::Right, Key::Left}},
    {.kind = Ctl::Option, .updates_variable = true, .beneath_drawing = true},
    {.kind = Ctl::Check,
     .takes_focus = true,
     .updates_variable = true,
     .nav_keys = {Key::Enter, Key::Up, Key::Down, Key::Right, Key::Left}},
    {.kind = Ctl::Group, .beneath_drawing = true},
    {.kind = Ctl::List,
     .takes_focus = true,
     .enter_to_control = true,
     .nav_keys = {Key::Enter, Key::Right, Key::Left}},
    {.kind = Ctl::Combo,
     .takes_focus = true,
     .updates_variable = true,
     .typed = true,
     .nav_keys = {Key::Enter}},
    {.kind = Ctl::Spin,
     .takes_focus = true,
     .updates_variable = true,
     .typed = true,
     .line_entry = true,
     .nav_keys = {Key::Enter}},
    {.kind = Ctl::Text,
     .takes_focus = true,
     .updates_variable = true,
     .typed = true,
     .enter_to_control = true,
     .text_box = true,
     .nav_keys = {Key::Down, Key::Enter, Key::Up}},
    {.kind = Ctl::Radio, .takes_focus = true, .nav_keys = {Key::Enter}},
    {.kind = Ctl::DropList,
     .takes_focus = true,
     .updates_variable = true,
     .nav_keys = {Key::Enter, Key::Right, Key::Left}},
    {.kind = Ctl::DropCombo,
     .takes_focus = true,
     .updates_variable = true,
     .typed = true,
     .nav_keys = {Key::Enter}},
    {.kind = Ctl::Slider, .takes_focus = true},
    {.kind = Ctl::Sheet, .beneath_drawing = true},
    {.kind = Ctl::Panel, .beneath_drawing = true},
    {.kind = Ctl::Rtf,
     .takes_focus = true,
     .updates_variable = true,
     .enter_to_control = true,
     .text_box = true,
     .rich_text = true,
     .nav_keys = {Key::Down, Key::Enter, Key::Up}},
};

constexpr ControlKindTraits kNone{};

}  // namespace

const ControlKindTraits& KindTraits(int kind) {
    const auto* it = std::find_if(std::begin(kTable), std::end(kTable),
                                  [kind](const ControlKindTraits& t) { return t.kind == kind; });
    return it == std::end(kTable) ? kNone : *it;
}

}  // namespace rt::ui
