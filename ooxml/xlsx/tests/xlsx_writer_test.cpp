// The .xlsx writer's driver, style sheet, shared strings and workbook-level parts: which parts a
// model yields and how they are related and numbered, what the parts hold, and that what the
// reader makes of the written package is the model that was written.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "ooxml/opc/tests/package_testing.h"
#include "ooxml/spreadsheetml/gen/spreadsheetml.h"
#include "ooxml/xlsx/tests/xlsx_book_testing.h"
#include "ooxml/xlsx/xlsx_reader.h"
#include "ooxml/xlsx/xlsx_writer.h"
#include "workbook/external_links.h"
#include "workbook/format_settings.h"
#include "workbook/manager.h"
#include "workbook/shared_strings.h"
#include "workbook/spreadsheet_component.h"
#include "workbook/style_sheet.h"
#include "workbook/workbook_data.h"
#include "workbook/worksheet_data.h"

namespace {

namespace wb = workbook;

// A component with the .xlsx reader and writer installed.
class Book : public xlsx_testing::XlsxBook {
public:
  explicit Book(int Sheets = 1) { Component().Clear(Sheets); }
  wb::TXc12Manager& M() { return Manager(); }
  // The writer alone, on the model as it stands.
  std::string Write() {
    wb::TMemoryStream s;
    ooxml::TXLSWriteXLSX writer(&M(), Component().OwnFormulaHandler());
    writer.Write(s);
    const auto& b = s.Bytes();
    return std::string(b.begin(), b.end());
  }
};

// The parts of a written package, which the project's package checker must find sound.
std::map<std::string, std::string> Parts(const std::string& Zip) {
  EXPECT_EQ(opc_testing::CheckPackage(Zip), std::vector<std::string>{});
  return opc_testing::ReadZip(Zip);
}

// Every Id="..." Target="..." pair of a relationships part, in document order.
std::vector<std::pair<std::string, std::string>> Relationships(const std::string& Rels) {
  std::vector<std::pair<std::string, std::string>> out;
  std::regex rel(R"(<Relationship ([^>]*)/?>)");
  for (std::sregex_iterator i(Rels.begin(), Rels.end(), rel), end; i != end; ++i) {
    const std::string a = (*i)[1];
    std::smatch id, target;
    std::regex_search(a, id, std::regex(R"(Id="([^"]*)\")"));
    std::regex_search(a, target, std::regex(R"(Target="([^"]*)\")"));
    out.emplace_back(id[1], target[1]);
  }
  return out;
}

// Xml without the line breaks the writer puts between tags and attributes, and without the blank
// it leaves before the end of a start tag.
std::string Flat(std::string Xml) {
  std::erase(Xml, '\r');
  std::erase(Xml, '\n');
  for (std::size_t at = Xml.find(" >"); at != std::string::npos; at = Xml.find(" >", at)) Xml.erase(at, 1);
  return Xml;
}

int Occurrences(const std::string& Text, const std::string& Needle) {
  int n = 0;
  for (std::size_t at = Text.find(Needle); at != std::string::npos; at = Text.find(Needle, at + 1)) ++n;
  return n;
}

// The text of the first element Name of Xml, with its tags.
std::string Element(const std::string& Xml, const std::string& Name) {
  const std::size_t from = Xml.find("<" + Name);
  if (from == std::string::npos) return {};
  const std::size_t close = Xml.find("</" + Name + ">", from);
  const std::size_t bare = Xml.find("/>", from);
  const std::size_t gt = Xml.find('>', from);
  if (bare != std::string::npos && bare + 1 == gt) return Xml.substr(from, gt + 1 - from);
  return Xml.substr(from, close == std::string::npos ? std::string::npos : close + Name.size() + 3 - from);
}

// ---------------------------------------------------------------------------------------------
// The driver

TEST(XlsxWriter, WorkbookWithoutSheetsHasTheFixedParts) {
  Book b(0);
  const auto parts = Parts(b.Write());
  std::vector<std::string> names;
  for (const auto& p : parts) names.push_back(p.first);
  EXPECT_EQ(names, (std::vector<std::string>{"[Content_Types].xml", "_rels/.rels", "docProps/app.xml",
                                             "docProps/core.xml", "xl/_rels/workbook.xml.rels", "xl/styles.xml",
                                             "xl/theme/theme1.xml", "xl/workbook.xml"}));
  // Relationship ids follow the order in which the parts are made.
  EXPECT_EQ(Relationships(parts.at("_rels/.rels")),
            (std::vector<std::pair<std::string, std::string>>{
                {"rId1", "docProps/core.xml"}, {"rId2", "xl/workbook.xml"}, {"rId3", "docProps/app.xml"}}));
  EXPECT_EQ(Relationships(parts.at("xl/_rels/workbook.xml.rels")),
            (std::vector<std::pair<std::string, std::string>>{{"rId1", "styles.xml"}, {"rId2", "theme/theme1.xml"}}));
}

TEST(XlsxWriter, SheetPartsAreNumberedByPositionAndIdsRenumbered) {
  Book b(3);
  wb::TXc12DataWorksheets& sheets = *b.M().Worksheets;
  const char16_t* names[] = {u"Data", u"Chart", u"Notes"};
  const int ids[] = {7, 3, 12};
  for (int i = 0; i < 3; ++i) {
    sheets.GetItem(i)->Name = names[i];
    sheets.GetItem(i)->SheetId = ids[i];
  }
  sheets.GetItem(1)->IsChartsheet = true;
  sheets.GetItem(2)->State = 2;
  const auto parts = Parts(b.Write());
  EXPECT_TRUE(parts.count("xl/worksheets/sheet1.xml"));
  EXPECT_TRUE(parts.count("xl/chartsheets/sheet2.xml"));
  EXPECT_TRUE(parts.count("xl/worksheets/sheet3.xml"));
  EXPECT_FALSE(parts.count("xl/worksheets/sheet2.xml"));
  EXPECT_FALSE(parts.count("xl/chartsheets/sheet1.xml"));
  EXPECT_EQ(Relationships(parts.at("xl/_rels/workbook.xml.rels")),
            (std::vector<std::pair<std::string, std::string>>{{"rId1", "styles.xml"},
                                                              {"rId2", "worksheets/sheet1.xml"},
                                                              {"rId3", "chartsheets/sheet2.xml"},
                                                              {"rId4", "worksheets/sheet3.xml"},
                                                              {"rId5", "theme/theme1.xml"}}));
  const std::string sheetsXml = Element(parts.at("xl/workbook.xml"), "sheets");
  EXPECT_EQ(sheetsXml,
            "<sheets>\r<sheet name=\"Data\" sheetId=\"1\" r:id=\"rId2\" />\r"
            "<sheet name=\"Chart\" sheetId=\"2\" r:id=\"rId3\" />\r"
            "<sheet name=\"Notes\" sheetId=\"3\" state=\"veryHidden\" r:id=\"rId4\" />\r</sheets>");
  EXPECT_NE(parts.at("xl/workbook.xml").find(
                "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\""),
            std::string::npos);
}

TEST(XlsxWriter, ExtendedPropertiesListTheSheetsOnceOnEverySave) {
  Book b(3);
  const char16_t* names[] = {u"Alpha", u"Beta", u"Gamma"};
  for (int i = 0; i < 3; ++i) b.M().Worksheets->GetItem(i)->Name = names[i];
  b.M().Worksheets->GetItem(2)->IsChartsheet = true;
  const std::string first = Parts(b.Write()).at("docProps/app.xml");
  EXPECT_NE(first.find("<HeadingPairs>\r<vt:vector baseType=\"variant\" size=\"2\" >\r<vt:variant>\r"
                       "<vt:lpstr>Worksheets</vt:lpstr>\r</vt:variant>\r<vt:variant>\r<vt:i4>3</vt:i4>\r"),
            std::string::npos)
      << first;
  EXPECT_NE(first.find("<TitlesOfParts>\r<vt:vector baseType=\"lpstr\" size=\"3\" >\r<vt:lpstr>Alpha</vt:lpstr>\r"
                       "<vt:lpstr>Beta</vt:lpstr>\r<vt:lpstr>Gamma</vt:lpstr>\r</vt:vector>"),
            std::string::npos)
      << first;
  EXPECT_NE(first.find("<Application>Microsoft Excel</Application>\r<AppVersion>12.000</AppVersion>"),
            std::string::npos);
  EXPECT_NE(first.find("xmlns:vt=\"http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes\""),
            std::string::npos);
  EXPECT_EQ(Parts(b.Write()).at("docProps/app.xml"), first) << "a second save writes the members again, not twice";
}

TEST(XlsxWriter, SavingThroughTheComponentUsesTheWriter) {
  Book b(2);
  b.M().Worksheets->GetItem(1)->Name = u"Second";
  wb::TMemoryStream s;
  b.Component().SaveToStream(s);
  const std::string zip(s.Bytes().begin(), s.Bytes().end());
  Book back(0);
  back.Load(zip);
  ASSERT_EQ(back.M().Worksheets->Count(), 2);
  EXPECT_EQ(back.M().Worksheets->GetItem(1)->Name, u"Second");
}

// A defined name whose definition reports the separators in force while it is asked for, and can
// fail as a name that does not decode does.
class ProbeName : public wb::TXc12DefinedName {
public:
  ProbeName(wb::TXc12Manager& M, bool Fail) : m_(M), fail_(Fail) {}
  void GetDefinition(std::u16string& Text) const override {
    seen = {wb::TFormatSettings::GetDecimalSeparator(), wb::TFormatSettings::GetListSeparator(), m_.ListSeparator};
    if (fail_) throw std::runtime_error("the definition does not decode");
    Text = u"Sheet1!$A$1";
  }
  mutable std::u16string seen;

private:
  wb::TXc12Manager& m_;
  bool fail_;
};

class Separators : public ::testing::TestWithParam<bool> {
protected:
  void SetUp() override {
    wb::TFormatSettings::SetDecimalSeparator(u',');
    wb::TFormatSettings::SetListSeparator(u';');
  }
  void TearDown() override { wb::ResetXLSFormatSettings(); }
};

TEST_P(Separators, AreThoseOfFilesDuringTheWriteAndRestoredAfter) {
  const bool fail = GetParam();
  Book b(1);
  b.M().ListSeparator = u';';
  auto owned = std::make_unique<ProbeName>(b.M(), fail);
  ProbeName* probe = owned.get();
  probe->Name = u"Probe";
  b.M().Workbook->DefinedNames->Add(std::move(owned));
  wb::TXc12ExternalLink& link = *b.M().XLinks->Add();
  link.ExternalBook.Target = u"other.xlsx";
  link.ExternalBook.SheetNames.push_back(u"S");
  wb::TXc12XCell& cell = *link.ExternalBook.SheetDataSet.Add()->Add()->Add();
  cell.SetAsFloat(1.5);
  std::string zip;
  if (fail) {
    EXPECT_THROW(b.Write(), std::runtime_error);
  } else {
    zip = b.Write();
  }
  EXPECT_EQ(probe->seen, u".,,") << "decimal point, list separator and the manager's formula separator";
  EXPECT_EQ(wb::TFormatSettings::GetDecimalSeparator(), u',');
  EXPECT_EQ(wb::TFormatSettings::GetListSeparator(), u';');
  EXPECT_EQ(b.M().ListSeparator, u';');
  if (!fail) {
    EXPECT_NE(Parts(zip).at("xl/externalLinks/externalLink1.xml").find("<v>1.5</v>"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(XlsxWriter, Separators, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "WhenWriteRaises" : "WhenWriteEnds"; });

// ---------------------------------------------------------------------------------------------
// Shared strings

TEST(XlsxWriterStrings, NoPartWithoutStrings) {
  Book b(1);
  const auto parts = Parts(b.Write());
  EXPECT_FALSE(parts.count("xl/sharedStrings.xml"));
  EXPECT_EQ(parts.at("xl/_rels/workbook.xml.rels").find("sharedStrings"), std::string::npos);
}

TEST(XlsxWriterStrings, EverySlotIsOneItemAndRunsSplitTheText) {
  Book b(1);
  wb::TXc12DataSST& sst = *b.M().SST;
  wb::TXc12Font* bold = b.M().StyleSheet->Fonts->Add();
  bold->SetName(u"Arial");
  bold->SetSize(10);
  bold->SetStyle(wb::FontStyleBit(wb::xfsBold));
  sst.AddStringNoDedupe(u"first");
  sst.AddStringNoDedupe(u"gone");
  sst.AddRichString(u"ab", {{1, bold}});
  sst.AddStringNoDedupe(u"bell\x07 and _x0041_");
  sst.ReleaseString(1);
  ASSERT_EQ(sst.GetItems(1), nullptr) << "the fixture needs an empty slot";
  const std::string zip = b.Write();
  const std::string xml = Flat(Parts(zip).at("xl/sharedStrings.xml"));
  EXPECT_NE(xml.find("<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"4\""),
            std::string::npos)
      << xml;
  EXPECT_EQ(xml.find("uniqueCount"), std::string::npos);
  EXPECT_EQ(Occurrences(xml, "<si>"), 4);
  EXPECT_NE(xml.find("<si><t>first</t></si><si><t/></si>"), std::string::npos) << xml;
  EXPECT_NE(xml.find("<r><t>a</t></r><r><rPr><rFont val=\"Arial\" /><b/>"), std::string::npos) << xml;
  EXPECT_NE(xml.find("<t>b</t>"), std::string::npos);
  EXPECT_NE(xml.find("bell_x0007_ and _x005F_x0041_"), std::string::npos) << "characters XML cannot hold are escaped";

  Book back(0);
  back.Load(zip);
  const wb::TXc12DataSST& read = *back.M().SST;
  ASSERT_EQ(read.Count(), 4);
  EXPECT_EQ(read.GetText(0), u"first");
  EXPECT_EQ(read.GetText(1), u"");
  EXPECT_EQ(read.GetText(2), u"ab");
  EXPECT_EQ(read.GetText(3), u"bell\x07 and _x0041_");
  const wb::TXc12SSTString* rich = read.GetItems(2);
  ASSERT_EQ(wb::TXc12DataSST::GetFontRunCount(rich), 1);
  const wb::TXc12FontRun run = wb::TXc12DataSST::GetFontRun(rich, 0);
  EXPECT_EQ(run.Index, 1);
  ASSERT_NE(run.Font, nullptr);
  EXPECT_EQ(run.Font->GetStyle(), wb::FontStyleBit(wb::xfsBold));
}

TEST(XlsxWriterStrings, RichTextPiecesFollowTheRunPositions) {
  Book b(0);
  ooxml::TXLSWriteXLSX w(&b.M(), nullptr);
  wb::TXc12Font italic;
  italic.SetName(u"Serif");
  italic.SetStyle(wb::FontStyleBit(wb::xfsItalic));
  struct Case {
    const char* name;
    std::u16string text;
    wb::TXc12DynFontRunArray runs;
    std::vector<std::pair<std::u16string, bool>> pieces;  // text, has run properties
  };
  const std::vector<Case> cases = {
      {"no runs: plain text", u"abc", {}, {}},
      {"leading unformatted piece", u"abc", {{1, &italic}}, {{u"a", false}, {u"bc", true}}},
      {"run without font", u"abcd", {{0, &italic}, {2, nullptr}}, {{u"ab", true}, {u"cd", false}}},
      {"position past the end", u"ab", {{0, &italic}, {9, &italic}}, {{u"ab", true}, {u"", true}}},
  };
  for (const Case& c : cases) {
    ooxml::sml::TXPGDocXLSX doc;
    ooxml::sml::TCT_Rst& rst = *doc.Root().sst->si;
    w.FillRichText(c.text, c.runs, rst);
    if (c.runs.empty()) {
      EXPECT_EQ(rst.t, c.text) << c.name;
      EXPECT_EQ(rst.r.Count(), 0) << c.name;
      continue;
    }
    EXPECT_EQ(rst.t, u"") << c.name;
    ASSERT_EQ(rst.r.Count(), static_cast<int>(c.pieces.size())) << c.name;
    for (int i = 0; i < rst.r.Count(); ++i) {
      EXPECT_EQ(rst.r[i]->t, c.pieces[static_cast<std::size_t>(i)].first) << c.name << " " << i;
      EXPECT_EQ(rst.r[i]->rPr->CheckAssigned() > 0, c.pieces[static_cast<std::size_t>(i)].second) << c.name << " " << i;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// The style sheet

wb::TXc12Color Rgb(std::uint32_t V) {
  wb::TXc12Color c;
  c.ColorType = wb::xctRgb;
  c.RGB = V;
  return c;
}

wb::TXc12Color Indexed(std::uint8_t I) {
  wb::TXc12Color c;
  c.ColorType = wb::xctIndexed;
  c.Index = I;
  return c;
}

TEST(XlsxWriterStyles, RecordsAreWrittenAsTheModelHoldsThem) {
  Book b(1);
  wb::TXc12DataStyleSheet& st = *b.M().StyleSheet;
  struct FontCase {
    const char16_t* name;
    wb::TXc12Color color;
    wb::TXc12Underline underline;
    const char* xml;  // the font's leaves after its name
  };
  wb::TXc12Color unassigned;
  unassigned.ColorType = wb::xctUnassigned;
  const std::vector<FontCase> fonts = {
      {u"White", Rgb(0xFFFFFFFF), wb::xulNone, "<color rgb=\"FFFFFFFF\" /><sz val=\"11\" /></font>"},
      {u"Black0", Indexed(0), wb::xulSingle, "<color indexed=\"0\" /><sz val=\"11\" /><u/></font>"},
      // No attribute: the binding leaves the element out, which reads as the automatic colour.
      {u"Twice", unassigned, wb::xulDouble, "<sz val=\"11\" /><u val=\"double\" /></font>"},
  };
  const int firstFont = st.Fonts->Count();
  for (const FontCase& c : fonts) {
    wb::TXc12Font* f = st.Fonts->Add();
    f->SetName(c.name);
    f->SetSize(11);
    f->SetColor(c.color);
    f->SetUnderline(c.underline);
  }
  wb::TXc12Fill* solid = st.Fills->Add();
  solid->SetPatternType(wb::efpSolid);
  solid->FgColor = Rgb(0xFF00FF00);
  // Three cell formats: the built-in one and two that use the new records.
  ASSERT_EQ(st.XFs->Count(), 1);
  for (int i = 0; i < 2; ++i) {
    auto xf = std::make_unique<wb::TXc12XF>();
    st.ResetXF(*xf);
    xf->SetFont(st.Fonts->GetItem(firstFont + i));
    xf->SetFill(solid);
    xf->SetApply(wb::xfaFont | wb::xfaFill);
    st.XFs->AddXF(std::move(xf));
  }
  const std::string zip = b.Write();
  const std::string xml = Flat(Parts(zip).at("xl/styles.xml"));
  EXPECT_EQ(xml.find("<numFmt "), std::string::npos) << "only built-in number formats: none is written";
  for (const FontCase& c : fonts) {
    std::string name(c.name, c.name + std::char_traits<char16_t>::length(c.name));
    EXPECT_NE(xml.find("<name val=\"" + name + "\" />" + c.xml), std::string::npos) << name << "\n" << xml;
  }
  const std::string fills = Element(xml, "fills");
  EXPECT_NE(fills.find("<fill><patternFill><fgColor auto=\"1\" />"), std::string::npos)
      << "a fill without pattern has a patternFill without patternType: " << fills;
  EXPECT_NE(fills.find("<patternFill patternType=\"solid\"><fgColor rgb=\"FF00FF00\" />"), std::string::npos) << fills;
  const std::string xfs = Element(xml, "cellXfs");
  EXPECT_NE(xfs.find("<cellXfs count=\"3\""), std::string::npos) << xfs;
  EXPECT_EQ(Occurrences(xfs, "<xf "), 3);
  EXPECT_NE(xfs.find("fontId=\"" + std::to_string(firstFont + 1) + "\" fillId=\"" + std::to_string(solid->Index) + "\""),
            std::string::npos)
      << xfs;
  EXPECT_NE(xml.find("<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"),
            std::string::npos);

  Book back(0);
  back.Load(zip);
  const wb::TXc12Fonts& read = *back.M().StyleSheet->Fonts;
  ASSERT_GE(read.Count(), firstFont + 3);
  const wb::TXc12Font& white = *read.GetItem(firstFont);
  EXPECT_EQ(white.GetColor().ColorType, wb::xctRgb) << "opaque white is a colour, not an unset one";
  EXPECT_EQ(white.GetColor().RGB, 0xFFFFFFFFu);
  const wb::TXc12Font& black = *read.GetItem(firstFont + 1);
  EXPECT_EQ(black.GetColor().ColorType, wb::xctIndexed) << "indexed colour 0 survives";
  EXPECT_EQ(black.GetColor().Index, 0);
  EXPECT_EQ(black.GetUnderline(), wb::xulSingle);
  EXPECT_EQ(read.GetItem(firstFont + 2)->GetUnderline(), wb::xulDouble);
  const wb::TXc12XF& xf2 = *back.M().StyleSheet->XFs->GetItem(2);
  EXPECT_EQ(xf2.GetFont()->GetName(), u"Black0");
  EXPECT_EQ(xf2.GetFill()->GetPatternType(), wb::efpSolid);
}

TEST(XlsxWriterStyles, UserNumberFormatsAndDifferentialFormats) {
  Book b(1);
  wb::TXc12DataStyleSheet& st = *b.M().StyleSheet;
  wb::TXc12NumberFormat* user = st.NumberFormats->AddFormat(u"0.000\"kg\"", 0);
  wb::TXc12DXF* dxf = st.DXFs->Add();
  dxf->AddNumFmt()->SetMask(u"0.000\"kg\"");
  dxf->AddBorder()->Bottom.Style = wb::cbsThick;
  dxf->AddFill()->SetPatternType(wb::efpSolid)->BgColor = Rgb(0xFFFF0000);
  const std::string zip = b.Write();
  const std::string xml = Flat(Parts(zip).at("xl/styles.xml"));
  const std::string id = std::to_string(user->Index);
  EXPECT_NE(xml.find("<numFmts count=\"1\"><numFmt numFmtId=\"" + id + "\" formatCode=\"0.000&quot;kg&quot;\" />"),
            std::string::npos)
      << xml;
  const std::string dxfs = Element(xml, "dxfs");
  EXPECT_NE(dxfs.find("<numFmt numFmtId=\"" + id + "\""), std::string::npos) << "the mask's id in the style sheet: " << dxfs;
  Book back(0);
  back.Load(zip);
  ASSERT_EQ(back.M().StyleSheet->DXFs->Count(), 1);
  const wb::TXc12DXF& d = *back.M().StyleSheet->DXFs->GetItem(0);
  ASSERT_NE(d.GetBorder(), nullptr) << "the differential border is written";
  EXPECT_EQ(d.GetBorder()->Bottom.Style, wb::cbsThick);
  ASSERT_NE(d.GetFill(), nullptr);
  EXPECT_EQ(d.GetFill()->BgColor.RGB, 0xFFFF0000u);
  ASSERT_NE(d.GetNumFmt(), nullptr);
  EXPECT_EQ(d.GetNumFmt()->GetMask(), u"0.000\"kg\"");
}

// ---------------------------------------------------------------------------------------------
// Defined names

TEST(XlsxWriterNames, DeletedNamesAreLeftOutAndScopesKept) {
  Book b(2);
  wb::TXc12DefinedNames& names = *b.M().Workbook->DefinedNames;
  names.Add(u"Alpha", -1)->SetDefinition(u"Sheet1!$A$1");
  wb::TXc12DefinedName* gone = names.Add(u"Gone", -1);
  gone->SetDefinition(u"Sheet1!$B$1");
  gone->Deleted = true;
  wb::TXc12DefinedName* beta = names.Add(u"Beta", -1);
  beta->SetDefinition(u"Sheet1!$C$1");
  beta->Hidden = true;
  beta->Comment = u"line\nbreak";
  names.AddBuiltIn(wb::bnPrintArea, 1)->SetDefinition(u"Sheet2!$A$1:$B$2");
  const std::string zip = b.Write();
  const std::string xml = Flat(Parts(zip).at("xl/workbook.xml"));
  const std::string block = Element(xml, "definedNames");
  EXPECT_EQ(Occurrences(block, "<definedName "), 3) << block;
  EXPECT_NE(block.find("<definedName name=\"Alpha\">Sheet1!$A$1</definedName>"), std::string::npos) << block;
  EXPECT_NE(block.find("name=\"_xlnm.Print_Area\" localSheetId=\"1\">Sheet2!$A$1:$B$2<"), std::string::npos) << block;
  EXPECT_EQ(block.find("Gone"), std::string::npos);
  EXPECT_LT(xml.find("</sheets>"), xml.find("<definedNames>"));
  EXPECT_LT(xml.find("</definedNames>"), xml.find("<calcPr"));

  Book back(0);
  back.Load(zip);
  const wb::TXc12DefinedNames& read = *back.M().Workbook->DefinedNames;
  ASSERT_EQ(read.Count(), 3);
  EXPECT_EQ(read.GetItem(0)->Name, u"Alpha");
  EXPECT_EQ(read.GetItem(0)->LocalSheetId, -1);
  EXPECT_EQ(read.GetItem(1)->Name, u"Beta");
  EXPECT_TRUE(read.GetItem(1)->Hidden);
  EXPECT_EQ(read.GetItem(1)->Comment, u"line\nbreak");
  EXPECT_EQ(read.GetItem(2)->BuiltIn, wb::bnPrintArea);
  EXPECT_EQ(read.GetItem(2)->LocalSheetId, 1);
}

TEST(XlsxWriterNames, NoDefinedNamesElementWithoutNames) {
  Book b(1);
  EXPECT_EQ(Parts(b.Write()).at("xl/workbook.xml").find("definedNames"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------
// External links

TEST(XlsxWriterLinks, CachedValuesTypesAndTargets) {
  Book b(1);
  wb::TXc12DataXLinks& links = *b.M().XLinks;
  wb::TXc12ExternalLink& book = *links.Add();
  book.ExternalBook.Target = u"file:///data/other%20book.xlsx";
  book.ExternalBook.SheetNames = {u"Prices", u"Rates"};
  wb::TXc12XDefinedName* n = book.ExternalBook.DefinedNames.Add();
  n->name = u"Rate";
  n->refersTo = u"=Rates!$A$1";
  n->sheetId = 1;
  wb::TXc12XSheetData& data = *book.ExternalBook.SheetDataSet.Add();
  data.sheetId = 0;
  wb::TXc12XRow& row = *data.Add();
  row.Row = 4;
  wb::TXc12XCell* c = row.Add();
  c->Col = 0;
  c->Row = 4;
  c->SetAsFloat(0.1 + 0.2);
  c = row.Add();
  c->Col = 1;
  c->Row = 4;
  c->SetAsString(u"kg & m");
  c = row.Add();
  c->Col = 2;
  c->Row = 4;
  c->SetAsBoolean(true);
  c = row.Add();
  c->Col = 3;
  c->Row = 4;
  c->SetAsError(7);  // #N/A
  links.Add();       // a link whose book has no target
  wb::TXc12ExternalLink& dde = *links.Add();
  dde.DdeLink.ddeService = u"Service";
  dde.DdeLink.ddeTopic = u"Topic";
  wb::TXc12DdeItem* item = dde.DdeLink.Add();
  item->name = u"Item";
  item->advise = true;
  item->Values.Rows = 1;
  item->Values.Cols = 2;
  item->Values.Add()->SetAsBoolean(false);
  item->Values.Add()->SetAsFloat(-2.5e-7);

  const std::string zip = b.Write();
  const auto parts = Parts(zip);
  const std::string first = Flat(parts.at("xl/externalLinks/externalLink1.xml"));
  EXPECT_NE(first.find("<externalLink xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                       "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\""),
            std::string::npos)
      << first;
  const std::vector<std::pair<const char*, const char*>> cells = {
      {"number: no type, shortest exact digits", "<cell r=\"A5\"><v>0.30000000000000004</v></cell>"},
      {"string", "<cell r=\"B5\" t=\"str\"><v>kg &amp; m</v></cell>"},
      {"boolean as 1", "<cell r=\"C5\" t=\"b\"><v>1</v></cell>"},
      {"error text", "<cell r=\"D5\" t=\"e\"><v>#N/A</v></cell>"},
  };
  for (const auto& [what, cell] : cells) EXPECT_NE(first.find(cell), std::string::npos) << what << "\n" << first;
  EXPECT_NE(first.find("<row r=\"5\">"), std::string::npos);
  EXPECT_EQ(Relationships(parts.at("xl/externalLinks/_rels/externalLink1.xml.rels")),
            (std::vector<std::pair<std::string, std::string>>{{"rId1", "file:///data/other%20book.xlsx"}}));
  EXPECT_NE(parts.at("xl/externalLinks/_rels/externalLink1.xml.rels").find("TargetMode=\"External\""), std::string::npos);
  const std::string second = Flat(parts.at("xl/externalLinks/externalLink2.xml"));
  EXPECT_EQ(second.find("externalBook"), std::string::npos);
  EXPECT_NE(second.find("<externalLink xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" />"),
            std::string::npos)
      << "still a document element: " << second;
  const std::string third = Flat(parts.at("xl/externalLinks/externalLink3.xml"));
  EXPECT_EQ(third.find("xmlns:r"), std::string::npos) << third;
  EXPECT_NE(third.find("t=\"b\"><val>0</val>"), std::string::npos) << third;
  const std::string refs = Element(Flat(parts.at("xl/workbook.xml")), "externalReferences");
  EXPECT_EQ(Occurrences(refs, "<externalReference "), 3) << refs;
  const auto wbRels = Relationships(parts.at("xl/_rels/workbook.xml.rels"));
  EXPECT_EQ(wbRels[2], (std::pair<std::string, std::string>{"rId3", "externalLinks/externalLink1.xml"}));

  Book back(0);
  back.Load(zip);
  ASSERT_EQ(back.M().XLinks->Count(), 3);
  const wb::TXc12XExternalBook& rb = back.M().XLinks->GetItem(0)->ExternalBook;
  EXPECT_EQ(rb.Target, u"file:///data/other%20book.xlsx");
  EXPECT_EQ(rb.SheetNames, (std::vector<std::u16string>{u"Prices", u"Rates"}));
  wb::TXc12XCellValue v;
  ASSERT_TRUE(rb.SheetDataSet.GetItem(0)->FindValue(0, 4, v));
  EXPECT_EQ(v.Number, 0.1 + 0.2);
  ASSERT_TRUE(rb.SheetDataSet.GetItem(0)->FindValue(2, 4, v));
  EXPECT_EQ(v.ValueType, wb::xvtBoolean);
  EXPECT_EQ(v.Byte, 1);
  ASSERT_TRUE(rb.SheetDataSet.GetItem(0)->FindValue(3, 4, v));
  EXPECT_EQ(v.ValueType, wb::xvtError);
  EXPECT_EQ(v.Byte, 7);
  const wb::TXc12DdeItem& ri = *back.M().XLinks->GetItem(2)->DdeLink.GetItem(0);
  EXPECT_EQ(ri.Values.Cols, 2);
  ASSERT_EQ(ri.Values.Count(), 2);
  EXPECT_EQ(ri.Values.GetItem(0)->ValueType, wb::xvtBoolean);
  EXPECT_EQ(ri.Values.GetItem(0)->Byte, 0);
  EXPECT_EQ(ri.Values.GetItem(1)->Number, -2.5e-7);
}

// ---------------------------------------------------------------------------------------------
// Files of other producers: what the reader made of them, written and read again, is the same.

std::string ColorText(const wb::TXc12Color& C) {
  return std::to_string(C.ColorType) + "/" + std::to_string(C.Index) + "/" + std::to_string(C.RGB) + "/" +
         std::to_string(C.Tint);
}

std::string FontText(const wb::TXc12Font* F) {
  if (!F) return "-";
  std::u16string n = F->GetName();
  return std::string(n.begin(), n.end()) + "|" + std::to_string(F->GetSize()) + "|" + std::to_string(F->GetStyle()) + "|" +
         std::to_string(F->GetUnderline()) + "|" + std::to_string(F->GetSubSuperscript()) + "|" +
         std::to_string(F->GetScheme()) + "|" + std::to_string(F->GetCharset()) + "|" + std::to_string(F->GetFamily()) +
         "|" + ColorText(F->GetColor());
}

std::string FillText(const wb::TXc12Fill* F) {
  if (!F) return "-";
  std::string s = std::to_string(F->GetPatternType()) + "|" + ColorText(F->FgColor) + "|" + ColorText(F->BgColor);
  if (const wb::TXc12GradientFill* g = F->GetGradient()) {
    s += "|g" + std::to_string(g->GetGradientType()) + "," + std::to_string(g->GetDegree()) + "," +
         std::to_string(g->GetLeft()) + "," + std::to_string(g->GetTop());
    for (const auto& stop : g->Stops) s += ";" + std::to_string(stop->Position) + ":" + ColorText(stop->Color);
  }
  return s;
}

std::string BorderText(const wb::TXc12Border* B) {
  if (!B) return "-";
  std::string s = std::to_string(B->GetOptions());
  for (const wb::TXc12BorderPr* l : {&B->Left, &B->Right, &B->Top, &B->Bottom, &B->Diagonal, &B->Vertical, &B->Horizontal})
    s += "|" + std::to_string(l->Style) + ":" + ColorText(l->Color);
  return s;
}

std::string AlignmentText(const wb::TXc12CellAlignment& A) {
  return std::to_string(A.GetHorizAlignment()) + "," + std::to_string(A.GetVertAlignment()) + "," +
         std::to_string(A.GetRotation()) + "," + std::to_string(A.GetOptions()) + "," + std::to_string(A.GetIndent()) +
         "," + std::to_string(A.GetRelativeIndent()) + "," + std::to_string(A.GetReadingOrder());
}

template <class T>
std::string Idx(const T* P) {
  return P ? std::to_string(P->Index) : "-";
}

std::string U8(const std::u16string& S) {
  std::string out;
  for (char16_t c : S) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

// The model's style sheet, shared strings, names and sheets list as lines of text.
std::vector<std::string> Summary(wb::TXc12Manager& M) {
  std::vector<std::string> out;
  const wb::TXc12DataStyleSheet& st = *M.StyleSheet;
  for (int i = 0; i < st.NumberFormats->Count(); ++i)
    if (const wb::TXc12NumberFormat* f = st.NumberFormats->GetItem(i); f && f->IsUserDefined())
      out.push_back("numFmt " + std::to_string(i) + " " + U8(f->GetMask()));
  for (int i = 0; i < st.Fonts->Count(); ++i) out.push_back("font " + FontText(st.Fonts->GetItem(i)));
  for (int i = 0; i < st.Fills->Count(); ++i) out.push_back("fill " + FillText(st.Fills->GetItem(i)));
  for (int i = 0; i < st.Borders->Count(); ++i) out.push_back("border " + BorderText(st.Borders->GetItem(i)));
  for (const wb::TXc12XFs* list : {st.StyleXFs.get(), st.XFs.get()})
    for (int i = 0; i < list->Count(); ++i) {
      const wb::TXc12XF* x = list->GetItem(i);
      if (!x) {
        out.push_back("xf -");
        continue;
      }
      out.push_back("xf " + Idx(x->GetNumberFormat()) + " " + Idx(x->GetFont()) + " " + Idx(x->GetFill()) + " " +
                    Idx(x->GetBorder()) + " " + Idx(x->GetStyleXF()) + " " + std::to_string(x->GetApply()) + " " +
                    std::to_string(x->GetProtection()) + " " + std::to_string(x->GetQuotePrefix()) + " " +
                    AlignmentText(x->Alignment));
    }
  for (int i = 0; i < st.CellStyles->Count(); ++i) {
    const wb::TXc12CellStyle* c = st.CellStyles->GetItem(i);
    out.push_back("style " + U8(c->GetName()) + " " + Idx(c->GetXF()) + " " + std::to_string(c->GetBuiltinId()) + " " +
                  std::to_string(c->GetHidden()) + std::to_string(c->GetCustomBuiltin()) + std::to_string(c->GetILevel()));
  }
  for (int i = 0; i < st.DXFs->Count(); ++i) {
    const wb::TXc12DXF* d = st.DXFs->GetItem(i);
    out.push_back("dxf " + FontText(d->GetFont()) + " " + FillText(d->GetFill()) + " " + BorderText(d->GetBorder()) + " " +
                  (d->GetNumFmt() ? U8(d->GetNumFmt()->GetMask()) : "-") + " " +
                  (d->GetAlignment() ? AlignmentText(*d->GetAlignment()) : "-") + " " + std::to_string(d->GetProtection()));
  }
  out.push_back("tableStyles " + U8(st.TableStyles->DefaultTableStyle) + " " + U8(st.TableStyles->DefaultPivotStyle));
  for (int i = 0; i < st.TableStyles->Count(); ++i) {
    wb::TXc12TableStyle* t = st.TableStyles->GetItem(i);
    std::string s = "tableStyle " + U8(t->GetName()) + std::to_string(t->GetPivot()) + std::to_string(t->GetTable());
    for (const auto& e : t->GetTableStyleElements())
      s += " " + std::to_string(e->GetType()) + ":" + std::to_string(e->GetSize()) + ":" + Idx(e->GetDXF());
    out.push_back(s);
  }
  for (int i = 0; i < st.IndexColorObjs->Count(); ++i) out.push_back("indexed " + std::to_string(st.IndexColorObjs->GetItem(i)->GetRGB()));
  for (int i = 0; i < st.ColorObjs->Count(); ++i) out.push_back("mru " + ColorText(st.ColorObjs->GetItem(i)->Color));
  const wb::TXc12DataSST& sst = *M.SST;
  for (int i = 0; i < sst.Count(); ++i) {
    const wb::TXc12SSTString* r = sst.GetItems(i);
    if (!r) {
      out.push_back("si -");
      continue;
    }
    std::string s = "si " + U8(wb::TXc12DataSST::RecordText(r));
    if (wb::TXc12DataSST::GetKind(r) & wb::sstKindRich)
      for (int k = 0; k < wb::TXc12DataSST::GetFontRunCount(r); ++k) {
        const wb::TXc12FontRun run = wb::TXc12DataSST::GetFontRun(r, k);
        s += " @" + std::to_string(run.Index) + ":" + FontText(run.Font);
      }
    out.push_back(s);
  }
  const wb::TXc12DefinedNames& names = *M.Workbook->DefinedNames;
  for (int i = 0; i < names.Count(); ++i) {
    const wb::TXc12DefinedName* n = names.GetItem(i);
    if (n->Deleted) continue;
    std::u16string def;
    n->GetDefinition(def);
    out.push_back("name " + U8(n->GetDisplayName()) + " " + std::to_string(n->LocalSheetId) + " " + U8(def) + " " +
                  std::to_string(n->Hidden) + U8(n->Comment));
  }
  for (int i = 0; i < M.Worksheets->Count(); ++i) {
    const wb::TXc12DataWorksheet* w = M.Worksheets->GetItem(i);
    out.push_back("sheet " + U8(w->Name) + " " + std::to_string(w->State) + " " + std::to_string(w->IsChartsheet));
  }
  const wb::TXc12DataWorkbook& wbk = *M.Workbook;
  out.push_back("workbook " + std::to_string(wbk.WorkbookPr.date1904) + " " + std::to_string(wbk.CalcPr.calcId) + " " +
                std::to_string(wbk.BookViews.Count()) + " " + std::to_string(M.XLinks->Count()));
  return out;
}

TEST(XlsxWriterFixtures, StylesStringsAndNamesSurviveAWriteAndARead) {
  int seen = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(THC_XLSX_TESTS) + "/fixtures")) {
    if (entry.path().extension() != ".xlsx") continue;
    ++seen;
    const std::string name = entry.path().filename().string();
    Book first(0);
    first.Load(opc_testing::ReadFile(entry.path().string()));
    const std::vector<std::string> before = Summary(first.M());
    const std::string zip = first.Write();
    EXPECT_EQ(opc_testing::CheckPackage(zip), std::vector<std::string>{}) << name;
    Book second(0);
    second.Load(zip);
    const std::vector<std::string> after = Summary(second.M());
    EXPECT_EQ(after.size(), before.size()) << name;
    for (std::size_t i = 0; i < std::min(before.size(), after.size()); ++i)
      EXPECT_EQ(after[i], before[i]) << name << " line " << i;
  }
  EXPECT_GT(seen, 0) << "the fixtures were not found";
}

// ---------------------------------------------------------------------------------------------
// Kept workbook-level trees

TEST(XlsxWriterKept, PivotCacheDefinitionNamesItsRecordsByTheirNewId) {
  Book b(0);
  b.Load(opc_testing::ReadFile(std::string(THC_XLSX_TESTS) + "/fixtures/parts.libreoffice.xlsx"));
  ASSERT_EQ(b.M().Workbook->PivotCaches.Count(), 1);
  wb::TXLSPivotCacheDefinition& d = *b.M().Workbook->PivotCaches.GetItem(0);
  const std::vector<std::uint8_t> records = d.Records.Stream.Bytes();
  // A file may relate the records under any id; the written definition must name the new one.
  d.DOM.Root()->GetItem(0)->Attributes.Find(u"r:id")->Value = u"rId7";
  const auto parts = Parts(b.Write());
  const std::string book = Flat(parts.at("xl/workbook.xml"));
  EXPECT_NE(book.find("<pivotCaches><pivotCache cacheId=\"1\" r:id=\""), std::string::npos) << book;
  const auto defRels = Relationships(parts.at("xl/pivotCache/_rels/pivotCacheDefinition1.xml.rels"));
  ASSERT_EQ(defRels.size(), 1u);
  EXPECT_EQ(defRels[0].second, "pivotCacheRecords1.xml");
  EXPECT_NE(parts.at("xl/pivotCache/pivotCacheDefinition1.xml").find("r:id=\"" + defRels[0].first + "\""),
            std::string::npos);
  const std::string& written = parts.at("xl/pivotCache/pivotCacheRecords1.xml");
  EXPECT_EQ(written, std::string(records.begin(), records.end())) << "the records are copied byte for byte";
}

TEST(XlsxWriterKept, ConnectionsFollowTheSharedStrings) {
  Book b(1);
  b.M().SST->AddStringNoDedupe(u"s");
  b.M().Workbook->Connections.LoadFromString(
      u"<connections xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
      u"<connection id=\"1\" name=\"Query\" type=\"5\" refreshedVersion=\"6\"/></connections>");
  const auto parts = Parts(b.Write());
  EXPECT_NE(parts.at("xl/connections.xml").find("name=\"Query\""), std::string::npos);
  const auto rels = Relationships(parts.at("xl/_rels/workbook.xml.rels"));
  ASSERT_GE(rels.size(), 4u);
  EXPECT_EQ(rels[2].second, "sharedStrings.xml");
  EXPECT_EQ(rels[3].second, "connections.xml");
}

}  // namespace
