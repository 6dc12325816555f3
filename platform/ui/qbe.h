// Query by example: the user gives, per field of a browse's list, an operator and a value;
// the query builds from them a filter text in the runtime's expression form (fields by
// their prefixed names, text literals in single quotes with a quote doubled), which a view
// takes through DefineFilter and compiles to SQL with every value bound as a parameter.
// Queries can be kept by name ("quick queries") in the procedure's settings file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rt {
class ErrorManager;
class IniManager;
class ViewManager;
}  // namespace rt

namespace rt::ui {

struct WindowDef;

enum class QbeOp { None, Equal, NotEqual, Less, Greater, LessEqual, GreaterEqual, Contains, BeginsWith };

// The operator a user types ("=", "<>", "<", ">", "<=", ">=", "contains", "begins");
// nothing for any other text. A blank text is QbeOp::None.
std::optional<QbeOp> ParseQbeOp(std::string_view text);
const char* QbeOpText(QbeOp op);

struct QbeItem {
    std::string field;  // "KVD:BROJ"
    std::string title;  // the list column's heading
    bool numeric = false;
    QbeOp op = QbeOp::None;
    std::string value;  // CP1250
};

class QbeQuery {
public:
    int QKSUPPORT = 0;       // 1: quick queries are offered
    std::string QKICON;      // icon of the quick-query load button
    std::string QKMENUICON;  // icon of the quick-query menu

    // Set-up with the settings file, the error manager and the procedure's name (the
    // section of its quick queries). Forgets the items.
    void Setup(IniManager& settings, ErrorManager& errors, std::string_view procedure);
    // A field the user may query (the browse attaches its list columns).
    void AddItem(std::string_view field, std::string_view title, bool numeric);
    const std::vector<QbeItem>& Items() const { return items_; }
    const std::string& Procedure() const { return procedure_; }

    // Sets one field's condition. False (nothing changed) for an unknown field, an operator
    // that does not suit the field, or a value of a numeric field that is not a number.
    bool SetCondition(std::string_view field, QbeOp op, std::string_view value);
    void ClearConditions();
    bool Active() const;

    // The filter text of the conditions, ANDed; empty when no query is active.
    std::string BuildFilter() const;
    // The filter on a view under the id "QBE" (composed at once); "" or the view's error.
    std::string ApplyTo(ViewManager& view) const;

    // Opens the query window on the calling thread; true when the user applied a query.
    bool Ask();

    // Quick queries: the conditions under a name in the procedure's section of the
    // settings file. Loading answers false for a name that holds no query.
    bool SaveQuick(std::string_view name) const;
    bool LoadQuick(std::string_view name);

private:
    friend class QbeWindow;
    QbeItem* find(std::string_view field);
    std::string section() const { return procedure_ + " Queries"; }

    IniManager* settings_ = nullptr;
    ErrorManager* errors_ = nullptr;
    std::string procedure_;
    std::vector<QbeItem> items_;
};

// The query's window: one row per item with its title, an operator entry and a value
// entry; OK applies, Clear empties the rows, Cancel leaves the query as it was. With quick
// queries, a name entry with Save and Load.
class QbeWindow {
public:
    explicit QbeWindow(QbeQuery& query) : query_(query) {}
    bool Run();
    // The window's resource for the query's items (kept for the process).
    static const WindowDef& Def(const QbeQuery& query);

private:
    QbeQuery& query_;
};

}  // namespace rt::ui
