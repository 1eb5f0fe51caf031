// The unit base: the enumeration registry and per-type lookup, extension lists, index values.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/unicode.h"
#include "ooxml/spreadsheetml/tests/sml_testing.h"

namespace ooxml::sml {
namespace {

TEST(SmlEnums, RegistryHoldsEveryTypeAndLiteral) {
  const TXpgEnumRegistry& r = EnumRegistry();
  EXPECT_EQ(r.TypeCount(), 53);
  EXPECT_EQ(r.LiteralCount(), 414);
  EXPECT_EQ(r.Types().front(), &ST_UnderlineValues);
  EXPECT_EQ(r.Types().back(), &ST_XmlDataType);
  std::set<std::string> names;
  for (const TXpgEnumType* t : r.Types()) {
    EXPECT_TRUE(names.insert(t->Name).second) << t->Name;
    for (int i = 0; i < t->Count; ++i) {
      const std::u16string literal(t->Literal(i));
      EXPECT_EQ(t->Find(literal), i) << t->Name << " " << core::u8(literal);
    }
  }
}

// Keys of types that share a prefix stay distinct; an attribute never finds another type's literal.
TEST(SmlEnums, SharedPrefixesDoNotMixTypes) {
  const TXpgEnumRegistry& r = EnumRegistry();
  int ordinal = -1;
  ASSERT_TRUE(r.TryFindEnum(u"stctGregorian", ordinal));
  EXPECT_EQ(ordinal, 1) << "the calendar type owns its key";
  ASSERT_TRUE(r.TryFindEnum(u"STCTINLINESTR", ordinal));
  EXPECT_EQ(ordinal, 6);
  EXPECT_EQ(ST_CellType.Find(u"gregorian"), -1);
  EXPECT_EQ(ST_CellType.Find(u"formula"), -1);
  EXPECT_EQ(ST_PhoneticType.Find(u"solid"), -1);
  EXPECT_EQ(ST_Orientation.Find(u"placeholders"), -1);
}

// Letter case does not matter; anything else a type does not know leaves the attribute at its
// default and is reported (an unknown cell type must not turn a number into a Boolean).
TEST(SmlEnums, LiteralsAreLookedUpInTheirOwnTypeIgnoringCase) {
  struct Case {
    const char* xml;
    int t;
    const char* reports;
  } cases[] = {
      {"<c t=\"STR\"/>", 5, ""},
      {"<c t=\"Str\"/>", 5, ""},
      {"<c t=\"inlinestr\"/>", 6, ""},
      {"<c t=\"\"/>", 1, "Row 0: Unknown Attribute \"t=\"\"\""},
      {"<c t=\" s\"/>", 1, "Row 0: Unknown Attribute \"t=\" s\"\""},
      {"<c t=\"s \"/>", 1, "Row 0: Unknown Attribute \"t=\"s \"\""},
      {"<c t=\"gregorian\"/>", 1, "Row 0: Unknown Attribute \"t=\"gregorian\"\""},
      {"<c t=\"formula\"/>", 1, "Row 0: Unknown Attribute \"t=\"formula\"\""},
  };
  for (const auto& c : cases) {
    ReadInto<TCT_Cell> r(c.xml);
    EXPECT_EQ(r.obj.t, c.t) << c.xml;
    EXPECT_EQ(Joined(r.reports), c.reports) << c.xml;
  }
  ReadInto<TCT_PatternFill> fill("<patternFill patternType=\"Solid\"/>");
  EXPECT_EQ(fill.obj.patternType, 1);
  ReadInto<TCT_PhoneticPr> phonetic("<phoneticPr type=\"solid\" alignment=\"Center\"/>");
  EXPECT_EQ(phonetic.obj.type, 1) << "the default, not the pattern type's ordinal";
  EXPECT_EQ(phonetic.obj.alignment, 2);
  EXPECT_EQ(Joined(phonetic.reports), "Row 0: Unknown Attribute \"type=\"solid\"\"");
}

TEST(SmlExtensions, ContentIsKeptAndWrittenBack) {
  ExpectRoundTrips<TCT_Extension>(
      u"ext",
      {{"uri with a child holding text",
        "<ext uri=\"{78C0D931-6437-407d-A8EE-F0AAD7539E65}\" xmlns:x14=\"urn:x14\">"
        "<x14:conditionalFormattings><x14:cf type=\"a\">t</x14:cf></x14:conditionalFormattings></ext>",
        "<ext uri=\"{78C0D931-6437-407d-A8EE-F0AAD7539E65}\" xmlns:x14=\"urn:x14\" >"
        "<x14:conditionalFormattings><x14:cf type=\"a\" >t</x14:cf></x14:conditionalFormattings></ext>"},
       {"namespace declaration before the uri: both kept",
        "<ext xmlns:x14=\"urn:x14\" uri=\"{A}\"/>", "<ext uri=\"{A}\" xmlns:x14=\"urn:x14\" />"},
       {"an unknown attribute is reported and kept", "<ext uri=\"{A}\" foo=\"1\"/>",
        "<ext uri=\"{A}\" foo=\"1\" />", "Row 0: Unknown Attribute \"foo\""}});
}

TEST(SmlExtensions, ListTakesOnlyUnprefixedExt) {
  ExpectRoundTrips<TCT_ExtensionList>(
      u"extLst",
      {{"two items", "<extLst><ext uri=\"u1\"/><ext uri=\"u2\"><a/></ext></extLst>",
        "<extLst><ext uri=\"u1\" /><ext uri=\"u2\" ><a/></ext></extLst>"},
       {"a prefixed ext is another element; its attributes stay with it, the list reads what it holds",
        "<extLst><ext uri=\"u1\"/><x:ext uri=\"u2\"><ext uri=\"u3\"/></x:ext></extLst>",
        "<extLst><ext uri=\"u1\" /><ext uri=\"u3\" /></extLst>", "Row 0: Unknown Element \"x:ext\""}});
  // An extension with nothing but a namespace declaration holds nothing worth writing.
  ReadInto<TCT_ExtensionList> empty("<extLst><ext xmlns:x=\"urn:x\"/></extLst>");
  EXPECT_EQ(empty.obj.ext.Count(), 1);
  EXPECT_EQ(empty.obj.CheckAssigned(), 0);
  ReadInto<TCT_Xf> xf("<xf numFmtId=\"1\"><extLst><ext xmlns:x=\"urn:x\"/></extLst></xf>");
  EXPECT_EQ(xf.Written(u"xf"), "<xf numFmtId=\"1\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" />");
}

TEST(SmlIndex, ZeroIsWrittenAsEmptyElement) {
  ExpectRoundTrips<TCT_Index>(u"x", {{"zero", "<x v=\"0\"/>", "<x/>"},
                                     {"not a number reads as 0", "<x v=\"abc\"/>", "<x/>"},
                                     {"a value", "<x v=\"7\"/>", "<x v=\"7\" />"},
                                     {"every attribute is read, unknown ones kept", "<x w=\"1\" v=\"2\"/>",
                                      "<x v=\"2\" w=\"1\" />", "Row 0: Unknown Attribute \"w\""}});
}

}  // namespace
}  // namespace ooxml::sml
