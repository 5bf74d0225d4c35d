#!/usr/bin/env python3
"""Measures the saver over one full check of a three-message mailbox under Xvfb.

    bench/saver_usage.py native build/native/letterglass
    bench/saver_usage.py wine   build/win32/letterglass.scr

Two runs against the test Dovecot (user "trio"):
  1. plain: CPU share of one core and peak resident memory of the saver's
     process over the check, and the check's duration against the pacing model
     (per line: bytes x 10 ms + 100 ms; 3 s after PASS and after each header fetch;
     one wipe line per 10 ms tick);
  2. under strace (X writes only): the draw-tick cadence, i.e. bytes typed per
     second.
Prints the figures; asserts nothing.
"""
import os
import re
import subprocess
import sys
import tempfile
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "scripts", "lib"))
import xsession as xs  # noqa: E402

RUN_DOVECOT = os.path.join(ROOT, "scripts", "lib", "dovecot", "run-dovecot")
USER, PASSWORD, MESSAGES = "trio", "postoffice", 3
TICK = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    fields = open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def peak_rss_mb(pid):
    for line in open("/proc/%d/status" % pid):
        if line.startswith("VmHWM:"):
            return int(line.split()[1]) / 1024
    return 0.0


def connected_to(port):
    """Whether a client connection to the POP3 port is established."""
    for line in open("/proc/net/tcp").read().splitlines()[1:]:
        fields = line.split()
        if int(fields[2].split(":")[1], 16) == port and fields[3] == "01":
            return True
    return False


def model_seconds(lines):
    typing = sum(len(line) * 0.010 + 0.100 for line in lines)
    waits = 3.0 * (1 + MESSAGES)
    wipe = 770 * 0.010
    return 0.100 + typing + waits + wipe


def expected_lines(greeting):
    lines = ["Client > CONNECT ", "Server > " + greeting + " ", "Client > USER " + USER,
             "Server > +OK ", "Client > PASS " + "*" * len(PASSWORD),
             "Server > +OK Logged in. ", "Client > STAT  "]
    # The three subjects of the fixture user, as typed (Shift_JIS bytes counted).
    subjects = [b"Quarterly report is ready", "会議のお知らせ".encode("cp932"), b"Lunch on Friday?"]
    return [l.encode() for l in lines] + [b"Mail " + s + b" " for s in subjects]


def run_once(x, kind, program, endpoint, traced):
    work = xs.make_workdir()
    xs.write_settings(work, endpoint[0], endpoint[1], USER, PASSWORD, check=5)
    argv = ["wine", program, "/s"] if kind == "wine" else [program, "/s"]
    env = {"LC_ALL": "ja_JP.UTF-8", "WINEDEBUG": "-all"} if kind == "wine" else {}
    trace = os.path.join(work, "trace.txt")
    if traced:
        argv = ["strace", "-f", "-ttt", "-e", "trace=writev", "-o", trace] + argv
    started = time.time()
    child = x.start(argv, work, **env)
    # Wine's loader becomes the program's process, so the pid is the saver's.
    pid = None if traced else child.pid
    # The check ends when the saver drops its POP3 connection after the wipe.
    seen = False
    finished = None
    cpu = rss = 0.0
    while time.time() - started < 120:
        connected = connected_to(endpoint[1])
        seen = seen or connected
        if seen and not connected:
            finished = time.time() - started
            break
        if pid:
            cpu, rss = cpu_seconds(pid), peak_rss_mb(pid)
        time.sleep(0.02)
    if pid:
        cpu, rss = cpu_seconds(pid), peak_rss_mb(pid)
    xs.stop(child)
    if kind == "wine":
        subprocess.run(["wineserver", "-k"], check=False)
    result = {"duration": finished, "cpu": cpu, "rss": rss}
    if traced:
        result["intervals"] = draw_intervals(trace)
    xs.remove_workdir(work)
    return result


def draw_intervals(trace):
    """Gaps shorter than 50 ms between the saver's writes to its X connection:
    one gap per draw tick. X connections are told by their setup request ('l');
    the saver's is the busiest (Wine's own helper processes draw next to
    nothing). Writes within 2 ms of the previous one belong to the same tick."""
    connections = {}
    for line in open(trace):
        match = re.match(r"(\d+)\s+(\d+\.\d+) writev\((\d+)(.*)", line)
        if not match:
            continue
        key = (match.group(1), match.group(3))
        if 'iov_base="l\\0\\v\\0' in match.group(4):
            connections[key] = []
        if key in connections:
            stamps = connections[key]
            stamp = float(match.group(2))
            if not stamps or stamp - stamps[-1] > 0.002:
                stamps.append(stamp)
    if not connections:
        return []
    stamps = max(connections.values(), key=len)
    gaps = [b - a for a, b in zip(stamps, stamps[1:])]
    return [g for g in gaps if g < 0.050]


def main():
    kind, program = sys.argv[1], os.path.abspath(sys.argv[2])
    server = tempfile.mkdtemp(prefix="letterglass-bench-")
    subprocess.run([RUN_DOVECOT, "start", server], check=True, stdout=subprocess.DEVNULL)
    try:
        host, port = open(os.path.join(server, "endpoint")).read().split()
        endpoint = (host, int(port))
        with xs.XSession() as x:
            plain = run_once(x, kind, program, endpoint, traced=False)
            traced = run_once(x, kind, program, endpoint, traced=True)
    finally:
        subprocess.run([RUN_DOVECOT, "stop", server], check=False, stdout=subprocess.DEVNULL)
    model = model_seconds(expected_lines("+OK Dovecot (Debian) ready."))
    duration = plain["duration"] or float("nan")
    gaps = traced["intervals"]
    rate = len(gaps) / sum(gaps) if gaps else float("nan")
    print("%s saver, one check of a %d-message mailbox at 1024x768:" % (kind, MESSAGES))
    print("  check duration   %.2f s (model %.2f s, %+.1f%%)" %
          (duration, model, 100 * (duration - model) / model))
    print("  CPU              %.2f s = %.2f%% of one core" % (plain["cpu"], 100 * plain["cpu"] / duration))
    print("  peak RSS         %.1f MB" % plain["rss"])
    print("  typing cadence   %.1f bytes/s over %d draw ticks (%+.1f%% from 100)" %
          (rate, len(gaps), rate - 100))
    return 0


if __name__ == "__main__":
    sys.exit(main())
