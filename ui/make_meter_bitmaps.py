#!/usr/bin/env python3
"""Writes the level meter's pattern bitmaps ldb_green.bmp and ldb_red.bmp (24-bit BMP).

The pattern is three columns wide: two lit columns and one darker gap, which gives the
bar its segmented look; rows shade from a bright top edge to a darker bottom. The meter
sets the brush origin at each channel band's top so every band starts with the bright row.
Run from anywhere: python3 ui/make_meter_bitmaps.py
"""
import os
import struct

WIDTH, HEIGHT = 3, 32


def shade(row):
    """Brightness factor of a row: bright top edge, then a slow fall towards the bottom."""
    if row == 0:
        return 1.0
    return max(0.55, 0.92 - 0.015 * row)


def pixel(lit_rgb, gap_rgb, column, row):
    base = lit_rgb if column < 2 else gap_rgb
    return tuple(min(255, int(c * shade(row))) for c in base)


def write_bmp(path, lit_rgb, gap_rgb):
    row_bytes = (WIDTH * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(range(HEIGHT)):  # BMP rows run bottom-up
        line = bytearray()
        for column in range(WIDTH):
            r, g, b = pixel(lit_rgb, gap_rgb, column, row)
            line += bytes((b, g, r))
        line += bytes(row_bytes - len(line))
        pixels += line
    header_size = 14 + 40
    file_header = struct.pack('<2sIHHI', b'BM', header_size + len(pixels), 0, 0, header_size)
    info_header = struct.pack('<IiiHHIIiiII', 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, 'wb') as out:
        out.write(file_header + info_header + pixels)


if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    write_bmp(os.path.join(here, 'ldb_green.bmp'), (60, 255, 40), (0, 110, 0))
    write_bmp(os.path.join(here, 'ldb_red.bmp'), (255, 50, 30), (120, 0, 0))
