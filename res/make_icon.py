#!/usr/bin/env python3
"""Draws the 32x32, 16-colour program icon and writes it as an indexed PNG.

Standard library only: python3 res/make_icon.py res/tastarion.png
"""
import struct
import sys
import zlib

SIZE = 32
# The classic 16-colour palette.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, SILVER, GREY, YELLOW, WHITE = 0, 4, 7, 8, 11, 15

# A tiny pixel font, just the letters of the name. "#" is ink.
GLYPHS = {
    "V": ["#...#", "#...#", "#...#", "#...#", ".#.#.", ".#.#.", "..#.."],
    "e": [".##.", "#..#", "####", "#...", ".###"],
    "m": ["##.#.", "#.#.#", "#.#.#", "#.#.#", "#.#.#"],
    "o": [".##.", "#..#", "#..#", "#..#", ".##."],
    "l": ["#", "#", "#", "#", "#", "#", "#"],
    "a": [".##.", "...#", ".###", "#..#", ".###"],
}
BAND_ROWS = 11  # the upper third
TEXT_BASELINE = 8  # the last row of ink
KEYS_TOP = BAND_ROWS
BLACK_KEY_BOTTOM = 23
WHITE_KEY_STEP = 4  # three pixels of key and a dividing line
BLACK_KEY_AFTER = {0, 1, 3, 4, 5}  # C#, D#, F#, G#, A# of one octave


def draw():
    pixels = [[NAVY] * SIZE for _ in range(BAND_ROWS)]
    pixels += [[WHITE] * SIZE for _ in range(SIZE - BAND_ROWS)]

    word = "Vemola"
    width = sum(len(GLYPHS[c][0]) for c in word) + len(word) - 1
    x = (SIZE - width) // 2
    for c in word:
        glyph = GLYPHS[c]
        top = TEXT_BASELINE - len(glyph) + 1
        for dy, row in enumerate(glyph):
            for dx, ink in enumerate(row):
                if ink == "#":
                    pixels[top + dy][x + dx] = YELLOW
        x += len(glyph[0]) + 1

    for y in range(KEYS_TOP, SIZE):
        for x in range(WHITE_KEY_STEP - 1, SIZE, WHITE_KEY_STEP):
            pixels[y][x] = GREY
        pixels[y][SIZE - 1] = GREY
    for x in range(SIZE):
        pixels[SIZE - 1][x] = GREY
        pixels[KEYS_TOP][x] = SILVER
    for key in range(SIZE // WHITE_KEY_STEP):
        if key % 7 not in BLACK_KEY_AFTER or key == SIZE // WHITE_KEY_STEP - 1:
            continue
        line = key * WHITE_KEY_STEP + WHITE_KEY_STEP - 1
        for y in range(KEYS_TOP, BLACK_KEY_BOTTOM + 1):
            for x in range(line - 1, line + 2):
                pixels[y][x] = BLACK
    return pixels


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def png(pixels):
    raw = b""
    for row in pixels:
        packed = bytes((row[i] << 4) | row[i + 1] for i in range(0, SIZE, 2))
        raw += b"\0" + packed
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 4, 3, 0, 0, 0)  # 4-bit indexed
    palette = b"".join(bytes(c) for c in PALETTE)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"PLTE", palette) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    with open(sys.argv[1] if len(sys.argv) > 1 else "tastarion.png", "wb") as out:
        out.write(png(draw()))
