# Counts the cells with a value on each sheet of an .xlsx and the chart parts each sheet's drawing
# refers to, as key=value lines.
import sys, zipfile, re, openpyxl
path = sys.argv[1]
book = openpyxl.load_workbook(path, read_only=True)
for i, ws in enumerate(book.worksheets):
    n = sum(1 for row in ws.iter_rows(values_only=True) for v in row if v is not None and v != "")
    print("xsheet%d.cells=%d" % (i, n))
z = zipfile.ZipFile(path)
names = z.namelist()
for i in range(len(book.worksheets)):
    rels = "xl/worksheets/_rels/sheet%d.xml.rels" % (i + 1)
    charts = 0
    if rels in names:
        for target in re.findall(r'Target="\.\./drawings/([^"]+)"', z.read(rels).decode()):
            drels = "xl/drawings/_rels/%s.rels" % target
            if drels in names:
                charts += len(re.findall(r'charts/chart\d+\.xml', z.read(drels).decode()))
    print("xsheet%d.charts=%d" % (i, charts))
