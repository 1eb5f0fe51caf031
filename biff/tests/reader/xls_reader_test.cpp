// The .xls reader over small workbooks built record by record: cells, formulas, styles, the
// shared-string table, names, old BIFF versions and bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "biff/biff_error.h"
#include "biff/document/biff5_document.h"
#include "biff/reader/external_names.h"
#include "biff/reader/xls_reader.h"
#include "core/byte_io.h"
#include "core/unicode.h"
#include "platform/storage/compound_file.h"
#include "workbook/biff_codecs.h"
#include "workbook/cell_store.h"
#include "workbook/error_manager.h"
#include "workbook/manager.h"
#include "workbook/shared_strings.h"
#include "workbook/style_sheet.h"
#include "workbook/workbook_data.h"
#include "workbook/worksheet_data.h"

namespace {

namespace wb = workbook;
using Bytes = std::vector<std::uint8_t>;

// Builds record bodies and record streams.
struct B {
  Bytes d;
  B& u8(int v) { d.push_back(static_cast<std::uint8_t>(v)); return *this; }
  B& u16(int v) { u8(v & 0xFF); return u8((v >> 8) & 0xFF); }
  B& u32(std::uint32_t v) { u16(static_cast<int>(v & 0xFFFF)); return u16(static_cast<int>(v >> 16)); }
  B& f64(double v) { std::uint8_t b[8]; std::memcpy(b, &v, 8); d.insert(d.end(), b, b + 8); return *this; }
  B& raw(const Bytes& b) { d.insert(d.end(), b.begin(), b.end()); return *this; }
  B& str8(const std::string& s) { d.insert(d.end(), s.begin(), s.end()); return *this; }
  // 16-bit count, option byte 0, Latin-1 characters.
  B& ustr(const std::string& s) { u16(static_cast<int>(s.size())); u8(0); return str8(s); }
  // 8-bit count, option byte 0, characters.
  B& sstr(const std::string& s) { u8(static_cast<int>(s.size())); u8(0); return str8(s); }
};

struct Stream {
  Bytes d;
  Stream& rec(int id, const Bytes& body) {
    B h;
    h.u16(id).u16(static_cast<int>(body.size()));
    d.insert(d.end(), h.d.begin(), h.d.end());
    d.insert(d.end(), body.begin(), body.end());
    return *this;
  }
  Stream& bof8(int type) { return rec(0x0809, B().u16(0x0600).u16(type).u16(0).u16(0x07CC).u32(0).u32(6).d); }
  Stream& eof() { return rec(0x000A, {}); }
};

Bytes Compound(const Bytes& Workbook, const char16_t* Name = u"Workbook") {
  platform::storage::CompoundFile cf;
  auto& s = cf.root().create_stream(Name);
  s.data = Workbook;
  return cf.serialize();
}

// Globals of a BIFF8 workbook: fonts, one user number format, XFs, one sheet per name.
Stream Globals(const std::vector<std::string>& Sheets, int Fonts = 6) {
  Stream s;
  s.bof8(5);
  s.rec(0x0042, B().u16(1200).d);
  for (int i = 0; i < Fonts; ++i)
    s.rec(0x0031, B().u16(200 + 20 * i).u16(0).u16(0x7FFF).u16(i == 1 ? 700 : 400).u16(0).u8(0).u8(0).u8(0).u8(0)
                      .sstr("F" + std::to_string(i)).d);
  s.rec(0x041E, B().u16(164).ustr("0.000\"kg\"").d);
  // XF 0..15 style XFs, then cell XFs: 16 General, 17 format 164 with font 4 (the unused index),
  // 18 format 14 with font 5.
  auto xf = [&](int font, int fmt) {
    s.rec(0x00E0, B().u16(font).u16(fmt).u16(0x0001).u16(0x20).u16(0).u16(0).u16(0).u32(0).u16(0x20C0).d);
  };
  for (int i = 0; i < 16; ++i) xf(0, 0);
  xf(0, 0);
  xf(3, 164);
  xf(5, 14);
  for (const auto& n : Sheets) s.rec(0x0085, B().u32(0).u8(0).u8(0).sstr(n).d);
  return s;
}

struct Book {
  wb::TXLSErrorManager errors;
  wb::TXc12DataClassFactory factory;
  wb::TXc12Manager manager{&factory, &errors};
  std::unique_ptr<biff::TBIFF5> doc;
  Book() {
    manager.CreateParts();
    doc = std::make_unique<biff::TBIFF5>(&manager);
  }
  void read(const Bytes& Workbook) {
    Bytes file = Compound(Workbook);
    doc->ReadStream(core::ByteSpan(file.data(), file.size()));
  }
  wb::TXLSCellMMU& cells(int Sheet) { return *manager.Worksheets->GetItem(Sheet)->Cells; }
  wb::TMMUCellRef at(int Sheet, int Col, int Row) {
    wb::TMMUCellRef r;
    EXPECT_TRUE(cells(Sheet).FindCell(Col, Row, r)) << Col << "," << Row;
    return r;
  }
};

std::string ReadError(const Bytes& Workbook) {
  Book b;
  try {
    b.read(Workbook);
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

TEST(XlsReader, CellRecordsOfEveryKindReachTheCellStore) {
  Stream s = Globals({"Data"});
  s.rec(0x00FC, B().u32(2).u32(2).ustr("alpha").ustr("beta").d);
  s.eof();
  s.bof8(0x10);
  s.rec(0x0203, B().u16(0).u16(0).u16(16).f64(2.5).d);                       // A1 NUMBER
  s.rec(0x027E, B().u16(1).u16(0).u16(16).u32((100 << 2) | 2).d);             // A2 RK integer 100
  s.rec(0x00BD, B().u16(2).u16(1).u16(16).u32((7 << 2) | 2).u16(17).u32((9 << 2) | 3).u16(3).d);  // B3:C3 MULRK
  s.rec(0x00FD, B().u16(3).u16(0).u16(16).u32(1).d);                          // A4 LABELSST beta
  s.rec(0x0204, B().u16(4).u16(0).u16(16).ustr("direct").d);                  // A5 LABEL
  s.rec(0x0205, B().u16(5).u16(0).u16(16).u8(1).u8(0).d);                     // A6 TRUE
  s.rec(0x0205, B().u16(6).u16(0).u16(16).u8(0x07).u8(1).d);                  // A7 #DIV/0!
  s.rec(0x0205, B().u16(7).u16(0).u16(16).u8(0x55).u8(1).d);                  // A8 unknown error code
  s.rec(0x0201, B().u16(8).u16(0).u16(17).d);                                 // A9 BLANK
  s.rec(0x00BE, B().u16(9).u16(0).u16(16).u16(17).u16(1).d);                  // A10:B10 MULBLANK
  s.rec(0x00E5, B().u16(2).u16(0).u16(1).u16(3).u16(4).u16(5).u16(6).u16(0).u16(0).d);
  s.eof();
  Book b;
  b.read(s.d);
  ASSERT_EQ(b.manager.Worksheets->Count(), 1);
  EXPECT_EQ(b.manager.Worksheets->GetItem(0)->Name, u"Data");
  auto& c = b.cells(0);
  EXPECT_DOUBLE_EQ(c.GetFloat(b.at(0, 0, 0)), 2.5);
  EXPECT_DOUBLE_EQ(c.GetFloat(b.at(0, 0, 1)), 100);
  EXPECT_DOUBLE_EQ(c.GetFloat(b.at(0, 1, 2)), 7);
  EXPECT_DOUBLE_EQ(c.GetFloat(b.at(0, 2, 2)), 0.09);
  EXPECT_EQ(c.GetStyle(b.at(0, 1, 2)), 17);
  EXPECT_EQ(c.GetStyle(b.at(0, 2, 2)), 18);
  std::u16string t;
  c.GetString(b.at(0, 0, 3), t);
  EXPECT_EQ(t, u"beta");
  c.GetString(b.at(0, 0, 4), t);
  EXPECT_EQ(t, u"direct");
  EXPECT_TRUE(c.GetBoolean(b.at(0, 0, 5)));
  EXPECT_EQ(c.GetError(b.at(0, 0, 6)) & 0x7F, wb::errDiv0);
  EXPECT_EQ(c.GetError(b.at(0, 0, 7)) & 0x7F, wb::errNA);
  EXPECT_EQ(c.CellType(b.at(0, 0, 8)), wb::cvkBlank);
  EXPECT_EQ(c.CellType(b.at(0, 1, 9)), wb::cvkBlank);
  auto& merged = *b.manager.Worksheets->GetItem(0)->MergedCells;
  ASSERT_EQ(merged.Count(), 2);
  EXPECT_EQ(merged.GetItem(0)->Area.Col1, 3);
  EXPECT_EQ(merged.GetItem(0)->Area.Row2, 1);
  EXPECT_EQ(merged.GetItem(1)->Area.Col2, 0);
}

TEST(XlsReader, FontIndexFourIsTheUnusedSlotAndFormatsGoByTheirId) {
  Stream s = Globals({"S"});
  s.eof();
  s.bof8(0x10);
  s.rec(0x0203, B().u16(0).u16(0).u16(17).f64(1).d);
  s.rec(0x0203, B().u16(0).u16(1).u16(18).f64(1).d);
  s.eof();
  Book b;
  b.read(s.d);
  auto& ss = *b.manager.StyleSheet;
  // Built-in font, four file fonts, the placeholder, then the fifth and sixth file fonts.
  ASSERT_EQ(ss.Fonts->Count(), 8);
  EXPECT_EQ(ss.Fonts->GetItem(4)->GetName(), u"F3");
  EXPECT_EQ(ss.Fonts->GetItem(6)->GetName(), u"F4");
  EXPECT_TRUE(ss.Fonts->GetItem(2)->GetStyle() & wb::FontStyleBit(wb::xfsBold));
  // XF 17 names file font 3 (the fourth FONT record), XF 18 file font 5 (the fifth record).
  EXPECT_EQ(ss.XFs->GetItem(18)->GetFont()->GetName(), u"F3");
  EXPECT_EQ(ss.XFs->GetItem(19)->GetFont()->GetName(), u"F4");
  EXPECT_EQ(ss.XFs->GetItem(18)->GetNumberFormat()->GetMask(), u"0.000\"kg\"");
  EXPECT_EQ(ss.XFs->GetItem(19)->GetNumberFormat()->Index, 14);
}

TEST(XlsReader, SharedStringsJoinTheirPiecesAcrossContinueRecords) {
  Stream s = Globals({"S"});
  // "abcdef" split after "abc"; the second piece switches to 16-bit characters.
  Bytes sst = B().u32(3).u32(3).ustr("first").u16(6).u8(0).str8("abc").d;
  s.rec(0x00FC, sst);
  s.rec(0x003C, B().u8(1).u16('d').u16(0x4E2D).u16('f').u16(2).u8(0x08).u16(2).str8("xy").u16(0).u16(0).u16(1).u16(1).d);
  s.eof();
  s.bof8(0x10);
  for (int i = 0; i < 3; ++i) s.rec(0x00FD, B().u16(i).u16(0).u16(16).u32(i).d);
  s.eof();
  Book b;
  b.read(s.d);
  ASSERT_EQ(b.manager.SST->Count(), 3);
  EXPECT_EQ(b.manager.SST->GetText(0), u"first");
  EXPECT_EQ(b.manager.SST->GetText(1), u"abcd\u4E2Df");
  EXPECT_EQ(b.manager.SST->GetText(2), u"xy");
  EXPECT_EQ(wb::TXc12DataSST::GetFontRunCount(b.manager.SST->GetItems(2)), 2);
}

Bytes Formula(int Row, int Col, const Bytes& Result, int Options, const Bytes& Ptgs) {
  return B().u16(Row).u16(Col).u16(16).raw(Result).u16(Options).u32(0).u16(static_cast<int>(Ptgs.size())).raw(Ptgs).d;
}

TEST(XlsReader, FormulasKeepTokensAndCachedResults) {
  Stream s = Globals({"S"});
  s.eof();
  s.bof8(0x10);
  const Bytes num = B().f64(3).d;
  const Bytes ref_a1 = B().u8(0x24).u16(0).u16(0xC000).d;  // A1, relative
  s.rec(0x0006, Formula(0, 1, num, 0, B().raw(ref_a1).u8(0x1E).u16(1).u8(0x03).d));  // B1 =A1+1
  s.rec(0x0006, Formula(1, 1, B().u8(1).u8(0).u8(1).u8(0).u16(0).u16(0xFFFF).d, 0, B().u8(0x1D).u8(1).d));  // TRUE
  s.rec(0x0006, Formula(2, 1, B().u8(2).u8(0).u8(0x2B).u8(0).u16(0).u16(0xFFFF).d, 0, B().u8(0x1C).u8(0x2B).d));
  s.rec(0x0006, Formula(3, 1, B().u8(0).u8(0).u8(0).u8(0).u16(0).u16(0xFFFF).d, 0, B().u8(0x17).u8(1).u8(0).str8("x").d));
  s.rec(0x0207, B().ustr("x").d);
  // A shared formula over C1:C3 (master C1): =A1*2 relative.
  const Bytes exp_c1 = B().u8(0x01).u16(0).u16(2).d;
  s.rec(0x0006, Formula(0, 2, num, 0x0008, exp_c1));
  s.rec(0x04BC, B().u16(0).u16(2).u8(2).u8(2).u8(0).u8(3).u16(9).u8(0x2C).u16(0).u16(0xC0FE).u8(0x1E).u16(2).u8(0x05).d);
  s.rec(0x0006, Formula(1, 2, num, 0x0008, exp_c1));
  s.rec(0x0006, Formula(2, 2, num, 0x0008, exp_c1));
  // An array formula over D1:D2.
  const Bytes exp_d1 = B().u8(0x01).u16(0).u16(3).d;
  s.rec(0x0006, Formula(0, 3, num, 0, exp_d1));
  s.rec(0x0221, B().u16(0).u16(1).u8(3).u8(3).u16(1).u32(0).u16(3).u8(0x1E).u16(5).d);
  s.rec(0x0006, Formula(1, 3, num, 0, exp_d1));
  s.eof();
  Book b;
  b.read(s.d);
  auto& c = b.cells(0);
  auto r = b.at(0, 1, 0);
  EXPECT_EQ(c.CellType(r), wb::cvkFloatFormula);
  EXPECT_DOUBLE_EQ(c.GetFormulaFloat(r), 3);
  const std::uint8_t* p = nullptr;
  ASSERT_EQ(c.GetFormulaPtgs(r, p), 10);
  EXPECT_EQ(p[0], 0xFF);
  EXPECT_EQ(p[1], 0x24);
  EXPECT_TRUE(c.GetFormulaBoolean(b.at(0, 1, 1)));
  EXPECT_EQ(c.GetFormulaError(b.at(0, 1, 2)) & 0x7F, wb::errGettingData);
  std::u16string t;
  c.GetFormulaString(b.at(0, 1, 3), t);
  EXPECT_EQ(t, u"x");
  // Each shared cell holds its own absolute reference: C2 refers to A2 (row 1).
  for (int row = 0; row < 3; ++row) {
    auto sr = b.at(0, 2, row);
    ASSERT_EQ(c.CellType(sr), wb::cvkFloatFormula);
    ASSERT_EQ(c.GetFormulaPtgs(sr, p), 10);
    EXPECT_EQ(p[1], 0x24);
    EXPECT_EQ(core::load_le16(p + 2), row);
    EXPECT_EQ(core::load_le16(p + 4) & 0x3FFF, 0);
  }
  auto master = b.at(0, 3, 0);
  wb::TXLSCellArea area;
  ASSERT_TRUE(c.GetFormulaAreaRect(master, area));
  EXPECT_EQ(area.Row2, 1);
  EXPECT_EQ(area.Col1, 3);
  EXPECT_EQ(c.CellType(b.at(0, 3, 1)), wb::cvkFloatFormula);
}

TEST(XlsReader, DefinedNamesAndExternalSheetsAreRead) {
  Stream s = Globals({"One", "Two"});
  s.rec(0x01AE, B().u16(2).u16(0x0401).d);
  s.rec(0x0017, B().u16(1).u16(0).u16(1).u16(1).d);
  // Total =Two!$A$1 local to the second sheet; Print_Area built-in.
  const Bytes ref3d = B().u8(0x3A).u16(0).u16(0).u16(0).d;
  s.rec(0x0018, B().u16(0).u8(0).u8(5).u16(static_cast<int>(ref3d.size())).u16(0).u16(2).u32(0).u8(0).str8("Total").raw(ref3d).d);
  s.rec(0x0018, B().u16(0x0020).u8(0).u8(1).u16(static_cast<int>(ref3d.size())).u16(0).u16(1).u32(0).u8(0).u8(6).raw(ref3d).d);
  s.eof();
  for (int i = 0; i < 2; ++i) {
    s.bof8(0x10);
    s.eof();
  }
  Book b;
  b.read(s.d);
  auto& names = *b.manager.Workbook->DefinedNames;
  ASSERT_EQ(names.Count(), 2);
  EXPECT_EQ(names.GetItems(0)->Name, u"Total");
  EXPECT_EQ(names.GetItems(0)->LocalSheetId, 1);
  ASSERT_EQ(names.GetItems(0)->Compiled.size(), ref3d.size() + 1);
  EXPECT_EQ(names.GetItems(0)->Compiled[0], 0xFF);
  EXPECT_EQ(names.GetItems(1)->BuiltIn, wb::bnPrintArea);
  auto& ext = b.doc->ExternalNames();
  ASSERT_EQ(ext.ExtSheets.size(), 1u);
  EXPECT_EQ(ext.GetInternalSheetIndex(0), 1);
  EXPECT_EQ(ext.GetInternalSheetRef(1, 2), 0);
  EXPECT_EQ(ext.GetInternalSheetRef(0, 2), 1);
}

TEST(XlsReader, Biff5StringsGoThroughTheCodePage) {
  Stream s;
  s.rec(0x0809, B().u16(0x0500).u16(5).u16(0).u16(0x07CC).d);
  s.rec(0x0042, B().u16(932).d);
  // Sheet name and a label in Shift-JIS: 0x82 0xA0 is HIRAGANA LETTER A.
  s.rec(0x0085, B().u32(0).u8(0).u8(0).u8(2).u8(0x82).u8(0xA0).d);
  s.eof();
  s.rec(0x0809, B().u16(0x0500).u16(0x10).u16(0).u16(0x07CC).d);
  s.rec(0x0204, B().u16(0).u16(0).u16(0).u16(3).u8(0x82).u8(0xA0).u8('x').d);
  s.eof();
  Book b;
  Bytes file = Compound(s.d, u"Book");
  b.doc->ReadStream(core::ByteSpan(file.data(), file.size()));
  EXPECT_EQ(b.doc->VersionRead, 5);
  EXPECT_EQ(b.manager.Worksheets->GetItem(0)->Name, u"\u3042");
  std::u16string t;
  b.cells(0).GetString(b.at(0, 0, 0), t);
  EXPECT_EQ(t, u"\u3042x");
}

TEST(XlsReader, Biff4WorksheetFileGivesOneSheet) {
  Stream s;
  s.rec(0x0409, B().u16(0).u16(0x10).u16(0).d);
  s.rec(0x041E, B().u16(0).u8(4).str8("0.0%").d);
  s.rec(0x0231, B().u16(200).u16(0).u16(0x7FFF).u8(5).str8("Arial").d);
  s.rec(0x0443, B().u8(0).u8(0).u16(0).u16(0).u16(0).u32(0).d);
  s.rec(0x0203, B().u16(2).u16(1).u16(0).f64(0.5).d);
  s.rec(0x0204, B().u16(3).u16(1).u16(0).u16(2).str8("hi").d);
  s.eof();
  const std::string path = ::testing::TempDir() + "biff4_sheet.xls";
  {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(s.d.data()), static_cast<std::streamsize>(s.d.size()));
  }
  Book b;
  b.doc->Read(core::utf8_to_utf16(path));
  std::remove(path.c_str());
  ASSERT_EQ(b.manager.Worksheets->Count(), 1);
  EXPECT_EQ(b.manager.Worksheets->GetItem(0)->Name, u"Sheet1");
  EXPECT_EQ(b.doc->Version(), 5);
  auto& c = b.cells(0);
  EXPECT_DOUBLE_EQ(c.GetFloat(b.at(0, 1, 2)), 0.5);
  std::u16string t;
  c.GetString(b.at(0, 1, 3), t);
  EXPECT_EQ(t, u"hi");
  // The file's first FORMAT replaced the first built-in BIFF4 mask.
  EXPECT_EQ(b.manager.StyleSheet->XFs->GetItem(1)->GetNumberFormat()->GetMask(), u"0.0%");
}

TEST(XlsReader, Biff3WorksheetFileReachesTheRecordLoop) {
  Stream s;
  s.rec(0x0209, B().u16(0).u16(0x10).u16(0).d);
  s.rec(0x001E, B().u8(5).str8("0.000").d);
  s.rec(0x0231, B().u16(200).u16(0).u16(0x7FFF).u8(5).str8("Arial").d);
  s.rec(0x0243, B().u8(0).u8(0).u16(0).u16(0).u16(0).u32(0).d);
  s.rec(0x0203, B().u16(0).u16(0).u16(0).f64(1.5).d);
  s.eof();
  const std::string path = ::testing::TempDir() + "biff3_sheet.xls";
  {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(s.d.data()), static_cast<std::streamsize>(s.d.size()));
  }
  Book b;
  b.doc->Read(core::utf8_to_utf16(path));
  std::remove(path.c_str());
  ASSERT_EQ(b.manager.Worksheets->Count(), 1);
  EXPECT_EQ(b.doc->VersionRead, 3);
  EXPECT_DOUBLE_EQ(b.cells(0).GetFloat(b.at(0, 0, 0)), 1.5);
  EXPECT_EQ(b.manager.StyleSheet->XFs->GetItem(1)->GetNumberFormat()->GetMask(), u"0.000");
}

TEST(XlsReader, CustomViewsAndDirectReadEvents) {
  Stream s = Globals({"S"});
  s.eof();
  s.bof8(0x10);
  s.rec(0x01AA, B().u32(0).d);
  s.rec(0x0203, B().u16(9).u16(9).u16(16).f64(9).d);  // inside the custom view: skipped
  s.rec(0x00FC, B().u32(1).u32(1).ustr("skipped").d);  // a record the loop leaves to its handler
  s.rec(0x01AB, B().d);
  s.rec(0x0203, B().u16(0).u16(0).u16(16).f64(4).d);
  s.rec(0x0201, B().u16(1).u16(0).u16(16).d);
  s.eof();
  Book b;
  b.manager.DirectRead = true;
  std::vector<std::pair<int, double>> seen;
  b.manager.OnReadCell = [&](wb::TXLSEventCell* e) { seen.emplace_back(e->Row, e->FloatValue); };
  b.read(s.d);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].first, 0);
  EXPECT_DOUBLE_EQ(seen[0].second, 4);
  EXPECT_TRUE(b.cells(0).CellIsEmpty(0, 0));  // values go to the event only
  EXPECT_FALSE(b.cells(0).CellIsEmpty(0, 1));  // blanks still reach the store
  EXPECT_TRUE(b.cells(0).CellIsEmpty(9, 9));
}

TEST(XlsReader, BadInputGivesClearErrors) {
  Stream ok = Globals({"S"});
  ok.rec(0x00FC, B().u32(1).u32(1).ustr("a").d);
  ok.eof();
  ok.bof8(0x10);
  struct Case {
    const char* what;
    Bytes sheet;
    const char* message;
  } cases[] = {
      {"string index past the table", Stream().rec(0x00FD, B().u16(0).u16(0).u16(16).u32(5).d).d,
       "00FD Offs: "},
      {"record shorter than its fields", Stream().rec(0x0203, B().u16(0).u16(0).d).d, "record too short"},
      {"id with the top bit", Stream().rec(0x9001, B().u16(0).d).d, "Bad record in file"},
      {"truncated body", Bytes{0x03, 0x02, 0x40, 0x00, 0x01}, "Unexpected end of file"},
      {"label longer than its record", Stream().rec(0x0204, B().u16(0).u16(0).u16(16).u16(500).u8(0).str8("ab").d).d,
       "record too short"},
      {"FILEPASS cut short", Stream().rec(0x002F, B().u16(1).u16(1).u16(1).d).d, "E1002: Unknown type of encryption"},
      {"shared formula without its range",
       Stream().rec(0x0006, Formula(0, 0, B().f64(1).d, 0x0008, B().u8(0x01).u16(5).u16(5).d)).d,
       "Fixup error in shared formula at C=0,R=0 (A1)"},
      {"column past the grid", Stream().rec(0x0203, B().u16(0).u16(300).u16(16).f64(1).d).d, "out of range"},
  };
  for (const auto& c : cases) {
    Bytes w = ok.d;
    w.insert(w.end(), c.sheet.begin(), c.sheet.end());
    const std::string msg = ReadError(w);
    EXPECT_NE(msg.find(c.message), std::string::npos) << c.what << ": " << msg;
    EXPECT_EQ(msg.rfind("Error on reading record # ", 0), 0u) << c.what << ": " << msg;
  }
  // Records out of order: a worksheet substream where a chart sheet was announced, a cell record in
  // the globals.
  {
    Stream g;
    g.bof8(5);
    g.rec(0x0085, B().u32(0).u8(0).u8(2).sstr("Chart").d);  // announces a chart sheet only
    g.eof();
    g.bof8(0x10);
    EXPECT_NE(ReadError(g.d).find("Worksheet without BOUNDSHEET"), std::string::npos);
    Stream c;
    c.bof8(5);
    c.rec(0x0203, B().u16(0).u16(0).u16(0).f64(1).d);
    c.eof();
    EXPECT_NE(ReadError(c.d).find("outside a worksheet"), std::string::npos);
  }
  // The wrapped message names the record number (turns done before), the id and the position.
  Bytes w = ok.d;
  Stream bad;
  bad.rec(0x00FD, B().u16(0).u16(0).u16(16).u32(5).d);
  w.insert(w.end(), bad.d.begin(), bad.d.end());
  const int records = 1 + 1 + 6 + 1 + 19 + 1 + 1 + 1 + 1;  // BOF CODEPAGE FONTs FORMAT XFs BOUNDSHEET SST EOF BOF
  char expect[80];
  std::snprintf(expect, sizeof expect, "Error on reading record # %d, 00FD Offs: %.8X\r", records,
                static_cast<unsigned>(w.size()));
  EXPECT_EQ(ReadError(w).substr(0, std::strlen(expect)), expect);

  // No workbook stream, and bytes that are no file at all.
  platform::storage::CompoundFile cf;
  cf.root().create_stream(u"Other").data = Bytes{1, 2, 3};
  Bytes other = cf.serialize();
  Book b1;
  EXPECT_THROW(b1.doc->ReadStream(core::ByteSpan(other.data(), other.size())), std::exception);
  EXPECT_EQ(b1.doc->Sheets().Count(), 1);
  Bytes garbage(700, 0x5A);
  Book b2;
  EXPECT_THROW(b2.doc->ReadStream(core::ByteSpan(garbage.data(), garbage.size())), std::exception);
}

TEST(XlsReader, SettingsReachTheModel) {
  Stream s = Globals({"S"});
  s.rec(0x000D, B().u16(0xFFFF).d);  // CALCMODE -1: automatic except tables
  s.rec(0x0022, B().u16(1).d);       // 1904 dates
  s.eof();
  s.bof8(0x10);
  s.rec(0x0014, B().ustr("&CTitle").d);
  s.rec(0x001B, B().u16(2).u16(10).u16(0).u16(255).u16(20).u16(0).u16(255).d);
  // SETUP without printer data: the defaults, whatever the body says.
  s.rec(0x00A1, B().u16(5).u16(50).u16(1).u16(1).u16(1).u16(0x0004).u16(300).u16(300).f64(0.5).f64(0.4).u16(3).d);
  s.rec(0x0041, B().u16(2).u16(3).u16(3).u16(2).u8(0).u8(0).d);  // frozen after 2 columns and 3 rows
  // COLINFO B:C, 12.5 characters (in 1/256), hidden, outline level 1, collapsed (0x1000).
  s.rec(0x007D, B().u16(1).u16(2).u16(3200).u16(15).u16(0x1101).u16(0).d);
  s.rec(0x001D, B().u8(3).u16(4).u16(1).u16(0).u16(3).u16(0).u16(0).u8(0).u8(0).u16(2).u16(3).u8(1).u8(2)
                    .u16(5).u16(9).u8(0).u8(0).d);
  s.eof();
  Book b;
  b.read(s.d);
  EXPECT_EQ(b.manager.Workbook->CalcPr.calcMode, 2);
  EXPECT_TRUE(b.manager.Workbook->WorkbookPr.date1904);
  auto& w = *b.manager.Worksheets->GetItem(0);
  EXPECT_EQ(w.HeaderFooter.firstHeader, u"&CTitle");
  ASSERT_EQ(w.RowBreaks.Count(), 2);
  EXPECT_EQ(w.RowBreaks.GetItem(1)->id, 20);
  EXPECT_EQ(w.PageSetup.paperSize, 9);
  EXPECT_EQ(w.PageSetup.horizontalDpi, 600);
  EXPECT_EQ(w.PageSetup.orientation, 1);
  EXPECT_DOUBLE_EQ(w.PageMargins.header, 0.5);
  ASSERT_EQ(w.SheetViews.Count(), 1);
  auto& v = *w.SheetViews.GetItem(0);
  EXPECT_DOUBLE_EQ(v.Pane.xSplit, 2);  // columns, not twips / 20
  EXPECT_DOUBLE_EQ(v.Pane.ySplit, 3);
  ASSERT_EQ(v.Selections.Count(), 1);
  auto& sel = *v.Selections.GetItem(0);
  EXPECT_EQ(sel.pane, 3);
  ASSERT_EQ(sel.sqref.Count(), 3);
  EXPECT_EQ(sel.sqref.GetItem(1)->GetRow2(), 3);
  EXPECT_EQ(sel.sqref.GetItem(1)->GetCol2(), 2);
  EXPECT_EQ(sel.sqref.GetItem(2)->GetRow1(), 5);
  ASSERT_EQ(w.Columns.Count(), 1);
  const auto& col = *w.Columns.GetItem(0);
  EXPECT_EQ(col.Min, 1);
  EXPECT_EQ(col.Max, 2);
  EXPECT_DOUBLE_EQ(col.Width, 12.5);
  EXPECT_EQ(col.OutlineLevel, 1);
  EXPECT_EQ(col.Flags, wb::xcfHidden | wb::xcfCollapsed);
}

B& Utf16Counted(B& b, const std::u16string& s) {
  b.u32(static_cast<std::uint32_t>(s.size() + 1));
  for (char16_t c : s) b.u16(c);
  return b.u16(0);
}

TEST(XlsReader, HyperlinksOfEachKind) {
  const Bytes guid(16, 0xAB);
  const Bytes url_moniker = {0xE0, 0xC9, 0xEA, 0x79, 0xF9, 0xBA, 0xCE, 0x11, 0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B};
  const Bytes file_moniker = {0x03, 0x03, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
  Stream s = Globals({"S"});
  s.eof();
  s.bof8(0x10);
  B url;
  url.u16(0).u16(0).u16(1).u16(1).raw(guid).u32(2).u32(0x17);
  Utf16Counted(url, u"Site");
  url.raw(url_moniker).u32(2 * 9);
  for (char16_t c : std::u16string(u"http://x")) url.u16(c);
  url.u16(0);
  s.rec(0x01B8, url.d);
  s.rec(0x0800, B().u16(0x0800).u16(0).u16(0).u16(1).u16(1).u16('t').u16('i').u16('p').u16(0).d);
  B file;
  file.u16(2).u16(2).u16(0).u16(0).raw(guid).u32(2).u32(0x15);
  Utf16Counted(file, u"Book");
  file.raw(file_moniker).u16(2).u32(6).str8("a.xls").u8(0).raw(Bytes(24, 0)).u32(0);
  s.rec(0x01B8, file.d);
  B place;
  place.u16(3).u16(3).u16(0).u16(0).raw(guid).u32(2).u32(0x08);
  Utf16Counted(place, u"S!A1");
  s.rec(0x01B8, place.d);
  s.eof();
  Book b;
  b.read(s.d);
  auto& links = *b.manager.Worksheets->GetItem(0)->Hyperlinks;
  ASSERT_EQ(links.Count(), 3);
  EXPECT_EQ(links.GetItem(0)->Kind, wb::xhltURL);
  EXPECT_EQ(links.GetItem(0)->Address, u"http://x");
  EXPECT_EQ(links.GetItem(0)->Display, u"Site");
  EXPECT_EQ(links.GetItem(0)->Tooltip, u"tip");
  EXPECT_EQ(links.GetItem(0)->Ref.Col2, 1);
  EXPECT_EQ(links.GetItem(1)->Kind, wb::xhltFile);
  EXPECT_EQ(links.GetItem(1)->Address, u"..\\..\\a.xls");
  EXPECT_EQ(links.GetItem(2)->Kind, wb::xhltWorkbook);
  EXPECT_EQ(links.GetItem(2)->Address, u"S!A1");
}

TEST(XlsReader, ReadingStopsAfterTheLastSheetAndSkipsChartSheets) {
  Stream s = Globals({"A"});
  // A chart sheet listed after the worksheet.
  s.rec(0x0085, B().u32(0).u8(0).u8(2).sstr("Chart").d);
  s.eof();
  s.bof8(0x10);
  s.rec(0x0203, B().u16(0).u16(0).u16(16).f64(1).d);
  // An embedded chart substream inside the sheet stays with the sheet.
  s.bof8(0x20);
  s.rec(0x0203, B().u16(5).u16(5).u16(16).f64(5).d);
  s.eof();
  s.eof();
  s.bof8(0x20);
  s.rec(0x1002, B().u32(0).u32(0).u32(0).u32(0).d);
  s.eof();
  s.rec(0x0203, B().u16(7).u16(7).u16(16).f64(1).d);  // after the last substream: not read
  Book b;
  std::vector<int> progress;
  b.doc->OnProgress = [&](biff::TBIFF5&, int Percent) { progress.push_back(Percent); };
  b.read(s.d);
  ASSERT_GE(progress.size(), 2u);
  EXPECT_EQ(progress.front(), 0);
  EXPECT_EQ(progress.back(), 100);
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  ASSERT_EQ(b.manager.Worksheets->Count(), 1);
  EXPECT_FALSE(b.cells(0).CellIsEmpty(0, 0));
  EXPECT_TRUE(b.cells(0).CellIsEmpty(5, 5));
  EXPECT_TRUE(b.cells(0).CellIsEmpty(7, 7));
}

}  // namespace

namespace {

TEST(XlsReader, SheetCountIsBounded) {
  // Every BOUNDSHEET costs a sheet in the model: a file cannot make the reader hold more than the
  // sheet limit, however many records it repeats.
  Stream s = Globals({});
  for (int i = 0; i < 300; ++i) s.rec(0x0085, B().u32(0).u8(0).u8(0).sstr("S" + std::to_string(i % 150)).d);
  s.eof();
  Book b;
  b.doc->MaxSheets = 200;
  try {
    b.read(s.d);
    ADD_FAILURE() << "no error";
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()).find("Too many sheets"), std::string::npos) << e.what();
  }
  EXPECT_EQ(b.manager.Worksheets->Count(), 200);
  // A name met again (other case or not) leaves the later sheet its generated name.
  EXPECT_EQ(b.doc->Sheets().Items(0)->Name(), u"S0");
  EXPECT_NE(b.doc->Sheets().Items(150)->Name(), u"S0");
}

}  // namespace

namespace {

TEST(ExternalNames, FileNamesSheetTablesAndSheetMaintenance) {
  biff::TExternalNames ext;
  // An external book: drive C, folder "data", then the file, with two sheets.
  // The leading 0x01 marks an encoded name; 0x01 + letter is the drive.
  const std::string encoded = std::string("\x01\x01") + "C" + "data" + "\x03" + "book.xls";
  ext.AddSupBook(B().u16(2).u16(static_cast<int>(encoded.size())).u8(0).str8(encoded).ustr("North").ustr("South").d.data(),
                 static_cast<int>(B().u16(2).u16(static_cast<int>(encoded.size())).u8(0).str8(encoded).ustr("North")
                                      .ustr("South").d.size()));
  ext.AddSupBook(B().u16(5).u16(0x0401).d.data(), 4);
  const Bytes sheets = B().u16(4).u16(0).u16(1).u16(1).u16(1).u16(2).u16(2).u16(1).u16(4).u16(4).u16(1).u16(0).u16(3).d;
  ext.ReadExternSheet(sheets.data(), static_cast<int>(sheets.size()));
  EXPECT_EQ(ext.SupBooks[0]->GetFilename(), u"C:\\data\\book.xls");
  EXPECT_EQ(ext.SupBooks[0]->GetFilenameA(), u"C:\\data\\[book.xls]");
  std::u16string text;
  ext.GetExternRefText(0, -1, text);
  EXPECT_EQ(text, u"'C:\\data\\[book.xls]South'!");
  EXPECT_EQ(ext.GetInternalSheetIndex(1), 2);
  EXPECT_EQ(ext.GetInternalSheetIndex(0), -1);
  EXPECT_EQ(ext.GetInternalSheetRef(4, 5), 2);
  EXPECT_EQ(ext.GetInternalSheetRef(3, 5), 4);  // appended to the own book
  ext.SheetDeleted(2);
  EXPECT_EQ(ext.ExtSheets[1].First, 0xFFFF);
  EXPECT_EQ(ext.ExtSheets[2].First, 3);
  EXPECT_EQ(ext.ExtSheets[3].Last, 3);  // (0, 3) starts before the deleted sheet: left as it is
  ext.SheetInserted(0);
  EXPECT_EQ(ext.ExtSheets[2].First, 4);
  // Bodies that claim more than they hold.
  const Bytes short_sheets = B().u16(9).u16(1).d;
  EXPECT_THROW(ext.ReadExternSheet(short_sheets.data(), static_cast<int>(short_sheets.size())), biff::Exception);
  const Bytes crn = B().u8(1).u8(0).u16(3).u8(1).f64(2).d;
  EXPECT_THROW(ext.AddCRN(7, crn.data(), static_cast<int>(crn.size())), biff::Exception);
  EXPECT_THROW(ext.GetExternRefText(99, -1, text), biff::Exception);
}

TEST(ExternalNames, WrittenRecordsAreTheRecordsRead) {
  const std::string encoded = std::string("\x01") + "dir" + "\x03" + "b.xls";
  Stream in;
  in.rec(0x01AE, B().u16(1).u16(static_cast<int>(encoded.size())).u8(0).str8(encoded).ustr("Data").d);
  in.rec(0x0023, B().u16(0).u16(0).u16(0).u8(4).u8(0).str8("Rate").u16(3).u8(0x1C).u8(0x2A).u8(0).d);
  in.rec(0x0059, B().u16(1).u16(0).d);
  in.rec(0x005A, B().u8(1).u8(0).u16(4).u8(1).f64(2.5).u8(2).u8(0).u8(0).u16(0).u32(0).d);
  in.rec(0x01AE, B().u16(3).u16(0x0401).d);
  in.rec(0x0017, B().u16(2).u16(0).u16(0).u16(0).u16(1).u16(2).u16(2).d);
  biff::TExternalNames ext;
  for (std::size_t p = 0; p < in.d.size();) {
    const int id = core::load_le16(&in.d[p]), len = core::load_le16(&in.d[p + 2]);
    const std::uint8_t* body = &in.d[p + 4];
    if (id == 0x01AE) ext.AddSupBook(body, len);
    if (id == 0x0023) ext.AddExternName(body, len);
    if (id == 0x005A) ext.AddCRN(0, body, len);
    if (id == 0x0017) ext.ReadExternSheet(body, len);
    p += 4 + static_cast<std::size_t>(len);
  }
  biff::TXLSStream out;
  out.CreateMemory();
  ext.WriteToStream(out);
  EXPECT_EQ(out.MemoryBytes(), in.d);
}

}  // namespace
