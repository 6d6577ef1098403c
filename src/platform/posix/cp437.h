// Code page 437, the character set of the console's cells and key characters, and its
// Unicode glyphs for terminals that speak UTF-8.
#pragma once

#include <cstdint>

namespace platform::posix {

// The Unicode code point of the glyph that code page 437 shows for `byte` (control codes
// included: 13 is the eighth note, 1 the smiling face). Byte 0 shows as a blank.
uint32_t cp437_to_unicode(uint8_t byte);

// Writes the UTF-8 form of `byte`'s glyph into `out` (at least 4 bytes); returns its length.
int cp437_to_utf8(uint8_t byte, char* out);

// The code page 437 byte for a typed code point, or -1 when the code page has none. Code
// points below 128 map to themselves; the glyphs of the control codes are not typed keys and
// have no mapping back.
int cp437_from_unicode(uint32_t code_point);

}  // namespace platform::posix
