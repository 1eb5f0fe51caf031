#!/usr/bin/python3
"""Opens drawings written by the drawing document in LibreOffice and checks what it makes of them.

Usage: libreoffice_open.py ORIGINAL.xlsx WRITTEN.xlsx WORK_DIR
WRITTEN is a package into which the drawing document wrote the drawings of ORIGINAL's sheets, in
order, as drawing1, drawing2, ... of sheet1, sheet2, ... (with their charts and pictures). A copy
of ORIGINAL whose drawing, chart and media parts, sheet relationships and content types are
those of WRITTEN is assembled in WORK_DIR. LibreOffice (headless) re-saves ORIGINAL and the copy
as .xlsx; every drawing of the two re-saves must hold the same objects in the same order
(anchors with their kinds, pictures with their bytes, shapes, connectors, groups and their
members, charts with their chart types and series count). Exits 1 and lists what differs.
"""

import hashlib
import os
import posixpath
import re
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET
import zipfile

XDR = '{http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing}'
C = '{http://schemas.openxmlformats.org/drawingml/2006/chart}'
R = '{http://schemas.openxmlformats.org/officeDocument/2006/relationships}'
PKG = '{http://schemas.openxmlformats.org/package/2006/relationships}'
CT = '{http://schemas.openxmlformats.org/package/2006/content-types}'
CARRIED = re.compile(r'xl/(drawings|charts|media)/|xl/worksheets/_rels/')


def targets(z, part):
    rels = posixpath.join(posixpath.dirname(part), '_rels', posixpath.basename(part) + '.rels')
    if rels not in z.namelist():
        return {}
    return {r.get('Id'): posixpath.normpath(posixpath.join(posixpath.dirname(part), r.get('Target')))
            for r in ET.fromstring(z.read(rels)).iter(PKG + 'Relationship') if r.get('TargetMode') != 'External'}


def chart_signature(xml):
    plot = ET.fromstring(xml).find(f'{C}chart/{C}plotArea')
    return ([c.tag[len(C):] for c in plot if c.tag.endswith('Chart')], len(plot.findall(f'.//{C}ser')))


def objects(z, part, element):
    """What an anchor or group holds, in order."""
    out = []
    for child in element:
        tag = child.tag[len(XDR):] if child.tag.startswith(XDR) else None
        if tag in ('sp', 'cxnSp'):
            out.append(tag)
        elif tag == 'pic':
            blip = next(child.iter('{http://schemas.openxmlformats.org/drawingml/2006/main}blip'), None)
            rid = blip.get(R + 'embed') if blip is not None else None
            target = targets(z, part).get(rid)
            out.append(('pic', hashlib.sha1(z.read(target)).hexdigest()[:12] if target else None))
        elif tag == 'grpSp':
            out.append(('grpSp', objects(z, part, child)))
        elif tag == 'graphicFrame':
            ref = next(child.iter(C + 'chart'), None)
            target = targets(z, part).get(ref.get(R + 'id')) if ref is not None else None
            out.append(('chart', chart_signature(z.read(target)) if target else None))
    return out


def drawings(package):
    """Per drawing part (by number), its anchors with what they hold."""
    result = {}
    with zipfile.ZipFile(package) as z:
        for name in sorted(n for n in z.namelist() if re.fullmatch(r'xl/drawings/drawing\d+\.xml', n)):
            root = ET.fromstring(z.read(name))
            result[name] = [(a.tag[len(XDR):], objects(z, name, a)) for a in root]
    return result


def assemble(original, written, target):
    with zipfile.ZipFile(original) as src, zipfile.ZipFile(written) as new, \
            zipfile.ZipFile(target, 'w', zipfile.ZIP_DEFLATED) as dst:
        types = ET.fromstring(src.read('[Content_Types].xml'))
        for o in list(types):
            if o.tag == CT + 'Override' and CARRIED.match(o.get('PartName', '').lstrip('/')):
                types.remove(o)
        defaults = {d.get('Extension') for d in types.iter(CT + 'Default')}
        for item in ET.fromstring(new.read('[Content_Types].xml')):
            if item.tag == CT + 'Override' and CARRIED.match(item.get('PartName').lstrip('/')):
                types.append(item)
            elif item.tag == CT + 'Default' and item.get('Extension') not in defaults:
                types.append(item)
        ET.register_namespace('', CT[1:-1])
        dst.writestr('[Content_Types].xml', ET.tostring(types, xml_declaration=True, encoding='UTF-8'))
        for item in src.infolist():
            if item.filename != '[Content_Types].xml' and not CARRIED.match(item.filename):
                dst.writestr(item, src.read(item.filename))
        for name in new.namelist():
            if CARRIED.match(name):
                dst.writestr(name, new.read(name))


def resave(paths, work):
    """One LibreOffice run re-saves every file."""
    subprocess.run(['soffice', '--headless', '--norestore', f'-env:UserInstallation=file://{work}/profile',
                    '--convert-to', 'xlsx:Calc MS Excel 2007 XML', '--outdir', os.path.join(work, 'out')] + paths,
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return [os.path.join(work, 'out', os.path.basename(p)) for p in paths]


def main(original, written, work):
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    source = os.path.join(work, 'source.xlsx')
    shutil.copy(original, source)
    assembled = os.path.join(work, 'assembled.xlsx')
    assemble(original, written, assembled)
    before, after = (drawings(p) for p in resave([source, assembled], work))
    failures = []
    if not before:
        failures.append('LibreOffice wrote no drawing for the original')
    if sorted(before) != sorted(after):
        failures.append(f'drawings {sorted(before)} became {sorted(after)}')
    for name in sorted(set(before) & set(after)):
        if before[name] != after[name]:
            failures.append(f'{name}: {before[name]} became {after[name]}')
    for f in failures:
        print(f)
    print(f'{len(after)} drawings read back, {len(failures)} differ')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:4]))
