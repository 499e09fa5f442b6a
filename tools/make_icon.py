#!/usr/bin/env python3
"""Writes res/main_icon.ico: one 32 x 32 image in the 16 standard colours (a speaker with sound waves)."""
import struct, sys

PALETTE = [(0,0,0),(128,0,0),(0,128,0),(128,128,0),(0,0,128),(128,0,128),(0,128,128),(192,192,192),
           (128,128,128),(255,0,0),(0,255,0),(255,255,0),(0,0,255),(255,0,255),(0,255,255),(255,255,255)]
# '.' transparent, other characters index the palette in hex
ART = """
................................
................................
................................
...............00...............
..............0B0.........0.....
.............0BB0..........0....
............0BBB0......0....0...
...........0BBBB0.......0....0..
..........0BBBBB0...0....0...0..
..00000000BBBBBB0....0...0....0.
..0777777BBBBBBB0.....0...0...0.
..07777778BBBBBB0.....0...0...0.
..07777778BBBBBB0.....0...0...0.
..07777778BBBBBB0.....0...0...0.
..07777778BBBBBB0.....0...0...0.
..07777778BBBBBB0.....0...0...0.
..07777778BBBBBB0.....0...0...0.
..07777778BBBBBB0.....0...0...0.
..07777778BBBBBB0.....0...0...0.
..0888888BBBBBBB0.....0...0...0.
..00000000BBBBBB0....0...0....0.
..........0BBBBB0...0....0...0..
...........0BBBB0.......0....0..
............0BBB0......0....0...
.............0BB0..........0....
..............0B0.........0.....
...............00...............
................................
................................
................................
................................
................................
"""
rows = [r for r in ART.strip("\n").split("\n")]
assert len(rows) == 32 and all(len(r) == 32 for r in rows)

xor = bytearray(); mask = bytearray()
for r in reversed(rows):  # bottom-up
    for x in range(0, 32, 2):
        a, b = r[x], r[x + 1]
        hi = 0 if a == '.' else int(a, 16)
        lo = 0 if b == '.' else int(b, 16)
        xor.append(hi << 4 | lo)
    bits = 0
    for x, ch in enumerate(r):
        if ch == '.':
            bits |= 1 << (31 - x)
    mask += struct.pack(">I", bits)

image = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
image += b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE) + xor + mask
ico = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 32, 32, 16, 0, 1, 4, len(image), 22) + image
open(sys.argv[1] if len(sys.argv) > 1 else "res/main_icon.ico", "wb").write(ico)
