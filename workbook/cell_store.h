// TXLSCellMMU, the compact cell store of one worksheet: typed cells held as run-length coded bytes
// in blocks of 256 rows (cell_store_blocks.h), numbers packed into the smallest form that reads
// back exactly, strings as shared-string indexes, formulas as variable-length records with their
// cached result. The store keeps the use counts of the cell formats and shared strings its cells
// and row headers hold.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "workbook/cell_references.h"
#include "workbook/cell_store_blocks.h"

namespace workbook {

// Cell type codes: bits 0..4 the type, $40 a uint16 XF index leads the value, $80 a
// variable-length record (formula cells only).
enum TMMUCellType : std::uint8_t {
  mctBlank = 1,
  mctInt8 = 2,
  mctInt16 = 3,
  mctInt32 = 4,
  mctInt32Div100 = 5,
  mctInt32Div10000 = 6,
  mctSingle = 7,
  mctDouble = 8,
  mctSST16 = 9,
  mctSST32 = 10,
  mctBoolean = 11,
  mctError = 12,
  mctFormulaFloat = 20,
  mctFormulaString = 21,
  mctFormulaBoolean = 22,
  mctFormulaError = 23,
};
inline constexpr std::uint8_t mctHasStyle = 0x40;
inline constexpr std::uint8_t mctVarLength = 0x80;

enum TCellValueKind : std::uint8_t {
  cvkBlank = 1,
  cvkBoolean = 2,
  cvkError = 3,
  cvkString = 4,
  cvkFloat = 5,
  cvkFloatFormula = 6,
  cvkStringFormula = 7,
  cvkBooleanFormula = 8,
  cvkErrorFormula = 9,
};

enum TMMUFormulaKind : std::uint8_t {
  mfkNormal = 0,
  mfkArray = 1,
  mfkDataTable = 2,
  mfkArrayMember = 3,
  mfkArrayMember97 = 4,
  mfkDataTableMember = 5,
};

// Data-table flags.
inline constexpr std::uint8_t mdtfR1Deleted = 1;
inline constexpr std::uint8_t mdtfR2Deleted = 2;
inline constexpr std::uint8_t mdtfTwoDim = 4;
inline constexpr std::uint8_t mdtfRowInput = 8;

// Formula record flag bits beside the kind.
inline constexpr std::uint8_t mffHasArea = 0x40;
inline constexpr std::uint8_t mffHasDataTable = 0x80;

// Body markers of a formula record.
inline constexpr std::uint8_t FORMULA_BODY_UTF16 = 0;
inline constexpr std::uint8_t FORMULA_BODY_8BIT = 1;
inline constexpr std::uint8_t FORMULA_BODY_PTGS = 255;

// The longest text a cell holds; longer texts are cut at the interface.
inline constexpr int MAX_CELL_TEXT = 32767;

// Locator of one stored cell: the type code and, for a fixed cell, its payload or, for a formula
// record, its uint16 length. Valid until the store next changes.
struct TMMUCellRef {
  std::int32_t TypeCode = 0;
  std::uint8_t* Data = nullptr;
  void Clear() {
    TypeCode = 0;
    Data = nullptr;
  }
};

// A view of the six header bytes in front of a row's cells.
class TMMURowHeader {
public:
  static constexpr std::uint8_t rhfHidden = 1, rhfCustomHeight = 2, rhfCollapsed = 4, rhfThickTop = 8,
                                rhfThickBottom = 16, rhfShowPhonetic = 32;
  explicit TMMURowHeader(std::uint8_t* P = nullptr) : P_(P) {}
  explicit operator bool() const { return P_ != nullptr; }
  std::uint8_t* Data() const { return P_; }
  std::uint8_t Flags() const { return P_[0]; }
  void SetFlags(std::uint8_t V) { P_[0] = V; }
  std::uint16_t Style() const { return static_cast<std::uint16_t>(P_[1] | (P_[2] << 8)); }
  void SetStyle(std::uint16_t V) {
    P_[1] = static_cast<std::uint8_t>(V);
    P_[2] = static_cast<std::uint8_t>(V >> 8);
  }
  std::uint8_t OutlineLevel() const { return P_[3]; }
  void SetOutlineLevel(std::uint8_t V) { P_[3] = V; }
  std::uint16_t Height() const { return static_cast<std::uint16_t>(P_[4] | (P_[5] << 8)); }
  void SetHeight(std::uint16_t V) {
    P_[4] = static_cast<std::uint8_t>(V);
    P_[5] = static_cast<std::uint8_t>(V >> 8);
  }

private:
  std::uint8_t* P_;
};

// What the store needs of the shared-string table: it stores indexes and counts their uses.
class ICellStoreStrings {
public:
  virtual ~ICellStoreStrings() = default;
  // De-duplicating add; takes no use.
  virtual int AddString(const std::u16string& Text) = 0;
  virtual void UseString(int Index) = 0;
  virtual void ReleaseString(int Index) = 0;
  virtual void GetText(int Index, std::u16string& Text) = 0;
};

// What the store needs of the cell format editor: uses of cell formats by index.
class ICellStoreFormats {
public:
  virtual ~ICellStoreFormats() = default;
  virtual void UseXFIndex(int Index) = 0;
  virtual void UseDefaultXF() = 0;
  virtual void ReleaseXF(int Index) = 0;
  virtual void DecXFRefs(int Index) = 0;
};

// The staging object through which one formula cell goes into and out of the store.
class TXLSFormulaHelper {
public:
  struct TCellPos {
    std::uint16_t Col = 0xFFFF;
    std::int32_t Row = 0;
  };
  struct TArea {
    std::uint16_t Col1 = 0;
    std::int32_t Row1 = 0;
    std::uint16_t Col2 = 0;
    std::int32_t Row2 = 0;
  };

  std::int32_t Col = -1;
  std::int32_t Row = -1;
  std::uint16_t MasterCol = 0;
  std::int32_t MasterRow = 0;
  std::int32_t Style = 64;
  std::u16string SourceText;
  bool Is8Bit = false;
  const std::uint8_t* Ptgs = nullptr;
  std::int32_t PtgsLen = -1;
  bool OwnsPtgs = false;
  std::uint8_t ResultKind = 0;
  std::uint8_t FormulaKind = 0;
  TArea Area;
  bool HasArea = false;
  std::uint8_t Result[8] = {};
  std::u16string ResultText;
  TCellPos DataTableR1;
  TCellPos DataTableR2;
  bool HasDataTableRefs = false;
  std::uint8_t FormulaOptions = 0;
  std::uint8_t DataTableFlags = 0;

  TXLSFormulaHelper() { Clear(); }
  TXLSFormulaHelper(const TXLSFormulaHelper&) = delete;
  TXLSFormulaHelper& operator=(const TXLSFormulaHelper&) = delete;

  void Clear();
  void SetPtgsCopy(const std::uint8_t* Data, int Len);
  // Refers to tokens the caller keeps alive; the caller sets PtgsLen.
  void SetPtgsRef(const std::uint8_t* Data);
  void SetPtgs97(const std::uint8_t* Data, int Len);
  void SetPtgs97Extra(const std::uint8_t* Data, int PtgsLen, int ExtraLen);
  bool HasPtgs() const { return PtgsLen > 0; }

  void SetResultFloat(double Value);
  void SetResultString(const std::u16string& Text);
  void SetResultBoolean(bool Value);
  void SetResultError(std::uint8_t Code);
  void SetResultErrorText(const std::u16string& Text);
  double GetResultFloat() const;
  const std::u16string& GetResultString() const { return ResultText; }
  bool GetResultBoolean() const { return Result[0] != 0; }
  std::uint8_t GetResultError() const { return Result[0]; }
  std::u16string GetResultErrorText() const;

  void SetArea(int Col1, int Row1, int Col2, int Row2);
  void SetAreaText(const std::u16string& Text);
  std::u16string GetAreaText() const;
  bool SetCellRefText(const std::u16string& Text);
  void SetDataTableR1(int Col, int Row);
  void SetDataTableR2(int Col, int Row);
  void SetDataTableR1Text(const std::u16string& Text);
  void SetDataTableR2Text(const std::u16string& Text);
  std::u16string GetDataTableR1Text() const;
  std::u16string GetDataTableR2Text() const;

  // Bytes of the record behind its uint16 length; sets Is8Bit.
  int RecordSize();

private:
  std::vector<std::uint8_t> Owned_;
};

class TXLSCellMMU {
public:
  // Strings and Formats may be nullptr: nothing is counted then.
  TXLSCellMMU(int SheetIndex, int Reserved, ICellStoreStrings* SST, ICellStoreFormats* Formats);
  ~TXLSCellMMU();
  TXLSCellMMU(const TXLSCellMMU&) = delete;
  TXLSCellMMU& operator=(const TXLSCellMMU&) = delete;

  // Makes the store own the objects its uses are counted through.
  void OwnLinks(std::unique_ptr<ICellStoreStrings> SST, std::unique_ptr<ICellStoreFormats> Formats);
  ICellStoreStrings* Strings() const { return SST_; }
  ICellStoreFormats* Formats() const { return Formats_; }

  int SheetIndex() const { return SheetIndex_; }
  // The owning sheet moved in the sheet list.
  void SetSheetIndex(int Value) { SheetIndex_ = Value; }
  void Clear();
  void CalcDimension();
  const TXLSCellArea& Dimension() const { return Dimension_; }
  // The used area as a file states it, until the next CalcDimension.
  void SetDimension(const TXLSCellArea& Area) { Dimension_ = Area; }
  // The highest row that has a row vector, over all blocks; -1 when there is none.
  int LastRow() const;
  static bool IsValidRow(int Row) { return Row >= 0 && Row <= XLS_MAXROW; }
  static TCellValueKind XLate(int TypeCode);

  // Locating cells.
  bool FindCell(int Col, int Row, TMMUCellRef& Ref);
  void GetCellRef(int Col, int Row, TMMUCellRef& Ref) { FindCell(Col, Row, Ref); }
  bool CellIsEmpty(int Col, int Row);
  TMMURowHeader FindRow(int Row);
  static TCellValueKind CellType(const TMMUCellRef& Ref) { return XLate(Ref.TypeCode); }

  // Reading a located cell.
  static int GetStyle(const TMMUCellRef& Ref);
  static double GetFloat(const TMMUCellRef& Ref);
  static bool GetBoolean(const TMMUCellRef& Ref);
  static std::uint8_t GetError(const TMMUCellRef& Ref);
  static int GetStringIndex(const TMMUCellRef& Ref);
  void GetString(const TMMUCellRef& Ref, std::u16string& Text);
  static double GetFormulaFloat(const TMMUCellRef& Ref);
  static bool GetFormulaBoolean(const TMMUCellRef& Ref);
  static std::uint8_t GetFormulaError(const TMMUCellRef& Ref);
  static void GetFormulaString(const TMMUCellRef& Ref, std::u16string& Text);
  static bool FormulaIsCompiled(const TMMUCellRef& Ref);
  static int GetFormulaPtgs(const TMMUCellRef& Ref, const std::uint8_t*& Ptgs);
  static void GetFormulaSourceText(const TMMUCellRef& Ref, std::u16string& Text);
  // The 12 area bytes (uint16 Col1, int32 Row1, uint16 Col2, int32 Row2), nullptr without area.
  static const std::uint8_t* GetFormulaArea(const TMMUCellRef& Ref);
  static bool GetFormulaAreaRect(const TMMUCellRef& Ref, TXLSCellArea& Area);
  void ReadFormula(const TMMUCellRef& Ref);
  std::uint8_t GetNumberOrError(int Col, int Row, double& Value, bool& NotNumber);
  bool GetAsText(int Col, int Row, std::u16string& Text);

  // Writing cells. Each replaces whatever is stored at the position and gives back the uses the
  // replaced cell held.
  void WriteBlank(int Col, int Row, int Spare, int Style);
  void WriteBoolean(int Col, int Row, int Style, bool Value);
  void WriteError(int Col, int Row, int Style, std::uint8_t Value);
  void WriteFloat(int Col, int Row, int Style, double Value);
  void WriteStringIndex(int Col, int Row, int Style, int SSTIndex);
  void WriteString(int Col, int Row, int Style, const std::u16string& Text);
  void WriteFormulaPtgs(int Col, int Row, int Style, const std::uint8_t* Ptgs, int PtgsLen, double Value);
  void WriteFormula97(int Col, int Row, const std::uint8_t* Ptgs, int PtgsLen, int Style);
  // Stores the formula held in the staging object at its Col and Row.
  void WriteFormula();

  // Updating cells: Style applies only to a cell that has none.
  void UpdateBoolean(int Col, int Row, int Style, bool Value);
  void UpdateError(int Col, int Row, int Style, std::uint8_t Value);
  void UpdateFloat(int Col, int Row, int Style, double Value);
  void UpdateString(int Col, int Row, int Style, const std::u16string& Text);

  // Cached results of formula cells.
  void SetFormulaResultBoolean(const TMMUCellRef& Ref, int Col, int Row, bool Value);
  void SetFormulaResultError(const TMMUCellRef& Ref, int Col, int Row, std::uint8_t Value);
  void SetFormulaResultFloat(const TMMUCellRef& Ref, int Col, int Row, double Value);
  void SetFormulaResultString(const TMMUCellRef& Ref, int Col, int Row, const std::u16string& Value);
  void ReplaceFormulaPtgs(int Col, int Row, const TMMUCellRef& Ref, const std::uint8_t* Ptgs, int PtgsLen);

  // Styles and rows.
  void SetStyle(int Col, int Row, const TMMUCellRef& Ref, int Style);
  TMMURowHeader AddRow(int Row, int Style);

  // Deleting.
  void DeleteCell(int Col, int Row);
  // A non-blank cell loses its value: with a style it becomes a blank of that style, without one
  // it is deleted. The value's uses are given back.
  void ClearValue(int Col, int Row);
  void ClearRows(int Row1, int Row2);

  // Packing: the type code 2..8 of the smallest form that reads back exactly, and its bytes.
  static std::uint8_t PackFloat(std::uint8_t (&Packed)[8], double Value);
  static double UnpackFloat(std::uint8_t Type, const std::uint8_t* P);

  // Visits the stored cells of the rectangle in reading order, block by block and along each row
  // vector's runs, without a seek per cell: absent rows and empty stretches cost nothing, and the
  // store's cursors stay as they are. Visit(Col, Row, Ref) returns False to stop the walk; with
  // SkipHiddenRows the cells of hidden rows are passed over. The store must not change meanwhile.
  template <class F>
  void ForEachCell(int Col1, int Row1, int Col2, int Row2, bool SkipHiddenRows, F&& Visit) const;
  // The row vector of Row (see cell_store_blocks.h), nullptr for a row without one.
  std::uint8_t* RowVector(int Row) const;

  // Walking the cells with the store's cursor.
  void BeginIterate(int FromRow);
  void IterInit(int Row);
  void IterResetCol() { IterCol_ = -1; }
  bool IterNextRow();
  bool IterNextCol();
  bool IterNext();
  int IterCol() const { return IterCol_; }
  int IterRow() const { return IterRow_; }
  const TMMUCellRef* IterCellRef() const { return &IterCell_; }
  TMMURowHeader IterRowHeader() const { return TMMURowHeader(IterHeader_); }
  TCellValueKind IterCellType() const { return XLate(IterCell_.TypeCode); }
  int IterStyle() const { return GetStyle(IterCell_); }
  bool IterBoolean() const { return GetBoolean(IterCell_); }
  std::uint8_t IterError() const { return GetError(IterCell_); }
  std::uint8_t IterFormulaFlags() const;
  double IterFloat() const;
  int IterStringIndex() const;
  void IterReadFormula() { ReadFormula(IterCell_); }
  int IterFormulaPtgs(const std::uint8_t*& Ptgs) const { return GetFormulaPtgs(IterCell_, Ptgs); }

  TXLSFormulaHelper& FormulaHelper() { return *Formula_; }

  // Bytes held by the block buffers and block records (capacity, not only content).
  std::size_t MemoryUsed() const;
  int BlockCount() const { return static_cast<int>(Blocks_.size()); }

private:
  TMMUBlock* EnsureBlock(int Row);
  // Selects the block of Row (nullptr beyond the array).
  TMMUBlock* SelectBlock(int Row);
  // Inserts a fixed cell; takes the row's header use when the row is new. Returns the payload.
  std::uint8_t* InsertFixed(int Col, int Row, std::uint8_t Code);
  // Takes a use of Style and inserts a fixed cell of Type, led by Style unless it is 0. Returns
  // the payload past the style.
  std::uint8_t* InsertStyled(int Col, int Row, std::uint8_t Type, int Style);
  // Clears the staging object for a normal formula at (Col, Row) with the cached result Value;
  // a format already on the cell there stands in for Style.
  TXLSFormulaHelper& StageFormula(int Col, int Row, int Style, double Value);
  // Gives back the uses of the cell at Ref (XF, and the string of a string cell).
  void ReleaseCellUses(const TMMUCellRef& Ref);
  void UseXF(int Style);
  void ReleaseXF(int Style);
  void UseString(int Index);
  void ReleaseString(int Index);
  void WriteStringIndexRaw(int Col, int Row, int Style, int SSTIndex);
  void WriteFloatRaw(int Col, int Row, int Style, double Value);
  void WriteBooleanRaw(int Col, int Row, int Style, bool Value);
  void WriteErrorRaw(int Col, int Row, int Style, std::uint8_t Value);
  void WriteBlankRaw(int Col, int Row, int Style);
  // Writes the staging object's formula without giving back the replaced cell's uses.
  void WriteFormulaRaw();
  // The uses of the cell at (Col, Row) before a public write replaces it.
  struct TOldUses {
    bool Present = false;
    int Style = 0;
    int String = -1;
  };
  TOldUses CaptureUses(int Col, int Row);
  void GiveBack(const TOldUses& Old);
  std::u16string CapText(const std::u16string& Text) const;

  int SheetIndex_;
  std::unique_ptr<ICellStoreStrings> OwnedSST_;
  std::unique_ptr<ICellStoreFormats> OwnedFormats_;
  ICellStoreStrings* SST_;
  ICellStoreFormats* Formats_;
  std::uint8_t RowTemplate_[MMU_ROW_HEADER_SIZE];
  std::vector<TMMUBlock> Blocks_;
  std::unique_ptr<TXLSMMUBlockManager> BlockManager_;
  TXLSCellArea Dimension_;
  std::unique_ptr<TXLSFormulaHelper> Formula_;
  int IterCol_ = -1;
  int IterRow_ = -1;
  int IterLastRow_ = -1;
  std::uint8_t* IterHeader_ = nullptr;
  TMMUCellRef IterCell_;
};

// Reads the cells of one row after another, walking each row vector's runs once while the columns
// asked for advance (a column before the last one asked starts the row again). Valid while the
// store does not change.
class TMMURowReader {
public:
  void SetRow(const TXLSCellMMU& Cells, int Row) {
    std::uint8_t* vector = Cells.RowVector(Row);
    Has_ = vector != nullptr;
    if (Has_) It_.Reset(vector);
  }
  // True with the cell at Col in Ref.
  bool Find(int Col, TMMUCellRef& Ref) {
    if (!Has_ || !It_.Seek(Col)) return false;
    Ref.TypeCode = It_.CellType();
    Ref.Data = It_.Cell();
    return true;
  }

private:
  TXLSMMUVectorIterator It_;
  bool Has_ = false;
};

template <class F>
void TXLSCellMMU::ForEachCell(int Col1, int Row1, int Col2, int Row2, bool SkipHiddenRows, F&& Visit) const {
  if (Col1 < 0) Col1 = 0;
  if (Row1 < 0) Row1 = 0;
  if (Col2 < Col1 || Row2 < Row1) return;
  const int lastBlock = std::min(Row2 / MMU_ROWS_PER_BLOCK, static_cast<int>(Blocks_.size()) - 1);
  TMMUCellRef ref;
  for (int b = Row1 / MMU_ROWS_PER_BLOCK; b <= lastBlock; ++b) {
    const TMMUBlock& block = Blocks_[static_cast<std::size_t>(b)];
    if (block.Empty()) continue;
    const int base = b * MMU_ROWS_PER_BLOCK;
    const int first = std::max(Row1 - base, 0), last = std::min(Row2 - base, MMU_ROWS_PER_BLOCK - 1);
    for (int r = first; r <= last; ++r) {
      const std::int32_t off = block.RowOffsets[r];
      if (off < 0) continue;
      std::uint8_t* vector = block.Buffer + off;
      if (SkipHiddenRows && (vector[MMU_ROW_HEADER_OFFSET] & TMMURowHeader::rhfHidden)) continue;
      // Run by run (see cell_store_blocks.h): a skip byte passes its columns, a data run hands on
      // the payloads it holds between Col1 and Col2.
      const int colCount = vector[0] | (vector[1] << 8);
      const int stop = std::min(colCount - 1, Col2);
      int pos = MMU_VECTOR_HEADER;
      for (int col = 0; col <= stop;) {
        const std::uint8_t head = vector[pos];
        if (head & 0x80) {
          col += head & 0x7F;
          ++pos;
          continue;
        }
        const std::uint8_t type = vector[pos + 1];
        ref.TypeCode = type;
        if (type & MMU_VAR_FLAG) {
          if (col >= Col1) {
            ref.Data = vector + pos + 2;
            if (!Visit(col, base + r, static_cast<const TMMUCellRef&>(ref))) return;
          }
          pos += (vector[pos + 2] | (vector[pos + 3] << 8)) + 4;
          col += head;
          continue;
        }
        const int size = TXLSMMUVectorManager::CellSize(type);
        for (int c = std::max(col, Col1), last = std::min(col + head - 1, stop); c <= last; ++c) {
          ref.Data = vector + pos + 2 + (c - col) * size;
          if (!Visit(c, base + r, static_cast<const TMMUCellRef&>(ref))) return;
        }
        pos += head * size + 2;
        col += head;
      }
    }
  }
}

}  // namespace workbook
