#include "platform/files/drivers.h"

namespace rt {

std::unique_ptr<FileDriver> MakeKeyedDriver(File&) { return nullptr; }

}  // namespace rt
