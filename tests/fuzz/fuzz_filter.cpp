// The filter parser over any text: parsed, its names listed, compiled to SQL for both
// dialects and computed over values. Filters come from what users type.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/files/expr.h"

using rt::expr::Fragment;
using rt::expr::Type;
using rt::expr::Value;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    rt::expr::Expression e;
    if (!e.Parse(text).empty()) return 0;
    e.Names();
    // Every name a column: names beginning with N numbers, the others texts.
    auto columns = [](std::string_view name) -> std::optional<Fragment> {
        if (name.empty()) return std::nullopt;
        const Type type = name[0] == 'N' || name[0] == 'n' ? Type::Number : Type::Text;
        return Fragment{"\"" + std::string(name.size() > 20 ? name.substr(0, 20) : name) + "\"", {}, type};
    };
    auto values = [](std::string_view name) -> std::optional<Fragment> {
        if (name.empty()) return std::nullopt;
        if (name[0] == 'N' || name[0] == 'n') return Fragment{"?", {Value::Real(2.5)}, Type::Number};
        return Fragment{"?", {Value::Text("Petrovi\xE6")}, Type::Text};
    };
    for (auto dialect : {rt::sql::Dialect::Sqlite, rt::sql::Dialect::SqlServer}) {
        Fragment out;
        e.CompileCondition(dialect, columns, out);
        Fragment value;
        e.CompileValue(dialect, columns, value);
    }
    bool yes = false;
    e.EvaluateCondition(values, yes);
    Value v;
    e.EvaluateValue(values, v);
    return 0;
}
