#include "platform/posix/terminal/viewport.h"

#include "platform/posix/terminal/escapes.h"

namespace platform::posix {

const char* Viewport::mouse_request(bool again) {
  if (small() == mouse_on_ && !(again && mouse_on_)) return nullptr;
  mouse_on_ = small();
  return small() ? escapes::kMouseOn : escapes::kMouseOff;
}

}  // namespace platform::posix
