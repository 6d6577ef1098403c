#include "platform/posix/services.h"

namespace platform::posix {

FileSystem* file_system() { return nullptr; }

}  // namespace platform::posix
