// Generic operations on a record buffer described by its layout.
#pragma once

#include "platform/files/layout.h"

namespace rt {

// CLEAR of a record: CSTRING fields empty, STRING fields blanks, numbers 0.
void clear_record(const RecordLayout& layout, void* buffer);

}  // namespace rt
