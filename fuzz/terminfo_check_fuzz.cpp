// Arbitrary bytes as a compiled terminfo entry: the check never reads outside them, and an
// entry it passes is then read by the terminfo library itself (through the console's own
// start-up path, from a folder named by TERMINFO) without a fault. An entry it refuses is
// refused at start-up too.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/terminal/term_caps.h"
#include "platform/posix/terminal/terminfo_check.h"

namespace {

std::string g_folder;
int g_null = -1;

void set_up() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern =
      std::string(tmp != nullptr && *tmp != 0 ? tmp : "/tmp") + "/ot-terminfo-fuzz-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  g_folder = pattern;
  if (mkdir((g_folder + "/f").c_str(), 0700) != 0) std::abort();
  setenv("TERMINFO", g_folder.c_str(), 1);
  unsetenv("TERMINFO_DIRS");
  setenv("HOME", g_folder.c_str(), 1);
  g_null = open("/dev/null", O_RDWR);
  std::atexit([] {
    unlink((g_folder + "/f/fuzzterm").c_str());
    rmdir((g_folder + "/f").c_str());
    rmdir(g_folder.c_str());
  });
}

}  // namespace

// libtinfo leaks the terminal it built when it refuses a generic entry (gn): its own fault,
// once per start of a program that then ends, and not what this target looks for.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libtinfo\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (g_folder.empty()) set_up();
  const char* fault = platform::posix::terminfo_entry_fault(data, size);
  const std::string path = g_folder + "/f/fuzzterm";
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) std::abort();
  if (size > 0 && write(fd, data, size) != static_cast<ssize_t>(size)) std::abort();
  close(fd);
  platform::posix::TermCaps caps;
  std::string why;
  const bool usable = platform::posix::TermCaps::from_terminfo("fuzzterm", g_null, caps, why);
  if (fault != nullptr && usable) std::abort();  // a damaged entry got through
  if (!usable && why.find('\n') != std::string::npos) std::abort();
  return 0;
}
