// Bytes the terminal console sends for an 80 x 50 screen, against ncurses drawing the same
// screen in the same run, the writes per frame, the CPU used while waiting for a key, and the
// time a scroll of the cells takes against copying the whole screen.
//
// Counters: bytes (per frame), writes (write calls per frame), cpu_percent (of one core).
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "bench_terminal_screen.h"
#include "platform/cell_buffer.h"
#include "platform/posix/terminal/console.h"
#include "platform/posix/terminal/renderer.h"

using bench_terminal::ncurses_paints;
using bench_terminal::Run;
using bench_terminal::test_screen;

namespace {

using platform::Cell;
using platform::posix::Frame;

Frame make_frame(bool changed) {
  Frame f;
  f.resize(80, 50, Cell{' ', 0x07});
  for (const Run& r : test_screen(changed)) {
    int x = r.x;
    for (char c : r.text) f.at(x++, r.y) = Cell{static_cast<uint8_t>(c), r.attr};
  }
  f.cursor_visible = false;
  return f;
}

int count_glyphs(const Frame& f) {
  int n = 0;
  for (const Cell& c : f.cells) n += c.ch != ' ';
  return n;
}

// --- our renderer ------------------------------------------------------------------------

void BM_Terminal_FirstPaint(benchmark::State& state) {
  Frame f = make_frame(false);
  std::string out;
  for (auto _ : state) {
    platform::posix::Renderer r(platform::posix::Charset::utf8());
    out.clear();
    r.render(f, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["bytes"] = static_cast<double>(out.size());
  state.counters["glyphs"] = count_glyphs(f);
}
BENCHMARK(BM_Terminal_FirstPaint);

void BM_Terminal_RepaintUnchanged(benchmark::State& state) {
  Frame f = make_frame(false);
  platform::posix::Renderer r(platform::posix::Charset::utf8());
  std::string out;
  r.render(f, out);
  for (auto _ : state) {
    out.clear();
    r.render(f, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["bytes"] = static_cast<double>(out.size());
}
BENCHMARK(BM_Terminal_RepaintUnchanged);

void BM_Terminal_SmallChange(benchmark::State& state) {
  Frame a = make_frame(false), b = make_frame(true);
  platform::posix::Renderer r(platform::posix::Charset::utf8());
  std::string out;
  r.render(a, out);
  size_t bytes = 0;
  bool flip = false;
  for (auto _ : state) {
    out.clear();
    r.render(flip ? a : b, out);
    flip = !flip;
    bytes = out.size();
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_Terminal_SmallChange);

// The whole console on a pseudo-terminal: write calls and bytes per frame.
struct Pty {
  int master = -1, slave = -1;
  Pty() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    grantpt(master);
    unlockpt(master);
    winsize ws{};
    ws.ws_col = 80;
    ws.ws_row = 50;
    ioctl(master, TIOCSWINSZ, &ws);
    slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  }
  ~Pty() {
    close(slave);
    close(master);
  }
  size_t drain() {
    char buf[8192];
    size_t total = 0;
    usleep(2000);
    ssize_t n;
    while ((n = read(master, buf, sizeof buf)) > 0) total += static_cast<size_t>(n);
    return total;
  }
};

void draw(platform::posix::PosixConsole& con, const std::vector<Run>& runs) {
  for (const Run& r : runs) {
    std::vector<Cell> cells;
    for (char c : r.text) cells.push_back({static_cast<uint8_t>(c), r.attr});
    platform::Rect region{static_cast<int16_t>(r.x), static_cast<int16_t>(r.y),
                          static_cast<int16_t>(r.x + static_cast<int>(cells.size()) - 1),
                          static_cast<int16_t>(r.y)};
    con.write_output(cells.data(), {static_cast<int16_t>(cells.size()), 1}, {0, 0}, region);
  }
}

void BM_Terminal_ConsoleFrameOnPty(benchmark::State& state) {
  Pty pty;
  double writes = 0, bytes = 0;
  for (auto _ : state) {
    platform::posix::PosixConsole con;
    con.attach(pty.slave, pty.slave, true);
    pty.drain();
    platform::CursorInfo hidden{25, false};
    con.set_cursor_info(hidden);
    draw(con, test_screen(false));
    uint64_t before = con.terminal().write_calls();
    con.present();
    writes = static_cast<double>(con.terminal().write_calls() - before);
    bytes = static_cast<double>(pty.drain());
    con.close();
    pty.drain();
  }
  state.counters["writes"] = writes;
  state.counters["bytes"] = bytes;
}
BENCHMARK(BM_Terminal_ConsoleFrameOnPty)->Iterations(20);

// --- ncurses drawing the same screen (bench_terminal_curses.cpp) ---------------------

void BM_Ncurses_FirstPaint(benchmark::State& state) {
  std::vector<long> sizes;
  for (auto _ : state) sizes = ncurses_paints({test_screen(false)});
  state.counters["bytes"] = sizes.empty() ? -1.0 : static_cast<double>(sizes[0]);
}
BENCHMARK(BM_Ncurses_FirstPaint)->Iterations(20);

void BM_Ncurses_RepaintUnchanged(benchmark::State& state) {
  std::vector<long> sizes;
  for (auto _ : state) sizes = ncurses_paints({test_screen(false), test_screen(false)});
  state.counters["bytes"] = sizes.size() < 2 ? -1.0 : static_cast<double>(sizes[1]);
}
BENCHMARK(BM_Ncurses_RepaintUnchanged)->Iterations(20);

void BM_Ncurses_SmallChange(benchmark::State& state) {
  std::vector<long> sizes;
  for (auto _ : state) sizes = ncurses_paints({test_screen(false), test_screen(true)});
  state.counters["bytes"] = sizes.size() < 2 ? -1.0 : static_cast<double>(sizes[1]);
}
BENCHMARK(BM_Ncurses_SmallChange)->Iterations(20);

// --- waiting for a key -------------------------------------------------------------------

// The keyboard wait of the run-time: wait up to 1 ms for input, look at the queue, again.
// Runs for OT_WAIT_SECONDS (10 by default) and reports the CPU time as a share of a core.
void BM_Terminal_KeyWaitCpu(benchmark::State& state) {
  const char* env = std::getenv("OT_WAIT_SECONDS");
  const double seconds = env != nullptr ? std::atof(env) : 10.0;
  Pty pty;
  platform::posix::PosixConsole con;
  con.attach(pty.slave, pty.slave, true);
  draw(con, test_screen(false));
  double percent = 0;
  for (auto _ : state) {
    std::clock_t c0 = std::clock();
    auto start = std::chrono::steady_clock::now();
    auto end = start + std::chrono::duration<double>(seconds);
    long loops = 0;
    while (std::chrono::steady_clock::now() < end) {
      con.wait_input(1);
      platform::InputEvent ev;
      uint32_t count = 0;
      con.peek_input(ev, count);
      ++loops;
    }
    double cpu = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    percent = 100.0 * cpu / wall;
    state.counters["loops"] = static_cast<double>(loops);
  }
  state.counters["cpu_percent"] = percent;
  con.close();
}
BENCHMARK(BM_Terminal_KeyWaitCpu)->Iterations(1)->Unit(benchmark::kMillisecond);

// --- scrolling the cells -----------------------------------------------------------------
// The scroll a new line on the last row makes (the whole 80 x 50 buffer up one row), in place
// row by row, against the reference of copying the whole screen first and then writing each
// moved cell back from the copy.

void BM_Cells_ScrollUpOneRow(benchmark::State& state) {
  platform::CellBuffer cells({80, 50}, Cell{'x', 0x07});
  for (auto _ : state) {
    cells.scroll({0, 1, 79, 49}, nullptr, {0, 0}, Cell{' ', 0x07});
    benchmark::DoNotOptimize(cells.at(0, 0));
  }
}
BENCHMARK(BM_Cells_ScrollUpOneRow);

void BM_Reference_ScrollByWholeCopy(benchmark::State& state) {
  std::vector<Cell> cells(80 * 50, Cell{'x', 0x07});
  for (auto _ : state) {
    const std::vector<Cell> before = cells;
    for (int y = 1; y < 50; ++y) {
      for (int x = 0; x < 80; ++x) cells[y * 80 + x] = Cell{' ', 0x07};
    }
    for (int y = 1; y < 50; ++y) {
      for (int x = 0; x < 80; ++x) cells[(y - 1) * 80 + x] = before[y * 80 + x];
    }
    benchmark::DoNotOptimize(cells.data());
  }
}
BENCHMARK(BM_Reference_ScrollByWholeCopy);

}  // namespace

BENCHMARK_MAIN();
