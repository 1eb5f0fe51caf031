#include "workbook/formatting.h"

#include <algorithm>
#include <unordered_map>

#include "workbook/cell_format_editor.h"
#include "workbook/exceptions.h"

namespace workbook {

// ---------------------------------------------------------------------------------------------
// TXLSFormattedObj

void TXLSFormattedObj::Edit(const std::function<void(TXc12XFEditor&)>& Change) {
  if (!XF_) throw Exception("No cell format to change: the object is not positioned on a cell");
  TXc12XFEditor& editor = *StyleSheet_->XFEditor;
  editor.BeginEdit(XF_);
  Change(editor);
  XF_ = editor.EndEdit();
  Apply();
}

void TXLSFormattedObj::SetBorderLeftColor(std::int32_t V) { Edit([&](TXc12XFEditor& E) { E.SetBorderLeftColor(V); }); }
void TXLSFormattedObj::SetBorderLeftStyle(TXc12CellBorderStyle V) {
  Edit([&](TXc12XFEditor& E) { E.SetBorderLeftStyle(V); });
}
void TXLSFormattedObj::SetBorderTopColor(std::int32_t V) { Edit([&](TXc12XFEditor& E) { E.SetBorderTopColor(V); }); }
void TXLSFormattedObj::SetBorderTopStyle(TXc12CellBorderStyle V) {
  Edit([&](TXc12XFEditor& E) { E.SetBorderTopStyle(V); });
}
void TXLSFormattedObj::SetBorderRightColor(std::int32_t V) {
  Edit([&](TXc12XFEditor& E) { E.SetBorderRightColor(V); });
}
void TXLSFormattedObj::SetBorderRightStyle(TXc12CellBorderStyle V) {
  Edit([&](TXc12XFEditor& E) { E.SetBorderRightStyle(V); });
}
void TXLSFormattedObj::SetBorderBottomColor(std::int32_t V) {
  Edit([&](TXc12XFEditor& E) { E.SetBorderBottomColor(V); });
}
void TXLSFormattedObj::SetBorderBottomStyle(TXc12CellBorderStyle V) {
  Edit([&](TXc12XFEditor& E) { E.SetBorderBottomStyle(V); });
}
void TXLSFormattedObj::SetFillColor(std::int32_t V) { Edit([&](TXc12XFEditor& E) { E.SetFillColor(V); }); }
void TXLSFormattedObj::SetFontName(const std::u16string& V) { Edit([&](TXc12XFEditor& E) { E.SetFontName(V); }); }
void TXLSFormattedObj::SetFontSize(double V) { Edit([&](TXc12XFEditor& E) { E.SetFontSize(V); }); }
void TXLSFormattedObj::SetFontStyle(TXc12FontStyles V) { Edit([&](TXc12XFEditor& E) { E.SetFontStyle(V); }); }
void TXLSFormattedObj::SetHorizAlignment(std::uint8_t V) { Edit([&](TXc12XFEditor& E) { E.SetHorizAlignment(V); }); }
void TXLSFormattedObj::SetVertAlignment(std::uint8_t V) { Edit([&](TXc12XFEditor& E) { E.SetVertAlignment(V); }); }

// ---------------------------------------------------------------------------------------------
// TXLSCell

TXLSCell* TXLSCell::SetPos(int Col, int Row) {
  Col_ = Col;
  Row_ = Row;
  if (!Cells_->FindCell(Col, Row, Ref_)) {
    XF_ = nullptr;
    return nullptr;
  }
  XF_ = StyleSheet_->XFs->GetItem(TXLSCellMMU::GetStyle(Ref_));
  return this;
}

void TXLSCell::Apply() {
  if (!Ref_.Data || !XF_) return;
  Cells_->SetStyle(Col_, Row_, Ref_, XF_->Index);
  // The cell may have been written again: the locator follows it.
  Cells_->FindCell(Col_, Row_, Ref_);
}

// ---------------------------------------------------------------------------------------------
// TXLSRange

TXLSRange* TXLSRange::GetItem(const std::u16string& Ref) {
  int c1 = 0, r1 = 0, c2 = 0, r2 = 0;
  Valid_ = AreaStrToColRow(Ref, c1, r1, c2, r2) && ValidArea(std::min(c1, c2), std::min(r1, r2), std::max(c1, c2),
                                                             std::max(r1, r2));
  if (!Valid_) {
    SetBounds(0, 0, 0, 0);
    Shape_ = 0;
    return this;
  }
  // Corners given the other way round still name the same cells.
  SetBounds(std::min(c1, c2), std::min(r1, r2), std::max(c1, c2), std::max(r1, r2));
  const bool oneCol = FCol1 == FCol2, oneRow = FRow1 == FRow2;
  Shape_ = oneCol && oneRow ? 0 : oneCol ? 1 : oneRow ? 2 : 3;
  return this;
}

bool TXLSRange::Target(TXLSCellArea& Area) {
  if (!Valid_) return false;
  Area = CellAreaFromBox(FCol1, FRow1, FCol2, FRow2);
  const bool wholeCols = FRow1 == 0 && FRow2 == XLS_MAXROW;
  const bool wholeRows = FCol1 == 0 && FCol2 == XLS_MAXCOL;
  if (wholeCols || wholeRows) {
    TXLSCellMMU& cells = *Cell_->GetCells();
    cells.CalcDimension();
    const TXLSCellArea used = cells.Dimension();
    if (!CellAreaAssigned(used)) return false;
    if (wholeCols) {
      Area.Row1 = std::max(Area.Row1, used.Row1);
      Area.Row2 = std::min(Area.Row2, used.Row2);
    }
    if (wholeRows) {
      Area.Col1 = std::max(Area.Col1, used.Col1);
      Area.Col2 = std::min(Area.Col2, used.Col2);
    }
    if (Area.Row1 > Area.Row2 || Area.Col1 > Area.Col2) return false;
  }
  const std::int64_t cellCount =
      (static_cast<std::int64_t>(Area.Col2) - Area.Col1 + 1) * (static_cast<std::int64_t>(Area.Row2) - Area.Row1 + 1);
  if (cellCount > MaxFormattedCells) throw Exception("Range is too large to format cell by cell");
  return true;
}

void TXLSRange::CreateMissingCells() {
  TXLSCellArea a;
  if (!Target(a)) return;
  TXLSCellMMU& cells = *Cell_->GetCells();
  for (int r = a.Row1; r <= a.Row2; ++r)
    for (int c = a.Col1; c <= a.Col2; ++c)
      if (cells.CellIsEmpty(c, r)) cells.WriteBlank(c, r, 0, 0);
}

void TXLSRange::ForCells(int Col1, int Row1, int Col2, int Row2, const std::function<void(TXLSFormattedObj&)>& Set) {
  // One change gives equal formats equal results: each format of the area goes through the
  // editor once, and every further cell of that format takes the remembered result. A column of
  // tens of thousands of cells then costs a few edits instead of one edit a cell.
  std::unordered_map<const TXc12XF*, TXc12XF*> results;
  for (int r = Row1; r <= Row2; ++r)
    for (int c = Col1; c <= Col2; ++c) {
      TXLSCell* cell = Cell_->SetPos(c, r);
      if (!cell) continue;
      const TXc12XF* source = cell->GetXF();
      if (auto it = results.find(source); it != results.end()) {
        // Unused formats are purged at the pace of one edit a cell, as without the shortcut.
        cell->GetStyleSheet()->XFEditor->PurgeUnused();
        cell->SetXF(it->second);
        cell->Apply();
        continue;
      }
      Set(*cell);
      TXc12XF* result = cell->GetXF();
      // The result may sit in the slot of a format the editor purged: a key that stood for the
      // freed format no longer does.
      if (result != source) results.erase(result);
      results[source] = result;
    }
}

void TXLSRange::ForPart(TPart Part, const std::function<void(TXLSFormattedObj&)>& Set) {
  TXLSCellArea a;
  if (!Target(a)) return;
  CreateMissingCells();
  switch (Part) {
    case TPart::Left: a.Col2 = a.Col1; break;
    case TPart::Right: a.Col1 = a.Col2; break;
    case TPart::Top: a.Row2 = a.Row1; break;
    case TPart::Bottom: a.Row1 = a.Row2; break;
    case TPart::All: break;
    // Inside lines are the bottom borders of every row but the last and the right borders of
    // every column but the last.
    case TPart::InsideHoriz: --a.Row2; break;
    case TPart::InsideVert: --a.Col2; break;
  }
  ForCells(a.Col1, a.Row1, a.Col2, a.Row2, Set);
}

void TXLSRange::SetBorderLeftColor(std::int32_t V) {
  ForPart(TPart::Left, [&](TXLSFormattedObj& C) { C.SetBorderLeftColor(V); });
}
void TXLSRange::SetBorderLeftStyle(TXc12CellBorderStyle V) {
  ForPart(TPart::Left, [&](TXLSFormattedObj& C) { C.SetBorderLeftStyle(V); });
}
void TXLSRange::SetBorderRightColor(std::int32_t V) {
  ForPart(TPart::Right, [&](TXLSFormattedObj& C) { C.SetBorderRightColor(V); });
}
void TXLSRange::SetBorderRightStyle(TXc12CellBorderStyle V) {
  ForPart(TPart::Right, [&](TXLSFormattedObj& C) { C.SetBorderRightStyle(V); });
}
void TXLSRange::SetBorderTopColor(std::int32_t V) {
  ForPart(TPart::Top, [&](TXLSFormattedObj& C) { C.SetBorderTopColor(V); });
}
void TXLSRange::SetBorderTopStyle(TXc12CellBorderStyle V) {
  ForPart(TPart::Top, [&](TXLSFormattedObj& C) { C.SetBorderTopStyle(V); });
}
void TXLSRange::SetBorderBottomColor(std::int32_t V) {
  ForPart(TPart::Bottom, [&](TXLSFormattedObj& C) { C.SetBorderBottomColor(V); });
}
void TXLSRange::SetBorderBottomStyle(TXc12CellBorderStyle V) {
  ForPart(TPart::Bottom, [&](TXLSFormattedObj& C) { C.SetBorderBottomStyle(V); });
}

void TXLSRange::SetBorderInsideHorizColor(std::int32_t V) {
  ForPart(TPart::InsideHoriz, [&](TXLSFormattedObj& C) { C.SetBorderBottomColor(V); });
}
void TXLSRange::SetBorderInsideHorizStyle(TXc12CellBorderStyle V) {
  ForPart(TPart::InsideHoriz, [&](TXLSFormattedObj& C) { C.SetBorderBottomStyle(V); });
}
void TXLSRange::SetBorderInsideVertColor(std::int32_t V) {
  ForPart(TPart::InsideVert, [&](TXLSFormattedObj& C) { C.SetBorderRightColor(V); });
}
void TXLSRange::SetBorderInsideVertStyle(TXc12CellBorderStyle V) {
  ForPart(TPart::InsideVert, [&](TXLSFormattedObj& C) { C.SetBorderRightStyle(V); });
}
void TXLSRange::SetBorderOutlineColor(std::int32_t V) {
  SetBorderLeftColor(V);
  SetBorderTopColor(V);
  SetBorderRightColor(V);
  SetBorderBottomColor(V);
}
void TXLSRange::SetBorderOutlineStyle(TXc12CellBorderStyle V) {
  SetBorderLeftStyle(V);
  SetBorderTopStyle(V);
  SetBorderRightStyle(V);
  SetBorderBottomStyle(V);
}
void TXLSRange::SetFillColor(std::int32_t V) { ForPart(TPart::All, [&](TXLSFormattedObj& C) { C.SetFillColor(V); }); }
void TXLSRange::SetFontName(const std::u16string& V) {
  ForPart(TPart::All, [&](TXLSFormattedObj& C) { C.SetFontName(V); });
}
void TXLSRange::SetFontSize(int V) {
  ForPart(TPart::All, [&](TXLSFormattedObj& C) { C.SetFontSize(static_cast<double>(V)); });
}
void TXLSRange::SetFontStyle(TXc12FontStyles V) {
  ForPart(TPart::All, [&](TXLSFormattedObj& C) { C.SetFontStyle(V); });
}
void TXLSRange::SetHorizAlignment(std::uint8_t V) {
  ForPart(TPart::All, [&](TXLSFormattedObj& C) { C.SetHorizAlignment(V); });
}
void TXLSRange::SetVertAlignment(std::uint8_t V) {
  ForPart(TPart::All, [&](TXLSFormattedObj& C) { C.SetVertAlignment(V); });
}

// ---------------------------------------------------------------------------------------------
// The pending format

void TXLSCmdFormatColor::Reset() {
  *Color_ = TXc12Color{};
  Color_->ColorType = xctAuto;
  Color_->ARGB = 0;
}

void TXLSCmdFormatColor::SetRGB(std::int32_t Value) {
  SetXc12ColorRGB(Value, *Color_);
  Changed();
}

void TXLSCmdFormatColor::SetIndexed(int Index) {
  IndexToXc12Color(Index, *Color_);
  Changed();
}

void TXLSCmdFormatAlignment::Reset() {
  Flags.fill(0);
  Scratch_->Alignment.Assign(Owner_->GetStyleSheet()->XFs->GetDefaultXF()->Alignment);
}

void TXLSCmdFormatProtection::Reset() {
  Locked = 2;
  Hidden = 2;
}

void TXLSCmdFormatNumber::Reset() {
  Scratch_->SetMask(Owner_->GetStyleSheet()->NumberFormats->GetDefaultFormat()->GetMask());
  Settings = {0, 0, 536870912, 0, -1};
  Flags.fill(0);
}

TXLSCmdFormatFont::TXLSCmdFormatFont(TXLSCmdFormat* Owner) : TXLSCmdFormatPart(Owner) {
  Color_ = std::make_unique<TXLSCmdFormatColor>(&Scratch_->ColorRef(), [this] {
    Changed[2] = 1;
    Owner_->Changed[TXLSCmdFormat::fcFont] = 1;
  });
}

void TXLSCmdFormatFont::Reset() {
  Scratch_->Assign(*Owner_->GetStyleSheet()->Fonts->GetDefaultFont());
  Color_->Reset();
  Changed.fill(0);
}

TXLSCmdFormatFill::TXLSCmdFormatFill(TXLSCmdFormat* Owner) : TXLSCmdFormatPart(Owner) {
  FgColor_ = std::make_unique<TXLSCmdFormatColor>(&Scratch_->FgColor, [this] {
    ForegroundSet = true;
    if (Scratch_->GetPatternType() == efpNone)
      SetPattern(efpSolid);
    else
      Owner_->Changed[TXLSCmdFormat::fcFill] = 1;
  });
  BgColor_ = std::make_unique<TXLSCmdFormatColor>(&Scratch_->BgColor, [this] {
    ForegroundSet = true;
    BackgroundSet = true;
    PatternSet = true;
    Owner_->Changed[TXLSCmdFormat::fcFill] = 1;
  });
}

void TXLSCmdFormatFill::Reset() {
  Scratch_->Assign(*Owner_->GetStyleSheet()->Fills->GetDefaultFill());
  Spare = 0;
  ForegroundSet = BackgroundSet = PatternSet = false;
}

void TXLSCmdFormatFill::SetPattern(TXc12FillPattern Pattern) {
  Scratch_->SetPatternType(Pattern);
  PatternSet = true;
  Owner_->Changed[TXLSCmdFormat::fcFill] = 1;
}

TXLSCmdFormatBorder::TXLSCmdFormatBorder(TXLSCmdFormat* Owner) : Owner_(Owner) {
  // The line colour has no change handler.
  Color_ = std::make_unique<TXLSCmdFormatColor>(&LineColor, nullptr);
}

void TXLSCmdFormatBorder::Reset() {
  SideStates.fill(2);
  const TXc12BorderPr& left = Owner_->GetStyleSheet()->Borders->GetDefaultBorder()->Left;
  LineColor = left.Color;
  LineStyle = left.Style;
}

TXLSCmdFormat::TXLSCmdFormat(TXc12DataStyleSheet* StyleSheet)
    : StyleSheet_(StyleSheet),
      Scratch_(std::make_unique<TXc12XF>()),
      Alignment_(std::make_unique<TXLSCmdFormatAlignment>(this)),
      Protection_(std::make_unique<TXLSCmdFormatProtection>(this)),
      Number_(std::make_unique<TXLSCmdFormatNumber>(this)),
      Font_(std::make_unique<TXLSCmdFormatFont>(this)),
      Fill_(std::make_unique<TXLSCmdFormatFill>(this)),
      Border_(std::make_unique<TXLSCmdFormatBorder>(this)),
      Scratch2_(std::make_unique<TXc12XF>()),
      Scratch2NumFmt_(std::make_unique<TXc12NumberFormat>()),
      Scratch2Font_(std::make_unique<TXc12Font>()),
      Scratch2Fill_(std::make_unique<TXc12Fill>()),
      Scratch2Border_(std::make_unique<TXc12Border>()) {
  Scratch2_->SetNumberFormat(Scratch2NumFmt_.get());
  Scratch2_->SetFont(Scratch2Font_.get());
  Scratch2_->SetFill(Scratch2Fill_.get());
  Scratch2_->SetBorder(Scratch2Border_.get());
  Reset();
}

TXLSCmdFormat::~TXLSCmdFormat() = default;

void TXLSCmdFormat::Reset() {
  Alignment_->Reset();
  Protection_->Reset();
  Number_->Reset();
  Font_->Reset();
  Fill_->Reset();
  Border_->Reset();
  Changed.fill(0);
  Scratch_->Assign(*StyleSheet_->XFs->GetDefaultXF());
}

}  // namespace workbook
