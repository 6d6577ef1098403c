// The terminal device the console draws on and reads keys from: raw mode, the alternate
// screen, and putting the terminal back on every way out of the process, signals included.
#pragma once

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/posix/terminal/term_caps.h"

namespace platform::posix {

struct TermSize {
  int cols = 0;
  int rows = 0;
};

// A run of bytes that a signal handler can write out, whatever its length: the bytes live in
// storage sized when they are set (never in a signal handler), and a handler sees either the
// old run or the new one whole, as the length is cleared before the bytes change and set
// after them. Only the thread that sets the bytes may be interrupted by such a handler.
class SignalBytes {
 public:
  SignalBytes() = default;
  // A handler that runs while the process ends, after this is gone, writes nothing.
  ~SignalBytes() { len_ = 0; }
  SignalBytes(const SignalBytes&) = delete;
  SignalBytes& operator=(const SignalBytes&) = delete;

  void set(const std::string& bytes);
  // Async-signal-safe.
  const char* data() const { return data_; }
  size_t size() const { return static_cast<size_t>(len_); }

 private:
  std::string storage_;
  const char* volatile data_ = nullptr;
  volatile sig_atomic_t len_ = 0;
};

class Terminal {
 public:
  // The controlling terminal (/dev/tty) for keys; output to standard output when it is a
  // terminal, else standard error, else the controlling terminal itself. False with a
  // reason when the process has no terminal.
  bool open(std::string& why);
  // A terminal given by descriptors (tests and benchmarks); no signal handling is set up.
  bool attach(int in_fd, int out_fd);

  // Raw mode (no echo, no flow control; of the signal keys only the terminal's suspend
  // character: the interrupt and quit characters arrive as keys), alternate screen, auto-wrap
  // off, the title saved on the terminal's title stack. With `own_terminal` (the process's own
  // terminal), signal handlers and an exit hook put the terminal back however the process ends.
  bool enter(bool own_terminal, const TermCaps& caps = TermCaps());
  // True between enter() and leave() on the process's own terminal.
  bool own_terminal() const { return own_terminal_; }
  // Puts the terminal back as it was found. Safe to call more than once.
  void leave();

  // Writes all of `bytes` with one write call (more only when the device takes part).
  bool write_all(const std::string& bytes);
  // Reads what is waiting without blocking: the byte count, 0 when nothing, -1 when the
  // terminal has hung up.
  long read_some(uint8_t* buf, size_t cap);
  // Waits up to `ms` for input (or a resize); returns at once when input comes.
  void wait_readable(int ms);
  // The terminal's size in cells (80 x 24 when it reports none).
  TermSize size() const;
  // Requests sent to the terminal when the program ends, however it ends (to put back a
  // window size or position the program changed); empty for none. A normal exit waits a
  // moment for the terminal to take the size `settle` (none when 0 x 0).
  void set_exit_requests(const std::string& bytes, TermSize settle = {});

  int input_fd() const { return in_fd_; }

  // --- test seams ------------------------------------------------------------------------
  // The write calls made so far: a frame is drawn with one (tests and benchmarks count them).
  uint64_t write_calls() const { return write_calls_; }

 private:
  int in_fd_ = -1;
  int out_fd_ = -1;
  bool owns_in_ = false;
  bool own_terminal_ = false;
  std::string enter_;
  std::string leave_;
  TermSize settle_size_;
  uint64_t write_calls_ = 0;

  void settle() const;
};

// True once after each change of the terminal's size (SIGWINCH) or return from a stop.
bool take_resize_signal();
// Async-signal-safe: puts the terminal of the process back (cooked mode, main screen,
// cursor shown, colours reset, title restored). Used by the exit paths and signal handlers.
void restore_terminal_now();

}  // namespace platform::posix
