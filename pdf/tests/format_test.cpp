#include <gtest/gtest.h>

#include <zlib.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "io/stream.h"
#include "pdf/compression_stream.h"
#include "pdf/errors.h"
#include "pdf/format.h"

namespace pdf {
namespace {

std::string Inflate(const std::string& z, std::size_t expected) {
  std::vector<unsigned char> out(expected + 16);
  uLongf len = static_cast<uLongf>(out.size());
  const int rc = uncompress(out.data(), &len, reinterpret_cast<const Bytef*>(z.data()), static_cast<uLong>(z.size()));
  EXPECT_EQ(rc, Z_OK);
  return std::string(reinterpret_cast<char*>(out.data()), len);
}

TEST(FormatReal, Table) {
  struct Case {
    double x;
    const char* text;
  };
  const Case cases[] = {
      {0, "0"},           {1.5, "1.5"},       {2.00004, "2"},        {-3.25, "-3.25"},
      {841.89, "841.89"}, {-0.0, "0"},        {-0.00001, "0"},       {0.00005001, "0.0001"},
      {123456789, "123456789"}, {0.1, "0.1"}, {-642.12346, "-642.1235"}, {1e-9, "0"},
      {0.99999, "1"},     {12.3400, "12.34"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatReal(c.x), c.text) << c.x;
}

TEST(FormatReal, IgnoresTheLocaleAndRefusesNonFiniteValues) {
  // Whatever numeric locale the process runs under, the point stays a point.
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous != nullptr ? previous : "C";
  for (const char* loc : {"de_DE.UTF-8", "fr_FR.UTF-8", "C.UTF-8"}) {
    if (std::setlocale(LC_NUMERIC, loc) == nullptr) continue;
    EXPECT_EQ(FormatReal(1.5), "1.5") << loc;
    EXPECT_EQ(FormatReal(-1234.5678), "-1234.5678") << loc;
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_THROW(FormatReal(std::numeric_limits<double>::infinity()), TPDFException);
  EXPECT_THROW(FormatReal(std::nan("")), TPDFException);
}

TEST(EscapeLiteral, EscapesOnlyTheFiveSpecialBytes) {
  EXPECT_EQ(EscapeLiteral("a(b)c\\d\r\n"), "a\\(b\\)c\\\\d\\r\\n");
  const std::string other("\x01\t\x80\xFF%", 5);
  EXPECT_EQ(EscapeLiteral(other), other);
  EXPECT_EQ(EscapeLiteral(std::string("\0x", 2)), std::string("\0x", 2));
}

TEST(Helpers, HexPaddingAndSearch) {
  EXPECT_EQ(HexOfByte(0x0A), "0A");
  EXPECT_EQ(HexOfWord(0x00E9), "00E9");
  EXPECT_EQ(HexOfWord(0xFEFF), "FEFF");
  EXPECT_EQ(ZeroPadInt(1234, 10), "0000001234");
  EXPECT_EQ(ZeroPadInt(12345678901LL, 10), "12345678901");
  EXPECT_EQ(ZeroPadInt(0, 10), "0000000000");
  EXPECT_EQ(ReplaceChar("a b c", ' ', "#20"), "a#20b#20c");
  struct Pos {
    const char* sub;
    const char* s;
    int start;
    int pos;
  };
  const Pos cases[] = {{"ab", "xxabab", 1, 3}, {"ab", "xxabab", 4, 5}, {"ab", "xxabab", 6, 0},
                       {"", "abc", 1, 0},      {"a", "", 1, 0},        {"c", "abc", 99, 0}};
  for (const Pos& c : cases) EXPECT_EQ(PosFrom(c.sub, c.s, c.start), c.pos) << c.sub << " in " << c.s;
}

TEST(WinAnsi, Set) {
  struct Case {
    char16_t w;
    bool in_set;
    int byte;
  };
  const Case cases[] = {
      {u'A', true, 0x41},     {0x20AC, true, 128}, {0x00E9, true, 0xE9}, {0x00FE, true, 0xFE},
      {0x00FF, false, 0},     {0x4E2D, false, 0},  {0x0081, true, 0x81}, {0x009D, true, 0x9D},
      {0x0080, false, 0},     {0x2122, true, 0x99}, {0x0178, true, 0x9F}, {0x00A0, true, 0xA0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsWinAnsiChar(c.w), c.in_set) << std::hex << int(c.w);
    EXPECT_EQ(UnicodeToWinAnsi(c.w), c.byte) << std::hex << int(c.w);
  }
  // Every byte maps to a character that maps back to it.
  for (int b = 1; b < 256; ++b) {
    if (b == 0xFF) continue;
    EXPECT_EQ(UnicodeToWinAnsi(WinAnsiToUnicode(static_cast<std::uint8_t>(b))), b) << b;
  }
  EXPECT_EQ(WinAnsiToUnicode(0xFF), 0x00FF);
}

TEST(CodePages, CharsetTables) {
  EXPECT_EQ(CharsetToCodePage(DEFAULT_CHARSET), 936);
  EXPECT_EQ(CharsetToCodePage(0), 1252);
  EXPECT_EQ(CharsetToCodePage(77), 10000);
  EXPECT_EQ(CharsetToCodePage(130), 1361);
  EXPECT_EQ(CharsetToCodePage(163), 1258);
  EXPECT_EQ(CharsetToCodePage(222), 874);
  EXPECT_EQ(CharsetToCodePage(2), 1252);

  EXPECT_EQ(AnsiToUTF16BEHex("abc", 0), "FEFF006100620063");
  // DEFAULT_CHARSET is not replaced here: 1252, so the euro byte stays the euro.
  EXPECT_EQ(AnsiToUTF16BEHex("\x80", DEFAULT_CHARSET), "FEFF20AC");
  // "温度" in code page 936.
  EXPECT_EQ(AnsiToUTF16BEHex("\xCE\xC2\xB6\xC8", 134), "FEFF6E295EA6");
  EXPECT_EQ(AnsiToUTF16BEHex("", 134), "");
}

TEST(Geometry, OrderRotateSort) {
  int a = 5, b = 9, c = 1, d = 2;
  OrderIntRect(a, b, c, d);
  EXPECT_EQ((std::vector<int>{a, b, c, d}), (std::vector<int>{1, 2, 5, 9}));
  double x1 = 3, y1 = 3, x2 = 3, y2 = -1;
  OrderRealRect(x1, y1, x2, y2);
  EXPECT_EQ(x1, 3);
  EXPECT_EQ(y1, -1);
  EXPECT_EQ(y2, 3);
  const TRealPoint p = RotatePoint(1, 0, 90);
  EXPECT_NEAR(p.X, 0, 1e-12);
  EXPECT_NEAR(p.Y, 1, 1e-12);

  std::mt19937 gen(7);
  for (int n : {1, 2, 3, 10, 1000}) {
    std::vector<std::uint16_t> w(static_cast<std::size_t>(n));
    for (auto& v : w) v = static_cast<std::uint16_t>(gen() % 50);  // many duplicates
    std::vector<std::uint16_t> expect = w;
    std::sort(expect.begin(), expect.end());
    SortWords(w.data(), n - 1);
    EXPECT_EQ(w, expect) << n;
  }
}

std::string Text(const io::TMemoryStream& m) { return std::string(m.Bytes().begin(), m.Bytes().end()); }

TEST(CompressionStream, EmptyStreamIsACompleteZlibStreamAfterWhatDestHeld) {
  io::TMemoryStream dest;
  dest.WriteBuffer("prefix", 6);
  {
    TCompressionStream z(static_cast<int>(TCompressionLevel::clDefault), false, dest);
    z.Finish();
  }
  const std::string out = Text(dest);
  ASSERT_GT(out.size(), 6u);
  EXPECT_EQ(Inflate(out.substr(6), 0), "");
  EXPECT_EQ(out.substr(0, 6), "prefix");
  EXPECT_EQ(Inflate(CompressString(""), 0), "");
}

TEST(CompressionStream, LargeInputAcrossBufferBoundariesAtEveryLevel) {
  std::string data;
  std::mt19937 gen(1);
  for (int i = 0; i < 300000; ++i) data.push_back(static_cast<char>(gen() % 7 == 0 ? gen() : 'a' + i % 13));
  for (auto level : {TCompressionLevel::clNone, TCompressionLevel::clFastest, TCompressionLevel::clDefault,
                     TCompressionLevel::clMax}) {
    io::TMemoryStream dest;
    TCompressionStream z(static_cast<int>(level), false, dest);
    for (std::size_t off = 0; off < data.size(); off += 7777)
      z.Write(data.data() + off, static_cast<std::int64_t>(std::min<std::size_t>(7777, data.size() - off)));
    EXPECT_EQ(z.Seek(0, TSeekOrigin::soCurrent), static_cast<std::int64_t>(data.size()));
    z.Finish();
    EXPECT_EQ(Inflate(Text(dest), data.size()), data);
    const std::string once = CompressString(data, level);
    EXPECT_EQ(Inflate(once, data.size()), data);
    // Stored at level none, compressed at the others, whatever level the call before used.
    if (level == TCompressionLevel::clNone) EXPECT_GT(once.size(), data.size());
    else EXPECT_LT(once.size(), data.size() / 2);
    // The one-buffer form keeps its deflate state between calls: it must start afresh each time.
    EXPECT_EQ(Inflate(CompressString(data.substr(0, 100), level), 100), data.substr(0, 100));
    EXPECT_EQ(CompressString(data, level), once);
  }
}

TEST(CompressionStream, ReadAndSeekAreRefused) {
  io::TMemoryStream dest;
  TCompressionStream z(static_cast<int>(TCompressionLevel::clDefault), false, dest);
  char buf[4];
  EXPECT_THROW(z.Read(buf, 4), ECompressionError);
  EXPECT_THROW(z.Seek(1, TSeekOrigin::soCurrent), ECompressionError);
  EXPECT_THROW(z.Seek(0, TSeekOrigin::soBeginning), ECompressionError);
  try {
    z.Read(buf, 4);
  } catch (const ECompressionError& e) {
    EXPECT_STREQ(e.what(), "Invalid stream operation");
  }
}

}  // namespace
}  // namespace pdf
