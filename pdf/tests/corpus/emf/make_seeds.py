#!/usr/bin/env python3
"""Writes the seed recordings of the metafile-playback fuzz target (standard library only)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def rec(t, payload=b""):
    payload += b"\0" * (-len(payload) % 4)
    return struct.pack("<II", t, 8 + len(payload)) + payload


def logfont(index, height, face, charset=0):
    f = face.encode("utf-16-le")[:62].ljust(64, b"\0")
    return rec(82, struct.pack("<I5i8B", index, height, 0, 0, 0, 400, 0, 0, 0, charset, 0, 0, 0, 0) + f + b"\0" * 228)


def text(x, y, s):
    u = s.encode("utf-16-le", "surrogatepass")
    n = len(u) // 2  # UTF-16 units: a character beyond the BMP counts two
    u += b"\0" * (-len(u) % 4)
    body = struct.pack("<4iIff2iIII4iI", x, y, x + 10 * n, y + 13, 1, 0, 0, x, y, n, 76, 0, 0, 0, -1, -1, 76 + len(u))
    return rec(84, body + u + struct.pack("<%di" % n, *([10] * n)))


def dib(w, h):
    stride = (w * 3 + 3) // 4 * 4
    bits = bytes((x * 40) & 0xFF for x in range(stride)) * h
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(bits), 0, 0, 0, 0)
    body = struct.pack("<4i6i4III2i", 0, 0, w - 1, h - 1, 0, 0, 0, 0, w, h, 80, len(info), 80 + len(info), len(bits),
                       0, 0xCC0020, w, h)
    return rec(81, body + info + bits)


def emf(records, handles=4):
    body = b"".join(records) + rec(14, struct.pack("<III", 0, 16, 20))
    header = struct.pack("<4i4iIIIIHHIIIiiiiIIIii", 0, 0, 400, 300, 0, 0, 10583, 7937, 0x464D4520, 0x10000,
                         108 + len(body), len(records) + 2, handles, 0, 0, 0, 0, 400, 300, 106, 79, 0, 0, 0,
                         105833, 79375)
    return struct.pack("<II", 1, 108) + header + body


SEEDS = {
    "text.emf": emf([logfont(1, -27, "宋体", 134), rec(37, struct.pack("<I", 1)), rec(24, struct.pack("<I", 0)),
                     rec(39, struct.pack("<IIII", 2, 0, 0xFFFFFF, 0)), rec(37, struct.pack("<I", 2)),
                     rec(18, struct.pack("<I", 2)), text(30, 20, "温湿度历史记录"), rec(27, struct.pack("<ii", 100, 20))]),
    "shapes.emf": emf([rec(38, struct.pack("<IIiiI", 1, 1, 3, 0, 0xFF)), rec(37, struct.pack("<I", 1)),
                       rec(27, struct.pack("<ii", 10, 10)), rec(54, struct.pack("<ii", 200, 100)),
                       rec(43, struct.pack("<4i", 5, 5, 90, 60)), rec(42, struct.pack("<4i", 100, 100, 200, 160)),
                       rec(87, struct.pack("<4iI", 0, 0, 50, 50, 3) + struct.pack("<6h", 1, 1, 40, 2, 3, 45))]),
    "state.emf": emf([rec(33), rec(17, struct.pack("<I", 8)), rec(9, struct.pack("<ii", 1000, 1000)),
                      rec(11, struct.pack("<ii", 100, 100)), rec(30, struct.pack("<4i", 0, 0, 50, 50)),
                      rec(35, struct.pack("<6f", 2, 0, 0, 1, 5, 5)), rec(59), rec(27, struct.pack("<ii", 0, 0)),
                      rec(54, struct.pack("<ii", 30, 30)), rec(60), rec(64, struct.pack("<4i", 0, 0, 30, 30)),
                      rec(34, struct.pack("<i", -1))]),
    "bitmap.emf": emf([dib(6, 4)]),
    # Combining marks after letters, before any letter and after a lone surrogate; a pair beyond the BMP.
    "marks.emf": emf([logfont(1, -16, "Arial"), rec(37, struct.pack("<I", 1)),
                      text(10, 10, "Tie\u0302\u0301ng Vie\u0323\u0302t \u0301a\u034F\u0301"),
                      text(10, 40, "\ud840\u0301x\u0308\u0304\u0323"),
                      logfont(2, -20, "HanaMinB"), rec(37, struct.pack("<I", 2)),
                      text(10, 70, "\U00020B9Fe\u0301")]),
}

for name, data in SEEDS.items():
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)
