#!/usr/bin/env python3
"""The native saver as an X screen-saver hack, under a private Xvfb.

    xscreensaver_e2e.py PROGRAM SHOTS

Against a scripted POP3 server on 127.0.0.1: Debian's own xscreensaver daemon,
run as an unprivileged user with Letterglass as its only hack, types the
exchange when activated and ends it when deactivated; -window-id draws inside
the given window only; -root draws into $XSCREENSAVER_WINDOW; SIGTERM in the
middle of a 3-second wait ends it at once with exit code 0.
"""
import os
import pwd
import socket
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "lib"))
import xsession as xs  # noqa: E402

HACK_USER = "letterglass-xss"
failures = []


def check(condition, what):
    print(("ok - " if condition else "not ok - ") + what, flush=True)
    if not condition:
        failures.append(what)


class Pop3Server:
    """One message; every connection is served in turn and its commands kept."""

    REPLIES = {b"USER": b"+OK\r\n", b"PASS": b"+OK Logged in.\r\n", b"STAT": b"+OK 1 60\r\n",
               b"LIST": b"+OK 1 60\r\n", b"TOP": b"+OK\r\nSubject: Hack test\r\n\r\n.\r\n"}

    def __init__(self):
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.listener.settimeout(1)
        self.port = self.listener.getsockname()[1]
        self.commands, self.closed, self.stop = [], 0, False
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        deadline = time.time() + 240
        while not self.stop and time.time() < deadline:
            try:
                connection, _ = self.listener.accept()
            except socket.timeout:
                continue
            with connection:
                connection.settimeout(30)
                connection.sendall(b"+OK scripted\r\n")
                try:
                    for line in connection.makefile("rb"):
                        self.commands.append(line.split()[0] if line.split() else b"")
                        connection.sendall(self.REPLIES.get(self.commands[-1], b"-ERR\r\n"))
                except OSError:
                    pass
                self.closed += 1


def hack_user():
    """An unprivileged user for the daemon, which refuses to run as root."""
    if os.getuid() != 0:
        return None
    try:
        pwd.getpwnam(HACK_USER)
    except KeyError:
        subprocess.run(["useradd", "--system", "--create-home", HACK_USER], check=True)
    return pwd.getpwnam(HACK_USER)


def white_in(rgb, left, top, right, bottom):
    for y in range(top, bottom):
        row = rgb[(y * xs.WIDTH + left) * 3:(y * xs.WIDTH + right) * 3]
        if b"\xff\xff\xff" in row:
            return True
    return False


def small_window(session):
    """A window at (100, 100), 400x300: the drawing area of an xlogo; its id."""
    session.start(["xlogo", "-geometry", "400x300+100+100", "-bg", "black", "-fg", "black"], "/")
    shell = xs.wait_for(lambda: subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--class", "xlogo"], env=session.env(),
        capture_output=True, text=True, timeout=10).stdout.split(), 10)[0]
    tree = subprocess.run(["xwininfo", "-children", "-id", shell], env=session.env(),
                          capture_output=True, text=True, timeout=10).stdout
    return next(line.split()[0] for line in tree.splitlines() if line.startswith("     0x"))


def run_daemon(session, program, folder, server, shots):
    user = hack_user()
    home = user.pw_dir if user else os.path.expanduser("~")
    with open(os.path.join(home, ".xscreensaver"), "w") as f:
        f.write("mode: one\nselected: 0\ntimeout: 0:30:00\nlock: False\nsplash: False\n"
                "fade: False\nunfade: False\nprograms: %s --root --settings %s \\n\n"
                % (program, folder))
    as_user = ["runuser", "-u", HACK_USER, "--"] if user else []
    env = session.env(HOME=home)
    daemon = subprocess.Popen(as_user + ["xscreensaver", "-no-splash"], env=env,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    session.children.append(daemon)
    command = lambda verb: subprocess.run(as_user + ["xscreensaver-command", verb], env=env,
                                          capture_output=True, timeout=10).returncode == 0
    check(xs.wait_for(lambda: command("-time"), 10), "daemon: xscreensaver answers")
    command("-activate")
    check(xs.wait_for(lambda: white_in(session.screenshot_rgb(), 0, 210, xs.WIDTH, 240), 20),
          "daemon: the hack types the exchange, login included, on the saver's window")
    session.save_screenshot(os.path.join(shots, "xscreensaver-hack.png"))
    hack_running = lambda: subprocess.run(["pgrep", "-f", program + " --root"],
                                          capture_output=True).returncode == 0
    check(hack_running(), "daemon: the hack runs")
    closed = server.closed
    command("-deactivate")
    check(xs.wait_for(lambda: not hack_running(), 1, 0.05), "daemon: deactivated, the hack is gone within a second")
    check(xs.wait_for(lambda: server.closed > closed, 2), "daemon: its connection is closed")
    command("-exit")


def main():
    program = os.path.abspath(sys.argv[1])
    shots = sys.argv[2]
    os.makedirs(shots, exist_ok=True)
    folder = xs.make_workdir()
    server = Pop3Server()
    xs.write_settings(folder, "127.0.0.1", server.port, "alice", "secret")
    try:
        with xs.XSession() as session:
            window = small_window(session)
            hack = session.start([program, "-window-id", window, "--settings", folder], "/")
            check(xs.wait_for(lambda: white_in(session.screenshot_rgb(), 100, 100, 500, 400), 10),
                  "-window-id: text inside the given window")
            rgb = session.screenshot_rgb()
            check(not white_in(rgb, 0, 0, xs.WIDTH, 100) and not white_in(rgb, 0, 400, xs.WIDTH, xs.HEIGHT)
                  and not white_in(rgb, 0, 100, 100, 400) and not white_in(rgb, 500, 100, xs.WIDTH, 400),
                  "-window-id: nothing drawn outside it")
            xs.wait_for(lambda: b"PASS" in server.commands, 10)
            started = time.time()
            hack.terminate()
            code = xs.ended(hack, 5)
            seconds = time.time() - started
            check(code == 0, "SIGTERM in the PASS wait: exit code 0 (got %s)" % code)
            check(seconds < 1, "SIGTERM in the PASS wait: gone in %.3f s" % seconds)
            print("# SIGTERM exit time: %.1f ms" % (seconds * 1000))

            rooted = session.start([program, "-root", "--settings", folder], "/",
                                   XSCREENSAVER_WINDOW=window)
            check(xs.wait_for(lambda: white_in(session.screenshot_rgb(), 100, 100, 500, 400), 10),
                  "-root: text in $XSCREENSAVER_WINDOW")
            xs.stop(rooted)
            run_daemon(session, program, folder, server, shots)
    finally:
        server.stop = True
        xs.remove_workdir(folder)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
