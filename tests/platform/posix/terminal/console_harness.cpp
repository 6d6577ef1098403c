// Runs the console suites (screen, keyboard) on the terminal console, attached to a
// pseudo-terminal whose other end is read all the time, as a terminal would.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <thread>

#include "console/console_harness.h"
#include "platform/memory/system.h"
#include "platform/posix/terminal/console.h"
#include "support/pty.h"

namespace console_test {
namespace {

class PosixHarness : public ConsoleHarness {
 public:
  ~PosixHarness() override { stop(); }

  platform::Platform services() override {
    platform::Platform p;
    p.system = &system_;
    p.console = console_.get();
    return p;
  }

  bool shape(int16_t width, int16_t height, int16_t window_width, int16_t window_height) override {
    stop();
    if (window_width == 0) window_width = width;
    if (window_height == 0) window_height = height;
    if (!test_support::open_pty(window_width, window_height, master_, slave_)) return false;
    running_ = true;
    reader_ = std::thread([this] {
      char buf[4096];
      while (running_) {
        pollfd pfd{master_, POLLIN, 0};
        if (poll(&pfd, 1, 20) > 0 && read(master_, buf, sizeof buf) <= 0) break;
      }
    });
    console_ = std::make_unique<platform::posix::PosixConsole>();
    if (!console_->attach(slave_, slave_, true)) return false;
    // The buffer starts as large as the terminal, with the window covering it.
    if (!console_->set_buffer_size({width, height})) return false;
    return console_->set_window_info(true, {0, 0, static_cast<int16_t>(window_width - 1),
                                            static_cast<int16_t>(window_height - 1)});
  }

  platform::Cell cell(int x, int y) override {
    console_->present();  // what the terminal is sent must be drawable at any moment
    return console_->buffer().at(x, y);
  }

  void push(const platform::InputEvent& ev) override { console_->push_input(ev); }

 private:
  void stop() {
    if (console_) console_->close();
    console_.reset();
    running_ = false;
    if (reader_.joinable()) reader_.join();
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
    slave_ = master_ = -1;
  }

  platform::memory::MemorySystem system_;
  std::unique_ptr<platform::posix::PosixConsole> console_;
  int master_ = -1;
  int slave_ = -1;
  std::atomic<bool> running_{false};
  std::thread reader_;
};

const HarnessFactory kPosix{"posix",
                            [] { return std::unique_ptr<ConsoleHarness>(new PosixHarness); }};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Posix, ConsoleTest, ::testing::Values(kPosix),
                         [](const auto&) { return std::string("posix"); });

}  // namespace console_test
