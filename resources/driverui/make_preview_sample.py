#!/usr/bin/env python3
"""Draws the sample picture of the Graphics Property page: preview_sample.bmp, 200 x 168
pixels, 24 bits per pixel, bottom-up rows. A sky gradient, a sun, hills, a house and a grey
ramp, so that every dithering method and the brightness and contrast show on it. Run it again
after changing the drawing:
    python3 make_preview_sample.py preview_sample.bmp
"""
import math
import struct
import sys

WIDTH, HEIGHT = 200, 168


def draw():
    img = [[(0, 0, 0)] * WIDTH for _ in range(HEIGHT)]
    for y in range(HEIGHT):
        for x in range(WIDTH):
            # Sky: light blue at the top to near white at the horizon.
            t = y / 110.0
            colour = (int(90 + 150 * t), int(150 + 95 * t), 250)
            # Sun with a soft edge.
            d = math.hypot(x - 150, y - 38)
            if d < 22:
                colour = (255, 220, 60)
            elif d < 28:
                k = (d - 22) / 6.0
                colour = tuple(int(a * (1 - k) + b * k) for a, b in zip((255, 220, 60), colour))
            # Two hills.
            if y > 112 - 22 * math.sin(x / 200.0 * math.pi):
                colour = (40 + (x * 60) // WIDTH, 130 + (y - 90), 50)
            if y > 132 - 12 * math.cos(x / 35.0):
                colour = (30, 95 + (y - 110), 35)
            # A house: wall, roof, door and window.
            if 28 <= x < 78 and 78 <= y < 122:
                colour = (205, 185, 150)
            if 22 <= x < 84 and 52 <= y < 78 and abs(x - 53) <= (y - 52) * 31 // 26:
                colour = (170, 40, 35)
            if 46 <= x < 60 and 96 <= y < 122:
                colour = (90, 55, 30)
            if 64 <= x < 74 and 86 <= y < 96:
                colour = (60, 80, 120)
            # A grey ramp along the bottom.
            if y >= 152:
                g = x * 255 // (WIDTH - 1)
                colour = (g, g, g)
            img[y][x] = colour
    return img


def write_bmp(path, img):
    row_bytes = (WIDTH * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(HEIGHT - 1, -1, -1):  # bottom-up rows
        row = bytearray()
        for r, g, b in img[y]:
            row += bytes((b, g, r))
        pixels += row + b"\0" * (row_bytes - WIDTH * 3)
    offset = 14 + 40
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + pixels)


if __name__ == "__main__":
    write_bmp(sys.argv[1] if len(sys.argv) > 1 else "preview_sample.bmp", draw())
