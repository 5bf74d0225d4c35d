"""A private Xvfb for runs of the real program and the tests that need an X server: the
end-to-end tests, the X screen's test program, the demo and the benchmarks share it.

Everything here is bounded in time and cleans up after itself: the X server and
every process started are stopped when the session ends.
"""
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

WIDTH, HEIGHT = 1024, 768


def scramble(text: bytes) -> bytes:
    """The settings file's password scrambling: each byte negated modulo 256."""
    return bytes((256 - b) & 0xFF for b in text)


def write_settings(folder, host, port, user, password, check=1):
    lines = [b"[zavuzozedi]", b"HOST=" + host.encode(), b"PORT=%d" % port,
             b"USER=" + user.encode(), b"PASS=" + scramble(password.encode()),
             b"CHECK=%d" % check]
    with open(os.path.join(folder, "screen.ini"), "wb") as f:
        f.write(b"\r\n".join(lines) + b"\r\n")


class XSession:
    """A private Xvfb at 1024x768 on a free display number."""

    def __init__(self):
        self.display = None
        self.server = None
        self.children = []

    def __enter__(self):
        # -displayfd lets the server pick a free display and report it, so two
        # runs side by side never share one; -noreset keeps it up between clients.
        read_end, write_end = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % (WIDTH, HEIGHT),
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        deadline = time.time() + 15
        while time.time() < deadline and not number.endswith(b"\n"):
            ready, _, _ = select.select([read_end], [], [], 0.5)
            if ready:
                chunk = os.read(read_end, 16)
                if not chunk:
                    break
                number += chunk
        os.close(read_end)
        if not number.strip():
            self.server.kill()
            raise RuntimeError("could not start Xvfb")
        self.display = ":" + number.decode().strip()
        return self

    def __exit__(self, *exc):
        for child in self.children:
            if child.poll() is None:
                child.kill()
                child.wait()
        self.server.terminate()
        try:
            self.server.wait(5)
        except subprocess.TimeoutExpired:
            self.server.kill()

    def env(self, **extra):
        env = dict(os.environ, DISPLAY=self.display)
        env.update(extra)
        return env

    def start(self, argv, cwd, output=subprocess.DEVNULL, **extra_env):
        child = subprocess.Popen(argv, cwd=cwd, env=self.env(**extra_env),
                                 stdout=output, stderr=subprocess.DEVNULL)
        self.children.append(child)
        return child

    def xdotool(self, *args, check=True) -> bytes:
        return subprocess.run(["xdotool", *args], env=self.env(), check=check, timeout=20,
                              capture_output=True).stdout

    def find_window(self, wm_class, timeout) -> str:
        """The id of the last visible window of that class, or "" if none shows in time."""
        found = wait_for(lambda: self.xdotool("search", "--onlyvisible", "--class", wm_class,
                                              check=False).split(), timeout)
        return found[-1].decode() if found else ""

    def screenshot_rgb(self) -> bytes:
        """The whole screen as raw 8-bit RGB, row after row."""
        out = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"],
                             env=self.env(), check=True, timeout=20, capture_output=True)
        return out.stdout

    def save_screenshot(self, path):
        subprocess.run(["import", "-window", "root", path], env=self.env(), check=True,
                       timeout=20)

    def top_level_windows(self, where=("-root",)):
        out = subprocess.run(["xwininfo", "-children", *where], env=self.env(),
                             capture_output=True, text=True, timeout=10)
        return [line for line in out.stdout.splitlines() if line.startswith("     0x")]

    def child_windows(self, window):
        return [line.split()[0] for line in self.top_level_windows(("-id", window))]


def band_has_white(rgb: bytes, top: int, height: int = 30) -> bool:
    start = max(0, top) * WIDTH * 3
    end = min(HEIGHT, top + height) * WIDTH * 3
    return b"\xff\xff\xff" in rgb[start:end]


def white_in(rgb: bytes, left: int, top: int, right: int, bottom: int, outside=False) -> bool:
    """Whether any pixel of the screenshot inside that rectangle (or outside it) is white."""
    if outside:
        return any(white_in(rgb, *r) for r in ((0, 0, WIDTH, top), (0, bottom, WIDTH, HEIGHT),
                                               (0, top, left, bottom), (right, top, WIDTH, bottom)))
    return any(b"\xff\xff\xff" in rgb[(y * WIDTH + left) * 3:(y * WIDTH + right) * 3]
               for y in range(top, bottom))


def all_black(rgb: bytes) -> bool:
    return rgb.count(0) == len(rgb)


def wait_for(predicate, timeout, interval=0.25):
    deadline = time.time() + timeout
    while time.time() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(interval)
    return predicate()


def ended(process, timeout):
    try:
        return process.wait(timeout)
    except subprocess.TimeoutExpired:
        return None


def make_workdir():
    folder = tempfile.mkdtemp(prefix="letterglass-e2e-")
    os.chmod(folder, 0o755)
    return folder


def remove_workdir(folder):
    shutil.rmtree(folder, ignore_errors=True)


def stop(process):
    if process.poll() is None:
        process.send_signal(signal.SIGKILL)
        process.wait()


if __name__ == "__main__":  # xsession.py PROGRAM [ARG...]: runs it on a private Xvfb
    with XSession() as session:
        sys.exit(subprocess.run(sys.argv[1:], env=session.env(), timeout=900).returncode)
