#!/usr/bin/env python3
"""Draws the install dialog's two bitmaps, 8 bits per pixel with a palette:
    installer_icon.bmp     48 x 48: a label printer with a label coming out (bitmap 112)
    installer_picture.bmp  190 x 64: a printer joined to a computer by a USB cable (bitmap 113)
Run it again after changing the drawing:
    python3 make_installer_bitmaps.py [output folder]
"""
import os
import struct
import sys

PALETTE = [
    (255, 255, 255),  # 0 white (the dialog's background shows as white)
    (22, 54, 110),    # 1 navy
    (232, 120, 30),   # 2 orange
    (190, 200, 215),  # 3 light grey-blue
    (80, 90, 105),    # 4 slate
    (120, 190, 90),   # 5 green (power light)
]


class Picture:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = [[0] * width for _ in range(height)]

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                self.pixels[y][x] = colour

    def frame(self, x0, y0, x1, y1, colour, thickness=1):
        self.rect(x0, y0, x1, y0 + thickness, colour)
        self.rect(x0, y1 - thickness, x1, y1, colour)
        self.rect(x0, y0, x0 + thickness, y1, colour)
        self.rect(x1 - thickness, y0, x1, y1, colour)

    def write_bmp(self, path):
        row_bytes = (self.width + 3) & ~3
        palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
        palette += b"\0\0\0\0" * (256 - len(PALETTE))
        data = bytearray()
        for y in range(self.height - 1, -1, -1):  # bottom-up rows
            data += bytes(self.pixels[y]) + b"\0" * (row_bytes - self.width)
        offset = 14 + 40 + len(palette)
        header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 8, 0, len(data), 2835, 2835, 256, 0)
        with open(path, "wb") as out:
            out.write(header + info + palette + data)


def printer(p, x, y, w, h):
    """A desktop label printer: body, lid line, label slot, a label, the power light."""
    p.rect(x, y, x + w, y + h, 1)
    p.rect(x + 2, y + 2, x + w - 2, y + h // 3, 3)          # lid
    p.rect(x + 4, y + h // 2, x + w - 4, y + h // 2 + 2, 4)  # label slot
    p.rect(x + w // 4, y + h // 2 + 2, x + 3 * w // 4, y + h + h // 3, 0)  # label leaving the slot
    p.frame(x + w // 4, y + h // 2 + 2, x + 3 * w // 4, y + h + h // 3, 2)
    p.rect(x + w - 7, y + h - 6, x + w - 4, y + h - 3, 5)    # power light


def icon():
    p = Picture(48, 48)
    printer(p, 4, 8, 40, 26)
    return p


def picture():
    p = Picture(190, 64)
    printer(p, 8, 10, 56, 34)
    # The USB cable from the printer's back to the computer, with the plug at the computer's end.
    p.rect(64, 24, 120, 27, 4)
    p.rect(116, 21, 128, 30, 2)
    # A notebook computer: screen and keyboard.
    p.rect(132, 6, 182, 42, 1)
    p.rect(135, 9, 179, 39, 3)
    p.rect(126, 42, 188, 48, 4)
    return p


if __name__ == "__main__":
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    icon().write_bmp(os.path.join(folder, "installer_icon.bmp"))
    picture().write_bmp(os.path.join(folder, "installer_picture.bmp"))
