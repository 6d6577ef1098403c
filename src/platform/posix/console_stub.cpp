#include "platform/posix/services.h"

namespace platform::posix {

System* system() { return nullptr; }
Console* console() { return nullptr; }

}  // namespace platform::posix
