#!/usr/bin/env python3
"""Writes the six arrow images that the menu template names into data/.

Each image is a transparent GIF89a holding one solid triangle: tri*.gif points right (5x10),
tri*down.gif points down (10x5) and tri*left.gif points left (5x10). The light set suits dark
menu backgrounds, the dark set light ones. Only the standard library is used, so the images can
be remade anywhere:  python3 tools/make_arrows.py [OUTPUT_FOLDER]
"""

import struct
import sys
from pathlib import Path

LIGHT = (0xFF, 0xFF, 0xFF)
DARK = (0x1A, 0x1A, 0x1A)


def right_triangle():
    """5 columns, 10 rows: row y is filled from the left up to its distance to the nearer end."""
    return [[1 if x <= min(y, 9 - y) else 0 for x in range(5)] for y in range(10)]


def transpose(pixels):
    return [list(col) for col in zip(*pixels)]


def mirror(pixels):
    return [row[::-1] for row in pixels]


def shapes():
    right = right_triangle()
    down = transpose(right)  # 10 columns, 5 rows, apex at the bottom
    left = mirror(right)
    return {"": right, "down": down, "left": left}


def lzw_encode(indices, min_code_size):
    """Variable-width LZW as GIF uses it (codes written least significant bit first)."""
    clear = 1 << min_code_size
    end = clear + 1
    table = {(i,): i for i in range(clear)}
    next_code = end + 1
    width = min_code_size + 1
    out = bytearray()
    bit_buffer = 0
    bit_count = 0

    def emit(code):
        nonlocal bit_buffer, bit_count
        bit_buffer |= code << bit_count
        bit_count += width
        while bit_count >= 8:
            out.append(bit_buffer & 0xFF)
            bit_buffer >>= 8
            bit_count -= 8

    emit(clear)
    current = ()
    for index in indices:
        candidate = current + (index,)
        if candidate in table:
            current = candidate
            continue
        emit(table[current])
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            # The decoder widens its codes once the table holds 2^width entries.
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            emit(clear)
            table = {(i,): i for i in range(clear)}
            next_code = end + 1
            width = min_code_size + 1
        current = (index,)
    if current:
        emit(table[current])
    emit(end)
    if bit_count:
        out.append(bit_buffer & 0xFF)
    return bytes(out)


def gif(pixels, colour):
    height = len(pixels)
    width = len(pixels[0])
    # Palette of four entries (the smallest that LZW code size 2 allows): 0 is transparent.
    palette = bytes((0, 0, 0)) + bytes(colour) + bytes(6)
    data = bytearray(b"GIF89a")
    data += struct.pack("<HHBBB", width, height, 0x80 | 0x01, 0, 0)  # global table, 4 colours
    data += palette
    # Graphic control extension: no disposal, transparent colour index 0.
    data += bytes((0x21, 0xF9, 0x04, 0x01, 0, 0, 0, 0x00))
    data += b"\x2C" + struct.pack("<HHHHB", 0, 0, width, height, 0)
    min_code_size = 2
    stream = lzw_encode([p for row in pixels for p in row], min_code_size)
    data.append(min_code_size)
    for start in range(0, len(stream), 255):
        block = stream[start:start + 255]
        data.append(len(block))
        data += block
    data += b"\x00\x3B"
    return bytes(data)


def main():
    out_dir = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "data"
    out_dir.mkdir(parents=True, exist_ok=True)
    for set_name, colour in (("tri", LIGHT), ("tridark", DARK)):
        for suffix, pixels in shapes().items():
            path = out_dir / f"{set_name}{suffix}.gif"
            path.write_bytes(gif(pixels, colour))
            print(f"wrote {path} ({len(pixels[0])}x{len(pixels)})")


if __name__ == "__main__":
    main()
