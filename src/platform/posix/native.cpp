#include "platform/native.h"

namespace platform::native {

bool open(Platform&) { return true; }
void close() {}

}  // namespace platform::native
