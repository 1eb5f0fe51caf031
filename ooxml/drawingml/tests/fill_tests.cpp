// Fills and the picture reference: what each class reads and writes back, and pictures resolved
// through the workbook's picture store and written into the package once per save.
#include <gtest/gtest.h>

#include <vector>

#include "ooxml/drawingml/tests/dml_testing.h"

namespace ooxml::drawingml {
namespace {

TEST(DmlFill, FillChoiceReadsAndWritesBack) {
  ExpectRoundTrips<TEG_FillProperties, true>(
      u"a:spPr",
      {{"no fill", "<a:spPr><a:noFill/></a:spPr>", "<a:spPr><a:noFill/></a:spPr>"},
       {"group fill", "<a:spPr><a:grpFill/></a:spPr>", "<a:spPr><a:grpFill/></a:spPr>"},
       {"solid fill", "<a:spPr><a:solidFill><a:srgbClr val=\"4F81BD\"/></a:solidFill></a:spPr>",
        "<a:spPr><a:solidFill><a:srgbClr val=\"4F81BD\" /></a:solidFill></a:spPr>"},
       {"two fills are both kept, in the group's order",
        "<a:spPr><a:solidFill><a:schemeClr val=\"bg1\"/></a:solidFill><a:noFill/></a:spPr>",
        "<a:spPr><a:noFill/><a:solidFill><a:schemeClr val=\"bg1\" /></a:solidFill></a:spPr>"},
       {"stops in document order, a stop without pos written as unset",
        "<a:spPr><a:gradFill rotWithShape=\"1\"><a:gsLst><a:gs pos=\"0\"><a:srgbClr val=\"FF0000\"/></a:gs>"
        "<a:gs><a:srgbClr val=\"00FF00\"/></a:gs><a:gs pos=\"100000\"><a:srgbClr val=\"0000FF\"/></a:gs>"
        "</a:gsLst></a:gradFill></a:spPr>",
        "<a:spPr><a:gradFill rotWithShape=\"1\" ><a:gsLst><a:gs pos=\"0\" ><a:srgbClr val=\"FF0000\" /></a:gs>"
        "<a:gs pos=\"2147483632\" ><a:srgbClr val=\"00FF00\" /></a:gs><a:gs pos=\"100000\" >"
        "<a:srgbClr val=\"0000FF\" /></a:gs></a:gsLst></a:gradFill></a:spPr>"},
       {"linear shading after the stops",
        "<a:spPr><a:gradFill flip=\"xy\"><a:lin ang=\"5400000\" scaled=\"1\"/><a:gsLst><a:gs pos=\"0\">"
        "<a:prstClr val=\"black\"/></a:gs></a:gsLst><a:tileRect r=\"-100000\"/></a:gradFill></a:spPr>",
        "<a:spPr><a:gradFill flip=\"xy\" ><a:gsLst><a:gs pos=\"0\" ><a:prstClr val=\"black\" /></a:gs></a:gsLst>"
        "<a:lin ang=\"5400000\" scaled=\"1\" /><a:tileRect r=\"-100000\" /></a:gradFill></a:spPr>"},
       {"path shading with its rectangle",
        "<a:spPr><a:gradFill><a:path path=\"circle\"><a:fillToRect l=\"50000\" t=\"50000\" r=\"50000\" b=\"50000\"/>"
        "</a:path></a:gradFill></a:spPr>",
        "<a:spPr><a:gradFill><a:path path=\"circle\" ><a:fillToRect l=\"50000\" t=\"50000\" r=\"50000\" b=\"50000\" />"
        "</a:path></a:gradFill></a:spPr>"},
       {"tile attributes with equal byte sums stay apart",
        "<a:spPr><a:blipFill><a:tile sx=\"50000\" algn=\"ctr\"/></a:blipFill></a:spPr>",
        "<a:spPr><a:blipFill><a:tile sx=\"50000\" algn=\"ctr\" /></a:blipFill></a:spPr>"},
       {"each tile offset and scale in its own field",
        "<a:spPr><a:blipFill dpi=\"96\"><a:tile sy=\"4\" tx=\"1\" sx=\"3\" ty=\"2\" flip=\"x\"/></a:blipFill></a:spPr>",
        "<a:spPr><a:blipFill dpi=\"96\" ><a:tile tx=\"1\" ty=\"2\" sx=\"3\" sy=\"4\" flip=\"x\" /></a:blipFill></a:spPr>"},
       {"a stretch whose rectangle has no edge is an empty stretch",
        "<a:spPr><a:blipFill><a:stretch><a:fillRect/></a:stretch></a:blipFill></a:spPr>",
        "<a:spPr><a:blipFill><a:stretch/></a:blipFill></a:spPr>"},
       {"a stretch with an edge", "<a:spPr><a:blipFill><a:stretch><a:fillRect l=\"10000\"/></a:stretch></a:blipFill></a:spPr>",
        "<a:spPr><a:blipFill><a:stretch><a:fillRect l=\"10000\" /></a:stretch></a:blipFill></a:spPr>"},
       {"pattern with both colours",
        "<a:spPr><a:pattFill prst=\"dkDnDiag\"><a:fgClr><a:schemeClr val=\"tx1\"/></a:fgClr>"
        "<a:bgClr><a:srgbClr val=\"FFFFFF\"/></a:bgClr></a:pattFill></a:spPr>",
        "<a:spPr><a:pattFill prst=\"dkDnDiag\" ><a:fgClr><a:schemeClr val=\"tx1\" /></a:fgClr>"
        "<a:bgClr><a:srgbClr val=\"FFFFFF\" /></a:bgClr></a:pattFill></a:spPr>"},
       {"an unknown literal is reported and left unset; the load goes on",
        "<a:spPr><a:pattFill prst=\"pct99\"><a:fgClr><a:schemeClr val=\"tx1\"/></a:fgClr></a:pattFill></a:spPr>",
        "<a:spPr><a:pattFill><a:fgClr><a:schemeClr val=\"tx1\" /></a:fgClr></a:pattFill></a:spPr>",
        "Row 0: Unknown Attribute \"prst=\"pct99\"\""},
       {"an unknown element in a solid fill is reported once",
        "<a:spPr><a:solidFill><a:rainbow/><a:srgbClr val=\"123456\"/></a:solidFill></a:spPr>",
        "<a:spPr><a:solidFill><a:srgbClr val=\"123456\" /></a:solidFill></a:spPr>",
        "Row 0: Unknown Element \"a:rainbow\""}});
  ReadInto<TEG_FillProperties, true> none("<a:spPr><a:noFill/></a:spPr>");
  EXPECT_EQ(none.obj.CheckAssigned(), 1) << "a group holding only a:noFill counts 1";
  ReadInto<TEG_FillProperties, true> tile("<a:spPr><a:blipFill><a:tile sx=\"50000\"/></a:blipFill></a:spPr>");
  const TCT_TileInfoProperties& t = *tile.obj.blipFill->fillMode->tile;
  EXPECT_EQ(t.sx, 50000);
  EXPECT_EQ(t.tx, XPG_UNSET_INT);
  EXPECT_EQ(t.ty, XPG_UNSET_INT);
  EXPECT_EQ(t.sy, XPG_UNSET_INT);
}

TEST(DmlBlip, EffectsAndReferencesWithoutPictureStore) {
  ExpectRoundTrips<TCT_BlipFillProperties>(
      u"a:blipFill",
      {{"without a store (a chart part) the references are written as read",
        "<a:blipFill><a:blip xmlns:r=\"urn:r\" r:embed=\"rId3\" cstate=\"print\"/><a:srcRect b=\"10\"/><a:stretch/></a:blipFill>",
        "<a:blipFill><a:blip xmlns:r=\"urn:r\" r:embed=\"rId3\" cstate=\"print\" /><a:srcRect b=\"10\" />"
        "<a:stretch/></a:blipFill>"},
       {"picture effects keep their order; one that comes twice stays twice",
        "<a:blipFill><a:blip r:embed=\"rId1\"><a:tint amt=\"1\"/><a:lum bright=\"2\"/><a:tint hue=\"3\"/>"
        "<a:grayscl/></a:blip></a:blipFill>",
        "<a:blipFill><a:blip r:embed=\"rId1\" ><a:tint amt=\"1\" /><a:lum bright=\"2\" /><a:tint hue=\"3\" />"
        "<a:grayscl/></a:blip></a:blipFill>"},
       {"colour change with both colours, fill overlay with its fill",
        "<a:blipFill><a:blip r:embed=\"rId1\"><a:clrChange><a:clrFrom><a:srgbClr val=\"FFFFFF\"/></a:clrFrom>"
        "<a:clrTo><a:srgbClr val=\"FFFFFF\"><a:alpha val=\"0\"/></a:srgbClr></a:clrTo></a:clrChange>"
        "<a:fillOverlay blend=\"mult\"><a:solidFill><a:prstClr val=\"red\"/></a:solidFill></a:fillOverlay>"
        "<a:extLst><a:ext uri=\"{X}\"/></a:extLst></a:blip></a:blipFill>",
        "<a:blipFill><a:blip r:embed=\"rId1\" ><a:clrChange><a:clrFrom><a:srgbClr val=\"FFFFFF\" /></a:clrFrom>"
        "<a:clrTo><a:srgbClr val=\"FFFFFF\" ><a:alpha val=\"0\" /></a:srgbClr></a:clrTo></a:clrChange>"
        "<a:fillOverlay blend=\"mult\" ><a:solidFill><a:prstClr val=\"red\" /></a:solidFill></a:fillOverlay>"
        "<a:extLst><a:ext uri=\"{X}\" /></a:extLst></a:blip></a:blipFill>"},
       {"an unknown element in a blip is reported",
        "<a:blipFill><a:blip r:embed=\"rId1\"><a:sparkle/></a:blip></a:blipFill>",
        "<a:blipFill><a:blip r:embed=\"rId1\" /></a:blipFill>", "Row 0: Unknown Element \"a:sparkle\""}});
}

// The package being written: records the relationships asked for and the parts stored.
class RecordingPackage : public workbook::TXc12ImagePackage {
public:
  std::u16string RelateImage(int N, const std::u16string& Ext) override {
    const std::u16string target = u"../media/image" + core::u16(std::to_string(N)) + u"." + Ext;
    for (std::size_t i = 0; i < targets.size(); ++i)
      if (targets[i] == target) return u"rId" + core::u16(std::to_string(i + 1));
    targets.push_back(target);
    return u"rId" + core::u16(std::to_string(targets.size()));
  }
  void WriteImagePart(int N, const std::u16string& Ext, const std::uint8_t*, std::size_t Size) override {
    parts.push_back(u"image" + core::u16(std::to_string(N)) + u"." + Ext + u":" + core::u16(std::to_string(Size)));
  }
  std::vector<std::u16string> targets, parts;
};

TEST(DmlBlip, PicturesResolveThroughTheStore) {
  workbook::TXc12GraphicManager store(nullptr);
  workbook::TMemoryStream first(std::vector<std::uint8_t>{1, 2, 3});
  workbook::TMemoryStream second(std::vector<std::uint8_t>{4, 5, 6, 7});
  // The package reader registered the pictures of two drawings: rId2 of the first worksheet's,
  // rId2 of the second worksheet's (another picture under the same image relationship id).
  store.Images.AddFromPackage(first, u"png", u"image1.png", u"rId1", u"rId2");
  store.Images.AddFromPackage(second, u"jpeg", u"image2.jpeg", u"rId5", u"rId2");
  ASSERT_EQ(store.Images.Count(), 2);

  ReadInto<TCT_Blip> sheet2("<a:blip r:embed=\"rId2\" cstate=\"none\"/>", &store, u"rId5");
  EXPECT_EQ(sheet2.obj.Picture, store.Images.GetItems(1)) << "the pair (worksheet, image relationship) decides";
  ReadInto<TCT_Blip> sheet1("<a:blip r:embed=\"rId2\" cstate=\"email\"><a:grayscl/></a:blip>", &store, u"rId1");
  EXPECT_EQ(sheet1.obj.Picture, store.Images.GetItems(0));
  ReadInto<TCT_Blip> unmatched("<a:blip r:embed=\"rId9\"><a:tint amt=\"5\"/></a:blip>", &store, u"rId1");
  EXPECT_EQ(unmatched.obj.Picture, nullptr);

  RecordingPackage package;
  store.Package = &package;
  store.ResetWritten();
  EXPECT_EQ(sheet2.Written(u"a:blip"),
            "<a:blip xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" r:embed=\"rId1\" />")
      << "the new id of the picture's relationship; no cstate at none";
  EXPECT_EQ(sheet1.Written(u"a:blip"),
            "<a:blip xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" r:embed=\"rId2\" "
            "cstate=\"email\" ><a:grayscl/></a:blip>");
  EXPECT_EQ(sheet2.Written(u"a:blip"),
            "<a:blip xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" r:embed=\"rId1\" />")
      << "a picture used twice shares its relationship";
  EXPECT_EQ(package.parts, (std::vector<std::u16string>{u"image2.jpeg:4", u"image1.png:3"}))
      << "each picture's data is stored once per save";
  EXPECT_EQ(unmatched.Written(u"a:blip"), "<a:blip><a:tint amt=\"5\" /></a:blip>")
      << "a reference that found no picture would point nowhere: not written";
  sheet1.obj.Clear();
  EXPECT_EQ(sheet1.obj.Picture, nullptr);
  EXPECT_EQ(sheet1.obj.CheckAssigned(), 0) << "cleared: no picture, no effects, compression none";
}

TEST(DmlBlip, PictureInterfaceBuildsAStretchedPicture) {
  DmlProbeDoc doc;
  TCT_BlipFillProperties fill(&doc);
  fill.fillMode->Create_tile()->sx = 5;
  TCT_Blip* blip = fill.Create_blip();
  EXPECT_EQ(blip->cstate, 4) << "none";
  TCT_StretchInfoProperties* stretch = CreateStretch(*fill.fillMode);
  EXPECT_EQ(fill.fillMode->tile, nullptr) << "the tile is freed";
  EXPECT_EQ(CreateStretch(*fill.fillMode), stretch) << "a stretch held is kept";
  EXPECT_EQ(Compact(XpgWriteProbe(fill, u"a:blipFill", false)), "<a:blipFill><a:stretch/></a:blipFill>");
}

}  // namespace
}  // namespace ooxml::drawingml
