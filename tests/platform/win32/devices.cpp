#include "platform/win32/devices.h"

#include "platform/native.h"
#include "platform/win32/state.h"

namespace win32_test {
namespace {

HANDLE open_device(const char* name) {
  return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     nullptr, OPEN_EXISTING, 0, nullptr);
}

}  // namespace

bool console_devices() {
  static const bool ready = [] {
    platform::Platform ignored;
    platform::native::open(ignored);
    platform::win32::StartupState& s = platform::win32::startup_state();
    // A screen buffer of the tests' own: the console does not redraw the terminal for it,
    // which keeps thousands of small writes fast.
    const HANDLE out =
        CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr);
    const HANDLE in = open_device("CONIN$");
    if (out == INVALID_HANDLE_VALUE || in == INVALID_HANDLE_VALUE) return false;
    s.console_output = out;
    s.console_input = in;
    s.input = in;
    s.input_is_console = -1;
    SetConsoleMode(in, 0);
    return true;
  }();
  return ready;
}

}  // namespace win32_test
