#include "platform/files/drivers.h"

namespace rt {

std::unique_ptr<FileDriver> MakeSqlDriver(File&) { return nullptr; }

}  // namespace rt
