#include "app/refusal_screen.h"

#include <cstdint>
#include <string>

#include "app/cube_table.h"
#include "app/hand_over.h"
#include "app/place.h"
#include "app/read_action.h"
#include "app/screen_name.h"
#include "console/keyboard.h"
#include "console/screen.h"
#include "runtime/error.h"
#include "text/strings.h"

namespace app {

namespace {
// Colours of the letters of the word, by position.
constexpr int32_t kLetterColors[9] = {kCyan,  kYellow, kCyan,   kGreen, kGrey,
                                      kGreen, kCyan,   kYellow, kCyan};

// The pauses of the animation, in milliseconds: 5520 from the first drawing to the first wait
// for a key.
constexpr int32_t kBeforeFirstWord = 400;  // the table alone, its third group blanked
constexpr int32_t kPerLetter = 210;        // before "MICROSOFT", each letter and "..?"
constexpr int32_t kBeforePlease = 700;
constexpr int32_t kPerLine = 1055;  // after "PLEASE !!" and after the second line
}  // namespace

void RefusalScreen() {
  runtime::ErrorScope scope;
  ScreenActivation activation;
  const std::string name = ScreenName(kGetScreen, {});
  if (text::text_compare(name, kScreenGag) != 0) return;
  const std::string word = "MICROSOFT";

  console::console_clear();
  CubeTable(kCubeScreen);
  // Blank columns 30 to 77 of rows 19 to 27, over the third group of the table.
  for (int32_t row = 19; row <= 27; ++row) {
    PlaceCursor(row, 30);
    console::console_print(text::text_fill(48, ' '));
  }
  console::pause_ms(kBeforeFirstWord);
  PlaceColored(20, 32, kWhite);
  PrintLine("WHAT !?");
  console::pause_ms(kPerLetter);
  for (int32_t k = 1; k <= 9; ++k) {
    const std::string letter = text::text_mid(word, k, 1);
    console::pause_ms(kPerLetter);
    PlaceColored(20, 41 + 2 * (k - 1), kLetterColors[k - 1]);
    PrintLine(letter);
  }
  console::pause_ms(kPerLetter);
  PlaceColored(20, 59, kGrey);
  console::console_print("..?");
  console::pause_ms(kBeforePlease);
  console::console_color(kWhite, kKeepColor);
  PrintLine("  PLEASE !!");
  console::pause_ms(kPerLine);

  PlaceColored(23, 32, kCyan);
  console::console_print("What kind of a ");
  console::console_color(kYellow, kKeepColor);
  console::console_print(text::text_chr(173));
  console::console_print("!");
  console::console_print(text::text_chr(155));
  console::console_print("$%^& ");
  console::console_color(kCyan, kKeepColor);
  PrintLine("fool do you think I am?");
  console::pause_ms(kPerLine);

  PlaceColored(26, 32, kCyan);
  console::console_print("Press the ");
  console::console_color(kYellow, kKeepColor);
  console::console_print("SPACE BAR ");
  console::console_color(kCyan, kKeepColor);
  PrintLine("to make another choice");

  // Keys typed during the animation wait in the console input and are read here.
  for (;;) {
    ReadAction(kWaitForAction);
    const int32_t action = ReadAction(kLastAction);
    if (action == kActionMain || action == kActionEnd) {
      ScreenName(kSetScreen, action == kActionMain ? kScreenMainRefresh : kScreenEnd);
      HandOver(Handover::kDispatch);
      return;
    }
  }
}

}  // namespace app
