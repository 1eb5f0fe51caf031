#!/usr/bin/python3
"""LibreOffice headless on encrypted .xls workbooks, through its UNO interface.

  lo_password.py fixtures OUTDIR
      writes plain.xls and, with the same cells, password.xls (encrypted with the password
      PASSWORD below) and default.xls (encrypted with the format's default password)
  lo_password.py csv OUTDIR NAME FILE PASSWORD [NAME FILE PASSWORD ...]
      opens each FILE (with PASSWORD, or without one when it is "-") and writes each of its sheets
      as OUTDIR/NAME/<sheet>.csv; prints "NAME opened" or "NAME refused" for each

Needs soffice and python3-uno (run with /usr/bin/python3). Each call starts its own soffice with a
private profile and ends it.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

import uno
from com.sun.star.beans import PropertyValue

PASSWORD = "温度Pass-42"
DEFAULT_PASSWORD = "VelvetSweatshop"


def props(**kw):
    out = []
    for k, v in kw.items():
        p = PropertyValue()
        p.Name = k
        p.Value = v
        out.append(p)
    return tuple(out)


class Office:
    def __enter__(self):
        self.dir = tempfile.mkdtemp(prefix="lo_password")
        pipe = "lo_password_%d" % os.getpid()
        self.proc = subprocess.Popen(
            ["soffice", "--headless", "--invisible", "--norestore", "--nologo",
             "-env:UserInstallation=file://" + self.dir + "/profile",
             "--accept=pipe,name=%s;urp;StarOffice.ComponentContext" % pipe],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
        ctx = None
        for _ in range(3000):
            try:
                ctx = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
                break
            except Exception:
                if self.proc.poll() is not None:
                    break
                time.sleep(0.1)
        if ctx is None:
            self.close()
            raise SystemExit("soffice did not start")
        self.desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
        return self

    def close(self):
        try:
            self.desktop.terminate()
        except Exception:
            pass
        try:
            self.proc.wait(timeout=60)
        except Exception:
            self.proc.kill()
        shutil.rmtree(self.dir, ignore_errors=True)

    def __exit__(self, *exc):
        self.close()

    def load(self, path, password=None):
        kw = {"Hidden": True}
        if password is not None:
            kw["Password"] = password
        return self.desktop.loadComponentFromURL(uno.systemPathToFileUrl(os.path.abspath(path)), "_blank", 0,
                                                 props(**kw))

    def new_sheet(self):
        return self.desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0, props(Hidden=True))


def store_xls(doc, path, password=None):
    kw = {"FilterName": "MS Excel 97", "Overwrite": True}
    if password is not None:
        kw["Password"] = password
    doc.storeToURL(uno.systemPathToFileUrl(os.path.abspath(path)), props(**kw))


def fill(doc):
    """Three sheets of text, numbers and formulas: enough records for the stream to run over many
    1024-byte key blocks, with a shared-string table that needs CONTINUE records."""
    sheets = doc.Sheets
    sheets.getByIndex(0).Name = "Werte"
    sheets.insertNewByName("Texte", 1)
    sheets.insertNewByName("Summen", 2)
    values = sheets.getByName("Werte")
    for r in range(120):
        values.getCellByPosition(0, r).setValue(r * 1.25)
        values.getCellByPosition(1, r).setValue(-r * 3)
        values.getCellByPosition(2, r).setFormula("=A%d+B%d" % (r + 1, r + 1))
    texts = sheets.getByName("Texte")
    for r in range(400):
        texts.getCellByPosition(0, r).setString("Zeile %d Messwert 温度 %s" % (r, "x" * (r % 37)))
        texts.getCellByPosition(1, r).setString("Ort %d" % (r % 17))
    sums = sheets.getByName("Summen")
    sums.getCellByPosition(0, 0).setString("Summe")
    sums.getCellByPosition(1, 0).setFormula("=SUM(Werte.C1:C120)")
    sums.getCellByPosition(0, 1).setString("Anzahl")
    sums.getCellByPosition(1, 1).setFormula("=COUNTA(Texte.A1:A400)")


def fixtures(outdir):
    with Office() as office:
        doc = office.new_sheet()
        fill(doc)
        store_xls(doc, os.path.join(outdir, "plain.xls"))
        store_xls(doc, os.path.join(outdir, "password.xls"), PASSWORD)
        store_xls(doc, os.path.join(outdir, "default.xls"), DEFAULT_PASSWORD)
        doc.close(True)


def csv(outdir, jobs):
    with Office() as office:
        for name, path, password in jobs:
            try:
                doc = office.load(path, None if password == "-" else password)
            except Exception:
                doc = None
            if doc is None:
                print("%s refused" % name)
                continue
            target = os.path.join(outdir, name)
            os.makedirs(target, exist_ok=True)
            sheets = doc.Sheets
            for i in range(sheets.getCount()):
                # The last filter option picks the sheet (1-based; the active sheet is not what a
                # hidden document exports); the filter then adds "-<sheet>" to the file name.
                sheet = sheets.getByIndex(i).Name
                stem = os.path.join(os.path.abspath(target), "%d" % i)
                doc.storeToURL(uno.systemPathToFileUrl(stem + ".csv"),
                               props(FilterName="Text - txt - csv (StarCalc)",
                                     FilterOptions="44,34,76,1,,0,false,true,true,false,false,%d" % (i + 1),
                                     Overwrite=True))
                os.replace(stem + "-" + sheet + ".csv", os.path.join(target, sheet + ".csv"))
            doc.close(True)
            print("%s opened" % name)
    return 0


def main(argv):
    if len(argv) == 3 and argv[1] == "fixtures":
        fixtures(argv[2])
        return 0
    if len(argv) >= 6 and (len(argv) - 3) % 3 == 0 and argv[1] == "csv":
        return csv(argv[2], [tuple(argv[i:i + 3]) for i in range(3, len(argv), 3)])
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
