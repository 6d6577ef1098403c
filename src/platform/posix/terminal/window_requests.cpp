#include "platform/posix/terminal/window_requests.h"

#include "platform/posix/terminal/escapes.h"

namespace platform::posix {

void WindowRequests::reset(TermSize size) {
  original_size_ = asked_size_ = size;
  size_request_.clear();
  size_released_ = false;
  pending_.clear();
  size_sent_ = position_asked_ = original_pos_known_ = moved_ours_ = false;
}

void WindowRequests::want_size(TermSize want, TermSize terminal) {
  if (want.cols == asked_size_.cols && want.rows == asked_size_.rows) return;
  asked_size_ = want;
  size_request_.clear();
  size_released_ = false;
  if (want.cols != terminal.cols || want.rows != terminal.rows) {
    // The terminal may refuse; its real size is read back when it changes.
    escapes::append_window_size_request(size_request_, want.cols, want.rows);
  }
}

void WindowRequests::move_to(int32_t x, int32_t y) {
  if (x == x_ && y == y_) return;
  x_ = x;
  y_ = y;
  if (!position_asked_) {
    pending_ += escapes::kWindowPositionQuery;
    position_asked_ = true;
  }
  escapes::append_window_move(pending_, x, y);
  pending_ += escapes::kWindowPositionQuery;
}

void WindowRequests::position_reported(int x, int y) {
  if (!original_pos_known_) {
    original_pos_known_ = true;
    original_x_ = x;
    original_y_ = y;
  } else {
    moved_ours_ = x == x_ && y == y_;
  }
}

bool WindowRequests::take(std::string& out) {
  out += pending_;
  pending_.clear();
  if (!size_released_) return false;
  size_released_ = false;
  out += size_request_;
  size_request_.clear();
  if (size_sent_) return false;
  size_sent_ = true;
  return true;
}

std::string WindowRequests::exit_requests() const {
  std::string out;
  if (size_sent_) {
    escapes::append_window_size_request(out, original_size_.cols, original_size_.rows);
  }
  if (moved_ours_ && original_pos_known_ && (original_x_ != x_ || original_y_ != y_)) {
    escapes::append_window_move(out, original_x_, original_y_);
  }
  return out;
}

}  // namespace platform::posix
