#!/usr/bin/python3
"""Writes what openpyxl reads from an .xlsx workbook as JSON, in the shape of sheet-dump's:
date1904; per sheet its name, state, merged ranges, hyperlinks and cells (ref, type, value, number
format; bold, italic, font and solid fill colours where set); the defined names (name, scope,
hidden, formula) and, when there are any, the linked workbooks (target, sheet names, cached cells
as [sheet id, ref, value]).

With --parts, each sheet also lists its notes (ref, text), tables (name, ref), the number of its
pictures and its charts (chart element names, and per series the name, category and value
references), and chart sheets are listed in their place among the sheets with their charts.

Usage: dump_openpyxl.py [--parts] BOOK.xlsx OUT.json
openpyxl turns date-formatted numbers into date objects; they are turned back into the serial
number of the workbook's date system, which is what the cell holds.
"""
import datetime
import json
import sys

import openpyxl
from openpyxl.utils.datetime import to_excel

STATES = {'visible': 0, 'hidden': 1, 'veryHidden': 2}


def color_text(color, palette):
    """"RRGGBB" for an RGB colour or a palette entry (the workbook's own palette when it has one);
    None for automatic and theme colours."""
    if color is None:
        return None
    if color.type == 'rgb' and isinstance(color.rgb, str):
        return color.rgb[-6:].upper()
    if color.type == 'indexed' and color.indexed is not None and color.indexed < 64:
        return palette[color.indexed][-6:].upper()
    return None


def style(cell, palette):
    s = {}
    if cell.font is not None:
        if cell.font.b:
            s['bold'] = True
        if cell.font.i:
            s['italic'] = True
        c = color_text(cell.font.color, palette)
        if c:
            s['font_color'] = c
    if cell.fill is not None and cell.fill.fill_type == 'solid':
        c = color_text(cell.fill.fgColor, palette)
        if c:
            s['fill_color'] = c
    return s


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


def ref_text(ref):
    """The formula of a string, number or multi-level reference; '' for none."""
    if ref is None:
        return ''
    for kind in ('strRef', 'numRef', 'multiLvlStrRef'):
        r = getattr(ref, kind, None)
        if r is not None and r.f:
            return r.f
    return ''


def charts(chart_list):
    out = []
    for chart in chart_list:
        groups = getattr(chart, '_charts', None) or [chart]
        series = []
        for g in groups:
            for s in g.series:
                cat = s.cat if s.cat is not None else s.xVal
                val = s.val if s.val is not None else s.yVal
                series.append({'name_ref': ref_text(s.tx), 'categories_ref': ref_text(cat), 'values_ref': ref_text(val)})
        out.append({'types': [g.tagname for g in groups], 'series': series})
    return out


def parts(ws):
    notes = [{'ref': c.coordinate, 'text': c.comment.text} for row in ws.iter_rows() for c in row if c.comment]
    tables = [{'name': t.name or t.displayName, 'ref': t.ref} for t in ws.tables.values()]
    return {'notes': notes, 'tables': tables, 'images': len(ws._images), 'charts': charts(ws._charts)}


def main(path, out, with_parts=False):
    wb = openpyxl.load_workbook(path)
    epoch = wb.epoch
    result = {'date1904': epoch == openpyxl.utils.datetime.CALENDAR_MAC_1904, 'sheets': []}
    palette = list(wb._colors) if wb._colors else list(openpyxl.styles.colors.COLOR_INDEX)
    for ws in (wb._sheets if with_parts else wb.worksheets):
        if not isinstance(ws, openpyxl.worksheet.worksheet.Worksheet):
            if isinstance(ws, openpyxl.chartsheet.Chartsheet):
                result['sheets'].append({'name': ws.title, 'state': STATES[ws.sheet_state], 'chartsheet': True,
                                         'charts': charts(ws._charts)})
            continue
        cells = []
        links = []
        for row in ws.iter_rows():
            for c in row:
                kind, v = value(c, epoch)
                cell = {'ref': c.coordinate, 'type': kind, 'value': v, 'format': c.number_format}
                cell.update(style(c, palette))
                cells.append(cell)
                h = c.hyperlink
                if h is not None:
                    links.append({'ref': h.ref or c.coordinate, 'address': h.target or h.location or '',
                                  'location': h.location or '', 'display': h.display or '', 'tooltip': h.tooltip or ''})
        result['sheets'].append({'name': ws.title, 'state': STATES[ws.sheet_state],
                                 'merged': sorted(str(r) for r in ws.merged_cells.ranges),
                                 'hyperlinks': links, 'cells': cells})
        if with_parts:
            result['sheets'][-1].update(parts(ws))
    result['names'] = [{'name': n.name, 'scope': -1 if n.localSheetId is None else int(n.localSheetId),
                        'hidden': bool(n.hidden), 'formula': n.attr_text} for n in wb.defined_names.definedName]
    books = []
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
        books.append({'target': link.file_link.Target if link.file_link else '',
                      'sheets': list(book.sheetNames.sheetName) if book.sheetNames else [], 'cells': cells})
    if books:
        result['links'] = books
    with open(out, 'w', encoding='utf-8') as f:
        json.dump(result, f, ensure_ascii=False, indent=1)
        f.write('\n')


if __name__ == '__main__':
    args = [a for a in sys.argv[1:] if a != '--parts']
    main(args[0], args[1], '--parts' in sys.argv[1:])
