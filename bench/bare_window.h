// A window of five controls (a list of one column and four buttons) that a procedure
// thread opens: the baseline of what any window costs, for the benchmarks that time a
// register's window against it.
#pragma once

#include <string>

#include "platform/ui/resource.h"

namespace kvbench {

inline const rt::ui::WindowDef& BareDef() {
    using namespace rt::ui;
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$BENCH";
        d.name = "P1$BARE";
        d.caption = "Bench";
        d.w = 300, d.h = 200;
        d.resizable = true;
        for (int i = 0; i < 5; ++i) {
            ControlDef c;
            c.kind = i == 0 ? Ctl::List : Ctl::Button;
            c.label = i == 0 ? "?BROWSE:1" : "?B" + std::to_string(i);
            c.text = i == 0 ? "" : "Dugme";
            c.format = i == 0 ? "40L(2)~A~@s5@" : "";
            c.x = i == 0 ? 4 : 4 + 45 * (i - 1), c.y = i == 0 ? 4 : 150;
            c.w = i == 0 ? 200 : 40, c.h = i == 0 ? 140 : 14;
            d.controls.push_back(c);
        }
        return d;
    }();
    return def;
}

}  // namespace kvbench
