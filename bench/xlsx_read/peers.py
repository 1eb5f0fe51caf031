#!/usr/bin/python3
"""Reads an .xlsx workbook with a Python-side peer and prints "ms cells sum chars": the time of the
reading, the cells it holds, the sum of the numbers and the length of the texts (UTF-16 units).

    peers.py openpyxl FILE              openpyxl in read-only mode, every value walked
    peers.py libreoffice FILE SCRATCH   LibreOffice headless conversion to CSV (UTF-8), the CSV
                                        walked; the office's start-up, timed on a one-cell workbook
                                        converted first, is taken off
"""
import csv
import os
import subprocess
import sys
import time


def units(text):
    return len(text.encode("utf-16-le")) // 2


def openpyxl_read(path):
    import openpyxl
    cells = chars = 0
    total = 0.0
    start = time.perf_counter()
    book = openpyxl.load_workbook(path, read_only=True, data_only=True)
    for sheet in book.worksheets:
        for row in sheet.iter_rows(values_only=True):
            for value in row:
                if value is None:
                    continue
                cells += 1
                if isinstance(value, str):
                    chars += units(value)
                elif isinstance(value, (int, float)):
                    total += value
    book.close()
    return (time.perf_counter() - start) * 1000, cells, total, chars


def convert(path, scratch):
    profile = "file://" + os.path.join(scratch, "profile")
    start = time.perf_counter()
    subprocess.run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--convert-to",
                    "csv:Text - txt - csv (StarCalc):44,34,76", "--outdir", scratch, path],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return (time.perf_counter() - start) * 1000


def libreoffice_read(path, scratch):
    import openpyxl
    tiny = os.path.join(scratch, "tiny.xlsx")
    book = openpyxl.Workbook()
    book.active["A1"] = 1
    book.save(tiny)
    convert(tiny, scratch)  # the first start sets the profile up
    startup = convert(tiny, scratch)
    ms = convert(path, scratch) - startup
    cells = chars = 0
    total = 0.0
    name = os.path.splitext(os.path.basename(path))[0] + ".csv"
    with open(os.path.join(scratch, name), newline="", encoding="utf-8") as f:
        for row in csv.reader(f):
            for field in row:
                if field == "":
                    continue
                cells += 1
                try:
                    total += float(field)
                except ValueError:
                    chars += units(field)
    return ms, cells, total, chars


def main():
    which, path = sys.argv[1], sys.argv[2]
    if which == "openpyxl":
        result = openpyxl_read(path)
    elif which == "libreoffice":
        result = libreoffice_read(path, sys.argv[3])
    else:
        sys.exit("unknown peer " + which)
    print("%.1f %d %.17g %d" % result)


if __name__ == "__main__":
    main()
