// Lists of rectangular cell areas of the legacy grid (merged cells, selections, the ranges of
// conditional formats and validations) and how they follow moves and copies of cells.
// Coordinates are zero-based and inclusive inside 256 columns and 65536 rows.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace biff {

struct TCellArea97 {
  int Id = 0;  // running number given by the list
  int Col1 = 0;
  int Row1 = 0;
  int Col2 = 0;
  int Row2 = 0;
};

// A box in the legacy reference order: first row, last row, first column, last column.
struct TAreaBox97 {
  int Row1 = 0;
  int Row2 = 0;
  int Col1 = 0;
  int Col2 = 0;
};

class TBaseCellAreas97 {
public:
  TBaseCellAreas97() = default;
  TBaseCellAreas97(const TBaseCellAreas97&) = delete;
  TBaseCellAreas97& operator=(const TBaseCellAreas97&) = delete;
  virtual ~TBaseCellAreas97() = default;

  // DCol and DRow are offsets, not target positions.
  virtual void Copy(int Col1, int Row1, int Col2, int Row2, int DCol, int DRow);
  virtual void Delete(int Col1, int Row1, int Col2, int Row2) = 0;
  virtual void ClipTo(int Col1, int Row1, int Col2, int Row2) = 0;
  virtual void Move(int DCol, int DRow) = 0;
  virtual void MoveArea(int Col1, int Row1, int Col2, int Row2, int DCol, int DRow) = 0;
  virtual void Clear() { Items_.clear(); }

  int Count() const { return static_cast<int>(Items_.size()); }
  // Raises for an index outside the list.
  TCellArea97* Items(int Index) const;
  void Remove(int Index);

  // A new area at A1 with the next id, appended.
  TCellArea97* Add();
  TCellArea97* AddArea(int Col1, int Row1, int Col2, int Row2);
  // Ref points at four 16-bit words: first row, last row, first column, last column.
  TCellArea97* AddRef(const std::uint8_t* Ref);
  // Clears the list and appends a copy of every area of Source (with new ids).
  void Assign(const TBaseCellAreas97& Source);
  // Swaps the columns and rows of areas given the wrong way round.
  void Normalize();
  // The smallest first row and column and the largest last ones; an empty list gives first row and
  // column INT_MAX, last row and column 0.
  TAreaBox97 BoundingBox() const;
  bool Intersects(int Col1, int Row1, int Col2, int Row2) const;

protected:
  std::vector<std::unique_ptr<TCellArea97>> Items_;
  int NextId_ = 0;
};

// Areas that may overlap and are split freely.
class TCellAreas97 : public TBaseCellAreas97 {
public:
  void Copy(int Col1, int Row1, int Col2, int Row2, int DCol, int DRow) override;
  void Delete(int Col1, int Row1, int Col2, int Row2) override;
  void ClipTo(int Col1, int Row1, int Col2, int Row2) override;
  void Move(int DCol, int DRow) override;
  void MoveArea(int Col1, int Row1, int Col2, int Row2, int DCol, int DRow) override;

protected:
  // Widens an area that the box extends or lies inside; False when none takes it.
  bool Join(const TCellArea97& Box);
  // Deletes the box, then adds it unless an area takes it.
  void Place(const TCellArea97& Box);
};

// Areas that must stay whole: a change that would cut one is refused.
class TSolidCellAreas97 : public TBaseCellAreas97 {
public:
  void Delete(int Col1, int Row1, int Col2, int Row2) override;
  void ClipTo(int, int, int, int) override {}
  void Move(int DCol, int DRow) override;
  void MoveArea(int Col1, int Row1, int Col2, int Row2, int DCol, int DRow) override;
};

class TMergedCells : public TSolidCellAreas97 {
public:
  void Copy(int Col1, int Row1, int Col2, int Row2, int DCol, int DRow) override;
};

// The items of collections that follow moves and copies of cells (conditional formats, validations).
class TCollectionItemMoveCopy {
public:
  virtual ~TCollectionItemMoveCopy() = default;
  virtual bool Intersect(int Col1, int Row1, int Col2, int Row2) = 0;
  virtual void Copy(int Col1, int Row1, int Col2, int Row2, int DCol, int DRow) = 0;
  virtual void Delete(int Col1, int Row1, int Col2, int Row2) = 0;
  virtual void ClipTo(int Col1, int Row1, int Col2, int Row2) = 0;
  virtual void Move(int DCol, int DRow) = 0;
  virtual void MoveArea(int Col1, int Row1, int Col2, int Row2, int DCol, int DRow) = 0;
};

// An item whose cells are its list of areas: every move and copy goes to the areas.
class TAreasMoveCopyItem : public TCollectionItemMoveCopy {
public:
  TCellAreas97 Areas;

  bool Intersect(int Col1, int Row1, int Col2, int Row2) override { return Areas.Intersects(Col1, Row1, Col2, Row2); }
  void Copy(int Col1, int Row1, int Col2, int Row2, int DCol, int DRow) override {
    Areas.Copy(Col1, Row1, Col2, Row2, DCol, DRow);
  }
  void Delete(int Col1, int Row1, int Col2, int Row2) override { Areas.Delete(Col1, Row1, Col2, Row2); }
  void ClipTo(int Col1, int Row1, int Col2, int Row2) override { Areas.ClipTo(Col1, Row1, Col2, Row2); }
  void Move(int DCol, int DRow) override { Areas.Move(DCol, DRow); }
  void MoveArea(int Col1, int Row1, int Col2, int Row2, int DCol, int DRow) override {
    Areas.MoveArea(Col1, Row1, Col2, Row2, DCol, DRow);
  }
};

}  // namespace biff
