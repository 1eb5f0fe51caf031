// Typed views over the records of a chart tree. A wrapper keeps a pointer to its record and finds
// its sub-records among the record's children when bound; it holds no values of its own, so every
// byte it does not touch is written back as it was read.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "biff/chart/chart_records.h"
#include "biff/drawing/office_art.h"

namespace biff {

class TFormulaHandler;

class TRecordObject {
public:
  virtual ~TRecordObject() = default;
  virtual void AssignRecords(TChartRecord* Record) { Record_ = Record; }
  TChartRecord* Record() const { return Record_; }
  bool HasRecord() const { return Record_ != nullptr; }

protected:
  // Raises "Property has no data." when unbound.
  TChartRecord& Checked() const;
  TChartRecord* Record_ = nullptr;
};

class TChartText : public TRecordObject {
public:
  void AssignRecords(TChartRecord* Record) override;
  workbook::TXc12Font* Font() const { return Font_; }

private:
  workbook::TXc12Font* Font_ = nullptr;
};

class TLineFormat : public TRecordObject {
public:
  int ColorIndex() const { return Checked().Word(10); }
  std::uint32_t Color() const;
  int Pattern() const { return Checked().Word(4); }
  // The index and the palette colour beside it.
  void SetColorIndex(int Index);
  // 5 draws no line.
  void SetPattern(std::uint8_t Pattern) { Checked().SetWord(4, Pattern); }
};

class TAreaFormat : public TRecordObject {
public:
  int ForeColorIndex() const { return Checked().Word(12); }
  void SetForeColorIndex(int Index);
};

class TMarkerFormat : public TRecordObject {
public:
  int MarkerType() const { return Checked().Word(8); }
  int Flags() const { return Checked().Word(10); }
  // 0 draws no marker; the flags (auto, no background, no foreground) are cleared.
  void SetMarkerType(std::uint8_t Type);
};

class TTickFormat : public TRecordObject {};
class TCatSerAxisScaling : public TRecordObject {};
class TValueAxisScaling : public TRecordObject {};
class TChart3D : public TRecordObject {};

// The fill effects of a frame (GELFRAME): an OfficeArt property table. The record is written from
// the table, as one OPT record followed by the other OfficeArt records it held.
class TGelFrame : public TRecordObject {
public:
  TGelFrame();
  // Raises "First MSO record in Gelframe is not OPT".
  void AssignRecords(TChartRecord* Record) override;
  TOPT& Properties() { return State_->Table; }

private:
  struct TState {
    TOPT Table;
    core::Bytes Rest;
  };
  static void UpdateRecord(TState& State, TChartRecordUpdate& Record);
  // Shared with the record's update hook, which may outlive this wrapper.
  std::shared_ptr<TState> State_;
};

class TPaintFrame : public TRecordObject {
public:
  void AssignRecords(TChartRecord* Record) override;
  TLineFormat LineFormat;
  TAreaFormat AreaFormat;
  TGelFrame GelFrame;
};

class TChartAxis : public TRecordObject {
public:
  void AssignRecords(TChartRecord* Record) override;
  TTickFormat TickFormat;
};

class TCategoryAxis : public TChartAxis {
public:
  void AssignRecords(TChartRecord* Record) override;
  TCatSerAxisScaling Scaling;
};
class TSerieAxis : public TCategoryAxis {};

class TValueAxis : public TChartAxis {
public:
  void AssignRecords(TChartRecord* Record) override;
  TValueAxisScaling Scaling;
};

class TChartLegend : public TRecordObject {
public:
  void AssignRecords(TChartRecord* Record) override;
  TPaintFrame Frame;
};

// One DATAFORMAT with its formats.
class TDataPoint {
public:
  // Raises "DATAFORMAT has no child records" for a DATAFORMAT without children.
  void BindRecord(TChartRecord* Record);
  void Unbind();
  TChartRecord* Record() const { return Record_; }
  TLineFormat LineFormat;
  TAreaFormat AreaFormat;
  TMarkerFormat MarkerFormat;
  TChartRecord* PieFormat = nullptr;
  TChartRecord* AttachedLabel = nullptr;

private:
  TChartRecord* Record_ = nullptr;
};

// A chart group (CHARTFORMAT) of one chart type.
class TChartStyle : public TRecordObject {
public:
  explicit TChartStyle(const TChartFonts* Fonts = nullptr) : Fonts_(Fonts) {}
  void AssignRecords(TChartRecord* Record) override;
  // The code of TChartPlotArea::SetChartType that makes this style (scatter reports 2 for both of
  // its codes); the styles no code makes report 0.
  virtual int GetChartType() const { return 0; }
  bool GetHasDataFormat() const { return DefDataPoint.Record() != nullptr; }
  void SetHasDataFormat(bool Value);

  TChart3D Chart3D;
  TChartLegend Legend;
  TDataPoint DefDataPoint;

protected:
  const TChartFonts* Fonts_;
};

class TChartStyleArea : public TChartStyle {
public:
  using TChartStyle::TChartStyle;
  int GetChartType() const override { return 1; }
};
class TChartStyleBarColumn : public TChartStyle {
public:
  using TChartStyle::TChartStyle;
  int GetChartType() const override { return 3; }
  bool GetHorizontal() const;
  void SetHorizontal(bool Value);
};
class TChartStyleLine : public TChartStyle {
public:
  using TChartStyle::TChartStyle;
  int GetChartType() const override { return 4; }
};
class TChartStylePie : public TChartStyle {
public:
  using TChartStyle::TChartStyle;
  int GetChartType() const override { return 5; }
};
class TChartStyleScatter : public TChartStyle {
public:
  using TChartStyle::TChartStyle;
  int GetChartType() const override { return 2; }
};
class TChartStyleRadar : public TChartStyle {
public:
  using TChartStyle::TChartStyle;
  int GetChartType() const override { return 6; }
};
class TChartStyleRadarArea : public TChartStyle {
public:
  using TChartStyle::TChartStyle;
};
class TChartStyleSurface : public TChartStyle {
public:
  using TChartStyle::TChartStyle;
  int GetChartType() const override { return 8; }
};
class TChartStyleBopPop : public TChartStyle {
public:
  using TChartStyle::TChartStyle;
};

// The AXISPARENT: axes, the chart group and the plot area's frame.
class TChartPlotArea : public TRecordObject {
public:
  explicit TChartPlotArea(const TChartFonts* Fonts = nullptr) : Fonts_(Fonts) {}
  void AssignRecords(TChartRecord* Record) override;

  // 1 area, 2 and 7 scatter, 3 bar/column, 4 line, 5 pie, 6 radar, 8 surface; 0 and the codes
  // above 8 raise "Invalid chart type".
  void SetChartType(int Type);
  int GetChartType() const { return Style ? Style->GetChartType() : 0; }
  bool GetHasLegend() const { return Style && Style->Legend.HasRecord(); }
  void SetHasLegend(bool Value);
  bool GetIs3D() const { return Style && Style->Chart3D.HasRecord(); }
  void SetIs3D(bool Value);

  TCategoryAxis CategoryAxis;
  TSerieAxis SerieAxis;
  TValueAxis ValueAxis;
  std::unique_ptr<TChartStyle> Style;
  TPaintFrame Frame;

private:
  TChartRecord& ChartFormat() const;
  const TChartFonts* Fonts_;
  TChartRecord* ChartFormat_ = nullptr;
};

enum TSerieItemGeomtery { sigDefault, sigCylinder, sigPyramid, sigChoppedPyramid, sigCone, sigChoppedCone, sigLast };

class TXLSChartSerie {
public:
  explicit TXLSChartSerie(TFormulaHandler* Handler) : Handler_(Handler) {}
  void BindRecord(TChartRecord* Series);
  TChartRecord* Record() const { return Series_; }

  std::u16string Values() const { return GetFormula(AI(ValuesAI_)); }
  void SetValues(std::u16string_view Text);
  std::u16string Values2() const { return GetFormula(AI(BubbleAI_)); }
  void SetValues2(std::u16string_view Text) { SetFormula(AI(BubbleAI_), Text); }
  std::u16string Category() const { return GetFormula(AI(CategoryAI_)); }
  void SetCategory(std::u16string_view Text) { SetFormula(AI(CategoryAI_), Text); }
  // A name in double quotes is stored as text, anything else as a formula.
  std::u16string SerieName() const;
  void SetSerieName(std::u16string_view Text);

  bool HasDefDataPoint() const;
  void SetHasDefDataPoint(bool Value);
  TSerieItemGeomtery Geomtery() const;
  void SetGeomtery(TSerieItemGeomtery Value);

  // The value count from the values area; left alone when the text is no area.
  void UpdateValueCount();

  TDataPoint DefDataPoint;
  std::vector<std::unique_ptr<TDataPoint>> DataPoints;

private:
  // Raises "Property has no data" for an absent AI.
  TChartRecord& AI(int Index) const;
  std::u16string GetFormula(TChartRecord& AI) const;
  void SetFormula(TChartRecord& AI, std::u16string_view Text);

  TFormulaHandler* Handler_;
  TChartRecord* Series_ = nullptr;
  TChartRecord* DefDataFormat_ = nullptr;
  TChartRecord* BarShape_ = nullptr;
  int ValuesAI_ = -1, BubbleAI_ = -1, CategoryAI_ = -1, NameAI_ = -1;
};

class TXLSChartSeries {
public:
  TXLSChartSeries(TFormulaHandler* Handler, const TChartFonts* Fonts) : Handler_(Handler), Fonts_(Fonts) {}
  int Count() const { return static_cast<int>(Items_.size()); }
  TXLSChartSerie& GetItem(int Index) const;
  TXLSChartSerie& AddFromRecord(TChartRecord* Series);
  // A new series after the last one, with the template's default children.
  TXLSChartSerie& Add();
  void Clear() { Items_.clear(); }

private:
  TFormulaHandler* Handler_;
  const TChartFonts* Fonts_;
  std::vector<std::unique_ptr<TXLSChartSerie>> Items_;
};

class TChartLabel {
public:
  void BindRecord(TChartRecord* Text);
  TChartRecord* Text = nullptr;
  TChartRecord* Pos = nullptr;
  TChartRecord* AI = nullptr;
  TChartRecord* ObjectLink = nullptr;
  TChartRecord* SeriesText = nullptr;
};

class TChartLabels {
public:
  int Count() const { return static_cast<int>(Items_.size()); }
  TChartLabel& GetItem(int Index) const;
  TChartLabel& Add();
  void Clear() { Items_.clear(); }

private:
  std::vector<std::unique_ptr<TChartLabel>> Items_;
};

}  // namespace biff
