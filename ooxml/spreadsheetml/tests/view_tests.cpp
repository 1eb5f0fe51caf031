// Sheet properties, views, panes and selections, custom views, margins, print options, page setup,
// header and footer, and manual page breaks: what each reads and writes back.
#include <gtest/gtest.h>

#include "ooxml/spreadsheetml/tests/sml_testing.h"

namespace ooxml::sml {
namespace {

TEST(SmlPageMargins, AllSixOnceOneIsSet) {
  ExpectRoundTrips<TCT_PageMargins>(
      u"pageMargins",
      {{"one margin set writes all six", "<pageMargins left=\"0.7\"/>",
        "<pageMargins left=\"0.7\" right=\"0\" top=\"0\" bottom=\"0\" header=\"0\" footer=\"0\" />"},
       {"written in class order",
        "<pageMargins footer=\"0.3\" header=\"0.3\" bottom=\"0.75\" top=\"0.75\" right=\"0.7\" left=\"0.7\"/>",
        "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\" />"}});
  ReadInto<TCT_PageMargins> fresh;
  EXPECT_EQ(fresh.obj.CheckAssigned(), 0) << "a new object is not written";
  ReadInto<TCT_PageMargins> zeros("<pageMargins left=\"0\" right=\"0\"/>");
  EXPECT_EQ(zeros.obj.CheckAssigned(), 0) << "all zero is not written";
}

TEST(SmlPageBreaks, CountComesFromTheList) {
  ExpectRoundTrips<TCT_PageBreak>(
      u"rowBreaks",
      {{"count read is dropped, written from the items",
        "<rowBreaks count=\"9\" manualBreakCount=\"2\"><brk id=\"10\" max=\"16383\" man=\"1\"/>"
        "<brk id=\"20\" max=\"16383\" man=\"1\"/></rowBreaks>",
        "<rowBreaks count=\"2\" manualBreakCount=\"2\" ><brk id=\"10\" max=\"16383\" man=\"1\" />"
        "<brk id=\"20\" max=\"16383\" man=\"1\" /></rowBreaks>"},
       {"breaks all at their defaults: only the count", "<rowBreaks><brk/><brk/></rowBreaks>",
        "<rowBreaks count=\"2\" />"},
       {"one break set: every break written, the default ones empty",
        "<rowBreaks><brk/><brk id=\"5\"/><brk pt=\"0\"/></rowBreaks>",
        "<rowBreaks count=\"3\" ><brk/><brk id=\"5\" /><brk/></rowBreaks>"}});
  ReadInto<TCT_PageBreak> empty("<rowBreaks count=\"4\"/>");
  EXPECT_EQ(empty.obj.CheckAssigned(), 0) << "no breaks and no manual count: not written";
}

TEST(SmlSelection, RangeListStartsWithA1) {
  ExpectRoundTrips<TCT_Selection>(
      u"selection",
      {{"a new selection writes A1", "<selection/>", "<selection sqref=\"A1\" />"},
       {"two references read as two items, joined by one blank", "<selection sqref=\"A1:B2  D4\"/>",
        "<selection sqref=\"A1:B2 D4\" />"},
       {"topLeft is not written, other panes are",
        "<selection pane=\"topLeft\" activeCell=\"C3\" sqref=\"C3\"/><selection pane=\"bottomRight\"/>",
        "<selection activeCell=\"C3\" sqref=\"C3\" />"},
       {"an unknown pane literal is reported and leaves the default",
        "<selection pane=\"middle\" activeCellId=\"2\"/>", "<selection activeCellId=\"2\" sqref=\"A1\" />",
        "Row 0: Unknown Attribute \"pane=\"middle\"\""}});
  ReadInto<TCT_Selection> fresh;
  ASSERT_EQ(fresh.obj.sqref.GetCount(), 1);
  EXPECT_EQ(fresh.obj.sqref.GetItem(0), u"A1");
  ReadInto<TCT_Selection> two("<selection sqref=\"A1:B2 D4\"/>");
  EXPECT_EQ(two.obj.sqref.GetCount(), 2);
}

TEST(SmlSheetView, DefaultsDroppedAndTheWorkbookViewAlwaysNamed) {
  ExpectRoundTrips<TCT_SheetViews>(
      u"sheetViews",
      {{"defaults are not written back",
        "<sheetViews><sheetView zoomScaleNormal=\"0\" zoomScale=\"100\" colorId=\"64\" showGridLines=\"1\" "
        "tabSelected=\"1\" workbookViewId=\"0\"/></sheetViews>",
        "<sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\" /></sheetViews>"},
       // Every sheet view of a sheet that is not selected has nothing else set: it still says which
       // workbook view it belongs to, as the schema requires.
       {"a view with nothing else set still carries workbookViewId",
        "<sheetViews><sheetView showZeros=\"0\" workbookViewId=\"1\"/><sheetView workbookViewId=\"0\"/></sheetViews>",
        "<sheetViews><sheetView showZeros=\"0\" workbookViewId=\"1\" /><sheetView workbookViewId=\"0\" /></sheetViews>"},
       {"pane, selections and pivot selections in class order",
        "<sheetViews><sheetView workbookViewId=\"0\"><selection pane=\"bottomRight\" activeCell=\"B2\" sqref=\"B2\"/>"
        "<pane xSplit=\"1\" ySplit=\"1\" topLeftCell=\"B2\" activePane=\"bottomRight\" state=\"frozen\"/>"
        "<selection pane=\"topRight\"/></sheetView></sheetViews>",
        "<sheetViews><sheetView workbookViewId=\"0\" ><pane xSplit=\"1\" ySplit=\"1\" topLeftCell=\"B2\" "
        "activePane=\"bottomRight\" state=\"frozen\" /><selection pane=\"bottomRight\" activeCell=\"B2\" sqref=\"B2\" />"
        "<selection pane=\"topRight\" sqref=\"A1\" /></sheetView></sheetViews>"},
       {"an unknown activePane literal is reported and leaves the pane's default",
        "<sheetViews><sheetView workbookViewId=\"2\"><pane xSplit=\"3\" activePane=\"left\"/></sheetView></sheetViews>",
        "<sheetViews><sheetView workbookViewId=\"2\" ><pane xSplit=\"3\" /></sheetView></sheetViews>",
        "Row 0: Unknown Attribute \"activePane=\"left\"\""},
       {"a second sheetViews element adds to the same list",
        "<sheetViews><sheetView workbookViewId=\"1\"/></sheetViews>",
        "<sheetViews><sheetView workbookViewId=\"1\" /></sheetViews>"}});
}

TEST(SmlPivotSelection, AreaAndReferences) {
  ExpectRoundTrips<TCT_PivotSelection>(
      u"pivotSelection",
      {{"selected is written only as 0; index 0 is an empty x",
        "<pivotSelection pane=\"bottomRight\" count=\"1\"><pivotArea type=\"data\" outline=\"0\" fieldPosition=\"0\">"
        "<references count=\"2\"><reference field=\"4294967294\" count=\"1\" selected=\"1\"><x v=\"0\"/></reference>"
        "<reference field=\"1\" selected=\"0\"><x v=\"3\"/></reference></references></pivotArea></pivotSelection>",
        "<pivotSelection pane=\"bottomRight\" count=\"1\" ><pivotArea type=\"data\" outline=\"0\" >"
        "<references count=\"2\" ><reference field=\"4294967294\" count=\"1\" ><x/></reference>"
        "<reference field=\"1\" selected=\"0\" ><x v=\"3\" /></reference></references></pivotArea></pivotSelection>"},
       {"a count after another attribute of references is read too; the other is reported and kept",
        "<pivotSelection><pivotArea><references foo=\"1\" count=\"2\"/></pivotArea></pivotSelection>",
        "<pivotSelection><pivotArea><references count=\"2\" foo=\"1\" /></pivotArea></pivotSelection>",
        "Row 0: Unknown Attribute \"foo\""},
       {"relationship id", "<pivotSelection r:id=\"rId3\" axis=\"axisRow\"/>",
        "<pivotSelection axis=\"axisRow\" r:id=\"rId3\" />"}});
}

TEST(SmlHeaderFooter, TextsAndFlags) {
  ExpectRoundTrips<TCT_HeaderFooter>(
      u"headerFooter",
      {{"texts in class order, empty ones not written",
        "<headerFooter differentFirst=\"1\"><firstFooter>F</firstFooter><oddFooter>&amp;RPage &amp;P</oddFooter>"
        "<oddHeader></oddHeader><evenHeader/></headerFooter>",
        "<headerFooter differentFirst=\"1\" ><oddFooter>&amp;RPage &amp;P</oddFooter><firstFooter>F</firstFooter>"
        "</headerFooter>"},
       {"an empty oddHeader leaves nothing to write", "<headerFooter><oddHeader/></headerFooter>", "<headerFooter/>"},
       {"Unicode text and escapes", "<headerFooter><oddHeader>&amp;C温度 _x0009_</oddHeader></headerFooter>",
        "<headerFooter><oddHeader>&amp;C温度 \t</oddHeader></headerFooter>"},
       {"an unknown child is reported", "<headerFooter scaleWithDoc=\"0\"><oddHead>x</oddHead></headerFooter>",
        "<headerFooter scaleWithDoc=\"0\" />", "Row 0: Unknown Element \"oddHead\""}});
}

TEST(SmlPageSetup, WorksheetAndChartsheetForms) {
  ExpectRoundTrips<TCT_PageSetup>(
      u"pageSetup",
      {{"defaults are not written",
        "<pageSetup paperSize=\"1\" scale=\"100\" firstPageNumber=\"1\" fitToWidth=\"1\" fitToHeight=\"1\" "
        "pageOrder=\"downThenOver\" orientation=\"default\" usePrinterDefaults=\"true\" blackAndWhite=\"false\" "
        "draft=\"false\" cellComments=\"none\" useFirstPageNumber=\"false\" horizontalDpi=\"600\" "
        "verticalDpi=\"600\" copies=\"1\"/>",
        "<pageSetup/>"},
       {"values in class order", "<pageSetup r:id=\"rId1\" orientation=\"landscape\" fitToHeight=\"0\" paperSize=\"9\"/>",
        "<pageSetup paperSize=\"9\" fitToHeight=\"0\" orientation=\"landscape\" r:id=\"rId1\" />"}});
  ExpectRoundTrips<TCT_CsPageSetup>(
      u"pageSetup", {{"chartsheet form", "<pageSetup orientation=\"landscape\" copies=\"2\" scale=\"50\"/>",
                      "<pageSetup orientation=\"landscape\" copies=\"2\" scale=\"50\" />",
                      "Row 0: Unknown Attribute \"scale\""}});
}

TEST(SmlSheetPr, PropertiesAndChildren) {
  ExpectRoundTrips<TCT_SheetPr>(
      u"sheetPr",
      {{"children written as empty elements with attributes",
        "<sheetPr filterMode=\"false\" codeName=\"Sheet1\"><tabColor rgb=\"FF00B050\"/><outlinePr summaryBelow=\"0\"/>"
        "<pageSetUpPr fitToPage=\"1\"/></sheetPr>",
        "<sheetPr codeName=\"Sheet1\" ><tabColor rgb=\"FF00B050\" /><outlinePr summaryBelow=\"0\" />"
        "<pageSetUpPr fitToPage=\"1\" /></sheetPr>"},
       {"children at their defaults are not written",
        "<sheetPr><outlinePr summaryBelow=\"1\"/><pageSetUpPr fitToPage=\"false\"/></sheetPr>", "<sheetPr/>"}});
}

TEST(SmlCustomSheetView, AlwaysHoldsItsSelection) {
  ExpectRoundTrips<TCT_CustomSheetViews>(
      u"customSheetViews",
      {{"a bare view keeps its guid and its A1 selection",
        "<customSheetViews><customSheetView guid=\"{1}\"/></customSheetViews>",
        "<customSheetViews><customSheetView guid=\"{1}\" ><selection sqref=\"A1\" /></customSheetView>"
        "</customSheetViews>"},
       {"children in class order",
        "<customSheetViews><customSheetView guid=\"{2}\" scale=\"80\" state=\"hidden\"><autoFilter ref=\"A1:C9\"/>"
        "<headerFooter><oddHeader>h</oddHeader></headerFooter><pageMargins left=\"1\"/>"
        "<rowBreaks><brk id=\"3\"/></rowBreaks><pane ySplit=\"2\"/></customSheetView></customSheetViews>",
        "<customSheetViews><customSheetView guid=\"{2}\" scale=\"80\" state=\"hidden\" ><pane ySplit=\"2\" />"
        "<selection sqref=\"A1\" /><rowBreaks count=\"1\" ><brk id=\"3\" /></rowBreaks>"
        "<pageMargins left=\"1\" right=\"0\" top=\"0\" bottom=\"0\" header=\"0\" footer=\"0\" />"
        "<headerFooter><oddHeader>h</oddHeader></headerFooter><autoFilter ref=\"A1:C9\" /></customSheetView>"
        "</customSheetViews>"}});
}

}  // namespace
}  // namespace ooxml::sml
