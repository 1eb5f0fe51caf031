#include <gtest/gtest.h>

#include <functional>

#include "core/unicode.h"
#include "ooxml/opc/opc_xlsx.h"
#include "ooxml/opc/tests/package_testing.h"

namespace ooxml {
namespace {

using opc_testing::Parts;

std::string U8(const std::u16string& s) { return core::utf16_to_utf8(s); }
std::u16string U16(const std::string& s) { return core::utf8_to_utf16(s); }

const std::string kRelsHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
    "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
const std::string kTypes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
    "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Default Extension=\"jpg\" ContentType=\"image/jpeg\"/>"
    "<Override PartName=\"/xl/workbook.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/></Types>";

std::string Rel(const std::string& id, const std::u16string& type, const std::string& target,
                const std::string& mode = "") {
  return "<Relationship Id=\"" + id + "\" Type=\"" + U8(type) + "\" Target=\"" + target + "\"" +
         (mode.empty() ? "" : " TargetMode=\"" + mode + "\"") + "/>";
}

std::string Rels(const std::vector<std::string>& rels) {
  std::string s = kRelsHead;
  for (const auto& r : rels) s += r;
  return s + "</Relationships>";
}

// A minimal workbook package plus extra parts.
Parts Package(Parts extra, std::vector<std::string> workbook_rels = {}) {
  Parts p = {{"[Content_Types].xml", kTypes},
             {"_rels/.rels", Rels({Rel("rId1", reltype::kOfficeDocument, "xl/workbook.xml")})},
             {"xl/workbook.xml", "<workbook/>"}};
  if (!workbook_rels.empty()) p.push_back({"xl/_rels/workbook.xml.rels", Rels(workbook_rels)});
  for (auto& e : extra) p.push_back(std::move(e));
  return p;
}

struct Opened {
  std::string bytes;
  io::TPointerMemoryStream stream;
  TOPC_XLSX opc;
  explicit Opened(const Parts& parts) : bytes(opc_testing::MakeZip(parts)), stream(bytes.data(), bytes.size()) {
    opc.OpenRead(stream, false);
  }
};

bool HasProblem(const TOPCContainer& c, const std::string& text) {
  for (const auto& p : c.Problems) {
    if (U8(p).find(text) != std::string::npos) return true;
  }
  return false;
}

// The checker that judges every written package finds each kind of fault it looks for.
TEST(PackageChecker, FindsEachFault) {
  struct Case {
    const char* fault;
    Parts parts;
  };
  const std::string ok_rels = Rels({Rel("rId1", reltype::kOfficeDocument, "xl/workbook.xml")});
  const std::vector<Case> cases = {
      {"no content type for xl/media/a.gif", Package({{"xl/media/a.gif", "GIF"}})},
      {"target worksheets/sheet1.xml (xl/worksheets/sheet1.xml) does not exist",
       Package({}, {Rel("rId1", reltype::kWorksheet, "worksheets/sheet1.xml")})},
      {"id repeated rId1", Package({{"xl/a.xml", "a"}}, {Rel("rId1", u"a", "a.xml"), Rel("rId1", u"b", "a.xml")})},
      {"relationships of a missing part: xl/_rels/gone.xml.rels", Package({{"xl/_rels/gone.xml.rels", Rels({})}})},
      {"no [Content_Types].xml", {{"_rels/.rels", ok_rels}}},
      {"Override for a missing part /xl/workbook.xml", {{"[Content_Types].xml", kTypes}, {"_rels/.rels", Rels({})}}},
      {"does not parse", Package({{"xl/_rels/workbook.xml.rels", "<Relationships><"}})},
  };
  EXPECT_EQ(opc_testing::CheckPackage(opc_testing::MakeZip(Package({}))), std::vector<std::string>{});
  for (const Case& c : cases) {
    auto faults = opc_testing::CheckPackage(opc_testing::MakeZip(c.parts));
    bool found = false;
    for (const auto& f : faults) found = found || f.find(c.fault) != std::string::npos;
    EXPECT_TRUE(found) << c.fault << " not among " << testing::PrintToString(faults);
  }
  EXPECT_EQ(opc_testing::ResolveTarget("xl/worksheets/sheet1.xml", "../drawings/d.xml"), "xl/drawings/d.xml");
  EXPECT_EQ(opc_testing::ResolveTarget("xl/workbook.xml", "/xl/worksheets/s.xml"), "xl/worksheets/s.xml");
}

TEST(OPCNames, PartNamesAndRelationshipsPartsResolveAlongTheChain) {
  struct Case {
    std::vector<std::string> chain;  // targets from the package root down
    std::string part;
    std::string rels;
  };
  const Case cases[] = {
      {{"xl/workbook.xml"}, "xl/workbook.xml", "xl/_rels/workbook.xml.rels"},
      {{"xl/workbook.xml", "worksheets/sheet1.xml"}, "xl/worksheets/sheet1.xml", "xl/worksheets/_rels/sheet1.xml.rels"},
      {{"xl/workbook.xml", "worksheets/sheet1.xml", "../drawings/drawing1.xml"}, "xl/drawings/drawing1.xml",
       "xl/drawings/_rels/drawing1.xml.rels"},
      {{"xl/workbook.xml", "worksheets/sheet1.xml", "../drawings/drawing1.xml", "../media/image1.png"},
       "xl/media/image1.png", "xl/media/_rels/image1.png.rels"},
      {{"xl/workbook.xml", "worksheets/sheet1.xml", "../tables/table1.xml", "../queryTables/queryTable1.xml"},
       "xl/queryTables/queryTable1.xml", "xl/queryTables/_rels/queryTable1.xml.rels"},
      {{"xl/workbook.xml", "pivotCache/pivotCacheDefinition1.xml", "pivotCacheRecords1.xml"},
       "xl/pivotCache/pivotCacheRecords1.xml", "xl/pivotCache/_rels/pivotCacheRecords1.xml.rels"},
      {{"xl/workbook.xml", "/xl/worksheets/sheet1.xml", "../drawings/drawing1.xml"}, "xl/drawings/drawing1.xml",
       "xl/drawings/_rels/drawing1.xml.rels"},
      {{"/xl/workbook.xml"}, "xl/workbook.xml", "xl/_rels/workbook.xml.rels"},
      {{"book.xml"}, "book.xml", "_rels/book.xml.rels"},
      {{"xl/workbook.xml", "/book.xml"}, "book.xml", "_rels/book.xml.rels"},
      {{"xl/workbook.xml", "./styles.xml"}, "xl/styles.xml", "xl/_rels/styles.xml.rels"},
      {{"xl/workbook.xml", "../../evil.xml"}, "../evil.xml", "../_rels/evil.xml.rels"},
  };
  for (const Case& c : cases) {
    TOPCContainer opc;
    TOPCItem* item = opc.Root();
    for (const auto& t : c.chain) item = item->AddChild(u"t", U16(t));
    EXPECT_EQ(U8(item->GetPartName()), c.part) << c.chain.back();
    EXPECT_EQ(U8(item->GetRelsPartName()), c.rels) << c.chain.back();
    EXPECT_EQ(U8(item->GetTarget()), c.chain.back());
    EXPECT_EQ(OPCIsValidPartName(item->GetPartName()), c.part.rfind("..", 0) != 0) << c.part;
  }
  TOPCContainer opc;
  EXPECT_EQ(U8(opc.Root()->GetRelsPartName()), "_rels/.rels");
}

TEST(OPCItems, IdsFollowCreationAndTargetsAreRelatedOnce) {
  TOPCContainer opc;
  TOPCItem* wb = opc.Root()->AddChild(u"wb", u"xl/workbook.xml");
  std::vector<TOPCItem*> made;
  for (int i = 1; i <= 4; ++i) made.push_back(wb->AddChild(u"sheet", u"worksheets/sheet" + U16(std::to_string(i)) + u".xml"));
  TOPCItem* link = wb->AddExternalChild(u"link", u"file:///C:/data/book.xlsx");
  EXPECT_EQ(made[0]->GetId(), "rId1");
  EXPECT_EQ(made[3]->GetId(), "rId4");
  EXPECT_EQ(link->GetId(), "rId5");
  EXPECT_EQ(U8(link->FileName), "file:///C:/data/book.xlsx");
  EXPECT_EQ(U8(link->GetTarget()), "file:///C:/data/book.xlsx");
  // A second relationship to the same target, whatever its type, is the first one.
  EXPECT_EQ(wb->AddChild(u"other", u"worksheets/sheet2.xml"), made[1]);
  EXPECT_EQ(wb->GetCount(), 5);
  // External relationships always get a new id.
  EXPECT_EQ(wb->AddExternalChild(u"link", u"file:///C:/data/book.xlsx")->GetId(), "rId6");
  EXPECT_EQ(wb->FindById("RID2"), made[1]);
  EXPECT_EQ(wb->FindById("rid9"), nullptr);
  EXPECT_EQ(U8(wb->GetTargetOfId("rId3")), "worksheets/sheet3.xml");
  EXPECT_EQ(wb->GetTargetOfId("rId99"), u"");
  TOPCItemList list;
  EXPECT_TRUE(wb->FindByType(u"sheet", list, true));
  EXPECT_EQ(list.Count(), 4);
  EXPECT_THROW(wb->FindSingleByType(u"sheet"), workbook::Exception);
  EXPECT_EQ(wb->FindSingleByType(u"none"), nullptr);
}

TEST(OPCContentTypes, DefaultsOverridesAndSets) {
  TOPC_ContentTypes ct;
  ct.Spreadsheet = 1;
  ct.LoadDefaults();
  std::vector<std::string> exts;
  for (int i = 0; i < ct.Count(); ++i) exts.push_back(U8(dynamic_cast<TOPC_ContentTypeDefault*>(ct.GetItem(i))->Extension));
  EXPECT_EQ(exts, (std::vector<std::string>{"rels", "xml", "vml", "bin", "jpeg", "png", "wmf", "emf"}));
  ct.Spreadsheet = 0;
  ct.Reset();
  exts.clear();
  for (int i = 0; i < ct.Count(); ++i) exts.push_back(U8(dynamic_cast<TOPC_ContentTypeDefault*>(ct.GetItem(i))->Extension));
  EXPECT_EQ(exts, (std::vector<std::string>{"rels", "xml", "jpeg", "png", "bmp", "wmf", "emf"}));
  ct.AddOverride(u"xl/styles.xml", u"a");
  ct.AddOverride(u"/xl/styles.xml", u"b");
  ct.AddDefault(u"png", u"other");
  EXPECT_EQ(ct.Count(), 8);
  EXPECT_EQ(ct.IndexOfOverride(u"/xl/styles.xml"), 7);
  EXPECT_EQ(ct.GetItem(7)->ContentType, u"a");
  EXPECT_EQ(ct.ContentTypeOf(u"xl/media/a.PNG"), u"image/png");
  EXPECT_EQ(ct.ContentTypeOf(u"xl/media/a.gif"), u"");
}

TEST(OPCWrite, EmptyPackageHasTheStandardDefaultsAndNoRelationships) {
  io::TMemoryStream out;
  TOPC_XLSX opc;
  opc.OpenWrite(out, false);
  opc.Close();
  std::string bytes(out.Bytes().begin(), out.Bytes().end());
  auto entries = opc_testing::ReadZip(bytes);
  ASSERT_EQ(entries.size(), 1u);
  const std::string& types = entries["[Content_Types].xml"];
  std::size_t defaults = 0;
  for (auto at = types.find("<Default"); at != std::string::npos; at = types.find("<Default", at + 1)) ++defaults;
  EXPECT_EQ(defaults, 8u) << types;
  EXPECT_EQ(types.find("Override"), std::string::npos);
  EXPECT_EQ(opc.State, kOPCClosed);
}

TEST(OPCWrite, RelationshipsAndContentTypesAsWritten) {
  io::TMemoryStream out;
  TOPC_XLSX opc;
  opc.OpenWrite(out, false);
  io::TMemoryStream data(std::vector<std::uint8_t>{'<', 'x', '/', '>'});
  TOPCItem* wb = opc.CreateWorkbook();
  TOPCItem* sheet = opc.CreateWorksheet(1);
  opc.WriteItem(sheet, data);
  opc.CloseItem(sheet);
  opc.CreateHyperlink(sheet, u"https://example.com/?a=1&b=2");
  opc.AddCoreProperties(data);  // an override added after the workbook's
  io::TStream* streamed = opc.BeginItemWrite(wb);
  streamed->WriteBuffer("<workbook/>", 11);
  EXPECT_THROW(opc.EndItemWrite(wb, &data), workbook::Exception);
  opc.EndItemWrite(wb, streamed);
  opc.CloseItem(wb);
  opc.Close();
  std::string bytes(out.Bytes().begin(), out.Bytes().end());
  EXPECT_EQ(opc_testing::CheckPackage(bytes), std::vector<std::string>{});
  auto e = opc_testing::ReadZip(bytes);
  const std::string& types = e["[Content_Types].xml"];
  EXPECT_LT(types.rfind("<Default"), types.find("<Override")) << "every Default before every Override";
  EXPECT_LT(types.find("/xl/workbook.xml"), types.find("/docProps/core.xml"));
  const std::string& sheetRels = e["xl/worksheets/_rels/sheet1.xml.rels"];
  EXPECT_NE(sheetRels.find("TargetMode=\"External\" Target=\"https://example.com/?a=1&amp;b=2\""), std::string::npos)
      << sheetRels;
  EXPECT_EQ(e["xl/workbook.xml"], "<workbook/>");
  EXPECT_EQ(e["xl/worksheets/sheet1.xml"], "<x/>");
  const std::string& rootRels = e["_rels/.rels"];
  EXPECT_EQ(rootRels.find("TargetMode"), std::string::npos) << rootRels;
  EXPECT_NE(rootRels.find("Id=\"rId1\""), std::string::npos);
  EXPECT_NE(rootRels.find("xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\""), std::string::npos);
}

TEST(OPCWrite, ItemStateIsChecked) {
  io::TMemoryStream out;
  TOPC_XLSX opc;
  opc.OpenWrite(out, false);
  TOPCItem* wb = opc.CreateWorkbook();
  opc.CloseItem(wb);
  io::TMemoryStream data;
  try {
    opc.WriteItem(wb, data);
    FAIL();
  } catch (const workbook::Exception& x) {
    EXPECT_STREQ(x.what(), "OPC Item is not opened for writing.");
  }
  try {
    opc.CloseItem(wb);
    FAIL();
  } catch (const workbook::Exception& x) {
    EXPECT_STREQ(x.what(), "Close on not open OPC Item.");
  }
  // A target that climbs out of the package is refused before it becomes a relationship.
  EXPECT_THROW(opc.CreateItem(wb, u"t", u"../../x.xml", u""), workbook::Exception);
  EXPECT_EQ(wb->GetCount(), 0);
  EXPECT_THROW(opc.OpenRead(out, false), workbook::Exception);
  io::TMemoryStream other;
  EXPECT_THROW(opc.OpenWrite(other, true), workbook::Exception);
}

TEST(OPCRead, TreeReadFlagsAndUnreadParts) {
  Opened p(Package({{"xl/worksheets/sheet1.xml", "<worksheet/>"},
                    {"xl/worksheets/sheet2.xml", "<worksheet/>"},
                    {"xl/styles.xml", "<styleSheet/>"},
                    {"xl/media/image1.jpg", "JPEG"},
                    {"xl/worksheets/_rels/sheet1.xml.rels",
                     Rels({Rel("rId1", reltype::kImage, "../media/image1.jpg"),
                           Rel("rId2", reltype::kHyperlink, "http://x", "External")})}},
                   {Rel("rId1", reltype::kWorksheet, "worksheets/sheet1.xml"),
                    Rel("rId2", reltype::kWorksheet, "worksheets/sheet2.xml"),
                    Rel("rId3", reltype::kStyles, "styles.xml")}));
  TOPC_XLSX& opc = p.opc;
  ASSERT_NE(opc.WorkbookItem, nullptr);
  EXPECT_EQ(opc.WorkbookItem->GetCount(), 3);
  EXPECT_EQ(opc.Problems, std::vector<std::u16string>{});
  auto wbData = opc.ReadWorkbook();
  ASSERT_TRUE(wbData);
  EXPECT_EQ(wbData->GetSize(), 11);
  auto styles = opc.ReadStyles();
  ASSERT_TRUE(styles);
  // Found but not read: still collected.
  TOPCItem* sheet2 = opc.OpenItemById(opc.WorkbookItem, reltype::kWorksheet, "RID2");
  ASSERT_NE(sheet2, nullptr);
  opc.CloseItem(sheet2);
  auto s1 = opc.ReadWorksheet("rId1");
  opc.CloseSheet();
  TOPCItemList unread;
  opc.LoadUnreadParts(unread);
  std::vector<std::string> names;
  for (int i = 0; i < unread.Count(); ++i) names.push_back(U8(unread.GetItem(i)->GetTarget()));
  EXPECT_EQ(names, (std::vector<std::string>{"../media/image1.jpg", "http://x", "worksheets/sheet2.xml"}));
  ASSERT_TRUE(unread.GetItem(0)->Data);
  EXPECT_EQ(unread.GetItem(0)->Data->GetSize(), 4);
  EXPECT_EQ(unread.GetItem(0)->ContentType, u"");  // typed by a Default only
  EXPECT_FALSE(unread.GetItem(1)->Data);
  // A reading container writes nothing on Close.
  std::string before = p.bytes;
  opc.Close();
  EXPECT_EQ(p.bytes, before);
  EXPECT_EQ(opc.State, kOPCClosed);
  try {
    opc.OpenItemById(opc.WorkbookItem ? opc.WorkbookItem : opc.Root()->GetItem(0), reltype::kTable, "rId1");
    FAIL();
  } catch (const workbook::Exception& x) {
    EXPECT_EQ(std::string(x.what()), "OPC Item is not of excpected type \"" + U8(reltype::kTable) + "\"");
  }
}

// Bad packages: each opens with a recorded problem or fails with a clear message, never more.
TEST(OPCRead, BadPackagesGiveAClearErrorOrARecordedProblem) {
  std::vector<std::string> chain;
  Parts deep;
  for (int i = 0; i < 60; ++i) {
    std::string from = "xl/d" + std::to_string(i) + ".xml";
    deep.push_back({from, "<d/>"});
    deep.push_back({"xl/_rels/d" + std::to_string(i) + ".xml.rels", Rels({Rel("rId1", u"t", "d" + std::to_string(i + 1) + ".xml")})});
  }
  // Each part relates the next one twice (under two spellings of its name): 2^30 paths.
  Parts doubling;
  for (int i = 0; i < 30; ++i) {
    std::string next = "p" + std::to_string(i + 1) + ".xml";
    doubling.push_back({"xl/p" + std::to_string(i) + ".xml", "<p/>"});
    doubling.push_back({"xl/_rels/p" + std::to_string(i) + ".xml.rels",
                        Rels({Rel("rId1", u"t", next), Rel("rId2", u"t", "./" + next)})});
  }
  struct Case {
    const char* name;
    Parts parts;
    const char* error;    // expected exception text, or nullptr
    const char* problem;  // expected recorded problem, or nullptr
  };
  const std::vector<Case> cases = {
      {"cycle through the workbook",
       Package({{"xl/worksheets/sheet1.xml", "<w/>"},
                {"xl/worksheets/_rels/sheet1.xml.rels", Rels({Rel("rId1", u"back", "../workbook.xml")})}},
               {Rel("rId1", reltype::kWorksheet, "worksheets/sheet1.xml")}),
       nullptr, "lead back to it"},
      {"part related to itself", Package({}, {Rel("rId1", u"self", "workbook.xml")}), nullptr, "lead back to it"},
      {"target outside the package", Package({}, {Rel("rId1", reltype::kWorksheet, "../../../etc/passwd")}), nullptr,
       "not a valid part name"},
      {"repeated id",
       Package({{"xl/a.xml", "<a/>"}}, {Rel("rId1", u"a", "a.xml"), Rel("RID1", u"b", "a.xml")}), nullptr,
       "Duplicate relationship id"},
      {"malformed relationships", Package({{"xl/_rels/workbook.xml.rels", kRelsHead + "<Relationship Id=\"rId1"}}),
       nullptr, "can not be read"},
      {"relationships nested too deep", Package(deep, {Rel("rId1", u"t", "d0.xml")}), nullptr, "nested too deep"},
      {"parts related many times over", Package(doubling, {Rel("rId1", u"t", "p0.xml")}), nullptr,
       "related too many times over"},
      {"no content types", {{"_rels/.rels", Rels({})}}, "Can not find file [Content_Types].xml in ZIP", nullptr},
      {"no package relationships", {{"[Content_Types].xml", kTypes}}, "Can not find workbook in OPC", nullptr},
      {"two workbooks",
       {{"[Content_Types].xml", kTypes},
        {"_rels/.rels", Rels({Rel("rId1", reltype::kOfficeDocument, "a.xml"),
                               Rel("rId2", reltype::kOfficeDocument, "b.xml")})}},
       "More than one workbook in OPC", nullptr},
      {"malformed content types", {{"[Content_Types].xml", "<Types><Default"}}, "", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes = opc_testing::MakeZip(c.parts);
    io::TPointerMemoryStream in(bytes.data(), bytes.size());
    TOPC_XLSX opc;
    if (c.error) {
      try {
        opc.OpenRead(in, false);
        ADD_FAILURE() << "opened";
      } catch (const workbook::Exception& x) {
        EXPECT_NE(std::string(x.what()).find(c.error), std::string::npos) << x.what();
      } catch (const core::Error& x) {
        EXPECT_STREQ(c.error, "") << x.what();
      }
      continue;
    }
    ASSERT_NO_THROW(opc.OpenRead(in, false));
    EXPECT_TRUE(HasProblem(opc, c.problem));
    // Every part of the finite tree can be collected and loaded without raising.
    TOPCItemList unread;
    EXPECT_NO_THROW(opc.LoadUnreadParts(unread));
    EXPECT_LT(unread.Count(), 3 * TOPCContainer::kMaxRepeats);
  }
}

// Two archive entries under one name: the first one is the part, nothing is written twice.
TEST(OPCRead, RepeatedEntryNames) {
  std::string bytes = opc_testing::MakeZip(Package({{"xl/styles.xml", "first"}, {"xl/stylez.xml", "second"}},
                                                   {Rel("rId1", reltype::kStyles, "styles.xml")}));
  for (std::size_t at = bytes.find("xl/stylez.xml"); at != std::string::npos; at = bytes.find("xl/stylez.xml", at)) {
    bytes[at + 8] = 's';
  }
  io::TPointerMemoryStream in(bytes.data(), bytes.size());
  TOPC_XLSX opc;
  opc.OpenRead(in, false);
  opc.ReadWorkbook();
  auto s = opc.ReadStyles();
  ASSERT_TRUE(s);
  std::string text(static_cast<std::size_t>(s->GetSize()), '\0');
  s->ReadBuffer(text.data(), static_cast<std::int64_t>(text.size()));
  EXPECT_EQ(text, "first");
}

TEST(OPCRead, UnsafeAndMissingTargetsAreNeitherReadNorKept) {
  Opened p(Package({}, {Rel("rId1", reltype::kWorksheet, "../../evil.xml"),
                        Rel("rId2", reltype::kWorksheet, "worksheets/missing.xml")}));
  TOPC_XLSX& opc = p.opc;
  try {
    opc.ReadWorksheet("rId1");
    FAIL();
  } catch (const workbook::Exception& x) {
    EXPECT_EQ(std::string(x.what()), "OPC: invalid part name \"../evil.xml\"");
  }
  opc.SheetItem = nullptr;
  try {
    opc.ReadWorksheet("rId2");
    FAIL();
  } catch (const workbook::Exception& x) {
    EXPECT_EQ(std::string(x.what()), "Can not find file xl/worksheets/missing.xml in ZIP");
  }
  TOPCItemList unread;
  opc.LoadUnreadParts(unread);
  ASSERT_EQ(unread.Count(), 3);  // workbook, and the two sheets
  EXPECT_FALSE(unread.GetItem(1)->Data);
  EXPECT_FALSE(unread.GetItem(2)->Data);
  EXPECT_TRUE(HasProblem(opc, "lies outside the package"));
  EXPECT_TRUE(HasProblem(opc, "missing from the package"));
}

}  // namespace
}  // namespace ooxml
