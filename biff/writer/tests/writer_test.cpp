#include <cmath>
#include <cstring>

#include "biff/writer/tests/writer_test_support.h"
#include "workbook/biff_codecs.h"
#include "core/unicode.h"
#include "workbook/cell_format_editor.h"

namespace biff::testing {
namespace {

namespace wb = workbook;

TEST(WriterRK, PacksOnlyNumbersThatReadBackExactly) {
  struct Case {
    double v;
    bool packs;
    std::uint32_t rk;
  } cases[] = {
      {1, true, 0x3FF00000},
      {2.5, true, 0x40040000},
      {-3, true, 0xC0080000},
      {0.01, true, 0x3FF00001},
      {0.1, true, 0x40240001},
      {123456789, true, 123456789u * 4u + 2u},
      {-123456789, true, static_cast<std::uint32_t>(-123456789 * 4 + 2)},
      {1234567.89, false, 0},
      {0.123456789, false, 0},
  };
  for (const auto& c : cases) {
    std::int32_t rk = 0;
    EXPECT_EQ(TXLSWriteXLS::EncodeRK(rk, c.v), c.packs) << c.v;
    if (c.packs) {
      EXPECT_EQ(static_cast<std::uint32_t>(rk), c.rk) << c.v;
      EXPECT_EQ(wb::DecodeRK(rk), c.v);
    }
  }
}

TEST(Writer, NewDocumentGlobalsAndSheetOffsets) {
  Book b;
  b.wb.Add();
  b.Sheet(1)->SetName(u"第二");
  const auto recs = Records(b.Write());
  ASSERT_FALSE(recs.empty());
  EXPECT_EQ(recs[0].Id, 0x0809);
  EXPECT_EQ(recs[1].Id, 0x005C);  // WRITEACCESS follows the BOF without a password
  EXPECT_TRUE(Find(recs, 0x01C1).empty());  // no RECALCID
  const auto tabid = Find(recs, 0x013D);
  ASSERT_EQ(tabid.size(), 1u);
  EXPECT_EQ(tabid[0]->Body, (core::Bytes{1, 0, 2, 0}));
  const auto bs = Find(recs, 0x0085);
  ASSERT_EQ(bs.size(), 2u);
  for (const Record* r : bs) {
    const int pos = static_cast<int>(core::load_le32(r->Body.data()));
    auto it = std::find_if(recs.begin(), recs.end(), [&](const Record& x) { return x.Pos == pos; });
    ASSERT_NE(it, recs.end());
    EXPECT_EQ(it->Id, 0x0809);
    EXPECT_EQ(core::load_le16(it->Body.data() + 2), 0x0010);
  }
  // Second sheet's name in UTF-16.
  EXPECT_EQ(bs[1]->Body[6], 2);
  EXPECT_EQ(bs[1]->Body[7], 1);
  EXPECT_EQ(core::load_le16(bs[1]->Body.data() + 8), u'第');
  // The globals end with COUNTRY, the SST block and EOF.
  const auto eofs = Find(recs, 0x000A);
  EXPECT_EQ(eofs.size(), 3u);
}

TEST(Writer, CellRunsAndRecordBytes) {
  Book b;
  wb::TXLSCellMMU* c = b.Cells(0);
  c->WriteFloat(0, 0, 0, 1);
  c->WriteFloat(1, 0, 0, 2);
  c->WriteFloat(3, 0, 0, 4);  // D1 breaks the run: NUMBER
  c->WriteFloat(4, 0, 0, 5);  // E1 starts a new run
  c->WriteFloat(0, 1, 0, 1234567.89);
  c->WriteBlank(0, 2, 0, 0);
  c->WriteBlank(1, 2, 0, 0);
  c->WriteBoolean(0, 3, 0, true);
  c->WriteError(1, 3, 0, wb::errNA);
  b.Formula(0, 0, 4, {0x1E, 1, 0, 0x1E, 0, 0, 0x06}, [](wb::TXLSFormulaHelper& F) { F.SetResultError(wb::errDiv0); });
  b.Formula(0, 1, 4, {0x17, 2, 0, 'a', 'b'}, [](wb::TXLSFormulaHelper& F) { F.SetResultString(u"ab"); });
  b.Formula(0, 2, 4, {0x17, 0, 0}, [](wb::TXLSFormulaHelper& F) { F.SetResultString(u""); });
  const auto recs = Records(b.Write());

  const auto mulrk = Find(recs, 0x00BD);
  ASSERT_EQ(mulrk.size(), 1u);
  EXPECT_EQ(mulrk[0]->Body.size(), 2 * 6 + 6u);
  EXPECT_EQ(core::load_le16(mulrk[0]->Body.data() + 2), 0);
  EXPECT_EQ(core::load_le16(mulrk[0]->Body.data() + 16), 1);
  EXPECT_EQ(core::load_le16(mulrk[0]->Body.data() + 4), 15);  // no style: XF 15
  const auto numbers = Find(recs, 0x0203);
  ASSERT_EQ(numbers.size(), 2u);
  EXPECT_EQ(core::load_le16(numbers[0]->Body.data() + 2), 3);
  EXPECT_EQ(core::load_le_double(numbers[1]->Body.data() + 6), 1234567.89);
  const auto rk = Find(recs, 0x027E);
  ASSERT_EQ(rk.size(), 1u);
  EXPECT_EQ(core::load_le16(rk[0]->Body.data() + 2), 4);
  EXPECT_EQ(Find(recs, 0x00BE).size(), 1u);  // MULBLANK
  const auto boolerr = Find(recs, 0x0205);
  ASSERT_EQ(boolerr.size(), 2u);
  EXPECT_EQ(boolerr[0]->Body[6], 1);
  EXPECT_EQ(boolerr[0]->Body[7], 0);
  EXPECT_EQ(boolerr[1]->Body[6], 0x2A);
  EXPECT_EQ(boolerr[1]->Body[7], 1);

  const auto formulas = Find(recs, 0x0006);
  ASSERT_EQ(formulas.size(), 3u);
  EXPECT_EQ(core::Bytes(formulas[0]->Body.begin() + 6, formulas[0]->Body.begin() + 14),
            (core::Bytes{2, 0, 7, 0, 0, 0, 0xFF, 0xFF}));
  EXPECT_EQ(core::load_le16(formulas[0]->Body.data() + 20), 7);
  EXPECT_EQ(formulas[0]->Body.size(), 22 + 7u);
  EXPECT_EQ(formulas[1]->Body[6], 0);
  EXPECT_EQ(formulas[2]->Body[6], 3);  // empty cached text: no STRING
  const auto strings = Find(recs, 0x0207);
  ASSERT_EQ(strings.size(), 1u);
  EXPECT_EQ(strings[0]->Body, (core::Bytes{2, 0, 1, 'a', 0, 'b', 0}));
  // STRING directly follows its FORMULA.
  auto it = std::find_if(recs.begin(), recs.end(), [&](const Record& r) { return &r == formulas[1]; });
  EXPECT_EQ((it + 1)->Id, 0x0207);
}

TEST(Writer, RowHeadersPastTheGridAreNotWritten) {
  // A row past the grid that holds no cell carries only formatting: it is left out, and the
  // rows inside the grid are written.
  Book b;
  wb::TXLSCellMMU* c = b.Cells(0);
  c->WriteFloat(0, 5, 0, 1);
  b.Sheet(0)->GetRows()->GetItem(5)->SetHeight(310);
  b.Sheet(0)->GetRows()->GetItem(70000)->SetHeight(400);
  const auto recs = Records(b.Write());
  const auto rows = Find(recs, 0x0208);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(core::load_le16(rows[0]->Body.data()), 5);
  EXPECT_EQ(core::load_le16(rows[0]->Body.data() + 6), 310);
  EXPECT_EQ(Find(recs, 0x027E).size(), 1u);
}

TEST(Writer, CellsPastTheGridAreRefused) {
  // A cell the format has no place for fails the write, naming sheet and row (or column), and
  // nothing reaches the output.
  struct Case {
    int version, col, row;
    const char* message;
  } cases[] = {
      {6, 0, 65536, "Row 65537 of sheet \"Data 2\" is past the last row (65536) of the file format"},
      {6, 0, 70000, "Row 70001 of sheet \"Data 2\" is past the last row (65536) of the file format"},
      {6, 256, 3, "Column 257 of sheet \"Data 2\" is past the last column (256) of the file format"},
      {5, 0, 16384, "Row 16385 of sheet \"Data 2\" is past the last row (16384) of the file format"},
  };
  for (const Case& k : cases) {
    Book b;
    b.doc->SetVersion(static_cast<std::uint8_t>(k.version));
    b.wb.Add();
    b.Sheet(1)->SetName(u"Data 2");
    b.Cells(0)->WriteFloat(0, 0, 0, 1);
    b.Cells(1)->WriteFloat(0, k.version == 6 ? 65535 : 16383, 0, 1);  // the last row the version holds
    b.Cells(1)->WriteFloat(k.col, k.row, 0, 2);
    core::Bytes out;
    TXLSWriteXLS w(*b.doc);
    try {
      w.Write(&out);
      ADD_FAILURE() << k.message;
    } catch (const Exception& e) {
      EXPECT_EQ(std::string(e.what()), k.message);
    }
    EXPECT_TRUE(out.empty()) << k.message;
  }
  // The last row of each version is written.
  for (int version : {6, 5}) {
    Book b;
    b.doc->SetVersion(static_cast<std::uint8_t>(version));
    const int last = version == 6 ? 65535 : 16383;
    b.Cells(0)->WriteFloat(255, last, 0, 7);
    const auto recs = Records(b.Write(), version == 6 ? u"Workbook" : u"Book");
    const auto rk = Find(recs, 0x027E);
    ASSERT_EQ(rk.size(), 1u) << version;
    EXPECT_EQ(core::load_le16(rk[0]->Body.data()), last);
    EXPECT_EQ(core::load_le16(rk[0]->Body.data() + 2), 255);
  }
}

TEST(Writer, SharedStringTableSplitsAndIndexes) {
  Book b;
  // Strings long enough to cross several CONTINUE records, 16-bit ones at odd room included.
  std::u16string wide(5000, u'漢');
  b.Sheet(0)->SetAsString(0, 0, u"x");
  b.Sheet(0)->SetAsString(0, 1, wide);
  for (int i = 0; i < 30; ++i) b.Sheet(0)->SetAsString(1, i, std::u16string(777, static_cast<char16_t>(u'a' + i % 26)) + core::u16(std::to_string(i)));
  const auto recs = Records(b.Write());
  auto sst = std::find_if(recs.begin(), recs.end(), [](const Record& r) { return r.Id == 0x00FC; });
  ASSERT_NE(sst, recs.end());
  EXPECT_EQ(core::load_le32(sst->Body.data() + 4), 32u);
  // Every piece is at most 8224 bytes; each CONTINUE that splits characters starts with the option
  // byte, and a 16-bit piece has whole characters.
  int continues = 0;
  for (auto it = sst; it != recs.end() && (it == sst || it->Id == 0x003C); ++it) {
    EXPECT_LE(it->Body.size(), 8224u);
    if (it != sst) ++continues;
  }
  EXPECT_GE(continues, 3);
  auto ext = std::find_if(recs.begin(), recs.end(), [](const Record& r) { return r.Id == 0x00FF; });
  ASSERT_NE(ext, recs.end());
  EXPECT_EQ(core::load_le16(ext->Body.data()), 8);
  ASSERT_EQ(ext->Body.size(), 2 + 8 * 4u);  // strings 0, 8, 16, 24
  // Each bucket points at a string header inside the record whose header starts at pos - offset.
  for (int k = 0; k < 4; ++k) {
    const int pos = static_cast<int>(core::load_le32(ext->Body.data() + 2 + 8 * k));
    const int off = core::load_le16(ext->Body.data() + 6 + 8 * k);
    auto rec = std::find_if(recs.begin(), recs.end(), [&](const Record& r) { return r.Pos == pos - off; });
    ASSERT_NE(rec, recs.end()) << k;
    EXPECT_TRUE(rec->Id == 0x00FC || rec->Id == 0x003C);
  }
}

TEST(Writer, EmptySharedStringTable) {
  Book b;
  const auto recs = Records(b.Write());
  const auto sst = Find(recs, 0x00FC);
  ASSERT_EQ(sst.size(), 1u);
  EXPECT_EQ(sst[0]->Body, core::Bytes(8, 0));
  const auto ext = Find(recs, 0x00FF);
  ASSERT_EQ(ext.size(), 1u);
  EXPECT_EQ(ext[0]->Body, (core::Bytes{8, 0}));
}

TEST(Writer, SettingsRecords) {
  Book b;
  wb::TXc12DataWorksheet* ws = b.Sheet(0)->GetDataSheet();
  ws->SheetFormatPr.defaultRowHeight = 15.5;
  ws->SheetFormatPr.customHeight = true;
  for (int i = 0; i < 2000; ++i) ws->MergedCells->AddArea(wb::CellAreaFromBox(0, 2 * i, 1, 2 * i));
  ws->MergedCells->AddArea(wb::CellAreaFromBox(250, 5000, 256, 5000));
  ws->PageMargins.right = 0;
  const auto recs = Records(b.Write());
  const auto drh = Find(recs, 0x0225);
  ASSERT_EQ(drh.size(), 1u);
  EXPECT_EQ(drh[0]->Body, (core::Bytes{1, 0, 16, 0}));
  const auto merged = Find(recs, 0x00E5);
  ASSERT_EQ(merged.size(), 2u);
  EXPECT_EQ(core::load_le16(merged[0]->Body.data()), 1027);
  EXPECT_EQ(core::load_le16(merged[1]->Body.data()), 973);
  // Margins: left, top, bottom (right is 0: no record).
  EXPECT_EQ(Find(recs, 0x0026).size(), 1u);
  EXPECT_EQ(Find(recs, 0x0027).size(), 0u);
  EXPECT_EQ(core::load_le_double(Find(recs, 0x0028)[0]->Body.data()), 0.75);
  // Orientation "default" prints portrait.
  const auto setup = Find(recs, 0x00A1);
  ASSERT_EQ(setup.size(), 1u);
  EXPECT_TRUE(core::load_le16(setup[0]->Body.data() + 10) & 0x0002);
  // No selection: one SELECTION of pane 3 holding A1.
  const auto sel = Find(recs, 0x001D);
  ASSERT_EQ(sel.size(), 1u);
  EXPECT_EQ(sel[0]->Body.size(), 15u);
  EXPECT_EQ(sel[0]->Body[0], 3);
  // New sheets get the model's calculation settings.
  EXPECT_EQ(Find(recs, 0x000D)[0]->Body, (core::Bytes{1, 0}));
  EXPECT_EQ(Find(recs, 0x000C)[0]->Body, (core::Bytes{100, 0}));
}

TEST(Writer, DefaultRowHeightKeepsItsFlags) {
  struct Case {
    double height;
    bool custom, hidden, thickTop, thickBottom;
    core::Bytes body;
  } cases[] = {
      {255, false, false, false, false, {0, 0, 255, 0}},
      {256, true, false, false, false, {1, 0, 0, 1}},
      {300, false, true, false, false, {2, 0, 0x2C, 1}},
      {300, false, false, true, true, {12, 0, 0x2C, 1}},
      {0, true, false, false, false, {0, 0, 255, 0}},
  };
  for (const Case& c : cases) {
    Book b;
    wb::TXc12SheetFormatPr& f = b.Sheet(0)->GetDataSheet()->SheetFormatPr;
    f.defaultRowHeight = c.height;
    f.customHeight = c.custom;
    f.zeroHeight = c.hidden;
    f.thickTop = c.thickTop;
    f.thickBottom = c.thickBottom;
    const auto recs = Records(b.Write());
    const auto drh = Find(recs, 0x0225);
    ASSERT_EQ(drh.size(), 1u);
    EXPECT_EQ(drh[0]->Body, c.body) << c.height;
  }
}

TEST(Writer, FrozenPaneKeepsItsUnits) {
  Book b;
  wb::TXc12SheetView* v = b.Sheet(0)->GetView();
  ASSERT_NE(v, nullptr);
  v->Pane.Present = true;
  v->Pane.state = 1;
  v->Pane.xSplit = 2;
  v->Pane.ySplit = 3;
  v->Pane.topLeftCell = wb::CellAreaFromCell(2, 3);
  v->Pane.activePane = wb::xpBottomRight;
  const auto recs = Records(b.Write());
  const auto pane = Find(recs, 0x0041);
  ASSERT_EQ(pane.size(), 1u);
  EXPECT_EQ(pane[0]->Body, (core::Bytes{2, 0, 3, 0, 3, 0, 2, 0, 0, 0}));
  EXPECT_EQ(core::load_le16(Find(recs, 0x023E)[0]->Body.data()) & 0x0108, 0x0108);
}

TEST(Writer, NamesAndHyperlinks) {
  Book b;
  b.wb.Add();
  wb::TXc12DefinedName* pa = b.m.Workbook->DefinedNames->AddBuiltIn(wb::bnPrintArea, 1);
  pa->RefKind = wb::nrkArea;
  pa->RefSheet = 1;
  pa->RefArea = wb::CellAreaFromBox(0, 0, 3, 9);
  wb::TXc12Hyperlink* h = b.Sheet(0)->GetDataSheet()->Hyperlinks->Add();
  h->Kind = wb::xhltURL;
  h->Address = u"http://a.b/";
  h->Display = u"abcd";
  h->Tooltip = u"tip";
  h->Ref = wb::CellAreaFromCell(1, 1);
  wb::TXc12Hyperlink* f = b.Sheet(0)->GetDataSheet()->Hyperlinks->Add();
  f->Kind = wb::xhltFile;
  f->Address = u"..\\..\\x.txt";
  f->Ref = wb::CellAreaFromCell(2, 2);
  const auto recs = Records(b.Write());

  const auto names = Find(recs, 0x0018);
  ASSERT_EQ(names.size(), 1u);
  const core::Bytes& n = names[0]->Body;
  EXPECT_EQ(core::load_le16(n.data()), 0x0020);
  EXPECT_EQ(n[3], 1);
  EXPECT_EQ(core::load_le16(n.data() + 4), 11);
  EXPECT_EQ(core::load_le16(n.data() + 8), 2);
  EXPECT_EQ(core::Bytes(n.begin() + 14, n.end()), (core::Bytes{0, 6, 0x3B, 1, 0, 0, 0, 9, 0, 0, 0, 3, 0}));
  // SUPBOOK and EXTERNSHEET come right before the first NAME.
  auto it = std::find_if(recs.begin(), recs.end(), [](const Record& r) { return r.Id == 0x0018; });
  EXPECT_EQ((it - 1)->Id, 0x0017);
  EXPECT_EQ((it - 2)->Id, 0x01AE);
  EXPECT_EQ((it - 2)->Body, (core::Bytes{2, 0, 1, 4}));

  const auto links = Find(recs, 0x01B8);
  ASSERT_EQ(links.size(), 2u);
  EXPECT_EQ(core::load_le32(links[0]->Body.data() + 28), 0x17u);
  EXPECT_EQ(links[0]->Body.size(), 32 + 14 + 20 + (2 * 11 + 2u));
  EXPECT_EQ(core::load_le16(links[0]->Body.data()), 1);
  // The tooltip follows its link directly.
  auto l = std::find_if(recs.begin(), recs.end(), [&](const Record& r) { return &r == links[0]; });
  EXPECT_EQ((l + 1)->Id, 0x0800);
  EXPECT_EQ(core::load_le16(links[1]->Body.data() + 48), 2);  // two up-levels
  EXPECT_EQ(f->Address, u"..\\..\\x.txt");
}

TEST(Writer, StylesFontsAndFormats) {
  Book b;
  b.Sheet(0)->SetAsString(0, 0, u"t");
  wb::TXLSRange* r = b.Sheet(0)->GetRange(u"A1");
  r->SetFontName(u"宋体");
  r->SetFontStyle(wb::FontStyleBit(wb::xfsBold));
  r->SetBorderBottomStyle(wb::cbsThin);
  r->SetFillColor(0xFF0000);
  const auto recs = Records(b.Write());
  const auto fonts = Find(recs, 0x0031);
  ASSERT_GE(fonts.size(), 2u);
  const auto xfs = Find(recs, 0x00E0);
  ASSERT_GE(xfs.size(), 17u);
  // The cell's XF comes after the 15 style XFs and the default cell XF.
  const auto sst = Find(recs, 0x00FD);
  ASSERT_EQ(sst.size(), 1u);
  const int xf = core::load_le16(sst[0]->Body.data() + 4);
  ASSERT_GE(xf, 16);
  const core::Bytes& x = xfs[static_cast<std::size_t>(xf)]->Body;
  const int font = core::load_le16(x.data());
  ASSERT_NE(font, 4);
  const core::Bytes& fb = fonts[static_cast<std::size_t>(font < 4 ? font : font - 1)]->Body;
  EXPECT_EQ(core::load_le16(fb.data() + 6), 700);
  EXPECT_EQ(core::load_le16(fb.data() + 16), u'宋');
  EXPECT_EQ(core::load_le16(x.data() + 10) >> 12, wb::cbsThin);
  EXPECT_TRUE(core::load_le16(x.data() + 8) & 0x2000);
  EXPECT_EQ(core::load_le32(x.data() + 14) >> 26, 1u);  // solid
  EXPECT_EQ(core::load_le16(x.data() + 18) & 0x7F, 10);  // red is palette index 10
  EXPECT_TRUE(Find(recs, 0x0092).empty());  // palette unchanged
}

// The palette is the workbook's: the writer writes it and picks the nearest entries from it, the
// reader fills the reading workbook's, and the process's palette is left alone by both.
TEST(Writer, PaletteBelongsToTheWorkbook) {
  const wb::TXc12Palette process = wb::Xc12Palette();
  Book b;
  b.m.StyleSheet->Palette[40] = 0x00123456;
  b.Sheet(0)->SetAsString(0, 0, u"t");
  b.Sheet(0)->GetRange(u"A1")->SetFillColor(0x563412);  // 0xRRGGBB; the palette holds 0x00BBGGRR
  const core::Bytes file = b.Write();
  const auto recs = Records(file);
  const auto palette = Find(recs, 0x0092);
  ASSERT_EQ(palette.size(), 1u);
  EXPECT_EQ(core::load_le32(palette[0]->Body.data() + 2 + 4 * (40 - 8)), 0x00123456u);
  const auto xfs = Find(recs, 0x00E0);
  const auto sst = Find(recs, 0x00FD);
  ASSERT_EQ(sst.size(), 1u);
  const core::Bytes& x = xfs[core::load_le16(sst[0]->Body.data() + 4)]->Body;
  EXPECT_EQ(core::load_le16(x.data() + 18) & 0x7F, 40);
  EXPECT_EQ(wb::Xc12Palette(), process);

  Book back(true);
  const core::ByteSpan span(file.data(), file.size());
  back.doc->ReadStream(span);
  EXPECT_EQ(back.m.StyleSheet->Palette[40], 0x00123456u);
  EXPECT_EQ(back.m.StyleSheet->Palette[41], wb::Xc12DefaultPalette[41]);
  EXPECT_EQ(wb::Xc12Palette(), process);
  // A fresh workbook starts from the default palette, whatever another one holds.
  Book other;
  EXPECT_EQ(other.m.StyleSheet->Palette[40], wb::Xc12StartPalette()[40]);
}

TEST(Writer, RefusesWhatItCannotWrite) {
  {
    // Only BIFF8 has the encryption: a BIFF5 workbook with a password is not written in clear.
    Book b;
    b.doc->SetVersion(5);
    b.doc->Password = u"secret";
    EXPECT_THROW(b.Write(), Exception);
  }
  {
    // A failure inside the globals carries the record number.
    Book b;
    b.m.Workbook->DefinedNames->Add(u"arr", -1)->Compiled = {0xFE, 0, 0};
    try {
      b.Write();
      FAIL();
    } catch (const Exception& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Error on writing record # ", 0), 0u) << e.what();
      EXPECT_NE(std::string(e.what()).find("\rTODO Array consts 97"), std::string::npos);
    }
  }
  {
    Book b;
    b.Cells(0)->WriteError(0, 0, 0, 0);
    try {
      b.Write();
      FAIL();
    } catch (const Exception& e) {
      EXPECT_NE(std::string(e.what()).find("Invalid error value in cell 0:0"), std::string::npos);
    }
  }
}

TEST(Writer, BIFF5WritesBIFF5RecordsOnly) {
  Book b;
  b.doc->SetVersion(5);
  b.Sheet(0)->SetAsString(0, 0, u"abc");
  b.Cells(0)->WriteFloat(1, 0, 0, 2.5);
  b.m.Workbook->FileSharing.userName = u"Ann";
  b.Formula(0, 2, 0, {0x1E, 1, 0}, [](wb::TXLSFormulaHelper& F) { F.SetResultFloat(1); });
  const auto recs = Records(b.Write(), u"Book");
  EXPECT_EQ(recs[0].Body.size(), 8u);
  EXPECT_TRUE(Find(recs, 0x00FC).empty());
  EXPECT_TRUE(Find(recs, 0x00FD).empty());
  EXPECT_TRUE(Find(recs, 0x0006).empty());
  EXPECT_TRUE(Find(recs, 0x0161).empty());
  EXPECT_EQ(Find(recs, 0x00E0).size(), 21u);
  const auto label = Find(recs, 0x0204);
  ASSERT_EQ(label.size(), 1u);
  EXPECT_EQ(core::Bytes(label[0]->Body.begin() + 6, label[0]->Body.end()), (core::Bytes{3, 0, 'a', 'b', 'c'}));
  EXPECT_EQ(Find(recs, 0x0200)[0]->Body.size(), 10u);
  EXPECT_EQ(Find(recs, 0x023E)[0]->Body.size(), 10u);
  const auto wa = Find(recs, 0x005C);
  ASSERT_EQ(wa.size(), 1u);
  EXPECT_EQ(core::Bytes(wa[0]->Body.begin(), wa[0]->Body.begin() + 5), (core::Bytes{3, 'A', 'n', 'n', ' '}));
}

}  // namespace
}  // namespace biff::testing
