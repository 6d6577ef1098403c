// What the terminal can do, from its terminfo entry (TERM): the strings that switch the
// alternate screen, the cursor and the keypad, whether erasing fills with the current
// background, how many colours it shows. The defaults are those of an xterm.
#pragma once

#include <string>
#include <string_view>

#include "platform/posix/terminal/escapes.h"

namespace platform::posix {

struct TermCaps {
  std::string enter_screen = escapes::kAltScreenOn;   // smcup: the alternate screen
  std::string leave_screen = escapes::kAltScreenOff;  // rmcup
  std::string hide_cursor = escapes::kCursorHide;     // civis
  std::string show_cursor = escapes::kCursorShow;     // cnorm
  std::string keypad_on;                              // smkx
  std::string keypad_off;                             // rmkx
  bool cursor_shape = true;  // takes the cursor shape request (Esc [ n SP q)
  std::string cursor_reset = escapes::kCursorShapeReset;  // Se: the user's cursor shape back
  bool titles = true;  // takes window titles (OSC 2) and the title stack
  bool bce = true;     // erasing fills with the current background colour
  int colours = 256;
  // Shows the sixteen colours (SGR 90-97 and 100-107): an entry with 16 colours or more, or an
  // 8-colour one that says it is an xterm (XT) or runs under a terminal that announces
  // itself in COLORTERM. Otherwise foregrounds and backgrounds alike take the nearest of
  // the eight.
  bool sixteen_colours = true;

  // Reads the entry of `term` (nullptr: $TERM) for the terminal on `fd`. False with a
  // one-line reason when the entry is unknown or the terminal cannot move its cursor
  // (a hard-copy or "dumb" terminal), which the console cannot draw on.
  static bool from_terminfo(const char* term, int fd, TermCaps& out, std::string& why);
};

// `s` without its terminfo padding (`$<5>`, `$<2.5*/>`); anything else, a `$<` that is no
// padding included, is kept.
std::string drop_padding(std::string_view s);

// The colour of the eight (0-7) that a terminal without bright backgrounds shows for
// `colour` (0-15): the nearest in the console's palette, so bright blue becomes blue and
// white light grey.
int nearest_of_eight(int colour);

}  // namespace platform::posix
