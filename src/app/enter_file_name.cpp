#include "app/enter_file_name.h"

#include <cstdint>
#include <initializer_list>
#include <string>

#include "app/cube_table.h"
#include "app/hand_over.h"
#include "app/place.h"
#include "app/save_results.h"
#include "app/screen_name.h"
#include "app/show_panel.h"
#include "console/keyboard.h"
#include "console/screen.h"
#include "runtime/error.h"
#include "text/strings.h"

namespace app {

namespace {

constexpr const char* kLegalCharacters = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-";
constexpr int32_t kShortest = 5;
constexpr int32_t kLongest = 25;

enum class Command { kNone, kRecallMenu, kRetry, kBackToMain, kEnd };

bool IsOneOf(const std::string& name, std::initializer_list<const char*> words) {
  for (const char* word : words) {
    if (text::text_compare(name, word) == 0) return true;
  }
  return false;
}

// The command word group `name` belongs to, tested group by group in this order.
Command CommandFor(const std::string& name) {
  if (IsOneOf(name, {"FILE", "SAVE", "222", "2222", "22222", "222222"})) {
    return Command::kRecallMenu;
  }
  if (IsOneOf(name, {"RETRY", "333", "3333", "33333", "333333"})) return Command::kRetry;
  if (IsOneOf(name, {"CANCEL", "USER", "111", "1111", "11111", "111111", "888", "8888", "88888",
                     "888888"})) {
    return Command::kBackToMain;
  }
  if (IsOneOf(name, {"END", "EXIT", "999", "9999", "99999", "999999"})) return Command::kEnd;
  return Command::kNone;
}

// The typed line upper-cased by the fixed table, without every character outside the legal
// set (the legal ones keep their order).
std::string CleanName(const std::string& line) {
  const std::string upper = text::text_upper(line, text::kCaseFixedTable);
  const std::string illegal = text::text_remove_any(upper, kLegalCharacters);
  if (text::text_len(illegal) == 0) return upper;
  return text::text_remove_any(upper, illegal);
}

void DrawEntryScreen() {
  console::console_clear();
  CubeTable(kCubeScreen);
  ShowPanel(kPanelFileSave, kStageFilenamePrompt);
}

}  // namespace

void EnterFileName() {
  runtime::ErrorScope scope;
  ScreenActivation activation;
  if (!ScreenIs(kScreenFile1)) return;

  std::string entered;
  DrawEntryScreen();
  for (;;) {
    PlaceColored(34, 50, kWhite);
    console::console_print(entered);
    entered = CleanName(console::line_input());

    switch (CommandFor(entered)) {
      case Command::kRecallMenu:
        ScreenName(kSetScreen, kScreenFile3);
        HandOver(Handover::kFileMenu);
        return;
      case Command::kRetry:
        ScreenName(kSetScreen, kScreenFile1);
        entered.clear();
        DrawEntryScreen();
        break;
      case Command::kBackToMain:
        ScreenName(kSetScreen, kScreenMainRefresh);
        if (ScreenIs(kScreenMainRefresh)) HandOver(Handover::kDispatch);
        return;
      case Command::kEnd:
        ScreenName(kSetScreen, kScreenEnd);
        return;
      case Command::kNone:
        break;
    }

    const int32_t length = text::text_len(entered);
    if (length >= kShortest && length <= kLongest) break;
    // A refused length: blank the prompt area, draw the prompt again and read another line.
    entered.clear();
    ShowPanel(kPanelFileSave, kStageFilenameRetry);
  }

  ScreenName(kSetScreen, kScreenFile2);
  SaveResults(kSaveAndShow, entered);
  entered.clear();
  HandOver(Handover::kFileMenu);
}

}  // namespace app
