#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpus (corpus/<target>/) from scratch:
small, valid inputs of each parser, so fuzzing starts from the shapes real
files have. Run it again after changing it; its output is committed."""
import io
import os
import shutil
import struct
import sys
import zipfile
import zlib

here = os.path.dirname(os.path.abspath(__file__))
documents = os.path.join(here, "..", "..", "scripts", "binary-documents")
PNG = open(os.path.join(documents, "picture.png"), "rb").read()
JPEG = open(os.path.join(documents, "picture.jpg"), "rb").read()
WMF = open(os.path.join(documents, "drawing.wmf"), "rb").read()


def put(target, name, data):
    folder = os.path.join(here, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def record(version, instance, kind, body):
    return struct.pack("<HHI", version | instance << 4, kind, len(body)) + body


def blip_bitmap(kind, instance, data):
    return record(0, instance, kind, b"\x11" * 16 + b"\xff" + data)


def blip_metafile(kind, instance, data, compressed=True):
    saved = zlib.compress(data) if compressed else data
    header = struct.pack("<I4iiiIBB", len(data), 0, 0, 1000, 800, 914400, 731520, len(saved),
                         0x00 if compressed else 0xFE, 0xFE)
    return record(0, instance, kind, b"\x22" * 16 + header + saved)


def store_entry(blip, delay_offset=None):
    fixed = struct.pack("<BB16sHIIIIBBBB", 6, 6, b"\x11" * 16, 0xFF, len(blip), 1,
                        0xFFFFFFFF if delay_offset is None else delay_offset, 0, 0, 0, 0, 0)
    return record(2, 6, 0xF007, fixed + (b"" if delay_offset is not None else blip))


def drawing_group(entries):
    store = record(0xF, len(entries), 0xF001, b"".join(entries))
    return record(0xF, 0, 0xF000, store)


def office_art():
    png = blip_bitmap(0xF01E, 0x6E0, PNG)
    jpeg = blip_bitmap(0xF01D, 0x46A, JPEG)
    emf = blip_metafile(0xF01A, 0x3D4, b"\x01\x00\x00\x00" + b"\0" * 84)
    wmf = blip_metafile(0xF01B, 0x216, WMF[22:])
    dib = blip_bitmap(0xF01F, 0x7A8, struct.pack("<IiiHHIIiiII", 40, 1, 1, 1, 24, 0, 4, 0, 0, 0, 0) + b"\0\0\xff\0")
    put("office_art", "store-embedded", drawing_group([store_entry(b) for b in (png, jpeg, emf, wmf, dib)]))
    # A store entry pointing into the delay stream (the input itself).
    group = drawing_group([store_entry(png, delay_offset=0)])
    put("office_art", "store-delayed", png + group)
    put("office_art", "blip-wmf", wmf)


def zip_directory():
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as z:
        z.writestr(zipfile.ZipInfo("[Content_Types].xml"), b"<Types/>", zipfile.ZIP_DEFLATED)
        info = zipfile.ZipInfo("ppt/media/image1.png", (2024, 5, 14, 12, 0, 0))
        info.extra = struct.pack("<HHBi", 0x5455, 5, 1, 1715688000)
        z.writestr(info, PNG, zipfile.ZIP_STORED)
        z.writestr(zipfile.ZipInfo("ppt/media/\xb1\xa8\xb8\xe6.jpeg".encode("latin-1").decode("cp437")), JPEG,
                   zipfile.ZIP_DEFLATED)
        z.writestr(zipfile.ZipInfo("ppt/media/"), b"")
    put("zip_directory", "package", buffer.getvalue())


def compound_chains():
    for name in ("letter.doc", "book.xls", "writeexcel.xls"):
        shutil.copyfile(os.path.join(documents, name), os.path.join(here, "corpus", "compound_chains", name))


def text():
    for i, t in enumerate([b"\x01\\C:\\docs\\\xb1\xa8\xb8\xe6.pptx", b"\x02.ppt/media/image1.png",
                           b"\x00con.png", b"\x03;;a;b\x95\\c;", b"\x01\\\x81"]):
        put("text", "text%d" % i, t)


def emf_record(kind, body):
    body += b"\0" * (-len(body) % 4)
    return struct.pack("<II", kind, 8 + len(body)) + body


def emf(records, ended=True):
    body = b"".join(records) + (emf_record(14, struct.pack("<III", 0, 16, 20)) if ended else b"")
    header = struct.pack("<II4i4iIIIIHHIII2I2IIII2I", 1, 108, 0, 0, 99, 74, 0, 0, 999, 749, 0x464D4520,
                         0x10000, 108 + len(body), len(records) + 2, 2, 0, 0, 0, 0, 1000, 1000, 100, 100,
                         0, 0, 0, 100000, 100000)
    return header + body


def plus_record(kind, flags, data):
    return struct.pack("<HHII", kind, flags, 12 + (len(data) + 3) // 4 * 4, len(data)) + data + \
        b"\0" * (-len(data) % 4)


def metafile_records():
    drawing = [emf_record(39, struct.pack("<IIII", 1, 0, 0xFF, 0)), emf_record(37, struct.pack("<I", 1)),
               emf_record(43, struct.pack("<4i", 0, 0, 99, 74)), emf_record(42, struct.pack("<4i", 20, 20, 80, 60))]
    put("metafile_records", "drawing.emf", emf(drawing))
    bits = b"\x10\x20\x30" * 2 + b"\0\0"
    info = struct.pack("<IiiHHIIiiII", 40, 2, 2, 1, 24, 0, len(bits) * 2, 0, 0, 0, 0)
    dib = struct.pack("<4i6iIIIIIIii", 0, 0, 99, 74, 0, 0, 0, 0, 2, 2, 80, 40, 120, len(bits) * 2, 0,
                      0x00CC0020, 100, 75) + info + bits * 2
    put("metafile_records", "bitmap.emf", emf([emf_record(81, dib)]))
    # a bitmap record too short for its bounds, last in the file
    put("metafile_records", "short_bitmap.emf", emf([emf_record(81, b"\0" * 12)], ended=False))
    image = struct.pack("<7I", 0xDBC01002, 1, 64, 48, 0, 0, 1) + PNG
    pieces = [image[:len(image) // 2], image[len(image) // 2:]]
    plus = plus_record(0x4001, 0, struct.pack("<4I", 0xDBC01002, 1, 96, 96))
    plus += b"".join(plus_record(0x4008, 0x8500, struct.pack("<I", len(image)) + p) for p in pieces)
    plus += plus_record(0x401A, 0, struct.pack("<II8f", 0, 2, 0, 0, 64, 48, 0, 0, 100, 75))
    plus += plus_record(0x4002, 0, b"")
    put("metafile_records", "plus.emf",
        emf([emf_record(70, struct.pack("<I", 4 + len(plus)) + b"EMF+" + plus)] + drawing))
    put("metafile_records", "placeable.wmf", WMF)
    put("metafile_records", "plain.wmf", WMF[22:])
    gz = zlib.compressobj(9, zlib.DEFLATED, 31)
    put("metafile_records", "drawing.emz", gz.compress(emf(drawing)) + gz.flush())


if __name__ == "__main__":
    shutil.rmtree(os.path.join(here, "corpus"), ignore_errors=True)
    os.makedirs(os.path.join(here, "corpus", "compound_chains"))
    office_art()
    zip_directory()
    compound_chains()
    text()
    metafile_records()
    sys.exit(0)
