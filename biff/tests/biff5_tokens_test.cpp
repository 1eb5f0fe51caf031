// BIFF5 formula tokens turned into BIFF8 tokens: every token kind of the older version, the jumps
// of IF and CHOOSE recomputed for the new sizes, strings through the file's code page, array
// constants and memory areas with their extra data, and what does not convert.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "biff/formulas/biff5_tokens.h"
#include "biff/formulas/biff8_decoder.h"
#include "biff/reader/external_names.h"
#include "core/codepage.h"
#include "core/strings.h"
#include "core/unicode.h"

namespace biff {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Hex(const Bytes& B) {
  std::string s;
  for (std::uint8_t v : B) s += core::format("%.2X ", v);
  return s;
}

Bytes Cat(std::initializer_list<Bytes> Parts) {
  Bytes out;
  for (const Bytes& p : Parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// A workbook of two sheets, Data and Calc, with one name, Rate, and code page 936.
struct Book {
  TExternalNames Ext;
  TBIFF5TokenContext Context;
  const char16_t* Sheets[2] = {u"Data", u"Calc"};
  Book() {
    // As the reader does: sheets of the file itself by their numbers, 0xFFFF for a deleted one.
    Context.ExternSheet = [this](int Ixals, int First, int Last) {
      if (Ixals >= 0) return -1;
      if (First == 0xFFFF || Last == 0xFFFF) return Ext.GetInternalSheetRange(0xFFFF, 0xFFFF, 2);
      return Last < 2 ? Ext.GetInternalSheetRange(First, Last, 2) : -1;
    };
    Context.Text = [](const std::uint8_t* S, int N) {
      return core::codepage_to_utf16(936, std::string_view(reinterpret_cast<const char*>(S), static_cast<std::size_t>(N)));
    };
  }
  bool Convert(const Bytes& Ptgs, const Bytes& Extra, Bytes& Out, int& Cce) {
    return BIFF5TokensToBIFF8(Ptgs.data(), static_cast<int>(Ptgs.size()), Extra.data(), static_cast<int>(Extra.size()),
                              Context, Out, Cce);
  }
  std::string Text(const Bytes& Tokens, int Cce, int BaseRow = 0, int BaseCol = 0) {
    Bytes marked;
    if (static_cast<int>(Tokens.size()) > Cce) {
      const int extra = static_cast<int>(Tokens.size()) - Cce;
      marked = {0xFE, static_cast<std::uint8_t>(extra), static_cast<std::uint8_t>(extra >> 8)};
    } else {
      marked = {0xFF};
    }
    marked.insert(marked.end(), Tokens.begin(), Tokens.end());
    std::u16string text;
    DecodeFormulaBIFF(
        marked.data(), static_cast<int>(marked.size()), -1, text, u',',
        [this](std::uint8_t Kind, int Index, std::u16string& T, int, int, int NameIndex) {
          if (Kind == 0) T = NameIndex == 1 ? u"Rate" : u"#NAME?";
          if (Kind == 2) {
            int first = 0, last = 0;
            Ext.GetExtSheetTabs(Index, first, last);
            T = first < 2 ? std::u16string(Sheets[first]) + u"!" : u"#REF!!";
          }
        },
        BaseRow, BaseCol);
    return core::utf16_to_utf8(text);
  }
};

const Bytes kZero8(8, 0), kZero12(12, 0);

TEST(BIFF5Tokens, EveryTokenKindReadsAsItsText) {
  struct Case {
    const char* name;
    Bytes ptgs, extra;
    std::string text;
    int baseRow = 0, baseCol = 0;
  } cases[] = {
      {"relative cell", {0x44, 0x00, 0xC0, 0x00, 0x1E, 0x02, 0x00, 0x05}, {}, "A1*2"},
      {"absolute flags", {0x44, 0x00, 0x00, 0x00, 0x44, 0x00, 0x40, 0x01, 0x03}, {}, "$A$1+B$1"},
      {"area and sum", {0x25, 0x00, 0xC0, 0x02, 0xC0, 0x00, 0x00, 0x19, 0x10, 0x00, 0x00}, {}, "SUM(A1:A3)"},
      {"3-D cell", Cat({{0x5A, 0xFF, 0xFF}, kZero8, {0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x1E, 0x02, 0x00, 0x05}}),
       {}, "Data!A1*2"},
      {"3-D area", Cat({{0x3B, 0xFF, 0xFF}, kZero8, {1, 0, 1, 0, 0x00, 0x00, 0x02, 0x00, 0x01, 0x01}}), {}, "Calc!$B$1:$B$3"},
      {"deleted sheet", Cat({{0x5A, 0xFF, 0xFF}, kZero8, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xC0, 0x00}}), {}, "#REF!!A1"},
      {"name", Cat({{0x43, 0x01, 0x00}, kZero12, {0x1E, 0x01, 0x00, 0x03}}), {}, "Rate+1"},
      {"name of the file through the external-name token", Cat({{0x59, 0xFF, 0xFF}, kZero8, {0x01, 0x00}, kZero12}), {},
       "Rate"},
      {"code-page string", {0x17, 0x04, 0xCE, 0xC2, 0xB6, 0xC8}, {}, "\"温度\""},
      {"array constant", {0x60, 0, 0, 0, 0, 0, 0, 0, 0x42, 0x01, 0x04, 0x00},
       Cat({{0x02, 0x01, 0x00, 0x01}, {0, 0, 0, 0, 0, 0, 0xF0, 0x3F}, {0x02, 0x01, 'x'}}), "SUM({1,\"x\"})"},
      {"shared-formula offsets", {0x4C, 0xFF, 0xFF, 0xFE, 0x1E, 0x03, 0x00, 0x05}, {}, "A2*3", 2, 2},
      {"error, bool, number", Cat({{0x1C, 0x07, 0x1D, 0x01}, {0x1F, 0, 0, 0, 0, 0, 0, 0x04, 0x40}, {0x42, 0x03, 0x64, 0x00}}),
       {}, "CHOOSE(#DIV/0!,TRUE,2.5)"},
  };
  for (const Case& c : cases) {
    Book b;
    Bytes out;
    int cce = 0;
    ASSERT_TRUE(b.Convert(c.ptgs, c.extra, out, cce)) << c.name;
    EXPECT_EQ(b.Text(out, cce, c.baseRow, c.baseCol), c.text) << c.name << ": " << Hex(out);
  }
}

TEST(BIFF5Tokens, JumpsFollowTheNewSizes) {
  struct Case {
    const char* name;
    Bytes ptgs, biff8;
  } cases[] = {
      // IF(A1>1,"a","bc"): the condition's jump to the second value, the skips to the end.
      {"if",
       {0x44, 0x00, 0xC0, 0x00, 0x1E, 0x01, 0x00, 0x0D, 0x19, 0x02, 0x07, 0x00, 0x17, 0x01, 'a', 0x19, 0x08, 0x0B, 0x00,
        0x17, 0x02, 'b', 'c', 0x19, 0x08, 0x03, 0x00, 0x42, 0x03, 0x01, 0x00},
       {0x44, 0x00, 0x00, 0x00, 0xC0, 0x1E, 0x01, 0x00, 0x0D, 0x19, 0x02, 0x08, 0x00, 0x17, 0x01, 0x00, 'a', 0x19, 0x08,
        0x0C, 0x00, 0x17, 0x02, 0x00, 'b', 'c', 0x19, 0x08, 0x03, 0x00, 0x42, 0x03, 0x01, 0x00}},
      // CHOOSE(2,A1,B1): the table points at each value and at the function, from its start.
      {"choose",
       {0x1E, 0x02, 0x00, 0x19, 0x04, 0x02, 0x00, 0x06, 0x00, 0x0E, 0x00, 0x16, 0x00, 0x44, 0x00, 0xC0, 0x00, 0x19, 0x08,
        0x0B, 0x00, 0x44, 0x00, 0xC0, 0x01, 0x19, 0x08, 0x03, 0x00, 0x42, 0x03, 0x64, 0x00},
       {0x1E, 0x02, 0x00, 0x19, 0x04, 0x02, 0x00, 0x06, 0x00, 0x0F, 0x00, 0x18, 0x00, 0x44, 0x00, 0x00, 0x00, 0xC0, 0x19,
        0x08, 0x0C, 0x00, 0x44, 0x00, 0x00, 0x01, 0xC0, 0x19, 0x08, 0x03, 0x00, 0x42, 0x03, 0x64, 0x00}},
      // A memory token's length covers the 3-D reference after it, 17 bytes shorter in BIFF8.
      {"memory function", Cat({{0x29, 0x12, 0x00, 0x3A, 0xFF, 0xFF}, kZero8, {0, 0, 0, 0, 0x00, 0xC0, 0x00}}),
       {0x29, 0x07, 0x00, 0x3A, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0}},
  };
  for (const Case& c : cases) {
    Book b;
    Bytes out;
    int cce = 0;
    ASSERT_TRUE(b.Convert(c.ptgs, {}, out, cce)) << c.name;
    EXPECT_EQ(Hex(out), Hex(c.biff8)) << c.name;
    EXPECT_EQ(cce, static_cast<int>(c.biff8.size())) << c.name;
  }
  Book b;
  Bytes out;
  int cce = 0;
  ASSERT_TRUE(b.Convert(cases[0].ptgs, {}, out, cce));
  EXPECT_EQ(b.Text(out, cce), "IF(A1>1,\"a\",\"bc\")");
}

TEST(BIFF5Tokens, WhatDoesNotConvertIsRefused) {
  struct Case {
    const char* name;
    Bytes ptgs, extra;
  } cases[] = {
      {"extended token BIFF5 does not have", {0x18, 0x01, 0x00, 0x00, 0x00, 0x00}, {}},
      {"cut 3-D reference", Cat({{0x3A, 0xFF, 0xFF}, kZero8, {0, 0}}), {}},
      {"cut string", {0x17, 0x05, 'a', 'b'}, {}},
      {"sheet the workbook has not", Cat({{0x3A, 0xFF, 0xFF}, kZero8, {5, 0, 5, 0, 0x00, 0xC0, 0x00}}), {}},
      {"external sheet without its record", Cat({{0x3A, 0x02, 0x00}, kZero8, {0, 0, 0, 0, 0x00, 0xC0, 0x00}}), {}},
      {"array without its values", {0x60, 0, 0, 0, 0, 0, 0, 0}, {0x02, 0x01, 0x00, 0x01}},
      {"array of no rows", {0x60, 0, 0, 0, 0, 0, 0, 0}, {0x01, 0x00, 0x00}},
      {"unknown array element", {0x60, 0, 0, 0, 0, 0, 0, 0}, {0x01, 0x01, 0x00, 0x07}},
      {"unknown token", {0x3F}, {}},
  };
  for (const Case& c : cases) {
    Book b;
    Bytes out;
    int cce = 0;
    EXPECT_FALSE(b.Convert(c.ptgs, c.extra, out, cce)) << c.name;
  }
}

}  // namespace
}  // namespace biff
