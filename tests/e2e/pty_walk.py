#!/usr/bin/env python3
"""Runs a command on a pseudo-terminal of a given size, reads its screen back through an
independent terminal model (pyte) and walks it: wait until a text shows, press keys, and
check the exit status. Used where tmux is not available, e.g. a command run inside a bare
root from outside it.

    pty_walk.py [--size 80x50] [--timeout S] [--expect-status N]
                [--wait TEXT]... [--keys KEYS]... -- COMMAND...

--wait and --keys are carried out in the order given. Exits 0 when every text showed in
time and the command ended with the expected status; otherwise prints the screen and what
went wrong and exits 1.
"""
import argparse
import fcntl
import os
import pty
import select
import signal
import struct
import sys
import termios
import time

import pyte


class Step(argparse.Action):
    def __call__(self, parser, namespace, value, option_string=None):
        namespace.steps.append((self.dest, value))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--size", default="80x50")
    ap.add_argument("--timeout", type=float, default=60.0)
    ap.add_argument("--expect-status", type=int, default=0)
    ap.add_argument("--wait", action=Step, dest="wait")
    ap.add_argument("--keys", action=Step, dest="keys")
    ap.add_argument("command", nargs="+")
    ap.set_defaults(steps=[])
    args = ap.parse_args()
    cols, rows = (int(n) for n in args.size.split("x"))

    screen = pyte.Screen(cols, rows)
    stream = pyte.ByteStream(screen)
    pid, fd = pty.fork()
    if pid == 0:
        # The size is set before the command starts, so it never sees another.
        fcntl.ioctl(0, termios.TIOCSWINSZ, struct.pack("HHHH", rows, cols, 0, 0))
        os.execvp(args.command[0], args.command)
    deadline = time.monotonic() + args.timeout
    status = None

    def pump(seconds):
        nonlocal status
        end = min(deadline, time.monotonic() + seconds)
        while time.monotonic() < end:
            ready, _, _ = select.select([fd], [], [], max(0.0, end - time.monotonic()))
            if not ready:
                break
            try:
                data = os.read(fd, 65536)
            except OSError:
                data = b""
            if not data:
                _, st = os.waitpid(pid, 0)
                status = os.waitstatus_to_exitcode(st)
                return False
            stream.feed(data)
        return True

    def text():
        return "\n".join(screen.display)

    def give_up(why):
        print("pty_walk: " + why)
        print("---- screen ----")
        print("\n".join(line.rstrip() for line in screen.display).rstrip())
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        sys.exit(1)

    for kind, value in args.steps:
        if kind == "wait":
            while value not in text():
                if status is not None:
                    give_up("ended (status %d) before showing %r" % (status, value))
                if time.monotonic() >= deadline:
                    give_up("%r did not show within %g s" % (value, args.timeout))
                pump(0.2)
        else:
            os.write(fd, value.encode())
    while status is None:
        if time.monotonic() >= deadline:
            give_up("did not end within %g s" % args.timeout)
        pump(0.5)
    if status != args.expect_status:
        give_up("ended with status %d, not %d" % (status, args.expect_status))
    print("pty_walk: ok, status %d" % status)


if __name__ == "__main__":
    main()
