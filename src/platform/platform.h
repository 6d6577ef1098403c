// The set of services the run-time reaches the operating system through. One bundle is
// installed at start-up (runtime::install_platform); tests install the memory backends.
#pragma once

namespace platform {

// The program's name: in its messages, its title when it has none of its own, and the name
// of its folders.
inline constexpr const char kProgramName[] = "orvane-table";

class System;
class Console;
class FileSystem;
class Printing;

struct Platform {
  System* system = nullptr;
  Console* console = nullptr;
  FileSystem* files = nullptr;
  Printing* printing = nullptr;
};

}  // namespace platform
