// Text character properties, hyperlinks, bullets, spacing and tab stops: what each class reads and
// writes back.
#include <gtest/gtest.h>

#include "ooxml/drawingml/tests/dml_testing.h"

namespace ooxml::drawingml {
namespace {

TEST(DmlTextCharacter, ReadsAndWritesBack) {
  ExpectRoundTrips<TCT_TextCharacterProperties>(
      u"a:rPr",
      {{"attributes in the class order", "<a:rPr sz=\"1100\" lang=\"en-US\"/>", "<a:rPr lang=\"en-US\" sz=\"1100\" />"},
       {"b false is written", "<a:rPr b=\"0\"/>", "<a:rPr b=\"0\" />"},
       {"no b, no b", "<a:rPr i=\"1\"/>", "<a:rPr i=\"1\" />"},
       {"dirty false is written, true is not", "<a:rPr dirty=\"0\" smtClean=\"1\" err=\"1\"/>",
        "<a:rPr dirty=\"0\" err=\"1\" />"},
       {"dirty true is its default", "<a:rPr dirty=\"1\"/>", "<a:rPr/>"},
       {"every attribute",
        "<a:rPr kumimoji=\"1\" lang=\"zh-CN\" altLang=\"en-US\" sz=\"900\" b=\"1\" i=\"0\" u=\"dotDotDashHeavy\" "
        "strike=\"dblStrike\" kern=\"1200\" cap=\"small\" spc=\"-10\" normalizeH=\"0\" baseline=\"30000\" noProof=\"1\" "
        "dirty=\"0\" err=\"1\" smtClean=\"0\" smtId=\"7\" bmk=\"_b\"/>",
        "<a:rPr kumimoji=\"1\" lang=\"zh-CN\" altLang=\"en-US\" sz=\"900\" b=\"1\" i=\"0\" u=\"dotDotDashHeavy\" "
        "strike=\"dblStrike\" kern=\"1200\" cap=\"small\" spc=\"-10\" normalizeH=\"0\" baseline=\"30000\" noProof=\"1\" "
        "dirty=\"0\" err=\"1\" smtClean=\"0\" smtId=\"7\" bmk=\"_b\" />"},
       {"strike and underline literals of their own types", "<a:rPr strike=\"sngStrike\" u=\"sng\"/>",
        "<a:rPr u=\"sng\" strike=\"sngStrike\" />"},
       {"a shape type literal is no strike, though both types share a key prefix",
        "<a:rPr strike=\"textPlain\" sz=\"800\"/>", "<a:rPr sz=\"800\" />",
        "Row 0: Unknown Attribute \"strike=\"textPlain\"\""},
       {"fill, then underline, then fonts",
        "<a:rPr><a:latin typeface=\"Calibri\"/><a:uLnTx/><a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill></a:rPr>",
        "<a:rPr><a:solidFill><a:srgbClr val=\"FF0000\" /></a:solidFill><a:uLnTx/><a:latin typeface=\"Calibri\" /></a:rPr>"},
       {"every child in its place",
        "<a:rPr><a:extLst><a:ext uri=\"{R}\"/></a:extLst><a:hlinkMouseOver r:id=\"rId2\"/><a:sym typeface=\"Wingdings\"/>"
        "<a:cs typeface=\"Mangal\"/><a:ea typeface=\"SimSun\" charset=\"-122\"/><a:uFill><a:solidFill>"
        "<a:srgbClr val=\"0000FF\"/></a:solidFill></a:uFill><a:uFillTx/><a:uLn w=\"9525\"><a:noFill/></a:uLn>"
        "<a:highlight><a:srgbClr val=\"FFFF00\"/></a:highlight><a:effectLst><a:glow rad=\"1\"/></a:effectLst>"
        "<a:ln w=\"3175\"/></a:rPr>",
        "<a:rPr><a:ln w=\"3175\" /><a:effectLst><a:glow rad=\"1\" /></a:effectLst><a:highlight>"
        "<a:srgbClr val=\"FFFF00\" /></a:highlight><a:uLn w=\"9525\" ><a:noFill/></a:uLn><a:uFillTx/><a:uFill>"
        "<a:solidFill><a:srgbClr val=\"0000FF\" /></a:solidFill></a:uFill><a:ea typeface=\"SimSun\" charset=\"-122\" />"
        "<a:cs typeface=\"Mangal\" /><a:sym typeface=\"Wingdings\" /><a:hlinkMouseOver r:id=\"rId2\" />"
        "<a:extLst><a:ext uri=\"{R}\" /></a:extLst></a:rPr>"},
       {"a font's character set 0 is written, 1 is its default",
        "<a:rPr><a:latin typeface=\"Arial\" charset=\"0\"/><a:cs typeface=\"Arial\" charset=\"1\"/></a:rPr>",
        "<a:rPr><a:latin typeface=\"Arial\" charset=\"0\" /><a:cs typeface=\"Arial\" /></a:rPr>"},
       {"a panose of twenty hexadecimal digits is kept",
        "<a:rPr><a:latin typeface=\"Calibri\" panose=\"020F0502020204030204\" pitchFamily=\"34\"/></a:rPr>",
        "<a:rPr><a:latin typeface=\"Calibri\" panose=\"020F0502020204030204\" pitchFamily=\"34\" /></a:rPr>"},
       {"an unknown attribute is reported and kept", "<a:rPr sz=\"1000\" shine=\"1\"/>",
        "<a:rPr sz=\"1000\" shine=\"1\" />", "Row 0: Unknown Attribute \"shine\""},
       {"an unknown element is reported once", "<a:rPr><a:glitter><a:x/></a:glitter><a:latin typeface=\"A\"/></a:rPr>",
        "<a:rPr><a:latin typeface=\"A\" /></a:rPr>", "Row 0: Unknown Element \"a:glitter\"; Row 0: Unknown Element \"a:x\""}});
}

TEST(DmlHyperlink, AttributesAreWritten) {
  ExpectRoundTrips<TCT_TextCharacterProperties>(
      u"a:rPr",
      {{"the relationship id is written back", "<a:rPr><a:hlinkClick r:id=\"rId1\"/></a:rPr>",
        "<a:rPr><a:hlinkClick r:id=\"rId1\" /></a:rPr>"},
       {"every attribute, in schema order",
        "<a:rPr><a:hlinkClick endSnd=\"1\" highlightClick=\"1\" history=\"0\" tooltip=\"a &amp; b\" tgtFrame=\"_top\" "
        "action=\"ppaction://hlinkshowjump?jump=nextslide\" invalidUrl=\"x\" r:id=\"rId3\"/></a:rPr>",
        "<a:rPr><a:hlinkClick r:id=\"rId3\" invalidUrl=\"x\" action=\"ppaction://hlinkshowjump?jump=nextslide\" "
        "tgtFrame=\"_top\" tooltip=\"a &amp; b\" history=\"0\" highlightClick=\"1\" endSnd=\"1\" /></a:rPr>"},
       {"a sound with its id, name and built-in flag",
        "<a:rPr><a:hlinkClick r:id=\"\"><a:snd r:embed=\"rId4\" name=\"chime\" builtIn=\"1\"/></a:hlinkClick></a:rPr>",
        "<a:rPr><a:hlinkClick><a:snd r:embed=\"rId4\" name=\"chime\" builtIn=\"1\" /></a:hlinkClick></a:rPr>"},
       {"a sound without its required id", "<a:rPr><a:hlinkClick><a:snd/></a:hlinkClick></a:rPr>",
        "<a:rPr><a:hlinkClick><a:snd r:embed=\"\" /></a:hlinkClick></a:rPr>"},
       {"an unknown attribute of a hyperlink is kept without a report",
        "<a:rPr><a:hlinkClick r:id=\"rId1\" xyz=\"1\"/></a:rPr>", "<a:rPr><a:hlinkClick r:id=\"rId1\" xyz=\"1\" /></a:rPr>"}});
}

TEST(DmlBullets, GroupsSpacingAndTabs) {
  ExpectRoundTrips<TEG_TextBullet, true>(
      u"a:pPr",
      {{"no bullet", "<a:pPr><a:buNone/></a:pPr>", "<a:pPr><a:buNone/></a:pPr>"},
       {"a character bullet without its character", "<a:pPr><a:buChar/></a:pPr>", "<a:pPr><a:buChar char=\"\" /></a:pPr>"},
       {"numbering starting at 1 is its default",
        "<a:pPr><a:buAutoNum type=\"arabicPeriod\" startAt=\"1\"/><a:buChar char=\"&#8226;\"/></a:pPr>",
        "<a:pPr><a:buAutoNum type=\"arabicPeriod\" /><a:buChar char=\"\xE2\x80\xA2\" /></a:pPr>"},
       {"a picture bullet", "<a:pPr><a:buBlip><a:blip r:embed=\"rId7\"/></a:buBlip></a:pPr>",
        "<a:pPr><a:buBlip><a:blip r:embed=\"rId7\" /></a:buBlip></a:pPr>"},
       {"a picture bullet without its picture is not written", "<a:pPr><a:buBlip/></a:pPr>", "<a:pPr></a:pPr>"}});
  ExpectRoundTrips<TEG_TextBulletTypeface, true>(
      u"a:pPr", {{"both alternatives are written", "<a:pPr><a:buFont typeface=\"Symbol\"/><a:buFontTx/></a:pPr>",
                  "<a:pPr><a:buFontTx/><a:buFont typeface=\"Symbol\" /></a:pPr>"}});
  ExpectRoundTrips<TEG_TextBulletColor, true>(
      u"a:pPr", {{"colour", "<a:pPr><a:buClr><a:schemeClr val=\"accent3\"/></a:buClr></a:pPr>",
                  "<a:pPr><a:buClr><a:schemeClr val=\"accent3\" /></a:buClr></a:pPr>"},
                 {"colour of the text", "<a:pPr><a:buClrTx/></a:pPr>", "<a:pPr><a:buClrTx/></a:pPr>"}});
  ExpectRoundTrips<TEG_TextBulletSize, true>(
      u"a:pPr", {{"every size alternative", "<a:pPr><a:buSzPts val=\"1200\"/><a:buSzPct val=\"75000\"/><a:buSzTx/></a:pPr>",
                  "<a:pPr><a:buSzTx/><a:buSzPct val=\"75000\" /><a:buSzPts val=\"1200\" /></a:pPr>"},
                 {"a size without val is not written", "<a:pPr><a:buSzPct/></a:pPr>", "<a:pPr></a:pPr>"}});
  ExpectRoundTrips<TCT_TextSpacing>(
      u"a:lnSpc", {{"percent", "<a:lnSpc><a:spcPct val=\"90000\"/></a:lnSpc>", "<a:lnSpc><a:spcPct val=\"90000\" /></a:lnSpc>"},
                   {"percent without val", "<a:lnSpc><a:spcPct/></a:lnSpc>",
                    "<a:lnSpc><a:spcPct val=\"2147483632\" /></a:lnSpc>"},
                   {"points, and an unknown element reported", "<a:lnSpc><a:spcEm/><a:spcPts val=\"600\"/></a:lnSpc>",
                    "<a:lnSpc><a:spcPts val=\"600\" /></a:lnSpc>", "Row 0: Unknown Element \"a:spcEm\""}});
  ExpectRoundTrips<TCT_TextTabStopList>(
      u"a:tabLst",
      {{"tabs in reading order", "<a:tabLst><a:tab pos=\"914400\" algn=\"dec\"/><a:tab pos=\"457200\"/></a:tabLst>",
        "<a:tabLst><a:tab pos=\"914400\" algn=\"dec\" /><a:tab pos=\"457200\" /></a:tabLst>"},
       {"a tab without attributes stays", "<a:tabLst><a:tab/></a:tabLst>", "<a:tabLst><a:tab/></a:tabLst>"}});
}

}  // namespace
}  // namespace ooxml::drawingml
