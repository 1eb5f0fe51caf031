// The document object: which document element a part holds, which one a save writes, the kept
// attributes of the document element, and a round trip of every document element.
#include <gtest/gtest.h>

#include <string>

#include "ooxml/spreadsheetml/sml_document.h"
#include "ooxml/spreadsheetml/tests/sml_testing.h"

namespace ooxml::sml {

// The generated round-trip helpers (spreadsheetml_roundtrip_tests.cpp).
namespace xpg_roundtrip {
extern bool g_xpg_streams;
void XpgPopulate(TCT_Stylesheet& o, int depth);
void XpgPopulate(TCT_Sst& o, int depth);
void XpgPopulate(TCT_Workbook& o, int depth);
void XpgPopulate(TCT_Comments& o, int depth);
void XpgPopulate(TCT_Table& o, int depth);
void XpgPopulate(TCT_Chartsheet& o, int depth);
void XpgPopulate(TCT_Dialogsheet& o, int depth);
void XpgPopulate(TCT_Worksheet& o, int depth);
::testing::AssertionResult XpgEqual(const TCT_Stylesheet& a, const TCT_Stylesheet& b);
::testing::AssertionResult XpgEqual(const TCT_Sst& a, const TCT_Sst& b);
::testing::AssertionResult XpgEqual(const TCT_Workbook& a, const TCT_Workbook& b);
::testing::AssertionResult XpgEqual(const TCT_Comments& a, const TCT_Comments& b);
::testing::AssertionResult XpgEqual(const TCT_Table& a, const TCT_Table& b);
::testing::AssertionResult XpgEqual(const TCT_Chartsheet& a, const TCT_Chartsheet& b);
::testing::AssertionResult XpgEqual(const TCT_Dialogsheet& a, const TCT_Dialogsheet& b);
::testing::AssertionResult XpgEqual(const TCT_Worksheet& a, const TCT_Worksheet& b);
}  // namespace xpg_roundtrip

namespace {

std::string Save(TXPGDocXLSX& doc, TXPGBase& root) {
  XmlMemoryStream out;
  SavePart(doc, out, root);
  return Compact(out.Data());
}

// Each document element populated, saved as its part, loaded into a fresh document, compared
// member by member and saved again to the same bytes.
template <class T>
void ExpectDocumentRoundTrip(T* (TXPGDocXLSX::*get)(), const char* name) {
  TXPGDocXLSX a;
  xpg_roundtrip::g_xpg_streams = false;
  xpg_roundtrip::XpgPopulate(*(a.*get)(), 3);
  xpg_roundtrip::g_xpg_streams = true;
  XmlMemoryStream first;
  SavePart(a, first, *(a.*get)());
  TXPGDocXLSX b;
  int reports = 0;
  b.Errors.SetOnError([&](TXpgPErrors&) { ++reports; });
  XpgLoad(b, first.Data());
  EXPECT_EQ(reports, 0) << name << ": " << ToUtf8(b.Errors.LastError());
  EXPECT_TRUE(xpg_roundtrip::XpgEqual(*(a.*get)(), *(b.*get)())) << first.Data();
  EXPECT_EQ(XpgSave(b), first.Data()) << name;
}

TEST(SmlDocument, EveryDocumentElementRoundTrips) {
  ExpectDocumentRoundTrip(&TXPGDocXLSX::GetStyleSheet, "styleSheet");
  ExpectDocumentRoundTrip(&TXPGDocXLSX::GetSst, "sst");
  ExpectDocumentRoundTrip(&TXPGDocXLSX::GetWorkbook, "workbook");
  ExpectDocumentRoundTrip(&TXPGDocXLSX::GetComments, "comments");
  ExpectDocumentRoundTrip(&TXPGDocXLSX::GetTable, "table");
  ExpectDocumentRoundTrip(&TXPGDocXLSX::GetChartsheet, "chartsheet");
  ExpectDocumentRoundTrip(&TXPGDocXLSX::GetDialogsheet, "dialogsheet");
  ExpectDocumentRoundTrip(&TXPGDocXLSX::GetWorksheet, "worksheet");
}

TEST(SmlDocument, OnlyTheAskedElementIsWritten) {
  LoadedPart p;
  p.Load(std::string(kDecl) + "<workbook><sheets><sheet name=\"A\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
  EXPECT_EQ(p.Saved(), "<workbook><sheets><sheet name=\"A\" sheetId=\"1\" r:id=\"rId1\" /></sheets>"
                       "<calcPr calcId=\"125725\" /></workbook>")
      << "without a request, the element the load read";
  TXPGDocXLSX fresh;
  EXPECT_EQ(Save(fresh, *fresh.GetWorksheet()), Save(p.doc, *p.doc.GetWorksheet()))
      << "a workbook load leaves the other elements at their start values";

  TXPGDocXLSX doc;
  doc.GetChartsheet()->drawing->r_id = u"rId1";
  EXPECT_EQ(Save(doc, *doc.GetChartsheet()), "<chartsheet><drawing r:id=\"rId1\" /></chartsheet>");
  EXPECT_EQ(Save(doc, *doc.GetWorksheet()), "<worksheet><sheetData></sheetData></worksheet>")
      << "the chartsheet still holds its drawing, and is not written into the worksheet part";
  doc.GetChartsheet()->Clear();
  EXPECT_EQ(Save(doc, *doc.GetChartsheet()), "") << "an element that holds nothing: the declaration only";
  EXPECT_EQ(Save(doc, *doc.GetWorksheet()), "<worksheet><sheetData></sheetData></worksheet>");
}

TEST(SmlDocument, UnknownDocumentElements) {
  LoadedPart p;
  p.Load(std::string(kDecl) +
         "<x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><x:sheetData/>"
         "<x:dimension ref=\"A1\"/></x:worksheet>");
  EXPECT_EQ(Joined(p.reports),
            "Row 0: Unknown Element \"x:worksheet\"; Row 0: Unknown Element \"x:sheetData\"; "
            "Row 0: Unknown Element \"x:dimension\"");
  EXPECT_TRUE(p.doc.GetWorksheet()->dimension->ref.empty()) << "nothing of the part is read";
  EXPECT_EQ(p.Saved(), "");
}

TEST(SmlDocument, KeptAttributesAreEscaped) {
  LoadedPart p;
  p.Load(std::string(kDecl) +
         "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
         "xmlns:x=\"urn:a&amp;b?q=&quot;1&quot;&lt;\" mc:Ignorable=\"x14ac 温\" xmlns:mc=\"urn:mc\"/>");
  EXPECT_EQ(Joined(p.reports), "");
  const std::string saved = p.Saved();
  EXPECT_NE(saved.find("xmlns:x=\"urn:a&amp;b?q=&quot;1&quot;&lt;\""), std::string::npos) << saved;
  EXPECT_NE(saved.find("mc:Ignorable=\"x14ac 温\""), std::string::npos) << saved;
  LoadedPart again;
  again.Load(kDecl + saved);
  EXPECT_EQ(Joined(again.reports), "");
  EXPECT_EQ(again.Saved(), saved) << "the kept attributes read back as they were";
}

TEST(SmlDocument, SharedStringsWithoutTheWriteEvent) {
  TXPGDocXLSX doc;
  doc.GetSst()->count = 3;
  doc.GetSst()->uniqueCount = 2;
  EXPECT_EQ(Save(doc, *doc.GetSst()), "<sst count=\"3\" uniqueCount=\"2\" />");
}

}  // namespace
}  // namespace ooxml::sml
