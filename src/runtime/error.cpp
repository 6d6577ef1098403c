#include "runtime/error.h"

#include <cstdlib>

#include "platform/system.h"
#include "runtime/platform_access.h"

namespace runtime {
namespace {

// The error word used when no procedure has declared a scope (the outermost level).
ErrorScope* g_innermost = nullptr;
uint8_t g_orphan_code = 0;

}  // namespace

ErrorScope::ErrorScope() noexcept : outer_(g_innermost) {
  g_innermost = this;
}

ErrorScope::~ErrorScope() {
  g_innermost = outer_;
}

void error_raise(int n) noexcept {
  n &= 0xFF;
  if (n == kErrNone) n = kErrInternal;
  if (n >= kFirstFatalCode) fatal_exit(kFatalExitCode);
  if (g_innermost) {
    g_innermost->code_ = static_cast<uint8_t>(n);
  } else {
    g_orphan_code = static_cast<uint8_t>(n);
  }
}

int32_t error_number() noexcept {
  return g_innermost ? g_innermost->code_ : g_orphan_code;
}

int32_t error_take() noexcept {
  uint8_t& word = g_innermost ? g_innermost->code_ : g_orphan_code;
  int32_t code = word;
  word = 0;
  return code;
}

void error_clear() noexcept {
  (g_innermost ? g_innermost->code_ : g_orphan_code) = 0;
}

void fatal_exit(int exit_code) noexcept {
  if (platform::System* sys = installed_platform().system) sys->exit_now(exit_code);
  std::_Exit(exit_code);
}

}  // namespace runtime
