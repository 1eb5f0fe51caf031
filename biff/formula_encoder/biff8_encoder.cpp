#include "biff/formula_encoder/biff8_encoder.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/byte_io.h"
#include "core/strings.h"
#include "core/unicode.h"
#include "formula/language/function_table.h"
#include "workbook/cell_references.h"

namespace biff {

namespace {

// Thrown after an error event that did not raise, to leave the compile.
struct TCompileAborted {};

// Nesting of parentheses and calls; beyond it the recursion would only exhaust the stack.
constexpr int kMaxDepth = 128;
// The argument count of a variable-argument call is kept in 7 bits.
constexpr int kMaxVarArgs = 127;

std::string Utf8(const std::u16string& S) { return core::utf16_to_utf8(S); }

std::uint8_t BinaryPtg(std::uint8_t Kind) {
  switch (Kind) {
    case xtkPlus: return 0x03;
    case xtkMinus: return 0x04;
    case xtkMul: return 0x05;
    case xtkDiv: return 0x06;
    case xtkPower: return 0x07;
    case xtkConcat: return 0x08;
    case xtkLT: return 0x09;
    case xtkLE: return 0x0A;
    case xtkEQ: return 0x0B;
    case xtkGE: return 0x0C;
    case xtkGT: return 0x0D;
    case xtkNE: return 0x0E;
    default: throw Exception(core::format("Can not find ptg token %d", Kind));
  }
}

// The legacy function id of an upper-cased name; -1 when none.
int FindFunction(const std::u16string& Name) {
  for (int i = 0; i < formula::EXCEL_FUNCTION_COUNT; ++i) {
    const char16_t* N = formula::ExcelFunctions[i].Name;
    if (N != nullptr && core::ascii_iequals(std::u16string_view(N), Name)) return i;
  }
  return -1;
}

}  // namespace

const char* EncodeErrorMessage(int Code) {
  switch (Code) {
    case 1: return "Invalid constant %s";
    case 2: return "Invalid symbol %s";
    case 3: return "Closing paranthese missing in function";
    case 4: return "Invalid function name %s";
    case 5: return "Missing quote characther in string %s";
    case 6: return "Strings can have max 255 characthers";
    case 7: return "Unknown name %s";
    case 8: return "Enclosing characther %s missing";
    case 9: return "Invalid filename %s";
    case 10: return "To many unary operators";
    case 11: return "Missmatching parantheses";
    case 12: return "Illegal number";
    case 13: return "Illegal character in string %s";
    case 14: return "Bad filename %s";
    case 15: return "Invalid 3D name %s";
    case 16: return "Invalid name %s";
    case 17: return "Wrong number of arguments for function %s";
    case 18: return "Empty formula";
    case 19: return "Formula nested too deeply";
    default: return "Error in formula";
  }
}

TEncodeFormula::TEncodeFormula() {
  Tokenizer_.OnError = [this](int Code, const std::u16string& Text) { FormulaError(Code, Text); };
}

void TEncodeFormula::SetBooleanTexts(const std::u16string& TrueText, const std::u16string& FalseText) {
  TrueWord_ = core::ascii_upper(TrueText);
  FalseWord_ = core::ascii_upper(FalseText);
}

void TEncodeFormula::FormulaError(int Code, const std::u16string& Text) {
  std::string Msg = EncodeErrorMessage(Code);
  const std::size_t At = Msg.find("%s");
  if (At != std::string::npos) Msg.replace(At, 2, Utf8(Text));
  const std::string Full = "Error in formula " + Utf8(Text_) + "\r" + Msg;
  if (OnFormulaError) {
    OnFormulaError(Code, Full);
    throw TCompileAborted{};
  }
  throw FormulaCompileError(Code, Full);
}

const TXLSFormulaToken& TEncodeFormula::Cur() const { return Tokenizer_.GetToken(Pos_); }

std::uint8_t TEncodeFormula::CurKind() const { return Pos_ < Tokenizer_.Count() ? Cur().Kind : 0; }

void TEncodeFormula::ReadSpaces() {
  int Count = 0;
  while (CurKind() == xtkSpace) {
    ++Count;
    Step();
  }
  TSpaces S;
  if (Count > 0 && Pos_ < Tokenizer_.Count()) {
    S.Count = static_cast<std::uint8_t>(Count > 255 ? 255 : Count);
    S.Type = CurKind() == xtkOpen ? 2 : CurKind() == xtkClose ? 4 : 0;
  }
  SpaceStack_.push_back(S);
}

void TEncodeFormula::FlushSpaces() {
  if (SpaceStack_.empty()) return;
  const TSpaces S = SpaceStack_.back();
  SpaceStack_.pop_back();
  if (S.Count == 0) return;
  const std::uint8_t Attr[4] = {0x19, 0x40, S.Type, S.Count};
  AddBytes(Attr, 4);
}

void TEncodeFormula::AddBytes(const std::uint8_t* Bytes, int Count) {
  if (Count > BufSize_ - Written_) throw Exception("Formula buffer overflow.");
  std::memcpy(Buf_ + Written_, Bytes, static_cast<std::size_t>(Count));
  Written_ += Count;
}

void TEncodeFormula::AddPtg(std::initializer_list<std::uint8_t> Bytes) {
  FlushSpaces();
  AddBytes(Bytes.begin(), static_cast<int>(Bytes.size()));
}

void TEncodeFormula::AddPtgBytes(const std::vector<std::uint8_t>& Bytes) {
  FlushSpaces();
  AddBytes(Bytes.data(), static_cast<int>(Bytes.size()));
}

void TEncodeFormula::AddU16(std::vector<std::uint8_t>& Out, int Value) {
  Out.push_back(static_cast<std::uint8_t>(Value & 0xFF));
  Out.push_back(static_cast<std::uint8_t>((Value >> 8) & 0xFF));
}

int TEncodeFormula::Encode(std::u16string_view Text, std::uint8_t ArgClass, std::uint8_t FormulaVersion, int BufSize,
                           std::uint8_t* Buffer) {
  Text_.assign(Text);
  FormulaVersion_ = FormulaVersion;
  Tokenizer_.FormulaVersion = FormulaVersion;
  Tokenizer_.DecimalSeparator = DecimalSeparator;
  Tokenizer_.ListSeparator = ListSeparator;
  SpaceStack_.clear();
  Buf_ = Buffer;
  BufSize_ = Buffer == nullptr || BufSize < 0 ? 0 : BufSize;
  Written_ = 0;
  Pos_ = 0;
  Depth_ = 0;
  Class_ = ArgClass == 0 ? PTG_CLASS_VALUE : ArgClass;
  try {
    if (core::trim(Text).empty()) FormulaError(18, {});
    Tokenizer_.Parse(Text);
    if (Tokenizer_.Error()) throw Exception("Error in formula");
    ParseComparison();
    // Anything after the expression is an error, never silently dropped.
    Pos_ = Tokenizer_.SkipSpaces(Pos_);
    if (Pos_ < Tokenizer_.Count()) FormulaError(2, Cur().Original);
  } catch (const TCompileAborted&) {
    Tokenizer_.Clear();
    return 0;
  } catch (...) {
    Tokenizer_.Clear();
    throw;
  }
  Tokenizer_.Clear();
  return Written_;
}

std::vector<std::uint8_t> TEncodeFormula::Encode(std::u16string_view Text, std::uint8_t ArgClass, int MaxLen) {
  std::vector<std::uint8_t> Buf(static_cast<std::size_t>(MaxLen > 0 ? MaxLen : 0));
  const int N = Encode(Text, ArgClass, 1, MaxLen, Buf.data());
  Buf.resize(static_cast<std::size_t>(N));
  return Buf;
}

// Level 1: comparisons.
void TEncodeFormula::ParseComparison() {
  ParseConcat();
  for (;;) {
    const std::uint8_t K = Tokenizer_.PeekKind(Pos_);
    if (K < xtkGT || K > xtkNE) return;
    ReadSpaces();
    Step();
    ParseConcat();
    AddPtg({BinaryPtg(K)});
  }
}

void TEncodeFormula::ParseConcat() {
  ParseAdditive();
  while (Tokenizer_.PeekKind(Pos_) == xtkConcat) {
    ReadSpaces();
    Step();
    ParseAdditive();
    AddPtg({0x08});
  }
}

void TEncodeFormula::ParseAdditive() {
  ParseMultiplicative();
  for (;;) {
    const std::uint8_t K = Tokenizer_.PeekKind(Pos_);
    if (K != xtkPlus && K != xtkMinus) return;
    ReadSpaces();
    Step();
    ParseMultiplicative();
    AddPtg({BinaryPtg(K)});
  }
}

void TEncodeFormula::ParseMultiplicative() {
  ParsePower();
  for (;;) {
    const std::uint8_t K = Tokenizer_.PeekKind(Pos_);
    if (K != xtkMul && K != xtkDiv) return;
    ReadSpaces();
    Step();
    ParsePower();
    AddPtg({BinaryPtg(K)});
  }
}

void TEncodeFormula::ParsePower() {
  ParsePercent();
  while (Tokenizer_.PeekKind(Pos_) == xtkPower) {
    ReadSpaces();
    Step();
    ParsePercent();
    AddPtg({0x07});
  }
}

void TEncodeFormula::ParsePercent() {
  ParseUnary();
  while (Tokenizer_.PeekKind(Pos_) == xtkPercent) {
    ReadSpaces();
    Step();
    AddPtg({0x14});
  }
}

// Signs bind tighter than "^" (-2^2 is 4); the sign nearest the operand is written first.
void TEncodeFormula::ParseUnary() {
  std::vector<std::uint8_t> Signs;
  for (;;) {
    const std::uint8_t K = Tokenizer_.PeekKind(Pos_);
    if (K != xtkPlus && K != xtkMinus) break;
    ReadSpaces();
    Step();
    Signs.push_back(K == xtkPlus ? 0x12 : 0x13);
  }
  ParsePrimary();
  for (auto It = Signs.rbegin(); It != Signs.rend(); ++It) AddPtg({*It});
}

void TEncodeFormula::ParsePrimary() {
  const std::uint8_t K = Tokenizer_.PeekKind(Pos_);
  if (K == 0) {
    // An operator or the start without its operand.
    const int Last = Tokenizer_.Count() - 1;
    int I = Last;
    while (I >= 0 && Tokenizer_.GetToken(I).Kind == xtkSpace) --I;
    FormulaError(2, I >= 0 ? Tokenizer_.GetToken(I).Original : std::u16string());
  }
  if (K == xtkOpen) {
    if (++Depth_ > kMaxDepth) FormulaError(19, {});
    ReadSpaces();
    Step();
    ParseComparison();
    ReadSpaces();
    if (CurKind() != xtkClose) FormulaError(11, {});
    Step();
    // Both space entries (before "(" and before ")") belong to the parentheses token.
    if (!SpaceStack_.empty()) {
      const TSpaces Close = SpaceStack_.back();
      SpaceStack_.pop_back();
      FlushSpaces();
      SpaceStack_.push_back(Close);
    }
    AddPtg({0x15});
    --Depth_;
    return;
  }
  ReadSpaces();
  ParseOperand();
}

void TEncodeFormula::ParseOperand() {
  switch (CurKind()) {
    case xtkFunction:
      AddFunction();
      return;
    case xtkRef: case xtkArea: case xtkPath: case xtkWorkbook: case xtkName: case xtkPathName: case xtkSheet:
    case xtkBookSheet:
      if (AddRef() || AddBoolean() || AddName()) return;
      FormulaError(2, Cur().Original);
    default:
      AddConstant();
      return;
  }
}

void TEncodeFormula::ParseArgument(std::uint8_t Class) {
  Class_ = Class;
  ParseComparison();
}

void TEncodeFormula::AddFunction() {
  const TXLSFormulaToken& Tok = Cur();
  const int Id = FindFunction(Tok.Text);
  if (Id < 0 || formula::ExcelFunctions[Id].MinArgs == formula::LEGACY_UNSUPPORTED) FormulaError(4, Tok.Original);
  const formula::TExcelFunctions& F = formula::ExcelFunctions[Id];
  if (++Depth_ > kMaxDepth) FormulaError(19, {});
  Step();
  int Count = 0;
  std::uint8_t Class = 0;
  bool AfterSep = false;
  for (;;) {
    // Spaces before an argument stay for its first token; only an empty argument drops them.
    const std::uint8_t K = Tokenizer_.PeekKind(Pos_);
    if (K == 0) FormulaError(3, {});
    if (K == xtkClose && !AfterSep) {  // no arguments
      Pos_ = Tokenizer_.SkipSpaces(Pos_);
      break;
    }
    if (Count < 6 && F.Classes[Count] != 0) Class = F.Classes[Count];
    const std::uint8_t ArgClass = Class == 0 ? PTG_CLASS_VALUE : Class;
    if (K == xtkListSep || K == xtkClose) {
      Pos_ = Tokenizer_.SkipSpaces(Pos_);
      SpaceStack_.push_back({});
      AddPtg({0x16});
    } else {
      ParseArgument(ArgClass);
      Pos_ = Tokenizer_.SkipSpaces(Pos_);
    }
    ++Count;
    const std::uint8_t After = CurKind();
    if (After == xtkListSep) {
      Step();
      AfterSep = true;
      continue;
    }
    if (After == xtkClose) break;
    if (After == 0) FormulaError(3, {});
    FormulaError(2, Cur().Original);
  }
  Step();  // the closing parenthesis
  const std::u16string Name = F.Name;
  if (F.MinArgs == F.MaxArgs) {
    if (Count != F.MinArgs) FormulaError(17, Name);
    AddPtg({0x41, static_cast<std::uint8_t>(Id & 0xFF), static_cast<std::uint8_t>(Id >> 8)});
  } else {
    const int Max = F.MaxArgs == formula::LEGACY_ANY_ARGS ? kMaxVarArgs : F.MaxArgs;
    if (Count < F.MinArgs || Count > Max) FormulaError(17, Name);
    AddPtg({0x42, static_cast<std::uint8_t>(Count), static_cast<std::uint8_t>(Id & 0xFF),
            static_cast<std::uint8_t>(Id >> 8)});
  }
  Class_ = PTG_CLASS_VALUE;
  --Depth_;
}

// Row and column words of one cell ("$B$28") or two ("B28:B40", as first row, last row, first
// column, last column). The tokenizer has checked the text already.
void TEncodeFormula::CellBytes(std::vector<std::uint8_t>& Out, const std::u16string& Text, bool Area) const {
  auto Parse = [&](std::u16string_view S, int& Col, int& Row, int& ColWord) {
    bool AbsCol = false, AbsRow = false;
    if (!workbook::RefStrToColRowAbs(S, Col, Row, AbsCol, AbsRow) || Col > 255 || Row > 65535)
      throw Exception("Invalid reference " + Utf8(std::u16string(S)));
    ColWord = Col | (AbsCol ? 0 : 0x4000) | (AbsRow ? 0 : 0x8000);
  };
  auto Put = [&](int V) {
    Out.push_back(static_cast<std::uint8_t>(V & 0xFF));
    Out.push_back(static_cast<std::uint8_t>((V >> 8) & 0xFF));
  };
  if (!Area) {
    int Col, Row, W;
    Parse(Text, Col, Row, W);
    Put(Row);
    Put(W);
    return;
  }
  const std::size_t Colon = Text.find(u':');
  int C1, R1, W1, C2, R2, W2;
  Parse(std::u16string_view(Text).substr(0, Colon), C1, R1, W1);
  Parse(std::u16string_view(Text).substr(Colon + 1), C2, R2, W2);
  Put(R1);
  Put(R2);
  Put(W1);
  Put(W2);
}

bool TEncodeFormula::AddRef() {
  const std::uint8_t K = CurKind();
  auto KindAt = [&](int Offs) -> std::uint8_t {
    const int I = Pos_ + Offs;
    return I < Tokenizer_.Count() ? Tokenizer_.GetToken(I).Kind : 0;
  };
  auto TextAt = [&](int Offs) -> const TXLSFormulaToken& { return Tokenizer_.GetToken(Pos_ + Offs); };
  std::vector<std::uint8_t> Out;
  if (K == xtkRef || K == xtkArea) {
    const bool Area = K == xtkArea;
    Out.push_back(static_cast<std::uint8_t>(Class_ | (Area ? 0x05 : 0x04)));
    CellBytes(Out, Cur().Text, Area);
    AddPtgBytes(Out);
    Step();
    return true;
  }
  if (!OnExternSheet) return false;
  // A 3-D reference: the sheet token, optionally behind a path and a workbook name.
  std::u16string Path, Book, Sheet, Ref;
  int Used = 0;
  bool Area = false;
  if (K == xtkSheet && (KindAt(1) == xtkSheetRef || KindAt(1) == xtkSheetArea)) {
    Sheet = TextAt(0).Original;
    Ref = TextAt(1).Text;
    Area = KindAt(1) == xtkSheetArea;
    Used = 2;
  } else if (K == xtkPath && KindAt(1) == xtkWorkbook && KindAt(2) == xtkBookSheet &&
             (KindAt(3) == xtkBookSheetRef || KindAt(3) == xtkBookSheetArea)) {
    Path = TextAt(0).Original;
    Book = TextAt(1).Original;
    Sheet = TextAt(2).Original;
    Ref = TextAt(3).Text;
    Area = KindAt(3) == xtkBookSheetArea;
    Used = 4;
  } else if (K == xtkWorkbook && KindAt(1) == xtkBookSheet &&
             (KindAt(2) == xtkBookSheetRef || KindAt(2) == xtkBookSheetArea)) {
    Book = TextAt(0).Original;
    Sheet = TextAt(1).Original;
    Ref = TextAt(2).Text;
    Area = KindAt(2) == xtkBookSheetArea;
    Used = 3;
  } else if (K == xtkPath && KindAt(1) == xtkPathName) {
    // An external name of another workbook.
    int ExtSheet = -1, NameIndex = -1;
    OnExternSheet(TextAt(0).Original, u"", u"", TextAt(1).Original, false, ExtSheet, NameIndex);
    if (NameIndex < 0 || ExtSheet < 0 || ExtSheet > 0xFFFF || NameIndex >= 0xFFFF) return false;
    Out.push_back(static_cast<std::uint8_t>(Class_ | 0x19));
    AddU16(Out, ExtSheet);
    AddU16(Out, NameIndex + 1);
    AddU16(Out, 0);
    AddPtgBytes(Out);
    Pos_ += 2;
    return true;
  } else {
    return false;
  }
  int ExtSheet = -1, SheetIndex = -1;
  OnExternSheet(Book, Path, Sheet, Ref, true, ExtSheet, SheetIndex);
  if (SheetIndex < 0 || ExtSheet < 0 || ExtSheet > 0xFFFF) return false;
  Out.push_back(static_cast<std::uint8_t>(Class_ | (Area ? 0x1B : 0x1A)));
  AddU16(Out, ExtSheet);
  CellBytes(Out, Ref, Area);
  AddPtgBytes(Out);
  Pos_ += Used;
  return true;
}

bool TEncodeFormula::AddBoolean() {
  if (CurKind() != xtkName) return false;
  const std::u16string& T = Cur().Text;
  if (T != TrueWord_ && T != FalseWord_) return false;
  AddPtg({0x1D, static_cast<std::uint8_t>(T == TrueWord_ ? 1 : 0)});
  Step();
  return true;
}

bool TEncodeFormula::AddName() {
  int Index = -1;
  if (OnName) OnName(Cur().Original, Index);
  if (Index < 0 || Index >= 0xFFFF) FormulaError(7, Cur().Original);
  std::vector<std::uint8_t> Out{static_cast<std::uint8_t>(Class_ | 0x03)};
  AddU16(Out, Index + 1);
  AddU16(Out, 0);
  AddPtgBytes(Out);
  Step();
  return true;
}

void TEncodeFormula::AddConstant() {
  const TXLSFormulaToken& Tok = Cur();
  std::vector<std::uint8_t> Out;
  if (Tok.Kind == xtkString) {
    if (Tok.Text.size() > 255) FormulaError(6, {});
    Out.push_back(0x17);
    Out.push_back(static_cast<std::uint8_t>(Tok.Text.size()));
    if (Tok.Text.empty()) {
      Out.push_back(0x00);
    } else {
      Out.push_back(0x01);
      for (char16_t C : Tok.Text) AddU16(Out, C);
    }
  } else if (Tok.Kind == xtkError) {
    Out = {0x1C, static_cast<std::uint8_t>(Tok.Text[0])};
  } else if (Tok.Kind == xtkNumber) {
    std::string S;
    for (char16_t C : Tok.Text) S += C == DecimalSeparator ? '.' : static_cast<char>(C);
    char* End = nullptr;
    const double V = std::strtod(S.c_str(), &End);
    if (S.empty() || End != S.c_str() + S.size() || !std::isfinite(V)) FormulaError(1, Tok.Original);
    if (V >= 0 && V <= 65535 && V == std::floor(V)) {
      Out.push_back(0x1E);
      AddU16(Out, static_cast<int>(V));
    } else {
      Out.resize(9);
      Out[0] = 0x1F;
      core::store_le_double(Out.data() + 1, V);
    }
  } else {
    FormulaError(1, Tok.Original);
  }
  AddPtgBytes(Out);
  Step();
}

}  // namespace biff
