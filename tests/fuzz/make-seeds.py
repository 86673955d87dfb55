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


if __name__ == "__main__":
    shutil.rmtree(os.path.join(here, "corpus"), ignore_errors=True)
    os.makedirs(os.path.join(here, "corpus", "compound_chains"))
    office_art()
    zip_directory()
    compound_chains()
    text()
    sys.exit(0)
