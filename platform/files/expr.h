// Filter and order expressions in the runtime's form, and their compilation to SQL.
//
// The form: fields by their prefixed names (KVD:BROJ, NAZ:NAZIV1), text literals in single
// quotes ('' for a quote), numbers (12, 12.5), the operators + - * / (numbers) and &
// (texts joined), the comparisons = <> < > <= >=, AND, OR, NOT, parentheses and the
// functions UPPER(t), LOWER(t), CLIP(t), SUB(t, start, length) and
// INSTRING(sub, t [, step [, start]]). Precedence from loose to tight: OR, AND, NOT, the
// comparisons, &, + -, * /, unary minus.
//
// Meaning as in the runtime: texts compare exactly with trailing blanks ignored (compare
// UPPER(...) forms for a comparison that ignores case); a number compared with a text
// compares as numbers; a number where a condition is expected is true when not 0, a text
// when not blank; INSTRING gives the 1-based position of sub in t, 0 when absent or when
// sub is empty; / divides as real numbers, by 0 giving no value (the comparison is then
// false).
//
// Compiled SQL never holds a literal of the expression: every literal becomes a bound
// parameter, so a text given by the user can never change the statement.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files/sql/connection.h"

namespace rt::expr {

// A parameter value of a statement.
struct Value {
    enum class Kind : std::uint8_t { Null, Int, Real, Text };
    Kind kind = Kind::Null;
    std::int64_t i = 0;
    double d = 0;
    std::string s;  // CP1250

    static Value Int(std::int64_t v) {
        Value x;
        x.kind = Kind::Int;
        x.i = v;
        return x;
    }
    static Value Real(double v) {
        Value x;
        x.kind = Kind::Real;
        x.d = v;
        return x;
    }
    static Value Text(std::string v) {
        Value x;
        x.kind = Kind::Text;
        x.s = std::move(v);
        return x;
    }
    bool operator==(const Value&) const = default;
};

enum class Type : std::uint8_t { Text, Number, Bool };

// SQL text with the values of its '?' placeholders, in the order they appear.
struct Fragment {
    std::string sql;
    std::vector<Value> params;
    Type type = Type::Text;
};

// Binds values to the placeholders first, first + 1, ... of a statement.
void Bind(sql::Statement& st, int first, const std::vector<Value>& values);

// What a name of the expression stands for: SQL of type Text or Number (a qualified
// column, or "?" with the value), or nothing for a name it does not know. A name given as
// "?" with its value is a constant: what depends only on constants is computed, not
// compiled.
using Resolver = std::function<std::optional<Fragment>(std::string_view name)>;

struct Node;

// A parsed expression. Copies share the parsed form.
class Expression {
public:
    // Parses the text (CP1250); "" on success, else what is wrong and where (1-based
    // position). A text of blanks only parses to an empty expression.
    std::string Parse(std::string_view text);
    bool empty() const { return root_ == nullptr; }
    // The names of fields the expression uses, in order of appearance, each once.
    std::vector<std::string> Names() const;

    // SQL of a condition (Type Bool): "" on success, else what is wrong (an unknown name,
    // a function used wrongly). An empty expression is not a condition.
    std::string CompileCondition(sql::Dialect dialect, const Resolver& resolve, Fragment& out) const;
    // SQL of a value (Type Text or Number; a condition becomes 1 or 0).
    std::string CompileValue(sql::Dialect dialect, const Resolver& resolve, Fragment& out) const;

    // The expression computed over values, with the meaning above: `values` answers each
    // name with "?" and its value (a value without text is Null: no value). A condition
    // is false where the SQL would find no value (a division by 0).
    std::string EvaluateCondition(const Resolver& values, bool& out) const;
    std::string EvaluateValue(const Resolver& values, Value& out) const;

private:
    std::shared_ptr<const Node> root_;
};

}  // namespace rt::expr
