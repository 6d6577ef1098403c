// The console seam: a small interface shaped after the Win32 console calls the run-time
// makes. Coordinates are 0-based cells, attributes are Windows colour attributes
// (background * 16 + foreground), characters are code page 437 bytes.
//
// Backends: win32/ (the real console), posix/ (a terminal driven by escape sequences),
// memory/ (a cell buffer with scripted input, for tests).
#pragma once

#include <cstdint>

namespace platform {

struct Coord {
  int16_t x = 0;
  int16_t y = 0;
};

struct Rect {  // inclusive, like SMALL_RECT
  int16_t left = 0;
  int16_t top = 0;
  int16_t right = 0;
  int16_t bottom = 0;
};

struct Cell {  // like CHAR_INFO with an 8-bit character
  uint8_t ch = ' ';
  uint16_t attr = 7;
};

struct BufferInfo {  // like CONSOLE_SCREEN_BUFFER_INFO
  Coord size;
  Coord cursor;
  uint16_t attr = 7;
  Rect window;
  Coord max_window;
};

struct CursorInfo {  // like CONSOLE_CURSOR_INFO
  uint32_t size = 25;
  bool visible = true;
};

// Control-key state bits, as in KEY_EVENT_RECORD::dwControlKeyState.
enum : uint32_t {
  kRightAlt = 0x01,
  kLeftAlt = 0x02,
  kRightCtrl = 0x04,
  kLeftCtrl = 0x08,
  kShift = 0x10,
  kNumLock = 0x20,
  kScrollLock = 0x40,
  kCapsLock = 0x80,
  kEnhancedKey = 0x100,
};

struct InputEvent {  // like INPUT_RECORD; only key events carry data
  enum Type : uint16_t { kKey = 1, kMouse = 2, kResize = 4, kMenu = 8, kFocus = 16 };
  uint16_t type = kKey;
  bool key_down = true;
  uint16_t repeat = 1;
  uint16_t virtual_key = 0;
  uint16_t scan_code = 0;
  uint8_t ch = 0;
  uint32_t control = 0;
};

struct WindowRect {  // like RECT, desktop pixels
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

using WindowHandle = uintptr_t;  // 0 = none

// SetWindowPos flags used by the run-time.
enum : uint32_t { kSwpNoSize = 0x1, kSwpNoZOrder = 0x4 };

class Console {
 public:
  virtual ~Console() = default;

  // --- screen buffer (WriteConsoleOutputA and friends) ---
  // Writes the size.x * size.y block of `cells` starting at `from` into `region`; the region
  // is clipped to the buffer and updated to what was written. False when nothing was.
  virtual bool write_output(const Cell* cells, Coord size, Coord from, Rect& region) = 0;
  // ScrollConsoleScreenBufferA: moves `source` (clipped by `clip` when given) to `dest`,
  // filling the uncovered cells with `fill`.
  virtual bool scroll(const Rect& source, const Rect* clip, Coord dest, Cell fill) = 0;
  virtual bool fill_chars(uint8_t ch, uint32_t count, Coord at, uint32_t& written) = 0;
  virtual bool fill_attrs(uint16_t attr, uint32_t count, Coord at, uint32_t& written) = 0;
  virtual bool set_cursor_position(Coord at) = 0;
  virtual bool set_text_attribute(uint16_t attr) = 0;
  virtual bool get_buffer_info(BufferInfo& info) = 0;
  virtual bool get_cursor_info(CursorInfo& info) = 0;
  virtual bool set_cursor_info(const CursorInfo& info) = 0;
  virtual bool set_buffer_size(Coord size) = 0;
  virtual bool set_window_info(bool absolute, const Rect& window) = 0;
  // GetLargestConsoleWindowSize: the most columns and rows a window can show on this screen
  // (with its font), whatever the buffer; 0x7FFF each way when nothing limits it.
  virtual Coord largest_window() { return Coord{0x7FFF, 0x7FFF}; }
  // False when the program cannot shape the console's window: a pseudo console, whose
  // terminal (Windows Terminal, a pty) alone decides how many rows and columns it shows.
  // Then only the window as found is visible, and the desktop window is not to be moved.
  virtual bool window_shapeable() { return true; }

  // --- title ---
  // GetConsoleTitleA: copies at most cap-1 bytes and a zero; returns the length (0 = failure
  // or empty title).
  virtual uint32_t get_title(char* buf, uint32_t cap) = 0;
  virtual bool set_title(const char* title) = 0;

  // --- keyboard (console input handle) ---
  // PeekConsoleInputA / ReadConsoleInputA of one record: true with count 0 when empty.
  virtual bool peek_input(InputEvent& ev, uint32_t& count) = 0;
  virtual bool read_input(InputEvent& ev, uint32_t& count) = 0;
  // FlushConsoleInputBuffer, done only when keyboard input comes from a console (on Windows:
  // GetConsoleMode succeeded on the standard input handle at start-up); otherwise nothing is
  // discarded and the result is true.
  virtual bool flush_input() = 0;
  // Waits up to `ms` milliseconds for input to arrive (the 1 ms keyboard poll). Backends
  // that can block on their input (poll on a terminal) wake at once when a key comes.
  virtual void wait_input(uint32_t ms) = 0;

  // --- the console's desktop window ---
  // Finds the console's window. `marked_title` is the title the caller has just set to
  // mark it (FindWindowA); backends may find the window by other means.
  virtual WindowHandle find_window(const char* marked_title) = 0;
  // The console's window when the backend knows it without any search (a terminal is its
  // own window); 0 makes the caller search by a marked title.
  virtual WindowHandle own_window() { return 0; }
  virtual bool get_window_rect(WindowHandle w, WindowRect& r) = 0;
  virtual bool set_window_pos(WindowHandle w, int32_t x, int32_t y, int32_t cx, int32_t cy,
                              uint32_t flags) = 0;
  virtual bool lock_window_update(WindowHandle w) = 0;  // 0 unlocks
  virtual bool set_foreground_window(WindowHandle w) = 0;

  // Called when the program is about to wait (key wait, key poll, line input, pause) and at
  // exit: backends that keep their own cell buffer bring the real screen up to date here.
  virtual void present() {}
};

}  // namespace platform
