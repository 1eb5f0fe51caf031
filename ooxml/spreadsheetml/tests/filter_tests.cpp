// Autofilter, filter columns with their six filter kinds, and sort state.
#include <gtest/gtest.h>

#include "ooxml/spreadsheetml/tests/sml_testing.h"

namespace ooxml::sml {
namespace {

TEST(SmlAutoFilter, ColumnsFiltersAndSortState) {
  ExpectRoundTrips<TCT_AutoFilter>(
      u"autoFilter",
      {{"a filter on the first column keeps its required colId",
        "<autoFilter ref=\"A1:C7\"><filterColumn colId=\"0\"/></autoFilter>",
        "<autoFilter ref=\"A1:C7\" ><filterColumn colId=\"0\" /></autoFilter>"},
       {"value filters with date groups",
        "<autoFilter ref=\"A1:C7\"><filterColumn colId=\"1\"><filters blank=\"1\"><filter val=\"21\"/>"
        "<filter val=\"22\"/><dateGroupItem year=\"2026\" month=\"12\" dateTimeGrouping=\"month\"/>"
        "</filters></filterColumn></autoFilter>",
        "<autoFilter ref=\"A1:C7\" ><filterColumn colId=\"1\" ><filters blank=\"1\" ><filter val=\"21\" />"
        "<filter val=\"22\" /><dateGroupItem year=\"2026\" month=\"12\" dateTimeGrouping=\"month\" />"
        "</filters></filterColumn></autoFilter>"},
       {"a date group item with nothing set still carries its year",
        "<autoFilter><filterColumn colId=\"2\"><filters><dateGroupItem year=\"0\"/><dateGroupItem year=\"2001\"/>"
        "</filters></filterColumn></autoFilter>",
        "<autoFilter><filterColumn colId=\"2\" ><filters><dateGroupItem year=\"0\" /><dateGroupItem year=\"2001\" />"
        "</filters></filterColumn></autoFilter>"},
       {"two filter kinds in one column are both written, filters first",
        "<autoFilter><filterColumn colId=\"1\"><top10 val=\"5\"/><filters><filter val=\"x\"/></filters>"
        "</filterColumn></autoFilter>",
        "<autoFilter><filterColumn colId=\"1\" ><filters><filter val=\"x\" /></filters><top10 val=\"5\" />"
        "</filterColumn></autoFilter>"},
       {"a top 10 at its defaults is not written; with percent it writes val 0",
        "<autoFilter><filterColumn colId=\"3\"><top10 top=\"1\" val=\"0\"/></filterColumn>"
        "<filterColumn colId=\"4\"><top10 percent=\"1\" val=\"0\"/></filterColumn></autoFilter>",
        "<autoFilter><filterColumn colId=\"3\" /><filterColumn colId=\"4\" ><top10 percent=\"1\" val=\"0\" />"
        "</filterColumn></autoFilter>"},
       {"custom filters, and the operator equal not written",
        "<autoFilter><filterColumn colId=\"1\"><customFilters and=\"1\"><customFilter operator=\"greaterThan\" "
        "val=\"22\"/><customFilter operator=\"equal\" val=\"*a\"/></customFilters></filterColumn></autoFilter>",
        "<autoFilter><filterColumn colId=\"1\" ><customFilters and=\"1\" ><customFilter operator=\"greaterThan\" "
        "val=\"22\" /><customFilter val=\"*a\" /></customFilters></filterColumn></autoFilter>"},
       {"colour filter on dxf 0 keeps it; without dxfId none is written",
        "<autoFilter><filterColumn colId=\"0\"><colorFilter dxfId=\"0\"/></filterColumn>"
        "<filterColumn colId=\"1\"><colorFilter cellColor=\"0\"/></filterColumn></autoFilter>",
        "<autoFilter><filterColumn colId=\"0\" ><colorFilter dxfId=\"0\" /></filterColumn>"
        "<filterColumn colId=\"1\" ><colorFilter cellColor=\"0\" /></filterColumn></autoFilter>"},
       {"icon filter without a set stays unset; icon 0 is the first icon",
        "<autoFilter><filterColumn colId=\"0\"><iconFilter iconId=\"0\"/></filterColumn>"
        "<filterColumn colId=\"1\"><iconFilter iconSet=\"3Arrows\" iconId=\"2\"/></filterColumn></autoFilter>",
        "<autoFilter><filterColumn colId=\"0\" ><iconFilter iconId=\"0\" /></filterColumn>"
        "<filterColumn colId=\"1\" ><iconFilter iconSet=\"3Arrows\" iconId=\"2\" /></filterColumn></autoFilter>"},
       {"dynamic filter", "<autoFilter><filterColumn colId=\"0\"><dynamicFilter type=\"aboveAverage\" val=\"21.5\"/>"
        "</filterColumn></autoFilter>",
        "<autoFilter><filterColumn colId=\"0\" ><dynamicFilter type=\"aboveAverage\" val=\"21.5\" /></filterColumn>"
        "</autoFilter>"},
       {"the sort state of the filter, its required ref written even when empty",
        "<autoFilter ref=\"A1:C7\"><sortState><sortCondition descending=\"1\" ref=\"C2:C7\"/></sortState></autoFilter>",
        "<autoFilter ref=\"A1:C7\" ><sortState ref=\"\" ><sortCondition descending=\"1\" ref=\"C2:C7\" />"
        "</sortState></autoFilter>"},
       {"a ref after another attribute is read; the other is reported and kept",
        "<autoFilter foo=\"x\" ref=\"A1:B2\"/>", "<autoFilter ref=\"A1:B2\" foo=\"x\" />",
        "Row 0: Unknown Attribute \"foo\""}});
  ReadInto<TCT_AutoFilter> first("<autoFilter><filterColumn colId=\"0\"/></autoFilter>");
  ASSERT_EQ(first.obj.filterColumn.Count(), 1);
  EXPECT_EQ(first.obj.filterColumn[0]->colId, 0);
}

TEST(SmlSortState, ConditionsAndDefaults) {
  ExpectRoundTrips<TCT_SortState>(
      u"sortState",
      {{"iconSet 3Arrows and sortBy value are not written; dxfId 0 is",
        "<sortState ref=\"A2:C9\" sortMethod=\"none\"><sortCondition sortBy=\"value\" iconSet=\"3Arrows\" ref=\"A2:A9\"/>"
        "<sortCondition sortBy=\"cellColor\" dxfId=\"0\" ref=\"B2:B9\"/>"
        "<sortCondition sortBy=\"icon\" iconSet=\"3Flags\" iconId=\"0\" ref=\"C2:C9\"/></sortState>",
        "<sortState ref=\"A2:C9\" ><sortCondition ref=\"A2:A9\" /><sortCondition sortBy=\"cellColor\" ref=\"B2:B9\" "
        "dxfId=\"0\" /><sortCondition sortBy=\"icon\" ref=\"C2:C9\" iconSet=\"3Flags\" iconId=\"0\" /></sortState>"},
       {"a sort method other than none is written", "<sortState ref=\"A1:A4\" sortMethod=\"pinYin\" caseSensitive=\"1\"/>",
        "<sortState caseSensitive=\"1\" sortMethod=\"pinYin\" ref=\"A1:A4\" />"},
       {"an unknown sortBy literal is reported and leaves value",
        "<sortState ref=\"A1:A4\"><sortCondition sortBy=\"weight\" ref=\"A1:A4\"/></sortState>",
        "<sortState ref=\"A1:A4\" ><sortCondition ref=\"A1:A4\" /></sortState>",
        "Row 0: Unknown Attribute \"sortBy=\"weight\"\""}});
}

}  // namespace
}  // namespace ooxml::sml
