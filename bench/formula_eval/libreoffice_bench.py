#!/usr/bin/python3
"""Times LibreOffice Calc (headless, through python3-uno) on one workbook of bench_formula_eval.

    /usr/bin/python3 libreoffice_bench.py book.json     prints {"calc_ms": ..., "wall_ms": ..., "last": ...}

book.json is the file the bench writes: {"sheets": [{"name", "cells": [[row, col, v], ...]}],
"ask": [sheet, row, col]}. The cells are put in with automatic calculation off; calc_ms is the least
processor time of the office process (all its threads) over 3 calculateAll() calls, wall_ms the
least wall time (LibreOffice's own settings, threaded group calculation included).
bench_formula_eval --libreoffice runs this for every workbook; the figures of such a run are kept in
libreoffice_figures.txt.
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

import uno
from com.sun.star.beans import PropertyValue


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


def cpu_ms(pid):
    """Processor time of a process's threads, in milliseconds (the scheduler's nanosecond counts)."""
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/schedstat" % (pid, task)) as f:
                total += int(f.read().split()[0])
        except OSError:
            pass  # a thread that ended meanwhile
    return total / 1e6


def office_pid(parent):
    """The soffice.bin process started for this run (soffice may be a script that starts it)."""
    for _ in range(100):
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                with open("/proc/%s/stat" % entry) as f:
                    stat = f.read()
            except OSError:
                continue
            name = stat[stat.index("(") + 1:stat.rindex(")")]
            ppid = int(stat.rsplit(")", 1)[1].split()[1])
            if name.startswith("soffice") and (int(entry) == parent or ppid == parent):
                if name == "soffice.bin":
                    return int(entry)
        time.sleep(0.1)
    return parent


def api_formula(text):
    """The formula as the API reads it: arguments separated by semicolons (commas outside texts)."""
    out, quoted = [], False
    for ch in text:
        if ch == '"':
            quoted = not quoted
        out.append(";" if ch == "," and not quoted else ch)
    return "".join(out)


def put_cells(target, cells):
    """Puts the cells in by runs down each column (one call per run of numbers, texts or formulas:
    a call per cell would take minutes)."""
    def kind(value):
        return "f" if isinstance(value, str) and value.startswith("=") else "t" if isinstance(value, str) else "n"

    columns = {}
    for row, col, value in cells:
        columns.setdefault(col, []).append((row, value))
    for col, items in columns.items():
        items.sort(key=lambda item: item[0])
        start = 0
        while start < len(items):
            k = kind(items[start][1])
            end = start + 1
            while end < len(items) and items[end][0] == items[end - 1][0] + 1 and kind(items[end][1]) == k:
                end += 1
            first, last = items[start][0], items[end - 1][0]
            area = target.getCellRangeByPosition(col, first, col, last)
            if k == "f":
                area.setFormulaArray(tuple((api_formula(v),) for _, v in items[start:end]))
            else:
                area.setDataArray(tuple((v if k == "t" else float(v),) for _, v in items[start:end]))
            start = end


def connect(pipe):
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
    for _ in range(3000):  # a busy machine may take minutes to start it
        try:
            return resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
        except Exception:
            time.sleep(0.1)
    raise RuntimeError("LibreOffice did not start")


def main():
    with open(sys.argv[1]) as f:
        book = json.load(f)
    tmp = tempfile.mkdtemp()
    pipe = "thc_bench_%d" % os.getpid()
    office = subprocess.Popen(["soffice", "-env:UserInstallation=file://" + os.path.join(tmp, "profile"), "--headless",
                               "--invisible", "--norestore", "--accept=pipe,name=%s;urp;" % pipe],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        ctx = connect(pipe)
        desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
        doc = desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0, (prop("Hidden", True),))
        doc.enableAutomaticCalculation(False)
        sheets = doc.Sheets
        while sheets.Count < len(book["sheets"]):
            sheets.insertNewByName("Sheet%d" % (sheets.Count + 1), sheets.Count)
        for index, sheet in enumerate(book["sheets"]):
            put_cells(sheets.getByIndex(index), sheet["cells"])
        pid = office_pid(office.pid)
        runs, walls = [], []
        for _ in range(3):
            c = cpu_ms(pid)
            t = time.perf_counter()
            doc.calculateAll()
            walls.append((time.perf_counter() - t) * 1000)
            runs.append(cpu_ms(pid) - c)
        s, r, c = book["ask"]
        cell = sheets.getByIndex(s).getCellByPosition(c, r)
        last = cell.getString()
        doc.close(True)
        print(json.dumps({"calc_ms": min(runs), "wall_ms": min(walls), "last": last}))
    finally:
        try:
            desktop.terminate()
        except Exception:
            pass
        try:
            office.wait(timeout=30)
        except subprocess.TimeoutExpired:
            office.kill()
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
