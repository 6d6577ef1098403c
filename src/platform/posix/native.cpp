#include "platform/native.h"

#include <cstdio>
#include <string>

#include "platform/posix/posix_console.h"
#include "platform/posix/services.h"

namespace platform::native {

bool open(Platform& out) {
  std::string why;
  if (!posix::terminal_console().open(why)) {
    std::fprintf(stderr, "orvane-table: %s\n", why.c_str());
    return false;
  }
  out.system = posix::system();
  out.console = posix::console();
  out.files = posix::file_system();
  out.printing = posix::printing_module();
  return true;
}

void close() {
  posix::terminal_console().close();
}

}  // namespace platform::native
