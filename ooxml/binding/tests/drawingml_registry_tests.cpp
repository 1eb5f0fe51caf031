// The DrawingML enumeration registry and the union values of guide-or-number attributes.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/error.h"
#include "core/unicode.h"
#include "ooxml/binding/gen/drawingml_enums.h"

namespace ooxml::drawingml {
namespace {

TEST(DrawingMLRegistry, HoldsEveryTypeAndLiteral) {
  const TXpgEnumRegistry& r = EnumRegistry();
  EXPECT_EQ(r.TypeCount(), 72);
  EXPECT_EQ(r.LiteralCount(), 930);
  // The chart types sit between the DrawingML main types and ST_EditAs.
  int chart_types = 0, chart_literals = 0;
  bool in_chart = false;
  for (const TXpgEnumType* t : r.Types()) {
    if (std::string(t->Name) == "ST_RadarStyle") in_chart = true;
    if (std::string(t->Name) == "ST_EditAs") in_chart = false;
    if (in_chart) {
      ++chart_types;
      chart_literals += t->Count;
    }
  }
  EXPECT_EQ(chart_types, 30);
  EXPECT_EQ(chart_literals, 121);
  EXPECT_EQ(r.Types().front(), &ST_SchemeColorVal);
  EXPECT_EQ(r.Types().back(), &ST_EditAs);
}

TEST(DrawingMLRegistry, EveryLiteralRoundTripsByTypeAndByKey) {
  const TXpgEnumRegistry& r = EnumRegistry();
  std::set<std::string> shared_prefix_types;
  for (const TXpgEnumType* t : r.Types()) {
    for (int i = 0; i < t->Count; ++i) {
      const std::u16string literal(t->Literal(i));
      ASSERT_EQ(t->Find(literal), i) << t->Name << " " << core::u8(literal);
      std::u16string upper = literal;
      for (auto& c : upper)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
      EXPECT_EQ(t->Find(upper), i) << "case is ignored: " << t->Name;
      EXPECT_EQ(r.FindEnum(*t, literal), i);
      // The keyed lookup answers with this type's ordinal unless a type registered earlier owns
      // the same key (types that share a prefix).
      int keyed = -1;
      ASSERT_TRUE(r.TryFindEnum(core::u16(t->Key(i)), keyed)) << t->Key(i);
      if (keyed != i) shared_prefix_types.insert(t->Name);
    }
  }
  EXPECT_EQ(shared_prefix_types, (std::set<std::string>{"ST_TextAnchoringType"}))
      << "only the anchoring type loses keys to the alignment type";
}

TEST(DrawingMLRegistry, KeysAndSharedPrefixes) {
  const TXpgEnumRegistry& r = EnumRegistry();
  EXPECT_EQ(ST_SchemeColorVal.Key(4), "stscvAccent1");
  EXPECT_EQ(ST_EditAs.Key(0), "steatwoCell") << "ST_EditAs keeps its literals as written";
  EXPECT_EQ(r.FindEnum(u"stscvAccent1"), 4);
  EXPECT_EQ(r.FindEnum(u"STSCVACCENT1"), 4);
  EXPECT_EQ(ST_SchemeColorVal.Literal(4), u"accent1");
  // Both colour types answer under their shared prefix.
  EXPECT_EQ(r.FindEnum(u"stscvwindowText"), 8);
  EXPECT_EQ(r.FindEnum(u"stscvtx1"), 1);
  // Per type, an anchoring value gives the anchoring ordinal.
  EXPECT_EQ(r.FindEnum(ST_TextAnchoringType, u"dist"), 4);
  EXPECT_EQ(r.FindEnum(ST_TextAnchoringType, u"ctr"), 1);
  EXPECT_EQ(r.FindEnum(ST_TextAlignType, u"dist"), 5);
  EXPECT_EQ(ST_SchemeColorVal.Find(u"window"), -1) << "a system colour is no scheme colour";
  EXPECT_EQ(ST_TextAnchoringType.Literal(XPG_UNSET_ENUM), u"") << "an unset field has no literal";
}

TEST(DrawingMLRegistry, UnknownKeysRaiseWithTheKey) {
  const TXpgEnumRegistry& r = EnumRegistry();
  try {
    r.FindEnum(ST_ShapeType, u"foo");
    FAIL();
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "Can not find enum \"ststfoo\"");
  }
  try {
    r.FindEnum(u"stscvwindowFoo");
    FAIL();
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "Can not find enum \"stscvwindowFoo\"");
  }
}

TEST(DrawingMLRegistry, AdjustValues) {
  struct Case {
    std::u16string text;
    int kind;
    std::int32_t value;
    std::u16string written;
  } cases[] = {{u"12700", 0, 12700, u"12700"}, {u"-5", 0, -5, u"-5"}, {u"adj1", 1, 0, u"adj1"},
               {u"12pt", 1, 0, u"12pt"}, {u"", -1, 0, u""}, {u"x1", 1, 0, u"x1"}, {u"$10", 1, 0, u"$10"},
               {u"0x1F", 1, 0, u"0x1F"}, {u"+3", 0, 3, u"3"}, {u"-", 1, 0, u"-"},
               {u"27273042316900", 1, 0, u"27273042316900"}};
  for (const auto& c : cases) {
    TXpgAdjValue coordinate, angle;
    StrToAdjCoordinate(c.text, coordinate);
    StrToAdjAngle(c.text, angle);
    EXPECT_EQ(coordinate.Kind, c.kind) << core::u8(c.text);
    EXPECT_EQ(coordinate, angle);
    if (c.kind == 0) {
      EXPECT_EQ(coordinate.Value, c.value);
    }
    EXPECT_EQ(AdjCoordinateToStr(coordinate), c.written);
    EXPECT_EQ(AdjAngleToStr(angle), c.written);
  }
  TXpgAdjValue v;
  StrToAdjCoordinate(u"7", v);
  StrToAdjCoordinate(u"", v);
  EXPECT_EQ(v.Kind, 0) << "empty text leaves the value as it was";
  EXPECT_EQ(v.Value, 7);
}

}  // namespace
}  // namespace ooxml::drawingml
