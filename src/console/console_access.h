// The console and process services that the console operations act on, as installed at
// start-up. Either may be missing (no console, or a test without one): every operation then
// has no visible effect.
#pragma once

#include "platform/console.h"
#include "platform/system.h"
#include "runtime/platform_access.h"

namespace console {

// The one installed console carries both the screen and the keyboard input (the fitted
// view of console/fitted_view.h while it stands in front of the console).
inline platform::Console* output_console() {
  return runtime::installed_platform().console;
}
inline platform::Console* input_console() {
  return output_console();
}
inline platform::System* process() {
  return runtime::installed_platform().system;
}

// Tells a backend that keeps its own cell buffer that the program is about to wait.
inline void present() {
  if (platform::Console* con = output_console()) con->present();
}

}  // namespace console
