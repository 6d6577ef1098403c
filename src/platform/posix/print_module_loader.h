// The program's side of the printing module: a Printing that loads the module the first time
// it is used and passes every call on to it. When the module is missing or cannot be loaded
// (a minimal install without CUPS, a broken library, a module from another build), printing
// behaves as if there were no printer: the print dialog offers nothing to print to and says
// in one line why, and every other call fails as it does for a printer that does not exist.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/posix/print_module.h"

namespace platform::posix {

// The module's file for the program whose own file is `program`.
std::string printing_module_path(const std::string& program);

// A Printing over the module at the path `locate` gives, which is asked for and loaded on the
// first call. The module gets `files` and `open_screen` as its host.
std::unique_ptr<Printing> make_module_printing(std::function<std::string()> locate,
                                               FileSystem* files, DialogScreen* (*open_screen)());

}  // namespace platform::posix
