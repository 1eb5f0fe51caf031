#include "biff/document/sheet_data.h"

#include "biff/biff_error.h"
#include "biff/chart/chart_model.h"
#include "biff/drawing/escher_drawing.h"
#include "biff/document/sheet_rules.h"
#include "biff/drawing/shape_objects.h"
#include "biff/stream/record_ids.h"
#include "core/byte_io.h"
#include "core/unicode.h"
#include "workbook/biff_codecs.h"

namespace biff {

namespace {

constexpr std::uint16_t kReportedSheetOptions = 0x001F;
constexpr std::uint16_t kWindow2OptionsBase = 0x04A0;
constexpr std::uint16_t kWorkspaceOptionBits = 0x05E1;

std::u16string DefaultName(int Id) {
  const std::string S = "Sheet" + std::to_string(Id + 1);
  return std::u16string(S.begin(), S.end());
}

}  // namespace

// ---- TPane, TSelectedAreas

void TPane::Clear() {
  PaneType = TPaneType::ptNone;
  SplitColX = SplitRowY = LeftCol = TopRow = 0;
  ActivePane = 3;
  Selections.Clear();
}

TSelectedAreas::TSelectedAreas() { AddArea(0, 0, 0, 0); }

TCellArea97* TSelectedAreas::AddCell(int Col, int Row) {
  ActiveCol = Col;
  ActiveRow = Row;
  return AddArea(Col, Row, Col, Row);
}

void TSelectedAreas::Move(int DCol, int DRow) {
  if (Items_.empty()) Add();
  Items_.resize(1);
  TCellArea97& A = *Items_[0];
  A.Col1 = A.Col2 = DCol;
  A.Row1 = A.Row2 = DRow;
  ActiveCol = DCol;
  ActiveRow = DRow;
}

// ---- TSheet

TSheet::TSheet(TSheets& Owner, int Id, std::uint8_t SheetKind) : Kind(SheetKind), Owner_(Owner), Id_(Id) {
  Name_ = DefaultName(Id);
}

TSheet::~TSheet() {
  Charts_.reset();
  Drawing_.reset();
}

TEscherDrawing& TSheet::Drawing() {
  if (!Drawing_) {
    Drawing_ = std::make_unique<TEscherDrawing>(Owner_.DrawingGroup);
    if (Owner_.OnNewDrawing) Owner_.OnNewDrawing(*Drawing_);
  }
  return *Drawing_;
}

TDrwCharts& TSheet::Charts() {
  if (!Charts_) Charts_ = std::make_unique<TDrwCharts>(&Drawing(), Owner_.Formulas);
  return *Charts_;
}

TDrwChart& TSheet::AddChart() { return Charts().AddChart(Index()); }

TSheetRules& TSheet::Rules() {
  if (!Rules_) Rules_ = std::make_unique<TSheetRules>();
  return *Rules_;
}

bool TSheet::HasShapes() const { return Drawing_ && Drawing_->GetShapeCount() > 0; }

int TSheet::Index() const { return Owner_.IndexOf(this); }

void TSheet::SetName(const std::u16string& Value) {
  const std::u16string Upper = workbook::UpperCaseW(Value);
  if (workbook::UpperCaseW(Name_) == Upper) return;
  for (int i = 0; i < Owner_.Count(); ++i) {
    const TSheet* S = Owner_.Items(i);
    if (S != this && workbook::UpperCaseW(S->Name()) == Upper)
      throw Exception("Sheet name \"" + core::utf16_to_utf8(Value) + "\" allready exists");
  }
  Name_ = Value;
}

std::uint16_t TSheet::Window2Word(int Offset) const {
  const TBIFFRecord* R = Records_.WINDOW2();
  return R && R->Body.size() >= static_cast<std::size_t>(Offset) + 2 ? core::load_le16(R->Body.data() + Offset) : 0;
}

void TSheet::SetWindow2Word(int Offset, std::uint16_t Value) {
  TBIFFRecord* R = Records_.WINDOW2();
  if (!R) throw Exception("Excpected default record 023E not found.");
  if (R->Body.size() < static_cast<std::size_t>(Offset) + 2) R->Body.resize(static_cast<std::size_t>(Offset) + 2, 0);
  core::store_le16(R->Body.data() + Offset, Value);
}

std::uint16_t TSheet::DefaultColWidth() const { return Records_.GetDEFCOLWIDTH(); }
void TSheet::SetDefaultColWidth(std::uint16_t Value) { Records_.SetDEFCOLWIDTH(Value); }
std::uint16_t TSheet::Zoom() const { return Window2Word(12); }
void TSheet::SetZoom(std::uint16_t Value) { SetWindow2Word(12, Value); }
std::uint16_t TSheet::ZoomPreview() const { return Window2Word(10); }
void TSheet::SetZoomPreview(std::uint16_t Value) { SetWindow2Word(10, Value); }
std::uint16_t TSheet::Options() const { return Window2Word(0) & kReportedSheetOptions; }
void TSheet::SetOptions(std::uint16_t Value) {
  SetWindow2Word(0, static_cast<std::uint16_t>(kWindow2OptionsBase | (Value & kReportedSheetOptions)));
}
std::uint16_t TSheet::WorkspaceOptions() const { return Records_.GetWSBOOL() & kWorkspaceOptionBits; }
void TSheet::SetWorkspaceOptions(std::uint16_t Value) {
  Records_.SetWSBOOL(static_cast<std::uint16_t>(Value & kWorkspaceOptionBits));
}

void TSheet::Reset() {
  SheetProtection = ALL_SHEET_PROTECTIONS;
  Records_.Clear();
  Records_.SetDefaults();
  Trailing_.Clear();
  StorageFilled = false;
  MergedCells_.Clear();
  Pane_.Clear();
  Selection_.Clear();
  FirstRow = LastRow = FirstCol = LastCol = 0;
  Rules_.reset();
}

void TSheet::Assign(const TSheet* Source) {
  if (!Source) throw Exception("Object is not TSheet");
  SetDefaultColWidth(Source->DefaultColWidth());
  SetOptions(Source->Options());
  SetWorkspaceOptions(Source->WorkspaceOptions());
  SheetProtection = Source->SheetProtection;
  SetZoom(Source->Zoom());
  SetZoomPreview(Source->ZoomPreview());
  RecalcFormulas = Source->RecalcFormulas;
  Hidden = Source->Hidden;
  MergedCells_.Assign(Source->MergedCells_);
}

void TSheet::UpdateUsedRange(int Version) {
  if (Version > 6) return;
  const TBIFFRecord* R = Records_.DIMENSIONS();
  if (!R) return;
  const std::uint8_t* P = R->Body.data();
  int Row1, RowEnd, Col1, ColEnd;
  if (R->Body.size() >= 14) {  // 32-bit rows
    Row1 = static_cast<int>(core::load_le32(P) & 0x7FFFFFFF);
    RowEnd = static_cast<int>(core::load_le32(P + 4) & 0x7FFFFFFF);
    Col1 = core::load_le16(P + 8);
    ColEnd = core::load_le16(P + 10);
  } else if (R->Body.size() >= 8) {  // 16-bit rows of the older versions
    Row1 = core::load_le16(P);
    RowEnd = core::load_le16(P + 2);
    Col1 = core::load_le16(P + 4);
    ColEnd = core::load_le16(P + 6);
  } else {
    return;
  }
  FirstCol = Col1;
  FirstRow = Row1;
  LastCol = ColEnd > 0 ? ColEnd - 1 : 0;
  LastRow = RowEnd > 0 ? RowEnd - 1 : 0;
}

// ---- TSheets

TSheet* TSheets::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw Exception("List index out of bounds");
  return Items_[static_cast<std::size_t>(Index)].get();
}

TSheet* TSheets::Add(std::uint8_t Kind) {
  Items_.push_back(std::make_unique<TSheet>(*this, NextId_++, Kind));
  return Items_.back().get();
}

void TSheets::Delete(int Index, bool AddWhenEmpty) {
  Items(Index);
  Items_.erase(Items_.begin() + Index);
  if (AddWhenEmpty && Items_.empty())
    Add(0);
  else if (OnSheetDeleted)
    OnSheetDeleted(Index);
}

void TSheets::Move(int From, int To) {
  Items(From);
  Items(To);
  std::unique_ptr<TSheet> s = std::move(Items_[static_cast<std::size_t>(From)]);
  Items_.erase(Items_.begin() + From);
  Items_.insert(Items_.begin() + To, std::move(s));
}

void TSheets::Clear() {
  for (auto& S : Items_) S->Reset();
  Items_.clear();
}

TSheet* TSheets::ClearAndAdd() {
  Clear();
  return Add(0);
}

TSheet* TSheets::FindByName(const std::u16string& Name) const {
  const std::u16string Upper = workbook::UpperCaseW(Name);
  for (const auto& S : Items_)
    if (workbook::UpperCaseW(S->Name()) == Upper) return S.get();
  return nullptr;
}

int TSheets::IndexOf(const TSheet* Sheet) const {
  for (std::size_t i = 0; i < Items_.size(); ++i)
    if (Items_[i].get() == Sheet) return static_cast<int>(i);
  return -1;
}

}  // namespace biff
