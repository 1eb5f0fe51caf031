// Charts placed on a sheet: each one is a chart shape of the sheet's drawing whose record tree the
// chart binds to its wrappers. Adding a chart makes the shape and fills it with the default chart;
// charts read from a file are bound to the shapes the drawing delivers.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "biff/chart/chart_wrappers.h"
#include "biff/drawing/drawing_objects.h"

namespace biff {

class TDrwCharts;
class TFormulaHandler;

enum TChartSheetOption { csoOnlyVisibleCells = 1, csoDoNotSize = 2 };
// A set of TChartSheetOption values or-ed together.
using TChartSheetOptions = int;

class TDrwChart : public TDrwAnchor {
public:
  // Makes the chart shape in the owner's drawing unless the owner is adding from a shape.
  TDrwChart(TDrwCharts& Owner, int Id);

  // The root of the chart's records (owned by the shape).
  TChartRecord* Rec = nullptr;
  TChartText DefaultTextA;
  TChartText DefaultTextB;
  TChartLabels Labels;
  TXLSChartSeries Series;
  TChartPlotArea PlotArea;
  TPaintFrame Frame;

  // Binds the wrappers to the records under Rec's CHART record (or under Rec itself).
  void BindRecords(TChartRecord* Root);
  TChartRecord* ChartRecord() const { return Chart_; }

  // Raise "Property has no data" without a SHTPROPS record.
  TChartSheetOptions SheetOptions() const;
  void SetSheetOptions(TChartSheetOptions Value);

private:
  TChartRecord* Chart_ = nullptr;
  TChartRecord* ShtProps_ = nullptr;
};

class TDrwCharts {
public:
  // Drawing is the sheet's drawing; Handler the document's formula handler (either may not be
  // null for AddChart).
  TDrwCharts(TEscherDrawing* Drawing, TFormulaHandler* Handler);
  TDrwCharts(const TDrwCharts&) = delete;
  TDrwCharts& operator=(const TDrwCharts&) = delete;

  // A new default chart on sheet SheetIndex; its 3-D references to that sheet can be encoded.
  TDrwChart& AddChart(int SheetIndex);
  // A chart for a chart shape read from the drawing.
  TDrwChart& AddFromShape(TShapeClientAnchor& Shape);
  // Deletes every chart's shape (its records go with it) and empties the list.
  void Clear();
  int Count() const { return static_cast<int>(Items_.size()); }
  TDrwChart& GetItem(int Index) const;

  TEscherDrawing* Drawing() const { return Drawing_; }
  TFormulaHandler* Handler() const { return Handler_; }
  const TChartFonts* Fonts() const { return Drawing_ ? &Drawing_->Services().Fonts : nullptr; }
  bool AddingFromShape() const { return AddingFromShape_; }

private:
  TEscherDrawing* Drawing_;
  TFormulaHandler* Handler_;
  bool AddingFromShape_ = false;
  int NextId_ = 0;
  std::vector<std::unique_ptr<TDrwChart>> Items_;
};

// A chart sheet: its own sub-stream at the top level of the workbook stream.
class TSheetChart : public IChartDrawingOwner {
public:
  TSheetChart(TEscherGroup* Group, TDrawingServices Services);
  ~TSheetChart() override;

  // The sheet's position among the BOUNDSHEET records of the file it was read from (its tab); the
  // writer places it among the worksheets by it.
  int SheetIndex = 0;
  // Its id in the TABID list of the file it was read from.
  int TabId = 0;
  std::u16string Name = u"Chart";
  std::uint8_t Hidden = 0;  // 0 visible, 1 hidden, 2 very hidden
  TChartRecordUpdate& Root() { return *Root_; }
  // The drawing read from the chart's MSODRAWING, or none.
  TEscherDrawing* Drawing() const { return Drawing_.get(); }
  // A chart sheet whose records did not read as a chart keeps them here, written back as read
  // (its BOF first, its EOF last); the record tree is then empty.
  std::vector<std::pair<std::uint16_t, core::Bytes>> RawRecords;
  bool IsRaw() const { return !RawRecords.empty(); }
  // The raw records are those of a BIFF5 file: written only into a BIFF5 file, as only they are.
  bool Biff5 = false;

  void ReadChartDrawing(TXLSStream& Stream, int Length) override;
  void WriteChartDrawing(TXLSStream& Stream) override;

private:
  TEscherGroup* Group_;
  TDrawingServices Services_;
  std::unique_ptr<TChartRecordUpdate> Root_;
  std::unique_ptr<TEscherDrawing> Drawing_;
};

class TSheetCharts {
public:
  // Group is the workbook's drawing group (may be null).
  TSheetCharts(TEscherGroup* Group, TDrawingServices Services) : Group_(Group), Services_(std::move(Services)) {}

  // Reads the chart sheet whose BOF (body in Bof) was just read, up to its EOF. When its records do
  // not read as a chart, nothing is added and the exception reaches the caller (the stream stands
  // somewhere inside the sub-stream).
  TSheetChart& ReadChartSheet(TXLSStream& Stream, const std::u16string& Name, int SheetIndex, core::ByteSpan Bof);
  // A chart sheet kept as its raw records (BOF to EOF).
  TSheetChart& AddRaw(const std::u16string& Name, int SheetIndex,
                      std::vector<std::pair<std::uint16_t, core::Bytes>> Records);
  // Writes the records of chart sheet Index, its BOF and EOF included.
  void WriteChartSheet(int Index, TXLSStream& Stream);
  int Count() const { return static_cast<int>(Items_.size()); }
  TSheetChart& GetItem(int Index) const;
  void Delete(int Index);
  void Clear() { Items_.clear(); }

private:
  TEscherGroup* Group_;
  TDrawingServices Services_;
  std::vector<std::unique_ptr<TSheetChart>> Items_;
};

// The record root of a chart shape; raises when the shape carries no chart.
TChartRecordUpdate& ChartRootOfShape(TShapeClientAnchor& Shape);

}  // namespace biff
