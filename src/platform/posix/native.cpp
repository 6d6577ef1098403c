#include "platform/native.h"

#include "platform/posix/services.h"

namespace platform::native {

bool open(Platform& out) {
  out.system = posix::system();
  out.console = posix::console();
  out.files = posix::file_system();
  out.printing = posix::printing();
  return true;
}

void close() {}

}  // namespace platform::native
