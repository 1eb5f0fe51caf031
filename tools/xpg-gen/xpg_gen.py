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
        self.defaults = {}
        self.docmembers = []


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

SCALAR_TYPES = {'string', 'int', 'uint', 'hex', 'argb', 'bool', 'tribool', 'double', 'date', 'strlist',
                'adjcoord', 'adjangle'}
MEMBER_KINDS = {'own', 'opt', 'list', 'lazylist'}
VALUE_LISTS = {'u32': 'TLongwordXpgList', 'ext': 'TExtendedXpgList', 'str': 'TStringXpgList',
               'date': 'TTDateTimeXpgList', 'bool': 'TBooleanXpgList'}
HAND_OPS = {'CheckAssigned', 'HandleElement', 'HandleAttributes', 'AfterTag', 'WriteAttributes',
            'WriteElements', 'Clear', 'ContentText', 'ReadContent'}
IDENT = re.compile(r'^[A-Za-z_][A-Za-z0-9_]*$')


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


def parse_table(path):
    unit = Unit(path)
    cls = None
    enum = None
    with open(path, encoding='utf-8') as f:
        lines = f.read().split('\n')
    for no, raw in enumerate(lines, 1):
        text = raw.split('#', 1)[0].rstrip()
        if not text.strip():
            continue
        try:
            stripped = text.strip()
            if stripped.startswith(':'):
                if enum is None:
                    raise TableError('literal line outside an enum')
                enum.literals.extend(stripped[1:].split())
                continue
            words = tokenize(stripped)
            head = words[0]
            indented = text[0].isspace()
            if not indented:
                enum = None
                cls = None
            if head == 'unit' and not indented:
                rest, o = split_opts(words[1:], no, {'namespace', 'policy', 'document', 'registry'})
                unit.name = rest[0]
                unit.namespace = o.get('namespace', 'ooxml::' + rest[0])
                unit.policy = o.get('policy', 'package')
                if unit.policy not in POLICY_DEFAULTS:
                    raise TableError(f'unknown policy "{unit.policy}"')
                unit.document = o.get('document')
                unit.registry = o.get('registry', 'EnumRegistry')
            elif head == 'docmember' and not indented:
                unit.docmembers.append((words[1], ' '.join(words[2:])))
            elif head == 'import' and not indented:
                unit.imports.append(os.path.join(os.path.dirname(path), words[1]))
            elif head == 'enum' and not indented:
                rest, o = split_opts(words[1:], no, {'prefix', 'store', 'unset', 'keys'})
                pol = POLICY_DEFAULTS[unit.policy]
                name = rest[0]
                enum = Enum(name, o.get('prefix', ''), o.get('store', pol['enum.store']),
                            int(o.get('unset', pol['enum.unset']), 0), o.get('keys') == 'asis', [], no)
                if ':' in rest:
                    enum.literals.extend(rest[rest.index(':') + 1:])
                if name in unit.enums:
                    raise TableError(f'enum {name} defined twice')
                unit.enums[name] = enum
                unit.enum_order.append(name)
            elif head in ('class', 'root') and not indented:
                if head == 'root':
                    rest, o = split_opts(words[1:], no, {'primary', 'hand'})
                    name, o['kind'] = 'T__ROOT__', 'root'
                else:
                    rest, o = split_opts(words[1:], no, {'elem', 'counts', 'kind', 'attrs', 'children',
                                                          'assigned', 'hand', 'order'})
                    name = rest[0]
                if name in unit.classes:
                    raise TableError(f'class {name} defined twice')
                cls = Class(name, o, no)
                if 'hand' in o:
                    cls.hand = set(o['hand'].split(','))
                    bad = cls.hand - HAND_OPS
                    if bad:
                        raise TableError(f'unknown hand-written operation {sorted(bad)}')
                unit.classes[name] = cls
                unit.class_order.append(name)
            elif indented and cls is not None:
                parse_member(cls, words, no)
            else:
                raise TableError(f'unexpected "{head}"')
        except TableError as e:
            raise TableError(f'{path}:{no}: {e}') from None
    if unit.name is None:
        raise TableError(f'{path}: no unit line')
    return unit


def parse_member(cls, words, no):
    what = words[0]
    if what == 'attr':
        rest, o = split_opts(words[1:], no, {'init', 'default', 'write', 'count'})
        field, qname, type_ = rest
        cls.attrs.append(Member('attr', field, qname, type_, o, no))
    elif what == 'text':
        rest, o = split_opts(words[1:], no, {'init'})
        field, type_ = rest
        cls.text = Member('text', field, None, type_, o, no)
    elif what == 'child':
        rest, o = split_opts(words[1:], no, {'write'})
        field, qname, cname, mult = rest
        if mult not in MEMBER_KINDS:
            raise TableError(f'unknown multiplicity "{mult}"')
        m = Member('child', field, qname, cname, o, no)
        m.mult = mult
        cls.members.append(m)
    elif what == 'value':
        rest, o = split_opts(words[1:], no, {'init', 'default', 'write'})
        field, qname, type_ = rest
        cls.members.append(Member('value', field, qname, type_, o, no))
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
            raise TableError(f'{unit.path}:{e.line}: enum {e.name} has no literals')
        if len(set(l.lower() for l in e.literals)) != len(e.literals):
            raise TableError(f'{unit.path}:{e.line}: enum {e.name} repeats a literal')
        if e.store not in ('u8', 'u16'):
            raise TableError(f'{unit.path}:{e.line}: store must be u8 or u16')
    for c in unit.classes.values():
        c.unit = unit
    roots = [c for c in unit.classes.values() if c.is_root]
    if unit.class_order and len(roots) != 1:
        raise TableError(f'{unit.path}: a unit with classes needs exactly one root')
    if roots and not unit.document:
        raise TableError(f'{unit.path}: a unit with a root needs document=')
    for c in unit.classes.values():
        seen = set()
        for m in c.attrs + c.members + ([c.text] if c.text else []):
            if not IDENT.match(m.field):
                raise TableError(f'{unit.path}:{m.line}: "{m.field}" is no C++ name')
            if m.field in seen:
                raise TableError(f'{unit.path}:{m.line}: member {m.field} twice in {c.name}')
            seen.add(m.field)
            if m.what in ('attr', 'text', 'value'):
                # Booleans of a policy without a Boolean start value are tri-state (2 unset).
                if m.type == 'bool' and 'init' not in m.opts and POLICY_DEFAULTS[unit.policy]['bool'] == 'unset':
                    m.type = 'tribool'
                check_type(m, enums, unit)
            if m.what == 'ordered':
                for alt in m.alternatives:
                    if alt[1] not in classes:
                        raise TableError(f'{unit.path}:{m.line}: unknown class {alt[1]}')
                    alt[2] = classes[alt[1]]
            if m.what == 'child' and m.opts.get('write', 'set') not in ('set', 'always'):
                raise TableError(f'{unit.path}:{m.line}: a child is written when set or always')
            if m.what in ('child', 'group'):
                if m.type not in classes:
                    raise TableError(f'{unit.path}:{m.line}: unknown class {m.type}')
                m.cls = classes[m.type]
                if m.what == 'group' and not m.cls.is_group:
                    raise TableError(f'{unit.path}:{m.line}: {m.type} is not a group')
        names = [m.qname for m in c.members if m.qname]
        names += [a[0] for m in c.members if m.what == 'ordered' for a in m.alternatives]
        if len(names) != len(set(names)):
            raise TableError(f'{unit.path}:{c.line}: an element name repeats in {c.name}')
        anames = [m.qname for m in c.attrs]
        if len(anames) != len(set(anames)):
            raise TableError(f'{unit.path}:{c.line}: an attribute name repeats in {c.name}')
        if c.opts.get('attrs') == 'first' and len(c.attrs) != 1:
            raise TableError(f'{unit.path}:{c.line}: attrs=first needs exactly one attribute')
        if c.is_root and c.opts.get('primary') and c.opts['primary'] not in seen:
            raise TableError(f'{unit.path}:{c.line}: primary member not found')
    return classes, enums


def check_type(m, enums, unit):
    t = m.type
    if t.startswith('enum:'):
        name = t[5:]
        if name not in enums:
            raise TableError(f'{unit.path}:{m.line}: unknown enum {name}')
        m.enum = enums[name]
        init = m.opts.get('init')
        if init is not None and init not in m.enum.literals:
            raise TableError(f'{unit.path}:{m.line}: init "{init}" is no literal of {name}')
    elif t not in SCALAR_TYPES:
        raise TableError(f'{unit.path}:{m.line}: unknown type "{t}"')
    if m.opts.get('write', 'set') not in ('set', 'always', 'never'):
        raise TableError(f'{unit.path}:{m.line}: write must be set, always or never')


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
    return {'string': 'std::u16string', 'int': 'std::int32_t', 'uint': 'std::uint32_t',
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
    if t == 'string':
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
            raise TableError(f'line {m.line}: a bool cannot be unset; use tribool')
        return {'true': 'true', 'false': 'false', '1': 'true', '0': 'false'}[init]
    if t == 'tribool':
        return {'unset': '2', '2': '2', 'true': '1', '1': '1', 'false': '0', '0': '0'}[init]
    if t in ('double', 'date'):
        if init in ('nan', 'unset'):
            return 'XpgUnsetDouble()'
        return repr(float(init))
    raise TableError(f'line {m.line}: no init for {t}')


def is_set_expr(m, expr, policy):
    """C++ test: the field differs from the value it started with."""
    t = m.type
    if t == 'strlist':
        return f'{expr}.GetCount() > 0'
    if t in ('adjcoord', 'adjangle'):
        return f'{expr}.Kind != -1'
    init = init_value(m, policy, 'default')
    if t == 'string':
        return f'!{expr}.empty()' if init == 'u""' else f'{expr} != {init}'
    if t in ('double', 'date') and init == 'XpgUnsetDouble()':
        return f'!XpgIsUnsetDouble({expr})'
    return f'{expr} != {init}'


def from_text_expr(m, text):
    t = m.type
    if t == 'string':
        return text
    if t == 'int':
        return f'XmlStrToIntDef({text}, 0)'
    if t == 'uint':
        return f'XpgStrToUInt({text})'
    if t == 'hex':
        return f'static_cast<std::uint32_t>(XmlStrToIntDef(u"$" + std::u16string({text}), 0))'
    if t == 'argb':
        return f'static_cast<std::int64_t>(static_cast<std::uint32_t>(XmlStrToIntDef(u"$" + std::u16string({text}), 0)))'
    if t == 'bool':
        return f'XmlStrToBoolDef({text}, false)'
    if t == 'tribool':
        return f'static_cast<std::uint8_t>(XmlStrToBoolDef({text}, false) ? 1 : 0)'
    if t == 'double':
        return f'XmlStrToFloatDef({text}, 0)'
    if t == 'date':
        return f'XmlStrToDateTime({text})'
    raise TableError(f'line {m.line}: {t} cannot be read from text here')


def to_text_expr(m, expr, unit):
    t = m.type
    if t.startswith('enum:'):
        return f'{qualified_enum(m.enum, unit)}.Literal({expr})'
    return {'string': expr, 'int': f'XmlIntToStr({expr})',
            'uint': f'XmlIntToStr(static_cast<std::int64_t>({expr}))',
            'hex': f'XmlIntToHex(static_cast<std::int32_t>({expr}), 6)',
            'argb': f'XmlIntToHex(static_cast<std::int32_t>(static_cast<std::uint32_t>({expr})), 6)',
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
    return f'{f} = {from_text_expr(m, val)};'


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
        w(f'#include "{prefix}/{imp.name}.h"')
    w('')
    w(f'namespace {unit.namespace} {{')
    w('')
    w('using namespace ::ooxml;')
    w('')
    for name in unit.enum_order:
        w(f'extern const TXpgEnumType {name};')
    if unit.enum_order:
        w('')
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
    if 'AfterTag' in c.hand:
        w('  void AfterTag() override;')
    if c.attrs or 'WriteAttributes' in c.hand:
        w('  void WriteAttributes(TXpgWriteXML& writer) override;')
    w('  void WriteElements(TXpgWriteXML& writer) override;')
    if c.text:
        w('  std::u16string ContentText() const override;')
    if c.text or 'ReadContent' in c.hand:
        w('  void ReadContent(TXPGReader& reader) override;')
    w('  void Clear() override;')
    for m in c.members:
        if m.what == 'child' and m.mult in ('opt', 'lazylist'):
            t = qualified_class(m.cls, unit) + ('XpgList' if m.mult == 'lazylist' else '')
            w(f'  // Creates {m.field} in place (an earlier one is freed) and returns it.')
            w(f'  {t}* Create_{m.field}();')
    w('')
    for m in c.attrs:
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


def gen_source(unit, classes, prefix):
    out = []
    w = out.append
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
    w('[[maybe_unused]] std::uint32_t XpgStrToUInt(std::u16string_view s) {')
    w('  std::uint32_t v = 0;')
    w('  return TryXmlStrToLongword(s, v) ? v : 0;')
    w('}')
    w('}  // namespace')
    w('')
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
    for name in unit.class_order:
        gen_class_source(unit.classes[name], unit, w)
    if unit.class_order:
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
    w(f'}}  // namespace {unit.namespace}')
    return '\n'.join(out) + '\n'


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
    for m in c.members:
        if m.what == 'child' and m.mult == 'own':
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
    if c.text:
        t = c.text
        if 'ContentText' not in c.hand:
            w(f'std::u16string {n}::ContentText() const {{ return {to_text_expr(t, t.field, unit)}; }}')
            w('')
        if 'ReadContent' not in c.hand:
            w(f'void {n}::ReadContent(TXPGReader& reader) {{')
            w(f'  if (reader.HasText()) {t.field} = {from_text_expr(t, "reader.GetText()")};')
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
            if m.type == 'strlist':
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
    w('}')
    w('')


def gen_check_assigned(c, unit, w):
    w(f'int {c.name}::CheckAssigned() {{')
    w('  FAssigned = 0;')
    if c.kind == 'nowrite':
        w('  return 0;')
        w('}')
        w('')
        return
    w('  int xpg_attributes = 0;')
    w('  int xpg_elements = 0;')
    w('  int xpg_content = 0;')
    for m in c.attrs:
        if m.opts.get('count') == 'always':
            w('  ++xpg_attributes;')
        else:
            w(f'  if ({is_set_expr(m, m.field, unit.policy)}) ++xpg_attributes;')
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
                w(f'  xpg_elements += {f}.CheckAssigned();')
            else:
                w(f'  if ({f}) xpg_elements += {f}->CheckAssigned();')
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
            if m.cls.text or 'ReadContent' in m.cls.hand:
                body.append(f'static_cast<{q}*>(xpg_o)->ReadContent(reader);')
            body += ['xpg_o->FAssigned = xaRead;', 'return xpg_o;']
        elif m.what == 'value':
            if m.type.startswith('enum:') or m.type in ('strlist', 'adjcoord', 'adjangle'):
                raise TableError(f'line {m.line}: value members hold scalar types only')
            body = [f'{f} = {from_text_expr(m, "reader.GetText()")};', 'return this;']
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
                if alt.text or 'ReadContent' in alt.hand:
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
            w('          ' + read_attr_stmt(m, unit))
            w('          continue;')
            w('        }')
        w('        break;')
    w('      default:')
    w('        break;')
    w('    }')
    w(f'    KeepAttribute(a, i, {"false" if mode == "lenient" else "true"});')
    w('  }')
    w('}')
    w('')


def gen_write_attributes(c, unit, w):
    w(f'void {c.name}::WriteAttributes(TXpgWriteXML& writer) {{')
    for m in c.attrs:
        rule = m.opts.get('write', 'set')
        if rule == 'never':
            continue
        add = f'writer.AddAttribute({cpp_u16(m.qname)}, {to_text_expr(m, m.field, unit)});'
        if rule == 'always':
            w('  ' + add)
        else:
            w(f'  if ({is_set_expr(m, m.field, unit.policy)}) {add}')
    w('}')
    w('')


def gen_write_elements(c, unit, w):
    w(f'void {c.name}::WriteElements(TXpgWriteXML& writer) {{')
    w('  (void)writer;')
    if c.is_root:
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
            stmt = f'writer.WriteTagText({cpp_u16(m.qname)}, {to_text_expr(m, f, unit)});'
            if rule == 'always':
                w('  ' + stmt)
            elif rule == 'set':
                w(f'  if ({is_set_expr(m, f, unit.policy)}) {stmt}')
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
    out = []
    w = out.append
    w('// Generated by tools/xpg-gen/xpg_gen.py from ' + os.path.basename(unit.path) + '. Do not edit.')
    w(f'#include "{prefix}/{unit.name}.h"')
    w('')
    w('#include <gtest/gtest.h>')
    w('')
    w('#include "ooxml/binding/xpg_testing.h"')
    w('')
    w(f'namespace {unit.namespace} {{')
    w('namespace {')
    w('')
    for name in unit.class_order:
        w(f'[[maybe_unused]] void XpgPopulate({name}& o, int depth);')
        w(f'[[maybe_unused]] ::testing::AssertionResult XpgEqual(const {name}& a, const {name}& b);')
    w('')
    for name in unit.class_order:
        gen_populate(unit.classes[name], unit, w)
        gen_equal(unit.classes[name], unit, w)
    w('}  // namespace')
    w('')
    policy = POLICY_OBJECTS[unit.policy]
    elem_names = element_names(unit)
    for name in unit.class_order:
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
        w(test + ' {')
        w(f'  XpgProbeDoc doc({policy});')
        w(f'  {name} a(&doc);')
        w('  XpgPopulate(a, 2);')
        w(f'  const std::string first = XpgWriteProbe(a, {cpp_u16(qname)}, {"true" if c.is_group else "false"});')
        w(f'  {name} b(&doc);')
        w(f'  XpgReadProbe(doc, b, first, {"true" if c.is_group else "false"});')
        w('  EXPECT_EQ(doc.Reports(), 0) << doc.LastReport();')
        w('  EXPECT_TRUE(XpgEqual(a, b)) << first;')
        w(f'  EXPECT_EQ(XpgWriteProbe(b, {cpp_u16(qname)}, {"true" if c.is_group else "false"}), first);')
        w('  b.Clear();')
        w(f'  EXPECT_EQ(b.CheckAssigned(), {name}(&doc).CheckAssigned()) << "Clear returns to the start values";')
        w('}')
        w('')
    if unit.class_order:
        d = unit.document
        w(f'TEST({unit.name}_roundtrip, {d}) {{')
        w(f'  {d} a;')
        w('  XpgPopulate(a.Root(), 3);')
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
    w(f'}}  // namespace {unit.namespace}')
    return '\n'.join(out) + '\n'


# Classes with these hand-written operations get hand-written tests; the generic round trip leaves
# them (and their place in their owners) alone.
HAND_TESTED = {'HandleElement', 'WriteElements', 'WriteAttributes', 'HandleAttributes', 'CheckAssigned',
               'AfterTag', 'ReadContent', 'Clear'}


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
            if m.what == 'child' and m.cls.unit is unit:
                names.setdefault(m.cls.name, m.qname)
    return names


def gen_populate(c, unit, w):
    w(f'void XpgPopulate({c.name}& o, int depth) {{')
    w('  (void)o;')
    w('  (void)depth;')
    salt = 0
    for m in c.attrs + ([c.text] if c.text else []) + c.members:
        salt += 1
        f = m.field
        if m.what in ('attr', 'text', 'value'):
            if m.what == 'attr' and m.opts.get('write') == 'never':
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
                continue
            if m.mult == 'own':
                w(f'  if (depth > 0) XpgPopulate(*o.{f}, depth - 1);')
            elif m.mult == 'opt':
                w(f'  if (depth > 0) XpgPopulate(*o.Create_{f}(), depth - 1);')
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
            if m.what == 'attr' and m.opts.get('write') == 'never':
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


def gen_defaults(unit):
    """What a comparison of a part as read and as written must disregard: attributes at their
    default, simple-content elements at their default, and elements whose children may come in
    any order."""
    attributes, elements, unordered = {}, {}, set()
    names = {}
    for name in unit.class_order:
        for m in unit.classes[name].members:
            if m.what == 'child':
                names.setdefault(m.cls.name, set()).add(m.qname)
    for name in unit.class_order:
        c = unit.classes[name]
        if 'elem' in c.opts:
            names.setdefault(name, set()).add(c.opts['elem'])
    for name in unit.class_order:
        c = unit.classes[name]
        qnames = sorted(names.get(name, ()))
        if c.opts.get('order') == 'any':
            unordered.update(qnames)
        for m in c.attrs:
            init = m.opts.get('default', m.opts.get('init'))
            if init is None or m.opts.get('write', 'set') != 'set':
                continue
            text = init
            if m.type == 'bool':
                text = '1' if init in ('true', '1') else '0'
            for q in qnames:
                attributes.setdefault(q, {})[m.qname] = text
        for m in c.members:
            if m.what != 'value' or m.opts.get('write', 'set') != 'set':
                continue
            init = m.opts.get('default', m.opts.get('init'))
            if m.type == 'bool':
                texts = ['1', 'true'] if init in ('true', '1') else ['0', 'false']
            elif m.type == 'string':
                texts = [init or '']
            elif m.type in ('int', 'uint', 'double', 'date'):
                texts = [init or '0']
            else:
                continue
            elements.setdefault(m.qname, sorted(set(elements.get(m.qname, []) + texts)))
    return json.dumps({'attributes': attributes, 'elements': elements, 'unordered': sorted(unordered)},
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
    args = ap.parse_args(argv)
    try:
        unit = parse_table(args.table)
        imported = [parse_table(p) for p in unit.imports]
        for imp in imported:
            check_unit(imp, [])
        classes, _ = check_unit(unit, imported)
        os.makedirs(args.out, exist_ok=True)
        base = os.path.join(args.out, unit.name)
        write_if_changed(base + '.h', gen_header(unit, classes, imported, args.include_prefix))
        write_if_changed(base + '.cpp', gen_source(unit, classes, args.include_prefix))
        write_if_changed(base + '_roundtrip_tests.cpp', gen_tests(unit, classes, args.include_prefix))
        write_if_changed(base + '_defaults.json', gen_defaults(unit))
        write_if_changed(base + '_names.txt', gen_names(unit))
    except TableError as e:
        print(f'xpg_gen: {e}', file=sys.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
