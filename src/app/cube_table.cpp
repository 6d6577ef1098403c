#include "app/cube_table.h"

#include <cmath>
#include <string>

#include "app/hand_over.h"
#include "app/place.h"
#include "app/program_variables.h"
#include "console/screen.h"
#include "files/files.h"
#include "printer/printer.h"
#include "runtime/error.h"
#include "text/format.h"
#include "text/strings.h"

namespace app {

namespace {

// Program-lifetime texts, indexed from 0; only the indices named in CubeTable are filled.
text::StringArray g_title_lines;    // 0..8: 2 banner, 4 subtitle, 6 heading, 7 rule
text::StringArray g_number_texts;   // 0..101: " 1  " .. "99  "
text::StringArray g_cube_texts;     // 0..101: the cubes through their magnitude masks
text::StringArray g_table_lines;    // 0..31: assembled rows for the file and the printer
text::StringArray g_example_lines;  // 0..10: the EXAMPLES panel

int32_t g_file_error = 0;     // first write error of the last file rendering
int32_t g_printer_error = 0;  // first printer error of the last printer rendering

// The mask that holds exactly as many digit positions as `cube` has digits. Numbers up to
// 30 share the first column, 6 characters wide; the others are 7 wide.
const char* MaskFor(int32_t number, int32_t cube) {
  if (cube >= 1 && cube <= 9) return "     #";
  if (cube >= 10 && cube <= 99) return "    ##";
  if (cube >= 100 && cube <= 999) return "   ###";
  if (cube >= 1000 && cube <= 9999) return " #,###";
  if (cube >= 10000 && cube <= 99999) return number < 31 ? "##,###" : " ##,###";
  return "###,###";
}

void BuildTexts(text::IntArray& cubes) {
  const std::string separator = "    ";
  text::text_assign(g_title_lines[2], "  Orvane-Table :: Quillframe Terminal Toolkit v5.05 Demo");
  text::text_assign(g_title_lines[4], "  Numbers Cubed (Raised to the power of 3, see examples)");
  text::text_assign(g_title_lines[6], "  No.  Cubed    No.   Cubed    No.   Cubed    No.   Cubed");
  g_title_lines[7] = text::text_concat("  ", text::text_fill(55, '-'));

  for (int32_t i = 1; i <= 99; ++i) {
    text::FieldFormat field = text::field_begin("##");
    text::field_number(field, i);
    g_number_texts[i] = text::text_concat(text::field_end(field), "  ");
    cubes[i] = static_cast<int32_t>(std::llround(text::number_power(i, 3)));
    g_cube_texts[i] = text::mask_format(cubes[i], MaskFor(i, cubes[i]));
  }

  text::text_assign(g_example_lines[1], "EXAMPLES");
  text::text_assign(g_example_lines[2], "64 is 4 cubed");
  text::text_assign(g_example_lines[3], "4 x 4 x 4");
  text::text_assign(g_example_lines[4], "729 is 9 cubed");
  text::text_assign(g_example_lines[5], "9 x 9 x 9");

  for (int32_t i = 1; i <= 30; ++i) {
    g_table_lines[i] = text::text_join({"  ", g_number_texts[i], g_cube_texts[i], separator,
                                        g_number_texts[i + 30], g_cube_texts[i + 30], separator,
                                        g_number_texts[i + 60], g_cube_texts[i + 60]});
    if (i <= 9) {
      g_table_lines[i] = text::text_join(
          {g_table_lines[i], separator, g_number_texts[i + 90], g_cube_texts[i + 90]});
    }
  }
}

void DrawOnScreen() {
  PlaceColored(2, 1, kWhite);
  PrintLine(text::text_mid(g_title_lines[2], 1, 14));
  PlaceColored(2, 15, kCyan);
  PrintLine(text::text_mid(g_title_lines[2], 15, 42));
  PlaceColored(4, 1, kYellow);
  PrintLine(g_title_lines[4]);
  PlaceColored(6, 1, kWhite);
  PrintLine(g_title_lines[6]);
  PlaceColored(7, 1, kWhite);
  PrintLine(g_title_lines[7]);

  for (int32_t i = 1; i <= 30; ++i) {
    // Three blocks of ten rows with an empty row between them (rows 18 and 29).
    const int32_t row = i + 7 + (i >= 11 ? 1 : 0) + (i >= 21 ? 1 : 0);
    const int32_t color = i % 5 == 0 ? kYellow : kWhite;
    PlaceColored(row, 3, color);
    PrintLine(text::text_concat(g_number_texts[i], g_cube_texts[i]));
    PlaceColored(row, 17, color);
    PrintLine(text::text_concat(g_number_texts[i + 30], g_cube_texts[i + 30]));
    PlaceColored(row, 32, color);
    PrintLine(text::text_concat(g_number_texts[i + 60], g_cube_texts[i + 60]));
    if (i <= 9) {
      PlaceColored(row, 47, i == 9 ? kYellow : color);
      PrintLine(text::text_concat(g_number_texts[i + 90], g_cube_texts[i + 90]));
    }
  }

  for (int32_t k = 1; k <= 5; ++k) {
    PlaceColored(4 + 2 * k, 61, kWhite);
    PrintLine(g_example_lines[k]);
  }
}

// The 39 result lines through `write` and `end_line`: the title lines, then the table rows
// with an empty line after rows 10 and 20 and the examples beside rows 11 to 19.
template <class Write, class EndLine>
void RenderLines(Write write, EndLine end_line) {
  for (int32_t t = 1; t <= 7; ++t) {
    write(g_title_lines[t]);
    end_line();
  }
  int32_t example = 0;
  for (int32_t i = 1; i <= 30; ++i) {
    write(g_table_lines[i]);
    if (i == 11 || i == 13 || i == 15 || i == 17 || i == 19) {
      ++example;
      write("     ");
      write(g_example_lines[example]);
      end_line();
    } else if (i == 10 || i == 20) {
      write("");
      end_line();
      write("");
      end_line();
    } else {
      write("");
      end_line();
    }
  }
}

void WriteToFile() {
  g_file_error = 0;
  // Each write's error is taken at once so that the first one is kept: a later raise in
  // the same activation would overwrite it.
  auto note = [] {
    const int32_t code = runtime::error_take();
    if (code != 0 && g_file_error == 0) g_file_error = code;
  };
  files::file_set_current(kResultsFileNumber);
  note();
  RenderLines(
      [&note](const std::string& s) {
        files::file_print(s);
        note();
      },
      [&note] {
        files::file_print_eol();
        note();
      });
}

void SendToPrinter() {
  g_printer_error = 0;
  // As with the file: every text is still sent, and the first refusal is kept for the
  // print flow, which then abandons the job instead of spooling a page with gaps.
  auto note = [] {
    const int32_t code = runtime::error_take();
    if (code != 0 && g_printer_error == 0) g_printer_error = code;
  };
  RenderLines(
      [&note](const std::string& s) {
        printer::printer_text(s);
        note();
      },
      [&note] {
        printer::printer_eol();
        note();
      });
}

}  // namespace

void CubeTable(int32_t mode) {
  runtime::ErrorScope scope;
  CheckNotHandedOver();
  text::array_dim(g_title_lines, 0, 8);
  text::array_dim(g_number_texts, 0, 101);
  text::array_dim(g_cube_texts, 0, 101);
  text::array_dim(g_table_lines, 0, 31);
  text::array_dim(g_example_lines, 0, 10);
  text::IntArray cubes;
  text::array_dim(cubes, 0, 101);

  switch (mode) {
    case kCubeBuild:
      BuildTexts(cubes);
      break;
    case kCubeScreen:
      DrawOnScreen();
      break;
    case kCubeFile:
      WriteToFile();
      break;
    case kCubePrinter:
      SendToPrinter();
      break;
    default:
      break;
  }
}

int32_t CubeTableFileError() {
  return g_file_error;
}

int32_t CubeTablePrinterError() {
  return g_printer_error;
}

namespace detail {
void ReleaseCubeTexts() {
  text::array_erase(g_title_lines);
  text::array_erase(g_number_texts);
  text::array_erase(g_cube_texts);
  text::array_erase(g_table_lines);
  text::array_erase(g_example_lines);
  g_file_error = 0;
  g_printer_error = 0;
}
}  // namespace detail

}  // namespace app
