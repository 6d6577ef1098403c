#include "app/print_results.h"

#include <string>

#include "app/cube_table.h"
#include "app/hand_over.h"
#include "app/place.h"
#include "app/read_action.h"
#include "app/screen_name.h"
#include "app/show_panel.h"
#include "console/keyboard.h"
#include "console/screen.h"
#include "printer/printer.h"
#include "runtime/error.h"

namespace app {
namespace {

constexpr int32_t kPauseAfterPrinting = 1550;

// What became of one press of Y.
enum class Outcome { kCompleted, kCancelled, kFailed };

// Lets the user choose a printer and prints the results on one page in Courier New 14 point
// bold, document "Print job". The face is asked for as fixed pitch, modern family: where no
// Courier New is installed the font mapper then takes another monospaced face (Liberation
// Mono) rather than any bold face, which would leave the columns of numbers ragged.
Outcome PrintOneCopy() {
  runtime::error_clear();
  printer::printer_attach(printer::kAttachDialog, "", "");
  const bool chosen = !printer::printer_name().empty();
  const int32_t attach_error = runtime::error_number();
  printer::printer_set(printer::kSetOrientation, printer::kOrientationPortrait);
  const int32_t font =
      printer::font_new("Courier New", 14, printer::kStyleBold, printer::kCharsetAnsi,
                        printer::kPitchFixed | printer::kFamilyModern, 0);
  printer::font_select(font);

  if (runtime::error_number() != 0 || printer::printer_name().empty()) {
    // Nothing is printed. A document started for a printer that was chosen is aborted
    // rather than left open as a job that never ends.
    if (!printer::printer_name().empty()) printer::printer_abort();
    if (!chosen && attach_error == 0) return Outcome::kCancelled;
    return Outcome::kFailed;
  }
  CubeTable(kCubePrinter);
  if (CubeTablePrinterError() != 0) {
    // The printer refused part of the page: the job is abandoned, not spooled with gaps.
    printer::printer_abort();
    return Outcome::kFailed;
  }
  printer::printer_end_page();
  printer::printer_attach(printer::kAttachByName, "", "");
  // Ending the page or the document (handing the job over) can still fail.
  return runtime::error_number() == 0 ? Outcome::kCompleted : Outcome::kFailed;
}

// The printing box's last word: ShowPanel's "Printing Completed" after a real print, the
// same place and colours saying so when nothing was printed. Only the true word is drawn.
void ShowOutcome(Outcome outcome) {
  if (outcome == Outcome::kCompleted) {
    ShowPanel(kPanelPrint, kStagePrinted);
    return;
  }
  console::console_color(kBlack, kWhite);
  PlaceCursor(31, 49);
  PrintLine(outcome == Outcome::kCancelled ? "Printing Cancelled   " : "Printing Failed      ");
  console::console_color(kGrey, kBlack);
}

}  // namespace

void PrintResults() {
  runtime::ErrorScope scope;
  ScreenActivation activation;
  if (!ScreenIs(kScreenPrint1)) return;

  console::console_clear();
  CubeTable(kCubeScreen);
  ShowPanel(kPanelPrint, kStagePrintMenu);

  for (;;) {
    ReadAction(kWaitForAction);
    switch (ReadAction(kLastAction)) {
      case kActionPrintNow:
        ShowPanel(kPanelPrint, kStagePrinting);
        ShowOutcome(PrintOneCopy());
        console::pause_ms(kPauseAfterPrinting);
        break;
      case kActionMain:
        ScreenName(kSetScreen, kScreenMainRefresh);
        HandOver(Handover::kDispatch);
        return;
      case kActionEnd:
        ScreenName(kSetScreen, kScreenEnd);
        HandOver(Handover::kDispatch);
        return;
      default:
        break;
    }
  }
}

}  // namespace app
