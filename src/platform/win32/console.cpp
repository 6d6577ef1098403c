// The real Windows console behind platform::Console. Screen calls go to the console output
// handle and keyboard calls to "CONIN$", as start-up chose them; every call is the console
// API call of the same name, with our small records converted to and from the Windows ones.
#include "platform/console.h"

#include <cstring>
#include <vector>

#include "platform/cp437.h"
#include "platform/win32/services.h"
#include "platform/win32/state.h"

namespace platform::win32 {

namespace {

COORD to_coord(Coord c) {
  return COORD{c.x, c.y};
}
Coord from_coord(COORD c) {
  return Coord{c.X, c.Y};
}
SMALL_RECT to_rect(const Rect& r) {
  return SMALL_RECT{r.left, r.top, r.right, r.bottom};
}
Rect from_rect(const SMALL_RECT& r) {
  return Rect{r.Left, r.Top, r.Right, r.Bottom};
}
HWND to_hwnd(WindowHandle w) {
  return reinterpret_cast<HWND>(w);
}

// Cells hold code page 437 bytes; the console gets their glyphs as Unicode, so that they
// look the same whatever code page the console has (437, 850, 65001 ...).
// Byte 0 stays the console's own empty cell (shown blank), as a console holds it.
WCHAR glyph(uint8_t ch) {
  return ch == 0 ? WCHAR{0} : static_cast<WCHAR>(cp437_to_unicode(ch));
}

CHAR_INFO to_char_info(Cell c) {
  CHAR_INFO ci{};
  ci.Char.UnicodeChar = glyph(c.ch);
  ci.Attributes = c.attr;
  return ci;
}

// A typed character back into code page 437: ASCII as it is, other characters through the
// same table; one the code page lacks arrives as '?'.
uint8_t typed_char(WCHAR wc) {
  if (wc < 0x80) return static_cast<uint8_t>(wc);
  const int b = cp437_from_unicode(wc);
  return b < 0 ? static_cast<uint8_t>('?') : static_cast<uint8_t>(b);
}

InputEvent from_record(const INPUT_RECORD& r) {
  InputEvent ev;
  ev.type = r.EventType;
  if (r.EventType == KEY_EVENT) {
    const KEY_EVENT_RECORD& k = r.Event.KeyEvent;
    ev.key_down = k.bKeyDown != 0;
    ev.repeat = k.wRepeatCount;
    ev.virtual_key = k.wVirtualKeyCode;
    ev.scan_code = k.wVirtualScanCode;
    ev.ch = typed_char(k.uChar.UnicodeChar);
    ev.control = k.dwControlKeyState;
  } else {
    ev.key_down = false;
    ev.repeat = 0;
  }
  return ev;
}

constexpr uint32_t kMaxTitle = 65535;

class Win32Console final : public Console {
 public:
  bool write_output(const Cell* cells, Coord size, Coord from, Rect& region) override {
    if (size.x <= 0 || size.y <= 0) return false;
    const size_t n = static_cast<size_t>(size.x) * static_cast<size_t>(size.y);
    // Row segments of up to 256 cells (all the run-time writes) are converted on the stack.
    CHAR_INFO small[256];
    std::vector<CHAR_INFO> large;
    CHAR_INFO* buf = small;
    if (n > 256) {
      large.resize(n);
      buf = large.data();
    }
    for (size_t i = 0; i < n; ++i) buf[i] = to_char_info(cells[i]);
    SMALL_RECT r = to_rect(region);
    const BOOL ok = WriteConsoleOutputW(out(), buf, to_coord(size), to_coord(from), &r);
    region = from_rect(r);
    return ok != 0;
  }

  bool scroll(const Rect& source, const Rect* clip, Coord dest, Cell fill) override {
    const SMALL_RECT src = to_rect(source);
    SMALL_RECT clip_rect{};
    if (clip) clip_rect = to_rect(*clip);
    const CHAR_INFO f = to_char_info(fill);
    return ScrollConsoleScreenBufferW(out(), &src, clip ? &clip_rect : nullptr, to_coord(dest),
                                      &f) != 0;
  }

  bool fill_chars(uint8_t ch, uint32_t count, Coord at, uint32_t& written) override {
    DWORD w = 0;
    const BOOL ok = FillConsoleOutputCharacterW(out(), glyph(ch), count, to_coord(at), &w);
    written = w;
    return ok != 0;
  }

  bool fill_attrs(uint16_t attr, uint32_t count, Coord at, uint32_t& written) override {
    DWORD w = 0;
    const BOOL ok = FillConsoleOutputAttribute(out(), attr, count, to_coord(at), &w);
    written = w;
    return ok != 0;
  }

  bool set_cursor_position(Coord at) override {
    return SetConsoleCursorPosition(out(), to_coord(at)) != 0;
  }

  bool set_text_attribute(uint16_t attr) override {
    return SetConsoleTextAttribute(out(), attr) != 0;
  }

  bool get_buffer_info(BufferInfo& info) override {
    CONSOLE_SCREEN_BUFFER_INFO csbi{};
    if (!GetConsoleScreenBufferInfo(out(), &csbi)) return false;
    info.size = from_coord(csbi.dwSize);
    info.cursor = from_coord(csbi.dwCursorPosition);
    info.attr = csbi.wAttributes;
    info.window = from_rect(csbi.srWindow);
    info.max_window = from_coord(csbi.dwMaximumWindowSize);
    return true;
  }

  bool get_cursor_info(CursorInfo& info) override {
    CONSOLE_CURSOR_INFO ci{};
    if (!GetConsoleCursorInfo(out(), &ci)) return false;
    info.size = ci.dwSize;
    info.visible = ci.bVisible != 0;
    return true;
  }

  bool set_cursor_info(const CursorInfo& info) override {
    CONSOLE_CURSOR_INFO ci{};
    ci.dwSize = info.size;
    ci.bVisible = info.visible ? TRUE : FALSE;
    return SetConsoleCursorInfo(out(), &ci) != 0;
  }

  bool set_buffer_size(Coord size) override {
    return SetConsoleScreenBufferSize(out(), to_coord(size)) != 0;
  }

  bool set_window_info(bool absolute, const Rect& window) override {
    const SMALL_RECT r = to_rect(window);
    return SetConsoleWindowInfo(out(), absolute ? TRUE : FALSE, &r) != 0;
  }

  // Read whole into a buffer of the longest title a console keeps, then cut to the caller's
  // size: GetConsoleTitleA itself fails on a short buffer on some systems.
  uint32_t get_title(char* buf, uint32_t cap) override {
    if (!buf || cap == 0) return 0;
    std::vector<char> whole(kMaxTitle + 1, '\0');
    uint32_t n = GetConsoleTitleA(whole.data(), static_cast<DWORD>(whole.size()));
    if (n > kMaxTitle) n = kMaxTitle;
    if (n > cap - 1) n = cap - 1;
    std::memcpy(buf, whole.data(), n);
    buf[n] = '\0';
    return n;
  }

  bool set_title(const char* title) override { return SetConsoleTitleA(title) != 0; }

  bool peek_input(InputEvent& ev, uint32_t& count) override {
    INPUT_RECORD r{};
    DWORD n = 0;
    count = 0;
    if (!PeekConsoleInputW(in(), &r, 1, &n)) return false;
    count = n;
    if (n) ev = from_record(r);
    return true;
  }

  bool read_input(InputEvent& ev, uint32_t& count) override {
    INPUT_RECORD r{};
    DWORD n = 0;
    count = 0;
    if (!ReadConsoleInputW(in(), &r, 1, &n)) return false;
    count = n;
    if (n) ev = from_record(r);
    return true;
  }

  // Flushes through the standard input handle, and only when that is a console: the keyboard
  // shares its input buffer with "CONIN$" then.
  bool flush_input() override {
    const StartupState& s = startup_state();
    if (!s.input_is_console) return true;
    return FlushConsoleInputBuffer(s.input) != 0;
  }

  // The console input handle is signalled while events are queued, so a key ends the wait at
  // once; a handle that cannot be waited on falls back to a plain sleep.
  void wait_input(uint32_t ms) override {
    HANDLE h = in();
    if (h == nullptr || h == INVALID_HANDLE_VALUE || WaitForSingleObject(h, ms) == WAIT_FAILED) {
      Sleep(ms);
    }
  }

  // The largest window the screen can show with the console's font; Wine's console in a
  // terminal answers with the terminal's size.
  Coord largest_window() override {
    const COORD c = GetLargestConsoleWindowSize(out());
    if (c.X <= 0 || c.Y <= 0) return Coord{0x7FFF, 0x7FFF};
    return from_coord(c);
  }

  // A console has a window the program may shape only when it has a visible desktop window
  // of its own. Under a pseudo console (Windows Terminal, Wine in a terminal) the window
  // is missing or a stand-in: the terminal decides what is shown.
  // The pseudo console's stand-in window has a class of its own, and may count as visible
  // while its terminal is.
  bool window_shapeable() override {
    HWND w = GetConsoleWindow();
    if (w == nullptr || !IsWindowVisible(w)) return false;
    char name[64] = {};
    GetClassNameA(w, name, sizeof name);
    return std::strcmp(name, "PseudoConsoleWindow") != 0;
  }

  // Only the console's own window is ever returned. The marked title is not searched for:
  // where the title goes to a terminal's window (Windows Terminal shows it on its tab and
  // window), FindWindowA would find the terminal, and moving that would move the user's
  // whole terminal with every other tab in it.
  WindowHandle find_window(const char* /*marked_title*/) override {
    return window_shapeable() ? reinterpret_cast<WindowHandle>(GetConsoleWindow()) : 0;
  }

  bool get_window_rect(WindowHandle w, WindowRect& r) override {
    RECT rc{};
    if (!GetWindowRect(to_hwnd(w), &rc)) return false;
    r = WindowRect{rc.left, rc.top, rc.right, rc.bottom};
    return true;
  }

  bool set_window_pos(WindowHandle w, int32_t x, int32_t y, int32_t cx, int32_t cy,
                      uint32_t flags) override {
    return SetWindowPos(to_hwnd(w), nullptr, x, y, cx, cy, flags) != 0;
  }

  bool lock_window_update(WindowHandle w) override { return LockWindowUpdate(to_hwnd(w)) != 0; }

  bool set_foreground_window(WindowHandle w) override {
    return SetForegroundWindow(to_hwnd(w)) != 0;
  }

 private:
  static HANDLE out() { return startup_state().console_output; }
  static HANDLE in() { return startup_state().console_input; }
};

}  // namespace

Console* console() {
  static Win32Console instance;
  return &instance;
}

}  // namespace platform::win32
