// The spreadsheet component on its legacy road: the template, formulas compiled into BIFF8 tokens
// and calculated, and workbooks written and read back through the legacy document.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <zlib.h>

#include "biff/drawing/escher_drawing.h"
#include "biff/drawing/shape_objects.h"
#include "biff/formula_encoder/biff8_encoder.h"
#include "biff/legacy/legacy_document.h"
#include "formula/evaluator/formula_value.h"
#include "formula/formula_handler.h"
#include "core/testing/temp_dir.h"
#include "core/unicode.h"
#include "workbook/biff_codecs.h"
#include "workbook/spreadsheet_component.h"
#include "io/stream.h"

namespace biff {
namespace {

namespace wb = workbook;

wb::TXLSSpreadsheetNeighbours LegacyNeighbours() {
  wb::TXLSSpreadsheetNeighbours n;
  RegisterLegacyNeighbours(n);
  return n;
}

std::u16string FormulaText(wb::TXLSWorksheet* S, int Col, int Row) {
  wb::TMMUCellRef ref;
  EXPECT_TRUE(S->GetCells()->FindCell(Col, Row, ref));
  std::u16string text;
  wb::TXLSCellMMU::GetFormulaString(ref, text);
  return text;
}

double FormulaNumber(wb::TXLSWorksheet* S, int Col, int Row) {
  wb::TMMUCellRef ref;
  EXPECT_TRUE(S->GetCells()->FindCell(Col, Row, ref));
  return wb::TXLSCellMMU::GetFormulaFloat(ref);
}

TEST(LegacyComponent, TemplateGivesOneSheetWithItsStyles) {
  wb::TXLSSpreadsheet5 xls{LegacyNeighbours()};
  EXPECT_EQ(xls.GetVersion(), wb::xvExcel2007);
  xls.SetVersion(wb::xvExcel97);
  EXPECT_EQ(xls.GetVersion(), wb::xvExcel97);
  ASSERT_NE(xls.GetBIFF(), nullptr);
  ASSERT_EQ(xls.GetCount(), 1);
  EXPECT_EQ(xls.GetItem(0)->GetName(), u"Sheet1");
  EXPECT_EQ(xls.GetErrors()->GetWarningCount(), 0);
  EXPECT_TRUE(xls.GetItem(0)->IsEmpty());
  // Everything the template brought counts as built in.
  auto& st = *xls.GetManager()->StyleSheet;
  EXPECT_GT(st.Fonts->Count(), 0);
  EXPECT_EQ(st.Fonts->GetDefaultCount(), st.Fonts->Count());
  EXPECT_EQ(st.Fills->GetDefaultCount(), st.Fills->Count());
  EXPECT_EQ(st.Borders->GetDefaultCount(), st.Borders->Count());
}

TEST(LegacyComponent, SwitchingAFilledWorkbookWarnsAndEmptiesIt) {
  wb::TXLSSpreadsheet5 xls{LegacyNeighbours()};
  xls.GetItem(0)->SetAsFloat(1, 1, 5);
  xls.Add();
  xls.SetVersion(wb::xvExcel97);
  EXPECT_EQ(xls.GetErrors()->GetWarningCount(), 1);
  ASSERT_EQ(xls.GetCount(), 1);
  EXPECT_TRUE(xls.GetItem(0)->IsEmpty());
  xls.SetVersion(wb::xvExcel2007);
  EXPECT_EQ(xls.GetBIFF(), nullptr);
}

TEST(LegacyComponent, BrokenFormulaTextIsRefused) {
  wb::TXLSSpreadsheet5 xls{LegacyNeighbours()};
  xls.SetVersion(wb::xvExcel97);
  for (const char16_t* text : {u"1+", u"SUM(A1,", u"(1", u"1 2", u"\"a\"&"}) {
    EXPECT_THROW(xls.GetItem(0)->SetAsFormula(0, 0, text), FormulaCompileError) << core::u8(text);
  }
}

// The statistics of the console's report over a few records, a second sheet, and a 3-D reference
// from one sheet into another (the EXTERNSHEET list of the document).
void BuildReport(wb::TXLSSpreadsheet5& xls, int Records) {
  xls.SetVersion(wb::xvExcel97);
  xls.Add();
  for (int s = 0; s < 2; ++s) {
    wb::TXLSWorksheet* sh = xls.GetItem(s);
    sh->SetAsString(1, 27, u"温度");
    sh->SetAsString(2, 27, u"湿度");
    for (int i = 0; i < Records; ++i) {
      sh->SetAsFloat(0, 28 + i, i + 1);
      sh->SetAsFloat(1, 28 + i, (s + 1) * 10.0 + i * 0.5);
      sh->SetAsFloat(2, 28 + i, 50 - i);
    }
    const std::u16string r = core::u16(std::to_string(28 + Records));
    sh->SetAsFormula(0, 4, u"\"    温度平均值:\"&ROUND(AVERAGE(B28:B" + r + u"),2)");
    sh->SetAsFormula(3, 4, u"\"    湿度平均值:\"&ROUND(AVERAGE(C28:C" + r + u"),2)");
    sh->SetAsFormula(0, 5, u"\"    温度最小值:\"&MIN(B28:B" + r + u")");
    sh->SetAsFormula(3, 5, u"\"    湿度最小值:\"&MIN(C28:C" + r + u")");
    sh->SetAsFormula(0, 6, u"\"    温度最大值:\"&MAX(B28:B" + r + u")");
    sh->SetAsFormula(3, 6, u"\"    湿度最大值:\"&MAX(C28:C" + r + u")");
  }
  xls.GetItem(0)->SetAsFormula(5, 0, u"Sheet2!B29*2");
  xls.GetFormulaHandler()->Calculate();
}

void ExpectReport(wb::TXLSSpreadsheet5& xls) {
  ASSERT_EQ(xls.GetCount(), 2);
  EXPECT_EQ(xls.GetItem(1)->GetName(), u"Sheet2");
  wb::TXLSWorksheet* s1 = xls.GetItem(0);
  // B: 10, 10.5, 11 -> average 10.5; C: 50, 49, 48.
  EXPECT_EQ(FormulaText(s1, 0, 4), u"    温度平均值:10.5");
  EXPECT_EQ(FormulaText(s1, 3, 4), u"    湿度平均值:49");
  EXPECT_EQ(FormulaText(s1, 0, 5), u"    温度最小值:10");
  EXPECT_EQ(FormulaText(s1, 3, 5), u"    湿度最小值:48");
  EXPECT_EQ(FormulaText(s1, 0, 6), u"    温度最大值:11");
  EXPECT_EQ(FormulaText(s1, 3, 6), u"    湿度最大值:50");
  EXPECT_EQ(FormulaText(xls.GetItem(1), 0, 4), u"    温度平均值:20.5");
  EXPECT_DOUBLE_EQ(FormulaNumber(s1, 5, 0), 40);
}

TEST(LegacyComponent, ReportFormulasAreCalculatedAndSurviveAStreamRoundTrip) {
  wb::TXLSSpreadsheet5 xls{LegacyNeighbours()};
  BuildReport(xls, 3);
  ExpectReport(xls);

  wb::TMemoryStream stream;
  xls.SaveToStream(stream);
  ASSERT_GT(stream.GetSize(), 0);
  stream.Seek(0, wb::TSeekOrigin::soBeginning);
  wb::TXLSSpreadsheet5 back{LegacyNeighbours()};
  back.LoadFromStream(stream, true);  // not "PK": the legacy reader
  EXPECT_EQ(back.GetVersion(), wb::xvExcel97);
  ExpectReport(back);
  // What was read calculates again, its 3-D reference through the file's EXTERNSHEET list.
  back.GetItem(1)->SetAsFloat(1, 28, 100);
  back.GetFormulaHandler()->Calculate();
  EXPECT_DOUBLE_EQ(FormulaNumber(back.GetItem(0), 5, 0), 200);
  EXPECT_EQ(FormulaText(back.GetItem(1), 0, 6), u"    温度最大值:100");
}

TEST(LegacyComponent, SheetWithoutRecordsKeepsItsErrorAndZeroResults) {
  // The ranges cover only the header row: AVERAGE finds no number, MIN and MAX give 0.
  wb::TXLSSpreadsheet5 xls{LegacyNeighbours()};
  BuildReport(xls, 0);
  wb::TMemoryStream stream;
  xls.SaveToStream(stream);
  stream.Seek(0, wb::TSeekOrigin::soBeginning);
  wb::TXLSSpreadsheet5 back{LegacyNeighbours()};
  back.LoadBIFFFromStream(stream);
  for (wb::TXLSSpreadsheet5* x : {&xls, &back}) {
    wb::TXLSWorksheet* s1 = x->GetItem(0);
    wb::TMMUCellRef ref;
    ASSERT_TRUE(s1->GetCells()->FindCell(0, 4, ref));
    EXPECT_EQ(wb::TXLSCellMMU::GetFormulaError(ref), wb::errDiv0);
    EXPECT_EQ(FormulaText(s1, 0, 5), u"    温度最小值:0");
    EXPECT_EQ(FormulaText(s1, 3, 6), u"    湿度最大值:0");
  }
}

TEST(LegacyComponent, DeletedSheetTurnsItsReferencesIntoErrors) {
  wb::TXLSSpreadsheet5 xls{LegacyNeighbours()};
  BuildReport(xls, 3);
  xls.Delete(1, 1);
  ASSERT_EQ(xls.GetCount(), 1);
  xls.GetFormulaHandler()->Calculate();
  wb::TMMUCellRef ref;
  ASSERT_TRUE(xls.GetItem(0)->GetCells()->FindCell(5, 0, ref));
  EXPECT_EQ(wb::TXLSCellMMU::GetFormulaError(ref), wb::errRef);
  // And the workbook is still written and read.
  wb::TMemoryStream stream;
  xls.SaveToStream(stream);
  stream.Seek(0, wb::TSeekOrigin::soBeginning);
  wb::TXLSSpreadsheet5 back{LegacyNeighbours()};
  back.LoadBIFFFromStream(stream);
  EXPECT_EQ(back.GetCount(), 1);
  EXPECT_EQ(FormulaText(back.GetItem(0), 0, 4), u"    温度平均值:10.5");
}

TEST(LegacyComponent, FilesOfEitherExtensionCaseTakeTheLegacyRoad) {
  const core::testing::TempDir scratch("thc_legacy_unit");
  const std::filesystem::path& dir = scratch.path();
  const std::u16string file = core::u16((dir / "Report.XLS").string());
  {
    wb::TXLSSpreadsheet5 xls{LegacyNeighbours()};
    BuildReport(xls, 3);
    xls.SetFilename(file);
    xls.Write();
  }
  wb::TXLSSpreadsheet5 back{LegacyNeighbours()};
  back.SetFilename(file);
  back.Read();
  EXPECT_EQ(back.GetVersion(), wb::xvExcel97);
  ExpectReport(back);
  // Another extension goes by the stream road, where a file that is no ZIP archive still reaches
  // the legacy reader.
  const std::filesystem::path other = dir / "report.dat";
  std::filesystem::copy_file(dir / "Report.XLS", other);
  wb::TXLSSpreadsheet5 third{LegacyNeighbours()};
  third.LoadFromFile(core::u16(other.string()));
  ExpectReport(third);
}

// The text of a legacy formula cell, decoded as a program reads it.
std::u16string CellFormula(wb::TXLSSpreadsheet5& X, int Sheet, int Col, int Row) {
  wb::TMMUCellRef ref;
  wb::TXLSCellMMU* cells = X.GetItem(Sheet)->GetCells();
  EXPECT_TRUE(cells->FindCell(Col, Row, ref));
  const std::uint8_t* ptgs = nullptr;
  const int len = wb::TXLSCellMMU::GetFormulaPtgs(ref, ptgs);
  auto* handler = dynamic_cast<formula::TXLSFormulaHandler*>(X.GetFormulaHandler());
  return handler ? handler->DecodeFormula(cells, Sheet, ptgs, len, false) : u"";
}

TEST(LegacyComponent, DefinedNamesInFormulas) {
  // A workbook name and a name of the same spelling local to the second sheet: each formula means
  // the name of its own sheet before the workbook's, calculates with it, and keeps it through a
  // write and a read.
  wb::TXLSSpreadsheet5 xls{LegacyNeighbours()};
  xls.SetVersion(wb::xvExcel97);
  xls.Add();
  xls.Add();
  xls.GetItem(0)->SetAsFloat(0, 0, 4);
  xls.GetItem(1)->SetAsFloat(0, 0, 10);
  wb::TXc12DefinedNames& names = *xls.GetManager()->Workbook->DefinedNames;
  names.Add(u"Total", -1)->SetDefinition(u"Sheet1!$A$1:$A$3");
  names.Add(u"Rate", -1)->SetDefinition(u"Sheet1!$A$1");
  names.Add(u"rate", 1)->SetDefinition(u"Sheet2!$A$1");
  dynamic_cast<wb::TXLSNames&>(names).CompileAll();
  struct Case {
    int sheet;
    const char16_t* text;
    double value;
  } cases[] = {{0, u"=Rate*2", 8}, {1, u"=RATE*2", 20}, {2, u"=Rate+SUM(Total)", 8}};
  for (const Case& c : cases) xls.GetItem(c.sheet)->SetAsFormula(1, 0, c.text);
  EXPECT_THROW(xls.GetItem(0)->SetAsFormula(2, 0, u"=NoSuchName+1"), std::exception);
  xls.GetFormulaHandler()->Calculate();
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(FormulaNumber(xls.GetItem(c.sheet), 1, 0), c.value) << c.sheet;
  EXPECT_EQ(CellFormula(xls, 0, 1, 0), u"Rate*2");
  EXPECT_EQ(CellFormula(xls, 1, 1, 0), u"rate*2");

  wb::TMemoryStream stream;
  xls.SaveToStream(stream);
  stream.Seek(0, wb::TSeekOrigin::soBeginning);
  wb::TXLSSpreadsheet5 back{LegacyNeighbours()};
  back.LoadBIFFFromStream(stream);
  back.GetItem(0)->SetAsFloat(0, 0, 5);
  back.GetFormulaHandler()->Calculate();
  EXPECT_DOUBLE_EQ(FormulaNumber(back.GetItem(0), 1, 0), 10);
  EXPECT_DOUBLE_EQ(FormulaNumber(back.GetItem(1), 1, 0), 20);
  EXPECT_DOUBLE_EQ(FormulaNumber(back.GetItem(2), 1, 0), 10);
  EXPECT_EQ(CellFormula(back, 0, 1, 0), u"Rate*2");
  EXPECT_EQ(CellFormula(back, 1, 1, 0), u"rate*2");
  EXPECT_EQ(CellFormula(back, 2, 1, 0), u"Rate+SUM(Total)");
  // A formula entered after the read uses the names read.
  back.GetItem(1)->SetAsFormula(2, 0, u"=rate+Rate");
  back.GetFormulaHandler()->Calculate();
  EXPECT_DOUBLE_EQ(FormulaNumber(back.GetItem(1), 2, 0), 20);
}

TEST(Component, UserFunctionsReachTheProgramsEvent) {
  // A function the engine does not know is handed to OnUserFunction with its name as written and
  // its arguments (last first); its result is the handler's. (The legacy compiler refuses such
  // names: a BIFF8 file calls them through add-in names.)
  wb::TXLSSpreadsheet5 xls{LegacyNeighbours()};
  EXPECT_FALSE(xls.GetOnUserFunction());
  std::vector<std::u16string> names;
  xls.SetOnUserFunction([&](const std::u16string& Name, formula::TXLSUserFuncData& Data) {
    names.push_back(Name);
    ASSERT_EQ(Data.Args.size(), 2u);
    Data.Result.SetFloat(Data.Args[1].Number * 10 + Data.Args[0].Number);
  });
  EXPECT_TRUE(xls.GetOnUserFunction());
  xls.GetItem(0)->SetAsFloat(0, 0, 4);
  xls.GetItem(0)->SetAsFormula(1, 0, u"MyFunc(A1,3)+1");
  xls.GetFormulaHandler()->Calculate();
  EXPECT_DOUBLE_EQ(FormulaNumber(xls.GetItem(0), 1, 0), 44);
  EXPECT_EQ(names, std::vector<std::u16string>{u"MyFunc"});
  // Without a handler the name is unknown: #NAME?, as every spreadsheet application gives.
  xls.SetOnUserFunction(nullptr);
  EXPECT_FALSE(xls.GetOnUserFunction());
  xls.GetFormulaHandler()->Calculate();
  wb::TMMUCellRef ref;
  ASSERT_TRUE(xls.GetItem(0)->GetCells()->FindCell(1, 0, ref));
  EXPECT_EQ(wb::TXLSCellMMU::GetFormulaError(ref), wb::errName);
  // OnFunction is never raised: it reads unassigned whatever is set.
  xls.SetOnFunction([](wb::TObject*, const std::u16string&, const std::vector<formula::TXLSFormulaValue>&,
                       formula::TXLSFormulaValue&) {});
  EXPECT_FALSE(xls.GetOnFunction());
}

TEST(Component, SelectionAreasAreSelectedAreas) {
  wb::TXLSSpreadsheet5 xls{LegacyNeighbours()};
  wb::TXLSSelectedAreas* s = xls.GetItem(0)->GetSelection();
  s->SetActiveCell(3, 5);
  ASSERT_EQ(s->Count(), 2);
  for (int i = 0; i < s->Count(); ++i) EXPECT_NE(dynamic_cast<wb::TXLSSelectedArea*>(s->GetItem(i)), nullptr);
  EXPECT_EQ(s->GetItem(1)->GetCol1(), 3);
  EXPECT_EQ(s->GetItem(1)->GetRow2(), 5);
  EXPECT_EQ(s->ActiveCol, 3);
  EXPECT_EQ(s->ActiveRow, 5);
}

TEST(LegacyComponent, NotesOfAReadFileAreTheSheetsComments) {
  // Perl's file (notes on two sheets) and the same saved again by LibreOffice: each note is a
  // comment of its sheet, with cell, text and author.
  struct Note {
    int Sheet, Col, Row;
    const char16_t* Text;
  };
  const Note notes[] = {{0, 1, 1, u"Checked by QA"}, {0, 2, 4, u"Second note, always shown"}, {1, 0, 0, u"First value"}};
  for (const char* name : {"perl_notes_chart.xls", "lo_notes_chart.xls"}) {
    SCOPED_TRACE(name);
    wb::TXLSSpreadsheet5 xls{LegacyNeighbours()};
    xls.LoadFromFile(core::u16(std::string(THC_DRAWING_FIXTURES) + "/" + name));
    ASSERT_GE(xls.GetCount(), 2);
    EXPECT_EQ(xls.GetItem(0)->GetComments()->GetCount(), 2);
    EXPECT_EQ(xls.GetItem(1)->GetComments()->GetCount(), 1);
    for (const Note& n : notes) {
      wb::TXLSComments* c = xls.GetItem(n.Sheet)->GetComments();
      const int i = c->Find(n.Col, n.Row);
      ASSERT_GE(i, 0) << core::utf16_to_utf8(n.Text);
      EXPECT_EQ(c->GetItem(i)->GetText(), n.Text);
    }
  }
  // The author a note names is the comment's.
  wb::TXLSSpreadsheet5 xls{LegacyNeighbours()};
  xls.LoadFromFile(core::u16(std::string(THC_DRAWING_FIXTURES) + "/perl_notes_chart.xls"));
  wb::TXLSComments* c = xls.GetItem(0)->GetComments();
  const wb::TXc12Author* author = c->GetItem(c->Find(1, 1))->GetData()->Author;
  ASSERT_NE(author, nullptr);
  EXPECT_EQ(author->Name, u"Inspector");
}

TEST(LegacyComponent, CommentsChangedAfterAReadAreTheNotesSaved) {
  // A comment deleted, one changed and one added through the interface: the saved file's notes are
  // the comments, no more and no fewer.
  wb::TXLSSpreadsheet5 xls{LegacyNeighbours()};
  xls.LoadFromFile(core::u16(std::string(THC_DRAWING_FIXTURES) + "/perl_notes_chart.xls"));
  wb::TXLSComments* first = xls.GetItem(0)->GetComments();
  first->DeleteItem(first->Find(2, 4));
  first->GetItem(first->Find(1, 1))->SetText(u"Checked twice");
  xls.GetItem(1)->GetComments()->Add(3, 3, u"新的批注");
  wb::TMemoryStream stream;
  xls.SaveToStream(stream);
  stream.Seek(0, wb::TSeekOrigin::soBeginning);
  wb::TXLSSpreadsheet5 back{LegacyNeighbours()};
  back.LoadBIFFFromStream(stream);
  auto notes = [&](int Sheet) {
    std::vector<std::string> out;
    wb::TXLSComments* c = back.GetItem(Sheet)->GetComments();
    for (int i = 0; i < c->GetCount(); ++i)
      out.push_back(std::to_string(c->GetItem(i)->GetCol()) + "," + std::to_string(c->GetItem(i)->GetRow()) + " " +
                    core::utf16_to_utf8(c->GetItem(i)->GetText()));
    std::sort(out.begin(), out.end());
    return out;
  };
  EXPECT_EQ(notes(0), (std::vector<std::string>{"1,1 Checked twice"}));
  EXPECT_EQ(notes(1), (std::vector<std::string>{"0,0 First value", "3,3 新的批注"}));
  const wb::TXc12Author* author = back.GetItem(0)->GetComments()->GetItem(0)->GetData()->Author;
  ASSERT_NE(author, nullptr);
  EXPECT_EQ(author->Name, u"Inspector");
}

TEST(LegacyComponent, RowsPastTheFormatFailTheSaveAndLeaveNoFile) {
  // 65,537 rows do not fit a legacy sheet: the save fails naming sheet and row, and neither the
  // file nor a temporary one is left behind.
  const core::testing::TempDir scratch("thc_legacy_rows");
  const std::filesystem::path file = scratch.path() / "rows.xls";
  wb::TXLSSpreadsheet5 xls{LegacyNeighbours()};
  xls.SetVersion(wb::xvExcel97);
  xls.GetItem(0)->SetName(u"记录");
  for (int r = 0; r < 65537; ++r) xls.GetItem(0)->SetAsFloat(0, r, r);
  try {
    xls.SaveToFile(core::u16(file.string()));
    ADD_FAILURE() << "the save reported success";
  } catch (const std::exception& e) {
    EXPECT_EQ(std::string(e.what()), "Row 65537 of sheet \"记录\" is past the last row (65536) of the file format");
  }
  EXPECT_TRUE(std::filesystem::is_empty(scratch.path()));
  // Without the last row the same workbook is saved.
  xls.GetItem(0)->GetCells()->DeleteCell(0, 65536);
  xls.SaveToFile(core::u16(file.string()));
  wb::TXLSSpreadsheet5 back{LegacyNeighbours()};
  back.LoadFromFile(core::u16(file.string()));
  wb::TMMUCellRef ref;
  EXPECT_TRUE(back.GetItem(0)->GetCells()->FindCell(0, 65535, ref));
  // A note past the last row is refused the same way, and the file saved before stays as it was.
  const auto saved = std::filesystem::file_size(file);
  xls.GetItem(0)->GetComments()->Add(1, 70000, u"too far");
  try {
    xls.SaveToFile(core::u16(file.string()));
    ADD_FAILURE() << "the save reported success";
  } catch (const std::exception& e) {
    EXPECT_EQ(std::string(e.what()),
              "The note of row 70001, column 2 of sheet \"记录\" is past the last row or column of the file format");
  }
  EXPECT_EQ(std::filesystem::file_size(file), saved);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.path()), std::filesystem::directory_iterator()), 1);
}

TEST(LegacyComponent, UnreadableBytesRaiseAndTheComponentGoesOn) {
  wb::TXLSSpreadsheet5 xls{LegacyNeighbours()};
  xls.SetVersion(wb::xvExcel97);
  const std::string junk = "this is no compound file, nor a workbook stream";
  wb::TPointerMemoryStream bad(junk.data(), static_cast<std::int64_t>(junk.size()));
  EXPECT_ANY_THROW(xls.LoadBIFFFromStream(bad));
  // A template switch afterwards gives a clean workbook again.
  xls.SetVersion(wb::xvExcel2007);
  xls.SetVersion(wb::xvExcel97);
  ASSERT_EQ(xls.GetCount(), 1);
  xls.GetItem(0)->SetAsFloat(0, 0, 4);
  xls.GetItem(0)->SetAsFormula(1, 0, u"=A1*A1");
  xls.GetFormulaHandler()->Calculate();
  EXPECT_DOUBLE_EQ(FormulaNumber(xls.GetItem(0), 1, 0), 16);
}

TEST(LegacyComponent, WithoutALegacyRoadTheSwitchFailsClearly) {
  wb::TXLSSpreadsheetNeighbours none;
  wb::TXLSSpreadsheet5 xls{none};
  EXPECT_THROW(xls.SetVersion(wb::xvExcel97), wb::Exception);
  EXPECT_EQ(xls.GetVersion(), wb::xvExcel2007);
}


std::uint32_t Crc(const std::vector<std::uint8_t>& Data) {
  return static_cast<std::uint32_t>(crc32(0, Data.data(), static_cast<uInt>(Data.size())));
}

TEST(LegacyComponent, PicturesOfAReadFileComeWithBytesAndCells) {
  // Each picture frame of a sheet drawing, in order: its store position, type, the store's bytes
  // (CRC-32 of the picture as the writer embedded it) and the client anchor as cells and fractions.
  struct Picture {
    int Sheet, Id;
    std::size_t Size;
    std::uint32_t Crc;
    int Col1, Row1, Col2, Row2;
    double Dx2, Dy2;  // 1/1024 of a column, 1/256 of a row
  };
  struct Case {
    std::string File;
    std::vector<Picture> Pictures;
  };
  const std::string xlsx = THC_XLSX_FIXTURES, drawings = THC_DRAWING_FIXTURES;
  const Case cases[] = {
      {xlsx + "/parts.libreoffice.xls",
       {{0, 1, 78, 0xcfbd8a47, 4, 19, 4, 19, 204, 153}, {0, 2, 80, 0x58f9b9fe, 7, 19, 7, 19, 204, 153}}},
      {drawings + "/perl_notes_chart.xls", {{0, 1, 6263, 0x0ef73d1b, 4, 1, 5, 8, 896, 15}}},
      {drawings + "/lo_notes_chart.xls", {{0, 1, 6263, 0x0ef73d1b, 4, 1, 5, 8, 896, 14}}},
      // The picture is on the second sheet, after a chart sheet in the file.
      {drawings + "/perl_chart_sheets.xls", {{1, 1, 6263, 0x0ef73d1b, 3, 1, 4, 8, 896, 15}}},
      {std::string(THC_BIFF_TEST_FIXTURES) + "/Test97.xls", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.File);
    wb::TXLSSpreadsheet5 xls{LegacyNeighbours()};
    xls.LoadFromFile(core::u16(c.File));
    auto* legacy = dynamic_cast<TLegacyDocument*>(xls.GetBIFF());
    ASSERT_NE(legacy, nullptr);
    std::vector<Picture> want = c.Pictures;
    for (int s = 0; s < xls.GetCount(); ++s) {
      const std::vector<wb::IXLSLegacyDocument::TPicture> got = legacy->SheetPictures(s);
      std::vector<Picture> expected;
      for (const Picture& p : want)
        if (p.Sheet == s) expected.push_back(p);
      ASSERT_EQ(got.size(), expected.size()) << "sheet " << s;
      for (std::size_t i = 0; i < got.size(); ++i) {
        const Picture& e = expected[i];
        const wb::IXLSLegacyDocument::TPicture& g = got[i];
        EXPECT_EQ(g.Id, e.Id);
        EXPECT_EQ(g.Type, msoblipPNG);
        EXPECT_EQ(g.Data.size(), e.Size);
        EXPECT_EQ(Crc(g.Data), e.Crc);
        EXPECT_EQ(g.Anchor.Col1, e.Col1);
        EXPECT_EQ(g.Anchor.Row1, e.Row1);
        EXPECT_EQ(g.Anchor.Col2, e.Col2);
        EXPECT_EQ(g.Anchor.Row2, e.Row2);
        EXPECT_DOUBLE_EQ(g.Anchor.Col1Offset, 0);
        EXPECT_DOUBLE_EQ(g.Anchor.Row1Offset, 0);
        EXPECT_DOUBLE_EQ(g.Anchor.Col2Offset, e.Dx2 / 1024);
        EXPECT_DOUBLE_EQ(g.Anchor.Row2Offset, e.Dy2 / 256);
      }
    }
    EXPECT_TRUE(legacy->SheetPictures(xls.GetCount()).empty());
    EXPECT_TRUE(legacy->SheetPictures(-1).empty());
  }
}

TEST(LegacyComponent, SavedAgainAsXlsEachPictureIsWrittenOnce) {
  // The component's copy of the pictures stays out of the legacy file: read back, the file has
  // the same frames and the store holds each picture once.
  wb::TXLSSpreadsheet5 xls{LegacyNeighbours()};
  xls.LoadFromFile(core::u16(std::string(THC_XLSX_FIXTURES) + "/parts.libreoffice.xls"));
  auto* legacy = dynamic_cast<TLegacyDocument*>(xls.GetBIFF());
  ASSERT_NE(legacy, nullptr);
  const auto before = legacy->SheetPictures(0);
  ASSERT_EQ(before.size(), 2u);
  wb::TMemoryStream stream;
  xls.SaveToStream(stream);
  stream.Seek(0, wb::TSeekOrigin::soBeginning);
  wb::TXLSSpreadsheet5 back{LegacyNeighbours()};
  back.LoadBIFFFromStream(stream);
  auto* again = dynamic_cast<TLegacyDocument*>(back.GetBIFF());
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->Document().EscherGroup().Count(), 2);
  const auto after = again->SheetPictures(0);
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(after[i].Id, before[i].Id);
    EXPECT_EQ(after[i].Data, before[i].Data);
    EXPECT_EQ(after[i].Anchor.Col2, before[i].Anchor.Col2);
    EXPECT_DOUBLE_EQ(after[i].Anchor.Col2Offset, before[i].Anchor.Col2Offset);
  }
}

TEST(LegacyComponent, PictureFramesGiveStoreBytesAndFractionOffsets) {
  // Frames made in the document: a bitmap (the store keeps it without its file header), a frame
  // that shows nothing and one whose reference points past the store.
  wb::TXLSSpreadsheet5 xls{LegacyNeighbours()};
  xls.SetVersion(wb::xvExcel97);
  auto* legacy = dynamic_cast<TLegacyDocument*>(xls.GetBIFF());
  ASSERT_NE(legacy, nullptr);
  core::Bytes bmp(54 + 16, 0);
  bmp[0] = 'B';
  bmp[1] = 'M';
  bmp[14] = 40;
  for (std::size_t i = 54; i < bmp.size(); ++i) bmp[i] = static_cast<std::uint8_t>(i);
  legacy->Document().EscherGroup().AddPicture().LoadFromStream(bmp, "dot.bmp", msoblipDIB);
  TEscherDrawing& drawing = legacy->Document().GetSheet(0)->Drawing();
  struct Frame {
    std::uint32_t Pib;
    int Id, Type;
  };
  const Frame frames[] = {{1, 1, msoblipDIB}, {0, 0, 0}, {7, 0, 0}};
  for (const Frame& f : frames) {
    TShapeClientAnchor& s = drawing.AddPicture();
    s.Properties.SetValue(260, f.Pib);
    s.Anchor = {0, 2, 512, 3, 64, 5, 1023, 9, 256};
  }
  const auto got = legacy->SheetPictures(0);
  ASSERT_EQ(got.size(), std::size(frames));
  for (std::size_t i = 0; i < got.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(got[i].Id, frames[i].Id);
    EXPECT_EQ(got[i].Type, frames[i].Type);
    EXPECT_EQ(got[i].Data.empty(), frames[i].Id == 0);
    EXPECT_EQ(got[i].Anchor.Col1, 2);
    EXPECT_EQ(got[i].Anchor.Row1, 3);
    EXPECT_EQ(got[i].Anchor.Col2, 5);
    EXPECT_EQ(got[i].Anchor.Row2, 9);
    EXPECT_DOUBLE_EQ(got[i].Anchor.Col1Offset, 0.5);
    EXPECT_DOUBLE_EQ(got[i].Anchor.Row1Offset, 0.25);
    EXPECT_DOUBLE_EQ(got[i].Anchor.Col2Offset, 1023.0 / 1024);
    EXPECT_DOUBLE_EQ(got[i].Anchor.Row2Offset, 1.0);
  }
  // The bitmap comes back as a file, header and all.
  EXPECT_EQ(got[0].Data.size(), bmp.size());
  EXPECT_TRUE(std::equal(bmp.begin() + 54, bmp.end(), got[0].Data.begin() + 54));
  EXPECT_EQ(got[0].Data[0], 'B');
}

}  // namespace
}  // namespace biff
