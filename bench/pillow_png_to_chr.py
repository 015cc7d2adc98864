#!/usr/bin/env python3
"""PNG tile sheet to NES CHR data, the way the converters that ca65 project templates ship do it with Pillow.

    pillow_png_to_chr.py IN.png OUT.chr

Tiles are read left to right, top to bottom; each pixel gives the low two bits of its palette index (bit 0 to the
first plane, bit 1 to the second).
"""
import sys

from PIL import Image


def tile_bytes(pixels, width, left, top):
    planes0 = bytearray(8)
    planes1 = bytearray(8)
    for y in range(8):
        row = (top + y) * width + left
        lo = hi = 0
        for x in range(8):
            value = pixels[row + x]
            lo = (lo << 1) | (value & 1)
            hi = (hi << 1) | ((value >> 1) & 1)
        planes0[y] = lo
        planes1[y] = hi
    return bytes(planes0) + bytes(planes1)


def main():
    source, target = sys.argv[1], sys.argv[2]
    im = Image.open(source)
    if im.mode != "P":
        im = im.convert("P")
    width, height = im.size
    pixels = list(im.getdata())
    out = bytearray()
    for top in range(0, height, 8):
        for left in range(0, width, 8):
            out += tile_bytes(pixels, width, left, top)
    with open(target, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
