#!/usr/bin/python3
"""Regenerates the producer-written part of the differential XML corpus in diff/.

Each producer writes a small workbook; every XML part of the package is extracted as
diff/<producer>__<part path with / as _>. Producers: openpyxl (Python, Debian python3-openpyxl),
libxlsxwriter (C, Debian libxlsxwriter-dev, compiled here with cc) and LibreOffice headless
(Debian libreoffice-calc-nogui, converting a CSV file). A producer that is not installed is
skipped with a note. The hand-written files (hand__*.xml) are not touched.

Run with /usr/bin/python3 from this folder: /usr/bin/python3 make_diff_corpus.py
"""
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "diff")


def extract(producer, xlsx):
    for old in os.listdir(OUT):
        if old.startswith(producer + "__"):
            os.remove(os.path.join(OUT, old))
    with zipfile.ZipFile(xlsx) as z:
        for name in sorted(z.namelist()):
            if not name.endswith((".xml", ".rels", ".vml")):
                continue
            target = producer + "__" + name.replace("/", "_").replace("[", "").replace("]", "")
            with open(os.path.join(OUT, target), "wb") as f:
                f.write(z.read(name))
            print("wrote", target)


def openpyxl_book(path):
    import openpyxl
    from openpyxl.comments import Comment
    from openpyxl.styles import Font, PatternFill, Border, Side, Alignment
    from openpyxl.workbook.defined_name import DefinedName

    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Data & <Sheet>"
    ws["A1"] = "temperature \u00b0C"
    ws["B1"] = "humidity 'RH' \"%\""
    ws["C1"] = "\u6e29\u5ea6 \u6e7f\u5ea6"
    ws["D1"] = "line one\nline two"
    for r in range(2, 12):
        ws.cell(row=r, column=1, value=20 + r * 0.25)
        ws.cell(row=r, column=2, value=r * 3)
        ws.cell(row=r, column=3, value="=A%d*2" % r)
    ws["A13"] = "=AVERAGE(A2:A11)"
    ws["A1"].font = Font(bold=True, color="FF0000")
    ws["B1"].fill = PatternFill("solid", fgColor="FFFFE1")
    ws["C1"].border = Border(left=Side(style="thin"), bottom=Side(style="double"))
    ws["D1"].alignment = Alignment(wrap_text=True)
    ws.merge_cells("E1:F2")
    ws["A2"].comment = Comment("checked < 5 & > 1", "tester")
    wb.defined_names.append(DefinedName("Readings", attr_text="'Data & <Sheet>'!$A$2:$A$11"))
    second = wb.create_sheet("Second")
    second["A1"] = True
    second["A2"] = -1.5e-7
    wb.save(path)


LIBXLSXWRITER_PROGRAM = r"""
#include <xlsxwriter.h>
int main(int argc, char **argv) {
    lxw_workbook *wb = workbook_new(argv[1]);
    lxw_worksheet *ws = workbook_add_worksheet(wb, "Readings");
    lxw_format *bold = workbook_add_format(wb);
    format_set_bold(bold);
    lxw_format *red = workbook_add_format(wb);
    format_set_font_color(red, LXW_COLOR_RED);
    worksheet_write_string(ws, 0, 0, "Time & place <1>", bold);
    worksheet_write_string(ws, 0, 1, "\xe6\xb8\xa9\xe5\xba\xa6 \"quoted\" 'single'", NULL);
    for (int r = 1; r < 20; ++r) {
        worksheet_write_number(ws, r, 0, r * 1.5, NULL);
        worksheet_write_formula(ws, r, 1, "=A2*2", NULL);
    }
    worksheet_write_comment(ws, 1, 0, "a note with <markup> & more");
    lxw_rich_string_tuple fragment1 = {.format = NULL, .string = "plain "};
    lxw_rich_string_tuple fragment2 = {.format = red, .string = "red"};
    lxw_rich_string_tuple *rich[] = {&fragment1, &fragment2, NULL};
    worksheet_write_rich_string(ws, 22, 0, rich, NULL);
    worksheet_merge_range(ws, 24, 0, 24, 3, "merged", NULL);
    worksheet_set_column(ws, 0, 1, 14.5, NULL);
    workbook_define_name(wb, "Data", "=Readings!$A$2:$A$20");
    lxw_chart *chart = workbook_add_chart(wb, LXW_CHART_LINE);
    chart_add_series(chart, NULL, "=Readings!$A$2:$A$20");
    worksheet_insert_chart(ws, 1, 4, chart);
    return workbook_close(wb);
}
"""


def libxlsxwriter_book(path, tmp):
    src = os.path.join(tmp, "book.c")
    exe = os.path.join(tmp, "book")
    with open(src, "w") as f:
        f.write(LIBXLSXWRITER_PROGRAM)
    subprocess.run(["cc", "-std=c99", "-o", exe, src, "-lxlsxwriter"], check=True)
    subprocess.run([exe, path], check=True)


def libreoffice_book(path, tmp):
    csv = os.path.join(tmp, "readings.csv")
    with open(csv, "w", encoding="utf-8") as f:
        f.write('time,temperature,note\n')
        f.write('2026-12-10 08:00,21.5,"a & b < c"\n')
        f.write('2026-12-10 09:00,22.25,"\u6e7f\u5ea6 ok"\n')
        f.write('2026-12-10 10:00,-3,"quote "" inside"\n')
    env = dict(os.environ, HOME=tmp)
    subprocess.run(["soffice", "--headless", "--norestore", "--convert-to", "xlsx", "--outdir", tmp, csv],
                   check=True, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=180)
    shutil.move(os.path.join(tmp, "readings.xlsx"), path)


def main():
    os.makedirs(OUT, exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        producers = [
            ("openpyxl", lambda p: openpyxl_book(p), None),
            ("libxlsxwriter", lambda p: libxlsxwriter_book(p, tmp), "cc"),
            ("libreoffice", lambda p: libreoffice_book(p, tmp), "soffice"),
        ]
        for name, make, tool in producers:
            if tool and not shutil.which(tool):
                print("skipped", name, "(", tool, "not installed )")
                continue
            path = os.path.join(tmp, name + ".xlsx")
            try:
                make(path)
            except Exception as e:  # a missing library or module skips that producer only
                print("skipped", name, ":", e, file=sys.stderr)
                continue
            extract(name, path)


if __name__ == "__main__":
    main()
