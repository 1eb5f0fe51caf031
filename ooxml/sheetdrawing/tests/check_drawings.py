#!/usr/bin/python3
"""Compares the drawing parts of a workbook with the same drawings written back by the drawing
document into a new package.

Usage: check_drawings.py [--defaults D.json ...] ORIGINAL.xlsx WRITTEN.xlsx WORK_DIR PART...
PART... are the original drawing parts in the order they were written: the n-th became
xl/drawings/drawing<n>.xml. Relationship ids differ between the two packages, so every picture
reference is replaced by the digest of the picture's bytes and every chart reference by "chart";
the charts are paired in the order their references stand, which must be the package's chart
numbering (chart1, chart2, ... across all drawings), each chart's style and colour-style parts
numbered like it. Anchors whose graphic frame holds no chart are left out of the original (they
are not written). Every media part must be stored once and be related. The pairs are then
compared by tools/xpg-gen/xpg_compare.py. Exits 1 with the differences listed.
"""

import argparse
import hashlib
import os
import posixpath
import shutil
import sys
import xml.etree.ElementTree as ET
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', '..', '..', 'tools', 'xpg-gen'))
import xpg_compare  # noqa: E402

R = '{http://schemas.openxmlformats.org/officeDocument/2006/relationships}'
PKG = '{http://schemas.openxmlformats.org/package/2006/relationships}'
XDR = '{http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing}'
A = '{http://schemas.openxmlformats.org/drawingml/2006/main}'
CHART = '{http://schemas.openxmlformats.org/drawingml/2006/chart}chart'
STYLE = 'http://schemas.microsoft.com/office/2011/relationships/chartStyle'
COLORS = 'http://schemas.microsoft.com/office/2011/relationships/chartColorStyle'


def relationships(z, part):
    """{id: (type, part name or external target, external)} of a part."""
    rels = posixpath.join(posixpath.dirname(part), '_rels', posixpath.basename(part) + '.rels')
    if rels not in z.namelist():
        return {}
    out = {}
    for r in ET.fromstring(z.read(rels)).iter(PKG + 'Relationship'):
        external = r.get('TargetMode') == 'External'
        target = r.get('Target')
        if not external:
            target = posixpath.normpath(posixpath.join(posixpath.dirname(part), target)).lstrip('/')
        out[r.get('Id')] = (r.get('Type'), target, external)
    return out


def has_chart(frame):
    return any(e.tag == CHART for e in frame.iter())


def without_chartless_frames(root):
    """The anchors whose graphic frame holds no chart are dropped, and so are such frames in groups."""
    for parent in list(root.iter()):
        for child in list(parent):
            frame = child if child.tag == XDR + 'graphicFrame' else child.find(XDR + 'graphicFrame')
            if frame is not None and not has_chart(frame):
                parent.remove(child)
    return root


def references(z, part, root, faults):
    """Replaces picture references by the picture's digest and chart references by "chart";
    returns the chart parts in document order."""
    rels = relationships(z, part)
    charts = []
    for e in root.iter():
        for attr in (R + 'embed', R + 'link'):
            rid = e.get(attr)
            if rid is None:
                continue
            rel = rels.get(rid)
            if rel is None:
                faults.append(f'{part}: {attr} {rid} names no relationship')
            elif rel[2]:
                e.set(attr, 'external:' + rel[1])
            else:
                e.set(attr, 'media:' + hashlib.sha1(z.read(rel[1])).hexdigest())
        if e.tag == CHART:
            rel = rels.get(e.get(R + 'id'))
            if rel is None:
                faults.append(f'{part}: chart {e.get(R + "id")} names no relationship')
            else:
                charts.append(rel[1])
            e.set(R + 'id', 'chart')
    return charts


def style_parts(z, chart):
    return {t: target for t, target, _ in relationships(z, chart).values() if t in (STYLE, COLORS)}


def main(argv):
    ap = argparse.ArgumentParser()
    ap.add_argument('--defaults', action='append', default=[])
    ap.add_argument('original')
    ap.add_argument('written')
    ap.add_argument('work')
    ap.add_argument('parts', nargs='+')
    args = ap.parse_args(argv)
    faults = []
    shutil.rmtree(args.work, ignore_errors=True)
    before, after = os.path.join(args.work, 'in'), os.path.join(args.work, 'out')
    zo, zw = zipfile.ZipFile(args.original), zipfile.ZipFile(args.written)

    def store(base, name, data):
        path = os.path.join(base, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, 'wb') as f:
            f.write(data)

    names = zw.namelist()
    for name in set(names):
        if names.count(name) > 1:
            faults.append(f'{name} stored {names.count(name)} times')
    number = 0
    media_in, media_out = set(), set()
    for n, part in enumerate(args.parts, 1):
        new = f'xl/drawings/drawing{n}.xml'
        old_root = without_chartless_frames(xpg_compare.resolve_alternates(ET.fromstring(zo.read(part))))
        new_root = xpg_compare.resolve_alternates(ET.fromstring(zw.read(new)))
        old_charts = references(zo, part, old_root, faults)
        new_charts = references(zw, new, new_root, faults)
        media_in.update(v[1] for v in relationships(zo, part).values() if not v[2] and v[1].startswith('xl/media/'))
        media_out.update(v[1] for v in relationships(zw, new).values() if v[1].startswith('xl/media/'))
        store(before, new, ET.tostring(old_root))
        store(after, new, ET.tostring(new_root))
        if len(old_charts) != len(new_charts):
            faults.append(f'{part}: {len(old_charts)} charts read, {len(new_charts)} written')
        for old, written in zip(old_charts, new_charts):
            number += 1
            if written != f'xl/charts/chart{number}.xml':
                faults.append(f'{part}: chart {old} written as {written}, not as chart{number}.xml')
            store(before, written, zo.read(old))
            store(after, written, zw.read(written))
            old_styles, new_styles = style_parts(zo, old), style_parts(zw, written)
            if set(old_styles) != set(new_styles):
                faults.append(f'{written}: style parts {sorted(old_styles)} against {sorted(new_styles)}')
            for kind, target in new_styles.items():
                stem = 'style' if kind == STYLE else 'colors'
                if target != f'xl/charts/{stem}{number}.xml':
                    faults.append(f'{written}: {stem} part written as {target}')
                if kind in old_styles:
                    store(before, target, zo.read(old_styles[kind]))
                    store(after, target, zw.read(target))
    stored = {n for n in names if n.startswith('xl/media/')}
    if stored != media_out:
        faults.append(f'media stored {sorted(stored)}, related {sorted(media_out)}')
    if len(stored) != len(media_in):
        faults.append(f'{len(media_in)} pictures read, {len(stored)} stored')
    for f in faults:
        print(f)
    defaults = [x for d in args.defaults for x in ('--defaults', d)]
    compared = xpg_compare.main(defaults + [before, after])
    return 1 if faults or compared else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
