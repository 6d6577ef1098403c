// The console window, screen buffer, view and title. Sizes are in cells, desktop positions in
// pixels; rows and columns given by callers count from 1.
#pragma once

#include <cstdint>
#include <string>

namespace console {

struct Size {
  int32_t columns = 0;
  int32_t rows = 0;
};
struct Point {
  int32_t x = 0;
  int32_t y = 0;
};

void screen_set(int32_t columns, int32_t rows);  // kErrBadCall on failure
void view_set(int32_t column, int32_t row);
void window_move(int32_t x, int32_t y);
void buffer_set(int32_t columns, int32_t rows);  // kErrBadCall when smaller than the window
Size buffer_size();
Size window_size();
Point view_origin();
Point window_position();
Size window_pixels();
void window_front();
void title_set(const std::string& title);
std::string title_get();

// Forgets the console window found earlier (program init and tests).
void window_reset();

}  // namespace console
