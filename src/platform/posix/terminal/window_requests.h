// What the program asked of the terminal's window (a size in cells, a place on the desktop),
// the requests still to send for it, and the requests that put back at exit what the program
// changed.
//
// Invariant: only what the program changed is put back. The start size is asked for again at
// exit once a size request has been sent (whatever the terminal made of it); the start
// position once the terminal reported a move of ours done and the start position known.
#pragma once

#include <cstdint>
#include <string>

#include "platform/posix/terminal/terminal.h"

namespace platform::posix {

class WindowRequests {
 public:
  // Starts over on a terminal of `size`: nothing asked, nothing to put back.
  void reset(TermSize size);

  // The program's window is now `want` cells on a terminal of `terminal`: a size request is
  // readied when the size asked for changes, and dropped when the terminal already has it.
  void want_size(TermSize want, TermSize terminal);
  // The program waits on the screen it drew: the size readied for it may be sent. A size is
  // sent only with a frame the program then waits on, never with the last one it draws on
  // its way out, which would change the terminal just before the size found at start is
  // asked for again.
  void release_size() { size_released_ = !size_request_.empty(); }
  // A size readied and not yet sent is no longer wanted (the program is ending).
  void drop_size_request() {
    size_request_.clear();
    size_released_ = false;
  }
  // A move of the window to `x`, `y`. The position is asked before the first move, to put it
  // back at exit, and after each move, to learn whether the terminal made it.
  void move_to(int32_t x, int32_t y);
  // The terminal's answer to a position query.
  void position_reported(int x, int y);

  // The last position asked for.
  int32_t x() const { return x_; }
  int32_t y() const { return y_; }

  // Whether requests wait to be sent with the next frame.
  bool has_pending() const { return !pending_.empty() || size_released_; }
  // Appends the waiting requests to `out` (a size only once released); true when this sent
  // the first size request, which changes what is put back at exit.
  bool take(std::string& out);

  // The requests that put back what the program changed; empty for none.
  std::string exit_requests() const;
  // The size the terminal is asked to return to at exit; 0 x 0 for none.
  TermSize exit_size() const { return size_sent_ ? original_size_ : TermSize{}; }

 private:
  TermSize asked_size_;          // the window size last asked of the terminal
  TermSize original_size_;       // the terminal's size when the program took it
  std::string size_request_;     // a size request readied, sent once released
  bool size_released_ = false;   // size_request_ goes with the next frame
  std::string pending_;          // moves and position queries to send with the next frame
  bool size_sent_ = false;       // a size request has been sent to the terminal
  bool position_asked_ = false;  // the start position has been asked for
  bool original_pos_known_ = false;
  int32_t original_x_ = 0;  // the start position, once known
  int32_t original_y_ = 0;
  bool moved_ours_ = false;  // the terminal reported the window where the program put it
  int32_t x_ = 0;            // the last position asked for
  int32_t y_ = 0;
};

}  // namespace platform::posix
