#!/usr/bin/env python3
"""dialog_e2e.py native|wine PROGRAM: each case opens the program's configuration dialog
(/c) in a fresh folder on a private Xvfb, drives it with xdotool, checks screen.ini's bytes: the
folder's own when it has one, else the user's (the layer's XDG_CONFIG_HOME natively, the Wine
prefix's %APPDATA%), which the saver then uses from any folder. Natively, a file the user may not
write keeps the dialog open, and --settings names the folder whether or not it has a file."""
import os, shutil, subprocess, sys, tempfile, time  # noqa: E401

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../scripts/lib"))
from xsession import XSession, ended, scramble, wait_for  # noqa: E402
from stalling_peer import StallingPeer  # noqa: E402


def ini(*values):  # screen.ini as the program writes it: all five keys, in this order
    return b"[zavuzozedi]\r\n" + b"".join(k + b"=" + v + b"\r\n" for k, v in
                                          zip(b"HOST PORT USER PASS CHECK".split(), values))


def seed(user=b"taro", password=b"s3cret!"):
    return ini(b"pop.example.jp", b"995", user, scramble(password), b"-3")


LONG = "pop." + "h" * 296
# Name, screen.ini before, steps, after (None: as before). A step is a key, "=text" to type,
# "!shot", "!same" or "!differs" (a screenshot against the first), "!close" (the close box) or
# "!notice" (the page opened). Passwords scramble to whole code page 932 characters.
CASES = [
    ("defaults", None, "Return", ini(b"", b"110", b"", b"", b"1")),
    ("typed", None, "Tab|Tab|=%s|Tab|=8080x|Tab|=hanako|Tab|=pa ss!|Tab|=-3|Return" % LONG,
     ini(LONG.encode(), b"8080", b"hanako", scramble(b"pa ss!"), b"-3")),
    ("shown, the password unscrambled", seed(), "!shot|Return", None),
    ("the password masked", seed(password=b"IIIIIII"), "!same|Escape", None),
    ("the user name shown", seed(user=b"tiro"), "!differs|Escape", None),
    ("Esc", seed(), "Tab|Tab|=x|Escape", None),
    ("cancel", seed(), "Tab|Tab|=x|shift+Tab|Return", None),
    ("the close box", seed(), "Tab|Tab|=x|!close", None),
    ("the notice", seed(), "shift+Tab|Return|!notice|Escape", None),
]
# The desktop's opener: records the page, then runs until the run ends and removes it.
OPENER = """#!/bin/sh\nprintf '%s' "$1" > "$0.log"; i=0
while [ -e "$0" ] && [ $i -lt 600 ]; do sleep 0.1; i=$((i+1)); done"""
# Wine: unmanaged windows (closed at once without a window manager), a browser.
REGISTRY = ('REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Managed"="N"\n'
            '[HKEY_CLASSES_ROOT\\.html]\n@="htmlfile"')


def open_dialog(session, argv, folder, env, name):
    process = session.start(argv + ["/c"], folder, **env)
    window = session.find_window("letterglass", 30)
    assert window, "%s: no dialog (exit code %r)" % (name, process.poll())
    time.sleep(0.5)  # let it draw and settle before input
    session.xdotool("windowfocus", "--sync", window)
    return process, window


def keys(session, steps):
    for step in steps.split("|"):
        session.xdotool(*(["type", "--delay", "15", "--", step[1:]] if step[0] == "=" else
                          ["key", "--delay", "60", step]))


def read(path):
    return open(path, "rb").read() if os.path.exists(path) else None


def run(session, argv, env, log, shots, case, own):
    """OWN: the user's own screen.ini, used when the folder has none."""
    name, before, steps, after = case
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "screen.ini")
        if before:
            open(path, "wb").write(before)
        process, window = open_dialog(session, argv, folder, env, name)
        for step in steps.split("|"):
            if step in ("!shot", "!same", "!differs"):
                time.sleep(0.7)  # until the last keys are drawn
                shots.append(session.screenshot_rgb())
                assert step == "!shot" or (shots[0] == shots[-1]) == (step == "!same"), name
            elif step == "!close":  # on Wine's own caption or on GTK's header bar
                geometry = session.xdotool("getwindowgeometry", "--shell", window).split()
                x, y, width = [int(v.split(b"=")[1]) for v in geometry[1:4]]
                x, y = (x + width - 14, y + 9) if argv[0] == "wine" else (x + width - 27, y + 25)
                session.xdotool("mousemove", "--sync", str(x), str(y), "click", "1")
            elif step == "!notice":
                opened = wait_for(lambda: os.path.exists(log) and open(log, "rb").read(), 20)
                page = os.path.join(os.path.dirname(argv[-1]), "letterglass.html").encode()
                assert opened in (page, b"file://" + page) and process.poll() is None, opened
            else:
                keys(session, step)
        assert ended(process, 30) is not None, name + ": the dialog did not end"
        saved = read(path) if before else read(own)
        assert saved == (after or before), (name, saved)
        assert os.listdir(folder) == (["screen.ini"] if before else []), (name, os.listdir(folder))
        shutil.rmtree(os.path.dirname(own), ignore_errors=True)


def saver_finds_what_was_typed(session, argv, env, own):
    """Typed from one empty folder, used by the saver started from another."""
    with tempfile.TemporaryDirectory() as here, tempfile.TemporaryDirectory() as there, \
            StallingPeer("pass") as peer:
        process, _ = open_dialog(session, argv, here, env, "typed for the saver")
        keys(session, "Tab|Tab|=127.0.0.1|Tab|=%d|Tab|=hanako|Tab|=s3cret|Return" % peer.port)
        assert ended(process, 30) is not None and not os.listdir(here), "typed for the saver"
        assert read(own) == ini(b"127.0.0.1", b"%d" % peer.port, b"hanako", scramble(b"s3cret"),
                                b"1"), read(own)
        saver = session.start(argv + ["/s"], there, **env)
        logged_in = peer.wait_stalled(60)
        session.xdotool("mousemove", "10", "10", "click", "1")
        assert logged_in and peer.commands == [b"USER hanako", b"PASS s3cret"], peer.commands
        assert ended(saver, 30) == 0 and not os.listdir(there), "the saver from elsewhere"
    shutil.rmtree(os.path.dirname(own), ignore_errors=True)


def unwritable_file_keeps_the_dialog(session, argv, env):
    """As an unprivileged user: the file is read-only to them."""
    with tempfile.TemporaryDirectory() as folder:
        os.chmod(folder, 0o755)
        path = os.path.join(folder, "screen.ini")
        open(path, "wb").write(seed())
        as_user = ["runuser", "-u", "nobody", "--"] if os.getuid() == 0 else []
        os.chmod(path, 0o644 if as_user else 0o444)
        process, window = open_dialog(session, as_user + argv, folder, env, "read-only")
        keys(session, "Tab|Tab|=x|Return")
        box = wait_for(lambda: session.xdotool("search", "--onlyvisible", "--name", "^Letterglass$",
                                               check=False).split(), 20)
        assert box and process.poll() is None, "read-only: no message box over the open dialog"
        session.xdotool("windowfocus", "--sync", box[-1].decode())
        keys(session, "Return")
        assert wait_for(lambda: not session.xdotool("search", "--onlyvisible", "--name",
                                                     "^Letterglass$", check=False), 20)
        time.sleep(0.5)
        assert process.poll() is None and session.find_window("letterglass", 5) == window, \
            "read-only: the dialog closed"
        session.xdotool("windowfocus", "--sync", window)
        keys(session, "Escape")
        assert ended(process, 30) is not None and read(path) == seed(), "read-only: Esc"


def settings_names_the_folder(session, argv, env, own):
    with tempfile.TemporaryDirectory() as folder, tempfile.TemporaryDirectory() as elsewhere:
        process, _ = open_dialog(session, argv + ["--settings", folder], elsewhere, env, "--settings")
        keys(session, "Return")
        assert ended(process, 30) is not None, "--settings: the dialog did not end"
        saved = read(os.path.join(folder, "screen.ini"))
        assert saved == ini(b"", b"110", b"", b"", b"1") and read(own) is None, saved


def user_file(session, kind, env, tools):
    """Where the user's own screen.ini is: the layer's XDG_CONFIG_HOME, or the prefix's %APPDATA%."""
    if kind == "native":
        env["XDG_CONFIG_HOME"] = os.path.join(tools, "config")
        return os.path.join(tools, "config", "letterglass", "screen.ini")
    out = subprocess.run(["wine", "cmd", "/c", "echo %APPDATA%"], env=session.env(**env),
                         capture_output=True, timeout=120).stdout.strip()
    folder = subprocess.run(["winepath", "-u", out], env=session.env(**env), capture_output=True,
                            timeout=120).stdout.decode().strip()
    assert os.path.isdir(folder), (out, folder)
    return os.path.join(folder, "letterglass", "screen.ini")


def main():
    kind, program = (sys.argv + ["", ""])[1:3]
    if kind not in ("native", "wine") or not os.path.exists(program):
        sys.exit(__doc__ + "The wine run needs the .scr of the win32 preset.")
    program = os.path.realpath(program)
    with tempfile.TemporaryDirectory() as tools, XSession() as session:
        for name, text, mode in (("xdg-open", OPENER, 0o755), ("setup.reg", REGISTRY, 0o644)):
            open(os.path.join(tools, name), "w").write(text), os.chmod(os.path.join(tools, name), mode)
        env, argv = {"PATH": tools + ":" + os.environ["PATH"], "NO_AT_BRIDGE": "1"}, [program]
        if kind == "wine":  # a prefix of its own, whose server starts on this display
            env.update(LC_ALL="ja_JP.UTF-8", WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                       WINEPREFIX=os.path.join(os.path.dirname(program), "wineprefix-dialog-e2e"))
            argv = ["wine"] + argv
            for command in ("wineserver -k", "wine reg import Z:%s/setup.reg" % tools):
                subprocess.run(command.split(), env=session.env(**env), timeout=120)
        own = user_file(session, kind, env, tools)
        shutil.rmtree(os.path.dirname(own), ignore_errors=True)
        shots = []  # the first case's screenshot, then the ones compared with it
        for case in CASES:
            run(session, argv, env, os.path.join(tools, "xdg-open.log"), shots, case, own)
        saver_finds_what_was_typed(session, argv, env, own)
        if kind == "native":  # the file rules and options of the Linux layer
            unwritable_file_keeps_the_dialog(session, argv, env)
            settings_names_the_folder(session, argv, env, own)
    print("dialog end to end (%s): ok" % kind)


if __name__ == "__main__":
    main()
