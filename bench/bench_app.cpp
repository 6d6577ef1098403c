// The program's start-up on a real terminal device: the time from ProgramMain to the first
// complete main screen on the terminal, and the bytes sent to the terminal for that first
// screen and for redrawing it with G. The terminal is a pseudo-terminal of 80 x 50 whose
// other end is read here. The reference writes a frame of the same size straight to the
// terminal: the floor that no drawing can go below.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "app/program_main.h"
#include "app/program_variables.h"
#include "console/screen.h"
#include "files/files.h"
#include "platform/memory/memory_files.h"
#include "platform/memory/memory_printing.h"
#include "platform/memory/memory_system.h"
#include "platform/posix/posix_console.h"
#include "printer/printer.h"
#include "runtime/platform_access.h"

namespace {

using Clock = std::chrono::steady_clock;

// Everything the terminal's other end has to read now, waiting briefly for the first byte.
uint64_t Drain(int master) {
  uint64_t total = 0;
  char buf[65536];
  pollfd p{master, POLLIN, 0};
  int wait_ms = 50;
  while (poll(&p, 1, wait_ms) > 0) {
    const ssize_t n = read(master, buf, sizeof buf);
    if (n <= 0) break;
    total += static_cast<uint64_t>(n);
    wait_ms = 5;
  }
  return total;
}

// The terminal console, watched: the first look at the keyboard comes right after the first
// screen is on the terminal; the first look after G was read comes after the redraw.
class WatchedConsole final : public platform::Console {
 public:
  WatchedConsole(platform::posix::PosixConsole& inner, int master)
      : inner_(inner), master_(master) {}

  bool peek_input(platform::InputEvent& ev, uint32_t& count) override {
    const bool ok = inner_.peek_input(ev, count);
    if (phase_ == 0) {
      first_screen_at = Clock::now();
      first_screen_bytes = Drain(master_);
      phase_ = 1;
    } else if (phase_ == 2) {
      redraw_bytes = Drain(master_);
      phase_ = 3;
    }
    return ok;
  }
  bool read_input(platform::InputEvent& ev, uint32_t& count) override {
    const bool ok = inner_.read_input(ev, count);
    if (ok && count == 1 && ev.key_down && (ev.ch == 'g' || ev.ch == 'G') && phase_ == 1) {
      phase_ = 2;
    }
    return ok;
  }

  bool write_output(const platform::Cell* c, platform::Coord s, platform::Coord f,
                    platform::Rect& r) override {
    return inner_.write_output(c, s, f, r);
  }
  bool scroll(const platform::Rect& s, const platform::Rect* c, platform::Coord d,
              platform::Cell f) override {
    return inner_.scroll(s, c, d, f);
  }
  bool fill_chars(uint8_t ch, uint32_t n, platform::Coord at, uint32_t& w) override {
    return inner_.fill_chars(ch, n, at, w);
  }
  bool fill_attrs(uint16_t a, uint32_t n, platform::Coord at, uint32_t& w) override {
    return inner_.fill_attrs(a, n, at, w);
  }
  bool set_cursor_position(platform::Coord at) override { return inner_.set_cursor_position(at); }
  bool set_text_attribute(uint16_t a) override { return inner_.set_text_attribute(a); }
  bool get_buffer_info(platform::BufferInfo& i) override { return inner_.get_buffer_info(i); }
  bool get_cursor_info(platform::CursorInfo& i) override { return inner_.get_cursor_info(i); }
  bool set_cursor_info(const platform::CursorInfo& i) override { return inner_.set_cursor_info(i); }
  bool set_buffer_size(platform::Coord s) override { return inner_.set_buffer_size(s); }
  bool set_window_info(bool a, const platform::Rect& w) override {
    return inner_.set_window_info(a, w);
  }
  uint32_t get_title(char* b, uint32_t c) override { return inner_.get_title(b, c); }
  bool set_title(const char* t) override { return inner_.set_title(t); }
  bool flush_input() override { return inner_.flush_input(); }
  void wait_input(uint32_t ms) override { inner_.wait_input(ms); }
  platform::WindowHandle find_window(const char* t) override { return inner_.find_window(t); }
  bool get_window_rect(platform::WindowHandle w, platform::WindowRect& r) override {
    return inner_.get_window_rect(w, r);
  }
  bool set_window_pos(platform::WindowHandle w, int32_t x, int32_t y, int32_t cx, int32_t cy,
                      uint32_t flags) override {
    return inner_.set_window_pos(w, x, y, cx, cy, flags);
  }
  bool lock_window_update(platform::WindowHandle w) override {
    return inner_.lock_window_update(w);
  }
  bool set_foreground_window(platform::WindowHandle w) override {
    return inner_.set_foreground_window(w);
  }
  void present() override { inner_.present(); }

  Clock::time_point first_screen_at;
  uint64_t first_screen_bytes = 0;
  uint64_t redraw_bytes = 0;

 private:
  platform::posix::PosixConsole& inner_;
  int master_;
  int phase_ = 0;
};

struct Pty {
  int master = -1;
  int slave = -1;
  Pty() {
    winsize size{};
    size.ws_row = 50;
    size.ws_col = 80;
    if (openpty(&master, &slave, nullptr, nullptr, &size) != 0) master = slave = -1;
  }
  ~Pty() {
    if (slave >= 0) close(slave);
    if (master >= 0) close(master);
  }
};

void BM_StartupToMainScreen(benchmark::State& state) {
  uint64_t first_bytes = 0;
  uint64_t redraw_bytes = 0;
  for (auto _ : state) {
    Pty pty;
    if (pty.master < 0) {
      state.SkipWithError("no pseudo-terminal");
      return;
    }
    platform::posix::PosixConsole terminal;
    if (!terminal.attach(pty.slave, pty.slave, true)) {
      state.SkipWithError("cannot attach the terminal");
      return;
    }
    Drain(pty.master);  // the terminal set-up itself is not the program's screen
    WatchedConsole console(terminal, pty.master);
    platform::memory::MemorySystem system;  // the farewell's pause is not slept
    platform::memory::MemoryFileSystem files;
    platform::memory::MemoryPrinting printing;
    platform::Platform services{&system, &console, &files, &printing};
    runtime::install_platform(services);
    console::screen_init();
    printer::printer_init();
    files::reset();
    app::ProgramVariablesInit();
    if (write(pty.master, "gx", 2) != 2) {
      state.SkipWithError("cannot type");
      return;
    }

    const auto start = Clock::now();
    app::ProgramMain(0, 0, "", 10);
    state.SetIterationTime(std::chrono::duration<double>(console.first_screen_at - start).count());
    first_bytes = console.first_screen_bytes;
    redraw_bytes = console.redraw_bytes;

    app::ProgramVariablesRelease();
    terminal.close();
    Drain(pty.master);
    runtime::install_platform(platform::Platform{});
  }
  state.counters["first_screen_bytes"] = static_cast<double>(first_bytes);
  state.counters["redraw_bytes"] = static_cast<double>(redraw_bytes);
}
BENCHMARK(BM_StartupToMainScreen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// Reads from the terminal's other end until `text` has come (or three seconds have passed);
// notes when the first byte came.
bool ReadUntil(int master, const std::string& text, Clock::time_point* first_byte_at = nullptr) {
  std::string seen;
  char buf[65536];
  pollfd p{master, POLLIN, 0};
  const auto give_up = Clock::now() + std::chrono::seconds(3);
  while (seen.find(text) == std::string::npos) {
    if (Clock::now() > give_up) return false;
    if (poll(&p, 1, 100) <= 0) continue;
    const ssize_t n = read(master, buf, sizeof buf);
    if (n <= 0) return false;
    if (seen.empty() && first_byte_at != nullptr) *first_byte_at = Clock::now();
    seen.append(buf, static_cast<size_t>(n));
  }
  return true;
}

// The whole process: from fork to the main screen on the terminal, dynamic loading, the
// terminal set-up and the console window search included. first_output_ms is the time to
// the first byte the process sends to the terminal.
void BM_ProcessStartToMainScreen(benchmark::State& state) {
  double first_output_ms = 0;
  for (auto _ : state) {
    int master = -1;
    winsize size{};
    size.ws_row = 50;
    size.ws_col = 80;
    const auto start = Clock::now();
    const pid_t child = forkpty(&master, nullptr, nullptr, &size);
    if (child == 0) {
      execl(OT_PROGRAM_PATH, OT_PROGRAM_PATH, static_cast<char*>(nullptr));
      _exit(127);
    }
    if (child < 0) {
      state.SkipWithError("cannot start the program");
      return;
    }
    Clock::time_point first_byte_at = start;
    const bool shown = ReadUntil(master, "Quillframe", &first_byte_at);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    first_output_ms = std::chrono::duration<double, std::milli>(first_byte_at - start).count();
    kill(child, SIGTERM);
    Drain(master);
    waitpid(child, nullptr, 0);
    close(master);
    if (!shown) {
      state.SkipWithError("the main screen did not appear");
      return;
    }
  }
  state.counters["first_output_ms"] = first_output_ms;
}
BENCHMARK(BM_ProcessStartToMainScreen)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

// Reference: a 3 KiB frame written straight to the same kind of terminal and read back.
void BM_ReferenceWriteFrame(benchmark::State& state) {
  const std::string frame(3072, 'x');
  for (auto _ : state) {
    Pty pty;
    const auto start = Clock::now();
    if (write(pty.slave, frame.data(), frame.size()) < 0) state.SkipWithError("write failed");
    ReadUntil(pty.master, std::string(16, 'x'));
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
  }
}
BENCHMARK(BM_ReferenceWriteFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
