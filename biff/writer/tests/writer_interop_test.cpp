// Workbooks built through the programming interface, written as .xls and read back by python3-xlrd
// and by LibreOffice headless (CSV of every sheet). Skipped only when a tool is absent.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <fstream>
#include <set>
#include <sstream>

#include "biff/reader/xls_reader.h"
#include "biff/writer/tests/writer_test_support.h"
#include "core/strings.h"
#include "core/testing/temp_dir.h"
#include "core/testing/tool_run.h"
#include "core/unicode.h"
#include "workbook/biff_codecs.h"

namespace biff::testing {
namespace {

namespace wb = workbook;
namespace fs = std::filesystem;

constexpr int kStrings = 10000;

std::u16string NthString(int I) {
  // Every tenth text is Chinese, so the table mixes 8-bit and 16-bit strings.
  return I % 10 == 0 ? core::u16(core::format("记录 %d", I)) : core::u16(core::format("row %d text", I));
}

// The sample: every cell type, formats, merged cells, names, hyperlinks, a frozen pane, column
// widths, row heights and 10,000 distinct strings on a second sheet.
void BuildSample(Book& b) {
  wb::TXLSWorksheet* s = b.Sheet(0);
  s->SetName(u"数据");
  wb::TXLSCellMMU* c = s->GetCells();
  s->SetAsString(0, 0, u"Hello 你好");
  c->WriteFloat(1, 0, 0, 1);
  c->WriteFloat(2, 0, 0, 2.5);
  c->WriteFloat(3, 0, 0, 1234567.89);
  c->WriteFloat(4, 0, 0, -3);
  c->WriteFloat(5, 0, 0, 0.01);
  c->WriteFloat(6, 0, 0, 123456789);
  c->WriteBoolean(0, 1, 0, true);
  c->WriteError(1, 1, 0, wb::errDiv0);
  b.Formula(0, 3, 1, {0x1E, 1, 0, 0x1E, 2, 0, 0x03}, [](wb::TXLSFormulaHelper& F) { F.SetResultFloat(3); });
  b.Formula(0, 4, 1, {0x17, 2, 0, 'a', 'b'}, [](wb::TXLSFormulaHelper& F) { F.SetResultString(u"ab"); });
  b.Formula(0, 5, 1, {0x1D, 1}, [](wb::TXLSFormulaHelper& F) { F.SetResultBoolean(true); });
  b.Formula(0, 6, 1, {0x1E, 1, 0, 0x1E, 0, 0, 0x06}, [](wb::TXLSFormulaHelper& F) { F.SetResultError(wb::errDiv0); });
  // =C1*2 (relative reference).
  b.Formula(0, 7, 1, {0x24, 0, 0, 2, 0xC0, 0x1E, 2, 0, 0x05}, [](wb::TXLSFormulaHelper& F) { F.SetResultFloat(5); });
  // Formats: bold 16-point title font, thin borders, a red fill, centred text.
  wb::TXLSRange* r = s->GetRange(u"A1");
  r->SetFontName(u"宋体");
  r->SetFontSize(16);
  r->SetFontStyle(wb::FontStyleBit(wb::xfsBold));
  r = s->GetRange(u"B1:C1");
  r->SetBorderOutlineStyle(wb::cbsThin);
  r->SetFillColor(0xFF0000);
  r->SetHorizAlignment(wb::chaCenter);
  // A number format on G1.
  s->GetRange(u"G1")->SetFontStyle(wb::FontStyleBit(wb::xfsItalic));
  wb::TXc12NumberFormat* nf = b.m.StyleSheet->NumberFormats->AddFormat(u"#,##0.000", 0);
  s->GetCell(6, 0)->GetXF()->SetNumberFormat(nf);
  c->WriteBlank(8, 0, 0, s->GetCell(1, 0)->GetXF()->Index);
  // Merged cells, column width, row height.
  s->GetDataSheet()->MergedCells->AddArea(wb::CellAreaFromBox(0, 4, 2, 5));
  s->GetColumns()->GetItem(1)->SetWidth(5000);
  s->GetRows()->GetItem(0)->SetHeight(600);
  // Frozen pane at B3.
  wb::TXc12SheetView* v = s->GetView();
  v->Pane.Present = true;
  v->Pane.state = 1;
  v->Pane.xSplit = 1;
  v->Pane.ySplit = 2;
  v->Pane.topLeftCell = wb::CellAreaFromCell(1, 2);
  v->Pane.activePane = wb::xpBottomRight;
  // Hyperlinks.
  s->SetAsString(0, 2, u"link");
  wb::TXc12Hyperlink* h = s->GetDataSheet()->Hyperlinks->Add();
  h->Kind = wb::xhltURL;
  h->Address = u"https://example.com/a";
  h->Display = u"link";
  h->Tooltip = u"go there";
  h->Ref = wb::CellAreaFromCell(0, 2);
  wb::TXc12Hyperlink* in = s->GetDataSheet()->Hyperlinks->Add();
  in->Kind = wb::xhltWorkbook;
  in->Location = u"Strings!A5";
  in->Ref = wb::CellAreaFromCell(1, 2);
  // Names.
  wb::TXc12DefinedName* n = b.m.Workbook->DefinedNames->Add(u"Values", -1);
  n->RefKind = wb::nrkArea;
  n->RefSheet = 0;
  n->RefArea = wb::CellAreaFromBox(1, 0, 6, 0);
  wb::TXc12DefinedName* pa = b.m.Workbook->DefinedNames->AddBuiltIn(wb::bnPrintArea, 1);
  pa->RefKind = wb::nrkArea;
  pa->RefSheet = 1;
  pa->RefArea = wb::CellAreaFromBox(0, 0, 0, 99);

  wb::TXLSWorksheet* s2 = b.wb.Add();
  s2->SetName(u"Strings");
  for (int i = 0; i < kStrings; ++i) s2->SetAsString(0, i, NthString(i));
  s2->SetAsString(1, 0, std::u16string(9000, u'長'));
}

using core::testing::HavePythonModules;
using core::testing::HaveTool;
using core::testing::Lines;
using core::testing::Quoted;
using core::testing::ReadFile;
using core::testing::RunTool;
using core::testing::TempDir;
using core::testing::ToolRun;

constexpr const char* kXlrdScript = R"PY(
import sys, xlrd
b = xlrd.open_workbook(sys.argv[1], formatting_info=True)
out = []
out.append("sheets=" + "|".join(b.sheet_names()))
s = b.sheet_by_index(0)
for r in range(2):
    for c in range(9):
        cell = s.cell(r, c)
        out.append("cell %d %d %d %r" % (r, c, cell.ctype, cell.value))
def font_of(r, c):
    xf = b.xf_list[s.cell_xf_index(r, c)]
    f = b.font_list[xf.font_index]
    return xf, f
xf, f = font_of(0, 0)
out.append("A1 font %s %d %d" % (f.name, f.height, f.weight))
xf, f = font_of(0, 1)
out.append("B1 border %d %d %d %d" % (xf.border.top_line_style, xf.border.bottom_line_style, xf.border.left_line_style, xf.border.right_line_style))
out.append("B1 fill %d %d" % (xf.background.fill_pattern, xf.background.pattern_colour_index))
out.append("B1 align %d" % xf.alignment.hor_align)
xf, f = font_of(0, 6)
out.append("G1 format %s italic %d" % (b.format_map[xf.format_key].format_str, f.italic))
out.append("merged %r" % sorted(s.merged_cells))
out.append("colwidth %d" % s.colinfo_map[1].width)
out.append("rowheight %d" % s.rowinfo_map[0].height)
out.append("pane %d %d %d" % (s.panes_are_frozen, s.horz_split_pos, s.vert_split_pos))
for h in s.hyperlink_list:
    out.append("link %d %d %s %r %r %r %r" % (h.frowx, h.fcolx, h.type, h.url_or_path, h.desc, h.textmark, h.quicktip))
for n in b.name_obj_list:
    v = n.result.value[0] if n.result is not None and n.result.value else None
    out.append("name %s %d %r" % (n.name, n.scope, v.coords if v is not None else None))
s2 = b.sheet_by_index(1)
ok = 0
for i in range(10000):
    want = ("记录 %d" % i) if i % 10 == 0 else ("row %d text" % i)
    if s2.cell_value(i, 0) == want:
        ok += 1
out.append("strings_ok=%d" % ok)
out.append("long=%d" % len(s2.cell_value(0, 1)))
sys.stdout.buffer.write(("\n".join(out) + "\n").encode("utf-8"))
)PY";

TEST(WriterInterop, XlrdReadsEverythingBack) {
  if (!HavePythonModules("xlrd")) GTEST_SKIP() << "python3-xlrd not installed";
  Book b;
  BuildSample(b);
  TempDir dir("thc_xlsw");
  const fs::path file = dir.path() / "sample.xls";
  b.doc->SetFilename(core::u16(file.string()));
  TXLSWriteXLS(*b.doc).Write(nullptr);
  const fs::path script = dir.path() / "dump.py";
  std::ofstream(script) << kXlrdScript;
  const ToolRun run = RunTool("/usr/bin/python3 " + Quoted(script) + " " + Quoted(file));
  const std::string& out = run.output;
  ASSERT_EQ(run.status, 0) << out;
  std::set<std::string> lines;
  std::stringstream ss(out);
  for (std::string l; std::getline(ss, l);) lines.insert(l);
  const char* expected[] = {
      "sheets=数据|Strings",
      "cell 0 0 1 'Hello 你好'",
      "cell 0 1 2 1.0",
      "cell 0 2 2 2.5",
      "cell 0 3 2 1234567.89",
      "cell 0 4 2 -3.0",
      "cell 0 5 2 0.01",
      "cell 0 6 2 123456789.0",
      "cell 0 8 6 ''",
      "cell 1 0 4 1",
      "cell 1 1 5 7",
      "cell 1 3 2 3.0",
      "cell 1 4 1 'ab'",
      "cell 1 5 4 1",
      "cell 1 6 5 7",
      "cell 1 7 2 5.0",
      "A1 font 宋体 320 700",
      "B1 border 1 1 1 0",
      "B1 fill 1 10",
      "B1 align 2",
      "G1 format #,##0.000 italic 1",
      "merged [(4, 6, 0, 3)]",
      "colwidth 5000",
      "rowheight 600",
      "pane 1 2 1",
      "link 2 0 url 'https://example.com/a' 'link' None 'go there'",
      "link 2 1 workbook None None 'Strings!A5' None",
      "name Values -1 (0, 1, 0, 1, 1, 7)",
      "name Print_Area 1 (1, 2, 0, 100, 0, 1)",
      "strings_ok=10000",
      "long=9000",
  };
  for (const char* e : expected) EXPECT_TRUE(lines.count(e)) << "missing: " << e << "\n--- xlrd said:\n" << out;
}

TEST(WriterInterop, LibreOfficeReadsEverySheet) {
  if (!HaveTool("soffice")) GTEST_SKIP() << "LibreOffice not installed";
  Book b;
  BuildSample(b);
  TempDir dir("thc_xlsw");
  const fs::path file = dir.path() / "sample.xls";
  b.doc->SetFilename(core::u16(file.string()));
  TXLSWriteXLS(*b.doc).Write(nullptr);
  const std::string cmd = "cd " + dir.path().string() + " && timeout 180 soffice -env:UserInstallation=file://" +
                          dir.path().string() + "/profile --headless --convert-to " +
                          "'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1' " +
                          "--outdir " + dir.path().string() + " " + file.string();
  const std::string log = RunTool(cmd).output;
  // LibreOffice reports success even when loading failed: the CSV files are the proof.
  const fs::path first = dir.path() / "sample-数据.csv";
  const fs::path second = dir.path() / "sample-Strings.csv";
  ASSERT_TRUE(fs::exists(first)) << log;
  ASSERT_TRUE(fs::exists(second)) << log;
  std::stringstream csv(ReadFile(first));
  std::string row1, row2;
  std::getline(csv, row1);
  std::getline(csv, row2);
  // The styled blank I1 is no content for LibreOffice.
  EXPECT_EQ(row1, "Hello 你好,1,2.5,1234567.89,-3,0.01,123456789,");
  // Formulas are recalculated by LibreOffice: the token streams decode to what was cached. The raw
  // (not "as shown") export gives Booleans as 1.
  EXPECT_EQ(row2, "1,#DIV/0!,,3,ab,1,#DIV/0!,5");
  std::stringstream s2(ReadFile(second));
  int n = 0, ok = 0;
  for (std::string l; std::getline(s2, l) && n < kStrings; ++n) {
    const std::string want = core::u8(NthString(n));
    if (l.rfind(want, 0) == 0 || l.rfind("\"" + want + "\"", 0) == 0) ++ok;
  }
  EXPECT_EQ(ok, kStrings);
}

// ---------------------------------------------------------------------------------------------
// Read-write-read: real files read by the project's reader, written again, and both files read
// by xlrd: values, cached results, number formats, fonts, merged cells, names and formula texts
// must agree.

constexpr const char* kRoundTripScript = R"PY(
import struct, sys, xlrd
from xlrd import formula as xf

def formula_texts(bk, si):
    out = {}
    shared = []
    bk._position = bk._sh_abs_posn[si]
    depth = 0
    while bk._position < len(bk.mem):
        rc, length, data = bk.get_record_parts()
        if rc in (0x0009, 0x0209, 0x0409, 0x0809):
            depth += 1
        elif rc == 0x000A:
            depth -= 1
            if depth <= 0:
                break
        elif rc in (0x00BC, 0x04BC):
            r1, r2, c1, c2 = struct.unpack("<HHBB", data[0:6])
            n = struct.unpack("<H", data[8:10])[0]
            shared.append((r1, r2, c1, c2, data[10:10 + n]))
        elif rc == 0x0006 and depth == 1:
            row, col = struct.unpack("<HH", data[0:4])
            cce = struct.unpack("<H", data[20:22])[0]
            fmla = data[22:22 + cce]
            kind = xf.FMLA_TYPE_CELL
            if cce >= 5 and fmla[0] == 0x01:
                out[(row, col)] = ("exp", struct.unpack("<HH", fmla[1:5]))
                continue
            try:
                out[(row, col)] = xf.decompile_formula(bk, fmla, cce, kind, browx=row, bcolx=col)
            except Exception as e:
                out[(row, col)] = "undecodable"
    # Shared formulas: resolve members whose master is known.
    for k, v in list(out.items()):
        if isinstance(v, tuple):
            mrow, mcol = v[1]
            hit = [s for s in shared if s[0] <= mrow <= s[1] and s[2] <= mcol <= s[3]]
            if hit:
                try:
                    out[k] = xf.decompile_formula(bk, hit[0][4], len(hit[0][4]), xf.FMLA_TYPE_SHARED, browx=k[0], bcolx=k[1])
                except Exception:
                    out[k] = "undecodable"
            else:
                out[k] = "array"
    return out

def dump(path):
    bk = xlrd.open_workbook(path, formatting_info=True, on_demand=True)
    lines = []
    for si in range(bk.nsheets):
        sh = bk.sheet_by_index(si)
        lines.append("sheet %d %s %d" % (si, sh.name, sh.visibility))
        texts = formula_texts(bk, si)
        for r in range(sh.nrows):
            for c in range(sh.ncols):
                cell = sh.cell(r, c)
                if cell.ctype == xlrd.XL_CELL_EMPTY:
                    continue
                x = bk.xf_list[cell.xf_index]
                fmt = bk.format_map[x.format_key].format_str
                f = bk.font_list[x.font_index]
                lines.append("cell %d %d %d %d %r fmt=%r font=%r/%d/%d/%d/%d formula=%r" % (si, r, c, cell.ctype,
                    cell.value, fmt, f.name, f.height, f.weight, f.italic, f.colour_index, texts.get((r, c))))
        for m in sorted(sh.merged_cells):
            lines.append("merged %d %r" % (si, m))
    for n in bk.name_obj_list:
        text = None
        if n.raw_formula:
            try:
                text = xf.decompile_formula(bk, n.raw_formula, len(n.raw_formula), xf.FMLA_TYPE_NAME, browx=0, bcolx=0)
            except Exception:
                text = "undecodable"
        lines.append("name %r %d %d %d %r" % (n.name, n.scope, n.builtin, n.hidden, text))
    return lines

for path in sys.argv[1:]:
    sys.stdout.buffer.write(("=== %s\n" % path).encode("utf-8"))
    sys.stdout.buffer.write(("\n".join(dump(path)) + "\n").encode("utf-8"))
)PY";

TEST(WriterInterop, ReadWriteReadKeepsValuesFormatsAndNames) {
  if (!HavePythonModules("xlrd")) GTEST_SKIP() << "python3-xlrd not installed";
  const char* src = std::getenv("THC_SOURCE_DIR");
  const fs::path fixtures = fs::path(src ? src : "../..") / "biff/tests/fixtures";
  TempDir dir("thc_xlsw");
  const fs::path script = dir.path() / "dump.py";
  std::ofstream(script) << kRoundTripScript;
  const char* files[] = {"Test97.xls", "Test97J.xls", "FmtTest.xls", "Rich.xls", "namesdemo.xls",
                         "Test1904.xls", "AuthorK.xls", "deaths.xls", "geometry.xls", "type-me.xls", "oem.xls"};
  // Every file read and written first; then one xlrd run dumps originals and rewrites.
  std::string args;
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const char* name : files) {
    const fs::path in = fixtures / name;
    if (!fs::exists(in)) continue;  // fetched fixtures are optional; the committed ones are listed first
    SCOPED_TRACE(name);
    Book b(true);
    const std::string bytes = ReadFile(in);
    const core::ByteSpan span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    TXLSReadXLS(*b.doc).Read(&span);
    const fs::path out = dir.path() / name;
    b.doc->SetFilename(core::u16(out.string()));
    ASSERT_NO_THROW(TXLSWriteXLS(*b.doc).Write(nullptr));
    args += " " + in.string() + " " + out.string();
    pairs.emplace_back(in.string(), out.string());
  }
  const ToolRun run = RunTool("/usr/bin/python3 " + Quoted(script) + args);
  const std::string& dump = run.output;
  ASSERT_EQ(run.status, 0) << dump;
  std::map<std::string, std::vector<std::string>> byFile;
  std::vector<std::string>* current = nullptr;
  for (const std::string& l : Lines(dump)) {
    if (l.rfind("=== ", 0) == 0)
      current = &byFile[l.substr(4)];
    else if (current)
      current->push_back(l);
  }
  int checked = 0;
  for (const auto& [in, out] : pairs) {
    SCOPED_TRACE(in);
    const auto& a = byFile[in];
    const auto& c = byFile[out];
    ASSERT_FALSE(a.empty());
    std::string diff;
    int shown = 0;
    for (std::size_t i = 0; i < std::max(a.size(), c.size()) && shown < 12; ++i) {
      const std::string& x = i < a.size() ? a[i] : std::string("<none>");
      const std::string& y = i < c.size() ? c[i] : std::string("<none>");
      if (x != y) {
        diff += "- " + x + "\n+ " + y + "\n";
        ++shown;
      }
    }
    EXPECT_TRUE(diff.empty()) << a.size() << " lines before, " << c.size() << " after\n" << diff;
    ++checked;
  }
  EXPECT_GE(checked, 5);
}

}  // namespace
}  // namespace biff::testing

namespace biff::testing {
namespace {

// The sample written and read back by the project's own reader into a new workbook model.
TEST(WriterRoundTrip, OwnReaderReadsTheSampleBack) {
  Book b;
  BuildSample(b);
  const core::Bytes file = b.Write();
  Book r(true);
  const core::ByteSpan span(file);
  TXLSReadXLS(*r.doc).Read(&span);
  ASSERT_EQ(r.m.Worksheets->Count(), 2);
  for (int s = 0; s < 2; ++s) {
    wb::TXc12DataWorksheet* a = b.m.Worksheets->GetItem(s);
    wb::TXc12DataWorksheet* c = r.m.Worksheets->GetItem(s);
    EXPECT_EQ(a->Name, c->Name);
    // Every cell: kind, value, cached result and the font and fill of its format.
    a->Cells->BeginIterate(0);
    int cells = 0;
    while (a->Cells->IterNext()) {
      const int col = a->Cells->IterCol(), row = a->Cells->IterRow();
      SCOPED_TRACE(core::format("sheet %d cell %d:%d", s, row, col));
      wb::TMMUCellRef ref;
      ASSERT_TRUE(c->Cells->FindCell(col, row, ref));
      const wb::TCellValueKind kind = a->Cells->IterCellType();
      EXPECT_EQ(wb::TXLSCellMMU::CellType(ref), kind);
      std::u16string t1, t2;
      a->Cells->GetAsText(col, row, t1);
      c->Cells->GetAsText(col, row, t2);
      EXPECT_EQ(t1, t2);
      if (kind == wb::cvkFloat) {
        EXPECT_EQ(a->Cells->IterFloat(), wb::TXLSCellMMU::GetFloat(ref));
      }
      const wb::TXc12XF* x1 = b.m.StyleSheet->XFs->GetItem(a->Cells->IterStyle());
      const wb::TXc12XF* x2 = r.m.StyleSheet->XFs->GetItem(wb::TXLSCellMMU::GetStyle(ref));
      ASSERT_TRUE(x1 && x2);
      EXPECT_EQ(x1->GetFont()->GetName(), x2->GetFont()->GetName());
      EXPECT_EQ(x1->GetFont()->GetSize(), x2->GetFont()->GetSize());
      EXPECT_EQ(x1->GetFont()->GetStyle(), x2->GetFont()->GetStyle());
      EXPECT_EQ(x1->GetFill()->GetPatternType(), x2->GetFill()->GetPatternType());
      EXPECT_EQ(x1->GetBorder()->Bottom.Style, x2->GetBorder()->Bottom.Style);
      EXPECT_EQ(x1->Alignment.GetHorizAlignment(), x2->Alignment.GetHorizAlignment());
      EXPECT_EQ(x1->GetNumberFormat()->GetMask(), x2->GetNumberFormat()->GetMask());
      ++cells;
    }
    EXPECT_GT(cells, 0);
    ASSERT_EQ(a->MergedCells->Count(), c->MergedCells->Count());
    for (int i = 0; i < a->MergedCells->Count(); ++i)
      EXPECT_EQ(a->MergedCells->GetItem(i)->Area, c->MergedCells->GetItem(i)->Area);
  }
  wb::TXc12DataWorksheet* c = r.m.Worksheets->GetItem(0);
  ASSERT_TRUE(c->Cells->FindRow(0));
  EXPECT_EQ(c->Cells->FindRow(0).Height(), 600);
  ASSERT_EQ(r.m.Workbook->DefinedNames->Count(), 2);
  EXPECT_EQ(r.m.Workbook->DefinedNames->GetItems(0)->Name, u"Values");
  EXPECT_EQ(r.m.Workbook->DefinedNames->GetItems(1)->BuiltIn, wb::bnPrintArea);
  EXPECT_EQ(r.m.Workbook->DefinedNames->GetItems(1)->LocalSheetId, 1);
}

}  // namespace
}  // namespace biff::testing
