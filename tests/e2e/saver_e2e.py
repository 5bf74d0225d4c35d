#!/usr/bin/env python3
"""End to end: what only the real screen shows, the real saver under Xvfb at
1024x768 against the test Dovecot (the typed rows themselves are checked byte
for byte by the check-cycle tests on the recording screen).

    saver_e2e.py native PROGRAM DOVECOT_DIR [SCREENSHOT_DIR]
    saver_e2e.py wine   PROGRAM.scr DOVECOT_DIR [SCREENSHOT_DIR]

Checks: no switch, /p and /S end at once with exit code 0, no window and no
file; white text on the rows 60..270 while a check of an empty mailbox runs,
and an all-black screen after the wipe; a horizontal-only or vertical-only
mouse move keeps the saver running, a diagonal move ends it with exit code 0,
and so does a left or a right click; natively, keys typed while it runs reach
no other window and do not end it, Alt+F4 ends it with exit code 0.
"""
import contextlib
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "scripts", "lib"))
import xsession as xs  # noqa: E402

ROWS = [60, 90, 120, 150, 180, 210, 240, 270]


def check(condition, message):
    if not condition:
        raise AssertionError(message)
    print("ok -", message)


class Run:
    def __init__(self, x, kind, path, dovecot, shots):
        self.x, self.kind, self.path, self.shots = x, kind, os.path.abspath(path), shots
        host, port = open(os.path.join(dovecot, "endpoint")).read().split()
        self.endpoint = host, int(port)

    def start(self, work, *switches):
        argv = [self.path, *switches]
        env = {}
        if self.kind == "wine":
            argv, env = ["wine", *argv], {"LC_ALL": "ja_JP.UTF-8", "WINEDEBUG": "-all"}
        return self.x.start(argv, work, **env)

    @contextlib.contextmanager
    def workdir(self):
        """A folder whose settings check the empty mailbox."""
        work = xs.make_workdir()
        try:
            xs.write_settings(work, *self.endpoint, "empty", "postoffice", check=5)
            yield work
        finally:
            xs.remove_workdir(work)

    def typing(self):
        """The first row is typed, over whatever window was at the top left."""
        rgb = self.x.screenshot_rgb()
        return not xs.band_has_white(rgb, 0, 60) and xs.band_has_white(rgb, ROWS[0])

    def ends(self, saver, what):
        code = xs.ended(saver, 15)
        check(code == 0, "%s: %s ends it with exit code 0 (got %s)" % (self.kind, what, code))

    def shot(self, name):
        if self.shots:
            self.x.save_screenshot(os.path.join(self.shots, "saver-%s-%s.png" % (self.kind, name)))

    def no_window(self, *switches):
        work = xs.make_workdir()
        try:
            code = xs.ended(self.start(work, *switches), 30)
            label = " ".join(switches) or "no switch"
            check(code == 0, "%s: %s ends with exit code 0 (got %s)" % (self.kind, label, code))
            mine = [w for w in self.x.top_level_windows() if os.path.basename(self.path) in w]
            check(not mine and not os.listdir(work),
                  "%s: %s shows no window and writes nothing" % (self.kind, label))
        finally:
            xs.remove_workdir(work)

    def check_then_mouse(self):
        with self.workdir() as work:
            saver = self.start(work, "/s")

            # The last row starts once every earlier line is complete, and the
            # wipe only after it: the moment to look at the whole exchange.
            def last_row_started():
                rgb = self.x.screenshot_rgb()
                return xs.band_has_white(rgb, ROWS[-1]) and rgb

            rgb = xs.wait_for(last_row_started, timeout=60, interval=0.05)
            self.shot("typed")
            check(rgb and all(xs.band_has_white(rgb, top) for top in ROWS),
                  "%s: text on every row 60..270 during the check" % self.kind)
            check(not xs.band_has_white(rgb, 300) and not xs.band_has_white(rgb, 0, 60),
                  "%s: nothing above row 60 or below row 300" % self.kind)
            black = xs.wait_for(lambda: xs.all_black(self.x.screenshot_rgb()), 60, 0.5)
            self.shot("wiped")
            check(black, "%s: the wipe leaves an all-black screen" % self.kind)
            # The pointer rested at the screen's centre (512, 384) when the window appeared.
            for x, y, move in (("700", "384", "horizontal"), ("512", "500", "vertical")):
                self.x.xdotool("mousemove", x, y)
                time.sleep(1.0)
                check(saver.poll() is None, "%s: a %s-only move keeps it running" % (self.kind, move))
            self.x.xdotool("mousemove", "701", "420")
            self.ends(saver, "a diagonal move")

    def click(self, button):
        with self.workdir() as work:
            saver = self.start(work, "/s")
            xs.wait_for(self.typing, timeout=30, interval=0.3)
            check(saver.poll() is None, "%s: running before the click" % self.kind)
            self.x.xdotool("click", button)
            self.ends(saver, "button %s" % button)

    def keys(self):
        """A focused window behind the saver records the keys that reach it."""
        with self.workdir() as work:
            keys = os.path.join(work, "keys.log")
            with open(keys, "w") as log:
                recorder = self.x.start(["xev", "-event", "keyboard", "-name", "key-recorder"],
                                        work, output=log)
            self.x.xdotool("search", "--sync", "--name", "key-recorder", "windowfocus", "--sync")
            self.x.xdotool("type", "ls")

            def presses():
                time.sleep(0.5)
                return open(keys).read().count("KeyPress event")

            before = presses()
            check(before == 2, "%s: the recorder has the focus" % self.kind)
            saver = self.start(work, "/s")
            xs.wait_for(self.typing, timeout=30, interval=0.3)
            self.x.xdotool("type", "secret")
            time.sleep(0.5)
            check(saver.poll() is None, "%s: keys do not end it" % self.kind)
            self.x.xdotool("key", "alt+F4")
            self.ends(saver, "Alt+F4")
            check(presses() == before, "%s: no key reached the window behind it" % self.kind)
            xs.stop(recorder)


def main():
    kind, path, dovecot = sys.argv[1:4]
    shots = sys.argv[4] if len(sys.argv) > 4 else None
    if shots:
        os.makedirs(shots, exist_ok=True)
    if not os.path.exists(path):
        print("no program at %s: build it first (the wine run needs the win32 preset)" % path)
        return 1
    with xs.XSession() as x:
        run = Run(x, kind, path, dovecot, shots)
        for switches in ([], ["/p", "1234"], ["/S"]):
            run.no_window(*switches)
        run.check_then_mouse()
        run.click("1")
        run.click("3")
        if kind == "native":  # the keyboard hold is our X layer's; Wine's focus is its own
            run.keys()
    return 0


if __name__ == "__main__":
    sys.exit(main())
