#include "biff/formulas/biff8_decoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "biff/biff_error.h"
#include "biff/stream/xls_stream.h"
#include "core/byte_io.h"
#include "core/strings.h"
#include "core/unicode.h"
#include "workbook/cell_references.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Decode(const Bytes& B, const biff::TDecodeRefEvent& OnRef = nullptr, int BaseRow = 0, int BaseCol = 0) {
  std::u16string Text;
  biff::DecodeFormulaBIFF(B.data(), static_cast<int>(B.size()), 0, Text, u',', OnRef, BaseRow, BaseCol);
  return std::string(Text.begin(), Text.end());  // the cases below are ASCII
}

Bytes Cat(std::initializer_list<Bytes> Parts) {
  Bytes R;
  for (const auto& P : Parts) R.insert(R.end(), P.begin(), P.end());
  return R;
}

Bytes Num(double V) {
  Bytes R(9, 0);
  R[0] = 0x1F;
  std::memcpy(R.data() + 1, &V, 8);
  return R;
}

struct DecodeCase {
  const char* Name;
  Bytes Ptgs;
  const char* Text;
};

TEST(BIFF8Decoder, DecodesTokenStreams) {
  const Bytes A1 = {0x44, 0x00, 0x00, 0x00, 0xC0};
  const Bytes B1 = {0x44, 0x00, 0x00, 0x01, 0xC0};
  const Bytes One = Num(1);
  const Bytes ArrayExtra = Cat({{0x01, 0x01, 0x00},  // 2 columns, 2 rows
                                {0x01}, Bytes(One.begin() + 1, One.end()),
                                {0x02, 0x01, 0x00, 0x00, 'a'},
                                {0x04, 0x01, 0, 0, 0, 0, 0, 0, 0},
                                {0x10, 0x2A, 0, 0, 0, 0, 0, 0, 0}});
  const DecodeCase Cases[] = {
      {"reference plus integer", Cat({A1, {0x1E, 0x01, 0x00, 0x03}}), "A1+1"},
      {"relative area", {0x45, 0x1B, 0x00, 0x27, 0x00, 0x01, 0xC0, 0x01, 0xC0}, "B28:B40"},
      {"absolute area", {0x45, 0x1B, 0x00, 0x27, 0x00, 0x01, 0x00, 0x01, 0x00}, "$B$28:$B$40"},
      {"mixed reference", {0x24, 0x04, 0x00, 0x02, 0x40}, "C$5"},
      {"cell-store marker skipped", Cat({{0xFF}, A1, {0x1E, 0x01, 0x00, 0x03}}), "A1+1"},
      {"empty stream", {}, "[ERROR]"},
      {"marker only", {0xFF}, "[ERROR]"},
      {"operator without operands", {0x1E, 0x01, 0x00, 0x05}, "<Val missing>"},
      {"comparison operators", Cat({A1, B1, {0x09}, A1, {0x0B}, B1, {0x0E}}), "A1<B1=A1<>B1"},
      {"other binary operators", Cat({A1, B1, {0x05}, A1, {0x07}, B1, {0x06}, A1, {0x08}, B1, {0x0D}, A1, {0x03}, B1, {0x04}, A1, {0x0A}, B1, {0x0C}}),
       "A1*B1^A1/B1&A1>B1+A1-B1<=A1>=B1"},
      {"unary, percent and parentheses", Cat({A1, {0x13, 0x14, 0x15}}), "(-A1%)"},
      {"union and range", Cat({A1, B1, {0x11}, A1, {0x10}}), "A1:B1,A1"},
      {"intersection", Cat({A1, B1, {0x0F}}), "A1 B1"},
      {"number and booleans", Cat({Num(2.5), {0x1D, 0x01, 0x05}, {0x1D, 0x00, 0x05}}), "2.5*TRUE*FALSE"},
      {"error constant", {0x1C, 0x07}, "#DIV/0!"},
      {"8-bit string with a quote", {0x17, 0x03, 0x00, 'a', '"', 'b'}, "\"a\"\"b\""},
      {"16-bit string", {0x17, 0x02, 0x01, 'h', 0x00, 'i', 0x00}, "\"hi\""},
      {"missing argument", Cat({A1, {0x16}, B1, {0x42, 0x03, 0x04, 0x00}}), "SUM(A1,,B1)"},
      {"ROUND(AVERAGE(..))",
       {0x25, 0x01, 0x00, 0x04, 0x00, 0x01, 0xC0, 0x01, 0xC0, 0x42, 0x01, 0x05, 0x00, 0x1E, 0x01, 0x00, 0x41, 0x1B, 0x00},
       "ROUND(AVERAGE(B2:B5),1)"},
      {"fixed function without arguments", {0x21, 0x4A, 0x00, 0x1E, 0x01, 0x00, 0x03}, "NOW()+1"},
      {"sum attribute", {0x25, 0x00, 0x00, 0x02, 0x00, 0x00, 0xC0, 0x00, 0xC0, 0x19, 0x10, 0x00, 0x00}, "SUM(A1:A3)"},
      {"choose jump table skipped",
       Cat({{0x1E, 0x01, 0x00}, {0x19, 0x04, 0x02, 0x00, 0x08, 0x00, 0x0C, 0x00, 0x10, 0x00}, A1, {0x19, 0x08, 0x03, 0x00},
            B1, {0x19, 0x08, 0x00, 0x00}, {0x42, 0x03, 0x64, 0x00}}),
       "CHOOSE(1,A1,B1)"},
      {"space attribute skipped", Cat({A1, {0x19, 0x40, 0x00, 0x01}, B1, {0x03}}), "A1+B1"},
      {"reference errors", {0x2A, 0, 0, 0, 0, 0x2B, 0, 0, 0, 0, 0, 0, 0, 0, 0x03}, "#REF!+#REF!"},
      {"3-D reference without event", {0x3A, 0x01, 0x00, 0x00, 0x00, 0x00, 0xC0}, "[ExternSheet]A1"},
      {"3-D area without event", {0x3B, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00}, "[ExternSheet]$A$1:$C$2"},
      {"defined name without event", {0x23, 0x01, 0x00, 0x00, 0x00}, "[EXTERNNAME]"},
      {"external name without event", {0x39, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00}, "[EXTERNNAME 2]"},
      {"unknown token stops", Cat({A1, {0x01, 0x00, 0x00, 0x00, 0x00}, B1}), "Unknown ptg[01]"},
      {"unknown extended token", {0x18, 0x55}, "Unknown eptg[55]"},
      // From a real file: a radical label, an area and a name intersected.
      {"radical label skipped",
       {0x18, 0x0A, 0x00, 0x00, 0x0C, 0x80, 0x25, 0x01, 0x00, 0x03, 0x00, 0x0C, 0x00, 0x0C, 0x00, 0x23, 0x17, 0x00,
        0x00, 0x00, 0x0F},
       "$M$2:$M$4 [EXTERNNAME]"},
      {"memory function around a subexpression",
       Cat({{0x29, 0x0D, 0x00}, {0x25, 0x00, 0x00, 0x01, 0x00, 0x00, 0xC0, 0x01, 0xC0}, {0x19, 0x10, 0x00, 0x00}}),
       "SUM(A1:B2)"},
      {"array constant from extra data",
       Cat({{0xFE, static_cast<std::uint8_t>(ArrayExtra.size()), 0x00}, {0x20, 0, 0, 0, 0, 0, 0, 0}, ArrayExtra}),
       "{1,\"a\";TRUE,#N/A}"},
  };
  for (const auto& C : Cases) EXPECT_EQ(Decode(C.Ptgs), C.Text) << C.Name;
}

TEST(BIFF8Decoder, LongWideStringDecodesWhole) {
  Bytes B = {0x17, 200, 0x01};
  for (int i = 0; i < 200; ++i) {
    B.push_back(static_cast<std::uint8_t>('a' + i % 26));
    B.push_back(0);
  }
  std::u16string Text;
  biff::DecodeFormulaBIFF(B.data(), static_cast<int>(B.size()), 0, Text, u',', nullptr, 0, 0);
  ASSERT_EQ(Text.size(), 202u);
  EXPECT_EQ(Text.front(), u'"');
  EXPECT_EQ(Text.back(), u'"');
  EXPECT_EQ(Text[200], static_cast<char16_t>('a' + 199 % 26));
}

TEST(BIFF8Decoder, NonLatinTextSurvives) {
  const Bytes B = {0x17, 0x02, 0x01, 0x73, 0x5E, 0x47, 0x57};  // 平均
  std::u16string Text;
  biff::DecodeFormulaBIFF(B.data(), static_cast<int>(B.size()), 0, Text, u',', nullptr, 0, 0);
  EXPECT_EQ(Text, u"\"\u5E73\u5747\"");
}

TEST(BIFF8Decoder, AsksItsOwnerForNamesAndSheets) {
  std::vector<std::string> Asked;
  biff::TDecodeRefEvent OnRef = [&](std::uint8_t Kind, int Index, std::u16string& Text, int, int, int NameIndex) {
    Asked.push_back(std::to_string(Kind) + ":" + std::to_string(Index) + ":" + std::to_string(NameIndex));
    if (Kind == 0) Text = u"Rate";
    else if (Kind == 2 && NameIndex < 0) Text = u"Sheet2!";
    else if (Kind == 2) Text = u"ExtFunc";
  };
  EXPECT_EQ(Decode({0x3A, 0x01, 0x00, 0x00, 0x00, 0x00, 0xC0}, OnRef), "Sheet2!A1");
  EXPECT_EQ(Decode({0x3C, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00}, OnRef), "Sheet2!#REF!");
  EXPECT_EQ(Decode({0x23, 0x03, 0x00, 0x00, 0x00, 0x1E, 0x02, 0x00, 0x05}, OnRef), "Rate*2");
  // A user-defined function: the name is the first operand of function 255.
  EXPECT_EQ(Decode({0x39, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x1E, 0x05, 0x00, 0x42, 0x02, 0xFF, 0x00}, OnRef),
            "ExtFunc(5)");
  EXPECT_EQ(Asked, (std::vector<std::string>{"2:1:-1", "2:1:-1", "0:-1:3", "2:0:4"}));
  // A row label asks for the sheet's name with the sheet index handed to the decoder.
  Asked.clear();
  const Bytes Label = {0x18, 0x06, 0x02, 0x00, 0x03, 0x00};
  std::u16string Text;
  biff::DecodeFormulaBIFF(Label.data(), static_cast<int>(Label.size()), 5, Text, u',', OnRef, 0, 0);
  EXPECT_EQ(Asked, std::vector<std::string>{"4:5:-1"});
}

TEST(BIFF8Decoder, RelativeTokensUseTheBaseCell) {
  // Row offset +1 and column offset -1, both relative, from C6 (row 5, column 2).
  EXPECT_EQ(Decode({0x4C, 0x01, 0x00, 0xFF, 0xC0}, nullptr, 5, 2), "B7");
  EXPECT_EQ(Decode({0x2D, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0xC0, 0x05, 0x00}, nullptr, 5, 2), "C5:$F$1");
}

TEST(BIFF8Decoder, BadInputRaises) {
  const Bytes Cases[] = {
      {0x1F, 0x00, 0x00},                                  // number cut short
      {0x17, 0x05, 0x00, 'a'},                             // string longer than the stream
      {0x17, 0x02},                                        // string header cut short
      {0x19, 0x04, 0x20, 0x00, 0x00, 0x00},                // choose table past the end
      {0xFE, 0x40, 0x00, 0x1E, 0x01, 0x00},                // extra data longer than the stream
      {0x20, 0, 0, 0, 0, 0, 0, 0},                         // array constant without extra data
      {0xFE, 0x04, 0x00, 0x20, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0x00, 0x01},  // array values missing
      {0x1E, 0x01, 0x00, 0x41, 0x1B, 0x00},                // ROUND with one operand
      {0x21, 0xFF, 0x7F},                                  // function id outside the table
      {0x42, 0x02, 0x10, 0x27},                            // variable function id outside the table
  };
  for (const auto& B : Cases) {
    std::u16string Text;
    EXPECT_THROW(biff::DecodeFormulaBIFF(B.data(), static_cast<int>(B.size()), 0, Text, u',', nullptr, 0, 0),
                 biff::Exception)
        << core::to_hex(B.data(), B.size());
  }
}

TEST(BIFF8Relocate, SharedTokensBecomeOrdinaryReferences) {
  struct Case {
    const char* Name;
    std::uint8_t Version;
    Bytes In;
    int Row, Col;
    Bytes Out;
  };
  const Case Cases[] = {
      {"BIFF8 reference, both relative", 1, {0x4C, 0xFF, 0xFF, 0xFF, 0xC0}, 9, 1, {0x44, 0x08, 0x00, 0x00, 0xC0}},
      {"BIFF8 reference, absolute column", 1, {0x2C, 0x02, 0x00, 0x03, 0x80}, 4, 7, {0x24, 0x06, 0x00, 0x03, 0x80}},
      {"BIFF8 area of the array class", 1,
       {0x6D, 0x00, 0x00, 0x05, 0x00, 0x00, 0xC0, 0x01, 0x00}, 3, 2,
       {0x65, 0x03, 0x00, 0x05, 0x00, 0x02, 0xC0, 0x01, 0x00}},
      {"BIFF8 string and attribute bytes untouched", 1,
       {0x17, 0x02, 0x00, 0x2C, 0x2D, 0x19, 0x40, 0x2C, 0x00, 0x2C, 0x01, 0x00, 0x01, 0xC0}, 10, 10,
       {0x17, 0x02, 0x00, 0x2C, 0x2D, 0x19, 0x40, 0x2C, 0x00, 0x24, 0x0B, 0x00, 0x0B, 0xC0}},
      {"BIFF8 memory function then its subexpression", 1,
       {0x29, 0x05, 0x00, 0x2C, 0x00, 0x00, 0x00, 0xC0}, 2, 2, {0x29, 0x05, 0x00, 0x24, 0x02, 0x00, 0x02, 0xC0}},
      {"BIFF5 reference, row offset -1", 0, {0x2C, 0xFF, 0xFF, 0xFF}, 9, 1, {0x24, 0x08, 0xC0, 0x00}},
      {"BIFF5 area", 0, {0x2D, 0x00, 0xC0, 0x02, 0x80, 0x00, 0x04}, 5, 3, {0x25, 0x05, 0xC0, 0x07, 0x80, 0x03, 0x04}},
  };
  for (const auto& C : Cases) {
    Bytes B = C.In;
    biff::BIFFRelocatePtgs(C.Version, B.data(), static_cast<int>(B.size()), C.Row, C.Col);
    EXPECT_EQ(B, C.Out) << C.Name;
  }
}

TEST(BIFF8Relocate, RelocatedSharedFormulaDecodes) {
  // B2:B10 share "A1+1" written from B2; the cell B10 gets A9+1.
  Bytes B = {0x4C, 0xFF, 0xFF, 0xFF, 0xC0, 0x1E, 0x01, 0x00, 0x03};
  biff::BIFFRelocatePtgs(1, B.data(), static_cast<int>(B.size()), 9, 1);
  EXPECT_EQ(Decode(B), "A9+1");
}

TEST(BIFF8Relocate, BadTokensRaise) {
  const Bytes Cases[] = {{0x01, 0x00, 0x00, 0x00, 0x00}, {0x18, 0x01}, {0x2C, 0x00, 0x00}, {0x17, 0x09, 0x00, 'a'},
                         {0x19, 0x04, 0x05, 0x00}};
  for (Bytes B : Cases)
    EXPECT_THROW(biff::BIFFRelocatePtgs(1, B.data(), static_cast<int>(B.size()), 0, 0), biff::Exception)
        << core::to_hex(B.data(), B.size());
}

}  // namespace

namespace {

// Formulas of a workbook made by another producer, read record by record from the committed fixture.
TEST(BIFF8Decoder, DecodesTheFormulasOfARealWorkbook) {
  std::ifstream F(std::string(THC_BIFF_FIXTURES) + "/namesdemo.xls", std::ios::binary);
  ASSERT_TRUE(F) << "fixture missing";
  const core::Bytes File((std::istreambuf_iterator<char>(F)), {});
  biff::TExtraObjects Kept;
  biff::TXLSStream S;
  S.SetInputStream(File);
  S.SetExtraObjects(&Kept);
  ASSERT_EQ(S.Open(""), 6);

  std::map<std::string, std::string> Cells;
  int Names = 0;
  biff::TBIFFHeader H;
  std::vector<std::uint8_t> B;
  while (S.ReadHeader(H) == 4) {
    B.resize(H.Length);
    S.Read(B.data(), H.Length);
    std::u16string Text;
    if (H.RecID == 0x0006) {  // FORMULA: tokens from offset 22, their size at 20
      ASSERT_GE(H.Length, 22);
      const int Len = core::load_le16(B.data() + 20);
      ASSERT_LE(22 + Len, H.Length);
      biff::DecodeFormulaBIFF(B.data() + 22, Len, 0, Text, u',', nullptr, 0, 0);
      Cells[core::utf16_to_utf8(workbook::ColRowToRefStr(core::load_le16(B.data() + 2), core::load_le16(B.data())))] =
          core::utf16_to_utf8(Text);
    } else if (H.RecID == 0x0018) {  // NAME: tokens after the name
      const int Len = core::load_le16(B.data() + 4);
      const int At = 15 + B[3] * ((B[14] & 1) ? 2 : 1);
      ASSERT_LE(At + Len, H.Length);
      biff::DecodeFormulaBIFF(B.data() + At, Len, 0, Text, u',', nullptr, 0, 0);
      EXPECT_EQ(Text.find(u"Unknown"), std::u16string::npos);
      ++Names;
    }
  }
  EXPECT_EQ(Names, 34);
  EXPECT_EQ(Cells.size(), 28u);
  const std::map<std::string, std::string> Expected = {
      {"A26", "TODAY()"},         {"C23", "123&456"},         {"C25", "12.34&56.789"},
      {"E22", "\"2\">2"},         {"E24", "\"2\"=2"},         {"A15", "SUM([EXTERNNAME],[EXTERNNAME])"},
      {"A14", "SUM([EXTERNNAME] [EXTERNNAME])"},             {"A13", "SUM([EXTERNNAME]:[EXTERNNAME])"},
      {"A6", "$M$2:$M$4 [EXTERNNAME]"},
  };
  for (const auto& [Cell, Text] : Expected) EXPECT_EQ(Cells[Cell], Text) << Cell;
}

}  // namespace
