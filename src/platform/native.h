// The operating system's own services for this process: implemented once per backend
// (posix/ or win32/) and chosen at build time.
#pragma once

#include <string>

#include "platform/platform.h"

namespace platform::native {

// Prepares the console (handles, modes, control handling) and the other services. Returns
// false after printing a one-line reason to standard error when the program cannot run
// here (for example when there is no terminal to draw on).
bool open(Platform& out);

// Puts the console back as the program found it (normal end of the process).
void close();

// One line saying what confinement the operating system gives this program here (for
// --version), e.g. "sandbox: Landlock ABI 7, seccomp"; open() applies it.
std::string confinement();

}  // namespace platform::native
