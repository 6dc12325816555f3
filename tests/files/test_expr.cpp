#include "platform/files/expr.h"

#include <sqlite3.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/core/text.h"
#include "platform/files/sql/kvci.h"

namespace {

using rt::expr::Expression;
using rt::expr::Fragment;
using rt::expr::Type;
using rt::expr::Value;
using rt::sql::Dialect;

// CP1250 text from UTF-8 source.
std::string cp(const char* utf8) { return rt::utf8_to_cp1250(utf8); }

std::optional<Fragment> columns(std::string_view name) {
    std::string n = rt::upper(name);
    if (n == "T:NAME") return Fragment{"\"name\"", {}, Type::Text};
    if (n == "T:CODE") return Fragment{"\"code\"", {}, Type::Text};
    if (n == "T:NUM") return Fragment{"\"num\"", {}, Type::Number};
    return std::nullopt;
}

// An in-memory SQLite table with the program's KVUPPER and KVCI, texts in UTF-8 as the
// embedded store keeps them.
class Db {
public:
    Db() {
        sqlite3_open(":memory:", &db_);
        rt::sql::kvci::Register(db_);
        // Text columns without case, as the store declares them.
        exec("CREATE TABLE t(id INTEGER, name TEXT COLLATE KVCI, num REAL, code TEXT COLLATE KVCI)");
    }
    ~Db() { sqlite3_close(db_); }
    void exec(const std::string& sql) {
        ASSERT_EQ(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    }
    void insert(int id, const char* name_utf8, double num, const char* code) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db_, "INSERT INTO t VALUES (?, ?, ?, ?)", -1, &st, nullptr);
        sqlite3_bind_int(st, 1, id);
        sqlite3_bind_text(st, 2, name_utf8, -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(st, 3, num);
        sqlite3_bind_text(st, 4, code, -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_finalize(st);
    }
    bool has_table() {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db_, "SELECT COUNT(*) FROM sqlite_master WHERE name = 't'", -1, &st, nullptr);
        sqlite3_step(st);
        bool yes = sqlite3_column_int(st, 0) == 1;
        sqlite3_finalize(st);
        return yes;
    }
    // The ids of the rows for which the condition holds; -1 alone when the SQL fails.
    std::vector<int> ids(const Fragment& where) {
        std::string sql = "SELECT id FROM t WHERE " + where.sql + " ORDER BY id";
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sqlite3_errmsg(db_) << "\n" << sql;
            return {-1};
        }
        EXPECT_EQ(sqlite3_bind_parameter_count(st), static_cast<int>(where.params.size()));
        int i = 1;
        for (const Value& v : where.params) {
            switch (v.kind) {
                case Value::Kind::Int: sqlite3_bind_int64(st, i, v.i); break;
                case Value::Kind::Real: sqlite3_bind_double(st, i, v.d); break;
                case Value::Kind::Text: {
                    std::string u = rt::cp1250_to_utf8(v.s);
                    sqlite3_bind_text(st, i, u.c_str(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
                    break;
                }
                case Value::Kind::Null: sqlite3_bind_null(st, i); break;
            }
            ++i;
        }
        std::vector<int> out;
        while (sqlite3_step(st) == SQLITE_ROW) out.push_back(sqlite3_column_int(st, 0));
        sqlite3_finalize(st);
        return out;
    }

private:
    sqlite3* db_ = nullptr;
};

std::string condition(const std::string& text, Dialect d, Fragment& out) {
    Expression e;
    std::string err = e.Parse(text);
    if (!err.empty()) return err;
    return e.CompileCondition(d, columns, out);
}

TEST(Expr, ConditionsSelectTheRowsTheRuntimeWould) {
    struct Rec {
        int id;
        const char* name;  // UTF-8
        double num;
        const char* code;
    };
    const Rec recs[] = {{1, "Petrović Čedomir", 10, "00012"},
                        {2, "PETROVIĆ  ", 0, "12"},
                        {3, "O'Brien'); DROP TABLE t; --", 2.5, ""},
                        {4, "ana", -3, "abc"}};
    Db db;
    for (const Rec& r : recs) db.insert(r.id, r.name, r.num, r.code);
    // The rows for which the condition computes true over a record's values.
    auto computed = [&](const std::string& text) {
        Expression e;
        EXPECT_EQ(e.Parse(text), "");
        std::vector<int> out;
        for (const Rec& r : recs) {
            auto values = [&](std::string_view name) -> std::optional<Fragment> {
                std::string n = rt::upper(name);
                if (n == "T:NAME") return Fragment{"?", {Value::Text(cp(r.name))}, Type::Text};
                if (n == "T:CODE") return Fragment{"?", {Value::Text(r.code)}, Type::Text};
                if (n == "T:NUM") return Fragment{"?", {Value::Real(r.num)}, Type::Number};
                return std::nullopt;
            };
            bool yes = false;
            EXPECT_EQ(e.EvaluateCondition(values, yes), "") << text;
            if (yes) out.push_back(r.id);
        }
        return out;
    };
    struct Case {
        const char* filter;  // UTF-8
        std::vector<int> ids;
    };
    const Case cases[] = {
        // texts: exact, trailing blanks ignored on both sides
        {"T:NAME = 'PETROVIĆ'", {2}},
        {"T:NAME = 'ana   '", {4}},
        {"T:NAME <> 'ana'", {1, 2, 3}},
        {"T:NAME >= 'P' AND T:NAME < 'Q'", {1, 2}},
        // case ignored through UPPER, with the code page's letters
        {"UPPER(T:NAME) = 'ANA'", {4}},
        {"UPPER(T:NAME) = UPPER('petrović')", {2}},
        {"INSTRING(UPPER('vić'), UPPER(T:NAME), 1, 1) > 0", {1, 2}},
        {"INSTRING(UPPER('č'), UPPER(T:NAME), 1, 1) <> 0", {1}},
        {"INSTRING('ČED', UPPER(T:NAME)) = 10", {1}},  // counted in characters
        {"T:NAME = LOWER('ANA')", {4}},
        // positions of INSTRING, a bare one as a condition, an empty sub never found
        {"INSTRING('r', T:NAME, 1, 6) = 16", {1}},
        {"INSTRING('r', T:NAME, 1, 1) = 4", {1, 3}},
        {"INSTRING('''); DROP', T:NAME)", {3}},
        {"INSTRING('', T:NAME)", {}},
        {"INSTRING(T:CODE, T:NAME)", {}},
        // other functions and joining texts
        {"SUB(T:NAME, 1, 3) = 'Pet'", {1}},
        {"SUB(T:NAME, 2, 0) = ''", {1, 2, 3, 4}},
        {"CLIP(T:NAME) & '!' = 'PETROVIĆ!'", {2}},
        {"T:CODE & T:NUM = 'abc-3'", {4}},
        {"T:NUM & '' = '2.5'", {3}},
        // numbers, a text compared with a number as numbers, division by 0 gives no value
        {"T:CODE = 12", {1, 2}},
        {"-T:NUM = 3", {4}},
        {"T:NUM + 1 = 11 OR T:NUM * 2 = 5", {1, 3}},
        {"T:NUM / 4 = 2.5", {1}},
        {"T:NUM / 0 = 0", {}},
        // conditions from values; NOT is looser than a comparison
        {"T:NUM", {1, 3, 4}},
        {"T:CODE", {1, 2, 4}},
        {"NOT T:NUM > 0 AND T:CODE <> ''", {2, 4}},
        {"NOT (T:NUM > 0 AND T:CODE <> '')", {2, 3, 4}},
        {"1 = 1", {1, 2, 3, 4}},
        {"'  '", {}},
    };
    for (const Case& c : cases) {
        Fragment f;
        std::string err = condition(cp(c.filter), Dialect::Sqlite, f);
        ASSERT_EQ(err, "") << c.filter;
        EXPECT_EQ(f.type, Type::Bool);
        EXPECT_EQ(db.ids(f), c.ids) << c.filter << "\n" << f.sql;
        EXPECT_EQ(computed(cp(c.filter)), c.ids) << c.filter;
    }
}

TEST(Expr, UserTextNeverBecomesSql) {
    Db db;
    db.insert(1, "O'Brien'); DROP TABLE t; --", 0, "");
    db.insert(2, "O'Brien", 0, "");
    const std::string text = "O'Brien'); DROP TABLE t; --";
    Fragment f;
    ASSERT_EQ(condition("T:NAME = 'O''Brien''); DROP TABLE t; --'", Dialect::Sqlite, f), "");
    EXPECT_EQ(f.sql.find("DROP"), std::string::npos) << f.sql;
    EXPECT_EQ(f.sql.find("Brien"), std::string::npos) << f.sql;
    ASSERT_EQ(f.params.size(), 1u);
    EXPECT_EQ(f.params[0], Value::Text(text));
    EXPECT_EQ(db.ids(f), std::vector<int>{1});
    EXPECT_TRUE(db.has_table());
    // Numbers are parameters too.
    ASSERT_EQ(condition("T:NUM = 12345", Dialect::SqlServer, f), "");
    EXPECT_EQ(f.sql.find("12345"), std::string::npos) << f.sql;
}

TEST(Expr, ConstantsAreComputedWithTheProgramsTextRules) {
    Fragment f;
    ASSERT_EQ(condition(cp("UPPER(T:NAME) = SUB('xyz', 0, 1) & UPPER(' čaša  ')"), Dialect::Sqlite, f), "");
    ASSERT_EQ(f.params.size(), 1u);
    EXPECT_EQ(f.params[0], Value::Text(cp("z ČAŠA")));  // trailing blanks of a compared text go
    ASSERT_EQ(condition("INSTRING('cb', 'abcb', 2, 1) = T:NUM", Dialect::Sqlite, f), "");
    ASSERT_EQ(f.params.size(), 1u);
    EXPECT_EQ(f.params[0], Value::Int(3));
}

TEST(Expr, SqlServerForms) {
    struct Case {
        const char* filter;
        const char* sql;
    };
    const Case cases[] = {
        {"T:NAME = 'a '", "(\"name\" COLLATE Serbian_Latin_100_BIN2 = ?)"},
        {"INSTRING(UPPER('x'), UPPER(T:NAME), 1, 1) > 0",
         "(CHARINDEX(?, UPPER(\"name\") COLLATE Serbian_Latin_100_BIN2, ?) > ?)"},
        {"SUB(T:NAME, 2, 3) & T:CODE = 'x'",
         "((SUBSTRING(\"name\", ?, ?) + \"code\") COLLATE Serbian_Latin_100_BIN2 = ?)"},
        {"LOWER(T:CODE) = T:NUM", "(COALESCE(TRY_CAST(LOWER(\"code\") AS FLOAT), 0) = \"num\")"},
        {"T:NUM / 2 > 1", "((CAST(\"num\" AS FLOAT) / NULLIF(?, 0)) > ?)"},
    };
    for (const Case& c : cases) {
        Fragment f;
        ASSERT_EQ(condition(c.filter, Dialect::SqlServer, f), "") << c.filter;
        EXPECT_EQ(f.sql, c.sql) << c.filter;
    }
}

TEST(Expr, BadExpressionsGiveAClearError) {
    struct Case {
        std::string filter;
        const char* error;
    };
    const Case cases[] = {
        {"T:NAME = ", "Unexpected end of the expression"},
        {"T:NAME = 'abc", "Text not closed, from position 10"},
        {"(T:NUM > 1", "Unexpected end of the expression"},
        {"T:NUM > 1)", "Unexpected ')' at position 10"},
        {"T:NUM # 1", "Unexpected character '#' at position 7"},
        {"AND T:NUM", "Unexpected 'AND' at position 1"},
        {"T:NUM > 1 T:NUM", "Unexpected 'T:NUM' at position 11"},
        {"UPPER(T:NAME, 1) = 'A'", "UPPER takes 1 argument (position 1)"},
        {"SUB(T:NAME, 1)", "SUB takes 3 arguments (position 1)"},
        {"INSTRING('a')", "INSTRING takes 2 to 4 arguments (position 1)"},
        {"FOO(T:NAME)", "Unknown function FOO (position 1)"},
        {"T:XYZ = 1", "Unknown field T:XYZ"},
        {"INSTRING('a', T:NAME, 2, 1)", "INSTRING in a filter needs a step of 1 (position 1)"},
        {"SUB(T:NAME, 0, 2) = 'a'", "SUB in a filter needs a start of 1 or more (position 1)"},
        {"LOWER(T:NAME) = 'a'",
         "LOWER of a field is not available in a filter here; compare UPPER forms (position 1)"},
        {std::string(5000, '('), "Expression nested too deeply at position 201"},
        {[] {
             std::string s;
             for (int i = 0; i < 5000; ++i) s += "NOT ";
             return s + "1";
         }(),
         "Expression nested too deeply at position 801"},
        {"", "The expression is empty"},
        {"   ", "The expression is empty"},
    };
    for (const Case& c : cases) {
        Fragment f;
        EXPECT_EQ(condition(c.filter, Dialect::Sqlite, f), c.error) << c.filter.substr(0, 40);
    }
}

// A filter of thousands of terms (a query listing many codes) compiles and selects the
// rows it names; a chain that cannot be regrouped is refused with a clear error beyond
// what the database would take, never by running out of stack.
TEST(Expr, LongChainsOfTermsCompileOrAreRefusedClearly) {
    Db db;
    for (int id = 1; id <= 6; ++id) db.insert(id, "x", id, std::to_string(id * 1000).c_str());
    std::string any, all;
    for (int i = 0; i < 20000; ++i) {
        any += (i ? " OR " : "") + std::string("T:CODE = '") + std::to_string(i) + "'";
        all += (i ? " AND " : "") + std::string("T:NUM <> ") + std::to_string(100000 + i);
    }
    Fragment f;
    ASSERT_EQ(condition(any, Dialect::Sqlite, f), "");
    EXPECT_EQ(f.params.size(), 20000u);
    EXPECT_EQ(db.ids(f), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    ASSERT_EQ(condition("(" + any + ") AND T:NUM > 4", Dialect::Sqlite, f), "");
    EXPECT_EQ(db.ids(f), (std::vector<int>{5, 6}));
    ASSERT_EQ(condition(all, Dialect::Sqlite, f), "");
    EXPECT_EQ(db.ids(f).size(), 6u);
    std::string text = "T:NAME";
    for (int i = 0; i < 3000; ++i) text += " & 'y'";
    ASSERT_EQ(condition("CLIP(" + text + ") <> ''", Dialect::SqlServer, f), "");

    // Computed over values too.
    Expression e;
    ASSERT_EQ(e.Parse(any), "");
    bool yes = false;
    ASSERT_EQ(e.EvaluateCondition(
                  [](std::string_view) -> std::optional<Fragment> {
                      return Fragment{"?", {Value::Text("19999")}, Type::Text};
                  },
                  yes),
              "");
    EXPECT_TRUE(yes);

    std::string sum = "T:NUM";
    for (int i = 0; i < 20000; ++i) sum += " + 1";
    // The 200th "+" makes the tree too high.
    EXPECT_EQ(condition(sum + " > 0", Dialect::Sqlite, f),
              "Expression too long or nested too deeply at position " + std::to_string(7 + 4 * 199));
    std::string cmp = "1";
    for (int i = 0; i < 5000; ++i) cmp += " = 1";
    EXPECT_NE(condition(cmp, Dialect::Sqlite, f).find("Expression too long or nested too deeply"),
              std::string::npos);
}

TEST(Expr, NamesAndValues) {
    Expression e;
    ASSERT_EQ(e.Parse("UPPER(kvd:vlasnik) = 'A' AND (KVD:VLASNIK <> NAZ:NAZIV1 OR NAZ:Naziv1 = '')"), "");
    EXPECT_EQ(e.Names(), (std::vector<std::string>{"kvd:vlasnik", "NAZ:NAZIV1"}));
    ASSERT_EQ(e.Parse("T:NUM > 0"), "");
    Fragment f;
    ASSERT_EQ(e.CompileValue(Dialect::Sqlite, columns, f), "");
    EXPECT_EQ(f.type, Type::Number);
    EXPECT_EQ(f.sql, "(CASE WHEN (\"num\" > ?) THEN 1 ELSE 0 END)");

    // Computed over values, LOWER of a field too; names that are columns are refused.
    auto values = [](std::string_view name) -> std::optional<Fragment> {
        if (rt::upper(name) == "T:NAME") return Fragment{"?", {Value::Text(cp("ČAŠA  "))}, Type::Text};
        if (rt::upper(name) == "T:NUM") return Fragment{"?", {Value::Int(7)}, Type::Number};
        return columns(name);
    };
    ASSERT_EQ(e.Parse(cp("LOWER(T:NAME) = 'čaša' AND NOT T:NUM / 0 = 0")), "");
    bool yes = false;
    EXPECT_EQ(e.EvaluateCondition(values, yes), "");
    EXPECT_TRUE(yes);
    Value v;
    ASSERT_EQ(e.Parse("SUB(T:NAME, 2, 2) & T:NUM * 3 & '/' & T:NUM / 2"), "");
    EXPECT_EQ(e.EvaluateValue(values, v), "");
    EXPECT_EQ(v, Value::Text(cp("AŠ21/3.5")));
    ASSERT_EQ(e.Parse("T:CODE = 'a'"), "");
    EXPECT_EQ(e.EvaluateCondition(values, yes), "The expression needs the values of its fields");
}

}  // namespace
