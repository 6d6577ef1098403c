#include "pictures.h"

namespace app_test {

std::string NumberText(int n) {
  std::string text(n < 10 ? " " : "");
  text += std::to_string(n);
  text += "  ";
  return text;
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

Picture EntryPicture() {
  Picture p = TablePicture();
  p.put(19, 47, "User Options - File Save ", 15);
  p.put(21, 47, "Follow all the instructions", 14).put(22, 47, "as shown below.", 14);
  p.put(42, 3, "Legal Characters to use are A to Z  a to z  0 to 9  and the hyphen -   ", 14);
  p.put(43, 3, "Type your desired characters in the space after >> above, then press   ", 14);
  p.put(44, 3, "the ENTER Key. FILENAME.TXT will be saved to the folder TEMP on Drive-C", 14);
  p.put(45, 3, "If the TEMP folder does not already exist, Orvane-Table will create it.", 14);
  p.put(47, 3, "Enter FILE or SAVE to recall the Save File Menu -OR- enter CANCEL or   ", 15);
  p.put(48, 3, "USER to Return to User Options. Enter END or EXIT to end this program. ", 15);
  p.put(30, 47, "Enter Filename", 11).put(32, 47, "(5 to 25 characters)", 11);
  p.put(34, 47, ">>", 15);
  return p;
}

// The confirmation box over `p`: saved, or not saved with its error code.
void PutBox(Picture& p, const std::string& name, int error) {
  for (int row = 30; row <= 35; ++row) p.blank(row, 47, 31, 15);
  if (error == 0) {
    p.put(31, 48, "Results saved to file", 0, 15);
  } else {
    p.put(31, 48, "Results NOT saved to file", 0, 15);
    p.put(32, 48, "Error code " + std::to_string(error), 0, 15);
  }
  p.put(33, 48, name + ".TXT", 0, 15).put(34, 48, "in folder C:\\TEMP", 0, 15);
}

Picture FileMenuPicture(std::optional<std::string> saved, int error) {
  Picture p = TablePicture();
  p.put(19, 47, "User Options - File Save ", 15);
  p.put(21, 47, "Press A Letter           ", 11);
  p.put(23, 47, "S -", 15).put(23, 51, "Save to File        ", 11);
  p.put(25, 47, "G -", 15).put(25, 51, "User Options - Main ", 14);
  p.put(27, 47, "X -", 15).put(27, 51, "Exit This Program   ", 11);
  if (saved) PutBox(p, *saved, error);
  return p;
}

Picture RefusalPicture() {
  Picture p = TablePicture();
  for (int row = 19; row <= 27; ++row) p.blank(row, 30, 48);
  p.put(20, 32, "WHAT !?", 15);
  const int colors[9] = {11, 14, 11, 10, 7, 10, 11, 14, 11};
  const std::string word = "MICROSOFT";
  for (int k = 0; k < 9; ++k) p.put(20, 41 + 2 * k, word.substr(k, 1), colors[k]);
  p.put(20, 59, "..?", 7).put(20, 62, "  PLEASE !!", 15);
  p.put(23, 32, "What kind of a ", 11)
      .put(23, 47, "\xAD!\x9B$%^& ", 14)
      .put(23, 55, "fool do you think I am?", 11);
  p.put(26, 32, "Press the ", 11)
      .put(26, 42, "SPACE BAR ", 14)
      .put(26, 52, "to make another choice", 11);
  return p;
}

}  // namespace app_test
