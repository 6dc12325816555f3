#include "platform/ui/qbe.h"

#include <cstdio>
#include <deque>
#include <mutex>

#include "platform/core/errors.h"
#include "platform/core/ini.h"
#include "platform/core/text.h"
#include "platform/files/view.h"
#include "platform/ui/window.h"

namespace rt::ui {

namespace {

struct OpName {
    QbeOp op;
    const char* text;
};
constexpr OpName kOps[] = {
    {QbeOp::Equal, "="},
    {QbeOp::NotEqual, "<>"},
    {QbeOp::LessEqual, "<="},
    {QbeOp::GreaterEqual, ">="},
    {QbeOp::Less, "<"},
    {QbeOp::Greater, ">"},
    {QbeOp::Contains, "contains"},
    {QbeOp::BeginsWith, "begins"},
};

// A text literal of the expression form: quoted, a quote doubled.
std::string Literal(std::string_view s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

// A plain decimal number (optional sign, digits, optional fraction); nothing else may
// reach a filter unquoted.
bool IsNumber(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
    }
    return digits > 0 && i == s.size();
}

bool Suits(const QbeItem& item, QbeOp op) {
    return !(item.numeric && (op == QbeOp::Contains || op == QbeOp::BeginsWith));
}

std::string Condition(const QbeItem& it) {
    const std::string value = rt::clip(it.value);
    if (it.numeric) return it.field + " " + QbeOpText(it.op) + " " + value;
    const std::string field = "UPPER(" + it.field + ")";
    const std::string lit = "UPPER(" + Literal(value) + ")";
    switch (it.op) {
        case QbeOp::Contains: return "INSTRING(" + lit + ", " + field + ", 1, 1) > 0";
        case QbeOp::BeginsWith: return "INSTRING(" + lit + ", " + field + ", 1, 1) = 1";
        default: return field + " " + QbeOpText(it.op) + " " + lit;
    }
}

std::string Hex(std::string_view s) {
    std::string out;
    char b[3];
    for (unsigned char c : s) {
        std::snprintf(b, sizeof b, "%02X", c);
        out += b;
    }
    return out;
}

std::optional<std::string> Unhex(std::string_view s) {
    if (s.size() % 2) return std::nullopt;
    std::string out;
    for (std::size_t i = 0; i < s.size(); i += 2) {
        int v = 0;
        for (char c : s.substr(i, 2)) {
            v <<= 4;
            if (c >= '0' && c <= '9')
                v |= c - '0';
            else if (c >= 'A' && c <= 'F')
                v |= c - 'A' + 10;
            else
                return std::nullopt;
        }
        out += static_cast<char>(v);
    }
    return out;
}

std::vector<std::string> Split(std::string_view s, char sep) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t p = s.find(sep, start);
        out.emplace_back(s.substr(start, p == std::string_view::npos ? std::string_view::npos : p - start));
        if (p == std::string_view::npos) return out;
        start = p + 1;
    }
}

}  // namespace

std::optional<QbeOp> ParseQbeOp(std::string_view text) {
    const std::string t = rt::clip(rt::left(text));
    if (t.empty()) return QbeOp::None;
    for (const OpName& o : kOps)
        if (rt::equal_nocase(t, o.text)) return o.op;
    return std::nullopt;
}

const char* QbeOpText(QbeOp op) {
    for (const OpName& o : kOps)
        if (o.op == op) return o.text;
    return "";
}

void QbeQuery::Setup(IniManager& settings, ErrorManager& errors, std::string_view procedure) {
    settings_ = &settings;
    errors_ = &errors;
    procedure_ = std::string(procedure);
    items_.clear();
}

void QbeQuery::AddItem(std::string_view field, std::string_view title, bool numeric) {
    if (find(field)) return;
    QbeItem it;
    it.field = std::string(field);
    it.title = std::string(title);
    it.numeric = numeric;
    items_.push_back(std::move(it));
}

QbeItem* QbeQuery::find(std::string_view field) {
    for (QbeItem& it : items_)
        if (rt::equal_nocase(it.field, field)) return &it;
    return nullptr;
}

bool QbeQuery::SetCondition(std::string_view field, QbeOp op, std::string_view value) {
    QbeItem* it = find(field);
    if (!it || !Suits(*it, op)) return false;
    const std::string v = rt::clip(rt::left(value));
    if (op != QbeOp::None && it->numeric && !IsNumber(v)) return false;
    it->op = op;
    it->value = op == QbeOp::None ? std::string() : v;
    return true;
}

void QbeQuery::ClearConditions() {
    for (QbeItem& it : items_) {
        it.op = QbeOp::None;
        it.value.clear();
    }
}

bool QbeQuery::Active() const {
    for (const QbeItem& it : items_)
        if (it.op != QbeOp::None) return true;
    return false;
}

std::string QbeQuery::BuildFilter() const {
    std::string out;
    for (const QbeItem& it : items_) {
        if (it.op == QbeOp::None) continue;
        if (!out.empty()) out += " AND ";
        out += "(" + Condition(it) + ")";
    }
    return out;
}

std::string QbeQuery::ApplyTo(ViewManager& view) const {
    const std::string error = view.DefineFilter(BuildFilter(), "QBE");
    const std::string composed = view.ComposeFilter();
    return error.empty() ? composed : error;
}

bool QbeQuery::SaveQuick(std::string_view name) const {
    if (!settings_ || rt::clip(name).empty()) return false;
    std::string text;
    for (const QbeItem& it : items_) {
        if (it.op == QbeOp::None) continue;
        if (!text.empty()) text += ';';
        text += it.field + "," + std::to_string(static_cast<int>(it.op)) + "," + Hex(it.value);
    }
    return settings_->Update(section(), rt::clip(name), text);
}

bool QbeQuery::LoadQuick(std::string_view name) {
    if (!settings_) return false;
    std::string text;
    if (!settings_->TryFetch(section(), rt::clip(name), text)) return false;
    QbeQuery loaded = *this;
    loaded.ClearConditions();
    if (!text.empty()) {
        for (const std::string& cond : Split(text, ';')) {
            const std::vector<std::string> parts = Split(cond, ',');
            if (parts.size() != 3) return false;
            const int op = std::atoi(parts[1].c_str());
            const std::optional<std::string> value = Unhex(parts[2]);
            if (op <= 0 || op > static_cast<int>(QbeOp::BeginsWith) || !value ||
                !loaded.SetCondition(parts[0], static_cast<QbeOp>(op), *value))
                return false;
        }
    }
    items_ = std::move(loaded.items_);
    return true;
}

bool QbeQuery::Ask() { return QbeWindow(*this).Run(); }

// ---- The window -------------------------------------------------------------------------

namespace {

ControlDef Make(int kind, std::string label, int x, int y, int w, int h, std::string text,
                std::string picture = {}) {
    ControlDef c;
    c.kind = kind;
    c.label = std::move(label);
    c.x = x, c.y = y, c.w = w, c.h = h;
    c.text = std::move(text);
    c.picture = std::move(picture);
    return c;
}

std::string Signature(const QbeQuery& q) {
    std::string s = q.Procedure() + (q.QKSUPPORT ? "|q" : "|") + q.QKICON;
    for (const QbeItem& it : q.Items()) s += "|" + it.field + "~" + it.title;
    return s;
}

}  // namespace

const WindowDef& QbeWindow::Def(const QbeQuery& query) {
    static std::mutex mutex;
    static std::deque<std::pair<std::string, WindowDef>> defs;  // kept for the process
    const std::string signature = Signature(query);
    std::lock_guard guard(mutex);
    for (const auto& [sig, def] : defs)
        if (sig == signature) return def;
    WindowDef d;
    d.module = "KVD$QBE";
    d.name = "QbeWindow";
    d.caption = "Query";
    d.w = 280;
    int y = 6;
    d.controls.push_back(Make(Ctl::String, "?QBE:FIELDHEAD", 6, y, 90, 10, "Field"));
    d.controls.push_back(Make(Ctl::String, "?QBE:OPHEAD", 100, y, 50, 10, "Operator"));
    d.controls.push_back(Make(Ctl::String, "?QBE:VALUEHEAD", 155, y, 120, 10, "Value"));
    y += 14;
    const auto& items = query.Items();
    for (std::size_t i = 0; i < items.size(); ++i, y += 14) {
        const std::string n = std::to_string(i + 1);
        d.controls.push_back(Make(Ctl::String, "?QBE:TITLE" + n, 6, y + 1, 90, 10, items[i].title));
        d.controls.push_back(Make(Ctl::Entry, "?QBE:OP" + n, 100, y, 50, 11, "", "@s8"));
        d.controls.push_back(Make(Ctl::Entry, "?QBE:VALUE" + n, 155, y, 120, 11, "", "@s40"));
    }
    y += 4;
    if (query.QKSUPPORT) {
        d.controls.push_back(Make(Ctl::Prompt, "?QBE:NAMEPROMPT", 6, y + 1, 40, 10, "&Name:"));
        d.controls.push_back(Make(Ctl::Entry, "?QBE:NAME", 50, y, 100, 11, "", "@s30"));
        ControlDef save = Make(Ctl::Button, "?QBE:SAVE", 155, y - 1, 55, 14, "&Save");
        ControlDef load = Make(Ctl::Button, "?QBE:LOAD", 215, y - 1, 60, 14, "&Load");
        load.icon = query.QKICON;
        d.controls.push_back(save);
        d.controls.push_back(load);
        y += 18;
    }
    ControlDef ok = Make(Ctl::Button, "?OK", 105, y, 55, 14, "&OK");
    ok.attrs = kDefault;
    d.controls.push_back(ok);
    d.controls.push_back(Make(Ctl::Button, "?CLEAR", 165, y, 55, 14, "C&lear"));
    d.controls.push_back(Make(Ctl::Button, "?CANCEL", 225, y, 50, 14, "&Cancel"));
    d.h = y + 20;
    defs.emplace_back(signature, std::move(d));
    return defs.back().second;
}

bool QbeWindow::Run() {
    const WindowDef& def = Def(query_);
    Window w(def);
    w.SetProcedureName("QbeWindow");
    const std::size_t n = query_.items_.size();
    std::vector<std::string> ops(n), values(n);
    std::string name;
    auto fill = [&] {
        for (std::size_t i = 0; i < n; ++i) {
            ops[i] = QbeOpText(query_.items_[i].op);
            values[i] = query_.items_[i].value;
        }
    };
    fill();
    std::vector<int> op_feq(n), value_feq(n);
    for (std::size_t i = 0; i < n; ++i) {
        op_feq[i] = w.Feq("?QBE:OP" + std::to_string(i + 1));
        value_feq[i] = w.Feq("?QBE:VALUE" + std::to_string(i + 1));
        w.Use(op_feq[i], Binding::OfText(&ops[i]));
        w.Use(value_feq[i], Binding::OfText(&values[i]));
    }
    const int name_feq = w.Feq("?QBE:NAME");
    if (name_feq) w.Use(name_feq, Binding::OfText(&name));
    const int ok = w.Feq("?OK"), clear = w.Feq("?CLEAR"), cancel = w.Feq("?CANCEL");
    const int save = w.Feq("?QBE:SAVE"), load = w.Feq("?QBE:LOAD");

    // The rows into a copy of the query; false with the focus on the first bad row.
    auto take = [&](QbeQuery& into) {
        w.Update(0);
        into.ClearConditions();
        for (std::size_t i = 0; i < n; ++i) {
            std::optional<QbeOp> op = ParseQbeOp(ops[i]);
            if (op && *op == QbeOp::None && !rt::clip(values[i]).empty()) op = QbeOp::Equal;
            if (!op) {
                Beep();
                w.Select(op_feq[i]);
                return false;
            }
            if (!into.SetCondition(query_.items_[i].field, *op, values[i])) {
                Beep();
                w.Select(value_feq[i]);
                return false;
            }
        }
        return true;
    };

    w.Open();
    w.Display();
    if (n) w.Select(op_feq[0]);
    bool applied = false;
    while (w.Accept()) {
        const int event = w.event();
        if (event == Event::CloseWindow || event == Event::CloseDown) break;
        if (event != Event::Accepted) continue;
        const int feq = w.field();
        if (feq == ok) {
            QbeQuery taken = query_;
            if (!take(taken)) continue;
            query_.items_ = std::move(taken.items_);
            applied = true;
            break;
        }
        if (feq == cancel) break;
        if (feq == clear) {
            for (std::size_t i = 0; i < n; ++i) ops[i].clear(), values[i].clear();
            w.Display();
        } else if (save && feq == save) {
            QbeQuery taken = query_;
            if (take(taken) && !taken.SaveQuick(name)) Beep();
        } else if (load && feq == load) {
            w.Update(name_feq);
            QbeQuery loaded = query_;
            if (loaded.LoadQuick(name)) {
                query_.items_ = loaded.items_;
                fill();
                w.Display();
            } else {
                Beep();
            }
        }
    }
    w.Close();
    return applied;
}

}  // namespace rt::ui
