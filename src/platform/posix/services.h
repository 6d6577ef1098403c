// The POSIX backend's services, one instance each for the process. Each is defined in the
// folder of its service; native.cpp puts them together for the program.
#pragma once

#include <string>

#include "platform/platform.h"

namespace platform::posix {

class PosixConsole;

System* system();             // system.cpp: the process, its command line, its exit
PosixConsole& console();      // terminal/: the terminal console
FileSystem* file_system();    // files/: POSIX files, drive letters mapped to folders
Printing* printing();         // printing/: CUPS and cairo, linked into the printing module only
Printing* printing_module();  // print_module_loader.cpp: loads that module on first use
// system.cpp: the running program's file (from /proc/self/exe); empty when it cannot be read.
std::string program_file();

}  // namespace platform::posix
