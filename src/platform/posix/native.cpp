#include "platform/native.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/posix/services.h"
#include "platform/posix/terminal/console.h"

namespace platform::native {

bool open(Platform& out) {
  // A standard descriptor the process was started without is opened on /dev/null before
  // anything else opens a file: otherwise the next file opened (the wake pipe, a saved
  // file) would take its number, and writes meant for standard error would go into it.
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
      int null = ::open("/dev/null", O_RDWR);
      if (null >= 0 && null != fd) {
        dup2(null, fd);
        ::close(null);
      }
    }
  }
  std::string why;
  if (!posix::console().open(why)) {
    std::fprintf(stderr, "orvane-table: %s\n", why.c_str());
    return false;
  }
  out.system = posix::system();
  out.console = &posix::console();
  out.files = posix::file_system();
  out.printing = posix::printing_module();
  return true;
}

void close() {
  posix::console().close();
}

}  // namespace platform::native
