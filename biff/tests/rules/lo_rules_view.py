#!/usr/bin/python3
"""What LibreOffice makes of the conditional formats, validations and autofilters of .xls files.

Usage: lo_rules_view.py WORKDIR FILE.xls...
Converts every file to .xlsx with LibreOffice headless (one run for all) and prints, per file, a
line "=== FILE" and one line per conditional-format rule (with its differential format), validation,
autofilter, filter column and filter-database name, in sheet order. A file that LibreOffice could
not load prints "=== FILE" and "not converted".
"""
import os
import subprocess
import sys
import zipfile
import xml.etree.ElementTree as ET

NS = {"m": "http://schemas.openxmlformats.org/spreadsheetml/2006/main"}
R_NS = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"


def q(tag):
    return "{%s}%s" % (NS["m"], tag)


def attrs(el, names):
    return " ".join("%s=%s" % (n, el.get(n)) for n in names if el.get(n) is not None)


def color(el):
    if el is None:
        return "-"
    for key in ("rgb", "indexed", "theme"):
        if el.get(key) is not None:
            return "%s:%s" % (key, el.get(key))
    return "auto"


def dxf_text(dxf):
    parts = []
    font = dxf.find("m:font", NS)
    if font is not None:
        bits = []
        for tag in ("b", "i", "strike", "u", "vertAlign"):
            el = font.find("m:" + tag, NS)
            if el is not None:
                bits.append("%s=%s" % (tag, el.get("val", "1")))
        bits.append("color=" + color(font.find("m:color", NS)))
        parts.append("font(" + " ".join(bits) + ")")
    fill = dxf.find("m:fill/m:patternFill", NS)
    if fill is not None:
        parts.append("fill(%s fg=%s bg=%s)" % (fill.get("patternType", "-"), color(fill.find("m:fgColor", NS)),
                                                color(fill.find("m:bgColor", NS))))
    border = dxf.find("m:border", NS)
    if border is not None:
        sides = []
        for side in ("left", "right", "top", "bottom"):
            el = border.find("m:" + side, NS)
            if el is not None and el.get("style"):
                sides.append("%s=%s/%s" % (side, el.get("style"), color(el.find("m:color", NS))))
        parts.append("border(" + " ".join(sides) + ")")
    return " ".join(parts)


def view(xlsx):
    out = []
    z = zipfile.ZipFile(xlsx)
    styles = ET.fromstring(z.read("xl/styles.xml"))
    dxfs = styles.findall("m:dxfs/m:dxf", NS)
    book = ET.fromstring(z.read("xl/workbook.xml"))
    rels = ET.fromstring(z.read("xl/_rels/workbook.xml.rels"))
    targets = {r.get("Id"): r.get("Target") for r in rels}
    for sheet in book.findall("m:sheets/m:sheet", NS):
        name = sheet.get("name")
        part = "xl/" + targets[sheet.get("{%s}id" % R_NS)]
        ws = ET.fromstring(z.read(part))
        af = ws.find("m:autoFilter", NS)
        if af is not None:
            out.append("%s autofilter %s" % (name, af.get("ref")))
            for col in af.findall("m:filterColumn", NS):
                desc = []
                for f in col.findall("m:filters/m:filter", NS):
                    desc.append("value=" + f.get("val"))
                if col.find("m:filters", NS) is not None and col.find("m:filters", NS).get("blank"):
                    desc.append("blank")
                cfs = col.find("m:customFilters", NS)
                if cfs is not None:
                    desc.append("and=%s" % cfs.get("and", "false"))
                    for f in cfs.findall("m:customFilter", NS):
                        desc.append("%s:%s" % (f.get("operator", "equal"), f.get("val")))
                top = col.find("m:top10", NS)
                if top is not None:
                    desc.append("top10 " + attrs(top, ["top", "percent", "val"]))
                out.append("%s filter %s %s" % (name, col.get("colId"), " ".join(desc)))
        for cf in ws.findall("m:conditionalFormatting", NS):
            for rule in cf.findall("m:cfRule", NS):
                formulas = "|".join(f.text or "" for f in rule.findall("m:formula", NS))
                dxf = rule.get("dxfId")
                fmt = dxf_text(dxfs[int(dxf)]) if dxf is not None and int(dxf) < len(dxfs) else "-"
                out.append("%s cf %s %s op=%s [%s] %s" % (name, cf.get("sqref"), rule.get("type"), rule.get("operator"),
                                                          formulas, fmt))
        for dv in ws.findall("m:dataValidations/m:dataValidation", NS):
            f1 = dv.find("m:formula1", NS)
            f2 = dv.find("m:formula2", NS)
            out.append("%s dv %s %s [%s|%s]" % (
                name, dv.get("sqref"),
                attrs(dv, ["type", "operator", "errorStyle", "allowBlank", "showDropDown", "showInputMessage",
                           "showErrorMessage", "promptTitle", "prompt", "errorTitle", "error"]),
                f1.text if f1 is not None else "", f2.text if f2 is not None else ""))
    for n in book.findall("m:definedNames/m:definedName", NS):
        if n.get("name") == "_xlnm._FilterDatabase":
            out.append("name %s sheet=%s hidden=%s %s" % (n.get("name"), n.get("localSheetId"), n.get("hidden"), n.text))
    return out


def main():
    work = sys.argv[1]
    files = sys.argv[2:]
    outdir = os.path.join(work, "lo_xlsx")
    subprocess.run(["timeout", "300", "soffice", "-env:UserInstallation=file://" + os.path.join(work, "profile"),
                    "--headless", "--convert-to", "xlsx", "--outdir", outdir] + files,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    for f in files:
        print("=== " + f)
        xlsx = os.path.join(outdir, os.path.splitext(os.path.basename(f))[0] + ".xlsx")
        if not os.path.exists(xlsx):
            print("not converted")
            continue
        for line in view(xlsx):
            print(line)


if __name__ == "__main__":
    main()
