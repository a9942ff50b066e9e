#!/usr/bin/env python3
# Writes the damaged and hostile report files of this folder from two-pages.rpf and
# two-pages-compressed.rpf; each changes the fewest bytes that show its fault.
import struct
from pathlib import Path

here = Path(__file__).resolve().parent
EMR_EOF, EMR_LINETO, EMR_STRETCHDIBITS = 14, 54, 81


def pages(store):
    """The page pictures of an uncompressed store."""
    out, at = [], 128
    while at < len(store):
        _, following = struct.unpack_from('<II', store, at)
        out.append(bytearray(store[at + 8:following - 4]))
        at = following
    return out


def store(header, pictures):
    data = bytearray(header)
    for n, picture in enumerate(pictures, 1):
        start = len(data)
        data += struct.pack('<II', n, start + 8 + len(picture) + 4) + picture
        data += struct.pack('<I', start)
    return bytes(data)


def records(picture):
    at = 0
    while at < len(picture):
        kind, size = struct.unpack_from('<II', picture, at)
        yield kind, at
        if kind == EMR_EOF:
            return
        at += size


plain = (here / 'two-pages.rpf').read_bytes()
header = plain[:128]

# A line from the page to about 2^28 pixels away: two bytes of one coordinate.
far = bytearray(plain)
lineto = 128 + 8 + next(at for kind, at in records(pages(plain)[0]) if kind == EMR_LINETO)
far[lineto + 8 + 2:lineto + 8 + 4] = b'\xf0\x0f'
(here / 'far-line.rpf').write_bytes(far)


def with_header(bounds, frame):
    first, second = pages(plain)
    struct.pack_into('<4i', first, 8, *bounds)
    struct.pack_into('<4i', first, 24, *frame)
    return store(header, [first, second])


# A paper of 30000 x 30000 pixels at 96 per inch (the frame counts hundredths of a millimetre).
(here / 'huge-paper.rpf').write_bytes(
    with_header((0, 0, 29999, 29999), (0, 0, 793750, 793750)))
# Bounds and frame from the smallest to the largest 32-bit value: their width wraps.
extreme = (-2**31, -2**31, 2**31 - 1, 2**31 - 1)
(here / 'wrapping-size.rpf').write_bytes(with_header(extreme, extreme))

# A 4 x 4 bitmap record (a seal) whose bits are missing: the info alone.
first, second = pages(plain)
info = struct.pack('<IiiHHIIiiII', 40, 4, 4, 1, 24, 0, 0, 3780, 3780, 0, 0)
bitmap = struct.pack('<II4i6i4I2I2i', EMR_STRETCHDIBITS, 80 + len(info), 0, 0, 3, 3,
                     0, 0, 0, 0, 4, 4, 80, len(info), 80 + len(info), 0,
                     0, 0x00CC0020, 4, 4) + info
eof = next(at for kind, at in records(first) if kind == EMR_EOF)
first[eof:eof] = bitmap
struct.pack_into('<II', first, 48, len(first), struct.unpack_from('<I', first, 52)[0] + 1)
(here / 'bitmap-without-bits.rpf').write_bytes(store(header, [first, second]))

# Page 2's coded picture with one byte changed: it decodes to bytes that are no metafile.
coded = bytearray((here / 'two-pages-compressed.rpf').read_bytes())
_, second_start = struct.unpack_from('<II', coded, 128)
coded[second_start + 12 + 40] ^= 0xFF
(here / 'undecodable-page.rpf').write_bytes(coded)
