#!/usr/bin/env python3
"""NES CHR data to an indexed PNG tile sheet with Pillow, in the usual shape of such scripts.

    pillow_chr_to_png.py IN.chr OUT.png COLUMNS

Tiles go left to right, COLUMNS to a row; the four palette entries are the greys ECEEEC 989698 545454 000000. The
picture is saved with Pillow's defaults.
"""
import sys

from PIL import Image

GREYS = [0xEC, 0xEE, 0xEC, 0x98, 0x96, 0x98, 0x54, 0x54, 0x54, 0x00, 0x00, 0x00]


def main():
    source, target, columns = sys.argv[1], sys.argv[2], int(sys.argv[3])
    with open(source, "rb") as f:
        data = f.read()
    count = len(data) // 16
    rows = (count + columns - 1) // columns
    width, height = columns * 8, rows * 8
    pixels = bytearray(width * height)
    for n in range(count):
        tile = data[n * 16:n * 16 + 16]
        left = (n % columns) * 8
        top = (n // columns) * 8
        for y in range(8):
            lo, hi = tile[y], tile[y + 8]
            at = (top + y) * width + left
            for x in range(8):
                bit = 7 - x
                pixels[at + x] = ((lo >> bit) & 1) | (((hi >> bit) & 1) << 1)
    im = Image.frombytes("P", (width, height), bytes(pixels))
    im.putpalette(GREYS)
    im.save(target)


if __name__ == "__main__":
    main()
