#!/usr/bin/env python3
"""Draws Kestova's sample tile file and palette.

Writes, next to this script:
  sample.chr  8 KiB of NES tile data, 512 tiles in two pattern tables of 256
  sample.pal  32 bytes: eight sub-palettes of four NES colour numbers

Pattern table 0 (tiles 0-255) holds an 8x8 font at the ASCII positions (space at 0x20, digits at 0x30, A-Z at 0x41),
drawn in colour 3 with a colour-1 shadow; pattern tiles at 0x00-0x13 (solid colours, gradients using all four
colours, checkerboards, small pictures); and, seen 16 tiles to a row, a framed box of 3x3 tiles at 0x80, a 16x16
sprite at 0x84 and a 32x32 picture at 0x88. Pattern table 1 (tiles 256-511) holds the same font shaded from colour 3
to colour 2 with a colour-1 shadow, and the pattern tiles and blocks again at the same places.

Run it with Python 3 (standard library only): python3 data/make_sample.py
"""

import pathlib

# 5 x 7 glyphs, '#' marks a pixel of the letter.
GLYPHS = {
    " ": ["....."] * 7,
    "!": ["..#..", "..#..", "..#..", "..#..", "..#..", ".....", "..#.."],
    '"': [".#.#.", ".#.#.", ".....", ".....", ".....", ".....", "....."],
    "#": [".#.#.", "#####", ".#.#.", ".#.#.", "#####", ".#.#.", "....."],
    "'": ["..#..", "..#..", ".....", ".....", ".....", ".....", "....."],
    "(": ["...#.", "..#..", ".#...", ".#...", ".#...", "..#..", "...#."],
    ")": [".#...", "..#..", "...#.", "...#.", "...#.", "..#..", ".#..."],
    "*": [".....", "#.#.#", ".###.", "#####", ".###.", "#.#.#", "....."],
    "+": [".....", "..#..", "..#..", "#####", "..#..", "..#..", "....."],
    ",": [".....", ".....", ".....", ".....", "..##.", "..#..", ".#..."],
    "-": [".....", ".....", ".....", "#####", ".....", ".....", "....."],
    ".": [".....", ".....", ".....", ".....", ".....", ".##..", ".##.."],
    "/": ["....#", "...#.", "...#.", "..#..", ".#...", ".#...", "#...."],
    "0": [".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."],
    "1": ["..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "2": [".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"],
    "3": ["####.", "....#", "....#", ".###.", "....#", "....#", "####."],
    "4": ["...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."],
    "5": ["#####", "#....", "####.", "....#", "....#", "#...#", ".###."],
    "6": [".###.", "#....", "#....", "####.", "#...#", "#...#", ".###."],
    "7": ["#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."],
    "8": [".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."],
    "9": [".###.", "#...#", "#...#", ".####", "....#", "....#", ".###."],
    ":": [".....", ".##..", ".##..", ".....", ".##..", ".##..", "....."],
    ";": [".....", ".##..", ".##..", ".....", ".##..", ".#...", "#...."],
    "<": ["...#.", "..#..", ".#...", "#....", ".#...", "..#..", "...#."],
    "=": [".....", ".....", "#####", ".....", "#####", ".....", "....."],
    ">": [".#...", "..#..", "...#.", "....#", "...#.", "..#..", ".#..."],
    "?": [".###.", "#...#", "....#", "...#.", "..#..", ".....", "..#.."],
    "@": [".###.", "#...#", "#.###", "#.#.#", "#.###", "#....", ".####"],
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "B": ["####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."],
    "C": [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."],
    "D": ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "F": ["#####", "#....", "#....", "####.", "#....", "#....", "#...."],
    "G": [".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"],
    "H": ["#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "I": [".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "J": ["..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."],
    "K": ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    "N": ["#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"],
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "P": ["####.", "#...#", "#...#", "####.", "#....", "#....", "#...."],
    "Q": [".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "S": [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "U": ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "V": ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "W": ["#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"],
    "X": ["#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"],
    "Y": ["#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."],
    "Z": ["#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"],
    "[": [".###.", ".#...", ".#...", ".#...", ".#...", ".#...", ".###."],
    "]": [".###.", "...#.", "...#.", "...#.", "...#.", "...#.", ".###."],
    "_": [".....", ".....", ".....", ".....", ".....", ".....", "#####"],
}

# Pictures drawn with the digits of the colour indices; '.' is colour 0.
SPRITE_16 = [  # a small round creature, 16 x 16
    "......3333......",
    "....33222233....",
    "...3222222223...",
    "..322222222223..",
    ".32221122112223.",
    ".32213312133123.",
    "3222133121331223",
    "3222211221122223",
    "3222222222222223",
    "3222322222232223",
    ".32223333332223.",
    ".32222333322223.",
    "..322222222223..",
    "...3322222233...",
    "..3113333331113.",
    ".311113....31113",
]
HEART = ["........", ".33..33.", "3223322.", "32222223", "32222223", ".322223.", "..3223..", "...33..."]
STAR = ["...3....", "...3....", "..323...", "3322233.", ".32223..", ".32.23..", "3.....3.", "........"]
COIN = ["..3333..", ".322223.", "32211223", "32212223", "32212223", "32211223", ".322223.", "..3333.."]
BRICK = ["33333333", "12221222", "12221222", "11111111", "33333333", "22122212", "22122212", "11111111"]
ARROW = ["........", "....3...", "....33..", "3333323.", "32222223", "3333323.", "....33..", "....3..."]
GRASS = ["........", ".2...2..", ".2.2.2.2", "2323232.", "33333333", "11111111", "11211121", "11111111"]
WAVES = ["........", "..333...", ".32223..", "32...233", "........", "..333...", ".32223..", "32...233"]
KEY = ["........", ".333....", "32.23...", "3...3333", "32.232.3", ".333.3.3", "........", "........"]

# A 32 x 32 picture: a mushroom house under a sun, 4 x 4 tiles.
PICTURE_32 = [
    "................................",
    "..........................33....",
    "........................332233..",
    "...........33333333.....322223..",
    "........333222222223333.322223..",
    "......3322211222222222233332233.",
    ".....322221111222211222223333...",
    "....32222211112222111122223.....",
    "...3222222211222221111222223....",
    "..322112222222222222112222223...",
    "..3211112222211122222222112223..",
    ".32211112222111112222221111223..",
    ".32221122222111112222221111223..",
    "322222222222211122222222112222 3",
    "3222222222222222222222222222223.",
    "3333333333333333333333333333333.",
    "......3111111111111111113.......",
    "......3111333111113331113.......",
    "......3113222311132223113.......",
    "......3113222311132223113.......",
    "......3111333111113331113.......",
    "......3111111133311111113.......",
    "......3111111322231111113.......",
    "......3111111322231111113.......",
    "......3111111322231111113.......",
    "......3111111322231111113.......",
    "..2...3111111322231111113...2...",
    ".222..3333333333333333333..222..",
    "22222222222222222222222222222222",
    "11111111111111111111111111111111",
    "12111121111211112111121111211112",
    "11111111111111111111111111111111",
]


def blank():
    return [[0] * 8 for _ in range(8)]


def from_art(rows, x0=0, y0=0):
    """The 8 x 8 tile at (x0, y0) of a picture drawn with colour digits."""
    tile = blank()
    for y in range(8):
        for x in range(8):
            ch = rows[y0 + y][x0 + x]
            tile[y][x] = int(ch) if ch.isdigit() else 0
    return tile


def glyph_tile(char, shaded):
    """A letter in colour 3 (shaded: 3 at the top, 2 below) with a colour-1 shadow one pixel down and right."""
    rows = GLYPHS[char]
    tile = blank()
    ink = {(x + 1, y) for y, row in enumerate(rows) for x, ch in enumerate(row) if ch == "#"}
    shadow = {(x + 1, y + 1) for x, y in ink} | ({(x + 1, y) for x, y in ink} if shaded else set())
    for x, y in shadow:
        if 0 <= x < 8 and 0 <= y < 8:
            tile[y][x] = 1
    for x, y in ink:
        tile[y][x] = 2 if shaded and y >= 4 else 3
    return tile


def small_pattern_tiles():
    """Tiles 0x00-0x13: blank, solid colours, gradients, checkerboards and small pictures."""
    tiles = [blank()]
    tiles += [[[c] * 8 for _ in range(8)] for c in (1, 2, 3)]
    tiles.append([[x // 2 for x in range(8)] for _ in range(8)])  # horizontal gradient
    tiles.append([[y // 2 for _ in range(8)] for y in range(8)])  # vertical gradient
    tiles.append([[min(3, (x + y) // 4) for x in range(8)] for y in range(8)])  # diagonal gradient
    bayer = [[0, 2], [3, 1]]
    tiles.append([[min(3, (x * 4 + bayer[y % 2][x % 2] * 2) // 8) for x in range(8)] for y in range(8)])  # dithered
    tiles.append([[3 if (x + y) % 2 else 0 for x in range(8)] for y in range(8)])  # 1-pixel checkerboard
    tiles.append([[2 if (x // 2 + y // 2) % 2 else 1 for x in range(8)] for y in range(8)])  # 2-pixel checkerboard
    tiles.append([[1 if (x // 4 + y // 4) % 2 else 0 for x in range(8)] for y in range(8)])  # 4-pixel checkerboard
    tiles.append([[3 if (x + y) % 4 == 0 else (1 if (x + y) % 4 == 2 else 0) for x in range(8)] for y in range(8)])
    tiles += [from_art(art) for art in (HEART, STAR, COIN, BRICK, ARROW, GRASS, WAVES, KEY)]
    return tiles


def frame_tiles():
    """A framed box of 3 x 3 tiles (corners, edges, middle): outline 3, bevel 2, fill 1, reading order."""

    def pixel(x, y):
        if x in (0, 23) and y in (0, 23):
            return 0
        if x in (0, 23) or y in (0, 23):
            return 3
        if x == 1 or y == 1:
            return 2
        if x == 22 or y == 22:
            return 3
        return 1

    return [[[pixel(tx * 8 + x, ty * 8 + y) for x in range(8)] for y in range(8)] for ty in range(3) for tx in range(3)]


def picture_tiles(rows, side):
    """The tiles of a picture side x side tiles large, in reading order."""
    art = [row.replace(" ", ".") for row in rows]
    return [from_art(art, tx * 8, ty * 8) for ty in range(side) for tx in range(side)]


def encode(tile):
    """16 bytes: the first plane carries bit 0 of each pixel, the second plane bit 1; bit 7 is the leftmost pixel."""
    first = bytes(sum(((tile[y][x] & 1) << (7 - x)) for x in range(8)) for y in range(8))
    second = bytes(sum((((tile[y][x] >> 1) & 1) << (7 - x)) for x in range(8)) for y in range(8))
    return first + second


def place(tiles, first, block, side):
    """Puts a block of side x side tiles (reading order) into the 16-wide grid with its top-left at tile first."""
    for n, tile in enumerate(block):
        tiles[first + (n // side) * 16 + n % side] = tile


def build_tiles():
    tiles = [blank() for _ in range(512)]
    small = small_pattern_tiles()
    assert len(small) <= 0x20
    tiles[: len(small)] = small
    for char in GLYPHS:
        tiles[ord(char)] = glyph_tile(char, shaded=False)
        tiles[256 + ord(char)] = glyph_tile(char, shaded=True)
    # Blocks laid out as they are meant to be seen 16 tiles to a row: the box, the sprite and the picture.
    place(tiles, 0x80, frame_tiles(), 3)
    place(tiles, 0x84, picture_tiles(SPRITE_16, 2), 2)
    place(tiles, 0x88, picture_tiles(PICTURE_32, 4), 4)
    # Table 1 repeats the pattern tiles and the blocks so that sprites can use them too.
    for n in list(range(0x00, 0x20)) + list(range(0x80, 0xC0)):
        tiles[256 + n] = tiles[n]
    return tiles


# Eight pleasant sub-palettes on a black backdrop: four for backgrounds, four for sprites.
PALETTE = bytes([
    0x0F, 0x00, 0x10, 0x30,  # greys
    0x0F, 0x01, 0x21, 0x31,  # sky blues
    0x0F, 0x06, 0x16, 0x27,  # brick reds
    0x0F, 0x09, 0x19, 0x29,  # greens
    0x0F, 0x16, 0x27, 0x38,  # fire
    0x0F, 0x13, 0x23, 0x33,  # violets
    0x0F, 0x1C, 0x2C, 0x3C,  # water
    0x0F, 0x17, 0x28, 0x39,  # gold
])


def main():
    here = pathlib.Path(__file__).resolve().parent
    tiles = build_tiles()
    for tile in tiles:
        assert len(tile) == 8 and all(len(row) == 8 and all(0 <= v <= 3 for v in row) for row in tile)
    chr_data = b"".join(encode(tile) for tile in tiles)
    assert len(chr_data) == 8192
    assert len(PALETTE) == 32 and all(b <= 0x3F for b in PALETTE)
    (here / "sample.chr").write_bytes(chr_data)
    (here / "sample.pal").write_bytes(PALETTE)


if __name__ == "__main__":
    main()
