// The formula tokenizer: the text of one formula (without its leading "=") becomes a flat list of
// classified tokens with their positions. It looks nothing up; names, sheets, books and tables are
// resolved by the encoder. Faults go to the error manager as messages 4001-4013.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formula/support/locale.h"
#include "workbook/error_manager.h"

namespace formula {

// Token kinds.
enum TXLSTokenKind : std::uint8_t {
  xtkUnknown = 0,       // a character no rule accepts (only after message 4006)
  xtkSpace = 1,         // spacing: leading blanks, blanks next to operators and parentheses
  xtkListSep = 2,
  xtkRefColon = 3,      // ":" inside a reference or between table items
  xtkRowSep = 4,        // ";" between array rows or table items
  xtkSheetEnd = 6,      // "!"
  xtkOpenParen = 7,
  xtkCloseParen = 8,
  xtkTableEnd = 10,
  xtkSpaceRun = 12,     // spaces before the post-pass; trailing blanks
  xtkErrorFirst = 13,   // 13..20: error literal, code = kind - 12
  xtkErrorLast = 20,
  xtkTrue = 21,
  xtkFalse = 22,
  xtkString = 23,
  xtkArrayOpen = 24,
  xtkArrayClose = 25,
  xtkNumber = 26,
  xtkPower = 27, xtkMul = 28, xtkDiv = 29, xtkAdd = 30, xtkSub = 31,
  xtkUminus = 32, xtkUplus = 33,
  xtkConcat = 34, xtkEQ = 35, xtkNE = 36, xtkLT = 37, xtkLE = 38, xtkGT = 39, xtkGE = 40,
  xtkPercent = 41,
  xtkRangeOp = 42,
  xtkIntersect = 43,
  xtkCol = 44, xtkColAbs = 45, xtkRow = 46, xtkRowAbs = 47,
  xtkName = 52,
  xtkFunction = 53,
  xtkSheet = 54,
  xtkBook = 55,
  xtkTable = 56,
  xtkTableColumn = 57,
  xtkTableSpecial = 58,
};

enum class TXLSTokenValueKind : std::uint8_t { None, Integer, Double, Character, Text };

struct TXLSFormulaToken {
  std::uint8_t Kind = xtkUnknown;
  TXLSTokenValueKind ValueKind = TXLSTokenValueKind::None;
  std::int32_t Int = 0;   // counts, columns, rows
  double Num = 0;
  char16_t Char = 0;
  std::u16string Text;
  int Pos = 0;  // zero-based offset of the token's text in the formula
};

using TXLSTokenList = std::vector<TXLSFormulaToken>;

class TXLSTokenizer {
public:
  explicit TXLSTokenizer(workbook::TXLSErrorManager& Errors);

  // The separator mode is always chosen by the caller: invariant ("." decimal, "," list) or the
  // separators of the given locale. Files always use the invariant mode.
  void SetSeparators(bool Invariant, const TFormulaLocale& Locale = TFormulaLocale::Invariant());
  char16_t DecimalSeparator() const { return Decimal_; }
  char16_t ListSeparator() const { return List_; }

  // Tokens of Text; false (and an empty list) when the text is empty or only blanks and control
  // characters.
  bool Parse(std::u16string_view Text, TXLSTokenList& Tokens);

private:
  bool Element();
  bool Operand();
  bool ErrorLiteral(bool ReportUnknown);
  bool RowRange();
  bool Number();
  bool String();
  bool ArrayConst();
  bool ArrayElement();
  bool ReferenceOrName();
  bool Prefix();
  bool CellAt(std::size_t P, std::size_t& End, int& Col, bool& AbsCol, int& Row, bool& AbsRow) const;
  bool ColumnAt(std::size_t P, std::size_t& End, int& Col, bool& AbsCol) const;
  bool StructuredRef(bool Named);
  bool TableItem();
  void PostPass();

  bool AtEnd() const { return Pos_ >= Text_.size(); }
  char16_t Ch(std::size_t P) const { return P < Text_.size() ? Text_[P] : 0; }
  bool Blank(std::size_t P) const;
  bool Match(std::u16string_view S) const { return Text_.substr(Pos_, S.size()) == S; }
  void Add(std::uint8_t Kind, int Pos);
  void AddInt(std::uint8_t Kind, int Pos, std::int32_t V);
  void AddText(std::uint8_t Kind, int Pos, std::u16string T);
  const TXLSFormulaToken* LastNonSpace() const;
  void Report(int Code, const std::u16string& Text = {});

  workbook::TXLSErrorManager& Errors_;
  const TFormulaLocale* Locale_ = nullptr;  // nullptr in invariant mode
  char16_t Decimal_ = u'.';
  char16_t List_ = u',';
  std::u16string_view Text_;
  std::size_t Pos_ = 0;
  int Depth_ = 0;
  std::size_t NoPrefixBefore_ = 0;  // unquoted prefixes cannot start before this position
  TXLSTokenList* Out_ = nullptr;
};

// The column separator of array constants: the backslash where "," is the decimal separator or ";"
// the list separator, else the list separator.
inline char16_t ArrayColumnSeparator(char16_t Decimal, char16_t List) {
  return (Decimal == u',' || List == u';') ? u'\\' : List;
}

// True for a valid function name: a letter first, then letters, digits, "." and "_".
bool IsFunctionName(std::u16string_view S);

}  // namespace formula
