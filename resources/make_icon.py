#!/usr/bin/env python3
"""Draws the program's icon (an envelope under a reading glass) and writes it as
letterglass.ico with 16, 32 and 48 pixel images, 32-bit with alpha.

The shapes are described in a unit square and sampled 4x4 times per pixel, so
every size is drawn from the same picture with smooth edges. Run it again only
when the picture changes; the .ico is kept in the tree.

    python3 resources/make_icon.py resources/letterglass.ico
"""
import math
import struct
import sys

SIZES = (16, 32, 48)
SAMPLES = 4

BACKGROUND = (0x1F, 0x2A, 0x44)
PAPER = (0xF4, 0xF1, 0xE8)
FOLD = (0x8A, 0x93, 0xA8)
RIM = (0xE0, 0xA4, 0x2E)
LENS = (0x9C, 0xD3, 0xF0)


def in_rounded_square(x, y, radius=0.18):
    cx = min(max(x, radius), 1 - radius)
    cy = min(max(y, radius), 1 - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def near_segment(x, y, ax, ay, bx, by, width):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - (ax + t * dx), y - (ay + t * dy)) <= width / 2


def colour_at(x, y):
    """The colour at a point of the unit square, or None outside the icon."""
    lens_x, lens_y, lens_r = 0.64, 0.62, 0.22
    distance = math.hypot(x - lens_x, y - lens_y)
    if near_segment(x, y, 0.80, 0.78, 0.94, 0.93, 0.11):
        return RIM
    if distance <= lens_r - 0.055:
        inside_letter = 0.10 <= x <= 0.80 and 0.22 <= y <= 0.70
        return FOLD if inside_letter else LENS
    if distance <= lens_r:
        return RIM
    if 0.10 <= x <= 0.80 and 0.22 <= y <= 0.70:
        if near_segment(x, y, 0.10, 0.22, 0.45, 0.50, 0.06) or \
                near_segment(x, y, 0.80, 0.22, 0.45, 0.50, 0.06):
            return FOLD
        return PAPER
    if in_rounded_square(x, y):
        return BACKGROUND
    return None


def render(size):
    """Rows of (b, g, r, a) from the top row down."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            total = [0, 0, 0]
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at((px + (sx + 0.5) / SAMPLES) / size,
                                  (py + (sy + 0.5) / SAMPLES) / size)
                    if c is not None:
                        hits += 1
                        for i in range(3):
                            total[i] += c[i]
            if hits:
                r, g, b = (round(t / hits) for t in total)
                row.append((b, g, r, round(255 * hits / SAMPLES ** 2)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def dib(size):
    """One icon image: BITMAPINFOHEADER, bottom-up BGRA pixels, AND mask."""
    rows = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes(c for px in row for c in px) for row in reversed(rows))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, px in enumerate(row):
            if px[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def main(path):
    images = [dib(size) for size in SIZES]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "letterglass.ico")
