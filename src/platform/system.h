// The process seam: what start-up, pauses and the fatal exit need from the operating system.
#pragma once

#include <cstdint>

namespace platform {

class System {
 public:
  virtual ~System() = default;

  virtual void sleep_ms(uint32_t ms) = 0;
  // The version record's platform identifier (2 = the Windows NT family). Settle delays of
  // the console window layer are taken only when this is not 2.
  virtual uint32_t platform_id() = 0;
  // The full command line as GetCommandLineA gives it (program name first).
  virtual const char* command_line() = 0;
  virtual uintptr_t module_handle() = 0;
  virtual uint32_t show_command() = 0;  // 10 (SW_SHOWDEFAULT) when none was given
  // Ends the process at once with `code`, running no destructors or release steps.
  [[noreturn]] virtual void exit_now(int code) = 0;

  // CharUpperBuffA / CharLowerBuffA in place, by the platform's rules for its code page.
  // False when the platform has no rules of its own; the caller then uses code page 437's
  // case pairs.
  virtual bool char_upper(char* /*text*/, uint32_t /*length*/) { return false; }
  virtual bool char_lower(char* /*text*/, uint32_t /*length*/) { return false; }
};

}  // namespace platform
