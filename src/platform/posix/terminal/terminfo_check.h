// The compiled terminfo entry of a terminal type, found and checked before the terminfo
// library reads it: the library trusts the sizes and offsets in the file, and a damaged entry
// (a few bytes changed on disk) can make it read or write outside what it allocated.
//
// The check covers both compiled formats (16-bit numbers, magic 0432, and 32-bit numbers,
// magic 01036) and the extended section of user-defined capabilities: every size and count
// in range, every section inside the file, every string offset absent, cancelled or inside
// its table with the string's NUL inside it too; the extended table's item count equal to
// the strings it holds, its values one after another (the library finds the names after them
// by adding up their sizes) and nothing else in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::posix {

// The largest compiled entry read; larger files are not entries.
constexpr size_t kTerminfoMaxEntry = 32768;

// Null when `data` is a sound compiled entry, else what is wrong with it (a few words).
const char* terminfo_entry_fault(const uint8_t* data, size_t size);

// The file the terminfo library reads for the terminal type `name`, searched in its order:
// $TERMINFO, ~/.terminfo, each folder of $TERMINFO_DIRS (an empty one standing for the system
// folders), then the system folders; in each, the entry's first letter as a folder, or its
// code in two hexadecimal digits. Empty when no folder holds one (or the name could not be a
// file's: empty, with a '/', "." or "..").
std::string terminfo_entry_path(std::string_view name);

// Null when no entry for `name` is found (the library then gives its own answer) or the one
// found is sound; else what is wrong with it (unreadable, too large, damaged).
const char* terminfo_entry_check(std::string_view name);

}  // namespace platform::posix
