// An in-memory process service for tests: pauses are recorded instead of slept, and the
// platform identifier, command line and show command are whatever the test sets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/system.h"

namespace platform::memory {

class MemorySystem : public System {
 public:
  void sleep_ms(uint32_t ms) override;
  uint32_t platform_id() override { return platform_id_; }
  const char* command_line() override { return command_line_.c_str(); }
  uintptr_t module_handle() override { return 0x00400000; }
  uint32_t show_command() override { return show_command_; }
  // Ends the test process at once, as the real exit does (death tests look at the code).
  [[noreturn]] void exit_now(int code) override;

  void set_platform_id(uint32_t id) { platform_id_ = id; }
  void set_command_line(std::string line) { command_line_ = std::move(line); }
  void set_show_command(uint32_t show) { show_command_ = show; }

  // Every pause asked for, in order, and their sum in milliseconds.
  const std::vector<uint32_t>& sleeps() const { return sleeps_; }
  uint64_t slept_ms() const { return slept_ms_; }
  void clear_sleeps() {
    sleeps_.clear();
    slept_ms_ = 0;
  }

 private:
  uint32_t platform_id_ = 2;
  std::string command_line_ = kProgramName;
  uint32_t show_command_ = 10;
  std::vector<uint32_t> sleeps_;
  uint64_t slept_ms_ = 0;
};

}  // namespace platform::memory
