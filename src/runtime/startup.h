// Start-up and shutdown above the platform: the command-line tail, program init and the call
// of the program's main procedure with the main level's error word.
#pragma once

#include <cstdint>
#include <span>

#include "platform/platform.h"

namespace runtime {

// The program's main procedure: module handle, 0, command-line tail, show command. Its
// result is the process exit code.
using ProgramMainFn = int32_t (*)(uintptr_t module_handle, int32_t reserved,
                                  const char* command_tail, uint32_t show_command);
// One step of program init that lives in a layer above the run-time core (the console's
// screen state, the printer's default fonts, the program's variables).
using InitHook = void (*)();

// The command line with the program name skipped: a quoted name up to and past its closing
// quote, else every byte above the blank; then the blanks after it. A control character or
// the end of the line stops the scan. Never null (an empty tail for a null line).
const char* command_line_tail(const char* line);

// Installs `services`, runs program init (the floating-point mode, then `init` in order),
// calls `program_main` under the main level's error word and returns its result. Release of
// the console and the process exit stay with the caller.
int32_t run_program(const platform::Platform& services, ProgramMainFn program_main,
                    std::span<const InitHook> init = {});

}  // namespace runtime
