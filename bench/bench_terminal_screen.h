// The test screen of the terminal benchmarks, shared by the renderer and ncurses halves.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace bench_terminal {

// One text run of the test screen.
struct Run {
  int x, y;
  uint16_t attr;
  std::string text;
};

// A screen like the program's main screen: a banner, a table of the numbers 1 to 99 and
// their cubes in three columns, and a panel, in four colours (about 1,100 glyphs).
inline std::vector<Run> test_screen(bool changed) {
  std::vector<Run> runs;
  runs.push_back({12, 1, 0x0E, "Numbers Cubed (Raised to the power of 3, see examples)"});
  runs.push_back({12, 2, 0x0E, "======================================================"});
  for (int n = 1; n <= 99; ++n) {
    int col = (n - 1) / 33, row = (n - 1) % 33;
    long cube = static_cast<long>(n) * n * n;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%2d  %3ld,%03ld", n, cube / 1000, cube % 1000);
    runs.push_back({2 + col * 26, 5 + row, static_cast<uint16_t>(col == 1 ? 0x0B : 0x0A), buf});
  }
  runs.push_back({2, 40, 0x1F, " User Options: F save  P print  X exit "});
  runs.push_back({2, 41, 0x1F, " G or F10 redraws, TAB for a surprise   "});
  runs.push_back({48, 40, 0x0E, "EXAMPLES:"});
  runs.push_back({48, 41, 0x0E, "2 ^ 3 = 2 x 2 x 2 = 8"});
  runs.push_back({48, 42, 0x0E, "3 ^ 3 = 3 x 3 x 3 = 27"});
  runs.push_back({48, 43, 0x0E, "10 ^ 3 = 10 x 10 x 10 = 1,000"});
  runs.push_back({2, 45, 0x1F, " Press a letter for an option, or TAB  "});
  runs.push_back({2, 43, 0x0E, changed ? "Saved to C:\\TEMP\\CUBES.TXT" : "EXAMPLES: 2^3 = 8"});
  return runs;
}

// Draws the screens one after another with ncurses (xterm-256color, 80 x 50) into a file
// and returns the bytes of each refresh; empty when ncurses cannot start.
std::vector<long> ncurses_paints(const std::vector<std::vector<Run>>& screens);

}  // namespace bench_terminal
