#!/usr/bin/python3
"""Checks an .xlsx workbook that the library wrote from a workbook it read. Prints each difference
and the count; exits 1 when there is any.

Usage: check_written.py [--libreoffice SCRATCH [--computed]] [--xls] ORIGINAL WRITTEN BEFORE.json AFTER.json

BEFORE.json is sheet-dump's JSON of ORIGINAL, AFTER.json sheet-dump's JSON of WRITTEN.
- the package: Python's zipfile opens WRITTEN and every entry's CRC holds;
- openpyxl loads WRITTEN without a single warning;
- the library reads WRITTEN to the model it read from ORIGINAL (BEFORE equals AFTER; for an .xls
  original, with --xls, the version and the legacy drawing lists are not compared: the .xlsx road
  has none of them; instead the pictures the legacy reader lists must be in openpyxl's reading of
  WRITTEN, while the legacy charts are left out: they are not in the model);
- openpyxl and the library read WRITTEN alike (compare_openpyxl.py, with its allowances);
- openpyxl reads WRITTEN as it reads ORIGINAL (an .xlsx original): cells with their values,
  formulas, number formats and font and fill colours, merged ranges, hyperlinks, notes, tables,
  pictures, charts with their series, chart sheets, defined names, linked workbooks;
- every part of ORIGINAL whose kind the library keeps or writes again is there in WRITTEN: per
  content type, WRITTEN holds at least as many parts as ORIGINAL (content types the library leaves
  out on purpose are listed in DROPPED, each for a reason);
- with --libreoffice, LibreOffice headless converts WRITTEN to CSV, one file per sheet (it exits 0
  even when the file does not load, so the files are looked for), and every cell of AFTER is
  there with its value (numbers to 1e-9 relative; a date shown as a date is not compared); SCRATCH
  holds the office's profile and the files. Formula cells are compared, and the office may show
  nothing that ours lacks, only with --computed (for workbooks whose results the library
  calculated: a producer that stored no results leaves the office to calculate its own).
"""
import contextlib
import csv
import io
import glob
import json
import math
import os
import posixpath
import subprocess
import sys
import warnings
import xml.etree.ElementTree as ET
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import compare_openpyxl  # noqa: E402
import dump_openpyxl  # noqa: E402

CT_NS = '{http://schemas.openxmlformats.org/package/2006/content-types}'
# Parts the library does not write again, each for a reason.
DROPPED = {
    # The calculation chain is the producer's cache of formula order; it is rebuilt by the reader
    # of the file, and a stale one makes some readers repair the file.
    'application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml',
}


DRAWING = 'application/vnd.openxmlformats-officedocument.drawing+xml'


def content_types(path):
    """Content type of every part (relationship parts and the content-type list left out; so is
    a drawing part without a single anchor, which holds nothing to keep)."""
    with zipfile.ZipFile(path) as z:
        types = ET.fromstring(z.read('[Content_Types].xml'))
        defaults = {e.get('Extension').lower(): e.get('ContentType') for e in types.iter(CT_NS + 'Default')}
        overrides = {e.get('PartName').lower(): e.get('ContentType') for e in types.iter(CT_NS + 'Override')}
        out = {}
        for name in z.namelist():
            if name == '[Content_Types].xml' or name.endswith('.rels') or name.endswith('/'):
                continue
            key = '/' + name.lower()
            ext = posixpath.splitext(name)[1][1:].lower()
            t = overrides.get(key) or defaults.get(ext)
            if t == DRAWING and len(ET.fromstring(z.read(name))) == 0:
                continue
            # Media types compare without regard to case.
            out[name] = t.lower() if t else t
        return out


def check_package(written, diffs):
    try:
        with zipfile.ZipFile(written) as z:
            bad = z.testzip()
            if bad is not None:
                diffs.append(f'zipfile: entry {bad} fails its CRC')
    except zipfile.BadZipFile as e:
        diffs.append(f'zipfile: {e}')
        return False
    return True


def openpyxl_dump(path, scratch_json, diffs, label):
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter('always')
        try:
            dump_openpyxl.main(path, scratch_json, True)
        except Exception as e:  # openpyxl refuses the file
            diffs.append(f'openpyxl cannot read {label}: {type(e).__name__}: {e}')
            return None
    for w in caught:
        diffs.append(f'openpyxl warns on {label}: {w.category.__name__}: {w.message}')
    with open(scratch_json, encoding='utf-8') as f:
        return json.load(f)


def compare_values(where, a, b, diffs):
    """Two JSON values, the differences by path."""
    if isinstance(a, dict) and isinstance(b, dict):
        for k in sorted(set(a) | set(b)):
            if k not in b:
                diffs.append(f'{where}.{k}: lost ({a[k]!r})')
            elif k not in a:
                diffs.append(f'{where}.{k}: new ({b[k]!r})')
            else:
                compare_values(f'{where}.{k}', a[k], b[k], diffs)
    elif isinstance(a, list) and isinstance(b, list) and len(a) == len(b):
        for i, (x, y) in enumerate(zip(a, b)):
            compare_values(f'{where}[{i}]', x, y, diffs)
    elif isinstance(a, float) and isinstance(b, float) and math.isclose(a, b, rel_tol=1e-12, abs_tol=1e-300):
        pass
    elif a != b:
        diffs.append(f'{where}: {b!r} != {a!r}')


def keyed_cells(sheets):
    """Sheets with their cells keyed by reference, so that a difference names its cell."""
    out = []
    for s in sheets:
        s = dict(s)
        if 'cells' in s:
            s['cells'] = {c['ref']: c for c in s['cells']}
        out.append(s)
    return out


def compare_models(before, after, xls, diffs):
    if xls:
        before = dict(before, version=None)
        before['sheets'] = [{k: v for k, v in s.items() if k not in ('images', 'charts')} for s in before['sheets']]
        after = dict(after, sheets=[{k: v for k, v in s.items() if k not in ('images', 'charts')}
                                    for s in after['sheets']])
    before = dict(before, sheets=keyed_cells(before['sheets']))
    after = dict(after, sheets=keyed_cells(after['sheets']))
    compare_values('ours', before, after, diffs)


def unmarked_links(dump):
    """A link into the workbook is the same whether its location carries the fragment marker "#"
    (some writers put it there) or not."""
    for s in dump['sheets']:
        for h in s.get('hyperlinks', []):
            for k in ('address', 'location'):
                if h.get(k, '').startswith('#'):
                    h[k] = h[k][1:]
    return dump


def compare_two_readings(original, written, diffs):
    original, written = unmarked_links(original), unmarked_links(written)
    original = dict(original, sheets=keyed_cells(original['sheets']))
    written = dict(written, sheets=keyed_cells(written['sheets']))
    compare_values('openpyxl', original, written, diffs)


def check_legacy_pictures(before, written, diffs):
    """The pictures of an .xls original (as the legacy reader lists them) are in the written sheets.
    Its charts are not compared: they live in the legacy document, which the .xlsx road does not
    write from."""
    sheets = {s['name']: s for s in written['sheets']}
    for s in before['sheets']:
        if 'images' not in s:
            continue
        got = sheets.get(s['name'], {}).get('images', 0)
        if got != s['images']:
            diffs.append(f'{s["name"]}: {got} pictures written, {s["images"]} read')


def check_parts(original, written, diffs):
    kinds = {}
    for t in content_types(original).values():
        kinds[t] = kinds.get(t, 0) + 1
    have = {}
    for t in content_types(written).values():
        have[t] = have.get(t, 0) + 1
    for t, n in sorted(kinds.items(), key=lambda kv: str(kv[0])):
        if t in DROPPED:
            continue
        if have.get(t, 0) < n:
            diffs.append(f'parts of type {t}: {have.get(t, 0)} written, {n} read')


def is_date_format(fmt):
    f = (fmt or '').lower()
    return any(ch in f for ch in 'dmyhs') and 'general' not in f


def check_libreoffice(written, after, scratch, computed, diffs):
    out = os.path.join(scratch, 'csv')
    os.makedirs(out, exist_ok=True)
    for old in glob.glob(os.path.join(out, '*.csv')):
        os.remove(old)
    profile = 'file://' + os.path.join(os.path.abspath(scratch), 'profile')
    run = subprocess.run(['soffice', '-env:UserInstallation=' + profile, '--headless', '--convert-to',
                          'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1',
                          '--outdir', out, written], capture_output=True, text=True)
    stem = os.path.splitext(os.path.basename(written))[0]
    for s in after['sheets']:
        if s.get('chartsheet'):
            continue
        path = os.path.join(out, f'{stem}-{s["name"]}.csv')
        if not os.path.exists(path):
            diffs.append(f'LibreOffice: no CSV of sheet {s["name"]} ({(run.stdout + run.stderr).strip()})')
            continue
        with open(path, newline='', encoding='utf-8') as f:
            rows = list(csv.reader(f))
        seen = set()
        for c in s['cells']:
            kind = c.get('result_type') if c['type'] == 'formula' else c['type']
            seen.add((c['row'], c['col']))
            if kind in (None, 'blank', 'empty') or (c['type'] == 'formula' and not computed):
                continue
            field = rows[c['row']][c['col']] if c['row'] < len(rows) and c['col'] < len(rows[c['row']]) else None
            v = c['value']
            where = f'LibreOffice {s["name"]}!{c["ref"]}'
            if field is None:
                diffs.append(f'{where}: missing, ours {v!r}')
            elif kind == 'number':
                try:
                    ok = math.isclose(float(field), v, rel_tol=1e-9, abs_tol=1e-9)
                except ValueError:
                    ok = is_date_format(c.get('format'))
                if not ok:
                    diffs.append(f'{where}: {field!r} != {v!r}')
            elif kind == 'boolean':
                if field != ('TRUE' if v else 'FALSE'):
                    diffs.append(f'{where}: {field!r} != {v!r}')
            elif field != str(v) and not (c['type'] == 'formula' and field == str(v).strip()):
                # The office drops the spaces around a formula's stored text result.
                diffs.append(f'{where}: {field!r} != {v!r}')
        for r, row in enumerate(rows if computed else []):
            for col, field in enumerate(row):
                if field != '' and (r, col) not in seen:
                    diffs.append(f'LibreOffice {s["name"]} row {r + 1} column {col + 1}: {field!r}, ours nothing')


def main(argv):
    scratch = None
    xls = computed = False
    args = []
    i = 0
    while i < len(argv):
        if argv[i] == '--libreoffice':
            scratch = argv[i + 1]
            i += 2
            continue
        if argv[i] == '--xls':
            xls = True
        elif argv[i] == '--computed':
            computed = True
        else:
            args.append(argv[i])
        i += 1
    original, written, before_path, after_path = args
    diffs = []
    if not check_package(written, diffs):
        print('\n'.join(diffs))
        print(f'{len(diffs)} differences')
        return 1
    with open(before_path, encoding='utf-8') as f:
        before = json.load(f)
    with open(after_path, encoding='utf-8') as f:
        after = json.load(f)
    compare_models(before, after, xls, diffs)
    work = scratch or os.path.dirname(os.path.abspath(after_path))
    written_dump = openpyxl_dump(written, os.path.join(work, 'written.openpyxl.json'), diffs, 'the written file')
    if written_dump is not None:
        # openpyxl takes a sheet's filter-database name for its auto filter and lists no name.
        ours = dict(after, names=[n for n in after.get('names', []) if n['name'] != '_FilterDatabase'])
        ours_path = os.path.join(work, 'after.names.json')
        with open(ours_path, 'w', encoding='utf-8') as f:
            json.dump(ours, f, ensure_ascii=False)
        said = io.StringIO()
        with contextlib.redirect_stdout(said):
            compare_openpyxl.main(os.path.join(work, 'written.openpyxl.json'), ours_path)
        for line in said.getvalue().splitlines():
            if not line.endswith(' differences') and not line.endswith(' pending'):
                diffs.append('openpyxl and ours: ' + line)
    if xls and written_dump is not None:
        check_legacy_pictures(before, written_dump, diffs)
    if not xls:
        original_dump = openpyxl_dump(original, os.path.join(work, 'original.openpyxl.json'), [], 'the original')
        if original_dump is not None and written_dump is not None:
            compare_two_readings(original_dump, written_dump, diffs)
        check_parts(original, written, diffs)
    if scratch:
        check_libreoffice(written, after, scratch, computed, diffs)
    for d in diffs:
        print(d)
    print(f'{len(diffs)} differences')
    return 1 if diffs else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
