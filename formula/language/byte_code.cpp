#include "formula/language/byte_code.h"

#include <array>
#include <cstring>

#include "core/byte_io.h"
#include "core/strings.h"
#include "workbook/exceptions.h"

namespace formula {

namespace {

constexpr std::array<std::int32_t, 256> MakeSizeTable() {
  std::array<std::int32_t, 256> t{};
  for (auto& v : t) v = -1;
  for (int id = 0x03; id <= 0x0E; ++id) t[id] = 1;
  for (int id = 0x10; id <= 0x16; ++id) t[id] = 1;
  t[0x0F] = t[0x18] = t[0x1C] = t[0x1D] = 2;
  t[0x1E] = 3;
  t[0x1F] = 9;
  for (int c = 0x20; c <= 0x60; c += 0x20) {
    t[c] = 8;
    t[c + 0x01] = 3;
    t[c + 0x02] = 4;
    t[c + 0x03] = 5;
    t[c + 0x04] = t[c + 0x0A] = t[c + 0x0C] = 5;
    t[c + 0x05] = t[c + 0x0B] = t[c + 0x0D] = 9;
    t[c + 0x19] = t[c + 0x1A] = t[c + 0x1C] = 7;
    t[c + 0x1B] = t[c + 0x1D] = 11;
  }
  t[0x80] = t[0x84] = t[0xB8] = t[0xBB] = 7;
  t[0x81] = t[0x83] = 3;
  t[0x82] = 4;
  t[0x86] = 13;
  t[0x89] = 5;
  t[0xA0] = 2;
  const std::int32_t ext[] = {8, 9, 10, 11, 14, 15, 16, 17};
  for (int i = 0; i < 8; ++i) t[0xA2 + i] = ext[i];
  t[0xB0] = 8;
  t[0xB1] = 9;
  t[0xB2] = 14;
  t[0xB3] = 15;
  t[0xBA] = 14;
  t[0xBC] = 19;
  t[0xBD] = 18;
  t[0xBE] = 16;
  t[0xF0] = t[0xF1] = t[0xFE] = t[0xFF] = 1;
  return t;
}

constexpr std::array<std::int32_t, 256> kSizes = MakeSizeTable();

[[noreturn]] void IllegalPtgs() { throw workbook::Exception(std::string("Illegal ptgs")); }

// A 16-bit field at Offset of a token that must itself lie within Left bytes.
std::uint16_t Field16(const std::uint8_t* P, int Left, int Offset) {
  if (Left < Offset + 2) IllegalPtgs();
  return core::load_le16(P + Offset);
}

}  // namespace

const std::int32_t PtgSizeTable[256] = {
#define R(i) kSizes[i], kSizes[i + 1], kSizes[i + 2], kSizes[i + 3], kSizes[i + 4], kSizes[i + 5], kSizes[i + 6], kSizes[i + 7]
    R(0x00), R(0x08), R(0x10), R(0x18), R(0x20), R(0x28), R(0x30), R(0x38), R(0x40), R(0x48), R(0x50),
    R(0x58), R(0x60), R(0x68), R(0x70), R(0x78), R(0x80), R(0x88), R(0x90), R(0x98), R(0xA0), R(0xA8),
    R(0xB0), R(0xB8), R(0xC0), R(0xC8), R(0xD0), R(0xD8), R(0xE0), R(0xE8), R(0xF0), R(0xF8),
#undef R
};

int PtgTokenSize(const std::uint8_t* P, int Left) {
  if (Left <= 0) IllegalPtgs();
  const std::uint8_t stored = P[0];
  const std::uint8_t id = stored < 0x80 ? NormalizePtgClass(stored) : stored;
  int size;
  switch (id) {
    case 0x00:
      IllegalPtgs();
    case ptg8Str: {
      if (Left < 3) IllegalPtgs();
      const int n = P[1];
      size = 3 + (P[2] == 0 ? n : 2 * n);
      break;
    }
    case ptg8Attr:
      if (Left < 2) IllegalPtgs();
      size = (P[1] & 0x04) ? 6 + 2 * Field16(P, Left, 2) : 4;
      break;
    case ptg8Ref:
      size = 5;
      break;
    case ptg8Area:
      size = 9;
      break;
    // Memory tokens carry the size of the subexpression that follows them; the token and its
    // subexpression are one operand to every walker.
    case ptg8MemArea:
    case ptg8MemErr:
    case ptg8MemNoMem:
      size = 7 + Field16(P, Left, 5);
      break;
    case ptg8MemFunc:
    case ptg8MemAreaN:
    case ptg8MemNoMemN:
      size = 3 + Field16(P, Left, 1);
      break;
    case xptgRef:
    case xptgRefErr:
      size = 7;
      break;
    case xptgArea:
    case xptgAreaErr:
      size = 13;
      break;
    case xptgStr:
      size = 3 + 2 * Field16(P, Left, 1);
      break;
    case xptgFuncName:
      size = 4 + 2 * Field16(P, Left, 2);
      break;
    case xptgBIFF8Extra:
      size = 3;
      break;
    case xptgBIFF8:
      size = 1;
      break;
    default:
      size = PtgSizeTable[stored];
      if (size < 0) throw workbook::Exception(core::format("Unknown ptgs %.2X", stored));
  }
  if (size > Left) IllegalPtgs();
  return size;
}

bool TXLSIteratePtgs::Next() {
  if (Left_ <= 0) return false;
  Current_ = P_;
  const int size = PtgTokenSize(P_, Left_);
  CurrentSize_ = size;
  if (P_[0] == xptgBIFF8Extra) {
    const int extra = core::load_le16(P_ + 1);
    if (extra > Left_ - 3) IllegalPtgs();
    Left_ -= extra;
  }
  P_ += size;
  Left_ -= size;
  return true;
}

void TXLSPtgsBuilder::Begin(std::uint8_t Id) {
  Offsets_.push_back(Size());
  U8(Id);
}

void TXLSPtgsBuilder::U16(std::uint16_t V) {
  U8(static_cast<std::uint8_t>(V));
  U8(static_cast<std::uint8_t>(V >> 8));
}

void TXLSPtgsBuilder::U32(std::uint32_t V) {
  U16(static_cast<std::uint16_t>(V));
  U16(static_cast<std::uint16_t>(V >> 16));
}

void TXLSPtgsBuilder::Op(std::uint8_t Id) {
  const bool op = (Id >= ptgAdd && Id <= ptgParen && Id != ptgIsect) || Id == xptgArgSep || Id == xptgMissingArg;
  if (!op) throw workbook::Exception(core::format("Not an operator token %.2X", Id));
  Begin(Id);
}

void TXLSPtgsBuilder::Intersect(std::uint8_t Spaces) {
  Begin(ptgIsect);
  U8(Spaces);
}

void TXLSPtgsBuilder::Space(std::uint8_t Spaces) {
  Begin(xptgSpace);
  U8(Spaces);
}

void TXLSPtgsBuilder::Error(std::uint8_t Code) {
  Begin(ptgErr);
  U8(Code);
}

void TXLSPtgsBuilder::Bool(bool Value) {
  Begin(ptgBool);
  U8(Value ? 1 : 0);
}

void TXLSPtgsBuilder::Number(double Value) {
  Begin(ptgNum);
  std::uint64_t bits;
  std::memcpy(&bits, &Value, 8);
  U32(static_cast<std::uint32_t>(bits));
  U32(static_cast<std::uint32_t>(bits >> 32));
}

void TXLSPtgsBuilder::Int(std::int32_t Value) {
  Begin(xptgInt);
  U32(static_cast<std::uint32_t>(Value));
}

void TXLSPtgsBuilder::String(std::u16string_view Text) {
  if (Text.size() > 0xFFFF) throw workbook::Exception(std::string("String constant too long"));
  Begin(xptgStr);
  U16(static_cast<std::uint16_t>(Text.size()));
  for (char16_t c : Text) U16(c);
}

void TXLSPtgsBuilder::Array(std::uint16_t Cols, std::int32_t Rows) {
  Begin(xptgArray);
  U16(Cols);
  U32(static_cast<std::uint32_t>(Rows));
}

void TXLSPtgsBuilder::Func(std::uint16_t Id) {
  Begin(xptgFunc);
  U16(Id);
}

void TXLSPtgsBuilder::FuncVar(std::uint8_t ArgCount, std::uint16_t Id) {
  Begin(xptgFuncVar);
  U8(ArgCount);
  U16(Id);
}

void TXLSPtgsBuilder::FuncName(std::uint8_t ArgCount, std::u16string_view Name) {
  if (Name.size() > 0xFFFF) throw workbook::Exception(std::string("Function name too long"));
  Begin(xptgFuncName);
  U8(ArgCount);
  U16(static_cast<std::uint16_t>(Name.size()));
  for (char16_t c : Name) U16(c);
}

void TXLSPtgsBuilder::Name(std::uint16_t Index) {
  Begin(xptgName);
  U16(Index);
}

void TXLSPtgsBuilder::Ref(int Col, int Row, bool AbsCol, bool AbsRow, bool Error) {
  Begin(Error ? xptgRefErr : xptgRef);
  U32(static_cast<std::uint32_t>(Row) | (AbsRow ? PTG_ROW_ABS : 0));
  U16(static_cast<std::uint16_t>(static_cast<std::uint16_t>(Col) | (AbsCol ? PTG_COL_ABS : 0)));
}

void TXLSPtgsBuilder::AreaBody(std::uint32_t Col1, std::uint32_t Row1, std::uint32_t Col2, std::uint32_t Row2) {
  U32(Row1);
  U32(Row2);
  U16(static_cast<std::uint16_t>(Col1));
  U16(static_cast<std::uint16_t>(Col2));
}

void TXLSPtgsBuilder::Area(int Col1, int Row1, int Col2, int Row2, bool AbsCol1, bool AbsRow1, bool AbsCol2,
                           bool AbsRow2, bool Error) {
  Begin(Error ? xptgAreaErr : xptgArea);
  AreaBody(static_cast<std::uint32_t>(Col1) | (AbsCol1 ? PTG_COL_ABS : 0),
           static_cast<std::uint32_t>(Row1) | (AbsRow1 ? PTG_ROW_ABS : 0),
           static_cast<std::uint32_t>(Col2) | (AbsCol2 ? PTG_COL_ABS : 0),
           static_cast<std::uint32_t>(Row2) | (AbsRow2 ? PTG_ROW_ABS : 0));
}

void TXLSPtgsBuilder::Ref3d(int Sheet1, int Sheet2, std::uint32_t Col, std::uint32_t Row) {
  Begin(Sheet2 < 0 ? xptgRef3d : xptgRef3dRange);
  U32(Row);
  U16(static_cast<std::uint16_t>(Col));
  U8(static_cast<std::uint8_t>(Sheet1));
  if (Sheet2 >= 0) U8(static_cast<std::uint8_t>(Sheet2));
}

void TXLSPtgsBuilder::Area3d(int Sheet1, int Sheet2, std::uint32_t Col1, std::uint32_t Row1, std::uint32_t Col2,
                             std::uint32_t Row2) {
  Begin(Sheet2 < 0 ? xptgArea3d : xptgArea3dRange);
  AreaBody(Col1, Row1, Col2, Row2);
  U8(static_cast<std::uint8_t>(Sheet1));
  if (Sheet2 >= 0) U8(static_cast<std::uint8_t>(Sheet2));
}

void TXLSPtgsBuilder::RefExt(std::uint16_t Link, int Sheet1, int Sheet2, std::uint32_t Col, std::uint32_t Row) {
  Begin(Sheet2 < 0 ? xptgRefExt : xptgRefExtRange);
  U32(Row);
  U16(static_cast<std::uint16_t>(Col));
  U16(Link);
  U8(static_cast<std::uint8_t>(Sheet1));
  if (Sheet2 >= 0) U8(static_cast<std::uint8_t>(Sheet2));
}

void TXLSPtgsBuilder::AreaExt(std::uint16_t Link, int Sheet1, int Sheet2, std::uint32_t Col1, std::uint32_t Row1,
                              std::uint32_t Col2, std::uint32_t Row2) {
  Begin(Sheet2 < 0 ? xptgAreaExt : xptgAreaExtRange);
  AreaBody(Col1, Row1, Col2, Row2);
  U16(Link);
  U8(static_cast<std::uint8_t>(Sheet1));
  if (Sheet2 >= 0) U8(static_cast<std::uint8_t>(Sheet2));
}

void TXLSPtgsBuilder::Ref3dError(bool SheetRange, std::uint8_t Code) {
  Begin(SheetRange ? xptgRef3dRangeErr : xptgRef3dErr);
  for (int i = 0; i < 6; ++i) U8(0);
  U8(Code);
  if (SheetRange) U8(0);
}

void TXLSPtgsBuilder::Area3dError(bool SheetRange, std::uint8_t Code) {
  Begin(SheetRange ? xptgArea3dRangeErr : xptgArea3dErr);
  for (int i = 0; i < 12; ++i) U8(0);
  U8(Code);
  if (SheetRange) U8(0);
}

void TXLSPtgsBuilder::SharedMember(int Col, int Row) {
  Begin(xptgSharedMember);
  U16(static_cast<std::uint16_t>(Col));
  U32(static_cast<std::uint32_t>(Row));
}

void TXLSPtgsBuilder::ArrayMember(int Col, int Row) {
  Begin(xptgArrayMember);
  U16(static_cast<std::uint16_t>(Col));
  U32(static_cast<std::uint32_t>(Row));
}

void TXLSPtgsBuilder::DataTable(std::uint8_t Flags, int Col1, int Row1, int Col2, int Row2) {
  Begin(xptgDataTable);
  U8(Flags);
  U16(static_cast<std::uint16_t>(Col1));
  U32(static_cast<std::uint32_t>(Row1));
  U16(static_cast<std::uint16_t>(Col2));
  U32(static_cast<std::uint32_t>(Row2));
}

void TXLSPtgsBuilder::EmbeddedArea(int Col1, int Row1, int Col2, int Row2) {
  U8(xptgArea);
  AreaBody(static_cast<std::uint32_t>(Col1), static_cast<std::uint32_t>(Row1), static_cast<std::uint32_t>(Col2),
           static_cast<std::uint32_t>(Row2));
}

void TXLSPtgsBuilder::Table(std::uint16_t Index, std::uint16_t Sheet, std::uint8_t Items, int Col1, int Row1,
                            int Col2, int Row2) {
  Begin(xptgTable);
  U16(Index);
  U16(Sheet);
  U8(Items);
  EmbeddedArea(Col1, Row1, Col2, Row2);
}

void TXLSPtgsBuilder::TableColumn(std::uint16_t Index, std::uint16_t Column, int Col1, int Row1, int Col2,
                                  int Row2) {
  Begin(xptgTableColumn);
  U16(Index);
  U16(Column);
  EmbeddedArea(Col1, Row1, Col2, Row2);
}

void TXLSPtgsBuilder::TableSpecial(std::uint8_t Item, std::uint8_t Error, int Col1, int Row1, int Col2, int Row2) {
  Begin(xptgTableSpecial);
  U8(Item);
  U8(Error);
  EmbeddedArea(Col1, Row1, Col2, Row2);
}

std::vector<std::uint8_t> WrapBIFF8(const std::vector<std::uint8_t>& Tokens, const std::vector<std::uint8_t>& Extra) {
  std::vector<std::uint8_t> out;
  if (Extra.empty()) {
    out.push_back(xptgBIFF8);
  } else {
    if (Extra.size() > 0xFFFF) throw workbook::Exception(std::string("BIFF8 extra data too long"));
    out.push_back(xptgBIFF8Extra);
    out.push_back(static_cast<std::uint8_t>(Extra.size()));
    out.push_back(static_cast<std::uint8_t>(Extra.size() >> 8));
  }
  out.insert(out.end(), Tokens.begin(), Tokens.end());
  out.insert(out.end(), Extra.begin(), Extra.end());
  return out;
}

}  // namespace formula
