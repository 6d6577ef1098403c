"""orvane-table.exe under Wine as people start it today, each screen read back by a terminal
model (pyte), not by the program's own checkers:

- in an 80 x 24 terminal (the program cannot have its 80 x 50 window): the notice row, the
  prompt and the typed name in view after F, the farewell in view after EXIT, exit code 0;
- under the code pages 850 and 65001: the refusal line shows the same glyphs as under 437;
- the console's input and output modes and code pages are the same before and after a run
  (console_probe.exe --modes reads them in the same console, around the program);
- with no console at all: exit code 1 within 2 seconds of the time the same Wine loader takes
  to start and end a program built alike (console_probe.exe --modes, which looks and ends),
  and a line on standard error, even with a print server that accepts and never answers
  (Wine's spooler asks it for printers as it loads: the program must not load it to start);
- --help names HOW-TO-RUN.txt.

    console_fit.py BUILD_DIR     (the x86_64 build; WINEPREFIX and OT_WINE, the 64-bit
                                  loader, from the caller)
"""
import os
import pty
import select
import struct
import subprocess
import sys
import tempfile
import time
import fcntl
import shutil
import socket
import termios

import pyte

build = os.path.abspath(sys.argv[1])
exe = os.path.join(build, "src", "orvane-table.exe")
probe = os.path.join(build, "tests", "windows", "console_probe.exe")
env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8", TERM="xterm")
env.pop("DISPLAY", None)
env.pop("WAYLAND_DISPLAY", None)
wine = os.environ.get("OT_WINE", "wine")
failures = 0


def check(what, ok, detail=""):
    global failures
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures += 1
        if detail:
            print(detail)


class Pane:
    """A program on a pseudo-terminal of the given size, drawn into a pyte screen."""

    def __init__(self, argv, rows, cols, cwd):
        self.screen = pyte.Screen(cols, rows)
        self.stream = pyte.ByteStream(self.screen)
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            fcntl.ioctl(0, termios.TIOCSWINSZ, struct.pack("HHHH", rows, cols, 0, 0))
            os.chdir(cwd)
            os.execvpe(argv[0], argv, env)
        fcntl.ioctl(self.fd, termios.TIOCSWINSZ, struct.pack("HHHH", rows, cols, 0, 0))
        self.status = None

    def pump(self, seconds):
        end = time.time() + seconds
        while time.time() < end:
            r, _, _ = select.select([self.fd], [], [], 0.05)
            if not r:
                continue
            try:
                data = os.read(self.fd, 65536)
            except OSError:
                data = b""
            if not data:
                self.wait_exit(1)
                return
            self.stream.feed(data)

    def text(self):
        return "\n".join(self.screen.display)

    def wait_for(self, needle, seconds):
        end = time.time() + seconds
        while time.time() < end:
            self.pump(0.2)
            if needle in self.text():
                self.pump(0.3)  # let the frame finish
                return True
        return False

    def send(self, data):
        for b in data:
            os.write(self.fd, bytes([b]))
            self.pump(0.05)

    def wait_exit(self, seconds):
        end = time.time() + seconds
        while self.status is None and time.time() < end:
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid:
                self.status = os.waitstatus_to_exitcode(status)
                break
            try:
                r, _, _ = select.select([self.fd], [], [], 0.1)
                if r:
                    self.stream.feed(os.read(self.fd, 65536))
            except OSError:
                time.sleep(0.1)
        return self.status

    def kill(self):
        if self.status is None:
            try:
                os.kill(self.pid, 9)
                os.waitpid(self.pid, 0)
            except OSError:
                pass


work = tempfile.mkdtemp()
NOTICE = "The window is 80 x 24: make it at least 80 x 50 to see the whole screen"

# --- an 80 x 24 terminal -----------------------------------------------------------------
p = Pane([wine, exe], 24, 80, work)
try:
    check("80x24: the main screen comes up", p.wait_for(NOTICE, 120), p.text())
    bottom = p.screen.display[23]
    check("80x24: the notice is on the last row", NOTICE in bottom, p.text())
    # The options panel (rows 19 to 27 of the screen) is in view, as in a terminal.
    shown = "\n".join(p.screen.display)
    check("80x24: the options panel is in view",
          all(t in shown for t in ("User Options - Main", "Press A Letter", "X - Exit")), p.text())
    p.send(b"f")
    check("80x24: F shows the filename entry", p.wait_for(">> ", 30), p.text())
    p.send(b"blind-name")
    shown = p.wait_for(">> blind-name", 10)
    check("80x24: the prompt and the typed name are in view", shown, p.text())
    row = p.screen.cursor.y
    check("80x24: the cursor is just after the typed name",
          p.screen.display[row][: p.screen.cursor.x].endswith(">> blind-name"), p.text())
    check("80x24: the notice stays on the last row", NOTICE in p.screen.display[23], p.text())
    p.send(b"\x08" * 10 + b"EXIT\r")
    check("80x24: the farewell is in view",
          p.wait_for("Thank you for using Orvane-Table", 30), p.text())
    check("80x24: exit code 0", p.wait_exit(30) == 0, "exit: %s" % p.status)
finally:
    p.kill()

# --- other code pages, and the console given back -------------------------------------------
for cp in ("850", "65001"):
    modes = os.path.join(work, "modes-%s.txt" % cp)
    line = "chcp %s >nul & %s --modes >>%s & %s & %s --modes >>%s" % (
        cp, probe, modes, exe, probe, modes)
    p = Pane([wine, "cmd", "/c", line], 50, 80, work)
    try:
        ok = p.wait_for("X - Exit", 120)
        check("code page %s: the main screen comes up" % cp, ok, p.text())
        p.send(b"\t")
        ok = p.wait_for("$%^&", 30)
        refusal = [r for r in p.screen.display if "$%^&" in r]
        check("code page %s: the refusal line reads \u00a1!\u00a2$%%^&" % cp,
              ok and "\u00a1!\u00a2$%^&" in refusal[0], "\n".join(refusal) or p.text())
        p.send(b" ")
        p.wait_for("X - Exit", 30)
        p.send(b"X")
        check("code page %s: exit code 0" % cp, p.wait_exit(60) == 0, "exit: %s" % p.status)
    finally:
        p.kill()
    with open(modes, encoding="ascii", errors="replace") as f:
        lines = [l.strip() for l in f if l.startswith("modes")]
    check("code page %s: modes and code pages the same before and after" % cp,
          len(lines) == 2 and lines[0] == lines[1] and ("cp=%s " % cp) in lines[0],
          "\n".join(lines))

# --- no console at all ----------------------------------------------------------------------
subprocess.run(["wineserver", "-p10"], env=env, check=False)  # time the program, not a server start
err = os.path.join(work, "err.txt")


def run_without_console(argv, stderr, extra_env=None):
    """Runs argv under Wine with no terminal anywhere; (exit code or None, seconds taken)."""
    started = time.time()
    run_env = dict(env, **(extra_env or {}))
    with open(os.devnull, "rb") as nul_in, open(os.devnull, "wb") as nul_out:
        try:
            rc = subprocess.run(argv, stdin=nul_in, stdout=nul_out, stderr=stderr, env=run_env,
                                cwd=work, timeout=60, start_new_session=True).returncode
        except subprocess.TimeoutExpired:
            rc = None
    return rc, time.time() - started


# The reference: how long this loader takes to start and end a 64-bit program built like this
# one (the same libraries and imports) that does not wait, on this machine under its present
# load. The program must not wait beyond that. Each is timed twice, the reference around the
# program, so that a burst of load on a shared machine does not decide the verdict.
# The program meets a print server that takes connections and never answers.
silent_server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
silent_server.bind(os.path.join(work, "silent-cups.sock"))
silent_server.listen(16)
silent = {"CUPS_SERVER": os.path.join(work, "silent-cups.sock")}
reference = 0.0
took = None
codes = []
for _ in range(2):
    _, r = run_without_console([wine, probe, "--modes"], subprocess.DEVNULL)
    reference = max(reference, r)
    with open(err, "wb") as e:
        rc, t = run_without_console([wine, exe], e, silent)
    codes.append(rc)
    took = t if took is None else min(took, t)
_, r = run_without_console([wine, probe, "--modes"], subprocess.DEVNULL)
reference = max(reference, r)
silent_server.close()
message = open(err, encoding="utf-8", errors="replace").read()
check("no console: exit code 1", codes == [1, 1], "exit: %s" % codes)
check("no console, a print server that never answers: ends within 2 s of Wine's own start "
      "(took %.1f s, Wine %.1f s)" %
      (took, reference), took < reference + 2.0)
check("no console: one line on standard error",
      message.count("\n") == 1 and "no console" in message, repr(message))

# --help points a Windows user to the text beside the program, not to a manual page.
usage = subprocess.run([wine, exe, "--help"], stdin=subprocess.DEVNULL, capture_output=True,
                       env=env, cwd=work, timeout=60)
check("--help names HOW-TO-RUN.txt", b"HOW-TO-RUN.txt" in usage.stdout and
      b"orvane-table(1)" not in usage.stdout, repr(usage.stdout))

shutil.rmtree(work, ignore_errors=True)
sys.exit(1 if failures else 0)
