#!/usr/bin/env python3
"""Generates C++ schema-binding classes from binding tables (.xpg files).

Usage: xpg_gen.py TABLE.xpg --out DIR --include-prefix ooxml/binding/gen [--import OTHER.xpg ...]

Writes DIR/<unit>.h, DIR/<unit>.cpp, DIR/<unit>_roundtrip_tests.cpp (one round-trip test per
generated class), DIR/<unit>_defaults.json (attribute defaults that are never written, for the
comparison of read and written parts) and DIR/<unit>_names.txt (every element and attribute name
per class with its byte sum; colliding sums are marked). The table format is described in README.md.
Python 3 standard library only.
"""

import argparse
import json
import os
import re
import sys

# ---------------------------------------------------------------------------------------------
# Table model


class TableError(Exception):
    pass


class Enum:
    def __init__(self, name, prefix, store, unset, keys_as_written, literals, line):
        self.name, self.prefix, self.store, self.unset = name, prefix, store, unset
        self.keys_as_written, self.literals, self.line = keys_as_written, literals, line
        self.unit = None


class Member:
    """One line of a class: an attribute, the element's text, or an element member."""

    def __init__(self, what, field, qname, type_, opts, line):
        self.what, self.field, self.qname, self.type, self.opts, self.line = (
            what, field, qname, type_, opts, line)


class Class:
    def __init__(self, name, opts, line):
        self.name, self.opts, self.line = name, opts, line
        self.attrs, self.text, self.members, self.hand, self.extra = [], None, [], set(), []
        self.kind = opts.get('kind', 'element')
        self.unit = None
        self.onopen = []

    @property
    def is_group(self):
        return self.kind == 'group'

    @property
    def is_root(self):
        return self.kind == 'root'


class Unit:
    def __init__(self, path):
        self.path = path
        self.name = None
        self.namespace = None
        self.policy = 'package'
        self.document = None
        self.registry = None
        self.enums = {}
        self.enum_order = []
        self.classes = {}
        self.class_order = []
        self.imports = []
        self.import_prefixes = {}  # import path -> include prefix of its generated header
        self.includes = []
        self.defaults = {}
        self.docmembers = []
        self.headers = []  # hand-written headers the generated header includes


POLICY_DEFAULTS = {
    # kind -> init (the value of a field that was never set) per unit policy
    'package': {'int': '0', 'uint': '0', 'hex': '0', 'argb': 'unset', 'bool': 'false', 'tribool': '2', 'double': '0',
                'date': '0', 'enum.store': 'u16', 'enum.unset': '255'},
    'spreadsheetml': {'int': '0', 'uint': '0', 'hex': 'unset', 'argb': 'unset', 'bool': 'false', 'tribool': '2',
                      'double': 'nan', 'date': '0', 'enum.store': 'u8', 'enum.unset': '255'},
    'drawingml': {'int': 'unset', 'uint': 'unset', 'hex': 'unset', 'argb': 'unset', 'bool': 'unset', 'tribool': '2',
                  'double': 'nan', 'date': '0', 'enum.store': 'u16', 'enum.unset': '65535'},
}
POLICY_OBJECTS = {'package': 'kXpgPackagePolicy', 'spreadsheetml': 'kXpgSpreadsheetPolicy',
                  'drawingml': 'kXpgDrawingPolicy'}

SCALAR_TYPES = {'string', 'xstring', 'int', 'uint', 'hex', 'argb', 'bool', 'tribool', 'double', 'date', 'strlist',
                'adjcoord', 'adjangle'}
MEMBER_KINDS = {'own', 'opt', 'list', 'lazylist'}
VALUE_LISTS = {'u32': 'TLongwordXpgList', 'ext': 'TExtendedXpgList', 'str': 'TStringXpgList',
               'date': 'TTDateTimeXpgList', 'bool': 'TBooleanXpgList'}
HAND_OPS = {'CheckAssigned', 'HandleElement', 'HandleAttributes', 'AfterTag', 'WriteAttributes',
            'WriteElements', 'Clear', 'ContentText', 'ReadContent'}
IDENT = re.compile(r'^[A-Za-z_][A-Za-z0-9_]*$')
# Names the generated operations give their parameters and locals, which a field would hide.
RESERVED_FIELDS = {'reader', 'writer', 'o', 'depth'}
RESERVED_ATTR_FIELDS = {'a', 'i'}
CPP_KEYWORDS = {'alignas', 'alignof', 'and', 'asm', 'auto', 'bool', 'break', 'case', 'catch', 'char',
                'class', 'const', 'continue', 'default', 'delete', 'do', 'double', 'else', 'enum',
                'explicit', 'export', 'extern', 'false', 'float', 'for', 'friend', 'goto', 'if',
                'inline', 'int', 'long', 'mutable', 'namespace', 'new', 'not', 'operator', 'or',
                'private', 'protected', 'public', 'register', 'return', 'short', 'signed', 'sizeof',
                'static', 'struct', 'switch', 'template', 'this', 'throw', 'true', 'try', 'typedef',
                'typeid', 'typename', 'union', 'unsigned', 'using', 'virtual', 'void', 'volatile',
                'while', 'xor'}


def split_opts(words, line, allowed):
    opts, rest = {}, []
    for w in words:
        if '=' in w:
            k, v = w.split('=', 1)
            if k not in allowed:
                raise TableError(f'line {line}: unknown option "{k}"')
            opts[k] = v
        else:
            rest.append(w)
    return rest, opts


def root_declarations(text):
    """The (prefix, namespace) pairs of a root's declare="p=uri ..." option."""
    pairs = []
    for item in text.split():
        prefix, eq, uri = item.partition('=')
        if not eq or not prefix or not uri or not prefix.replace('_', '').isalnum():
            raise TableError('declare takes prefix=namespace items')
        if any(p == prefix for p, _ in pairs):
            raise TableError(f'prefix {prefix} declared twice')
        pairs.append((prefix, uri))
    return pairs


def tokenize(text):
    """Words of a line; double quotes keep blanks (init="a b")."""
    out, cur, quoted, had = [], [], False, False
    for ch in text:
        if ch == '"':
            quoted = not quoted
            had = True
        elif ch.isspace() and not quoted:
            if cur or had:
                out.append(''.join(cur))
            cur, had = [], False
        else:
            cur.append(ch)
    if quoted:
        raise TableError('unterminated quote')
    if cur or had:
        out.append(''.join(cur))
    return out


class Loc:
    """Where a table line stands, for messages: file name and line number."""

    def __init__(self, path, no):
        self.path, self.no = path, no

    def __str__(self):
        return f'{self.path}:{self.no}'


def parse_table(path):
    unit = Unit(path)
    state = {'cls': None, 'enum': None}
    parse_lines(unit, path, state, [os.path.abspath(path)])
    if unit.name is None:
        raise TableError(f'{path}: no unit line')
    return unit


def parse_lines(unit, path, state, chain):
    """Reads the lines of one table file into unit; "include" reads another file in its place."""
    with open(path, encoding='utf-8') as f:
        lines = f.read().split('\n')
    for no, raw in enumerate(lines, 1):
        text = raw.split('#', 1)[0].rstrip()
        if not text.strip():
            continue
        loc = Loc(path, no)
        try:
            stripped = text.strip()
            if stripped.startswith(':'):
                if state['enum'] is None:
                    raise TableError('literal line outside an enum')
                state['enum'].literals.extend(stripped[1:].split())
                continue
            words = tokenize(stripped)
            head = words[0]
            indented = text[0].isspace()
            if not indented:
                state['enum'] = None
                state['cls'] = None
            if head == 'unit' and not indented:
                rest, o = split_opts(words[1:], no, {'namespace', 'policy', 'document', 'registry'})
                unit.name = rest[0]
                unit.namespace = o.get('namespace', 'ooxml::' + rest[0])
                unit.policy = o.get('policy', 'package')
                if unit.policy not in POLICY_DEFAULTS:
                    raise TableError(f'unknown policy "{unit.policy}"')
                unit.document = o.get('document')
                unit.registry = o.get('registry', 'EnumRegistry')
            elif head == 'header' and not indented:
                # header <path>: a hand-written header that declares the types of member lines.
                unit.headers.append(words[1])
            elif head == 'docmember' and not indented:
                unit.docmembers.append((words[1], ' '.join(words[2:])))
            elif head == 'import' and not indented:
                # import <table> [include=<prefix>]: the other unit's header lives under its own
                # library's prefix when that unit is generated elsewhere.
                rest, o = split_opts(words[1:], no, {'include'})
                other = os.path.join(os.path.dirname(path), rest[0])
                unit.imports.append(other)
                if 'include' in o:
                    unit.import_prefixes[other] = o['include']
            elif head == 'include' and not indented:
                # The classes of one unit may stand in several files, one per group of elements.
                other = os.path.join(os.path.dirname(path), words[1])
                if os.path.abspath(other) in chain:
                    raise TableError(f'{words[1]} includes itself')
                if not os.path.exists(other):
                    raise TableError(f'no table {words[1]}')
                unit.includes.append(other)
                parse_lines(unit, other, state, chain + [os.path.abspath(other)])
                state['enum'] = None
                state['cls'] = None
            elif head == 'enum' and not indented:
                if unit.name is None:
                    raise TableError('an enum before the unit line')
                rest, o = split_opts(words[1:], no, {'prefix', 'store', 'unset', 'keys'})
                pol = POLICY_DEFAULTS[unit.policy]
                name = rest[0]
                enum = Enum(name, o.get('prefix', ''), o.get('store', pol['enum.store']),
                            int(o.get('unset', pol['enum.unset']), 0), o.get('keys') == 'asis', [], loc)
                if ':' in rest:
                    enum.literals.extend(rest[rest.index(':') + 1:])
                if name in unit.enums:
                    raise TableError(f'enum {name} defined twice')
                unit.enums[name] = enum
                unit.enum_order.append(name)
                state['enum'] = enum
            elif head in ('class', 'root') and not indented:
                if head == 'root':
                    rest, o = split_opts(words[1:], no, {'primary', 'hand', 'declare'})
                    name, o['kind'] = 'T__ROOT__', 'root'
                    root_declarations(o.get('declare', ''))
                else:
                    rest, o = split_opts(words[1:], no, {'elem', 'counts', 'kind', 'attrs', 'children',
                                                          'assigned', 'hand', 'order', 'onopen', 'requires',
                                                          'elements'})
                    name = rest[0]
                if name in unit.classes:
                    raise TableError(f'class {name} defined twice')
                cls = Class(name, o, loc)
                if 'hand' in o:
                    cls.hand = set(o['hand'].split(','))
                    bad = cls.hand - HAND_OPS
                    if bad:
                        raise TableError(f'unknown hand-written operation {sorted(bad)}')
                if o.get('assigned', 'attrs') not in ('attrs', 'always', 'read'):
                    raise TableError('assigned must be attrs, always or read')
                if o.get('elements', 'always') != 'always':
                    raise TableError('elements must be always')
                unit.classes[name] = cls
                unit.class_order.append(name)
                state['cls'] = cls
            elif indented and state['cls'] is not None:
                parse_member(state['cls'], words, loc)
            else:
                raise TableError(f'unexpected "{head}"')
        except TableError as e:
            raise TableError(f'{loc}: {e}') from None


def parse_member(cls, words, no):
    what = words[0]
    if what == 'attr':
        rest, o = split_opts(words[1:], no, {'init', 'default', 'write', 'count', 'fallback', 'implied',
                                             'digits', 'match', 'of'})
        field, qname, type_ = rest
        if o.get('count', 'default') not in ('always', 'init', 'default'):
            raise TableError('count must be always, init or default')
        if o.get('match', 'name') not in ('name', 'local'):
            raise TableError('match must be name or local')
        if 'digits' in o and (type_ != 'hex' or not o['digits'].isdigit()):
            raise TableError('digits=<n> is an option of hex attributes')
        if 'of' in o and type_ != 'int':
            raise TableError('of=<list> is an option of int attributes')
        cls.attrs.append(Member('attr', field, qname, type_, o, no))
    elif what == 'text':
        rest, o = split_opts(words[1:], no, {'init'})
        field, type_ = rest
        cls.text = Member('text', field, None, type_, o, no)
    elif what == 'child':
        rest, o = split_opts(words[1:], no, {'write', 'count'})
        field, qname, cname, mult = rest
        if mult not in MEMBER_KINDS:
            raise TableError(f'unknown multiplicity "{mult}"')
        if 'count' in o and (o['count'] != 'items' or mult not in ('list', 'lazylist')):
            raise TableError('count=items is an option of lists')
        m = Member('child', field, qname, cname, o, no)
        m.mult = mult
        cls.members.append(m)
    elif what == 'value':
        rest, o = split_opts(words[1:], no, {'init', 'default', 'write', 'space'})
        field, qname, type_ = rest
        if o.get('space', 'preserve') != 'preserve':
            raise TableError('space=preserve is the only form')
        cls.members.append(Member('value', field, qname, type_, o, no))
    elif what == 'stream':
        # stream <field> <qname> <Class> read=<event> write=<event> ...: one item object reused for
        # every element of that name; read and write events instead of a list.
        rest, o = split_opts(words[1:], no, {'read', 'write', 'events', 'clear', 'skip', 'form', 'count'})
        field, qname, cname = rest
        m = Member('stream', field, qname, cname, o, no)
        m.clear = set(o['clear'].split(',')) if o.get('clear') else set()
        if m.clear - {'read', 'write-before', 'write-after'}:
            raise TableError('clear takes read, write-before and write-after')
        if o.get('events', 'own') not in ('own', 'doc'):
            raise TableError('events must be own or doc')
        if o.get('skip', 'none') not in ('none', 'unassigned'):
            raise TableError('skip must be none or unassigned')
        if o.get('form', 'element') not in ('element', 'open'):
            raise TableError('form must be element or open')
        if o.get('count', 'item') not in ('item', 'always', 'event', 'probe'):
            raise TableError('count must be item, always, event or probe')
        if 'read' not in o or 'write' not in o:
            raise TableError('a stream names its read and its write event')
        for k in ('read', 'write'):
            if not IDENT.match(o[k]):
                raise TableError(f'"{o[k]}" is no C++ name')
        if any(x.what == 'stream' for x in cls.members):
            raise TableError('one stream per class')
        cls.members.append(m)
    elif what == 'values':
        rest, o = split_opts(words[1:], no, set())
        field, qname, type_ = rest
        if type_ not in VALUE_LISTS:
            raise TableError(f'unknown value list "{type_}"')
        cls.members.append(Member('values', field, qname, type_, o, no))
    elif what == 'group':
        rest, o = split_opts(words[1:], no, set())
        field, cname = rest
        cls.members.append(Member('group', field, None, cname, o, no))
    elif what == 'any':
        cls.members.append(Member('any', words[1], None, None, {}, no))
    elif what == 'ordered':
        # ordered <field> <qname>=<Class> ...: one list of several element kinds, order kept.
        m = Member('ordered', words[1], None, None, {}, no)
        m.alternatives = []
        for w in words[2:]:
            if '=' not in w:
                raise TableError(f'"{w}" is no <qname>=<Class> pair')
            q, c = w.rsplit('=', 1)
            m.alternatives.append([q, c, None])
        if not m.alternatives:
            raise TableError('an ordered list needs at least one element kind')
        cls.members.append(m)
    elif what == 'marker':
        cls.members.append(Member('marker', words[1], words[2], None, {}, no))
    elif what == 'member':
        # Hand-written state: member <name> <C++ type ...>
        cls.extra.append((words[1], ' '.join(words[2:])))
    else:
        raise TableError(f'unknown member kind "{what}"')


# ---------------------------------------------------------------------------------------------
# Checks and resolution


def byte_sum(s):
    return sum(s.encode('utf-8'))


def check_unit(unit, imported):
    classes = dict(unit.classes)
    enums = dict(unit.enums)
    for imp in imported:
        for k, v in imp.classes.items():
            classes.setdefault(k, v)
        for k, v in imp.enums.items():
            enums.setdefault(k, v)
    for e in unit.enums.values():
        e.unit = unit
        if not e.literals:
            raise TableError(f'{e.line}: enum {e.name} has no literals')
        if len(set(l.lower() for l in e.literals)) != len(e.literals):
            raise TableError(f'{e.line}: enum {e.name} repeats a literal')
        if e.store not in ('u8', 'u16'):
            raise TableError(f'{e.line}: store must be u8 or u16')
    for c in unit.classes.values():
        c.unit = unit
    roots = [c for c in unit.classes.values() if c.is_root]
    # A unit without a root holds classes only; the units that import it have the documents.
    if len(roots) > 1:
        raise TableError(f'{unit.path}: a unit has one root at most')
    if roots and not unit.document:
        raise TableError(f'{unit.path}: a unit with a root needs document=')
    for c in unit.classes.values():
        seen = set()
        for m in c.attrs + c.members + ([c.text] if c.text else []):
            if not IDENT.match(m.field) or m.field in CPP_KEYWORDS:
                raise TableError(f'{m.line}: "{m.field}" is no C++ name')
            if m.field in RESERVED_FIELDS or (m.what == 'attr' and m.field in RESERVED_ATTR_FIELDS):
                raise TableError(f'{m.line}: "{m.field}" names a parameter of the generated code')
            if m.field in seen:
                raise TableError(f'{m.line}: member {m.field} twice in {c.name}')
            seen.add(m.field)
            if m.what in ('attr', 'text', 'value'):
                # Booleans of a policy without a Boolean start value are tri-state (2 unset).
                if m.type == 'bool' and 'init' not in m.opts and POLICY_DEFAULTS[unit.policy]['bool'] == 'unset':
                    m.type = 'tribool'
                check_type(m, enums, unit)
            if m.what == 'ordered':
                for alt in m.alternatives:
                    if alt[1] not in classes:
                        raise TableError(f'{m.line}: unknown class {alt[1]}')
                    alt[2] = classes[alt[1]]
            if m.what == 'child' and m.opts.get('write', 'set') not in ('set', 'always'):
                raise TableError(f'{m.line}: a child is written when set or always')
            if m.what == 'stream' and m.opts.get('events') == 'doc':
                names = {d[0] for d in unit.docmembers}
                for k in ('read', 'write'):
                    if m.opts[k] not in names:
                        raise TableError(f'{m.line}: the document has no member {m.opts[k]}')
            if m.what in ('child', 'group', 'stream'):
                if m.type not in classes:
                    raise TableError(f'{m.line}: unknown class {m.type}')
                m.cls = classes[m.type]
                if m.what == 'group' and not m.cls.is_group:
                    raise TableError(f'{m.line}: {m.type} is not a group')
        names = [m.qname for m in c.members if m.qname]
        names += [a[0] for m in c.members if m.what == 'ordered' for a in m.alternatives]
        if len(names) != len(set(names)):
            raise TableError(f'{c.line}: an element name repeats in {c.name}')
        anames = [m.qname for m in c.attrs]
        if len(anames) != len(set(anames)):
            raise TableError(f'{c.line}: an attribute name repeats in {c.name}')
        for m in c.attrs:
            if 'of' in m.opts and not any(x.field == m.opts['of'] and x.what == 'child' and
                                          x.mult == 'list' for x in c.members):
                raise TableError(f'{m.line}: of= names no list child of {c.name}')
        if c.opts.get('attrs') == 'first' and len(c.attrs) != 1:
            raise TableError(f'{c.line}: attrs=first needs exactly one attribute')
        if c.is_root and c.opts.get('primary') and c.opts['primary'] not in seen:
            raise TableError(f'{c.line}: primary member not found')
        c.onopen = parse_onopen(c, unit)
        if 'requires' in c.opts and not any(a.field == c.opts['requires'] for a in c.attrs):
            raise TableError(f'{c.line}: requires names no attribute field {c.opts["requires"]}')
    return classes, enums


def parse_onopen(c, unit):
    """onopen=clear,field:value,...: what happens when the element opens, in order (C++ lines)."""
    if 'onopen' not in c.opts:
        return []
    out = []
    for item in c.opts['onopen'].split(','):
        if item == 'clear':
            out.append('Clear();')
            continue
        if ':' not in item:
            raise TableError(f'{c.line}: onopen takes clear or <field>:<value>, not "{item}"')
        field, value = item.split(':', 1)
        m = next((a for a in c.attrs if a.field == field), None)
        if m is None:
            raise TableError(f'{c.line}: onopen names no attribute field {field}')
        if m.type.startswith('enum:') and value not in m.enum.literals:
            raise TableError(f'{c.line}: "{value}" is no literal of {m.enum.name}')
        probe = Member(m.what, m.field, m.qname, m.type, {'init': value}, m.line)
        probe.enum = getattr(m, 'enum', None)
        out.append(f'{field} = {init_value(probe, unit.policy)};')
    return out


def check_type(m, enums, unit):
    t = m.type
    if t.startswith('enum:'):
        name = t[5:]
        if name not in enums:
            raise TableError(f'{m.line}: unknown enum {name}')
        m.enum = enums[name]
        init = m.opts.get('init')
        if init is not None and init not in m.enum.literals:
            raise TableError(f'{m.line}: init "{init}" is no literal of {name}')
    elif t not in SCALAR_TYPES:
        raise TableError(f'{m.line}: unknown type "{t}"')
    if m.opts.get('write', 'set') not in ('set', 'always', 'never'):
        raise TableError(f'{m.line}: write must be set, always or never')


# ---------------------------------------------------------------------------------------------
# C++ helpers


def cpp_u16(s):
    out = []
    for ch in s:
        o = ord(ch)
        if ch in '"\\':
            out.append('\\' + ch)
        elif 32 <= o < 127:
            out.append(ch)
        else:
            out.append('\\u%04X' % o if o < 0x10000 else '\\U%08X' % o)
    return 'u"' + ''.join(out) + '"'


def cpp_u8(s):
    return '"' + s.replace('\\', '\\\\').replace('"', '\\"') + '"'


def enum_ctype(e):
    return 'std::uint8_t' if e.store == 'u8' else 'std::uint16_t'


def qualified_enum(e, unit):
    if e.unit is unit:
        return e.name
    return e.unit.namespace + '::' + e.name


def qualified_class(c, unit):
    if c.unit is unit:
        return c.name
    return c.unit.namespace + '::' + c.name


def field_ctype(m):
    t = m.type
    if t.startswith('enum:'):
        return enum_ctype(m.enum)
    return {'string': 'std::u16string', 'xstring': 'std::u16string', 'int': 'std::int32_t', 'uint': 'std::uint32_t',
            'hex': 'std::uint32_t', 'argb': 'std::int64_t', 'bool': 'bool', 'tribool': 'std::uint8_t', 'double': 'double',
            'date': 'TDateTime', 'strlist': 'TStringXpgList', 'adjcoord': 'TXpgAdjValue',
            'adjangle': 'TXpgAdjValue'}[t]


def init_value(m, policy, key='init'):
    """C++ expression of the value a field starts with (its default or its unset value); with
    key='default', of the value at which it is not written (the start value unless given)."""
    t = m.type
    init = m.opts.get(key, m.opts.get('init'))
    pol = POLICY_DEFAULTS[policy]
    if t.startswith('enum:'):
        if init is not None:
            return str(m.enum.literals.index(init))
        return str(m.enum.unset)
    if t in ('string', 'xstring'):
        return cpp_u16(init or '')
    if t in ('strlist', 'adjcoord', 'adjangle'):
        return None
    if init is None:
        init = pol[t]
    if t == 'int':
        return 'XPG_UNSET_INT' if init == 'unset' else str(int(init, 0))
    if t in ('uint', 'hex'):
        return 'XPG_UNSET_HEX' if init == 'unset' else hex(int(init, 0)) + 'u'
    if t == 'argb':
        # 64-bit storage: the unset value -1 lies outside every colour, opaque white included.
        return '-1' if init == 'unset' else hex(int(init, 16))
    if t == 'bool':
        if init == 'unset':
            raise TableError(f'{m.line}: a bool cannot be unset; use tribool')
        return {'true': 'true', 'false': 'false', '1': 'true', '0': 'false'}[init]
    if t == 'tribool':
        return {'unset': '2', '2': '2', 'true': '1', '1': '1', 'false': '0', '0': '0'}[init]
    if t in ('double', 'date'):
        if init in ('nan', 'unset'):
            return 'XpgUnsetDouble()'
        return repr(float(init))
    raise TableError(f'{m.line}: no init for {t}')


def is_set_expr(m, expr, policy, key='default'):
    """C++ test: the field differs from the value at which it is not written (key='init': from
    the value it started with)."""
    t = m.type
    if t == 'strlist':
        return f'{expr}.GetCount() > 0'
    if t in ('adjcoord', 'adjangle'):
        return f'{expr}.Kind != -1'
    init = init_value(m, policy, key)
    if t in ('string', 'xstring'):
        return f'!{expr}.empty()' if init == 'u""' else f'{expr} != {init}'
    if t in ('double', 'date') and init == 'XpgUnsetDouble()':
        return f'!XpgIsUnsetDouble({expr})'
    return f'{expr} != {init}'


def from_text_expr(m, text):
    t = m.type
    fallback = m.opts.get('fallback')
    if t == 'string':
        return text
    if t == 'int':
        return f'XmlStrToIntDef({text}, {int(fallback or "0", 0)})'
    if t == 'uint':
        return f'XpgStrToUInt({text})'
    if t == 'hex':
        return f'static_cast<std::uint32_t>(XmlStrToIntDef(u"$" + std::u16string({text}), 0))'
    if t == 'argb':
        return f'static_cast<std::int64_t>(static_cast<std::uint32_t>(XmlStrToIntDef(u"$" + std::u16string({text}), 0)))'
    if t == 'bool':
        return f'XmlStrToBoolDef({text}, {"true" if fallback in ("true", "1") else "false"})'
    if t == 'tribool':
        return f'static_cast<std::uint8_t>(XmlStrToBoolDef({text}, false) ? 1 : 0)'
    if t == 'double':
        return f'XmlStrToFloatDef({text}, {float(fallback or "0")!r})'
    if t == 'date':
        return f'XmlStrToDateTime({text})'
    raise TableError(f'{m.line}: {t} cannot be read from text here')


def to_text_expr(m, expr, unit):
    t = m.type
    if t == 'hex' and 'digits' in m.opts:
        return f'XmlIntToHex(static_cast<std::int32_t>({expr}), {int(m.opts["digits"])})'
    if t.startswith('enum:'):
        return f'{qualified_enum(m.enum, unit)}.Literal({expr})'
    return {'string': expr, 'xstring': f'XmlEncodeXEscapesView({expr})', 'int': f'XmlIntToStr({expr})',
            'uint': f'XmlIntToStr(static_cast<std::int64_t>({expr}))',
            'hex': f'XmlIntToHex(static_cast<std::int32_t>({expr}), 6)',
            'argb': f'XmlIntToHex(static_cast<std::int32_t>(static_cast<std::uint32_t>({expr})), 8)',
            'bool': f'XmlBoolToStr({expr})', 'tribool': f'XmlBoolToStr({expr} == 1)',
            'double': f'XmlFloatToStr({expr})', 'date': f'XmlDateTimeToStr({expr})',
            'strlist': f'{expr}.GetDelimitedText()', 'adjcoord': f'AdjCoordinateToStr({expr})',
            'adjangle': f'AdjAngleToStr({expr})'}[t]


def read_attr_stmt(m, unit, index='i'):
    """Statement that stores attribute `index` of list `a` into the field."""
    t = m.type
    val = f'a.GetValue({index})'
    f = m.field
    if t.startswith('enum:'):
        return f'ReadEnum({qualified_enum(m.enum, unit)}, a, {index}, {f});'
    if t == 'strlist':
        return f'{f}.SetDelimitedText({val});'
    if t == 'adjcoord':
        return f'StrToAdjCoordinate({val}, {f});'
    if t == 'adjangle':
        return f'StrToAdjAngle({val}, {f});'
    if t == 'xstring':
        return f'{f} = {val}; XmlDecodeXEscapesInPlace({f});'
    return f'{f} = {from_text_expr(m, val)};'


def read_text_stmt(m, field):
    """Statement that stores the current element's text into the field. Strings reuse the
    field's storage, so that an item read again and again allocates nothing."""
    if m.type == 'string':
        return f'reader.GetText({field});'
    if m.type == 'xstring':
        return f'reader.GetText({field}); XmlDecodeXEscapesInPlace({field});'
    return f'{field} = {from_text_expr(m, "reader.GetText()")};'


def list_class(c, unit):
    return qualified_class(c, unit) + 'XpgList'


# ---------------------------------------------------------------------------------------------
# Header


def gen_header(unit, classes, imported, prefix):
    out = []
    w = out.append
    w('// Generated by tools/xpg-gen/xpg_gen.py from ' + os.path.basename(unit.path) + '. Do not edit.')
    w('#pragma once')
    w('')
    for inc in ('<cstdint>', '<functional>', '<memory>', '<string>', '<vector>'):
        w(f'#include {inc}')
    w('')
    w('#include "ooxml/binding/xpg_base.h"')
    w('#include "ooxml/binding/xpg_document.h"')
    w('#include "ooxml/binding/xpg_enums.h"')
    w('#include "xml/typed_lists.h"')
    for imp in imported:
        w(f'#include "{getattr(imp, "include_prefix", None) or prefix}/{imp.name}.h"')
    for header in unit.headers:
        w(f'#include "{header}"')
    w('')
    w(f'namespace {unit.namespace} {{')
    w('')
    w('using namespace ::ooxml;')
    w('')
    for name in unit.enum_order:
        w(f'extern const TXpgEnumType {name};')
    if unit.enum_order:
        w('')
    if has_registry(unit):
        w('// The unit\'s enumeration types under their keys, registered in table order on first use.')
        w(f'const TXpgEnumRegistry& {unit.registry}();')
        w('')
    if not unit.class_order:
        w(f'}}  // namespace {unit.namespace}')
        return '\n'.join(out) + '\n'
    for name in unit.class_order:
        w(f'class {name};')
    listed = listed_classes(unit)
    for c in listed:
        w(f'class {c.name}XpgList;')
    w('')
    for name in topo_order(unit):
        c = unit.classes[name]
        gen_class_decl(c, unit, w)
        if c in listed:
            w(f'class {c.name}XpgList : public TXPGObjectList<{c.name}> {{')
            w(' public:')
            w(f'  using TXPGObjectList<{c.name}>::TXPGObjectList;')
            w('};')
            w('')
    if not has_root(unit):
        w(f'}}  // namespace {unit.namespace}')
        return '\n'.join(out) + '\n'
    w(f'class {unit.document} : public TXPGDocBase {{')
    w(' public:')
    w(f'  {unit.document}();')
    w(f'  ~{unit.document}() override;')
    w('  T__ROOT__& Root() { return *root_; }')
    for name, ctype in unit.docmembers:
        w(f'  {ctype} {name}{{}};')
    root = unit.classes['T__ROOT__']
    for m in root.members:
        if m.what == 'child':
            w(f'  {qualified_class(m.cls, unit)}* Get{m.field[0].upper() + m.field[1:]}();')
    w('')
    w(' protected:')
    w('  TXPGBase& RootObject() override;')
    w('')
    w(' private:')
    w('  std::unique_ptr<T__ROOT__> root_;')
    w('};')
    w('')
    w(f'}}  // namespace {unit.namespace}')
    return '\n'.join(out) + '\n'


def has_root(unit):
    return 'T__ROOT__' in unit.classes


def has_registry(unit):
    """A unit whose classes only use the enumerations of the units it imports has no registry of
    its own (it would stand beside theirs under the same name)."""
    return bool(unit.enum_order) or not unit.imports


def stream_of(c):
    return next((m for m in c.members if m.what == 'stream'), None)


def opens_to(c, field):
    """An onopen rule of the class sets the field (so a value never written still reads back)."""
    return any(line.startswith(field + ' = ') for line in c.onopen)


def opens(c):
    """The class does something when its own start tag makes it current."""
    return bool(c.text) or 'ReadContent' in c.hand or bool(c.onopen)


def stream_write_param(m, unit):
    q = qualified_class(m.cls, unit)
    return f'{q}* item' if m.opts.get('count') == 'probe' else f'{q}& item'


def stream_write_note(m):
    if m.opts.get('count') == 'probe':
        return 'called once with no item first, it only tells whether any item exists.'
    return 'leaving more false ends the items.'


def listed_classes(unit):
    res = []
    for name in unit.class_order:
        for m in unit.classes[name].members:
            if m.what == 'child' and m.mult in ('list', 'lazylist') and m.cls.unit is unit:
                if m.cls not in res:
                    res.append(m.cls)
    return res


def topo_order(unit):
    """Classes ordered so that a class held by value (a typed list member) comes after its items."""
    order, state = [], {}

    def visit(name):
        if state.get(name) == 2:
            return
        if state.get(name) == 1:
            return  # pointer cycles are fine: members are unique_ptr or lists of them
        state[name] = 1
        c = unit.classes[name]
        for m in c.members:
            if m.what == 'child' and m.mult == 'list' and m.cls.unit is unit:
                visit(m.cls.name)
        state[name] = 2
        order.append(name)

    for name in unit.class_order:
        visit(name)
    return order


def gen_class_decl(c, unit, w):
    base = 'TXPGRootBase' if c.is_root else 'TXPGBase'
    w(f'class {c.name} : public {base} {{')
    w(' public:')
    w(f'  explicit {c.name}(TXPGDocBase* owner);')
    w(f'  ~{c.name}() override;')
    w('  int CheckAssigned() override;')
    if not c.is_root:
        w('  TXPGBase* HandleElement(TXPGReader& reader) override;')
    if not c.is_root and not c.is_group:
        w('  void HandleAttributes(TXpgXMLAttributeList& a) override;')
    if c.attrs:
        w('  bool KnowsAttribute(std::string_view qname) const override;')
    if 'AfterTag' in c.hand or stream_of(c):
        w('  void AfterTag() override;')
    if c.attrs or 'WriteAttributes' in c.hand:
        w('  void WriteAttributes(TXpgWriteXML& writer) override;')
    w('  void WriteElements(TXpgWriteXML& writer) override;')
    if c.text:
        w('  void ContentText(std::u16string& out) const override;')
    if opens(c):
        w('  void ReadContent(TXPGReader& reader) override;')
    w('  void Clear() override;')
    for m in c.members:
        if m.what == 'child' and m.mult in ('opt', 'lazylist'):
            t = qualified_class(m.cls, unit) + ('XpgList' if m.mult == 'lazylist' else '')
            w(f'  // Creates {m.field} in place (an earlier one is freed) and returns it.')
            w(f'  {t}* Create_{m.field}();')
    w('')
    for m in c.attrs:
        if 'of' in m.opts:
            w(f'  // "{m.qname}" is written as the number of items of {m.opts["of"]}.')
            continue
        init = init_value(m, unit.policy)
        w(f'  {field_ctype(m)} {m.field}' + (f' = {init};' if init is not None else ';') +
          f'  // "{m.qname}"')
    if c.text:
        init = init_value(c.text, unit.policy)
        w(f'  {field_ctype(c.text)} {c.text.field}' + (f' = {init};' if init is not None else ';') +
          '  // element text')
    for m in c.members:
        if m.what == 'child':
            q = qualified_class(m.cls, unit)
            if m.mult in ('own', 'opt'):
                w(f'  std::unique_ptr<{q}> {m.field};  // "{m.qname}"')
            elif m.mult == 'list':
                w(f'  {list_class(m.cls, unit)} {m.field};  // "{m.qname}"')
            else:
                w(f'  std::unique_ptr<{list_class(m.cls, unit)}> {m.field};  // "{m.qname}"')
        elif m.what == 'value':
            init = init_value(m, unit.policy)
            w(f'  {field_ctype(m)} {m.field}' + (f' = {init};' if init is not None else ';') +
              f'  // "{m.qname}"')
        elif m.what == 'values':
            w(f'  {VALUE_LISTS[m.type]} {m.field};  // "{m.qname}"')
        elif m.what == 'group':
            w(f'  std::unique_ptr<{qualified_class(m.cls, unit)}> {m.field};')
        elif m.what == 'any':
            w(f'  TXPGAnyElements {m.field};')
        elif m.what == 'ordered':
            kinds = ', '.join(f'"{a[0]}"' for a in m.alternatives)
            w(f'  TXPGOrderedList {m.field};  // {kinds}, in input order')
        elif m.what == 'marker':
            w(f'  bool {m.field} = false;  // "{m.qname}"')
        elif m.what == 'stream':
            q = qualified_class(m.cls, unit)
            w(f'  // One "{m.qname}" item, reused for every element; the events see each in turn.')
            w(f'  std::unique_ptr<{q}> {m.field};')
            if m.opts.get('events') != 'doc':
                w(f'  std::function<void({q}& item)> {m.opts["read"]};')
                w(f'  // Fills the item and sets more; {stream_write_note(m)}')
                w(f'  std::function<void({stream_write_param(m, unit)}, bool& more)> {m.opts["write"]};')
    for name, ctype in c.extra:
        w(f'  {ctype} {name}{{}};')
    if c.is_root:
        w('')
        w(' protected:')
        w('  TXPGBase* DispatchRoot(TXPGReader& reader) override;')
    w('};')
    w('')


# ---------------------------------------------------------------------------------------------
# Source


def split_batches(unit, batches, size_of):
    """The classes in table order, cut into at most `batches` runs of about equal generated size."""
    names = list(unit.class_order)
    sizes = [size_of(n) for n in names]
    total = sum(sizes) or 1
    runs, run, done = [], [], 0
    for n, size in zip(names, sizes):
        run.append(n)
        done += size
        if len(runs) < batches - 1 and done >= total * (len(runs) + 1) / batches:
            runs.append(run)
            run = []
    runs.append(run)
    while len(runs) < batches:
        runs.append([])
    return runs


def source_name(unit, k, suffix=''):
    """File name of batch k (0-based): the first keeps the plain name."""
    return f'{unit.name}{suffix}.cpp' if k == 0 else f'{unit.name}{suffix}_{k + 1}.cpp'


def source_preamble(unit, prefix, w):
    w('// Generated by tools/xpg-gen/xpg_gen.py from ' + os.path.basename(unit.path) + '. Do not edit.')
    w(f'#include "{prefix}/{unit.name}.h"')
    w('')
    w('#include <cstdint>')
    w('')
    w('#include "xml/xml_values.h"')
    w('')
    w(f'namespace {unit.namespace} {{')
    w('')
    w('namespace {')
    w('// The local name of a qualified name; a namespace declaration has none.')
    w('[[maybe_unused]] std::string_view XpgLocalName(std::string_view q) {')
    w('  if (q.starts_with("xmlns")) return {};')
    w('  const auto colon = q.find(\':\');')
    w('  return colon == std::string_view::npos ? q : q.substr(colon + 1);')
    w('}')
    w('[[maybe_unused]] std::uint32_t XpgStrToUInt(std::u16string_view s) {')
    w('  std::uint32_t v = 0;')
    w('  return TryXmlStrToLongword(s, v) ? v : 0;')
    w('}')
    w('}  // namespace')
    w('')


def gen_sources(unit, classes, prefix, batches=1):
    """The unit's definitions as `batches` translation units: the first holds the enumeration
    tables, the registry and the document class, and every one a run of the element classes."""
    bodies = {}
    for name in unit.class_order:
        lines = []
        gen_class_source(unit.classes[name], unit, lines.append)
        bodies[name] = lines
    runs = split_batches(unit, batches, lambda n: len(bodies[n]))
    files = {}
    for k, run in enumerate(runs):
        out = []
        w = out.append
        source_preamble(unit, prefix, w)
        if k == 0:
            gen_unit_source(unit, w)
        for name in run:
            out.extend(bodies[name])
        if k == 0 and has_root(unit):
            gen_document_source(unit, w)
        w(f'}}  // namespace {unit.namespace}')
        files[source_name(unit, k)] = '\n'.join(out) + '\n'
    return files


def gen_source(unit, classes, prefix):
    return gen_sources(unit, classes, prefix)[source_name(unit, 0)]


def gen_unit_source(unit, w):
    for name in unit.enum_order:
        e = unit.enums[name]
        w(f'static const char16_t* const k{name}Literals[] = {{')
        line = ' '
        for lit in e.literals:
            item = ' ' + cpp_u16(lit) + ','
            if len(line) + len(item) > 100:
                w(line)
                line = ' '
            line += item
        w(line)
        w('};')
        w(f'const TXpgEnumType {name}{{{cpp_u8(name)}, {cpp_u8(e.prefix)}, k{name}Literals, '
          f'{len(e.literals)}, {"true" if e.keys_as_written else "false"}}};')
        w('')
    if not has_registry(unit):
        return
    w(f'const TXpgEnumRegistry& {unit.registry}() {{')
    w('  static const TXpgEnumRegistry registry = [] {')
    w('    TXpgEnumRegistry r;')
    for name in unit.enum_order:
        w(f'    r.Register({name});')
    w('    return r;')
    w('  }();')
    w('  return registry;')
    w('}')
    w('')


def gen_document_source(unit, w):
    root = unit.classes['T__ROOT__']
    d = unit.document
    w(f'{d}::{d}() : TXPGDocBase({POLICY_OBJECTS[unit.policy]}), '
      'root_(std::make_unique<T__ROOT__>(this)) {}')
    w(f'{d}::~{d}() = default;')
    w(f'TXPGBase& {d}::RootObject() {{ return *root_; }}')
    for m in root.members:
        if m.what == 'child':
            getter = 'Get' + m.field[0].upper() + m.field[1:]
            w(f'{qualified_class(m.cls, unit)}* {d}::{getter}() {{')
            if m.mult in ('own', 'opt'):
                w(f'  return root_->{m.field}.get();')
            else:
                raise TableError('a root child must be own or opt')
            w('}')
    w('')


def gen_class_source(c, unit, w):
    n = c.name
    counts = c.opts.get('counts', f'{len([m for m in c.members])},{len(c.attrs)}').split(',')
    base = 'TXPGRootBase' if c.is_root else 'TXPGBase'
    base_args = f'owner, {counts[0]}' if c.is_root else f'owner, {counts[0]}, {counts[1]}'
    inits = []
    for m in c.members:
        if m.what == 'child' and m.mult == 'list':
            inits.append(f'{m.field}(owner)')
        elif m.what in ('any', 'ordered'):
            inits.append(f'{m.field}(owner)')
    w(f'{n}::{n}(TXPGDocBase* owner) : {base}({base_args})' +
      ''.join(', ' + i for i in inits) + ' {')
    for m in c.attrs:
        if m.type == 'strlist' and 'init' in m.opts:
            w(f'  {m.field}.SetDelimitedText({cpp_u16(m.opts["init"])});')
    for m in c.members:
        if (m.what == 'child' and m.mult == 'own') or m.what == 'stream':
            w(f'  {m.field} = std::make_unique<{qualified_class(m.cls, unit)}>(owner);')
        elif m.what == 'group':
            w(f'  {m.field} = std::make_unique<{qualified_class(m.cls, unit)}>(owner);')
    w('}')
    w('')
    w(f'{n}::~{n}() = default;')
    w('')
    for m in c.members:
        if m.what == 'child' and m.mult in ('opt', 'lazylist'):
            t = qualified_class(m.cls, unit) + ('XpgList' if m.mult == 'lazylist' else '')
            w(f'{t}* {n}::Create_{m.field}() {{')
            w(f'  {m.field} = std::make_unique<{t}>(Owner);')
            w(f'  return {m.field}.get();')
            w('}')
            w('')
    if 'Clear' not in c.hand:
        gen_clear(c, unit, w)
    if 'CheckAssigned' not in c.hand:
        gen_check_assigned(c, unit, w)
    if c.is_root:
        gen_dispatch(c, unit, w, root=True)
    elif 'HandleElement' not in c.hand:
        gen_dispatch(c, unit, w, root=False)
    if not c.is_root and not c.is_group and 'HandleAttributes' not in c.hand:
        gen_handle_attributes(c, unit, w)
    if c.attrs:
        w(f'bool {n}::KnowsAttribute(std::string_view qname) const {{')
        w('  return ' + ' || '.join(f'qname == {cpp_u8(m.qname)}' for m in c.attrs) + ';')
        w('}')
        w('')
    if c.attrs and 'WriteAttributes' not in c.hand:
        gen_write_attributes(c, unit, w)
    if 'WriteElements' not in c.hand:
        gen_write_elements(c, unit, w)
    if c.text and 'ContentText' not in c.hand:
        t = c.text
        w(f'void {n}::ContentText(std::u16string& out) const {{')
        if t.type == 'string':
            w(f'  out = {t.field};')
        else:
            w(f'  out.assign({to_text_expr(t, t.field, unit)});')
        w('}')
        w('')
    if opens(c) and 'ReadContent' not in c.hand:
        w(f'void {n}::ReadContent(TXPGReader& reader) {{')
        w('  (void)reader;')
        for line in c.onopen:
            w('  ' + line)
        if c.text:
            w(f'  if (reader.HasText()) {{ {read_text_stmt(c.text, c.text.field)} }}')
        w('}')
        w('')
    if stream_of(c) and 'AfterTag' not in c.hand:
        gen_stream_after_tag(c, unit, w)


def stream_events(m, unit, obj='this'):
    """C++ prefix under which the stream's events live, and a guard that they are reachable."""
    if m.opts.get('events') == 'doc':
        return f'xpg_doc->', f'auto* xpg_doc = dynamic_cast<{unit.document}*>({obj}->Owner);', 'xpg_doc && '
    return '', '', ''


def gen_stream_after_tag(c, unit, w):
    m = stream_of(c)
    ev, fetch, guard = stream_events(m, unit)
    f = m.field
    w(f'void {c.name}::AfterTag() {{')
    w(f'  // An item\'s end tag: its start tag marked it read, so the event sees each item once.')
    w(f'  if ({f}->FAssigned != 0) {{')
    if fetch:
        w('    ' + fetch)
    w(f'    if ({guard}{ev}{m.opts["read"]}) {ev}{m.opts["read"]}(*{f});')
    if 'read' in m.clear:
        w(f'    {f}->Clear();')
    w('  }')
    w(f'  {f}->FAssigned = 0;')
    w('}')
    w('')


def gen_clear(c, unit, w):
    w(f'void {c.name}::Clear() {{')
    w('  FAssigned = 0;' if not c.is_root else '  TXPGRootBase::Clear();')
    if not c.is_root:
        w('  FKept.reset();')
    for m in c.attrs + ([c.text] if c.text else []) + c.members:
        f = m.field
        if m.what in ('attr', 'text', 'value'):
            if 'of' in m.opts:
                continue
            if m.type == 'strlist' and 'init' in m.opts:
                w(f'  {f}.SetDelimitedText({cpp_u16(m.opts["init"])});')
            elif m.type == 'strlist':
                w(f'  {f}.Clear();')
            elif m.type in ('adjcoord', 'adjangle'):
                w(f'  {f} = TXpgAdjValue();')
            else:
                w(f'  {f} = {init_value(m, unit.policy)};')
        elif m.what == 'child':
            if m.mult == 'own':
                w(f'  {f}->Clear();')
            elif m.mult == 'opt':
                w(f'  {f}.reset();')
            elif m.mult == 'list':
                w(f'  {f}.Clear();')
            else:
                w(f'  if ({f}) {f}->Clear();')
        elif m.what in ('values', 'any', 'ordered'):
            w(f'  {f}.Clear();')
        elif m.what == 'group':
            w(f'  {f}->Clear();')
        elif m.what == 'marker':
            w(f'  {f} = false;')
        elif m.what == 'stream':
            w(f'  {f}->Clear();  // the events stay')
    w('}')
    w('')


def gen_check_assigned(c, unit, w):
    w(f'int {c.name}::CheckAssigned() {{')
    if c.opts.get('assigned') == 'read':
        w('  const std::uint8_t xpg_read = FAssigned & xaRead;')
    w('  FAssigned = 0;')
    if c.kind == 'nowrite':
        w('  return 0;')
        w('}')
        w('')
        return
    if 'requires' in c.opts:
        m = next(a for a in c.attrs if a.field == c.opts['requires'])
        w(f'  // Without {m.qname} the element is not written at all, whatever else it holds.')
        w(f'  if (!({is_set_expr(m, m.field, unit.policy)})) return 0;')
    if c.opts.get('elements') == 'always':
        w('  // Whenever written, the element holds its required children (empty ones included).')
        w('  FAssigned |= xaElements;')
    w('  int xpg_attributes = 0;')
    w('  int xpg_elements = 0;')
    w('  int xpg_content = 0;')
    for m in c.attrs:
        rule = m.opts.get('count', 'default')
        if 'of' in m.opts:
            w(f'  if ({m.opts["of"]}.Count() > 0) ++xpg_attributes;')
        elif rule == 'always':
            w('  ++xpg_attributes;')
        else:
            w(f'  if ({is_set_expr(m, m.field, unit.policy, rule)}) ++xpg_attributes;')
    if c.text:
        w(f'  if ({is_set_expr(c.text, c.text.field, unit.policy)}) ++xpg_content;')
    for m in c.members:
        f = m.field
        if m.what == 'child':
            if m.mult == 'own':
                w(f'  xpg_elements += {f}->CheckAssigned();')
            elif m.mult == 'opt':
                w(f'  if ({f}) xpg_elements += {f}->CheckAssigned();')
            elif m.mult == 'list':
                items = f' + {f}.Count()' if m.opts.get('count') == 'items' else ''
                w(f'  xpg_elements += {f}.CheckAssigned(){items};')
            else:
                items = f' + {f}->Count()' if m.opts.get('count') == 'items' else ''
                w(f'  if ({f}) xpg_elements += {f}->CheckAssigned(){items};')
        elif m.what == 'stream':
            rule = m.opts.get('count', 'item')
            ev, fetch, guard = stream_events(m, unit)
            if rule == 'item':
                w(f'  xpg_elements += {f}->CheckAssigned();')
            elif rule == 'always':
                w(f'  ++xpg_elements;  // written even without items')
            elif rule == 'event':
                w('  {')
                if fetch:
                    w('    ' + fetch)
                w(f'    if ({guard}{ev}{m.opts["write"]}) ++xpg_elements;  // items come from the event')
                w('  }')
            else:
                w('  {')
                if fetch:
                    w('    ' + fetch)
                w('    // Asked without an item, the event tells whether there are any.')
                w('    bool xpg_more = false;')
                w(f'    if ({guard}{ev}{m.opts["write"]}) {ev}{m.opts["write"]}(nullptr, xpg_more);')
                w('    if (xpg_more) ++xpg_elements;')
                w('  }')
        elif m.what == 'value':
            w(f'  if ({is_set_expr(m, f, unit.policy)}) ++xpg_elements;')
        elif m.what == 'values':
            w(f'  xpg_elements += {f}.GetCount();')
        elif m.what == 'group':
            w(f'  xpg_elements += {f}->CheckAssigned();')
        elif m.what == 'any':
            w(f'  xpg_elements += {f}.Count();')
        elif m.what == 'ordered':
            w(f'  xpg_elements += {f}.CheckAssigned();')
        elif m.what == 'marker':
            w(f'  if ({f}) ++xpg_elements;')
    w('  if (xpg_attributes > 0) FAssigned |= xaAttributes;')
    if c.opts.get('assigned') == 'attrs':
        w('  FAssigned |= xaAttributes;')
    if c.opts.get('assigned') == 'always':
        w('  // Nothing set: still written, with the attributes that are always written.')
        w('  if (xpg_attributes + xpg_content + xpg_elements == 0) {')
        w('    FAssigned |= xaAttributes;')
        w('    return 1;')
        w('  }')
    if c.opts.get('assigned') == 'read':
        w('  // Read from a file: written back even when empty, and still known as read at the next save.')
        w('  FAssigned |= xpg_read;')
        w('  if (xpg_read && xpg_attributes + xpg_content + xpg_elements == 0) {')
        w('    FAssigned |= xaAttributes;')
        w('    return 1;')
        w('  }')
    w('  if (xpg_content > 0) FAssigned |= xaContent;')
    w('  if (xpg_elements > 0) FAssigned |= xaElements;')
    w('  return xpg_attributes + xpg_content + xpg_elements;')
    w('}')
    w('')


def dispatch_cases(c, unit):
    """(byte sum, qname, statements) for every member recognised by name."""
    cases = []
    for m in c.members:
        f = m.field
        if m.what == 'child':
            q = qualified_class(m.cls, unit)
            if m.mult == 'own':
                body = [f'TXPGBase* xpg_o = {f}.get();']
            elif m.mult == 'opt':
                body = [f'if (!{f}) {f} = std::make_unique<{q}>(Owner);', f'TXPGBase* xpg_o = {f}.get();']
            elif m.mult == 'list':
                body = [f'auto* xpg_o = {f}.Add();']
            else:
                body = [f'if (!{f}) {f} = std::make_unique<{list_class(m.cls, unit)}>(Owner);',
                        f'auto* xpg_o = {f}->Add();']
            if opens(m.cls):
                body.append(f'static_cast<{q}*>(xpg_o)->ReadContent(reader);')
            body += ['xpg_o->FAssigned = xaRead;', 'return xpg_o;']
        elif m.what == 'stream':
            body = [f'{f}->Clear();']
            if opens(m.cls):
                body.append(f'{f}->ReadContent(reader);')
            body += [f'{f}->FAssigned = xaRead;', f'return {f}.get();']
        elif m.what == 'value':
            if m.type.startswith('enum:') or m.type in ('strlist', 'adjcoord', 'adjangle'):
                raise TableError(f'{m.line}: value members hold scalar types only')
            space = 'true' if m.opts.get('space') else 'false'
            body = [read_text_stmt(m, f), f'TakeValueAttributes(reader, {space});', 'return this;']
        elif m.what == 'values':
            conv = {'u32': 'reader.GetText()', 'bool': 'reader.GetText()', 'str': 'reader.GetText()',
                    'ext': 'XmlStrToFloatDef(reader.GetText(), 0)',
                    'date': 'XmlStrToDateTime(reader.GetText())'}[m.type]
            body = [f'{f}.Add({conv});', 'return this;']
        elif m.what == 'marker':
            body = [f'{f} = true;', 'return this;']
        elif m.what == 'ordered':
            for q, _, alt in m.alternatives:
                cq = qualified_class(alt, unit)
                body = [f'auto* xpg_o = {f}.Add<{cq}>({cpp_u16(q)});']
                if opens(alt):
                    body.append('xpg_o->ReadContent(reader);')
                body += ['xpg_o->FAssigned = xaRead;', 'return xpg_o;']
                cases.append((byte_sum(q), q, body))
            continue
        else:
            continue
        cases.append((byte_sum(m.qname), m.qname, body))
    return cases


def gen_dispatch(c, unit, w, root):
    if root:
        w(f'TXPGBase* {c.name}::DispatchRoot(TXPGReader& reader) {{')
    else:
        w(f'TXPGBase* {c.name}::HandleElement(TXPGReader& reader) {{')
    w('  (void)reader;')
    cases = dispatch_cases(c, unit)
    if cases:
        w('  const std::string_view xpg_name = reader.RawQualifiedName();')
        w('  switch (reader.TagByteSum()) {')
        by_sum = {}
        for s, q, body in cases:
            by_sum.setdefault(s, []).append((q, body))
        for s in sorted(by_sum):
            w(f'    case {s}:')
            for q, body in by_sum[s]:
                w(f'      if (xpg_name == {cpp_u8(q)}) {{')
                for b in body:
                    w('        ' + b)
                w('      }')
            w('      break;')
        w('    default:')
        w('      break;')
        w('  }')
    for m in c.members:
        if m.what == 'group':
            w(f'  if (TXPGBase* xpg_o = {m.field}->HandleElement(reader)) return xpg_o;')
    anys = [m for m in c.members if m.what == 'any']
    if anys:
        f = anys[0].field
        w(f'  TXPGAnyElement* xpg_kept = {f}.Add(reader.GetQualifiedName(), reader.GetText());')
        w('  xpg_kept->FAssigned = xaRead;')
        w('  return xpg_kept;')
    elif root:
        w('  ReportUnknownElement(reader);')
        w('  return nullptr;')
    elif c.is_group:
        w('  return nullptr;')
    elif c.opts.get('children') == 'absorb':
        w('  reader.AttributesTaken();  // an absorbed element\'s attributes are not this object\'s')
        w('  return this;')
    else:
        w('  ReportUnknownElement(reader);')
        w('  return this;')
    w('}')
    w('')


def gen_handle_attributes(c, unit, w):
    mode = c.opts.get('attrs', 'all')
    w(f'void {c.name}::HandleAttributes(TXpgXMLAttributeList& a) {{')
    if mode == 'first':
        m = c.attrs[0]
        w('  if (a.GetCount() == 0) return;')
        w('  TXpgAttrName xpg_name(a, 0);')
        w(f'  if (xpg_name == {cpp_u8(m.qname)}) {{')
        w('    const int i = 0;')
        w('    ' + read_attr_stmt(m, unit))
        w('  } else {')
        w('    ReportUnknownAttribute(a.GetName(0));')
        w('  }')
        w('}')
        w('')
        return
    w('  for (int i = 0; i < a.GetCount(); ++i) {')
    if not c.attrs:
        w(f'    KeepAttribute(a, i, {"false" if mode == "lenient" else "true"});')
        w('  }')
        w('}')
        w('')
        return
    w('    TXpgAttrName xpg_name(a, i);')
    w('    switch (xpg_name.Sum()) {')
    by_sum = {}
    for m in c.attrs:
        by_sum.setdefault(byte_sum(m.qname), []).append(m)
    for s in sorted(by_sum):
        w(f'      case {s}:')
        for m in by_sum[s]:
            w(f'        if (xpg_name == {cpp_u8(m.qname)}) {{')
            if 'of' in m.opts:
                w(f'          continue;  // counted from {m.opts["of"]} when written')
            else:
                w('          ' + read_attr_stmt(m, unit))
                w('          continue;')
            w('        }')
        w('        break;')
    w('      default:')
    w('        break;')
    w('    }')
    for m in c.attrs:
        if m.opts.get('match') == 'local':
            local = m.qname.split(':')[-1]
            w(f'    // Under any prefix: the name as written is not checked, its local name is.')
            w(f'    if (XpgLocalName(xpg_name.Bytes()) == {cpp_u8(local)}) {{')
            w('      ' + read_attr_stmt(m, unit))
            w('      continue;')
            w('    }')
    w(f'    KeepAttribute(a, i, {"false" if mode == "lenient" else "true"});')
    w('  }')
    w('}')
    w('')


def gen_write_attributes(c, unit, w):
    w(f'void {c.name}::WriteAttributes(TXpgWriteXML& writer) {{')
    w('  (void)writer;')
    for m in c.attrs:
        rule = m.opts.get('write', 'set')
        if rule == 'never':
            continue
        value = (f'XmlIntToStr({m.opts["of"]}.Count())' if 'of' in m.opts
                 else to_text_expr(m, m.field, unit))
        add = f'writer.AddAttribute({cpp_u16(m.qname)}, {value});'
        if 'of' in m.opts:
            w(f'  if ({m.opts["of"]}.Count() > 0) {add}' if rule != 'always' else '  ' + add)
            continue
        if rule == 'always':
            w('  ' + add)
        else:
            w(f'  if ({is_set_expr(m, m.field, unit.policy)}) {add}')
    w('}')
    w('')


def gen_stream_write(m, unit, w):
    """The pull loop: the write event fills the reused item until it leaves more false."""
    f = m.field
    ev, fetch, guard = stream_events(m, unit)
    qn = cpp_u16(m.qname)
    event = ev + m.opts['write']
    arg = f'{f}.get()' if m.opts.get('count') == 'probe' else f'*{f}'
    w('  {')
    if fetch:
        w('    ' + fetch)
    w(f'    while ({guard}{event}) {{')
    if 'write-before' in m.clear:
        w(f'      {f}->Clear();')
    w('      bool xpg_more = false;')
    w(f'      {event}({arg}, xpg_more);')
    w('      if (!xpg_more) break;')
    if m.opts.get('skip') == 'unassigned':
        w(f'      if ({f}->CheckAssigned() == 0) continue;  // nothing to write: not even its tag')
    else:
        w(f'      {f}->CheckAssigned();')
    if m.opts.get('form') == 'open':
        w(f'      {f}->WriteAttributes(writer);')
        w(f'      {f}->WriteKeptAttributes(writer);')
        w(f'      writer.WriteTagStart({qn});')
        w(f'      {f}->WriteElements(writer);')
        w('      writer.WriteTagEnd();')
    else:
        w(f'      XpgWriteElement(writer, {qn}, *{f});')
    if 'write-after' in m.clear:
        w(f'      {f}->Clear();')
    w('    }')
    w('  }')


def carries_start_values(c):
    """Whether an object of c holds, as made, an attribute it always writes (a "val" with a start
    value): a required child that is missing is then written with it rather than empty."""
    return any(a.opts.get('write') == 'always' and 'init' in a.opts for a in c.attrs) and not c.hand


def gen_write_elements(c, unit, w):
    w(f'void {c.name}::WriteElements(TXpgWriteXML& writer) {{')
    w('  (void)writer;')
    if c.is_root:
        pairs = root_declarations(c.opts.get('declare', ''))
        if pairs:
            listed = ', '.join(f'{{{cpp_u16("xmlns:" + p)}, {cpp_u16(u)}}}' for p, u in pairs)
            w(f'  WriteRootAttributes(writer, {{{listed}}});')
        else:
            w('  WriteRootAttributes(writer);')
        w('  bool xpg_any = false;')
    for m in c.members:
        f = m.field
        if m.what == 'child':
            qn = cpp_u16(m.qname)
            if m.mult in ('own', 'opt'):
                cond = f'{f} && {f}->Assigned()'
                if c.is_root:
                    w(f'  if ({cond}) {{')
                    w(f'    XpgWriteElement(writer, {qn}, *{f});')
                    w('    xpg_any = true;')
                    w('  }')
                elif m.opts.get('write') == 'always':
                    w(f'  if ({cond}) {{')
                    w(f'    XpgWriteElement(writer, {qn}, *{f});')
                    w('  } else {')
                    if carries_start_values(m.cls):
                        # A fresh one carries the attributes that are always written at their start values.
                        w(f'    {qualified_class(m.cls, unit)} xpg_missing(Owner);')
                        w('    xpg_missing.CheckAssigned();')
                        w(f'    XpgWriteElement(writer, {qn}, xpg_missing);  // written even when missing')
                    else:
                        w(f'    writer.WriteTag({qn});  // written even when missing')
                    w('  }')
                else:
                    w(f'  if ({cond}) XpgWriteElement(writer, {qn}, *{f});')
            elif m.mult == 'list':
                w(f'  {f}.Write(writer, {qn});')
            else:
                w(f'  if ({f}) {f}->Write(writer, {qn});')
        elif m.what == 'value':
            rule = m.opts.get('write', 'set')
            if rule == 'never':
                continue
            qn = cpp_u16(m.qname)
            stmts = []
            if m.opts.get('space'):
                stmts.append(f'if (XpgKeepsSpace({f})) writer.AddAttribute(u"xml:space", u"preserve");')
            text = f'writer.WriteTagText({qn}, {to_text_expr(m, f, unit)});'
            if rule == 'always' and m.type in ('string', 'xstring'):
                stmts.append(f'if ({f}.empty()) writer.WriteTag({qn}); else {text}')
            else:
                stmts.append(text)
            if rule == 'always':
                w('  {')
            else:
                w(f'  if ({is_set_expr(m, f, unit.policy)}) {{')
            for st in stmts:
                w('    ' + st)
            w('  }')
        elif m.what == 'stream':
            gen_stream_write(m, unit, w)
        elif m.what == 'values':
            w(f'  {f}.WriteAsTags(writer, {cpp_u16(m.qname)});')
        elif m.what == 'group':
            w(f'  {f}->WriteElements(writer);')
        elif m.what in ('any', 'ordered'):
            w(f'  {f}.Write(writer);')
        elif m.what == 'marker':
            w(f'  if ({f}) writer.WriteTag({cpp_u16(m.qname)});')
    if c.is_root:
        p = c.opts.get('primary')
        if p:
            m = next(x for x in c.members if x.field == p)
            w(f'  // Nothing set: the document element is still written, as an empty element.')
            w(f'  if (!xpg_any && {p}) XpgWriteElement(writer, {cpp_u16(m.qname)}, *{p});')
        else:
            w('  (void)xpg_any;')
    w('}')
    w('')


# ---------------------------------------------------------------------------------------------
# Round-trip tests: every class gets a populated instance that is written, read back into a fresh
# instance, compared member by member and written again to the same bytes.


def sample_value(m, unit, salt):
    t = m.type
    if t.startswith('enum:'):
        e = m.enum
        init = m.opts.get('init')
        ordinal = len(e.literals) - 1
        if init is not None and e.literals.index(init) == ordinal:
            ordinal = 0
        return str(ordinal)
    if t == 'string':
        return cpp_u16(f'{m.field} <&"\u00e9{salt}>')
    if t == 'xstring':
        # a control character and a literal escape: both must come back as they were
        return cpp_u16(f'{m.field} <&"\u00e9{salt}\x01_x0041_>')
    if t == 'int':
        return str(7 + salt) if init_value(m, unit.policy) != str(7 + salt) else str(8 + salt)
    if t in ('uint',):
        return str(4000000000 + salt) + 'u'
    if t == 'hex':
        return hex(0x12AB30 + salt) + 'u'
    if t == 'argb':
        return '0xFFFFFFFF'
    if t == 'bool':
        return 'false' if init_value(m, unit.policy) == 'true' else 'true'
    if t == 'tribool':
        return '1'
    if t in ('double',):
        return str(1.5 + salt) if init_value(m, unit.policy) != str(1.5 + salt) else '2.25'
    if t == 'date':
        return '45292.5'
    return None


def gen_tests(unit, classes, prefix):
    return gen_test_sources(unit, classes, prefix)[source_name(unit, 0, '_roundtrip_tests')]


def gen_test_sources(unit, classes, prefix, batches=1):
    """The round-trip tests as `batches` translation units, cut like the classes: each holds the
    populate and compare helpers and the tests of its run; the first also the document's test."""
    helpers = {}
    for name in unit.class_order:
        lines = []
        gen_populate(unit.classes[name], unit, lines.append)
        gen_equal(unit.classes[name], unit, lines.append)
        helpers[name] = lines
    runs = split_batches(unit, batches, lambda n: len(helpers[n]))
    files = {}
    for k, run in enumerate(runs):
        out = []
        w = out.append
        w('// Generated by tools/xpg-gen/xpg_gen.py from ' + os.path.basename(unit.path) + '. Do not edit.')
        w(f'#include "{prefix}/{unit.name}.h"')
        w('')
        w('#include <gtest/gtest.h>')
        w('')
        w('#include <memory>')
        w('#include <string>')
        w('#include <vector>')
        w('')
        w('#include "ooxml/binding/xpg_testing.h"')
        w('')
        w(f'namespace {unit.namespace} {{')
        w('namespace xpg_roundtrip {')
        w('')
        w('// Streaming containers get write events that yield items; off while a whole document is')
        w('// populated, whose reader has no events to hand the items to.')
        w('extern bool g_xpg_streams;')
        if k == 0:
            w('bool g_xpg_streams = true;')
        w('')
        for name in unit.class_order:
            w(f'void XpgPopulate({name}& o, int depth);')
            w(f'::testing::AssertionResult XpgEqual(const {name}& a, const {name}& b);')
        w('')
        for name in run:
            out.extend(helpers[name])
        w('}  // namespace xpg_roundtrip')
        w('namespace {')
        w('using namespace xpg_roundtrip;')
        w('')
        gen_run_tests(unit, run, w)
        if k == 0 and has_root(unit):  # a unit of classes only has no document
            gen_document_test(unit, w)
        w('}  // namespace')
        w(f'}}  // namespace {unit.namespace}')
        files[source_name(unit, k, '_roundtrip_tests')] = '\n'.join(out) + '\n'
    return files


def gen_run_tests(unit, run, w):
    policy = POLICY_OBJECTS[unit.policy]
    elem_names = element_names(unit)
    for name in run:
        c = unit.classes[name]
        if c.is_root:
            continue
        test = f'TEST({unit.name}_roundtrip, {name})'
        if c.kind == 'nowrite':
            w(test + ' {')
            w(f'  XpgProbeDoc doc({policy});')
            w(f'  {name} a(&doc);')
            w('  XpgPopulate(a, 2);')
            w('  EXPECT_EQ(a.CheckAssigned(), 0) << "a class that is never written counts nothing";')
            w('}')
            w('')
            continue
        if hand_tested(c):
            continue  # hand-written classes get hand-written tests
        qname = elem_names.get(name, 'x')
        group = 'true' if c.is_group else 'false'
        st = stream_of(c)
        if st and not hand_tested(st.cls):
            gen_stream_test(c, st, unit, policy, qname, elem_names, w)
            continue
        w(test + ' {')
        w(f'  XpgProbeDoc doc({policy});')
        w(f'  {name} a(&doc);')
        w('  // Streaming containers below have their own tests; here they get no items, since the')
        w('  // copy read back has no events to hand them to.')
        w('  g_xpg_streams = false;')
        w('  XpgPopulate(a, 2);')
        w('  g_xpg_streams = true;')
        w(f'  const std::string first = XpgWriteProbe(a, {cpp_u16(qname)}, {group});')
        w(f'  {name} b(&doc);')
        w(f'  XpgReadProbe(doc, b, first, {group});')
        w('  EXPECT_EQ(doc.Reports(), 0) << doc.LastReport();')
        w('  EXPECT_TRUE(XpgEqual(a, b)) << first;')
        w(f'  EXPECT_EQ(XpgWriteProbe(b, {cpp_u16(qname)}, {group}), first);')
        w('  b.Clear();')
        w(f'  EXPECT_EQ(b.CheckAssigned(), {name}(&doc).CheckAssigned()) << "Clear returns to the start values";')
        w('}')
        w('')


def gen_document_test(unit, w):
    # A root with hand-written operations decides itself what a save writes: hand-written tests.
    if unit.class_order and not hand_tested(unit.classes['T__ROOT__']):
        d = unit.document
        w(f'TEST({unit.name}_roundtrip, {d}) {{')
        w(f'  {d} a;')
        w('  g_xpg_streams = false;')
        w('  XpgPopulate(a.Root(), 3);')
        w('  g_xpg_streams = true;')
        w('  const std::string first = XpgSave(a);')
        w(f'  {d} b;')
        w('  int reports = 0;')
        w('  b.Errors.SetOnError([&](TXpgPErrors&) { ++reports; });')
        w('  XpgLoad(b, first);')
        w('  EXPECT_EQ(reports, 0) << ToUtf8(b.Errors.LastError());')
        w('  EXPECT_TRUE(XpgEqual(a.Root(), b.Root())) << first;')
        w('  EXPECT_EQ(XpgSave(b), first);')
        w('}')
        w('')


# Classes with these hand-written operations get hand-written tests; the generic round trip leaves
# them (and their place in their owners) alone.
HAND_TESTED = {'HandleElement', 'WriteElements', 'WriteAttributes', 'HandleAttributes', 'CheckAssigned',
               'AfterTag', 'ReadContent', 'Clear'}


def gen_stream_test(c, m, unit, policy, qname, elem_names, w):
    """A streaming container: its write event yields two populated items; read back, each item
    is captured as written by the read event; written again, the event replays the captured
    items, and the output must be the same bytes."""
    name, item = c.name, qualified_class(m.cls, unit)
    iq = cpp_u16(m.qname)
    doc_events = m.opts.get('events') == 'doc'
    probe = m.opts.get('count') == 'probe'
    w(f'TEST({unit.name}_roundtrip, {name}) {{')
    w(f'  XpgProbeDoc doc({policy});')
    owner = '&doc'
    if doc_events:
        # the events belong to the unit's document, so the objects must be owned by one
        w(f'  {unit.document} host;')
        w('  int host_reports = 0;')
        w('  host.Errors.SetOnError([&](TXpgPErrors&) { ++host_reports; });')
        owner = '&host'
    ev = 'host.' if doc_events else 'b.'
    w(f'  {name} a({owner});')
    w('  XpgPopulate(a, 1);')
    w(f'  const std::string first = XpgWriteProbe(a, {cpp_u16(qname)}, false, true);')
    w(f'  {name} b({owner});')
    w('  std::vector<std::string> items;')
    w(f'  {ev}{m.opts["read"]} = [&](auto& item) {{ items.push_back(XpgWriteProbe(item, {iq}, false)); }};')
    w('  XpgReadProbe(doc, b, first, false);')
    w('  EXPECT_EQ(doc.Reports(), 0) << doc.LastReport();')
    if doc_events:
        w('  EXPECT_EQ(host_reports, 0) << ToUtf8(host.Errors.LastError());')
    w('  EXPECT_EQ(items.size(), 2u) << first;')
    w('  EXPECT_TRUE(XpgEqual(a, b)) << first;')
    w('  std::size_t next = 0;')
    if probe:
        w(f'  {ev}{m.opts["write"]} = [&]({item}* item, bool& more) {{')
        w('    if (!item) {')
        w('      more = next < items.size();')
        w('      return;')
        w('    }')
        w('    if (next == items.size()) return;')
        w('    item->Clear();')
        w('    XpgReadProbe(doc, *item, items[next++], false);')
    else:
        w(f'  {ev}{m.opts["write"]} = [&]({item}& item, bool& more) {{')
        w('    if (next == items.size()) return;')
        w('    item.Clear();')
        w('    XpgReadProbe(doc, item, items[next++], false);')
    w('    more = true;')
    w('  };')
    w(f'  EXPECT_EQ(XpgWriteProbe(b, {cpp_u16(qname)}, false, true), first);')
    w('  EXPECT_EQ(next, items.size());')
    w('  b.Clear();')
    if not doc_events:
        w(f'  EXPECT_TRUE(b.{m.opts["write"]}) << "Clear keeps the events";')
    w('}')
    w('')


def hand_tested(c):
    return bool(c.hand & HAND_TESTED)


def element_names(unit):
    names = {}
    for name in unit.class_order:
        c = unit.classes[name]
        if 'elem' in c.opts:
            names[name] = c.opts['elem']
    for name in unit.class_order:
        for m in unit.classes[name].members:
            if m.what in ('child', 'stream') and m.cls.unit is unit:
                names.setdefault(m.cls.name, m.qname)
    return names


def holds_something_at_depth_zero(c):
    """Populated with depth 0 (its own values only), an object of c is still written."""
    return (any(a.opts.get('write') != 'never' for a in c.attrs) or bool(c.text)
            or c.opts.get('assigned') in ('attrs', 'always')
            or any(m.what in ('any', 'marker', 'values', 'value') for m in c.members))


def populate_depth(c, unit, seen=()):
    """The least depth at which a populated object of c holds something it writes, or None when
    populating never fills it (its content is of another unit or hand-written)."""
    if c.unit is not unit or hand_tested(c) or c in seen:
        return None
    if holds_something_at_depth_zero(c):
        return 0
    best = None
    for m in c.members:
        if m.what == 'ordered' or (m.what == 'child' and m.mult in ('list', 'lazylist')):
            return 1  # items are written even when they hold nothing
        if m.what in ('child', 'group'):
            d = populate_depth(m.cls, unit, seen + (c,))
            if d is not None and (best is None or d + 1 < best):
                best = d + 1
    return best


def gen_populate(c, unit, w):
    w(f'void XpgPopulate({c.name}& o, int depth) {{')
    w('  (void)o;')
    w('  (void)depth;')
    salt = 0
    for m in c.attrs + ([c.text] if c.text else []) + c.members:
        salt += 1
        f = m.field
        if m.what in ('attr', 'text', 'value'):
            if 'of' in m.opts:
                continue
            if m.opts.get('write') == 'never' and not opens_to(c, m.field):
                continue
            if m.what == 'text' and any(x.what != 'attr' for x in c.members):
                continue  # text before children is not kept apart from layout
            if m.type == 'strlist':
                w(f'  o.{f}.Add(u"a{salt}");')
                w(f'  o.{f}.Add(u"b{salt}");')
            elif m.type in ('adjcoord', 'adjangle'):
                w(f'  o.{f}.Kind = 1;')
                w(f'  o.{f}.Text = u"adj{salt}";')
            else:
                w(f'  o.{f} = {sample_value(m, unit, salt)};')
        elif m.what == 'child':
            if m.cls.unit is not unit or hand_tested(m.cls):
                # A required child of another unit is made as it is, so that the first write
                # shows what reading it back gives rather than the empty element of a missing one.
                if m.mult == 'opt' and m.opts.get('write') == 'always':
                    w(f'  if (depth > 0) o.Create_{f}();')
                continue
            if m.mult == 'own':
                w(f'  if (depth > 0) XpgPopulate(*o.{f}, depth - 1);')
            elif m.mult == 'opt':
                # An optional child that holds nothing is not written, so it is made only where
                # the depth left lets it hold something.
                least = populate_depth(m.cls, unit)
                if least is not None:
                    w(f'  if (depth > {least}) XpgPopulate(*o.Create_{f}(), depth - 1);')
            elif m.mult == 'list':
                w(f'  if (depth > 0) for (int k = 0; k < 2; ++k) XpgPopulate(*o.{f}.Add(), depth - 1);')
            else:
                w(f'  if (depth > 0) {{')
                w(f'    o.Create_{f}();')
                w(f'    for (int k = 0; k < 2; ++k) XpgPopulate(*o.{f}->Add(), depth - 1);')
                w('  }')
        elif m.what == 'values':
            sample = {'u32': ['1u', '4294967295u'], 'ext': ['1.5', '-2.0'],
                      'str': [cpp_u16('x&y'), cpp_u16('\u00e9')], 'date': ['45292.5', '1.25'],
                      'bool': ['true', 'false']}[m.type]
            for s in sample:
                w(f'  o.{f}.Add({s});')
        elif m.what == 'group':
            if m.cls.unit is unit:
                w(f'  if (depth > 0) XpgPopulate(*o.{f}, depth - 1);')
        elif m.what == 'any':
            w(f'  XpgPopulateAny(o.{f});')
        elif m.what == 'marker':
            w(f'  o.{f} = true;')
        elif m.what == 'stream':
            if m.cls.unit is not unit or hand_tested(m.cls):
                continue
            item = qualified_class(m.cls, unit)
            probe = m.opts.get('count') == 'probe'
            w('  if (depth > 0 && g_xpg_streams) {')
            w('    // two populated items, then no more')
            w('    auto left = std::make_shared<int>(2);')
            if m.opts.get('events') == 'doc':
                target = f'xpg_doc->{m.opts["write"]}'
                w(f'    if (auto* xpg_doc = dynamic_cast<{unit.document}*>(o.Owner))')
                w(f'      {target} = [left, depth]({stream_write_param(m, unit)}, bool& more) {{')
            else:
                w(f'    o.{m.opts["write"]} = [left, depth]({stream_write_param(m, unit)}, bool& more) {{')
            if probe:
                w('      if (!item) {')
                w('        more = *left > 0;')
                w('        return;')
                w('      }')
            w('      if (*left == 0) return;')
            w('      --*left;')
            deref = '*item' if probe else 'item'
            acc = 'item->' if probe else 'item.'
            w(f'      {acc}Clear();')
            w(f'      XpgPopulate({deref}, depth - 1);')
            w('      more = true;')
            w('    };')
            w('  }')
        elif m.what == 'ordered':
            w('  if (depth > 0) {')
            # every kind once, in reverse table order, so that the order itself is checked
            for q, _, alt in reversed(m.alternatives):
                if alt.unit is unit:
                    w(f'    XpgPopulate(*o.{f}.Add<{alt.name}>({cpp_u16(q)}), depth - 1);')
            w('  }')
    w('}')
    w('')


def gen_equal(c, unit, w):
    w(f'::testing::AssertionResult XpgEqual(const {c.name}& a, const {c.name}& b) {{')
    w('  (void)a;')
    w('  (void)b;')
    for m in c.attrs + ([c.text] if c.text else []) + c.members:
        f = m.field
        label = cpp_u8(f'{c.name}.{f}')
        if m.what in ('attr', 'text', 'value'):
            if 'of' in m.opts:
                continue
            if m.opts.get('write') == 'never' and not opens_to(c, m.field):
                continue
            if m.type == 'strlist':
                w(f'  if (a.{f}.GetDelimitedText() != b.{f}.GetDelimitedText()) return XpgDiffer({label});')
            elif m.type in ('double', 'date'):
                w(f'  if (!XpgSameDouble(a.{f}, b.{f})) return XpgDiffer({label});')
            else:
                w(f'  if (!(a.{f} == b.{f})) return XpgDiffer({label});')
        elif m.what == 'child':
            if m.cls.unit is not unit or hand_tested(m.cls):
                continue
            if m.mult == 'own':
                w(f'  if (auto r = XpgEqual(*a.{f}, *b.{f}); !r) return r;')
            elif m.mult == 'opt' and m.opts.get('write') == 'always':
                # Written empty when missing, so read back it may exist holding nothing.
                w(f'  if (!a.{f} != !b.{f}) {{')
                w(f'    const auto* xpg_one = a.{f} ? a.{f}.get() : b.{f}.get();')
                w(f'    const {qualified_class(m.cls, unit)} xpg_empty(xpg_one->Owner);')
                w(f'    if (!XpgEqual(*xpg_one, xpg_empty)) return XpgDiffer({label});')
                w(f'  }} else if (a.{f}) {{')
                w(f'    if (auto r = XpgEqual(*a.{f}, *b.{f}); !r) return r;')
                w('  }')
            elif m.mult == 'opt':
                w(f'  if (!a.{f} != !b.{f}) return XpgDiffer({label});')
                w(f'  if (a.{f}) if (auto r = XpgEqual(*a.{f}, *b.{f}); !r) return r;')
            elif m.mult == 'list':
                w(f'  if (a.{f}.Count() != b.{f}.Count()) return XpgDiffer({label});')
                w(f'  for (int k = 0; k < a.{f}.Count(); ++k)')
                w(f'    if (auto r = XpgEqual(*a.{f}.GetItems(k), *b.{f}.GetItems(k)); !r) return r;')
            else:
                w(f'  if ((a.{f} ? a.{f}->Count() : 0) != (b.{f} ? b.{f}->Count() : 0)) return XpgDiffer({label});')
                w(f'  for (int k = 0; a.{f} && k < a.{f}->Count(); ++k)')
                w(f'    if (auto r = XpgEqual(*a.{f}->GetItems(k), *b.{f}->GetItems(k)); !r) return r;')
        elif m.what == 'values':
            w(f'  if (!XpgSameList(a.{f}, b.{f})) return XpgDiffer({label});')
        elif m.what == 'group':
            if m.cls.unit is unit:
                w(f'  if (auto r = XpgEqual(*a.{f}, *b.{f}); !r) return r;')
        elif m.what == 'any':
            w(f'  if (!a.{f}.Equals(b.{f})) return XpgDiffer({label});')
        elif m.what == 'marker':
            w(f'  if (a.{f} != b.{f}) return XpgDiffer({label});')
        elif m.what == 'ordered':
            w(f'  if (a.{f}.Count() != b.{f}.Count()) return XpgDiffer({label});')
            w(f'  for (int k = 0; k < a.{f}.Count(); ++k) {{')
            w(f'    if (a.{f}.NameAt(k) != b.{f}.NameAt(k)) return XpgDiffer({label});')
            for q, _, alt in m.alternatives:
                if alt.unit is not unit:
                    continue
                w(f'    if (a.{f}.NameAt(k) == {cpp_u16(q)})')
                w(f'      if (auto r = XpgEqual(*static_cast<const {alt.name}*>(a.{f}.GetItems(k)),')
                w(f'                            *static_cast<const {alt.name}*>(b.{f}.GetItems(k))); !r) return r;')
            w('  }')
    w('  return ::testing::AssertionSuccess();')
    w('}')
    w('')


# ---------------------------------------------------------------------------------------------
# Side products: defaults for the comparison of parts, and the name listing.


def attribute_defaults(m, unit):
    """Texts of an attribute that mean the same as its absence here (the value at which it is
    not written, and what the schema implies), or None when its start value is no value."""
    t = m.type
    pol = POLICY_DEFAULTS[unit.policy]
    init = m.opts.get('default', m.opts.get('init'))
    texts = []
    if 'of' in m.opts:
        return None
    if t == 'strlist':
        return [m.opts['init']] if 'init' in m.opts else None
    if t.startswith('enum:'):
        if init is not None:
            texts = [init]
    elif t in ('string', 'xstring'):
        texts = [init or '']
    elif t in ('bool', 'tribool'):
        v = init if init is not None else pol[t]
        if v in ('true', '1'):
            texts = ['1']
        elif v in ('false', '0'):
            texts = ['0']
    elif t in ('int', 'uint', 'double'):
        v = init if init is not None else pol[t]
        if v not in ('unset', 'nan'):
            texts = [str(int(v, 0))] if t != 'double' else [v]
    elif t in ('hex', 'argb'):
        if init is not None and init != 'unset':
            texts = [init]
    if 'implied' in m.opts:
        texts.append(m.opts['implied'])
    return texts or None


def gen_defaults(unit):
    """What a comparison of a part as read and as written must disregard: attributes at their
    default, simple-content elements at their default, and elements whose children may come in
    any order; and which attributes compare as Booleans or numbers rather than as text."""
    attributes, types, elements, unordered, empty = {}, {}, {}, set(), {}
    names = {}
    for name in unit.class_order:
        for m in unit.classes[name].members:
            if m.what in ('child', 'stream'):
                names.setdefault(m.cls.name, set()).add(m.qname)
    for name in unit.class_order:
        c = unit.classes[name]
        if 'elem' in c.opts:
            names.setdefault(name, set()).add(c.opts['elem'])
    # A group's children stand in the elements of the classes that embed it (groups in groups too).
    changed = True
    while changed:
        changed = False
        for name in unit.class_order:
            for m in unit.classes[name].members:
                if m.what == 'group' and m.cls.unit is unit:
                    add = names.get(name, set()) - names.get(m.cls.name, set())
                    if add:
                        names.setdefault(m.cls.name, set()).update(add)
                        changed = True
    # Classes of imported units held here under names of this unit (a text body as "c:rich"):
    # their defaults hold under those names too.
    classes = [unit.classes[n] for n in unit.class_order]
    for c in list(classes):
        for m in c.members:
            if m.what == 'child' and m.cls.unit is not unit and m.cls not in classes:
                classes.append(m.cls)
    for c in classes:
        name = c.name
        qnames = sorted(names.get(name, ()))
        if c.opts.get('order') == 'any':
            unordered.update(qnames)
        for m in c.attrs:
            kind = {'bool': 'bool', 'tribool': 'bool', 'int': 'number', 'uint': 'number',
                    'double': 'number', 'hex': 'hex'}.get(m.type)
            texts = attribute_defaults(m, unit)
            for q in qnames:
                if kind:
                    types.setdefault(q, {})[m.qname] = kind
                if texts is not None:
                    # Classes that share an element name (the groupings of bar and of line
                    # charts) each add their defaults.
                    have = attributes.setdefault(q, {}).setdefault(m.qname, [])
                    have.extend(t for t in texts if t not in have)
        for m in c.members:
            # A child written only when it holds something: read empty, it is not written; a
            # required one is written empty when missing. Not so for one whose bare element means
            # a value (a bare "b" is bold).
            if (m.what == 'child' and m.mult in ('own', 'opt') and m.opts.get('write', 'set') in ('set', 'always')
                    and not any(':' in line or '=' in line for line in m.cls.onopen)):
                for q in qnames:
                    empty.setdefault(q, set()).add(m.qname)
            if m.what != 'value' or m.opts.get('write', 'set') != 'set':
                continue
            init = m.opts.get('default', m.opts.get('init'))
            if m.type == 'bool':
                texts = ['1', 'true'] if init in ('true', '1') else ['0', 'false']
            elif m.type in ('string', 'xstring'):
                texts = [init or '']
            elif m.type in ('int', 'uint', 'double', 'date'):
                texts = [init or '0']
            else:
                continue
            elements.setdefault(m.qname, sorted(set(elements.get(m.qname, []) + texts)))
    return json.dumps({'attributes': attributes, 'types': types, 'elements': elements,
                       'unordered': sorted(unordered), 'empty': {k: sorted(v) for k, v in empty.items()}},
                      indent=1, sort_keys=True) + '\n'


def gen_names(unit):
    lines = []
    for name in unit.class_order:
        c = unit.classes[name]
        lines.append(name)
        elements = [m.qname for m in c.members if m.qname]
        elements += [a[0] for m in c.members if m.what == 'ordered' for a in m.alternatives]
        for title, items in (('element', elements),
                             ('attribute', [m.qname for m in c.attrs])):
            sums = {}
            for q in items:
                sums.setdefault(byte_sum(q), []).append(q)
            for q in items:
                s = byte_sum(q)
                mark = '  collides with ' + ', '.join(x for x in sums[s] if x != q) if len(sums[s]) > 1 else ''
                lines.append(f'  {title} {q} {s}{mark}')
    for name in unit.enum_order:
        e = unit.enums[name]
        lines.append(f'enum {name} {e.prefix} {len(e.literals)}')
    return '\n'.join(lines) + '\n'


def write_if_changed(path, text):
    try:
        with open(path, encoding='utf-8') as f:
            if f.read() == text:
                return
    except OSError:
        pass
    with open(path, 'w', encoding='utf-8') as f:
        f.write(text)


def main(argv):
    ap = argparse.ArgumentParser(description='Generate schema-binding classes from a binding table.')
    ap.add_argument('table')
    ap.add_argument('--out', required=True)
    ap.add_argument('--include-prefix', default='ooxml/binding/gen')
    ap.add_argument('--batches', type=int, default=1,
                    help='translation units the classes are cut into')
    ap.add_argument('--test-batches', type=int, default=1,
                    help='translation units their round-trip tests are cut into')
    args = ap.parse_args(argv)
    try:
        unit = parse_table(args.table)
        imported = [parse_table(p) for p in unit.imports]
        for imp, p in zip(imported, unit.imports):
            imp.include_prefix = unit.import_prefixes.get(p)
        for imp in imported:
            # An imported unit is checked against the units it imports itself (the chart unit
            # imports the DrawingML classes, which use the registry's enumerations).
            check_unit(imp, [x for x in imported if x is not imp and
                             os.path.abspath(x.path) in {os.path.abspath(q) for q in imp.imports}])
        classes, _ = check_unit(unit, imported)
        os.makedirs(args.out, exist_ok=True)
        base = os.path.join(args.out, unit.name)
        write_if_changed(base + '.h', gen_header(unit, classes, imported, args.include_prefix))
        if args.batches < 1 or args.test_batches < 1:
            raise TableError('--batches and --test-batches must be 1 or more')
        for name, text in gen_sources(unit, classes, args.include_prefix, args.batches).items():
            write_if_changed(os.path.join(args.out, name), text)
        for name, text in gen_test_sources(unit, classes, args.include_prefix, args.test_batches).items():
            write_if_changed(os.path.join(args.out, name), text)
        write_if_changed(base + '_defaults.json', gen_defaults(unit))
        write_if_changed(base + '_names.txt', gen_names(unit))
    except TableError as e:
        print(f'xpg_gen: {e}', file=sys.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
