#include "workbook/cell_store.h"

#include <algorithm>
#include <cfenv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "core/byte_io.h"
#include "workbook/biff_codecs.h"
#include "workbook/exceptions.h"
#include "workbook/format_settings.h"

namespace workbook {

static_assert(std::numeric_limits<long double>::digits == 64,
              "number packing relies on 80-bit extended precision");

using core::load_le16;
using core::load_le32;
using core::load_le64;
using core::store_le16;
using core::store_le32;
using core::store_le64;

namespace {

constexpr int CellSizes[][2] = {
    // type, payload size without style
    {mctBlank, 0},       {mctInt8, 1},    {mctInt16, 2}, {mctInt32, 4}, {mctInt32Div100, 4},
    {mctInt32Div10000, 4}, {mctSingle, 4}, {mctDouble, 8}, {mctSST16, 2}, {mctSST32, 4},
    {mctBoolean, 1},     {mctError, 1},
};

int TypeOf(std::int32_t Code) { return Code & 0x1F; }
bool HasStyle(std::int32_t Code) { return (Code & mctHasStyle) != 0; }
bool IsFormula(std::int32_t Code) { return (Code & mctVarLength) != 0; }

std::int32_t LoadI32(const std::uint8_t* P) { return static_cast<std::int32_t>(load_le32(P)); }
void StoreI32(std::uint8_t* P, std::int32_t V) { store_le32(P, static_cast<std::uint32_t>(V)); }

double LoadDouble(const std::uint8_t* P) { return core::load_le_double(P); }
void StoreDouble(std::uint8_t* P, double V) {
  std::uint64_t bits;
  std::memcpy(&bits, &V, sizeof bits);
  store_le64(P, bits);
}

// Offsets inside a formula record, counted from the record's uint16 length.
struct TFormulaLayout {
  const std::uint8_t* Rec = nullptr;
  int Type = 0;
  std::uint8_t Flags = 0;
  int Style = 0;
  int ResultPos = 0;
  int BodyLenPos = 0;
  int BodyLen = 0;
  std::uint8_t Marker = 0;
  int BodyPos = 0;
  int BodyBytes = 0;
  int AreaPos = 0;
  int DataTablePos = 0;
};

TFormulaLayout Layout(std::int32_t Code, const std::uint8_t* Data) {
  TFormulaLayout L;
  L.Rec = Data;
  L.Type = TypeOf(Code);
  L.Flags = Data[2];
  int pos = 3;
  if (HasStyle(Code)) {
    L.Style = load_le16(Data + 3);
    pos += 2;
  }
  L.ResultPos = pos;
  switch (L.Type) {
    case mctFormulaFloat: pos += 8; break;
    case mctFormulaString: pos += 2 + 2 * load_le16(Data + pos); break;
    case mctFormulaBoolean:
    case mctFormulaError: pos += 1; break;
    default: throw Exception("Invalid XLate code");
  }
  L.BodyLenPos = pos;
  L.BodyLen = load_le16(Data + pos);
  L.Marker = Data[pos + 2];
  L.BodyPos = pos + 3;
  L.BodyBytes = L.Marker == FORMULA_BODY_UTF16 ? 2 * L.BodyLen : L.BodyLen;
  L.AreaPos = L.BodyPos + L.BodyBytes;
  L.DataTablePos = L.AreaPos + ((L.Flags & mffHasArea) ? 12 : 0);
  return L;
}

// Up to 15 significant digits with the locale's decimal separator, as the program shows numbers.
std::u16string GeneralFloatText(double V) {
  if (std::isnan(V)) return u"NAN";
  if (std::isinf(V)) return V > 0 ? u"INF" : u"-INF";
  if (V == 0) return u"0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14e", V);
  // Mantissa digits and exponent of the value rounded to 15 significant digits.
  std::string s(buf);
  std::size_t e = s.find('e');
  int exp = std::atoi(s.c_str() + e + 1);
  std::string mant = s.substr(0, e);
  bool neg = mant[0] == '-';
  std::string digits;
  for (char c : mant)
    if (c >= '0' && c <= '9') digits += c;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out = neg ? "-" : "";
  const char dec = static_cast<char>(TFormatSettings::GetDecimalSeparator());
  if (exp >= 15 || exp < -5) {
    out += digits[0];
    if (digits.size() > 1) {
      out += dec;
      out += digits.substr(1);
    }
    out += 'E';
    out += std::to_string(exp);
  } else if (exp < 0) {
    out += '0';
    out += dec;
    out.append(static_cast<std::size_t>(-exp - 1), '0');
    out += digits;
  } else {
    std::size_t intLen = static_cast<std::size_t>(exp) + 1;
    if (digits.size() <= intLen) {
      out += digits;
      out.append(intLen - digits.size(), '0');
    } else {
      out += digits.substr(0, intLen);
      out += dec;
      out += digits.substr(intLen);
    }
  }
  std::u16string w;
  for (char c : out) w += static_cast<char16_t>(static_cast<unsigned char>(c));
  return w;
}

// Cuts a text to at most Max UTF-16 units without splitting a surrogate pair.
std::u16string CutText(const std::u16string& Text, std::size_t Max) {
  if (Text.size() <= Max) return Text;
  std::size_t n = Max;
  if (n > 0 && Text[n - 1] >= 0xD800 && Text[n - 1] <= 0xDBFF) --n;
  return Text.substr(0, n);
}

}  // namespace

// =============================================================================================
// TXLSFormulaHelper

void TXLSFormulaHelper::Clear() {
  Owned_.clear();
  OwnsPtgs = false;
  Col = -1;
  Row = -1;
  Style = 64;
  SourceText.clear();
  Ptgs = nullptr;
  PtgsLen = -1;
  ResultKind = 0;
  FormulaKind = 0;
  HasArea = false;
  std::memset(Result, 0, sizeof Result);
  ResultText.clear();
  DataTableR1.Col = 0xFFFF;
  DataTableR2.Col = 0xFFFF;
  HasDataTableRefs = false;
  FormulaOptions = 0;
}

void TXLSFormulaHelper::SetPtgsCopy(const std::uint8_t* Data, int Len) {
  Owned_.assign(Data, Data + std::max(Len, 0));
  Ptgs = Owned_.data();
  PtgsLen = Len;
  OwnsPtgs = true;
}

void TXLSFormulaHelper::SetPtgsRef(const std::uint8_t* Data) {
  Owned_.clear();
  Ptgs = Data;
  OwnsPtgs = false;
}

void TXLSFormulaHelper::SetPtgs97(const std::uint8_t* Data, int Len) {
  Owned_.clear();
  Owned_.push_back(0xFF);
  Owned_.insert(Owned_.end(), Data, Data + std::max(Len, 0));
  Ptgs = Owned_.data();
  PtgsLen = static_cast<std::int32_t>(Owned_.size());
  OwnsPtgs = true;
}

void TXLSFormulaHelper::SetPtgs97Extra(const std::uint8_t* Data, int PtgLen, int ExtraLen) {
  Owned_.clear();
  Owned_.push_back(0xFE);
  Owned_.push_back(static_cast<std::uint8_t>(ExtraLen));
  Owned_.push_back(static_cast<std::uint8_t>(ExtraLen >> 8));
  Owned_.insert(Owned_.end(), Data, Data + std::max(PtgLen + ExtraLen, 0));
  Ptgs = Owned_.data();
  PtgsLen = static_cast<std::int32_t>(Owned_.size());
  OwnsPtgs = true;
}

void TXLSFormulaHelper::SetResultFloat(double Value) {
  ResultKind = cvkFloatFormula;
  StoreDouble(Result, Value);
}

void TXLSFormulaHelper::SetResultString(const std::u16string& Text) {
  ResultKind = cvkStringFormula;
  ResultText = Text;
}

void TXLSFormulaHelper::SetResultBoolean(bool Value) {
  ResultKind = cvkBooleanFormula;
  std::memset(Result, 0, sizeof Result);
  Result[0] = Value ? 1 : 0;
}

void TXLSFormulaHelper::SetResultError(std::uint8_t Code) {
  if (Code == 0) throw Exception("Invalid error value");
  ResultKind = cvkErrorFormula;
  std::memset(Result, 0, sizeof Result);
  Result[0] = Code;
}

void TXLSFormulaHelper::SetResultErrorText(const std::u16string& Text) {
  int code = ErrorTextToXc12Error(Text);
  if (code <= 0) throw Exception("Invalid error value");
  SetResultError(static_cast<std::uint8_t>(code));
}

double TXLSFormulaHelper::GetResultFloat() const { return LoadDouble(Result); }

std::u16string TXLSFormulaHelper::GetResultErrorText() const { return Xc12ErrorToText(Result[0]); }

void TXLSFormulaHelper::SetArea(int Col1, int Row1, int Col2, int Row2) {
  Area.Col1 = static_cast<std::uint16_t>(Col1);
  Area.Row1 = Row1;
  Area.Col2 = static_cast<std::uint16_t>(Col2);
  Area.Row2 = Row2;
  HasArea = true;
}

void TXLSFormulaHelper::SetAreaText(const std::u16string& Text) {
  HasArea = !Text.empty();
  if (!HasArea) return;
  int c1 = 0, r1 = 0, c2 = 0, r2 = 0;
  AreaStrToColRow(Text, c1, r1, c2, r2);
  Area.Col1 = static_cast<std::uint16_t>(c1);
  Area.Row1 = r1;
  Area.Col2 = static_cast<std::uint16_t>(c2);
  Area.Row2 = r2;
}

std::u16string TXLSFormulaHelper::GetAreaText() const {
  return AreaToRefStr(Area.Col1, Area.Row1, Area.Col2, Area.Row2);
}

bool TXLSFormulaHelper::SetCellRefText(const std::u16string& Text) {
  int c = 0, r = 0;
  if (!RefStrToColRow(Text, c, r)) return false;
  Col = c;
  Row = r;
  return true;
}

void TXLSFormulaHelper::SetDataTableR1(int C, int R) {
  DataTableR1.Col = static_cast<std::uint16_t>(C);
  DataTableR1.Row = R;
}

void TXLSFormulaHelper::SetDataTableR2(int C, int R) {
  DataTableR2.Col = static_cast<std::uint16_t>(C);
  DataTableR2.Row = R;
}

void TXLSFormulaHelper::SetDataTableR1Text(const std::u16string& Text) {
  int c = 0, r = 0;
  if (RefStrToColRow(Text, c, r)) SetDataTableR1(c, r);
  HasDataTableRefs = true;
}

void TXLSFormulaHelper::SetDataTableR2Text(const std::u16string& Text) {
  int c = 0, r = 0;
  if (RefStrToColRow(Text, c, r)) SetDataTableR2(c, r);
}

std::u16string TXLSFormulaHelper::GetDataTableR1Text() const {
  return DataTableR1.Col == 0xFFFF ? std::u16string() : ColRowToRefStr(DataTableR1.Col, DataTableR1.Row);
}

std::u16string TXLSFormulaHelper::GetDataTableR2Text() const {
  return DataTableR2.Col == 0xFFFF ? std::u16string() : ColRowToRefStr(DataTableR2.Col, DataTableR2.Row);
}

int TXLSFormulaHelper::RecordSize() {
  int size = 1;
  if (Style != 0) size += 2;
  switch (ResultKind) {
    case cvkFloatFormula: size += 8; break;
    case cvkStringFormula: size += 2 + 2 * static_cast<int>(ResultText.size()); break;
    default: size += 1; break;
  }
  if (FormulaKind == mfkDataTable) {
    size += 17;
  } else if (FormulaKind >= mfkArrayMember && FormulaKind <= mfkDataTableMember) {
    size += 10;
  } else if (PtgsLen > 0) {
    size += PtgsLen + 3;
  } else {
    Is8Bit = std::all_of(SourceText.begin(), SourceText.end(), [](char16_t c) { return c < 256; });
    size += (Is8Bit ? 1 : 2) * static_cast<int>(SourceText.size()) + 3;
  }
  if (HasArea) size += 12;
  if (HasDataTableRefs) size += 13;
  return size;
}

// =============================================================================================
// TXLSCellMMU: construction and whole-store operations

TXLSCellMMU::TXLSCellMMU(int SheetIndex, int /*Reserved*/, ICellStoreStrings* SST, ICellStoreFormats* Formats)
    : SheetIndex_(SheetIndex),
      SST_(SST),
      Formats_(Formats),
      BlockManager_(std::make_unique<TXLSMMUBlockManager>()),
      Formula_(std::make_unique<TXLSFormulaHelper>()) {
  for (const auto& e : CellSizes) {
    TXLSMMUVectorManager::SetCellSize(e[0], e[1]);
    // The style field adds two bytes; a blank is only ever written with it.
    TXLSMMUVectorManager::SetCellSize(e[0] | mctHasStyle, e[1] + 2);
  }
  TMMURowHeader tpl(RowTemplate_);
  tpl.SetFlags(0);
  tpl.SetStyle(0);
  tpl.SetOutlineLevel(0);
  tpl.SetHeight(300);
  TXLSMMUVectorManager::SetRowHeaderTemplate(MMU_ROW_HEADER_SIZE, RowTemplate_);
  ClearCellArea(Dimension_);
}

TXLSCellMMU::~TXLSCellMMU() = default;

void TXLSCellMMU::OwnLinks(std::unique_ptr<ICellStoreStrings> SST, std::unique_ptr<ICellStoreFormats> Formats) {
  OwnedSST_ = std::move(SST);
  OwnedFormats_ = std::move(Formats);
  SST_ = OwnedSST_.get();
  Formats_ = OwnedFormats_.get();
}

void TXLSCellMMU::Clear() {
  BlockManager_->SetBlock(nullptr);
  Blocks_.clear();
  ClearCellArea(Dimension_);
  IterHeader_ = nullptr;
  IterRow_ = -1;
  IterCol_ = -1;
  IterCell_.Clear();
}

std::size_t TXLSCellMMU::MemoryUsed() const {
  std::size_t n = Blocks_.capacity() * sizeof(TMMUBlock);
  for (const TMMUBlock& b : Blocks_) n += static_cast<std::size_t>(b.Capacity);
  return n;
}

TMMUBlock* TXLSCellMMU::EnsureBlock(int Row) {
  std::size_t b = static_cast<std::size_t>(Row) >> 8;
  if (b >= Blocks_.size()) {
    BlockManager_->SetBlock(nullptr);
    Blocks_.resize(b + 1);
  }
  TMMUBlock* block = &Blocks_[b];
  if (BlockManager_->Block() != block) BlockManager_->SetBlock(block);
  return block;
}

TMMUBlock* TXLSCellMMU::SelectBlock(int Row) {
  if (Row < 0) return nullptr;
  std::size_t b = static_cast<std::size_t>(Row) >> 8;
  if (b >= Blocks_.size()) return nullptr;
  TMMUBlock* block = &Blocks_[b];
  if (BlockManager_->Block() != block) BlockManager_->SetBlock(block);
  return block;
}

TCellValueKind TXLSCellMMU::XLate(int TypeCode) {
  switch (TypeOf(TypeCode)) {
    case mctBlank: return cvkBlank;
    case mctInt8:
    case mctInt16:
    case mctInt32:
    case mctInt32Div100:
    case mctInt32Div10000:
    case mctSingle:
    case mctDouble: return cvkFloat;
    case mctSST16:
    case mctSST32: return cvkString;
    case mctBoolean: return cvkBoolean;
    case mctError: return cvkError;
    case mctFormulaFloat: return cvkFloatFormula;
    case mctFormulaString: return cvkStringFormula;
    case mctFormulaBoolean: return cvkBooleanFormula;
    case mctFormulaError: return cvkErrorFormula;
    default: throw Exception("Invalid XLate code");
  }
}

int TXLSCellMMU::LastRow() const {
  for (std::size_t b = Blocks_.size(); b-- > 0;) {
    const TMMUBlock& block = Blocks_[b];
    if (block.Empty()) continue;
    for (int r = MMU_ROWS_PER_BLOCK - 1; r >= 0; --r)
      if (block.RowOffsets[r] >= 0) return static_cast<int>(b) * MMU_ROWS_PER_BLOCK + r;
  }
  return -1;
}

void TXLSCellMMU::CalcDimension() {
  ClearCellArea(Dimension_);
  int r1 = INT_MAX, r2 = -2147483646, c1 = INT_MAX, c2 = -2147483646;
  bool any = false;
  for (std::size_t b = 0; b < Blocks_.size(); ++b) {
    if (Blocks_[b].Empty()) continue;
    any = true;
    BlockManager_->SetBlock(&Blocks_[b]);
    int fr, lr, fc, lc;
    BlockManager_->GetUsedArea(fr, lr, fc, lc);
    const int base = static_cast<int>(b) * MMU_ROWS_PER_BLOCK;
    r1 = std::min(r1, fr + base);
    r2 = std::max(r2, lr + base);
    c1 = std::min(c1, fc);
    c2 = std::max(c2, lc);
  }
  if (!any) return;
  if (c1 > 16384 || c2 > 16384 || r1 > 1048576 || r2 > 1048576 || c1 < 0 || c2 < 0 || r1 < 0 || r2 < 0) {
    Dimension_ = TXLSCellArea{0, 0, 0, 0};
    return;
  }
  Dimension_.Row1 = r1;
  Dimension_.Row2 = r2;
  Dimension_.Col1 = c1;
  Dimension_.Col2 = c2;
}

// =============================================================================================
// Locating and reading

bool TXLSCellMMU::FindCell(int Col, int Row, TMMUCellRef& Ref) {
  Ref.Clear();
  if (Col < 0 || Col > XLS_MAXCOL) return false;
  TMMUBlock* block = SelectBlock(Row);
  if (!block || block->Empty()) return false;
  std::uint8_t type = 0;
  std::uint8_t* p = BlockManager_->FindCell(Row & 0xFF, Col, type);
  if (!p) return false;
  Ref.TypeCode = type;
  Ref.Data = p;
  return true;
}

std::uint8_t* TXLSCellMMU::RowVector(int Row) const {
  if (Row < 0 || Row > XLS_MAXROW) return nullptr;
  const std::size_t b = static_cast<std::size_t>(Row) >> 8;
  if (b >= Blocks_.size()) return nullptr;
  const TMMUBlock& block = Blocks_[b];
  const std::int32_t off = block.RowOffsets[Row & 0xFF];
  return off < 0 ? nullptr : block.Buffer + off;
}

bool TXLSCellMMU::CellIsEmpty(int Col, int Row) {
  TMMUCellRef ref;
  return !FindCell(Col, Row, ref);
}

TMMURowHeader TXLSCellMMU::FindRow(int Row) {
  TMMUBlock* block = SelectBlock(Row);
  if (!block || Row > XLS_MAXROW) return TMMURowHeader();
  return TMMURowHeader(BlockManager_->GetRowHeader(Row & 0xFF));
}

int TXLSCellMMU::GetStyle(const TMMUCellRef& Ref) {
  if (!Ref.Data || !HasStyle(Ref.TypeCode)) return 0;
  return load_le16(IsFormula(Ref.TypeCode) ? Ref.Data + 3 : Ref.Data);
}

double TXLSCellMMU::UnpackFloat(std::uint8_t Type, const std::uint8_t* P) {
  switch (Type) {
    case mctInt8: return static_cast<std::int8_t>(P[0]);
    case mctInt16: return static_cast<std::int16_t>(load_le16(P));
    case mctInt32: return LoadI32(P);
    case mctInt32Div100: return static_cast<double>(LoadI32(P)) / 100.0;
    case mctInt32Div10000: return static_cast<double>(static_cast<long double>(LoadI32(P)) / 10000.0L);
    case mctSingle: return core::load_le_float(P);
    case mctDouble: return LoadDouble(P);
    default: return 0;
  }
}

double TXLSCellMMU::GetFloat(const TMMUCellRef& Ref) {
  if (!Ref.Data) return 0;
  const int t = TypeOf(Ref.TypeCode);
  if (IsFormula(Ref.TypeCode)) return t == mctFormulaFloat ? GetFormulaFloat(Ref) : 0;
  if (t < mctInt8 || t > mctDouble) return 0;
  return UnpackFloat(static_cast<std::uint8_t>(t), Ref.Data + (HasStyle(Ref.TypeCode) ? 2 : 0));
}

bool TXLSCellMMU::GetBoolean(const TMMUCellRef& Ref) {
  if (!Ref.Data || IsFormula(Ref.TypeCode) || TypeOf(Ref.TypeCode) != mctBoolean) return false;
  return Ref.Data[HasStyle(Ref.TypeCode) ? 2 : 0] == 1;
}

std::uint8_t TXLSCellMMU::GetError(const TMMUCellRef& Ref) {
  if (!Ref.Data || IsFormula(Ref.TypeCode) || TypeOf(Ref.TypeCode) != mctError) return 0;
  return Ref.Data[HasStyle(Ref.TypeCode) ? 2 : 0];
}

int TXLSCellMMU::GetStringIndex(const TMMUCellRef& Ref) {
  if (!Ref.Data || IsFormula(Ref.TypeCode)) return -1;
  const std::uint8_t* p = Ref.Data + (HasStyle(Ref.TypeCode) ? 2 : 0);
  switch (TypeOf(Ref.TypeCode)) {
    case mctSST16: return load_le16(p);
    case mctSST32: return LoadI32(p);
    default: return -1;
  }
}

void TXLSCellMMU::GetString(const TMMUCellRef& Ref, std::u16string& Text) {
  Text.clear();
  int index = GetStringIndex(Ref);
  if (index >= 0 && SST_) SST_->GetText(index, Text);
}

double TXLSCellMMU::GetFormulaFloat(const TMMUCellRef& Ref) {
  if (!Ref.Data || !IsFormula(Ref.TypeCode) || TypeOf(Ref.TypeCode) != mctFormulaFloat) return 0;
  TFormulaLayout L = Layout(Ref.TypeCode, Ref.Data);
  return LoadDouble(Ref.Data + L.ResultPos);
}

bool TXLSCellMMU::GetFormulaBoolean(const TMMUCellRef& Ref) {
  if (!Ref.Data || !IsFormula(Ref.TypeCode) || TypeOf(Ref.TypeCode) != mctFormulaBoolean) return false;
  TFormulaLayout L = Layout(Ref.TypeCode, Ref.Data);
  return Ref.Data[L.ResultPos] == 1;
}

std::uint8_t TXLSCellMMU::GetFormulaError(const TMMUCellRef& Ref) {
  if (!Ref.Data || !IsFormula(Ref.TypeCode) || TypeOf(Ref.TypeCode) != mctFormulaError) return 0;
  TFormulaLayout L = Layout(Ref.TypeCode, Ref.Data);
  return Ref.Data[L.ResultPos];
}

void TXLSCellMMU::GetFormulaString(const TMMUCellRef& Ref, std::u16string& Text) {
  Text.clear();
  if (!Ref.Data || !IsFormula(Ref.TypeCode) || TypeOf(Ref.TypeCode) != mctFormulaString) return;
  TFormulaLayout L = Layout(Ref.TypeCode, Ref.Data);
  const int n = load_le16(Ref.Data + L.ResultPos);
  Text.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) Text[static_cast<std::size_t>(i)] = load_le16(Ref.Data + L.ResultPos + 2 + 2 * i);
}

bool TXLSCellMMU::FormulaIsCompiled(const TMMUCellRef& Ref) {
  if (!Ref.Data || !IsFormula(Ref.TypeCode)) return false;
  return Layout(Ref.TypeCode, Ref.Data).Marker == FORMULA_BODY_PTGS;
}

int TXLSCellMMU::GetFormulaPtgs(const TMMUCellRef& Ref, const std::uint8_t*& Ptgs) {
  Ptgs = nullptr;
  if (!Ref.Data || !IsFormula(Ref.TypeCode)) throw Exception("Invalid XLate code");
  TFormulaLayout L = Layout(Ref.TypeCode, Ref.Data);
  if (L.Marker != FORMULA_BODY_PTGS) throw Exception("Formula is not compiled");
  Ptgs = Ref.Data + L.BodyPos;
  return L.BodyLen;
}

void TXLSCellMMU::GetFormulaSourceText(const TMMUCellRef& Ref, std::u16string& Text) {
  Text.clear();
  if (!Ref.Data) return;
  if (!IsFormula(Ref.TypeCode)) throw Exception("Invalid XLate code");
  TFormulaLayout L = Layout(Ref.TypeCode, Ref.Data);
  const std::uint8_t* body = Ref.Data + L.BodyPos;
  switch (L.Marker) {
    case FORMULA_BODY_PTGS: throw Exception("Formula is compiled");
    case FORMULA_BODY_8BIT:
      Text.assign(body, body + L.BodyLen);
      break;
    case FORMULA_BODY_UTF16:
      Text.resize(static_cast<std::size_t>(L.BodyLen));
      for (int i = 0; i < L.BodyLen; ++i) Text[static_cast<std::size_t>(i)] = load_le16(body + 2 * i);
      break;
    default: throw Exception("Invalid formula");
  }
}

const std::uint8_t* TXLSCellMMU::GetFormulaArea(const TMMUCellRef& Ref) {
  if (!Ref.Data || !IsFormula(Ref.TypeCode)) throw Exception("Invalid XLate code");
  TFormulaLayout L = Layout(Ref.TypeCode, Ref.Data);
  if (!(L.Flags & mffHasArea)) return nullptr;
  return Ref.Data + L.AreaPos;
}

bool TXLSCellMMU::GetFormulaAreaRect(const TMMUCellRef& Ref, TXLSCellArea& Area) {
  const std::uint8_t* a = GetFormulaArea(Ref);
  if (!a) return false;
  Area.Col1 = load_le16(a);
  Area.Row1 = LoadI32(a + 2);
  Area.Col2 = load_le16(a + 6);
  Area.Row2 = LoadI32(a + 8);
  return true;
}

void TXLSCellMMU::ReadFormula(const TMMUCellRef& Ref) {
  TXLSFormulaHelper& F = *Formula_;
  F.Clear();
  if (!Ref.Data || !IsFormula(Ref.TypeCode)) throw Exception("Invalid XLate code");
  TFormulaLayout L = Layout(Ref.TypeCode, Ref.Data);
  const std::uint8_t* d = Ref.Data;
  F.FormulaKind = L.Flags & 0x1F;
  F.Style = L.Style;
  switch (L.Type) {
    case mctFormulaFloat: F.SetResultFloat(LoadDouble(d + L.ResultPos)); break;
    case mctFormulaString: {
      std::u16string t;
      GetFormulaString(Ref, t);
      F.SetResultString(t);
      break;
    }
    case mctFormulaBoolean: F.SetResultBoolean(d[L.ResultPos] == 1); break;
    case mctFormulaError:
      // A stored error code 0 would be refused by SetResultError; keep it as stored.
      F.ResultKind = cvkErrorFormula;
      F.Result[0] = d[L.ResultPos];
      break;
  }
  const std::uint8_t* body = d + L.BodyPos;
  switch (F.FormulaKind) {
    case mfkDataTable:
      F.DataTableFlags = body[1];
      F.SetDataTableR1(load_le16(body + 2), LoadI32(body + 4));
      F.SetDataTableR2(load_le16(body + 8), LoadI32(body + 10));
      break;
    case mfkArrayMember:
    case mfkArrayMember97:
    case mfkDataTableMember:
      F.MasterCol = load_le16(body + 1);
      F.MasterRow = LoadI32(body + 3);
      break;
    default:
      switch (L.Marker) {
        case FORMULA_BODY_UTF16:
          F.SourceText.resize(static_cast<std::size_t>(L.BodyLen));
          for (int i = 0; i < L.BodyLen; ++i)
            F.SourceText[static_cast<std::size_t>(i)] = load_le16(body + 2 * i);
          break;
        case FORMULA_BODY_8BIT: F.SourceText.assign(body, body + L.BodyLen); break;
        case FORMULA_BODY_PTGS: F.SetPtgsCopy(body, L.BodyLen); break;
        default: throw Exception("Invalid stored formula");
      }
  }
  F.HasArea = (L.Flags & mffHasArea) != 0;
  if (F.HasArea) {
    const std::uint8_t* a = d + L.AreaPos;
    F.Area.Col1 = load_le16(a);
    F.Area.Row1 = LoadI32(a + 2);
    F.Area.Col2 = load_le16(a + 6);
    F.Area.Row2 = LoadI32(a + 8);
  }
  F.HasDataTableRefs = (L.Flags & mffHasDataTable) != 0;
  if (F.HasDataTableRefs) {
    const std::uint8_t* t = d + L.DataTablePos;
    F.DataTableFlags = t[0];
    F.SetDataTableR1(load_le16(t + 1), LoadI32(t + 3));
    F.SetDataTableR2(load_le16(t + 7), LoadI32(t + 9));
  }
}

std::uint8_t TXLSCellMMU::GetNumberOrError(int Col, int Row, double& Value, bool& NotNumber) {
  Value = 0;
  NotNumber = true;
  TMMUCellRef ref;
  if (!FindCell(Col, Row, ref)) return 0;
  switch (XLate(ref.TypeCode)) {
    case cvkFloat:
    case cvkFloatFormula:
      Value = GetFloat(ref);
      NotNumber = false;
      return 0;
    case cvkError:
      NotNumber = false;
      return GetError(ref);
    case cvkErrorFormula:
      NotNumber = false;
      return GetFormulaError(ref);
    default: return 0;
  }
}

bool TXLSCellMMU::GetAsText(int Col, int Row, std::u16string& Text) {
  Text.clear();
  TMMUCellRef ref;
  if (!FindCell(Col, Row, ref)) return false;
  switch (XLate(ref.TypeCode)) {
    case cvkBlank: return false;
    case cvkBoolean: Text = BooleanTexts().Of(GetBoolean(ref)); break;
    case cvkBooleanFormula: Text = BooleanTexts().Of(GetFormulaBoolean(ref)); break;
    case cvkError: Text = Xc12ErrorToText(GetError(ref)); break;
    case cvkErrorFormula: Text = Xc12ErrorToText(GetFormulaError(ref)); break;
    case cvkString: GetString(ref, Text); break;
    case cvkStringFormula: GetFormulaString(ref, Text); break;
    case cvkFloat:
    case cvkFloatFormula: Text = GeneralFloatText(GetFloat(ref)); break;
  }
  return true;
}

// =============================================================================================
// Packing numbers

std::uint8_t TXLSCellMMU::PackFloat(std::uint8_t (&Packed)[8], double Value) {
  std::memset(Packed, 0, sizeof Packed);
  auto asDouble = [&] {
    StoreDouble(Packed, Value);
    return static_cast<std::uint8_t>(mctDouble);
  };
  // Accepts a packed form only when it reads back as exactly the same double.
  auto exact = [&](std::uint8_t Type) {
    double back = UnpackFloat(Type, Packed);
    if (std::memcmp(&back, &Value, sizeof back) == 0) return Type;
    std::memset(Packed, 0, sizeof Packed);
    return asDouble();
  };
  const double x = Value;
  if (!std::isfinite(x)) return asDouble();
  double ipart;
  const double frac = std::modf(x, &ipart);
  if (ipart == 0 && frac < 1e-8) return asDouble();
  if (frac == 0) {
    if (x >= -128 && x <= 127) {
      Packed[0] = static_cast<std::uint8_t>(static_cast<std::int8_t>(x));
      return exact(mctInt8);
    }
    if (x >= -32768 && x <= 32767) {
      store_le16(Packed, static_cast<std::uint16_t>(static_cast<std::int16_t>(x)));
      return exact(mctInt16);
    }
    if (x >= -2147483646.0 && x <= 2147483647.0) {
      StoreI32(Packed, static_cast<std::int32_t>(x));
      return exact(mctInt32);
    }
    return asDouble();
  }
  if (!(x >= -2147483646.0 && x <= 2147483647.0)) return asDouble();
  const long double b = static_cast<long double>(x) * 10000.0L;
  const double r = std::nearbyint(static_cast<double>(b));
  const double diff = static_cast<double>(static_cast<long double>(r) - b);
  if (!(diff > -1e-8 && diff < 1e-8)) return asDouble();
  const long long c = std::llrint(b);  // round half to even in the default rounding mode
  if (c % 10000 == 0) {
    StoreI32(Packed, static_cast<std::int32_t>(c / 10000));
    return exact(mctInt32);
  }
  if (c % 100 == 0) {
    const long long h = c / 100;
    if (h < -2147483647LL || h > 2147483647LL) return asDouble();
    StoreI32(Packed, static_cast<std::int32_t>(h));
    return exact(mctInt32Div100);
  }
  if (c >= -2147483647LL && c <= 2147483647LL) {
    StoreI32(Packed, static_cast<std::int32_t>(c));
    return exact(mctInt32Div10000);
  }
  return asDouble();
}

// =============================================================================================
// Use counting

void TXLSCellMMU::UseXF(int Style) {
  if (Formats_) Formats_->UseXFIndex(Style);
}
void TXLSCellMMU::ReleaseXF(int Style) {
  if (Formats_) Formats_->ReleaseXF(Style);
}
void TXLSCellMMU::UseString(int Index) {
  if (SST_) SST_->UseString(Index);
}
void TXLSCellMMU::ReleaseString(int Index) {
  if (SST_) SST_->ReleaseString(Index);
}

void TXLSCellMMU::ReleaseCellUses(const TMMUCellRef& Ref) {
  ReleaseXF(GetStyle(Ref));
  int s = GetStringIndex(Ref);
  if (s >= 0) ReleaseString(s);
}

TXLSCellMMU::TOldUses TXLSCellMMU::CaptureUses(int Col, int Row) {
  TOldUses old;
  TMMUCellRef ref;
  if (FindCell(Col, Row, ref)) {
    old.Present = true;
    old.Style = GetStyle(ref);
    old.String = GetStringIndex(ref);
  }
  return old;
}

void TXLSCellMMU::GiveBack(const TOldUses& Old) {
  if (!Old.Present) return;
  ReleaseXF(Old.Style);
  if (Old.String >= 0) ReleaseString(Old.String);
}

std::u16string TXLSCellMMU::CapText(const std::u16string& Text) const {
  return CutText(Text, MAX_CELL_TEXT);
}

// =============================================================================================
// Writing

namespace {
// A position outside the grid would index past the block array or wrap a row's 16-bit column count.
void CheckPosition(int Col, int Row) {
  if (Col < 0 || Col > XLS_MAXCOL || Row < 0 || Row > XLS_MAXROW) throw Exception("Cell position out of range");
}
}  // namespace

std::uint8_t* TXLSCellMMU::InsertFixed(int Col, int Row, std::uint8_t Code) {
  TMMUBlock* block = EnsureBlock(Row);
  const int rib = Row & 0xFF;
  if (!block->HasRow(rib) && Formats_) Formats_->UseDefaultXF();
  return BlockManager_->InsertCell(rib, Col, Code);
}

std::uint8_t* TXLSCellMMU::InsertStyled(int Col, int Row, std::uint8_t Type, int Style) {
  UseXF(Style);
  std::uint8_t* p = InsertFixed(Col, Row, static_cast<std::uint8_t>(Type | (Style ? mctHasStyle : 0)));
  if (Style) {
    store_le16(p, static_cast<std::uint16_t>(Style));
    p += 2;
  }
  return p;
}

void TXLSCellMMU::WriteBlankRaw(int Col, int Row, int Style) {
  CheckPosition(Col, Row);
  UseXF(Style);
  std::uint8_t* p = InsertFixed(Col, Row, mctBlank | mctHasStyle);
  store_le16(p, static_cast<std::uint16_t>(Style));
}

void TXLSCellMMU::WriteBooleanRaw(int Col, int Row, int Style, bool Value) {
  CheckPosition(Col, Row);
  *InsertStyled(Col, Row, mctBoolean, Style) = Value ? 1 : 0;
}

void TXLSCellMMU::WriteErrorRaw(int Col, int Row, int Style, std::uint8_t Value) {
  CheckPosition(Col, Row);
  *InsertStyled(Col, Row, mctError, Style) = Value;
}

void TXLSCellMMU::WriteFloatRaw(int Col, int Row, int Style, double Value) {
  CheckPosition(Col, Row);
  std::uint8_t packed[8];
  const std::uint8_t type = PackFloat(packed, Value);
  if (type < mctInt8 || type > mctDouble) throw Exception("Invalid XLate");
  std::uint8_t* p = InsertStyled(Col, Row, type, Style);
  std::memcpy(p, packed, static_cast<std::size_t>(TXLSMMUVectorManager::CellSize(type)));
}

void TXLSCellMMU::WriteStringIndexRaw(int Col, int Row, int Style, int SSTIndex) {
  CheckPosition(Col, Row);
  UseString(SSTIndex);
  const bool narrow = SSTIndex >= 0 && SSTIndex <= 0xFFFF;
  std::uint8_t* p = InsertStyled(Col, Row, narrow ? mctSST16 : mctSST32, Style);
  if (narrow)
    store_le16(p, static_cast<std::uint16_t>(SSTIndex));
  else
    StoreI32(p, SSTIndex);
}

void TXLSCellMMU::WriteBlank(int Col, int Row, int /*Spare*/, int Style) {
  TOldUses old = CaptureUses(Col, Row);
  WriteBlankRaw(Col, Row, Style);
  GiveBack(old);
}

void TXLSCellMMU::WriteBoolean(int Col, int Row, int Style, bool Value) {
  TOldUses old = CaptureUses(Col, Row);
  WriteBooleanRaw(Col, Row, Style, Value);
  GiveBack(old);
}

void TXLSCellMMU::WriteError(int Col, int Row, int Style, std::uint8_t Value) {
  TOldUses old = CaptureUses(Col, Row);
  WriteErrorRaw(Col, Row, Style, Value);
  GiveBack(old);
}

void TXLSCellMMU::WriteFloat(int Col, int Row, int Style, double Value) {
  TOldUses old = CaptureUses(Col, Row);
  WriteFloatRaw(Col, Row, Style, Value);
  GiveBack(old);
}

void TXLSCellMMU::WriteStringIndex(int Col, int Row, int Style, int SSTIndex) {
  TOldUses old = CaptureUses(Col, Row);
  WriteStringIndexRaw(Col, Row, Style, SSTIndex);
  GiveBack(old);
}

void TXLSCellMMU::WriteString(int Col, int Row, int Style, const std::u16string& Text) {
  if (!SST_) throw Exception("Cell store has no shared-string table");
  const int index = Text.size() <= MAX_CELL_TEXT ? SST_->AddString(Text) : SST_->AddString(CapText(Text));
  WriteStringIndex(Col, Row, Style, index);
}

TXLSFormulaHelper& TXLSCellMMU::StageFormula(int Col, int Row, int Style, double Value) {
  // A styled cell written over keeps its format.
  TMMUCellRef ref;
  if (FindCell(Col, Row, ref) && GetStyle(ref) != 0) Style = GetStyle(ref);
  TXLSFormulaHelper& F = *Formula_;
  F.Clear();
  F.Col = Col;
  F.Row = Row;
  F.Style = Style;
  F.FormulaKind = mfkNormal;
  F.SetResultFloat(Value);
  return F;
}

void TXLSCellMMU::WriteFormulaPtgs(int Col, int Row, int Style, const std::uint8_t* Ptgs, int PtgsLen,
                                   double Value) {
  TXLSFormulaHelper& F = StageFormula(Col, Row, Style, Value);
  F.SetPtgsRef(Ptgs);
  F.PtgsLen = PtgsLen;
  WriteFormula();
}

void TXLSCellMMU::WriteFormula97(int Col, int Row, const std::uint8_t* Ptgs, int PtgsLen, int Style) {
  StageFormula(Col, Row, Style, 0).SetPtgs97(Ptgs, PtgsLen);
  WriteFormula();
}

void TXLSCellMMU::WriteFormula() {
  TOldUses old = CaptureUses(Formula_->Col, Formula_->Row);
  WriteFormulaRaw();
  GiveBack(old);
}

void TXLSCellMMU::WriteFormulaRaw() {
  TXLSFormulaHelper& F = *Formula_;
  if (F.ResultKind < cvkFloatFormula || F.ResultKind > cvkErrorFormula)
    throw Exception("Invalid formula cell type");
  CheckPosition(F.Col, F.Row);
  // The record's length is 16 bits: a cached text is cut to fit, a body that cannot fit is refused.
  if (F.ResultKind == cvkStringFormula) F.ResultText = CapText(F.ResultText);
  int size = F.RecordSize();
  if (size > 0xFFFF && F.ResultKind == cvkStringFormula) {
    const std::size_t excess = static_cast<std::size_t>((size - 0xFFFF + 1) / 2);
    F.ResultText = CutText(F.ResultText, F.ResultText.size() > excess ? F.ResultText.size() - excess : 0);
    size = F.RecordSize();
  }
  if (size > 0xFFFF) throw Exception("Formula is too long");

  const std::uint8_t type = static_cast<std::uint8_t>(mctFormulaFloat + (F.ResultKind - cvkFloatFormula));
  const std::uint8_t code =
      static_cast<std::uint8_t>(type | mctVarLength | (F.Style != 0 ? mctHasStyle : 0));
  UseXF(F.Style);
  TMMUBlock* block = EnsureBlock(F.Row);
  const int rib = F.Row & 0xFF;
  if (!block->HasRow(rib) && Formats_) Formats_->UseDefaultXF();
  std::uint8_t* d = BlockManager_->InsertVarCell(rib, F.Col, code, size);
  std::uint8_t* p = d + 2;
  *p++ = static_cast<std::uint8_t>((F.FormulaKind & 0x1F) | (F.HasArea ? mffHasArea : 0) |
                                   (F.HasDataTableRefs ? mffHasDataTable : 0));
  if (F.Style != 0) {
    store_le16(p, static_cast<std::uint16_t>(F.Style));
    p += 2;
  }
  switch (F.ResultKind) {
    case cvkFloatFormula:
      std::memcpy(p, F.Result, 8);
      p += 8;
      break;
    case cvkStringFormula:
      store_le16(p, static_cast<std::uint16_t>(F.ResultText.size()));
      p += 2;
      for (char16_t c : F.ResultText) {
        store_le16(p, c);
        p += 2;
      }
      break;
    case cvkBooleanFormula: *p++ = F.Result[0] ? 1 : 0; break;
    default: *p++ = F.Result[0]; break;
  }
  auto putCell = [&](std::uint16_t C, std::int32_t R) {
    store_le16(p, C);
    StoreI32(p + 2, R);
    p += 6;
  };
  switch (F.FormulaKind) {
    case mfkDataTable:
      store_le16(p, 14);
      p[2] = FORMULA_BODY_PTGS;
      p[3] = 0xBA;
      p[4] = F.DataTableFlags;
      p += 5;
      putCell(F.DataTableR1.Col, F.DataTableR1.Row);
      putCell(F.DataTableR2.Col, F.DataTableR2.Row);
      break;
    case mfkArrayMember:
    case mfkArrayMember97:
    case mfkDataTableMember:
      store_le16(p, 7);
      p[2] = FORMULA_BODY_PTGS;
      p[3] = F.FormulaKind == mfkArrayMember ? 0xB8 : F.FormulaKind == mfkArrayMember97 ? 0xB9 : 0xBB;
      p += 4;
      putCell(F.MasterCol, F.MasterRow);
      break;
    default:
      if (F.PtgsLen > 0) {
        store_le16(p, static_cast<std::uint16_t>(F.PtgsLen));
        p[2] = FORMULA_BODY_PTGS;
        p += 3;
        std::memcpy(p, F.Ptgs, static_cast<std::size_t>(F.PtgsLen));
        p += F.PtgsLen;
      } else {
        store_le16(p, static_cast<std::uint16_t>(F.SourceText.size()));
        p[2] = F.Is8Bit ? FORMULA_BODY_8BIT : FORMULA_BODY_UTF16;
        p += 3;
        for (char16_t c : F.SourceText) {
          if (F.Is8Bit) {
            *p++ = static_cast<std::uint8_t>(c);
          } else {
            store_le16(p, c);
            p += 2;
          }
        }
      }
  }
  if (F.HasArea) {
    store_le16(p, F.Area.Col1);
    StoreI32(p + 2, F.Area.Row1);
    store_le16(p + 6, F.Area.Col2);
    StoreI32(p + 8, F.Area.Row2);
    p += 12;
  }
  if (F.HasDataTableRefs) {
    *p++ = F.DataTableFlags;
    putCell(F.DataTableR1.Col, F.DataTableR1.Row);
    putCell(F.DataTableR2.Col, F.DataTableR2.Row);
  }
}

// =============================================================================================
// Updating

void TXLSCellMMU::UpdateBoolean(int Col, int Row, int Style, bool Value) {
  TMMUCellRef ref;
  if (!FindCell(Col, Row, ref)) return WriteBoolean(Col, Row, Style, Value);
  if (IsFormula(ref.TypeCode)) return SetFormulaResultBoolean(ref, Col, Row, Value);
  const int own = GetStyle(ref);
  if (TypeOf(ref.TypeCode) == mctBoolean) {
    ref.Data[HasStyle(ref.TypeCode) ? 2 : 0] = Value ? 1 : 0;
    return;
  }
  WriteBoolean(Col, Row, own ? own : Style, Value);
}

void TXLSCellMMU::UpdateError(int Col, int Row, int Style, std::uint8_t Value) {
  TMMUCellRef ref;
  if (!FindCell(Col, Row, ref)) return WriteError(Col, Row, Style, Value);
  if (IsFormula(ref.TypeCode)) return SetFormulaResultError(ref, Col, Row, Value);
  const int own = GetStyle(ref);
  if (TypeOf(ref.TypeCode) == mctError) {
    ref.Data[HasStyle(ref.TypeCode) ? 2 : 0] = Value;
    return;
  }
  WriteError(Col, Row, own ? own : Style, Value);
}

void TXLSCellMMU::UpdateFloat(int Col, int Row, int Style, double Value) {
  TMMUCellRef ref;
  if (!FindCell(Col, Row, ref)) return WriteFloat(Col, Row, Style, Value);
  if (IsFormula(ref.TypeCode)) return SetFormulaResultFloat(ref, Col, Row, Value);
  const int own = GetStyle(ref);
  WriteFloat(Col, Row, own ? own : Style, Value);
}

void TXLSCellMMU::UpdateString(int Col, int Row, int Style, const std::u16string& Text) {
  if (!SST_) throw Exception("Cell store has no shared-string table");
  TMMUCellRef ref;
  if (!FindCell(Col, Row, ref)) return WriteString(Col, Row, Style, Text);
  if (IsFormula(ref.TypeCode)) return SetFormulaResultString(ref, Col, Row, Text);
  const int own = GetStyle(ref);
  const int oldIndex = GetStringIndex(ref);
  if (oldIndex < 0) return WriteString(Col, Row, own ? own : Style, Text);
  // The new string's use is taken before the old one is given back, so that a text written
  // over itself never drops to zero uses in between.
  const int index = SST_->AddString(CapText(Text));
  const bool narrow = index >= 0 && index <= 0xFFFF;
  if (narrow == (TypeOf(ref.TypeCode) == mctSST16)) {
    UseString(index);
    std::uint8_t* p = ref.Data + (HasStyle(ref.TypeCode) ? 2 : 0);
    if (narrow)
      store_le16(p, static_cast<std::uint16_t>(index));
    else
      StoreI32(p, index);
    ReleaseString(oldIndex);
    return;
  }
  WriteStringIndex(Col, Row, own, index);
}

// =============================================================================================
// Cached formula results

namespace {
void CheckFormulaRef(const TMMUCellRef& Ref) {
  if (!Ref.Data || !IsFormula(Ref.TypeCode)) throw Exception("Cell is not formula");
}
}  // namespace

void TXLSCellMMU::SetFormulaResultBoolean(const TMMUCellRef& Ref, int Col, int Row, bool Value) {
  CheckFormulaRef(Ref);
  if (TypeOf(Ref.TypeCode) == mctFormulaBoolean) {
    Ref.Data[Layout(Ref.TypeCode, Ref.Data).ResultPos] = Value ? 1 : 0;
    return;
  }
  ReadFormula(Ref);
  Formula_->SetResultBoolean(Value);
  Formula_->Col = Col;
  Formula_->Row = Row;
  WriteFormula();
}

void TXLSCellMMU::SetFormulaResultError(const TMMUCellRef& Ref, int Col, int Row, std::uint8_t Value) {
  CheckFormulaRef(Ref);
  if (TypeOf(Ref.TypeCode) == mctFormulaError) {
    Ref.Data[Layout(Ref.TypeCode, Ref.Data).ResultPos] = Value;
    return;
  }
  ReadFormula(Ref);
  Formula_->SetResultError(Value);
  Formula_->Col = Col;
  Formula_->Row = Row;
  WriteFormula();
}

void TXLSCellMMU::SetFormulaResultFloat(const TMMUCellRef& Ref, int Col, int Row, double Value) {
  CheckFormulaRef(Ref);
  if (TypeOf(Ref.TypeCode) == mctFormulaFloat) {
    StoreDouble(Ref.Data + Layout(Ref.TypeCode, Ref.Data).ResultPos, Value);
    return;
  }
  ReadFormula(Ref);
  Formula_->SetResultFloat(Value);
  Formula_->Col = Col;
  Formula_->Row = Row;
  WriteFormula();
}

void TXLSCellMMU::SetFormulaResultString(const TMMUCellRef& Ref, int Col, int Row, const std::u16string& Value) {
  CheckFormulaRef(Ref);
  const std::u16string text = CapText(Value);
  if (TypeOf(Ref.TypeCode) == mctFormulaString) {
    std::u16string cached;
    GetFormulaString(Ref, cached);
    if (cached == text) return;
  }
  ReadFormula(Ref);
  Formula_->SetResultString(text);
  Formula_->Col = Col;
  Formula_->Row = Row;
  WriteFormula();
}

void TXLSCellMMU::ReplaceFormulaPtgs(int Col, int Row, const TMMUCellRef& Ref, const std::uint8_t* Ptgs,
                                     int PtgsLen) {
  if (Ref.TypeCode == 0 || !Ref.Data) throw Exception("Invalid formula");
  ReadFormula(Ref);
  Formula_->SetPtgsRef(Ptgs);
  Formula_->PtgsLen = PtgsLen;
  Formula_->SourceText.clear();
  Formula_->Col = Col;
  Formula_->Row = Row;
  WriteFormula();
}

// =============================================================================================
// Styles and rows

void TXLSCellMMU::SetStyle(int Col, int Row, const TMMUCellRef& Ref, int Style) {
  if (!Ref.Data) return;
  const int cur = GetStyle(Ref);
  if (Style == cur) return;
  if (Style != 0 && cur != 0) {
    UseXF(Style);
    store_le16(IsFormula(Ref.TypeCode) ? Ref.Data + 3 : Ref.Data, static_cast<std::uint16_t>(Style));
    ReleaseXF(cur);
    return;
  }
  // The style field appears or disappears: the cell is written again. The public writes give
  // back the replaced cell's XF and string uses.
  TMMUCellRef ref = Ref;
  switch (XLate(ref.TypeCode)) {
    case cvkBlank: WriteBlank(Col, Row, 0, Style); break;
    case cvkBoolean: WriteBoolean(Col, Row, Style, GetBoolean(ref)); break;
    case cvkError: WriteError(Col, Row, Style, GetError(ref)); break;
    case cvkString: WriteStringIndex(Col, Row, Style, GetStringIndex(ref)); break;
    case cvkFloat: WriteFloat(Col, Row, Style, GetFloat(ref)); break;
    default:
      ReadFormula(ref);
      Formula_->Style = Style;
      Formula_->Col = Col;
      Formula_->Row = Row;
      WriteFormula();
  }
}

TMMURowHeader TXLSCellMMU::AddRow(int Row, int Style) {
  CheckPosition(0, Row);
  TMMUBlock* block = EnsureBlock(Row);
  const int rib = Row & 0xFF;
  const bool existed = block->HasRow(rib);
  UseXF(Style);
  TMMURowHeader h(BlockManager_->AddRow(rib));
  if (existed) ReleaseXF(h.Style());
  std::memcpy(h.Data(), RowTemplate_, MMU_ROW_HEADER_SIZE);
  h.SetStyle(static_cast<std::uint16_t>(Style));
  return h;
}

// =============================================================================================
// Deleting

void TXLSCellMMU::DeleteCell(int Col, int Row) {
  TMMUCellRef ref;
  if (!FindCell(Col, Row, ref)) return;
  const int rib = Row & 0xFF;
  TMMUBlock* block = SelectBlock(Row);
  const int headerStyle = TMMURowHeader(BlockManager_->GetRowHeader(rib)).Style();
  ReleaseCellUses(ref);
  BlockManager_->DeleteCell(rib, Col);
  if (!block->HasRow(rib)) ReleaseXF(headerStyle);
}

void TXLSCellMMU::ClearValue(int Col, int Row) {
  TMMUCellRef ref;
  if (!FindCell(Col, Row, ref)) return;
  if (XLate(ref.TypeCode) == cvkBlank) return;
  const int style = GetStyle(ref);
  if (style != 0)
    WriteBlank(Col, Row, 0, style);
  else
    DeleteCell(Col, Row);
}

void TXLSCellMMU::ClearRows(int Row1, int Row2) {
  if (!IsValidRow(Row1) || !IsValidRow(Row2) || Row2 < Row1 || Blocks_.empty()) return;
  const int lastBlock = std::min(Row2 >> 8, static_cast<int>(Blocks_.size()) - 1);
  for (int b = Row1 >> 8; b <= lastBlock; ++b) {
    TMMUBlock* block = &Blocks_[static_cast<std::size_t>(b)];
    if (block->Empty()) continue;
    BlockManager_->SetBlock(block);
    const int first = b == (Row1 >> 8) ? (Row1 & 0xFF) : 0;
    const int last = b == (Row2 >> 8) ? (Row2 & 0xFF) : MMU_ROWS_PER_BLOCK - 1;
    for (int r = first; r <= last; ++r) {
      if (!block->HasRow(r)) continue;
      BlockManager_->SelectRow(r);
      int col = 0;
      std::uint8_t type = 0;
      while (std::uint8_t* p = BlockManager_->FindNextCell(col, type)) {
        ReleaseCellUses(TMMUCellRef{type, p});
        ++col;
      }
      ReleaseXF(TMMURowHeader(BlockManager_->GetRowHeader(r)).Style());
    }
    if (first == 0 && last == MMU_ROWS_PER_BLOCK - 1) {
      BlockManager_->SetBlock(nullptr);
      block->Reset();
    } else {
      BlockManager_->DeleteRows(first, last);
    }
  }
  BlockManager_->SetBlock(nullptr);
  while (!Blocks_.empty() && Blocks_.back().Empty()) Blocks_.pop_back();
}

// =============================================================================================
// Walking

void TXLSCellMMU::BeginIterate(int FromRow) {
  IterRow_ = FromRow - 1;
  IterLastRow_ = LastRow();
  IterHeader_ = nullptr;
  IterCol_ = -1;
  IterNextRow();
}

void TXLSCellMMU::IterInit(int Row) {
  IterRow_ = Row;
  IterLastRow_ = LastRow();
  IterHeader_ = nullptr;
  IterCol_ = -1;
}

bool TXLSCellMMU::IterNextRow() {
  int r = IterRow_ + 1;
  if (IterRow_ < -1) r = 0;
  IterHeader_ = nullptr;
  IterCol_ = -1;
  IterCell_.Clear();
  while (r <= IterLastRow_) {
    const int b = r >> 8;
    if (b >= static_cast<int>(Blocks_.size())) break;
    TMMUBlock* block = &Blocks_[static_cast<std::size_t>(b)];
    if (block->Empty()) {
      r = (b + 1) * MMU_ROWS_PER_BLOCK;
      continue;
    }
    BlockManager_->SetBlock(block);
    int rib = r & 0xFF;
    if (std::uint8_t* v = BlockManager_->FindNextRow(rib)) {
      const int row = b * MMU_ROWS_PER_BLOCK + rib;
      if (row > IterLastRow_) break;
      IterRow_ = row;
      IterHeader_ = v + MMU_ROW_HEADER_OFFSET;
      return true;
    }
    r = (b + 1) * MMU_ROWS_PER_BLOCK;
  }
  // Past the end: further calls find nothing either.
  IterRow_ = -1;
  IterLastRow_ = -2;
  return false;
}

bool TXLSCellMMU::IterNextCol() {
  if (IterRow_ < 0 || !IterHeader_) return false;
  TMMUBlock* block = SelectBlock(IterRow_);
  const int rib = IterRow_ & 0xFF;
  if (!block || !block->HasRow(rib)) return false;
  BlockManager_->SelectRow(rib);
  IterHeader_ = BlockManager_->GetRowHeader(rib);
  int col = IterCol_ + 1;
  std::uint8_t type = 0;
  std::uint8_t* p = BlockManager_->FindNextCell(col, type);
  if (!p) return false;
  IterCol_ = col;
  IterCell_.TypeCode = type;
  IterCell_.Data = p;
  return true;
}

bool TXLSCellMMU::IterNext() {
  for (;;) {
    if (IterNextCol()) return true;
    if (!IterNextRow()) return false;
  }
}

std::uint8_t TXLSCellMMU::IterFormulaFlags() const {
  if (!IterCell_.Data || !IsFormula(IterCell_.TypeCode)) return 0;
  return IterCell_.Data[2];
}

double TXLSCellMMU::IterFloat() const {
  const int t = TypeOf(IterCell_.TypeCode);
  if (IsFormula(IterCell_.TypeCode) || t < mctInt8 || t > mctDouble) throw Exception("Invalid float XLate");
  return GetFloat(IterCell_);
}

int TXLSCellMMU::IterStringIndex() const {
  const int t = TypeOf(IterCell_.TypeCode);
  if (IsFormula(IterCell_.TypeCode) || (t != mctSST16 && t != mctSST32)) throw Exception("Invalid string XLate");
  return GetStringIndex(IterCell_);
}

}  // namespace workbook
