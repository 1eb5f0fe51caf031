#!/usr/bin/python3
"""Compares sheet-dump's JSON of a workbook with the one xlrd_dump.py made from the same file.
Prints each difference and exits 1 when there is any.

Usage: compare_dump.py EXPECTED.xlrd.json OURS.json

Allowed differences, each for a reason:
- xlrd writes every number literal of a formula as a float ("1.0") and turns the literal's
  text back from the float; numbers are compared after both texts drop a trailing ".0".
- xlrd leaves sheet names unquoted in formula text even where they must be quoted
  ('Format(Print)'!A1); quotes around sheet names are dropped from both texts.
- xlrd prints a 3-D reference to one cell as a one-cell range (Sheet2!A1:A1); such a range is
  read as its cell in both texts.
- number formats are compared by id always, and by their code where the file itself holds the
  FORMAT record: for the built-in ids the two libraries keep tables of their own.
- xlrd reports names only with text it can decompile; names it could not decompile (None) are
  compared by name and scope only.
- xlrd lists no chart sheets; ours are left out before comparing.
"""
import json
import re
import sys

NUM = re.compile(r"(?<![\w.$])(\d+)\.0(?![\d])")
QUOTED_SHEET = re.compile(r"'((?:[^']|'')+)'!")
ONE_CELL_RANGE = re.compile(r"(\$?[A-Z]{1,3}\$?\d+):\1(?![\w(])")


def norm_formula(text):
    if text is None:
        return None
    text = QUOTED_SHEET.sub(lambda m: m.group(1).replace("''", "'") + "!", NUM.sub(r"\1", text))
    return ONE_CELL_RANGE.sub(r"\1", text)


def col_name(c):
    s = ""
    c += 1
    while c:
        c, r = divmod(c - 1, 26)
        s = chr(65 + r) + s
    return s


def area(ref):
    m = re.fullmatch(r"([A-Z]+)(\d+)(?::([A-Z]+)(\d+))?", ref)
    def col(s):
        n = 0
        for ch in s:
            n = n * 26 + ord(ch) - 64
        return n - 1
    c1, r1 = col(m.group(1)), int(m.group(2)) - 1
    c2, r2 = (col(m.group(3)), int(m.group(4)) - 1) if m.group(3) else (c1, r1)
    return [r1, r2, c1, c2]


def main(expected_path, ours_path):
    exp = json.load(open(expected_path, encoding="utf-8"))
    ours = json.load(open(ours_path, encoding="utf-8"))
    ours["sheets"] = [s for s in ours["sheets"] if not s.get("chartsheet")]
    diffs = []
    from_file = set(exp["formats_from_file"])
    if exp["date1904"] != ours["date1904"]:
        diffs.append("date1904 %r vs %r" % (exp["date1904"], ours["date1904"]))
    enames = [s["name"] for s in exp["sheets"]]
    onames = [s["name"] for s in ours["sheets"]]
    if enames != onames:
        diffs.append("sheet names %r vs %r" % (enames, onames))
    for es, os_ in zip(exp["sheets"], ours["sheets"]):
        where = es["name"]
        if es["state"] != os_["state"]:
            diffs.append("%s: state %r vs %r" % (where, es["state"], os_["state"]))
        for key in ("default_col_width", "default_row_height", "default_row_custom", "default_row_hidden",
                    "row_heights"):
            # Older expected files and files without the record hold no value to compare.
            if es.get(key) is not None and es[key] != os_.get(key):
                diffs.append("%s: %s %r vs %r" % (where, key, es[key], os_.get(key)))
        if "notes" in es:
            onotes = [{"row": area(n["ref"])[0], "col": area(n["ref"])[2], "text": n["text"]} for n in os_["notes"]]
            enotes = sorted(es["notes"], key=lambda n: (n["row"], n["col"]))
            if enotes != sorted(onotes, key=lambda n: (n["row"], n["col"])):
                diffs.append("%s: notes %r vs %r" % (where, enotes, onotes))
        om = sorted(area(a) for a in os_["merged"])
        if es["merged"] != om:
            diffs.append("%s: merged %r vs %r" % (where, es["merged"], om))
        ocells = {(c["row"], c["col"]): c for c in os_["cells"]}
        ecells = {(c["row"], c["col"]): c for c in es["cells"]}
        for key in sorted(set(ecells) | set(ocells)):
            ref = "%s!%s%d" % (where, col_name(key[1]), key[0] + 1)
            e, o = ecells.get(key), ocells.get(key)
            if e is None:
                if o["type"] != "blank":
                    diffs.append("%s: only ours: %r" % (ref, o))
                continue
            if o is None:
                diffs.append("%s: only xlrd: %r" % (ref, e))
                continue
            otype = o.get("result_type", o["type"]) if o["type"] == "formula" else o["type"]
            if otype != e["type"] or o["value"] != e["value"]:
                diffs.append("%s: value %s %r vs %s %r" % (ref, e["type"], e["value"], otype, o["value"]))
            if e["format_id"] != o["format_id"]:
                diffs.append("%s: format id %r vs %r" % (ref, e["format_id"], o["format_id"]))
            elif e["format_id"] in from_file and e["format"] != o["format"]:
                diffs.append("%s: format %r vs %r" % (ref, e["format"], o["format"]))
            if "formula" in e and norm_formula(e["formula"]) != norm_formula(o.get("formula")):
                diffs.append("%s: formula %r vs %r" % (ref, e["formula"], o.get("formula")))
    enl = [(n["name"], n["scope"]) for n in exp["names"]]
    onl = [(n["name"], n["scope"]) for n in ours["names"]]
    if enl != onl:
        diffs.append("names %r vs %r" % (enl, onl))
    else:
        for e, o in zip(exp["names"], ours["names"]):
            if e["formula"] is not None and norm_formula(e["formula"]) != norm_formula(o["formula"]):
                diffs.append("name %s: %r vs %r" % (e["name"], e["formula"], o["formula"]))
    for d in diffs:
        print(d)
    print("%d differences" % len(diffs))
    return 1 if diffs else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
