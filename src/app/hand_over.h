// Handing over between screens.
//
// Screens move on by handing over: a screen procedure stores the next screen name and, as its
// very last step, calls HandOver with the procedure that runs next. The dispatcher's loop runs
// that procedure once the handing one has returned. The screens, their drawings and the single
// farewell come in the same order as if every hand-over were a nested call, but the nesting
// stays bounded however many screens the user goes through. The loop ends when a procedure
// returns without handing over (after the farewell the screen name is "EXIT NOW").
#pragma once

namespace app {

// The procedure a screen hands over to.
enum class Handover { kDispatch, kEnterFileName, kFileMenu, kPrintResults, kRefusalScreen };

// The last step of a screen procedure: `next` runs once the caller has returned. Outside a
// running dispatcher loop it starts one that begins with `next`. Debug builds check that the
// handing activation does nothing after it.
void HandOver(Handover next);

// Marks one activation of a screen procedure, so that debug builds can tell when it goes on
// working after it has handed over.
class ScreenActivation {
 public:
  ScreenActivation() noexcept;
  ~ScreenActivation();
  ScreenActivation(const ScreenActivation&) = delete;
  ScreenActivation& operator=(const ScreenActivation&) = delete;

 private:
  friend void HandOver(Handover next);
  friend void CheckNotHandedOver();
  ScreenActivation* outer_;
  bool handed_over_ = false;
};

// Starts the loop with `first` and runs it until a step hands over nothing. A screen that is
// already running in the loop hands over with HandOver instead.
void RunScreens(Handover first);

// Debug builds: stops the program when the running screen activation has already handed
// over. Every application step (screen name, actions, drawing helpers, panels, saving and
// hand-over) calls it first. Release builds do nothing.
void CheckNotHandedOver();

}  // namespace app
