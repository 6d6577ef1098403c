// Start-up and shutdown of the process's Windows services: the object library, the console
// handles and modes, the control handler, the cursor shape, the version record and the
// start-up information.
#include "platform/native.h"

#include <objbase.h>

#include "platform/win32/services.h"
#include "platform/win32/state.h"

namespace platform::win32 {

BOOL WINAPI control_handler(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
      return TRUE;
    default:
      return FALSE;
  }
}

namespace {

bool usable(const CONSOLE_CURSOR_INFO& ci) {
  return ci.dwSize != 0;
}

void open_console(StartupState& s) {
  s.error_output = GetStdHandle(STD_ERROR_HANDLE);
  s.console_output = s.error_output;
  s.input = GetStdHandle(STD_INPUT_HANDLE);
  s.output = GetStdHandle(STD_OUTPUT_HANDLE);

  // Kept even when it fails: keyboard reading then quietly finds nothing.
  s.console_input =
      CreateFileA("CONIN$", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);

  s.input_is_console = 0;
  s.output_is_console = 0;
  DWORD mode = 0;
  if (GetConsoleMode(s.output, &mode)) {
    s.console_output = s.output;
    s.output_is_console = -1;
  }
  SetConsoleMode(s.console_output, ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT);

  // Mode 0: no line editing, no echo, Ctrl+C arrives as the character 3.
  if (GetConsoleMode(s.input, &mode)) s.input_is_console = -1;
  SetConsoleMode(s.input, 0);

  SetConsoleCtrlHandler(control_handler, TRUE);

  CONSOLE_CURSOR_INFO ci{};
  if (GetConsoleCursorInfo(s.console_output, &ci) && usable(ci)) {
    s.cursor = ci;
  } else if (GetConsoleCursorInfo(s.output, &ci) && usable(ci)) {
    s.cursor = ci;
  } else {
    s.cursor.dwSize = 10;
    s.cursor.bVisible = TRUE;
    SetConsoleCursorInfo(s.console_output, &s.cursor);
  }
}

}  // namespace

}  // namespace platform::win32

namespace platform::native {

bool open(Platform& out) {
  using namespace platform::win32;
  StartupState& s = startup_state();

  CoInitialize(nullptr);
  open_console(s);

  s.version = OSVERSIONINFOA{};
  s.version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  GetVersionExA(&s.version);

  STARTUPINFOA si{};
  si.cb = sizeof si;
  GetStartupInfoA(&si);
  if (si.dwFlags & STARTF_USESTDHANDLES) {
    // The console output and console input handles stay as chosen above.
    s.error_output = si.hStdError;
    s.input = si.hStdInput;
    s.output = si.hStdOutput;
  }
  s.show_command = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : SW_SHOWDEFAULT;
  s.module = GetModuleHandleA(nullptr);
  s.opened = true;

  out.system = system();
  out.console = console();
  out.files = file_system();
  out.printing = printing();
  return true;
}

void close() {
  using namespace platform::win32;
  StartupState& s = startup_state();
  if (!s.opened) return;
  if (s.console_input && s.console_input != INVALID_HANDLE_VALUE) CloseHandle(s.console_input);
  s.console_input = nullptr;
  s.opened = false;
  CoUninitialize();
}

}  // namespace platform::native
