#include "platform/win32/services.h"

namespace platform::win32 {

FileSystem* file_system() { return nullptr; }

}  // namespace platform::win32
