#include "workbook/manager.h"

#include <gtest/gtest.h>

#include <chrono>

#include "core/clock.h"
#include "xml/xml_values.h"

namespace workbook {
namespace {

struct ManagerFixture : ::testing::Test {
  TXLSErrorManager errors;
  TXc12DataClassFactory factory;
  TXc12Manager m{&factory, &errors};
  ManagerFixture() { m.CreateParts(); }
};

TEST_F(ManagerFixture, BookPrefix) {
  EXPECT_EQ(m.GetBookPrefix(), u"");
  m.Filename = u"C:\\a\\b.xlsx";
  EXPECT_EQ(m.GetBookPrefix(), u"C:\\a\\[b.xlsx]");
  m.Filename = u"/tmp/r.xls";
  EXPECT_EQ(m.GetBookPrefix(), u"/tmp/[r.xls]");
}

TEST_F(ManagerFixture, ProgressWithZeroTotalFiresOnlyBeginAndEnd) {
  std::vector<std::pair<TXLSProgressState, double>> seen;
  m.OnProgress = [&](TXLSProgressType, TXLSProgressState s, double v) { seen.emplace_back(s, v); };
  m.BeginProgress(xptCompileFormulas, 0);
  m.WorkProgress(1);
  m.EndProgress();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].first, xpsBegin);
  EXPECT_EQ(seen[1].first, xpsEnd);
  seen.clear();
  m.BeginProgress(xptCompileFormulas, 4);
  m.WorkProgress(1);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_DOUBLE_EQ(seen[1].second, 0.25);
  EXPECT_EQ(m.ProgressType, xptCompileFormulas);
}

TEST_F(ManagerFixture, DirectWriteWalksColumnsThenNextRow) {
  std::vector<std::pair<int, int>> asked;
  m.OnWriteCell = [&](TXLSEventCell* e) { asked.emplace_back(e->Col, e->Row); };
  TXLSEventCell& e = *m.EventCell;
  e.LastRow = 1;
  e.Reset();
  int guard = 0;
  do {
    m.DoWriteCell(false);
    if (!e.MoreCells) {  // the row ended: next row
      m.DoWriteCell(false);
    }
  } while (e.HasCell() && ++guard < 2000);
  ASSERT_EQ(asked.size(), 512u);
  EXPECT_EQ(asked.front(), std::make_pair(0, 0));
  EXPECT_EQ(asked[255], std::make_pair(255, 0));
  EXPECT_EQ(asked[256], std::make_pair(0, 1));
  EXPECT_EQ(asked.back(), std::make_pair(255, 1));
}

TEST_F(ManagerFixture, AcceptWriteCellKeepsRowOrder) {
  TXLSEventCell& e = *m.EventCell;
  e.Reset();
  struct Case {
    int col, row;
    bool accepted;
  };
  // A later column of an earlier row is refused: rows must not go backwards.
  const Case cases[] = {{5, 10, true}, {6, 3, false}, {4, 10, false}, {5, 10, false}, {6, 10, true}, {0, 11, true}};
  for (const Case& c : cases) {
    e.Col = c.col;
    e.Row = c.row;
    EXPECT_EQ(m.AcceptWriteCell(), c.accepted) << c.col << "," << c.row;
    EXPECT_EQ(e.MoreCells, c.accepted);
  }
  EXPECT_EQ(e.AcceptedCol, 0);
  EXPECT_EQ(e.AcceptedRow, 11);
}

TEST(EventCell, ValueKindsFollowFormulaFlag) {
  TXLSEventCell e;
  e.SetAsFloat(1);
  EXPECT_EQ(e.ValueType, 5);
  e.SetAsString(u"x");
  EXPECT_EQ(e.ValueType, 4);
  e.SetFormula(u"A1");
  e.SetAsBoolean(true);
  EXPECT_EQ(e.ValueType, 8);
  e.SetAsError(2);
  EXPECT_EQ(e.ValueType, 9);
  e.SetAsString(u"y");
  EXPECT_EQ(e.ValueType, 7);
  e.SetAsFloat(2);
  EXPECT_EQ(e.ValueType, 6);
  EXPECT_TRUE(e.SetRef(u"C7"));
  EXPECT_EQ(e.Col, 2);
  EXPECT_EQ(e.Row, 6);
  EXPECT_FALSE(e.SetRef(u"nonsense!"));
  e.ClearValue();
  EXPECT_EQ(e.ValueType, 0);
  EXPECT_FALSE(e.IsFormula);
}

TEST_F(ManagerFixture, SaveDatesCreatedOnceAndModifiedEachTime) {
  core::VirtualClock clock;
  core::ScopedClock scoped(clock);
  EXPECT_EQ(m.DocProps->GetCreated(), ooxml::XmlStrToDateTime(u"2000-01-01T12:00:00Z"));
  m.BeforeSave();
  double created = m.DocProps->GetCreated();
  EXPECT_GT(created, 40000.0);
  auto* modified = m.FileData->CoreProperties.Root()->Find(u"cp:coreProperties/dcterms:modified", true);
  std::u16string first = modified->Text;
  clock.advance(std::chrono::duration_cast<core::Millis>(std::chrono::hours(50)));
  m.BeforeSave();
  EXPECT_EQ(m.DocProps->GetCreated(), created);
  EXPECT_NE(modified->Text, first);
  EXPECT_EQ(modified->Text.back(), u'Z');
}

TEST_F(ManagerFixture, VersionControlsUnderscoreEscaping) {
  m.SetVersion(xvExcel97);
  EXPECT_TRUE(m.SST->AlreadyEscaped);
  m.SetVersion(xvExcel2007);
  EXPECT_FALSE(m.SST->AlreadyEscaped);
}

TEST_F(ManagerFixture, FindTableAcrossSheets) {
  m.Worksheets->Add(-1);
  TXc12DataWorksheet* s2 = m.Worksheets->Add(-1);
  s2->Tables.Add()->Name = u"Other";
  s2->Tables.Add()->Name = u"Sales";
  TXc12Tables* tables = nullptr;
  int sheet = -7;
  EXPECT_EQ(m.FindTable(u"sALES", tables, sheet), 1);
  EXPECT_EQ(tables, &s2->Tables);
  EXPECT_EQ(sheet, 1);
  tables = nullptr;
  EXPECT_EQ(m.FindTable(u"none", tables, sheet), -1);
  EXPECT_EQ(tables, nullptr);
  EXPECT_EQ(sheet, 1);
}

TEST_F(ManagerFixture, ClearEmptiesEveryPart) {
  TXc12DataWorksheet* s = m.Worksheets->Add(-1);
  s->Cells->WriteString(0, 0, 0, u"text");
  m.XLinks->Add();
  m.FileData->WorkbookParts.Add(u"x", u"customXml/item1.xml", {1, 2}, u"application/xml");
  m.Workbook->DefinedNames->Add(u"N", -1);
  m.Clear();
  EXPECT_EQ(m.Worksheets->Count(), 0);
  EXPECT_EQ(m.XLinks->Count(), 0);
  EXPECT_EQ(m.FileData->WorkbookParts.Count(), 0);
  EXPECT_EQ(m.Workbook->DefinedNames->Count(), 0);
  EXPECT_EQ(m.BIFFExternalNames, nullptr);
  EXPECT_NE(m.FileData->CoreProperties.Root()->Find(u"cp:coreProperties/dcterms:created", false), nullptr);
}

// A package that hands over prepared unread parts and records what is written back.
struct FakePackage : IXc12Package {
  std::vector<TXc12UnreadPart> unread;
  std::vector<std::pair<TXc12PartParent, std::u16string>> written;
  int themes = 0;
  void OpenRead(TStream&, bool) override {}
  void OpenWrite(TStream&, bool) override {}
  void Close() override {}
  void Clear() override {}
  bool ReadContentTypes(std::vector<std::uint8_t>&) override { return false; }
  bool ReadCoreProperties(std::vector<std::uint8_t>&) override { return false; }
  void AddCoreProperties(const std::vector<std::uint8_t>&) override {}
  void AddTheme(const std::vector<std::uint8_t>& Data, int) override {
    ++themes;
    EXPECT_GT(Data.size(), 1000u);
  }
  void LoadUnreadParts(std::vector<TXc12UnreadPart>& Parts) override { Parts = std::move(unread); }
  void WritePart(TXc12PartParent Parent, const TXLSSavedFileData& Part) override {
    written.emplace_back(Parent, Part.Target);
  }
  std::vector<std::u16string> problems;
  void AddProblem(const std::u16string& Text) override { problems.push_back(Text); }
};

TXc12UnreadPart Part(std::u16string file, std::u16string target, std::u16string rel, std::u16string parentRel,
                     std::u16string parentId = u"") {
  TXc12UnreadPart p;
  p.FileName = std::move(file);
  p.Target = std::move(target);
  p.RelType = std::move(rel);
  p.ParentRelType = std::move(parentRel);
  p.ParentId = std::move(parentId);
  p.ParentIsRoot = p.ParentRelType.empty();
  p.Data = {'x'};
  return p;
}

TEST_F(ManagerFixture, KeptPartsAreSortedAndWrittenBack) {
  auto pkg = std::make_unique<FakePackage>();
  FakePackage* fake = pkg.get();
  m.FileData->SetPackage(std::move(pkg));
  m.FileData->AddSheetId(u"rId1");
  fake->unread.push_back(Part(u"item1.xml", u"../customXml/item1.xml", u"customXml", kRelTypeOfficeDocument));
  fake->unread.push_back(Part(u"printerSettings1.bin", u"../printerSettings/printerSettings1.bin", u"ps",
                              kRelTypeWorksheet, u"rId1"));
  fake->unread.push_back(Part(u"calcChain.xml", u"calcChain.xml", u"calc", kRelTypeOfficeDocument));
  fake->unread.push_back(Part(u"table1.xml", u"../tables/table1.xml", kRelTypeTable, kRelTypeWorksheet, u"rId1"));
  fake->unread.push_back(Part(u"thumb.jpeg", u"docProps/thumb.jpeg", u"thumb", u""));
  TXc12UnreadPart external = Part(u"x", u"http://x", u"link", u"");
  external.Internal = false;
  fake->unread.push_back(external);
  TMemoryStream s;
  m.FileData->BeginRead(s);
  m.FileData->CollectUnreadParts();
  ASSERT_EQ(m.FileData->WorkbookParts.Count(), 1);
  EXPECT_EQ(m.FileData->WorkbookParts.GetItems(0)->Target, u"../customXml/item1.xml");
  EXPECT_EQ(m.FileData->RootParts.Count(), 1);
  ASSERT_NE(m.FileData->SheetParts(0), nullptr);
  EXPECT_EQ(m.FileData->SheetParts(0)->Tables.Count(), 1);
  EXPECT_EQ(m.FileData->SheetParts(0)->Parts.Count(), 0);

  m.FileData->BeginWrite(s);
  m.FileData->WriteSheetParts(0);
  m.FileData->WriteSheetParts(5);
  m.FileData->EndWrite();
  EXPECT_EQ(fake->themes, 1);
  ASSERT_EQ(fake->written.size(), 3u);
  EXPECT_EQ(fake->written[0].first, TXc12PartParent::Sheet);
  EXPECT_EQ(fake->written[1].first, TXc12PartParent::Root);
  EXPECT_EQ(fake->written[2].first, TXc12PartParent::Workbook);

  // A kept theme part means no second default theme.
  m.FileData->WorkbookParts.Add(kRelTypeTheme, u"theme/theme1.xml", {1}, u"t");
  m.FileData->EndWrite();
  EXPECT_EQ(fake->themes, 1);
}

TEST_F(ManagerFixture, KeptPartsHangUnderTheirKeptOrRewrittenSource) {
  auto pkg = std::make_unique<FakePackage>();
  FakePackage* fake = pkg.get();
  m.FileData->SetPackage(std::move(pkg));
  // 0: custom XML under the workbook; 1: its properties, under it; 2: an image of a drawing the
  // reader consumed; 3: a part under a printer-settings part, which is never kept; 4: a part the
  // package could not load.
  fake->unread.push_back(Part(u"item1.xml", u"../customXml/item1.xml", u"customXml", kRelTypeOfficeDocument));
  TXc12UnreadPart props = Part(u"itemProps1.xml", u"itemProps1.xml", u"props", u"customXml");
  props.ParentIndex = 0;
  fake->unread.push_back(props);
  TXc12UnreadPart image = Part(u"image1.odd", u"../media/image1.odd", u"image", u"drawing");
  image.ParentWasRead = true;
  image.ParentPartName = u"xl/drawings/drawing1.xml";
  image.DefaultContentType = u"application/x-odd";
  fake->unread.push_back(image);
  fake->unread.push_back(Part(u"printerSettings1.bin", u"printerSettings1.bin", u"ps", kRelTypeOfficeDocument));
  TXc12UnreadPart orphan = Part(u"x.xml", u"x.xml", u"x", u"ps");
  orphan.ParentIndex = 3;
  orphan.PartName = u"xl/x.xml";
  fake->unread.push_back(orphan);
  TXc12UnreadPart missing = Part(u"gone.xml", u"gone.xml", u"g", kRelTypeOfficeDocument);
  missing.HasData = false;
  fake->unread.push_back(missing);
  m.FileData->CollectUnreadParts();
  ASSERT_EQ(m.FileData->WorkbookParts.Count(), 1);
  TXLSSavedFileData* custom = m.FileData->WorkbookParts.GetItems(0);
  ASSERT_EQ(custom->Children->Count(), 1);
  EXPECT_EQ(custom->Children->GetItems(0)->Target, u"itemProps1.xml");
  ASSERT_EQ(m.FileData->RootParts.Count(), 1);
  EXPECT_EQ(m.FileData->RootParts.GetItems(0)->SourcePartName, u"xl/drawings/drawing1.xml");
  EXPECT_EQ(m.FileData->RootParts.GetItems(0)->DefaultContentType, u"application/x-odd");
  ASSERT_EQ(fake->problems.size(), 1u);
  EXPECT_NE(fake->problems[0].find(u"xl/x.xml"), std::u16string::npos);
}

TEST_F(ManagerFixture, UnknownSheetIdAndMissingPackageAreClearErrors) {
  TMemoryStream s;
  EXPECT_THROW(m.FileData->BeginRead(s), Exception);
  auto pkg = std::make_unique<FakePackage>();
  pkg->unread.push_back(Part(u"drawing1.xml", u"../drawings/drawing1.xml", u"d", kRelTypeWorksheet, u"rId9"));
  m.FileData->SetPackage(std::move(pkg));
  try {
    m.FileData->CollectUnreadParts();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Unknown OPC sheet id \"rId9\"");
  }
}

TEST(DefaultTheme, ParsesAndCarriesRealEastAsianNames) {
  ooxml::TXpgSimpleDOM dom;
  dom.LoadFromString(Xc12DefaultTheme());
  auto* root = dom.Root()->Find(u"a:theme", true);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(Xc12DefaultTheme().find(u"??"), std::u16string::npos);
  EXPECT_NE(Xc12DefaultTheme().find(u"宋体"), std::u16string::npos);
}

}  // namespace
}  // namespace workbook
