#include "app/hand_over.h"

#include <cassert>
#include <optional>

#include "app/dispatch_screens.h"
#include "app/enter_file_name.h"
#include "app/file_menu.h"
#include "app/print_results.h"
#include "app/program_variables.h"
#include "app/refusal_screen.h"
#include "app/screen_name.h"
#include "runtime/error.h"

namespace app {

namespace {

bool g_loop_running = false;
// What the running step of the loop handed over to, if anything.
std::optional<Handover> g_handed_over;
// The innermost screen activation that is running, if any.
ScreenActivation* g_activation = nullptr;

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
    if (!step && !ran_dispatcher && ScreenIs(kScreenEnd)) step = Handover::kDispatch;
  }
  g_loop_running = false;
  g_activation = outer;
}

}  // namespace

void RunScreens(Handover first) {
  runtime::ErrorScope scope;
  if (g_loop_running) {
    assert(!"a running screen hands over with HandOver");
    HandOver(first);
    return;
  }
  RunLoop(first);
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
