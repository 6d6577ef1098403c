#include "console/window.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "console/console_access.h"
#include "console/fitted_view.h"
#include "console/screen.h"
#include "runtime/error.h"

namespace console {
namespace {

platform::WindowHandle g_window = 0;

// The console's geometry before the program first set its screen, and whether the next set
// screen is to put it back as found: after the program could not shape the console (a
// pseudo console, or a screen too small for the window), reshaping it at the end would
// leave the user's console worse than it was (a Windows Terminal tab forced to 80 columns).
struct Found {
  bool known = false;
  platform::Coord size;
  platform::Rect window;
};
Found g_found;
bool g_give_back = false;
bool g_reshaped = false;  // the program changed the console's buffer or window size

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
// kept from repainting meanwhile and put back where and as large as it was. A pseudo
// console has no desktop window of its own to keep: its buffer alone changes.
bool buffer_resize(int32_t columns, int32_t rows) {
  if (static_cast<uint32_t>(columns) > 0xFFFF || static_cast<uint32_t>(rows) > 0xFFFF) {
    return false;
  }
  platform::Console* con = output_console();
  if (!con) return false;
  const bool shapeable = con->window_shapeable();
  const platform::WindowHandle w = shapeable ? find_window() : 0;
  platform::WindowRect rect;
  if (shapeable) {
    if (w == 0) return false;
    if (!con->get_window_rect(w, rect)) return false;
    con->lock_window_update(w);
  }
  // The program has a single screen page: the console output.
  bool ok = con->set_buffer_size(
      platform::Coord{static_cast<int16_t>(columns), static_cast<int16_t>(rows)});
  settle();
  console_clear();
  settle();
  screen_state().pending_scroll = false;
  if (shapeable) {
    con->set_window_pos(w, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                        platform::kSwpNoZOrder);
    con->lock_window_update(0);
  }
  return ok;
}

bool set_window(platform::Console& con, int32_t left, int32_t top, int32_t columns, int32_t rows) {
  return con.set_window_info(true,
                             platform::Rect{static_cast<int16_t>(left), static_cast<int16_t>(top),
                                            static_cast<int16_t>(left + columns - 1),
                                            static_cast<int16_t>(top + rows - 1)});
}

// Success only when the console now shows a window of exactly that size: a console asked
// for more rows than its screen can show keeps a smaller window (and some consoles answer
// the request as done all the same), so the size is read back and held against the largest
// window the screen allows.
bool window_resize(int32_t columns, int32_t rows) {
  if (static_cast<uint32_t>(columns) > 0xFFFF || static_cast<uint32_t>(rows) > 0xFFFF) {
    return false;
  }
  platform::Console* con = output_console();
  if (!con) return false;
  settle();
  set_window(*con, 0, 0, columns, rows);
  if (!is_nt()) {
    settle();
    con->set_cursor_position(platform::Coord{0, 0});
    settle();
  }
  platform::BufferInfo info;
  if (!read_info(info)) return false;
  const Size now = window_of(info);
  const platform::Coord largest = con->largest_window();
  return now.columns == columns && now.rows == rows && columns <= largest.x && rows <= largest.y;
}

// From here on the program's screen is the fitted view's, shown in the console's window as
// it is now. Set screen reports a window smaller than asked (error 5), but the program's
// screen is whole all the same.
void show_fitted(platform::Console& con, int32_t columns, int32_t rows) {
  platform::BufferInfo info;
  const uint16_t attr = read_info(info) ? info.attr : 7;
  FittedView& view = fitted_view();
  view.start(&con, platform::Coord{static_cast<int16_t>(columns), static_cast<int16_t>(rows)},
             platform::Cell{' ', attr});
  g_give_back = true;
  if (view.small()) runtime::error_raise(runtime::kErrBadCall);
}

// A console window that cannot be made columns x rows (a screen too small for that many
// rows): the window is narrowed to the columns asked first, so that the buffer can follow,
// then buffer and window take as many rows as the screen shows; the fitted view shows the
// program's screen in it.
bool fit_classic(platform::Console& con, int32_t columns, int32_t rows) {
  platform::BufferInfo info;
  if (!read_info(info)) return false;
  set_window(con, 0, 0, columns, std::min(window_of(info).rows, rows));
  if (!read_info(info)) return false;
  const platform::Coord largest = con.largest_window();
  const int32_t w = std::min<int32_t>(columns, largest.x);
  const int32_t h = std::min<int32_t>(rows, largest.y);
  const Size now = window_of(info);
  if (now.columns > w || now.rows > h || !buffer_resize(w, h)) return false;
  set_window(con, 0, 0, w, h);
  g_reshaped = true;
  show_fitted(con, columns, rows);
  return true;
}

// Gives the console back as the program's first set screen found it, cleared: the buffer
// and window sizes where the program changed them, nothing else under a pseudo console.
void give_back(platform::Console& con) {
  g_give_back = false;
  if (g_reshaped && g_found.known) {
    const platform::Coord size = g_found.size;
    const Size window{g_found.window.right - g_found.window.left + 1,
                      g_found.window.bottom - g_found.window.top + 1};
    // The window first shrinks inside both sizes, then the buffer and window take theirs.
    set_window(con, 0, 0, std::min<int32_t>(window.columns, size.x),
               std::min<int32_t>(window.rows, size.y));
    buffer_resize(size.x, size.y);
    set_window(con, g_found.window.left, g_found.window.top, window.columns, window.rows);
  }
  g_reshaped = false;
  console_clear();
}

}  // namespace

void window_reset() {
  g_window = 0;
  g_found = Found{};
  g_give_back = false;
  g_reshaped = false;
  fitted_view().stop();
}

void screen_set(int32_t columns, int32_t rows) {
  fitted_view().stop();
  platform::Console* con = output_console();
  platform::BufferInfo info;
  const bool known = read_info(info);
  if (known && !g_found.known) g_found = Found{true, info.size, info.window};
  if (con && g_give_back) {
    give_back(*con);
    return;
  }
  // A pseudo console is never reshaped: its terminal alone decides what it shows. A window
  // at the buffer's top-left corner with room for the screen takes it as it is; any other
  // is shown through the fitted view.
  if (con && known && !con->window_shapeable() && columns > 0 && rows > 0 && columns <= 0x7FFF &&
      rows <= 0x7FFF) {
    const Size now = window_of(info);
    if (info.window.left == 0 && info.window.top == 0 && now.columns >= columns &&
        now.rows >= rows) {
      console_clear();
      screen_state().pending_scroll = false;
      g_give_back = true;
    } else {
      show_fitted(*con, columns, rows);
    }
    return;
  }
  const int32_t c0 = known ? info.size.x : 0;
  const int32_t r0 = known ? info.size.y : 0;
  if (buffer_resize(std::max(columns, c0), std::max(rows, r0))) {
    for (int attempt = 0; attempt < kWindowAttempts; ++attempt) {
      if (window_resize(columns, rows)) {
        buffer_resize(columns, rows);
        return;
      }
      // The NT family answers at once: asking again changes nothing.
      if (is_nt()) break;
    }
    if (con && fit_classic(*con, columns, rows)) return;
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
  if (!con || !con->window_shapeable()) return;
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
