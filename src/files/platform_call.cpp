#include "files/platform_call.h"

#include <array>

#include "runtime/error.h"
#include "runtime/platform_access.h"
#include "text/strings.h"

namespace files::detail {

namespace {

// Windows errors 0 to 39 index this table; 87 and 112 are looked at separately and every other
// code gives kErrPathAccess.
constexpr std::array<uint8_t, 40> kErrorTable = {
    runtime::kErrNone,                // 0 success
    runtime::kErrPathAccess,          // 1 invalid function
    runtime::kErrFileNotFound,        // 2 file not found
    runtime::kErrPathNotFound,        // 3 path not found
    runtime::kErrTooManyFiles,        // 4 too many open files
    runtime::kErrPermissionDenied,    // 5 access denied
    runtime::kErrInternal,            // 6 invalid handle
    runtime::kErrFatalMemoryRelease,  // 7 memory control blocks destroyed
    runtime::kErrNoMemory,            // 8 not enough memory
    runtime::kErrFatalMemoryRelease,  // 9 invalid memory block
    runtime::kErrFatalMemoryRelease,  // 10 bad environment
    runtime::kErrInternal,            // 11 bad format
    runtime::kErrInternal,            // 12 invalid access code
    runtime::kErrInternal,            // 13 invalid data
    runtime::kErrNoMemory,            // 14 out of memory
    runtime::kErrDeviceUnavailable,   // 15 invalid drive
    runtime::kErrPathAccess,          // 16 cannot remove the current directory
    runtime::kErrRenameAcrossDisks,   // 17 not the same device
    runtime::kErrFileNotFound,        // 18 no more files
    runtime::kErrPermissionDenied,    // 19 write protected
    runtime::kErrDeviceUnavailable,   // 20 unknown unit
    runtime::kErrDiskNotReady,        // 21 not ready
    runtime::kErrInternal,            // 22 unknown command
    runtime::kErrDiskMedia,           // 23 data error (CRC)
    runtime::kErrInternal,            // 24 bad length
    runtime::kErrDiskMedia,           // 25 seek error
    runtime::kErrDiskMedia,           // 26 not a DOS disk
    runtime::kErrDiskMedia,           // 27 sector not found
    runtime::kErrDiskMedia,           // 28 out of paper
    runtime::kErrDiskMedia,           // 29 write fault
    runtime::kErrDiskMedia,           // 30 read fault
    runtime::kErrDiskMedia,           // 31 general failure
    runtime::kErrPermissionDenied,    // 32 sharing violation
    runtime::kErrPermissionDenied,    // 33 lock violation
    runtime::kErrDiskMedia,           // 34 wrong disk
    runtime::kErrDiskMedia,           // 35
    runtime::kErrPermissionDenied,    // 36 sharing buffer exceeded
    runtime::kErrPathAccess,          // 37
    runtime::kErrPastEnd,             // 38 end of file
    runtime::kErrDiskFull,            // 39 disk full
};

SpinLock g_call_lock;

}  // namespace

uint8_t map_platform_error(uint32_t windows_error) noexcept {
  if (windows_error < kErrorTable.size()) return kErrorTable[windows_error];
  if (windows_error == platform::win_error::kInvalidParameter) return runtime::kErrBadCall;
  if (windows_error == platform::win_error::kDiskFull) return runtime::kErrDiskFull;
  return runtime::kErrPathAccess;
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
