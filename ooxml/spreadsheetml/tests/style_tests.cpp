// Style leaves and the style sheet: what each class reads and writes back.
#include <gtest/gtest.h>

#include "ooxml/spreadsheetml/tests/sml_testing.h"

namespace ooxml::sml {
namespace {

TEST(SmlFont, PropertiesReadAndWriteBack) {
  ExpectRoundTrips<TCT_Font>(
      u"font",
      {{"bare b is bold", "<font><b/></font>", "<font><b/></font>"},
       {"b off is not written", "<font><b val=\"0\"/></font>", "<font/>"},
       {"b val that is no Boolean word reads as true", "<font><b val=\"maybe\"/></font>", "<font><b/></font>"},
       {"b val true is written bare", "<font><i val=\"true\"/><strike val=\"1\"/></font>",
        "<font><i/><strike/></font>"},
       {"bare u is a single underline, written bare", "<font><u/></font>", "<font><u/></font>"},
       {"u single written bare", "<font><u val=\"single\"/></font>", "<font><u/></font>"},
       {"u none is not written", "<font><u val=\"none\"/></font>", "<font/>"},
       {"u double keeps its val", "<font><u val=\"double\"/></font>", "<font><u val=\"double\" /></font>"},
       {"zero charset, family and size are not written",
        "<font><charset val=\"0\"/><family val=\"0\"/><sz val=\"0\"/></font>", "<font/>"},
       {"a property that comes twice replaces the first", "<font><sz val=\"10\"/><sz val=\"12\"/><b/><b val=\"0\"/></font>",
        "<font><sz val=\"12\" /></font>"},
       {"written in the class order",
        "<font><sz val=\"11\"/><color theme=\"1\"/><name val=\"Calibri\"/><family val=\"2\"/><scheme val=\"minor\"/>"
        "<vertAlign val=\"superscript\"/><charset val=\"134\"/></font>",
        "<font><name val=\"Calibri\" /><charset val=\"134\" /><family val=\"2\" /><color theme=\"1\" /><sz val=\"11\" />"
        "<vertAlign val=\"superscript\" /><scheme val=\"minor\" /></font>"},
       {"every attribute of a property is read",
        "<font><name foo=\"x\" val=\"Arial\"/></font>", "<font><name val=\"Arial\" foo=\"x\" /></font>",
        "Row 0: Unknown Attribute \"foo\""},
       {"an unknown child is reported", "<font><sz val=\"9\"/><blink/></font>", "<font><sz val=\"9\" /></font>",
        "Row 0: Unknown Element \"blink\""}});
}

TEST(SmlFont, BarePropertiesHoldTheirValues) {
  ReadInto<TCT_Font> r("<font><b/><u/><outline val=\"0\"/></font>");
  EXPECT_TRUE(r.obj.b->val);
  EXPECT_FALSE(r.obj.i->val);
  EXPECT_FALSE(r.obj.outline->val);
  EXPECT_EQ(r.obj.u->val, 0) << "single";
  EXPECT_TRUE(r.obj.u->WasRead());
  ReadInto<TCT_Font> none("<font/>");
  EXPECT_EQ(none.obj.u->val, 4) << "none";
}

TEST(SmlColor, ValuesReadAndWriteBack) {
  ExpectRoundTrips<TCT_Color>(
      u"color",
      {{"palette index 0 is kept", "<color indexed=\"0\"/>", "<color indexed=\"0\" />"},
       {"opaque white is a colour", "<color rgb=\"FFFFFFFF\"/>", "<color rgb=\"FFFFFFFF\" />"},
       {"hex digits in any case", "<color rgb=\"ff00ff00\"/>", "<color rgb=\"FF00FF00\" />"},
       {"six digits are the low bytes", "<color rgb=\"00FF00\"/>", "<color rgb=\"0000FF00\" />"},
       {"theme 0 with a tint", "<color tint=\"-0.499984740745262\" theme=\"0\"/>",
        "<color theme=\"0\" tint=\"-0.499984740745262\" />"},
       {"automatic", "<color auto=\"1\"/>", "<color auto=\"1\" />"},
       {"nothing set", "<color/>", "<color/>"}});
  ReadInto<TCT_Color> white("<color rgb=\"FFFFFFFF\"/>");
  EXPECT_EQ(white.obj.rgb, 0xFFFFFFFF);
  EXPECT_EQ(white.obj.CheckAssigned(), 1);
  ReadInto<TCT_Color> unset("<color/>");
  EXPECT_EQ(unset.obj.rgb, -1);
  EXPECT_EQ(unset.obj.indexed, -1);
  EXPECT_EQ(unset.obj.theme, -1);
}

TEST(SmlFills, PatternGradientAndStops) {
  ExpectRoundTrips<TCT_Fill>(
      u"fill",
      {{"pattern and gradient are both written",
        "<fill><patternFill patternType=\"solid\"><fgColor rgb=\"FFFF0000\"/><bgColor indexed=\"64\"/></patternFill>"
        "<gradientFill degree=\"90\"><stop position=\"0\"><color theme=\"0\"/></stop>"
        "<stop position=\"1\"><color theme=\"4\"/></stop></gradientFill></fill>",
        "<fill><patternFill patternType=\"solid\" ><fgColor rgb=\"FFFF0000\" /><bgColor indexed=\"64\" /></patternFill>"
        "<gradientFill degree=\"90\" ><stop position=\"0\" ><color theme=\"0\" /></stop>"
        "<stop position=\"1\" ><color theme=\"4\" /></stop></gradientFill></fill>"},
       {"a stop at 0 keeps its position", "<fill><gradientFill type=\"path\" left=\"0.5\"><stop position=\"0\"/></gradientFill></fill>",
        "<fill><gradientFill type=\"path\" left=\"0.5\" ><stop position=\"0\" /></gradientFill></fill>"},
       {"linear is not written", "<fill><gradientFill type=\"linear\"><stop position=\"0.25\"/></gradientFill></fill>",
        "<fill><gradientFill><stop position=\"0.25\" /></gradientFill></fill>"},
       {"a pattern without type or colours holds nothing", "<fill><patternFill/></fill>", "<fill/>"}});
}

TEST(SmlBorders, SidesFlagsAndEmptyBorders) {
  ExpectRoundTrips<TCT_Border>(
      u"border",
      {{"sides with style or colour", "<border diagonalUp=\"1\" outline=\"0\"><left style=\"thin\"><color indexed=\"64\"/></left>"
        "<right/><top style=\"none\"/><bottom><color auto=\"1\"/></bottom><diagonal/></border>",
        "<border diagonalUp=\"1\" outline=\"0\" ><left style=\"thin\" ><color indexed=\"64\" /></left>"
        "<bottom><color auto=\"1\" /></bottom></border>"},
       {"written in the class order", "<border><horizontal style=\"hair\"/><left style=\"double\"/></border>",
        "<border><left style=\"double\" /><horizontal style=\"hair\" /></border>"}});
  ExpectRoundTrips<TCT_Borders>(
      u"borders", {{"one empty border", "<borders count=\"1\"><border/></borders>", "<borders count=\"1\" ><border/></borders>"},
                   {"without count", "<borders><border/><border/></borders>", "<borders><border/><border/></borders>"}});
}

TEST(SmlFormatLeaves, AlignmentProtectionNumberFormatPalette) {
  ExpectRoundTrips<TCT_CellAlignment>(
      u"alignment",
      {{"every attribute", "<alignment horizontal=\"center\" vertical=\"top\" textRotation=\"90\" wrapText=\"1\" indent=\"2\" "
        "relativeIndent=\"-1\" justifyLastLine=\"1\" shrinkToFit=\"1\" readingOrder=\"2\"/>",
        "<alignment horizontal=\"center\" vertical=\"top\" textRotation=\"90\" wrapText=\"1\" indent=\"2\" "
        "relativeIndent=\"-1\" justifyLastLine=\"1\" shrinkToFit=\"1\" readingOrder=\"2\" />"},
       {"defaults are not written", "<alignment horizontal=\"general\" wrapText=\"false\" indent=\"0\"/>",
        "<alignment horizontal=\"general\" />"}});
  ExpectRoundTrips<TCT_CellProtection>(
      u"protection", {{"without locked reads as locked", "<protection hidden=\"1\"/>", "<protection hidden=\"1\" />"},
                      {"unlocked", "<protection locked=\"0\"/>", "<protection locked=\"0\" />"},
                      {"no Boolean word reads as false", "<protection locked=\"maybe\"/>", "<protection locked=\"0\" />"}});
  ReadInto<TCT_CellProtection> locked("<protection hidden=\"1\"/>");
  EXPECT_TRUE(locked.obj.locked);
  ExpectRoundTrips<TCT_NumFmt>(
      u"numFmt", {{"id 0 with a code writes both", "<numFmt numFmtId=\"0\" formatCode=\"General\"/>",
                   "<numFmt numFmtId=\"0\" formatCode=\"General\" />"},
                  {"code with quotes and escapes", "<numFmt formatCode=\"&quot;x&quot;0_x0041_\" numFmtId=\"164\"/>",
                   "<numFmt numFmtId=\"164\" formatCode=\"&quot;x&quot;0A\" />"}});
  ReadInto<TCT_NumFmt> escaped("<numFmt formatCode=\"a_x0041_b\" numFmtId=\"164\"/>");
  EXPECT_EQ(escaped.obj.formatCode, u"aAb");
  ExpectRoundTrips<TCT_IndexedColors>(
      u"indexedColors", {{"black with alpha 0 is a palette entry",
                          "<indexedColors><rgbColor rgb=\"00000000\"/><rgbColor rgb=\"00FFFFFF\"/><rgbColor/></indexedColors>",
                          "<indexedColors><rgbColor rgb=\"00000000\" /><rgbColor rgb=\"00FFFFFF\" /><rgbColor/></indexedColors>"}});
}

TEST(SmlStyleSheet, ContainersAndFormats) {
  ExpectRoundTrips<TCT_Fonts>(
      u"fonts", {{"count written as stored", "<fonts count=\"5\"><font><sz val=\"10\"/></font></fonts>",
                  "<fonts count=\"5\" ><font><sz val=\"10\" /></font></fonts>"},
                 {"count 0 is not written", "<fonts count=\"0\"><font><sz val=\"10\"/></font></fonts>",
                  "<fonts><font><sz val=\"10\" /></font></fonts>"},
                 {"empty fonts are kept: formats refer to them by position", "<fonts count=\"2\"><font/><font><b/></font></fonts>",
                  "<fonts count=\"2\" ><font/><font><b/></font></fonts>"},
                 {"only empty fonts, no count", "<fonts><font/></fonts>", "<fonts><font/></fonts>"},
                 {"another child is reported", "<fonts><font/><fill/></fonts>", "<fonts><font/></fonts>",
                  "Row 0: Unknown Element \"fill\""}});
  ExpectRoundTrips<TCT_CellXfs>(
      u"cellXfs",
      {{"a format with nothing set writes its five indexes", "<cellXfs count=\"1\"><xf/></cellXfs>",
        "<cellXfs count=\"1\" ><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" /></cellXfs>"},
       {"flags, alignment and protection",
        "<cellXfs><xf numFmtId=\"164\" fontId=\"1\" fillId=\"2\" borderId=\"1\" xfId=\"0\" applyFont=\"true\" "
        "applyFill=\"false\" applyAlignment=\"1\" applyProtection=\"1\"><alignment wrapText=\"1\"/><protection locked=\"0\"/></xf></cellXfs>",
        "<cellXfs><xf numFmtId=\"164\" fontId=\"1\" fillId=\"2\" borderId=\"1\" xfId=\"0\" applyFont=\"1\" applyAlignment=\"1\" "
        "applyProtection=\"1\" ><alignment wrapText=\"1\" /><protection locked=\"0\" /></xf></cellXfs>"}});
  ExpectRoundTrips<TCT_CellStyles>(
      u"cellStyles",
      {{"builtinId 0 is the Normal style and is kept", "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>",
        "<cellStyles count=\"1\" ><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\" /></cellStyles>"},
       {"a style with nothing set is an empty element", "<cellStyles><cellStyle/></cellStyles>", "<cellStyles><cellStyle/></cellStyles>"},
       {"flags", "<cellStyles><cellStyle name=\"x\" xfId=\"3\" iLevel=\"1\" hidden=\"1\" customBuiltin=\"1\"/></cellStyles>",
        "<cellStyles><cellStyle name=\"x\" xfId=\"3\" iLevel=\"1\" hidden=\"1\" customBuiltin=\"1\" /></cellStyles>"}});
  ExpectRoundTrips<TCT_Dxfs>(
      u"dxfs",
      {{"an empty differential format is kept", "<dxfs count=\"1\"><dxf/></dxfs>", "<dxfs count=\"1\" ><dxf/></dxfs>"},
       {"an underline alone is a differential format's content", "<dxfs count=\"1\"><dxf><font><u/></font></dxf></dxfs>",
        "<dxfs count=\"1\" ><dxf><font><u/></font></dxf></dxfs>"},
       {"children in the class order",
        "<dxfs><dxf><border><left style=\"thin\"/></border><fill><patternFill><bgColor rgb=\"FFFFC7CE\"/></patternFill></fill>"
        "<font><color rgb=\"FF9C0006\"/></font><numFmt numFmtId=\"0\" formatCode=\"0\"/><protection hidden=\"1\"/>"
        "<alignment horizontal=\"left\"/></dxf></dxfs>",
        "<dxfs><dxf><font><color rgb=\"FF9C0006\" /></font><numFmt numFmtId=\"0\" formatCode=\"0\" />"
        "<fill><patternFill><bgColor rgb=\"FFFFC7CE\" /></patternFill></fill><alignment horizontal=\"left\" />"
        "<border><left style=\"thin\" /></border><protection hidden=\"1\" /></dxf></dxfs>"}});
  ExpectRoundTrips<TCT_TableStyles>(
      u"tableStyles",
      {{"dxfId 0 is kept, size 1 and true flags are not written",
        "<tableStyles count=\"1\" defaultTableStyle=\"TableStyleMedium2\" defaultPivotStyle=\"PivotStyleLight16\">"
        "<tableStyle name=\"S\" pivot=\"1\" table=\"1\" count=\"2\"><tableStyleElement type=\"wholeTable\" size=\"1\" dxfId=\"0\"/>"
        "<tableStyleElement type=\"firstRowStripe\" size=\"2\" dxfId=\"1\"/></tableStyle></tableStyles>",
        "<tableStyles count=\"1\" defaultTableStyle=\"TableStyleMedium2\" defaultPivotStyle=\"PivotStyleLight16\" >"
        "<tableStyle name=\"S\" count=\"2\" ><tableStyleElement type=\"wholeTable\" dxfId=\"0\" />"
        "<tableStyleElement type=\"firstRowStripe\" size=\"2\" dxfId=\"1\" /></tableStyle></tableStyles>"},
       {"pivot off", "<tableStyles><tableStyle name=\"P\" pivot=\"0\"/></tableStyles>",
        "<tableStyles><tableStyle name=\"P\" pivot=\"0\" /></tableStyles>"}});
}

TEST(SmlStyleSheet, PartReadsAndWritesInSchemaOrder) {
  LoadedPart p;
  p.Load(
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
      "<colors><mruColors><color rgb=\"FFFFFFFF\"/></mruColors></colors>"
      "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/></cellXfs>"
      "<fonts count=\"1\"><font><color rgb=\"FFFFFFFF\"/><sz val=\"10\"/></font></fonts>"
      "</styleSheet>");
  EXPECT_EQ(Joined(p.reports), "");
  ASSERT_NE(p.doc.GetStyleSheet(), nullptr);
  EXPECT_EQ(p.doc.GetStyleSheet()->fonts->font.Count(), 1);
  EXPECT_EQ(p.Saved(),
            "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"\n>"
            "<fonts count=\"1\" ><font><color rgb=\"FFFFFFFF\" /><sz val=\"10\" /></font></fonts>"
            "<cellXfs count=\"1\" ><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" /></cellXfs>"
            "<colors><mruColors><color rgb=\"FFFFFFFF\" /></mruColors></colors></styleSheet>");
}

}  // namespace
}  // namespace ooxml::sml
