// The table part: the table's attributes, columns with their formulas and XML mappings, style.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ooxml/spreadsheetml/tests/sml_testing.h"

namespace ooxml::sml {
namespace {

TEST(SmlTable, ReadAndWriteBack) {
  const std::vector<XmlCase> cases = {
      {"defaults are not written back",
       "<table id=\"1\" name=\"LogTable\" displayName=\"LogTable\" ref=\"E1:G4\" headerRowCount=\"1\" "
       "totalsRowShown=\"1\" tableType=\"worksheet\"><tableColumns count=\"1\"><tableColumn id=\"1\" name=\"Day\"/>"
       "</tableColumns><tableStyleInfo name=\"TableStyleMedium9\" showRowStripes=\"1\"/></table>",
       "<table id=\"1\" name=\"LogTable\" displayName=\"LogTable\" ref=\"E1:G4\" ><tableColumns count=\"1\" >"
       "<tableColumn id=\"1\" name=\"Day\" /></tableColumns><tableStyleInfo name=\"TableStyleMedium9\" "
       "showRowStripes=\"1\" /></table>"},
      {"format ids kept as the text read",
       "<table id=\"2\" displayName=\"T\" ref=\"A1:B2\" dataDxfId=\"7\" headerRowDxfId=\"x1\"/>",
       "<table id=\"2\" displayName=\"T\" ref=\"A1:B2\" headerRowDxfId=\"x1\" dataDxfId=\"7\" />"},
      {"a calculated column and a totals row formula, array kept",
       "<table id=\"3\" displayName=\"T\" ref=\"A1:B5\" totalsRowCount=\"1\"><tableColumns count=\"2\">"
       "<tableColumn id=\"1\" name=\"Min\" totalsRowFunction=\"min\"/><tableColumn id=\"2\" name=\"Span\">"
       "<calculatedColumnFormula array=\"1\">T[[#This Row],[Min]]*2</calculatedColumnFormula>"
       "<totalsRowFormula>SUM(T[Span])</totalsRowFormula></tableColumn></tableColumns></table>",
       "<table id=\"3\" displayName=\"T\" ref=\"A1:B5\" totalsRowCount=\"1\" ><tableColumns count=\"2\" >"
       "<tableColumn id=\"1\" name=\"Min\" totalsRowFunction=\"min\" /><tableColumn id=\"2\" name=\"Span\" >"
       "<calculatedColumnFormula array=\"1\" >T[[#This Row],[Min]]*2</calculatedColumnFormula>"
       "<totalsRowFormula>SUM(T[Span])</totalsRowFormula></tableColumn></tableColumns></table>"},
      {"XML column properties without a data type, and with an unknown one",
       "<table id=\"4\" displayName=\"T\" ref=\"A1:B2\"><tableColumns count=\"2\"><tableColumn id=\"1\" name=\"a\">"
       "<xmlColumnPr mapId=\"1\" xpath=\"/r/a\"/></tableColumn><tableColumn id=\"2\" name=\"b\">"
       "<xmlColumnPr mapId=\"1\" xpath=\"/r/b\" xmlDataType=\"float\"/></tableColumn></tableColumns></table>",
       "<table id=\"4\" displayName=\"T\" ref=\"A1:B2\" ><tableColumns count=\"2\" ><tableColumn id=\"1\" name=\"a\" >"
       "<xmlColumnPr mapId=\"1\" xpath=\"/r/a\" /></tableColumn><tableColumn id=\"2\" name=\"b\" >"
       "<xmlColumnPr mapId=\"1\" xpath=\"/r/b\" xmlDataType=\"float\" /></tableColumn></tableColumns></table>"},
      {"", "<table id=\"5\" displayName=\"T\" ref=\"A1\"><tableColumns count=\"1\"><tableColumn id=\"1\" name=\"a\">"
       "<xmlColumnPr mapId=\"1\" xpath=\"/a\" xmlDataType=\"quaternion\"/></tableColumn></tableColumns></table>",
       "<table id=\"5\" displayName=\"T\" ref=\"A1\" ><tableColumns count=\"1\" ><tableColumn id=\"1\" name=\"a\" >"
       "<xmlColumnPr mapId=\"1\" xpath=\"/a\" /></tableColumn></tableColumns></table>",
       "Row 0: Unknown Attribute \"xmlDataType=\"quaternion\"\""},
      {"columns that hold nothing: only the stored count",
       "<table id=\"6\" displayName=\"T\" ref=\"A1:B2\"><tableColumns count=\"3\"><tableColumn/><tableColumn id=\"0\"/>"
       "</tableColumns></table>",
       "<table id=\"6\" displayName=\"T\" ref=\"A1:B2\" ><tableColumns count=\"3\" /></table>"},
      {"", "<table id=\"7\" displayName=\"T\" ref=\"A1\"><tableColumns><tableColumn/></tableColumns></table>",
       "<table id=\"7\" displayName=\"T\" ref=\"A1\" />"},
      {"autofilter and sort state of the table",
       "<table id=\"8\" displayName=\"T\" ref=\"A1:B9\"><autoFilter ref=\"A1:B9\"><filterColumn colId=\"0\">"
       "<customFilters><customFilter operator=\"greaterThan\" val=\"22\"/></customFilters></filterColumn></autoFilter>"
       "<sortState ref=\"A2:B9\"><sortCondition ref=\"B2:B9\" descending=\"1\"/></sortState></table>",
       "<table id=\"8\" displayName=\"T\" ref=\"A1:B9\" ><autoFilter ref=\"A1:B9\" ><filterColumn colId=\"0\" >"
       "<customFilters><customFilter operator=\"greaterThan\" val=\"22\" /></customFilters></filterColumn>"
       "</autoFilter><sortState ref=\"A2:B9\" ><sortCondition descending=\"1\" ref=\"B2:B9\" /></sortState></table>"},
  };
  ExpectPartRoundTrips(cases);
}

TEST(SmlTable, ClearReturnsToTheStartValues) {
  LoadedPart p;
  p.Load(std::string(kDecl) +
         "<table id=\"9\" displayName=\"T\" ref=\"A1:B2\" headerRowCount=\"0\" totalsRowShown=\"0\">"
         "<tableColumns count=\"1\"><tableColumn id=\"1\" name=\"a\"/></tableColumns></table>");
  TCT_Table& t = *p.doc.GetTable();
  EXPECT_EQ(t.headerRowCount, 0);
  t.Clear();
  EXPECT_EQ(t.headerRowCount, 1);
  EXPECT_TRUE(t.totalsRowShown);
  EXPECT_EQ(t.tableColumns->tableColumn.Count(), 0);
  EXPECT_EQ(t.tableColumns->count, 0);
}

}  // namespace
}  // namespace ooxml::sml
