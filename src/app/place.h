// Positioning helpers used by every screen: cursor to a row and column (counted from 1),
// optionally with a new foreground colour, and the write-then-end-line pattern.
#pragma once

#include <cstdint>
#include <string>

namespace app {

// Moves the cursor; a coordinate out of range keeps the current one. Colours stay.
void PlaceCursor(int32_t row, int32_t column);
// Moves the cursor as PlaceCursor, then sets the foreground and keeps the background.
void PlaceColored(int32_t row, int32_t column, int32_t color);

// Writes `text` at the cursor and ends the line.
void PrintLine(const std::string& text);

}  // namespace app
