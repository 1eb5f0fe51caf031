#!/usr/bin/python3
"""Writes the seed corpus of the .xlsx reader's fuzz target: small packages as part lists (first
byte 1) with styles, shared and rich strings, every cell type, cells and rows without reference,
ISO dates, a bad shared-string index, a relationship loop, CDATA and the worksheet contents beside
the cells, hostile sizes and counts, a missing part; and as raw archives (first byte 0) the
producers' fixtures, one of them truncated, one whose sheet declares 4 GB, and a ZIP bomb (a sheet
of whitespace deflated some 1,000 to 1). The seeds of the sheet-parts target (parts/) are sheets
with comments and VML note shapes, a table with its query table, a pivot table, a drawing with
images and a chart sheet, each also damaged, and the sheet-parts fixtures as part lists.
    /usr/bin/python3 make_corpus.py"""
import os
import struct
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, 'reader')
FIXTURES = os.path.join(os.path.dirname(HERE), 'fixtures')
R = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
NS = ' xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="%s"' % R[:-1]
TYPES = ('<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
         '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
         '<Default Extension="xml" ContentType="application/xml"/></Types>')
STYLES = ('<styleSheet%s><numFmts count="1"><numFmt numFmtId="164" formatCode="0.0"/></numFmts>'
          '<fonts count="1"><font><b/><sz val="11"/><name val="Calibri"/></font></fonts>'
          '<fills count="2"><fill><patternFill/></fill><fill><patternFill patternType="solid"><fgColor indexed="70"/></patternFill></fill></fills>'
          '<borders count="1"><border><left style="thin"/></border></borders>'
          '<cellStyleXfs count="1"><xf/></cellStyleXfs><cellXfs count="2"><xf/><xf numFmtId="164" fillId="1"/></cellXfs>'
          '<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>'
          '<colors><indexedColors>%s</indexedColors></colors></styleSheet>' % (NS, '<rgbColor rgb="FF112233"/>' * 70))
STRINGS = ('<sst%s><si><t>a_x000D_b</t></si><si><r><t>x</t></r><r><rPr><i/><rFont val="Nowhere"/></rPr><t>y</t></r></si>'
           '<si><t><![CDATA[<cdata>]]></t></si></sst>' % NS)
SHEET = ('<worksheet%s><cols><col min="1" max="2" width="9" style="1"/></cols><sheetData>'
         '<row r="1" ht="20" customHeight="1"><c r="A1" t="s"><v>0</v></c><c t="s"><v>1</v></c><c t="s"><v>2</v></c>'
         '<c r="E1" t="b"><v>1</v></c><c r="F1" t="e"><v>#REF!</v></c><c r="G1" t="d"><v>2024-02-29T23:59:59</v></c>'
         '<c r="H1" t="inlineStr"><is><t>inline</t></is></c><c r="I1" s="1"><f>A1+1</f><v>2</v></c></row>'
         '<row><c><v>3</v></c></row></sheetData></worksheet>' % NS)


def rels(*items):
    body = ''.join('<Relationship Id="%s" Type="%s" Target="%s"/>' % (i, R + t, target) for i, t, target in items)
    return '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">%s</Relationships>' % body


def seed(name, parts, out=OUT):
    data = b'\x01' + b'\x00'.join(('%s\n' % n).encode() + (c if isinstance(c, bytes) else c.encode()) for n, c in parts)
    with open(os.path.join(out, name), 'wb') as f:
        f.write(data)


def book(sheet=SHEET, strings=STRINGS, extra_rels=()):
    return [('[Content_Types].xml', TYPES), ('_rels/.rels', rels(('rId1', 'officeDocument', 'xl/workbook.xml'))),
            ('xl/workbook.xml', '<workbook%s><workbookPr date1904="1"/><sheets>'
             '<sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>' % NS),
            ('xl/_rels/workbook.xml.rels', rels(('rId1', 'worksheet', 'worksheets/sheet1.xml'),
                                                ('rId2', 'styles', 'styles.xml'),
                                                ('rId3', 'sharedStrings', 'sharedStrings.xml'), *extra_rels)),
            ('xl/worksheets/sheet1.xml', sheet), ('xl/styles.xml', STYLES), ('xl/sharedStrings.xml', strings)]


os.makedirs(OUT, exist_ok=True)
seed('cells', book())
seed('bad_string_index', book(sheet=SHEET.replace('<v>2</v></c><c r="E1"', '<v>99</v></c><c r="E1"')))
seed('loop', book(extra_rels=(('rId4', 'worksheet', 'workbook.xml'),)) +
     [('xl/worksheets/_rels/sheet1.xml.rels', rels(('rId1', 'worksheet', '../workbook.xml')))])
# Worksheet contents beside the cells, with the differential formats and table styles they use.
CONTENTS = ('<worksheet%s><sheetPr><tabColor indexed="10"/><outlinePr summaryBelow="0"/></sheetPr><dimension ref="A1:C3"/>'
            '<sheetViews><sheetView workbookViewId="0" zoomScale="150"><pane xSplit="1" ySplit="1" topLeftCell="B2" state="frozen"/>'
            '<selection pane="bottomRight" activeCell="B2" sqref="B2 C3:D4"/></sheetView></sheetViews>'
            '<sheetFormatPr defaultRowHeight="15"/><sheetData><row r="1"><c r="A1"><v>1</v></c></row></sheetData>'
            '<sheetProtection sheet="1" password="CC1A"/><autoFilter ref="A1:C3"><filterColumn colId="0"><filters><filter val="1"/></filters>'
            '</filterColumn><sortState ref="A2:C3"><sortCondition ref="A2:A3"/></sortState></autoFilter>'
            '<mergeCells><mergeCell ref="B1:C1"/><mergeCell ref="B1:C1"/></mergeCells>'
            '<conditionalFormatting sqref="A1:A9"><cfRule type="cellIs" dxfId="0" priority="1" operator="greaterThan"><formula>0</formula></cfRule>'
            '<cfRule type="colorScale" priority="2"><colorScale><cfvo type="min"/><cfvo type="max"/><color rgb="FFFF0000"/><color indexed="10"/></colorScale></cfRule></conditionalFormatting>'
            '<dataValidations><dataValidation type="list" sqref="C1:C3"><formula1>"a,b"</formula1></dataValidation></dataValidations>'
            '<hyperlinks><hyperlink ref="A2" r:id="rId1"/><hyperlink ref="A3" location="S!A1"/></hyperlinks>'
            '<pageMargins left="0.5" right="0.5" top="1" bottom="1" header="0.3" footer="0.3"/>'
            '<pageSetup orientation="landscape" r:id="rId2"/><headerFooter><oddHeader>&amp;A</oddHeader></headerFooter>'
            '<rowBreaks><brk id="5" man="1"/></rowBreaks></worksheet>' % NS)
contents = [p if p[0] != 'xl/styles.xml' else (p[0], p[1].replace(
    '<colors>', '<dxfs count="1"><dxf><font><b/></font><fill><patternFill><bgColor rgb="FFFFFF00"/></patternFill></fill></dxf></dxfs>'
    '<tableStyles count="1"><tableStyle name="T"><tableStyleElement type="wholeTable"/></tableStyle></tableStyles><colors>'))
    for p in book(sheet=CONTENTS)]
seed('sheet_contents', contents + [
    ('xl/worksheets/_rels/sheet1.xml.rels',
     rels(('rId1', 'hyperlink', 'https://example.org/'), ('rId2', 'printerSettings', '../printerSettings/p1.bin'))),
    ('xl/printerSettings/p1.bin', 'DEVMODE')])
HOSTILE = ('<worksheet%s><dimension ref="A1:XFD1048576"/><cols><col min="1" max="2147483647" width="1e308" style="99999"/>'
           '</cols><sheetData><row r="1048576" spans="1:16384" ht="1e308" outlineLevel="2147483647">'
           '<c r="XFD1048576" s="2147483647" t="s"><v>0</v></c></row><row r="99999999999999999999"><c><v>1</v></c></row>'
           '<row r="1048577"><c><v>1</v></c></row></sheetData></worksheet>' % NS)
seed('hostile_sizes', book(sheet=HOSTILE, strings='<sst%s count="4294967295" uniqueCount="2147483647">'
                                                  '<si><t>x</t></si></sst>' % NS))
seed('missing_sheet_part', [p for p in book() if p[0] != 'xl/worksheets/sheet1.xml'])


def raw(name, data):
    with open(os.path.join(OUT, name), 'wb') as f:
        f.write(b'\x00' + data)


def archive(parts, level=6):
    path = os.path.join(OUT, '.tmp.zip')
    with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED, compresslevel=level) as z:
        for n, c in parts:
            z.writestr(n, c)
    with open(path, 'rb') as f:
        data = f.read()
    os.remove(path)
    return data


def redeclared(data, name, size):
    """The archive with the uncompressed size of entry name set to size in both of its headers."""
    data = bytearray(data)
    key = name.encode()
    for sig, field, name_at in ((b'PK\x03\x04', 22, 30), (b'PK\x01\x02', 24, 46)):
        at = 0
        while True:
            at = data.find(sig, at)
            if at < 0:
                break
            if data[at + name_at:at + name_at + len(key)] == key:
                data[at + field:at + field + 4] = struct.pack('<I', size)
            at += 4
    return bytes(data)


plain = archive(book())
raw('truncated', plain[:len(plain) * 2 // 3])
raw('declared_4gb', redeclared(plain, 'xl/worksheets/sheet1.xml', 0xFFFFFFFF))
bomb = [p for p in book() if p[0] != 'xl/worksheets/sheet1.xml']
bomb.append(('xl/worksheets/sheet1.xml', '<worksheet%s><sheetData>' % NS + ' ' * (5 << 20) + '</sheetData></worksheet>'))
raw('bomb', archive(bomb, level=9))
for name in sorted(os.listdir(FIXTURES)):
    if name.endswith('.xlsx'):
        with open(os.path.join(FIXTURES, name), 'rb') as f:
            data = f.read()
        with open(os.path.join(OUT, name[:-5]), 'wb') as f:
            f.write(b'\x00' + data)


# The sheet-parts target.
PARTS = os.path.join(HERE, 'parts')
os.makedirs(PARTS, exist_ok=True)
VML = ('<xml xmlns:v="urn:schemas-microsoft-com:vml" xmlns:o="urn:schemas-microsoft-com:office:office" '
       'xmlns:x="urn:schemas-microsoft-com:office:excel"><o:shapelayout v:ext="edit"/>'
       '<v:shape fillcolor="#ff0000"><x:ClientData ObjectType="Note"><x:Anchor>2, 15, 3, 10, 4, 15, 7, 4</x:Anchor>'
       '<x:Row>0</x:Row><x:Column>0</x:Column></x:ClientData></v:shape>'
       '<v:shape fillcolor="12"><x:ClientData><x:Anchor>1,x</x:Anchor><x:Row>1</x:Row><x:Column>1</x:Column></x:ClientData></v:shape></xml>')
COMMENTS = ('<comments%s><authors><author>Ann</author></authors><commentList>'
            '<comment ref="A1" authorId="0"><text><r><rPr><b/></rPr><t>Ann:</t></r><r><t>note</t></r></text></comment>'
            '<comment ref="B2" authorId="0"><text><t>two</t></text></comment></commentList></comments>' % NS)
TABLE = ('<table%s id="1" name="T" displayName="T" ref="A1:B4" totalsRowCount="1"><autoFilter ref="A1:B3"/>'
         '<tableColumns count="2"><tableColumn id="1" name="A" totalsRowLabel="Sum"/><tableColumn id="2" name="B" '
         'totalsRowFunction="sum"><calculatedColumnFormula>A2*2</calculatedColumnFormula></tableColumn></tableColumns>'
         '<tableStyleInfo name="TableStyleMedium2" showRowStripes="1"/></table>' % NS)
PARTS_SHEET = ('<worksheet%s><sheetData><row r="1"><c r="A1"><v>1</v></c></row></sheetData>'
               '<drawing r:id="rId3"/><legacyDrawing r:id="rId2"/><tableParts count="1"><tablePart r:id="rId4"/></tableParts>'
               '</worksheet>' % NS)
DRAWING = '<xdr:wsDr xmlns:xdr="http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing"/>'
satellites = book(sheet=PARTS_SHEET) + [
    ('xl/worksheets/_rels/sheet1.xml.rels', rels(('rId1', 'comments', '../comments1.xml'),
                                                 ('rId2', 'vmlDrawing', '../drawings/vmlDrawing1.vml'),
                                                 ('rId3', 'drawing', '../drawings/drawing1.xml'),
                                                 ('rId4', 'table', '../tables/table1.xml'),
                                                 ('rId5', 'pivotTable', '../pivotTables/pivotTable1.xml'))),
    ('xl/comments1.xml', COMMENTS), ('xl/drawings/vmlDrawing1.vml', VML), ('xl/drawings/drawing1.xml', DRAWING),
    ('xl/drawings/_rels/drawing1.xml.rels', rels(('rId1', 'image', '../media/image1.png'), ('rId2', 'image', '../media/image1.png'))),
    ('xl/media/image1.png', b'\x89PNG\r\n\x1a\n'),
    ('xl/tables/table1.xml', TABLE),
    ('xl/tables/_rels/table1.xml.rels', rels(('rId1', 'queryTable', '../queryTables/queryTable1.xml'))),
    ('xl/queryTables/queryTable1.xml', '<queryTable%s name="Q" connectionId="1"/>' % NS),
    ('xl/pivotTables/pivotTable1.xml', '<pivotTableDefinition%s name="P" cacheId="7"><location ref="D1:E3"/></pivotTableDefinition>' % NS)]
seed('satellites', satellites, PARTS)
# Damaged: an author past the list, a comment at no cell, VML that is no XML, a table part that
# names no area, and parts the relationships name but the package lacks.
damaged = [(n, c.replace('authorId="0"><text><t>two', 'authorId="5"><text><t>two') if n == 'xl/comments1.xml' else
            c.replace('ref="A1:B4"', 'ref="1A:"') if n == 'xl/tables/table1.xml' else c) for n, c in satellites]
seed('satellites_bad_author', damaged, PARTS)
seed('satellites_bad_vml', [(n, '<xml><v:shape>' if n.endswith('.vml') else c) for n, c in satellites], PARTS)
seed('satellites_missing', [p for p in satellites if p[0] in ('[Content_Types].xml', '_rels/.rels', 'xl/workbook.xml',
                                                              'xl/_rels/workbook.xml.rels', 'xl/worksheets/sheet1.xml',
                                                              'xl/worksheets/_rels/sheet1.xml.rels', 'xl/styles.xml',
                                                              'xl/sharedStrings.xml')], PARTS)
chartsheet = [p for p in book() if p[0] != 'xl/worksheets/sheet1.xml']
chartsheet = [(n, rels(('rId1', 'chartsheet', 'chartsheets/sheet1.xml'), ('rId2', 'styles', 'styles.xml'),
                       ('rId3', 'sharedStrings', 'sharedStrings.xml')) if n == 'xl/_rels/workbook.xml.rels' else c)
              for n, c in chartsheet]
seed('chartsheet', chartsheet + [
    ('xl/chartsheets/sheet1.xml', '<chartsheet%s><sheetPr codeName="C"><tabColor rgb="FF00B050"/></sheetPr><sheetViews>'
     '<sheetView zoomScale="80" workbookViewId="0" zoomToFit="1"/></sheetViews><sheetProtection password="CC1A" objects="1"/>'
     '<pageMargins left="0.5" right="0.5" top="1" bottom="1" header="0.3" footer="0.3"/><drawing r:id="rId1"/>'
     '<legacyDrawing r:id="rId2"/></chartsheet>' % NS),
    ('xl/chartsheets/_rels/sheet1.xml.rels', rels(('rId1', 'drawing', '../drawings/drawing1.xml'),
                                                  ('rId2', 'vmlDrawing', '../drawings/vmlDrawing1.vml'))),
    ('xl/drawings/drawing1.xml', DRAWING), ('xl/drawings/vmlDrawing1.vml', VML),
    ('xl/drawings/_rels/drawing1.xml.rels', rels(('rId1', 'image', '../media/image1.gif'), ('rId2', 'chart', '../charts/chart1.xml'))),
    ('xl/media/image1.gif', 'GIF89a'),
    ('xl/charts/chart1.xml', '<c:chartSpace xmlns:c="http://schemas.openxmlformats.org/drawingml/2006/chart"/>')], PARTS)
for name in sorted(os.listdir(FIXTURES)):
    if name.startswith('parts.') and name.endswith('.xlsx'):
        with zipfile.ZipFile(os.path.join(FIXTURES, name)) as z:
            seed(name[:-5], [(n, z.read(n)) for n in z.namelist()], PARTS)
