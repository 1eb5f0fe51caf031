// The BIFF8 formula compiler: formula text (without the leading "=") compiled straight into the
// parsed-expression tokens of the .xls format, with operand classes, space attributes, function ids
// and 3-D references resolved through the owner's events. Broken text (dangling operators, missing
// operands, tokens left after the expression) is refused with the compile error.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "biff/biff_error.h"
#include "biff/formula_encoder/xls_formula_tokenizer.h"

namespace biff {

// Operand classes OR-ed into reference and name token ids.
inline constexpr std::uint8_t PTG_CLASS_REF = 0x20;
inline constexpr std::uint8_t PTG_CLASS_VALUE = 0x40;
inline constexpr std::uint8_t PTG_CLASS_ARRAY = 0x60;

// The index (0-based) of a defined name, -1 when unknown.
using TEncodeNameEvent = std::function<void(const std::u16string& Name, int& Index)>;
// The EXTERNSHEET index and sheet index of a prefixed reference (IsReference) or the EXTERNSHEET
// index and 0-based external-name index of an external name. SheetIndex stays -1 when the sheet or
// name is unknown, and the operand is then no reference.
using TEncodeExternSheetEvent =
    std::function<void(const std::u16string& Workbook, const std::u16string& Path, const std::u16string& SheetName,
                       const std::u16string& RefText, bool IsReference, int& ExtSheetIndex, int& SheetIndex)>;
// Receives compile errors instead of an exception; the compile then ends with 0 bytes.
using TEncodeErrorEvent = std::function<void(int Code, const std::string& Message)>;

// The message of a compile error code (with %s where the offending text goes).
const char* EncodeErrorMessage(int Code);

// A compile error: Code is the compiler's error code (0 for the other failures).
class FormulaCompileError : public Exception {
public:
  FormulaCompileError(int Code, const std::string& Message) : Exception(Message), Code_(Code) {}
  int Code() const { return Code_; }

private:
  int Code_;
};

class TEncodeFormula {
public:
  TEncodeFormula();

  // The texts of TRUE and FALSE (compared upper-cased).
  void SetBooleanTexts(const std::u16string& TrueText, const std::u16string& FalseText);
  char16_t DecimalSeparator = u'.';
  char16_t ListSeparator = u',';

  TEncodeNameEvent OnName;
  TEncodeExternSheetEvent OnExternSheet;
  TEncodeErrorEvent OnFormulaError;

  // Compiles Text into at most BufSize bytes at Buffer and returns their count. ArgClass is the
  // operand class of the whole expression (0 means value). FormulaVersion is kept and changes
  // nothing. Raises FormulaCompileError ("Error in formula <text>\r<message>") or Exception for
  // "Formula buffer overflow." and the tokenizer's other failures.
  int Encode(std::u16string_view Text, std::uint8_t ArgClass, std::uint8_t FormulaVersion, int BufSize,
             std::uint8_t* Buffer);
  // The same into a vector (1024 bytes at most, as for a cell formula).
  std::vector<std::uint8_t> Encode(std::u16string_view Text, std::uint8_t ArgClass = 0, int MaxLen = 1024);

private:
  struct TSpaces {
    std::uint8_t Count = 0;
    std::uint8_t Type = 0;  // 0 before an operand or operator, 2 before "(", 4 before ")"
  };

  [[noreturn]] void FormulaError(int Code, const std::u16string& Text);
  const TXLSFormulaToken& Cur() const;
  std::uint8_t CurKind() const;
  void Step() { ++Pos_; }
  void ReadSpaces();
  void FlushSpaces();
  void AddBytes(const std::uint8_t* Bytes, int Count);
  void AddPtg(std::initializer_list<std::uint8_t> Bytes);
  void AddPtgBytes(const std::vector<std::uint8_t>& Bytes);
  void AddU16(std::vector<std::uint8_t>& Out, int Value);

  void ParseComparison();
  void ParseConcat();
  void ParseAdditive();
  void ParseMultiplicative();
  void ParsePower();
  void ParsePercent();
  void ParseUnary();
  void ParsePrimary();
  void ParseOperand();
  void ParseArgument(std::uint8_t Class);
  void AddFunction();
  bool AddRef();
  bool AddBoolean();
  bool AddName();
  void AddConstant();
  void CellBytes(std::vector<std::uint8_t>& Out, const std::u16string& Text, bool Area) const;

  TXLSTokenizer Tokenizer_;
  std::vector<TSpaces> SpaceStack_;
  std::u16string TrueWord_ = u"TRUE";
  std::u16string FalseWord_ = u"FALSE";
  std::u16string Text_;
  std::uint8_t* Buf_ = nullptr;
  int BufSize_ = 0;
  int Written_ = 0;
  int Pos_ = 0;
  int Depth_ = 0;
  std::uint8_t Class_ = PTG_CLASS_VALUE;
  std::uint8_t FormulaVersion_ = 1;
};

}  // namespace biff
