"""What the fixture scripts of the bindings share: building and running a C program against a
producer's library, re-saving a workbook with LibreOffice, and extracting parts from a package.
Standard library only; the scripts that import it need the producers installed."""

import os
import shutil
import subprocess
import tempfile
import zipfile


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
    """LibreOffice opens the workbook at source and saves it as .xlsx at target."""
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, 'source.xlsx')
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
