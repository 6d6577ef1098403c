// A modal box for the terminal console's overlay: a frame with a title and lines of text in
// black on white, centred on the terminal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/posix/dialog/overlay.h"

namespace platform::posix {

inline constexpr uint16_t kDialogFrameAttr = 0x70;  // black on white

struct DialogLine {
  std::string text;
  uint16_t attr = kDialogFrameAttr;  // this line's colours
};

// `text` cut to at most `columns` characters (UTF-8 sequences count as one with `utf8`),
// ending in an ellipsis ("…", or "..." without UTF-8) where something was cut.
std::string fit_line(const std::string& text, size_t columns, bool utf8);

// The overlay that shows `lines` in a box at most `max_width` wide (at least 20, and at most
// the terminal's width less 2) in the middle of a `columns` x `rows` terminal. Lines longer
// than the box are cut. `utf8`: box-drawing characters, and line texts in UTF-8 (cells of
// Unicode characters); otherwise + - | and one byte a character.
Overlay render_dialog_box(const std::string& title, const std::vector<DialogLine>& lines,
                          int max_width, int columns, int rows, bool utf8);

}  // namespace platform::posix
