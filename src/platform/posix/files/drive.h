// Drive paths on POSIX. Drive C is the folder $ORVANE_DRIVE_C when set, else
// ${XDG_DATA_HOME:-$HOME/.local/share}/orvane-table/drive_c (created on first use); a
// relative XDG_DATA_HOME or HOME is ignored, as if unset, since it would depend on the folder
// the program happens to start in. Another letter X exists only while $ORVANE_DRIVE_X names
// an existing folder; it is never created.
//
// Names are taken apart by the one Windows-name parser (platform/windows_names.h). Each
// component is matched without regard to case against what exists; a component that does
// not exist is kept as written.
//
// Every name is resolved beneath its drive's folder without ever leaving it: openat2 with
// RESOLVE_BENEATH where the kernel has it, else a walk of one openat per component that
// reads symbolic links itself. A link that stays inside the drive is followed; one that
// leads out (an absolute target, or ".." above the drive's folder) fails with EXDEV.
#pragma once

#include <fcntl.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/windows_names.h"

namespace platform::posix {

#ifdef O_PATH
inline constexpr int kPathOnly = O_PATH;
#else
inline constexpr int kPathOnly = O_RDONLY;
#endif

using Device = NameDevice;

// What a Windows name stands for, before anything on disk is looked at.
struct DriveName {
  uint32_t error = 0;              // a Windows error code when the name cannot be mapped
  std::string folder;              // the host folder of the drive
  std::vector<std::string> parts;  // the components beneath it, trimmed and folded
  Device device = Device::kNone;   // the last component names a device
};

// The host folder of drive `letter` (A-Z, either case). Drive C's folder is created when
// missing. Sets *error (ERROR_PATH_NOT_FOUND) and returns "" when the drive does not exist.
std::string drive_folder(char letter, uint32_t* error);

DriveName parse_name(const char* name);

// A name located on its drive: the drive folder open, and the entry's path relative to it
// with every existing component spelled as it is on disk.
class Located {
 public:
  Located() = default;
  Located(const Located&) = delete;
  Located& operator=(const Located&) = delete;
  ~Located();

  int root = -1;                   // the drive folder (a path-only descriptor)
  std::vector<std::string> parts;  // as spelled on disk where they exist
  // The path of the first `count` parts ("." for none).
  std::string rel(size_t count) const;
  std::string rel() const { return rel(parts.size()); }
};

// Opens the drive folder and matches the parts against what exists. Returns 0 or a Windows
// error code.
uint32_t locate(const DriveName& name, Located* out);

// openat(root, rel, flags, mode) confined beneath `root`. -1 with errno on failure; EXDEV
// when the name would lead out of `root`. O_NOFOLLOW in `flags` keeps a final link unfollowed.
int open_beneath(int root, const std::string& rel, int flags, mode_t mode = 0);

// Whether open_beneath uses openat2.
bool uses_openat2();

// The Windows error for a failed resolution of `at` parts of a located name: a way out of
// the drive is access denied; a missing entry is "file not found" when its folder exists,
// else "path not found".
uint32_t name_error(int posix_errno, const Located& at, size_t count);

// --- Test seam ---
// Makes open_beneath use the portable walk even where openat2 exists, so that the tests
// exercise both ways on a kernel that has openat2.
void force_portable_walk(bool on);

}  // namespace platform::posix
