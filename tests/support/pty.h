// A pseudo-terminal of a given size for the tests, fuzzers and benchmarks that run the
// terminal console on a real terminal device.
#pragma once

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>

namespace test_support {

// Opens a pseudo-terminal pair whose window is `cols` x `rows`: `master` is the emulator's
// side, `slave` the program's. False (with whatever opened closed again) when one cannot be
// had.
inline bool open_pty(int cols, int rows, int& master, int& slave) {
  slave = -1;
  master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0) return false;
  winsize ws{};
  ws.ws_col = static_cast<unsigned short>(cols);
  ws.ws_row = static_cast<unsigned short>(rows);
  if (grantpt(master) == 0 && unlockpt(master) == 0 && ioctl(master, TIOCSWINSZ, &ws) == 0) {
    slave = open(ptsname(master), O_RDWR | O_NOCTTY);
  }
  if (slave < 0) {
    close(master);
    master = -1;
    return false;
  }
  return true;
}

}  // namespace test_support
