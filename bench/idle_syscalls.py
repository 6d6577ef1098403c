#!/usr/bin/python3
"""System calls per second while the program waits for a key with nothing to draw, against
`less` waiting for a key in the same run (the reference: 0).

    bench/idle_syscalls.py PROGRAM [SECONDS]

Each is started on its own 80 x 50 pseudo-terminal; once it has drawn its screen and gone
quiet, strace counts its system calls for SECONDS (default 5). Prints one line per program
and exits 1 when the program makes more system calls than the reference.
"""

import fcntl
import os
import pty
import select
import signal
import struct
import subprocess
import sys
import tempfile
import termios
import time


def start(argv, env):
    pid, fd = pty.fork()
    if pid == 0:
        try:
            fcntl.ioctl(0, termios.TIOCSWINSZ, struct.pack("HHHH", 50, 80, 0, 0))
            os.execve(argv[0], argv, env)
        finally:
            os._exit(127)
    return pid, fd


def settle(fd, quiet=1.0, limit=20.0):
    """Reads what the program draws until it has been quiet for `quiet` seconds."""
    end = time.monotonic() + limit
    last = time.monotonic()
    while time.monotonic() < end and time.monotonic() - last < quiet:
        if select.select([fd], [], [], 0.1)[0]:
            try:
                if not os.read(fd, 65536):
                    return False
            except OSError:
                return False
            last = time.monotonic()
    return True


def count_idle(pid, fd, seconds):
    with tempfile.NamedTemporaryFile("r", suffix=".strace") as out:
        tracer = subprocess.Popen(["strace", "-f", "-c", "-o", out.name, "-p", str(pid)],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(0.5)  # strace attached
        end = time.monotonic() + seconds
        while time.monotonic() < end:  # keep reading so the program never blocks on output
            if select.select([fd], [], [], 0.1)[0]:
                os.read(fd, 65536)
        tracer.send_signal(signal.SIGINT)
        tracer.wait(10)
        for line in out.read().splitlines():
            words = line.split()
            if words and words[-1] == "total":
                return int(words[3]) / seconds
        return 0.0  # no system call at all: strace prints no table


def measure(name, argv, env, seconds):
    pid, fd = start(argv, env)
    try:
        if not settle(fd):
            print("%s: ended before it was idle" % name)
            return None
        rate = count_idle(pid, fd, seconds)
        print("%-14s %8.1f system calls/s while idle" % (name, rate), flush=True)
        return rate
    finally:
        os.kill(pid, signal.SIGKILL)
        os.waitpid(pid, 0)
        os.close(fd)


def main():
    program = sys.argv[1]
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 5.0
    env = dict(os.environ, TERM="xterm-256color", LC_ALL="C.UTF-8")
    with tempfile.TemporaryDirectory() as home:
        env["ORVANE_DRIVE_C"] = home
        reference = measure("less", ["/usr/bin/less", "/etc/os-release"], env, seconds)
        ours = measure("orvane-table", [program], env, seconds)
    if ours is None or reference is None:
        return 1
    return 0 if ours <= reference else 1


if __name__ == "__main__":
    sys.exit(main())
