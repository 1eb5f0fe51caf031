#!/usr/bin/python3
"""Lists every storage and stream of a compound file with python3-olefile, one line each:
'path<TAB>D' for storages, 'path<TAB>S<TAB>size<TAB>fnv1a32' for streams, sorted by path."""
import sys

import olefile


def fnv(data):
    h = 0x811C9DC5
    for b in data:
        h = ((h ^ b) * 0x01000193) & 0xFFFFFFFF
    return h


def printable(name):
    return "".join(c if ord(c) >= 0x20 else "\\x%02x" % ord(c) for c in name)


def main(path):
    ole = olefile.OleFileIO(path)
    lines = []
    for parts in ole.listdir(streams=True, storages=True):
        name = "/".join(printable(p) for p in parts)
        if ole.get_type(parts) == olefile.STGTY_STORAGE:
            lines.append(name + "/\tD")
        else:
            data = ole.openstream(parts).read()
            lines.append("%s\tS\t%d\t%08x" % (name, len(data), fnv(data)))
    for line in sorted(lines):
        print(line)


if __name__ == "__main__":
    main(sys.argv[1])
