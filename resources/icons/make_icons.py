#!/usr/bin/env python3
"""Draws the tool icons (24 x 24 RGBA PNGs) once; the PNGs are kept in the tree."""
import struct
import zlib

SIZE = 24


def write_png(path, pixels):
    raw = b"".join(b"\x00" + bytes(c for p in row for c in p) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def canvas(on):
    back = (255, 220, 120, 255) if on else (0, 0, 0, 0)
    return [[back for _ in range(SIZE)] for _ in range(SIZE)]


def line(img, x0, y0, x1, y1, colour):
    steps = max(abs(x1 - x0), abs(y1 - y0), 1)
    for i in range(steps + 1):
        x = round(x0 + (x1 - x0) * i / steps)
        y = round(y0 + (y1 - y0) * i / steps)
        for dx in (0, 1):
            for dy in (0, 1):
                if 0 <= x + dx < SIZE and 0 <= y + dy < SIZE:
                    img[y + dy][x + dx] = colour


def dot(img, cx, cy, colour):
    for y in range(cy - 2, cy + 3):
        for x in range(cx - 2, cx + 3):
            img[y][x] = colour


INK = (30, 30, 30, 255)
RED = (200, 30, 30, 255)


def translation(img):
    line(img, 3, 12, 20, 12, INK)
    line(img, 12, 3, 12, 20, INK)
    for a, b, c, d in ((3, 12, 6, 9), (3, 12, 6, 15), (20, 12, 17, 9), (20, 12, 17, 15),
                       (12, 3, 9, 6), (12, 3, 15, 6), (12, 20, 9, 17), (12, 20, 15, 17)):
        line(img, a, b, c, d, INK)


def distance(img):
    line(img, 4, 19, 19, 4, INK)
    dot(img, 4, 19, RED)
    dot(img, 19, 4, RED)


def degree(img):
    line(img, 4, 19, 20, 19, INK)
    line(img, 4, 19, 16, 5, INK)
    dot(img, 4, 19, RED)
    dot(img, 20, 19, RED)
    dot(img, 16, 5, RED)


def comment(img):
    line(img, 3, 3, 20, 3, INK)
    line(img, 3, 3, 3, 15, INK)
    line(img, 20, 3, 20, 15, INK)
    line(img, 3, 15, 9, 15, INK)
    line(img, 14, 15, 20, 15, INK)
    line(img, 9, 15, 7, 20, INK)
    line(img, 14, 15, 7, 20, INK)
    line(img, 7, 8, 16, 8, RED)
    line(img, 7, 11, 13, 11, RED)


for name, draw in (("tool_translation", translation), ("tool_distance", distance),
                   ("tool_degree", degree), ("tool_comment", comment)):
    for on, suffix in ((False, ""), (True, "_ON")):
        img = canvas(on)
        draw(img)
        write_png(name + suffix + ".png", img)
