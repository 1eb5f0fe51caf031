#!/usr/bin/python3
"""Compares sheet-dump's JSON of an .xlsx workbook with the one dump_openpyxl.py made from the
same file. Prints each difference and the count; exits 1 when there is any.

- notes (ref, text), tables (name, ref), the picture count and the charts (types, and per series
  the name, category and value references) are compared where the expected file has them
  (dump_openpyxl.py --parts). References are compared without "$" and without the quotes around a
  sheet name that needs none: a chart's references are absolute whichever way a writer puts them.
  Pictures or charts that ours leaves out count as a difference. Chart sheets are compared by
  place, state and charts.

Usage: compare_openpyxl.py [--drawings-only] EXPECTED.json OURS.json
With --drawings-only only the sheets' names, notes, pictures and charts are compared (an .xls
saved from the same workbook has no tables and differs in cell details).

Allowed differences, each for a reason:
- openpyxl lists every cell of its grid, empty ones included (as "blank"); a cell that openpyxl
  has as blank and ours lacks is no difference, and neither is ours as blank where openpyxl has
  no cell. A cell ours has with a value must be there in openpyxl with the same type and value.
- number formats are compared for cells with a value; openpyxl's "General" is ours "General".
- a formula cell is compared by its text: openpyxl does not read cached results.
- numbers are compared to 1e-9 relative (openpyxl's date conversion goes through datetime, whose
  microseconds round).
- a cell of an array formula's result other than its master is ours a formula member; openpyxl
  reads it as the plain value it caches, which is compared with our cached result.
- defined names are compared in order by name, scope, hidden flag and formula text, when the
  expected file lists them; so are linked workbooks.
- merged ranges, hyperlinks and the cell style keys (bold, italic, font_color, fill_color) are
  compared where the expected file has them (older expected files do not). A link's location is
  compared without a leading "#" (the fragment marker some writers put in front), and so is the
  address of a link into the workbook.
"""

STYLE_KEYS = ('bold', 'italic', 'font_color', 'fill_color')
import json
import math
import re
import sys


def plain_ref(ref):
    out = ref.replace('$', '')
    sheet, bang, rest = out.rpartition('!')
    if bang and len(sheet) > 2 and sheet[0] == sheet[-1] == "'" and re.fullmatch(r"[A-Za-z_][A-Za-z0-9_.]*", sheet[1:-1]):
        out = sheet[1:-1] + '!' + rest
    return out


def plain_charts(charts):
    return [{'types': c['types'],
             'series': [{k: plain_ref(v) for k, v in s.items()} for s in c['series']]} for c in charts]


def compare_parts(name, es, os_, diffs, drawings_only):
    if 'notes' in es and es['notes'] != os_.get('notes'):
        diffs.append(f'{name}: notes {os_.get("notes")} != {es["notes"]}')
    if 'tables' in es and not drawings_only and es['tables'] != os_.get('tables'):
        diffs.append(f'{name}: tables {os_.get("tables")} != {es["tables"]}')
    for key in ('images', 'charts'):
        if key not in es:
            continue
        if key not in os_:
            diffs.append(f'{name}: {key} missing')
            continue
        e, o = es[key], os_[key]
        if key == 'charts':
            e, o = plain_charts(e), plain_charts(o)
        if e != o:
            diffs.append(f'{name}: {key} {o} != {e}')


def main(expected_path, ours_path, drawings_only=False):
    exp = json.load(open(expected_path, encoding='utf-8'))
    ours = json.load(open(ours_path, encoding='utf-8'))
    diffs = []
    if exp['date1904'] != ours['date1904']:
        diffs.append(f"date1904: {exp['date1904']} != {ours['date1904']}")
    if [s['name'] for s in exp['sheets']] != [s['name'] for s in ours['sheets']]:
        diffs.append('sheets: %r != %r' % ([s['name'] for s in exp['sheets']], [s['name'] for s in ours['sheets']]))
    for es, os_ in zip(exp['sheets'], ours['sheets']):
        name = es['name']
        if es['state'] != os_['state']:
            diffs.append(f'{name}: state {es["state"]} != {os_["state"]}')
        if es.get('chartsheet', False) != os_.get('chartsheet', False):
            diffs.append(f'{name}: chartsheet {os_.get("chartsheet", False)} != {es.get("chartsheet", False)}')
        compare_parts(name, es, os_, diffs, drawings_only)
        if drawings_only or es.get('chartsheet') or os_.get('chartsheet'):
            continue
        if 'merged' in es and sorted(es['merged']) != sorted(os_['merged']):
            diffs.append(f'{name}: merged {os_["merged"]} != {es["merged"]}')
        if 'hyperlinks' in es:
            key = lambda h: h['ref']

            def unmarked(h):
                h = dict(h)
                if h['address'] == h['location']:
                    h['address'] = h['address'].removeprefix('#')
                h['location'] = h['location'].removeprefix('#')
                return h
            for eh, oh in zip(sorted(map(unmarked, es['hyperlinks']), key=key), sorted(os_['hyperlinks'], key=key)):
                if eh != oh:
                    diffs.append(f'{name}: hyperlink {oh} != {eh}')
            if len(es['hyperlinks']) != len(os_['hyperlinks']):
                diffs.append(f'{name}: {len(os_["hyperlinks"])} hyperlinks != {len(es["hyperlinks"])}')
        ec = {c['ref']: c for c in es['cells'] if c['type'] != 'blank'}
        oc = {c['ref']: c for c in os_['cells']}
        eb = {c['ref'] for c in es['cells'] if c['type'] == 'blank'}
        for ref, c in ec.items():
            o = oc.get(ref)
            if o is None:
                diffs.append(f'{name}!{ref}: missing, openpyxl has {c["type"]} {c["value"]!r}')
                continue
            if o.get('array_member') and c['type'] != 'formula':
                o = dict(o, type=o['result_type'])
            if o['type'] != c['type']:
                diffs.append(f'{name}!{ref}: type {o["type"]} != {c["type"]}')
                continue
            a, b = c['value'], o['value']
            if c['type'] == 'formula':
                # openpyxl gives a formula cell its text, not its cached result.
                b = o.get('formula')
            if c['type'] == 'number':
                if not math.isclose(a, b, rel_tol=1e-9, abs_tol=1e-9):
                    diffs.append(f'{name}!{ref}: {b!r} != {a!r}')
            elif a != b:
                diffs.append(f'{name}!{ref}: {b!r} != {a!r}')
            if 'merged' in es:
                es_style = {k: c[k] for k in STYLE_KEYS if k in c}
                os_style = {k: o[k] for k in STYLE_KEYS if k in o}
                if es_style != os_style:
                    diffs.append(f'{name}!{ref}: style {os_style} != {es_style}')
            if (o.get('format') or 'General') != (c.get('format') or 'General'):
                diffs.append(f'{name}!{ref}: format {o.get("format")!r} != {c.get("format")!r}')
        for ref, o in oc.items():
            if ref not in ec and not (o['type'] == 'blank' and (ref in eb or ref not in ec)):
                diffs.append(f'{name}!{ref}: ours has {o["type"]} {o.get("value")!r}, openpyxl nothing')
    if 'names' in exp and not drawings_only:
        en = [(n['name'], n['scope'], n['hidden'], n['formula']) for n in exp['names']]
        on = [(n['name'], n['scope'], n['hidden'], n['formula']) for n in ours.get('names', [])]
        if en != on:
            diffs.append(f'names: {on!r} != {en!r}')
    if not drawings_only and exp.get('links', []) != ours.get('links', []):
        diffs.append(f"links: {ours.get('links')!r} != {exp.get('links')!r}")
    for d in diffs:
        print(d)
    print(f'{len(diffs)} differences')
    return 1 if diffs else 0


if __name__ == '__main__':
    args = [a for a in sys.argv[1:] if a != '--drawings-only']
    sys.exit(main(args[0], args[1], '--drawings-only' in sys.argv[1:]))
