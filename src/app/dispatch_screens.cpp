#include "app/dispatch_screens.h"

#include "app/cube_table.h"
#include "app/hand_over.h"
#include "app/place.h"
#include "app/read_action.h"
#include "app/screen_name.h"
#include "app/show_panel.h"
#include "console/keyboard.h"
#include "console/screen.h"
#include "runtime/error.h"
#include "text/strings.h"

namespace app {

namespace {

// What a dispatcher activation does next. The screen procedure that an action selects is
// handed over to rather than called, so no activation needs a stage for "a screen has run,
// do not wait again" (2).
enum class Stage : int32_t {
  kWaitForAction = 1,  // the main screen is up: wait for an action
  kFarewell = 5,       // show the farewell
};

constexpr int32_t kFarewellPause = 1500;  // milliseconds the farewell stays up

void Farewell() {
  runtime::ErrorScope scope;
  console::console_clear();
  PlaceColored(4, 2, kCyan);
  console::console_print("Thank you for using ");
  console::console_color(kWhite, kBlack);
  PrintLine("Orvane-Table");
  console::pause_ms(kFarewellPause);
  ScreenName(kSetScreen, kScreenExitNow);
}

}  // namespace

void DispatchOnce() {
  runtime::ErrorScope scope;
  ScreenActivation activation;
  if (ScreenIs(kScreenExitNow)) return;
  Stage stage = Stage::kFarewell;

  if (ScreenIs(kScreenBegin)) {
    console::console_clear();
    console::console_color(kBlack, kBlack);
    for (int32_t row = 1; row <= 49; ++row) {
      PlaceCursor(row, 1);
      PrintLine(text::text_repeat(" ", 78));
    }
    ScreenName(kSetScreen, kScreenMainRefresh);
    stage = Stage::kWaitForAction;
    CubeTable(kCubeBuild);
  }
  if (ScreenIs(kScreenMainRefresh)) {
    stage = Stage::kWaitForAction;
    console::console_clear();
    CubeTable(kCubeScreen);
    ShowPanel(kPanelMain, kStageMainMenu);
  }

  if (stage == Stage::kWaitForAction) {
    ReadAction(kWaitForAction);
    switch (ReadAction(kLastAction)) {
      case kActionSave:
        ScreenName(kSetScreen, kScreenFile1);
        HandOver(Handover::kEnterFileName);
        return;
      case kActionPrint:
        ScreenName(kSetScreen, kScreenPrint1);
        HandOver(Handover::kPrintResults);
        return;
      case kActionRefusal:
        ScreenName(kSetScreen, kScreenGag);
        HandOver(Handover::kRefusalScreen);
        return;
      case kActionMain:
        ScreenName(kSetScreen, kScreenMainRefresh);
        HandOver(Handover::kDispatch);
        return;
      case kActionEnd:
        ScreenName(kSetScreen, kScreenEnd);
        stage = Stage::kFarewell;
        break;
      default:
        break;
    }
  }

  if (stage == Stage::kFarewell || ScreenIs(kScreenEnd)) Farewell();
}

void DispatchScreens() {
  runtime::ErrorScope scope;
  RunScreens(Handover::kDispatch);
}

}  // namespace app
