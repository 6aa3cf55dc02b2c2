#!/usr/bin/env python3
"""Writes the player panel's seven transport bitmaps (24-bit BMP, 16 x 16) into gui/art/.

Each picture is drawn from a few filled shapes on the button face colour (192,192,192):
play, scrub (a short looped bar), stop, start, rewind, forward and end.
Run from anywhere: python3 gui/make_transport_bitmaps.py
"""
import os
import struct

SIZE = 16
FACE = (192, 192, 192)
INK = (0, 0, 0)
GREEN = (0, 128, 0)
RED = (160, 0, 0)


def triangle_right(x0, x1, y0, y1):
    mid = (y0 + y1) / 2
    half = (y1 - y0) / 2
    def inside(x, y):
        if x < x0 or x > x1:
            return False
        reach = half * (1 - (x - x0) / max(1, x1 - x0))
        return abs(y - mid) <= reach + 0.01
    return inside


def triangle_left(x0, x1, y0, y1):
    right = triangle_right(x0, x1, y0, y1)
    return lambda x, y: right(x1 - (x - x0), y)


def box(x0, x1, y0, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


PICTURES = {
    "play": [(triangle_right(4, 12, 3, 12), GREEN)],
    "scrub": [(box(3, 12, 6, 9), INK), (box(3, 4, 3, 12), INK), (box(11, 12, 3, 12), INK)],
    "stop": [(box(4, 11, 4, 11), RED)],
    "start": [(box(3, 4, 3, 12), INK), (triangle_left(5, 12, 3, 12), INK)],
    "rewind": [(triangle_left(1, 7, 3, 12), INK), (triangle_left(8, 14, 3, 12), INK)],
    "forward": [(triangle_right(1, 7, 3, 12), INK), (triangle_right(8, 14, 3, 12), INK)],
    "end": [(triangle_right(3, 10, 3, 12), INK), (box(11, 12, 3, 12), INK)],
}


def write_bmp(path, shapes):
    row_bytes = (SIZE * 3 + 3) & ~3
    pixels = bytearray()
    for y in reversed(range(SIZE)):  # BMP rows run bottom-up
        row = bytearray()
        for x in range(SIZE):
            colour = FACE
            for inside, ink in shapes:
                if inside(x, y):
                    colour = ink
            row += bytes((colour[2], colour[1], colour[0]))
        row += b"\0" * (row_bytes - len(row))
        pixels += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + pixels)


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "art")
    os.makedirs(folder, exist_ok=True)
    for name, shapes in PICTURES.items():
        write_bmp(os.path.join(folder, name + ".bmp"), shapes)


if __name__ == "__main__":
    main()
