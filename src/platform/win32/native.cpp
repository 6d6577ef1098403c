// Start-up and shutdown of the process's Windows services: the object library, the console
// handles and modes, the control handler, the cursor shape, the version record and the
// start-up information.
#include "platform/native.h"

#include <objbase.h>

#include <cstdio>

#include "platform/platform.h"
#include "platform/win32/services.h"
#include "platform/win32/state.h"

namespace platform::win32 {

BOOL WINAPI control_handler(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      return TRUE;
    case CTRL_CLOSE_EVENT:
      // The system ends the process once this returns; the console may live on in the
      // shell that started the program.
      restore_console(startup_state());
      return TRUE;
    default:
      return FALSE;
  }
}

void restore_console(const StartupState& s) {
  if (s.output_mode_saved) SetConsoleMode(s.console_output, s.output_mode);
  if (s.input_mode_saved) SetConsoleMode(s.input, s.input_mode);
  if (s.input_code_page != 0 && GetConsoleCP() != s.input_code_page) {
    SetConsoleCP(s.input_code_page);
  }
  if (s.output_code_page != 0 && GetConsoleOutputCP() != s.output_code_page) {
    SetConsoleOutputCP(s.output_code_page);
  }
}

namespace {

bool usable(const CONSOLE_CURSOR_INFO& ci) {
  return ci.dwSize != 0;
}

bool is_console(HANDLE h) {
  DWORD mode = 0;
  return h != nullptr && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode) != 0;
}

// True when there is a console to draw on or read keys from: the keyboard device, standard
// output or standard error. A process started without any (detached, or with every handle
// redirected) would otherwise wait for keys that can never come.
bool has_console(const StartupState& s) {
  return is_console(s.console_input) || is_console(s.output) || is_console(s.error_output);
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
  s.input_code_page = GetConsoleCP();
  s.output_code_page = GetConsoleOutputCP();
  s.output_mode_saved = GetConsoleMode(s.console_output, &s.output_mode) != 0;
  SetConsoleMode(s.console_output, ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT);

  // Mode 0: no line editing, no echo, Ctrl+C arrives as the character 3.
  if (GetConsoleMode(s.input, &mode)) {
    s.input_is_console = -1;
    s.input_mode = mode;
    s.input_mode_saved = true;
  }
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

// The process joins a job object that allows one active process, so that it can start no
// other program (the same spirit as the seccomp filter on Linux). Left out in a 32-bit
// process on 64-bit Windows, whose printing goes through a helper process of the system's
// (splwow64). The job's handle stays open for the life of the process.
enum class Confinement { kNotTried, kJob, kOff, kWow64, kRefused };

Confinement confine() {
  static Confinement done = Confinement::kNotTried;
  if (done != Confinement::kNotTried) return done;
  char off[8] = {};
  const DWORD n = GetEnvironmentVariableA("ORVANE_SANDBOX", off, sizeof off);
  BOOL wow64 = FALSE;
  if (n == 3 && lstrcmpA(off, "off") == 0) {
    done = Confinement::kOff;
  } else if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64) {
    done = Confinement::kWow64;
  } else {
    done = Confinement::kRefused;
    if (HANDLE job = CreateJobObjectA(nullptr, nullptr)) {
      JOBOBJECT_BASIC_LIMIT_INFORMATION limit{};
      limit.LimitFlags = JOB_OBJECT_LIMIT_ACTIVE_PROCESS;
      limit.ActiveProcessLimit = 1;
      if (SetInformationJobObject(job, JobObjectBasicLimitInformation, &limit, sizeof limit) &&
          AssignProcessToJobObject(job, GetCurrentProcess())) {
        done = Confinement::kJob;
      } else {
        CloseHandle(job);
      }
    }
  }
  return done;
}

}  // namespace

}  // namespace platform::win32

namespace platform::native {

bool open(Platform& out) {
  using namespace platform::win32;
  StartupState& s = startup_state();

  s = StartupState{};
  s.error_output = GetStdHandle(STD_ERROR_HANDLE);
  s.output = GetStdHandle(STD_OUTPUT_HANDLE);
  s.console_input =
      CreateFileA("CONIN$", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  const bool console_found = has_console(s);
  if (s.console_input != INVALID_HANDLE_VALUE && s.console_input != nullptr) {
    CloseHandle(s.console_input);
  }
  s.console_input = nullptr;
  if (!console_found) {
    std::fprintf(stderr,
                 "%s: there is no console to show the screen in; start it from Command "
                 "Prompt, PowerShell or Windows Terminal, or double-click it (see "
                 "HOW-TO-RUN.txt)\n",
                 kProgramName);
    std::fflush(stderr);
    return false;
  }

  CoInitialize(nullptr);
  open_console(s);
  confine();

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
  restore_console(s);
  if (s.console_input && s.console_input != INVALID_HANDLE_VALUE) CloseHandle(s.console_input);
  s.console_input = nullptr;
  s.opened = false;
  CoUninitialize();
}

std::string confinement() {
  switch (platform::win32::confine()) {
    case platform::win32::Confinement::kJob:
      return "sandbox: job object (no child processes)";
    case platform::win32::Confinement::kOff:
      return "sandbox: off (ORVANE_SANDBOX=off)";
    case platform::win32::Confinement::kWow64:
      return "sandbox: none (32-bit program on 64-bit Windows)";
    default:
      return "sandbox: none (job object refused)";
  }
}

}  // namespace platform::native
