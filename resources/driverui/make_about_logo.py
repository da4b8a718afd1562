#!/usr/bin/env python3
"""Draws the maker's logo of the About page: about_logo.bmp, 310 x 147 pixels, 8 bits per
pixel with a palette, on white. Run it again after changing the drawing:
    python3 make_about_logo.py about_logo.bmp
"""
import struct
import sys

WIDTH, HEIGHT = 310, 147

# Palette: index -> (r, g, b)
PALETTE = [
    (255, 255, 255),  # 0 white
    (22, 54, 110),    # 1 navy
    (232, 120, 30),   # 2 orange
    (190, 200, 215),  # 3 light grey-blue
    (80, 90, 105),    # 4 slate
]

# 5 x 7 pixel letters of the texts drawn.
FONT = {
    'T': ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    'A': ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    'V': ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    'O': ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    'L': ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    'E': ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    'N': ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    'B': ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    'P': ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    'R': ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    'I': ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    'S': ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    ' ': ["00000"] * 7,
}


def blank():
    return [[0] * WIDTH for _ in range(HEIGHT)]


def rect(img, x0, y0, x1, y1, colour):
    for y in range(max(0, y0), min(HEIGHT, y1)):
        for x in range(max(0, x0), min(WIDTH, x1)):
            img[y][x] = colour


def disc(img, cx, cy, r, colour):
    for y in range(cy - r, cy + r + 1):
        for x in range(cx - r, cx + r + 1):
            if 0 <= x < WIDTH and 0 <= y < HEIGHT and (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                img[y][x] = colour


def text(img, x, y, string, scale, colour):
    for ch in string:
        glyph = FONT[ch]
        for gy, row in enumerate(glyph):
            for gx, bit in enumerate(row):
                if bit == '1':
                    rect(img, x + gx * scale, y + gy * scale, x + (gx + 1) * scale, y + (gy + 1) * scale, colour)
        x += 6 * scale
    return x


def text_width(string, scale):
    return len(string) * 6 * scale - scale


def draw():
    img = blank()
    # A label roll: the roll seen from the side, with the label web running off it.
    disc(img, 62, 62, 44, 1)
    disc(img, 62, 62, 30, 3)
    disc(img, 62, 62, 14, 0)
    rect(img, 62, 96, 150, 106, 1)
    for x in range(72, 150, 16):  # labels on the web
        rect(img, x, 98, x + 12, 104, 0)
    # The word mark and the line below it.
    x = 118
    text(img, x, 24, "TAVOLEN", 4, 1)
    rect(img, x, 60, x + text_width("TAVOLEN", 4), 64, 2)
    text(img, x, 72, "LABEL PRINTERS", 2, 4)
    rect(img, 10, 124, WIDTH - 10, 126, 3)
    return img


def write_bmp(path, img):
    row_bytes = (WIDTH + 3) & ~3
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    palette += b"\0\0\0\0" * (256 - len(PALETTE))
    pixels = bytearray()
    for y in range(HEIGHT - 1, -1, -1):  # bottom-up rows
        row = bytes(img[y])
        pixels += row + b"\0" * (row_bytes - WIDTH)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    with open(path, "wb") as out:
        out.write(header + info + palette + pixels)


if __name__ == "__main__":
    write_bmp(sys.argv[1] if len(sys.argv) > 1 else "about_logo.bmp", draw())
