// Run-time error words. Every procedure activation that can receive run-time errors declares
// an ErrorScope; run-time operations raise into the innermost one. Codes 241 to 255 are
// fatal and end the process at once with exit code 255.
#pragma once

#include <cstdint>

namespace runtime {

class ErrorScope {
 public:
  ErrorScope() noexcept;
  ~ErrorScope();
  ErrorScope(const ErrorScope&) = delete;
  ErrorScope& operator=(const ErrorScope&) = delete;

  uint8_t code() const noexcept { return code_; }

 private:
  friend void error_raise(int n) noexcept;
  friend int32_t error_number() noexcept;
  friend int32_t error_take() noexcept;
  friend void error_clear() noexcept;
  uint8_t code_ = 0;
  ErrorScope* outer_;
};

// Records n (0 records 51) in the innermost scope; n >= 241 ends the process with 255.
void error_raise(int n) noexcept;
// The code of the innermost scope, unchanged.
int32_t error_number() noexcept;
// The code of the innermost scope; the scope's word is cleared.
int32_t error_take() noexcept;
void error_clear() noexcept;

// Hooks run, newest first, on the fatal path before the process ends (for example to put a
// terminal back into its normal mode). They must not allocate or raise.
using FatalHook = void (*)();
void add_fatal_hook(FatalHook hook) noexcept;
void remove_fatal_hook(FatalHook hook) noexcept;

// Ends the process at once with `exit_code` after running the fatal hooks: no variable is
// released and no handle is closed.
[[noreturn]] void fatal_exit(int exit_code = 255) noexcept;

}  // namespace runtime
