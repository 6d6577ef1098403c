// Code page 437, the character set of the console's cells and key characters, and its
// Unicode glyphs: one table for every backend that shows cells in Unicode (a terminal that
// speaks UTF-8, the Windows console's wide-character calls), so that a cell looks the same
// whatever the terminal's charset or the console's code page.
#pragma once

#include <cstdint>

namespace platform {

// The Unicode code point of the glyph that code page 437 shows for `byte` (control codes
// included: 13 is the eighth note, 1 the smiling face). Byte 0 shows as a blank.
uint32_t cp437_to_unicode(uint8_t byte);

// Writes the UTF-8 form of `code_point` into `out` (at least 4 bytes); returns its length, or
// 0 for what is no character (a surrogate, or beyond U+10FFFF).
int utf8_encode(uint32_t code_point, char* out);

// Writes the UTF-8 form of `byte`'s glyph into `out` (at least 4 bytes); returns its length.
int cp437_to_utf8(uint8_t byte, char* out);

// The code page 437 byte for a typed code point, or -1 when the code page has none. Code
// points below 128 map to themselves; the glyphs of the control codes are not typed keys and
// have no mapping back.
int cp437_from_unicode(uint32_t code_point);

}  // namespace platform
