#!/usr/bin/python3
"""Opens chart parts written by the bindings in LibreOffice and checks what it makes of them.

Usage: libreoffice_open.py WORKBOOK.xlsx WRITTEN_DIR WORK_DIR
WORKBOOK is a workbook whose chart parts the bindings read; WRITTEN_DIR holds what they wrote
back, under the parts' names (xl/charts/chartN.xml). A copy of WORKBOOK with every chart part
replaced by the written one is assembled in WORK_DIR, LibreOffice (headless) re-saves it as .xlsx,
and each chart of the re-saved workbook must show the chart types, series count and ranges that
the original parts hold. Exits 1 and lists the charts that differ. Standard library only.
"""

import os
import re
import shutil
import subprocess
import sys
import zipfile

C = '{http://schemas.openxmlformats.org/drawingml/2006/chart}'


def signature(xml):
    """Chart types in order, the number of series, and every range formula of the series."""
    import xml.etree.ElementTree as ET
    root = ET.fromstring(xml)
    plot = root.find(f'{C}chart/{C}plotArea')
    types = [c.tag[len(C):] for c in plot if c.tag.endswith('Chart')]
    series = plot.findall(f'.//{C}ser')
    ranges = [re.sub(r"[$']", '', f.text or '') for s in series for f in s.iter(f'{C}f')]
    return types, len(series), ranges


def charts(package):
    with zipfile.ZipFile(package) as z:
        names = sorted((n for n in z.namelist() if re.fullmatch(r'xl/charts/chart\d+\.xml', n)),
                       key=lambda n: int(re.search(r'\d+', n).group()))
        return {n: signature(z.read(n)) for n in names}


def main(workbook, written, work):
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    assembled = os.path.join(work, 'assembled.xlsx')
    replaced = 0
    with zipfile.ZipFile(workbook) as src, zipfile.ZipFile(assembled, 'w', zipfile.ZIP_DEFLATED) as dst:
        for item in src.infolist():
            data = src.read(item.filename)
            path = os.path.join(written, item.filename)
            if item.filename.startswith('xl/charts/') and os.path.isfile(path):
                with open(path, 'rb') as f:
                    data = f.read()
                replaced += 1
            dst.writestr(item, data)
    subprocess.run(['soffice', '--headless', '--norestore', f'-env:UserInstallation=file://{work}/profile',
                    '--convert-to', 'xlsx:Calc MS Excel 2007 XML', '--outdir', os.path.join(work, 'out'), assembled],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    before = list(charts(workbook).values())
    after = list(charts(os.path.join(work, 'out', 'assembled.xlsx')).values())
    failures = []
    if replaced == 0:
        failures.append('no chart part was replaced')
    if len(before) != len(after):
        failures.append(f'{len(before)} charts written, {len(after)} after LibreOffice opened them')
    for k, (a, b) in enumerate(zip(before, after), 1):
        if a != b:
            failures.append(f'chart {k}: {a} became {b}')
    for f in failures:
        print(f)
    print(f'{replaced} chart parts replaced, {len(after)} charts read back, {len(failures)} differ')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:4]))
