#!/usr/bin/env python3
"""The layering check on small trees: a clean tree passes, and each kind of fault planted in it is
reported, naming the file and the libraries."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))
import check_layers  # noqa: E402

# Three floors: base (0) <- mid (1) <- top (2); tools/app (3) uses top. Each library has a header
# and a source; mid's source folder holds a tests/ folder of its own.
CLEAN_FILES = {
    'base/base.h': '#pragma once\n#include <vector>\n',
    'base/base.cpp': '#include "base/base.h"\n#include "helper.h"\n',
    'base/helper.h': '#pragma once\n',
    'mid/mid.h': '#pragma once\n#include "base/base.h"\n',
    'mid/mid.cpp': '#include "mid/mid.h"\n#include "mid/gen/table.h"\n',
    'mid/tests/mid_test.cpp': '#include "top/top.h"\n',
    'mid/tests/support.h': '#include "top/top.h"\n',
    'top/top.h': '#pragma once\n#include "mid/mid.h"\n#include "base/base.h"\n',
    'top/top.cpp': '#include "top/top.h"\n',
    'top/main.cpp': '#include "tools/app/app.h"\n',
    'tools/app/app.h': '#pragma once\n#include "top/top.h"\n',
    'tools/app/app.cpp': '#include "tools/app/app.h"\n',
}
CLEAN_LIBRARIES = [
    ('base', 'base', 0, [], ['base/base.cpp']),
    ('mid', 'mid', 1, ['base'], ['mid/mid.cpp', 'mid/gen/table.cpp']),
    ('top', 'top', 2, ['mid', 'base'], ['top/top.cpp']),
    ('app', 'tools/app', 3, ['top'], ['tools/app/app.cpp']),
]


def run(files, libraries):
    with tempfile.TemporaryDirectory() as root:
        for path, text in files.items():
            full = os.path.join(root, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, 'w', encoding='utf-8') as f:
                f.write(text)
        manifest = os.path.join(root, 'layers.txt')
        with open(manifest, 'w', encoding='utf-8') as f:
            for name, folder, floor, deps, sources in libraries:
                f.write(f"{name}\t{folder}\t{floor}\t{';'.join(deps)}\t{';'.join(sources)}\n")
        return check_layers.check(root, manifest)


def with_libraries(**changes):
    out = []
    for name, folder, floor, deps, sources in CLEAN_LIBRARIES:
        if name in changes:
            deps = changes[name]
        out.append((name, folder, floor, deps, sources))
    return out


class CheckLayers(unittest.TestCase):
    def test_clean_tree_passes(self):
        # Includes beside the file, generated headers, test folders and programs (top/main.cpp is no
        # library source) are all in order.
        self.assertEqual(run(CLEAN_FILES, CLEAN_LIBRARIES), [])

    def test_planted_faults_are_reported(self):
        cases = [
            # (what, files changed, libraries, words one report line must hold)
            ('upward include from a header', {'base/base.h': '#pragma once\n#include "mid/mid.h"\n'},
             CLEAN_LIBRARIES, ['base/base.h:2', 'base includes mid/mid.h of mid', 'above']),
            ('upward include from a source', {'mid/mid.cpp': '#include "top/top.h"\n'},
             CLEAN_LIBRARIES, ['mid/mid.cpp:1', 'of top', 'above']),
            ('upward include in angle brackets', {'base/base.cpp': '#include <top/top.h>\n'},
             CLEAN_LIBRARIES, ['base/base.cpp:1', 'of top', 'above']),
            ('include of a lower library not declared', {'top/top.cpp': '#include "top/top.h"\n'},
             with_libraries(top=['mid']), ['top/top.h:3', 'base/base.h of base', 'does not declare']),
            ('include of a program folder', {'mid/mid.h': '#pragma once\n#include "tests_only/x.h"\n',
                                             'tests_only/x.h': ''},
             CLEAN_LIBRARIES, ['mid/mid.h:2', 'belongs to no library']),
            ('declared dependency on a library above', {}, with_libraries(base=['top']),
             ['declares top, which stands above it']),
        ]
        for what, changed, libraries, words in cases:
            with self.subTest(what):
                problems = run({**CLEAN_FILES, **changed}, libraries)
                self.assertTrue(any(all(w in line for w in words) for line in problems), problems)

    def test_cycle_of_one_floor_is_reported(self):
        libraries = [
            ('base', 'base', 0, ['other'], ['base/base.cpp']),
            ('other', 'other', 0, ['base'], ['other/other.cpp']),
        ]
        files = {'base/base.cpp': '', 'other/other.cpp': ''}
        problems = run(files, libraries)
        self.assertTrue(any('circle' in p and 'base' in p and 'other' in p for p in problems), problems)

    def test_two_libraries_in_one_folder_are_reported(self):
        libraries = CLEAN_LIBRARIES + [('extra', 'mid', 1, ['base'], ['mid/extra.cpp'])]
        problems = run({**CLEAN_FILES, 'mid/extra.cpp': ''}, libraries)
        self.assertTrue(any('mid/: sources of both' in p for p in problems), problems)

    def test_command_line_exit_status(self):
        with tempfile.TemporaryDirectory() as root:
            os.makedirs(os.path.join(root, 'a'))
            with open(os.path.join(root, 'a', 'a.h'), 'w') as f:
                f.write('#include "b/b.h"\n')
            os.makedirs(os.path.join(root, 'b'))
            with open(os.path.join(root, 'b', 'b.h'), 'w') as f:
                f.write('')
            manifest = os.path.join(root, 'layers.txt')
            with open(manifest, 'w') as f:
                f.write('a\ta\t0\t\ta/a.cpp\nb\tb\t1\t\tb/b.cpp\n')
            self.assertEqual(check_layers.main(['--source', root, '--manifest', manifest]), 1)
            with open(os.path.join(root, 'a', 'a.h'), 'w') as f:
                f.write('')
            self.assertEqual(check_layers.main(['--source', root, '--manifest', manifest]), 0)


if __name__ == '__main__':
    unittest.main()
