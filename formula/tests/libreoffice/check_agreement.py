#!/usr/bin/env python3
"""Checks the expected values of ../spreadsheet_agreement_test.cpp against LibreOffice Calc: every
case of its tables is calculated by lo_eval.py and the results that differ are printed.

    python3 check_agreement.py       prints "n cases, m differ" and each difference
"""
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import lo_eval  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.join(HERE, "..", "spreadsheet_agreement_test.cpp")
STRING = r'"(?:[^"\\]|\\.)*"'


def unquote(literal):
    return bytes(literal[1:-1], "utf-8").decode("unicode_escape").encode("latin-1").decode("utf-8")


def cells_of(spec):
    cells = {}
    for item in filter(None, spec.split(";")):
        ref, value = item.split("=", 1)
        if value.startswith("'"):
            cells[ref] = value[1:]
        elif value.startswith("="):
            cells[ref] = value
        else:
            cells[ref] = float(value)
    return cells


def parse():
    text = open(SOURCE, encoding="utf-8").read()
    constants = {}
    for name, body in re.findall(r"constexpr const char\* (\w+) =\s*((?:%s\s*)+);" % STRING, text):
        constants[name] = "".join(unquote(s) for s in re.findall(STRING, body))
    cases = []
    pattern = r"\{\s*(%s|\w+),\s*(%s),\s*(%s),\s*(%s)\}" % (STRING, STRING, STRING, STRING)
    for cells, at, formula, want in re.findall(pattern, text):
        spec = constants[cells] if not cells.startswith('"') else unquote(cells)
        cases.append((cells_of(spec), unquote(at), unquote(formula), unquote(want)))
    return cases


def same(result, want):
    if isinstance(result, bool):
        return want == ("TRUE" if result else "FALSE")
    if isinstance(result, (int, float)):
        try:
            w = float(want)
        except ValueError:
            return False
        return abs(result - w) <= abs(w) * 1e-12 + 1e-300
    if isinstance(result, str) and result.startswith("#"):
        return result == want
    return want == '"%s"' % result


def main():
    cases = parse()
    results = lo_eval.evaluate([{"cells": c, "at": at, "formula": "=" + f} for c, at, f, _ in cases])
    differ = 0
    for (_, at, formula, want), result in zip(cases, results):
        if not same(result, want):
            differ += 1
            print("%s in %s: LibreOffice %r, the test expects %s" % (formula, at, result, want))
    print("%d cases, %d differ" % (len(cases), differ))


if __name__ == "__main__":
    main()
