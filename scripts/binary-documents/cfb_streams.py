"""An independent reader of compound files, for checking what a writer
stored: lists the streams (path and size) and, with --find, which of the
given files occur byte for byte inside which stream.
Usage: cfb_streams.py document [--find file...]"""
import struct
import sys

FREE, END = 0xFFFFFFFF, 0xFFFFFFFE


def read_cfb(path):
    data = open(path, "rb").read()
    assert data[:8] == b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", "not a compound file"
    sector = 1 << struct.unpack_from("<H", data, 30)[0]
    mini = 1 << struct.unpack_from("<H", data, 32)[0]
    fat_count, dir_start = struct.unpack_from("<II", data, 44)
    cutoff, mini_fat_start, mini_fat_count, difat_start, difat_count = struct.unpack_from("<IIIII", data, 56)
    difat = list(struct.unpack_from("<109I", data, 76))
    next_sector = difat_start
    for _ in range(difat_count):
        entries = struct.unpack_from("<%dI" % (sector // 4), data, sector * (next_sector + 1))
        difat += entries[:-1]
        next_sector = entries[-1]
    fat = []
    for s in difat[:fat_count]:
        fat += struct.unpack_from("<%dI" % (sector // 4), data, sector * (s + 1))

    def chain(start, table):
        seen = []
        while start not in (FREE, END) and len(seen) <= len(table):
            seen.append(start)
            start = table[start]
        return seen

    def big(start, size=None):
        out = b"".join(data[sector * (s + 1):sector * (s + 2)] for s in chain(start, fat))
        return out if size is None else out[:size]

    directory = big(dir_start)
    entries = [struct.unpack_from("<64sHBBIII16sI8s8sIQ", directory, i) for i in range(0, len(directory), 128)]
    root_stream = big(entries[0][11], entries[0][12])
    mini_fat = list(struct.unpack("<%dI" % (len(big(mini_fat_start)) // 4), big(mini_fat_start))) if mini_fat_count else []

    def stream(entry):
        start, size = entry[11], entry[12]
        if size < cutoff:
            return b"".join(root_stream[mini * s:mini * (s + 1)] for s in chain(start, mini_fat))[:size]
        return big(start, size)

    streams = {}

    def walk(index, prefix):
        if index == FREE or index >= len(entries):
            return
        e = entries[index]
        name = e[0][:max(e[1] - 2, 0)].decode("utf-16-le")
        walk(e[4], prefix)
        walk(e[5], prefix)
        if e[2] == 2:
            streams[prefix + name] = stream(e)
        elif e[2] == 1:
            walk(e[6], prefix + name + "/")

    walk(entries[0][6], "")
    return streams


def main():
    streams = read_cfb(sys.argv[1])
    if len(sys.argv) > 2 and sys.argv[2] == "--find":
        for path in sys.argv[3:]:
            wanted = open(path, "rb").read()
            where = [name for name, data in streams.items() if wanted in data]
            print("%s: %s" % (path, ", ".join(where) if where else "NOT STORED AS IS"))
    else:
        for name, data in sorted(streams.items()):
            print("%8d %r" % (len(data), name))


main()
