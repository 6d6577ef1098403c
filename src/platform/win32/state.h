// What start-up records about the process's console and environment on Windows: the handles
// it chose, whether they are consoles, the cursor shape it found, the version record and the
// start-up information. Filled once by native::open; the console and system services read it.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdint>

namespace platform::win32 {

struct StartupState {
  HANDLE error_output = nullptr;    // standard error (or the start-up information's)
  HANDLE input = nullptr;           // standard input (or the start-up information's)
  HANDLE output = nullptr;          // standard output (or the start-up information's)
  HANDLE console_output = nullptr;  // where screen output goes: stdout if a console, else stderr
  HANDLE console_input = nullptr;   // "CONIN$", for all keyboard reading
  int32_t input_is_console = 0;     // -1 when GetConsoleMode succeeds on the input handle
  int32_t output_is_console = 0;    // -1 when GetConsoleMode succeeds on the output handle
  CONSOLE_CURSOR_INFO cursor{};     // the shape found at start-up
  OSVERSIONINFOA version{};         // dwPlatformId 2 = the NT family
  uint32_t show_command = 10;       // SW_SHOWDEFAULT unless the start-up information says
  HMODULE module = nullptr;
  bool opened = false;

  // The console as start-up found it, put back at every end of the process (normal end,
  // fatal exit, the console closed): the modes of the two handles whose modes start-up sets,
  // and the input and output code pages.
  bool output_mode_saved = false;
  bool input_mode_saved = false;
  DWORD output_mode = 0;
  DWORD input_mode = 0;
  UINT input_code_page = 0;  // 0: not known
  UINT output_code_page = 0;
};

StartupState& startup_state();

// The console control handler: answers Ctrl+C, Ctrl+Break and close with TRUE, anything else
// with FALSE. On close it gives the console its modes back (the process ends right after),
// and touches nothing else.
BOOL WINAPI control_handler(DWORD event);

// Puts back the console modes and code pages that start-up found. Safe to call more than
// once and from the control handler's thread.
void restore_console(const StartupState& s);

}  // namespace platform::win32
