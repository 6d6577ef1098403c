// What the terminal can do, from its terminfo entry (TERM): the strings that switch the
// alternate screen, the cursor and the keypad, whether erasing fills with the current
// background, how many colours it shows. The defaults are those of an xterm.
#pragma once

#include <string>

namespace platform::posix {

struct TermCaps {
  std::string enter_screen = "\x1b[?1049h";  // smcup: the alternate screen
  std::string leave_screen = "\x1b[?1049l";  // rmcup
  std::string hide_cursor = "\x1b[?25l";     // civis
  std::string show_cursor = "\x1b[?25h";     // cnorm
  std::string keypad_on;                     // smkx
  std::string keypad_off;                    // rmkx
  bool cursor_shape = true;                  // takes the cursor shape request (Esc [ n SP q)
  bool titles = true;                        // takes window titles (OSC 2) and the title stack
  bool bce = true;                           // erasing fills with the current background colour
  int colours = 256;

  // Reads the entry of `term` (nullptr: $TERM) for the terminal on `fd`. False with a
  // one-line reason when the entry is unknown or the terminal cannot move its cursor
  // (a hard-copy or "dumb" terminal), which the console cannot draw on.
  static bool from_terminfo(const char* term, int fd, TermCaps& out, std::string& why);
};

// The colour of the eight (0-7) that a terminal without bright backgrounds shows for
// `colour` (0-15): the nearest in the console's palette, so bright blue becomes blue and
// white light grey.
int nearest_of_eight(int colour);

}  // namespace platform::posix
