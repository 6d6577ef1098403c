// Windows file names, taken apart the way the Win32 file calls do before anything on disk is
// looked at. Both file systems that stand in for a Windows volume (the POSIX drive and the
// in-memory one) read names through this one parser, so that a name means the same and is
// refused with the same Windows error on each. The run-time turns those errors into the codes
// the user sees: ERROR_PATH_NOT_FOUND 76, ERROR_BAD_UNIT 68, and ERROR_BAD_NETPATH,
// ERROR_BAD_PATHNAME, ERROR_INVALID_NAME and ERROR_FILENAME_EXCED_RANGE the general 75.
//
// The rules:
//   - Backslash and slash both separate; repeated separators count as one.
//   - "X:" at the start names drive X; without it the name is on the current drive. Its
//     current folder is always the root, so "\A", "A" and "X:A" all name a file in the root.
//   - "\\server\share\..." is a network name (ERROR_BAD_NETPATH: there is no network here);
//     "\\server" without a share is no complete name (ERROR_BAD_PATHNAME). The device and
//     literal namespaces "\\.\" and "\\?\" are not offered (ERROR_PATH_NOT_FOUND).
//   - "." is dropped and ".." takes the component before it away; neither climbs above the
//     root.
//   - The last component loses its trailing dots and spaces ("NAME.TXT. ." is NAME.TXT; a
//     last component of dots alone names its folder). A component before it loses one
//     trailing dot ("TEMP.\X" is TEMP\X) and keeps its spaces.
//   - Control characters and < > : " | ? * are not allowed in a component
//     (ERROR_INVALID_NAME); a component longer than 255 bytes, or a name longer than 259, is
//     too long (ERROR_FILENAME_EXCED_RANGE). An empty name is ERROR_PATH_NOT_FOUND.
//   - CON, PRN, AUX, NUL, COM1-COM9 and LPT1-LPT9, in any case and with any extension or
//     trailing spaces before it ("nul .txt"), name devices when they are the last component;
//     a device before the last component is no folder (ERROR_PATH_NOT_FOUND).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

enum class NameDevice {
  kNone,   // an ordinary file or folder name
  kNul,    // the null device: takes every write, reads as empty
  kOther,  // a console, printer or serial device
};

struct WindowsName {
  uint32_t error = 0;              // the Windows error when the name is refused, else 0
  char drive = 0;                  // 'A'-'Z' when the name gives a letter, else 0
  std::vector<std::string> parts;  // the components beneath the root, folded and trimmed
  NameDevice device = NameDevice::kNone;
};

WindowsName parse_windows_name(const char* name);

// The device a single component names, as in the rules above.
NameDevice device_of(const std::string& component);

}  // namespace platform
