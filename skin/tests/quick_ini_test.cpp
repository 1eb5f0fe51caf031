#include "skin/quick_ini.h"

#include <gtest/gtest.h>

namespace skin {
namespace {

const char kIni[] =
    "orphan=1\r\n"
    "; a comment line\r\n"
    "[Personality]\r\n"
    "  LeftFrame = 2  \r\n"
    "Title=a=b;c\n"
    "Empty=\r"
    "Hex=0x1F\n"
    "HexUpper=0XfF\n"
    "HexBare=0x\n"
    "Trailing=12ab\n"
    "Neg=-40\n"
    "Dollar=$10\n"
    "Big=2147483648\n"
    "Plus=+7\n"
    "nokeyline\n"
    "LeftFrame=9\n"
    "[ Spaced ]\n"
    "k=spaced\n"
    "[personality]\n"
    "Second=1\n"
    "[Last]\n"
    "Cut=before\0[Hidden]\nk=1\n";

TEST(QuickIni, LookupRules) {
  TQuickIni ini;
  ini.LoadFromText(std::string_view(kIni, sizeof kIni - 1));
  struct Case {
    const char* section;
    const char* key;
    const char* expected;
  };
  const Case strings[] = {
      {"Personality", "leftframe", "2"},       // keys in any case; the first occurrence wins
      {"PERSONALITY", "LEFTFRAME", "2"},       // sections in any case
      {"Personality", "Title", "a=b;c"},       // "=" and ";" inside a value are kept
      {"Personality", "Empty", "dflt"},        // an empty value gives the default
      {"Personality", "Second", "dflt"},       // only the first of equal sections is searched
      {"Personality", "nokeyline", "dflt"},    // a line without "=" never matches
      {"Personality", "orphan", "dflt"},       // keys before any section are never found
      {"Spaced", "k", "dflt"},                 // spaces inside brackets count
      {" Spaced ", "k", "spaced"},
      {"Last", "Cut", "before"},               // text after a NUL is ignored
      {"Hidden", "k", "dflt"},
      {"Missing", "k", "dflt"},
  };
  for (const Case& c : strings) {
    EXPECT_EQ(ini.ReadString(c.section, c.key, "dflt"), c.expected) << c.section << "/" << c.key;
  }
  const std::pair<const char*, std::int32_t> integers[] = {
      {"LeftFrame", 2}, {"Hex", 31}, {"HexUpper", 255}, {"HexBare", -7}, {"Trailing", -7}, {"Neg", -40},
      {"Dollar", 16},   {"Big", -7}, {"Plus", 7},       {"Empty", -7},   {"Absent", -7},
  };
  for (const auto& [key, value] : integers) EXPECT_EQ(ini.ReadInteger("Personality", key, -7), value) << key;
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Personality", "Spaced", "personality", "Last"}));
}

TEST(QuickIni, IntegerConversionEdges) {
  const std::pair<const char*, std::int32_t> cases[] = {
      {"0", 0},          {"-2147483648", INT32_MIN}, {"2147483647", INT32_MAX}, {"$FFFFFFFF", -1},
      {"$100000000", 5}, {"", 5},                     {"-", 5},                  {"$", 5},
      {"1 2", 5},        {"-$10", -16},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(StrToIntDef(text, 5), value) << text;
}

TEST(QuickIni, EmptyAndReloadedInput) {
  TQuickIni ini;
  EXPECT_EQ(ini.ReadString("A", "k", "d"), "d");
  ini.LoadFromText("[A]\nk=1\n");
  EXPECT_EQ(ini.ReadInteger("A", "k", 0), 1);
  ini.LoadFromText("[B]\nk=2\n");
  EXPECT_EQ(ini.ReadInteger("A", "k", 0), 0);
  EXPECT_EQ(ini.ReadInteger("b", "K", 0), 2);
}

}  // namespace
}  // namespace skin
