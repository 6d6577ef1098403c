// Process services on Windows: sleeping, the version record, the command line, the module
// handle and show command from start-up, the immediate exit and the code page's case rules.
#include "platform/system.h"

#include "platform/win32/services.h"
#include "platform/win32/state.h"

namespace platform::win32 {

namespace {

class Win32System final : public System {
 public:
  void sleep_ms(uint32_t ms) override { Sleep(ms); }

  uint32_t platform_id() override {
    const StartupState& s = startup_state();
    if (s.opened) return s.version.dwPlatformId;
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
    return GetVersionExA(&v) ? v.dwPlatformId : 0;
  }

  const char* command_line() override { return GetCommandLineA(); }

  uintptr_t module_handle() override {
    const StartupState& s = startup_state();
    return reinterpret_cast<uintptr_t>(s.module ? s.module : GetModuleHandleA(nullptr));
  }

  uint32_t show_command() override { return startup_state().show_command; }

  // The fatal end: the console gets its modes and code pages back first, as at a normal end.
  [[noreturn]] void exit_now(int code) override {
    const StartupState& s = startup_state();
    if (s.opened) restore_console(s);
    ExitProcess(static_cast<UINT>(code));
  }

  bool char_upper(char* text, uint32_t length) override {
    if (length) CharUpperBuffA(text, length);
    return true;
  }
  bool char_lower(char* text, uint32_t length) override {
    if (length) CharLowerBuffA(text, length);
    return true;
  }
};

}  // namespace

StartupState& startup_state() {
  static StartupState state;
  return state;
}

System* system() {
  static Win32System instance;
  return &instance;
}

}  // namespace platform::win32
