// Text bodies: body properties, list styles, paragraphs with their runs, line breaks and fields.
#include <gtest/gtest.h>

#include "ooxml/drawingml/tests/dml_testing.h"

namespace ooxml::drawingml {
namespace {

TEST(DmlTextBody, ParagraphsReadAndWriteBack) {
  ExpectRoundTrips<TCT_TextParagraph>(
      u"a:p",
      {{"runs, breaks and fields keep their order",
        "<a:p><a:r><a:t>one</a:t></a:r><a:br/><a:r><a:rPr b=\"1\"/><a:t>two</a:t></a:r><a:fld id=\"{F1}\" "
        "type=\"slidenum\"><a:t>3</a:t></a:fld><a:r><a:t>four</a:t></a:r></a:p>",
        "<a:p><a:r><a:t>one</a:t></a:r><a:br/><a:r><a:rPr b=\"1\" /><a:t>two</a:t></a:r><a:fld id=\"{F1}\" "
        "type=\"slidenum\" ><a:t>3</a:t></a:fld><a:r><a:t>four</a:t></a:r></a:p>"},
       {"paragraph properties first, end properties last, wherever they were read",
        "<a:p><a:endParaRPr lang=\"en-US\"/><a:r><a:t>x</a:t></a:r><a:pPr algn=\"ctr\"/></a:p>",
        "<a:p><a:pPr algn=\"ctr\" /><a:r><a:t>x</a:t></a:r><a:endParaRPr lang=\"en-US\" /></a:p>"},
       {"a line break with properties writes them", "<a:p><a:br><a:rPr sz=\"900\"/></a:br></a:p>",
        "<a:p><a:br><a:rPr sz=\"900\" /></a:br></a:p>"},
       {"a run of blanks keeps them", "<a:p><a:r><a:t> </a:t></a:r><a:r><a:t>  two  </a:t></a:r></a:p>",
        "<a:p><a:r><a:t> </a:t></a:r><a:r><a:t>  two  </a:t></a:r></a:p>"},
       {"a run with properties and no text writes an empty text", "<a:p><a:r><a:rPr i=\"1\"/><a:t></a:t></a:r></a:p>",
        "<a:p><a:r><a:rPr i=\"1\" /><a:t/></a:r></a:p>"},
       {"a field without text is written without it and with its id always",
        "<a:p><a:fld type=\"datetime1\"><a:rPr lang=\"de-DE\"/><a:pPr lvl=\"1\"/><a:t></a:t></a:fld></a:p>",
        "<a:p><a:fld id=\"\" type=\"datetime1\" ><a:rPr lang=\"de-DE\" /><a:pPr lvl=\"1\" /></a:fld></a:p>"},
       {"a second text of a run replaces the first", "<a:p><a:r><a:t>a</a:t><a:t>b</a:t></a:r></a:p>",
        "<a:p><a:r><a:t>b</a:t></a:r></a:p>"},
       {"text with markup characters", "<a:p><a:r><a:t>a &lt; b &amp; c</a:t></a:r></a:p>",
        "<a:p><a:r><a:t>a &lt; b &amp; c</a:t></a:r></a:p>"},
       {"an unknown element is reported once, the runs around it keep their order",
        "<a:p><a:r><a:t>a</a:t></a:r><a:sym char=\"x\"/><a:br/><a:r><a:t>b</a:t></a:r></a:p>",
        "<a:p><a:r><a:t>a</a:t></a:r><a:br/><a:r><a:t>b</a:t></a:r></a:p>", "Row 0: Unknown Element \"a:sym\""},
       {"a run with neither properties nor text is written back as read", "<a:p><a:r><a:t/></a:r></a:p>",
        "<a:p><a:r><a:t/></a:r></a:p>"},
       {"an empty paragraph", "<a:p/>", "<a:p/>"}});
}

TEST(DmlTextBody, ParagraphPropertiesReadAndWriteBack) {
  ExpectRoundTrips<TCT_TextParagraphProperties>(
      u"a:pPr",
      {{"attributes and children in their order",
        "<a:pPr hangingPunct=\"1\" marL=\"342900\" indent=\"-342900\" algn=\"just\" fontAlgn=\"base\" rtl=\"0\" lvl=\"2\" "
        "defTabSz=\"914400\" eaLnBrk=\"0\" latinLnBrk=\"1\" marR=\"5\"><a:defRPr sz=\"1000\"/><a:tabLst><a:tab pos=\"10\" "
        "algn=\"l\"/></a:tabLst><a:buChar char=\"-\"/><a:buFont typeface=\"Arial\"/><a:buSzPct val=\"50000\"/>"
        "<a:buClr><a:srgbClr val=\"00FF00\"/></a:buClr><a:spcAft><a:spcPts val=\"600\"/></a:spcAft><a:lnSpc>"
        "<a:spcPct val=\"90000\"/></a:lnSpc></a:pPr>",
        "<a:pPr marL=\"342900\" marR=\"5\" lvl=\"2\" indent=\"-342900\" algn=\"just\" defTabSz=\"914400\" rtl=\"0\" "
        "eaLnBrk=\"0\" fontAlgn=\"base\" latinLnBrk=\"1\" hangingPunct=\"1\" ><a:lnSpc><a:spcPct val=\"90000\" /></a:lnSpc>"
        "<a:spcAft><a:spcPts val=\"600\" /></a:spcAft><a:buClr><a:srgbClr val=\"00FF00\" /></a:buClr><a:buSzPct "
        "val=\"50000\" /><a:buFont typeface=\"Arial\" /><a:buChar char=\"-\" /><a:tabLst><a:tab pos=\"10\" algn=\"l\" />"
        "</a:tabLst><a:defRPr sz=\"1000\" /></a:pPr>"},
       {"an unknown alignment is reported", "<a:pPr algn=\"middle\" lvl=\"1\"/>", "<a:pPr lvl=\"1\" />",
        "Row 0: Unknown Attribute \"algn=\"middle\"\""}});
}

TEST(DmlTextBody, BodyPropertiesReadAndWriteBack) {
  ExpectRoundTrips<TCT_TextBodyProperties>(
      u"a:bodyPr",
      {{"anchor dist and ctr", "<a:bodyPr anchor=\"dist\"/>", "<a:bodyPr anchor=\"dist\" />"},
       {"anchor ctr", "<a:bodyPr anchor=\"ctr\" anchorCtr=\"0\"/>", "<a:bodyPr anchor=\"ctr\" anchorCtr=\"0\" />"},
       {"upright false is not written, wrap is", "<a:bodyPr upright=\"0\" wrap=\"square\"/>", "<a:bodyPr wrap=\"square\" />"},
       {"every attribute in its order",
        "<a:bodyPr compatLnSpc=\"1\" upright=\"1\" forceAA=\"0\" fromWordArt=\"0\" rtlCol=\"0\" spcCol=\"5\" numCol=\"2\" "
        "bIns=\"45720\" rIns=\"91440\" tIns=\"45720\" lIns=\"91440\" vert=\"vert270\" horzOverflow=\"clip\" "
        "vertOverflow=\"ellipsis\" spcFirstLastPara=\"1\" rot=\"-5400000\"/>",
        "<a:bodyPr rot=\"-5400000\" spcFirstLastPara=\"1\" vertOverflow=\"ellipsis\" horzOverflow=\"clip\" "
        "vert=\"vert270\" lIns=\"91440\" tIns=\"45720\" rIns=\"91440\" bIns=\"45720\" numCol=\"2\" spcCol=\"5\" "
        "rtlCol=\"0\" fromWordArt=\"0\" forceAA=\"0\" upright=\"1\" compatLnSpc=\"1\" />"},
       {"no autofit", "<a:bodyPr><a:noAutofit/></a:bodyPr>", "<a:bodyPr><a:noAutofit/></a:bodyPr>"},
       {"normal autofit with a font scale", "<a:bodyPr><a:normAutofit fontScale=\"62500\" lnSpcReduction=\"0\"/></a:bodyPr>",
        "<a:bodyPr><a:normAutofit fontScale=\"62500\" /></a:bodyPr>"},
       {"normal autofit at its defaults is kept", "<a:bodyPr><a:normAutofit/></a:bodyPr>",
        "<a:bodyPr><a:normAutofit/></a:bodyPr>"},
       {"warp, autofit, scene, 3-D text in their order",
        "<a:bodyPr><a:flatTx z=\"1\"/><a:scene3d><a:camera prst=\"orthographicFront\"/><a:lightRig rig=\"flat\" "
        "dir=\"t\"/></a:scene3d><a:spAutoFit/><a:prstTxWarp prst=\"textPlain\"/></a:bodyPr>",
        "<a:bodyPr><a:prstTxWarp prst=\"textPlain\" /><a:spAutoFit/><a:scene3d><a:camera prst=\"orthographicFront\" />"
        "<a:lightRig rig=\"flat\" dir=\"t\" /></a:scene3d><a:flatTx z=\"1\" /></a:bodyPr>"},
       {"an unknown anchor is reported", "<a:bodyPr anchor=\"middle\" wrap=\"none\"/>", "<a:bodyPr wrap=\"none\" />",
        "Row 0: Unknown Attribute \"anchor=\"middle\"\""}});
}

TEST(DmlTextBody, BodiesAndListStyles) {
  ExpectRoundTrips<TCT_TextBody>(
      u"a:txBody",
      {{"body and list style are written empty when missing", "<a:txBody><a:p><a:r><a:t>x</a:t></a:r></a:p></a:txBody>",
        "<a:txBody><a:bodyPr/><a:lstStyle/><a:p><a:r><a:t>x</a:t></a:r></a:p></a:txBody>"},
       {"paragraphs in order, empty ones kept",
        "<a:txBody><a:bodyPr rot=\"0\"/><a:p/><a:p><a:r><a:t>b</a:t></a:r></a:p><a:p/></a:txBody>",
        "<a:txBody><a:bodyPr rot=\"0\" /><a:lstStyle/><a:p/><a:p><a:r><a:t>b</a:t></a:r></a:p><a:p/></a:txBody>"},
       {"a list style with one level",
        "<a:txBody><a:lstStyle><a:lvl2pPr marL=\"457200\"/></a:lstStyle><a:p/></a:txBody>",
        "<a:txBody><a:bodyPr/><a:lstStyle><a:lvl2pPr marL=\"457200\" /></a:lstStyle><a:p/></a:txBody>"},
       {"an unknown element in a list style is reported",
        "<a:txBody><a:lstStyle><a:lvl10pPr/><a:defPPr algn=\"r\"/><a:lvl9pPr lvl=\"8\"/></a:lstStyle></a:txBody>",
        "<a:txBody><a:bodyPr/><a:lstStyle><a:defPPr algn=\"r\" /><a:lvl9pPr lvl=\"8\" /></a:lstStyle></a:txBody>",
        "Row 0: Unknown Element \"a:lvl10pPr\""}});
}

}  // namespace
}  // namespace ooxml::drawingml
