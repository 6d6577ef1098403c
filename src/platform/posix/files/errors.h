// The Windows error code a POSIX error number stands for, as the Win32 call in the same
// situation would leave it: the file-system service reports every failure through it.
#pragma once

#include <cstdint>

namespace platform::posix {

uint32_t windows_error(int posix_errno);

}  // namespace platform::posix
