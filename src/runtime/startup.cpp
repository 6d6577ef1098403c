#include "runtime/startup.h"

#include "platform/console.h"
#include "platform/system.h"
#include "runtime/error.h"
#include "runtime/fpu.h"
#include "runtime/platform_access.h"

namespace runtime {

const char* command_line_tail(const char* line) {
  if (!line) return "";
  const unsigned char* p = reinterpret_cast<const unsigned char*>(line);
  if (*p == '"') {
    ++p;
    while (*p >= ' ' && *p != '"') ++p;
    if (*p != '"') return reinterpret_cast<const char*>(p);  // no closing quote
    ++p;
  } else {
    while (*p > ' ') ++p;
  }
  while (*p == ' ') ++p;
  return reinterpret_cast<const char*>(p);
}

int32_t run_program(const platform::Platform& services, ProgramMainFn program_main,
                    std::span<const InitHook> init) {
  install_platform(services);
  fp_mode_set();
  for (InitHook hook : init) {
    if (hook) hook();
  }

  platform::System* sys = services.system;
  const char* tail = command_line_tail(sys ? sys->command_line() : nullptr);
  const uintptr_t module = sys ? sys->module_handle() : 0;
  const uint32_t show = sys ? sys->show_command() : 10;

  ErrorScope main_level;
  const int32_t result = program_main ? program_main(module, 0, tail, show) : 0;
  // The last frame reaches the screen before the process ends (through whatever console is
  // installed by then).
  if (platform::Console* con = installed_platform().console) con->present();
  return result;
}

}  // namespace runtime
