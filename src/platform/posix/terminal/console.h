// The console on a POSIX terminal. The screen buffer lives in the process and behaves like
// a Windows console's; present() draws what changed onto the terminal in one write. Keys
// come from the terminal as escape sequences and are turned into Windows-style key events.
#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/posix/dialog/overlay.h"
#include "platform/posix/terminal/key_decoder.h"
#include "platform/posix/terminal/renderer.h"
#include "platform/posix/terminal/screen_buffer.h"
#include "platform/posix/terminal/term_caps.h"
#include "platform/posix/terminal/terminal.h"
#include "platform/posix/terminal/viewport.h"
#include "platform/posix/terminal/window_requests.h"

namespace platform::posix {

class PosixConsole final : public Console {
 public:
  PosixConsole() = default;

  // Takes over the process's terminal. False with a reason when there is none. `title` is the
  // window's title until the program sets one, as a console window shows its program's file
  // (the program's name when empty).
  bool open(std::string& why, const std::string& title = {});
  // Takes over a terminal given by descriptors (tests, benchmarks); `utf8` says how it
  // shows code page 437 and sends characters (UTF-8, or else 7-bit ASCII).
  bool attach(int in_fd, int out_fd, bool utf8);
  bool attach(int in_fd, int out_fd, const Charset& charset, const TermCaps& caps = TermCaps());
  const Charset& charset() const { return charset_; }
  // Draws the last changes and gives the terminal back.
  void close();
  bool is_open() const { return open_; }

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
  uint32_t get_title(char* buf, uint32_t cap) override;
  bool set_title(const char* title) override;
  bool peek_input(InputEvent& ev, uint32_t& count) override;
  bool read_input(InputEvent& ev, uint32_t& count) override;
  bool flush_input() override;
  void wait_input(uint32_t ms) override;
  WindowHandle find_window(const char* marked_title) override;
  WindowHandle own_window() override { return find_window(nullptr); }
  bool get_window_rect(WindowHandle w, WindowRect& r) override;
  bool set_window_pos(WindowHandle w, int32_t x, int32_t y, int32_t cx, int32_t cy,
                      uint32_t flags) override;
  bool lock_window_update(WindowHandle w) override;
  bool set_foreground_window(WindowHandle w) override;
  void present() override;

  const ScreenBuffer& buffer() const { return buffer_; }
  const Terminal& terminal() const { return term_; }
  // The requests that put back what the program changed of the window, sent at exit: the
  // start size once the program has asked for a size, the start position when a move was
  // reported done.
  std::string exit_requests() const { return requests_.exit_requests(); }
  // A lone Esc counts as the Esc key when nothing follows it within the first time, a begun
  // sequence is dropped when its end does not come within the second (the key decoder's).
  void set_escape_timeout_ms(int ms) { keys_.set_escape_timeout_ms(ms); }
  void set_sequence_timeout_ms(int ms) { keys_.set_sequence_timeout_ms(ms); }

  static constexpr WindowHandle kWindow = 1;

  // A modal box over the screen, for another service of this backend (the print dialog): the
  // overlay is drawn above the screen, with the cursor hidden, from now until close_overlay(),
  // which shows the screen beneath again (showing another replaces it).
  void show_overlay(Overlay overlay);
  void close_overlay();
  // The next key for a modal box, from the one queue every key joins in the order typed
  // (keys typed ahead of the box come first; those after the key that closes it stay for
  // whatever reads next): `ev` is empty when none came within `idle_ms`. False when the
  // terminal hung up and nothing is left queued, or the console is closed.
  bool read_modal_key(std::optional<InputEvent>& ev, int idle_ms);

  // --- test seams ------------------------------------------------------------------------
  // Queues an input event as though the terminal had sent it: events no terminal can send
  // (key releases, modifier keys alone), for tests of the layers above.
  void push_input(const InputEvent& ev) { queue_.push_back(ev); }

 private:
  void start(const Charset& charset, const TermCaps& caps);
  // Reads what the terminal sent into the queue, the one place the terminal is read; ends
  // the process when the process's own terminal hung up.
  void pump();
  // Waits up to `timeout` ms (-1: no limit) for bytes, and no longer than the waiting bytes
  // of a sequence may wait for the rest.
  void wait_for_bytes(int timeout);
  void compose(Frame& frame);
  void draw_overlay(Frame& frame) const;
  void append_title(std::string& out) const;
  void size_changed();
  void update_exit_requests();

  // The terminal. Between open()/attach() and close() (open_), term_ is in raw mode on the
  // alternate screen and term_size_ is its size as last read; on the process's own terminal
  // (term_.own_terminal()) a hang-up ends the process.
  Terminal term_;
  bool open_ = false;
  Charset charset_;
  TermCaps caps_;
  TermSize term_size_;

  // The screen: the buffer, the cursor's shape and the title, and a modal box above them.
  // The terminal shows buffer_ as of drawn_version_ and every change counted in changes_ up
  // to drawn_changes_: a change that reaches the terminal without changing the buffer (cursor
  // shape, title, overlay, a scroll of the view) adds to changes_, so that present() sends
  // nothing unless something changed.
  ScreenBuffer buffer_;
  CursorInfo cursor_{25, true};
  std::string title_;
  std::string shown_title_;  // the title the terminal shows
  Overlay overlay_;
  bool overlay_shown_ = false;
  Renderer renderer_{Charset::utf8()};
  Frame frame_;      // the last frame composed (kept to reuse its storage)
  std::string out_;  // the bytes of the frame being sent (likewise)
  uint64_t drawn_version_ = ~uint64_t{0};
  uint64_t changes_ = 0;
  uint64_t drawn_changes_ = 0;

  // Input. queue_ holds the events decoded and not yet read, in the order they came; keys_
  // holds the bytes of a sequence not yet complete, decided as they stand once the escape
  // timeout has passed since last_input_. Once hung_up_, the terminal is not read again.
  KeyDecoder keys_;  // made again for the terminal's charset when it is taken
  std::deque<InputEvent> queue_;
  std::vector<InputEvent> decoded_;  // events of one read, before they join the queue
  std::chrono::steady_clock::time_point last_input_{};
  bool hung_up_ = false;

  // The window: sizes and moves asked of the terminal, and what is put back at exit (the
  // invariant is WindowRequests').
  WindowRequests requests_;

  // The part of the window the terminal shows (the invariant is Viewport's).
  Viewport view_;

  // Idling. idle_waits_ counts the key waits in a row with nothing drawn and no key in
  // between (idle_state_: the buffer's version and changes_ they saw); from
  // kIdleWaitsBeforeStretch on, the program is idle in a key wait, and a wait on the
  // process's own terminal has no time limit (a key, a resize or a signal ends it) while one
  // on a terminal given by descriptors looks again every kIdleWaitMs.
  static constexpr int kIdleWaitsBeforeStretch = 200;
  static constexpr int kIdleWaitMs = 10;
  int idle_waits_ = 0;
  uint64_t idle_state_ = 0;
};

}  // namespace platform::posix
