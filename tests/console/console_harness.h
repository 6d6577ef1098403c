// The console tests run against any platform::Console: a harness shapes a console, reads its
// cells back and puts key events into its input. The memory backend supplies one here; a
// real console backend links the same test sources with a harness of its own and
// instantiates the suites with it (see memory_harness.cpp).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/console.h"
#include "platform/platform.h"

namespace console_test {

class ConsoleHarness {
 public:
  virtual ~ConsoleHarness() = default;
  // The system and console to install.
  virtual platform::Platform services() = 0;
  // A buffer of width x height cells, blank in colour 7 on 0, with a window of
  // window_width x window_height at its top-left corner, the cursor at the top-left cell,
  // attribute 7, a visible cursor of size 25 and no pending input. False when the console
  // cannot take that shape.
  virtual bool shape(int16_t width, int16_t height, int16_t window_width,
                     int16_t window_height) = 0;
  // Called once the screen state is initialised on the installed services: a harness that
  // stands something in front of the console installs it here.
  virtual void started() {}
  virtual platform::Cell cell(int x, int y) = 0;  // 0-based
  virtual void push(const platform::InputEvent& ev) = 0;
};

struct HarnessFactory {
  const char* name;
  std::unique_ptr<ConsoleHarness> (*make)();
};

inline std::string PrintToString(const HarnessFactory& f) {
  return f.name;
}

// Installs the harness's services, shapes an 80 x 25 console and runs program init's screen
// part. Rows and columns in the helpers count from 1, like the program's positions.
class ConsoleTest : public ::testing::TestWithParam<HarnessFactory> {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Reshapes the console (and initialises the screen state again). False, with the test
  // marked skipped, when the console cannot take that shape: the test then returns.
  bool reshape(int16_t width, int16_t height, int16_t window_width, int16_t window_height);

  platform::Console& con() { return *services_.console; }
  std::string text(int row, int column, int length);
  uint8_t ch(int row, int column) { return harness_->cell(column - 1, row - 1).ch; }
  uint16_t attr(int row, int column) { return harness_->cell(column - 1, row - 1).attr; }
  int cursor_row();
  int cursor_column();
  platform::CursorInfo cursor_shape();

  // Key events: a press (down and up) with the given character, scan code and control state.
  void key(uint8_t ch, uint16_t scan, uint32_t control = 0);
  void release(uint8_t ch, uint16_t scan, uint32_t control = 0);
  // Printable ASCII, Enter ("\r"), Backspace ("\b"), Tab and Escape as US keyboard keys.
  void type(const std::string& keys);

  std::unique_ptr<ConsoleHarness> harness_;
  platform::Platform services_;
};

}  // namespace console_test
