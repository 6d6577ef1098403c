#include "runtime/platform_access.h"

namespace runtime {
namespace {
platform::Platform g_platform;
}

void install_platform(const platform::Platform& services) noexcept {
  g_platform = services;
}

const platform::Platform& installed_platform() noexcept {
  return g_platform;
}

}  // namespace runtime
