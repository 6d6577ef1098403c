#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/services.h"
#include "platform/posix/terminal/terminal.h"
#include "platform/system.h"

namespace platform::posix {
namespace {

// The command line as one string, arguments separated by blanks; an argument holding a
// blank (or empty) is put in double quotes, as a Windows command line would carry it.
std::string read_command_line() {
  std::string raw;
  int fd = ::open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) raw.append(buf, static_cast<size_t>(n));
    ::close(fd);
  }
  if (raw.empty()) return kProgramName;
  if (raw.back() != '\0') raw.push_back('\0');
  std::string line;
  size_t start = 0;
  while (start < raw.size()) {
    size_t end = raw.find('\0', start);
    std::string arg = raw.substr(start, end - start);
    if (!line.empty()) line.push_back(' ');
    bool quote = arg.empty() || arg.find_first_of(" \t") != std::string::npos;
    if (quote) line.push_back('"');
    line += arg;
    if (quote) line.push_back('"');
    start = end + 1;
  }
  return line;
}

class PosixSystem final : public System {
 public:
  void sleep_ms(uint32_t ms) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
  uint32_t platform_id() override { return 2; }
  const char* command_line() override {
    if (command_line_.empty()) command_line_ = read_command_line();
    return command_line_.c_str();
  }
  uintptr_t module_handle() override { return reinterpret_cast<uintptr_t>(&kModuleTag); }
  uint32_t show_command() override { return 10; }
  [[noreturn]] void exit_now(int code) override {
    restore_terminal_now();
    _exit(code);
  }

 private:
  static constexpr char kModuleTag = 0;
  std::string command_line_;
};

}  // namespace

System* system() {
  static PosixSystem sys;
  return &sys;
}

std::string program_file() {
  std::vector<char> buf(4096);
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
  if (n <= 0 || static_cast<size_t>(n) >= buf.size()) return {};
  return std::string(buf.data(), static_cast<size_t>(n));
}

}  // namespace platform::posix
