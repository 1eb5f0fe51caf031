#include "workbook/library_utils.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include "core/unicode.h"
#include "workbook/format_settings.h"
#include "workbook/object_list.h"
#include "workbook/streams.h"

namespace workbook {
namespace {

TEST(CalcCRC32, IsTheComplementOfTheUsualCrc) {
  EXPECT_EQ(CalcCRC32("abc", 3), 0xCADBBE3Du);
  EXPECT_EQ(CalcCRC32("abc", 0), 0xFFFFFFFFu);
  EXPECT_EQ(CalcCRC32("abc", -5), 0xFFFFFFFFu);
  std::mt19937 rng(7);
  std::vector<std::uint8_t> data(1000);
  for (auto& b : data) b = static_cast<std::uint8_t>(rng());
  EXPECT_EQ(CalcCRC32(data.data(), 1000), ~static_cast<std::uint32_t>(crc32(0, data.data(), 1000)));
  // Text hashes as its UTF-16LE bytes.
  const std::uint8_t le[] = {'a', 0, 0x29, 0x6E};
  EXPECT_EQ(CalcCRC32(u"a温"), CalcCRC32(le, 4));
}

TEST(IsZipStream, LooksAtTheNextFourBytesAndKeepsThePosition) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    std::int64_t pos;
    bool zip;
  } cases[] = {
      {{'P', 'K', 3, 4, 9}, 0, true},
      {{0, 'P', 'K', 3, 4}, 1, true},
      {{'P', 'K', 3, 4}, 1, false},
      {{'P', 'K', 3}, 0, false},
      {{'P', 'K', 5, 6}, 0, false},
      {{}, 0, false},
  };
  for (const auto& c : cases) {
    TMemoryStream s(c.bytes);
    s.SetPosition(c.pos);
    EXPECT_EQ(IsZipStream(s), c.zip);
    EXPECT_EQ(s.GetPosition(), c.pos);
  }
}

TEST(TextRoutines, OneBasedPositionsAndSplits) {
  EXPECT_EQ(CPosW(u'b', u"abcb"), 2);
  EXPECT_EQ(RCPosW(u'b', u"abcb"), 4);
  EXPECT_EQ(CPosW(u'z', u"abc"), -1);
  EXPECT_EQ(RCPos('z', u"abc"), -1);
  EXPECT_EQ(CPos('\xE9', u"caf\u00E9"), 4);  // 8-bit character widened
  EXPECT_EQ(CPosW(u'x', u""), -1);

  std::u16string s = u"a!b!c", head;
  SplitAtChar(u'!', s, head);
  EXPECT_EQ(head, u"a");
  EXPECT_EQ(s, u"b!c");
  s = u"!x";
  SplitAtChar(u'!', s, head);
  EXPECT_EQ(head, u"");
  EXPECT_EQ(s, u"x");
  s = u"none";
  SplitAtChar(u'!', s, head);
  EXPECT_EQ(head, u"none");
  EXPECT_EQ(s, u"");

  EXPECT_TRUE(IsByteString(u""));
  EXPECT_TRUE(IsByteString(u"\u00FF abc"));
  EXPECT_FALSE(IsByteString(u"\u0100"));
  EXPECT_EQ(MakeIndent(3), u"      ");
  EXPECT_EQ(MakeIndent(0), u"");
  EXPECT_TRUE(CharInSetW(u'+', "+-"));
  EXPECT_FALSE(CharInSetW(u'\u012B', "+-"));  // 0x12B: low byte is '+', but above 255
}

TEST(NumberRoutines, RoundDecimalsRoundsHalvesAwayFromZero) {
  struct Case {
    long double value;
    int digits;
    long double expected;
  } cases[] = {
      {0.125L, 2, 0.13L}, {-0.125L, 2, -0.13L}, {1234, -2, 1200}, {1250, -2, 1300},
      {2.5L, 0, 3},       {-2.5L, 0, -3},       {0.124L, 2, 0.12L},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(static_cast<double>(RoundDecimals(c.value, c.digits)), static_cast<double>(c.expected), 1e-12)
        << static_cast<double>(c.value) << " " << c.digits;
  }
}

TEST(NumberRoutines, EmuClampAndBool) {
  EXPECT_DOUBLE_EQ(EMUToCm(360000), 1.0);
  EXPECT_EQ(CmToEMU(0.25), 90000);
  EXPECT_EQ(CmToEMU(2.5 / 360000), 2);  // halves to even
  EXPECT_EQ(CmToEMU(3.5 / 360000), 4);
  EXPECT_EQ(CmToEMU(1e20), INT32_MAX);
  EXPECT_EQ(CmToEMU(-1e20), INT32_MIN);
  EXPECT_EQ(ClampInt(-5, 0, 10), 0);
  EXPECT_EQ(ClampInt(50, 0, 10), 10);
  EXPECT_EQ(ClampInt(5, 0, 10), 5);
  EXPECT_EQ(BoolToWord(true), 1);
  EXPECT_EQ(BoolToWord(false), 0);
}

class LocaleTest : public ::testing::Test {
protected:
  void TearDown() override { ResetXLSFormatSettings(); }
};

TEST_F(LocaleTest, FixedDefaults) {
  EXPECT_EQ(TFormatSettings::GetDecimalSeparator(), u'.');
  EXPECT_EQ(TFormatSettings::GetListSeparator(), u',');
  EXPECT_EQ(TFormatSettings::GetThousandSeparator(), u',');
  EXPECT_EQ(TFormatSettings::GetPaperSize(), 9);
  EXPECT_EQ(TFormatSettings::GetAnsiCodePage(), 936);
  EXPECT_EQ(XLSFormatSettings().LongMonthNames[11], u"December");
}

TEST_F(LocaleTest, CurrencyConversionFollowsTheSymbolPlace) {
  double v = 0;
  XLSFormatSettings().CurrencyString = u"kr";
  XLSFormatSettings().CurrencyFormat = 1;  // symbol behind
  EXPECT_TRUE(TryCurrStrToFloat(u" 12.5kr ", v));
  EXPECT_DOUBLE_EQ(v, 12.5);
  EXPECT_FALSE(TryCurrStrToFloat(u"kr12.5", v));
  XLSFormatSettings().CurrencyFormat = 0;  // symbol in front
  EXPECT_TRUE(TryCurrStrToFloat(u"kr-3", v));
  EXPECT_DOUBLE_EQ(v, -3);
  EXPECT_FALSE(TryCurrStrToFloat(u"12.5kr", v));
  EXPECT_FALSE(TryCurrStrToFloat(u"k", v));
  EXPECT_FALSE(TryCurrStrToFloat(u"kr", v));
  // The process-wide decimal separator decides.
  TFormatSettings::SetDecimalSeparator(u',');
  EXPECT_TRUE(TryCurrStrToFloat(u"kr1,25", v));
  EXPECT_DOUBLE_EQ(v, 1.25);
  EXPECT_FALSE(TryCurrStrToFloat(u"kr1.25", v));
}

TEST(TryStrToFloat, AcceptsOnlyWholeNumbers) {
  struct Case {
    const char16_t* text;
    bool ok;
    double value;
  } cases[] = {{u"1", true, 1},     {u" -1.5e3 ", true, -1500}, {u".5", true, 0.5}, {u"5.", true, 5},
               {u"+2E-1", true, 0.2}, {u"", false, 0},          {u"1e", false, 0},  {u"1,000", false, 0},
               {u"0x10", false, 0}, {u"- 1", false, 0},         {u".", false, 0}};
  for (const auto& c : cases) {
    double v = -99;
    EXPECT_EQ(TryStrToFloat(c.text, v), c.ok) << core::u8(c.text);
    if (c.ok) {
      EXPECT_DOUBLE_EQ(v, c.value);
    }
  }
}

TEST(SortDoubleArray, SortsLikeTheStandardSort) {
  std::mt19937 rng(3);
  for (int n : {0, 1, 2, 3, 17, 1000}) {
    std::vector<double> a(static_cast<std::size_t>(n));
    for (auto& x : a) x = static_cast<double>(static_cast<int>(rng() % 50)) - 25;  // many duplicates
    auto expected = a;
    std::sort(expected.begin(), expected.end());
    SortDoubleArray(a);
    EXPECT_EQ(a, expected);
  }
  std::vector<double> sorted(100000);
  for (std::size_t i = 0; i < sorted.size(); ++i) sorted[i] = static_cast<double>(i % 7);
  SortDoubleArray(sorted);
  EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end()));
}

struct Item : TIndexObject {
  explicit Item(int v) : value(v) {}
  int value;
};

TEST(IndexObjectList, KeepsIndexEqualToPosition) {
  TIndexObjectList<Item> list;
  for (int i = 0; i < 4; ++i) list.Add(std::make_unique<Item>(i * 10));
  EXPECT_EQ(list[3]->Index, 3);
  list.Delete(1);
  auto taken = list.Extract(0);
  EXPECT_EQ(taken->value, 0);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list[0]->value, 20);
  EXPECT_EQ(list[0]->Index, 0);
  EXPECT_EQ(list[1]->Index, 1);
  list.Insert(0, std::make_unique<Item>(5));
  EXPECT_EQ(list[2]->Index, 2);
  EXPECT_EQ(list[0]->RequestObject(typeid(Item)), nullptr);
  EXPECT_THROW(list.GetItem(3), EListError);
  EXPECT_THROW(list.Delete(-1), EListError);
}

TEST(IntegerList, StackAndBounds) {
  TIntegerList l;
  EXPECT_EQ(l.Add(5), 0);
  EXPECT_EQ(l.Add(-7), 1);
  EXPECT_EQ(l.GetItems(1), -7);
  EXPECT_EQ(l.Pop(), -7);
  EXPECT_EQ(l.Pop(), 5);
  try {
    l.Pop();
    FAIL() << "Pop of an empty list must raise";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (-1)");
  }
  EXPECT_THROW(l.GetItems(0), EListError);
}

TEST(Streams, MemoryStreamsReadWriteAndSeek) {
  TMemoryStream m;
  m.WriteBuffer("hello", 5);
  m.SetPosition(1);
  m.WriteBuffer("EL", 2);
  EXPECT_EQ(m.GetSize(), 5);
  m.SetPosition(0);
  char buf[8] = {};
  EXPECT_EQ(m.Read(buf, 8), 5);
  EXPECT_STREQ(buf, "hELlo");
  EXPECT_THROW(m.ReadBuffer(buf, 1), EStreamError);
  EXPECT_THROW(m.Seek(-1, TSeekOrigin::soBeginning), EStreamError);

  const char block[] = "abc";
  TPointerMemoryStream p(block, 3);
  EXPECT_EQ(p.Seek(-1, TSeekOrigin::soEnd), 2);
  EXPECT_EQ(p.Read(buf, 5), 1);
  EXPECT_EQ(buf[0], 'c');
  EXPECT_THROW(p.WriteBuffer("x", 1), EStreamError);
}

TEST(Streams, FileStreams) {
  std::string path = ::testing::TempDir() + "/thc_workbook_file_stream.bin";
  {
    TFileStream f(path, TFileStream::fmCreate);
    f.WriteBuffer("0123456789", 10);
    EXPECT_EQ(f.GetSize(), 10);
  }
  TFileStream f(path, TFileStream::fmOpenRead);
  char buf[4] = {};
  EXPECT_EQ(f.Seek(-3, TSeekOrigin::soEnd), 7);
  f.ReadBuffer(buf, 3);
  EXPECT_STREQ(buf, "789");
  EXPECT_THROW(f.ReadBuffer(buf, 1), EStreamError);
  TMemoryStream m;
  m.LoadFromFile(path);
  EXPECT_EQ(m.GetSize(), 10);
  std::remove(path.c_str());
  EXPECT_THROW(TFileStream(path, TFileStream::fmOpenRead), EStreamError);
}

}  // namespace
}  // namespace workbook
