// The worksheet, chartsheet and dialogsheet roots: which child stands under which name, the order
// they are written in, and how a root is reused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ooxml/spreadsheetml/sml_document.h"
#include "ooxml/spreadsheetml/tests/sml_testing.h"

namespace ooxml::sml {
namespace {

TEST(SmlWorksheet, ChildrenInSchemaOrder) {
  ExpectPartRoundTrips({
      {"nothing set: an empty sheetData", "<worksheet/>", "<worksheet><sheetData></sheetData></worksheet>"},
      {"children written in schema order whatever the input order",
       "<worksheet><tableParts count=\"1\"><tablePart r:id=\"rId3\"/></tableParts><drawing r:id=\"rId2\"/>"
       "<pageMargins left=\"0.5\"/><sheetData/><sheetViews><sheetView workbookViewId=\"0\"/></sheetViews>"
       "<dimension ref=\"A1:C3\"/><sheetPr codeName=\"S\"/><autoFilter ref=\"A1:C3\"/>"
       "<sheetProtection sheet=\"1\"/><conditionalFormatting sqref=\"A1\"><cfRule type=\"cellIs\" priority=\"1\"/>"
       "</conditionalFormatting><dataValidations count=\"1\"><dataValidation sqref=\"B1\"/></dataValidations>"
       "<headerFooter><oddHeader>h</oddHeader></headerFooter><legacyDrawing r:id=\"rId1\"/></worksheet>",
       "<worksheet><sheetPr codeName=\"S\" /><dimension ref=\"A1:C3\" /><sheetViews>"
       "<sheetView workbookViewId=\"0\" /></sheetViews><sheetData></sheetData><sheetProtection sheet=\"1\" /><autoFilter ref=\"A1:C3\" /><conditionalFormatting sqref=\"A1\" >"
       "<cfRule type=\"cellIs\" priority=\"1\" /></conditionalFormatting><dataValidations count=\"1\" >"
       "<dataValidation sqref=\"B1\" /></dataValidations>"
       "<pageMargins left=\"0.5\" right=\"0\" top=\"0\" bottom=\"0\" header=\"0\" footer=\"0\" />"
       "<headerFooter><oddHeader>h</oddHeader></headerFooter><drawing r:id=\"rId2\" />"
       "<legacyDrawing r:id=\"rId1\" /><tableParts count=\"1\" ><tablePart r:id=\"rId3\" /></tableParts>"
       "</worksheet>"},
      {"a second sheetViews element is read into the same object",
       "<worksheet><sheetViews><sheetView workbookViewId=\"0\"/></sheetViews><sheetViews><sheetView tabSelected=\"1\" "
       "workbookViewId=\"0\"/></sheetViews></worksheet>",
       "<worksheet><sheetViews><sheetView workbookViewId=\"0\" /><sheetView tabSelected=\"1\" workbookViewId=\"0\" />"
       "</sheetViews><sheetData></sheetData></worksheet>"},
      {"two conditional formats stay two",
       "<worksheet><conditionalFormatting sqref=\"A1\"><cfRule type=\"cellIs\" priority=\"1\"/></conditionalFormatting>"
       "<conditionalFormatting sqref=\"B1\"><cfRule type=\"cellIs\" priority=\"2\"/></conditionalFormatting></worksheet>",
       "<worksheet><sheetData></sheetData><conditionalFormatting sqref=\"A1\" ><cfRule type=\"cellIs\" priority=\"1\" />"
       "</conditionalFormatting><conditionalFormatting sqref=\"B1\" ><cfRule type=\"cellIs\" priority=\"2\" />"
       "</conditionalFormatting></worksheet>"},
      {"an unknown child is reported", "<worksheet><sheetData/><slicerList/></worksheet>",
       "<worksheet><sheetData></sheetData></worksheet>", "Row 0: Unknown Element \"slicerList\""},
      {"controls in alternate content are read once",
       "<worksheet xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\"><sheetData/>"
       "<mc:AlternateContent><mc:Choice Requires=\"x14\"><controls><mc:AlternateContent><mc:Choice Requires=\"x14\">"
       "<control shapeId=\"1025\" r:id=\"rId4\" name=\"Box\"><controlPr/></control></mc:Choice><mc:Fallback>"
       "<control shapeId=\"1025\" r:id=\"rId4\" name=\"Box\"/></mc:Fallback></mc:AlternateContent></controls>"
       "</mc:Choice><mc:Fallback><controls><control shapeId=\"1025\" r:id=\"rId4\" name=\"Box\"/></controls>"
       "</mc:Fallback></mc:AlternateContent></worksheet>",
       "<worksheet xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\"\n><sheetData></sheetData>"
       "<controls><control shapeId=\"1025\" r:id=\"rId4\" name=\"Box\" /></controls></worksheet>"},
  });
}

TEST(SmlWorksheet, TwoColsElementsBothReachTheColumnEvent) {
  LoadedPart p;
  std::vector<int> mins;
  p.doc.OnReadCol = [&](TCT_Col& c) { mins.push_back(c.min); };
  p.Load(std::string(kDecl) +
         "<worksheet><cols><col min=\"1\" max=\"1\" width=\"9\"/></cols><cols><col min=\"3\" max=\"4\" width=\"2\"/>"
         "<col min=\"5\" max=\"5\" width=\"1\"/></cols><sheetData/></worksheet>");
  EXPECT_EQ(p.doc.GetWorksheet()->cols.Count(), 2);
  EXPECT_EQ(mins, (std::vector<int>{1, 3, 5}));
}

TEST(SmlWorksheet, ClearKeepsTheStreamingEvents) {
  TXPGDocXLSX doc;
  TCT_Worksheet& ws = *doc.GetWorksheet();
  int merges = 0;
  ws.mergeCells->OnWriteMergeCell = [&](TCT_MergeCell* m, bool& more) {
    if (!m) {
      more = true;
      return;
    }
    if (merges++ > 0) return;
    m->ref = u"A1:B2";
    more = true;
  };
  ws.hyperlinks->OnWriteHyperlink = [](TCT_Hyperlink* h, bool& more) {
    more = !h;  // asked whether there are any: yes; asked for one: none after all
  };
  ws.sheetPr->codeName = u"First";
  ws.conditionalFormatting.Add()->sqref.Add(u"A1");
  ws.Clear();
  EXPECT_EQ(ws.conditionalFormatting.Count(), 0);
  EXPECT_TRUE(ws.sheetPr->codeName.empty());
  XmlMemoryStream out;
  SavePart(doc, out, ws);
  EXPECT_EQ(Compact(out.Data()),
            "<worksheet><sheetData></sheetData><mergeCells><mergeCell ref=\"A1:B2\" /></mergeCells>"
            "<hyperlinks></hyperlinks></worksheet>");
}

TEST(SmlChartsheet, ChildrenAndProtection) {
  ExpectPartRoundTrips({
      {"a chartsheet as producers write it",
       "<chartsheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
       "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheetPr/>"
       "<sheetViews><sheetView zoomScale=\"100\" workbookViewId=\"0\" zoomToFit=\"1\"/></sheetViews>"
       "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
       "<drawing r:id=\"rId1\"/></chartsheet>",
       "<chartsheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"\n"
       "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"\n><sheetViews>"
       "<sheetView workbookViewId=\"0\" zoomToFit=\"1\" /></sheetViews>"
       "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\" />"
       "<drawing r:id=\"rId1\" /></chartsheet>"},
      {"a view of the first workbook view still names it; a protection hash gets six digits",
       "<chartsheet><sheetViews><sheetView workbookViewId=\"0\"/><sheetView tabSelected=\"1\" workbookViewId=\"1\"/>"
       "</sheetViews><sheetProtection password=\"CC1A\" content=\"1\"/><customSheetViews><customSheetView guid=\"{9}\" "
       "state=\"hidden\"><pageSetup orientation=\"portrait\"/></customSheetView></customSheetViews>"
       "<webPublishItems><webPublishItem id=\"1\" divId=\"d\" destinationFile=\"f\"/></webPublishItems></chartsheet>",
       "<chartsheet><sheetViews><sheetView workbookViewId=\"0\" /><sheetView tabSelected=\"1\" workbookViewId=\"1\" />"
       "</sheetViews><sheetProtection password=\"00CC1A\" content=\"1\" /><customSheetViews>"
       "<customSheetView guid=\"{9}\" state=\"hidden\" ><pageSetup orientation=\"portrait\" /></customSheetView>"
       "</customSheetViews><webPublishItems><webPublishItem id=\"1\" divId=\"d\" destinationFile=\"f\" />"
       "</webPublishItems></chartsheet>"},
  });
}

TEST(SmlDialogsheet, ChildrenKeptForTheDocument) {
  const std::string dialog = std::string(kDecl) +
                             "<dialogsheet><sheetPr codeName=\"Dialog1\"/><sheetFormatPr defaultRowHeight=\"12.75\"/>"
                             "<sheetProtection objects=\"1\"/><printOptions headings=\"1\"/>"
                             "<oleObjects><oleObject shapeId=\"2049\" r:id=\"rId1\"/></oleObjects></dialogsheet>";
  ExpectPartRoundTrips({{"children in schema order", dialog.substr(std::string(kDecl).size()),
                "<dialogsheet><sheetPr codeName=\"Dialog1\" /><sheetFormatPr defaultRowHeight=\"12.75\" />"
                "<sheetProtection objects=\"1\" /><printOptions headings=\"1\" /><oleObjects>"
                "<oleObject shapeId=\"2049\" r:id=\"rId1\" /></oleObjects></dialogsheet>"}});
  LoadedPart p;
  p.Load(dialog);
  p.Load(std::string(kDecl) + "<worksheet/>");
  EXPECT_EQ(p.doc.Root().dialogsheet->sheetPr->codeName, u"Dialog1") << "a later load leaves it";
}

}  // namespace
}  // namespace ooxml::sml
