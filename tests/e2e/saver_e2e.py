#!/usr/bin/env python3
"""End to end: the real saver under Xvfb at 1024x768 against the test Dovecot.

    saver_e2e.py native PROGRAM DOVECOT_DIR [SCREENSHOT_DIR]
    saver_e2e.py wine   PROGRAM.scr DOVECOT_DIR [SCREENSHOT_DIR]

Checks: white text on the expected rows while the check runs and an all-black
screen after the wipe; a horizontal-only mouse move keeps the saver running, a
diagonal move ends it with exit code 0; a left or a right click ends it; keys
typed while it runs reach no other window, and Alt+F4 ends it with exit code 0;
no switch, /p and /S end at once with exit code 0 and no window.
"""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xsession as xs  # noqa: E402

ROWS_EMPTY = [60, 90, 120, 150, 180, 210, 240, 270]


class Program:
    def __init__(self, kind, path):
        self.kind, self.path = kind, os.path.abspath(path)

    def argv(self, *switches):
        if self.kind == "wine":
            return ["wine", self.path, *switches]
        return [self.path, *switches]

    def env(self):
        if self.kind == "wine":
            return {"LC_ALL": "ja_JP.UTF-8", "WINEDEBUG": "-all"}
        return {}


def dovecot_endpoint(folder):
    host, port = open(os.path.join(folder, "endpoint")).read().split()
    return host, int(port)


def check(condition, message):
    if not condition:
        raise AssertionError(message)
    print("ok -", message)


def run_check_then_mouse(x, program, endpoint, shots):
    """One full check of an empty mailbox, then the mouse rule."""
    work = xs.make_workdir()
    try:
        xs.write_settings(work, endpoint[0], endpoint[1], "empty", "postoffice", check=5)
        # The pointer rests at the screen's centre (512, 384) when the window appears.
        saver = x.start(program.argv("/s"), work, **program.env())

        # The last row starts when every earlier line is complete, and the wipe
        # starts only after it: the moment to look at the whole exchange.
        def last_row_started():
            rgb = x.screenshot_rgb()
            return xs.band_has_white(rgb, ROWS_EMPTY[-1]) and rgb

        rgb = xs.wait_for(last_row_started, timeout=60, interval=0.05)
        if shots:
            x.save_screenshot(os.path.join(shots, "saver-%s-typed.png" % program.kind))
        check(rgb and all(xs.band_has_white(rgb, top) for top in ROWS_EMPTY),
              "%s: text on every row 60..270 during the check" % program.kind)
        check(not xs.band_has_white(rgb, 300) and not xs.band_has_white(rgb, 0, 60),
              "%s: nothing above row 60 or below row 300" % program.kind)
        black = xs.wait_for(lambda: xs.all_black(x.screenshot_rgb()), timeout=60, interval=0.5)
        if shots:
            x.save_screenshot(os.path.join(shots, "saver-%s-wiped.png" % program.kind))
        check(black, "%s: the wipe leaves an all-black screen" % program.kind)
        check(saver.poll() is None, "%s: still running after the check" % program.kind)

        x.xdotool("mousemove", "700", "384")
        time.sleep(1.0)
        check(saver.poll() is None, "%s: a horizontal-only move keeps it running" % program.kind)
        x.xdotool("mousemove", "512", "500")
        time.sleep(1.0)
        check(saver.poll() is None, "%s: a vertical-only move keeps it running" % program.kind)
        x.xdotool("mousemove", "701", "420")
        code = xs.ended(saver, 15)
        check(code == 0, "%s: a diagonal move ends it with exit code 0 (got %s)"
              % (program.kind, code))
    finally:
        xs.remove_workdir(work)


def run_click(x, program, endpoint, button):
    work = xs.make_workdir()
    try:
        xs.write_settings(work, endpoint[0], endpoint[1], "empty", "postoffice", check=5)
        saver = x.start(program.argv("/s"), work, **program.env())
        xs.wait_for(lambda: any(xs.band_has_white(x.screenshot_rgb(), 60) for _ in [0]),
                    timeout=30, interval=0.3)
        check(saver.poll() is None, "%s: running before the click" % program.kind)
        x.xdotool("click", button)
        code = xs.ended(saver, 15)
        check(code == 0, "%s: button %s ends it with exit code 0 (got %s)"
              % (program.kind, button, code))
    finally:
        xs.remove_workdir(work)


def run_keys(x, program, endpoint):
    """A focused window behind the saver records the keys that reach it."""
    work = xs.make_workdir()
    recorder = None
    try:
        xs.write_settings(work, endpoint[0], endpoint[1], "empty", "postoffice", check=5)
        keys = os.path.join(work, "keys.log")
        with open(keys, "w") as log:
            recorder = x.start(["xev", "-event", "keyboard", "-name", "key-recorder"], work,
                               output=log)
        x.xdotool("search", "--sync", "--name", "key-recorder", "windowfocus", "--sync")
        x.xdotool("type", "ls")

        def presses():
            time.sleep(0.5)
            return open(keys).read().count("KeyPress event")

        before = presses()
        check(before == 2, "%s: the recorder has the focus" % program.kind)
        saver = x.start(program.argv("/s"), work, **program.env())

        def typing_over_the_recorder():  # whose white window sits at the top left
            rgb = x.screenshot_rgb()
            return not xs.band_has_white(rgb, 0, 60) and xs.band_has_white(rgb, 60)

        xs.wait_for(typing_over_the_recorder, timeout=30, interval=0.3)
        x.xdotool("type", "secret")
        time.sleep(0.5)
        check(saver.poll() is None, "%s: keys do not end it" % program.kind)
        x.xdotool("key", "alt+F4")
        code = xs.ended(saver, 15)
        check(code == 0, "%s: Alt+F4 ends it with exit code 0 (got %s)" % (program.kind, code))
        check(presses() == before, "%s: no key reached the window behind it" % program.kind)
    finally:
        if recorder:
            xs.stop(recorder)
        xs.remove_workdir(work)


def run_no_window(x, program, switches):
    work = xs.make_workdir()
    try:
        started = time.time()
        child = x.start(program.argv(*switches), work, **program.env())
        code = xs.ended(child, 30)
        label = " ".join(switches) or "no switch"
        check(code == 0, "%s: %s ends with exit code 0 (got %s)" % (program.kind, label, code))
        mine = [w for w in x.top_level_windows() if os.path.basename(program.path) in w]
        check(not mine and not os.path.exists(os.path.join(work, "screen.ini")),
              "%s: %s shows no window and writes nothing (%.1f s)"
              % (program.kind, label, time.time() - started))
    finally:
        xs.remove_workdir(work)


def main():
    kind, path, dovecot = sys.argv[1], sys.argv[2], sys.argv[3]
    shots = sys.argv[4] if len(sys.argv) > 4 else None
    if shots:
        os.makedirs(shots, exist_ok=True)
    if not os.path.exists(path):
        print("no program at %s: build it first (the wine run needs the win32 preset)" % path)
        return 1
    program = Program(kind, path)
    endpoint = dovecot_endpoint(dovecot)
    with xs.XSession() as x:
        for switches in ([], ["/p", "1234"], ["/S"]):
            run_no_window(x, program, switches)
        run_check_then_mouse(x, program, endpoint, shots)
        run_click(x, program, endpoint, "1")
        run_click(x, program, endpoint, "3")
        run_keys(x, program, endpoint)
    return 0


if __name__ == "__main__":
    sys.exit(main())
