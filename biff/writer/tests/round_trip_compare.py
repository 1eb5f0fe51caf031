#!/usr/bin/python3
"""Compares what another reader sees in an .xls file and in the library's rewrite of it. Prints each
difference and "N differences"; exits 1 when there is any.

Usage:
  round_trip_compare.py xlrd ORIGINAL.xls REWRITE.xls [--no-formats]
      python3-xlrd's view: sheet names, cell types and values, number formats (unless
      --no-formats, where dates count as numbers), merged ranges, default column width, default row height and its flags, the
      columns' widths, the rows' heights and custom-height flags, notes.
  round_trip_compare.py lo ORIGINAL.xlsx REWRITE.xlsx
      LibreOffice's view, through its conversion of each file to .xlsx: sheet names, cell values,
      the width of every column of the grid, the height and custom-height flag of every row up to
      the last one either file describes, notes.
"""
import re
import sys
import zipfile


def xlrd_view(path, formats):
    import xlrd
    bk = xlrd.open_workbook(path, formatting_info=True)
    out = {}
    for sh in bk.sheets():
        s = out.setdefault(sh.name, {})
        for r in range(sh.nrows):
            for c in range(sh.ncols):
                cell = sh.cell(r, c)
                if cell.ctype == xlrd.XL_CELL_EMPTY:
                    continue
                # Without formats a date is a number: xlrd tells them apart by the format alone.
                ctype = cell.ctype if formats or cell.ctype != xlrd.XL_CELL_DATE else xlrd.XL_CELL_NUMBER
                v = (ctype, cell.value)
                if formats:
                    xf = bk.xf_list[cell.xf_index]
                    v += (bk.format_map[xf.format_key].format_str,)
                s["cell %d,%d" % (r, c)] = v
        s["merged"] = sorted(sh.merged_cells)
        s["default col width"] = sh.defcolwidth
        s["default row"] = (sh.default_row_height, sh.default_row_height_mismatch, sh.default_row_hidden)
        for c in range(256):
            s["width %d" % c] = sh.computed_column_width(c)
        # Rows of their own height; a row of the default height is the same whether or not a ROW
        # record says so.
        s["rows"] = (sh.default_row_height, {r: (ri.height, True) for r, ri in sh.rowinfo_map.items()
                                               if ri.height_mismatch})
        s["hidden rows"] = sorted(r for r, ri in sh.rowinfo_map.items() if ri.hidden)
        for (r, c), n in sh.cell_note_map.items():
            s["note %d,%d" % (r, c)] = n.text
    return out


def col_index(letters):
    n = 0
    for ch in letters:
        n = n * 26 + ord(ch) - 64
    return n


def lo_view(path):
    z = zipfile.ZipFile(path)
    sst = []
    if "xl/sharedStrings.xml" in z.namelist():
        x = z.read("xl/sharedStrings.xml").decode()
        for si in re.findall(r"<si>(.*?)</si>", x, re.S):
            sst.append("".join(re.findall(r"<t[^>]*>([^<]*)</t>", si)))
    wb = z.read("xl/workbook.xml").decode()
    names = re.findall(r'<sheet name="([^"]*)"', wb)
    rels = z.read("xl/_rels/workbook.xml.rels").decode()
    targets = dict(re.findall(r'Id="([^"]+)"[^>]*Target="([^"]+)"', rels))
    targets.update({k: v for v, k in re.findall(r'Target="([^"]+)"[^>]*Id="([^"]+)"', rels)})
    ids = re.findall(r'<sheet [^>]*r:id="([^"]+)"', wb)
    out = {}
    for name, rid in zip(names, ids):
        part = "xl/" + targets[rid].lstrip("/").replace("xl/", "")
        x = z.read(part).decode()
        s = out.setdefault(name, {})
        fp = re.search(r"<sheetFormatPr[^>]*>", x)
        fp = fp.group(0) if fp else ""
        dw = re.search(r'defaultColWidth="([^"]+)"', fp)
        dh = re.search(r'defaultRowHeight="([^"]+)"', fp)
        widths = [float(dw.group(1)) if dw else None] * 1024
        for col in re.findall(r"<col [^>]*>", x):
            lo, hi = int(re.search(r'min="(\d+)"', col).group(1)), int(re.search(r'max="(\d+)"', col).group(1))
            w = float(re.search(r'width="([^"]+)"', col).group(1))
            for c in range(lo, min(hi, 1024) + 1):
                widths[c - 1] = w
        # Column elements carry two decimals, the default width more: widths compare at two.
        for c in range(256):
            s["width %d" % c] = round(widths[c], 2) if widths[c] is not None else None
        rows = {}
        for r in re.findall(r"<row [^>]*>", x):
            n = int(re.search(r' r="(\d+)"', r).group(1))
            ht = re.search(r' ht="([^"]+)"', r)
            rows[n] = (float(ht.group(1)) if ht else None, 'customHeight="true"' in r)
        s["rows"] = (dh.group(1) if dh else None, rows)
        for ref, attrs, body in re.findall(r'<c r="([A-Z]+\d+)"([^>]*?)(?:/>|>(.*?)</c>)', x, re.S):
            v = re.search(r"<v>([^<]*)</v>", body or "")
            if not v:
                continue
            t = re.search(r' t="(\w+)"', attrs)
            t = t.group(1) if t else "n"
            val = sst[int(v.group(1))] if t == "s" else v.group(1)
            if t == "n":
                val = repr(round(float(val), 9))
            s["cell " + ref] = (t, val)
    # Notes, by sheet through the sheet parts' relations.
    for name, rid in zip(names, ids):
        part = targets[rid].lstrip("/").replace("xl/", "")
        rel = "xl/worksheets/_rels/" + part.split("/")[-1] + ".rels"
        if rel not in z.namelist():
            continue
        for target in re.findall(r'Target="([^"]*comments[^"]*)"', z.read(rel).decode()):
            x = z.read("xl/" + target.replace("../", "")).decode()
            for ref, body in re.findall(r'<comment ref="([^"]+)"[^>]*>(.*?)</comment>', x, re.S):
                out[name]["note " + ref] = "".join(re.findall(r"<t[^>]*>([^<]*)</t>", body))
    return out


def rows_equal(a, b, where, diffs):
    # A row LibreOffice writes in one file and not the other has the default height there.
    da, ra = a
    db, rb = b
    if da != db:
        diffs.append("%s: default row height %r vs %r" % (where, da, db))
    for n in sorted(set(ra) | set(rb)):
        x = ra.get(n, (float(da) if da is not None else None, False))
        y = rb.get(n, (float(db) if db is not None else None, False))
        if x != y:
            diffs.append("%s: row %d %r vs %r" % (where, n, x, y))


def main(argv):
    mode, a, b = argv[1], argv[2], argv[3]
    if mode == "xlrd":
        formats = "--no-formats" not in argv
        va, vb = xlrd_view(a, formats), xlrd_view(b, formats)
    else:
        va, vb = lo_view(a), lo_view(b)
    diffs = []
    if list(va) != list(vb):
        diffs.append("sheets %r vs %r" % (list(va), list(vb)))
    for name in va:
        sa, sb = va[name], vb.get(name, {})
        for key in sorted(set(sa) | set(sb)):
            if key == "rows":
                rows_equal(sa.get(key, (None, {})), sb.get(key, (None, {})), name, diffs)
            elif sa.get(key) != sb.get(key):
                diffs.append("%s: %s %r vs %r" % (name, key, sa.get(key), sb.get(key)))
    for d in diffs[:50]:
        print(d)
    print("%d differences" % len(diffs))
    return 1 if diffs else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
