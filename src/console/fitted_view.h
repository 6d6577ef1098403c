// The screen on a console window smaller than the screen the program asked for (a console
// on a small screen, or a pseudo console whose terminal has fewer rows), or on a console
// whose size only its terminal decides. The program's whole screen buffer lives here; each
// time the program is about to wait, the part around the cursor is drawn into the console's
// window, above a notice with the size it needs on the window's last row while the window
// is too small: the same part a terminal of that size shows (platform::ScreenView). The
// console itself is not reshaped meanwhile: what it shows is only ever the window as it is,
// which is all a terminal in front of a pseudo console shows. To the program the window is
// its whole screen, as on a terminal; which part of it is in view is this view's business.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/cell_buffer.h"
#include "platform/console.h"
#include "platform/screen_view.h"

namespace console {

class FittedView final : public platform::Console {
 public:
  // Starts over `inner` with a screen of `asked` cells cleared to `blank`, shown in the
  // console's window as it is now, and becomes the run-time's installed console (so that
  // the last frame before the process ends is presented through it too).
  void start(platform::Console* inner, platform::Coord asked, platform::Cell blank);
  // Steps aside, installing the console again; the console keeps what was last drawn.
  void stop();
  bool active() const { return inner_ != nullptr; }
  platform::Console* inner() const { return inner_; }
  // True while the window shows less than the screen (the notice is up).
  bool small() const { return view_.small(); }
  // The program's screen.
  const platform::CellBuffer& screen() const { return screen_; }

  bool write_output(const platform::Cell* cells, platform::Coord size, platform::Coord from,
                    platform::Rect& region) override;
  bool scroll(const platform::Rect& source, const platform::Rect* clip, platform::Coord dest,
              platform::Cell fill) override;
  bool fill_chars(uint8_t ch, uint32_t count, platform::Coord at, uint32_t& written) override;
  bool fill_attrs(uint16_t attr, uint32_t count, platform::Coord at, uint32_t& written) override;
  bool set_cursor_position(platform::Coord at) override;
  bool set_text_attribute(uint16_t attr) override;
  // The screen's size, the cursor on it, and as window the whole screen.
  bool get_buffer_info(platform::BufferInfo& info) override;
  bool get_cursor_info(platform::CursorInfo& info) override {
    return inner_->get_cursor_info(info);
  }
  bool set_cursor_info(const platform::CursorInfo& info) override {
    return inner_->set_cursor_info(info);
  }
  bool set_buffer_size(platform::Coord size) override;
  // Only the whole screen is a window the view takes.
  bool set_window_info(bool absolute, const platform::Rect& window) override;
  platform::Coord largest_window() override { return inner_->largest_window(); }
  bool window_shapeable() override { return inner_->window_shapeable(); }
  uint32_t get_title(char* buf, uint32_t cap) override { return inner_->get_title(buf, cap); }
  bool set_title(const char* title) override { return inner_->set_title(title); }
  bool peek_input(platform::InputEvent& ev, uint32_t& count) override {
    return inner_->peek_input(ev, count);
  }
  bool read_input(platform::InputEvent& ev, uint32_t& count) override {
    return inner_->read_input(ev, count);
  }
  bool flush_input() override { return inner_->flush_input(); }
  void wait_input(uint32_t ms) override { inner_->wait_input(ms); }
  platform::WindowHandle find_window(const char* marked_title) override {
    return inner_->find_window(marked_title);
  }
  platform::WindowHandle own_window() override { return inner_->own_window(); }
  bool get_window_rect(platform::WindowHandle w, platform::WindowRect& r) override {
    return inner_->get_window_rect(w, r);
  }
  bool set_window_pos(platform::WindowHandle w, int32_t x, int32_t y, int32_t cx, int32_t cy,
                      uint32_t flags) override {
    return inner_->set_window_pos(w, x, y, cx, cy, flags);
  }
  bool lock_window_update(platform::WindowHandle w) override {
    return inner_->lock_window_update(w);
  }
  bool set_foreground_window(platform::WindowHandle w) override {
    return inner_->set_foreground_window(w);
  }
  // Follows the cursor, draws the shown part and the notice, then lets the console present.
  void present() override;

 private:
  platform::Rect whole() const;  // the whole screen, as a window

  platform::Console* inner_ = nullptr;
  platform::CellBuffer screen_;  // the program's screen
  platform::Coord cursor_;
  uint16_t attr_ = 7;
  platform::Rect window_;      // the console's window, as found at start
  platform::ScreenView view_;  // the part of the screen the window shows
  std::vector<platform::Cell> frame_;
  bool changed_ = true;  // something to draw since the last present
};

FittedView& fitted_view();

}  // namespace console
