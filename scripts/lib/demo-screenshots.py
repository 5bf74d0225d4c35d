#!/usr/bin/env python3
"""Runs the saver under a private Xvfb through one check and saves screenshots.

    demo-screenshots.py WORKDIR SHOTDIR PROGRAM...
"""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xsession as xs  # noqa: E402


def main():
    work, shots, program = sys.argv[1], sys.argv[2], sys.argv[3:]
    os.makedirs(shots, exist_ok=True)
    saved = []
    with xs.XSession() as x:
        saver = x.start(program + ["/s"], work)
        started = time.time()
        previous = None
        # A screenshot whenever a new line has appeared, until the wipe is over.
        while time.time() - started < 120 and saver.poll() is None:
            rgb = x.screenshot_rgb()
            rows = tuple(top for top in range(60, xs.HEIGHT, 30) if xs.band_has_white(rgb, top))
            if rows and rows != previous and len(rows) >= len(previous or ()):
                path = os.path.join(shots, "check-%02d.png" % len(saved))
                x.save_screenshot(path)
                saved.append(path)
            if previous and not rows and xs.all_black(rgb):
                path = os.path.join(shots, "wiped.png")
                x.save_screenshot(path)
                saved.append(path)
                break
            previous = rows or previous
            time.sleep(0.5)
        x.xdotool("click", "1")
        xs.ended(saver, 10)
    for path in saved:
        print(path)
    return 0 if saved else 1


if __name__ == "__main__":
    sys.exit(main())
