#!/usr/bin/env python3
"""Draws the product's icons and bitmaps: a small quail in orbit, and the
four HotSync action pictures. Writes .ico and .bmp files for the resource
compiler; run again after changing a drawing."""
import math
import struct
import sys
from pathlib import Path

GREY = (0xC0, 0xC0, 0xC0)      # mapped to the button face colour at run time
BROWN = (0x8B, 0x5A, 0x2B)
DARK = (0x4A, 0x2C, 0x12)
CREAM = (0xF2, 0xE3, 0xC6)
ORBIT = (0x1E, 0x5A, 0xC8)
STAR = (0xF5, 0xC5, 0x18)
GREEN = (0x1E, 0x8C, 0x3C)
RED = (0xC8, 0x28, 0x28)
BLACK = (0x10, 0x10, 0x10)


def canvas(size, fill=None):
    return [[fill for _ in range(size)] for _ in range(size)]


def ellipse(pixels, cx, cy, rx, ry, colour, outline=False, width=1.0):
    size = len(pixels)
    for y in range(size):
        for x in range(size):
            d = ((x + 0.5 - cx) / rx) ** 2 + ((y + 0.5 - cy) / ry) ** 2
            if outline:
                if abs(math.sqrt(d) - 1) * min(rx, ry) < width / 2:
                    pixels[y][x] = colour
            elif d <= 1:
                pixels[y][x] = colour


def quail(size, background=None):
    """A round quail with its plume, circled by an orbit and a star."""
    s = size / 32
    p = canvas(size, background)
    ellipse(p, 16 * s, 16 * s, 15 * s, 6 * s, ORBIT, outline=True, width=1.2 * s)
    ellipse(p, 15 * s, 19 * s, 8 * s, 6.5 * s, BROWN)           # body
    ellipse(p, 14 * s, 21 * s, 5 * s, 3 * s, CREAM)             # breast
    ellipse(p, 21 * s, 12 * s, 4.2 * s, 4 * s, BROWN)           # head
    ellipse(p, 22.5 * s, 11.5 * s, 0.9 * s, 0.9 * s, BLACK)     # eye
    for t in range(int(5 * s)):                                  # plume
        x, y = int(20 * s + t * 0.3), int(8 * s - t)
        if 0 <= y < size and 0 <= x < size:
            p[y][x] = DARK
    for dx in range(int(2 * s)):                                 # beak
        x, y = int(25 * s) + dx, int(13 * s)
        if x < size:
            p[y][x] = DARK
    # The front half of the orbit passes over the bird.
    for y in range(size):
        for x in range(size):
            d = ((x + 0.5 - 16 * s) / (15 * s)) ** 2 + ((y + 0.5 - 16 * s) / (6 * s)) ** 2
            if abs(math.sqrt(d) - 1) * 6 * s < 0.6 * s and y > 16 * s:
                p[y][x] = ORBIT
    ellipse(p, 4 * s, 20 * s, 1.6 * s, 1.6 * s, STAR)
    return p


def action(kind, size=32):
    p = canvas(size, GREY)
    if kind == "sync":            # two arrows in a circle
        ellipse(p, 16, 16, 11, 11, GREEN, outline=True, width=3)
        for i in range(5):
            p[5 + i][22 - i] = p[5 + i][22 + i - 4] = GREEN
            p[26 - i][9 + i] = p[26 - i][13 - i] = GREEN
    elif kind in ("desktop", "handheld"):
        # a desktop screen and a handheld, an arrow from the one that wins
        for y in range(6, 18):
            for x in range(2, 16):
                p[y][x] = BLACK if y in (6, 17) or x in (2, 15) else (0x90, 0xB8, 0xE0)
        for y in range(10, 28):
            for x in range(21, 30):
                p[y][x] = BLACK if y in (10, 27) or x in (21, 29) else (0xB8, 0xD0, 0xB0)
        row = 22
        for x in range(8, 20):
            p[row][x] = RED
        tip, direction = (20, 1) if kind == "desktop" else (8, -1)
        for i in range(4):
            p[row - i][tip - direction * i] = p[row + i][tip - direction * i] = RED
    elif kind == "nothing":       # a crossed-out circle
        ellipse(p, 16, 16, 11, 11, RED, outline=True, width=3)
        for i in range(-7, 8):
            for w in (-1, 0, 1):
                p[16 + i + w][16 - i] = RED
    return p


def bmp(pixels, path):
    """8 bits per pixel with a colour table: Windows maps a bitmap's colours
    to the system's (grey to the button face) through its table entries."""
    size = len(pixels)
    colours = [GREY]
    for row in pixels:
        for c in row:
            if (c or GREY) not in colours:
                colours.append(c or GREY)
    assert len(colours) <= 256, "more colours than an 8-bit table holds"
    table = b"".join(bytes(c[::-1]) + b"\0" for c in colours)
    stride = (size + 3) // 4 * 4
    rows = b""
    for row in reversed(pixels):
        line = bytes(colours.index(c or GREY) for c in row)
        rows += line + b"\0" * (stride - len(line))
    offset = 54 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 8, 0, len(rows), 2835, 2835, len(colours), 0)
    path.write_bytes(header + info + table + rows)


def ico(images, path):
    """Icons with 32-bit colour and an AND mask, one entry per size."""
    entries, data = [], []
    offset = 6 + 16 * len(images)
    for pixels in images:
        size = len(pixels)
        xor = b"".join(bytes((c or (0, 0, 0))[::-1]) + (b"\xff" if c else b"\0") for row in reversed(pixels)
                       for c in row)
        mask_stride = (size + 31) // 32 * 4
        mask = b""
        for row in reversed(pixels):
            line = bytearray(mask_stride)
            for x, c in enumerate(row):
                if c is None:
                    line[x // 8] |= 0x80 >> (x % 8)
            mask += bytes(line)
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blob = header + xor + mask
        entries.append(struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset))
        data.append(blob)
        offset += len(blob)
    path.write_bytes(struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(data))


def main(root):
    conduit = root / "conduit" / "ui" / "res"
    installer = root / "installer" / "res"
    conduit.mkdir(parents=True, exist_ok=True)
    installer.mkdir(parents=True, exist_ok=True)
    ico([quail(32), quail(16)], conduit / "quail.ico")
    ico([quail(32), quail(16)], installer / "quail.ico")
    for kind, number in (("sync", 103), ("desktop", 104), ("handheld", 105), ("nothing", 106)):
        bmp(action(kind), conduit / f"action{number}.bmp")


if __name__ == "__main__":
    main(Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent)
