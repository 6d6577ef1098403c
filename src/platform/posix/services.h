// The posix backend's services, one instance each for the process. Each is defined in the file
// that implements it; native.cpp puts them together.
#pragma once

#include "platform/platform.h"

namespace platform::posix {

System* system();  // defined with the console backend
Console* console();
FileSystem* file_system();    // nullptr until the file backend exists
Printing* printing();         // the CUPS and cairo backend, in the printing module
Printing* printing_module();  // the program's: loads the printing module on first use

}  // namespace platform::posix
