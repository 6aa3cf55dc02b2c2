#!/usr/bin/env python3
"""Writes the recordings list's toolbar pictures (22 x 24, 24-bit BMP) into gui/art.
Magenta is the transparent colour. Usage: make_list_bitmaps.py [OUTPUT_FOLDER]"""
import os
import struct
import sys

W, H = 22, 24
KEY = (255, 0, 255)
INK = {"k": (40, 40, 40), "b": (0, 100, 199), "g": (40, 150, 60), "r": (200, 30, 20),
       "y": (230, 180, 40), "s": (160, 160, 168), "w": (255, 255, 255)}


def canvas():
    return [[KEY] * W for _ in range(H)]


def put(img, x, y, c):
    if 0 <= x < W and 0 <= y < H:
        img[y][x] = INK[c]


def rect(img, x0, y0, x1, y1, c):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            put(img, x, y, c)


def play():
    img = canvas()
    for x in range(6, 18):
        half = (x - 6) * 7 // 11
        for y in range(12 - (7 - half), 12 + (7 - half) + 1):
            put(img, x, y, "g")
    return img


def edit():
    img = canvas()
    for i in range(12):
        rect(img, 5 + i, 17 - i, 6 + i, 18 - i, "y")
    rect(img, 4, 18, 5, 19, "k")
    return img


def rename():
    img = canvas()
    rect(img, 2, 8, 19, 16, "w")
    for x0, y0, x1, y1 in [(2, 8, 19, 8), (2, 16, 19, 16), (2, 8, 2, 16), (19, 8, 19, 16)]:
        rect(img, x0, y0, x1, y1, "k")
    rect(img, 5, 10, 12, 14, "b")
    rect(img, 15, 6, 15, 18, "k")
    return img


def delete():
    img = canvas()
    for i in range(13):
        rect(img, 4 + i, 5 + i, 5 + i, 6 + i, "r")
        rect(img, 16 - i, 5 + i, 17 - i, 6 + i, "r")
    return img


def save():
    img = canvas()
    rect(img, 3, 3, 18, 20, "b")
    rect(img, 6, 4, 15, 9, "w")
    rect(img, 6, 13, 15, 19, "s")
    return img


def burn():
    img = canvas()
    for y in range(H):
        for x in range(W):
            d = (x - 10.5) ** 2 + (y - 11.5) ** 2
            if d <= 81:
                put(img, x, y, "s" if d > 9 else ("w" if d > 2 else "k"))
    return img


def convert():
    img = canvas()
    rect(img, 3, 7, 15, 8, "g")
    for i in range(4):
        rect(img, 15 + i, 4 + i, 15 + i, 11 - i, "g")
    rect(img, 6, 15, 18, 16, "b")
    for i in range(4):
        rect(img, 6 - i, 12 + i, 6 - i, 19 - i, "b")
    return img


def write_bmp(path, img):
    stride = (W * 3 + 3) & ~3
    pixels = b""
    for row in reversed(img):
        line = b"".join(bytes((b, g, r)) for r, g, b in row)
        pixels += line + b"\0" * (stride - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "art")
    os.makedirs(out, exist_ok=True)
    for name, draw in [("play", play), ("edit", edit), ("rename", rename), ("delete", delete), ("save", save),
                       ("burn", burn), ("convert", convert)]:
        write_bmp(os.path.join(out, "list_%s.bmp" % name), draw())


if __name__ == "__main__":
    main()
