#include "files/platform_call.h"

#include <array>

#include "runtime/platform_access.h"
#include "text/strings.h"

namespace files::detail {

namespace {

// Windows errors 0 to 39 index this table; 87 and 112 are looked at separately and every
// other code gives 75.
constexpr std::array<uint8_t, 40> kErrorTable = {
    0,   75, 53, 76, 67, 70, 51, 241, 7,  241,  // 0-9
    241, 51, 51, 51, 7,  68, 75, 74,  53, 70,   // 10-19
    68,  71, 51, 72, 51, 72, 72, 72,  72, 72,   // 20-29
    72,  72, 70, 70, 72, 72, 70, 75,  62, 61,   // 30-39
};

SpinLock g_call_lock;

}  // namespace

uint8_t map_platform_error(uint32_t windows_error) noexcept {
  if (windows_error < kErrorTable.size()) return kErrorTable[windows_error];
  if (windows_error == platform::win_error::kInvalidParameter) return 5;
  if (windows_error == platform::win_error::kDiskFull) return 61;
  return 75;
}

platform::FileSystem* file_system() noexcept {
  return runtime::installed_platform().files;
}

SpinLock& call_lock() noexcept {
  return g_call_lock;
}

PathBuffer to_path(const std::string& text) {
  PathBuffer out;
  const text::CBufInfo info = text::text_to_cbuf(text, out.text);
  out.length = info.length;
  out.wildcard = info.wildcard;
  return out;
}

}  // namespace files::detail
