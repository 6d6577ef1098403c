// Screen output: text at the console cursor in the current colours, wrapping at the right edge
// of the screen buffer, deferred scrolling of the whole buffer, line ends, cursor position,
// colours, clearing and the cursor's shape. Positions are rows and columns counted from 1.
#pragma once

#include <cstdint>
#include <string>

namespace console {

void console_print(const std::string& text);
void console_newline();
void console_write(const char* bytes, int32_t count);
void console_locate(int32_t row, int32_t column);
// As a colour: keep the current one (so does any number outside 0 to 15).
inline constexpr int32_t kKeepColor = -1;
// Colours of 16 or more (also kKeepColor) keep the current one. n cells from the cursor are
// recoloured when 1 <= n <= window width * height.
void console_color(int32_t foreground, int32_t background = kKeepColor, int32_t cells = 0);
void console_clear();

// console_cursor's values besides a size.
inline constexpr int32_t kCursorHide = 0;   // hide the cursor, keeping its size
inline constexpr int32_t kCursorShow = -1;  // show it again at its size (any negative does)
// kCursorHide hides; negative shows; positive sets the size (clamped to 10..99) and shows.
void console_cursor(int32_t value);
void console_blanks(int32_t count);
void console_tab(int32_t column);
void console_zone();
int32_t console_row();
int32_t console_column();
void console_home();

// Cursor forced visible or hidden for the duration of an operation (clear, line input).
void cursor_hide_for_duration();
void cursor_show_for_duration();
void cursor_restore();

// Screen state of the run-time (colours, pending scroll, remembered cursor shape, pages).
struct ScreenState {
  int32_t foreground = 7;
  int32_t background = 0;
  bool pending_scroll = false;
  uint32_t cursor_size = 25;
  bool cursor_visible = true;
  bool cursor_forced = false;
  uint8_t active_page = 1;
  uint8_t visible_page = 1;
};
ScreenState& screen_state();
// Program init: colours 7 on 0, no pending scroll, pages 1 and 1; the cursor shape is read
// from the console (size 10 and visible when it reports none).
void screen_init();

}  // namespace console
