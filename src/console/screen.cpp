#include "console/screen.h"

#include <algorithm>

#include "console/console_access.h"
#include "console/window.h"
#include "platform/console.h"

namespace console {
namespace {

ScreenState g_screen;

uint16_t current_attr() {
  return static_cast<uint16_t>((g_screen.background & 0x0F) * 16 + (g_screen.foreground & 0x0F));
}

// Scrolls the whole screen buffer (not only the window) up one row; the bottom row becomes
// blank in the current colours.
void scroll_up(platform::Console& con, int16_t width, int16_t height) {
  platform::Rect source{0, 1, static_cast<int16_t>(width - 1), static_cast<int16_t>(height - 1)};
  con.scroll(source, nullptr, platform::Coord{0, 0}, platform::Cell{' ', current_attr()});
}

void apply_cursor(const platform::CursorInfo& shape) {
  platform::Console* con = output_console();
  if (con && g_screen.active_page == g_screen.visible_page) con->set_cursor_info(shape);
}

platform::CursorInfo remembered_shape() {
  return platform::CursorInfo{g_screen.cursor_size, g_screen.cursor_visible};
}

}  // namespace

ScreenState& screen_state() {
  return g_screen;
}

void screen_init() {
  g_screen = ScreenState{};
  platform::Console* con = output_console();
  platform::CursorInfo shape;
  if (con && con->get_cursor_info(shape) && shape.size != 0) {
    g_screen.cursor_size = shape.size;
    g_screen.cursor_visible = shape.visible;
  } else {
    g_screen.cursor_size = 10;
    g_screen.cursor_visible = true;
    if (con) con->set_cursor_info(remembered_shape());
  }
  window_reset();
}

void console_write(const char* bytes, int32_t count) {
  platform::Console* con = output_console();
  platform::BufferInfo info;
  if (!con || !bytes || count <= 0 || !con->get_buffer_info(info)) return;
  const uint16_t attr = current_attr();
  const int width = info.size.x;
  const int height = info.size.y;
  int x = info.cursor.x;
  int y = info.cursor.y;
  if (width <= 0 || height <= 0 || x < 0 || x >= width) return;

  platform::Cell cells[256];
  int32_t n = count;
  while (n > 0) {
    if (g_screen.pending_scroll) {
      g_screen.pending_scroll = false;
      scroll_up(*con, info.size.x, info.size.y);
    }
    const int k = std::min({n, width - x, 255});
    for (int i = 0; i < k; ++i) cells[i] = platform::Cell{static_cast<uint8_t>(bytes[i]), attr};
    platform::Rect region{static_cast<int16_t>(x), static_cast<int16_t>(y),
                          static_cast<int16_t>(x + k - 1), static_cast<int16_t>(y)};
    con->write_output(cells, platform::Coord{static_cast<int16_t>(k), 1}, platform::Coord{0, 0},
                      region);
    bytes += k;
    n -= k;
    x += k;
    if (x == width) {
      x = 0;
      if (y + 1 == height) {
        g_screen.pending_scroll = true;
      } else {
        ++y;
      }
    }
  }
  // Moving the cursor would clear pending scroll; the write keeps what it left.
  con->set_cursor_position(platform::Coord{static_cast<int16_t>(x), static_cast<int16_t>(y)});
}

void console_print(const std::string& text) {
  if (text.empty()) return;
  // A write never takes more than a 32-bit signed count at once.
  size_t done = 0;
  while (done < text.size()) {
    size_t piece = std::min<size_t>(text.size() - done, 0x7FFFFFFF);
    console_write(text.data() + done, static_cast<int32_t>(piece));
    done += piece;
  }
}

void console_newline() {
  platform::Console* con = output_console();
  platform::BufferInfo info;
  if (!con || !con->get_buffer_info(info)) return;
  const int y = info.cursor.y;
  const int height = info.size.y;
  if (y + 1 < height) {
    g_screen.pending_scroll = false;
    con->set_cursor_position(platform::Coord{0, static_cast<int16_t>(y + 1)});
    return;
  }
  const bool was_pending = g_screen.pending_scroll;
  g_screen.pending_scroll = false;
  if (was_pending) scroll_up(*con, info.size.x, info.size.y);
  scroll_up(*con, info.size.x, info.size.y);
  con->set_cursor_position(platform::Coord{0, static_cast<int16_t>(height - 1)});
}

void console_locate(int32_t row, int32_t column) {
  platform::Console* con = output_console();
  platform::BufferInfo info;
  if (!con || !con->get_buffer_info(info)) return;
  int x = info.cursor.x;
  int y = info.cursor.y;
  if (column >= 1 && column <= info.size.x) x = column - 1;
  if (row >= 1 && row <= info.size.y) y = row - 1;
  con->set_cursor_position(platform::Coord{static_cast<int16_t>(x), static_cast<int16_t>(y)});
  g_screen.pending_scroll = false;
}

void console_color(int32_t foreground, int32_t background, int32_t cells) {
  if (static_cast<uint32_t>(foreground) < 16) g_screen.foreground = foreground;
  if (static_cast<uint32_t>(background) < 16) g_screen.background = background;
  platform::Console* con = output_console();
  if (!con) return;
  const uint16_t attr = current_attr();
  con->set_text_attribute(attr);
  if (cells < 1) return;
  platform::BufferInfo info;
  if (!con->get_buffer_info(info)) return;
  const int64_t window_cells = int64_t{info.window.right - info.window.left + 1} *
                               (info.window.bottom - info.window.top + 1);
  if (cells > window_cells) return;
  uint32_t written = 0;
  con->fill_attrs(attr, static_cast<uint32_t>(cells), info.cursor, written);
}

void console_clear() {
  cursor_hide_for_duration();
  platform::Console* con = output_console();
  platform::BufferInfo info;
  if (con && con->get_buffer_info(info)) {
    const uint32_t all = static_cast<uint32_t>(info.size.x) * static_cast<uint32_t>(info.size.y);
    uint32_t written = 0;
    con->fill_chars(' ', all, platform::Coord{0, 0}, written);
    con->fill_attrs(current_attr(), all, platform::Coord{0, 0}, written);
    con->set_cursor_position(platform::Coord{0, 0});
  }
  g_screen.pending_scroll = false;
  cursor_restore();
}

void console_cursor(int32_t value) {
  if (value == kCursorHide) {
    g_screen.cursor_visible = false;
  } else if (value < 0) {
    g_screen.cursor_visible = true;
  } else {
    g_screen.cursor_size = static_cast<uint32_t>(std::clamp(value, 10, 99));
    g_screen.cursor_visible = true;
  }
  apply_cursor(remembered_shape());
}

void cursor_hide_for_duration() {
  if (!g_screen.cursor_visible) return;
  apply_cursor(platform::CursorInfo{g_screen.cursor_size, false});
  g_screen.cursor_forced = true;
}

void cursor_show_for_duration() {
  if (g_screen.cursor_visible) return;
  apply_cursor(platform::CursorInfo{g_screen.cursor_size, true});
  g_screen.cursor_forced = true;
}

void cursor_restore() {
  if (!g_screen.cursor_forced) return;
  apply_cursor(remembered_shape());
  g_screen.cursor_forced = false;
}

void console_blanks(int32_t count) {
  static const char kBlanks[16] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                   ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  while (count > 0) {
    const int32_t piece = std::min(count, 16);
    console_write(kBlanks, piece);
    count -= piece;
  }
}

void console_tab(int32_t column) {
  const int32_t x = console_column() - 1;
  const int32_t target = column < 1 ? x : column - 1;
  if (target < x) {
    console_newline();
    console_blanks(target);
    return;
  }
  console_blanks(target - x);
}

void console_zone() {
  const int32_t x = console_column() - 1;
  console_blanks(14 - x % 14);
}

int32_t console_row() {
  platform::Console* con = output_console();
  platform::BufferInfo info;
  if (!con || !con->get_buffer_info(info)) return 1;
  return info.cursor.y + 1;
}

int32_t console_column() {
  platform::Console* con = output_console();
  platform::BufferInfo info;
  if (!con || !con->get_buffer_info(info)) return 1;
  return info.cursor.x + 1;
}

void console_home() {
  console_locate(1, 1);
}

}  // namespace console
