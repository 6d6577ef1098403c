#include "console/console_harness.h"

#include "console/screen.h"
#include "console/window.h"
#include "runtime/platform_access.h"

namespace console_test {
namespace {

struct UsKey {
  uint16_t scan;
  bool shift;
};

UsKey us_key(char c) {
  static const char kDigits[] = "1!2@3#4$5%6^7&8*9(0)-_=+";
  for (int i = 0; i < 12; ++i) {
    if (c == kDigits[2 * i]) return {static_cast<uint16_t>(2 + i), false};
    if (c == kDigits[2 * i + 1]) return {static_cast<uint16_t>(2 + i), true};
  }
  static const char kRow1[] = "qwertyuiop[]";
  static const char kRow1Up[] = "QWERTYUIOP{}";
  static const char kRow2[] = "asdfghjkl;'`";
  static const char kRow2Up[] = "ASDFGHJKL:\"~";
  static const char kRow3[] = "zxcvbnm,./";
  static const char kRow3Up[] = "ZXCVBNM<>?";
  for (int i = 0; i < 12; ++i) {
    if (c == kRow1[i]) return {static_cast<uint16_t>(0x10 + i), false};
    if (c == kRow1Up[i]) return {static_cast<uint16_t>(0x10 + i), true};
    if (c == kRow2[i]) return {static_cast<uint16_t>(0x1E + i), false};
    if (c == kRow2Up[i]) return {static_cast<uint16_t>(0x1E + i), true};
  }
  for (int i = 0; i < 10; ++i) {
    if (c == kRow3[i]) return {static_cast<uint16_t>(0x2C + i), false};
    if (c == kRow3Up[i]) return {static_cast<uint16_t>(0x2C + i), true};
  }
  switch (c) {
    case '\\':
      return {0x2B, false};
    case '|':
      return {0x2B, true};
    case ' ':
      return {0x39, false};
    case '\r':
      return {0x1C, false};
    case '\b':
      return {0x0E, false};
    case '\t':
      return {0x0F, false};
    case 27:
      return {0x01, false};
    default:
      return {0, false};
  }
}

}  // namespace

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
    UsKey k = us_key(c);
    key(static_cast<uint8_t>(c), k.scan, k.shift ? uint32_t{platform::kShift} : uint32_t{0});
  }
}

}  // namespace console_test
