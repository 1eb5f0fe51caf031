#!/usr/bin/python3
"""Writes what python3-xlrd reads from an .xls file as JSON, in the shape sheet-dump prints, so the
two can be compared: sheet names, cells (type, value or cached result, number format), merged
ranges, layout (default column width, default row height and its flags, rows of their own height),
notes, defined names with their formula text, and the formula text of each FORMULA record, which
xlrd's own decompiler produces from the record's tokens.

Usage: xlrd_dump.py FILE.xls > FILE.xlrd.json   (regenerate with make_expected.sh)
"""
import json
import struct
import sys

import xlrd
from xlrd import formula as xf

TYPES = {xlrd.XL_CELL_TEXT: "string", xlrd.XL_CELL_NUMBER: "number", xlrd.XL_CELL_DATE: "number",
         xlrd.XL_CELL_BOOLEAN: "boolean", xlrd.XL_CELL_ERROR: "error", xlrd.XL_CELL_BLANK: "blank"}


def formula_texts(bk, sheet_index):
    """(row, col) -> formula text for each FORMULA record of a worksheet: its own tokens, or those of
    the shared formula it points to, placed at the cell (array formulas are left out)."""
    out = {}
    shared = []
    bk._position = bk._sh_abs_posn[sheet_index]
    depth = 0
    while True:
        rc, length, data = bk.get_record_parts()
        if rc in (0x0009, 0x0209, 0x0409, 0x0809):
            depth += 1
        elif rc == 0x000A:
            depth -= 1
            shared = []
            if depth <= 0:
                break
        elif rc == 0x0006 and depth == 1 and bk.biff_version >= 80:
            row, col = struct.unpack("<HH", data[0:4])
            cce = struct.unpack("<H", data[20:22])[0]
            fmla = data[22:22 + cce]
            kind = xf.FMLA_TYPE_CELL
            if cce == 0:
                continue
            if fmla[0] == 0x01:
                save = bk._position
                rc2, _, data2 = bk.get_record_parts()
                if rc2 in (0x00BC, 0x04BC):
                    r1, r2, c1, c2 = struct.unpack("<HHBB", data2[0:6])
                    n = struct.unpack("<H", data2[8:10])[0]
                    shared.append((r1, r2, c1, c2, data2[10:10 + n]))
                else:
                    bk._position = save
                mrow, mcol = struct.unpack("<HH", fmla[1:5])
                hit = [s for s in shared if s[0] <= mrow <= s[1] and s[2] <= mcol <= s[3]]
                if not hit or not (data[14] & 0x08):
                    continue
                fmla = hit[0][4]
                cce = len(fmla)
                kind = xf.FMLA_TYPE_SHARED
            try:
                text = xf.decompile_formula(bk, fmla, cce, kind, browx=row, bcolx=col)
            except Exception:  # xlrd cannot decompile every token
                text = None
            if text is not None:
                out[(row, col)] = text
        if bk._position >= len(bk.mem):
            break
    return out


def main(path):
    bk = xlrd.open_workbook(path, formatting_info=True, on_demand=True)
    from_file = sorted({f.format_key for f in bk.format_list})
    result = {"version": bk.biff_version, "date1904": bool(bk.datemode), "formats_from_file": from_file,
              "sheets": [], "names": []}
    for si in range(bk.nsheets):
        sh = bk.sheet_by_index(si)
        texts = formula_texts(bk, si) if bk.biff_version >= 80 else {}
        cells = []
        for r in range(sh.nrows):
            for c in range(sh.ncols):
                cell = sh.cell(r, c)
                if cell.ctype == xlrd.XL_CELL_EMPTY:
                    continue
                t = TYPES[cell.ctype]
                v = cell.value
                if t == "error":
                    v = xlrd.error_text_from_code.get(v, "#N/A")
                elif t == "boolean":
                    v = bool(v)
                elif t == "blank":
                    v = None
                fmt = bk.format_map[bk.xf_list[cell.xf_index].format_key] if cell.xf_index is not None else None
                entry = {"row": r, "col": c, "type": t, "value": v,
                         "format_id": fmt.format_key if fmt else 0,
                         "format": fmt.format_str if fmt else "General"}
                if (r, c) in texts:
                    entry["formula"] = texts[(r, c)]
                cells.append(entry)
        merged = [[r1, r2 - 1, c1, c2 - 1] for (r1, r2, c1, c2) in sh.merged_cells]
        notes = [{"row": r, "col": c, "text": n.text} for (r, c), n in sorted(sh.cell_note_map.items())]
        rows = [[r, ri.height] for r, ri in sorted(sh.rowinfo_map.items()) if ri.height_mismatch]
        result["sheets"].append({"name": sh.name, "state": sh.visibility, "merged": sorted(merged), "cells": cells,
                                 "default_col_width": sh.defcolwidth, "default_row_height": sh.default_row_height,
                                 "default_row_custom": bool(sh.default_row_height_mismatch),
                                 "default_row_hidden": bool(sh.default_row_hidden), "row_heights": rows,
                                 "notes": notes})
    for n in bk.name_obj_list:
        text = None
        if bk.biff_version >= 80 and n.raw_formula:
            try:
                text = xf.decompile_formula(bk, n.raw_formula, len(n.raw_formula), xf.FMLA_TYPE_NAME,
                                            browx=0, bcolx=0)
            except Exception:
                text = None
        result["names"].append({"name": n.name, "scope": n.scope, "builtin": bool(n.builtin),
                                "hidden": bool(n.hidden), "formula": text})
    # One cell per line keeps the expected files small and their diffs readable.
    text = json.dumps(result, ensure_ascii=False, sort_keys=True, separators=(",", ":"))
    sys.stdout.write(text.replace(',{"col"', ',\n{"col"').replace('[{"col"', '[\n{"col"') + "\n")


if __name__ == "__main__":
    main(sys.argv[1])
