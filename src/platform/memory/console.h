// An in-memory console that behaves like a Win32 console: a cell buffer with a window over
// it, a cursor, a text attribute, a cursor shape, a title, a desktop window and a queue of
// scripted input events. The test double for every console and application test.
//
// Test accessors that take rows and columns count them from 1, like the program's own screen
// positions; the platform::Console calls use 0-based coordinates like the Win32 calls.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cell_buffer.h"
#include "platform/console.h"

namespace platform::memory {

// Thrown when the program waits for input and the script has none left (and no idle step
// supplies more): a scenario that would hang on a real console ends with this instead.
class InputExhausted : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct CellView {
  uint8_t ch = ' ';
  int fg = 7;
  int bg = 0;
  char chr() const { return static_cast<char>(ch); }
};

class MemoryConsole : public Console {
 public:
  // A buffer of width x height cells with a window of the same size at its top-left corner
  // (window sizes of 0 take the buffer's).
  explicit MemoryConsole(int16_t width = 80, int16_t height = 25, int16_t window_width = 0,
                         int16_t window_height = 0);

  // --- platform::Console ---
  bool write_output(const Cell* cells, Coord size, Coord from, Rect& region) override;
  bool scroll(const Rect& source, const Rect* clip, Coord dest, Cell fill) override;
  bool fill_chars(uint8_t ch, uint32_t count, Coord at, uint32_t& written) override;
  bool fill_attrs(uint16_t attr, uint32_t count, Coord at, uint32_t& written) override;
  bool set_cursor_position(Coord at) override;
  bool set_text_attribute(uint16_t attr) override;
  bool get_buffer_info(BufferInfo& info) override;
  bool get_cursor_info(CursorInfo& info) override;
  bool set_cursor_info(const CursorInfo& info) override;
  bool set_buffer_size(Coord size) override;
  bool set_window_info(bool absolute, const Rect& window) override;
  Coord largest_window() override { return max_window_; }
  bool window_shapeable() override { return shapeable_; }
  uint32_t get_title(char* buf, uint32_t cap) override;
  bool set_title(const char* title) override;
  bool peek_input(InputEvent& ev, uint32_t& count) override;
  bool read_input(InputEvent& ev, uint32_t& count) override;
  bool flush_input() override;
  void wait_input(uint32_t ms) override;
  WindowHandle find_window(const char* marked_title) override;
  WindowHandle own_window() override;
  bool get_window_rect(WindowHandle w, WindowRect& r) override;
  bool set_window_pos(WindowHandle w, int32_t x, int32_t y, int32_t cx, int32_t cy,
                      uint32_t flags) override;
  bool lock_window_update(WindowHandle w) override;
  bool set_foreground_window(WindowHandle w) override;
  void present() override { ++presents_; }

  // --- shaping the console (tests) ---
  // Largest window the console accepts (like a screen too small for more rows); windows
  // larger than this fail to be set.
  void set_max_window(int16_t columns, int16_t rows);
  void set_cursor_shape(CursorInfo info) { cursor_info_ = info; }
  // When false, input counts as coming from a file or pipe: flushing discards nothing.
  void set_input_is_console(bool yes) { input_is_console_ = yes; }
  // When false, find_window never finds the console's desktop window.
  void set_window_findable(bool yes) { findable_ = yes; }
  // When true, the console names its own window, so no title search is needed.
  void set_knows_window(bool yes) { knows_window_ = yes; }
  // When false, the console behaves as a pseudo console: a terminal decides what it shows.
  void set_window_shapeable(bool yes) { shapeable_ = yes; }
  // Fails every call that a console with an invalid handle would fail.
  void set_broken(bool yes) { broken_ = yes; }

  // --- scripted input ---
  void push_event(const InputEvent& ev) { input_.push_back(ev); }
  // One key-down event; `ch` 0 for keys without a character.
  void push_key_down(uint8_t ch, uint16_t scan, uint32_t control = 0);
  void push_key_up(uint8_t ch, uint16_t scan, uint32_t control = 0);
  // A key press: down then up.
  void push_key(uint8_t ch, uint16_t scan, uint32_t control = 0);
  // An extended key with no character (F1 0x3B, F10 0x44, F12 0x58, Up 0x48 ...).
  void push_extended(uint16_t scan, uint32_t control = 0) { push_key(0, scan, control); }
  // Each byte as the key a US keyboard makes it with (its scan and virtual-key codes, Shift
  // held where needed); "\r" is Enter, "\b" Backspace, "\t" Tab, "\x1b" Escape. Bytes with
  // no key arrive with scan 0.
  void push_text(std::string_view text);
  void push_non_key(uint16_t type);  // mouse, resize, focus or menu event
  size_t pending_input() const { return input_.size(); }

  // Steps run one at a time, in order, each time the program waits for input and none is
  // left; a step may look at the screen and push more input. When no step is left, or a step
  // pushes nothing, InputExhausted is thrown.
  void when_idle(std::function<void()> step) { idle_steps_.push_back(std::move(step)); }
  size_t idle_steps_left() const { return idle_steps_.size(); }

  // --- looking at the console (tests) ---
  int16_t width() const { return cells_.size().x; }
  int16_t height() const { return cells_.size().y; }
  Rect window() const { return window_; }
  CellView cell(int row, int column) const;
  // A whole buffer row, or `length` cells of it from `column` (clipped to the row).
  std::string row_text(int row) const;
  std::string text(int row, int column, int length) const;
  // Every row with its trailing blanks removed, one per line (for failure messages).
  std::string dump() const;
  int cursor_row() const { return cursor_.y + 1; }
  int cursor_column() const { return cursor_.x + 1; }
  Coord cursor() const { return cursor_; }
  uint16_t text_attribute() const { return attr_; }
  CursorInfo cursor_shape() const { return cursor_info_; }
  const std::string& title() const { return title_; }
  WindowRect desktop_rect() const { return desktop_; }
  bool window_locked() const { return locked_ != 0; }
  int presents() const { return presents_; }
  int foreground_calls() const { return foreground_calls_; }
  // Geometry changes in order: "buffer 80x50", "buffer 80x50 failed", "window 0,0-79,49",
  // "window failed", "clear" (a fill of the whole buffer), "move 160,20", "lock", "unlock".
  const std::vector<std::string>& log() const { return log_; }
  void clear_log() { log_.clear(); }

  static constexpr WindowHandle kWindowHandle = 0x00C0FFEE;

 private:
  void show_cursor_in_window();
  void idle();

  CellBuffer cells_;
  Rect window_;
  Coord max_window_{0x7FFF, 0x7FFF};
  Coord cursor_;
  uint16_t attr_ = 7;
  CursorInfo cursor_info_;
  std::string title_ = "Orvane-Table";
  std::deque<InputEvent> input_;
  std::deque<std::function<void()>> idle_steps_;
  uint32_t empty_peeks_ = 0;
  WindowRect desktop_{0, 0, 664, 446};
  WindowHandle locked_ = 0;
  bool findable_ = true;
  bool shapeable_ = true;
  bool knows_window_ = false;
  bool broken_ = false;
  bool input_is_console_ = true;
  int presents_ = 0;
  int foreground_calls_ = 0;
  std::vector<std::string> log_;
};

}  // namespace platform::memory
