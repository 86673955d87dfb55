#!/usr/bin/env python3
"""Makes a text file for Windows users from a UTF-8 source: @VERSION@
replaced, CR LF line ends, and a byte-order mark, so that Notepad on any
Windows from 7 on shows its Chinese text right.

Usage: make-text-file.py <source> <output> <version>"""
import sys

source, output, version = sys.argv[1:4]
with open(source, encoding="utf-8") as f:
    text = f.read().replace("@VERSION@", version)
with open(output, "w", encoding="utf-8-sig", newline="\r\n") as f:
    f.write(text)
