#include "core/strings.h"

#include <gtest/gtest.h>

namespace {

using namespace core;

TEST(Strings, TrimSplitReplace) {
  EXPECT_EQ(trim("  a b \r\n"), "a b");
  EXPECT_EQ(trim(u"\t x "), u"x");
  EXPECT_EQ(trim("   "), "");
  EXPECT_EQ(split("a,,b,", ','), (std::vector<std::string>{"a", "", "b", ""}));
  EXPECT_EQ(split("", ','), (std::vector<std::string>{""}));
  EXPECT_EQ(replace_all("aXbXX", "X", "yz"), "ayzbyzyz");
  EXPECT_EQ(replace_all("abc", "", "q"), "abc");
  EXPECT_TRUE(starts_with_icase("Workbook", "WORK"));
  EXPECT_TRUE(ends_with_icase("report.XLS", ".xls"));
  EXPECT_FALSE(ends_with_icase("s", ".xls"));
}

TEST(Strings, FormatGrowsPastItsSmallBuffer) {
  EXPECT_EQ(format("%0.1f|%d|%s", 23.45, -7, "ok"), "23.4|-7|ok");
  std::string big(1000, 'q');
  EXPECT_EQ(format("<%s>", big.c_str()).size(), 1002u);
  const unsigned char b[] = {0x0A, 0xFF};
  EXPECT_EQ(to_hex(b, 2), "0aff");
  EXPECT_EQ(to_hex(b, 2, true), "0AFF");
}

}  // namespace
