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

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/program_main.h"
#include "app/program_variables.h"
#include "console/screen.h"
#include "files/files.h"
#include "platform/memory/files.h"
#include "platform/memory/printing.h"
#include "platform/memory/system.h"
#include "platform/posix/terminal/console.h"
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

// The program the process benchmarks start: the one this build made, or another build of it
// named by ORVANE_BENCH_PROGRAM (to compare builds on the same machine in the same way).
std::string ProgramPath() {
  const char* other = std::getenv("ORVANE_BENCH_PROGRAM");
  return other != nullptr && *other != 0 ? other : OT_PROGRAM_PATH;
}

// Starts `argv` on a new pseudo-terminal of 80 x 50 with `env` added to its environment.
pid_t StartOnPty(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                 int& master) {
  winsize size{};
  size.ws_row = 50;
  size.ws_col = 80;
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const pid_t child = forkpty(&master, nullptr, nullptr, &size);
  if (child == 0) {
    for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
    execv(args[0], args.data());
    _exit(127);
  }
  return child;
}

void Stop(pid_t child, int master) {
  kill(child, SIGTERM);
  Drain(master);
  waitpid(child, nullptr, 0);
  close(master);
}

// Reads from the terminal's other end until `bytes` bytes have come (three seconds at most);
// notes when the first byte came.
bool ReadBytes(int master, size_t bytes, Clock::time_point* first_byte_at = nullptr) {
  size_t seen = 0;
  char buf[65536];
  pollfd p{master, POLLIN, 0};
  const auto give_up = Clock::now() + std::chrono::seconds(3);
  while (seen < bytes) {
    if (Clock::now() > give_up) return false;
    if (poll(&p, 1, 100) <= 0) continue;
    const ssize_t n = read(master, buf, sizeof buf);
    if (n <= 0) return false;
    if (seen == 0 && first_byte_at != nullptr) *first_byte_at = Clock::now();
    seen += static_cast<size_t>(n);
  }
  return true;
}

// Everything the program sends its terminal up to its complete main screen: the set-up and
// the first frame, as the terminal's other end receives them.
std::string FirstFrame() {
  int master = -1;
  const pid_t child = StartOnPty({ProgramPath()}, {}, master);
  if (child < 0) return {};
  std::string seen;
  char buf[65536];
  pollfd p{master, POLLIN, 0};
  const auto give_up = Clock::now() + std::chrono::seconds(3);
  bool shown = false;
  while (Clock::now() < give_up) {
    if (poll(&p, 1, shown ? 100 : 500) <= 0) {
      if (shown) break;  // the frame has ended
      continue;
    }
    const ssize_t n = read(master, buf, sizeof buf);
    if (n <= 0) break;
    seen.append(buf, static_cast<size_t>(n));
    shown = seen.find("Quillframe") != std::string::npos;
  }
  Stop(child, master);
  return shown ? seen : std::string();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n == 0 ? 0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

// The whole process: from fork to the complete main screen on the terminal, dynamic loading,
// the terminal set-up and the console window search included, twenty times. The reference is
// the floor for any program that draws the same screen: `cat` started on the same kind of
// terminal, writing the bytes the program sent (set-up and first frame, about 2 KB) from a
// file. Program and reference runs alternate, so that both see the same machine. The time is
// the program's median; the counters are the reference's median, their ratio and the median
// time to the program's first byte.
void BM_ProcessStartToMainScreen(benchmark::State& state) {
  const std::string frame = FirstFrame();
  if (frame.empty()) {
    state.SkipWithError("the main screen did not appear");
    return;
  }
  char path[] = "/tmp/ot-bench-frame-XXXXXX";
  const int fd = mkstemp(path);
  const bool saved =
      fd >= 0 && write(fd, frame.data(), frame.size()) == static_cast<ssize_t>(frame.size());
  if (fd >= 0) close(fd);
  const char* cat = access("/usr/bin/cat", X_OK) == 0 ? "/usr/bin/cat" : "/bin/cat";
  constexpr int kRuns = 20;
  std::vector<double> program_ms, reference_ms, first_output_ms;
  for (auto _ : state) {
    for (int i = 0; saved && i < kRuns; ++i) {
      for (const bool reference : {false, true}) {
        int master = -1;
        const auto start = Clock::now();
        const pid_t child = reference ? StartOnPty({cat, path}, {}, master)
                                      : StartOnPty({ProgramPath()}, {}, master);
        if (child < 0) {
          state.SkipWithError("cannot start a process on a pseudo-terminal");
          break;
        }
        Clock::time_point first_byte_at = start;
        const bool shown = ReadBytes(master, frame.size(), &first_byte_at);
        const auto end = Clock::now();
        Stop(child, master);
        if (!shown) {
          state.SkipWithError("the screen did not appear");
          break;
        }
        const double ms = std::chrono::duration<double, std::milli>(end - start).count();
        (reference ? reference_ms : program_ms).push_back(ms);
        if (!reference) {
          first_output_ms.push_back(
              std::chrono::duration<double, std::milli>(first_byte_at - start).count());
        }
      }
    }
    state.SetIterationTime(Median(program_ms) / 1000);
  }
  unlink(path);
  if (!saved) {
    state.SkipWithError("cannot write the reference frame");
    return;
  }
  const double reference = Median(reference_ms);
  state.counters["runs"] = static_cast<double>(program_ms.size());
  state.counters["frame_bytes"] = static_cast<double>(frame.size());
  state.counters["first_output_ms"] = Median(first_output_ms);
  state.counters["reference_cat_ms"] = reference;
  state.counters["ratio_to_reference"] = reference > 0 ? Median(program_ms) / reference : 0;
}
BENCHMARK(BM_ProcessStartToMainScreen)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The kibibytes of the process's peak resident set (VmHWM), 0 when unknown.
double PeakResidentKib(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr);
  }
  return 0;
}

// The program's peak resident memory (VmHWM) at the main screen, then after printing the
// results through "Save as PDF" (no print server; drive C: in a temporary folder). The time
// is that of the printing, from Y to "Printing Completed".
void BM_PeakMemoryBeforeAndAfterPrinting(benchmark::State& state) {
  char dir[] = "/tmp/ot-bench-print-XXXXXX";
  if (mkdtemp(dir) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string base = dir;
  double before_kib = 0, after_kib = 0;
  for (auto _ : state) {
    int master = -1;
    const pid_t child = StartOnPty({ProgramPath()},
                                   {"ORVANE_DRIVE_C=" + base, "CUPS_SERVER=" + base + "/no-server",
                                    "HOME=" + base, "LANG=C.UTF-8"},
                                   master);
    if (child < 0) {
      state.SkipWithError("cannot start the program");
      break;
    }
    bool ok = ReadUntil(master, "Quillframe");
    Drain(master);
    before_kib = PeakResidentKib(child);
    // The screens are drawn as changes to what is on the terminal, so only words that are
    // new on the screen are waited for.
    ok = ok && write(master, "P", 1) == 1 && ReadUntil(master, "Print It");
    Drain(master);
    const auto start = Clock::now();
    ok = ok && write(master, "Y", 1) == 1 && ReadUntil(master, "Save as PDF") &&
         write(master, "\r", 1) == 1 && ReadUntil(master, "Completed");
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    after_kib = PeakResidentKib(child);
    Stop(child, master);
    if (!ok) {
      state.SkipWithError("printing through Save as PDF did not complete");
      break;
    }
  }
  std::filesystem::remove_all(base);
  state.counters["vmhwm_main_screen_kib"] = before_kib;
  state.counters["vmhwm_after_printing_kib"] = after_kib;
}
BENCHMARK(BM_PeakMemoryBeforeAndAfterPrinting)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

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
