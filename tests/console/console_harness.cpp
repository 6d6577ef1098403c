#include "console/console_harness.h"

#include "console/screen.h"
#include "console/window.h"
#include "platform/keyboard_layout.h"
#include "runtime/platform_access.h"

namespace console_test {
void ConsoleTest::SetUp() {
  harness_ = GetParam().make();
  reshape(80, 25, 80, 25);
}

void ConsoleTest::TearDown() {
  console::window_reset();
  runtime::install_platform(platform::Platform{});
}

bool ConsoleTest::reshape(int16_t width, int16_t height, int16_t window_width,
                          int16_t window_height) {
  if (!harness_->shape(width, height, window_width, window_height)) {
    [&] { GTEST_SKIP() << "the console cannot take a " << width << "x" << height << " buffer"; }();
    return false;
  }
  services_ = harness_->services();
  runtime::install_platform(services_);
  console::screen_init();
  harness_->started();
  services_ = runtime::installed_platform();
  return true;
}

std::string ConsoleTest::text(int row, int column, int length) {
  std::string out;
  for (int i = 0; i < length; ++i) out.push_back(static_cast<char>(ch(row, column + i)));
  return out;
}

int ConsoleTest::cursor_row() {
  platform::BufferInfo info;
  con().get_buffer_info(info);
  return info.cursor.y + 1;
}

int ConsoleTest::cursor_column() {
  platform::BufferInfo info;
  con().get_buffer_info(info);
  return info.cursor.x + 1;
}

platform::CursorInfo ConsoleTest::cursor_shape() {
  platform::CursorInfo info;
  con().get_cursor_info(info);
  return info;
}

void ConsoleTest::key(uint8_t ch, uint16_t scan, uint32_t control) {
  platform::InputEvent ev;
  ev.ch = ch;
  ev.scan_code = scan;
  ev.control = control;
  harness_->push(ev);
  release(ch, scan, control);
}

void ConsoleTest::release(uint8_t ch, uint16_t scan, uint32_t control) {
  platform::InputEvent ev;
  ev.key_down = false;
  ev.ch = ch;
  ev.scan_code = scan;
  ev.control = control;
  harness_->push(ev);
}

void ConsoleTest::type(const std::string& keys) {
  for (char c : keys) {
    const platform::UsKey k = platform::us_key(static_cast<uint8_t>(c));
    key(static_cast<uint8_t>(c), k.scan, k.shift ? uint32_t{platform::kShift} : uint32_t{0});
  }
}

}  // namespace console_test
