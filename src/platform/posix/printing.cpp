#include "platform/posix/services.h"

namespace platform::posix {

Printing* printing() { return nullptr; }

}  // namespace platform::posix
