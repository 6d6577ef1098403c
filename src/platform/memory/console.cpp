#include "platform/memory/console.h"

#include <algorithm>
#include <cstring>

#include "platform/keyboard_layout.h"

namespace platform::memory {
namespace {

constexpr size_t kMarkBlanks = 13;
// Consecutive looks at an empty input queue without a wait in between that count as the
// program polling for a key that will never come.
constexpr uint32_t kIdlePeekLimit = 100000;

std::string rect_text(const Rect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

}  // namespace

MemoryConsole::MemoryConsole(int16_t width, int16_t height, int16_t window_width,
                             int16_t window_height)
    : cells_(Coord{width, height}) {
  if (window_width <= 0) window_width = width;
  if (window_height <= 0) window_height = height;
  window_ =
      Rect{0, 0, static_cast<int16_t>(window_width - 1), static_cast<int16_t>(window_height - 1)};
}

bool MemoryConsole::write_output(const Cell* cells, Coord size, Coord from, Rect& region) {
  return !broken_ && cells_.write(cells, size, from, region);
}

bool MemoryConsole::scroll(const Rect& source, const Rect* clip, Coord dest, Cell fill) {
  return !broken_ && cells_.scroll(source, clip, dest, fill);
}

bool MemoryConsole::fill_chars(uint8_t ch, uint32_t count, Coord at, uint32_t& written) {
  written = 0;
  if (broken_ || !cells_.fill_chars(ch, count, at, written)) return false;
  const Coord size = cells_.size();
  if (at.x == 0 && at.y == 0 && written == static_cast<uint32_t>(size.x) * size.y) {
    log_.push_back("clear");
  }
  return true;
}

bool MemoryConsole::fill_attrs(uint16_t attr, uint32_t count, Coord at, uint32_t& written) {
  written = 0;
  return !broken_ && cells_.fill_attrs(attr, count, at, written);
}

bool MemoryConsole::set_cursor_position(Coord at) {
  if (broken_ || !cells_.contains(at)) return false;
  cursor_ = at;
  show_cursor_in_window();
  return true;
}

// Like a Win32 console: moving the cursor out of the window scrolls the window over the
// buffer just far enough to show it.
void MemoryConsole::show_cursor_in_window() {
  const int w = window_.right - window_.left + 1;
  const int h = window_.bottom - window_.top + 1;
  int left = window_.left;
  int top = window_.top;
  if (cursor_.x < left) left = cursor_.x;
  if (cursor_.x > left + w - 1) left = cursor_.x - w + 1;
  if (cursor_.y < top) top = cursor_.y;
  if (cursor_.y > top + h - 1) top = cursor_.y - h + 1;
  window_ = Rect{static_cast<int16_t>(left), static_cast<int16_t>(top),
                 static_cast<int16_t>(left + w - 1), static_cast<int16_t>(top + h - 1)};
}

bool MemoryConsole::set_text_attribute(uint16_t attr) {
  if (broken_) return false;
  attr_ = attr;
  return true;
}

bool MemoryConsole::get_buffer_info(BufferInfo& info) {
  if (broken_) return false;
  const Coord size = cells_.size();
  info.size = size;
  info.cursor = cursor_;
  info.attr = attr_;
  info.window = window_;
  info.max_window = Coord{std::min(size.x, max_window_.x), std::min(size.y, max_window_.y)};
  return true;
}

bool MemoryConsole::get_cursor_info(CursorInfo& info) {
  if (broken_) return false;
  info = cursor_info_;
  return true;
}

bool MemoryConsole::set_cursor_info(const CursorInfo& info) {
  if (broken_ || info.size < 1 || info.size > 100) return false;
  cursor_info_ = info;
  return true;
}

bool MemoryConsole::set_buffer_size(Coord size) {
  const std::string what = "buffer " + std::to_string(size.x) + "x" + std::to_string(size.y);
  const int w = window_.right - window_.left + 1;
  const int h = window_.bottom - window_.top + 1;
  if (broken_ || size.x < w || size.y < h || !cells_.resize(size, Cell{' ', attr_})) {
    log_.push_back(what + " failed");
    return false;
  }
  // The window keeps its size and moves back inside the buffer when it would stick out.
  int left = std::min<int>(window_.left, size.x - w);
  int top = std::min<int>(window_.top, size.y - h);
  window_ = Rect{static_cast<int16_t>(left), static_cast<int16_t>(top),
                 static_cast<int16_t>(left + w - 1), static_cast<int16_t>(top + h - 1)};
  cursor_.x = std::min<int16_t>(cursor_.x, static_cast<int16_t>(size.x - 1));
  cursor_.y = std::min<int16_t>(cursor_.y, static_cast<int16_t>(size.y - 1));
  log_.push_back(what);
  return true;
}

bool MemoryConsole::set_window_info(bool absolute, const Rect& window) {
  Rect r = window;
  if (!absolute) {
    r = Rect{static_cast<int16_t>(window_.left + window.left),
             static_cast<int16_t>(window_.top + window.top),
             static_cast<int16_t>(window_.right + window.right),
             static_cast<int16_t>(window_.bottom + window.bottom)};
  }
  const int w = r.right - r.left + 1;
  const int h = r.bottom - r.top + 1;
  if (broken_ || r.left < 0 || r.top < 0 || w < 1 || h < 1 || r.right >= width() ||
      r.bottom >= height() || w > max_window_.x || h > max_window_.y) {
    log_.push_back("window failed");
    return false;
  }
  window_ = r;
  log_.push_back("window " + rect_text(r));
  return true;
}

uint32_t MemoryConsole::get_title(char* buf, uint32_t cap) {
  if (broken_ || !buf || cap == 0) return 0;
  size_t n = std::min<size_t>(title_.size(), cap - 1);
  std::memcpy(buf, title_.data(), n);
  buf[n] = '\0';
  return static_cast<uint32_t>(n);
}

bool MemoryConsole::set_title(const char* title) {
  if (broken_ || !title) return false;
  title_ = title;
  return true;
}

void MemoryConsole::idle() {
  empty_peeks_ = 0;
  if (!input_.empty()) return;
  if (!idle_steps_.empty()) {
    std::function<void()> step = std::move(idle_steps_.front());
    idle_steps_.pop_front();
    step();
    if (!input_.empty()) return;
  }
  throw InputExhausted("the program waits for input and the script has none left; screen:\n" +
                       dump());
}

bool MemoryConsole::peek_input(InputEvent& ev, uint32_t& count) {
  count = 0;
  if (broken_) return false;
  if (input_.empty()) {
    if (++empty_peeks_ >= kIdlePeekLimit) idle();
    if (input_.empty()) return true;
  }
  empty_peeks_ = 0;
  ev = input_.front();
  count = 1;
  return true;
}

bool MemoryConsole::read_input(InputEvent& ev, uint32_t& count) {
  count = 0;
  if (broken_) return false;
  if (input_.empty()) idle();  // a real console would block here
  ev = input_.front();
  input_.pop_front();
  count = 1;
  return true;
}

bool MemoryConsole::flush_input() {
  if (broken_) return false;
  if (input_is_console_) input_.clear();
  return true;
}

void MemoryConsole::wait_input(uint32_t /*ms*/) {
  if (input_.empty()) idle();
}

WindowHandle MemoryConsole::own_window() {
  return knows_window_ && findable_ && !broken_ ? kWindowHandle : 0;
}

WindowHandle MemoryConsole::find_window(const char* marked_title) {
  if (broken_ || !findable_ || !marked_title || title_ != marked_title) return 0;
  if (title_.size() < kMarkBlanks || title_.compare(title_.size() - kMarkBlanks, kMarkBlanks,
                                                    std::string(kMarkBlanks, ' ')) != 0) {
    return 0;
  }
  return kWindowHandle;
}

bool MemoryConsole::get_window_rect(WindowHandle w, WindowRect& r) {
  if (w != kWindowHandle) return false;
  r = desktop_;
  return true;
}

bool MemoryConsole::set_window_pos(WindowHandle w, int32_t x, int32_t y, int32_t cx, int32_t cy,
                                   uint32_t flags) {
  if (w != kWindowHandle) return false;
  int32_t width = desktop_.right - desktop_.left;
  int32_t height = desktop_.bottom - desktop_.top;
  if (!(flags & kSwpNoSize)) {
    width = cx;
    height = cy;
  }
  desktop_ = WindowRect{x, y, x + width, y + height};
  log_.push_back("move " + std::to_string(x) + "," + std::to_string(y));
  return true;
}

bool MemoryConsole::lock_window_update(WindowHandle w) {
  if (w != 0 && w != kWindowHandle) return false;
  if (w != 0 && locked_ != 0) return false;  // one window at a time, as on the desktop
  locked_ = w;
  log_.push_back(w ? "lock" : "unlock");
  return true;
}

bool MemoryConsole::set_foreground_window(WindowHandle w) {
  if (w != kWindowHandle) return false;
  ++foreground_calls_;
  return true;
}

void MemoryConsole::set_max_window(int16_t columns, int16_t rows) {
  max_window_ = Coord{columns, rows};
}

void MemoryConsole::push_key_down(uint8_t ch, uint16_t scan, uint32_t control) {
  InputEvent ev;
  ev.type = InputEvent::kKey;
  ev.key_down = true;
  ev.ch = ch;
  ev.scan_code = scan;
  ev.control = control;
  input_.push_back(ev);
}

void MemoryConsole::push_key_up(uint8_t ch, uint16_t scan, uint32_t control) {
  push_key_down(ch, scan, control);
  input_.back().key_down = false;
}

void MemoryConsole::push_key(uint8_t ch, uint16_t scan, uint32_t control) {
  push_key_down(ch, scan, control);
  push_key_up(ch, scan, control);
}

void MemoryConsole::push_text(std::string_view text) {
  for (char c : text) {
    uint8_t ch = static_cast<uint8_t>(c);
    const UsKey key = us_key(ch);
    const uint32_t control = key.shift ? uint32_t{kShift} : uint32_t{0};
    push_key_down(ch, key.scan, control);
    input_.back().virtual_key = key.vk;
    push_key_up(ch, key.scan, control);
    input_.back().virtual_key = key.vk;
  }
}

void MemoryConsole::push_non_key(uint16_t type) {
  InputEvent ev;
  ev.type = type;
  ev.key_down = false;
  input_.push_back(ev);
}

CellView MemoryConsole::cell(int row, int column) const {
  if (!cells_.contains(column - 1, row - 1)) throw std::out_of_range("cell outside the buffer");
  const Cell& c = cells_.at(column - 1, row - 1);
  return CellView{c.ch, c.attr & 0x0F, (c.attr >> 4) & 0x0F};
}

std::string MemoryConsole::row_text(int row) const {
  return text(row, 1, width());
}

std::string MemoryConsole::text(int row, int column, int length) const {
  std::string out;
  if (row < 1 || row > height() || column < 1) return out;
  for (int x = column - 1; x < width() && x < column - 1 + length; ++x) {
    out.push_back(static_cast<char>(cells_.at(x, row - 1).ch));
  }
  return out;
}

std::string MemoryConsole::dump() const {
  std::string out;
  for (int row = 1; row <= height(); ++row) {
    std::string line = row_text(row);
    line.erase(line.find_last_not_of(' ') + 1);
    out += line;
    out += '\n';
  }
  return out;
}

}  // namespace platform::memory
