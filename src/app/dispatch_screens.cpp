#include "app/dispatch_screens.h"

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
Handover g_queued = Handover::kNone;
int32_t g_depth = 0;
int32_t g_peak = 0;
int32_t g_farewells = 0;

constexpr int32_t kStageFarewell = 5;
constexpr int32_t kStageWait = 1;
constexpr int32_t kStageDone = 2;

void Farewell() {
  runtime::ErrorScope scope;
  ++g_farewells;
  console::console_clear();
  PlaceColored(4, 2, 11);
  console::console_print("Thank you for using ");
  console::console_color(15, 0);
  PrintLine("Orvane-Table");
  console::pause_ms(1500);
  ScreenName(1, kScreenExitNow);
}

// One dispatcher activation.
void DispatchOnce() {
  runtime::ErrorScope scope;
  ScreenActivation activation;
  if (ScreenIs(kScreenExitNow)) return;
  int32_t stage = kStageFarewell;

  if (ScreenIs(kScreenBegin)) {
    console::console_clear();
    console::console_color(0, 0);
    for (int32_t row = 1; row <= 49; ++row) {
      PlaceCursor(row, 1);
      PrintLine(text::text_repeat(" ", 78));
    }
    ScreenName(1, kScreenMainRefresh);
    stage = kStageWait;
    CubeTable(kCubeBuild);
  }
  if (ScreenIs(kScreenMainRefresh)) {
    stage = kStageWait;
    console::console_clear();
    CubeTable(kCubeScreen);
    ShowPanel(kPanelMain, 0);
  }

  if (stage == kStageWait) {
    ReadAction(1);
    switch (ReadAction(2)) {
      case kActionSave:
        ScreenName(1, kScreenFile1);
        EnterFileName();
        stage = kStageDone;
        break;
      case kActionPrint:
        ScreenName(1, kScreenPrint1);
        PrintResults();
        stage = kStageDone;
        break;
      case kActionRefusal:
        ScreenName(1, kScreenGag);
        RefusalScreen();
        stage = kStageDone;
        break;
      case kActionMain:
        ScreenName(1, kScreenMainRefresh);
        DispatchScreens();
        stage = kStageDone;
        break;
      case kActionEnd:
        ScreenName(1, kScreenEnd);
        stage = kStageFarewell;
        break;
      default:
        break;
    }
  }

  if (stage == kStageFarewell || ScreenIs(kScreenEnd)) Farewell();
}

void Run(Handover next) {
  switch (next) {
    case Handover::kDispatch:
      DispatchOnce();
      break;
    case Handover::kEnterFileName:
      EnterFileName();
      break;
    case Handover::kFileMenu:
      FileMenu();
      break;
    case Handover::kNone:
      break;
  }
}

}  // namespace

void DispatchScreens() {
  runtime::ErrorScope scope;
  if (g_loop_running) {
    g_queued = Handover::kDispatch;
    return;
  }
  // The loop flag falls back even when a screen is left by an exception (a test's input
  // script running dry), so that the next run starts afresh.
  struct LoopFlag {
    LoopFlag() { g_loop_running = true; }
    ~LoopFlag() {
      g_loop_running = false;
      g_queued = Handover::kNone;
    }
  } loop_flag;
  Handover next = Handover::kDispatch;
  while (next != Handover::kNone) {
    g_queued = Handover::kNone;
    Run(next);
    const bool ran_dispatcher = next == Handover::kDispatch;
    next = g_queued;
    // A screen procedure that ended the program without handing over returns, as a nested
    // call would, to the dispatcher that ran it, which finds "END" and says farewell.
    if (next == Handover::kNone && !ran_dispatcher && ScreenIs(kScreenEnd)) Farewell();
  }
}

void HandOver(Handover next) {
  runtime::ErrorScope scope;
  if (next == Handover::kDispatch) {
    DispatchScreens();
  } else if (g_loop_running) {
    g_queued = next;
  } else {
    Run(next);
  }
}

ScreenActivation::ScreenActivation() noexcept {
  ++g_depth;
  if (g_depth > g_peak) g_peak = g_depth;
}
ScreenActivation::~ScreenActivation() {
  --g_depth;
}

int32_t ScreenNestingDepth() {
  return g_depth;
}
int32_t ScreenNestingPeak() {
  return g_peak;
}
int32_t FarewellCount() {
  return g_farewells;
}
void ResetScreenNestingFigures() {
  g_peak = g_depth;
  g_farewells = 0;
}

namespace detail {
void ReleaseScreenChain() {
  g_loop_running = false;
  g_queued = Handover::kNone;
  g_depth = 0;
  g_peak = 0;
  g_farewells = 0;
}
}  // namespace detail

}  // namespace app
