// Sheet data: cells, rows, column records, merged ranges and hyperlinks streamed through their
// events, and the small sheet-level elements.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ooxml/spreadsheetml/tests/sml_testing.h"

namespace ooxml::sml {
namespace {

// Every event of a sheetData read, in order, as short text.
struct SheetRead {
  ReadInto<TCT_SheetData> data;
  std::vector<std::string> events;

  explicit SheetRead(const std::string& xml) {
    data.obj.row->OnReadCell = [this](TCT_Cell& c) {
      events.push_back("cell " + ToUtf8(c.r) + " s=" + std::to_string(c.s) + " t=" + std::to_string(c.t) +
                       " v=" + ToUtf8(c.v) + " f=" + ToUtf8(c.f->text) + " is=" + ToUtf8(c.is->t));
    };
    data.obj.OnReadRow = [this](TCT_Row& r) {
      events.push_back("row " + std::to_string(r.r) + " spans=" + ToUtf8(r.spans.GetDelimitedText()));
    };
    data.Read(xml);
  }
};

TEST(SmlSheetData, CellEventsComeBeforeTheirRowEvent) {
  struct Case {
    const char* title;
    std::string in;
    std::vector<std::string> events;
    std::string reports = {};
  } cases[] = {
      {"an empty cell carrying r and s", "<sheetData><row r=\"1\"><c r=\"A1\" s=\"3\"/></row></sheetData>",
       {"cell A1 s=3 t=1 v= f= is=", "row 1 spans="}},
      {"three cells, then the row",
       "<sheetData><row r=\"2\" spans=\"1:3\"><c r=\"A2\"><v>1</v></c><c r=\"B2\" t=\"s\"><v>0</v></c>"
       "<c r=\"C2\" t=\"str\"><f>A2&amp;\"x\"</f><v>1x</v></c></row></sheetData>",
       {"cell A2 s=0 t=1 v=1 f= is=", "cell B2 s=0 t=4 v=0 f= is=", "cell C2 s=0 t=5 v=1x f=A2&\"x\" is=",
        "row 2 spans=1:3"}},
      {"inline string", "<sheetData><row r=\"3\"><c r=\"A3\" t=\"inlineStr\"><is><t>hi</t></is></c></row></sheetData>",
       {"cell A3 s=0 t=6 v= f= is=hi", "row 3 spans="}},
      {"a cell does not keep what the one before held",
       "<sheetData><row r=\"4\"><c r=\"A4\" s=\"1\"><f>1+1</f><v>2</v></c><c r=\"B4\"/></row></sheetData>",
       {"cell A4 s=1 t=1 v=2 f=1+1 is=", "cell B4 s=0 t=1 v= f= is=", "row 4 spans="}},
      {"attributes of a value element are reported, the value is taken",
       "<sheetData><row r=\"5\"><c r=\"A5\"><v foo=\"1\">7</v></c></row></sheetData>", {"cell A5 s=0 t=1 v=7 f= is=", "row 5 spans="},
       "Row 0: Unknown Attribute \"foo\""},
      {"a row's extension list is read", "<sheetData><row r=\"6\"><c r=\"A6\"/><extLst><ext uri=\"u\"/></extLst></row></sheetData>",
       {"cell A6 s=0 t=1 v= f= is=", "row 6 spans="}},
      {"other children are reported", "<sheetData><row r=\"7\"><cell/></row><x/></sheetData>", {"row 7 spans="},
       "Row 0: Unknown Element \"cell\"; Row 0: Unknown Element \"x\""},
  };
  for (const auto& c : cases) {
    SheetRead r(c.in);
    EXPECT_EQ(r.events, c.events) << c.title;
    EXPECT_EQ(Joined(r.data.reports), c.reports) << c.title;
  }
}

TEST(SmlSheetData, FormulaAttributesAndText) {
  ReadInto<TCT_Cell> shared("<c r=\"B2\"><f t=\"shared\" ref=\"B2:B9\" si=\"65535\">A1*2</f><v>4</v></c>");
  EXPECT_EQ(shared.obj.f->si, 65535) << "an index like any other";
  EXPECT_EQ(shared.obj.f->t, 3);
  EXPECT_EQ(shared.obj.f->text, u"A1*2");
  EXPECT_EQ(shared.Written(u"c"), "<c r=\"B2\" ><f t=\"shared\" ref=\"B2:B9\" si=\"65535\" >A1*2</f><v>4</v></c>");
  ExpectRoundTrips<TCT_Cell>(
      u"c",
      {{"a member of a shared formula: attributes, no text", "<c r=\"B3\"><f t=\"shared\" si=\"0\"/><v>6</v></c>",
        "<c r=\"B3\" ><f t=\"shared\" si=\"0\" /><v>6</v></c>"},
       {"every formula attribute", "<c r=\"A1\"><f t=\"array\" aca=\"1\" ref=\"A1:A2\" dt2D=\"1\" dtr=\"1\" del1=\"1\" del2=\"1\" "
        "r1=\"B1\" r2=\"C1\" ca=\"1\" si=\"3\" bx=\"1\">{1;2}</f></c>",
        "<c r=\"A1\" ><f t=\"array\" aca=\"1\" ref=\"A1:A2\" dt2D=\"1\" dtr=\"1\" del1=\"1\" del2=\"1\" r1=\"B1\" r2=\"C1\" "
        "ca=\"1\" si=\"3\" bx=\"1\" >{1;2}</f></c>"},
       {"no si written when none was read", "<c r=\"A1\"><f>1</f></c>", "<c r=\"A1\" ><f>1</f></c>"},
       {"children of a formula are absorbed quietly", "<c r=\"A1\"><f><x a=\"1\"/></f></c>", "<c r=\"A1\" />"},
       {"every cell attribute", "<c r=\"A1\" s=\"2\" t=\"e\" cm=\"1\" vm=\"2\" ph=\"1\"><v>#N/A</v></c>",
        "<c r=\"A1\" s=\"2\" t=\"e\" cm=\"1\" vm=\"2\" ph=\"1\" ><v>#N/A</v></c>"},
       {"inline rich string", "<c r=\"A1\" t=\"inlineStr\"><is><r><t>a</t></r></is></c>",
        "<c r=\"A1\" t=\"inlineStr\" ><is><t/><r><t>a</t></r></is></c>"}});
}

// A sheetData written from row and cell events.
struct SheetWrite {
  ReadInto<TCT_SheetData> data;
  std::vector<std::vector<std::string>> rows;  // per row: its r, then cell references
  std::size_t next_row = 0, next_cell = 0;
  int cell_calls = 0;

  SheetWrite() {
    data.obj.OnWriteRow = [this](TCT_Row& row, bool& more) {
      if (next_row == rows.size()) return;
      row.Clear();
      row.r = std::stoi(rows[next_row][0]);
      ++next_row;
      next_cell = 1;
      more = true;
    };
    data.obj.row->OnWriteCell = [this](TCT_Cell& cell, bool& more) {
      ++cell_calls;
      const auto& row = rows[next_row - 1];
      if (next_cell == row.size()) return;
      cell.r = core::u16(row[next_cell++]);
      more = true;
    };
  }
};

TEST(SmlSheetData, WritesRowsAndCellsFromEvents) {
  SheetWrite w;
  w.rows = {{"1", "A1", "B1"}, {"0", "A9"}, {"3"}};
  EXPECT_EQ(w.data.Written(u"sheetData"),
            "<sheetData><row r=\"1\" ><c r=\"A1\" /><c r=\"B1\" /></row><row r=\"3\" ></row></sheetData>");
  EXPECT_EQ(w.cell_calls, 4) << "a row with no attribute is skipped and its cells are not asked for";
  SheetWrite none;
  EXPECT_EQ(none.data.Written(u"sheetData"), "<sheetData></sheetData>");
  ReadInto<TCT_SheetData> no_event;
  EXPECT_EQ(no_event.Written(u"sheetData"), "<sheetData></sheetData>");
}

TEST(SmlSheetData, CellsWithNothingSetAreNotWritten) {
  ReadInto<TCT_Row> row;
  row.obj.r = 1;
  int left = 3;
  row.obj.OnWriteCell = [&](TCT_Cell& c, bool& more) {
    if (left == 0) return;
    if (left-- != 2) c.v = u"5";
    more = true;
  };
  EXPECT_EQ(row.Written(u"row", true), "<row r=\"1\" ><c><v>5</v></c><c><v>5</v></c></row>");
}

TEST(SmlCols, ColumnsOfEveryColsGoThroughTheDocument) {
  TXPGDocXLSX host;
  std::vector<std::string> seen;
  host.OnReadCol = [&](TCT_Col& col) {
    seen.push_back(std::to_string(col.min) + "-" + std::to_string(col.max) + " w=" + std::to_string(col.width));
  };
  XpgProbeDoc probe(kXpgSpreadsheetPolicy);
  TCT_Cols first(&host), second(&host);
  XpgReadProbe(probe, first, "<cols><col min=\"1\" max=\"2\" width=\"10.5\" customWidth=\"1\"/><col min=\"3\" max=\"3\"/></cols>", false);
  XpgReadProbe(probe, second, "<cols><col min=\"5\" max=\"9\" width=\"3\"/></cols>", false);
  EXPECT_EQ(seen, (std::vector<std::string>{"1-2 w=10.500000", "3-3 w=0.000000", "5-9 w=3.000000"}))
      << "each col is cleared when it opens";

  // Writing: the col is not cleared between items, so the event sets what each needs.
  EXPECT_EQ(Compact(XpgWriteProbe(first, u"cols", false)), "<cols/>") << "no event, nothing to write";
  int n = 0;
  host.OnWriteCol = [&](TCT_Col& col, bool& more) {
    if (n == 2) return;
    if (n == 0) {
      col.width = 9.5;
      col.hidden = true;
    }
    col.min = col.max = ++n;
    more = true;
  };
  EXPECT_EQ(Compact(XpgWriteProbe(first, u"cols", false)),
            "<cols><col min=\"1\" max=\"1\" width=\"9.5\" hidden=\"1\" /><col min=\"2\" max=\"2\" width=\"9.5\" hidden=\"1\" /></cols>");
}

TEST(SmlMergeCells, ProbeDecidesWhetherTheElementIsWritten) {
  ReadInto<TCT_MergeCells> m;
  std::vector<std::string> refs{"A1:B2", "C3:D4"};
  std::size_t next = 0;
  int probes = 0;
  bool any = false;
  m.obj.OnWriteMergeCell = [&](TCT_MergeCell* cell, bool& more) {
    if (!cell) {
      ++probes;
      more = any;
      return;
    }
    EXPECT_TRUE(cell->ref.empty()) << "cleared after each item";
    if (next == refs.size()) return;
    cell->ref = core::u16(refs[next++]);
    more = true;
  };
  EXPECT_EQ(m.obj.CheckAssigned(), 0);
  EXPECT_EQ(probes, 1);
  EXPECT_EQ(next, 0u) << "the probe fills nothing";
  m.obj.count = 2;
  EXPECT_EQ(m.Written(u"mergeCells"), "<mergeCells count=\"2\" />") << "count is written only when set";
  any = true;
  EXPECT_EQ(m.Written(u"mergeCells"),
            "<mergeCells count=\"2\" ><mergeCell ref=\"A1:B2\" /><mergeCell ref=\"C3:D4\" /></mergeCells>");

  ReadInto<TCT_MergeCells> r;
  std::vector<std::string> read;
  r.obj.OnReadMergeCell = [&](TCT_MergeCell& c) { read.push_back(ToUtf8(c.ref)); };
  r.Read("<mergeCells count=\"2\"><mergeCell ref=\"A1:B2\"/><mergeCell ref=\"C3:D4\"/></mergeCells>");
  EXPECT_EQ(read, (std::vector<std::string>{"A1:B2", "C3:D4"}));
  EXPECT_EQ(r.obj.count, 2);
}

TEST(SmlHyperlinks, ClearedBeforeEachEvent) {
  ReadInto<TCT_Hyperlinks> h;
  int n = 0;
  h.obj.OnWriteHyperlink = [&](TCT_Hyperlink* link, bool& more) {
    if (!link) {
      more = true;
      return;
    }
    EXPECT_TRUE(link->ref.empty() && link->r_id.empty() && link->tooltip.empty());
    if (n == 2) return;
    link->ref = n == 0 ? u"A1" : u"B2";
    if (n == 0) {
      link->r_id = u"rId1";
      link->tooltip = u"a \"tip\"";
    } else {
      link->location = u"'Sheet 2'!A1";
      link->display = u"there";
    }
    ++n;
    more = true;
  };
  EXPECT_EQ(h.Written(u"hyperlinks"),
            "<hyperlinks><hyperlink ref=\"A1\" r:id=\"rId1\" tooltip=\"a &quot;tip&quot;\" />"
            "<hyperlink ref=\"B2\" location=\"&apos;Sheet 2&apos;!A1\" display=\"there\" /></hyperlinks>");
  ReadInto<TCT_Hyperlinks> none;
  EXPECT_EQ(none.obj.CheckAssigned(), 0) << "no event: nothing to write";
}

TEST(SmlSheetLevel, DimensionFormatDefaultsAndCalc) {
  ExpectRoundTrips<TCT_SheetFormatPr>(
      u"sheetFormatPr",
      {{"default row height is always written", "<sheetFormatPr baseColWidth=\"8\" defaultRowHeight=\"0\" outlineLevelRow=\"1\"/>",
        "<sheetFormatPr defaultRowHeight=\"0\" outlineLevelRow=\"1\" />"},
       {"every attribute", "<sheetFormatPr baseColWidth=\"10\" defaultColWidth=\"9.140625\" defaultRowHeight=\"12.8\" customHeight=\"1\" "
        "zeroHeight=\"1\" thickTop=\"1\" thickBottom=\"1\" outlineLevelRow=\"2\" outlineLevelCol=\"3\"/>",
        "<sheetFormatPr baseColWidth=\"10\" defaultColWidth=\"9.140625\" defaultRowHeight=\"12.8\" customHeight=\"1\" "
        "zeroHeight=\"1\" thickTop=\"1\" thickBottom=\"1\" outlineLevelRow=\"2\" outlineLevelCol=\"3\" />"}});
  ExpectRoundTrips<TCT_SheetDimension>(u"dimension", {{"a range", "<dimension ref=\"A1:J100\"/>", "<dimension ref=\"A1:J100\" />"}});
  ExpectRoundTrips<TCT_SheetCalcPr>(u"sheetCalcPr", {{"full calculation", "<sheetCalcPr fullCalcOnLoad=\"1\"/>",
                                                     "<sheetCalcPr fullCalcOnLoad=\"1\" />"},
                                                    {"off", "<sheetCalcPr fullCalcOnLoad=\"0\"/>", "<sheetCalcPr/>"}});
}

}  // namespace
}  // namespace ooxml::sml
