#include "console/window.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "console/console_access.h"
#include "console/screen.h"
#include "runtime/error.h"

namespace console {
namespace {

platform::WindowHandle g_window = 0;

constexpr uint32_t kNtFamily = 2;
constexpr int kMarkBlanks = 13;
// Titles up to this length are marked and restored exactly.
constexpr uint32_t kTitleRead = 4096;
constexpr int kWindowAttempts = 10;

// Size changes of the console need time to settle outside the NT family.
void settle() {
  platform::System* sys = process();
  if (sys && sys->platform_id() != kNtFamily) sys->sleep_ms(250);
}

bool is_nt() {
  platform::System* sys = process();
  return !sys || sys->platform_id() == kNtFamily;
}

// Finds the console's desktop window: the backend's own when it knows it, else by giving the
// console a title nothing else has (the title and 13 blanks), then putting the title back.
platform::WindowHandle find_window() {
  if (g_window != 0) return g_window;
  platform::Console* con = output_console();
  if (!con) return 0;
  if (platform::WindowHandle own = con->own_window()) return g_window = own;
  std::vector<char> title(kTitleRead + kMarkBlanks + 1, '\0');
  uint32_t n = con->get_title(title.data(), kTitleRead);
  n = static_cast<uint32_t>(strnlen(title.data(), std::min(n, kTitleRead - 1)));
  std::memset(title.data() + n, ' ', kMarkBlanks);
  title[n + kMarkBlanks] = '\0';
  con->set_title(title.data());
  if (platform::System* sys = process()) sys->sleep_ms(200);
  platform::WindowHandle found = con->find_window(title.data());
  title[n] = '\0';
  con->set_title(title.data());
  g_window = found;
  return found;
}

bool read_info(platform::BufferInfo& info) {
  platform::Console* con = output_console();
  return con && con->get_buffer_info(info);
}

Size window_of(const platform::BufferInfo& info) {
  return Size{info.window.right - info.window.left + 1, info.window.bottom - info.window.top + 1};
}

// Sets the buffer size of the console's screen page and clears it; the desktop window is
// kept from repainting meanwhile and put back where and as large as it was.
bool buffer_resize(int32_t columns, int32_t rows) {
  if (static_cast<uint32_t>(columns) > 0xFFFF || static_cast<uint32_t>(rows) > 0xFFFF) {
    return false;
  }
  platform::Console* con = output_console();
  if (!con) return false;
  const platform::WindowHandle w = find_window();
  if (w == 0) return false;
  platform::WindowRect rect;
  if (!con->get_window_rect(w, rect)) return false;
  con->lock_window_update(w);
  // The program has a single screen page: the console output.
  bool ok = con->set_buffer_size(
      platform::Coord{static_cast<int16_t>(columns), static_cast<int16_t>(rows)});
  settle();
  console_clear();
  settle();
  screen_state().pending_scroll = false;
  con->set_window_pos(w, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                      platform::kSwpNoZOrder);
  con->lock_window_update(0);
  return ok;
}

bool window_resize(int32_t columns, int32_t rows) {
  if (static_cast<uint32_t>(columns) > 0xFFFF || static_cast<uint32_t>(rows) > 0xFFFF) {
    return false;
  }
  platform::Console* con = output_console();
  if (!con) return false;
  settle();
  con->set_window_info(true, platform::Rect{0, 0, static_cast<int16_t>(columns - 1),
                                            static_cast<int16_t>(rows - 1)});
  // The NT family counts the attempt as done whatever the console answered: a window it
  // could not make as large stays smaller, and set view then shows the lowest rows.
  if (is_nt()) return true;
  settle();
  con->set_cursor_position(platform::Coord{0, 0});
  settle();
  platform::BufferInfo info;
  if (!read_info(info)) return false;
  const Size now = window_of(info);
  return now.columns == columns && now.rows == rows;
}

}  // namespace

void window_reset() {
  g_window = 0;
}

void screen_set(int32_t columns, int32_t rows) {
  platform::BufferInfo info;
  const bool known = read_info(info);
  const int32_t c0 = known ? info.size.x : 0;
  const int32_t r0 = known ? info.size.y : 0;
  if (buffer_resize(std::max(columns, c0), std::max(rows, r0))) {
    for (int attempt = 0; attempt < kWindowAttempts; ++attempt) {
      if (window_resize(columns, rows)) {
        buffer_resize(columns, rows);
        return;
      }
    }
  }
  buffer_resize(c0, r0);
  runtime::error_raise(runtime::kErrBadCall);
}

void view_set(int32_t column, int32_t row) {
  settle();
  int64_t x0 = std::max<int64_t>(int64_t{column} - 1, 0);
  int64_t y0 = std::max<int64_t>(int64_t{row} - 1, 0);
  platform::BufferInfo info;
  if (!read_info(info)) return;
  const Size window = window_of(info);
  x0 = std::min<int64_t>(x0, info.size.x - window.columns);
  y0 = std::min<int64_t>(y0, info.size.y - window.rows);
  output_console()->set_window_info(
      true, platform::Rect{static_cast<int16_t>(x0), static_cast<int16_t>(y0),
                           static_cast<int16_t>(x0 + window.columns - 1),
                           static_cast<int16_t>(y0 + window.rows - 1)});
}

void window_move(int32_t x, int32_t y) {
  platform::Console* con = output_console();
  if (!con) return;
  const platform::WindowHandle w = find_window();
  if (w == 0) return;
  con->set_window_pos(w, x, y, 0, 0, platform::kSwpNoSize | platform::kSwpNoZOrder);
}

void buffer_set(int32_t columns, int32_t rows) {
  platform::BufferInfo info;
  if (!read_info(info)) {
    runtime::error_raise(runtime::kErrBadCall);
    return;
  }
  const Size window = window_of(info);
  if (columns < window.columns || rows < window.rows || !buffer_resize(columns, rows)) {
    runtime::error_raise(runtime::kErrBadCall);
  }
}

Size buffer_size() {
  settle();
  platform::BufferInfo info;
  if (!read_info(info)) return {};
  return Size{info.size.x, info.size.y};
}

Size window_size() {
  settle();
  platform::BufferInfo info;
  if (!read_info(info)) return {};
  return window_of(info);
}

Point view_origin() {
  settle();
  platform::BufferInfo info;
  if (!read_info(info)) return {};
  return Point{info.window.left + 1, info.window.top + 1};
}

Point window_position() {
  platform::Console* con = output_console();
  platform::WindowRect r;
  if (!con || !con->get_window_rect(find_window(), r)) return {};
  return Point{r.left, r.top};
}

Size window_pixels() {
  platform::Console* con = output_console();
  platform::WindowRect r;
  if (!con || !con->get_window_rect(find_window(), r)) return {};
  return Size{r.right - r.left, r.bottom - r.top};
}

void window_front() {
  if (platform::System* sys = process()) sys->sleep_ms(100);
  platform::Console* con = output_console();
  if (con) con->set_foreground_window(find_window());
}

void title_set(const std::string& title) {
  if (platform::Console* con = output_console()) con->set_title(title.c_str());
}

std::string title_get() {
  platform::Console* con = output_console();
  if (!con) return {};
  char buf[80] = {};
  uint32_t n = con->get_title(buf, sizeof buf);
  return std::string(buf, strnlen(buf, std::min<size_t>(n, sizeof buf - 1)));
}

}  // namespace console
