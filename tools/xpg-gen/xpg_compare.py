#!/usr/bin/env python3
"""Compares XML parts as read with the same parts as written back by the bindings.

Usage: xpg_compare.py --defaults A_defaults.json [--defaults B_defaults.json ...] INPUT_DIR OUTPUT_DIR

Every file under OUTPUT_DIR is compared with the file of the same relative path under INPUT_DIR.
Both are parsed with xml.etree (an independent parser) and normalised the same way: attributes at
their default value are dropped, simple-content elements at their default value are dropped,
white-space-only text is ignored, attribute order is ignored, and the children of elements whose
schema allows any order are sorted by name (stably), and markup-compatibility alternate content
stands for the content of its fallback. The defaults come from the *_defaults.json
files that xpg_gen.py writes beside the generated code. Exits 1 and lists the differences when a
pair differs. Python 3 standard library only.
"""

import argparse
import json
import os
import sys
import xml.etree.ElementTree as ET


def load_defaults(paths):
    attributes, types, elements, unordered, empty = {}, {}, {}, set(), {}
    for p in paths:
        with open(p, encoding='utf-8') as f:
            d = json.load(f)
        for k, v in d.get('types', {}).items():
            types.setdefault(local(k), {}).update({local(a): t for a, t in v.items()})
        for k, v in d.get('attributes', {}).items():
            attributes.setdefault(local(k), {}).update(
                {local(a): [t] if isinstance(t, str) else list(t) for a, t in v.items()})
        for k, v in d.get('elements', {}).items():
            elements.setdefault(local(k), set()).update(v)
        unordered.update(local(k) for k in d.get('unordered', []))
        for k, v in d.get('empty', {}).items():
            empty.setdefault(local(k), set()).update(local(c) for c in v)
    return attributes, types, elements, unordered, empty


def canonical(value, kind):
    """Boolean, numeric and hexadecimal attribute values compare by meaning: "true" is "1", "1.50"
    is "1.5", "cc18" is "00CC18"."""
    if kind == 'bool':
        return {'true': '1', 't': '1', '1': '1', 'false': '0', 'f': '0', '0': '0'}.get(value.strip().lower(), value)
    if kind == 'hex':
        try:
            return '%X' % int(value.strip(), 16)
        except ValueError:
            return value
    if kind == 'number':
        try:
            return repr(float(value))
        except ValueError:
            return value
    return value


def local(name):
    if name.startswith('{'):
        return name.split('}', 1)[1]
    return name.split(':', 1)[-1]


MC = '{http://schemas.openxmlformats.org/markup-compatibility/2006}'


def resolve_alternates(e):
    """Markup-compatibility alternate content stands for what its fallback holds: the bindings
    read the fallback only and write that in its place."""
    children = []
    for c in list(e):
        if c.tag == MC + 'AlternateContent':
            fallback = c.find(MC + 'Fallback')
            children.extend(resolve_alternates(x) for x in (fallback if fallback is not None else []))
        else:
            children.append(resolve_alternates(c))
    e[:] = children
    return e


def normalise(e, defaults):
    attributes, types, elements, unordered, empty = defaults
    tag = local(e.tag)
    drop = attributes.get(tag, {})
    kinds = types.get(tag, {})
    attrs = []
    space = '{http://www.w3.org/XML/1998/namespace}space'
    preserve = e.attrib.get(space) == 'preserve'
    for k, v in e.attrib.items():
        if k == space:
            continue  # it says how to take the text, which is compared accordingly
        kind = kinds.get(local(k))
        v = canonical(v, kind)
        if v in {canonical(d, kind) for d in drop.get(local(k), ())}:
            continue
        attrs.append((k, v))
    attrs = tuple(sorted(attrs))
    # Layout white space (text with a line break around indented children) is no content; a
    # one-line text such as a separator " " is, with or without xml:space.
    raw = e.text or ''
    text = raw if preserve or '\n' not in raw else raw.strip()
    children = []
    for c in e:
        n = normalise(c, defaults)
        ctag = local(c.tag)
        if ctag in elements and not n[1] and not n[3] and n[2] in elements[ctag]:
            continue
        if ctag in empty.get(tag, ()) and not n[1] and not n[2] and not n[3]:
            continue  # an empty child its parent writes only when it holds something
        children.append(n)
    if tag in unordered:
        children.sort(key=lambda n: n[0])
    return (e.tag, attrs, text, tuple(children))


def only(root, names):
    if names:
        keep = set(names.split(','))
        for c in list(root):
            if local(c.tag) not in keep:
                root.remove(c)
    return root


def describe(a, b, path='/'):
    if a[0] != b[0]:
        return f'{path}: element {a[0]} against {b[0]}'
    here = path + local(a[0])
    if a[1] != b[1]:
        return f'{here}: attributes {dict(a[1])} against {dict(b[1])}'
    if a[2] != b[2]:
        return f'{here}: text {a[2]!r} against {b[2]!r}'
    for i, (x, y) in enumerate(zip(a[3], b[3])):
        if x != y:
            return describe(x, y, f'{here}[{i}]/')
    return f'{here}: {len(a[3])} children against {len(b[3])}'


def main(argv):
    ap = argparse.ArgumentParser()
    ap.add_argument('--defaults', action='append', default=[])
    ap.add_argument('--only', default='',
                    help='comma-separated local names: of the document element, compare only these '
                         'children (a part whose other elements another binding reads)')
    ap.add_argument('input')
    ap.add_argument('output')
    args = ap.parse_args(argv)
    defaults = load_defaults(args.defaults)
    failures, compared = [], 0
    for root, _, files in os.walk(args.output):
        for name in sorted(files):
            out_path = os.path.join(root, name)
            rel = os.path.relpath(out_path, args.output)
            in_path = os.path.join(args.input, rel)
            try:
                a = normalise(only(resolve_alternates(ET.parse(in_path).getroot()), args.only), defaults)
                b = normalise(only(resolve_alternates(ET.parse(out_path).getroot()), args.only), defaults)
            except (OSError, ET.ParseError) as e:
                failures.append(f'{rel}: {e}')
                continue
            compared += 1
            if a != b:
                failures.append(f'{rel}: {describe(a, b)}')
    for f in failures:
        print(f)
    print(f'{compared} parts compared, {len(failures)} differ')
    return 1 if failures or compared == 0 else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
