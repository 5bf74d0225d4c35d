#!/usr/bin/env python3
"""xscreensaver_e2e.py PROGRAM: the saver as an X hack on a private Xvfb, against a POP3
stand-in on 127.0.0.1: -window-id draws inside that window only; SIGTERM in a 3-second wait ends
it at once with code 0; Debian's xscreensaver daemon (as an unprivileged user) runs it with
--root, in $XSCREENSAVER_WINDOW: it types the exchange when activated and ends when deactivated."""
import os, pwd, socketserver, subprocess, sys, threading, time  # noqa: E401

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "lib"))
import xsession as xs  # noqa: E402

HACK_USER, WINDOW = "letterglass-xss", (100, 100, 500, 400)  # the xlogo's drawing area
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
    with open(os.path.join(home, ".xscreensaver"), "w") as f:
        f.write("mode: one\nselected: 0\ntimeout: 0:30:00\nlock: False\nsplash: False\nfade: False\n"
                "unfade: False\nprograms: %s --root --settings %s \\n\n" % (program, folder))
    as_user = ["runuser", "-u", HACK_USER, "--"] if user else []
    session.start(as_user + ["xscreensaver", "-no-splash"], "/", HOME=home)
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
    command("-deactivate")
    check(xs.wait_for(lambda: not running(), 1, 0.05), "daemon: deactivated, the hack is gone in a second")
    check(xs.wait_for(lambda: len(Pop3.closed) == len(Pop3.opened), 2),
          "daemon: no connection of the hack left open")
    command("-exit")


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
            xs.wait_for(lambda: b"PASS" in Pop3.commands, 10)
            started = time.time()
            hack.terminate()
            code, seconds = xs.ended(hack, 5), time.time() - started
            check(code == 0, "SIGTERM in the PASS wait: exit code 0 (got %s)" % code)
            check(seconds < 1, "SIGTERM in the PASS wait: gone in %.1f ms" % (seconds * 1000))
            run_daemon(session, program, folder)
    finally:
        server.shutdown()
        xs.remove_workdir(folder)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
