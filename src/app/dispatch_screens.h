// The screen dispatcher: draws the main screen, waits for an action and runs the screen that
// the action selects; shows the farewell when the program ends.
#pragma once

namespace app {

// Runs the dispatcher loop from the current screen name until the program ends. Called by
// ProgramMain; a screen procedure hands over with HandOver instead.
void DispatchScreens();

// One dispatcher activation: the main screen, one action and the screen it selects, or the
// farewell. The hand-over loop runs it for Handover::kDispatch (app/hand_over.h).
void DispatchOnce();

}  // namespace app
