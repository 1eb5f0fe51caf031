#include "workbook/spreadsheet_component.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "core/unicode.h"
#include "workbook/streams.h"

namespace workbook {
namespace {

// What the fake neighbours were asked to do.
struct Calls {
  std::vector<std::string> log;
};

struct FakeLegacy : IXLSLegacyDocument {
  Calls* calls;
  TXc12Manager* m;
  std::u16string file;
  FakeLegacy(Calls* c, TXc12Manager* mm, const TXLSLegacyOptions& o) : calls(c), m(mm), file(o.FileName) {}
  void SheetAdded() override { calls->log.push_back("legacy sheet added"); }
  void SheetDeleted(int) override { calls->log.push_back("legacy sheet deleted"); }
  void SheetMoved(int From, int To) override {
    calls->log.push_back("legacy sheet moved " + std::to_string(From) + " " + std::to_string(To));
  }
  int EncodeFormula(const std::u16string&, std::uint8_t* Buffer, int, int) override {
    Buffer[0] = 0x1E;  // an integer token
    Buffer[1] = 1;
    Buffer[2] = 0;
    return 3;
  }
  void SetFilename(const std::u16string& F) override { file = F; }
  void Fill() {
    TXc12DataWorksheet* s = m->Worksheets->Add(-1);
    s->Name = u"Sheet1";
  }
  void Read() override {
    calls->log.push_back("legacy read " + core::utf16_to_utf8(file));
    Fill();
  }
  void ReadStream(TStream& Stream) override {
    char head[4] = {};
    Stream.Read(head, 4);
    calls->log.push_back("legacy read stream " + std::string(head, 4));
    Fill();
  }
  void Write() override { calls->log.push_back("legacy write " + core::utf16_to_utf8(file)); }
  void WriteStream(TStream&) override { calls->log.push_back("legacy write stream"); }
  TObject* ExternalNames() override { return nullptr; }
  std::vector<TNote> SheetNotes(int SheetIndex) override {
    if (SheetIndex != 0) return {};
    return {TNote{2, 3, u"note", u"Ann"}};
  }
};

struct FakeReader : IXLSXReader {
  Calls* calls;
  TXc12Manager* m;
  void Read(TStream&) override {
    calls->log.push_back("xlsx read");
    m->Worksheets->Add(-1)->Name = u"Data";
  }
};

struct FakeWriter : IXLSXWriter {
  Calls* calls;
  void Write(TStream& S) override {
    calls->log.push_back("xlsx write");
    S.Write("PK", 2);
  }
};

std::vector<std::uint8_t> TemplateZip() {
  TMemoryStream out;
  TXLSZipArchive zip;
  zip.OpenWrite(out);
  TMemoryStream xls(std::vector<std::uint8_t>{'B', 'I', 'F', 'F', 0, 0});
  zip.AddStream(u"Empty.xls", xls);
  zip.Close();
  return out.Bytes();
}

TXLSSpreadsheetNeighbours AllNeighbours(Calls& calls) {
  TXLSSpreadsheetNeighbours n;
  n.CreateLegacyDocument = [&calls](TXc12Manager* m, IXLSFormulaHandler*, const TXLSLegacyOptions& o) {
    return std::make_unique<FakeLegacy>(&calls, m, o);
  };
  n.CreateXlsxReader = [&calls](TXc12Manager* m, IXLSFormulaHandler*) {
    auto r = std::make_unique<FakeReader>();
    r->calls = &calls;
    r->m = m;
    return r;
  };
  n.CreateXlsxWriter = [&calls](TXc12Manager*, IXLSFormulaHandler*) {
    auto w = std::make_unique<FakeWriter>();
    w->calls = &calls;
    return w;
  };
  n.EmptyLegacyTemplate = TemplateZip();
  return n;
}

struct TempFile {
  std::filesystem::path path;
  TempFile(const std::string& name, const std::string& content) {
    path = std::filesystem::temp_directory_path() / ("thc_k5_" + std::to_string(::getpid()) + "_" + name);
    std::ofstream(path, std::ios::binary) << content;
  }
  ~TempFile() { std::filesystem::remove(path); }
  std::u16string u16() const { return core::utf8_to_utf16(path.string()); }
};

TEST(Spreadsheet, NewComponentAndClear) {
  TXLSSpreadsheet5 xls{TXLSSpreadsheetNeighbours{}};
  EXPECT_EQ(xls.GetVersion(), xvExcel2007);
  EXPECT_EQ(xls.GetComponentVersion(), u"5.0.1a");
  ASSERT_EQ(xls.GetCount(), 1);
  EXPECT_EQ(xls.GetItem(0)->GetName(), u"Sheet1");
  EXPECT_EQ(xls.GetBIFF(), nullptr);
  xls.Clear(300);
  EXPECT_EQ(xls.GetCount(), 255);
  EXPECT_EQ(xls.GetManager()->Worksheets->Count(), 255);
  xls.Clear(-1);
  EXPECT_EQ(xls.GetCount(), 0);
}

TEST(Spreadsheet, MissingRoadsAreClearErrorsAndKeepTheWorkbook) {
  TXLSSpreadsheet5 xls{TXLSSpreadsheetNeighbours{}};
  xls.GetItem(0)->SetAsFloat(0, 0, 42);
  TMemoryStream out;
  struct Case {
    const char* what;
    std::function<void()> run;
    const char* message;
  };
  TempFile zip("book.xlsx", std::string("PK\x03\x04", 4) + "rest");
  const Case cases[] = {
      {"legacy file", [&] { xls.LoadFromFile(u"report.xls"); }, ".xls"},
      {"zip stream", [&] { xls.LoadFromFile(zip.u16()); }, ".xlsx"},
      {"write xlsx", [&] { xls.SaveToStream(out); }, ".xlsx"},
      {"write file", [&] { xls.SaveToFile(u"/nonexistent/x.xlsx"); }, ".xlsx"},
      {"legacy version", [&] { xls.SetVersion(xvExcel97); }, ".xls"},
  };
  for (const Case& c : cases) {
    try {
      c.run();
      ADD_FAILURE() << c.what << " did not fail";
    } catch (const Exception& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.what << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find("not available"), std::string::npos) << e.what();
    }
    ASSERT_EQ(xls.GetCount(), 1) << c.what;
    EXPECT_FALSE(xls.GetItem(0)->IsEmpty()) << c.what;
  }
}

TEST(Spreadsheet, ReadRoadsByNameAndContent) {
  Calls calls;
  TXLSSpreadsheet5 xls{AllNeighbours(calls)};
  TempFile zip("book.dat", std::string("PK\x03\x04", 4) + "rest");
  TempFile biff("old.dat", "BIFFdata");
  xls.LoadFromFile(u"/data/REPORT.XLS");
  EXPECT_EQ(xls.GetVersion(), xvExcel97);
  EXPECT_EQ(xls.GetFilename(), u"/data/REPORT.XLS");
  xls.LoadFromFile(zip.u16());
  EXPECT_EQ(xls.GetVersion(), xvExcel2007);
  ASSERT_EQ(xls.GetCount(), 1);
  EXPECT_EQ(xls.GetItem(0)->GetName(), u"Data");
  xls.LoadFromFile(biff.u16());
  EXPECT_EQ(xls.GetVersion(), xvExcel97);
  xls.LoadFromFile(u"macros.Xlm");
  EXPECT_EQ(xls.GetVersion(), xvExcel97);
  // Without the content check a stream always takes the .xlsx road.
  TMemoryStream notZip(std::vector<std::uint8_t>{'B', 'I', 'F', 'F'});
  xls.LoadFromStream(notZip, false);
  EXPECT_EQ(xls.GetVersion(), xvExcel2007);
  const std::vector<std::string> expected = {"legacy read /data/REPORT.XLS", "xlsx read", "legacy read stream BIFF",
                                             "legacy read macros.Xlm", "xlsx read"};
  EXPECT_EQ(calls.log, expected);
  xls.LoadFromFile(biff.u16());
  // Notes of a legacy workbook become comments.
  ASSERT_EQ(xls.GetItem(0)->GetComments()->GetCount(), 1);
  EXPECT_EQ(xls.GetItem(0)->GetComments()->GetItem(0)->GetCol(), 2);
  EXPECT_EQ(xls.GetItem(0)->GetComments()->GetItem(0)->GetRow(), 3);
  EXPECT_EQ(xls.GetItem(0)->GetComments()->GetItem(0)->GetText(), u"note");
  const TXc12Author* author = xls.GetItem(0)->GetComments()->GetItem(0)->GetData()->Author;
  ASSERT_NE(author, nullptr);
  EXPECT_EQ(author->Name, u"Ann");
  EXPECT_THROW(xls.LoadFromFile(u"/nonexistent/dir/file.xlsx"), Exception);
}

TEST(Spreadsheet, LegacyVersionFromTemplate) {
  Calls calls;
  TXLSSpreadsheet5 xls{AllNeighbours(calls)};
  xls.SetVersion(xvExcel97);
  EXPECT_EQ(xls.GetVersion(), xvExcel97);
  ASSERT_NE(xls.GetBIFF(), nullptr);
  ASSERT_EQ(xls.GetCount(), 1);
  EXPECT_EQ(xls.GetItem(0)->GetName(), u"Sheet1");
  EXPECT_EQ(xls.GetErrors()->GetWarningCount(), 0);
  xls.SetVersion(xvExcel97);  // already there: nothing
  EXPECT_EQ(calls.log.size(), 1u);
  // Formulas now go through the legacy compiler.
  xls.GetItem(0)->SetAsFormula(0, 0, u"1");
  TMMUCellRef ref;
  ASSERT_TRUE(xls.GetItem(0)->GetCells()->FindCell(0, 0, ref));
  EXPECT_EQ(TXLSCellMMU::GetFormulaFloat(ref), 0);
  xls.Add();
  EXPECT_EQ(calls.log.back(), "legacy sheet added");
  // A non-empty workbook switched again is discarded with a warning.
  xls.SetVersion(xvExcel2007);
  EXPECT_EQ(xls.GetBIFF(), nullptr);
  xls.GetItem(0)->SetAsFloat(0, 0, 1);
  xls.SetVersion(xvExcel97);
  EXPECT_EQ(xls.GetErrors()->GetWarningCount(), 1);
  EXPECT_TRUE(xls.GetItem(0)->IsEmpty());
}

TEST(Spreadsheet, WriteRoads) {
  Calls calls;
  TXLSSpreadsheet5 xls{AllNeighbours(calls)};
  TMemoryStream out;
  xls.SaveToStream(out);
  EXPECT_EQ(out.Bytes().size(), 2u);
  xls.SetVersion(xvExcel97);
  xls.SaveToStream(out);
  xls.SetFilename(u"r.xls");
  xls.Write();
  const std::vector<std::string> expected = {"xlsx write", "legacy read stream BIFF", "legacy write stream",
                                             "legacy write r.xls"};
  EXPECT_EQ(calls.log, expected);
}

}  // namespace
}  // namespace workbook
