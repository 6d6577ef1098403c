// The colours of the screens and the positioning helpers they all use: cursor to a row and
// column (counted from 1), optionally with a new foreground colour, and the write-then-end-line
// pattern.
#pragma once

#include <cstdint>
#include <string>

#include "console/screen.h"

namespace app {

// The console colours the screens use, as foreground or background (0 to 15).
inline constexpr int32_t kBlack = 0;
inline constexpr int32_t kGrey = 7;    // light grey, the console's usual foreground
inline constexpr int32_t kGreen = 10;  // light green
inline constexpr int32_t kCyan = 11;   // light cyan
inline constexpr int32_t kYellow = 14;
inline constexpr int32_t kWhite = 15;
// As a colour argument: keep the current colour (any value outside 0 to 15 does).
inline constexpr int32_t kKeepColor = console::kKeepColor;

// Moves the cursor; a coordinate out of range keeps the current one. Colours stay.
void PlaceCursor(int32_t row, int32_t column);
// Moves the cursor as PlaceCursor, then sets the foreground and keeps the background.
void PlaceColored(int32_t row, int32_t column, int32_t color);

// Writes `text` at the cursor and ends the line.
void PrintLine(const std::string& text);

}  // namespace app
