#!/usr/bin/python3
"""Runs a command that starts orvane-table on an 80 x 50 pseudo-terminal, reads the screen it
draws back through a terminal model (pyte), waits for the whole main screen, presses X and
checks that the program ends with exit status 0 and gives the terminal back in canonical mode
with echo.

    pty_main_screen.py [--timeout SECONDS] [--no-printing | --save-as-pdf] -- COMMAND [ARG...]

With --no-printing, on a system without the printing libraries: before X, P and Y must
open a print dialog that offers no printer and says why printing is not available, and Esc
must end the printing as cancelled. With --save-as-pdf, on a system with them: P, Y and
Enter on "Save as PDF" must end in "Printing Completed" (the caller looks for the file).

COMMAND may be a wrapper (chroot, env -i) that ends by running the program; it gets the
terminal as its controlling terminal and as standard input, output and error. Prints one
line on success; on a failure, what went wrong and the screen, and exits 1.
"""

import codecs
import fcntl
import os
import select
import signal
import struct
import subprocess
import sys
import termios
import time

import pyte

COLUMNS, ROWS = 80, 50
MAIN_SCREEN = ["User Options - Main", "Numbers Cubed (Raised to the power of 3, see examples)",
               "No.  Cubed", "EXAMPLES", "729 is 9 cubed", "970,299", "Exit This Program"]


def main():
    args = sys.argv[1:]
    timeout = 60.0
    if args[:1] == ["--timeout"]:
        timeout = float(args[1])
        args = args[2:]
    no_printing = save_as_pdf = False
    if args[:1] == ["--no-printing"]:
        no_printing = True
        args = args[1:]
    elif args[:1] == ["--save-as-pdf"]:
        save_as_pdf = True
        args = args[1:]
    if args[:1] == ["--"]:
        args = args[1:]
    if not args:
        print(__doc__.strip(), file=sys.stderr)
        return 2

    master, slave = os.openpty()
    # The size is set before the program starts, so its first look at the terminal sees it.
    fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", ROWS, COLUMNS, 0, 0))

    def take_terminal():
        fcntl.ioctl(0, termios.TIOCSCTTY, 0)

    child = subprocess.Popen(args, stdin=slave, stdout=slave, stderr=slave,
                             start_new_session=True, preexec_fn=take_terminal)
    screen = pyte.Screen(COLUMNS, ROWS)
    stream = pyte.Stream(screen)
    decoder = codecs.getincrementaldecoder("utf-8")(errors="replace")

    def pump(seconds):
        ready, _, _ = select.select([master], [], [], seconds)
        if ready:
            try:
                data = os.read(master, 65536)
            except OSError:
                data = b""
            stream.feed(decoder.decode(data))

    def text():
        return "\n".join(screen.display)

    def failed(why):
        print("FAILED: %s\n%s" % (why, "\n".join("  | " + line.rstrip()
                                                   for line in screen.display if line.strip())))
        if child.poll() is None:
            os.killpg(child.pid, signal.SIGKILL)
            child.wait()
        return 1

    start = time.monotonic()
    while not all(t in text() for t in MAIN_SCREEN):
        if child.poll() is not None:
            pump(0.2)
            return failed("the program ended with status %d before its main screen"
                          % child.returncode)
        if time.monotonic() - start > timeout:
            missing = [t for t in MAIN_SCREEN if t not in text()]
            return failed("no main screen within %g s; missing %s" % (timeout, missing))
        pump(0.05)
    shown = time.monotonic() - start
    if "at least" in text():
        return failed("the program asks for a larger terminal in an 80 x 50 one")

    def wait_for(what, seconds=20):
        end = time.monotonic() + seconds
        while what not in text():
            if child.poll() is not None or time.monotonic() > end:
                return False
            pump(0.05)
        return True

    unavailable = ""
    if no_printing:
        heading = "Printing is not available on this system:"
        os.write(master, b"P")
        if not wait_for("Print It"):
            return failed("P does not ask whether to print")
        os.write(master, b"Y")
        if not wait_for(heading):
            return failed("no print dialog saying why printing is not available")
        pump(0.3)  # the rest of the box
        # The reason: the lines under the heading inside the box, up to an empty one.
        lines = screen.display
        at = next(i for i, line in enumerate(lines) if heading in line)
        left = lines[at].index(heading)
        reason = []
        for line in lines[at + 1:]:
            inside = line[left:left + 68].rstrip(" \u2502|")
            if not inside.strip():
                break
            reason.append(inside.strip())
        unavailable = " ".join(reason)
        if not unavailable:
            return failed("the print dialog gives no reason")
        os.write(master, b"\x1b")
        if not wait_for("Printing Cancelled"):
            return failed("Esc in the print dialog does not cancel the printing")

    if save_as_pdf:
        os.write(master, b"P")
        if not wait_for("Print It"):
            return failed("P does not ask whether to print")
        os.write(master, b"Y")
        if not wait_for("Save as PDF"):
            return failed("the print dialog offers no Save as PDF")
        os.write(master, b"\r")
        if not wait_for("Printing Completed", 60):
            return failed("Save as PDF does not complete")

    os.write(master, b"X")
    end = time.monotonic() + 20
    while child.poll() is None and time.monotonic() < end:
        pump(0.05)
    if child.poll() is None:
        return failed("X does not end the program")
    if child.returncode != 0:
        return failed("X ends the program with exit status %d" % child.returncode)
    mode = termios.tcgetattr(slave)[3]
    if not (mode & termios.ICANON and mode & termios.ECHO):
        return failed("the terminal is left without canonical mode or echo")
    print("main screen in %.2f s in an 80 x 50 pty; %sX ends it with exit status 0, the "
          "terminal in canonical mode with echo"
          % (shown, "printing is not available (\"%s\"), Esc cancels it; " % unavailable
             if no_printing else "P, Y, Enter print through Save as PDF; " if save_as_pdf
             else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main())
