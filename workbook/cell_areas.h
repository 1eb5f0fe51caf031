// Rectangles of cells and lists of them: areas that may overlap (TCellAreas: hyperlinks, the
// selection, validations, conditional formats) and areas that never overlap (TSolidCellAreas:
// merged cells), their A1 text form, and the operations that keep them in step when cells are
// copied, moved, inserted or deleted. TXLSMoveCopyItem and TXLSMoveCopyList are the base of the
// workbook objects that follow such changes through their areas.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "workbook/cell_references.h"
#include "workbook/object_list.h"

namespace workbook {

// An abstract rectangle; every operation reaches the bounds through the virtual accessors, so a
// descendant may keep them anywhere.
class TCellArea : public TObject {
public:
  void* Spare = nullptr;   // for the owner's use (an object reference on some roads)
  std::int32_t Tag = 0;    // for the owner's use; copied by AssignArea

  virtual int GetCol1() const = 0;
  virtual int GetRow1() const = 0;
  virtual int GetCol2() const = 0;
  virtual int GetRow2() const = 0;
  virtual void SetCol1(int Value) = 0;
  virtual void SetRow1(int Value) = 0;
  virtual void SetCol2(int Value) = 0;
  virtual void SetRow2(int Value) = 0;

  void SetCell(int Col, int Row) { SetBounds(Col, Row, Col, Row); }
  void SetBounds(int Col1, int Row1, int Col2, int Row2);
  void SetArea(const TXLSCellArea& Area) { SetBounds(Area.Col1, Area.Row1, Area.Col2, Area.Row2); }
  void GetArea(TXLSCellArea& Area) const;
  TXLSCellArea GetArea() const {
    TXLSCellArea a;
    GetArea(a);
    return a;
  }
  void AssignArea(const TCellArea& Other);
  std::int64_t CellCount() const;
  bool SameBounds(int Col1, int Row1, int Col2, int Row2) const;
  // The area lies wholly inside the rectangle.
  bool IsInside(int Col1, int Row1, int Col2, int Row2) const;
  // The cell lies strictly inside the area, not on its border.
  bool HasInside(int Col, int Row) const;
  bool Contains(int Col, int Row) const;
  bool Intersects(int Col1, int Row1, int Col2, int Row2) const;
  // "B3" for one cell, else "B3:D5".
  std::u16string GetAsText() const;
};

class TCellAreaImpl : public TCellArea {
public:
  int GetCol1() const override { return FCol1; }
  int GetRow1() const override { return FRow1; }
  int GetCol2() const override { return FCol2; }
  int GetRow2() const override { return FRow2; }
  void SetCol1(int Value) override { FCol1 = Value; }
  void SetRow1(int Value) override { FRow1 = Value; }
  void SetCol2(int Value) override { FCol2 = Value; }
  void SetRow2(int Value) override { FRow2 = Value; }

protected:
  std::int32_t FCol1 = 0, FRow1 = 0, FCol2 = 0, FRow2 = 0;
};

class TBaseCellAreas : public TObjectList<TCellArea> {
public:
  using TObjectList<TCellArea>::Delete;
  char16_t Separator = u' ';

  // A new area object that is not yet listed.
  virtual std::unique_ptr<TCellArea> CreateArea() { return std::make_unique<TCellAreaImpl>(); }
  virtual void Copy(int Col1, int Row1, int Col2, int Row2, int DeltaCol, int DeltaRow);
  virtual void Delete(int Col1, int Row1, int Col2, int Row2) = 0;
  virtual TCellArea* Include(int Col1, int Row1, int Col2, int Row2) = 0;
  virtual void Move(int DeltaCol, int DeltaRow) = 0;
  virtual void MoveArea(int Col1, int Row1, int Col2, int Row2, int DeltaCol, int DeltaRow) = 0;

  TCellArea* AddNew();
  TCellArea* Add(int Col1, int Row1, int Col2, int Row2);
  TCellArea* AddCell(int Col, int Row) { return Add(Col, Row, Col, Row); }
  TCellArea* AddArea(const TXLSCellArea& Area) { return Add(Area.Col1, Area.Row1, Area.Col2, Area.Row2); }
  // One reference or area in A1 text; a piece that is no reference adds nothing (nullptr).
  TCellArea* AddFromText(const std::u16string& Text);
  void SetAsText(const std::u16string& Text);
  std::u16string GetAsText() const;

  int IndexOfArea(int Col1, int Row1, int Col2, int Row2) const;
  int IndexOfCell(int Col, int Row) const;
  bool AnyIntersects(int Col1, int Row1, int Col2, int Row2) const;
  std::int64_t GetCellCount() const;
  void Assign(const TBaseCellAreas& Other);

  // R := the intersection of A and B; True when it is not empty.
  static bool IntersectRect(const TXLSCellArea& A, const TXLSCellArea& B, TXLSCellArea& R);
  // The parts of A outside Rect (at most four: top, bottom, left, right) and their count.
  static int SubtractRect(const TXLSCellArea& A, const TXLSCellArea& Rect, TXLSCellArea (&Parts)[4]);
  int SubtractRect(int Index, const TXLSCellArea& Rect, TXLSCellArea (&Parts)[4]) const;
};

// Areas that may overlap.
class TCellAreas : public TBaseCellAreas {
public:
  void Copy(int Col1, int Row1, int Col2, int Row2, int DeltaCol, int DeltaRow) override;
  void Delete(int Col1, int Row1, int Col2, int Row2) override;
  TCellArea* Include(int Col1, int Row1, int Col2, int Row2) override;
  void Move(int DeltaCol, int DeltaRow) override;
  void MoveArea(int Col1, int Row1, int Col2, int Row2, int DeltaCol, int DeltaRow) override;
  TCellArea* GetLast() const { return Count() > 0 ? GetItem(Count() - 1) : nullptr; }

  // Drops a rectangle that lies wholly outside the sheet (False) and clips the others.
  static bool ClipToSheet(TXLSCellArea& R);
  // Grows a listed area to take N in when one contains it or continues it; True when one did.
  bool TryMerge(const TXLSCellArea& N);

private:
  void Place(const TXLSCellArea& Dest);
};

// Areas that never overlap and are never cut into pieces (merged cells).
class TSolidCellAreas : public TBaseCellAreas {
public:
  bool CopyBlocked = false;
  void Copy(int Col1, int Row1, int Col2, int Row2, int DeltaCol, int DeltaRow) override;
  void Delete(int Col1, int Row1, int Col2, int Row2) override;
  TCellArea* Include(int Col1, int Row1, int Col2, int Row2) override;
  void Move(int DeltaCol, int DeltaRow) override;
  void MoveArea(int Col1, int Row1, int Col2, int Row2, int DeltaCol, int DeltaRow) override;
};

// A single cell reference (a sheet's cell watches).
class TCellRef : public TObject {
public:
  std::int32_t Col = 0;
  std::int32_t Row = 0;
  void Clear() {
    Col = 0;
    Row = 0;
  }
  std::u16string GetAsText() const { return ColRowToRefStr(Col, Row); }
  bool SetAsText(const std::u16string& Text);
};

class TCellRefs : public TObjectList<TCellRef> {
public:
  using TObjectList<TCellRef>::Add;
  TCellRef* Add(const std::u16string& Text);
};

// A workbook object that follows cell moves and copies through its areas.
class TXLSMoveCopyItem : public TObject {
public:
  virtual bool Intersect(int Col1, int Row1, int Col2, int Row2) = 0;
  virtual void Copy(int Col1, int Row1, int Col2, int Row2, int DeltaCol, int DeltaRow) = 0;
  virtual void Delete(int Col1, int Row1, int Col2, int Row2) = 0;
  virtual void Include(int Col1, int Row1, int Col2, int Row2) = 0;
  virtual void Move(int DeltaCol, int DeltaRow) = 0;
  virtual void MoveArea(int Col1, int Row1, int Col2, int Row2, int DeltaCol, int DeltaRow) = 0;
  virtual void Assign(const TXLSMoveCopyItem& Source) = 0;
};

class TXLSMoveCopyList : public TObjectList<TXLSMoveCopyItem> {
public:
  using TObjectList<TXLSMoveCopyItem>::Delete;
  virtual TXLSMoveCopyItem* AddItem() = 0;
  // Every item drops the cells of the rectangle.
  void Delete(int Col1, int Row1, int Col2, int Row2);
};

}  // namespace workbook
