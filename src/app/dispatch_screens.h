// The screen dispatcher: draws the main screen, waits for an action and runs the screen that
// the action selects; shows the farewell when the program ends.
//
// Screen procedures move on by storing the next screen name and calling the next screen
// (DispatchScreens, EnterFileName or FileMenu) as their very last step. Once a dispatcher
// runs, such a hand-over is queued and the dispatcher's loop runs it after the handing
// procedure has returned. The screens, their drawings and the single farewell come in the
// same order as if every hand-over were a nested call, but the nesting stays bounded however
// many screens the user goes through; the loop ends when the screen name is "EXIT NOW".
#pragma once

#include <cstdint>

namespace app {

void DispatchScreens();

// The next screen a screen procedure hands over to.
enum class Handover { kNone, kDispatch, kEnterFileName, kFileMenu };
// Runs `next` now when no dispatcher is running, else queues it for the dispatcher's loop.
// Call it only as the last step of a screen procedure.
void HandOver(Handover next);

// Screen procedures count their activations, so that tests can watch the nesting depth.
class ScreenActivation {
 public:
  ScreenActivation() noexcept;
  ~ScreenActivation();
  ScreenActivation(const ScreenActivation&) = delete;
  ScreenActivation& operator=(const ScreenActivation&) = delete;
};
int32_t ScreenNestingDepth();      // activations running now
int32_t ScreenNestingPeak();       // the deepest nesting since the last reset
int32_t FarewellCount();           // farewells shown since the last reset
void ResetScreenNestingFigures();  // peak and farewell count back to 0

}  // namespace app
