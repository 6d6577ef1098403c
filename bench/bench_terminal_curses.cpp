// ncurses drawing the terminal benchmark's screen: the reference for bytes per frame. Kept
// apart because ncurses' macros clash with the console interface.
#include <ncurses.h>

#include <cstdio>
#include <cstdlib>

#include "bench_terminal_screen.h"

namespace bench_terminal {
namespace {
short curses_colour(int windows_colour) {
  static const short ansi[8] = {0, 4, 2, 6, 1, 5, 3, 7};
  return static_cast<short>(ansi[windows_colour & 7] + ((windows_colour & 8) ? 8 : 0));
}

}  // namespace

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

}  // namespace bench_terminal
