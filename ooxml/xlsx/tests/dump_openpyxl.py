#!/usr/bin/python3
"""Writes what openpyxl reads from an .xlsx workbook as JSON, in the shape of sheet-dump's:
date1904, per sheet its name, state and cells (ref, type, value, number format), and the defined
names (name, scope, hidden, formula) and, when there are any, the linked workbooks (target, sheet
names, cached cells as [sheet id, ref, value]).

Usage: dump_openpyxl.py BOOK.xlsx OUT.json
openpyxl turns date-formatted numbers into date objects; they are turned back into the serial
number of the workbook's date system, which is what the cell holds.
"""
import datetime
import json
import sys

import openpyxl
from openpyxl.utils.datetime import to_excel

STATES = {'visible': 0, 'hidden': 1, 'veryHidden': 2}


def value(cell, epoch):
    v = cell.value
    t = cell.data_type
    if v is None:
        return 'blank', None
    if t == 'f' or (isinstance(v, str) and v.startswith('=') and t != 's'):
        return 'formula', v[1:] if isinstance(v, str) and v.startswith('=') else v
    if isinstance(v, bool):
        return 'boolean', v
    if isinstance(v, (datetime.datetime, datetime.date, datetime.time)):
        return 'number', to_excel(v, epoch)
    if isinstance(v, (int, float)):
        return 'number', float(v)
    if t == 'e':
        return 'error', v
    return 'string', v


def main(path, out):
    wb = openpyxl.load_workbook(path)
    epoch = wb.epoch
    result = {'date1904': epoch == openpyxl.utils.datetime.CALENDAR_MAC_1904, 'sheets': []}
    for ws in wb.worksheets:
        cells = []
        for row in ws.iter_rows():
            for c in row:
                kind, v = value(c, epoch)
                cells.append({'ref': c.coordinate, 'type': kind, 'value': v, 'format': c.number_format})
        result['sheets'].append({'name': ws.title, 'state': STATES[ws.sheet_state], 'cells': cells})
    result['names'] = [{'name': n.name, 'scope': -1 if n.localSheetId is None else int(n.localSheetId),
                        'hidden': bool(n.hidden), 'formula': n.attr_text} for n in wb.defined_names.definedName]
    links = []
    for link in wb._external_links:
        book = link.externalBook
        if book is None:
            continue
        cells = []
        for data in (book.sheetDataSet.sheetData if book.sheetDataSet else []):
            for row in data.row:
                for c in row.cell:
                    v = c.v
                    if c.t in (None, 'n') and v is not None:
                        v = float(v)
                    elif c.t == 'b':
                        v = v in ('1', 'true')
                    cells.append([data.sheetId, c.r, v])
        links.append({'target': link.file_link.Target if link.file_link else '',
                      'sheets': list(book.sheetNames.sheetName) if book.sheetNames else [], 'cells': cells})
    if links:
        result['links'] = links
    with open(out, 'w', encoding='utf-8') as f:
        json.dump(result, f, ensure_ascii=False, indent=1)
        f.write('\n')


if __name__ == '__main__':
    main(sys.argv[1], sys.argv[2])
