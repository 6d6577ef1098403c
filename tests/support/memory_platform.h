// Installs the in-memory system and console as the run-time's platform for the lifetime of
// the object, with the console's screen state initialised as program init leaves it.
//
//   test_support::MemoryPlatform mp;          // an 80 x 25 console
//   mp.console.push_text("abc\r");
//   std::string line = console::line_input();
//   EXPECT_EQ(mp.console.row_text(1).substr(0, 3), "abc");
#pragma once

#include "console/screen.h"
#include "platform/memory/console.h"
#include "platform/memory/system.h"
#include "platform/platform.h"
#include "runtime/platform_access.h"

namespace test_support {

struct MemoryPlatform {
  platform::memory::MemorySystem system;
  platform::memory::MemoryConsole console;

  explicit MemoryPlatform(int16_t width = 80, int16_t height = 25, int16_t window_width = 0,
                          int16_t window_height = 0, platform::FileSystem* files = nullptr,
                          platform::Printing* printing = nullptr)
      : console(width, height, window_width, window_height) {
    platform::Platform services;
    services.system = &system;
    services.console = &console;
    services.files = files;
    services.printing = printing;
    runtime::install_platform(services);
    console::screen_init();
  }
  ~MemoryPlatform() { runtime::install_platform(platform::Platform{}); }
  MemoryPlatform(const MemoryPlatform&) = delete;
  MemoryPlatform& operator=(const MemoryPlatform&) = delete;

  platform::Platform services() const { return runtime::installed_platform(); }
};

}  // namespace test_support
