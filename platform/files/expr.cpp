#include "platform/files/expr.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <utility>

#include "platform/core/numeric.h"
#include "platform/core/text.h"
#include "platform/files/sql/sql_table.h"

namespace rt::expr {

using sql::Dialect;

struct Node {
    enum class Op : std::uint8_t { Literal, Name, Call, Neg, Not, And, Or, Cmp, Add, Sub, Mul, Div, Concat };
    Op op = Op::Literal;
    std::size_t pos = 0;  // 1-based position in the text
    Value value;          // Literal
    std::string name;     // Name as written; Call: the function in capitals; Cmp: the operator
    std::vector<std::shared_ptr<const Node>> args;
    int height = 1;  // levels of the tree from here down
};

void Bind(sql::Statement& st, int first, const std::vector<Value>& values) {
    int i = first;
    for (const Value& v : values) {
        switch (v.kind) {
            case Value::Kind::Null: st.BindNull(i); break;
            case Value::Kind::Int: st.BindInt(i, v.i); break;
            case Value::Kind::Real: st.BindDouble(i, v.d); break;
            case Value::Kind::Text: st.BindText(i, v.s); break;
        }
        ++i;
    }
}

namespace {

using NodeP = std::shared_ptr<const Node>;

std::string upper_ascii(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

// ---- Parsing ---------------------------------------------------------------------------

enum class Tok : std::uint8_t { End, Number, Text, Name, Op, LParen, RParen, Comma };

struct Token {
    Tok kind = Tok::End;
    std::string text;  // Text: the value; Name: as written; Op: the operator; Number: the digits
    std::size_t pos = 0;
};

// Nesting of parentheses, functions and prefix operators, and the height of the parsed
// tree: everything that walks the tree recurses no deeper than this, and the SQL it
// compiles to stays within what the databases take. A chain of AND, OR or & is parsed
// as a balanced tree (the operators are associative), so thousands of its terms take a
// few levels; a chain of other operators takes a level per term.
constexpr int kMaxDepth = 200;

class Parser {
public:
    explicit Parser(std::string_view s) : s_(s) {}

    std::string run(NodeP& root) {
        if (!lex()) return error_;
        if (tokens_.size() == 1) return {};  // blanks only
        root = parse_or();
        if (!error_.empty()) return error_;
        if (peek().kind != Tok::End) return at(peek(), "Unexpected '" + peek().text + "'");
        return {};
    }

private:
    bool lex() {
        std::size_t i = 0;
        while (i < s_.size()) {
            char c = s_[i];
            std::size_t start = i + 1;
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                ++i;
                continue;
            }
            if (c == '\'') {
                std::string v;
                ++i;
                for (;;) {
                    if (i >= s_.size()) {
                        error_ = "Text not closed, from position " + std::to_string(start);
                        return false;
                    }
                    if (s_[i] == '\'') {
                        if (i + 1 < s_.size() && s_[i + 1] == '\'') {
                            v += '\'';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    v += s_[i++];
                }
                tokens_.push_back({Tok::Text, std::move(v), start});
                continue;
            }
            auto digit = [&](std::size_t k) {
                return k < s_.size() && std::isdigit(static_cast<unsigned char>(s_[k]));
            };
            if (digit(i) || (c == '.' && digit(i + 1))) {
                std::size_t j = i;
                while (digit(j)) ++j;
                if (j < s_.size() && s_[j] == '.') {
                    ++j;
                    while (digit(j)) ++j;
                }
                tokens_.push_back({Tok::Number, std::string(s_.substr(i, j - i)), start});
                i = j;
                continue;
            }
            if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
                std::size_t j = i;
                while (j < s_.size() &&
                       (std::isalnum(static_cast<unsigned char>(s_[j])) || s_[j] == '_' || s_[j] == ':'))
                    ++j;
                tokens_.push_back({Tok::Name, std::string(s_.substr(i, j - i)), start});
                i = j;
                continue;
            }
            if (c == '(') {
                tokens_.push_back({Tok::LParen, "(", start});
                ++i;
                continue;
            }
            if (c == ')') {
                tokens_.push_back({Tok::RParen, ")", start});
                ++i;
                continue;
            }
            if (c == ',') {
                tokens_.push_back({Tok::Comma, ",", start});
                ++i;
                continue;
            }
            if (c == '<' || c == '>') {
                std::string op(1, c);
                if (i + 1 < s_.size() && (s_[i + 1] == '=' || (c == '<' && s_[i + 1] == '>')))
                    op += s_[i + 1];
                tokens_.push_back({Tok::Op, op, start});
                i += op.size();
                continue;
            }
            if (c == '=' || c == '+' || c == '-' || c == '*' || c == '/' || c == '&') {
                tokens_.push_back({Tok::Op, std::string(1, c), start});
                ++i;
                continue;
            }
            error_ = "Unexpected character '" + std::string(1, c) + "' at position " + std::to_string(start);
            return false;
        }
        tokens_.push_back({Tok::End, "", s_.size() + 1});
        return true;
    }

    const Token& peek() const { return tokens_[pos_]; }
    const Token& take() { return tokens_[pos_ < tokens_.size() - 1 ? pos_++ : pos_]; }
    bool is_op(const char* op) const { return peek().kind == Tok::Op && peek().text == op; }
    bool is_word(const char* w) const { return peek().kind == Tok::Name && upper_ascii(peek().text) == w; }

    std::string at(const Token& t, const std::string& what) {
        if (t.kind == Tok::End) return "Unexpected end of the expression";
        return what + " at position " + std::to_string(t.pos);
    }
    NodeP fail(const std::string& what) {
        if (error_.empty()) error_ = at(peek(), what);
        return nullptr;
    }

    NodeP make(Node::Op op, std::size_t pos, std::vector<NodeP> args, std::string name = {}) {
        auto n = std::make_shared<Node>();
        n->op = op;
        n->pos = pos;
        n->args = std::move(args);
        n->name = std::move(name);
        for (const NodeP& a : n->args) n->height = std::max(n->height, a->height + 1);
        if (n->height > kMaxDepth) {
            if (error_.empty())
                error_ = "Expression too long or nested too deeply at position " + std::to_string(pos);
            return nullptr;
        }
        return n;
    }

    // A chain of one associative operator as a balanced tree of terms[from, to); `ops`
    // holds the position of the operator after each term.
    NodeP balance(Node::Op op, const std::vector<NodeP>& terms, const std::vector<std::size_t>& ops,
                  std::size_t from, std::size_t to) {
        if (to - from == 1) return terms[from];
        const std::size_t mid = from + (to - from) / 2;
        NodeP l = balance(op, terms, ops, from, mid);
        NodeP r = l ? balance(op, terms, ops, mid, to) : nullptr;
        if (!r) return nullptr;
        return make(op, ops[mid - 1], {l, r});
    }
    // term (op term)*: an associative chain, balanced.
    template <typename Term>
    NodeP chain(const char* word, bool is_word_op, Node::Op op, Term term) {
        std::vector<NodeP> terms;
        std::vector<std::size_t> ops;
        NodeP t = (this->*term)();
        if (!t) return nullptr;
        terms.push_back(std::move(t));
        while (is_word_op ? is_word(word) : is_op(word)) {
            ops.push_back(take().pos);
            t = (this->*term)();
            if (!t) return nullptr;
            terms.push_back(std::move(t));
        }
        return balance(op, terms, ops, 0, terms.size());
    }

    // Each level checks the error after its operands, so a failure unwinds at once.
    NodeP parse_or() { return chain("OR", true, Node::Op::Or, &Parser::parse_and); }
    NodeP parse_and() { return chain("AND", true, Node::Op::And, &Parser::parse_not); }
    NodeP parse_not() {
        if (is_word("NOT")) {
            if (++depth_ > kMaxDepth) return fail("Expression nested too deeply");
            std::size_t p = take().pos;
            NodeP x = parse_not();
            --depth_;
            if (!x) return nullptr;
            return make(Node::Op::Not, p, {x});
        }
        return parse_cmp();
    }
    NodeP parse_cmp() {
        NodeP l = parse_concat();
        while (l && peek().kind == Tok::Op &&
               (is_op("=") || is_op("<>") || is_op("<") || is_op(">") || is_op("<=") || is_op(">="))) {
            const Token& t = take();
            std::size_t p = t.pos;
            std::string op = t.text;
            NodeP r = parse_concat();
            if (!r) return nullptr;
            l = make(Node::Op::Cmp, p, {l, r}, op);
        }
        return l;
    }
    NodeP parse_concat() { return chain("&", false, Node::Op::Concat, &Parser::parse_add); }
    NodeP parse_add() {
        NodeP l = parse_mul();
        while (l && (is_op("+") || is_op("-"))) {
            const Token& t = take();
            Node::Op op = t.text == "+" ? Node::Op::Add : Node::Op::Sub;
            std::size_t p = t.pos;
            NodeP r = parse_mul();
            if (!r) return nullptr;
            l = make(op, p, {l, r});
        }
        return l;
    }
    NodeP parse_mul() {
        NodeP l = parse_unary();
        while (l && (is_op("*") || is_op("/"))) {
            const Token& t = take();
            Node::Op op = t.text == "*" ? Node::Op::Mul : Node::Op::Div;
            std::size_t p = t.pos;
            NodeP r = parse_unary();
            if (!r) return nullptr;
            l = make(op, p, {l, r});
        }
        return l;
    }
    NodeP parse_unary() {
        if (is_op("-") || is_op("+")) {
            if (++depth_ > kMaxDepth) return fail("Expression nested too deeply");
            const Token& t = take();
            bool neg = t.text == "-";
            std::size_t p = t.pos;
            NodeP x = parse_unary();
            --depth_;
            if (!x || !neg) return x;
            return make(Node::Op::Neg, p, {x});
        }
        return parse_primary();
    }
    NodeP parse_primary() {
        const Token& t = peek();
        switch (t.kind) {
            case Tok::Number: {
                auto n = std::make_shared<Node>();
                n->op = Node::Op::Literal;
                n->pos = t.pos;
                if (t.text.find('.') == std::string::npos && t.text.size() <= 18)
                    n->value = Value::Int(std::strtoll(t.text.c_str(), nullptr, 10));
                else
                    n->value = Value::Real(std::strtod(t.text.c_str(), nullptr));
                take();
                return n;
            }
            case Tok::Text: {
                auto n = std::make_shared<Node>();
                n->op = Node::Op::Literal;
                n->pos = t.pos;
                n->value = Value::Text(t.text);
                take();
                return n;
            }
            case Tok::Name: {
                std::string word = upper_ascii(t.text);
                if (word == "AND" || word == "OR" || word == "NOT")
                    return fail("Unexpected '" + t.text + "'");
                Token name = take();
                if (peek().kind != Tok::LParen) return make(Node::Op::Name, name.pos, {}, name.text);
                if (++depth_ > kMaxDepth) return fail("Expression nested too deeply");
                take();
                std::vector<NodeP> args;
                if (peek().kind != Tok::RParen) {
                    for (;;) {
                        NodeP a = parse_or();
                        if (!a) return nullptr;
                        args.push_back(std::move(a));
                        if (peek().kind != Tok::Comma) break;
                        take();
                    }
                }
                if (peek().kind != Tok::RParen) return fail("Expected ')'");
                take();
                --depth_;
                return make(Node::Op::Call, name.pos, std::move(args), upper_ascii(name.text));
            }
            case Tok::LParen: {
                if (++depth_ > kMaxDepth) return fail("Expression nested too deeply");
                take();
                NodeP x = parse_or();
                if (!x) return nullptr;
                if (peek().kind != Tok::RParen) return fail("Expected ')'");
                take();
                --depth_;
                return x;
            }
            default: return fail("Unexpected '" + t.text + "'");
        }
    }

    std::string_view s_;
    std::vector<Token> tokens_;
    std::size_t pos_ = 0;
    int depth_ = 0;
    std::string error_;
};

void collect_names(const Node& n, std::vector<std::string>& out) {
    if (n.op == Node::Op::Name) {
        for (const auto& s : out)
            if (upper_ascii(s) == upper_ascii(n.name)) return;
        out.push_back(n.name);
    }
    for (const auto& a : n.args) collect_names(*a, out);
}

// ---- Compilation -----------------------------------------------------------------------

// A compiled operand. A constant keeps its value: whatever depends on constants only is
// computed here, with the program's own text rules, and bound as one parameter. A name
// resolved to one parameter counts as a constant, so that an expression over a record's
// values computes to its value.
struct Term {
    Fragment f;
    bool constant = false;
    Value value;  // Null: no value (a division by 0)
};

Term constant(Value v, Type t) {
    Term x;
    x.constant = true;
    x.f.type = t;
    if (t == Type::Bool) {
        x.f.sql = v.i ? "(1 = 1)" : "(1 = 0)";
    } else {
        x.f.sql = "?";
        x.f.params.push_back(v);
    }
    x.value = std::move(v);
    return x;
}
Term constant(Value v) {
    Type t = v.kind == Value::Kind::Text ? Type::Text : Type::Number;
    return constant(std::move(v), t);
}
Term boolean(bool b) { return constant(Value::Int(b ? 1 : 0), Type::Bool); }
bool is_null(const Term& t) { return t.constant && t.value.kind == Value::Kind::Null; }

std::string text_of(const Value& v) {
    switch (v.kind) {
        case Value::Kind::Int: return std::to_string(v.i);
        case Value::Kind::Real: return plain_number(v.d);
        case Value::Kind::Text: return v.s;
        case Value::Kind::Null: return {};
    }
    return {};
}
double number_of(const Value& v) {
    switch (v.kind) {
        case Value::Kind::Int: return static_cast<double>(v.i);
        case Value::Kind::Real: return v.d;
        case Value::Kind::Text: return to_number(v.s);
        case Value::Kind::Null: return 0;
    }
    return 0;
}
long long_of(const Value& v) { return static_cast<long>(number_of(v)); }

// A whole result of whole operands stays whole.
Value number_value(double d, bool whole) {
    if (whole && d == static_cast<double>(static_cast<std::int64_t>(d)) && d > -9e15 && d < 9e15)
        return Value::Int(static_cast<std::int64_t>(d));
    return Value::Real(d);
}

int compare_bytes(std::string_view a, std::string_view b) {
    int c = a.compare(b);  // char_traits<char> compares as unsigned char
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool holds(std::string_view op, int c) {
    if (op == "=") return c == 0;
    if (op == "<>") return c != 0;
    if (op == "<") return c < 0;
    if (op == ">") return c > 0;
    if (op == "<=") return c <= 0;
    return c >= 0;
}

// Joins SQL pieces and fragments, keeping the parameters in the order of the text.
class Sql {
public:
    explicit Sql(Type t) { f_.type = t; }
    Sql& operator<<(std::string_view s) {
        f_.sql += s;
        return *this;
    }
    Sql& operator<<(const Fragment& x) {
        f_.sql += x.sql;
        f_.params.insert(f_.params.end(), x.params.begin(), x.params.end());
        return *this;
    }
    Term term() {
        Term t;
        t.f = std::move(f_);
        return t;
    }
    Fragment fragment() { return std::move(f_); }

private:
    Fragment f_;
};

// SQL Server's collation of exact comparisons.
const std::string kExact = " COLLATE " + std::string(sql::kExactCollation);

class Compiler {
public:
    Compiler(Dialect d, const Resolver& r) : d_(d), resolve_(r) {}
    std::string error;

    Term compile(const Node& n) {
        switch (n.op) {
            case Node::Op::Literal: return constant(n.value);
            case Node::Op::Name: {
                std::optional<Fragment> f = resolve_ ? resolve_(n.name) : std::nullopt;
                if (!f) {
                    set_error("Unknown field " + n.name);
                    return {};
                }
                if (f->sql == "?" && f->params.size() == 1) return constant(f->params[0], f->type);
                Term t;
                t.f = std::move(*f);
                return t;
            }
            case Node::Op::Neg: {
                Term x = number(compile(*n.args[0]));
                if (x.constant) {
                    if (is_null(x)) return x;
                    return constant(x.value.kind == Value::Kind::Int ? Value::Int(-x.value.i)
                                                                     : Value::Real(-number_of(x.value)));
                }
                return (Sql(Type::Number) << "(-" << x.f << ")").term();
            }
            case Node::Op::Not: {
                Term p = condition(compile(*n.args[0]));
                if (p.constant) return boolean(!p.value.i);
                return (Sql(Type::Bool) << "(NOT " << p.f << ")").term();
            }
            case Node::Op::And:
            case Node::Op::Or: {
                const bool both = n.op == Node::Op::And;
                Term a = condition(compile(*n.args[0]));
                Term b = condition(compile(*n.args[1]));
                if (a.constant && b.constant)
                    return boolean(both ? a.value.i && b.value.i : a.value.i || b.value.i);
                return (Sql(Type::Bool) << "(" << a.f << (both ? " AND " : " OR ") << b.f << ")").term();
            }
            case Node::Op::Cmp: return compare(n);
            case Node::Op::Add:
            case Node::Op::Sub:
            case Node::Op::Mul: {
                Term a = number(compile(*n.args[0]));
                Term b = number(compile(*n.args[1]));
                if (a.constant && b.constant) {
                    if (is_null(a) || is_null(b)) return constant(Value{});
                    double x = number_of(a.value), y = number_of(b.value);
                    double r = n.op == Node::Op::Add ? x + y : n.op == Node::Op::Sub ? x - y : x * y;
                    return constant(number_value(
                        r, a.value.kind == Value::Kind::Int && b.value.kind == Value::Kind::Int));
                }
                const char* op = n.op == Node::Op::Add ? " + " : n.op == Node::Op::Sub ? " - " : " * ";
                return (Sql(Type::Number) << "(" << a.f << op << b.f << ")").term();
            }
            case Node::Op::Div: {
                Term a = number(compile(*n.args[0]));
                Term b = number(compile(*n.args[1]));
                if (a.constant && b.constant) {
                    if (is_null(a) || is_null(b) || number_of(b.value) == 0) return constant(Value{});
                    return constant(Value::Real(number_of(a.value) / number_of(b.value)));
                }
                return (Sql(Type::Number)
                        << "(CAST(" << a.f << (d_ == Dialect::Sqlite ? " AS REAL)" : " AS FLOAT)")
                        << " / NULLIF(" << b.f << ", 0))")
                    .term();
            }
            case Node::Op::Concat: {
                Term a = text(compile(*n.args[0]));
                Term b = text(compile(*n.args[1]));
                if (a.constant && b.constant) {
                    if (is_null(a) || is_null(b)) return constant(Value{}, Type::Text);
                    return constant(Value::Text(a.value.s + b.value.s));
                }
                return (Sql(Type::Text)
                        << "(" << a.f << (d_ == Dialect::Sqlite ? " || " : " + ") << b.f << ")")
                    .term();
            }
            case Node::Op::Call: return call(n);
        }
        return {};
    }

    // A condition: a number is true when not 0, a text when not blank; no value is false.
    Term condition(Term t) {
        if (t.f.type == Type::Bool) return t;
        if (t.constant) {
            if (is_null(t)) return boolean(false);
            return boolean(t.value.kind == Value::Kind::Text ? !clip(t.value.s).empty()
                                                             : number_of(t.value) != 0);
        }
        if (t.f.type == Type::Number) return (Sql(Type::Bool) << "(" << t.f << " <> 0)").term();
        return (Sql(Type::Bool) << "(" << clipped(std::move(t)).f << " <> '')").term();
    }

    Term number(Term t) {
        if (t.f.type == Type::Number) return t;
        if (t.constant) {
            if (is_null(t)) return constant(Value{});
            if (t.f.type == Type::Bool) return constant(Value::Int(t.value.i));
            return constant(number_value(number_of(t.value), false));
        }
        if (t.f.type == Type::Bool)
            return (Sql(Type::Number) << "(CASE WHEN " << t.f << " THEN 1 ELSE 0 END)").term();
        if (d_ == Dialect::Sqlite) return (Sql(Type::Number) << "CAST(" << t.f << " AS REAL)").term();
        return (Sql(Type::Number) << "COALESCE(TRY_CAST(" << t.f << " AS FLOAT), 0)").term();
    }

    Term text(Term t) {
        if (t.f.type == Type::Text) return t;
        if (t.constant) {
            if (is_null(t)) return constant(Value{}, Type::Text);
            return constant(Value::Text(text_of(t.value)));
        }
        if (t.f.type == Type::Bool) t = number(std::move(t));
        // Whole numbers as the runtime writes them, without ".0".
        if (d_ == Dialect::Sqlite)
            return (Sql(Type::Text) << "(CASE WHEN " << t.f << " = CAST(" << t.f
                                    << " AS INTEGER) THEN CAST(CAST(" << t.f
                                    << " AS INTEGER) AS TEXT) ELSE CAST(" << t.f << " AS TEXT) END)")
                .term();
        return (Sql(Type::Text) << "CAST(" << t.f << " AS VARCHAR(40))").term();
    }

private:
    void set_error(std::string e) {
        if (error.empty()) error = std::move(e);
    }

    // A text operand of a comparison, trailing blanks removed.
    Term clipped(Term t) {
        if (t.constant) return is_null(t) ? t : constant(Value::Text(clip(text_of(t.value))));
        // SQL Server compares without trailing blanks by itself.
        if (d_ == Dialect::SqlServer) return t;
        return (Sql(Type::Text) << "RTRIM(" << t.f << ")").term();
    }

    Term compare(const Node& n) {
        Term a = compile(*n.args[0]);
        Term b = compile(*n.args[1]);
        const bool texts = a.f.type == Type::Text && b.f.type == Type::Text;
        if (texts) {
            a = clipped(std::move(a));
            b = clipped(std::move(b));
        } else {
            a = number(std::move(a));
            b = number(std::move(b));
        }
        if (a.constant && b.constant) {
            if (is_null(a) || is_null(b)) return boolean(false);
            if (texts) return boolean(holds(n.name, compare_bytes(a.value.s, b.value.s)));
            double x = number_of(a.value), y = number_of(b.value);
            return boolean(holds(n.name, x < y ? -1 : (y < x ? 1 : 0)));
        }
        // Exact as in the runtime, whatever the columns' collation (SQLite compares
        // function results, RTRIM's among them, exactly by itself).
        if (texts && d_ == Dialect::SqlServer) a = (Sql(Type::Text) << a.f << kExact).term();
        return (Sql(Type::Bool) << "(" << a.f << " " << n.name << " " << b.f << ")").term();
    }

    bool arity(const Node& n, std::size_t lo, std::size_t hi) {
        if (n.args.size() >= lo && n.args.size() <= hi) return true;
        std::string count = lo == hi ? std::to_string(lo) : std::to_string(lo) + " to " + std::to_string(hi);
        set_error(n.name + " takes " + count + (hi == 1 ? " argument" : " arguments") + " (position " +
                  std::to_string(n.pos) + ")");
        return false;
    }

    Term call(const Node& n) {
        const std::string& fn = n.name;
        if (fn == "UPPER" || fn == "LOWER" || fn == "CLIP") {
            if (!arity(n, 1, 1)) return {};
            Term x = text(compile(*n.args[0]));
            if (x.constant) {
                if (is_null(x)) return x;
                const std::string& s = x.value.s;
                return constant(Value::Text(fn == "UPPER" ? upper(s) : fn == "LOWER" ? lower(s) : clip(s)));
            }
            // SQLite's own LOWER folds A-Z only, and the embedded store has no lower-case
            // function for the code page's letters: refused rather than half right.
            if (fn == "LOWER" && d_ == Dialect::Sqlite) {
                set_error(
                    "LOWER of a field is not available in a filter here; compare UPPER forms (position " +
                    std::to_string(n.pos) + ")");
                return {};
            }
            const char* f = fn == "CLIP"    ? "RTRIM("
                            : fn == "UPPER" ? (d_ == Dialect::Sqlite ? "KVUPPER(" : "UPPER(")
                                            : "LOWER(";
            return (Sql(Type::Text) << f << x.f << ")").term();
        }
        if (fn == "SUB") {
            if (!arity(n, 3, 3)) return {};
            Term s = text(compile(*n.args[0]));
            Term start = number(compile(*n.args[1]));
            Term len = number(compile(*n.args[2]));
            if (s.constant && start.constant && len.constant) {
                if (is_null(s) || is_null(start) || is_null(len)) return constant(Value{}, Type::Text);
                return constant(Value::Text(sub(s.value.s, long_of(start.value), long_of(len.value))));
            }
            if (start.constant && long_of(start.value) < 1) {
                set_error("SUB in a filter needs a start of 1 or more (position " + std::to_string(n.pos) +
                          ")");
                return {};
            }
            if (len.constant && long_of(len.value) < 1) return constant(Value::Text({}));
            if (d_ == Dialect::Sqlite)
                return (Sql(Type::Text)
                        << "SUBSTR(" << s.f << ", " << start.f << ", MAX(" << len.f << ", 0))")
                    .term();
            return (Sql(Type::Text) << "SUBSTRING(" << s.f << ", " << start.f << ", " << len.f << ")").term();
        }
        if (fn == "INSTRING") {
            if (!arity(n, 2, 4)) return {};
            Term needle = text(compile(*n.args[0]));
            Term hay = text(compile(*n.args[1]));
            Term step = n.args.size() > 2 ? number(compile(*n.args[2])) : constant(Value::Int(1));
            Term start = n.args.size() > 3 ? number(compile(*n.args[3])) : constant(Value::Int(1));
            if (needle.constant && hay.constant && step.constant && start.constant) {
                if (is_null(needle) || is_null(hay) || is_null(step) || is_null(start))
                    return constant(Value{});
                return constant(Value::Int(
                    instring(needle.value.s, hay.value.s, long_of(step.value), long_of(start.value))));
            }
            if (!step.constant || long_of(step.value) > 1) {
                set_error("INSTRING in a filter needs a step of 1 (position " + std::to_string(n.pos) + ")");
                return {};
            }
            if (needle.constant && needle.value.s.empty()) return constant(Value::Int(0));
            if (start.constant && long_of(start.value) < 1) start = constant(Value::Int(1));
            if (d_ == Dialect::SqlServer)
                return (Sql(Type::Number)
                        << "CHARINDEX(" << needle.f << ", " << hay.f << kExact << ", " << start.f << ")")
                    .term();
            Sql pos(Type::Number);
            const Node& h = *n.args[1];
            if (start.constant && long_of(start.value) == 1 && h.op == Node::Op::Call && h.name == "UPPER" &&
                h.args.size() == 1 && !hay.constant) {
                // The upper-case form searched without making it a text of its own.
                pos << "KVINSTR(" << text(compile(*h.args[0])).f << ", " << needle.f << ")";
            } else if (start.constant && long_of(start.value) == 1) {
                pos << "INSTR(" << hay.f << ", " << needle.f << ")";
            } else {
                Fragment found = (Sql(Type::Number)
                                  << "INSTR(SUBSTR(" << hay.f << ", " << start.f << "), " << needle.f << ")")
                                     .fragment();
                pos << "(CASE WHEN " << found << " > 0 THEN " << found << " + " << start.f
                    << " - 1 ELSE 0 END)";
            }
            if (needle.constant) return pos.term();
            // An empty sub is never found.
            Fragment p = pos.fragment();
            return (Sql(Type::Number)
                    << "(CASE WHEN LENGTH(" << needle.f << ") = 0 THEN 0 ELSE " << p << " END)")
                .term();
        }
        set_error("Unknown function " + fn + " (position " + std::to_string(n.pos) + ")");
        return {};
    }

    Dialect d_;
    const Resolver& resolve_;
};

}  // namespace

std::string Expression::Parse(std::string_view text) {
    root_.reset();
    NodeP root;
    std::string err = Parser(text).run(root);
    if (err.empty()) root_ = std::move(root);
    return err;
}

std::vector<std::string> Expression::Names() const {
    std::vector<std::string> out;
    if (root_) collect_names(*root_, out);
    return out;
}

std::string Expression::CompileCondition(Dialect dialect, const Resolver& resolve, Fragment& out) const {
    if (!root_) return "The expression is empty";
    Compiler c(dialect, resolve);
    Term t = c.condition(c.compile(*root_));
    if (!c.error.empty()) return c.error;
    out = std::move(t.f);
    return {};
}

std::string Expression::CompileValue(Dialect dialect, const Resolver& resolve, Fragment& out) const {
    if (!root_) return "The expression is empty";
    Compiler c(dialect, resolve);
    Term t = c.compile(*root_);
    if (!c.error.empty()) return c.error;
    if (t.f.type == Type::Bool) t = c.number(std::move(t));
    out = std::move(t.f);
    return {};
}

namespace {

// Computes an expression whose names all resolve to values.
std::string evaluate(const NodeP& root, const Resolver& values, bool as_condition, Term& out) {
    if (!root) return "The expression is empty";
    Compiler c(Dialect::Sqlite, values);
    out = c.compile(*root);
    if (c.error.empty()) out = as_condition ? c.condition(std::move(out)) : out;
    if (!c.error.empty()) return c.error;
    if (!out.constant) return "The expression needs the values of its fields";
    return {};
}

}  // namespace

std::string Expression::EvaluateCondition(const Resolver& values, bool& out) const {
    Term t;
    std::string err = evaluate(root_, values, true, t);
    out = err.empty() && t.value.i != 0;
    return err;
}

std::string Expression::EvaluateValue(const Resolver& values, Value& out) const {
    Term t;
    std::string err = evaluate(root_, values, false, t);
    out = err.empty() ? t.value : Value{};
    return err;
}

}  // namespace rt::expr
