// Compares a tmux pane (capture-pane -e -p on standard input) with one of the program's
// screens, cell by cell: character, foreground and background, the colours read back from
// the terminal's SGR codes into the console's colour numbers. Also prints the expected
// results file.
//
//   app_pane_check main | entry | menu | refusal | farewell   < capture
//   app_pane_check menu-box NAME [ERROR]                       < capture
//   app_pane_check results-file                                > file
//   app_pane_check dump SCREEN [ARGS...]                       > cells
//
// dump prints the expected screen for another checker: a line per row, each cell as
// "byte,fg,bg" (the code page 437 byte and colour numbers, decimal), separated by blanks.
//
// Exits 0 when the pane matches, 1 with the differences when it does not, 2 on bad use.
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/pictures.h"

namespace {

using app_test::Picture;

struct PaneCell {
  uint32_t code = ' ';
  int fg = 7;
  int bg = 0;
  bool captured = false;  // false past the end of what tmux gives for the row
};

// ANSI colour order to the console's colour bits (red and blue swap places).
constexpr int kFromAnsi[8] = {0, 4, 2, 6, 1, 5, 3, 7};

std::vector<std::vector<PaneCell>> ParsePane(const std::string& text) {
  std::vector<std::vector<PaneCell>> rows(Picture::kRows, std::vector<PaneCell>(Picture::kColumns));
  int fg = -1;
  int bg = -1;
  size_t row = 0;
  size_t column = 0;
  for (size_t i = 0; i < text.size() && row < rows.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\n') {
      ++row;
      column = 0;
      ++i;
      continue;
    }
    if (c == 0x1B && i + 1 < text.size() && text[i + 1] == '[') {
      size_t end = i + 2;
      while (end < text.size() && !(text[end] >= 0x40 && text[end] <= 0x7E)) ++end;
      if (end < text.size() && text[end] == 'm') {
        std::vector<int> params;
        std::stringstream in(text.substr(i + 2, end - i - 2));
        std::string item;
        while (std::getline(in, item, ';')) params.push_back(item.empty() ? 0 : std::stoi(item));
        if (params.empty()) params.push_back(0);
        for (size_t p = 0; p < params.size(); ++p) {
          const int v = params[p];
          if (v == 0) {
            fg = bg = -1;
          } else if (v >= 30 && v <= 37) {
            fg = kFromAnsi[v - 30];
          } else if (v >= 90 && v <= 97) {
            fg = kFromAnsi[v - 90] + 8;
          } else if (v == 39) {
            fg = -1;
          } else if (v >= 40 && v <= 47) {
            bg = kFromAnsi[v - 40];
          } else if (v >= 100 && v <= 107) {
            bg = kFromAnsi[v - 100] + 8;
          } else if (v == 49) {
            bg = -1;
          } else if ((v == 38 || v == 48) && p + 2 < params.size() && params[p + 1] == 5) {
            const int n = params[p + 2];
            const int colour = n < 8 ? kFromAnsi[n] : n < 16 ? kFromAnsi[n - 8] + 8 : 7;
            (v == 38 ? fg : bg) = colour;
            p += 2;
          }
        }
      }
      i = end + 1;
      continue;
    }
    // One UTF-8 character.
    uint32_t code = c;
    size_t length = 1;
    if (c >= 0xF0) {
      code = c & 0x07;
      length = 4;
    } else if (c >= 0xE0) {
      code = c & 0x0F;
      length = 3;
    } else if (c >= 0xC0) {
      code = c & 0x1F;
      length = 2;
    }
    for (size_t k = 1; k < length && i + k < text.size(); ++k) {
      code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    i += length;
    if (column < rows[row].size()) {
      rows[row][column] = PaneCell{code, fg < 0 ? 7 : fg, bg < 0 ? 0 : bg, true};
    }
    ++column;
  }
  return rows;
}

// The character a code page 437 byte shows as (only the bytes the screens use).
uint32_t Glyph(uint8_t byte) {
  switch (byte) {
    case 0xAD:
      return 0x00A1;  // inverted exclamation mark
    case 0x9B:
      return 0x00A2;  // cent sign
    default:
      return byte;
  }
}

int Compare(const Picture& want, const std::string& capture) {
  const auto pane = ParsePane(capture);
  int differences = 0;
  for (int row = 1; row <= Picture::kRows; ++row) {
    for (int column = 1; column <= Picture::kColumns; ++column) {
      const PaneCell& got = pane[row - 1][column - 1];
      const Picture::Cell& w = want.cell(row, column);
      // Blanks that the terminal erased rather than wrote (erase-characters with a
      // background) are not in the capture at the end of a row; only their character can be
      // judged there.
      const bool same = got.captured ? got.code == Glyph(w.ch) && got.bg == w.bg &&
                                           (w.ch == ' ' || got.fg == w.fg)
                                     : w.ch == ' ';
      if (!same && ++differences <= 12) {
        std::printf("row %d column %d: got U+%04X %d/%d, want '%c' %d/%d\n", row, column, got.code,
                    got.fg, got.bg, w.ch, w.fg, w.bg);
      }
    }
  }
  if (differences > 0) std::printf("%d cells differ\n", differences);
  return differences == 0 ? 0 : 1;
}

void Dump(const Picture& want) {
  for (int row = 1; row <= Picture::kRows; ++row) {
    for (int column = 1; column <= Picture::kColumns; ++column) {
      const Picture::Cell& c = want.cell(row, column);
      std::printf("%s%d,%d,%d", column > 1 ? " " : "", c.ch, c.fg, c.bg);
    }
    std::printf("\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool dump = argc > 1 && std::string(argv[1]) == "dump";
  if (dump) {
    --argc;
    ++argv;
  }
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "results-file") {
    const std::string bytes = app_test::ResultsFileBytes();
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    return 0;
  }
  Picture want;
  if (what == "main") {
    want = app_test::MainScreenPicture();
  } else if (what == "entry") {
    want = app_test::EntryPicture();
  } else if (what == "menu") {
    want = app_test::FileMenuPicture();
  } else if (what == "menu-box" && argc > 2) {
    want = app_test::FileMenuPicture(argv[2], argc > 3 ? std::stoi(argv[3]) : 0);
  } else if (what == "refusal") {
    want = app_test::RefusalPicture();
  } else if (what == "farewell") {
    want = app_test::FarewellPicture();
  } else {
    std::fprintf(stderr,
                 "usage: app_pane_check main|entry|menu|refusal|farewell\n"
                 "       app_pane_check menu-box NAME [ERROR]\n"
                 "       app_pane_check results-file\n");
    return 2;
  }
  if (dump) {
    Dump(want);
    return 0;
  }
  const std::string capture((std::istreambuf_iterator<char>(std::cin)),
                            std::istreambuf_iterator<char>());
  return Compare(want, capture);
}
