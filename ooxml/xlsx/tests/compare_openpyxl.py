#!/usr/bin/python3
"""Compares sheet-dump's JSON of an .xlsx workbook with the one dump_openpyxl.py made from the
same file. Prints each difference and the count; exits 1 when there is any.

Usage: compare_openpyxl.py EXPECTED.json OURS.json

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
import sys


def main(expected_path, ours_path):
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
    if 'names' in exp:
        en = [(n['name'], n['scope'], n['hidden'], n['formula']) for n in exp['names']]
        on = [(n['name'], n['scope'], n['hidden'], n['formula']) for n in ours.get('names', [])]
        if en != on:
            diffs.append(f'names: {on!r} != {en!r}')
    if exp.get('links', []) != ours.get('links', []):
        diffs.append(f"links: {ours.get('links')!r} != {exp.get('links')!r}")
    for d in diffs:
        print(d)
    print(f'{len(diffs)} differences')
    return 1 if diffs else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1], sys.argv[2]))
