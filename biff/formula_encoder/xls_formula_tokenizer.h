// The tokenizer of the BIFF8 formula compiler: formula text as a user types it (without the leading
// "=") split into classified tokens. It is separate from the engine's tokenizer because the .xls
// compiler works on its own, smaller token set (no array constants, no structured references).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace biff {

// Token kinds. The values are those the compiler's tables and tests refer to.
enum TXLSTokenKind : std::uint8_t {
  xtkNone = 0,
  xtkPlus = 1,
  xtkConcat = 2,
  xtkMinus = 3,
  xtkMul = 4,
  xtkDiv = 5,
  xtkPercent = 6,
  xtkPower = 7,
  xtkGT = 8,
  xtkGE = 9,
  xtkLT = 10,
  xtkLE = 11,
  xtkEQ = 12,
  xtkNE = 13,
  xtkOpen = 14,
  xtkClose = 15,
  xtkSpace = 16,
  xtkListSep = 17,
  xtkFunction = 20,       // a name directly followed by "(" (the parenthesis gets no token)
  xtkRef = 21,
  xtkArea = 22,
  xtkSheetRef = 23,       // after a sheet name
  xtkSheetArea = 24,
  xtkBookSheetRef = 25,   // after a sheet name that follows a workbook name
  xtkBookSheetArea = 26,
  xtkNumber = 27,
  xtkString = 28,
  xtkPath = 29,           // apostrophe-quoted external path (or quoted name without brackets)
  xtkWorkbook = 30,       // text between brackets
  xtkName = 31,
  xtkPathName = 32,       // name after a path token
  xtkSheet = 33,          // name or reference followed by "!"
  xtkBookSheet = 34,      // sheet name after a workbook name
  xtkError = 35,          // an error literal such as #N/A (Text holds its code as one character)
};

struct TXLSFormulaToken {
  std::u16string Text;      // upper-cased outside quotes
  std::u16string Original;  // as typed (sheet names, messages)
  std::uint8_t Kind = xtkNone;
};

// Receives the compile errors of the tokenizer (code and the text that goes into the message).
using TXLSTokenErrorEvent = std::function<void(int Code, const std::u16string& Text)>;

class TXLSTokenizer {
public:
  TXLSTokenizer() = default;

  char16_t DecimalSeparator = u'.';
  char16_t ListSeparator = u',';
  std::uint8_t FormulaVersion = 1;
  TXLSTokenErrorEvent OnError;

  // Splits Text. Errors of the tokenizer go to OnError (which normally raises); unsupported
  // constructs ("{") set the error flag instead.
  void Parse(std::u16string_view Text);
  void Clear();
  bool Error() const { return Error_; }

  int Count() const { return static_cast<int>(Tokens_.size()); }
  const TXLSFormulaToken& GetToken(int Index) const { return Tokens_.at(static_cast<std::size_t>(Index)); }
  // The kind of the first token from Index that is not a space, 0 at the end.
  std::uint8_t PeekKind(int Index) const;
  // The index of the first token from Index that is not a space (Count() at the end).
  int SkipSpaces(int Index) const;
  std::uint8_t LastKind() const { return Tokens_.empty() ? 0 : Tokens_.back().Kind; }
  std::uint8_t KindBeforeLast() const { return Tokens_.size() < 2 ? 0 : Tokens_[Tokens_.size() - 2].Kind; }
  void SetLastKind(std::uint8_t Kind) {
    if (!Tokens_.empty()) Tokens_.back().Kind = Kind;
  }

  // The length of the cell reference starting at Pos of the working text (0 when none starts
  // there): optional "$", one or two column letters (up to IV), optional "$", row 1..65536, then a
  // terminator or the end.
  int CellRefLength(std::size_t Pos) const;

private:
  void Add(std::u16string Text, std::u16string Original, std::uint8_t Kind);
  void Fail(int Code, const std::u16string& Text);
  bool IsRefTerminator(char16_t C) const;
  bool IsNameTerminator(char16_t C) const;
  void ReadNumber();
  void ReadString();
  void ReadReferenceOrName();
  void ReadName();
  void ReadQuotedSheet();
  void ReadWorkbookName();
  void ReadErrorLiteral();

  std::vector<TXLSFormulaToken> Tokens_;
  std::u16string Work_;      // upper-cased outside quotes
  std::u16string Original_;  // unchanged
  std::size_t Pos_ = 0;
  bool Error_ = false;
  bool Stop_ = false;
};

}  // namespace biff
