// The break tracker: groups of consecutive records of a process that share the value of a
// break field (one invoice of a run: its items). When a record of another value is read
// the open group closes and a new one opens; at the end of the view every open group
// closes. While a group closes, the break field and the fields registered with
// DefineResetField hold the values of the group's last record (and the current ones
// again afterwards), so what prints at the close shows the group that closes.
// Totals sum a source over the records of the current group.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/window.h"

namespace rt::report {

// One level of a break: the procedure overrides its open and close.
class BreakGroup {
public:
    virtual ~BreakGroup() = default;
    // Called with the break number and the level number (1-based).
    virtual void OnOpen(int break_number, int level) {}
    virtual void OnClose(int break_number, int level) {}
};

class BreakTracker {
public:
    BreakTracker();
    ~BreakTracker();
    BreakTracker(const BreakTracker&) = delete;
    BreakTracker& operator=(const BreakTracker&) = delete;

    // Starts the definition afresh: `breaks` breaks (only the first is kept apart here).
    void Setup(int breaks = 1);
    // A new level of the last break, with its group object.
    void NewLevel(BreakGroup& group);
    // The current level's break field.
    void DefineBreakField(ui::Binding field);
    // A field whose value at the group's last record is put back while the group closes.
    void DefineResetField(ui::Binding field);
    // A total of the current level: `target` holds the sum of `source` over the group's
    // records so far (kind 3), reset when a group opens.
    void DefineTotal(ui::Binding target, ui::Binding source, int kind = 3, int flag = 1);

    // A record was read: closes and opens groups as its break field says. Call before the
    // record is processed.
    void Check();
    // The record was processed: its values are the group's last ones; totals take it.
    void Taken();
    // The end of the view: every open group closes.
    void CloseAll();
    bool GroupOpen() const;

private:
    struct Saved;
    struct Level;
    std::vector<std::unique_ptr<Level>> levels_;
};

}  // namespace rt::report
