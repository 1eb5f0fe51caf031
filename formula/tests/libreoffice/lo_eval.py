#!/usr/bin/env python3
"""Computes formula results with LibreOffice Calc (headless, en-US), for the expected values of the
formula tests. Each case is one sheet: input cells and one formula cell. The workbook is written
with openpyxl, recalculated by LibreOffice on load and read back with openpyxl.

    python3 lo_eval.py cases.json          prints one line per case: the result as Python repr

cases.json: [{"cells": {"A1": 10, "B2": "text", ...}, "at": "C2", "formula": "=SUM(A1:A3)"}, ...]
A result is a number, a text, a boolean, or an error text such as "#VALUE!".
"""
import json
import os
import subprocess
import sys
import tempfile

import openpyxl

XCU = """<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema"
 xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Office.Calc/Formula/Load"><prop oor:name="OOXMLRecalcMode" oor:op="fuse"><value>0</value></prop></item>
<item oor:path="/org.openoffice.Office.Calc/Formula/Load"><prop oor:name="ODFRecalcMode" oor:op="fuse"><value>0</value></prop></item>
<item oor:path="/org.openoffice.Setup/L10N"><prop oor:name="ooSetupSystemLocale" oor:op="fuse"><value>en-US</value></prop></item>
</oor:items>
"""


def evaluate(cases):
    with tempfile.TemporaryDirectory() as tmp:
        user = os.path.join(tmp, "profile", "user")
        os.makedirs(user)
        with open(os.path.join(user, "registrymodifications.xcu"), "w") as f:
            f.write(XCU)
        wb = openpyxl.Workbook()
        wb.remove(wb.active)
        for i, case in enumerate(cases):
            ws = wb.create_sheet("c%d" % i)
            for ref, value in case.get("cells", {}).items():
                ws[ref] = value
            ws[case["at"]] = case["formula"]
        src = os.path.join(tmp, "cases.xlsx")
        wb.save(src)
        out = os.path.join(tmp, "out")
        subprocess.run(["soffice", "-env:UserInstallation=file://" + os.path.join(tmp, "profile"), "--headless",
                        "--convert-to", "xlsx", "--outdir", out, src], check=True, capture_output=True)
        back = openpyxl.load_workbook(os.path.join(out, "cases.xlsx"), data_only=True)
        return [back["c%d" % i][case["at"]].value for i, case in enumerate(cases)]


def main():
    with open(sys.argv[1]) as f:
        cases = json.load(f)
    for case, result in zip(cases, evaluate(cases)):
        print("%s\t%r" % (case["formula"], result))


if __name__ == "__main__":
    main()
