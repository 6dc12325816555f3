// The list-format reader over any text: the columns it finds, the text written back from
// them, a width changed in it. Format texts come from files that workstations share.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ui/list_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto columns = rt::ui::ParseListFormat(text);
    const std::string written = rt::ui::ListFormat(columns);
    rt::ui::ParseListFormat(written);
    for (int column : {1, 2, static_cast<int>(columns.size())})
        for (int width : {0, 1, 120, rt::ui::kMaxListNumber}) rt::ui::WithColumnWidth(text, column, width);
    return 0;
}
