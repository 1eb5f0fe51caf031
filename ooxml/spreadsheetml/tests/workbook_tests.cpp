// The workbook part: its children, and the defined names streamed in both directions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ooxml/spreadsheetml/sml_document.h"
#include "ooxml/spreadsheetml/tests/sml_testing.h"

namespace ooxml::sml {
namespace {

std::string SavedWorkbook(TXPGDocXLSX& doc) {
  XmlMemoryStream out;
  SavePart(doc, out, *doc.GetWorkbook());
  return Compact(out.Data());
}

TEST(SmlWorkbook, DefinedNamesReachTheHandlerOnceEach) {
  LoadedPart p;
  std::vector<std::string> names;
  int groups = 0;
  TCT_Workbook& wb = *p.doc.GetWorkbook();
  wb.definedNames->OnReadDefinedName = [&](TCT_DefinedName& n) {
    names.push_back(ToUtf8(n.name) + "=" + ToUtf8(n.formula) + " sheet " + std::to_string(n.localSheetId));
  };
  wb.OnReadDefinedNames = [&](TCT_DefinedNames&) { ++groups; };
  p.Load(std::string(kDecl) +
         "<workbook><sheets><sheet name=\"Readings\" sheetId=\"1\" r:id=\"rId1\"/></sheets><definedNames>"
         "<definedName name=\"Limit\" comment=\"upper\">30</definedName>"
         "<definedName name=\"_xlnm.Print_Area\" localSheetId=\"0\">Readings!$A$1:$F$21</definedName>"
         "<definedName name=\"Empty\"/></definedNames><calcPr calcId=\"191029\"/></workbook>");
  EXPECT_EQ(Joined(p.reports), "");
  EXPECT_EQ(names, (std::vector<std::string>{"Limit=30 sheet -1", "_xlnm.Print_Area=Readings!$A$1:$F$21 sheet 0",
                                             "Empty= sheet -1"}))
      << "a name without text has an empty formula, not the one before";
  EXPECT_EQ(groups, 1);
}

TEST(SmlWorkbook, DefinedNamesWrittenByATwoLevelPull) {
  TXPGDocXLSX doc;
  TCT_Workbook& wb = *doc.GetWorkbook();
  const std::vector<std::pair<std::u16string, std::u16string>> served = {
      {u"Limit", u"30"}, {u"", u""}, {u"Zone", u"Log!$A$1&\"°\""}};
  std::size_t next = 0;
  int asked = 0;
  wb.OnWriteDefinedNames = [&](TCT_DefinedNames&, bool& more) { more = asked++ == 0; };
  wb.definedNames->OnWriteDefinedName = [&](TCT_DefinedName& n, bool& more) {
    if (next == served.size()) return;
    n.name = served[next].first;  // the second answer leaves the name empty: skipped
    n.formula = served[next].second;
    ++next;
    more = true;
  };
  EXPECT_EQ(SavedWorkbook(doc),
            "<workbook><definedNames><definedName name=\"Limit\" >30</definedName>"
            "<definedName name=\"Zone\" >Log!$A$1&amp;&quot;°&quot;</definedName></definedNames>"
            "<calcPr calcId=\"125725\" /></workbook>");
  EXPECT_EQ(asked, 2);
  wb.OnWriteDefinedNames = nullptr;
  next = 0;
  EXPECT_EQ(SavedWorkbook(doc), "<workbook><calcPr calcId=\"125725\" /></workbook>")
      << "without the outer event no definedNames, even with the inner one";
}

TEST(SmlWorkbook, ChildrenReadAndWriteBack) {
  const std::vector<XmlCase> cases = {
      {"calcPr without calcId gets 125725; a bad iterateDelta reads as 0",
       "<workbook><calcPr iterateDelta=\"x\" iterate=\"1\"/></workbook>",
       "<workbook><calcPr calcId=\"125725\" iterate=\"1\" iterateDelta=\"0\" /></workbook>"},
      {"a view at its defaults is written bare, beside another view or alone",
       "<workbook><bookViews><workbookView xWindow=\"0\"/><workbookView activeTab=\"2\"/></bookViews></workbook>",
       "<workbook><bookViews><workbookView/><workbookView activeTab=\"2\" /></bookViews>"
       "<calcPr calcId=\"125725\" /></workbook>"},
      {"", "<workbook><bookViews><workbookView xWindow=\"0\" tabRatio=\"600\"/></bookViews></workbook>",
       "<workbook><bookViews><workbookView/></bookViews><calcPr calcId=\"125725\" /></workbook>"},
      {"hashes: four digits become six; one that is not hexadecimal is dropped",
       "<workbook><fileSharing reservationPassword=\"CC1A\" userName=\"Wang 汪\"/>"
       "<workbookProtection workbookPassword=\"zz\" lockStructure=\"1\"/></workbook>",
       "<workbook><fileSharing userName=\"Wang 汪\" reservationPassword=\"00CC1A\" />"
       "<workbookProtection lockStructure=\"1\" /><calcPr calcId=\"125725\" /></workbook>"},
      {"Boolean words: no reads as false",
       "<workbook><bookViews><workbookView showHorizontalScroll=\"no\"/></bookViews></workbook>",
       "<workbook><bookViews><workbookView showHorizontalScroll=\"0\" /></bookViews><calcPr calcId=\"125725\" />"
       "</workbook>"},
      {"sheet states in any case; veryHidden kept",
       "<workbook><sheets><sheet name=\"A\" sheetId=\"1\" state=\"veryHidden\" r:id=\"rId1\"/>"
       "<sheet name=\"B\" sheetId=\"2\" state=\"HIDDEN\" r:id=\"rId2\"/><sheet name=\"C\" sheetId=\"3\" r:id=\"rId3\"/>"
       "</sheets></workbook>",
       "<workbook><sheets><sheet name=\"A\" sheetId=\"1\" state=\"veryHidden\" r:id=\"rId1\" />"
       "<sheet name=\"B\" sheetId=\"2\" state=\"hidden\" r:id=\"rId2\" /><sheet name=\"C\" sheetId=\"3\" r:id=\"rId3\" />"
       "</sheets><calcPr calcId=\"125725\" /></workbook>"},
      {"external references under any prefix; recovery items each kept",
       "<workbook><externalReferences><externalReference xmlns:x=\"urn:rel\" x:id=\"rId4\"/></externalReferences>"
       "<fileRecoveryPr autoRecover=\"0\"/><fileRecoveryPr/><webPublishObjects count=\"1\">"
       "<webPublishObject id=\"1\" divId=\"d\" destinationFile=\"f.htm\"/></webPublishObjects></workbook>",
       "<workbook><externalReferences><externalReference r:id=\"rId4\" xmlns:x=\"urn:rel\" /></externalReferences>"
       "<calcPr calcId=\"125725\" /><fileRecoveryPr autoRecover=\"0\" /><fileRecoveryPr/>"
       "<webPublishObjects count=\"1\" ><webPublishObject id=\"1\" divId=\"d\" destinationFile=\"f.htm\" />"
       "</webPublishObjects></workbook>"},
      {"the character set of web publishing is reported and kept",
       "<workbook><webPublishing characterSet=\"utf-8\" dpi=\"120\"/></workbook>",
       "<workbook><calcPr calcId=\"125725\" /><webPublishing dpi=\"120\" characterSet=\"utf-8\" /></workbook>",
       "Row 0: Unknown Attribute \"characterSet\""},
  };
  ExpectPartRoundTrips(cases);
}

TEST(SmlWorkbook, NothingSetStillWritesTheWorkbook) {
  TXPGDocXLSX doc;
  EXPECT_EQ(SavedWorkbook(doc), "<workbook><calcPr calcId=\"125725\" /></workbook>");
}

}  // namespace
}  // namespace ooxml::sml
