#include "platform/native.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "platform/posix/files/drive.h"
#include "platform/posix/sandbox.h"
#include "platform/posix/services.h"
#include "platform/posix/terminal/console.h"

namespace platform::native {

namespace {

// Confines the process once the terminal, terminfo and locale are settled: files may then
// be changed only beneath the drive folders. Drive C's folder is made here if missing, so
// that it exists before the rules name it; the other letters count when their folder
// exists now.
void confine() {
  if (posix::sandbox::off_by_environment()) return;
  posix::sandbox::Rules rules;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    uint32_t error = 0;
    std::string folder = posix::drive_folder(letter, &error);
    if (!folder.empty()) rules.writable.push_back(std::move(folder));
  }
  posix::sandbox::apply(rules);
}

}  // namespace

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
  if (!posix::console().open(why, posix::program_file())) {
    std::fprintf(stderr, "%s: %s\n", kProgramName, why.c_str());
    return false;
  }
  confine();
  out.system = posix::system();
  out.console = &posix::console();
  out.files = posix::file_system();
  out.printing = posix::printing_module();
  return true;
}

void close() {
  posix::console().close();
}

std::string confinement() {
  return posix::sandbox::describe(posix::sandbox::probe());
}

}  // namespace platform::native
