#include "platform/posix/terminal/terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/posix/terminal/escapes.h"

namespace platform::posix {
namespace {

// State the signal handlers read: written before the handlers are installed or with the
// handlers unable to see a half-written value (lengths are set last).
struct RestoreState {
  int tty_fd = -1;
  int out_fd = -1;
  termios saved{};
  termios raw{};
  volatile sig_atomic_t active = 0;     // raw mode and the program's screen are on
  volatile sig_atomic_t suspended = 0;  // given back for a stop; taken again on continuing
  SignalBytes exit_bytes;               // window requests that undo the program's own
  SignalBytes enter;  // sent on taking the terminal and again on return from a stop
  SignalBytes leave;  // sent on giving it back
};
RestoreState g_restore;
volatile sig_atomic_t g_resized = 0;
int g_wake[2] = {-1, -1};
bool g_handlers_installed = false;

// Every signal whose default action ends the process (SIGKILL aside, which cannot be caught);
// the real-time signals are added when the handlers are installed.
constexpr int kDeadlySignals[] = {
    SIGHUP,    SIGINT,  SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,    SIGFPE,  SIGUSR1, SIGSEGV,
    SIGUSR2,   SIGPIPE, SIGALRM, SIGTERM, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGSYS,  SIGIO,
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
#ifdef SIGEMT
    SIGEMT,
#endif
#ifdef SIGLOST
    SIGLOST,
#endif
};
struct sigaction g_previous[NSIG];

void raw_write(int fd, const char* p, size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return;
    p += w;
    n -= static_cast<size_t>(w);
  }
}

void wake() {
  if (g_wake[1] >= 0) {
    char b = 1;
    ssize_t r = ::write(g_wake[1], &b, 1);
    (void)r;
  }
}

void on_resize(int) {
  int saved = errno;
  g_resized = 1;
  wake();
  errno = saved;
}

void on_deadly(int sig) {
  int saved = errno;
  restore_terminal_now();
  // Hand the signal to whoever had it before (the default action, or a sanitizer's report).
  sigaction(sig, &g_previous[sig], nullptr);
  raise(sig);  // delivered when this handler returns
  errno = saved;
}

// The terminal is ours to change only while the process is in its foreground: a change
// from the background would stop the process (SIGTTOU) or undo the shell's settings.
bool in_foreground() {
  return tcgetpgrp(g_restore.tty_fd) == getpgrp();
}

// Raw mode and the program's screen back, after a stop, when the process is in the
// foreground; from the background nothing is touched, and the next SIGCONT (fg) does it.
void take_back() {
  if (!g_restore.suspended || !in_foreground()) return;
  g_restore.suspended = 0;
  tcsetattr(g_restore.tty_fd, TCSANOW, &g_restore.raw);
  raw_write(g_restore.out_fd, g_restore.enter.data(), g_restore.enter.size());
  g_restore.active = 1;
  g_resized = 1;  // the screen must be drawn again
  wake();
}

// SIGTSTP, SIGTTIN and SIGTTOU: the terminal is given back, then the process stops as the
// signal asks.
void on_stop(int sig) {
  int saved = errno;
  if (g_restore.active) {
    restore_terminal_now();
    g_restore.suspended = 1;
  }
  struct sigaction dfl = {};
  dfl.sa_handler = SIG_DFL;
  sigaction(sig, &dfl, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(sig);  // stops here until SIGCONT
  struct sigaction again = {};
  again.sa_handler = on_stop;
  sigemptyset(&again.sa_mask);
  sigaction(sig, &again, nullptr);
  take_back();
  errno = saved;
}

// SIGCONT, after any stop, SIGSTOP included (which cannot be caught, and after which the shell
// has put its own terminal settings back).
void on_continue(int) {
  int saved = errno;
  if (g_restore.active) g_restore.suspended = 1;
  take_back();
  errno = saved;
}

void restore_at_exit() {
  restore_terminal_now();
}

void install_handlers() {
  if (g_handlers_installed) return;
  g_handlers_installed = true;
  if (::pipe(g_wake) == 0) {
    for (int fd : g_wake) {
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
      fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
  }
  struct sigaction sa = {};
  sigemptyset(&sa.sa_mask);
  sa.sa_handler = on_resize;
  sa.sa_flags = SA_RESTART;
  sigaction(SIGWINCH, &sa, nullptr);
  auto take = [](int sig) {
    if (sig <= 0 || sig >= NSIG) return;
    struct sigaction old = {};
    if (sigaction(sig, nullptr, &old) != 0) return;
    // A signal the parent chose to ignore (nohup) stays ignored: it would not end the process.
    if (old.sa_handler == SIG_IGN) return;
    g_previous[sig] = old;
    struct sigaction deadly = {};
    sigemptyset(&deadly.sa_mask);
    deadly.sa_handler = on_deadly;
    sigaction(sig, &deadly, nullptr);
  };
  for (int sig : kDeadlySignals) take(sig);
#if defined(SIGRTMIN) && defined(SIGRTMAX)
  for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig) take(sig);
#endif
  struct sigaction stop = {};
  sigemptyset(&stop.sa_mask);
  stop.sa_handler = on_stop;
  for (int sig : {SIGTSTP, SIGTTIN, SIGTTOU}) {
    struct sigaction old = {};
    sigaction(sig, nullptr, &old);
    if (old.sa_handler != SIG_IGN) sigaction(sig, &stop, nullptr);
  }
  struct sigaction cont = {};
  sigemptyset(&cont.sa_mask);
  cont.sa_handler = on_continue;
  cont.sa_flags = SA_RESTART;
  sigaction(SIGCONT, &cont, nullptr);
  std::atexit(restore_at_exit);
}

}  // namespace

void SignalBytes::set(const std::string& bytes) {
  len_ = 0;  // a handler from here on writes nothing
  std::atomic_signal_fence(std::memory_order_seq_cst);
  storage_ = bytes;
  data_ = storage_.data();
  std::atomic_signal_fence(std::memory_order_seq_cst);
  len_ = static_cast<sig_atomic_t>(storage_.size());
}

void restore_terminal_now() {
  g_restore.suspended = 0;
  if (!g_restore.active) return;
  g_restore.active = 0;
  // From the background the shell has the terminal, with its own settings: left alone.
  if (!in_foreground()) return;
  raw_write(g_restore.out_fd, g_restore.leave.data(), g_restore.leave.size());
  raw_write(g_restore.out_fd, g_restore.exit_bytes.data(), g_restore.exit_bytes.size());
  tcsetattr(g_restore.tty_fd, TCSANOW, &g_restore.saved);
}

bool take_resize_signal() {
  if (!g_resized) return false;
  g_resized = 0;
  return true;
}

bool Terminal::open(std::string& why) {
  int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (tty < 0) {
    why = "this program needs a terminal to run in, and it has none";
    return false;
  }
  in_fd_ = tty;
  owns_in_ = true;
  // Screen output goes to standard output when it is a terminal, else standard error; when
  // both are redirected it still reaches the terminal the keys come from.
  out_fd_ = isatty(STDOUT_FILENO) ? STDOUT_FILENO : isatty(STDERR_FILENO) ? STDERR_FILENO : tty;
  return true;
}

bool Terminal::attach(int in_fd, int out_fd) {
  in_fd_ = in_fd;
  out_fd_ = out_fd;
  owns_in_ = false;
  fcntl(in_fd_, F_SETFL, fcntl(in_fd_, F_GETFL) | O_NONBLOCK);
  return true;
}

bool Terminal::enter(bool own_terminal, const TermCaps& caps) {
  // Taking the terminal: title pushed, alternate screen, keypad keys on, auto-wrap off (the
  // renderer never relies on wrapping, and writing the last cell must not scroll).
  std::string enter = caps.titles ? escapes::kTitlePush : "";
  enter += caps.enter_screen + caps.keypad_on + escapes::kAutoWrapOff;
  // Giving it back: mouse reporting off, colours reset, cursor shown in the entry's own
  // shape, keypad off, auto-wrap on, the screen cleared in the default colours, main screen,
  // title popped. The screen is cleared even where the entry has an alternate screen: a
  // terminal may ignore it (GNU screen without "altscreen on"), and the program's colours
  // would stay under what the shell prints next.
  std::string leave = std::string(escapes::kMouseOff) + escapes::kResetColours + caps.show_cursor;
  if (caps.cursor_shape) leave += caps.cursor_reset;
  leave += caps.keypad_off + escapes::kAutoWrapOn + escapes::kHome + escapes::kEraseScreen +
           caps.leave_screen;
  if (caps.titles) leave += escapes::kTitlePop;
  enter_ = enter;
  leave_ = leave;

  termios saved{};
  if (tcgetattr(in_fd_, &saved) != 0) return false;
  termios raw = saved;
  raw.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                        IXON | IXOFF);
  raw.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  // The terminal's own suspend character (as the user's settings have it, usually Ctrl+Z)
  // still stops the program, so ISIG stays on; the interrupt and quit characters are taken
  // out of it and arrive as the keys they are: Ctrl+C is character 3, as a console whose
  // processed input is off gives it, and never ends the program.
  raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | IEXTEN);
  raw.c_lflag |= ISIG;
  raw.c_cc[VINTR] = _POSIX_VDISABLE;
  raw.c_cc[VQUIT] = _POSIX_VDISABLE;
#ifdef VDSUSP
  raw.c_cc[VDSUSP] = _POSIX_VDISABLE;  // a delayed suspend would stop on a later read
#endif
  raw.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
  raw.c_cflag |= CS8;
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  own_terminal_ = own_terminal;
  if (own_terminal) {
    g_restore.enter.set(enter_);
    g_restore.leave.set(leave_);
    g_restore.tty_fd = in_fd_;
    g_restore.out_fd = out_fd_;
    g_restore.saved = saved;
    g_restore.raw = raw;
    install_handlers();
  }
  if (tcsetattr(in_fd_, TCSANOW, &raw) != 0) return false;
  raw_write(out_fd_, enter_.data(), enter_.size());
  if (own_terminal) g_restore.active = 1;
  return true;
}

void Terminal::leave() {
  if (own_terminal_) {
    restore_terminal_now();
    settle();
  } else if (in_fd_ >= 0) {
    raw_write(out_fd_, leave_.data(), leave_.size());
  }
}

bool Terminal::write_all(const std::string& bytes) {
  const char* p = bytes.data();
  size_t n = bytes.size();
  while (n > 0) {
    ++write_calls_;
    ssize_t w = ::write(out_fd_, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && errno == EAGAIN) {
      pollfd pfd{out_fd_, POLLOUT, 0};
      poll(&pfd, 1, 100);
      continue;
    }
    if (w <= 0) return false;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

long Terminal::read_some(uint8_t* buf, size_t cap) {
  for (;;) {
    ssize_t r = ::read(in_fd_, buf, cap);
    if (r > 0) return static_cast<long>(r);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
    return -1;  // end of file or an error: the terminal is gone
  }
}

void Terminal::wait_readable(int ms) {
  pollfd fds[2] = {{in_fd_, POLLIN, 0}, {g_wake[0], POLLIN, 0}};
  int n = g_wake[0] >= 0 ? 2 : 1;
  if (poll(fds, static_cast<nfds_t>(n), ms) > 0 && n == 2 && (fds[1].revents & POLLIN)) {
    char drain[16];
    while (::read(g_wake[0], drain, sizeof drain) > 0) {
    }
  }
}

TermSize Terminal::size() const {
  winsize ws{};
  if (ioctl(in_fd_, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
    return {ws.ws_col, ws.ws_row};
  }
  return {80, 24};
}

void Terminal::settle() const {
  // The size asked for at exit reaches the terminal after the process is gone; waiting a
  // moment for it means a program started next reads the settled size, not the old one.
  if (settle_size_.cols <= 0) return;
  for (int i = 0; i < 25; ++i) {
    TermSize now = size();
    if (now.cols == settle_size_.cols && now.rows == settle_size_.rows) return;
    poll(nullptr, 0, 8);
  }
}

void Terminal::set_exit_requests(const std::string& bytes, TermSize settle) {
  if (!own_terminal_) return;
  settle_size_ = settle;
  g_restore.exit_bytes.set(bytes);
}

}  // namespace platform::posix
