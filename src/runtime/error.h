// Run-time error words. Every procedure activation that can receive run-time errors declares
// an ErrorScope; run-time operations raise into the innermost one. Codes 241 to 255 are
// fatal and end the process at once with exit code 255.
#pragma once

#include <cstdint>

namespace runtime {

// The run-time error codes, each with what raises it. "Map" marks a code that the platform
// error map (files/platform_call.cpp) also gives for a failed platform call. The values are
// the codes that the application and stored results see and must not change.
enum ErrorCode : uint8_t {
  kErrNone = 0,
  // An operation refuses its arguments or cannot do what is asked: console screen or
  // buffer size, file record length, printer font and orientation, a join too long; map.
  kErrBadCall = 5,
  // Memory cannot be obtained for a string or an open-file record; map.
  kErrNoMemory = 7,
  // An array dimensioned with an upper bound below the lower bound, or too large.
  kErrBadBounds = 9,
  // A raise without a code; map.
  kErrInternal = 51,
  // A file number that is negative or not open.
  kErrBadFileNumber = 52,
  // Map only: the file is not there.
  kErrFileNotFound = 53,
  // Writing to a file not open for output or append, opening a device for append, or
  // closing with a mismatching mode.
  kErrBadFileMode = 54,
  // Opening a file number that is already open.
  kErrFileAlreadyOpen = 55,
  // A short write to a device; the printer refuses an operation or is not attached.
  kErrDeviceIo = 57,
  // A short write to a disk file; map.
  kErrDiskFull = 61,
  // Map only: reading past the end of a file.
  kErrPastEnd = 62,
  // An empty file name to open, or "*" or "?" in a file name to open or in a path whose
  // attributes are asked.
  kErrBadFileName = 64,
  // Map only: too many open files.
  kErrTooManyFiles = 67,
  // The printer cannot be attached; map (an invalid drive or unit).
  kErrDeviceUnavailable = 68,
  // A device-only open mode used on a disk file.
  kErrDeviceOnlyMode = 69,
  // Map only: access refused, a write-protected disk, a sharing or lock violation.
  kErrPermissionDenied = 70,
  // Map only: the drive is not ready.
  kErrDiskNotReady = 71,
  // Map only: a seek, read, write or media fault on the disk.
  kErrDiskMedia = 72,
  // Map only: a rename to another device.
  kErrRenameAcrossDisks = 74,
  // Map, for every platform error the map does not list.
  kErrPathAccess = 75,
  // "*" or "?" in a folder name to create; map (the path is not there).
  kErrPathNotFound = 76,
  // Fatal: releasing a block of memory fails when an array is erased; map.
  kErrFatalMemoryRelease = 241,
  // Fatal: an entry to be removed from the open-file list is not in it.
  kErrFatalFileList = 242,
};

// Codes from this one on end the process at once with kFatalExitCode.
inline constexpr int kFirstFatalCode = 241;
inline constexpr int kFatalExitCode = 255;

class ErrorScope {
 public:
  ErrorScope() noexcept;
  ~ErrorScope();
  ErrorScope(const ErrorScope&) = delete;
  ErrorScope& operator=(const ErrorScope&) = delete;

  uint8_t code() const noexcept { return code_; }

 private:
  friend void error_raise(int n) noexcept;
  friend int32_t error_number() noexcept;
  friend int32_t error_take() noexcept;
  friend void error_clear() noexcept;
  uint8_t code_ = 0;
  ErrorScope* outer_;
};

// Records n (0 records kErrInternal) in the innermost scope; a fatal code ends the process
// with kFatalExitCode.
void error_raise(int n) noexcept;
// The code of the innermost scope, unchanged.
int32_t error_number() noexcept;
// The code of the innermost scope; the scope's word is cleared.
int32_t error_take() noexcept;
void error_clear() noexcept;

// Ends the process at once with `exit_code` through the system service (a terminal backend
// puts the terminal back first): no variable is released and no handle is closed.
[[noreturn]] void fatal_exit(int exit_code = kFatalExitCode) noexcept;

}  // namespace runtime
