// The library's formula byte code: token ids, the size table, the stepper that walks a token string
// (also BIFF8 tokens behind a 0xFF/0xFE lead), and a builder that writes well-formed tokens.
// Tokens are in postfix order; integers little-endian and unaligned. In cell and area tokens bit 15 of
// a column word and bit 31 of a row word mark an absolute coordinate.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace formula {

// Operators and constants, shared with BIFF8.
enum : std::uint8_t {
  ptgAdd = 0x03, ptgSub = 0x04, ptgMul = 0x05, ptgDiv = 0x06, ptgPower = 0x07, ptgConcat = 0x08,
  ptgLT = 0x09, ptgLE = 0x0A, ptgEQ = 0x0B, ptgGE = 0x0C, ptgGT = 0x0D, ptgNE = 0x0E,
  ptgIsect = 0x0F, ptgUnion = 0x10, ptgRange = 0x11, ptgUplus = 0x12, ptgUminus = 0x13,
  ptgPercent = 0x14, ptgParen = 0x15, ptgErr = 0x1C, ptgBool = 0x1D, ptgNum = 0x1F,
};

// Tokens of the library only (ids 0x80 and above).
enum : std::uint8_t {
  xptgArray = 0x80, xptgFunc = 0x81, xptgFuncVar = 0x82, xptgName = 0x83, xptgRef = 0x84,
  xptgArea = 0x86, xptgRefErr = 0x87, xptgAreaErr = 0x88, xptgInt = 0x89, xptgStr = 0x8A,
  xptgSpace = 0xA0, xptgRef3d = 0xA2, xptgRef3dRange = 0xA3, xptgRefExt = 0xA4, xptgRefExtRange = 0xA5,
  xptgArea3d = 0xA6, xptgArea3dRange = 0xA7, xptgAreaExt = 0xA8, xptgAreaExtRange = 0xA9,
  xptgRef3dErr = 0xB0, xptgRef3dRangeErr = 0xB1, xptgArea3dErr = 0xB2, xptgArea3dRangeErr = 0xB3,
  xptgSharedMember = 0xB8, xptgArrayMember97 = 0xB9, xptgDataTable = 0xBA, xptgArrayMember = 0xBB,
  xptgTable = 0xBC, xptgTableColumn = 0xBD, xptgTableSpecial = 0xBE,
  xptgArgSep = 0xF0, xptgMissingArg = 0xF1, xptgFuncName = 0xF2,
  xptgBIFF8Extra = 0xFE, xptgBIFF8 = 0xFF,
};

// BIFF8 tokens the stepper sizes by content (reference-class ids).
enum : std::uint8_t {
  ptg8Str = 0x17, ptg8Attr = 0x19, ptg8Ref = 0x24, ptg8Area = 0x25, ptg8MemArea = 0x26, ptg8MemErr = 0x27,
  ptg8MemNoMem = 0x28, ptg8MemFunc = 0x29, ptg8MemAreaN = 0x2E, ptg8MemNoMemN = 0x2F,
};

inline constexpr std::uint16_t PTG_COL_ABS = 0x8000;
inline constexpr std::uint32_t PTG_ROW_ABS = 0x80000000u;
inline constexpr std::uint16_t PTG_NAME_NOT_FOUND = 0xFFFF;
inline constexpr std::uint16_t PTG_TABLE_OWN_SHEET = 0xFFFF;

// Folds the BIFF8 operand class of ids below 0x80: 0x40..0x7F -> 0x20..0x3F; others unchanged.
constexpr std::uint8_t NormalizePtgClass(std::uint8_t Id) {
  return (Id >= 0x40 && Id < 0x80) ? static_cast<std::uint8_t>((Id & 0x1F) | 0x20) : Id;
}

// Sizes by id; -1 for variable-length or unassigned ids.
extern const std::int32_t PtgSizeTable[256];

// The size of the token at P with Left bytes available, by the stepping rules; for a 0xFE lead the
// 3 lead bytes. Raises "Illegal ptgs" for a zero id or a token that runs past Left, and
// "Unknown ptgs %.2X" for an id without a size.
int PtgTokenSize(const std::uint8_t* P, int Left);

// A cursor over one token string. Next steps over one token; it returns whether bytes were left
// before the step, so "while (it.Next())" visits every token. A 0xFE lead also removes its extra data
// from the bytes left, so the walk ends before it.
class TXLSIteratePtgs {
public:
  TXLSIteratePtgs(const std::uint8_t* Ptgs, int Len) : P_(Ptgs), Left_(Len < 0 ? 0 : Len) {}
  bool Next();
  const std::uint8_t* Current() const { return Current_; }
  // Size of the token Current points at.
  int CurrentSize() const { return CurrentSize_; }
  int Left() const { return Left_; }

private:
  const std::uint8_t* P_;
  int Left_;
  const std::uint8_t* Current_ = nullptr;
  int CurrentSize_ = 0;
};

// Writes tokens of the library's byte code. Every method appends exactly one token.
class TXLSPtgsBuilder {
public:
  void Op(std::uint8_t Id);  // operators 0x03..0x15 except 0x0F, and 0xF0, 0xF1
  void Intersect(std::uint8_t Spaces);
  void Space(std::uint8_t Spaces);
  void Error(std::uint8_t Code);
  void Bool(bool Value);
  void Number(double Value);
  void Int(std::int32_t Value);
  void String(std::u16string_view Text);  // raises when longer than 65535 units
  void Array(std::uint16_t Cols, std::int32_t Rows);
  void Func(std::uint16_t Id);
  void FuncVar(std::uint8_t ArgCount, std::uint16_t Id);
  void FuncName(std::uint8_t ArgCount, std::u16string_view Name);
  void Name(std::uint16_t Index);
  void Ref(int Col, int Row, bool AbsCol = false, bool AbsRow = false, bool Error = false);
  void Area(int Col1, int Row1, int Col2, int Row2, bool AbsCol1 = false, bool AbsRow1 = false,
            bool AbsCol2 = false, bool AbsRow2 = false, bool Error = false);
  // 3-D references; Sheet2 < 0 gives the one-sheet form.
  void Ref3d(int Sheet1, int Sheet2, std::uint32_t Col, std::uint32_t Row);
  void Area3d(int Sheet1, int Sheet2, std::uint32_t Col1, std::uint32_t Row1, std::uint32_t Col2,
              std::uint32_t Row2);
  void RefExt(std::uint16_t Link, int Sheet1, int Sheet2, std::uint32_t Col, std::uint32_t Row);
  void AreaExt(std::uint16_t Link, int Sheet1, int Sheet2, std::uint32_t Col1, std::uint32_t Row1,
               std::uint32_t Col2, std::uint32_t Row2);
  void Ref3dError(bool SheetRange, std::uint8_t Code);
  void Area3dError(bool SheetRange, std::uint8_t Code);
  void SharedMember(int Col, int Row);
  void ArrayMember(int Col, int Row);
  void DataTable(std::uint8_t Flags, int Col1, int Row1, int Col2, int Row2);
  void Table(std::uint16_t Index, std::uint16_t Sheet, std::uint8_t Items, int Col1, int Row1, int Col2, int Row2);
  void TableColumn(std::uint16_t Index, std::uint16_t Column, int Col1, int Row1, int Col2, int Row2);
  void TableSpecial(std::uint8_t Item, std::uint8_t Error, int Col1, int Row1, int Col2, int Row2);

  const std::vector<std::uint8_t>& Bytes() const { return Bytes_; }
  int Size() const { return static_cast<int>(Bytes_.size()); }
  // Offset of each token written, in order.
  const std::vector<int>& TokenOffsets() const { return Offsets_; }
  void Clear() {
    Bytes_.clear();
    Offsets_.clear();
  }

private:
  void Begin(std::uint8_t Id);
  void U8(std::uint8_t V) { Bytes_.push_back(V); }
  void U16(std::uint16_t V);
  void U32(std::uint32_t V);
  void AreaBody(std::uint32_t Col1, std::uint32_t Row1, std::uint32_t Col2, std::uint32_t Row2);
  void EmbeddedArea(int Col1, int Row1, int Col2, int Row2);

  std::vector<std::uint8_t> Bytes_;
  std::vector<int> Offsets_;
};

// BIFF8 tokens in a library token string: 0xFF + Tokens, or, with extra data, 0xFE, the 16-bit extra
// length, Tokens and Extra.
std::vector<std::uint8_t> WrapBIFF8(const std::vector<std::uint8_t>& Tokens,
                                    const std::vector<std::uint8_t>& Extra = {});

}  // namespace formula
