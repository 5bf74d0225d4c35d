#!/usr/bin/env python3
"""package_test.py [SOURCE]: builds the packages of build/native and build/win32 and checks them
without installing anything on this machine. The Debian package: its name, control fields and
file list, lintian; then the packaged program, run from a dpkg -x tree on a private Xvfb: its
version, a hack whose window is destroyed, SIGTERM in the saver, and the dialog's notice button
opening the installed page. The Windows zip: its name and contents."""
import os, re, signal, subprocess, sys, tempfile, zipfile  # noqa: E401

SOURCE = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                         os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
sys.path.insert(0, os.path.join(SOURCE, "scripts", "lib"))
import xsession as xs  # noqa: E402
from stalling_peer import StallingPeer  # noqa: E402

DEB_FILES = {"usr/bin/letterglass", "usr/share/doc/letterglass/changelog.gz",
             "usr/share/doc/letterglass/copyright", "usr/share/letterglass/letterglass.html",
             "usr/share/man/man1/letterglass.1.gz", "usr/share/xscreensaver/config/letterglass.xml"}
ZIP_FILES = {"letterglass.scr", "letterglass.html", "README.txt"}
# The desktop's opener: records the page it was asked to open.
OPENER = '#!/bin/sh\nprintf "%s" "$1" > "$0.log"\n'
failures = []


def check(condition, what):
    print(("ok - " if condition else "not ok - ") + what, flush=True)
    failures.extend([] if condition else [what])


def run(*argv, **kwargs):
    return subprocess.run(argv, capture_output=True, text=True, timeout=600, **kwargs)


def project_version():
    text = open(os.path.join(SOURCE, "CMakeLists.txt")).read()
    return re.search(r"project\(Letterglass VERSION ([0-9.]+)", text).group(1)


def build_package(build):
    built = run("cmake", "--build", os.path.join(SOURCE, "build", build), "--target", "package")
    check(built.returncode == 0, "%s: the package target builds" % build)
    if built.returncode:
        print(built.stdout[-2000:], built.stderr[-2000:])


def check_deb(deb):
    listed = run("dpkg-deb", "--contents", deb)
    files = {line.split()[-1][2:] for line in listed.stdout.splitlines() if line[0] == "-"}
    check(listed.returncode == 0 and files == DEB_FILES, "deb: the files %s" % sorted(files))
    fields = run("dpkg-deb", "-f", deb, "Depends", "Recommends").stdout
    depends = re.search(r"^Depends: (.*)$", fields, re.M)
    libraries = {p.split()[0] for p in depends.group(1).split(", ")} if depends else set()
    check({"libgtk-3-0", "libxft2", "libssl3", "libc6"} <= libraries,
          "deb: Depends names the linked libraries (%s)" % sorted(libraries))
    check(re.search(r"^Recommends: .*fonts-ipafont-gothic.*xscreensaver", fields, re.M) is not None,
          "deb: Recommends a Japanese font and xscreensaver")
    lint = run("lintian", "--fail-on", "error", deb)
    check(lint.returncode == 0 and "\nE: " not in "\n" + lint.stdout,
          "deb: lintian reports no error" + ("" if lint.returncode == 0 else "\n" + lint.stdout))


def run_version(program, version):
    out = run(program, "--version")
    check(out.returncode == 0 and out.stdout == "letterglass %s\n" % version,
          "packaged: --version prints %r" % out.stdout)


def hack_window_destroyed(session, program, home):
    """A hack in a window of its own (an xlogo's, white until the hack clears it to black);
    the window's owner goes, and the window with it: the hack ends at once."""
    owner = session.start(["xlogo", "-geometry", "300x200+50+50"], "/")
    window = session.child_windows(session.find_window("xlogo", 10))[0]
    check(xs.wait_for(lambda: xs.white_in(session.screenshot_rgb(), 50, 50, 350, 250), 10),
          "hack: the xlogo shows")
    hack = session.start([program, "-window-id", window], home, HOME=home, XDG_CONFIG_HOME=home)
    check(xs.wait_for(lambda: not xs.white_in(session.screenshot_rgb(), 50, 50, 350, 250), 10),
          "hack: it clears the given window")
    running = hack.poll() is None
    xs.stop(owner)
    code = xs.ended(hack, 1)
    check(running and code == 1, "hack: its window destroyed, it ends within a second with code 1 "
          "(got %s)" % code)
    xs.stop(hack)


def saver_sigterm(session, program, home):
    """SIGTERM to the full-screen saver while it waits on a silent server kills it within a
    second, and the connection closes with it."""
    with StallingPeer("silent") as peer:
        xs.write_settings(home, "127.0.0.1", peer.port, "user", "secret", check=5)
        try:
            saver = session.start([program, "/s"], home, HOME=home, XDG_CONFIG_HOME=home)
            check(peer.wait_stalled(10), "saver: it waits for the server's greeting")
            saver.send_signal(signal.SIGTERM)
            code = xs.ended(saver, 1)
            check(code == -signal.SIGTERM and peer.wait_closed(1),
                  "saver: SIGTERM during the wait kills it within a second, the connection "
                  "closed (got %s)" % code)
            xs.stop(saver)
        finally:
            os.remove(os.path.join(home, "screen.ini"))


def notice_page(session, program, home, tree):
    """The dialog's notice button opens the page where the package put it."""
    tools = os.path.join(home, "tools")
    os.makedirs(tools)
    opener = os.path.join(tools, "xdg-open")
    open(opener, "w").write(OPENER)
    os.chmod(opener, 0o755)
    env = dict(HOME=home, XDG_CONFIG_HOME=home, NO_AT_BRIDGE="1",
               PATH=tools + ":" + os.environ["PATH"])
    dialog = session.start([program, "/c"], home, **env)
    window = session.find_window("letterglass", 30)
    check(bool(window), "dialog: it shows")
    if window:
        session.xdotool("windowfocus", "--sync", window)
        session.xdotool("key", "--delay", "60", "shift+Tab", "Return")
        log = opener + ".log"
        opened = xs.wait_for(lambda: os.path.exists(log) and open(log).read(), 20)
        page = os.path.realpath(os.path.join(tree, "usr/share/letterglass/letterglass.html"))
        check(opened in (page, "file://" + page), "dialog: the notice opens %s" % opened)
        session.xdotool("key", "Escape")
    check(xs.ended(dialog, 20) is not None, "dialog: Esc closes it")
    xs.stop(dialog)


def check_zip(version):
    path = os.path.join(SOURCE, "build", "win32", "letterglass-%s-win32.zip" % version)
    names = set(zipfile.ZipFile(path).namelist()) if os.path.exists(path) else set()
    check(names == ZIP_FILES, "zip: %s holds %s" % (os.path.basename(path), sorted(names)))


def main():
    version = project_version()
    build_package("native")
    deb = os.path.join(SOURCE, "build", "native", "letterglass_%s_amd64.deb" % version)
    check(os.path.exists(deb), "deb: %s is made" % os.path.basename(deb))
    if os.path.exists(deb):
        check_deb(deb)
        with tempfile.TemporaryDirectory() as tree, tempfile.TemporaryDirectory() as home:
            os.chmod(home, 0o755)
            check(run("dpkg", "-x", deb, tree).returncode == 0, "deb: dpkg -x unpacks it")
            program = os.path.join(tree, "usr", "bin", "letterglass")
            run_version(program, version)
            with xs.XSession() as session:
                hack_window_destroyed(session, program, home)
                saver_sigterm(session, program, home)
                notice_page(session, program, home, tree)
    build_package("win32")
    check_zip(version)
    print("package test: %s" % ("FAILED: %d" % len(failures) if failures else "ok"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
