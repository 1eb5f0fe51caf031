#!/usr/bin/env bash
# Regenerates the ZIP fixtures of the archive tests with two independent archivers: Python's
# zipfile (/usr/bin/python3) and Info-ZIP's zip. Entry contents follow fixed recipes that the tests
# rebuild, so the archives are read back byte for byte. Run from any folder:
#   bash io/tests/data/make_zip_fixtures.sh
set -euo pipefail
out="$(cd "$(dirname "$0")" && pwd)/zip"
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

/usr/bin/python3 - "$out" <<'PY'
import io, sys, zipfile

out = sys.argv[1]

def ramp(n):
    # deflated.bin: bytes i*7 mod 251
    return bytes((i * 7) % 251 for i in range(n))

def text(lines):
    return "".join("line %d of the sample text\n" % i for i in range(lines)).encode()

def info(name, method, date=(2024, 5, 17, 10, 30, 20)):
    zi = zipfile.ZipInfo(name, date_time=date)
    zi.compress_type = method
    zi.external_attr = 0o644 << 16
    return zi

# Stored and deflated entries, an empty one, a directory entry and an archive comment.
with zipfile.ZipFile(out + "/py_mixed.zip", "w") as z:
    z.writestr(info("stored.txt", zipfile.ZIP_STORED), text(3))
    z.writestr(info("deflated.bin", zipfile.ZIP_DEFLATED), ramp(5000))
    z.writestr(info("empty.txt", zipfile.ZIP_STORED), b"")
    z.writestr(info("sub/", zipfile.ZIP_STORED), b"")
    z.writestr(info("sub/text.txt", zipfile.ZIP_DEFLATED), text(200))
    z.comment = b"made by zipfile for the workbook tests"

# Written to a stream that cannot seek: every entry carries a data descriptor (flag bit 3).
class Unseekable(io.RawIOBase):
    def __init__(self):
        self.buf = bytearray()
    def writable(self):
        return True
    def write(self, b):
        self.buf += b
        return len(b)
    def seekable(self):
        return False

sink = Unseekable()
with zipfile.ZipFile(sink, "w") as z:
    with z.open(info("deflated.bin", zipfile.ZIP_DEFLATED), "w") as f:
        f.write(ramp(5000))
    with z.open(info("stored.txt", zipfile.ZIP_STORED), "w") as f:
        f.write(text(3))
    with z.open(info("sub/text.txt", zipfile.ZIP_DEFLATED), "w") as f:
        f.write(text(200))
with open(out + "/py_data_descriptor.zip", "wb") as f:
    f.write(sink.buf)

# A name beyond ASCII (stored as UTF-8 with flag bit 11) and a zero DOS date, which is invalid.
with zipfile.ZipFile(out + "/py_utf8_zero_date.zip", "w") as z:
    z.writestr(info("数据/温度.txt", zipfile.ZIP_DEFLATED), "温度 25.3\n".encode("utf-8"))
    zi = info("zero_date.txt", zipfile.ZIP_STORED, date=(1980, 1, 1, 0, 0, 0))
    z.writestr(zi, text(1))
raw = bytearray(open(out + "/py_utf8_zero_date.zip", "rb").read())
# Clear the date of "zero_date.txt" in its local and central headers.
name = b"zero_date.txt"
for sig, date_off, name_off in ((b"PK\x03\x04", 12, 30), (b"PK\x01\x02", 14, 46)):
    pos = 0
    while True:
        pos = raw.find(sig, pos)
        if pos < 0:
            break
        if raw[pos + name_off:pos + name_off + len(name)] == name:
            raw[pos + date_off:pos + date_off + 2] = b"\0\0"
        pos += 4
open(out + "/py_utf8_zero_date.zip", "wb").write(bytes(raw))
PY

# Info-ZIP: files with an archive comment, then a stream from standard input (data descriptor).
cd "$work"
/usr/bin/python3 -c '
import sys
open("stored.txt", "wb").write("".join("line %d of the sample text\n" % i for i in range(3)).encode())
open("deflated.bin", "wb").write(bytes((i * 7) % 251 for i in range(5000)))
'
touch -d "2024-05-17 10:30:20" stored.txt deflated.bin
rm -f "$out/zip_comment.zip" "$out/zip_stream.zip"
echo "made by zip for the workbook tests" | zip -q -X -z "$out/zip_comment.zip" stored.txt deflated.bin
cat deflated.bin | zip -q -X -fd - - > "$out/zip_stream.zip"

# The fuzz corpus of the ZIP reader starts from three of these fixtures; its other two seeds are
# written by the project's own writer and checked by ZipWriter.SeedCorpusArchiveIsReproducible.
corpus="$(cd "$(dirname "$0")/.." && pwd)/corpus/zip"
mkdir -p "$corpus"
cp "$out/py_mixed.zip" "$out/py_data_descriptor.zip" "$out/zip_stream.zip" "$corpus/"
