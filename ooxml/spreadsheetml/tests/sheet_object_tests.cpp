// Smart tags, drawing references, OLE objects, controls, web publishing items and table parts.
#include <gtest/gtest.h>

#include "ooxml/spreadsheetml/tests/sml_testing.h"

namespace ooxml::sml {
namespace {

TEST(SmlSheetReferences, RelationshipIdsUnderAnyPrefix) {
  ExpectRoundTrips<TCT_Drawing>(
      u"drawing",
      {{"r:id round-trips", "<drawing r:id=\"rId1\"/>", "<drawing r:id=\"rId1\" />"},
       {"another prefix of the namespace is read and written back as r:id",
        "<drawing xmlns:rel=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" rel:id=\"rId7\"/>",
        "<drawing r:id=\"rId7\" xmlns:rel=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" />"},
       {"no id: not written", "<drawing/>", "<drawing/>"}});
  ExpectRoundTrips<TCT_TableParts>(
      u"tableParts",
      {{"two parts in order, the count kept",
        "<tableParts count=\"2\"><tablePart r:id=\"rId3\"/><tablePart r:id=\"rId2\"/></tableParts>",
        "<tableParts count=\"2\" ><tablePart r:id=\"rId3\" /><tablePart r:id=\"rId2\" /></tableParts>"},
       {"without a count none is written", "<tableParts><tablePart r:id=\"rId3\"/></tableParts>",
        "<tableParts><tablePart r:id=\"rId3\" /></tableParts>"}});
  ReadInto<TCT_TableParts> parts("<tableParts count=\"1\"><tablePart r:id=\"rId3\"/></tableParts>");
  parts.obj.Clear();
  EXPECT_EQ(parts.obj.tablePart.Count(), 0);
  EXPECT_EQ(parts.obj.CheckAssigned(), 0) << "cleared, it is not written until new parts are added";
  parts.obj.tablePart.Add()->r_id = u"rId9";
  EXPECT_EQ(parts.Written(u"tableParts"), "<tableParts><tablePart r:id=\"rId9\" /></tableParts>");
}

TEST(SmlWebPublishItems, RequiredAttributesWritten) {
  ExpectRoundTrips<TCT_WebPublishItems>(
      u"webPublishItems",
      {{"only an id: divId and destinationFile written empty",
        "<webPublishItems><webPublishItem id=\"1\"/></webPublishItems>",
        "<webPublishItems><webPublishItem id=\"1\" divId=\"\" destinationFile=\"\" /></webPublishItems>"},
       {"every attribute, in class order",
        "<webPublishItems count=\"1\"><webPublishItem autoRepublish=\"1\" title=\"T\" destinationFile=\"a.htm\" "
        "sourceObject=\"Chart 1\" sourceRef=\"A1:B2\" sourceType=\"range\" divId=\"d\" id=\"2\"/></webPublishItems>",
        "<webPublishItems count=\"1\" ><webPublishItem id=\"2\" divId=\"d\" sourceType=\"range\" sourceRef=\"A1:B2\" "
        "sourceObject=\"Chart 1\" destinationFile=\"a.htm\" title=\"T\" autoRepublish=\"1\" /></webPublishItems>"}});
}

TEST(SmlSmartTags, TagsAndProperties) {
  ExpectRoundTrips<TCT_SmartTags>(
      u"smartTags",
      {{"type 0 without flags written without attributes, holding its properties",
        "<smartTags><cellSmartTags r=\"A1\"><cellSmartTag type=\"0\"><cellSmartTagPr key=\"a\"/>"
        "<cellSmartTagPr key=\"b\" val=\"2\"/></cellSmartTag><cellSmartTag type=\"1\" deleted=\"1\"/>"
        "</cellSmartTags></smartTags>",
        "<smartTags><cellSmartTags r=\"A1\" ><cellSmartTag type=\"0\" ><cellSmartTagPr key=\"a\" val=\"\" />"
        "<cellSmartTagPr key=\"b\" val=\"2\" /></cellSmartTag><cellSmartTag type=\"1\" deleted=\"1\" />"
        "</cellSmartTags></smartTags>"}});
}

TEST(SmlOleObjects, AttributesAndAlternateContent) {
  ExpectRoundTrips<TCT_OleObjects>(
      u"oleObjects",
      {{"dvAspect and shapeId written back, oleUpdate absent not written",
        "<oleObjects><oleObject progId=\"Package\" dvAspect=\"DVASPECT_ICON\" shapeId=\"1025\" r:id=\"rId4\"/>"
        "</oleObjects>",
        "<oleObjects><oleObject progId=\"Package\" dvAspect=\"DVASPECT_ICON\" shapeId=\"1025\" r:id=\"rId4\" />"
        "</oleObjects>"},
       // Newer producers put the same object twice: a richer form for readers that know it, and the
       // plain form in the fallback. Only the fallback is read: one object, not two.
       {"alternate content is read once, from its fallback",
        "<oleObjects xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\">"
        "<mc:AlternateContent><mc:Choice Requires=\"x14\"><oleObject progId=\"Word.Document.12\" shapeId=\"1026\" "
        "r:id=\"rId5\"><objectPr defaultSize=\"0\" r:id=\"rId6\"/></oleObject></mc:Choice>"
        "<mc:Fallback><oleObject progId=\"Word.Document.12\" shapeId=\"1026\" r:id=\"rId5\"/></mc:Fallback>"
        "</mc:AlternateContent></oleObjects>",
        "<oleObjects xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" >"
        "<oleObject progId=\"Word.Document.12\" shapeId=\"1026\" r:id=\"rId5\" /></oleObjects>"}});
  ExpectRoundTrips<TCT_Controls>(
      u"controls",
      {{"controls with their required attributes",
        "<controls><control shapeId=\"1027\" r:id=\"rId8\" name=\"Check Box 1\"/><control name=\"x\"/></controls>",
        "<controls><control shapeId=\"1027\" r:id=\"rId8\" name=\"Check Box 1\" />"
        "<control shapeId=\"0\" r:id=\"\" name=\"x\" /></controls>"}});
}

}  // namespace
}  // namespace ooxml::sml
