// The win32 backend's services, one instance each for the process. Each is defined in the file
// that implements it; native.cpp puts them together.
#pragma once

#include "platform/platform.h"

namespace platform::win32 {

System* system();  // defined with the console backend
Console* console();
FileSystem* file_system();  // nullptr until the file backend exists
Printing* printing();       // nullptr until the printing backend exists

}  // namespace platform::win32
