#include "app_fixture.h"

#include <sstream>

namespace app_test {

::testing::AssertionResult ScreenMatches(const platform::memory::MemoryConsole& console,
                                         const Picture& expected) {
  if (console.width() != Picture::kColumns || console.height() != Picture::kRows) {
    return ::testing::AssertionFailure()
           << "console is " << console.width() << " x " << console.height();
  }
  std::ostringstream out;
  int mismatches = 0;
  for (int row = 1; row <= Picture::kRows; ++row) {
    for (int column = 1; column <= Picture::kColumns; ++column) {
      const auto got = console.cell(row, column);
      const auto& want = expected.cell(row, column);
      const bool same =
          got.ch == want.ch && got.bg == want.bg && (want.ch == ' ' || got.fg == want.fg);
      if (!same && ++mismatches <= 12) {
        out << "row " << row << " column " << column << ": got '" << got.chr() << "' " << got.fg
            << "/" << got.bg << ", want '" << static_cast<char>(want.ch) << "' " << want.fg << "/"
            << want.bg << "\n";
      }
    }
  }
  if (mismatches == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << mismatches << " cells differ:\n"
                                       << out.str() << "screen:\n"
                                       << console.dump();
}

std::string NumberText(int n) {
  std::string digits = std::to_string(n);
  if (digits.size() < 2) digits.insert(0, " ");
  return digits + "  ";
}

std::string CubeText(int n) {
  std::string digits = std::to_string(n * n * n);
  std::string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  const size_t width = n <= 30 ? 6 : 7;
  return std::string(width - grouped.size(), ' ') + grouped;
}

Picture TablePicture() {
  Picture p;
  p.put(2, 1, "  Orvane-Table", 15);
  p.put(2, 15, " :: Quillframe Terminal Toolkit v5.05 Demo", 11);
  p.put(4, 1, "  Numbers Cubed (Raised to the power of 3, see examples)", 14);
  p.put(6, 1, "  No.  Cubed    No.   Cubed    No.   Cubed    No.   Cubed", 15);
  p.put(7, 1, "  " + std::string(55, '-'), 15);
  const int columns[4] = {3, 17, 32, 47};
  for (int n = 1; n <= 99; ++n) {
    const int i = (n - 1) % 30 + 1;
    const int row = i + 7 + (i >= 11 ? 1 : 0) + (i >= 21 ? 1 : 0);
    const int color = (i % 5 == 0 || n == 99) ? 14 : 15;
    p.put(row, columns[(n - 1) / 30], NumberText(n) + CubeText(n), color);
  }
  const char* examples[5] = {"EXAMPLES", "64 is 4 cubed", "4 x 4 x 4", "729 is 9 cubed",
                             "9 x 9 x 9"};
  for (int k = 1; k <= 5; ++k) p.put(4 + 2 * k, 61, examples[k - 1], 15);
  return p;
}

Picture MainScreenPicture() {
  Picture p = TablePicture();
  p.put(19, 47, "User Options - Main ", 15);
  p.put(21, 47, "Press A Letter      ", 11);
  p.put(23, 47, "F -", 15).put(23, 51, "Save Results to File", 11);
  p.put(25, 47, "P -", 15).put(25, 51, "Print Out Results   ", 14);
  p.put(27, 47, "X -", 15).put(27, 51, "Exit This Program   ", 11);
  return p;
}

Picture FarewellPicture() {
  Picture p;
  p.put(4, 2, "Thank you for using ", 11).put(4, 22, "Orvane-Table", 15);
  return p;
}

std::string ResultsFileBytes() {
  std::vector<std::string> lines = {
      "",
      "  Orvane-Table :: Quillframe Terminal Toolkit v5.05 Demo",
      "",
      "  Numbers Cubed (Raised to the power of 3, see examples)",
      "",
      "  No.  Cubed    No.   Cubed    No.   Cubed    No.   Cubed",
      "  " + std::string(55, '-'),
  };
  const char* examples[5] = {"EXAMPLES", "64 is 4 cubed", "4 x 4 x 4", "729 is 9 cubed",
                             "9 x 9 x 9"};
  for (int i = 1; i <= 30; ++i) {
    std::string line = "  ";
    for (int n = i; n <= 99; n += 30) {
      if (n > i) line += "    ";
      line += NumberText(n) + CubeText(n);
    }
    if (i >= 11 && i <= 19 && i % 2 == 1) line += "     " + std::string(examples[(i - 11) / 2]);
    lines.push_back(line);
    if (i == 10 || i == 20) lines.push_back("");
  }
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\r\n";
  return bytes;
}

}  // namespace app_test
