#!/usr/bin/env python3
"""xscreensaver_e2e.py PROGRAM: the saver as an X hack on a private Xvfb, against a POP3
stand-in on 127.0.0.1: -window-id draws inside that window only; in a 300-pixel preview the whole
check fits; Debian's xscreensaver daemon (as an unprivileged user) runs it with --root, in
$XSCREENSAVER_WINDOW: it types the exchange when activated, ends when cycled (by SIGTERM) and
deactivated, and the daemon logs no abnormal end."""
import os, pwd, socketserver, subprocess, sys, threading, time  # noqa: E401

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "lib"))
import xsession as xs  # noqa: E402

HACK_USER, WINDOW = "letterglass-xss", (100, 100, 500, 400)  # the xlogo's drawing area
# A preview lower than 480 pixels is drawn as a 480-pixel one scaled down: its 30-pixel rows
# become 300 * 30 / 480 = 18.75 pixels high. The first message's line is row 10.
failures = []


def check(condition, what):
    print(("ok - " if condition else "not ok - ") + what, flush=True)
    failures.extend([] if condition else [what])


class Pop3(socketserver.StreamRequestHandler):  # one message; the commands are kept
    REPLIES = {b"USER": b"+OK\r\n", b"PASS": b"+OK Logged in.\r\n", b"STAT": b"+OK 1 60\r\n",
               b"LIST": b"+OK 1 60\r\n", b"TOP": b"+OK\r\nSubject: Hack test\r\n\r\n.\r\n"}
    commands, opened, closed = [], [], []

    def handle(self):
        self.opened.append(1)
        self.request.settimeout(30)
        try:
            self.wfile.write(b"+OK scripted\r\n")
            for line in self.rfile:
                self.commands.append((line.split() or [b""])[0])
                self.wfile.write(self.REPLIES.get(self.commands[-1], b"-ERR\r\n"))
        except OSError:
            pass
        self.closed.append(1)


def run_daemon(session, program, folder):
    if os.getuid() == 0:  # the daemon refuses root: a user of its own, made on the first run
        subprocess.run(["useradd", "--system", "--create-home", HACK_USER], capture_output=True)
    user = pwd.getpwnam(HACK_USER) if os.getuid() == 0 else None
    home = user.pw_dir if user else os.path.expanduser("~")
    log = os.path.join(home, "xscreensaver.log")
    if os.path.exists(log):
        os.remove(log)
    with open(os.path.join(home, ".xscreensaver"), "w") as f:
        f.write("mode: one\nselected: 0\ntimeout: 0:30:00\nlock: False\nsplash: False\nfade: False\n"
                "unfade: False\nprograms: %s --root --settings %s \\n\n" % (program, folder))
    as_user = ["runuser", "-u", HACK_USER, "--"] if user else []
    session.start(as_user + ["xscreensaver", "-no-splash", "--log", log], "/", HOME=home)
    command = lambda verb: subprocess.run(as_user + ["xscreensaver-command", verb],  # noqa: E731
                                          env=session.env(HOME=home), capture_output=True,
                                          timeout=10).returncode == 0
    check(xs.wait_for(lambda: command("-time"), 10), "daemon: xscreensaver answers")
    command("-activate")
    check(xs.wait_for(lambda: xs.white_in(session.screenshot_rgb(), 0, 210, xs.WIDTH, 240), 20),
          "daemon: the hack types the exchange, login included, on the saver's window")
    running = lambda: subprocess.run(["pgrep", "-f", program + " --root"],  # noqa: E731
                                     capture_output=True).returncode == 0
    check(running(), "daemon: the hack runs")
    # Cycling ends the hack with SIGTERM and starts it again; the daemon judges that end.
    first = subprocess.run(["pgrep", "-f", program + " --root"], capture_output=True).stdout
    command("-cycle")
    check(xs.wait_for(lambda: running() and subprocess.run(
        ["pgrep", "-f", program + " --root"], capture_output=True).stdout != first, 5),
          "daemon: cycled, a new hack runs")
    command("-deactivate")
    check(xs.wait_for(lambda: not running(), 1, 0.05), "daemon: deactivated, the hack is gone in a second")
    check(xs.wait_for(lambda: len(Pop3.closed) == len(Pop3.opened), 2),
          "daemon: no connection of the hack left open")
    command("-exit")
    logged = open(log, errors="replace").read() if os.path.exists(log) else ""
    check("letterglass" in logged and not any(w in logged for w in ("abnormally", "crashed")),
          "daemon: its log shows no abnormal end of the hack")


def preview_rows(session, program, window, folder):
    """Runs a check in the 300-pixel window; the lowest white pixel row seen, and whether the
    first message's row (10) showed."""
    Pop3.commands.clear()
    hack = session.start([program, "-window-id", window, "--settings", folder], "/")
    lowest, row10, top, height = -1, False, WINDOW[1], WINDOW[3] - WINDOW[1]
    deadline, done = time.time() + 20, None
    while time.time() < deadline and (done is None or time.time() < done):
        rgb = session.screenshot_rgb()
        for y in range(height):
            if xs.white_in(rgb, WINDOW[0], top + y, WINDOW[2], top + y + 1):
                lowest = max(lowest, y)
                row10 = row10 or 10 * height / 16 <= y < 11 * height / 16
        if done is None and b"TOP" in Pop3.commands:
            done = time.time() + 5  # TOP's reply is shorter than LIST said: a 3-second wait
    xs.stop(hack)
    return lowest, row10


def main():
    program, folder = os.path.abspath(sys.argv[1]), xs.make_workdir()
    server = socketserver.TCPServer(("127.0.0.1", 0), Pop3)  # on this loopback only, until the end
    threading.Thread(target=server.serve_forever, daemon=True).start()
    xs.write_settings(folder, "127.0.0.1", server.server_address[1], "alice", "secret")
    try:
        with xs.XSession() as session:
            session.start(["xlogo", "-geometry", "400x300+100+100", "-bg", "black", "-fg", "black"], "/")
            window = session.child_windows(session.find_window("xlogo", 10))[0]
            inside = lambda: xs.white_in(session.screenshot_rgb(), *WINDOW)  # noqa: E731
            hack = session.start([program, "-window-id", window, "--settings", folder], "/")
            check(xs.wait_for(inside, 10), "-window-id: text inside the given window")
            check(not xs.white_in(session.screenshot_rgb(), *WINDOW, outside=True),
                  "-window-id: nothing drawn outside it")
            xs.stop(hack)
            lowest, row10 = preview_rows(session, program, window, folder)
            check(row10 and lowest < 11 * 300 / 16,
                  "300-pixel preview: the subject's row shows, nothing below it (lowest %d)" % lowest)
            run_daemon(session, program, folder)
    finally:
        server.shutdown()
        xs.remove_workdir(folder)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
