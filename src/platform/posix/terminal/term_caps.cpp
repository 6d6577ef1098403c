#include "platform/posix/terminal/term_caps.h"

#include <curses.h>
#include <term.h>

#include <cstdlib>

namespace platform::posix {
namespace {

// A capability's string, or empty when the entry lacks it.
std::string cap_string(const char* name) {
  char* s = tigetstr(name);
  if (s == nullptr || s == reinterpret_cast<char*>(-1)) return "";
  return s;
}

bool cap_flag(const char* name) {
  return tigetflag(name) > 0;
}

}  // namespace

int nearest_of_eight(int colour) {
  // The console's palette (red, green, blue) of colours 0-15.
  static constexpr int kPalette[16][3] = {
      {0, 0, 0},     {0, 0, 128},     {0, 128, 0},     {0, 128, 128},  {128, 0, 0}, {128, 0, 128},
      {128, 128, 0}, {192, 192, 192}, {128, 128, 128}, {0, 0, 255},    {0, 255, 0}, {0, 255, 255},
      {255, 0, 0},   {255, 0, 255},   {255, 255, 0},   {255, 255, 255}};
  colour &= 15;
  int best = 0, best_distance = -1;
  for (int c = 0; c < 8; ++c) {
    int d = 0;
    for (int k = 0; k < 3; ++k) {
      int diff = kPalette[colour][k] - kPalette[c][k];
      d += diff * diff;
    }
    if (best_distance < 0 || d < best_distance) best = c, best_distance = d;
  }
  return best;
}

bool TermCaps::from_terminfo(const char* term, int fd, TermCaps& out, std::string& why) {
  const char* name = term != nullptr ? term : std::getenv("TERM");
  if (name == nullptr || *name == 0) {
    why = "the terminal type is not set (TERM), so it cannot be drawn on";
    return false;
  }
  int err = 0;
  if (setupterm(name, fd, &err) != OK) {
    why = err == -1 ? "no terminfo database is installed to describe the terminal (TERM=" +
                          std::string(name) + ")"
                    : "the terminal type TERM=" + std::string(name) + " is not known to terminfo";
    return false;
  }
  TermCaps caps;
  std::string cup = cap_string("cup");
  bool paper = cap_flag("hc") || cap_flag("gn");
  if (cup.empty() || paper) {
    why = "the terminal (TERM=" + std::string(name) +
          ") cannot move its cursor, which this program needs";
    del_curterm(cur_term);
    return false;
  }
  caps.enter_screen = cap_string("smcup");
  caps.leave_screen = cap_string("rmcup");
  if (caps.enter_screen.empty() || caps.leave_screen.empty()) {
    caps.enter_screen.clear();  // one without the other would leave the terminal changed
    caps.leave_screen.clear();
  }
  caps.hide_cursor = cap_string("civis");
  caps.show_cursor = cap_string("cnorm");
  if (caps.hide_cursor.empty() || caps.show_cursor.empty()) {
    caps.hide_cursor.clear();
    caps.show_cursor.clear();
  }
  caps.keypad_on = cap_string("smkx");
  caps.keypad_off = cap_string("rmkx");
  if (caps.keypad_on.empty() || caps.keypad_off.empty()) {
    caps.keypad_on.clear();
    caps.keypad_off.clear();
  }
  // The cursor shape where the entry has the (extended) shape capability; titles where it
  // says so (XT, a status line) or where it has an alternate screen, as terminal emulators
  // and multiplexers do; the Linux console has neither and would show them as text.
  caps.cursor_shape = !cap_string("Ss").empty();
  caps.cursor_reset = caps.cursor_shape ? cap_string("Se") : "";
  caps.titles =
      cap_flag("XT") || cap_flag("hs") || !cap_string("tsl").empty() || !caps.enter_screen.empty();
  caps.bce = cap_flag("bce");
  int colours = tigetnum("colors");
  caps.colours = colours > 0 ? colours : 0;
  const char* colorterm = std::getenv("COLORTERM");
  caps.sixteen_colours =
      caps.colours >= 16 ||
      (caps.colours >= 8 && (cap_flag("XT") || (colorterm != nullptr && *colorterm != 0)));
  del_curterm(cur_term);
  out = caps;
  return true;
}

}  // namespace platform::posix
