// A document of DrawingML fragments: a "fragments" element whose children are any of the outermost
// elements the DrawingML main classes bind, each read into an object of its class and written back
// in document order. The interop test reads the fixtures' fragments through it; the fuzz target
// reads anything through it.
#pragma once

#include <string_view>

#include "ooxml/binding/xpg_document.h"
#include "ooxml/drawingml/drawingml_main.h"

namespace ooxml::drawingml {

// The bound elements in document order, each read into an object of its class.
class Fragments : public TXPGBase {
public:
  explicit Fragments(TXPGDocBase* owner) : TXPGBase(owner), items(owner) {}
  TXPGBase* HandleElement(TXPGReader& reader) override {
    const std::string_view n = reader.RawQualifiedName();
    TXPGBase* o = nullptr;
    if (n == "a:noFill") o = items.Add<TCT_NoFillProperties>(u"a:noFill");
    else if (n == "a:solidFill") o = items.Add<TCT_SolidColorFillProperties>(u"a:solidFill");
    else if (n == "a:gradFill") o = items.Add<TCT_GradientFillProperties>(u"a:gradFill");
    else if (n == "a:blipFill") o = items.Add<TCT_BlipFillProperties>(u"a:blipFill");
    else if (n == "xdr:blipFill") o = items.Add<TCT_BlipFillProperties>(u"xdr:blipFill");
    else if (n == "a:pattFill") o = items.Add<TCT_PatternFillProperties>(u"a:pattFill");
    else if (n == "a:grpFill") o = items.Add<TCT_GroupFillProperties>(u"a:grpFill");
    else if (n == "a:ln") o = items.Add<TCT_LineProperties>(u"a:ln");
    else if (n == "a:effectLst") o = items.Add<TCT_EffectList>(u"a:effectLst");
    else if (n == "a:effectDag") o = items.Add<TCT_EffectContainer>(u"a:effectDag");
    else if (n == "a:rPr") o = items.Add<TCT_TextCharacterProperties>(u"a:rPr");
    else if (n == "a:defRPr") o = items.Add<TCT_TextCharacterProperties>(u"a:defRPr");
    else if (n == "a:endParaRPr") o = items.Add<TCT_TextCharacterProperties>(u"a:endParaRPr");
    else if (n == "a:lnSpc") o = items.Add<TCT_TextSpacing>(u"a:lnSpc");
    else if (n == "a:spcBef") o = items.Add<TCT_TextSpacing>(u"a:spcBef");
    else if (n == "a:spcAft") o = items.Add<TCT_TextSpacing>(u"a:spcAft");
    else if (n == "a:buFont") o = items.Add<TCT_TextFont>(u"a:buFont");
    else if (n == "a:buChar") o = items.Add<TCT_TextCharBullet>(u"a:buChar");
    else if (n == "a:buAutoNum") o = items.Add<TCT_TextAutonumberBullet>(u"a:buAutoNum");
    else if (n == "a:buNone") o = items.Add<TCT_TextNoBullet>(u"a:buNone");
    else if (n == "a:buClr") o = items.Add<TCT_Color>(u"a:buClr");
    else if (n == "a:buClrTx") o = items.Add<TCT_TextBulletColorFollowText>(u"a:buClrTx");
    else if (n == "a:buSzTx") o = items.Add<TCT_TextBulletSizeFollowText>(u"a:buSzTx");
    else if (n == "a:buSzPct") o = items.Add<TCT_TextBulletSizePercent>(u"a:buSzPct");
    else if (n == "a:buSzPts") o = items.Add<TCT_TextBulletSizePoint>(u"a:buSzPts");
    else if (n == "a:buFontTx") o = items.Add<TCT_TextBulletTypefaceFollowText>(u"a:buFontTx");
    else if (n == "a:buBlip") o = items.Add<TCT_TextBlipBullet>(u"a:buBlip");
    else if (n == "a:tabLst") o = items.Add<TCT_TextTabStopList>(u"a:tabLst");
    else if (n == "a:hlinkClick") o = items.Add<TCT_Hyperlink>(u"a:hlinkClick");
    else if (n == "a:hlinkHover") o = items.Add<TCT_Hyperlink>(u"a:hlinkHover");
    else if (n == "a:extLst") o = items.Add<TCT_OfficeArtExtensionList>(u"a:extLst");
    else if (n == "a:prstGeom") o = items.Add<TCT_PresetGeometry2D>(u"a:prstGeom");
    else if (n == "a:custGeom") o = items.Add<TCT_CustomGeometry2D>(u"a:custGeom");
    else if (n == "a:prstTxWarp") o = items.Add<TCT_PresetTextShape>(u"a:prstTxWarp");
    else if (n == "a:scene3d") o = items.Add<TCT_Scene3D>(u"a:scene3d");
    else if (n == "a:sp3d") o = items.Add<TCT_Shape3D>(u"a:sp3d");
    else if (n == "a:flatTx") o = items.Add<TCT_FlatText>(u"a:flatTx");
    else if (n == "a:bodyPr") o = items.Add<TCT_TextBodyProperties>(u"a:bodyPr");
    else if (n == "a:lstStyle") o = items.Add<TCT_TextListStyle>(u"a:lstStyle");
    else if (n == "a:p") o = items.Add<TCT_TextParagraph>(u"a:p");
    else if (n == "a:pPr") o = items.Add<TCT_TextParagraphProperties>(u"a:pPr");
    else if (n == "c:txPr") o = items.Add<TCT_TextBody>(u"c:txPr");
    else if (n == "c:rich") o = items.Add<TCT_TextBody>(u"c:rich");
    else if (n == "xdr:txBody") o = items.Add<TCT_TextBody>(u"xdr:txBody");
    else if (n == "xdr:sp") o = items.Add<TCT_Shape>(u"xdr:sp");
    else if (n == "xdr:spPr") o = items.Add<TCT_ShapeProperties>(u"xdr:spPr");
    else if (n == "c:spPr") o = items.Add<TCT_ShapeProperties>(u"c:spPr");
    else if (n == "xdr:grpSpPr") o = items.Add<TCT_GroupShapeProperties>(u"xdr:grpSpPr");
    else if (n == "xdr:style") o = items.Add<TCT_ShapeStyle>(u"xdr:style");
    else if (n == "xdr:xfrm") o = items.Add<TCT_Transform2D>(u"xdr:xfrm");
    else if (n == "a:xfrm") o = items.Add<TCT_Transform2D>(u"a:xfrm");
    if (!o) {
      ReportUnknownElement(reader);
      return this;
    }
    o->FAssigned = xaRead;
    return o;
  }
  int CheckAssigned() override {
    FAssigned = items.CheckAssigned() > 0 ? xaElements : 0;
    return FAssigned ? 1 : 0;
  }
  void WriteElements(TXpgWriteXML& writer) override { items.Write(writer); }

  TXPGOrderedList items;
};

class FragmentsRoot : public TXPGRootBase {
public:
  explicit FragmentsRoot(TXPGDocBase* owner) : TXPGRootBase(owner), fragments(owner) {}
  void WriteElements(TXpgWriteXML& writer) override {
    WriteRootAttributes(writer);
    XpgWriteElement(writer, u"fragments", fragments);
  }
  int CheckAssigned() override { return fragments.CheckAssigned(); }
  Fragments fragments;

protected:
  TXPGBase* DispatchRoot(TXPGReader& reader) override {
    if (reader.RawQualifiedName() == "fragments") return &fragments;
    ReportUnknownElement(reader);
    return nullptr;
  }
};

class FragmentsDoc : public TXPGDocBase, public TXpgPictureHost {
public:
  FragmentsDoc() : TXPGDocBase(kXpgDrawingPolicy), root_(this) {}

protected:
  TXPGBase& RootObject() override { return root_; }

private:
  FragmentsRoot root_;
};

}  // namespace ooxml::drawingml
