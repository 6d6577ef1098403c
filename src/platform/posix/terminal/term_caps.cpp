#include "platform/posix/terminal/term_caps.h"

#include <curses.h>
#include <term.h>

#include <cstdlib>

#include "platform/posix/terminal/terminfo_check.h"
#include "platform/shown_text.h"

namespace platform::posix {
namespace {

// A capability's string, or empty when the entry lacks it. Padding (`$<50>`, `$<5*/>`: a
// delay a slow terminal needed after the string) is dropped: the strings are written in one
// go to terminals that need no delay, and a terminal that does not know the notation would
// show it as text.
std::string cap_string(const char* name) {
  char* s = tigetstr(name);
  if (s == nullptr || s == reinterpret_cast<char*>(-1)) return "";
  return drop_padding(s);
}

bool cap_flag(const char* name) {
  return tigetflag(name) > 0;
}

}  // namespace

std::string drop_padding(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    if (s[i] == '$' && i + 1 < s.size() && s[i + 1] == '<') {
      // A delay in milliseconds, with a tenth after a point, then '*' (per line affected)
      // and '/' (mandatory) in either order.
      size_t j = i + 2;
      size_t digits = 0;
      while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j, ++digits;
      if (j < s.size() && s[j] == '.') {
        ++j;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j, ++digits;
      }
      while (j < s.size() && (s[j] == '*' || s[j] == '/')) ++j;
      if (digits > 0 && j < s.size() && s[j] == '>') {
        i = j + 1;
        continue;
      }
    }
    out += s[i++];
  }
  return out;
}

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
  // The terminal type as a message shows it: it comes from the environment, and a control
  // character in it would act on the terminal the message is read on.
  const std::string shown = "TERM=" + shown_text(name, 64);
  // The entry is checked before the terminfo library reads it: the library trusts the sizes
  // and offsets in the file, and a damaged one can crash it.
  if (const char* fault = terminfo_entry_check(name)) {
    why = "the terminfo entry of the terminal type " + shown + " is not usable (" + fault + ")";
    return false;
  }
  int err = 0;
  if (setupterm(name, fd, &err) != OK) {
    why = err == -1 ? "no terminfo database is installed to describe the terminal (" + shown + ")"
                    : "the terminal type " + shown + " is not known to terminfo";
    return false;
  }
  TermCaps caps;
  std::string cup = cap_string("cup");
  bool paper = cap_flag("hc") || cap_flag("gn");
  if (cup.empty() || paper) {
    why = "the terminal (" + shown + ") cannot move its cursor, which this program needs";
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
