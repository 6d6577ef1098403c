#include "platform/posix/terminal/console.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "platform/posix/services.h"
#include "platform/posix/terminal/escapes.h"

namespace platform::posix {
namespace {

int16_t clamp_side(int v) {
  return static_cast<int16_t>(std::clamp(v, 1, static_cast<int>(ScreenBuffer::kMaxSide)));
}

}  // namespace

PosixConsole& console() {
  static PosixConsole the_console;
  return the_console;
}

bool PosixConsole::open(std::string& why, const std::string& title) {
  if (open_) return true;
  if (!term_.open(why)) return false;
  TermCaps caps;
  if (!TermCaps::from_terminfo(nullptr, term_.input_fd(), caps, why)) return false;
  if (!term_.enter(true, caps)) {
    why = "the terminal cannot be switched to raw mode";
    return false;
  }
  start(Charset::from_locale(), caps);
  if (!title.empty()) title_ = shown_title_ = title;
  return true;
}

bool PosixConsole::attach(int in_fd, int out_fd, bool utf8) {
  return attach(in_fd, out_fd, utf8 ? Charset::utf8() : Charset::ascii());
}

bool PosixConsole::attach(int in_fd, int out_fd, const Charset& charset, const TermCaps& caps) {
  if (!term_.attach(in_fd, out_fd) || !term_.enter(false, caps)) return false;
  start(charset, caps);
  return true;
}

void PosixConsole::start(const Charset& charset, const TermCaps& caps) {
  charset_ = charset;
  caps_ = caps;
  renderer_ = Renderer(charset);
  renderer_.set_caps(caps);
  const int escape_timeout_ms = keys_.escape_timeout_ms();
  const int sequence_timeout_ms = keys_.sequence_timeout_ms();
  keys_ = KeyDecoder(charset.is_utf8(), charset.input_high());
  keys_.set_escape_timeout_ms(escape_timeout_ms);
  keys_.set_sequence_timeout_ms(sequence_timeout_ms);
  term_size_ = term_.size();
  requests_.reset(term_size_);
  buffer_ = ScreenBuffer({clamp_side(term_size_.cols), clamp_side(term_size_.rows)});
  title_ = shown_title_ = kProgramName;
  cursor_ = {25, true};
  queue_.clear();
  hung_up_ = false;
  view_.reset();
  overlay_shown_ = false;
  overlay_ = Overlay();
  drawn_version_ = ~uint64_t{0};
  open_ = true;
}

void PosixConsole::close() {
  if (!open_) return;
  // A window size asked for on the way out is a console window's business: the terminal is
  // given back at the size it had when the program took it.
  requests_.drop_size_request();
  present();
  term_.leave();
  open_ = false;
}

// --- screen buffer -----------------------------------------------------------------------

bool PosixConsole::write_output(const Cell* cells, Coord size, Coord from, Rect& region) {
  return open_ && buffer_.write_output(cells, size, from, region);
}

bool PosixConsole::scroll(const Rect& source, const Rect* clip, Coord dest, Cell fill) {
  return open_ && buffer_.scroll(source, clip, dest, fill);
}

bool PosixConsole::fill_chars(uint8_t ch, uint32_t count, Coord at, uint32_t& written) {
  written = 0;
  return open_ && buffer_.fill_chars(ch, count, at, written);
}

bool PosixConsole::fill_attrs(uint16_t attr, uint32_t count, Coord at, uint32_t& written) {
  written = 0;
  return open_ && buffer_.fill_attrs(attr, count, at, written);
}

bool PosixConsole::set_cursor_position(Coord at) {
  return open_ && buffer_.set_cursor_position(at);
}

bool PosixConsole::set_text_attribute(uint16_t attr) {
  if (!open_) return false;
  buffer_.set_attr(attr);
  return true;
}

bool PosixConsole::get_buffer_info(BufferInfo& info) {
  if (!open_) return false;
  info.size = buffer_.size();
  info.cursor = buffer_.cursor();
  info.attr = buffer_.attr();
  info.window = buffer_.window();
  info.max_window = buffer_.size();
  return true;
}

bool PosixConsole::get_cursor_info(CursorInfo& info) {
  if (!open_) return false;
  info = cursor_;
  return true;
}

bool PosixConsole::set_cursor_info(const CursorInfo& info) {
  if (!open_ || info.size < 1 || info.size > 100) return false;
  cursor_ = info;
  ++changes_;
  return true;
}

bool PosixConsole::set_buffer_size(Coord size) {
  return open_ && buffer_.set_size(size);
}

bool PosixConsole::set_window_info(bool absolute, const Rect& window) {
  if (!open_ || !buffer_.set_window(absolute, window)) return false;
  const Rect& w = buffer_.window();
  requests_.want_size({w.right - w.left + 1, w.bottom - w.top + 1}, term_size_);
  return true;
}

// --- title -------------------------------------------------------------------------------

uint32_t PosixConsole::get_title(char* buf, uint32_t cap) {
  if (!open_ || cap == 0) return 0;
  uint32_t n = static_cast<uint32_t>(std::min<size_t>(title_.size(), cap - 1));
  std::memcpy(buf, title_.data(), n);
  buf[n] = 0;
  return n;
}

bool PosixConsole::set_title(const char* title) {
  if (!open_ || title == nullptr) return false;
  title_ = title;
  ++changes_;
  return true;
}

void PosixConsole::append_title(std::string& out) const {
  std::string shown;
  for (unsigned char c : title_) {
    // Control bytes would end or corrupt the request: left out.
    if (c < 32 || c == 127) continue;
    shown += charset_.glyph(c);
  }
  escapes::append_title(out, shown);
}

// --- keyboard ----------------------------------------------------------------------------

void PosixConsole::pump() {
  if (!open_ || hung_up_) return;
  uint8_t buf[512];
  auto now = std::chrono::steady_clock::now();
  for (;;) {
    long n = term_.read_some(buf, sizeof buf);
    if (n < 0) {
      hung_up_ = true;
      if (term_.own_terminal()) {
        // The terminal is gone, as when a console window is closed: end at once.
        restore_terminal_now();
        std::signal(SIGHUP, SIG_DFL);
        std::raise(SIGHUP);
        _exit(129);
      }
      break;
    }
    if (n == 0) break;
    keys_.feed(buf, static_cast<size_t>(n), decoded_);
    last_input_ = now;
    idle_waits_ = 0;
    if (static_cast<size_t>(n) < sizeof buf) break;
  }
  if (keys_.pending() && now - last_input_ >= std::chrono::milliseconds(keys_.expire_after_ms())) {
    keys_.expire(decoded_);
  }
  queue_.insert(queue_.end(), decoded_.begin(), decoded_.end());
  decoded_.clear();
  if (int wheel = keys_.take_wheel(); wheel != 0) {
    view_.scroll(3 * wheel);  // three rows a step, as a console window scrolls
    ++changes_;
  }
  int px, py;
  bool reported = false;
  while (keys_.take_position_report(px, py)) {
    requests_.position_reported(px, py);
    reported = true;
  }
  if (reported) update_exit_requests();
}

void PosixConsole::size_changed() {
  term_size_ = term_.size();
  renderer_.invalidate();
}

void PosixConsole::update_exit_requests() {
  term_.set_exit_requests(requests_.exit_requests(), requests_.exit_size());
}

bool PosixConsole::peek_input(InputEvent& ev, uint32_t& count) {
  count = 0;
  if (!open_) return false;
  requests_.release_size();
  present();
  pump();
  if (!queue_.empty()) {
    ev = queue_.front();
    count = 1;
  }
  return true;
}

bool PosixConsole::read_input(InputEvent& ev, uint32_t& count) {
  if (!peek_input(ev, count)) return false;
  if (count == 1) queue_.pop_front();
  return true;
}

bool PosixConsole::flush_input() {
  if (!open_) return false;
  pump();
  queue_.clear();
  keys_.reset();
  return true;
}

void PosixConsole::wait_input(uint32_t ms) {
  int timeout = static_cast<int>(std::min<uint32_t>(ms, 1u << 30));
  if (!open_ || hung_up_) {
    poll(nullptr, 0, timeout);
    return;
  }
  requests_.release_size();
  present();
  if (!queue_.empty()) return;  // what is waiting in the terminal is read by the next look
  // A run of short waits with nothing drawn and no key in between is a program idle in a
  // key wait, which only a key, a resize or a signal can end. On the process's own terminal
  // each of those ends a wait at once (the signals through the wake pipe), so the wait has
  // no time limit and the idle process sleeps; a terminal given by descriptors, whose size
  // is asked rather than signalled, is looked at every kIdleWaitMs.
  uint64_t state = buffer_.version() * 31 + changes_;
  if (state == idle_state_ && ms > 0) {
    if (idle_waits_ < kIdleWaitsBeforeStretch) ++idle_waits_;
  } else {
    idle_waits_ = 0;
    idle_state_ = state;
  }
  if (idle_waits_ >= kIdleWaitsBeforeStretch) {
    timeout = term_.own_terminal() ? -1 : std::max(timeout, kIdleWaitMs);
  }
  wait_for_bytes(timeout);
}

void PosixConsole::wait_for_bytes(int timeout) {
  if (keys_.pending()) {
    // Bytes wait for the rest of a sequence: no longer than it may take to come.
    auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - last_input_)
                      .count();
    int left = std::max<int>(0, keys_.expire_after_ms() - static_cast<int>(waited));
    timeout = timeout < 0 ? left : std::min(timeout, left);
  }
  term_.wait_readable(timeout);
}

// --- the window --------------------------------------------------------------------------

WindowHandle PosixConsole::find_window(const char* /*marked_title*/) {
  return open_ ? kWindow : 0;
}

bool PosixConsole::get_window_rect(WindowHandle w, WindowRect& r) {
  if (!open_ || w != kWindow) return false;
  // A terminal does not say where it is on the desktop: the last position asked for, and
  // the size of its cells at a nominal 8 x 16 pixels.
  r = {requests_.x(), requests_.y(), requests_.x() + term_size_.cols * 8,
       requests_.y() + term_size_.rows * 16};
  return true;
}

bool PosixConsole::set_window_pos(WindowHandle w, int32_t x, int32_t y, int32_t /*cx*/,
                                  int32_t /*cy*/, uint32_t /*flags*/) {
  if (!open_ || w != kWindow) return false;
  requests_.move_to(x, y);
  return true;
}

bool PosixConsole::lock_window_update(WindowHandle /*w*/) {
  return open_;
}

bool PosixConsole::set_foreground_window(WindowHandle w) {
  return open_ && w == kWindow;
}

// --- drawing -----------------------------------------------------------------------------

void PosixConsole::compose(Frame& frame) {
  const int tc = term_size_.cols, tr = term_size_.rows;
  const Rect& win = buffer_.window();
  const int ww = win.right - win.left + 1, wh = win.bottom - win.top + 1;
  frame.resize(tc, tr, Cell{' ', 7});
  Coord cur = buffer_.cursor();
  const int cx = cur.x - win.left, cy = cur.y - win.top;
  view_.place(tc, tr, ww, wh, cx, cy);
  const int vc = view_.cols(), vr = view_.rows();
  for (int y = 0; y < vr; ++y) {
    for (int x = 0; x < vc; ++x) {
      frame.at(x, y) = buffer_.at(win.left + view_.x() + x, win.top + view_.y() + y);
    }
  }
  frame.cursor_x = cx - view_.x();
  frame.cursor_y = cy - view_.y();
  frame.cursor_size = cursor_.size;
  frame.cursor_visible = cursor_.visible && frame.cursor_x >= 0 && frame.cursor_x < vc &&
                         frame.cursor_y >= 0 && frame.cursor_y < vr;
  if (view_.small() && tr > 0) ScreenView::notice(&frame.at(0, tr - 1), tc, tr, ww, wh);
  if (overlay_shown_) draw_overlay(frame);
}

void PosixConsole::draw_overlay(Frame& frame) const {
  frame.glyphs.assign(frame.cells.size(), 0);
  frame.cursor_visible = false;
  for (int y = 0; y < overlay_.height; ++y) {
    const int ty = overlay_.top + y;
    if (ty < 0 || ty >= frame.rows) continue;
    for (int x = 0; x < overlay_.width; ++x) {
      const int tx = overlay_.left + x;
      if (tx < 0 || tx >= frame.cols) continue;
      const OverlayCell& cell = overlay_.at(x, y);
      // Printable ASCII is the same glyph in code page 437 and every charset; any other
      // character is shown as itself rather than as a code page 437 glyph.
      const bool ascii = cell.ch >= 0x20 && cell.ch < 0x7F;
      frame.at(tx, ty) = Cell{static_cast<uint8_t>(ascii ? cell.ch : '?'), cell.attr};
      frame.glyphs[static_cast<size_t>(ty) * frame.cols + tx] = ascii ? 0 : cell.ch;
    }
  }
}

void PosixConsole::show_overlay(Overlay overlay) {
  if (!open_) return;
  overlay_ = std::move(overlay);
  overlay_shown_ = true;
  ++changes_;
  present();
}

void PosixConsole::close_overlay() {
  if (!overlay_shown_) return;
  overlay_shown_ = false;
  overlay_ = Overlay();
  // The screen beneath is drawn whole again, as after anything else that may have written
  // to the terminal while the box was up.
  renderer_.invalidate();
  ++changes_;
  present();
}

bool PosixConsole::read_modal_key(std::optional<InputEvent>& ev, int idle_ms) {
  ev.reset();
  if (!open_) return false;
  requests_.release_size();
  present();  // a change of size meanwhile draws the screen and the box again
  pump();
  if (queue_.empty() && !hung_up_) {
    wait_for_bytes(std::max(idle_ms, 0));
    pump();
  }
  if (queue_.empty()) return !hung_up_;
  ev = queue_.front();
  queue_.pop_front();
  return true;
}

void PosixConsole::present() {
  if (!open_) return;
  bool force = false;
  // A terminal of the process reports a change of size by a signal; one given by descriptors
  // is asked each time.
  bool resized = false;
  if (term_.own_terminal()) {
    resized = take_resize_signal();
  } else {
    TermSize now = term_.size();
    resized = now.cols != term_size_.cols || now.rows != term_size_.rows;
  }
  if (resized) {
    size_changed();
    force = true;
  }
  if (!force && buffer_.version() == drawn_version_ && changes_ == drawn_changes_ &&
      !requests_.has_pending()) {
    return;
  }
  compose(frame_);
  out_.clear();
  if (requests_.take(out_)) update_exit_requests();
  if (const char* mouse = view_.mouse_request(force)) out_ += mouse;
  if (title_ != shown_title_ && caps_.titles) {
    append_title(out_);
    shown_title_ = title_;
  }
  renderer_.render(frame_, out_);
  if (!out_.empty()) term_.write_all(out_);
  drawn_version_ = buffer_.version();
  drawn_changes_ = changes_;
}

}  // namespace platform::posix
