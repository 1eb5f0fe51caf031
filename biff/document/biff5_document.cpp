#include "biff/document/biff5_document.h"

#include <algorithm>

#include "biff/biff_error.h"
#include "biff/chart/chart_model.h"
#include "biff/drawing/escher_drawing.h"
#include "biff/drawing/shape_objects.h"
#include "biff/formula_encoder/biff_formula_handler.h"
#include "workbook/style_records.h"
#include "workbook/style_sheet.h"
#include "biff/reader/xls_reader.h"
#include "core/byte_io.h"
#include "workbook/biff_codecs.h"
#include "workbook/colors.h"
#include "workbook/manager.h"
#include "workbook/shared_strings.h"
#include "workbook/worksheet_data.h"

namespace biff {

// ---- TStyles

int TStyles::StyleSize(const std::uint8_t* Body) {
  if ((core::load_le16(Body) >> 8) > 15) return 4;  // built-in style
  const int Count = core::load_le16(Body + 2);
  if (Count == 0) return 4;
  switch (Body[4]) {
    case 1: return 4 + Count * 2 + 1;
    case 0: return 4 + Count + 1;
    default: return 4 + Count;
  }
}

void TStyles::Add(const std::uint8_t* Body, int Len) {
  // A user style needs its option byte as well, so at least 5 bytes when it has a name.
  if (Len < 4 || (StyleSize(Body) > 4 && Len < 5) || StyleSize(Body) > Len) throw Exception("STYLE record too short");
  Items_.emplace_back(Body, Body + StyleSize(Body));
}

const core::Bytes& TStyles::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw Exception("List index out of bounds");
  return Items_[static_cast<std::size_t>(Index)];
}

// ---- TBIFF5

TBIFF5::TBIFF5(workbook::TXc12Manager* Manager)
    : Manager_(Manager), EscherGroup_(std::make_unique<TEscherGroup>()) {
  Formulas_ = std::make_unique<TFormulaHandler>(&ExternalNames_);
  Formulas_->OnSheetIndex = [this](const std::u16string& Name, int& Index, int& Count) {
    FindSheetIndex(Name, Index, Count);
  };
  Formulas_->OnSheetName = [this](std::uint8_t Kind, int Index, std::u16string& Text, int, int) {
    if (Kind != 0 || (Index >= 0 && Index < Sheets_.Count())) GetSheetName(Kind, Index, Text);
  };
  SheetCharts_ = std::make_unique<TSheetCharts>(EscherGroup_.get(), DrawingServices());
  Sheets_.DrawingGroup = EscherGroup_.get();
  Sheets_.Formulas = Formulas_.get();
  Sheets_.OnNewDrawing = [this](TEscherDrawing& D) { SetDrawingServices(D); };
  workbook::ResetXc12Palette();
  SetTrueText(u"TRUE");
  SetFalseText(u"FALSE");
  Sheets_.Add(0);
  SetVersion(6);
}

TBIFF5::~TBIFF5() = default;

void TBIFF5::SetDrawingServices(TEscherDrawing& Drawing) {
  if (Manager_) Drawing.Services().Fonts = DrawingServices().Fonts;
}

TDrawingServices TBIFF5::DrawingServices() {
  TDrawingServices s;
  if (!Manager_) return s;
  TChartFonts& f = s.Fonts;
  f.FromFile = [this](int FileIndex) -> workbook::TXc12Font* {
    workbook::TXc12Fonts& fonts = *Manager_->StyleSheet->Fonts;
    // While a file is read its FONT records follow the model's built-in font, with a placeholder
    // standing for the missing index 4: file index i is model font i + 1, as for cell formats.
    // Otherwise (a chart copied through the file format) the inverse of ToFile below: FONT record
    // index 4 does not exist, so file fonts above it are one model font lower.
    const int m = Manager_->IsReading ? FileIndex + 1 : FileIndex > 4 ? FileIndex - 1 : FileIndex;
    return m >= 0 && m < fonts.Count() ? fonts.GetItem(m) : nullptr;
  };
  f.ToFile = [this](const workbook::TXc12Font& Font) {
    if (FontToFile) return FontToFile(Font.Index);
    return Font.Index >= 4 ? Font.Index + 1 : Font.Index;
  };
  f.NewChartFont = [this] { return NewChartFont(); };
  return s;
}

workbook::TXc12Font* TBIFF5::NewChartFont() {
  workbook::TXc12Fonts& fonts = *Manager_->StyleSheet->Fonts;
  auto font = std::make_unique<workbook::TXc12Font>();
  if (workbook::TXc12Font* d = fonts.GetDefaultFont()) font->Assign(*d);
  font->IsDefault = 1;
  for (int i = 1; i < fonts.Count(); ++i)
    if (workbook::TXc12Font* f = fonts.GetItem(i); f && f->IsDefault && f->Equal(*font)) return f;
  return fonts.AddFont(std::move(font));
}

void TBIFF5::Clear() {
  Globals_.Clear();
  Globals_.SetDefaults();
  DefaultStyles = true;
  Sheets_.ClearAndAdd();
  SheetCharts_->Clear();
  // After the sheets: their drawings have released their clusters of the group.
  EscherGroup_->Clear();
  Styles_.Clear();
  KeptStorages_.Clear();
  FileSharing.clear();
  ExternalNames_.Clear();
  if (VBA_) VBA_->Clear();
  Abort = false;
  VersionRead = 0;
}

void TBIFF5::SetVBA(bool Keep) {
  if (Keep && !VBA_)
    VBA_ = std::make_unique<TXLSVBA>();
  else if (!Keep)
    VBA_.reset();
}

void TBIFF5::Read(const std::u16string& FileName) {
  SetFilename(FileName);
  DoRead(nullptr);
}

void TBIFF5::ReadStream(core::ByteSpan Data) { DoRead(&Data); }

void TBIFF5::DoRead(const core::ByteSpan* Data) {
  if (!Manager_) throw Exception("No workbook to read into");
  Clear();
  // The password belongs to the file read: the reader sets the one that opened it.
  Password.clear();
  Manager_->Clear();
  workbook::ResetXc12Palette();
  // The reader adds the sheets it meets; until then the document has none of its own.
  TXLSReadXLS reader(*this);
  reader.SkipDrawing = SkipDrawing;
  reader.MaxSheets = MaxSheets;
  try {
    reader.Read(Data);
  } catch (...) {
    if (Sheets_.Count() == 0) Sheets_.Add(0);
    Manager_->IsReading = false;
    throw;
  }
  if (Sheets_.Count() == 0) Sheets_.Add(0);
  if (Manager_->Worksheets->Count() == 0) {
    workbook::TXc12DataWorksheet* w = Manager_->Worksheets->Add(1);
    w->Name = Sheets_.Items(0)->Name();
  }
  Manager_->SST->AfterRead();
  if (OnAfterRead) OnAfterRead(*this);
}

void TBIFF5::TakeTabIds() {
  const TBIFFRecord* tabid = nullptr;
  for (int i = 0; i < Globals_.Count() && !tabid; ++i)
    if (Globals_.Items(i)->Id == BIFFRECID_TABID) tabid = Globals_.Items(i);
  if (!tabid) return;
  const int n = static_cast<int>(tabid->Body.size() / 2);
  auto id = [&](int Tab) { return Tab >= 0 && Tab < n ? core::load_le16(tabid->Body.data() + 2 * Tab) : 0; };
  for (int i = 0; i < Sheets_.Count(); ++i) Sheets_.Items(i)->TabId = id(Sheets_.Items(i)->TabPosition);
  for (int i = 0; i < SheetCharts_->Count(); ++i) SheetCharts_->GetItem(i).TabId = id(SheetCharts_->GetItem(i).SheetIndex);
}

void TBIFF5::MoveSheet(int From, int To) {
  const int n = Sheets_.Count();
  if (From < 0 || From >= n || To < 0 || To >= n || From == To) return;
  // The tab list as the writer lists it: a chart sheet goes before the worksheet whose position
  // it shares or passes. Entries: worksheet i as i, chart sheet c as -1 - c.
  std::vector<int> tabs;
  int c = 0;
  for (int i = 0; i < n; ++i) {
    for (; c < SheetCharts_->Count() && SheetCharts_->GetItem(c).SheetIndex <= Sheets_.Items(i)->TabPosition; ++c)
      tabs.push_back(-1 - c);
    tabs.push_back(i);
  }
  for (; c < SheetCharts_->Count(); ++c) tabs.push_back(-1 - c);
  // The moved sheet leaves its place and goes next to the worksheet that stood at To: before it
  // when moved left, after it when moved right. Every other tab keeps its order.
  tabs.erase(std::find(tabs.begin(), tabs.end(), From));
  auto at = std::find(tabs.begin(), tabs.end(), To);
  tabs.insert(To < From ? at : at + 1, From);
  for (int k = 0; k < static_cast<int>(tabs.size()); ++k) {
    if (tabs[static_cast<std::size_t>(k)] >= 0)
      Sheets_.Items(tabs[static_cast<std::size_t>(k)])->TabPosition = k;
    else
      SheetCharts_->GetItem(-1 - tabs[static_cast<std::size_t>(k)]).SheetIndex = k;
  }
  Sheets_.Move(From, To);
  ExternalNames_.SheetMoved(From, To);
}

void TBIFF5::SetVersion(std::uint8_t Version) {
  Version_ = Version;
  MaxRecordBody_ = Version < 6 ? 2080 : 8224;
}

void TBIFF5::PrepareWrite() {
  if (Version_ == 2 || Version_ == 3) throw Exception("Can not write Excel 2.1/3.0 files");
  Abort = false;
  if (OnProgress) {
    OnProgress(*this, 0);
    ProgressTotal = 0;
    for (int i = 0; i < Sheets_.Count(); ++i) ProgressTotal += Sheets_.Items(i)->Records().Count();
    ProgressCount = 0;
  }
}

void TBIFF5::SetTrueText(const std::u16string& Text) { workbook::BooleanTexts().True = Text; }
void TBIFF5::SetFalseText(const std::u16string& Text) { workbook::BooleanTexts().False = Text; }

void TBIFF5::FindSheetIndex(const std::u16string& Name, int& Index, int& Count) const {
  const TSheet* S = Sheets_.FindByName(Name);
  Index = S ? Sheets_.IndexOf(S) : -1;
  Count = S ? Sheets_.Count() : 0;
}

void TBIFF5::GetSheetName(int Kind, int Index, std::u16string& Name) const {
  if (Kind == 0)
    Name = Sheets_.Items(Index)->Name();
  else if (Kind == 1)
    Name.clear();
}

}  // namespace biff
