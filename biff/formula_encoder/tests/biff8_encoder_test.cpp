// The BIFF8 compiler on its own: token bytes of typical and edge-case formulas, the error table,
// and round trips through the BIFF8 decoder for a generated set of formulas.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "biff/formula_encoder/biff8_encoder.h"
#include "biff/formula_encoder/tests/formula_text_generator.h"
#include "biff/formulas/biff8_decoder.h"
#include "core/strings.h"
#include "core/unicode.h"

namespace biff {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Hex(std::string_view S) {
  Bytes B;
  for (std::size_t i = 0; i + 1 < S.size() + 1;) {
    while (i < S.size() && S[i] == ' ') ++i;
    if (i >= S.size()) break;
    B.push_back(static_cast<std::uint8_t>(std::stoi(std::string(S.substr(i, 2)), nullptr, 16)));
    i += 2;
  }
  return B;
}

// A string constant token: 0x17, length, option byte 1, UTF-16 characters.
Bytes Str(std::u16string_view S) {
  Bytes B{0x17, static_cast<std::uint8_t>(S.size()), 0x01};
  for (char16_t C : S) {
    B.push_back(static_cast<std::uint8_t>(C & 0xFF));
    B.push_back(static_cast<std::uint8_t>(C >> 8));
  }
  return B;
}

Bytes Cat(std::initializer_list<Bytes> Parts) {
  Bytes R;
  for (const Bytes& P : Parts) R.insert(R.end(), P.begin(), P.end());
  return R;
}

std::string HexText(const Bytes& B) {
  std::string S;
  for (std::uint8_t V : B) S += core::format("%.2X ", V);
  return S;
}

// A name list for the compiler: index of each known name.
void Names(const std::u16string& Name, int& Index) {
  static const std::u16string Known[] = {u"RATE", u"TOTAL"};
  for (int i = 0; i < 2; ++i)
    if (core::ascii_iequals(Name, Known[i])) Index = i;
}

struct TCase {
  const char16_t* Text;
  Bytes Expected;
  std::uint8_t ArgClass = 0;
};

TEST(Biff8Encoder, TokenBytes) {
  const std::u16string AvgCaption = u"    温度平均值:";
  const std::u16string MinCaption = u"    湿度最小值:";
  const std::u16string MaxCaption = u"    温度最大值:";
  const TCase Cases[] = {
      {u"A1+1", Hex("44 00 00 00 C0 1E 01 00 03")},
      {u"$B$28", Hex("44 1B 00 01 00")},
      {u"B28:B40", Hex("45 1B 00 27 00 01 C0 01 C0")},
      {u"$B$28:$B$40", Hex("45 1B 00 27 00 01 00 01 00")},
      {u"B$28:$B40", Hex("45 1B 00 27 00 01 40 01 80")},
      {u"IV65536", Hex("44 FF FF FF C0")},
      {u"a1", Hex("44 00 00 00 C0")},
      {u"A1", Hex("24 00 00 00 C0"), 0x20},
      {u"B28:B40", Hex("65 1B 00 27 00 01 C0 01 C0"), 0x60},
      // The console's report formulas: the caption, then the statistic over the record rows.
      {u"\"    温度平均值:\"&ROUND(AVERAGE(B28:B40),2)",
       Cat({Str(AvgCaption), Hex("25 1B 00 27 00 01 C0 01 C0 42 01 05 00 1E 02 00 41 1B 00 08")})},
      {u"\"    湿度最小值:\"&MIN(C28:C32028)", Cat({Str(MinCaption), Hex("25 1B 00 1B 7D 02 C0 02 C0 42 01 06 00 08")})},
      {u"\"    温度最大值:\"&MAX(B28:B32028)", Cat({Str(MaxCaption), Hex("25 1B 00 1B 7D 01 C0 01 C0 42 01 07 00 08")})},
      {u"-2^2", Hex("1E 02 00 13 1E 02 00 07")},
      {u"--1", Hex("1E 01 00 13 13")},
      {u"+-1", Hex("1E 01 00 13 12")},
      {u"NOW()+1", Hex("41 4A 00 1E 01 00 03")},
      {u"PI()", Hex("41 13 00")},
      {u"ROW()", Hex("42 00 08 00")},
      {u"A1%+1", Hex("44 00 00 00 C0 14 1E 01 00 03")},
      {u"SUM(A1,,B1)", Hex("24 00 00 00 C0 16 24 00 00 01 C0 42 03 04 00")},
      {u"SUM(1,)", Hex("1E 01 00 16 42 02 04 00")},
      {u"IF(A1>0,1,2)", Hex("44 00 00 00 C0 1E 00 00 0D 1E 01 00 1E 02 00 42 03 01 00")},
      {u"abs(a1)", Hex("44 00 00 00 C0 41 18 00")},
      {u"2*3-4/5", Hex("1E 02 00 1E 03 00 05 1E 04 00 1E 05 00 06 04")},
      {u"1&2", Hex("1E 01 00 1E 02 00 08")},
      {u"1<2", Hex("1E 01 00 1E 02 00 09")},
      {u"1<=2", Hex("1E 01 00 1E 02 00 0A")},
      {u"1=2", Hex("1E 01 00 1E 02 00 0B")},
      {u"1>=2", Hex("1E 01 00 1E 02 00 0C")},
      {u"1>2", Hex("1E 01 00 1E 02 00 0D")},
      {u"1<>2", Hex("1E 01 00 1E 02 00 0E")},
      {u"1=2=3", Hex("1E 01 00 1E 02 00 0B 1E 03 00 0B")},
      {u"(1+2)*3", Hex("1E 01 00 1E 02 00 03 15 1E 03 00 05")},
      {u"TRUE", Hex("1D 01")},
      {u"false", Hex("1D 00")},
      {u"\"\"", Hex("17 00 00")},
      {u"\"a\"\"b\"", Hex("17 03 01 61 00 22 00 62 00")},
      {u"\"it's\"&A1", Hex("17 04 01 69 00 74 00 27 00 73 00 44 00 00 00 C0 08")},
      {u"65535", Hex("1E FF FF")},
      {u"65536", Hex("1F 00 00 00 00 00 00 F0 40")},
      {u"1.5", Hex("1F 00 00 00 00 00 00 F8 3F")},
      {u"2.0", Hex("1E 02 00")},
      {u"#N/A", Hex("1C 2A")},
      {u"#DIV/0!+1", Hex("1C 07 1E 01 00 03")},
      {u"Rate*2", Hex("43 01 00 00 00 1E 02 00 05")},
      {u"SUM(total)", Hex("23 02 00 00 00 42 01 04 00")},
      // Space attributes: before an operand or operator (type 0), before "(" (2), before ")" (4).
      {u"1 + 2", Hex("1E 01 00 19 40 00 01 1E 02 00 19 40 00 01 03")},
      {u"( 1 )", Hex("19 40 00 01 1E 01 00 19 40 04 01 15")},
      {u"  (1)", Hex("1E 01 00 19 40 02 02 15")},
      {u"SUM( A1 , B1 )", Hex("19 40 00 01 24 00 00 00 C0 19 40 00 01 24 00 00 01 C0 42 02 04 00")},
      {u"1 ", Hex("1E 01 00")},
  };
  for (const TCase& C : Cases) {
    TEncodeFormula E;
    E.OnName = Names;
    Bytes Got;
    ASSERT_NO_THROW(Got = E.Encode(C.Text, C.ArgClass)) << core::utf16_to_utf8(C.Text);
    EXPECT_EQ(HexText(Got), HexText(C.Expected)) << core::utf16_to_utf8(C.Text);
  }
}

TEST(Biff8Encoder, SpaceCountCappedAt255) {
  TEncodeFormula E;
  const std::u16string Text = u"1+" + std::u16string(300, u' ') + u"2";
  EXPECT_EQ(HexText(E.Encode(Text)), HexText(Hex("1E 01 00 19 40 00 FF 1E 02 00 03")));
}

struct TErrorCase {
  std::u16string Text;
  int Code;
  const char* Message;  // the part after "\r", nullptr to skip the check
};

TEST(Biff8Encoder, CompileErrors) {
  const TErrorCase Cases[] = {
      {u"", 18, "Empty formula"},
      {u"   ", 18, "Empty formula"},
      {u"=A1", 1, "Invalid constant ="},
      {u")", 1, "Invalid constant )"},
      {u"1.5E3", 12, "Illegal number"},
      {u"12a", 12, "Illegal number"},
      {u"\"abc", 5, "Missing quote characther in string \"abc"},
      {u"\"" + std::u16string(256, u'x') + u"\"", 6, "Strings can have max 255 characthers"},
      {u"Unknown*2", 7, "Unknown name Unknown"},
      {u"IW1", 7, "Unknown name IW1"},
      {u"A65537", 7, "Unknown name A65537"},
      {u"A00000000001", 7, "Unknown name A00000000001"},
      {u"FOO(1)", 4, "Invalid function name FOO"},
      // Names of the later function table are names, which the legacy table does not hold.
      {u"NORM.DIST(1,0,1,TRUE)", 4, "Invalid function name NORM.DIST"},
      {u"2*T.INV(0.5,2)", 4, "Invalid function name T.INV"},
      {u"A1.5", 7, "Unknown name A1.5"},
      {u"ROUND(1)", 17, "Wrong number of arguments for function ROUND"},
      {u"SUM()", 17, "Wrong number of arguments for function SUM"},
      {u"NOW(1)", 17, "Wrong number of arguments for function NOW"},
      {u"(1", 11, "Missmatching parantheses"},
      {u"(1 2)", 11, "Missmatching parantheses"},
      {u"SUM(1", 3, "Closing paranthese missing in function"},
      {u"SUM(1,", 3, "Closing paranthese missing in function"},
      {u"SUM(", 3, "Closing paranthese missing in function"},
      {u"'a*b'!A1", 13, "Illegal character in string a*b"},
      {u"'C:\\dir\\[]S'!A1", 14, nullptr},
      {u"[book.xls", 14, nullptr},
      {u"\"a\"!A1", 15, "Invalid 3D name a!"},
      {u"$$A1", 16, nullptr},
      {u"#FOO", 16, "Invalid name #FOO"},
      {u"'abc", 8, nullptr},
      // Broken text is refused instead of being stored half compiled.
      {u"A1 B1", 2, "Invalid symbol B1"},
      {u"SUM(A1) 3", 2, "Invalid symbol 3"},
      {u"1+", 2, "Invalid symbol +"},
      {u"1+ ", 2, "Invalid symbol +"},
      {u"-", 2, "Invalid symbol -"},
      {u"SUM(1 2)", 2, "Invalid symbol 2"},
      {u"1)", 2, "Invalid symbol )"},
      {u"1,2", 2, "Invalid symbol ,"},
      {u"\"a\"\"b", 5, nullptr},
  };
  for (const TErrorCase& C : Cases) {
    TEncodeFormula E;
    E.OnName = Names;
    const std::string Label = core::utf16_to_utf8(C.Text);
    try {
      E.Encode(C.Text);
      ADD_FAILURE() << "accepted: " << Label;
    } catch (const FormulaCompileError& Err) {
      EXPECT_EQ(Err.Code(), C.Code) << Label << ": " << Err.what();
      const std::string What = Err.what();
      EXPECT_EQ(What.rfind("Error in formula " + Label + "\r", 0), 0u) << What;
      if (C.Message) { EXPECT_EQ(What.substr(What.find('\r') + 1), C.Message) << Label; }
    }
  }
}

TEST(Biff8Encoder, OtherFailures) {
  const struct {
    std::u16string Text;
    const char* Message;
  } Cases[] = {
      {u"{1,2}", "Error in formula"},
      {u".5", "Illegal use of decimal separator"},
      {u"1+?", "Invalid name"},
  };
  for (const auto& C : Cases) {
    TEncodeFormula E;
    try {
      E.Encode(C.Text);
      ADD_FAILURE() << "accepted: " << core::utf16_to_utf8(C.Text);
    } catch (const FormulaCompileError& Err) {
      ADD_FAILURE() << "compile error instead of the tokenizer's failure: " << Err.what();
    } catch (const Exception& Err) {
      EXPECT_STREQ(Err.what(), C.Message);
    }
  }
}

TEST(Biff8Encoder, BufferLimitAndNesting) {
  TEncodeFormula E;
  std::u16string Long = u"1";
  for (int i = 0; i < 250; ++i) Long += u"+1";  // 3 + 250 * 4 bytes
  std::vector<std::uint8_t> Buf(1024, 0xEE);
  EXPECT_THROW(E.Encode(Long, 0, 1, 100, Buf.data()), Exception);
  EXPECT_EQ(Buf[100], 0xEE) << "nothing is written past the buffer size";
  EXPECT_EQ(E.Encode(Long, 0, 1, 1024, Buf.data()), 1003);
  EXPECT_THROW(E.Encode(Long + u"+1+1+1+1+1+1", 0, 1, 1024, Buf.data()), Exception);

  std::u16string Deep = std::u16string(1000, u'(') + u"1" + std::u16string(1000, u')');
  try {
    E.Encode(Deep);
    ADD_FAILURE() << "deep nesting accepted";
  } catch (const FormulaCompileError& Err) {
    EXPECT_EQ(Err.Code(), 19);
  }
  std::u16string Args = u"SUM(";
  for (int i = 0; i < 128; ++i) Args += i ? u",1" : u"1";
  EXPECT_THROW(E.Encode(Args + u")"), FormulaCompileError) << "128 arguments do not fit the 7-bit count";
  Args = u"SUM(";
  for (int i = 0; i < 127; ++i) Args += i ? u",1" : u"1";
  const Bytes B = E.Encode(Args + u")");
  ASSERT_GE(B.size(), 4u);
  EXPECT_EQ(HexText(Bytes(B.end() - 4, B.end())), HexText(Hex("42 7F 04 00")));
}

TEST(Biff8Encoder, ErrorEventEndsTheCompileWithoutRaising) {
  TEncodeFormula E;
  int Code = -1;
  std::string Message;
  E.OnFormulaError = [&](int C, const std::string& M) {
    Code = C;
    Message = M;
  };
  std::uint8_t Buf[64];
  EXPECT_EQ(E.Encode(u"ROUND(1)", 0, 1, sizeof Buf, Buf), 0);
  EXPECT_EQ(Code, 17);
  EXPECT_EQ(Message, "Error in formula ROUND(1)\rWrong number of arguments for function ROUND");
  EXPECT_EQ(E.Encode(u"1+1", 0, 1, sizeof Buf, Buf), 7) << "the encoder is usable again";
}

TEST(Biff8Encoder, CommaDecimalLocale) {
  TEncodeFormula E;
  E.DecimalSeparator = u',';
  E.ListSeparator = u';';
  EXPECT_EQ(HexText(E.Encode(u"ROUND(1,5;0)")), HexText(Hex("1F 00 00 00 00 00 00 F8 3F 1E 00 00 41 1B 00")));
}

TEST(Biff8Encoder, RoundTripThroughDecoder) {
  TFormulaGenerator G(20261210);
  TEncodeFormula E;
  int Checked = 0;
  for (int i = 0; i < 2000; ++i) {
    const std::u16string Text = G.Expr(3);
    Bytes B;
    try {
      B = E.Encode(Text, 0, 8224);
    } catch (const FormulaCompileError& Err) {
      // IF with one argument and MIN() and the like are the generated texts the table refuses.
      EXPECT_EQ(Err.Code(), 17) << Err.what();
      continue;
    }
    std::u16string Back;
    DecodeFormulaBIFF(B.data(), static_cast<int>(B.size()), -1, Back, u',', nullptr, 0, 0);
    ASSERT_EQ(core::utf16_to_utf8(Back), core::utf16_to_utf8(Text)) << HexText(B);
    ++Checked;
  }
  EXPECT_GT(Checked, 1000);
}

}  // namespace
}  // namespace biff
