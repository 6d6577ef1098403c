// Drive paths on POSIX. "X:\a\b" names a path below the folder of drive X: drive C is the
// folder $ORVANE_DRIVE_C when set, else ${XDG_DATA_HOME:-$HOME/.local/share}/orvane-table/
// drive_c (created on first use); other letters likewise. Backslash and slash both
// separate; each component is matched without regard to case against what exists, and a
// component that does not exist is kept as written; ".." never climbs above the drive's
// folder. A name without a drive letter is an ordinary POSIX path.
#pragma once

#include <cstdint>
#include <string>

namespace platform::posix {

struct HostPath {
  uint32_t error = 0;  // a Windows error code when the name cannot be mapped
  std::string path;    // the host path
  bool on_drive = false;
};

// The host folder of drive `letter` (A-Z, either case), created when missing. Sets
// *error (ERROR_PATH_NOT_FOUND) and returns "" when it cannot be found or made.
std::string drive_folder(char letter, uint32_t* error);

// The host path a Windows-style or POSIX name stands for.
HostPath map_path(const char* name);

// The Windows error for a failed POSIX call on `host_path` (ENOENT gives
// ERROR_FILE_NOT_FOUND when the parent folder exists, else ERROR_PATH_NOT_FOUND).
uint32_t windows_error(int posix_errno, const std::string& host_path);

}  // namespace platform::posix
