#!/usr/bin/env python3
"""Writes Morvisk.ico: the token card at 16x16 and 32x32, each in 16 colours, 256 colours and
32-bit colour, every image with a real AND mask (Windows 9x ignores alpha and draws what the
mask leaves opaque). Run it from anywhere: python3 ui/res/make-icon.py"""
import os
import struct

TRANSPARENT, BLUE, GOLD = 0, 1, 2
RGB = {BLUE: (16, 48, 128), GOLD: (224, 176, 48)}
# The nearest colours of the standard 16-colour palette.
VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
VGA16_INDEX = {BLUE: 4, GOLD: 11}


def picture(size):
    """Rows top-down of TRANSPARENT, BLUE, GOLD: the card, its chip and the punched hole."""
    s = size // 16

    def inside(x, y, left, top, right, bottom):
        return left * s <= x < right * s and top * s <= y < bottom * s

    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            if inside(x, y, 2, 4, 14, 12) and not inside(x, y, 11, 7, 12.5, 9):
                row.append(GOLD if inside(x, y, 3.5, 6, 6.5, 10) else BLUE)
            else:
                row.append(TRANSPARENT)
        rows.append(row)
    return rows


def padded(data):
    return data + b"\0" * (-len(data) % 4)


def and_mask(rows):
    out = b""
    for row in reversed(rows):
        bits = bytearray((len(row) + 7) // 8)
        for x, p in enumerate(row):
            if p == TRANSPARENT:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += padded(bytes(bits))
    return out


def image(size, bpp):
    rows = picture(size)
    if bpp == 4:
        palette = VGA16
        index = lambda p: VGA16_INDEX.get(p, 0)
    elif bpp == 8:
        palette = [(0, 0, 0), RGB[BLUE], RGB[GOLD]] + [(0, 0, 0)] * 253
        index = lambda p: p
    else:
        palette = []
    pixels = b""
    for row in reversed(rows):
        if bpp == 32:
            line = b"".join(b"\0\0\0\0" if p == TRANSPARENT else
                            bytes((RGB[p][2], RGB[p][1], RGB[p][0], 255)) for p in row)
        elif bpp == 8:
            line = bytes(index(p) for p in row)
        else:
            line = bytes((index(row[x]) << 4) | index(row[x + 1]) for x in range(0, size, 2))
        pixels += padded(line)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0,
                         len(pixels) + len(and_mask(rows)), 0, 0, len(palette), 0)
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + colours + pixels + and_mask(rows)


def main():
    formats = [(32, 4), (32, 8), (32, 32), (16, 4), (16, 8), (16, 32)]
    images = [image(size, bpp) for size, bpp in formats]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, bpp), data in zip(formats, images):
        out += struct.pack("<BBBBHHII", size, size, 16 if bpp == 4 else 0, 0, 1, bpp,
                           len(data), offset)
        offset += len(data)
    out += b"".join(images)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "Morvisk.ico")
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
