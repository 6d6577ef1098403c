// Bytes the terminal console sends for an 80 x 50 screen, against ncurses drawing the same
// screen in the same run, the writes per frame, and the CPU used while waiting for a key.
//
// Counters: bytes (per frame), writes (write calls per frame), cpu_percent (of one core).
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <benchmark/benchmark.h>
#include <ncurses.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "platform/posix/posix_console.h"
#include "platform/posix/renderer.h"

namespace {

using platform::Cell;
using platform::posix::Frame;

// One text run of the test screen.
struct Run {
  int x, y;
  uint16_t attr;
  std::string text;
};

// A screen like the program's main screen: a banner, a table of the numbers 1 to 99 and
// their cubes in three columns, and a panel, in four colours (about 1,100 glyphs).
std::vector<Run> test_screen(bool changed) {
  std::vector<Run> runs;
  runs.push_back({12, 1, 0x0E, "Numbers Cubed (Raised to the power of 3, see examples)"});
  runs.push_back({12, 2, 0x0E, "======================================================"});
  for (int n = 1; n <= 99; ++n) {
    int col = (n - 1) / 33, row = (n - 1) % 33;
    long cube = static_cast<long>(n) * n * n;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%2d ^ 3 = %'9ld", n, cube);
    runs.push_back({2 + col * 26, 5 + row, static_cast<uint16_t>(col == 1 ? 0x0B : 0x0A), buf});
  }
  runs.push_back({2, 40, 0x1F, " User Options: F save  P print  X exit "});
  runs.push_back({2, 41, 0x1F, " G or F10 redraws, TAB for a surprise   "});
  runs.push_back({2, 43, 0x0E, changed ? "Saved to C:\\TEMP\\CUBES.TXT" : "EXAMPLES: 2^3 = 8"});
  return runs;
}

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
    platform::posix::Renderer r(true);
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
  platform::posix::Renderer r(true);
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
  platform::posix::Renderer r(true);
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

// --- ncurses drawing the same screen -----------------------------------------------------

short curses_colour(int windows_colour) {
  static const short ansi[8] = {0, 4, 2, 6, 1, 5, 3, 7};
  return static_cast<short>(ansi[windows_colour & 7] + ((windows_colour & 8) ? 8 : 0));
}

// Draws the screen with ncurses into a file and returns the bytes of each refresh.
std::vector<long> ncurses_paints(const std::vector<std::vector<Run>>& screens) {
  setenv("LINES", "50", 1);
  setenv("COLUMNS", "80", 1);
  FILE* out = std::tmpfile();
  FILE* in = std::fopen("/dev/null", "r");
  SCREEN* scr = newterm("xterm-256color", out, in);
  std::vector<long> sizes;
  if (scr == nullptr) return sizes;
  set_term(scr);
  start_color();
  short pairs = 0;
  short pair_of[256] = {};
  auto pen = [&](uint16_t attr) {
    if (pair_of[attr] == 0) {
      pair_of[attr] = ++pairs;
      init_pair(pairs, curses_colour(attr & 15), curses_colour((attr >> 4) & 15));
    }
    return COLOR_PAIR(pair_of[attr]);
  };
  bkgdset(' ' | pen(0x07));
  curs_set(0);
  std::fflush(out);
  long last = ftell(out);
  for (const auto& runs : screens) {
    erase();
    for (const Run& r : runs) {
      attrset(pen(r.attr));
      mvaddstr(r.y, r.x, r.text.c_str());
    }
    refresh();
    std::fflush(out);
    long now = ftell(out);
    sizes.push_back(now - last);
    last = now;
  }
  endwin();
  delscreen(scr);
  std::fclose(out);
  std::fclose(in);
  return sizes;
}

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
    timespec c0, c1;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c0);
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
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c1);
    double cpu = static_cast<double>(c1.tv_sec - c0.tv_sec) + (c1.tv_nsec - c0.tv_nsec) / 1e9;
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    percent = 100.0 * cpu / wall;
    state.counters["loops"] = static_cast<double>(loops);
  }
  state.counters["cpu_percent"] = percent;
  con.close();
}
BENCHMARK(BM_Terminal_KeyWaitCpu)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
