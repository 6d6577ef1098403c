#include "platform/win32/services.h"

namespace platform::win32 {

Printing* printing() { return nullptr; }

}  // namespace platform::win32
