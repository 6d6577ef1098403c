// A modal box drawn over the terminal's screen: a frame with a title and lines of text in
// black on white, centred, with the cursor hidden and its position saved while it is drawn.
#pragma once

#include <string>
#include <vector>

namespace platform::posix {

struct DialogLine {
  std::string text;
  std::string colour;  // SGR for this line's text; empty: the frame's black on white
};

// `text` cut to at most `columns` characters (UTF-8 sequences count as one with `utf8`),
// ending in an ellipsis ("…", or "..." without UTF-8) where something was cut.
std::string fit_line(const std::string& text, size_t columns, bool utf8);

// The bytes that draw `lines` in a box at most `max_width` wide (at least 20, and at most the
// terminal's width less 2) in the middle of a `columns` x `rows` terminal. Lines longer than
// the box are cut. `utf8`: box-drawing characters, and line texts in UTF-8; otherwise
// + - | and one byte a character.
std::string render_dialog_box(const std::string& title, const std::vector<DialogLine>& lines,
                              int max_width, int columns, int rows, bool utf8);

}  // namespace platform::posix
