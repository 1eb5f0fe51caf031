#!/usr/bin/python3
"""Compares sheet-dump's JSON of the .xls and the .xlsx that LibreOffice wrote from one workbook.
Prints each difference and the count; exits 1 when there is any.

Usage: compare_xls_xlsx.py XLS.json XLSX.json

Everything is compared (sheets, states, row heights, notes, merged ranges, defaults, every cell's
type, value, cached result, formula text and number format, the defined names) except where the two
formats store the same thing differently:
- "version" is the .xls's format version; an .xlsx has none.
- numbers are equal to 1e-14 relative: LibreOffice writes them into .xlsx as text of 15
  significant digits, into .xls as the double itself.
- a Boolean constant in a formula is TRUE()/FALSE() in LibreOffice's .xlsx (a function call) and
  TRUE/FALSE in its .xls (a Boolean token).
- the default column width is whole characters in .xls (8) and characters with the cell padding in
  .xlsx (8.5390625); the whole characters are compared.
Pending, while the .xlsx road does not read them yet: merged ranges, the sheet defaults (default
column width and row height) and the defined names are compared whenever the .xlsx reading has
any; while it has none they are listed as "pending" and not counted.
"""
import json
import math
import re
import sys

BOOL_CALL = re.compile(r'\b(TRUE|FALSE)\(\)')
DEFAULTS = ('default_col_width', 'default_row_height', 'default_row_custom', 'default_row_hidden')


def same_value(a, b):
    if isinstance(a, float) or isinstance(b, float):
        if isinstance(a, bool) or isinstance(b, bool) or a is None or b is None:
            return a == b
        return math.isclose(a, b, rel_tol=1e-14, abs_tol=1e-300)
    return a == b


def formula(text):
    return BOOL_CALL.sub(r'\1', text) if isinstance(text, str) else text


def main(xls_path, xlsx_path):
    xls = json.load(open(xls_path, encoding='utf-8'))
    xlsx = json.load(open(xlsx_path, encoding='utf-8'))
    diffs, pending = [], []
    if xls['date1904'] != xlsx['date1904']:
        diffs.append(f"date1904: {xls['date1904']} != {xlsx['date1904']}")
    names = ([s['name'] for s in xls['sheets']], [s['name'] for s in xlsx['sheets']])
    if names[0] != names[1]:
        diffs.append('sheets: %r != %r' % names)
    for a, b in zip(xls['sheets'], xlsx['sheets']):
        sheet = a['name']
        for key in ('state', 'row_heights', 'notes'):
            if a[key] != b[key]:
                diffs.append(f'{sheet}: {key} {a[key]!r} != {b[key]!r}')
        if b['merged'] or not a['merged']:
            if a['merged'] != b['merged']:
                diffs.append(f"{sheet}: merged {a['merged']!r} != {b['merged']!r}")
        else:
            pending.append(f"{sheet}: merged {a['merged']!r}")
        if any(b[k] for k in DEFAULTS):
            for k in DEFAULTS:
                xlsx_value = math.floor(b[k]) if k == 'default_col_width' and b[k] is not None else b[k]
                if a[k] != xlsx_value:
                    diffs.append(f'{sheet}: {k} {a[k]!r} != {b[k]!r}')
        else:
            pending.append(f'{sheet}: defaults ' + ', '.join(f'{k} {a[k]!r}' for k in DEFAULTS))
        ca = {c['ref']: c for c in a['cells']}
        cb = {c['ref']: c for c in b['cells']}
        for ref in sorted(set(ca) | set(cb), key=lambda r: (ca.get(r) or cb.get(r))['row'] * 20000 +
                          (ca.get(r) or cb.get(r))['col']):
            x, y = ca.get(ref), cb.get(ref)
            if x is None or y is None:
                diffs.append(f'{sheet}!{ref}: only in the ' + ('.xlsx' if x is None else '.xls'))
                continue
            for key in sorted(set(x) | set(y)):
                u, v = x.get(key), y.get(key)
                if key == 'formula':
                    u, v = formula(u), formula(v)
                if not same_value(u, v):
                    diffs.append(f'{sheet}!{ref}: {key} {u!r} != {v!r}')
    if xlsx['names'] or not xls['names']:
        if xls['names'] != xlsx['names']:
            diffs.append(f"names: {xls['names']!r} != {xlsx['names']!r}")
    else:
        pending.append('names: ' + ', '.join(n['name'] for n in xls['names']))
    for p in pending:
        print('pending (not read from .xlsx yet):', p)
    for d in diffs:
        print(d)
    print(f'{len(diffs)} differences')
    return 1 if diffs else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1], sys.argv[2]))
