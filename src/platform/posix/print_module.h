// The contract between the program and its printing module. The printing backend (CUPS
// destinations, cairo pages, fontconfig fonts, the print dialog) is a shared object loaded
// with dlopen the first time the program prints, so that a start-up never maps CUPS, cairo,
// fontconfig and the libraries they pull in. The program hands the module what it needs
// from the rest of the platform (the file system for "Save as PDF", the terminal for the
// dialog) through PrintingHost; the module hands back its Printing.
//
// The module is installed as <prefix>/lib/orvane-table/orvane-table-printing.so beside
// <prefix>/bin/orvane-table; the build tree has the same layout, so one path relative to the
// program's own file serves the build tree, an install prefix and the package alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/files.h"
#include "platform/printing.h"

namespace platform::posix {

// The terminal a modal box draws on and reads keys from.
struct DialogTerminal {
  std::function<bool(const std::string&)> write;
  std::function<long(uint8_t*, size_t)> read;  // bytes waiting; 0 none; -1 hung up
  std::function<void(int)> wait;               // up to this many ms for input
  std::function<void(int&, int&)> size;        // columns, rows
  std::function<void()> redraw;                // repaints the screen beneath afterwards
  bool utf8 = true;
};

// The file system "Save as PDF" writes through: the program's. Defined by the program as its
// own, and by the module as the one the program handed it.
FileSystem* host_file_system();

// The terminal console as a DialogTerminal, its screen brought up to date first; false when
// there is no terminal to ask on. Defined by the program over its terminal console, and by
// the module over what the program handed it.
bool open_dialog_terminal(DialogTerminal& out);

// Bumped whenever PrintingHost, DialogTerminal, the FileSystem or the Printing interface
// changes, so that a module from another build is refused rather than called through a
// different layout.
inline constexpr uint32_t kPrintingModuleAbi = 2;

struct PrintingHost {
  uint32_t abi = kPrintingModuleAbi;
  FileSystem* files = nullptr;
  bool (*dialog_terminal)(DialogTerminal& out) = nullptr;
};

// The module's one exported function: its Printing for `host`, or nullptr when the host is
// from another build.
using PrintingModuleEntry = Printing* (*)(const PrintingHost* host);
inline constexpr const char* kPrintingModuleEntry = "orvane_table_printing_module";

// The module's path relative to the prefix: the parent of the folder that holds the program.
inline constexpr const char* kPrintingModuleRelativePath =
    "lib/orvane-table/orvane-table-printing.so";

}  // namespace platform::posix
