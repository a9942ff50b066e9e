#!/usr/bin/env python3
"""Writes the small BMP fixtures of tests/gfx byte by byte, independently of the code under test.

Every bitmap is 5 x 3 pixels (an odd width, so that rows carry padding) and stored bottom-up,
except top_down_24.bmp. The pixel formulas are repeated in tst_bitmap.cpp.
"""
import struct

W, H = 5, 3


def palette(bits):
    if bits == 1:
        return [(0, 0, 0), (255, 255, 255)]
    if bits == 4:
        return [(i * 16, 255 - i * 16, (i * 40) % 256) for i in range(16)]
    return [(i, 255 - i, (i * 7) % 256) for i in range(256)]


def index(bits, x, y):
    if bits == 1:
        return [[1, 0, 1, 0, 1], [0, 1, 0, 1, 0], [1, 1, 0, 0, 1]][y][x]
    if bits == 4:
        return (x + 5 * y) % 16
    return x * 16 + y * 3 + 1


def rgb24(x, y):
    return (x * 50, y * 100, 200 - x * 10)


def row_bytes(bits, y):
    if bits == 24:
        out = b"".join(bytes((b, g, r)) for r, g, b in (rgb24(x, y) for x in range(W)))
    else:
        acc, nbits, out = 0, 0, bytearray()
        for x in range(W):
            acc = (acc << bits) | index(bits, x, y)
            nbits += bits
            if nbits == 8:
                out.append(acc)
                acc, nbits = 0, 0
        if nbits:
            out.append(acc << (8 - nbits))
        out = bytes(out)
    return out + b"\0" * ((-len(out)) % 4)


def bmp(bits, top_down=False):
    pal = b"" if bits == 24 else b"".join(bytes((b, g, r, 0)) for r, g, b in palette(bits))
    rows = [row_bytes(bits, y) for y in range(H)]
    pixels = b"".join(rows if top_down else reversed(rows))
    offset = 14 + 40 + len(pal)
    info = struct.pack("<IiiHHIIiiII", 40, W, -H if top_down else H, 1, bits, 0, len(pixels),
                       3780, 3780, 0 if bits == 24 else len(palette(bits)), 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + pal + pixels


for bits in (1, 4, 8, 24):
    with open(f"bits_{bits}.bmp", "wb") as f:
        f.write(bmp(bits))
with open("top_down_24.bmp", "wb") as f:
    f.write(bmp(24, top_down=True))
