// A small console program for the scripted Windows checks: it shapes the console as the
// application does, draws marked texts at known rows, columns and colours, then reports every
// key it reads (as hex key strings) and what it saw of the console on standard output, until
// it reads X. Run it with standard output redirected: the screen then goes to standard error,
// which must still be the console.
#include <cstdint>
#include <cstdio>
#include <string>

#include "console/keyboard.h"
#include "console/screen.h"
#include "console/window.h"
#include "platform/native.h"
#include "platform/win32/state.h"
#include "runtime/error.h"
#include "runtime/startup.h"

namespace {

void report(const char* what, const std::string& value) {
  std::printf("%s=%s\n", what, value.c_str());
  std::fflush(stdout);
}

std::string hex(const std::string& key) {
  std::string out;
  char buf[4];
  for (unsigned char c : key) {
    std::snprintf(buf, sizeof buf, "%02x", c);
    if (!out.empty()) out += ' ';
    out += buf;
  }
  return out;
}

void put(int32_t row, int32_t column, int32_t fg, int32_t bg, const char* text) {
  console::console_locate(row, column);
  console::console_color(fg, bg);
  console::console_print(text);
}

int32_t ProbeMain(uintptr_t, int32_t, const char* tail, uint32_t) {
  runtime::ErrorScope scope;
  const std::string title = console::title_get();
  console::window_move(160, 20);
  report("title_kept", console::title_get() == title ? "yes" : "no");
  console::screen_set(80, 50);
  report("screen_set_error", std::to_string(runtime::error_take()));
  console::view_set(80, 50);
  const console::Size buf = console::buffer_size();
  const console::Size win = console::window_size();
  report("buffer", std::to_string(buf.columns) + "x" + std::to_string(buf.rows));
  report("window", std::to_string(win.columns) + "x" + std::to_string(win.rows));
  report("tail", tail ? tail : "");
  const platform::win32::StartupState& st = platform::win32::startup_state();
  DWORD mode = 0xFFFF;
  GetConsoleMode(st.console_input, &mode);
  report("input_is_console", std::to_string(st.input_is_console));
  report("output_is_console", std::to_string(st.output_is_console));
  report("input_mode", std::to_string(mode));

  console::console_cursor(0);
  console::console_color(7, 0);
  console::console_clear();
  put(1, 1, 14, 1, "TOP-LEFT");
  put(25, 30, 10, 0, "MIDDLE");
  put(49, 75, 12, 7, "CORNER");  // the last six cells of row 49
  put(50, 75, 11, 0, "ENDS!!");  // fills the last cell: no scroll yet
  report("after_last_cell",
         std::to_string(console::console_row()) + "," + std::to_string(console::console_column()));
  put(3, 1, 15, 0, "READY");
  console::console_locate(10, 1);
  console::console_color(7, 0);

  for (;;) {
    const std::string key = console::key_wait();
    report("key", hex(key));
    if (key == "X" || key == "x") break;
  }
  put(5, 1, 15, 0, "DONE");
  console::key_flush();
  return 42;
}

}  // namespace

// --modes: prints the console's input and output modes and code pages on one line and ends,
// without touching the console (run before and after a program to see what it left behind).
int print_modes() {
  const HANDLE in =
      CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  const HANDLE out =
      CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD in_mode = 0;
  DWORD out_mode = 0;
  const bool in_ok = GetConsoleMode(in, &in_mode) != 0;
  const bool out_ok = GetConsoleMode(out, &out_mode) != 0;
  CONSOLE_SCREEN_BUFFER_INFO csbi{};
  GetConsoleScreenBufferInfo(out, &csbi);
  std::printf("modes in=%s out=%s cp=%u ocp=%u buffer=%dx%d window=%dx%d\n",
              in_ok ? std::to_string(in_mode).c_str() : "none",
              out_ok ? std::to_string(out_mode).c_str() : "none", GetConsoleCP(),
              GetConsoleOutputCP(), csbi.dwSize.X, csbi.dwSize.Y,
              csbi.srWindow.Right - csbi.srWindow.Left + 1,
              csbi.srWindow.Bottom - csbi.srWindow.Top + 1);
  return 0;
}

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--modes") return print_modes();
  platform::Platform services;
  if (!platform::native::open(services)) return 1;
  const runtime::InitHook init[] = {console::screen_init};
  const int32_t code = runtime::run_program(services, ProbeMain, init);
  platform::native::close();
  return code;
}
