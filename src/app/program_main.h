// The application's main procedure, called once by the run-time's start-up.
#pragma once

#include <cstdint>

namespace app {

// Shapes the console to 80 x 50, runs the screens until the program ends, puts the console
// back to 80 x 25 with colours 7 on 0 and the cursor shown, and returns the exit code 0.
// The arguments are not used.
int32_t ProgramMain(uintptr_t instance, int32_t previous_instance, const char* command_line,
                    uint32_t show_flag);

}  // namespace app
