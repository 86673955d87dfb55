#!/usr/bin/env python3
"""Writes a zip whose names are code page 936 bytes without the UTF-8 flag:
what Windows 7's own zip folder and every Chinese Windows read (an older
Explorer ignores the flag and shows a UTF-8 name garbled).

Usage: make-zip.py <zip> <file>... (each stored under its own base name)"""
import os
import sys
import time
import zipfile


class Cp936Name(zipfile.ZipInfo):
    def _encodeFilenameFlags(self):
        return self.filename.encode("cp936"), self.flag_bits & ~0x800


with zipfile.ZipFile(sys.argv[1], "w") as archive:
    for path in sys.argv[2:]:
        info = Cp936Name(os.path.basename(path), time.localtime(os.path.getmtime(path))[:6])
        info.external_attr = 0o644 << 16
        with open(path, "rb") as f:
            archive.writestr(info, f.read(), compress_type=zipfile.ZIP_DEFLATED, compresslevel=9)
