#include "platform/memory/system.h"

#include <cstdio>
#include <cstdlib>

namespace platform::memory {

void MemorySystem::sleep_ms(uint32_t ms) {
  // Keep the list bounded for programs that poll with short pauses for a long time.
  if (sleeps_.size() < 100000) sleeps_.push_back(ms);
  slept_ms_ += ms;
}

void MemorySystem::exit_now(int code) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(code);
}

}  // namespace platform::memory
