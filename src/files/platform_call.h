// The wrapper through which the file and folder operations reach the file-system service,
// the map from Windows error codes to error codes, and the busy-wait locks that guard the
// shared file state. Internal to src/files.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/files.h"
#include "runtime/error.h"
#include "runtime/fpu.h"

namespace files::detail {

// A busy-wait lock on an exchanged 32-bit word.
class SpinLock {
 public:
  void lock() noexcept {
    while (word_.exchange(1, std::memory_order_acquire) != 0) {
    }
  }
  void unlock() noexcept { word_.store(0, std::memory_order_release); }

 private:
  std::atomic<uint32_t> word_{0};
};

class SpinGuard {
 public:
  explicit SpinGuard(SpinLock& lock) noexcept : lock_(lock) { lock_.lock(); }
  ~SpinGuard() { lock_.unlock(); }
  SpinGuard(const SpinGuard&) = delete;
  SpinGuard& operator=(const SpinGuard&) = delete;

 private:
  SpinLock& lock_;
};

// The error code for a Windows error code (0 for 0).
uint8_t map_platform_error(uint32_t windows_error) noexcept;

// What a wrapped call left behind: the Windows last error and its mapped error code.
struct CallStatus {
  uint32_t last_error = 0;
  uint8_t code = 0;
  bool ok() const noexcept { return last_error == 0; }
  // The packed form: error code in the low 16 bits, Windows error in the high 16 bits.
  uint32_t packed() const noexcept { return code | (last_error << 16); }
};

// The installed file-system service, or null when the platform has none.
platform::FileSystem* file_system() noexcept;

// Saves and restores the floating-point state around a platform call.
class FloatStateGuard {
 public:
  FloatStateGuard() noexcept : saved_(runtime::fp_save()) {}
  ~FloatStateGuard() { runtime::fp_restore(saved_); }
  FloatStateGuard(const FloatStateGuard&) = delete;
  FloatStateGuard& operator=(const FloatStateGuard&) = delete;

 private:
  runtime::FpState saved_;
};

SpinLock& call_lock() noexcept;

// Runs fn(fs) with the floating-point state kept, critical-error boxes off and the last
// error cleared first; judges the outcome by the last error alone. Without a file-system
// service nothing is called and the outcome is ERROR_INVALID_FUNCTION.
template <class Fn>
CallStatus platform_call(Fn&& fn) {
  platform::FileSystem* fs = file_system();
  if (fs == nullptr) return {platform::win_error::kInvalidFunction, runtime::kErrPathAccess};
  SpinGuard guard(call_lock());
  uint32_t last_error = 0;
  uint32_t previous_mode = 0;
  {
    FloatStateGuard keep_float;
    previous_mode =
        fs->set_error_mode(platform::kSemFailCriticalErrors | platform::kSemNoOpenFileErrorBox);
    fs->set_last_error(0);
    fn(*fs);
  }
  last_error = fs->get_last_error();
  fs->set_error_mode(previous_mode);
  return {last_error, map_platform_error(last_error)};
}

// A text as a platform path: at most 255 bytes, zero-terminated; reports "*" or "?".
struct PathBuffer {
  char text[256] = {};
  uint32_t length = 0;
  bool wildcard = false;
};
PathBuffer to_path(const std::string& text);

}  // namespace files::detail
