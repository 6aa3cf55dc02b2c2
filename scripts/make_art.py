#!/usr/bin/env python3
"""Writes the program's icons and state pictures from their text sources.

Icons come from app/art/icons.txt (16 x 16 character pictures, scaled to 32 x 32 too);
the status panel's state pictures 40 (ready), 41 (recording) and 42 (waiting for voice)
are drawn from the shapes below. Usage: make_art.py SOURCE_FOLDER OUTPUT_FOLDER"""
import math
import os
import struct
import sys

PALETTE = {
    "k": (0, 0, 0), "w": (255, 255, 255), "g": (160, 160, 168), "r": (219, 11, 0),
    "d": (120, 20, 16), "b": (0, 100, 199), "l": (150, 200, 240), "n": (40, 150, 60),
    "y": (240, 200, 40),
}


def read_icons(path):
    icons, current = [], None
    for line in open(path, encoding="utf-8"):
        line = line.rstrip("\n")
        if not line or line.startswith("#"):
            continue
        if line.startswith("icon "):
            _, number, name = line.split()
            current = (int(number), name, [])
            icons.append(current)
        else:
            current[2].append(line)
    return icons


def icon_image(rows, size):
    """One ICO image entry: a 32-bit BMP with an AND mask, bottom row first."""
    scale = size // 16
    pixels, mask_rows = b"", b""
    for y in reversed(range(size)):
        row = rows[y // scale]
        mask_bits = 0
        line = b""
        for x in range(size):
            c = row[x // scale]
            if c == ".":
                line += b"\0\0\0\0"
                mask_bits |= 1 << (size - 1 - x)
            else:
                r, g, b = PALETTE[c]
                line += bytes((b, g, r, 255))
        pixels += line
        mask_rows += mask_bits.to_bytes(size // 8, "big").ljust(4 * ((size + 31) // 32), b"\0")
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask_rows), 0, 0, 0, 0)
    return header + pixels + mask_rows


def write_icon(path, rows):
    images = [icon_image(rows, 16), icon_image(rows, 32)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip((16, 32), images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    open(path, "wb").write(out + b"".join(images))


def write_bmp(path, width, height, pixel):
    stride = (width * 3 + 3) & ~3
    data = b""
    for y in reversed(range(height)):
        row = b"".join(bytes(reversed(pixel(x, y))) for x in range(width))
        data += row.ljust(stride, b"\0")
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    open(path, "wb").write(header + info + data)


def state_picture(accent):
    """A microphone on a soft background; the accent colours its head and the dot."""
    def pixel(x, y):
        shade = 236 - y // 6
        colour = (shade, shade, min(255, shade + 8))
        cx = 63
        if abs(x - cx) <= 14 and 12 <= y <= 58:  # head, rounded at both ends
            dy = max(0, 26 - y, y - 44)
            if (x - cx) ** 2 + dy ** 2 <= 14 ** 2:
                colour = accent
        if 62 <= y <= 66 and 26 <= abs(x - cx) <= 30 or (abs(x - cx) in (26, 27, 28) and 40 <= y <= 64):
            colour = (60, 60, 60)
        if abs(x - cx) <= 2 and 64 <= y <= 82:
            colour = (60, 60, 60)
        if abs(x - cx) <= 18 and 82 <= y <= 86:
            colour = (60, 60, 60)
        if accent != (150, 150, 160) and (x - 105) ** 2 + (y - 16) ** 2 <= 49:
            colour = accent
        return colour
    return pixel


def main():
    source, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    for number, name, rows in read_icons(os.path.join(source, "icons.txt")):
        write_icon(os.path.join(out, "icon_%d.ico" % number), rows)
    for number, accent in ((40, (150, 150, 160)), (41, (219, 11, 0)), (42, (240, 170, 30))):
        write_bmp(os.path.join(out, "state_%d.bmp" % number), 126, 100, state_picture(accent))


if __name__ == "__main__":
    main()
