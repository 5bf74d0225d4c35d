#!/usr/bin/env python3
"""End to end: the configuration dialog of the real program under a private Xvfb.

    dialog_e2e.py native  build/native/letterglass      SHOT_DIR
    dialog_e2e.py wine    build/win32/letterglass.scr   SHOT_DIR

`/c` opens the dialog; xdotool tabs into the edits, types the five values and
presses Enter; screen.ini must then hold them in order with PASS scrambled.
Reopening shows them (the password masked: its edit must not look like the
user-name edit holding the same text), and confirming again rewrites the same
file. Esc and the close box must leave the file byte for byte as it was.
A screenshot of the reopened dialog goes to SHOT_DIR/dialog-<flavour>.png.
"""
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xsession import (HEIGHT, WIDTH, XSession, ended, make_workdir, remove_workdir,  # noqa: E402
                      scramble, stop, wait_for)

HOST, PORT, USER, PASSWORD, CHECK = "127.0.0.1", "2110", "s3cret", "s3cret", "3"
# The dialog opens with the focus on its first tab stop, the confirm button;
# Tab then reaches the cancel button and the server edit.
TABS_TO_SERVER = 2


class Flavour:
    def __init__(self, name, program):
        self.name = name
        self.program = os.path.abspath(program)
        # A prefix of its own: Wine's desktop process takes its display from the
        # first program the prefix's server runs, so a server that started
        # without one (as the console tests' does) can show no window.
        self.prefix = os.path.join(os.path.dirname(self.program), "wineprefix-dialog-e2e")

    def wine(self, session, *argv):
        subprocess.run(list(argv), env=session.env(**self.env()), timeout=120,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    def start_platform(self, session):
        if self.name != "wine":
            return
        self.wine(session, "wineserver", "-k")
        if not os.path.exists(os.path.join(self.prefix, "system.reg")):
            self.wine(session, "wineboot", "-i")
            # Without a window manager a managed Wine window takes ~2 s to close.
            self.wine(session, "wine", "reg", "add", "HKCU\\Software\\Wine\\X11 Driver",
                      "/v", "Managed", "/d", "N", "/f")
            # Windows' proportional UI font, as on a Japanese Windows; Wine's
            # own choice would be a fixed-pitch face that overflows the labels.
            self.wine(session, "wine", "reg", "add",
                      "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes",
                      "/v", "MS UI Gothic", "/d", "IPAPGothic", "/f")

    def stop_platform(self, session):
        if self.name == "wine":
            self.wine(session, "wineserver", "-k")

    def argv(self, *args):
        if self.name == "wine":
            return ["wine", self.program, *args]
        return [self.program, *args]

    def env(self):
        if self.name == "wine":
            return {"LC_ALL": "ja_JP.UTF-8", "WINEDEBUG": "-all", "WINEPREFIX": self.prefix,
                    "WINEDLLOVERRIDES": "mscoree,mshtml="}
        # The accessibility bridge would wait for a session bus that Xvfb runs lack.
        return {"NO_AT_BRIDGE": "1"}

    def close_box(self, x, y, width):
        """Where the caption's close box is, from the window's outer geometry."""
        if self.name == "wine":
            return x + width - 14, y + 9    # Wine's own caption (Managed=N)
        return x + width - 27, y + 25       # GTK's header bar


class PrivateXSession(XSession):
    """XSession on a display that Xvfb picks itself (-displayfd): with several
    runs starting at once, probing for a free number can end up on another
    run's server, which then goes away under this one. And -noreset: by
    default Xvfb resets when its last client leaves, refusing the next
    program that connects meanwhile (here, the next dialog)."""

    def __enter__(self):
        read_end, write_end = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % (WIDTH, HEIGHT),
             "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as announced:
            number = announced.readline().strip()  # written once the server listens
        if not number:
            self.server.kill()
            raise RuntimeError("could not start Xvfb")
        self.display = ":" + number
        return self


def xdotool_out(session, *args):
    result = subprocess.run(["xdotool", *args], env=session.env(), capture_output=True,
                            text=True, timeout=10)
    return result.stdout.split()


def find_dialog(session, process):
    """The dialog's X window, waiting up to 30 s (Wine starts slowly)."""
    def visible():
        ids = xdotool_out(session, "search", "--onlyvisible", "--class", "letterglass")
        return ids[-1] if ids else None
    window = wait_for(visible, 30)
    if not window:
        process.errors.seek(0)
        raise AssertionError("the dialog did not appear (exit code %r); output:\n%s" % (
            process.poll(), process.errors.read().decode(errors="replace")))
    time.sleep(0.5)  # let it draw and settle before input
    return window


def geometry(session, window):
    out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], env=session.env(),
                         capture_output=True, text=True, timeout=10).stdout
    values = dict(line.split("=", 1) for line in out.split() if "=" in line)
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def open_dialog(session, flavour, workdir):
    errors = tempfile.TemporaryFile()
    process = subprocess.Popen(flavour.argv("/c"), cwd=workdir, env=session.env(**flavour.env()),
                               stdout=errors, stderr=errors)
    session.children.append(process)
    process.errors = errors
    window = find_dialog(session, process)
    session.xdotool("windowfocus", "--sync", window)
    return process, window


def type_settings(session, values):
    session.xdotool("key", "--delay", "60", *(["Tab"] * TABS_TO_SERVER))
    for i, value in enumerate(values):
        if i:
            session.xdotool("key", "Tab")  # selects the edit's whole text, so typing replaces it
        session.xdotool("type", "--delay", "40", value)


def must_end(process, what):
    if ended(process, 30) is None:
        stop(process)
        raise AssertionError(what + ": the program did not end")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def settings_lines(data):
    return [line for line in data.replace(b"\r\n", b"\n").split(b"\n") if line]


def white_boxes(rgb, top, bottom, left, right):
    """The edits: white rectangles. Rows above and below an edit's text are white
    from border to border; the column just inside its left border is white from
    top to bottom (the text keeps a margin), which separates edits that touch."""
    def white(x, y):
        return rgb[(y * WIDTH + x) * 3:(y * WIDTH + x) * 3 + 3] == b"\xff\xff\xff"

    runs = {}
    for y in range(top, bottom):
        x = left
        while x < right:
            start = x
            while x < right and white(x, y):
                x += 1
            if x - start >= 40:
                runs.setdefault((start, x), []).append(y)
            x += 1
    boxes = set()
    for (x0, x1), rows in runs.items():
        first = rows[0]
        for previous, y in zip(rows, rows[1:] + [None]):
            if y is not None and all(white(x0, row) for row in range(previous, y + 1)):
                continue
            if previous - first >= 4:
                boxes.add((x0, first, x1, previous + 1))
            first = y
    inside = {b for b in boxes for o in boxes
              if o != b and o[0] <= b[0] and o[1] <= b[1] and o[2] >= b[2] and o[3] >= b[3]}
    return sorted(boxes - inside, key=lambda b: (b[1], b[0]))


def crop(rgb, box):
    x0, y0, x1, y1 = box
    return b"".join(rgb[y * WIDTH * 3 + x0 * 3:y * WIDTH * 3 + x1 * 3] for y in range(y0, y1))


def check_masked_password(session, window):
    """User name and password hold the same text: the two edits, equal in size,
    must differ in what they show, or the password is not masked."""
    x, y, width, height = geometry(session, window)
    shot = {}

    # Inside the window's own frame, which may be drawn white.
    def five_edits():  # the window may not be painted yet
        shot["rgb"] = session.screenshot_rgb()
        shot["boxes"] = white_boxes(shot["rgb"], y + 4, y + height - 4, x + 4, x + width - 4)
        return len(shot["boxes"]) == 5
    if not wait_for(five_edits, 10, 0.5):
        raise AssertionError("expected five edits, found %r" % (shot["boxes"],))
    rgb, boxes = shot["rgb"], shot["boxes"]
    user, password = boxes[2], boxes[3]
    if (user[2] - user[0], user[3] - user[1]) != (password[2] - password[0],
                                                  password[3] - password[1]):
        raise AssertionError("user and password edits differ in size: %r %r" % (user, password))
    if crop(rgb, user) == crop(rgb, password):
        raise AssertionError("the password edit shows the password in plain")
    if crop(rgb, boxes[0]) == crop(rgb, user):
        raise AssertionError("the user name edit shows nothing")


def run(flavour, shot_dir):
    workdir = make_workdir()
    try:
        with PrivateXSession() as session:
            flavour.start_platform(session)
            try:
                check_dialog(session, flavour, workdir, shot_dir)
            finally:
                flavour.stop_platform(session)
    finally:
        remove_workdir(workdir)


def check_dialog(session, flavour, workdir, shot_dir):
    ini = os.path.join(workdir, "screen.ini")

    process, _ = open_dialog(session, flavour, workdir)
    type_settings(session, [HOST, PORT, USER, PASSWORD, CHECK])
    session.xdotool("key", "Return")
    must_end(process, "Enter")
    saved = read(ini)
    expected = [b"[zavuzozedi]", b"HOST=" + HOST.encode(), b"PORT=" + PORT.encode(),
                b"USER=" + USER.encode(), b"PASS=" + scramble(PASSWORD.encode()),
                b"CHECK=" + CHECK.encode()]
    if settings_lines(saved) != expected:
        raise AssertionError("screen.ini after Enter: %r" % saved)

    process, window = open_dialog(session, flavour, workdir)
    check_masked_password(session, window)
    os.makedirs(shot_dir, exist_ok=True)
    subprocess.run(["import", "-window", window,
                    os.path.join(shot_dir, "dialog-%s.png" % flavour.name)],
                   env=session.env(), check=True, timeout=20)
    session.xdotool("key", "Return")
    must_end(process, "Enter on the reopened dialog")
    if settings_lines(read(ini)) != expected:
        raise AssertionError("confirming the shown values changed them: %r" % read(ini))
    before = read(ini)

    process, _ = open_dialog(session, flavour, workdir)
    type_settings(session, ["changed.example"])
    session.xdotool("key", "Escape")
    must_end(process, "Esc")
    if read(ini) != before:
        raise AssertionError("Esc changed screen.ini")

    process, window = open_dialog(session, flavour, workdir)
    type_settings(session, ["changed.example"])
    x, y, width, _ = geometry(session, window)
    bx, by = flavour.close_box(x, y, width)
    session.xdotool("mousemove", "--sync", str(bx), str(by), "click", "1")
    must_end(process, "the close box")
    if read(ini) != before:
        raise AssertionError("the close box changed screen.ini")
    if sorted(os.listdir(workdir)) != ["screen.ini"]:
        raise AssertionError("stray files: %r" % os.listdir(workdir))


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ("native", "wine"):
        print(__doc__)
        return 2
    if not os.path.exists(sys.argv[2]):
        print("no program at %s: build it first (the wine runs need the win32 preset)"
              % sys.argv[2])
        return 1
    run(Flavour(sys.argv[1], sys.argv[2]), sys.argv[3])
    print("dialog end to end (%s): ok" % sys.argv[1])
    return 0


if __name__ == "__main__":
    sys.exit(main())
