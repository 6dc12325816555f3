#include "platform/files/drivers.h"

namespace rt {

std::unique_ptr<FileDriver> MakeFlatDriver(File&) { return nullptr; }

}  // namespace rt
