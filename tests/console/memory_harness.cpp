// Runs the console suites on the in-memory console.
#include <memory>

#include "console/console_harness.h"
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

const HarnessFactory kMemory{"memory",
                             [] { return std::unique_ptr<ConsoleHarness>(new MemoryHarness); }};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Memory, ConsoleTest, ::testing::Values(kMemory),
                         [](const auto&) { return std::string("memory"); });

}  // namespace console_test
