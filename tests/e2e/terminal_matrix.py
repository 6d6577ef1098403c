#!/usr/bin/python3
"""The program on the terminals people have: each TERM x locale x size runs it on its own
pseudo-terminal, and an independent terminal model (pyte) reads back every cell it draws.

    terminal_matrix.py PROGRAM CHECKER WORKDIR [LOCPATH]

CHECKER is app_pane_check, whose "dump" prints the screens the program must show. Each case
walks the main screen, a stop and continue (SIGTSTP, SIGTTOU, SIGSTOP as a shell sends them),
the refusal screen, the file name entry (typing a name and saving it, with terminal replies
among the keys, whole and split by a pause, that must never be typed in) and the farewell, then
checks that the terminal was given back: canonical mode with echo, mouse reporting off, the
main screen back with every cell in the default colours (pyte, like GNU screen by default,
ignores the alternate screen), the entry's own cursor style, the size found at start. A TERM
that cannot address the cursor must be refused with one line and exit code 1, writing no
escape sequence.
Prints one line per case; exits 1 when any case fails.
"""

import codecs
import concurrent.futures
import fcntl
import os
import pty
import re
import select
import signal
import struct
import subprocess
import sys
import termios
import time

import pyte

TERMS = ["xterm-256color", "screen-256color", "tmux-256color", "linux",
         "rxvt-unicode-256color", "dumb"]
LOCALES = {"C.UTF-8": "utf-8", "C": "ascii", "en_US.ISO-8859-1": "latin-1"}
SIZES = [(80, 50), (80, 24)]

# What a charset without a glyph must show instead (only the glyphs the screens use).
STAND_INS = {"\u00a1": "!", "\u00a2": "c"}

# The console's colour numbers (bit 0 blue, 1 green, 2 red, 3 bright) from SGR codes.
FROM_ANSI = [0, 4, 2, 6, 1, 5, 3, 7]


def sgr_colour(code):
    if 30 <= code <= 37 or 40 <= code <= 47:
        return FROM_ANSI[code % 10]
    if 90 <= code <= 97 or 100 <= code <= 107:
        return FROM_ANSI[code % 10] + 8
    return None


class Screen(pyte.Screen):
    """pyte's screen, keeping the exact SGR colour codes (pyte folds bright colours into
    bold), erasing every cell of the display as a terminal does, and erasing with the default
    background on a terminal without background colour erase, as such a terminal does."""

    bce = True

    def select_graphic_rendition(self, *attrs, **_):
        fg, bg = self.cursor.attrs.fg, self.cursor.attrs.bg
        for a in attrs or (0,):
            if a == 0:
                fg, bg = "default", "default"
            elif 30 <= a <= 37 or 90 <= a <= 97:
                fg = a
            elif a == 39:
                fg = "default"
            elif 40 <= a <= 47 or 100 <= a <= 107:
                bg = a
            elif a == 49:
                bg = "default"
        self.cursor.attrs = self.cursor.attrs._replace(fg=fg, bg=bg)

    def _erasing(self, erase, *args, **kwargs):
        saved = self.cursor.attrs
        if not self.bce:
            self.cursor.attrs = saved._replace(bg="default")
        try:
            erase(*args, **kwargs)
        finally:
            self.cursor.attrs = saved

    def erase_in_line(self, *args, **kwargs):
        self._erasing(super().erase_in_line, *args, **kwargs)

    def erase_in_display(self, how=0, *args, **kwargs):
        # pyte erases only the cells it has stored; a real terminal erases every cell.
        def erase():
            rows = {0: range(self.cursor.y + 1, self.lines), 1: range(self.cursor.y)}.get(
                how, range(self.lines))
            for y in rows:
                for x in range(self.columns):
                    self.buffer[y][x] = self.cursor.attrs
            if how in (0, 1):
                self.erase_in_line(how)
        self._erasing(erase)

    def erase_characters(self, *args, **kwargs):
        self._erasing(super().erase_characters, *args, **kwargs)


# What each terminal's entry says, read with tput (ncurses-bin), not with the program's code.
CAPS = {}


def read_caps():
    def tput(term, *cap):
        return subprocess.run(["tput", "-T", term, *cap], capture_output=True)

    for term in TERMS:
        colours = tput(term, "colors").stdout.strip()
        colours = int(colours) if colours.lstrip(b"-").isdigit() else -1
        CAPS[term] = {"bce": tput(term, "bce").returncode == 0, "colors": colours,
                      # The sixteen colours: 16 or more, or an 8-colour xterm (XT).
                      "sixteen": colours >= 16 or (
                          colours >= 8 and tput(term, "XT").returncode == 0),
                      "Ss": tput(term, "Ss").stdout, "Se": tput(term, "Se").stdout,
                      "smcup": tput(term, "smcup").stdout, "rmcup": tput(term, "rmcup").stdout}


class Failure(Exception):
    pass


class Picture:
    def __init__(self, checker, *screen):
        out = subprocess.run([checker, "dump", *screen], check=True, capture_output=True,
                             text=True).stdout
        self.rows = [[tuple(int(v) for v in cell.split(",")) for cell in line.split(" ")]
                     for line in out.splitlines()]


class Case:
    def __init__(self, program, checker, pictures, workdir, term, locale, size, locpath):
        self.program, self.checker, self.pictures = program, checker, pictures
        self.term, self.locale, self.size = term, locale, size
        self.encoding = LOCALES[locale]
        self.dir = os.path.join(workdir, "%s-%s-%dx%d" % (term, locale, *size))
        os.makedirs(os.path.join(self.dir, "c"), exist_ok=True)
        self.locpath = locpath
        # Started without standard descriptors (<&- >&- 2>&-): they are opened on /dev/null.
        self.closed_std = term == "xterm-256color" and locale == "C"
        self.raw = bytearray()
        self.pid = None
        self.fd = None
        self.status = None

    # --- the program on a pseudo-terminal --------------------------------------------------

    def start(self):
        cols, rows = self.size
        env = {k: v for k, v in os.environ.items()
               if not k.startswith("LC_") and k not in ("LANG", "LANGUAGE", "TMUX", "COLORTERM")}
        env.update(TERM=self.term, LC_ALL=self.locale, ORVANE_DRIVE_C=os.path.join(self.dir, "c"))
        if self.locpath:
            env["LOCPATH"] = self.locpath
        pid, fd = pty.fork()
        if pid == 0:
            try:
                # The size is set before the program starts, as a terminal emulator does: set
                # from the parent it could land after the program read a size of 0 x 0.
                fcntl.ioctl(0, termios.TIOCSWINSZ, struct.pack("HHHH", rows, cols, 0, 0))
                # As a job-control shell: the program in a process group of its own in the
                # foreground, this process waiting in the session (so that the program's group
                # is not orphaned, and stop signals stop it) and passing on its exit status.
                job = os.fork()
                if job == 0:
                    os.setpgid(0, 0)
                    signal.signal(signal.SIGTTOU, signal.SIG_IGN)
                    os.tcsetpgrp(0, os.getpid())
                    signal.signal(signal.SIGTTOU, signal.SIG_DFL)
                    if self.closed_std:
                        os.closerange(0, 3)
                    os.execve(self.program, [self.program], env)
                _, status = os.waitpid(job, 0)
                os._exit(os.WEXITSTATUS(status) if os.WIFEXITED(status)
                         else 128 + os.WTERMSIG(status))
            finally:
                os._exit(127)
        self.pid, self.fd = pid, fd
        self.caps = CAPS[self.term]
        self.sixteen = self.caps["sixteen"]
        self.screen = Screen(cols, rows)
        self.screen.bce = self.caps["bce"]
        self.stream = pyte.Stream(self.screen)
        self.decoder = codecs.getincrementaldecoder(self.encoding)()

    def pump(self, timeout):
        ready, _, _ = select.select([self.fd], [], [], timeout)
        if not ready:
            return True
        try:
            data = os.read(self.fd, 65536)
        except OSError:
            data = b""
        if not data:
            return False
        self.raw += data
        try:
            text = self.decoder.decode(data)
        except UnicodeDecodeError as e:
            raise Failure("the terminal received bytes that are not %s: %r" % (self.encoding, e))
        self.stream.feed(text)
        return True

    def send(self, data):
        os.write(self.fd, data.encode(self.encoding) if isinstance(data, str) else data)

    def wait_until(self, what, test, seconds=15):
        end = time.monotonic() + seconds
        problem = None
        while time.monotonic() < end:
            problem = test()
            if problem is None:
                return
            if not self.pump(0.05):
                problem = test()
                if problem is None:
                    return
                break
        raise Failure("%s: %s\n%s" % (what, problem, self.show()))

    def finish(self, seconds=15):
        end = time.monotonic() + seconds
        while time.monotonic() < end and self.pump(0.05):
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid:
                self.status = status
                break
        while self.pump(0.05):
            pass
        while self.status is None and time.monotonic() < end:
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid:
                self.status = status
            else:
                time.sleep(0.02)
        if self.status is None:
            raise Failure("the program did not end")

    def close(self):
        if self.pid and self.status is None:
            try:
                job = self.program_pid()  # 0 once the session has ended
                if job > 0 and job != os.getpgrp():
                    os.killpg(job, signal.SIGKILL)
            except OSError:
                pass
            try:
                os.kill(self.pid, signal.SIGKILL)
                os.waitpid(self.pid, 0)
            except OSError:
                pass
        if self.fd is not None:
            os.close(self.fd)

    def show(self):
        return "\n".join("| " + line for line in self.screen.display)

    # --- what the screen must show ---------------------------------------------------------

    def expected_char(self, byte):
        ch = bytes([byte]).decode("cp437") if byte >= 32 else " "
        try:
            ch.encode(self.encoding)
            return ch
        except UnicodeEncodeError:
            return STAND_INS.get(ch, "?")

    def expected_colour(self, colour):
        # Terminals without the sixteen colours show the nearest of the eight.
        if not self.sixteen and colour is not None and colour >= 8:
            return 7 if colour == 8 else colour - 8
        return colour

    def cell_problem(self, want, row, column, y):
        byte, fg, bg = want
        got = self.screen.buffer[y][column]
        ch = self.expected_char(byte)
        got_bg = sgr_colour(got.bg) if got.bg != "default" else None
        if got.data != ch or got_bg != self.expected_colour(bg):
            return "row %d column %d: got %r bg %s, want %r bg %s" % (
                row + 1, column + 1, got.data, got.bg, ch, self.expected_colour(bg))
        got_fg = sgr_colour(got.fg) if got.fg != "default" else None
        if ch != " " and got_fg != self.expected_colour(fg):
            return "row %d column %d: %r in %s, want %s" % (row + 1, column + 1, ch, got.fg, fg)
        return None

    def picture_shown(self, picture):
        """None when the terminal shows the picture: all of it on a large terminal; on a small
        one, the rows above the notice are a run of the picture's rows (the view)."""
        rows = self.size[1]
        if rows >= len(picture.rows):
            for r in range(len(picture.rows)):
                for c in range(80):
                    problem = self.cell_problem(picture.rows[r][c], r, c, r)
                    if problem:
                        return problem
            return None
        view = rows - 1
        best = None
        for top in range(len(picture.rows) - view + 1):
            problem = None
            for r in range(view):
                for c in range(80):
                    problem = self.cell_problem(picture.rows[top + r][c], top + r, c, r)
                    if problem:
                        break
                if problem:
                    break
            if problem is None:
                notice = self.screen.display[rows - 1]
                if "%d x %d: make it at least 80 x 50" % self.size not in notice:
                    return "no notice on the last row: %r" % notice
                return None
            best = best or problem
        return "no part of the screen matches (first difference at the top: %s)" % best

    def expect(self, *screen):
        picture = self.pictures(*screen)
        self.wait_until("the %s screen" % " ".join(screen), lambda: self.picture_shown(picture))

    def expect_text(self, text):
        self.wait_until("text %r" % text, lambda: None if any(
            text in line for line in self.screen.display) else "not shown")

    # --- the walk ----------------------------------------------------------------------------

    def run(self):
        self.start()
        if self.term == "dumb":
            self.finish()
            out = bytes(self.raw).replace(b"\r\n", b"\n")
            if not os.WIFEXITED(self.status) or os.WEXITSTATUS(self.status) != 1:
                raise Failure("a dumb terminal was not refused with exit code 1")
            if b"\x1b" in out or out.count(b"\n") != 1 or b"TERM=dumb" not in out:
                raise Failure("the refusal is not one plain line: %r" % out)
            return
        small = self.size[1] < 50
        self.expect("main")
        if self.closed_std:
            for fd in range(3):
                target = os.readlink("/proc/%d/fd/%d" % (self.program_pid(), fd))
                if target != "/dev/null":
                    raise Failure("started without descriptor %d, the program has it on %s"
                                  % (fd, target))
        if small:
            # The wheel scrolls the view up to the title, which the cursor's part leaves out.
            self.send("\x1b[<64;1;1M" * 12)
            self.expect_text("Numbers Cubed")
        self.stop_and_continue()
        # Strings a terminal sends (late answers to another program's queries) are never
        # keys: the g of a colour report is not G (refresh) and the X of a title report does
        # not end the program; the Tab after them is read as itself.
        self.send("\x1b]11;rgb:0000/0000/0000\x07\x1b]l my Xterm\x1b\\\t")
        self.expect("refusal")
        if not small:
            line = self.screen.display[22]
            want = "".join(self.expected_char(b) for b in b"\xad!\x9b$%^&")
            if want not in line:
                raise Failure("refusal line %r lacks %r" % (line, want))
        self.send(" ")
        self.expect("main")
        self.send("f")
        self.expect("entry")
        # Typed with replies in between: a DCS status reply, and a window position reply cut
        # by a pause four times the Esc pause, as over ssh. The name is the keys alone.
        self.send("my \x1bP1$r0 q\x1b\\fi\x1b[3;16")
        time.sleep(0.2)
        self.send("0;20tle!")
        self.expect_text(">> my file!")  # the prompt and every typed character in view
        self.send("\r")
        self.expect("menu-box", "MYFILE")
        if not os.path.isfile(os.path.join(self.dir, "c", "Temp", "MYFILE.TXT")):
            raise Failure("the file was not saved")
        self.send("x")
        self.expect("farewell")
        self.expect_text("Thank you for using")  # in view on a small terminal too
        self.finish()
        if not os.WIFEXITED(self.status) or os.WEXITSTATUS(self.status) != 0:
            raise Failure("the program ended with status %r" % self.status)
        self.check_restored()

    def program_pid(self):
        return os.tcgetpgrp(self.fd)  # the foreground job: the program

    def stopped(self, pid):
        def state():
            with open("/proc/%d/stat" % pid) as f:
                return f.read().rsplit(")", 1)[1].split()[0]
        self.wait_until("the program stopping", lambda: None if state() in "tT" else "running")

    def stop_and_continue(self):
        """Stopped by each signal a shell or the kernel sends, the program gives the terminal
        back (when it can: SIGSTOP cannot be caught); the shell then puts its own settings
        back and draws on the screen. Continued in the foreground, the program takes raw
        mode back and draws its screen again."""
        pid = self.program_pid()
        for sig in (signal.SIGTSTP, signal.SIGTTOU, signal.SIGSTOP):
            os.kill(pid, sig)
            self.stopped(pid)
            lflag = termios.tcgetattr(self.fd)[3]
            if sig != signal.SIGSTOP and not lflag & termios.ICANON:
                raise Failure("stopped by %s, the terminal was left in raw mode" % sig.name)
            attrs = termios.tcgetattr(self.fd)  # what a shell does when a job stops
            attrs[3] |= termios.ICANON | termios.ECHO
            termios.tcsetattr(self.fd, termios.TCSANOW, attrs)
            while self.pump(0.01):  # what the program sent on stopping
                if not select.select([self.fd], [], [], 0)[0]:
                    break
            self.screen.reset()
            os.kill(pid, signal.SIGCONT)
            self.wait_until("raw mode back after %s and SIGCONT" % sig.name,
                            lambda: "still canonical" if termios.tcgetattr(self.fd)[3]
                            & termios.ICANON else None)
            self.expect("main")

    def check_restored(self):
        attrs = termios.tcgetattr(self.fd)
        lflag = attrs[3]
        if not (lflag & termios.ICANON and lflag & termios.ECHO):
            raise Failure("the terminal was left without canonical mode and echo")
        tail = bytes(self.raw[-400:])
        if b"\x1b[?1000l" not in tail:
            raise Failure("mouse reporting not turned off at the end: %r" % tail)
        leave = self.caps["rmcup"] if self.caps["smcup"] else b"\x1b[2J"
        if leave not in tail:
            raise Failure("the main screen was not given back (%r) at the end: %r" % (leave, tail))
        if self.size[1] >= 50 and b"\x1b[?1000h" in self.raw:
            raise Failure("mouse reporting turned on though the terminal was large enough")
        if self.size[1] < 50 and b"\x1b[?1000h" not in self.raw:
            raise Failure("mouse reporting not turned on for the wheel on a small terminal")
        sizes = re.findall(rb"\x1b\[8;(\d+);(\d+)t", bytes(self.raw))
        if sizes and tuple(int(v) for v in reversed(sizes[-1])) != self.size:
            raise Failure("the last size asked of the terminal is %s x %s, not the size at "
                          "start" % sizes[-1][::-1])
        if self.size[1] != 25 and any(int(rows) == 25 for rows, _ in sizes):
            raise Failure("the console's 80 x 25 set on the way out was asked of the terminal")
        if self.caps["Ss"] and self.caps["Se"] not in tail:
            raise Failure("the cursor style was not put back with the entry's Se %r: %r" % (
                self.caps["Se"], tail))
        for y in range(self.size[1]):
            for x in range(self.size[0]):
                cell = self.screen.buffer[y][x]
                if cell.fg != "default" or cell.bg != "default":
                    raise Failure("row %d column %d is left in colours %s on %s\n%s" % (
                        y + 1, x + 1, cell.fg, cell.bg, self.show()))


def main():
    program, checker, workdir = sys.argv[1:4]
    locpath = sys.argv[4] if len(sys.argv) > 4 else ""
    cache = {}

    def pictures(*screen):
        if screen not in cache:
            cache[screen] = Picture(checker, *screen)
        return cache[screen]

    for screen in (("main",), ("refusal",), ("entry",), ("menu-box", "MYFILE"), ("farewell",)):
        pictures(*screen)
    read_caps()
    only = os.environ.get("MATRIX_ONLY", "")  # e.g. "linux" or "linux C 80x24": a subset
    cases = [(t, l, s) for t in TERMS for l in LOCALES for s in SIZES
             if all(w in (t, l, "%dx%d" % s) for w in only.split())]

    def run(case):
        c = Case(program, checker, pictures, workdir, *case, locpath)
        started = time.monotonic()
        try:
            c.run()
            return case, None, time.monotonic() - started
        except Failure as e:
            return case, str(e), time.monotonic() - started
        finally:
            c.close()

    failed = 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
        for (term, locale, size), problem, seconds in pool.map(run, cases):
            name = "%-22s %-17s %dx%d" % (term, locale, *size)
            if problem:
                failed += 1
                print("FAIL %s (%.1fs): %s" % (name, seconds, problem), flush=True)
            else:
                print("ok   %s (%.1fs)" % (name, seconds), flush=True)
    print("%d of %d cases failed" % (failed, len(cases)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
