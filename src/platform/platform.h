// The set of services the run-time reaches the operating system through. One bundle is
// installed at start-up (runtime::install_platform); tests install the memory backends.
#pragma once

namespace platform {

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
