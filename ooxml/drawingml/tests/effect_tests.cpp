// Picture effects, effect lists and effect graphs: what each class reads and writes back, and that
// the order of effects is kept.
#include <gtest/gtest.h>

#include "ooxml/drawingml/tests/dml_testing.h"

namespace ooxml::drawingml {
namespace {

TEST(DmlPictureEffects, AttributesAndColours) {
  ExpectRoundTrips<TCT_EffectContainer>(
      u"a:effectDag",
      {{"blur radius without grow", "<a:effectDag><a:blur rad=\"40000\"/></a:effectDag>",
        "<a:effectDag><a:blur rad=\"40000\" /></a:effectDag>"},
       {"grow false is written", "<a:effectDag><a:blur grow=\"0\"/></a:effectDag>",
        "<a:effectDag><a:blur grow=\"0\" /></a:effectDag>"},
       {"grow that is no Boolean word reads as true", "<a:effectDag><a:blur grow=\"x\"/></a:effectDag>",
        "<a:effectDag><a:blur/></a:effectDag>"},
       {"required thresholds written as unset",
        "<a:effectDag><a:alphaBiLevel/><a:biLevel thresh=\"50000\"/><a:alphaRepl/></a:effectDag>",
        "<a:effectDag><a:alphaBiLevel thresh=\"2147483632\" /><a:biLevel thresh=\"50000\" />"
        "<a:alphaRepl a=\"2147483632\" /></a:effectDag>"},
       {"tint hue and amt, equal byte sums, stay apart", "<a:effectDag><a:tint hue=\"0\" amt=\"50000\"/></a:effectDag>",
        "<a:effectDag><a:tint amt=\"50000\" /></a:effectDag>"},
       {"hsl, luminance, fixed alpha at its default",
        "<a:effectDag><a:hsl hue=\"1\" sat=\"0\" lum=\"-2\"/><a:lum contrast=\"3\"/><a:alphaModFix amt=\"100000\"/>"
        "<a:alphaModFix amt=\"0\"/></a:effectDag>",
        "<a:effectDag><a:hsl hue=\"1\" lum=\"-2\" /><a:lum contrast=\"3\" /><a:alphaModFix/><a:alphaModFix amt=\"0\" />"
        "</a:effectDag>"},
       {"colour change without its second colour writes an empty one",
        "<a:effectDag><a:clrChange useA=\"0\"><a:clrFrom><a:srgbClr val=\"FFFFFF\"/></a:clrFrom></a:clrChange></a:effectDag>",
        "<a:effectDag><a:clrChange useA=\"0\" ><a:clrFrom><a:srgbClr val=\"FFFFFF\" /></a:clrFrom><a:clrTo/>"
        "</a:clrChange></a:effectDag>"},
       {"duotone colours keep their document order",
        "<a:effectDag><a:duotone><a:prstClr val=\"black\"/><a:srgbClr val=\"D9C3A5\"/></a:duotone></a:effectDag>",
        "<a:effectDag><a:duotone><a:prstClr val=\"black\" /><a:srgbClr val=\"D9C3A5\" /></a:duotone></a:effectDag>"},
       {"two duotone colours of one kind stay two",
        "<a:effectDag><a:duotone><a:srgbClr val=\"000000\"/><a:srgbClr val=\"FFFFFF\"><a:tint val=\"1\"/></a:srgbClr>"
        "</a:duotone></a:effectDag>",
        "<a:effectDag><a:duotone><a:srgbClr val=\"000000\" /><a:srgbClr val=\"FFFFFF\" ><a:tint val=\"1\" /></a:srgbClr>"
        "</a:duotone></a:effectDag>"},
       {"two empty effects stay two", "<a:effectDag><a:grayscl/><a:grayscl/><a:alphaCeiling/><a:alphaFloor/></a:effectDag>",
        "<a:effectDag><a:grayscl/><a:grayscl/><a:alphaCeiling/><a:alphaFloor/></a:effectDag>"},
       {"colour replacement and inverse alpha",
        "<a:effectDag><a:clrRepl><a:schemeClr val=\"accent2\"/></a:clrRepl><a:alphaInv><a:sysClr val=\"menu\"/></a:alphaInv>"
        "</a:effectDag>",
        "<a:effectDag><a:clrRepl><a:schemeClr val=\"accent2\" /></a:clrRepl><a:alphaInv><a:sysClr val=\"menu\" /></a:alphaInv>"
        "</a:effectDag>"},
       {"an unknown element in an inverse alpha is reported and reading goes on",
        "<a:effectDag><a:alphaInv><a:odd/><a:srgbClr val=\"010203\"/></a:alphaInv></a:effectDag>",
        "<a:effectDag><a:alphaInv><a:srgbClr val=\"010203\" /></a:alphaInv></a:effectDag>",
        "Row 0: Unknown Element \"a:odd\""}});
}

TEST(DmlEffects, GraphsKeepTheirOrder) {
  ExpectRoundTrips<TCT_EffectContainer>(
      u"a:effectDag",
      {{"effects of different kinds in document order",
        "<a:effectDag><a:glow rad=\"1\"/><a:cont type=\"tree\" name=\"c1\"><a:blur/></a:cont><a:blur rad=\"2\"/></a:effectDag>",
        "<a:effectDag><a:glow rad=\"1\" /><a:cont type=\"tree\" name=\"c1\" ><a:blur/></a:cont><a:blur rad=\"2\" />"
        "</a:effectDag>"},
       {"two of a kind around another", "<a:effectDag><a:blur rad=\"1\"/><a:fill><a:noFill/></a:fill><a:blur rad=\"2\"/></a:effectDag>",
        "<a:effectDag><a:blur rad=\"1\" /><a:fill><a:noFill/></a:fill><a:blur rad=\"2\" /></a:effectDag>"},
       {"blend and alpha modulation always hold a container",
        "<a:effectDag type=\"sib\"><a:blend blend=\"screen\"/><a:alphaMod/><a:alphaMod><a:cont><a:effect ref=\"x\"/></a:cont>"
        "</a:alphaMod></a:effectDag>",
        "<a:effectDag><a:blend blend=\"screen\" ><a:cont/></a:blend><a:alphaMod><a:cont/></a:alphaMod>"
        "<a:alphaMod><a:cont><a:effect ref=\"x\" /></a:cont></a:alphaMod></a:effectDag>"},
       {"offsets and the effect transform, tx and sy apart",
        "<a:effectDag><a:relOff tx=\"5\"/><a:xfrm sy=\"50000\" tx=\"7\" kx=\"0\"/><a:alphaOutset rad=\"3\"/></a:effectDag>",
        "<a:effectDag><a:relOff tx=\"5\" /><a:xfrm sy=\"50000\" tx=\"7\" /><a:alphaOutset rad=\"3\" /></a:effectDag>"},
       {"a fill overlay without blend keeps its fill",
        "<a:effectDag><a:fillOverlay><a:solidFill><a:srgbClr val=\"00FF00\"/></a:solidFill></a:fillOverlay></a:effectDag>",
        "<a:effectDag><a:fillOverlay><a:solidFill><a:srgbClr val=\"00FF00\" /></a:solidFill></a:fillOverlay></a:effectDag>"},
       {"an unknown literal is reported, the rest is read",
        "<a:effectDag type=\"forest\"><a:blend blend=\"burn\"/></a:effectDag>",
        "<a:effectDag><a:blend><a:cont/></a:blend></a:effectDag>",
        "Row 0: Unknown Attribute \"type=\"forest\"\"; Row 0: Unknown Attribute \"blend=\"burn\"\""},
       {"an unknown element in a graph is reported", "<a:effectDag><a:wobble/><a:blur/></a:effectDag>",
        "<a:effectDag><a:blur/></a:effectDag>", "Row 0: Unknown Element \"a:wobble\""}});
}

TEST(DmlEffects, ListsAndTheChoiceOfBoth) {
  ExpectRoundTrips<TEG_EffectProperties, true>(
      u"a:spPr",
      {{"the effect list keeps its order and both shadows",
        "<a:spPr><a:effectLst><a:outerShdw blurRad=\"40000\" dist=\"20000\" dir=\"5400000\" algn=\"b\" rotWithShape=\"1\">"
        "<a:srgbClr val=\"000000\"><a:alpha val=\"38000\"/></a:srgbClr></a:outerShdw>"
        "<a:outerShdw sx=\"100000\" sy=\"90000\" algn=\"tl\" rotWithShape=\"0\"/></a:effectLst></a:spPr>",
        "<a:spPr><a:effectLst><a:outerShdw blurRad=\"40000\" dist=\"20000\" dir=\"5400000\" >"
        "<a:srgbClr val=\"000000\" ><a:alpha val=\"38000\" /></a:srgbClr></a:outerShdw>"
        "<a:outerShdw sy=\"90000\" algn=\"tl\" rotWithShape=\"0\" /></a:effectLst></a:spPr>"},
       {"every effect of the list",
        "<a:spPr><a:effectLst><a:blur rad=\"1\"/><a:fillOverlay blend=\"over\"><a:noFill/></a:fillOverlay>"
        "<a:glow rad=\"2\"><a:schemeClr val=\"accent1\"/></a:glow><a:innerShdw blurRad=\"3\" dist=\"0\" dir=\"4\"/>"
        "<a:prstShdw prst=\"shdw13\" dist=\"5\"><a:prstClr val=\"gray\"/></a:prstShdw>"
        "<a:reflection stA=\"52000\" endPos=\"35000\" fadeDir=\"5400000\" sy=\"-100000\" algn=\"bl\"/><a:softEdge/>"
        "</a:effectLst></a:spPr>",
        "<a:spPr><a:effectLst><a:blur rad=\"1\" /><a:fillOverlay blend=\"over\" ><a:noFill/></a:fillOverlay>"
        "<a:glow rad=\"2\" ><a:schemeClr val=\"accent1\" /></a:glow><a:innerShdw blurRad=\"3\" dir=\"4\" />"
        "<a:prstShdw prst=\"shdw13\" dist=\"5\" ><a:prstClr val=\"gray\" /></a:prstShdw>"
        "<a:reflection stA=\"52000\" endPos=\"35000\" sy=\"-100000\" algn=\"bl\" /><a:softEdge rad=\"2147483632\" />"
        "</a:effectLst></a:spPr>"},
       {"an empty effect list read is written back: it overrides the theme's effects",
        "<a:spPr><a:effectLst/></a:spPr>", "<a:spPr><a:effectLst/></a:spPr>"},
       {"both alternatives are kept, the list first",
        "<a:spPr><a:effectDag><a:blur/></a:effectDag><a:effectLst><a:blur/></a:effectLst></a:spPr>",
        "<a:spPr><a:effectLst><a:blur/></a:effectLst><a:effectDag><a:blur/></a:effectDag></a:spPr>"},
       {"an unknown element in a glow is reported once; the glow keeps its colour",
        "<a:spPr><a:effectLst><a:glow rad=\"9\"><a:sparkle/><a:srgbClr val=\"FFC000\"/></a:glow></a:effectLst></a:spPr>",
        "<a:spPr><a:effectLst><a:glow rad=\"9\" ><a:srgbClr val=\"FFC000\" /></a:glow></a:effectLst></a:spPr>",
        "Row 0: Unknown Element \"a:sparkle\""},
       {"an element of a graph is no member of the list",
        "<a:spPr><a:effectLst><a:relOff tx=\"1\"/></a:effectLst></a:spPr>", "<a:spPr><a:effectLst/></a:spPr>",
        "Row 0: Unknown Element \"a:relOff\""}});
}

}  // namespace
}  // namespace ooxml::drawingml
