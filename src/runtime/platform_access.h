// Where the run-time finds the platform services it was started with.
#pragma once

#include "platform/platform.h"

namespace runtime {

// Installs the services every subsystem uses from now on (start-up, or a test fixture).
void install_platform(const platform::Platform& services) noexcept;
const platform::Platform& installed_platform() noexcept;

}  // namespace runtime
