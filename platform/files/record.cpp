#include "platform/files/record.h"

#include <cstring>

namespace rt {

void clear_record(const RecordLayout& layout, void* buffer) {
    auto* base = static_cast<unsigned char*>(buffer);
    std::memset(base, 0, layout.record_size);
    for (const auto& f : layout.fields)
        if (f.type == FieldType::String) std::memset(base + f.offset, ' ', f.total_size());
}

}  // namespace rt
