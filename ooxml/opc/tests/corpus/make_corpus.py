#!/usr/bin/python3
"""Writes the seed corpus of the package fuzz target: small packages as part lists (first byte 1)
with cycles, dangling and unsafe targets, kept parts under kept parts, and one producer's archive
as raw bytes (first byte 0).   /usr/bin/python3 make_corpus.py"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, 'package')
R = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
TYPES = ('<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
         '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
         '<Default Extension="xml" ContentType="application/xml"/></Types>')


def rels(*items):
    body = ''.join('<Relationship Id="%s" Type="%s" Target="%s"%s/>' % (i, R + t, target,
                   ' TargetMode="External"' if t == 'hyperlink' else '') for i, t, target in items)
    return '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">%s</Relationships>' % body


def seed(name, parts):
    data = b'\x01' + b'\x00'.join(('%s\n' % n).encode() + c.encode() for n, c in parts)
    with open(os.path.join(OUT, name), 'wb') as f:
        f.write(data)


BASE = [('[Content_Types].xml', TYPES), ('_rels/.rels', rels(('rId1', 'officeDocument', 'xl/workbook.xml'))),
        ('xl/workbook.xml', '<workbook/>')]

os.makedirs(OUT, exist_ok=True)
seed('workbook', BASE + [
    ('xl/_rels/workbook.xml.rels', rels(('rId1', 'worksheet', 'worksheets/sheet1.xml'), ('rId2', 'styles', 'styles.xml'),
                                        ('rId3', 'calcChain', 'calcChain.xml'), ('rId4', 'theme', 'theme/theme1.xml'))),
    ('xl/worksheets/sheet1.xml', '<worksheet/>'), ('xl/styles.xml', '<styleSheet/>'), ('xl/calcChain.xml', '<c/>'),
    ('xl/theme/theme1.xml', '<t/>'),
    ('xl/worksheets/_rels/sheet1.xml.rels', rels(('rId1', 'drawing', '../drawings/drawing1.xml'),
                                                ('rId2', 'vmlDrawing', '../drawings/vmlDrawing1.vml'),
                                                ('rId3', 'hyperlink', 'http://example.com/'))),
    ('xl/drawings/drawing1.xml', '<d/>'), ('xl/drawings/vmlDrawing1.vml', '<v/>'),
    ('xl/drawings/_rels/drawing1.xml.rels', rels(('rId1', 'image', '../media/image1.gif'))),
    ('xl/drawings/_rels/vmlDrawing1.vml.rels', rels(('rId1', 'image', '../media/image1.gif'))),
    ('xl/media/image1.gif', 'GIF89a')])
seed('cycle', BASE + [
    ('xl/_rels/workbook.xml.rels', rels(('rId1', 'worksheet', 'worksheets/sheet1.xml'))),
    ('xl/worksheets/sheet1.xml', '<w/>'),
    ('xl/worksheets/_rels/sheet1.xml.rels', rels(('rId1', 'x', '../workbook.xml'), ('rId1', 'y', 'sheet1.xml')))])
seed('unsafe', BASE + [
    ('xl/_rels/workbook.xml.rels', rels(('rId1', 'worksheet', '../../../etc/passwd'), ('rId2', 'worksheet', '/x.xml'),
                                        ('rId3', 'custom', 'missing.xml'), ('rId4', 'custom', '..\\evil.xml')))])
seed('nested', BASE + [('xl/_rels/workbook.xml.rels', rels(('rId1', 'a', 'a.xml')))] +
     [('xl/%s.xml' % c, '<x/>') for c in 'abcdef'] +
     [('xl/_rels/%s.xml.rels' % c, rels(('rId1', 'k', '%s.xml' % n))) for c, n in zip('abcde', 'bcdefa')])
with open(os.path.join(HERE, '..', 'fixtures', 'openpyxl.xlsx'), 'rb') as f:
    with open(os.path.join(OUT, 'openpyxl_raw'), 'wb') as g:
        g.write(b'\x00' + f.read())
