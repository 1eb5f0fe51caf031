#include "workbook/cell_store_blocks.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <new>

#include "core/byte_io.h"
#include "workbook/exceptions.h"

namespace workbook {

using core::load_le16;
using core::load_le32;
using core::store_le16;
using core::store_le32;

int TXLSMMUVectorManager::SizeTable_[256] = {};
std::uint8_t TXLSMMUVectorManager::RowHeaderTemplate_[MMU_ROW_HEADER_SIZE] = {};

namespace {

int VecColCount(const std::uint8_t* V) { return load_le16(V); }
int VecLastRun(const std::uint8_t* V) { return static_cast<std::int32_t>(load_le32(V + 2)); }

int RunBytes(const std::uint8_t* Run) {
  std::uint8_t b = Run[0];
  if (b & 0x80) return 1;
  std::uint8_t type = Run[1];
  if (type & MMU_VAR_FLAG) return load_le16(Run + 2) + 4;
  return b * TXLSMMUVectorManager::CellSize(type) + 2;
}

int VecSize(const std::uint8_t* V) {
  if (VecColCount(V) == 0) return MMU_VECTOR_HEADER;
  int last = VecLastRun(V);
  return last + RunBytes(V + last);
}

// Columns covered by the leading skip bytes, -1 for a vector without cells.
int VecFirstUsedCol(const std::uint8_t* V) {
  if (VecColCount(V) == 0) return -1;
  int col = 0;
  const std::uint8_t* p = V + MMU_VECTOR_HEADER;
  while (*p & 0x80) col += *p++ & 0x7F;
  return col;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TMMUBlock

TMMUBlock::TMMUBlock() { std::fill(std::begin(RowOffsets), std::end(RowOffsets), -1); }

TMMUBlock::~TMMUBlock() { std::free(Buffer); }

TMMUBlock::TMMUBlock(TMMUBlock&& Other) noexcept
    : UsedBytes(Other.UsedBytes), Capacity(Other.Capacity), Buffer(Other.Buffer) {
  std::copy(std::begin(Other.RowOffsets), std::end(Other.RowOffsets), RowOffsets);
  Other.Buffer = nullptr;
  Other.Reset();
}

TMMUBlock& TMMUBlock::operator=(TMMUBlock&& Other) noexcept {
  if (this != &Other) {
    std::free(Buffer);
    UsedBytes = Other.UsedBytes;
    Capacity = Other.Capacity;
    Buffer = Other.Buffer;
    std::copy(std::begin(Other.RowOffsets), std::end(Other.RowOffsets), RowOffsets);
    Other.Buffer = nullptr;
    Other.Reset();
  }
  return *this;
}

void TMMUBlock::Reset() {
  std::free(Buffer);
  Buffer = nullptr;
  UsedBytes = 0;
  Capacity = 0;
  std::fill(std::begin(RowOffsets), std::end(RowOffsets), -1);
}

// ---------------------------------------------------------------------------------------------
// TXLSMMUVectorIterator

void TXLSMMUVectorIterator::Reset(std::uint8_t* Vector) {
  Vector_ = Vector;
  ColCount_ = Vector ? VecColCount(Vector) : 0;
  RunPos_ = MMU_VECTOR_HEADER;
  FirstCol_ = 0;
  RunCount_ = 0;
  IsSkip_ = false;
  RunType_ = 0;
  Cell_ = nullptr;
  if (ColCount_ > 0) ReadRun();
}

void TXLSMMUVectorIterator::ReadRun() {
  std::uint8_t b = Vector_[RunPos_];
  if (b & 0x80) {
    IsSkip_ = true;
    RunCount_ = b & 0x7F;
    RunType_ = 0;
  } else {
    IsSkip_ = false;
    RunCount_ = b;
    RunType_ = Vector_[RunPos_ + 1];
  }
}

void TXLSMMUVectorIterator::Advance() {
  RunPos_ += RunBytes(Vector_ + RunPos_);
  FirstCol_ += RunCount_;
  ReadRun();
}

bool TXLSMMUVectorIterator::Seek(int& Col) {
  if (!Vector_ || Col < 0 || Col >= ColCount_) return false;
  if (Col < FirstCol_) Reset(Vector_);
  while (!RunContains(Col)) Advance();
  if (IsSkip_) {
    Col = FirstCol_ + RunCount_ - 1;
    return false;
  }
  if (RunType_ & MMU_VAR_FLAG)
    Cell_ = Vector_ + RunPos_ + 2;
  else
    Cell_ = Vector_ + RunPos_ + 2 + (Col - FirstCol_) * TXLSMMUVectorManager::CellSize(RunType_);
  return true;
}

bool TXLSMMUVectorIterator::SeekNext(int& Col) {
  if (Col < 0) Col = 0;
  while (Col < ColCount_) {
    if (Seek(Col)) return true;
    ++Col;
  }
  return false;
}

// ---------------------------------------------------------------------------------------------
// TXLSMMURebuildVector

int TXLSMMURebuildVector::AddEntry(std::uint8_t TypeCode, int PayloadSize) {
  int off = static_cast<int>(Buffer_.size());
  Buffer_.resize(Buffer_.size() + 1 + static_cast<std::size_t>(PayloadSize));
  Buffer_[static_cast<std::size_t>(off)] = TypeCode;
  return off;
}

void TXLSMMURebuildVector::Create(const std::uint8_t* Vector) {
  Buffer_.clear();
  Offsets_.clear();
  WrittenSize_ = 0;
  int cc = VecColCount(Vector);
  int pos = MMU_VECTOR_HEADER;
  int col = 0;
  while (col < cc) {
    std::uint8_t b = Vector[pos];
    if (b & 0x80) {
      int n = b & 0x7F;
      Offsets_.insert(Offsets_.end(), static_cast<std::size_t>(n), -1);
      col += n;
      ++pos;
      continue;
    }
    std::uint8_t type = Vector[pos + 1];
    if (type & MMU_VAR_FLAG) {
      int len = load_le16(Vector + pos + 2);
      int off = AddEntry(type, len + 2);
      std::memcpy(&Buffer_[static_cast<std::size_t>(off) + 1], Vector + pos + 2, static_cast<std::size_t>(len) + 2);
      Offsets_.push_back(off);
      ++col;
      pos += len + 4;
    } else {
      int size = TXLSMMUVectorManager::CellSize(type);
      for (int i = 0; i < b; ++i) {
        int off = AddEntry(type, size);
        if (size > 0)
          std::memcpy(&Buffer_[static_cast<std::size_t>(off) + 1], Vector + pos + 2 + i * size,
                      static_cast<std::size_t>(size));
        Offsets_.push_back(off);
      }
      col += b;
      pos += 2 + b * size;
    }
  }
}

std::uint8_t* TXLSMMURebuildVector::SetEntry(int Col, std::uint8_t TypeCode) {
  if (Col >= EntryCount()) Offsets_.resize(static_cast<std::size_t>(Col) + 1, -1);
  int off = AddEntry(TypeCode, TXLSMMUVectorManager::CellSize(TypeCode));
  Offsets_[static_cast<std::size_t>(Col)] = off;
  return &Buffer_[static_cast<std::size_t>(off) + 1];
}

std::uint8_t* TXLSMMURebuildVector::SetVarEntry(int Col, std::uint8_t TypeCode, int Size) {
  if (Col >= EntryCount()) Offsets_.resize(static_cast<std::size_t>(Col) + 1, -1);
  int off = AddEntry(static_cast<std::uint8_t>(TypeCode | MMU_VAR_FLAG), Size + 2);
  store_le16(&Buffer_[static_cast<std::size_t>(off) + 1], static_cast<std::uint16_t>(Size));
  Offsets_[static_cast<std::size_t>(Col)] = off;
  return &Buffer_[static_cast<std::size_t>(off) + 1];
}

bool TXLSMMURebuildVector::DeleteEntry(int Col) {
  if (Col < 0 || Col >= EntryCount() || Offsets_[static_cast<std::size_t>(Col)] < 0) return false;
  Offsets_[static_cast<std::size_t>(Col)] = -1;
  if (Col == EntryCount() - 1)
    while (!Offsets_.empty() && Offsets_.back() < 0) Offsets_.pop_back();
  return true;
}

bool TXLSMMURebuildVector::HasStoredEntry() const {
  for (std::int32_t o : Offsets_)
    if (o >= 0) return true;
  return false;
}

int TXLSMMURebuildVector::CalcSize() const {
  int size = MMU_VECTOR_HEADER;
  int n = EntryCount();
  int i = 0;
  while (i < n) {
    if (Offsets_[static_cast<std::size_t>(i)] < 0) {
      int j = i;
      while (j < n && Offsets_[static_cast<std::size_t>(j)] < 0) ++j;
      size += TXLSMMUVectorManager::SkipByteCount(j - i);
      i = j;
      continue;
    }
    const std::uint8_t* e = &Buffer_[static_cast<std::size_t>(Offsets_[static_cast<std::size_t>(i)])];
    std::uint8_t type = e[0];
    if (type & MMU_VAR_FLAG) {
      size += load_le16(e + 1) + 4;
      ++i;
      continue;
    }
    int sz = TXLSMMUVectorManager::CellSize(type);
    int d = 0;
    while (i < n && Offsets_[static_cast<std::size_t>(i)] >= 0 &&
           Buffer_[static_cast<std::size_t>(Offsets_[static_cast<std::size_t>(i)])] == type) {
      ++d;
      ++i;
    }
    size += (d / MMU_MAX_RUN) * (MMU_MAX_RUN * sz + 2);
    if (d % MMU_MAX_RUN) size += (d % MMU_MAX_RUN) * sz + 2;
  }
  return size;
}

std::uint8_t* TXLSMMURebuildVector::WriteTo(std::uint8_t* Vector, int Col) {
  std::uint8_t* result = nullptr;
  int q = MMU_VECTOR_HEADER;
  int lastRun = MMU_VECTOR_HEADER;
  int n = EntryCount();
  int i = 0;
  while (i < n) {
    if (Offsets_[static_cast<std::size_t>(i)] < 0) {
      int j = i;
      while (j < n && Offsets_[static_cast<std::size_t>(j)] < 0) ++j;
      q = static_cast<int>(TXLSMMUVectorManager::WriteSkip(Vector + q, j - i) - Vector);
      i = j;
      continue;
    }
    const std::uint8_t* e = &Buffer_[static_cast<std::size_t>(Offsets_[static_cast<std::size_t>(i)])];
    std::uint8_t type = e[0];
    if (type & MMU_VAR_FLAG) {
      int len = load_le16(e + 1);
      lastRun = q;
      TXLSMMUVectorManager::SetRunHeader(Vector + q, 1, type);
      std::memcpy(Vector + q + 2, e + 1, static_cast<std::size_t>(len) + 2);
      if (i == Col) result = Vector + q + 2;
      q += len + 4;
      ++i;
      continue;
    }
    int sz = TXLSMMUVectorManager::CellSize(type);
    int k = 0;
    lastRun = q;
    while (i < n && k < MMU_MAX_RUN && Offsets_[static_cast<std::size_t>(i)] >= 0 &&
           Buffer_[static_cast<std::size_t>(Offsets_[static_cast<std::size_t>(i)])] == type) {
      const std::uint8_t* src = &Buffer_[static_cast<std::size_t>(Offsets_[static_cast<std::size_t>(i)]) + 1];
      if (sz > 0) std::memcpy(Vector + q + 2 + k * sz, src, static_cast<std::size_t>(sz));
      if (i == Col) result = Vector + q + 2 + k * sz;
      ++k;
      ++i;
    }
    TXLSMMUVectorManager::SetRunHeader(Vector + q, k, type);
    q += 2 + k * sz;
  }
  store_le16(Vector, static_cast<std::uint16_t>(n));
  store_le32(Vector + 2, static_cast<std::uint32_t>(lastRun));
  WrittenSize_ = q;
  return result;
}

// ---------------------------------------------------------------------------------------------
// TXLSMMUVectorManager

void TXLSMMUVectorManager::SetCellSize(int TypeCode, int Size) {
  if (TypeCode < 0 || TypeCode > 255) throw Exception("Index out of range");
  SizeTable_[TypeCode] = Size;
}

void TXLSMMUVectorManager::SetRowHeaderTemplate(int Size, const std::uint8_t* Template) {
  std::memset(RowHeaderTemplate_, 0, sizeof RowHeaderTemplate_);
  std::memcpy(RowHeaderTemplate_, Template,
              static_cast<std::size_t>(std::min(Size, static_cast<int>(MMU_ROW_HEADER_SIZE))));
}

void TXLSMMUVectorManager::SetVector(std::uint8_t* Vector) {
  if (Vector == Vector_) return;
  Repoint(Vector);
}

void TXLSMMUVectorManager::Repoint(std::uint8_t* Vector) {
  // The bytes may not form a vector yet (a new one is being written): the cursor is reset on
  // its next use.
  Vector_ = Vector;
  Dirty_ = true;
}

int TXLSMMUVectorManager::ColCount() const { return Vector_ ? VecColCount(Vector_) : 0; }
int TXLSMMUVectorManager::FirstUsedCol() const { return Vector_ ? VecFirstUsedCol(Vector_) : -1; }
int TXLSMMUVectorManager::VectorSize() const { return VecSize(Vector_); }
int TXLSMMUVectorManager::LastRun() const { return VecLastRun(Vector_); }
int TXLSMMUVectorManager::RunSize(int Run) const { return RunBytes(Vector_ + Run); }

std::uint8_t* TXLSMMUVectorManager::WriteSkip(std::uint8_t* Buf, int N) {
  for (int i = 0; i < N / MMU_MAX_RUN; ++i) *Buf++ = 0xFF;
  if (N % MMU_MAX_RUN) *Buf++ = static_cast<std::uint8_t>(0x80 + N % MMU_MAX_RUN);
  return Buf;
}

std::uint8_t* TXLSMMUVectorManager::SetRunHeader(std::uint8_t* Run, int Count, std::uint8_t TypeCode) {
  Run[0] = static_cast<std::uint8_t>(Count);
  Run[1] = TypeCode;
  return Run + 2;
}

std::uint8_t* TXLSMMUVectorManager::InsertCell(int Col, std::uint8_t TypeCode) {
  return InsertAny(Col, TypeCode, 0, false);
}

std::uint8_t* TXLSMMUVectorManager::InsertVarCell(int Col, std::uint8_t TypeCode, int Size) {
  return InsertAny(Col, static_cast<std::uint8_t>(TypeCode | MMU_VAR_FLAG), Size, true);
}

std::uint8_t* TXLSMMUVectorManager::InsertAny(int Col, std::uint8_t Code, int VarSize, bool Var) {
  const int cellBytes = Var ? VarSize + 2 : CellSize(Code);
  auto finishRun = [&](int RunPos) {
    std::uint8_t* run = Vector_ + RunPos;
    SetRunHeader(run, 1, Code);
    if (Var) store_le16(run + 2, static_cast<std::uint16_t>(VarSize));
    return run + 2;
  };

  // A row without cells: the first run, behind the skip bytes for the columns before it.
  if (!Vector_ || ColCount() == 0) {
    int skip = Col > 0 ? SkipByteCount(Col) : 0;
    int total = MMU_VECTOR_HEADER + skip + 2 + cellBytes;
    if (!Vector_) {
      Owner_->AllocAtEnd(total);
    } else {
      Owner_->ResizeRowVector(MMU_VECTOR_HEADER, total);
    }
    int run = static_cast<int>(WriteSkip(Vector_ + MMU_VECTOR_HEADER, Col) - Vector_);
    store_le16(Vector_, static_cast<std::uint16_t>(Col + 1));
    store_le32(Vector_ + 2, static_cast<std::uint32_t>(run));
    std::uint8_t* p = finishRun(run);
    Dirty_ = true;
    return p;
  }

  const int cc = ColCount();
  if (Col >= cc) {
    const int last = LastRun();
    const int end = VectorSize();
    if (Col == cc && !Var && Vector_[last + 1] == Code && Vector_[last] < MMU_MAX_RUN) {
      // Extends the last run by one payload.
      Owner_->InsertBytes(end, cellBytes);
      Vector_[last] = static_cast<std::uint8_t>(Vector_[last] + 1);
      store_le16(Vector_, static_cast<std::uint16_t>(Col + 1));
      Dirty_ = true;
      return Vector_ + end;
    }
    const int gap = Col - cc;
    const int skip = SkipByteCount(gap);
    Owner_->InsertBytes(end, skip + 2 + cellBytes);
    WriteSkip(Vector_ + end, gap);
    store_le16(Vector_, static_cast<std::uint16_t>(Col + 1));
    store_le32(Vector_ + 2, static_cast<std::uint32_t>(end + skip));
    std::uint8_t* p = finishRun(end + skip);
    Dirty_ = true;
    return p;
  }

  // Inside the row. A cell of the same code and size is replaced where it stands: re-encoding
  // the row would give the same bytes.
  std::uint8_t existing = 0;
  if (std::uint8_t* p = FindCell(Col, existing)) {
    if (existing == Code && (!Var || load_le16(p) == VarSize)) return p;
  }
  Rebuild_.Create(Vector_);
  if (Var)
    Rebuild_.SetVarEntry(Col, Code, VarSize);
  else
    Rebuild_.SetEntry(Col, Code);
  const int newSize = Rebuild_.CalcSize();
  Owner_->ResizeRowVector(VectorSize(), newSize);
  std::uint8_t* p = Rebuild_.WriteTo(Vector_, Col);
  Dirty_ = true;
  if (Rebuild_.WrittenSize() != newSize) throw Exception("Rebuild ex mem error");
  return p;
}

bool TXLSMMUVectorManager::DeleteCells(int FirstCol, int LastCol) {
  if (!Vector_) return false;
  const int cc = ColCount();
  if (FirstCol < 0) FirstCol = 0;
  if (FirstCol >= cc || LastCol < FirstCol) return false;
  LastCol = std::min(LastCol, cc - 1);
  Rebuild_.Create(Vector_);
  bool removed = false;
  for (int c = FirstCol; c <= LastCol; ++c) removed |= Rebuild_.DeleteEntry(c);
  if (!removed) return false;
  if (Rebuild_.HasStoredEntry()) {
    const int newSize = Rebuild_.CalcSize();
    Owner_->ResizeRowVector(VectorSize(), newSize);
    Rebuild_.WriteTo(Vector_, -1);
    Dirty_ = true;
    if (Rebuild_.WrittenSize() != newSize) throw Exception("Rebuild ex mem error");
  } else {
    // A row without cells is removed together with its header.
    Owner_->RemoveRowVector(VectorSize());
  }
  return true;
}

std::uint8_t* TXLSMMUVectorManager::SeekCell(bool Next, int& Col, std::uint8_t& TypeCode) {
  if (!Vector_) return nullptr;
  if (Dirty_) {
    Iterator_.Reset(Vector_);
    Dirty_ = false;
  }
  if (!(Next ? Iterator_.SeekNext(Col) : Iterator_.Seek(Col))) return nullptr;
  TypeCode = Iterator_.CellType();
  return Iterator_.Cell();
}

std::uint8_t* TXLSMMUVectorManager::FindCell(int Col, std::uint8_t& TypeCode) {
  return SeekCell(false, Col, TypeCode);
}

std::uint8_t* TXLSMMUVectorManager::FindNextCell(int& Col, std::uint8_t& TypeCode) {
  return SeekCell(true, Col, TypeCode);
}

// ---------------------------------------------------------------------------------------------
// TXLSMMUBlockManager

void TXLSMMUBlockManager::SetBlock(TMMUBlock* Block) {
  Block_ = Block;
  Row_ = -1;
  Vectors_.Repoint(nullptr);
}

void TXLSMMUBlockManager::SelectRow(int RowInBlock) {
  Row_ = RowInBlock;
  std::int32_t off = Block_->RowOffsets[RowInBlock];
  Vectors_.SetVector(off >= 0 ? Block_->Buffer + off : nullptr);
}

std::uint8_t* TXLSMMUBlockManager::GetRowVector(int RowInBlock) {
  SelectRow(RowInBlock);
  return Vectors_.Vector();
}

std::uint8_t* TXLSMMUBlockManager::GetRowHeader(int RowInBlock) {
  std::int32_t off = Block_->RowOffsets[RowInBlock];
  return off < 0 ? nullptr : Block_->Buffer + off + MMU_ROW_HEADER_OFFSET;
}

std::uint8_t* TXLSMMUBlockManager::AddRow(int RowInBlock) {
  SelectRow(RowInBlock);
  if (!Vectors_.Vector()) AllocAtEnd(MMU_VECTOR_HEADER);
  return Vectors_.Vector() + MMU_ROW_HEADER_OFFSET;
}

std::uint8_t* TXLSMMUBlockManager::InsertCell(int RowInBlock, int Col, std::uint8_t TypeCode) {
  SelectRow(RowInBlock);
  return Vectors_.InsertCell(Col, TypeCode);
}

std::uint8_t* TXLSMMUBlockManager::InsertVarCell(int RowInBlock, int Col, std::uint8_t TypeCode, int Size) {
  SelectRow(RowInBlock);
  return Vectors_.InsertVarCell(Col, TypeCode, Size);
}

std::uint8_t* TXLSMMUBlockManager::FindCell(int RowInBlock, int Col, std::uint8_t& TypeCode) {
  SelectRow(RowInBlock);
  return Vectors_.FindCell(Col, TypeCode);
}

std::uint8_t* TXLSMMUBlockManager::FindNextCell(int& Col, std::uint8_t& TypeCode) {
  if (Row_ < 0) return nullptr;
  return Vectors_.FindNextCell(Col, TypeCode);
}

std::uint8_t* TXLSMMUBlockManager::FindNextRow(int& RowInBlock) {
  for (int r = std::max(RowInBlock, 0); r < MMU_ROWS_PER_BLOCK; ++r) {
    if (Block_->RowOffsets[r] >= 0) {
      SelectRow(r);
      RowInBlock = r;
      return Vectors_.Vector();
    }
  }
  RowInBlock = -1;
  return nullptr;
}

bool TXLSMMUBlockManager::DeleteCell(int RowInBlock, int Col) {
  SelectRow(RowInBlock);
  if (!Vectors_.Vector()) return false;
  return Vectors_.DeleteCells(Col, Col);
}

void TXLSMMUBlockManager::DeleteRow(int RowInBlock) {
  SelectRow(RowInBlock);
  if (Vectors_.Vector()) RemoveRowVector(Vectors_.VectorSize());
}

void TXLSMMUBlockManager::DeleteRows(int First, int Last) {
  for (int r = std::max(First, 0); r <= std::min(Last, MMU_ROWS_PER_BLOCK - 1); ++r) DeleteRow(r);
}

int TXLSMMUBlockManager::RowColCount() const { return Vectors_.ColCount(); }

void TXLSMMUBlockManager::GetUsedArea(int& FirstRow, int& LastRow, int& FirstCol, int& LastCol) {
  FirstRow = INT_MAX;
  LastRow = -2147483646;
  FirstCol = INT_MAX;
  LastCol = -2147483646;
  for (int r = 0; r < MMU_ROWS_PER_BLOCK; ++r) {
    std::int32_t off = Block_->RowOffsets[r];
    if (off < 0) continue;
    FirstRow = std::min(FirstRow, r);
    LastRow = std::max(LastRow, r);
    const std::uint8_t* v = Block_->Buffer + off;
    // A row that holds only its header has no columns to contribute.
    int cc = VecColCount(v);
    if (cc == 0) continue;
    FirstCol = std::min(FirstCol, VecFirstUsedCol(v));
    LastCol = std::max(LastCol, cc - 1);
  }
}

void TXLSMMUBlockManager::Reserve(std::int32_t Need) {
  if (Need <= Block_->Capacity) return;
  std::int64_t grown = static_cast<std::int64_t>(Block_->Capacity) + Block_->Capacity / 4 + 64;
  std::int64_t cap = std::max<std::int64_t>(Need, grown);
  if (cap > INT32_MAX) cap = INT32_MAX;
  void* p = std::realloc(Block_->Buffer, static_cast<std::size_t>(cap));
  if (!p) throw std::bad_alloc();
  Block_->Buffer = static_cast<std::uint8_t*>(p);
  Block_->Capacity = static_cast<std::int32_t>(cap);
}

void TXLSMMUBlockManager::Splice(std::int32_t At, std::int32_t RemoveLen, std::int32_t InsertLen) {
  const std::int64_t newUsed64 = static_cast<std::int64_t>(Block_->UsedBytes) - RemoveLen + InsertLen;
  if (newUsed64 >= INT32_MAX) throw Exception("Cell block too large");
  const std::int32_t newUsed = static_cast<std::int32_t>(newUsed64);
  const std::int32_t delta = InsertLen - RemoveLen;
  if (newUsed > Block_->Capacity) Reserve(newUsed);
  const std::int32_t tail = Block_->UsedBytes - (At + RemoveLen);
  if (tail > 0 && delta != 0)
    std::memmove(Block_->Buffer + At + InsertLen, Block_->Buffer + At + RemoveLen, static_cast<std::size_t>(tail));
  Block_->UsedBytes = newUsed;
  const std::int32_t cur = Row_ >= 0 ? Block_->RowOffsets[Row_] : -1;
  // Vectors behind the current one exist only when bytes follow the change.
  if (delta != 0 && tail > 0)
    for (std::int32_t& off : Block_->RowOffsets)
      if (off > cur) off += delta;
  if (newUsed == 0) {
    std::free(Block_->Buffer);
    Block_->Buffer = nullptr;
    Block_->Capacity = 0;
  } else if (Block_->Capacity > 4096 && newUsed < Block_->Capacity / 2) {
    // Give memory back after large deletions.
    std::int32_t cap = newUsed + newUsed / 8 + 64;
    if (void* p = std::realloc(Block_->Buffer, static_cast<std::size_t>(cap))) {
      Block_->Buffer = static_cast<std::uint8_t*>(p);
      Block_->Capacity = cap;
    }
  }
  Vectors_.Repoint(cur >= 0 && Block_->Buffer ? Block_->Buffer + cur : nullptr);
}

std::uint8_t* TXLSMMUBlockManager::AllocAtEnd(int Size) {
  // The current row is absent: its new vector starts at the buffer's end.
  const std::int32_t at = Block_->UsedBytes;
  Block_->RowOffsets[Row_] = at;
  Splice(at, 0, Size);
  std::uint8_t* v = Block_->Buffer + at;
  store_le16(v, 0);
  store_le32(v + 2, MMU_VECTOR_HEADER);
  std::memcpy(v + MMU_ROW_HEADER_OFFSET, TXLSMMUVectorManager::RowHeaderTemplate(), MMU_ROW_HEADER_SIZE);
  return v;
}

std::uint8_t* TXLSMMUBlockManager::InsertBytes(int Pos, int Size) {
  const std::int32_t cur = Block_->RowOffsets[Row_];
  Splice(cur + Pos, 0, Size);
  return Block_->Buffer + cur + Pos;
}

void TXLSMMUBlockManager::ResizeRowVector(int OldSize, int NewSize) {
  const std::int32_t cur = Block_->RowOffsets[Row_];
  if (NewSize > OldSize)
    Splice(cur + OldSize, 0, NewSize - OldSize);
  else if (NewSize < OldSize)
    Splice(cur + NewSize, OldSize - NewSize, 0);
}

void TXLSMMUBlockManager::RemoveRowVector(int Size) {
  const std::int32_t cur = Block_->RowOffsets[Row_];
  Splice(cur, Size, 0);
  Block_->RowOffsets[Row_] = -1;
  Vectors_.Repoint(nullptr);
}

}  // namespace workbook
