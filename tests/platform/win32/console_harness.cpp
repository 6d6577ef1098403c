// Runs the console suites on the real Windows console (under Wine in the test run), on the
// devices of devices.h.
#include <memory>

#include "console/console_harness.h"
#include "platform/win32/devices.h"
#include "platform/win32/services.h"
#include "platform/win32/state.h"

namespace console_test {
namespace {

using platform::win32::startup_state;
using win32_test::console_devices;

class Win32Harness : public ConsoleHarness {
 public:
  platform::Platform services() override {
    platform::Platform p;
    p.system = platform::win32::system();
    p.console = platform::win32::console();
    return p;
  }

  bool shape(int16_t width, int16_t height, int16_t window_width, int16_t window_height) override {
    if (!console_devices()) {
      // A missing console must not pass as a run of skipped tests.
      ADD_FAILURE() << "no console (error " << GetLastError()
                    << "): run the tests with a terminal on one of the standard handles";
      return false;
    }
    const HANDLE out = startup_state().console_output;
    if (window_width == 0) window_width = width;
    if (window_height == 0) window_height = height;
    // The window must fit the buffer at every step: shrink it first, then size the buffer.
    const SMALL_RECT tiny{0, 0, 0, 0};
    SetConsoleWindowInfo(out, TRUE, &tiny);
    if (!SetConsoleScreenBufferSize(out, COORD{width, height})) return false;
    const SMALL_RECT window{0, 0, static_cast<SHORT>(window_width - 1),
                            static_cast<SHORT>(window_height - 1)};
    if (!SetConsoleWindowInfo(out, TRUE, &window)) return false;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(out, &info) || info.dwSize.X != width ||
        info.dwSize.Y != height) {
      return false;
    }
    DWORD written = 0;
    const DWORD cells = static_cast<DWORD>(width) * static_cast<DWORD>(height);
    FillConsoleOutputCharacterA(out, ' ', cells, COORD{0, 0}, &written);
    FillConsoleOutputAttribute(out, 7, cells, COORD{0, 0}, &written);
    SetConsoleTextAttribute(out, 7);
    SetConsoleCursorPosition(out, COORD{0, 0});
    const CONSOLE_CURSOR_INFO cursor{25, TRUE};
    SetConsoleCursorInfo(out, &cursor);
    FlushConsoleInputBuffer(startup_state().console_input);
    return true;
  }

  platform::Cell cell(int x, int y) override {
    CHAR_INFO ci{};
    SMALL_RECT region{static_cast<SHORT>(x), static_cast<SHORT>(y), static_cast<SHORT>(x),
                      static_cast<SHORT>(y)};
    if (!ReadConsoleOutputA(startup_state().console_output, &ci, COORD{1, 1}, COORD{0, 0},
                            &region)) {
      return platform::Cell{0, 0xFFFF};
    }
    return platform::Cell{static_cast<uint8_t>(ci.Char.AsciiChar), ci.Attributes};
  }

  void push(const platform::InputEvent& ev) override {
    INPUT_RECORD r{};
    r.EventType = ev.type;
    if (ev.type == platform::InputEvent::kKey) {
      r.Event.KeyEvent.bKeyDown = ev.key_down ? TRUE : FALSE;
      r.Event.KeyEvent.wRepeatCount = ev.repeat;
      r.Event.KeyEvent.wVirtualKeyCode = ev.virtual_key;
      r.Event.KeyEvent.wVirtualScanCode = ev.scan_code;
      r.Event.KeyEvent.uChar.AsciiChar = static_cast<CHAR>(ev.ch);
      r.Event.KeyEvent.dwControlKeyState = ev.control;
    } else if (ev.type == platform::InputEvent::kFocus) {
      r.Event.FocusEvent.bSetFocus = TRUE;
    }
    DWORD written = 0;
    WriteConsoleInputA(startup_state().console_input, &r, 1, &written);
  }
};

const HarnessFactory kWin32{"win32",
                            [] { return std::unique_ptr<ConsoleHarness>(new Win32Harness); }};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Win32, ConsoleTest, ::testing::Values(kWin32),
                         [](const auto&) { return std::string("win32"); });

}  // namespace console_test
