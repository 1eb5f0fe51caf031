// The package-level bindings: relationships, content types, extended properties and external links.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/error.h"
#include "ooxml/binding/gen/content_types.h"
#include "ooxml/binding/gen/docprops_app.h"
#include "ooxml/binding/gen/external_link.h"
#include "ooxml/binding/gen/opc_relationships.h"
#include "ooxml/binding/xpg_testing.h"

namespace ooxml {
namespace {

constexpr char kDecl[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

template <class Doc>
struct Loaded {
  Doc doc;
  std::vector<std::string> reports;
  explicit Loaded(const std::string& xml = {}) {
    doc.Errors.SetOnError([this](TXpgPErrors& e) { reports.push_back(ToUtf8(e.LastError())); });
    if (!xml.empty()) XpgLoad(doc, kDecl + xml);
  }
  // The saved part after the declaration line.
  std::string Body() {
    std::string s = XpgSave(doc);
    return s.substr(s.find('\r') + 1);
  }
};

// ---- relationships

TEST(OpcRelationships, TargetModeIsReadInAnyCase) {
  struct Case {
    const char* text;
    std::uint16_t mode;
    std::size_t reports;
  } cases[] = {{"External", 0, 0}, {"external", 0, 0}, {"INTERNAL", 1, 0}, {"Foo", 255, 1}};
  for (const auto& c : cases) {
    Loaded<opc::TXPGDocOPC> l("<Relationships><Relationship Id=\"rId1\" TargetMode=\"" +
                              std::string(c.text) + "\" Target=\"t\" Type=\"y\"/></Relationships>");
    ASSERT_EQ(l.doc.GetRelationships()->Relationship.Count(), 1);
    EXPECT_EQ(l.doc.GetRelationships()->Relationship[0]->TargetMode, c.mode) << c.text;
    EXPECT_EQ(l.reports.size(), c.reports) << c.text;
  }
}

TEST(OpcRelationships, AttributesAreWrittenInFixedOrder) {
  Loaded<opc::TXPGDocOPC> l(
      "<Relationships xmlns=\"urn:rels\"><Relationship Id=\"rId2\" Type=\"urn:t\" Target=\"x.xml\"/>"
      "<Relationship Type=\"urn:h\" Id=\"rId1\" TargetMode=\"External\" Target=\"http://a/?b&amp;c\"/>"
      "</Relationships>");
  EXPECT_TRUE(l.reports.empty());
  EXPECT_EQ(l.Body(),
            "<Relationships xmlns=\"urn:rels\"\r\n>\r"
            "<Relationship Target=\"x.xml\" Type=\"urn:t\" Id=\"rId2\" />\r"
            "<Relationship TargetMode=\"External\" Target=\"http://a/?b&amp;c\" Type=\"urn:h\" Id=\"rId1\" />\r"
            "</Relationships>\r");
}

TEST(OpcRelationships, SingleRelationshipDocumentElementAndText) {
  Loaded<opc::TXPGDocOPC> l("<Relationship xmlns=\"urn:rels\" Id=\"rId1\" Target=\"a\" Type=\"b\">note</Relationship>");
  EXPECT_TRUE(l.reports.empty());
  EXPECT_EQ(l.doc.GetRelationships()->Relationship.Count(), 0);
  EXPECT_EQ(l.doc.GetRelationship()->Id, u"rId1");
  EXPECT_EQ(l.doc.GetRelationship()->Text, u"note");
  EXPECT_EQ(l.Body(), "<Relationship xmlns=\"urn:rels\"\r\nTarget=\"a\" Type=\"b\" Id=\"rId1\" >note</Relationship>\r")
      << "each attribute once: the root keeps only what the element does not bind";
}

TEST(OpcRelationships, EmptyRelationshipsIsAnEmptyElement) {
  Loaded<opc::TXPGDocOPC> l("<Relationships xmlns=\"urn:rels\"/>");
  EXPECT_EQ(l.Body(), "<Relationships xmlns=\"urn:rels\"\r\n/>\r");
  opc::TXPGDocOPC fresh;
  EXPECT_EQ(XpgSave(fresh).substr(XpgSave(fresh).find('\r') + 1), "<Relationships/>\r");
}

TEST(OpcRelationships, UnknownNamesAreReportedAndSkipped) {
  Loaded<opc::TXPGDocOPC> l("<Relationships><Other/><Relationship Id=\"r\" Extra=\"1\"><c/></Relationship>"
                            "</Relationships>");
  EXPECT_EQ(l.reports, (std::vector<std::string>{"Row 0: Unknown Element \"Other\"",
                                                 "Row 0: Unknown Attribute \"Extra\""}))
      << "a child of Relationship is absorbed without a report";
  EXPECT_EQ(l.doc.GetRelationships()->Relationship.Count(), 1);
}

// ---- content types

TEST(ContentTypes, DefaultsComeBeforeOverrides) {
  Loaded<content_types::TXPGDocContentType> l(
      "<Types xmlns=\"urn:ct\"><Override PartName=\"/a.xml\" ContentType=\"t/a\"/>"
      "<Default Extension=\"rels\" ContentType=\"t/r\"/><Override ContentType=\"t/b\" PartName=\"/b.xml\"/>"
      "<Default ContentType=\"t/x\" Extension=\"xml\"/></Types>");
  EXPECT_TRUE(l.reports.empty());
  auto* types = l.doc.GetTypes();
  ASSERT_EQ(types->Default.Count(), 2);
  ASSERT_EQ(types->Override.Count(), 2);
  EXPECT_EQ(types->Override[0]->PartName, u"/a.xml");
  EXPECT_EQ(types->Default[1]->Extension, u"xml");
  EXPECT_EQ(l.Body(),
            "<Types xmlns=\"urn:ct\"\r\n>\r"
            "<Default Extension=\"rels\" ContentType=\"t/r\" />\r"
            "<Default Extension=\"xml\" ContentType=\"t/x\" />\r"
            "<Override ContentType=\"t/a\" PartName=\"/a.xml\" />\r"
            "<Override ContentType=\"t/b\" PartName=\"/b.xml\" />\r"
            "</Types>\r");
}

TEST(ContentTypes, ListItemsAndDocumentElementForms) {
  content_types::TXPGDocContentType doc;
  doc.GetTypes()->Default.Add()->Extension = u"png";
  doc.GetTypes()->Override.Add();
  std::string out = XpgSave(doc);
  EXPECT_EQ(out.substr(out.find('\r') + 1),
            "<Types>\r<Default Extension=\"png\" ContentType=\"\" />\r<Override/>\r</Types>\r")
      << "both attributes once one is set; an item with none is a bare element";
  Loaded<content_types::TXPGDocContentType> single("<Default Extension=\"a\" ContentType=\"b\"/>");
  EXPECT_EQ(single.doc.Root().Default->Extension, u"a");
  EXPECT_EQ(single.Body(), "<Default Extension=\"a\" ContentType=\"b\" />\r");
}

// ---- extended properties

TEST(DocPropsApp, WritesMembersInOrder) {
  docprops::TXPGDocDocPropsApp doc;
  auto* p = doc.Root().Properties.get();
  p->AppVersion = u"12.000";
  p->Application = u"Microsoft Excel";
  auto* pairs = p->HeadingPairs->vector.get();
  pairs->size = 2;
  pairs->baseType = 0;
  pairs->Create_variant()->Add()->lpstr = u"Worksheets";
  pairs->variant->Add()->i4 = 3;
  auto* titles = p->TitlesOfParts->vector.get();
  titles->size = 3;
  titles->baseType = static_cast<std::uint16_t>(docprops::ST_VectorBaseType.Find(u"lpstr"));
  for (auto name : {u"Sheet1", u"Sheet2", u"Sheet3"}) titles->lpstr.Add(name);
  const std::string out = XpgSave(doc);
  EXPECT_EQ(out,
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r<Properties>\r<HeadingPairs>\r"
            "<vt:vector baseType=\"variant\" size=\"2\" >\r<vt:variant>\r<vt:lpstr>Worksheets</vt:lpstr>\r"
            "</vt:variant>\r<vt:variant>\r<vt:i4>3</vt:i4>\r</vt:variant>\r</vt:vector>\r</HeadingPairs>\r"
            "<TitlesOfParts>\r<vt:vector baseType=\"lpstr\" size=\"3\" >\r<vt:lpstr>Sheet1</vt:lpstr>\r"
            "<vt:lpstr>Sheet2</vt:lpstr>\r<vt:lpstr>Sheet3</vt:lpstr>\r</vt:vector>\r</TitlesOfParts>\r"
            "<Application>Microsoft Excel</Application>\r<AppVersion>12.000</AppVersion>\r</Properties>\r");
}

TEST(DocPropsApp, ZeroFalseAndEmptyAreNotWritten) {
  Loaded<docprops::TXPGDocDocPropsApp> l(
      "<Properties xmlns=\"urn:p\" xmlns:vt=\"urn:vt\"><Pages>0</Pages><ScaleCrop>false</ScaleCrop>"
      "<Company></Company><Words>4</Words><HLinks><vt:vector size=\"0\" baseType=\"variant\"/></HLinks>"
      "<TitlesOfParts><vt:vector><vt:variant><vt:empty/><vt:null/><i4>1</i4><vt:i4>2</vt:i4>"
      "<vt:lpstr>x</vt:lpstr></vt:variant></vt:vector></TitlesOfParts></Properties>");
  EXPECT_EQ(l.reports, std::vector<std::string>{"Row 0: Unknown Element \"i4\""});
  EXPECT_EQ(l.Body(),
            "<Properties xmlns=\"urn:p\"\r\nxmlns:vt=\"urn:vt\"\r\n>\r<Words>4</Words>\r<TitlesOfParts>\r"
            "<vt:vector size=\"0\" >\r<vt:variant>\r<vt:i4>2</vt:i4>\r<vt:lpstr>x</vt:lpstr>\r</vt:variant>\r"
            "</vt:vector>\r</TitlesOfParts>\r<HLinks>\r<vt:vector baseType=\"variant\" size=\"0\" />\r</HLinks>\r"
            "</Properties>\r");
  l.doc.Root().Clear();
  EXPECT_EQ(l.Body(), "<Properties/>\r") << "Clear drops the namespace declarations too";
}

TEST(DocPropsApp, BadListItemsEndTheLoad) {
  // Unsigned and Boolean list items raise; float items fall back to 0.
  Loaded<docprops::TXPGDocDocPropsApp> ok(
      "<Properties><HLinks><vt:vector><vt:r8>abc</vt:r8></vt:vector></HLinks></Properties>");
  EXPECT_EQ(ok.doc.Root().Properties->HLinks->vector->r8.GetCount(), 1);
  for (const char* bad : {"<vt:i4>abc</vt:i4>", "<vt:bool>maybe</vt:bool>"}) {
    docprops::TXPGDocDocPropsApp doc;
    EXPECT_THROW(XpgLoad(doc, std::string("<Properties><HLinks><vt:vector>") + bad +
                                  "</vt:vector></HLinks></Properties>"),
                 core::Error)
        << bad;
  }
}

TEST(DocPropsApp, DeepVariantNestingIsBounded) {
  std::string xml = "<Properties><HLinks><vt:vector>";
  for (int i = 0; i < 20000; ++i) xml += "<vt:variant>";
  xml += "<vt:i4>1</vt:i4>";
  for (int i = 0; i < 20000; ++i) xml += "</vt:variant>";
  xml += "</vt:vector></HLinks></Properties>";
  Loaded<docprops::TXPGDocDocPropsApp> l(xml);
  EXPECT_EQ(l.reports.size(), 1u) << "one report where the nesting is cut";
  int depth = 0;
  for (auto* v = l.doc.Root().Properties->HLinks->vector->variant->GetItems(0); v; v = v->variant.get()) ++depth;
  EXPECT_LT(depth, 256);
  EXPECT_NO_THROW(l.Body());
}

// ---- external links

TEST(ExternalLink, DefaultsAreNotWrittenAndRequiredAttributesAre) {
  Loaded<xlink::TXPGDocXLink> l(
      "<externalLink xmlns=\"urn:s\"><externalBook xmlns:r=\"urn:r\" r:id=\"rId1\"><sheetDataSet>"
      "<sheetData sheetId=\"0\"><row><cell r=\"A1\" t=\"n\"><v>1</v></cell>"
      "<cell r=\"B1\" t=\"str\"><v>x</v></cell></row></sheetData></sheetDataSet></externalBook>"
      "<ddeLink ddeService=\"s\" ddeTopic=\"t\"><ddeItems><ddeItem><values rows=\"1\" cols=\"1\">"
      "<value t=\"n\"><val>2</val></value></values></ddeItem></ddeItems></ddeLink></externalLink>");
  EXPECT_TRUE(l.reports.empty()) << "the namespace declaration on externalBook is no report";
  auto* link = l.doc.GetExternalLink();
  EXPECT_EQ(link->externalBook->r_id, u"rId1");
  auto* row = link->externalBook->sheetDataSet->sheetData[0]->row[0];
  EXPECT_EQ(row->r, 0);
  EXPECT_EQ(row->cell[1]->t, xlink::ST_CellType.Find(u"str"));
  EXPECT_EQ(l.Body(),
            "<externalLink xmlns=\"urn:s\"\r\n>\r<externalBook r:id=\"rId1\" xmlns:r=\"urn:r\" >\r"
            "<sheetDataSet>\r<sheetData sheetId=\"0\" >\r<row>\r<cell r=\"A1\" >\r<v>1</v>\r</cell>\r"
            "<cell r=\"B1\" t=\"str\" >\r<v>x</v>\r</cell>\r</row>\r</sheetData>\r</sheetDataSet>\r</externalBook>\r"
            "<ddeLink ddeService=\"s\" ddeTopic=\"t\" >\r<ddeItems>\r<ddeItem name=\"0\" >\r<values>\r<value>\r"
            "<val>2</val>\r</value>\r</values>\r</ddeItem>\r</ddeItems>\r</ddeLink>\r</externalLink>\r");
}

TEST(ExternalLink, ExtensionContentIsKept) {
  Loaded<xlink::TXPGDocXLink> l(
      "<externalLink><extLst><ext uri=\"{X}\" xmlns:x14=\"urn:x14\"><x14:a v=\"1\"/></ext></extLst>"
      "</externalLink>");
  EXPECT_TRUE(l.reports.empty());
  EXPECT_EQ(l.doc.GetExternalLink()->extLst->ext[0]->uri, u"{X}");
  EXPECT_EQ(l.Body(),
            "<externalLink>\r<extLst>\r<ext uri=\"{X}\" xmlns:x14=\"urn:x14\" >\r<x14:a v=\"1\" />\r</ext>\r"
            "</extLst>\r</externalLink>\r");
}

TEST(ExternalLink, UnknownEnumerationLiteralIsReported) {
  Loaded<xlink::TXPGDocXLink> l(
      "<externalLink><externalBook><sheetDataSet><sheetData sheetId=\"1\"><row r=\"2\">"
      "<cell r=\"A2\" t=\"zz\"/></row></sheetData></sheetDataSet></externalBook></externalLink>");
  EXPECT_EQ(l.reports, std::vector<std::string>{"Row 0: Unknown Attribute \"t=\"zz\"\""});
  auto* cell = l.doc.GetExternalLink()->externalBook->sheetDataSet->sheetData[0]->row[0]->cell[0];
  EXPECT_EQ(cell->t, 1) << "the default stays";
  EXPECT_EQ(cell->r, u"A2");
}

}  // namespace
}  // namespace ooxml
