# Reads a history report with xlrd, compares every record row with the expected rows file
# (number,sheet,row,temperature,humidity,time a line) and prints what the tests check as key=value
# lines; walks the BIFF records of the workbook stream (olefile) to count the chart substreams and
# series inside each worksheet.
import sys, xlrd, olefile, struct
path, rows_path = sys.argv[1], sys.argv[2]
book = xlrd.open_workbook(path, formatting_info=True)
print("sheets=" + "|".join(book.sheet_names()))
expected = {}
for line in open(rows_path, encoding="utf-8"):
    n, sheet, row, t, h, time = line.rstrip("\n").split(",")
    expected.setdefault(int(sheet), []).append((int(row), float(n), float(t), float(h), time))
bad = 0
for s in range(book.nsheets):
    sh = book.sheet_by_index(s)
    print("sheet%d.rows=%d" % (s, sh.nrows))
    print("sheet%d.merged=%s" % (s, sorted(sh.merged_cells)))
    for (r, c) in [(0, 0), (2, 0), (2, 2), (2, 3), (3, 0), (3, 3), (4, 0), (4, 3), (5, 0), (5, 3), (6, 0), (6, 3)]:
        cell = sh.cell(r, c) if r < sh.nrows and c < sh.ncols else None
        value = "" if cell is None or cell.ctype == xlrd.XL_CELL_EMPTY else str(cell.value)
        if cell is not None and cell.ctype == xlrd.XL_CELL_ERROR:
            value = xlrd.error_text_from_code.get(cell.value, "#?")
        print("sheet%d.%s%d=%s" % (s, "ABCD"[c], r + 1, value))
    xf = book.xf_list[sh.cell_xf_index(0, 0)]
    font = book.font_list[xf.font_index]
    print("sheet%d.title_font=%s,%d,%d" % (s, font.name, font.height // 20, font.weight))
    def border(r, c):
        return book.xf_list[sh.cell_xf_index(r, c)].border
    def blue(index):
        return book.colour_map.get(index) == (0, 0, 255)
    def edge(a, a_side, b, b_side):
        # A line between two cells is stored on either of them.
        for (cell, side) in ((a, a_side), (b, b_side)):
            bd = border(*cell)
            if getattr(bd, side + "_line_style") == 1:
                return "thin blue" if blue(getattr(bd, side + "_colour_index")) else "thin"
        return "none"
    last = sh.nrows - 1
    print("sheet%d.grid=%s|%s|%s|%s" % (s, edge((28, 0), "right", (28, 1), "left"),
                                        edge((28, 1), "bottom", (29, 1), "top"),
                                        edge((27, 0), "top", (26, 0), "bottom"),
                                        edge((last, 3), "right", (last, 3), "right")))
    for (r, n, t, h, time) in expected.get(s, []):
        row = sh.row_values(r)
        if row[0] != n or abs(row[1] - t) > 1e-9 or abs(row[2] - h) > 1e-9 or row[3] != time:
            bad += 1
            if bad <= 5:
                print("mismatch sheet %d row %d: %r" % (s, r, row[:4]))
    print("sheet%d.records=%d" % (s, len(expected.get(s, []))))
print("mismatches=%d" % bad)

data = olefile.OleFileIO(path).openstream("Workbook").read()
pos, depth, sheet, charts, series = 0, 0, -1, {}, {}
while pos + 4 <= len(data):
    rid, size = struct.unpack_from("<HH", data, pos)
    body = data[pos + 4:pos + 4 + size]
    pos += 4 + size
    if rid == 0x0809:
        kind = struct.unpack_from("<H", body, 2)[0]
        if depth == 0 and kind == 0x0010:
            sheet += 1
        elif depth == 1 and kind == 0x0020:
            charts[sheet] = charts.get(sheet, 0) + 1
        depth += 1
    elif rid == 0x000A:
        depth -= 1
    elif rid == 0x1003 and depth == 2:
        series[sheet] = series.get(sheet, 0) + 1
for s in range(sheet + 1):
    print("sheet%d.charts=%d" % (s, charts.get(s, 0)))
    print("sheet%d.series=%d" % (s, series.get(s, 0)))
