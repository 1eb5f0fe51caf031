// Line properties: what "a:ln" reads and writes back.
#include <gtest/gtest.h>

#include "ooxml/drawingml/tests/dml_testing.h"

namespace ooxml::drawingml {
namespace {

TEST(DmlLine, ReadsAndWritesBack) {
  ExpectRoundTrips<TCT_LineProperties>(
      u"a:ln",
      {{"fill before join", "<a:ln w=\"12700\"><a:round/><a:solidFill><a:schemeClr val=\"accent1\"/></a:solidFill></a:ln>",
        "<a:ln w=\"12700\" ><a:solidFill><a:schemeClr val=\"accent1\" /></a:solidFill><a:round/></a:ln>"},
       {"no fill only", "<a:ln><a:noFill/></a:ln>", "<a:ln><a:noFill/></a:ln>"},
       {"bevel", "<a:ln><a:bevel/></a:ln>", "<a:ln><a:bevel/></a:ln>"},
       {"miter without its limit", "<a:ln><a:miter/></a:ln>", "<a:ln><a:miter/></a:ln>"},
       {"miter with its limit", "<a:ln><a:miter lim=\"800000\"/></a:ln>", "<a:ln><a:miter lim=\"800000\" /></a:ln>"},
       {"preset dash", "<a:ln cap=\"flat\" cmpd=\"dbl\" algn=\"in\"><a:prstDash val=\"dash\"/></a:ln>",
        "<a:ln cap=\"flat\" cmpd=\"dbl\" algn=\"in\" ><a:prstDash val=\"dash\" /></a:ln>"},
       {"a dash that is no literal of its type is reported and not written",
        "<a:ln w=\"1\"><a:prstDash val=\"dashed\"/></a:ln>", "<a:ln w=\"1\" />",
        "Row 0: Unknown Attribute \"val=\"dashed\"\""},
       {"dash stops in document order, a missing space written as unset",
        "<a:ln><a:custDash><a:ds d=\"100000\" sp=\"50000\"/><a:ds d=\"300000\"/></a:custDash></a:ln>",
        "<a:ln><a:custDash><a:ds d=\"100000\" sp=\"50000\" /><a:ds d=\"300000\" sp=\"2147483632\" /></a:custDash></a:ln>"},
       {"line ends: type before w; an end without attributes is not written",
        "<a:ln><a:tailEnd/><a:headEnd w=\"med\" type=\"triangle\" len=\"lg\"/></a:ln>",
        "<a:ln><a:headEnd type=\"triangle\" w=\"med\" len=\"lg\" /></a:ln>"},
       {"two fills are both kept, no fill first",
        "<a:ln><a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill><a:noFill/></a:ln>",
        "<a:ln><a:noFill/><a:solidFill><a:srgbClr val=\"FF0000\" /></a:solidFill></a:ln>"},
       {"gradient and pattern line fills, extensions last",
        "<a:ln><a:extLst><a:ext uri=\"{L}\"/></a:extLst><a:pattFill prst=\"pct5\"/><a:gradFill><a:gsLst><a:gs pos=\"0\">"
        "<a:srgbClr val=\"FFFFFF\"/></a:gs></a:gsLst></a:gradFill></a:ln>",
        "<a:ln><a:gradFill><a:gsLst><a:gs pos=\"0\" ><a:srgbClr val=\"FFFFFF\" /></a:gs></a:gsLst></a:gradFill>"
        "<a:pattFill prst=\"pct5\" /><a:extLst><a:ext uri=\"{L}\" /></a:extLst></a:ln>"},
       {"an unknown element is reported once and reading goes on",
        "<a:ln><a:squiggle/><a:noFill/></a:ln>", "<a:ln><a:noFill/></a:ln>", "Row 0: Unknown Element \"a:squiggle\""}});
  ReadInto<TCT_LineProperties> only("<a:ln><a:noFill/></a:ln>");
  EXPECT_EQ(only.obj.CheckAssigned(), 1);
}

}  // namespace
}  // namespace ooxml::drawingml
