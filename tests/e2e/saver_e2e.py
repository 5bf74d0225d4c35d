#!/usr/bin/env python3
"""saver_e2e.py native|wine PROGRAM DOVECOT_DIR: what only the real screen shows, the
saver at 1024x768 on a private Xvfb against the test Dovecot's empty mailbox (the typed bytes are
the check-cycle tests' job). No switch, /p and /S end at once with code 0, no window, no file;
white text on rows 60..270 only while a check runs, all black after the wipe; a move along one
axis keeps it, a diagonal move or a click ends it with code 0, within a second and with nothing
more sent even while it waits on a stalling server; natively, keys reach no window behind it and
do not end it, Alt+F4 does, and an option without its value or with one that cannot be used ends
it at once with code 2 and one line on stderr naming the option."""
import contextlib, os, subprocess, sys, time  # noqa: E401

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../scripts/lib"))
import xsession as xs  # noqa: E402
from stalling_peer import StallingPeer  # noqa: E402

ROWS = [60, 90, 120, 150, 180, 210, 240, 270]


def check(condition, message):
    assert condition, message
    print("ok -", message)


class Run:
    def __init__(self, x, kind, path, dovecot):
        self.x, self.kind, self.path = x, kind, os.path.abspath(path)
        host, port = open(os.path.join(dovecot, "endpoint")).read().split()
        self.endpoint = host, int(port)

    def start(self, work, *switches):
        if self.kind == "native":
            return self.x.start([self.path, *switches], work)
        return self.x.start(["wine", self.path, *switches], work, LC_ALL="ja_JP.UTF-8",
                            WINEDEBUG="-all")

    @contextlib.contextmanager
    def saver(self, before=None):
        """The saver (/s) on settings for the empty mailbox, once BEFORE(work) has run."""
        work = xs.make_workdir()
        try:
            xs.write_settings(work, *self.endpoint, "empty", "postoffice", check=5)
            extra = before(work) if before else None
            yield self.start(work, "/s"), extra
        finally:
            xs.remove_workdir(work)

    def typing(self):
        """The first row is typed, over whatever window was at the top left."""
        rgb = self.x.screenshot_rgb()
        return not xs.band_has_white(rgb, 0, 60) and xs.band_has_white(rgb, ROWS[0])

    def ends(self, saver, what):
        code = xs.ended(saver, 15)
        check(code == 0, "%s: %s ends it with exit code 0 (got %s)" % (self.kind, what, code))

    def no_window(self, *switches):
        work, label = xs.make_workdir(), " ".join(switches) or "no switch"
        try:
            code = xs.ended(self.start(work, *switches), 30)
            check(code == 0, "%s: %s ends with exit code 0 (got %s)" % (self.kind, label, code))
            mine = [w for w in self.x.top_level_windows() if os.path.basename(self.path) in w]
            check(not mine and not os.listdir(work),
                  "%s: %s shows no window and writes nothing" % (self.kind, label))
        finally:
            xs.remove_workdir(work)

    def option_errors(self):
        work = xs.make_workdir()
        try:
            for args, option in ((["-settings", "/nonexistent/folder", "/s"], b"-settings"),
                                 (["/s", "--settings"], b"--settings"),
                                 (["/s", "-window-id"], b"-window-id"),
                                 (["--window-id", "12ab"], b"--window-id")):
                run = subprocess.run([self.path, *args], cwd=work, env=self.x.env(), timeout=30,
                                     capture_output=True)
                lines = run.stderr.splitlines()
                check(run.returncode == 2 and len(lines) == 1 and option + b":" in lines[0],
                      "%s: %s ends with code 2 and says why (%s)" % (self.kind, " ".join(args),
                                                                     run.stderr.decode().strip()))
            mine = [w for w in self.x.top_level_windows() if os.path.basename(self.path) in w]
            check(not mine and not os.listdir(work),
                  "%s: the option errors show no window and write nothing" % self.kind)
        finally:
            xs.remove_workdir(work)

    def check_then_mouse(self):
        with self.saver() as (saver, _):
            # The last row starts once every earlier line is complete, and the wipe only after it.
            def last_row_started():
                rgb = self.x.screenshot_rgb()
                return xs.band_has_white(rgb, ROWS[-1]) and rgb

            rgb = xs.wait_for(last_row_started, timeout=60, interval=0.05)
            check(rgb and all(xs.band_has_white(rgb, top) for top in ROWS),
                  "%s: text on every row 60..270 during the check" % self.kind)
            check(not xs.band_has_white(rgb, 300) and not xs.band_has_white(rgb, 0, 60),
                  "%s: nothing above row 60 or below row 300" % self.kind)
            black = xs.wait_for(lambda: xs.all_black(self.x.screenshot_rgb()), 60, 0.5)
            check(black, "%s: the wipe leaves an all-black screen" % self.kind)
            # The pointer rested at the screen's centre (512, 384) when the window appeared.
            for x, y, move in (("700", "384", "horizontal"), ("512", "500", "vertical")):
                self.x.xdotool("mousemove", x, y)
                time.sleep(1.0)
                check(saver.poll() is None, "%s: a %s-only move keeps it running" % (self.kind, move))
            self.x.xdotool("mousemove", "701", "420")
            self.ends(saver, "a diagonal move")

    def move_during_wait(self, stall, what, settle):
        """A diagonal move while the saver waits on the server ends it within a second, and the
        server receives nothing more."""
        self.x.xdotool("mousemove", "512", "384")
        work = xs.make_workdir()
        try:
            with StallingPeer(stall, interval=1.0) as peer:
                xs.write_settings(work, "127.0.0.1", peer.port, "user", "secret", check=5)
                saver = self.start(work, "/s")
                check(peer.wait_stalled(60), "%s: the saver reached %s" % (self.kind, what))
                time.sleep(settle)
                moved = time.monotonic()
                self.x.xdotool("mousemove", "701", "420")
                code = xs.ended(saver, 1.0)
                check(code == 0, "%s: a diagonal move during %s ends it within 1 s with code 0 "
                      "(got %s)" % (self.kind, what, code))
                check(peer.wait_closed(1.0) and not peer.received_after(moved),
                      "%s: after the move the connection closes with nothing more sent" % self.kind)
        finally:
            xs.remove_workdir(work)

    def click(self, button):
        with self.saver() as (saver, _):
            xs.wait_for(self.typing, timeout=30, interval=0.3)
            check(saver.poll() is None, "%s: running before the click" % self.kind)
            self.x.xdotool("click", button)
            self.ends(saver, "button %s" % button)

    def keys(self):
        """A focused window behind the saver records the keys that reach it."""
        def recorder(work):
            log = os.path.join(work, "keys.log")
            with open(log, "w") as out:
                process = self.x.start(["xev", "-event", "keyboard", "-name", "key-recorder"],
                                       work, output=out)
            self.x.xdotool("search", "--sync", "--name", "key-recorder", "windowfocus", "--sync")
            self.x.xdotool("type", "ls")
            time.sleep(0.5)
            check(open(log).read().count("KeyPress event") == 2, "the recorder has the focus")
            return log, process

        with self.saver(recorder) as (saver, (log, process)):
            xs.wait_for(self.typing, timeout=30, interval=0.3)
            self.x.xdotool("type", "secret")
            time.sleep(0.5)
            check(saver.poll() is None, "%s: keys do not end it" % self.kind)
            self.x.xdotool("key", "alt+F4")
            self.ends(saver, "Alt+F4")
            time.sleep(0.5)
            check(open(log).read().count("KeyPress event") == 2,
                  "%s: no key reached the window behind it" % self.kind)
            xs.stop(process)


def main():
    kind, path, dovecot = sys.argv[1:4]
    if not os.path.exists(path):
        sys.exit("no program at %s: build it first (the wine run needs the win32 preset)" % path)
    with xs.XSession() as x:
        run = Run(x, kind, path, dovecot)
        for switches in ([], ["/p", "1234"], ["/S"]):
            run.no_window(*switches)
        run.check_then_mouse()
        run.click("1")
        run.click("3")
        run.move_during_wait("pass", "the 3-second wait after PASS", 0.5)
        run.move_during_wait("drip", "a reply arriving a byte a second", 2.5)
        if kind == "native":  # the keyboard hold is our X layer's; Wine's focus is its own
            run.keys()
            run.option_errors()


if __name__ == "__main__":
    main()
