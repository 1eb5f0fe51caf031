#!/usr/bin/env python3
"""Tests of the binding generator: table errors, dispatch of colliding names, escape hatches, the
side products, and that every committed table generates."""

import contextlib
import glob
import io
import json
import os
import subprocess
import sys
import tempfile
import textwrap
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import xpg_gen  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(HERE))

BASE = '''
unit t namespace=ooxml::t policy=drawingml document=TDoc
enum ST_K prefix=stk
  : one two three
class TCT_A elem=a:a
  attr tx tx int
  attr sy sy int
  attr k k enum:ST_K init=two
  attr name name string init=0 default=""
  value v a:v bool
class TCT_B elem=a:b hand=HandleElement,AfterTag
  child a a:a TCT_A own
  member Count int
root primary=b
  child b a:b TCT_B own
'''


class Generated:
    def __init__(self, table, *options):
        self.dir = tempfile.TemporaryDirectory()
        path = os.path.join(self.dir.name, 't.xpg')
        with open(path, 'w') as f:
            f.write(textwrap.dedent(table))
        self.rc = xpg_gen.main([path, '--out', self.dir.name, *options])
        self.files = {}
        for p in glob.glob(os.path.join(self.dir.name, '*.*')):
            with open(p, encoding='utf-8') as f:
                self.files[os.path.basename(p)] = f.read()
        self.dir.cleanup()


class TableErrors(unittest.TestCase):
    CASES = [
        ('unknown class', BASE.replace('TCT_A own', 'TCT_X own'), 'unknown class TCT_X'),
        ('unknown enum', BASE.replace('enum:ST_K', 'enum:ST_Q'), 'unknown enum ST_Q'),
        ('literal', BASE.replace('init=two', 'init=four'), 'no literal of ST_K'),
        ('name twice', BASE.replace('attr sy sy int', 'attr sy tx int'), 'attribute name repeats'),
        ('first with two', BASE.replace('class TCT_A elem=a:a', 'class TCT_A elem=a:a attrs=first'),
         'exactly one attribute'),
        ('bad option', BASE.replace('init=two', 'initial=two'), 'unknown option "initial"'),
        ('bad hand', BASE.replace('AfterTag', 'AfterTags'), 'unknown hand-written operation'),
        ('no document', BASE.replace(' document=TDoc', ''), 'needs document='),
        ('bad kind', BASE.replace('TCT_A own', 'TCT_A many'), 'unknown multiplicity'),
        ('parameter name', BASE.replace('attr sy sy int', 'attr i sy int'), 'names a parameter'),
        ('declare item', BASE.replace('root primary=b', 'root primary=b declare=a'), 'declare takes prefix=namespace'),
        ('declare twice', BASE.replace('root primary=b', 'root primary=b declare="a=urn:x a=urn:y"'),
         'prefix a declared twice'),
    ]

    def test_each_error_names_file_and_line(self):
        for title, table, message in self.CASES:
            with self.subTest(title):
                with tempfile.TemporaryDirectory() as d:
                    path = os.path.join(d, 'bad.xpg')
                    with open(path, 'w') as f:
                        f.write(table)
                    with self.assertRaises(xpg_gen.TableError) as ctx:
                        unit = xpg_gen.parse_table(path)
                        xpg_gen.check_unit(unit, [])
                    self.assertIn(message, str(ctx.exception))
                    self.assertIn('bad.xpg', str(ctx.exception))


class Generation(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.g = Generated(BASE)

    def test_succeeds(self):
        self.assertEqual(self.g.rc, 0)

    def test_colliding_sums_share_a_case_and_compare_the_whole_name(self):
        src = self.g.files['t.cpp']
        case = src[src.index('case 236:'):]
        case = case[:case.index('break;')]
        self.assertIn('xpg_name == "tx"', case)
        self.assertIn('xpg_name == "sy"', case)
        self.assertIn('attribute tx 236  collides with sy', self.g.files['t_names.txt'])

    def test_hand_written_operations_are_declared_not_defined(self):
        self.assertIn('TXPGBase* HandleElement(TXPGReader& reader) override;', self.g.files['t.h'])
        self.assertIn('void AfterTag() override;', self.g.files['t.h'])
        self.assertIn('int Count{};', self.g.files['t.h'])
        self.assertNotIn('TCT_B::HandleElement', self.g.files['t.cpp'])
        self.assertNotIn('TCT_B::AfterTag', self.g.files['t.cpp'])
        self.assertNotIn('TEST(t_roundtrip, TCT_B)', self.g.files['t_roundtrip_tests.cpp'])
        self.assertIn('TEST(t_roundtrip, TCT_A)', self.g.files['t_roundtrip_tests.cpp'])

    def test_start_and_default_values(self):
        h = self.g.files['t.h']
        self.assertIn('std::int32_t tx = XPG_UNSET_INT;', h)
        self.assertIn('std::uint16_t k = 1;', h)
        self.assertIn('std::u16string name = u"0";', h)
        src = self.g.files['t.cpp']
        self.assertIn('if (!name.empty()) writer.AddAttribute(u"name", name);', src)
        self.assertIn('if (k != 1) writer.AddAttribute(u"k", ST_K.Literal(k));', src)

    def test_defaults_file(self):
        d = json.loads(self.g.files['t_defaults.json'])
        self.assertEqual(d['attributes']['a:a'], {'k': ['two'], 'name': ['']})
        self.assertNotIn('a:v', d['elements'], 'a tri-state Boolean has no written default')

    def test_representative_classes_generate(self):
        g = Generated(REPRESENTATIVE)
        self.assertEqual(g.rc, 0)
        h, src = g.files['sample.h'], g.files['sample.cpp']
        self.assertIn('element c:title 703  collides with c:floor', g.files['sample_names.txt'])
        self.assertIn('bool locked = true;', h)
        self.assertIn('if (locked != true) writer.AddAttribute(u"locked", XmlBoolToStr(locked));', src)
        self.assertIn('bool hidden = false;', h)
        self.assertIn('element c:barChart', g.files['sample_names.txt'])
        self.assertIn('writer.AddAttribute(u"val", ST_BarDir.Literal(val));\n}', src)
        self.assertIn('writer.WriteTag(u"c:layout");  // written even when missing', src)
        self.assertIn('TXPGOrderedList charts;', h)
        self.assertIn('std::function<void(int)> OnReadRow{};', h)
        self.assertIn('void AfterTag() override;', h)
        self.assertNotIn('TCT_Row::AfterTag', src)
        self.assertNotIn('TCT_SRgbColor::CheckAssigned', src)
        group = src[src.index('TXPGBase* TEG_ColorChoice::HandleElement'):]
        group = group[:group.index('\n}\n')]
        self.assertTrue(group.rstrip().endswith('return nullptr;'), group)
        scheme = src[src.index('int TCT_SchemeColor::CheckAssigned'):]
        self.assertIn('  FAssigned |= xaAttributes;\n', scheme[:scheme.index('\n}\n')])
        self.assertIn('StrToAdjCoordinate(a.GetValue(i), x);', src)

    def test_output_is_deterministic(self):
        again = Generated(BASE)
        self.assertEqual(again.files, self.g.files)


# Classes of the kinds the SpreadsheetML, DrawingML and chart units hold, written in the table
# format: Booleans that start true, 8-bit enumerations, a streaming row with hand-written operations
# and a document event, a colour choice group, a colour wrapper, a chart element whose "val" is
# always written, chart names with equal byte sums, an ordered list of chart types.
REPRESENTATIVE = '''
unit sample namespace=ooxml::sample policy=drawingml document=TXPGDocSample
docmember OnReadRow std::function<void(int)>
enum ST_BarDir prefix=stbd
  : bar col
enum ST_SchemeColorVal prefix=stscv
  : bg1 tx1 bg2 tx2
class TCT_CellProtection elem=protection
  attr locked locked bool init=true
  attr hidden hidden bool init=false
class TCT_Row elem=row hand=AfterTag,ReadContent
  attr r r int
  attr ht ht double
  attr spans spans strlist
  child c c TCT_CellProtection own
  member Reused bool
class TCT_SRgbColor elem=a:srgbClr hand=CheckAssigned
  attr val val hex
  child transforms a:lumMod TCT_CellProtection list
class TCT_SchemeColor elem=a:schemeClr assigned=attrs
  attr val val enum:ST_SchemeColorVal
class TEG_ColorChoice kind=group
  child srgbClr a:srgbClr TCT_SRgbColor opt
  child schemeClr a:schemeClr TCT_SchemeColor opt
class TCT_Color elem=a:fgClr
  group choice TEG_ColorChoice
class TCT_BarDir elem=c:barDir
  attr val val enum:ST_BarDir init=col write=always count=always
class TCT_Layout elem=c:layout
  marker manualLayout c:manualLayout
class TCT_PlotArea elem=c:plotArea
  child layout c:layout TCT_Layout opt write=always
  ordered charts c:barChart=TCT_BarDir c:lineChart=TCT_BarDir
  child title c:title TCT_Layout opt
  child floor c:floor TCT_Layout opt
  child pos a:off TCT_Adj own
class TCT_Adj elem=a:off
  attr x x adjcoord
  attr rot rot adjangle
root primary=plotArea
  child plotArea c:plotArea TCT_PlotArea own
  child row row TCT_Row own
  child fgClr a:fgClr TCT_Color own
'''


class ClassesOnlyUnits(unittest.TestCase):
    """A unit of shared element classes: no root and no document, imported enumerations whose
    header another library generates, an element that needs one attribute to be written."""

    def test_classes_without_root_import_and_requires(self):
        with tempfile.TemporaryDirectory() as d:
            with open(os.path.join(d, 'enums.xpg'), 'w') as f:
                f.write('unit enums namespace=ooxml::e policy=drawingml\nenum ST_K prefix=stk\n  : one two\n')
            path = os.path.join(d, 'main.xpg')
            with open(path, 'w') as f:
                f.write(textwrap.dedent("""
                    unit main namespace=ooxml::e policy=drawingml
                    import enums.xpg include=ooxml/binding/gen
                    header ooxml/drawingml/picture_host.h
                    class TCT_C elem=a:c requires=val
                      attr val val hex
                      attr k k enum:ST_K
                      child c a:c TCT_C opt
                    """))
            self.assertEqual(xpg_gen.main([path, '--out', d, '--include-prefix', 'ooxml/drawingml/gen']), 0)
            h = open(os.path.join(d, 'main.h')).read()
            src = open(os.path.join(d, 'main.cpp')).read()
            tests = open(os.path.join(d, 'main_roundtrip_tests.cpp')).read()
        self.assertIn('#include "ooxml/binding/gen/enums.h"', h)
        self.assertIn('#include "ooxml/drawingml/picture_host.h"', h)
        self.assertNotIn('TXPGDocBase {', h, 'no document class')
        self.assertNotIn('EnumRegistry', h, 'the imported unit has the registry')
        self.assertIn('TEST(main_roundtrip, TCT_C)', tests)
        check = src[src.index('int TCT_C::CheckAssigned'):]
        check = check[:check.index('\n}\n')]
        self.assertIn('if (!(val != XPG_UNSET_HEX)) return 0;', check)
        self.assertLess(check.index('return 0;'), check.index('xpg_attributes'))

    def test_requires_names_an_attribute(self):
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, 'bad.xpg')
            with open(path, 'w') as f:
                f.write('unit u policy=drawingml\nclass TCT_C elem=c requires=v\n  attr w w int\n')
            with self.assertRaises(xpg_gen.TableError) as ctx:
                xpg_gen.check_unit(xpg_gen.parse_table(path), [])
            self.assertIn('requires names no attribute', str(ctx.exception))


class ImportChainsAndSharedNames(unittest.TestCase):
    """A unit that imports a classes-only unit which itself imports the enumerations (charts on
    DrawingML on the registry), and the comparison defaults of names several classes share."""

    def generate(self):
        with tempfile.TemporaryDirectory() as d:
            with open(os.path.join(d, 'enums.xpg'), 'w') as f:
                f.write('unit enums namespace=ooxml::e policy=drawingml\nenum ST_K prefix=stk\n  : one two\n')
            with open(os.path.join(d, 'main.xpg'), 'w') as f:
                f.write(textwrap.dedent("""
                    unit main namespace=ooxml::m policy=drawingml
                    import enums.xpg include=ooxml/binding/gen
                    class TCT_Body elem=a:txBody elements=always
                      child lst a:lstStyle TCT_Plain opt write=always
                    class TCT_Plain elem=a:lstStyle
                      attr k k enum:ST_K
                    """))
            path = os.path.join(d, 'top.xpg')
            with open(path, 'w') as f:
                f.write(textwrap.dedent("""
                    unit top namespace=ooxml::t policy=drawingml document=TDoc
                    import enums.xpg include=ooxml/binding/gen
                    import main.xpg include=ooxml/main/gen
                    class TCT_G elem=c:grouping
                      attr val val enum:ST_K init=one
                    class TCT_H elem=c:grouping
                      attr val val enum:ST_K init=two
                    class TEG_Shared kind=group
                      child grouping c:grouping TCT_G opt
                    class TCT_Chart elem=c:lineChart
                      group shared TEG_Shared
                      child other c:grouping2 TCT_H opt write=always
                      child rich c:rich TCT_Body opt
                    root
                      child chart c:lineChart TCT_Chart own
                    """))
            rc = xpg_gen.main([path, '--out', d])
            files = {}
            for n in ('top_defaults.json', 'top_roundtrip_tests.cpp') if rc == 0 else ():
                with open(os.path.join(d, n), encoding='utf-8') as f:
                    files[n] = f.read()
        return rc, files

    def test_a_unit_imports_a_unit_with_imports_of_its_own(self):
        rc, _ = self.generate()
        self.assertEqual(rc, 0)

    def test_defaults_of_groups_shared_names_and_imported_classes(self):
        _, files = self.generate()
        d = json.loads(files['top_defaults.json'])
        self.assertIn('c:grouping', d['empty']['c:lineChart'], "a group's child stands in the element embedding it")
        self.assertEqual(sorted(d['attributes']['c:grouping']['val']), ['one', 'two'], 'both classes add their default')
        self.assertIn('a:lstStyle', d['empty']['c:rich'], "an imported class's required children under this unit's name")

    def test_a_required_child_missing_compares_equal_to_an_empty_one(self):
        _, files = self.generate()
        tests = files['top_roundtrip_tests.cpp']
        equal = tests[tests.index('::testing::AssertionResult XpgEqual(const TCT_Chart& a, const TCT_Chart& b) {'):]
        equal = equal[:equal.index('\n}\n')]
        self.assertIn('const TCT_H xpg_empty(xpg_one->Owner);', equal)


class Comparison(unittest.TestCase):
    """Texts in the comparison of read and written parts: layout white space is none, a one-line
    text is content with or without xml:space."""

    def normal(self, xml):
        import xml.etree.ElementTree as ET
        import xpg_compare
        return xpg_compare.normalise(ET.fromstring(xml), ({}, {}, {}, set(), {}))

    def test_texts(self):
        for a, b, equal in (
                ('<s>; </s>', '<s xml:space="preserve">; </s>', True),
                ('<s> </s>', '<s xml:space="preserve"> </s>', True),
                ('<s> </s>', '<s/>', False),
                ('<p>\n  <q/>\n</p>', '<p><q/></p>', True),
                ('<s>a</s>', '<s>b</s>', False)):
            with self.subTest(a=a, b=b):
                self.assertEqual(self.normal(a) == self.normal(b), equal)


class Batches(unittest.TestCase):
    def test_batches_hold_every_definition_once(self):
        one = Generated(BASE)
        three = Generated(BASE, '--batches', '3', '--test-batches', '3')
        self.assertEqual(three.rc, 0)
        sources = ['t.cpp', 't_2.cpp', 't_3.cpp']
        tests = ['t_roundtrip_tests.cpp', 't_roundtrip_tests_2.cpp', 't_roundtrip_tests_3.cpp']
        for name in sources + tests:
            self.assertIn(name, three.files)
        self.assertEqual(three.files['t.h'], one.files['t.h'])

        def defined(text):
            return sorted(line for line in text.splitlines()
                          if line.endswith('{') and not line.startswith((' ', 'namespace', '[[maybe_unused]]'))
                          and ('::' in line or line.startswith(('TEST(', 'void XpgPopulate'))))

        for names, single in ((sources, 't.cpp'), (tests, 't_roundtrip_tests.cpp')):
            cut = sorted(sum((defined(three.files[n]) for n in names), []))
            self.assertEqual(cut, defined(one.files[single]))
            self.assertTrue(all(defined(three.files[n]) for n in names), 'no batch is left empty')
        self.assertEqual(sum(three.files[n].count('bool g_xpg_streams = true;') for n in tests), 1)


class CommittedTables(unittest.TestCase):
    def test_every_table_generates(self):
        tables = glob.glob(os.path.join(ROOT, 'ooxml', '**', '*.xpg'), recursive=True)
        # Files that a unit includes are checked through their unit.
        tables = [t for t in tables if any(line.startswith('unit ') for line in open(t, encoding='utf-8'))]
        self.assertGreaterEqual(len(tables), 5)
        with tempfile.TemporaryDirectory() as d:
            for t in tables:
                with self.subTest(os.path.basename(t)):
                    self.assertEqual(xpg_gen.main([t, '--out', d]), 0)

    def test_drawingml_registry_counts(self):
        unit = xpg_gen.parse_table(os.path.join(ROOT, 'ooxml/binding/tables/drawingml_enums.xpg'))
        xpg_gen.check_unit(unit, [])
        self.assertEqual(len(unit.enums), 72)
        self.assertEqual(sum(len(e.literals) for e in unit.enums.values()), 930)

    def test_command_line_reports_errors(self):
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, 'bad.xpg')
            with open(path, 'w') as f:
                f.write('unit u\nenum ST_E prefix=e\n')
            r = subprocess.run([sys.executable, os.path.join(HERE, 'xpg_gen.py'), path, '--out', d],
                               capture_output=True, text=True)
            self.assertEqual(r.returncode, 1)
            self.assertIn('bad.xpg:2', r.stderr)


# Attribute options of the sheet-level SpreadsheetML classes: a password hash with its own minimum
# width, a relationship id under any prefix, a count written from a list, a range list that starts
# with one item.
ATTRIBUTE_OPTIONS = '''
unit o namespace=ooxml::o policy=spreadsheetml document=TDoc
class TCT_Brk elem=brk
  attr id id int
class TCT_Breaks elem=rowBreaks
  attr count count int of=brk write=always
  attr password password hex init=0 digits=4
  attr rid r:id string match=local
  attr sqref sqref strlist init=A1
  child brk brk TCT_Brk list
root
  child rowBreaks rowBreaks TCT_Breaks own
'''


class AttributeOptions(unittest.TestCase):
    def test_options_generate(self):
        g = Generated(ATTRIBUTE_OPTIONS)
        self.assertEqual(g.rc, 0)
        h, src = g.files['o.h'], g.files['o.cpp']
        self.assertNotIn(' count = ', h, 'a count taken from a list has no field')
        self.assertIn('writer.AddAttribute(u"count", XmlIntToStr(brk.Count()));', src)
        self.assertIn('if (brk.Count() > 0) ++xpg_attributes;', src)
        self.assertIn('XmlIntToHex(static_cast<std::int32_t>(password), 4)', src)
        self.assertIn('if (XpgLocalName(xpg_name.Bytes()) == "id") {', src)
        self.assertEqual(src.count('sqref.SetDelimitedText(u"A1");'), 2, 'constructor and Clear')
        defaults = json.loads(g.files['o_defaults.json'])['attributes']['rowBreaks']
        self.assertNotIn('count', defaults, 'a computed count has no default')
        self.assertEqual(defaults['sqref'], ['A1'], 'a range list is not written at its start item')

    def test_required_children_are_written_whenever_the_element_is(self):
        table = ATTRIBUTE_OPTIONS.replace('class TCT_Breaks elem=rowBreaks', 'class TCT_Breaks elem=rowBreaks elements=always')
        g = Generated(table.replace('  child brk brk TCT_Brk list', '  child brk brk TCT_Brk list\n  child first first TCT_Brk opt write=always'))
        self.assertEqual(g.rc, 0)
        check = g.files['o.cpp'].split('int TCT_Breaks::CheckAssigned() {')[1].split('\n}')[0]
        self.assertIn('FAssigned |= xaElements;', check)
        empty = json.loads(g.files['o_defaults.json'])['empty']
        self.assertIn('first', empty['rowBreaks'], 'a required child written empty compares as absent')
        plain = Generated(ATTRIBUTE_OPTIONS).files['o.cpp'].split('int TCT_Breaks::CheckAssigned() {')[1].split('\n}')[0]
        self.assertNotIn('FAssigned |= xaElements;\n  int', plain)

    def test_root_declarations_come_before_the_kept_attributes(self):
        g = Generated(BASE.replace('root primary=b', 'root primary=b declare="a=urn:a r=urn:r"'))
        self.assertEqual(g.rc, 0)
        self.assertIn('WriteRootAttributes(writer, {{u"xmlns:a", u"urn:a"}, {u"xmlns:r", u"urn:r"}});', g.files['t.cpp'])
        self.assertIn('WriteRootAttributes(writer);', Generated(BASE).files['t.cpp'])

    def test_a_missing_required_child_carries_the_values_it_always_writes(self):
        table = BASE.replace('  child a a:a TCT_A own', '  child a a:a TCT_A opt write=always')
        for k, fresh in (('init=two write=always', True), ('init=two', False), ('write=always', False)):
            with self.subTest(k):
                g = Generated(table.replace('init=two', k))
                self.assertEqual(g.rc, 0)
                write = g.files['t.cpp'].split('void TCT_B::WriteElements(TXpgWriteXML& writer) {')[1].split('\n}')[0]
                self.assertEqual('TCT_A xpg_missing(Owner);' in write, fresh)
                self.assertEqual('writer.WriteTag(u"a:a");' in write, not fresh)

    def test_option_errors(self):
        for old, new, message in (
                ('class TCT_Breaks elem=rowBreaks', 'class TCT_Breaks elem=rowBreaks elements=never', 'elements must be always'),
                ('hex init=0 digits=4', 'int digits=4', 'an option of hex'),
                ('of=brk', 'of=nothing', 'names no list child'),
                ('match=local', 'match=prefix', 'match must be name or local')):
            with self.subTest(message):
                with contextlib.redirect_stderr(io.StringIO()) as err:
                    g = Generated(ATTRIBUTE_OPTIONS.replace(old, new))
                self.assertEqual(g.rc, 1)
                self.assertIn(message, err.getvalue())


if __name__ == '__main__':
    unittest.main()
