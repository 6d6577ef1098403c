#include "app/dispatch_screens.h"

#include <cassert>
#include <optional>

#include "app/cube_table.h"
#include "app/enter_file_name.h"
#include "app/file_menu.h"
#include "app/place.h"
#include "app/print_results.h"
#include "app/program_variables.h"
#include "app/read_action.h"
#include "app/refusal_screen.h"
#include "app/screen_name.h"
#include "app/show_panel.h"
#include "console/keyboard.h"
#include "console/screen.h"
#include "runtime/error.h"
#include "text/strings.h"

namespace app {

namespace {

bool g_loop_running = false;
// What the running step of the loop handed over to, if anything.
std::optional<Handover> g_handed_over;
// The innermost screen activation that is running, if any.
ScreenActivation* g_activation = nullptr;

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

// One dispatcher activation.
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

void Run(Handover step) {
  switch (step) {
    case Handover::kDispatch:
      DispatchOnce();
      break;
    case Handover::kEnterFileName:
      EnterFileName();
      break;
    case Handover::kFileMenu:
      FileMenu();
      break;
    case Handover::kPrintResults:
      PrintResults();
      break;
    case Handover::kRefusalScreen:
      RefusalScreen();
      break;
  }
}

// Runs `first`, then whatever each step hands over, until a step hands over nothing. The
// program-variable release puts the loop state back should a step never return.
void RunLoop(Handover first) {
  ScreenActivation* const outer = g_activation;
  g_activation = nullptr;  // the loop's own steps belong to no screen activation
  g_loop_running = true;
  std::optional<Handover> step = first;
  while (step) {
    g_handed_over.reset();
    Run(*step);
    const bool ran_dispatcher = *step == Handover::kDispatch;
    step = g_handed_over;
    // A screen procedure that ended the program without handing over returns, as a nested
    // call would, to the dispatcher that ran it, which finds "END" and says farewell.
    if (!step && !ran_dispatcher && ScreenIs(kScreenEnd)) Farewell();
  }
  g_loop_running = false;
  g_activation = outer;
}

}  // namespace

void DispatchScreens() {
  runtime::ErrorScope scope;
  if (g_loop_running) {
    assert(!"a running screen hands over with HandOver");
    HandOver(Handover::kDispatch);
    return;
  }
  RunLoop(Handover::kDispatch);
}

void HandOver(Handover next) {
  runtime::ErrorScope scope;
  CheckNotHandedOver();
  if (g_activation != nullptr) g_activation->handed_over_ = true;
  if (g_loop_running) {
    g_handed_over = next;
  } else {
    RunLoop(next);
  }
}

ScreenActivation::ScreenActivation() noexcept : outer_(g_activation) {
  g_activation = this;
}
ScreenActivation::~ScreenActivation() {
  g_activation = outer_;
}

void CheckNotHandedOver() {
  assert((g_activation == nullptr || !g_activation->handed_over_) &&
         "a screen procedure went on after it had handed over");
}

namespace detail {
void ReleaseScreenChain() {
  g_loop_running = false;
  g_handed_over.reset();
}
}  // namespace detail

}  // namespace app
