#!/usr/bin/env python3
"""Draws the icons of the desktop entry: the program's name over a row of piano keys.

Writes tastarion.svg and one PNG per size (16 to 256 pixels) into the directory given,
res/icons by default. Standard library only: python3 res/make_desktop_icons.py res/icons

Every size is laid out on its own pixel grid, so lines and letters fall on whole
pixels and stay sharp. Below 32 pixels the nine letters cannot be told apart; the
band then carries the initial alone.
"""
import os
import struct
import sys
import zlib

SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
NAME = "Tastarion"
BAND = (0x1C, 0x2B, 0x5E)
INK = (0xFF, 0xD9, 0x4A)
WHITE = (0xFF, 0xFF, 0xFF)
LINE = (0x80, 0x80, 0x80)
BLACK = (0x00, 0x00, 0x00)

# Letters three cells wide (r and i narrower) and seven high, baseline at the bottom.
GLYPHS = {
    "T": ["###", ".#.", ".#.", ".#.", ".#.", ".#.", ".#."],
    "a": ["...", "...", "##.", "..#", "###", "#.#", "###"],
    "s": ["...", "...", "###", "#..", "###", "..#", "###"],
    "t": ["..", "#.", "##", "#.", "#.", "#.", "##"],
    "r": ["..", "..", "##", "#.", "#.", "#.", "#."],
    "i": [".", "#", ".", "#", "#", "#", "#"],
    "o": ["...", "...", "###", "#.#", "#.#", "#.#", "###"],
    "n": ["...", "...", "##.", "#.#", "#.#", "#.#", "#.#"],
}
GLYPH_ROWS = 7
WHITE_KEYS = 8  # C to C
BLACK_AFTER = {0, 1, 3, 4, 5}  # C#, D#, F#, G#, A#


def text_width(word):
    return sum(len(GLYPHS[c][0]) for c in word) + len(word) - 1


def layout(size):
    """The icon as rectangles (x, y, width, height, colour), painted in order."""
    word = NAME if size >= 32 else NAME[0]
    unit = max(1, size // (text_width(NAME) + 1)) if size >= 32 else 1
    band = size * 3 // 8 if size >= 32 else size // 2
    shapes = [(0, 0, size, band, BAND)]

    x = (size - text_width(word) * unit) // 2
    top = (band - GLYPH_ROWS * unit) // 2
    for c in word:
        for row, line in enumerate(GLYPHS[c]):
            for col, cell in enumerate(line):
                if cell == "#":
                    shapes.append((x + col * unit, top + row * unit, unit, unit, INK))
        x += (len(GLYPHS[c][0]) + 1) * unit

    keys = WHITE_KEYS if size >= 24 else size // 3
    step = size // keys
    left = (size - step * keys) // 2
    line = max(1, step // 16)
    shapes.append((0, band, size, size - band, LINE))
    for k in range(keys):
        shapes.append((left + k * step + (line if k == 0 else 0), band + line,
                       step - line - (line if k == 0 else 0), size - band - 2 * line, WHITE))
    black_width = int(step * 0.75 + 0.01)
    if (black_width - line) % 2:
        black_width -= 1
    black_width = max(line, black_width)
    black_height = (size - band) * 3 // 5
    for k in range(keys - 1):
        if k % 7 in BLACK_AFTER:
            centre_left = left + (k + 1) * step - line  # the dividing line
            shapes.append((centre_left - (black_width - line) // 2, band, black_width,
                           black_height, BLACK))
    return shapes


def rasterise(size, shapes):
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]
    for x, y, w, h, colour in shapes:
        for row in range(max(0, y), min(size, y + h)):
            for col in range(max(0, x), min(size, x + w)):
                pixels[row][col] = colour + (255,)
    return pixels


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def png(pixels):
    size = len(pixels)
    raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in pixels)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def svg(size, shapes):
    rects = "\n".join(
        f'  <rect x="{x}" y="{y}" width="{w}" height="{h}" fill="#{c[0]:02x}{c[1]:02x}{c[2]:02x}"/>'
        for x, y, w, h, c in shapes)
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{size}" height="{size}" '
            f'viewBox="0 0 {size} {size}" shape-rendering="crispEdges">\n'
            f'  <title>{NAME}</title>\n{rects}\n</svg>\n')


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "icons")
    os.makedirs(out, exist_ok=True)
    for size in SIZES:
        with open(os.path.join(out, f"tastarion-{size}.png"), "wb") as f:
            f.write(png(rasterise(size, layout(size))))
    with open(os.path.join(out, "tastarion.svg"), "w", encoding="ascii") as f:
        f.write(svg(256, layout(256)))
