#!/usr/bin/env python3
"""Draws the setup wizard's pictures: the program icon (wizard.ico, resource 134), the page
icon (wizard_page.ico, resource 135) and the header bitmap (wizard_header.bmp, resource 148,
49 x 49 pixels, 24 bits). The drawing is a label printer feeding a label. Run it again after
changing the drawing:
    python3 make_wizard_art.py
"""
import os
import struct

NAVY = (22, 54, 110)
ORANGE = (232, 120, 30)
GREY = (190, 200, 215)
WHITE = (255, 255, 255)
SLATE = (80, 90, 105)


def printer(size, page_badge=False):
    """RGBA rows (top first) of the printer drawing at size x size pixels."""
    s = size / 32.0
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]

    def rect(x0, y0, x1, y1, colour):
        for y in range(int(y0 * s), max(int(y0 * s) + 1, int(y1 * s))):
            for x in range(int(x0 * s), max(int(x0 * s) + 1, int(x1 * s))):
                if 0 <= x < size and 0 <= y < size:
                    pixels[y][x] = colour + (255,)

    rect(4, 10, 28, 24, NAVY)        # body
    rect(6, 12, 26, 14, SLATE)       # lid line
    rect(9, 20, 23, 22, SLATE)       # label slot
    rect(10, 21, 22, 30, WHITE)      # label coming out
    rect(10, 21, 11, 30, GREY)
    rect(21, 21, 22, 30, GREY)
    rect(12, 24, 20, 25, NAVY)       # printed lines on the label
    rect(12, 27, 17, 28, NAVY)
    rect(23, 16, 26, 18, ORANGE)     # power light
    rect(8, 4, 24, 10, GREY)         # roll cover
    if page_badge:
        rect(20, 0, 32, 8, ORANGE)   # the page icon's corner mark
    return pixels


def ico(images):
    """An .ico file of 32-bit images given as (size, rows)."""
    header = struct.pack('<HHH', 0, 1, len(images))
    entries, blobs = b'', b''
    offset = 6 + 16 * len(images)
    for size, rows in images:
        xor = b''.join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
        mask_row = ((size + 31) // 32) * 4
        mask = bytes(mask_row * size)
        dib = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0) + xor + mask
        entries += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(dib), offset)
        blobs += dib
        offset += len(dib)
    return header + entries + blobs


def bmp24(rows, background=WHITE):
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    data = b''
    for row in reversed(rows):
        line = b''
        for (r, g, b, a) in row:
            if a == 0:
                r, g, b = background
            line += bytes((b, g, r))
        data += line + bytes(stride - len(line))
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return b'BM' + struct.pack('<IHHI', 14 + len(info) + len(data), 0, 0, 14 + len(info)) + info + data


if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, 'wizard.ico'), 'wb') as f:
        f.write(ico([(32, printer(32)), (16, printer(16)), (48, printer(48))]))
    with open(os.path.join(here, 'wizard_page.ico'), 'wb') as f:
        f.write(ico([(32, printer(32, True)), (16, printer(16, True))]))
    with open(os.path.join(here, 'wizard_header.bmp'), 'wb') as f:
        f.write(bmp24(printer(49)))
