#!/usr/bin/env python3
"""Draws the installer's icons and writes them as .ico files.

The icons are committed; run this again only to change them:
    python3 scripts/make_setup_icons.py setup/win/icons
"""
import struct
import sys
from pathlib import Path

BLUE = (0x00, 0x00, 0x99, 255)
WHITE = (255, 255, 255, 255)
BROWN = (0xB0, 0x78, 0x30, 255)
TAPE = (0xE8, 0xC8, 0x80, 255)
CLEAR = (0, 0, 0, 0)


def installer(x, y, n):
    """A blue tile with a white arrow pointing down into a tray."""
    s = n / 32.0
    if x < 1 * s or y < 1 * s or x >= n - 1 * s or y >= n - 1 * s:
        return CLEAR
    cx = n / 2.0
    shaft = abs(x + 0.5 - cx) < 2.5 * s and 5 * s <= y < 15 * s
    head = 15 * s <= y < 22 * s and abs(x + 0.5 - cx) < (22 * s - y) * 1.1
    tray = (24 * s <= y < 27 * s and 6 * s <= x < n - 6 * s) or (
        19 * s <= y < 27 * s and (6 * s <= x < 9 * s or n - 9 * s <= x < n - 6 * s))
    return WHITE if shaft or head or tray else BLUE


def package(x, y, n):
    """A closed cardboard box with a band of tape."""
    s = n / 32.0
    if not (4 * s <= x < n - 4 * s and 6 * s <= y < n - 4 * s):
        return CLEAR
    if abs(x + 0.5 - n / 2.0) < 2.5 * s:
        return TAPE
    if 12 * s <= y < 13 * s:
        return (0x80, 0x50, 0x20, 255)
    return BROWN


def image(draw, n):
    """BITMAPINFOHEADER, 32-bit pixels bottom-up, and an empty AND mask."""
    header = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for y in reversed(range(n)):
        for x in range(n):
            r, g, b, a = draw(x, y, n)
            pixels += bytes((b, g, r, a))
    mask_row = ((n + 31) // 32) * 4
    return header + bytes(pixels) + bytes(mask_row * n)


def ico(draw, sizes):
    images = [image(draw, n) for n in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', n, n, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b''.join(images)


def main():
    folder = Path(sys.argv[1] if len(sys.argv) > 1 else 'setup/win/icons')
    folder.mkdir(parents=True, exist_ok=True)
    (folder / 'setup_large.ico').write_bytes(ico(installer, [32]))
    (folder / 'setup_small.ico').write_bytes(ico(installer, [16]))
    (folder / 'page.ico').write_bytes(ico(package, [32]))


if __name__ == '__main__':
    main()
