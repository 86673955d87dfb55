#!/usr/bin/env python3
"""Writes the metafile benchmark's presentation: a .pptx whose ppt/media
holds `count` EMF pictures (default 50), as Office stores drawings and
pasted screenshots. Four in five are drawings of 150 filled shapes each
(brushes, rectangles, ellipses, polygons: about 600 records, 100 x 75 mm);
one in five wraps one 800 x 600 24-bit bitmap (a screenshot). Fixed seed,
the same bytes every time.

  make_metafile_deck.py <deck.pptx> [count]
"""
import random
import struct
import sys
import zipfile


def record(kind, body):
    body += b"\0" * (-len(body) % 4)
    return struct.pack("<II", kind, 8 + len(body)) + body


def emf(records, bounds=(0, 0, 999, 749), frame=(0, 0, 9999, 7499), handles=2):
    body = b"".join(records) + record(14, struct.pack("<III", 0, 16, 20))
    header = struct.pack("<II4i4iIIIIHHIII2I2IIII2I", 1, 108, *bounds, *frame, 0x464D4520, 0x10000,
                         108 + len(body), len(records) + 2, handles, 0, 0, 0, 0, 1000, 1000, 100, 100,
                         0, 0, 0, 100000, 100000)
    return header + body


def drawing(rng):
    records = []
    for _ in range(150):
        colour = rng.randrange(1 << 24)
        records.append(record(39, struct.pack("<IIII", 1, 0, colour, 0)))  # CREATEBRUSHINDIRECT
        records.append(record(37, struct.pack("<I", 1)))                   # SELECTOBJECT
        x, y = rng.randrange(900), rng.randrange(650)
        w, h = rng.randrange(20, 200), rng.randrange(20, 200)
        shape = rng.randrange(3)
        if shape == 0:
            records.append(record(43, struct.pack("<4i", x, y, x + w, y + h)))  # RECTANGLE
        elif shape == 1:
            records.append(record(42, struct.pack("<4i", x, y, x + w, y + h)))  # ELLIPSE
        else:
            points = [(x + rng.randrange(w), y + rng.randrange(h)) for _ in range(6)]
            flat = [c for p in points for c in p]
            records.append(record(86, struct.pack("<4iI12h", x, y, x + w, y + h, 6, *flat)))  # POLYGON16
        records.append(record(40, struct.pack("<I", 1)))  # DELETEOBJECT
    return emf(records)


def screenshot(rng):
    width, height = 800, 600
    stride = (width * 3 + 3) & ~3
    row = bytes(rng.randrange(256) for _ in range(stride))
    bits = b"".join(row[i:] + row[:i] for i in range(height))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(bits), 0, 0, 0, 0)
    body = struct.pack("<4i6iIIIIIIii", 0, 0, 999, 749, 0, 0, 0, 0, width, height,
                       80, 40, 120, len(bits), 0, 0x00CC0020, 1000, 750) + info + bits
    return emf([record(81, body)])


def main():
    out = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 50
    rng = random.Random(24)
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml",
                   '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/'
                   'package/2006/content-types"><Default Extension="emf" ContentType="image/x-emf"/>'
                   '<Default Extension="xml" ContentType="application/xml"/><Override PartName="/ppt/'
                   'presentation.xml" ContentType="application/vnd.openxmlformats-officedocument.'
                   'presentationml.presentation.main+xml"/></Types>')
        z.writestr("_rels/.rels",
                   '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.'
                   'openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://'
                   'schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" '
                   'Target="ppt/presentation.xml"/></Relationships>')
        z.writestr("ppt/presentation.xml",
                   '<?xml version="1.0" encoding="UTF-8"?><p:presentation xmlns:p="http://schemas.'
                   'openxmlformats.org/presentationml/2006/main"/>')
        for i in range(count):
            z.writestr("ppt/media/image%d.emf" % (i + 1), screenshot(rng) if i % 5 == 4 else drawing(rng))


if __name__ == "__main__":
    main()
