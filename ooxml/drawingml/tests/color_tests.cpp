// Colours, colour transforms and extension lists: what each class reads and writes back.
#include <gtest/gtest.h>

#include "ooxml/drawingml/tests/dml_testing.h"

namespace ooxml::drawingml {
namespace {

TEST(DmlColor, ColourElementsReadAndWriteBack) {
  ExpectRoundTrips<TCT_Color>(
      u"a:fgClr",
      {{"hex digits are written in upper case", "<a:fgClr><a:srgbClr val=\"4f81bd\"/></a:fgClr>",
        "<a:fgClr><a:srgbClr val=\"4F81BD\" /></a:fgClr>"},
       {"a value that is no hexadecimal number is black", "<a:fgClr><a:srgbClr val=\"blue\"/></a:fgClr>",
        "<a:fgClr><a:srgbClr val=\"000000\" /></a:fgClr>"},
       {"the unset marker is no colour", "<a:fgClr><a:srgbClr val=\"FFFFFFF0\"><a:alpha val=\"1\"/></a:srgbClr></a:fgClr>",
        "<a:fgClr/>"},
       {"without val not written, transforms included",
        "<a:fgClr><a:srgbClr><a:lumMod val=\"75000\"/></a:srgbClr></a:fgClr>", "<a:fgClr/>"},
       {"a missing component is written as unset", "<a:fgClr><a:scrgbClr r=\"1000\" b=\"3000\"/></a:fgClr>",
        "<a:fgClr><a:scrgbClr r=\"1000\" g=\"2147483632\" b=\"3000\" /></a:fgClr>"},
       {"hsl components", "<a:fgClr><a:hslClr hue=\"60000\" sat=\"100000\" lum=\"50000\"/></a:fgClr>",
        "<a:fgClr><a:hslClr hue=\"60000\" sat=\"100000\" lum=\"50000\" /></a:fgClr>"},
       {"a system colour without attributes is still written", "<a:fgClr><a:sysClr/></a:fgClr>",
        "<a:fgClr><a:sysClr/></a:fgClr>"},
       {"system colour with its last colour", "<a:fgClr><a:sysClr val=\"windowText\" lastClr=\"000000\"/></a:fgClr>",
        "<a:fgClr><a:sysClr val=\"windowText\" lastClr=\"000000\" /></a:fgClr>"},
       {"a scheme literal is found whatever its case", "<a:fgClr><a:schemeClr val=\"Accent1\"/></a:fgClr>",
        "<a:fgClr><a:schemeClr val=\"accent1\" /></a:fgClr>"},
       {"a system colour literal is no scheme colour, though both types share a key prefix",
        "<a:fgClr><a:schemeClr val=\"window\"/></a:fgClr>", "<a:fgClr><a:schemeClr/></a:fgClr>",
        "Row 0: Unknown Attribute \"val=\"window\"\""},
       {"and a scheme literal no system colour", "<a:fgClr><a:sysClr val=\"tx1\"/></a:fgClr>",
        "<a:fgClr><a:sysClr/></a:fgClr>", "Row 0: Unknown Attribute \"val=\"tx1\"\""},
       {"preset colour", "<a:fgClr><a:prstClr val=\"ltGoldenrodYellow\"/></a:fgClr>",
        "<a:fgClr><a:prstClr val=\"ltGoldenrodYellow\" /></a:fgClr>"},
       {"two kinds are both kept, written in the choice's order",
        "<a:fgClr><a:schemeClr val=\"tx1\"/><a:srgbClr val=\"FF0000\"/></a:fgClr>",
        "<a:fgClr><a:srgbClr val=\"FF0000\" /><a:schemeClr val=\"tx1\" /></a:fgClr>"},
       {"an unknown element is reported once and reading goes on",
        "<a:fgClr><a:bogus/><a:srgbClr val=\"00FF00\"/></a:fgClr>",
        "<a:fgClr><a:srgbClr val=\"00FF00\" /></a:fgClr>", "Row 0: Unknown Element \"a:bogus\""}});
}

TEST(DmlColor, TransformsKeepTheirOrder) {
  ExpectRoundTrips<TCT_Color>(
      u"a:fgClr",
      {{"the same transform twice stays twice, in document order",
        "<a:fgClr><a:schemeClr val=\"accent1\"><a:lumMod val=\"75000\"/><a:lumOff val=\"25000\"/>"
        "<a:lumMod val=\"50000\"/></a:schemeClr></a:fgClr>",
        "<a:fgClr><a:schemeClr val=\"accent1\" ><a:lumMod val=\"75000\" /><a:lumOff val=\"25000\" />"
        "<a:lumMod val=\"50000\" /></a:schemeClr></a:fgClr>"},
       {"transforms without a value are written as empty elements",
        "<a:fgClr><a:srgbClr val=\"808080\"><a:gamma/><a:shade val=\"5000\"/><a:comp/><a:inv/><a:gray/>"
        "<a:invGamma/></a:srgbClr></a:fgClr>",
        "<a:fgClr><a:srgbClr val=\"808080\" ><a:gamma/><a:shade val=\"5000\" /><a:comp/><a:inv/><a:gray/>"
        "<a:invGamma/></a:srgbClr></a:fgClr>"},
       {"every channel transform, kept as text",
        "<a:fgClr><a:prstClr val=\"red\"><a:redMod val=\"50%\"/><a:greenOff val=\"-10\"/><a:blueMod val=\"1\"/>"
        "<a:hueOff val=\"60000\"/><a:satMod val=\"2\"/><a:alphaOff val=\"3\"/></a:prstClr></a:fgClr>",
        "<a:fgClr><a:prstClr val=\"red\" ><a:redMod val=\"50%\" /><a:greenOff val=\"-10\" /><a:blueMod val=\"1\" />"
        "<a:hueOff val=\"60000\" /><a:satMod val=\"2\" /><a:alphaOff val=\"3\" /></a:prstClr></a:fgClr>"},
       {"an attribute that is not val is kept under its own name and reported",
        "<a:fgClr><a:srgbClr val=\"FFFFFF\"><a:tint foo=\"1\"/></a:srgbClr></a:fgClr>",
        "<a:fgClr><a:srgbClr val=\"FFFFFF\" ><a:tint foo=\"1\" /></a:srgbClr></a:fgClr>",
        "Row 0: Unknown Attribute \"foo\""},
       {"an unknown element among the transforms is reported",
        "<a:fgClr><a:srgbClr val=\"FFFFFF\"><a:shine val=\"1\"/><a:tint val=\"2\"/></a:srgbClr></a:fgClr>",
        "<a:fgClr><a:srgbClr val=\"FFFFFF\" ><a:tint val=\"2\" /></a:srgbClr></a:fgClr>",
        "Row 0: Unknown Element \"a:shine\""}});
  ReadInto<TCT_Color> r("<a:fgClr><a:sysClr val=\"window\"><a:lumMod val=\"1\"/><a:lumMod val=\"2\"/></a:sysClr></a:fgClr>");
  const auto& items = r.obj.choice->sysClr->transforms->items;
  ASSERT_EQ(items.Count(), 2);
  EXPECT_EQ(items.NameAt(0), u"a:lumMod");
  EXPECT_EQ(static_cast<TCT_ColorTransformValue*>(items.GetItems(1))->val, u"2");
  EXPECT_EQ(r.obj.choice->sysClr->val, ST_SystemColorVal.Find(u"window"));
  ReadInto<TCT_Color> scheme("<a:fgClr><a:schemeClr val=\"ACCENT1\"/></a:fgClr>");
  EXPECT_EQ(scheme.obj.choice->schemeClr->val, 4);
}

TEST(DmlColor, RelativeRectangle) {
  ExpectRoundTrips<TCT_RelativeRect>(
      u"a:srcRect", {{"zero edges are not written", "<a:srcRect l=\"0\" t=\"-5000\" r=\"0\" b=\"25000\"/>",
                      "<a:srcRect t=\"-5000\" b=\"25000\" />"},
                     {"nothing set", "<a:srcRect/>", "<a:srcRect/>"}});
}

TEST(DmlExtensions, EveryExtensionIsKeptWhole) {
  ExpectRoundTrips<TCT_OfficeArtExtensionList>(
      u"a:extLst",
      {{"two extensions stay two, each with its uri and content",
        "<a:extLst><a:ext uri=\"{28A0092B-C50C-407E-A947-70E740481C1C}\"><a14:useLocalDpi "
        "xmlns:a14=\"http://schemas.microsoft.com/office/drawing/2010/main\" val=\"0\"/></a:ext>"
        "<a:ext uri=\"{B}\"><x:a v=\"1\"><x:b w=\"2\">text</x:b><x:b w=\"3\"/></x:a><x:c/></a:ext></a:extLst>",
        "<a:extLst><a:ext uri=\"{28A0092B-C50C-407E-A947-70E740481C1C}\" ><a14:useLocalDpi "
        "xmlns:a14=\"http://schemas.microsoft.com/office/drawing/2010/main\" val=\"0\" /></a:ext>"
        "<a:ext uri=\"{B}\" ><x:a v=\"1\" ><x:b w=\"2\" >text</x:b><x:b w=\"3\" /></x:a><x:c/></a:ext></a:extLst>"},
       {"a namespace declaration before uri is kept without a report, and so is uri",
        "<a:extLst><a:ext xmlns:c16=\"urn:c16\" uri=\"{C}\"><c16:uniqueId val=\"{1}\"/></a:ext></a:extLst>",
        "<a:extLst><a:ext uri=\"{C}\" xmlns:c16=\"urn:c16\" ><c16:uniqueId val=\"{1}\" /></a:ext></a:extLst>"},
       {"an extension without content", "<a:extLst><a:ext uri=\"{D}\"/></a:extLst>",
        "<a:extLst><a:ext uri=\"{D}\" /></a:extLst>"},
       {"another element in the list is reported", "<a:extLst><a:extra/><a:ext uri=\"{E}\"/></a:extLst>",
        "<a:extLst><a:ext uri=\"{E}\" /></a:extLst>", "Row 0: Unknown Element \"a:extra\""}});
}

}  // namespace
}  // namespace ooxml::drawingml
