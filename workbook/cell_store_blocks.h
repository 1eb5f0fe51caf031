// The byte layer under the cell store: the cells of 256 consecutive rows live in one growable
// byte buffer, one run-length coded row vector per row. A cell is a type code byte and a payload
// whose size the class-wide size table gives, or a variable-length payload that carries its own
// 16-bit length. Nothing here knows what a cell's bytes mean.
//
// Row vector layout (all little-endian):
//   0  uint16  column count (last column covered by a run + 1; 0 for a vector without cells)
//   2  int32   offset of the last data run from the vector's first byte (12 when empty)
//   6  6 bytes row header (copied from the class-wide template when the vector is created)
//   12 runs:   skip byte $80+n (n = 1..127 empty columns);
//              data run: count 1..127, type code, count payloads of the code's size;
//              variable run: count 1, type code with $80, uint16 length, length bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace workbook {

inline constexpr int MMU_ROWS_PER_BLOCK = 256;
inline constexpr int MMU_VECTOR_HEADER = 12;   // column count, last-run offset, row header
inline constexpr int MMU_ROW_HEADER_OFFSET = 6;
inline constexpr int MMU_ROW_HEADER_SIZE = 6;
inline constexpr int MMU_MAX_RUN = 127;
inline constexpr std::uint8_t MMU_VAR_FLAG = 0x80;

// The cells of one block of 256 rows. The buffer holds the row vectors back to back in the order
// they were created; RowOffsets[r] is the offset of row r's vector, -1 when the row is absent.
// Capacity may exceed UsedBytes so that filling a block does not copy it once per cell.
struct TMMUBlock {
  std::int32_t UsedBytes = 0;
  std::int32_t Capacity = 0;
  std::uint8_t* Buffer = nullptr;
  std::int32_t RowOffsets[MMU_ROWS_PER_BLOCK];

  TMMUBlock();
  ~TMMUBlock();
  TMMUBlock(TMMUBlock&& Other) noexcept;
  TMMUBlock& operator=(TMMUBlock&& Other) noexcept;
  TMMUBlock(const TMMUBlock&) = delete;
  TMMUBlock& operator=(const TMMUBlock&) = delete;

  // Frees the buffer and marks every row absent.
  void Reset();
  bool HasRow(int RowInBlock) const { return RowOffsets[RowInBlock] >= 0; }
  bool Empty() const { return UsedBytes == 0; }
};

class TXLSMMUBlockManager;

// A cursor over the runs of one row vector.
class TXLSMMUVectorIterator {
public:
  // Positions on the first run; nothing is current for a vector without cells.
  void Reset(std::uint8_t* Vector);
  // Decodes the run at the cursor.
  void ReadRun();
  bool RunContains(int Col) const { return Col >= FirstCol_ && Col < FirstCol_ + RunCount_; }
  // True with the cell's payload in Cell() when a cell is stored at Col. In an empty stretch Col
  // is moved to the stretch's last column, so that SeekNext passes it in one step.
  bool Seek(int& Col);
  // The first cell at or after Col; Col is updated.
  bool SeekNext(int& Col);
  std::uint8_t* Cell() const { return Cell_; }
  std::uint8_t CellType() const { return RunType_; }

private:
  void Advance();
  std::uint8_t* Vector_ = nullptr;
  int RunCount_ = 0;
  bool IsSkip_ = false;
  int FirstCol_ = 0;
  std::uint8_t RunType_ = 0;
  std::uint8_t* Cell_ = nullptr;
  int RunPos_ = MMU_VECTOR_HEADER;
  int ColCount_ = 0;
};

// One row expanded to one entry per column, for changes in the middle of a row. Entries are the
// type code followed by the payload (for a variable-length cell: the code, uint16 length,
// payload) in an entry buffer; the table holds each column's entry offset, -1 when empty.
class TXLSMMURebuildVector {
public:
  void Create(const std::uint8_t* Vector);
  std::uint8_t* SetEntry(int Col, std::uint8_t TypeCode);
  std::uint8_t* SetVarEntry(int Col, std::uint8_t TypeCode, int Size);
  bool DeleteEntry(int Col);
  int EntryCount() const { return static_cast<int>(Offsets_.size()); }
  bool HasStoredEntry() const;
  int CalcSize() const;
  // Writes the runs from position 12 and sets column count and last-run offset; the result is
  // the payload of Col (for a variable-length cell its uint16 length), nullptr when Col is empty.
  std::uint8_t* WriteTo(std::uint8_t* Vector, int Col);
  int WrittenSize() const { return WrittenSize_; }

private:
  int AddEntry(std::uint8_t TypeCode, int PayloadSize);
  std::vector<std::uint8_t> Buffer_;
  std::vector<std::int32_t> Offsets_;
  int WrittenSize_ = 0;
};

// A cursor over one row vector of the current block.
class TXLSMMUVectorManager {
public:
  explicit TXLSMMUVectorManager(TXLSMMUBlockManager* Owner) : Owner_(Owner) {}

  void SetVector(std::uint8_t* Vector);
  // Points at the (possibly moved) current vector again after a buffer change.
  void Repoint(std::uint8_t* Vector);
  std::uint8_t* Vector() const { return Vector_; }

  std::uint8_t* InsertCell(int Col, std::uint8_t TypeCode);
  std::uint8_t* InsertVarCell(int Col, std::uint8_t TypeCode, int Size);
  // Empties columns FirstCol..LastCol; True when a cell was removed. A row left without cells is
  // removed from its block.
  bool DeleteCells(int FirstCol, int LastCol);
  std::uint8_t* FindCell(int Col, std::uint8_t& TypeCode);
  std::uint8_t* FindNextCell(int& Col, std::uint8_t& TypeCode);

  int ColCount() const;
  int LastCol() const { return ColCount() - 1; }
  int FirstUsedCol() const;
  int VectorSize() const;
  std::uint8_t* VectorEnd() const { return Vector_ + VectorSize(); }
  int LastRun() const;
  int RunSize(int Run) const;

  static int SkipByteCount(int N) { return N / MMU_MAX_RUN + (N % MMU_MAX_RUN != 0 ? 1 : 0); }
  static std::uint8_t* WriteSkip(std::uint8_t* Buf, int N);
  static std::uint8_t* SetRunHeader(std::uint8_t* Run, int Count, std::uint8_t TypeCode);

  // Class-wide payload sizes per type code and the row header template.
  static void SetCellSize(int TypeCode, int Size);
  static int CellSize(std::uint8_t TypeCode) { return SizeTable_[TypeCode]; }
  static void SetRowHeaderTemplate(int Size, const std::uint8_t* Template);
  static const std::uint8_t* RowHeaderTemplate() { return RowHeaderTemplate_; }

private:
  friend class TXLSMMUBlockManager;
  std::uint8_t* InsertAny(int Col, std::uint8_t TypeCode, int VarSize, bool Var);
  // Seek or, with Next, SeekNext on an iterator brought up to date; the cell and its type code.
  std::uint8_t* SeekCell(bool Next, int& Col, std::uint8_t& TypeCode);
  TXLSMMUBlockManager* Owner_;
  std::uint8_t* Vector_ = nullptr;
  TXLSMMUVectorIterator Iterator_;
  bool Dirty_ = false;  // the iterator must be reset before its next use
  TXLSMMURebuildVector Rebuild_;
  static int SizeTable_[256];
  static std::uint8_t RowHeaderTemplate_[MMU_ROW_HEADER_SIZE];
};

// A cursor over one block: selects rows and changes the block's buffer.
class TXLSMMUBlockManager {
public:
  TXLSMMUBlockManager() : Vectors_(this) {}

  void SetBlock(TMMUBlock* Block);
  TMMUBlock* Block() const { return Block_; }
  // Makes the row current; no vector is current when the row is absent.
  void SelectRow(int RowInBlock);
  int CurrentRow() const { return Row_; }
  std::uint8_t* GetRowVector(int RowInBlock);
  std::uint8_t* GetRowHeader(int RowInBlock);
  // The row's header; an absent row first gets an empty vector with the template header.
  std::uint8_t* AddRow(int RowInBlock);
  std::uint8_t* InsertCell(int RowInBlock, int Col, std::uint8_t TypeCode);
  std::uint8_t* InsertVarCell(int RowInBlock, int Col, std::uint8_t TypeCode, int Size);
  std::uint8_t* FindCell(int RowInBlock, int Col, std::uint8_t& TypeCode);
  std::uint8_t* FindNextCell(int& Col, std::uint8_t& TypeCode);
  std::uint8_t* FindNextRow(int& RowInBlock);
  bool DeleteCell(int RowInBlock, int Col);
  void DeleteRow(int RowInBlock);
  void DeleteRows(int First, int Last);
  int RowColCount() const;
  void GetUsedArea(int& FirstRow, int& LastRow, int& FirstCol, int& LastCol);
  TXLSMMUVectorManager& Vectors() { return Vectors_; }

  // Buffer primitives on the current row's vector. Each moves the bytes behind the change, shifts
  // the offsets of the rows that lie behind the current vector and repoints the vector manager.
  std::uint8_t* AllocAtEnd(int Size);
  std::uint8_t* InsertBytes(int Pos, int Size);
  void ResizeRowVector(int OldSize, int NewSize);
  void RemoveRowVector(int Size);

private:
  void Splice(std::int32_t At, std::int32_t RemoveLen, std::int32_t InsertLen);
  void Reserve(std::int32_t Need);
  TMMUBlock* Block_ = nullptr;
  int Row_ = -1;
  TXLSMMUVectorManager Vectors_;
};

}  // namespace workbook
