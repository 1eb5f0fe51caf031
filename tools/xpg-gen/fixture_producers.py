"""What the fixture scripts of the bindings share: building and running a C program against a
producer's library, re-saving a workbook with LibreOffice, extracting parts from a package, and a
small picture. Standard library only; the scripts that import it need the producers installed."""

import os
import shutil
import struct
import subprocess
import tempfile
import zipfile
import zlib


def run_c_program(source, args, libraries):
    """Compiles source (C text) with gcc against libraries and runs it with args."""
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, 'make.c')
        exe = os.path.join(tmp, 'make')
        with open(src, 'w') as f:
            f.write(source)
        subprocess.run(['gcc', src, '-o', exe] + [f'-l{lib}' for lib in libraries], check=True)
        subprocess.run([exe] + list(args), check=True)


def libreoffice_resave(source, target):
    """LibreOffice opens the workbook at source (of any format it reads, told by the file's
    extension) and saves it as .xlsx at target."""
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, 'source' + os.path.splitext(source)[1])
        shutil.copy(source, src)
        subprocess.run(['soffice', '--headless', '--norestore', f'-env:UserInstallation=file://{tmp}/profile',
                        '--convert-to', 'xlsx:Calc MS Excel 2007 XML', '--outdir', os.path.join(tmp, 'out'), src],
                       check=True, stdout=subprocess.DEVNULL)
        shutil.copy(os.path.join(tmp, 'out', 'source.xlsx'), target)


def extract_parts(package, target, wanted):
    """Writes the parts of package for which wanted(name) holds below target, byte for byte,
    after emptying target."""
    shutil.rmtree(target, ignore_errors=True)
    with zipfile.ZipFile(package) as z:
        for name in z.namelist():
            if wanted(name):
                path = os.path.join(target, name)
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, 'wb') as f:
                    f.write(z.read(name))


def make_all(makers, extract, producers=('openpyxl', 'libxlsxwriter', 'libreoffice')):
    """Runs every maker in order (a later one may re-save an earlier one's workbook), then
    extracts the parts of each producer's workbook."""
    for make in makers:
        make()
    for producer in producers:
        extract(producer)


def png(width, height):
    """A small RGB PNG of solid colour, made with zlib only."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body))
    rows = b''.join(b'\x00' + b'\x20\x80\xc0' * width for _ in range(height))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(rows)) + chunk(b'IEND', b''))
