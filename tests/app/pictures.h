// The program's screens and results file as they must come out, drawn out in full as text
// rather than computed, so that they share nothing with the program's own code: the screen
// scenarios and the end-to-end pane checks compare with them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace app_test {

// An expected screen: every cell's character and background, and the foreground of every
// cell that is not blank (a blank shows no foreground).
class Picture {
 public:
  Picture() : cells_(kRows * kColumns) {}

  // A screen drawn as text: `text` holds one line per row from row 1 (a raw string that
  // starts with a line break), at most 80 characters each; `colours` has the same rows, one
  // letter per cell naming the foreground there (see pictures.cpp). What the lines do not
  // reach stays blank. A drawing that does not fit the screen, or a character without a
  // colour, throws std::invalid_argument.
  static Picture Drawn(std::string_view text, std::string_view colours);

  Picture& put(int row, int column, const std::string& text, int fg, int bg = 0) {
    for (size_t i = 0; i < text.size(); ++i) {
      Cell& c = at(row, column + static_cast<int>(i));
      c.ch = static_cast<uint8_t>(text[i]);
      c.fg = fg;
      c.bg = bg;
    }
    return *this;
  }
  Picture& blank(int row, int column, int count, int bg = 0) {
    return put(row, column, std::string(static_cast<size_t>(count), ' '), 7, bg);
  }

  struct Cell {
    uint8_t ch = ' ';
    int fg = 7;
    int bg = 0;
  };
  const Cell& cell(int row, int column) const { return at_const(row, column); }

  static constexpr int kRows = 50;
  static constexpr int kColumns = 80;

 private:
  Cell& at(int row, int column) {
    return cells_[static_cast<size_t>((row - 1) * kColumns + (column - 1))];
  }
  const Cell& at_const(int row, int column) const {
    return cells_[static_cast<size_t>((row - 1) * kColumns + (column - 1))];
  }
  std::vector<Cell> cells_;
};

// The main screen: the table and the "User Options - Main " panel.
Picture MainScreenPicture();
// The 39 lines of the results file, each ended by CR LF.
std::string ResultsFileBytes();

// The farewell: "Thank you for using " in light cyan and "Orvane-Table" in white at row 4.
Picture FarewellPicture();

// The filename entry: the table, the instructions and the prompt.
Picture EntryPicture();
// The file menu, with the confirmation box when `saved` names the last save: saved, or not
// saved with `error` as its code.
Picture FileMenuPicture(std::optional<std::string> saved = std::nullopt, int error = 0);
void PutBox(Picture& p, const std::string& name, int error = 0);
// The refusal screen once its message is complete.
Picture RefusalPicture();

}  // namespace app_test
