// Runs the console suites on the in-memory console, and on the fitted view standing in front
// of a memory console five rows smaller than the screen (the view of a Windows console that
// cannot show the whole screen).
#include <algorithm>
#include <memory>

#include "console/console_harness.h"
#include "console/fitted_view.h"
#include "platform/memory/console.h"
#include "platform/memory/system.h"

namespace console_test {
namespace {

class MemoryHarness : public ConsoleHarness {
 public:
  platform::Platform services() override {
    platform::Platform p;
    p.system = &system_;
    p.console = console_.get();
    return p;
  }
  bool shape(int16_t width, int16_t height, int16_t window_width, int16_t window_height) override {
    console_ = std::make_unique<platform::memory::MemoryConsole>(width, height, window_width,
                                                                 window_height);
    return true;
  }
  platform::Cell cell(int x, int y) override {
    platform::memory::CellView c = console_->cell(y + 1, x + 1);
    return platform::Cell{c.ch, static_cast<uint16_t>(c.bg * 16 + c.fg)};
  }
  void push(const platform::InputEvent& ev) override { console_->push_event(ev); }

 private:
  platform::memory::MemorySystem system_;
  std::unique_ptr<platform::memory::MemoryConsole> console_;
};

class FittedHarness : public ConsoleHarness {
 public:
  ~FittedHarness() override { console::fitted_view().stop(); }
  platform::Platform services() override {
    platform::Platform p;
    p.system = &system_;
    p.console = console_.get();
    return p;
  }
  bool shape(int16_t width, int16_t height, int16_t window_width, int16_t window_height) override {
    console::fitted_view().stop();
    const int16_t rows = static_cast<int16_t>(std::max(window_height - 5, 2));
    console_ = std::make_unique<platform::memory::MemoryConsole>(window_width, rows);
    size_ = platform::Coord{width, height};
    return true;
  }
  void started() override {
    console::fitted_view().start(console_.get(), size_, platform::Cell{' ', 7});
  }
  platform::Cell cell(int x, int y) override { return console::fitted_view().screen().at(x, y); }
  void push(const platform::InputEvent& ev) override { console_->push_event(ev); }

 private:
  platform::memory::MemorySystem system_;
  std::unique_ptr<platform::memory::MemoryConsole> console_;
  platform::Coord size_;
};

const HarnessFactory kMemory{"memory",
                             [] { return std::unique_ptr<ConsoleHarness>(new MemoryHarness); }};
const HarnessFactory kFitted{"fitted",
                             [] { return std::unique_ptr<ConsoleHarness>(new FittedHarness); }};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Memory, ConsoleTest, ::testing::Values(kMemory, kFitted),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace console_test
