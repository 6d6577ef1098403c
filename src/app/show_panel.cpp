#include "app/show_panel.h"

#include "app/hand_over.h"
#include "app/place.h"
#include "console/screen.h"
#include "runtime/error.h"
#include "text/strings.h"

namespace app {

namespace {

// The panel flags, made afresh at every call. Element kFlagKeys becomes 1 in the stages that
// offer G and X; element kFlagNote becomes the print panel's stage (below kStagePrinted),
// which says where the printer note goes. Both start at kFlagUnset.
constexpr int32_t kFlagKeys = 1;
constexpr int32_t kFlagNote = 2;
constexpr int32_t kFlagUnset = 99;

// A key letter and its label on one row: "F -" at column 47, the label at column 51.
void KeyLine(int32_t row, const char* key, int32_t label_color, const char* label) {
  PlaceColored(row, 47, kWhite);
  console::console_print(key);
  PlaceColored(row, 51, label_color);
  PrintLine(label);
}

void MainBody() {
  PlaceColored(21, 47, kCyan);
  PrintLine("Press A Letter      ");
  KeyLine(23, "F -", kCyan, "Save Results to File");
  KeyLine(25, "P -", kYellow, "Print Out Results   ");
  KeyLine(27, "X -", kCyan, "Exit This Program   ");
}

void FilenamePrompt() {
  PlaceColored(30, 47, kCyan);
  PrintLine("Enter Filename");
  PlaceColored(32, 47, kCyan);
  PrintLine("(5 to 25 characters)");
  PlaceColored(34, 47, kWhite);
  PrintLine(">>");
}

void FileSaveBody(int32_t stage, text::IntArray& flags) {
  if (stage == kStageFilenamePrompt) {
    PlaceColored(21, 47, kYellow);
    PrintLine("Follow all the instructions");
    PlaceCursor(22, 47);
    PrintLine("as shown below.");
    PlaceCursor(42, 3);
    PrintLine("Legal Characters to use are A to Z  a to z  0 to 9  and the hyphen -   ");
    PlaceCursor(43, 3);
    PrintLine("Type your desired characters in the space after >> above, then press   ");
    PlaceCursor(44, 3);
    PrintLine("the ENTER Key. FILENAME.TXT will be saved to the folder TEMP on Drive-C");
    PlaceCursor(45, 3);
    PrintLine("If the TEMP folder does not already exist, Orvane-Table will create it.");
    PlaceColored(47, 3, kWhite);
    PrintLine("Enter FILE or SAVE to recall the Save File Menu -OR- enter CANCEL or   ");
    PlaceCursor(48, 3);
    PrintLine("USER to Return to User Options. Enter END or EXIT to end this program. ");
  } else if (stage == kStageFilenameRetry) {
    // Blank the prompt area so that a refused name disappears; the instructions stay.
    console::console_color(kGrey, kBlack);
    for (int32_t row = 30; row <= 35; ++row) {
      PlaceCursor(row, 46);
      PrintLine(text::text_fill(32, ' '));
    }
  } else if (stage == kStageFileMenu) {
    console::console_color(kGrey, kBlack);
    PlaceColored(21, 47, kCyan);
    PrintLine("Press A Letter           ");
    KeyLine(23, "S -", kCyan, "Save to File        ");
    flags[kFlagKeys] = 1;
  }
  if (stage < kStageFileMenu) FilenamePrompt();
}

void PrintBody(int32_t stage, text::IntArray& flags) {
  if (stage == kStagePrintMenu) {
    PlaceColored(21, 47, kCyan);
    PrintLine("Press A Letter           ");
    KeyLine(23, "Y -", kCyan, "Print It");
    PlaceColored(30, 47, kYellow);
    PrintLine("Pressing Y invokes standard ");
    PlaceCursor(31, 47);
    PrintLine("WINDOWS Printer Menu. Select");
    PlaceCursor(32, 47);
    PrintLine("desired printer and options,");
    PlaceCursor(33, 47);
    PrintLine("then print your document.   ");
    flags[kFlagKeys] = 1;
  } else if (stage == kStagePrinting) {
    console::console_color(kBlack, kWhite);
    for (int32_t row = 30; row <= 38; ++row) {
      PlaceCursor(row, 47);
      PrintLine(text::text_fill(30, ' '));
    }
    PlaceCursor(31, 49);
    PrintLine("Printing In Progress     ");
    PlaceCursor(33, 49);
    PrintLine("Press Y for another copy,");
    PlaceCursor(34, 49);
    PrintLine("or make another choice.  ");
  } else if (stage == kStagePrinted) {
    console::console_color(kBlack, kWhite);
    PlaceCursor(31, 49);
    PrintLine("Printing Completed   ");
    console::console_color(kGrey, kBlack);
  }
  if (stage < kStagePrinted) flags[kFlagNote] = stage;
}

}  // namespace

void ShowPanel(int32_t panel, int32_t stage) {
  runtime::ErrorScope scope;
  CheckNotHandedOver();
  text::IntArray flags;
  text::array_dim(flags, 0, 3);
  flags[kFlagKeys] = kFlagUnset;
  flags[kFlagNote] = kFlagUnset;

  const char* word = nullptr;
  switch (panel) {
    case kPanelMain:
      word = "Main ";
      break;
    case kPanelFileSave:
      word = "File Save ";
      break;
    case kPanelPrint:
      word = "Print Out ";
      break;
    default:
      break;
  }
  if (word != nullptr) {
    PlaceColored(19, 47, kWhite);
    PrintLine(text::text_concat("User Options - ", word));
    if (panel == kPanelMain) MainBody();
    if (panel == kPanelFileSave) FileSaveBody(stage, flags);
    if (panel == kPanelPrint) PrintBody(stage, flags);
  }

  // The common tail: G and X where the panel offers them, and the printer note.
  if (flags[kFlagKeys] == 1) {
    KeyLine(25, "G -", kYellow, "User Options - Main ");
    KeyLine(27, "X -", kCyan, "Exit This Program   ");
  }
  if (flags[kFlagNote] == kStagePrintMenu || flags[kFlagNote] == kStagePrinting) {
    int32_t column = 47;
    if (flags[kFlagNote] == kStagePrinting) {
      console::console_color(kBlack, kWhite);
      column = 49;
    } else {
      console::console_color(kYellow, kBlack);
    }
    PlaceCursor(36, column);
    PrintLine("Prints to 8.5 x 11 Letter");
    PlaceCursor(37, column);
    PrintLine("Courier New, 14 pt, BOLD ");
    console::console_color(kGrey, kBlack);
  }
}

}  // namespace app
