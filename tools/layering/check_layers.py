#!/usr/bin/env python3
"""Checks that every library includes only headers of itself and of the libraries it declares.

The build writes a manifest (layers.txt in the build folder) with one line per library:

    name <TAB> folder <TAB> floor <TAB> dep;dep;... <TAB> source;source;...

`floor` is the position of the library's folder in the top-level list, lowest first; `dep` are the
project libraries the library's CMakeLists.txt links; sources are paths below the source root.

A folder belongs to the library that compiles a source in it (or, for a folder with no source, to
the library whose CMakeLists.txt lies there); a file belongs to the library of its nearest folder.
For every library the check reads its sources and the headers of its folders (tests/ folders
excepted) and reports:
  - an include of a header of another library that is not among the declared dependencies,
  - an include of, or a declared dependency on, a library on a higher floor (an arrow running up),
  - a cycle among the declared dependencies,
  - two libraries compiling sources in one folder.
Exit status 1 when anything is reported, 0 otherwise.
"""

import argparse
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
HEADER_SUFFIXES = ('.h', '.hpp', '.inc')
SOURCE_SUFFIXES = ('.c', '.cc', '.cpp', '.h', '.hpp', '.inc')


class Library:
    def __init__(self, name, folder, floor, deps, sources):
        self.name = name
        self.folder = folder
        self.floor = floor
        self.deps = deps
        self.sources = sources


def read_manifest(path):
    libraries = {}
    with open(path, encoding='utf-8') as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip('\n')
            if not line or line.startswith('#'):
                continue
            fields = line.split('\t')
            if len(fields) != 5:
                raise SystemExit(f'{path}:{number}: expected 5 tab-separated fields')
            name, folder, floor, deps, sources = fields
            libraries[name] = Library(name, folder.strip('/'), int(floor),
                                      [d for d in deps.split(';') if d],
                                      [s for s in sources.split(';') if s])
    return libraries


def parent(folder):
    return folder.rsplit('/', 1)[0] if '/' in folder else ''


class Tree:
    def __init__(self, root, libraries):
        self.root = root
        self.libraries = libraries
        self.owner = {}      # folder -> library name
        self.problems = []
        for lib in libraries.values():
            for source in lib.sources:
                folder = parent(source)
                other = self.owner.get(folder)
                if other and other != lib.name:
                    self.problems.append(f'{folder}/: sources of both {other} and {lib.name}; '
                                         'one folder serves one library')
                self.owner[folder] = lib.name
        for lib in libraries.values():
            self.owner.setdefault(lib.folder, lib.name)

    def library_of(self, path):
        folder = parent(path)
        while True:
            if folder in self.owner:
                return self.owner[folder]
            if not folder:
                return None
            folder = parent(folder)

    def exists(self, path):
        return os.path.isfile(os.path.join(self.root, path))

    def resolve(self, including, kind, written):
        """The path below the root that an include names, or None for one outside the tree."""
        if kind == '"':
            beside = os.path.normpath(os.path.join(parent(including), written)).replace(os.sep, '/')
            if not beside.startswith('..') and self.exists(beside):
                return beside
        rooted = os.path.normpath(written).replace(os.sep, '/')
        if rooted.startswith('..'):
            return None
        if self.exists(rooted):
            return rooted
        # Generated headers live in the build folder under the path of the library that makes them.
        if kind == '"' and '/' in rooted and os.path.isdir(os.path.join(self.root, rooted.split('/')[0])):
            return rooted
        return None

    def files_of(self, lib):
        files = set(s for s in lib.sources if s.endswith(SOURCE_SUFFIXES) and self.exists(s))
        folders = [f for f, name in self.owner.items() if name == lib.name]
        for folder in folders:
            base = os.path.join(self.root, folder) if folder else self.root
            for dirpath, dirnames, filenames in os.walk(base):
                rel = os.path.relpath(dirpath, self.root).replace(os.sep, '/')
                rel = '' if rel == '.' else rel
                # Test folders and folders of other libraries are not this library's.
                dirnames[:] = [d for d in dirnames if d != 'tests' and not d.startswith('.')
                               and self.owner.get(f'{rel}/{d}'.strip('/'), lib.name) == lib.name]
                for name in filenames:
                    if name.endswith(HEADER_SUFFIXES):
                        files.add(f'{rel}/{name}'.strip('/'))
        return sorted(files)

    def above(self, lib, other):
        """True when `other` stands above `lib`: on a higher floor, or depending on it."""
        if self.libraries[other].floor > self.libraries[lib].floor:
            return True
        seen, stack = set(), [other]
        while stack:
            name = stack.pop()
            if name == lib:
                return True
            if name in seen or name not in self.libraries:
                continue
            seen.add(name)
            stack.extend(self.libraries[name].deps)
        return False

    def check_declarations(self):
        for lib in self.libraries.values():
            for dep in lib.deps:
                if dep not in self.libraries:
                    continue
                if self.libraries[dep].floor > lib.floor:
                    self.problems.append(f'{lib.folder}/CMakeLists.txt: {lib.name} declares {dep}, '
                                         f'which stands above it ({self.libraries[dep].folder}/)')
        # Cycles among the declared dependencies.
        state = {}

        def visit(name, path):
            state[name] = 1
            for dep in self.libraries[name].deps:
                if dep not in self.libraries:
                    continue
                if state.get(dep) == 1:
                    cycle = path[path.index(dep):] + [dep] if dep in path else [name, dep]
                    self.problems.append('declared dependencies run in a circle: ' + ' -> '.join(cycle))
                elif dep not in state:
                    visit(dep, path + [dep])
            state[name] = 2

        for name in sorted(self.libraries):
            if name not in state:
                visit(name, [name])

    def check_includes(self):
        for lib in self.libraries.values():
            for path in self.files_of(lib):
                try:
                    with open(os.path.join(self.root, path), encoding='utf-8', errors='replace') as f:
                        lines = f.readlines()
                except OSError as e:
                    self.problems.append(f'{path}: cannot be read ({e.strerror})')
                    continue
                for number, line in enumerate(lines, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    target = self.resolve(path, m.group(1), m.group(2))
                    if target is None:
                        continue
                    other = self.library_of(target)
                    where = f'{path}:{number}: {lib.name} includes {m.group(2)}'
                    if other is None:
                        self.problems.append(f'{where}, which belongs to no library')
                    elif other == lib.name:
                        continue
                    elif self.above(lib.name, other):
                        self.problems.append(f'{where} of {other}, which stands above it')
                    elif other not in lib.deps:
                        self.problems.append(f'{where} of {other}, which its CMakeLists.txt does not declare')


def check(root, manifest):
    tree = Tree(root, read_manifest(manifest))
    tree.check_declarations()
    tree.check_includes()
    return tree.problems


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--source', required=True, help='the source root')
    parser.add_argument('--manifest', required=True, help='layers.txt written by the build')
    args = parser.parse_args(argv)
    problems = check(args.source, args.manifest)
    for p in problems:
        print(p)
    if problems:
        print(f"{len(problems)} layering fault(s)")
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
