// The program on a terminal of 24 and 30 rows (a pseudo-terminal read back by a terminal
// model): the rows it shows on each screen are the ones a Windows console window of that
// size shows (SmallWindowTest), whatever the screen asked for.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "app_fixture.h"
#include "platform/cp437.h"
#include "platform/posix/terminal/console.h"
#include "platform/posix/terminal/terminal_model.h"
#include "support/pty.h"

namespace app_test {
namespace {

class TerminalRowsTest : public AppTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    ASSERT_TRUE(test_support::open_pty(80, GetParam(), master_, slave_));
    running_ = true;
    reader_ = std::thread([this] {
      char buf[4096];
      while (running_) {
        pollfd pfd{master_, POLLIN, 0};
        if (poll(&pfd, 1, 20) <= 0) continue;
        const ssize_t n = read(master_, buf, sizeof buf);
        if (n <= 0) break;
        std::lock_guard<std::mutex> lock(mutex_);
        sent_.append(buf, static_cast<size_t>(n));
      }
    });
    ASSERT_TRUE(terminal_.attach(slave_, slave_, true));
  }
  void TearDown() override {
    terminal_.close();
    running_ = false;
    if (reader_.joinable()) reader_.join();
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
    AppTest::TearDown();
  }

  // What the terminal shows once it shows `text`; false after ten seconds without.
  bool WaitFor(const std::string& text, posix_test::TerminalModel& shown) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < until) {
      posix_test::TerminalModel model(80, GetParam());
      bool whole;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        whole = model.feed(sent_);  // false while a sequence is still on its way
      }
      if (whole) {
        for (int y = 0; y < model.rows; ++y) {
          if (Row(model, y).find(text) != std::string::npos) {
            shown = model;
            return true;
          }
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  static std::string Row(posix_test::TerminalModel& model, int y) {
    std::string out;
    for (int x = 0; x < model.cols; ++x) {
      const uint32_t glyph = model.at(x, y).glyph;
      out.push_back(glyph < 0x80 ? static_cast<char>(glyph) : '?');
    }
    return out;
  }
  // The screen row (from 1) on the terminal's first row: the rows above the notice are held
  // against the program's screen buffer, glyph by glyph.
  int FirstShownRow(posix_test::TerminalModel& model) {
    const platform::posix::ScreenBuffer& screen = terminal_.buffer();
    const int shown = model.rows - 1;
    for (int top = 0; top + shown <= screen.size().y; ++top) {
      bool same = true;
      for (int y = 0; y < shown && same; ++y) {
        for (int x = 0; x < 80 && same; ++x) {
          same = model.at(x, y).glyph == platform::cp437_to_unicode(screen.at(x, top + y).ch);
        }
      }
      if (same) return top + 1;
    }
    return -1;
  }
  void Send(const std::string& keys) {
    ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }

  platform::posix::PosixConsole terminal_;
  int master_ = -1;
  int slave_ = -1;
  std::atomic<bool> running_{false};
  std::thread reader_;
  std::mutex mutex_;
  std::string sent_;
};

TEST_P(TerminalRowsTest, ShowsWhatTheUserMustReadOrPress) {
  const ShownTops tops = ShownTopsFor(GetParam());
  const std::string notice = " The window is 80 x " + std::to_string(GetParam()) +
                             ": make it at least 80 x 50 to see the whole screen ";
  system.on_pause = [&](uint32_t ms) {
    if (ms != 1500) return;
    posix_test::TerminalModel shown(80, GetParam());
    ASSERT_TRUE(WaitFor("Thank you for using Orvane-Table", shown));
    ++farewells;
    EXPECT_EQ(FirstShownRow(shown), tops.farewell);
  };
  int32_t code = -1;
  std::thread program([&] {
    static const runtime::InitHook init[] = {console::screen_init, printer::printer_init,
                                             app::ProgramVariablesInit};
    platform::Platform services;
    services.system = &system;
    services.console = &terminal_;
    services.files = file_system;
    services.printing = &printing;
    code = runtime::run_program(services, app::ProgramMain, init);
  });

  posix_test::TerminalModel shown(80, GetParam());
  EXPECT_TRUE(WaitFor("X - Exit This Program", shown));
  EXPECT_EQ(FirstShownRow(shown), tops.main);
  EXPECT_EQ(Row(shown, 19 - tops.main).substr(46, 19), "User Options - Main");
  EXPECT_EQ(Row(shown, 21 - tops.main).substr(46, 14), "Press A Letter");
  EXPECT_EQ(Row(shown, GetParam() - 1).substr(0, notice.size()), notice);
  Send("f");
  EXPECT_TRUE(WaitFor("Enter Filename", shown));
  Send("blind");
  EXPECT_TRUE(WaitFor(">> blind", shown));
  EXPECT_EQ(FirstShownRow(shown), tops.prompt);
  EXPECT_EQ(Row(shown, 34 - tops.prompt).substr(46, 8), ">> blind");
  EXPECT_EQ(Row(shown, 30 - tops.prompt).substr(46, 14), "Enter Filename");
  Send(
      "\x7f\x7f\x7f\x7f\x7f"
      "EXIT\r");
  program.join();
  EXPECT_EQ(code, 0);
  EXPECT_EQ(farewells, 1);
}

INSTANTIATE_TEST_SUITE_P(Rows, TerminalRowsTest, ::testing::Values(24, 30),
                         [](const auto& info) { return std::to_string(info.param); });

}  // namespace
}  // namespace app_test
