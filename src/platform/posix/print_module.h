// The contract between the program and its printing module. The printing backend (CUPS
// destinations, cairo pages, fontconfig fonts, the print dialog) is a shared object loaded
// with dlopen the first time the program prints, so that a start-up never maps CUPS, cairo,
// fontconfig and the libraries they pull in. The program hands the module what it needs
// from the rest of the platform (the file system for "Save as PDF", the terminal console for
// the dialog) through PrintingHost; the module hands back its Printing.
//
// The module is installed as <prefix>/lib/orvane-table/orvane-table-printing.so beside
// <prefix>/bin/orvane-table; the build tree has the same layout, so one path relative to the
// program's own file serves the build tree, an install prefix and the package alike.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/console.h"
#include "platform/files.h"
#include "platform/posix/dialog/overlay.h"
#include "platform/printing.h"

namespace platform::posix {

// The terminal console as a modal box sees it: the box is a picture of cells the console draws
// above its screen (no bytes for the terminal are made on this side), and keys are read
// through it.
class DialogScreen {
 public:
  virtual ~DialogScreen() = default;
  // Whether the box's characters are Unicode (a UTF-8 terminal) or bytes of the terminal's
  // charset; box lines and ellipses are drawn accordingly.
  virtual bool utf8() const = 0;
  // The terminal's size in cells.
  virtual void size(int& columns, int& rows) = 0;
  // Shows `box` above the screen, in place of the box shown before.
  virtual void show(const Overlay& box) = 0;
  // The next key typed, one at a time and in order with every key typed before the box came
  // up (keys are never skipped or taken ahead: those after the key that closes the box are
  // left for whatever reads next). When none is waiting, waits up to `idle_ms` for one and
  // leaves `ev` empty if none came. False when the terminal hung up.
  virtual bool key(std::optional<InputEvent>& ev, int idle_ms) = 0;
  // Takes the box away: the screen beneath is shown again.
  virtual void close() = 0;
};

// The file system "Save as PDF" writes through: the program's. Defined by the program as its
// own, and by the module as the one the program handed it.
FileSystem* host_file_system();

// The terminal console for a modal box; nullptr when there is no terminal to ask on. Defined
// by the program over its terminal console, and by the module over what the program handed
// it.
DialogScreen* open_dialog_screen();

// Bumped whenever PrintingHost, DialogScreen, Overlay, the FileSystem or the Printing
// interface changes, so that a module from another build is refused rather than called
// through a different layout.
inline constexpr uint32_t kPrintingModuleAbi = 4;

struct PrintingHost {
  uint32_t abi = kPrintingModuleAbi;
  FileSystem* files = nullptr;
  DialogScreen* (*dialog_screen)() = nullptr;
};

// The module's one exported function: its Printing for `host`, or nullptr when the host is
// from another build.
using PrintingModuleEntry = Printing* (*)(const PrintingHost* host);
inline constexpr const char* kPrintingModuleEntry = "orvane_table_printing_module";

// The module's path relative to the prefix: the parent of the folder that holds the program.
inline constexpr const char* kPrintingModuleRelativePath =
    "lib/orvane-table/orvane-table-printing.so";

}  // namespace platform::posix
