"""Writes a small Windows metafile with a placeable header: a filled
rectangle and an ellipse on a 1000 x 750 logical canvas."""
import struct
import sys


def record(function, *words):
    return struct.pack("<IH", 3 + len(words), function) + struct.pack("<%dh" % len(words), *words)


body = b"".join([
    record(0x0103, 8),                    # SetMapMode MM_ANISOTROPIC
    record(0x020B, 0, 0),                 # SetWindowOrg
    record(0x020C, 750, 1000),            # SetWindowExt (y, x)
    struct.pack("<IHHIH", 7, 0x02FC, 0, 0x0000FF, 0),  # CreateBrushIndirect solid red
    record(0x012D, 0),                    # SelectObject 0
    record(0x041B, 600, 900, 100, 100),   # Rectangle (bottom, right, top, left)
    record(0x0418, 700, 700, 200, 300),   # Ellipse
    record(0x0000),                       # end of file
])
objects = 1
max_record = max(7, 7)
size_words = (18 + len(body)) // 2
header = struct.pack("<HHHIHIH", 1, 9, 0x0300, size_words, objects, max_record, 0)
placeable = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, 1000, 750, 1000, 0)
checksum = 0
for (word,) in struct.iter_unpack("<H", placeable):
    checksum ^= word
with open(sys.argv[1], "wb") as out:
    out.write(placeable + struct.pack("<H", checksum) + header + body)
