#!/usr/bin/env python3
"""Builds a Windows .ico from the program's text-drawn icon.

Usage: make-icon.py <icon.txt> <out.ico>

The text file holds "#" comment lines, palette lines ("<char> RRGGBB"), a
blank line, and then the 32 x 32 picture, one character a pixel, "."
transparent. The .ico gets the picture at 32 x 32 and, halved, at 16 x 16.
"""
import struct
import sys


def read_art(path):
    palette, rows, in_picture = {".": (0, 0, 0, 0)}, [], False
    for line in open(path, encoding="ascii").read().splitlines():
        if line.startswith("#"):
            continue
        if not in_picture:
            if not line.strip():
                in_picture = True
                continue
            char, colour = line.split()
            palette[char] = (int(colour[0:2], 16), int(colour[2:4], 16), int(colour[4:6], 16), 255)
        elif line:
            rows.append([palette[c] for c in line])
    if len(rows) != 32 or any(len(r) != 32 for r in rows):
        sys.exit("the icon picture must be 32 x 32")
    return rows


def halve(rows):
    out = []
    for y in range(0, len(rows), 2):
        row = []
        for x in range(0, len(rows[0]), 2):
            block = [rows[y + dy][x + dx] for dy in (0, 1) for dx in (0, 1)]
            opaque = [p for p in block if p[3]]
            if len(opaque) < 2:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(sum(p[i] for p in opaque) // len(opaque) for i in range(3)) + (255,))
        out.append(row)
    return out


def dib(rows):
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(struct.pack("BBBB", b, g, r, a) for row in reversed(rows) for (r, g, b, a) in row)
    mask_row_bytes = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_row_bytes)
        for x, p in enumerate(row):
            if not p[3]:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def main():
    big = read_art(sys.argv[1])
    images = [big, halve(big)]
    blobs = [dib(rows) for rows in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for rows, blob in zip(images, blobs):
        out += struct.pack("<BBBBHHII", len(rows), len(rows), 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    out += b"".join(blobs)
    open(sys.argv[2], "wb").write(out)


main()
