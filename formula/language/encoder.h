// The formula encoder: a token list of the tokenizer becomes the library's byte code. A shunting-yard
// translator: operands go straight to the output, operators, parentheses, calls and array constants
// wait on a stack and leave it by priority. Names, sheets, external workbooks and tables are resolved
// through IFormulaNameResolver. Code whose operand stack would not end with exactly one value is
// rejected, so juxtaposed operands (1"x", A1(2)) never compile.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formula/evaluator/engine_context.h"
#include "formula/language/byte_code.h"
#include "formula/language/name_resolver.h"
#include "formula/language/tokenizer.h"
#include "workbook/error_manager.h"

namespace formula {

class TXLSFormulaEncoder {
public:
  // Resolver may be nullptr: a workbook without sheets, names, links or tables.
  TXLSFormulaEncoder(workbook::TXLSErrorManager& Errors, const IFormulaNameResolver* Resolver)
      : Errors_(Errors), Resolver_(Resolver) {}

  // Byte code of Tokens for a formula of sheet SheetIndex in cell (Col, Row) (-1: none). False, with
  // Ptgs empty, when a fault was reported (the error manager raises unless it collects).
  bool Encode(const TXLSTokenList& Tokens, std::vector<std::uint8_t>& Ptgs, int SheetIndex = -1, int Col = -1,
              int Row = -1);

private:
  struct TOp {
    std::uint8_t Id = 0;
    std::uint8_t Spaces = 0;  // 0x0F
    std::uint8_t Before = 0;  // spaces written before the token's text
    int FuncId = 0;
    std::u16string Name;      // 0xF2
    int Count = 0;            // arguments of a call, elements of an array
    int Rows = 0;             // array rows
    int Cols = 0;
    std::size_t Base = 0;     // values on the simulated stack when an open element was pushed
    int MinArgs = 0, MaxArgs = 0;
    // 0xBC: the structured reference
    int Table = 0, TableSheet = 0, Items = 0, C1 = 0, R1 = 0, C2 = 0, R2 = 0;
  };

  static TOp MakeOp(std::uint8_t Id);
  static bool IsOpen(std::uint8_t Id);
  static int Priority(std::uint8_t Id);
  int InnermostOpen() const;
  void PushOperator(TOp Op);
  void Output(const TOp& Op);
  void Close();
  // What a simulated stack entry holds: a plain value, a reference, or a name or call result that
  // may be a reference (fine in an intersection; a union takes references only).
  static constexpr std::uint8_t kValue = 0, kRef = 1, kMaybeRef = 2;
  void Sim(int Pops, std::uint8_t Result);
  void SimOperand(std::uint8_t Kind) { Sim(0, Kind); }
  std::size_t NextNonSpace(std::size_t I) const;
  bool Reference(std::size_t& I);
  bool StructuredReference(std::size_t& I);
  void Report(int Code, const std::u16string& Text = {});

  workbook::TXLSErrorManager& Errors_;
  const IFormulaNameResolver* Resolver_;
  const TXLSTokenList* Tokens_ = nullptr;
  int Sheet_ = -1, Col_ = -1, Row_ = -1;
  TXLSPtgsBuilder Out_;
  std::vector<TOp> Ops_;
  std::vector<std::size_t> Open_;  // indexes into Ops_ of the open "(", calls and arrays
  std::vector<std::uint8_t> SimStack_;  // one entry per value
  std::uint8_t Pending_ = 0;  // spaces waiting for the next operator pushed
  bool IllFormed_ = false;
  bool Failed_ = false;
};

// Tokenizes and encodes Text. Invariant chooses the separators ("." and ","); otherwise those of
// Locale. False (and empty Ptgs) when any fault was reported.
bool CompileFormula(std::u16string_view Text, workbook::TXLSErrorManager& Errors,
                    const IFormulaNameResolver* Resolver, bool Invariant, const TFormulaLocale& Locale,
                    std::vector<std::uint8_t>& Ptgs, int SheetIndex = -1, int Col = -1, int Row = -1);

// Replays the operand stack over library byte code: true when no operator lacks operands and exactly
// one value remains. Raises on byte code the stepper cannot walk.
bool ByteCodeWellFormed(const std::uint8_t* Ptgs, int Len);

// Whether a compiled name definition is one plain 3-D reference: 1 a cell, 2 an area, 3 a BIFF8
// reference to a sheet the byte code cannot hold (255 or more), 0 anything else. Library byte code
// must be exactly one 0xA2 or 0xA6 token; BIFF8 tokens (behind 0xFF or 0xFE) one ptgRef3d or
// ptgArea3d, whose extern-sheet entry must name a single sheet. Coordinates come without their
// absolute or relative marks.
int PtgsToArea3D(const std::uint8_t* Ptgs, int Len, const IExternSheetResolver* ExternSheets, int& Sheet, int& Row1,
                 int& Row2, int& Col1, int& Col2);

}  // namespace formula
