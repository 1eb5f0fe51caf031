#!/usr/bin/python3
"""Opens an .xlsx workbook in LibreOffice headless and saves it again as .xlsx, then tells what the
office kept, as key=value lines: "resaved" (yes or no, with "error"), and per sheet k (zero-based)
"sheetk.name", "sheetk.formulas" (cells holding a formula), "sheetk.charts" (charts its drawing
holds) and, for each cell named after the file, "sheetk.REF" (the value the office shows) and
"sheetk.REF.formula" (its formula text).

Usage: libreoffice_resave.py BOOK.xlsx SCRATCH [REF...]
The office exits 0 even when it cannot load a file, so the saved file is looked for.
"""
import os
import re
import subprocess
import sys
import zipfile

import openpyxl


def main(path, scratch, refs):
    out = os.path.join(scratch, 'resaved')
    os.makedirs(out, exist_ok=True)
    profile = 'file://' + os.path.join(os.path.abspath(scratch), 'profile')
    run = subprocess.run(['soffice', '-env:UserInstallation=' + profile, '--headless', '--convert-to',
                          'xlsx:Calc MS Excel 2007 XML', '--outdir', out, path], capture_output=True, text=True)
    saved = os.path.join(out, os.path.basename(path))
    if not os.path.exists(saved):
        print('resaved=no')
        print('error=' + (run.stdout + run.stderr).replace('\n', ' '))
        return
    print('resaved=yes')
    values = openpyxl.load_workbook(saved, data_only=True)
    formulas = openpyxl.load_workbook(saved)
    names = zipfile.ZipFile(saved).namelist()
    archive = zipfile.ZipFile(saved)
    for k, ws in enumerate(formulas.worksheets):
        print(f'sheet{k}.name={ws.title}')
        count = sum(1 for row in ws.iter_rows() for c in row if c.data_type == 'f')
        print(f'sheet{k}.formulas={count}')
        for ref in refs:
            print(f'sheet{k}.{ref}={values.worksheets[k][ref].value}')
            print(f'sheet{k}.{ref}.formula={ws[ref].value}')
        charts = 0
        rels = f'xl/worksheets/_rels/sheet{k + 1}.xml.rels'
        if rels in names:
            for target in re.findall(r'Target="\.\./drawings/([^"]+)"', archive.read(rels).decode()):
                drels = f'xl/drawings/_rels/{target}.rels'
                if drels in names:
                    charts += len(re.findall(r'charts/chart\d+\.xml', archive.read(drels).decode()))
        print(f'sheet{k}.charts={charts}')


if __name__ == '__main__':
    main(sys.argv[1], sys.argv[2], sys.argv[3:])
