#include "biff/chart/chart_model.h"

#include <algorithm>

#include "biff/biff_error.h"
#include "biff/formula_encoder/biff_formula_handler.h"

namespace biff {

TChartRecordUpdate& ChartRootOfShape(TShapeClientAnchor& Shape) {
  auto* c = dynamic_cast<TShapeOutsideMsoChart*>(Shape.Outside.get());
  if (!c) throw Exception("Shape is not a chart");
  return c->Root();
}

TDrwChart::TDrwChart(TDrwCharts& Owner, int Id)
    : TDrwAnchor(Owner.Drawing(), Id),
      Series(Owner.Handler(), Owner.Fonts()),
      PlotArea(Owner.Fonts()) {
  if (!Owner.AddingFromShape()) {
    if (!Owner.Drawing()) throw Exception("Chart has no drawing");
    AssignShape(&Owner.Drawing()->AddChart());
  }
  Name = "Chart " + std::to_string(Id);
}

void TDrwChart::BindRecords(TChartRecord* Root) {
  Chart_ = nullptr;
  ShtProps_ = nullptr;
  Series.Clear();
  Labels.Clear();
  DefaultTextA.AssignRecords(nullptr);
  DefaultTextB.AssignRecords(nullptr);
  Frame.AssignRecords(nullptr);
  PlotArea.AssignRecords(nullptr);
  if (!Root) throw Exception("Can not find CHART record.");
  TChartRecord* list = Root;
  if (Root->Count() > 0 && Root->Item(0).RecordId == chrBOF) {
    list = nullptr;
    for (int i = 0; i < Root->Count() && !list; ++i)
      if (Root->Item(i).RecordId == chrCHART) list = &Root->Item(i);
    if (!list) throw Exception("Can not find CHART record.");
    Chart_ = list;
  }
  for (int i = 0; i < list->Count(); ++i) {
    TChartRecord& r = list->Item(i);
    switch (r.RecordId) {
      case chrSERIES: Series.AddFromRecord(&r); break;
      case chrDEFAULTTEXT: {
        if (i + 1 >= list->Count() || list->Item(i + 1).RecordId != chrTEXT)
          throw Exception("Excpected Chart record missing: TEXT");
        TChartRecord& text = list->Item(++i);
        const int which = r.Data.size() >= 2 ? r.Word(0) : -1;
        if (which == 2) DefaultTextA.AssignRecords(&text);
        else if (which == 3) DefaultTextB.AssignRecords(&text);
        break;
      }
      case chrTEXT: Labels.Add().BindRecord(&r); break;
      case chrFRAME: Frame.AssignRecords(&r); break;
      case chrAXISPARENT: PlotArea.AssignRecords(&r); break;
      case chrSHTPROPS: ShtProps_ = &r; break;
      case chrFONTX: ++i; break;
      default: break;
    }
  }
}

TChartSheetOptions TDrwChart::SheetOptions() const {
  if (!ShtProps_ || ShtProps_->Data.size() < 2) throw Exception("Property has no data");
  const int flags = ShtProps_->Word(0);
  TChartSheetOptions o = 0;
  if (flags & 0x0002) o |= csoOnlyVisibleCells;
  if (flags & 0x0004) o |= csoDoNotSize;
  return o;
}

void TDrwChart::SetSheetOptions(TChartSheetOptions Value) {
  if (!ShtProps_ || ShtProps_->Data.size() < 2) throw Exception("Property has no data");
  int flags = ShtProps_->Word(0) & ~0x0006;
  if (Value & csoOnlyVisibleCells) flags |= 0x0002;
  if (Value & csoDoNotSize) flags |= 0x0004;
  ShtProps_->SetWord(0, static_cast<std::uint16_t>(flags));
}

TDrwCharts::TDrwCharts(TEscherDrawing* Drawing, TFormulaHandler* Handler) : Drawing_(Drawing), Handler_(Handler) {}

TDrwChart& TDrwCharts::AddChart(int SheetIndex) {
  auto chart = std::make_unique<TDrwChart>(*this, NextId_);
  if (Handler_) {
    // 3-D references to this sheet need an EXTERNSHEET entry of the own workbook.
    int sheet = -1, count = 0;
    if (Handler_->OnSheetIndex) Handler_->OnSheetIndex(u"", sheet, count);
    if (count <= SheetIndex) count = SheetIndex + 1;
    Handler_->ExternalNames().GetInternalSheetRef(SheetIndex, count);
  }
  try {
    TChartRecordUpdate& root = ChartRootOfShape(*chart->Shape);
    AddDefaultChartRecords(root, 0, *Fonts());
    chart->Rec = &root;
    chart->BindRecords(&root);
  } catch (...) {
    // No half-made chart shape stays in the drawing.
    Drawing_->DeleteShape(chart->Shape->SpId);
    throw;
  }
  ++NextId_;
  Items_.push_back(std::move(chart));
  return *Items_.back();
}

TDrwChart& TDrwCharts::AddFromShape(TShapeClientAnchor& Shape) {
  AddingFromShape_ = true;
  std::unique_ptr<TDrwChart> chart;
  try {
    chart = std::make_unique<TDrwChart>(*this, NextId_);
  } catch (...) {
    AddingFromShape_ = false;
    throw;
  }
  AddingFromShape_ = false;
  TChartRecordUpdate& root = ChartRootOfShape(Shape);
  chart->AssignShape(&Shape);
  chart->Rec = &root;
  chart->BindRecords(&root);
  ++NextId_;
  Items_.push_back(std::move(chart));
  return *Items_.back();
}

void TDrwCharts::Clear() {
  for (auto& c : Items_)
    if (Drawing_ && c->Shape) Drawing_->DeleteShape(c->Shape->SpId);
  Items_.clear();
}

TDrwChart& TDrwCharts::GetItem(int Index) const {
  if (Index < 0 || Index >= Count()) throw Exception("List index out of bounds (" + std::to_string(Index) + ")");
  return *Items_[static_cast<std::size_t>(Index)];
}

TSheetChart::TSheetChart(TEscherGroup* Group, TDrawingServices Services)
    : Group_(Group), Services_(std::move(Services)), Root_(NewChartRoot(this)) {}

TSheetChart::~TSheetChart() = default;

void TSheetChart::ReadChartDrawing(TXLSStream& Stream, int Length) {
  Drawing_ = std::make_unique<TEscherDrawing>(Group_, Services_);
  Drawing_->ReadFromStream(Stream, Length);
}

void TSheetChart::WriteChartDrawing(TXLSStream& Stream) {
  if (Drawing_) Drawing_->WriteToStream(Stream);
}

TSheetChart& TSheetCharts::ReadChartSheet(TXLSStream& Stream, const std::u16string& Name, int SheetIndex,
                                          core::ByteSpan Bof) {
  auto sheet = std::make_unique<TSheetChart>(Group_, Services_);
  sheet->Name = Name;
  sheet->SheetIndex = SheetIndex;
  // A short BOF of a damaged file is padded: the record is always written with its 16 bytes.
  core::Bytes bof(16, 0);
  std::copy_n(Bof.begin(), std::min<std::size_t>(Bof.size(), 16), bof.begin());
  InsertChartRecord(sheet->Root(), -1, chrBOF, false, 16).Data = bof;
  ReadChartRecords(sheet->Root(), Stream, Services_.Fonts);
  Items_.push_back(std::move(sheet));
  return *Items_.back();
}

TSheetChart& TSheetCharts::AddRaw(const std::u16string& Name, int SheetIndex,
                                  std::vector<std::pair<std::uint16_t, core::Bytes>> Records) {
  auto sheet = std::make_unique<TSheetChart>(Group_, Services_);
  sheet->Name = Name;
  sheet->SheetIndex = SheetIndex;
  sheet->RawRecords = std::move(Records);
  Items_.push_back(std::move(sheet));
  return *Items_.back();
}

void TSheetCharts::WriteChartSheet(int Index, TXLSStream& Stream) {
  TSheetChart& sheet = GetItem(Index);
  if (sheet.IsRaw()) {
    for (const auto& [id, body] : sheet.RawRecords) {
      if (body.size() > 0xFFFF) throw Exception("Chart sheet record too long");
      Stream.WriteHeader(id, static_cast<std::uint16_t>(body.size()));
      if (!body.empty()) Stream.Write(body.data(), static_cast<int>(body.size()));
    }
    return;
  }
  WriteChartRecords(sheet.Root(), Stream, Services_.Fonts);
}

void TSheetCharts::Delete(int Index) {
  GetItem(Index);
  Items_.erase(Items_.begin() + Index);
}

TSheetChart& TSheetCharts::GetItem(int Index) const {
  if (Index < 0 || Index >= Count()) throw Exception("List index out of bounds (" + std::to_string(Index) + ")");
  return *Items_[static_cast<std::size_t>(Index)];
}

}  // namespace biff
