#include "biff/chart/chart_wrappers.h"

#include <cstdio>
#include <cstring>

#include "biff/biff_error.h"
#include "biff/formula_encoder/biff_formula_handler.h"
#include "workbook/biff_codecs.h"
#include "workbook/cell_references.h"

namespace biff {

namespace {

constexpr std::uint16_t chrPIE = 0x1019, chrAREA = 0x101A, chrSCATTER = 0x101B, chrRADAR = 0x103E,
                        chrSURFACE = 0x103F, chrRADARAREA = 0x1040, chrBOPPOP = 0x1061, chrATTACHEDLABEL = 0x100C,
                        chrSERIESTEXT = 0x100D, chrOBJECTLINK = 0x1027, chrTICK = 0x101E, chrCATSERRANGE = 0x1020,
                        chrVALUERANGE = 0x101F;

// The token buffer of one series formula.
constexpr int kMaxSeriesFormula = 8224;

[[noreturn]] void NoData() { throw Exception("Property has no data."); }

TChartRecord* FirstChild(TChartRecord& R, std::uint16_t Id) {
  for (int i = 0; i < R.Count(); ++i)
    if (R.Item(i).RecordId == Id) return &R.Item(i);
  return nullptr;
}

void StoreLE32(TChartRecord& R, std::size_t Offset, std::uint32_t V) {
  R.SetWord(Offset, static_cast<std::uint16_t>(V & 0xFFFF));
  R.SetWord(Offset + 2, static_cast<std::uint16_t>(V >> 16));
}

const TChartFonts& FontsOr(const TChartFonts* F) {
  static const TChartFonts kNone;
  return F ? *F : kNone;
}

}  // namespace

TChartRecord& TRecordObject::Checked() const {
  if (!Record_) NoData();
  return *Record_;
}

void TChartText::AssignRecords(TChartRecord* Record) {
  TRecordObject::AssignRecords(Record);
  Font_ = nullptr;
  if (!Record) return;
  for (int i = 0; i < Record->Count(); ++i)
    if (Record->Item(i).RecordId == chrFONTX) Font_ = Record->Item(i).Font;
}

std::uint32_t TLineFormat::Color() const {
  const TChartRecord& R = Checked();
  return static_cast<std::uint32_t>(R.Word(0)) | (static_cast<std::uint32_t>(R.Word(2)) << 16);
}

void TLineFormat::SetColorIndex(int Index) {
  TChartRecord& R = Checked();
  R.SetWord(10, static_cast<std::uint16_t>(Index & 0xFF));
  StoreLE32(R, 0, workbook::PaletteIndexToRGB(Index));
}

void TAreaFormat::SetForeColorIndex(int Index) {
  TChartRecord& R = Checked();
  R.SetWord(12, static_cast<std::uint16_t>(Index & 0xFF));
  StoreLE32(R, 0, workbook::PaletteIndexToRGB(Index));
}

void TMarkerFormat::SetMarkerType(std::uint8_t Type) {
  TChartRecord& R = Checked();
  R.SetWord(8, Type);
  R.SetWord(10, 0);
}

void TPaintFrame::AssignRecords(TChartRecord* Record) {
  TRecordObject::AssignRecords(Record);
  LineFormat.AssignRecords(nullptr);
  AreaFormat.AssignRecords(nullptr);
  GelFrame.AssignRecords(nullptr);
  if (!Record) return;
  for (int i = 0; i < Record->Count(); ++i) {
    TChartRecord& c = Record->Item(i);
    if (c.RecordId == chrLINEFORMAT) LineFormat.AssignRecords(&c);
    else if (c.RecordId == chrAREAFORMAT) AreaFormat.AssignRecords(&c);
    else if (c.RecordId == chrGELFRAME) GelFrame.AssignRecords(&c);
  }
}

TGelFrame::TGelFrame() : State_(std::make_shared<TState>()) {}

void TGelFrame::UpdateRecord(TState& State, TChartRecordUpdate& Record) {
  core::Bytes data = State.Table.SaveToBuffer(true);
  data.insert(data.end(), State.Rest.begin(), State.Rest.end());
  Record.Data = std::move(data);
}

void TGelFrame::AssignRecords(TChartRecord* Record) {
  TRecordObject::AssignRecords(Record);
  State_ = std::make_shared<TState>();
  if (!Record) return;
  auto* update = dynamic_cast<TChartRecordUpdate*>(Record);
  // A record bound before holds its bytes in the hook: bring them back first.
  if (update && update->OnUpdate) update->OnUpdate(*update);
  const core::Bytes& d = Record->Data;
  std::size_t pos = 0;
  bool first = true;
  while (pos + 8 <= d.size()) {
    const std::uint16_t verInst = core::load_le16(d.data() + pos);
    const std::uint16_t type = core::load_le16(d.data() + pos + 2);
    const std::uint32_t len = core::load_le32(d.data() + pos + 4);
    if (len > d.size() - pos - 8) throw Exception("Invalid MSO record length in Gelframe");
    if (first && type != 0xF00B) throw Exception("First MSO record in Gelframe is not OPT");
    const core::ByteSpan body(d.data() + pos + 8, len);
    if (type == 0xF00B) {
      if (first) {
        State_->Table.LoadFromBuffer(body, verInst >> 4);
      } else {
        TOPT more;
        more.LoadFromBuffer(body, verInst >> 4);
        for (int i = 0; i < more.Entries(); ++i) State_->Table.Add(more.GetId(i), more.GetValueAt(i));
        State_->Table.UpdateCount();
      }
    } else {
      // Other OfficeArt records (the tertiary table) are kept and written after the OPT.
      State_->Rest.insert(State_->Rest.end(), d.begin() + static_cast<std::ptrdiff_t>(pos),
                          d.begin() + static_cast<std::ptrdiff_t>(pos + 8 + len));
    }
    first = false;
    pos += 8 + len;
  }
  if (update) {
    std::shared_ptr<TState> state = State_;
    update->OnUpdate = [state](TChartRecordUpdate& R) { UpdateRecord(*state, R); };
    update->Data.clear();
  }
}

void TChartAxis::AssignRecords(TChartRecord* Record) {
  TRecordObject::AssignRecords(Record);
  TickFormat.AssignRecords(Record ? FirstChild(*Record, chrTICK) : nullptr);
}

void TCategoryAxis::AssignRecords(TChartRecord* Record) {
  TChartAxis::AssignRecords(Record);
  Scaling.AssignRecords(Record ? FirstChild(*Record, chrCATSERRANGE) : nullptr);
}

void TValueAxis::AssignRecords(TChartRecord* Record) {
  TChartAxis::AssignRecords(Record);
  Scaling.AssignRecords(Record ? FirstChild(*Record, chrVALUERANGE) : nullptr);
}

void TChartLegend::AssignRecords(TChartRecord* Record) {
  TRecordObject::AssignRecords(Record);
  Frame.AssignRecords(Record ? FirstChild(*Record, chrFRAME) : nullptr);
}

void TDataPoint::Unbind() {
  Record_ = nullptr;
  LineFormat.AssignRecords(nullptr);
  AreaFormat.AssignRecords(nullptr);
  MarkerFormat.AssignRecords(nullptr);
  PieFormat = nullptr;
  AttachedLabel = nullptr;
}

void TDataPoint::BindRecord(TChartRecord* Record) {
  Unbind();
  if (!Record || Record->Count() == 0) throw Exception("DATAFORMAT has no child records");
  Record_ = Record;
  for (int i = 0; i < Record->Count(); ++i) {
    TChartRecord& c = Record->Item(i);
    switch (c.RecordId) {
      case chrLINEFORMAT: LineFormat.AssignRecords(&c); break;
      case chrAREAFORMAT: AreaFormat.AssignRecords(&c); break;
      case chrMARKERFORMAT: MarkerFormat.AssignRecords(&c); break;
      case chrPIEFORMAT: PieFormat = &c; break;
      case chrATTACHEDLABEL: AttachedLabel = &c; break;
      default: break;
    }
  }
}

void TChartStyle::AssignRecords(TChartRecord* Record) {
  TRecordObject::AssignRecords(Record);
  Legend.AssignRecords(nullptr);
  Chart3D.AssignRecords(nullptr);
  DefDataPoint.Unbind();
  if (!Record) return;
  for (int i = 0; i < Record->Count(); ++i) {
    TChartRecord& c = Record->Item(i);
    if (c.RecordId == chrLEGEND) Legend.AssignRecords(&c);
    else if (c.RecordId == chrCHART3D) Chart3D.AssignRecords(&c);
    else if (c.RecordId == chrDATAFORMAT && c.Word(4) > 0xF000) DefDataPoint.BindRecord(&c);
  }
}

void TChartStyle::SetHasDataFormat(bool Value) {
  if (Value == GetHasDataFormat()) return;
  TChartRecord& R = Checked();
  if (!Value) return;  // Removing the group's data format is not offered.
  static const std::uint8_t kData[] = {0x00, 0x00, 0x00, 0x00, 0xfd, 0xff, 0x00, 0x00};
  TChartRecord& df = R.Append(std::make_unique<TChartRecord>(&R, chrDATAFORMAT, core::ByteSpan(kData, sizeof kData)));
  AddDefaultChartRecords(df, 3, FontsOr(Fonts_));
  DefDataPoint.BindRecord(&df);
}

bool TChartStyleBarColumn::GetHorizontal() const {
  const TChartRecord& R = Checked();
  if (R.Count() == 0) NoData();
  return (R.Item(0).Word(4) & 1) != 0;
}

void TChartStyleBarColumn::SetHorizontal(bool Value) {
  TChartRecord& R = Checked();
  if (R.Count() == 0) NoData();
  TChartRecord& bar = R.Item(0);
  const std::uint16_t flags = bar.Word(4);
  bar.SetWord(4, static_cast<std::uint16_t>(Value ? (flags | 1) : (flags & ~1)));
}

// ---------------------------------------------------------------- plot area

TChartRecord& TChartPlotArea::ChartFormat() const {
  if (!ChartFormat_) NoData();
  return *ChartFormat_;
}

void TChartPlotArea::AssignRecords(TChartRecord* Record) {
  TRecordObject::AssignRecords(Record);
  Style.reset();
  ChartFormat_ = nullptr;
  CategoryAxis.AssignRecords(nullptr);
  SerieAxis.AssignRecords(nullptr);
  ValueAxis.AssignRecords(nullptr);
  Frame.AssignRecords(nullptr);
  if (!Record) return;
  for (int i = 0; i < Record->Count(); ++i) {
    TChartRecord& c = Record->Item(i);
    switch (c.RecordId) {
      case chrCHARTFORMAT: {
        if (c.Count() == 0) throw Exception("Chart style record is missing");
        const std::uint16_t id = c.Item(0).RecordId;
        std::unique_ptr<TChartStyle> s;
        switch (id) {
          case chrBAR: s = std::make_unique<TChartStyleBarColumn>(Fonts_); break;
          case chrLINE: s = std::make_unique<TChartStyleLine>(Fonts_); break;
          case chrPIE: s = std::make_unique<TChartStylePie>(Fonts_); break;
          case chrAREA: s = std::make_unique<TChartStyleArea>(Fonts_); break;
          case chrSCATTER: s = std::make_unique<TChartStyleScatter>(Fonts_); break;
          case chrRADAR: s = std::make_unique<TChartStyleRadar>(Fonts_); break;
          case chrSURFACE: s = std::make_unique<TChartStyleSurface>(Fonts_); break;
          case chrRADARAREA: s = std::make_unique<TChartStyleRadarArea>(Fonts_); break;
          case chrBOPPOP: s = std::make_unique<TChartStyleBopPop>(Fonts_); break;
          default: {
            char msg[40];
            std::snprintf(msg, sizeof msg, "Unknown chart style %.4X", id);
            throw Exception(msg);
          }
        }
        // A file may hold several chart groups; the first one is the one edited.
        if (!Style) {
          s->AssignRecords(&c);
          Style = std::move(s);
          ChartFormat_ = &c;
        }
        break;
      }
      case chrAXIS: {
        const int type = c.Word(0);
        if (type == 0) CategoryAxis.AssignRecords(&c);
        else if (type == 1) ValueAxis.AssignRecords(&c);
        else if (type == 2) SerieAxis.AssignRecords(&c);
        else throw Exception("Unknown axis type " + std::to_string(type));
        break;
      }
      case chrFRAME: Frame.AssignRecords(&c); break;
      default: break;
    }
  }
}

void TChartPlotArea::SetChartType(int Type) {
  if (Type <= 0 || Type > 8) throw Exception("Invalid chart type");
  // The type the chart has already keeps its group as it is: rebuilding it would drop what was
  // set on it (data format, legend, 3-D).
  if (Style && Style->GetChartType() == (Type == 7 ? 2 : Type)) return;
  TChartRecord& cf = ChartFormat();
  cf.Clear();
  Style.reset();
  int kind = 0;
  std::unique_ptr<TChartStyle> s;
  switch (Type) {
    case 1: s = std::make_unique<TChartStyleArea>(Fonts_); kind = 4; break;
    case 2:
    case 7: s = std::make_unique<TChartStyleScatter>(Fonts_); kind = 9; break;
    case 3: s = std::make_unique<TChartStyleBarColumn>(Fonts_); kind = 5; break;
    case 4: s = std::make_unique<TChartStyleLine>(Fonts_); kind = 6; break;
    case 5: s = std::make_unique<TChartStylePie>(Fonts_); kind = 7; break;
    case 6: s = std::make_unique<TChartStyleRadar>(Fonts_); kind = 8; break;
    default: s = std::make_unique<TChartStyleSurface>(Fonts_); kind = 10; break;
  }
  AddDefaultChartRecords(cf, kind, FontsOr(Fonts_));
  s->AssignRecords(&cf);
  Style = std::move(s);
  if (Type == 3) static_cast<TChartStyleBarColumn&>(*Style).SetHorizontal(false);
}

void TChartPlotArea::SetHasLegend(bool Value) {
  if (Value == GetHasLegend()) return;
  TChartRecord& cf = ChartFormat();
  if (Value) {
    static const std::uint8_t kData[] = {0x3c, 0x0e, 0x00, 0x00, 0xce, 0x06, 0x00, 0x00, 0x50, 0x01,
                                         0x00, 0x00, 0x5e, 0x01, 0x00, 0x00, 0x03, 0x01, 0x1f, 0x00};
    TChartRecord& lg = cf.Append(std::make_unique<TChartRecord>(&cf, chrLEGEND, core::ByteSpan(kData, sizeof kData)));
    AddDefaultChartRecords(lg, 1, FontsOr(Fonts_));
    Style->Legend.AssignRecords(&lg);
  } else {
    DeleteChartRecord(cf, chrLEGEND);
    Style->Legend.AssignRecords(nullptr);
  }
}

void TChartPlotArea::SetIs3D(bool Value) {
  if (Value == GetIs3D()) return;
  TChartRecord& cf = ChartFormat();
  if (Value) {
    if (cf.Count() < 2) throw Exception("Invalid record");
    static const std::uint8_t kData[] = {0x14, 0x00, 0x0f, 0x00, 0x1e, 0x00, 0x64,
                                         0x00, 0x64, 0x00, 0x96, 0x00, 0x16, 0x00};
    const int at = cf.Item(1).RecordId == chrCHARTFORMATLINK ? 2 : 1;
    TChartRecord& c3 = cf.Insert(at, std::make_unique<TChartRecord>(&cf, chrCHART3D, core::ByteSpan(kData, sizeof kData)));
    Style->Chart3D.AssignRecords(&c3);
  } else {
    DeleteChartRecord(cf, chrCHART3D);
    Style->Chart3D.AssignRecords(nullptr);
  }
}

// ---------------------------------------------------------------- series

void TXLSChartSerie::BindRecord(TChartRecord* Series) {
  Series_ = Series;
  ValuesAI_ = BubbleAI_ = CategoryAI_ = NameAI_ = -1;
  BarShape_ = nullptr;
  DefDataFormat_ = nullptr;
  DefDataPoint.Unbind();
  DataPoints.clear();
  if (!Series) return;
  for (int i = 0; i < Series->Count(); ++i) {
    TChartRecord& c = Series->Item(i);
    if (c.RecordId == chrDATAFORMAT) {
      if (c.Word(0) == 0xFFFF) {
        DefDataFormat_ = &c;
        DefDataPoint.BindRecord(&c);
        if (c.Item(0).RecordId == chr3DBARSHAPE) BarShape_ = &c.Item(0);
      } else {
        auto p = std::make_unique<TDataPoint>();
        p->BindRecord(&c);
        DataPoints.push_back(std::move(p));
      }
    } else if (c.RecordId == chrAI && !c.Data.empty()) {
      switch (c.Data[0]) {
        case 0: NameAI_ = i; break;
        case 1: ValuesAI_ = i; break;
        case 2: CategoryAI_ = i; break;
        case 3: BubbleAI_ = i; break;
        default: break;
      }
    }
  }
}

TChartRecord& TXLSChartSerie::AI(int Index) const {
  if (!Series_ || Index < 0 || Index >= Series_->Count()) throw Exception("Property has no data");
  return Series_->Item(Index);
}

std::u16string TXLSChartSerie::GetFormula(TChartRecord& AI) const {
  const int n = AI.Word(6);
  if (n == 0) return {};
  if (8 + static_cast<std::size_t>(n) > AI.Data.size()) throw Exception("Invalid formula length in chart record");
  std::u16string text;
  if (!Handler_) throw Exception("Property has no data");
  Handler_->DecodeFormula(AI.Data.data() + 8, n, text);
  return text;
}

void TXLSChartSerie::SetFormula(TChartRecord& AI, std::u16string_view Text) {
  if (AI.Data.size() < 8) throw Exception("Invalid chart record");
  std::vector<std::uint8_t> buf(kMaxSeriesFormula);
  int n = 0;
  if (!Text.empty()) {
    if (!Handler_) throw Exception("Property has no data");
    n = Handler_->EncodeFormula(Text, 0, kMaxSeriesFormula, buf.data());
  }
  if (n > 0 && buf[0] == 0x5B) buf[0] = 0x3B;  // An AI holds a reference, not a value.
  AI.Resize(8 + n - static_cast<int>(AI.Data.size()));
  if (n > 0) std::memcpy(AI.Data.data() + 8, buf.data(), static_cast<std::size_t>(n));
  AI.SetWord(6, static_cast<std::uint16_t>(n));
  AI.Data[1] = n > 0 ? 2 : 1;
}

void TXLSChartSerie::SetValues(std::u16string_view Text) {
  SetFormula(AI(ValuesAI_), Text);
  UpdateValueCount();
}

void TXLSChartSerie::UpdateValueCount() {
  int c1, r1, c2, r2;
  if (!workbook::AreaStrToColRow(Values(), c1, r1, c2, r2)) return;
  Series_->SetWord(6, static_cast<std::uint16_t>((r2 - r1 + 1) * (c2 - c1 + 1)));
}

std::u16string TXLSChartSerie::SerieName() const {
  TChartRecord& ai = AI(NameAI_);
  if (ai.Data.size() < 2 || ai.Data[1] != 1) return GetFormula(ai);
  if (NameAI_ + 1 >= Series_->Count()) return {};
  const TChartRecord& st = Series_->Item(NameAI_ + 1);
  if (st.RecordId != chrSERIESTEXT || st.Data.size() < 4) return {};
  const std::size_t count = st.Data[2];
  const bool wide = st.Data[3] == 1;
  const std::size_t avail = (st.Data.size() - 4) / (wide ? 2 : 1);
  const std::size_t n = count < avail ? count : avail;
  std::u16string s;
  for (std::size_t i = 0; i < n; ++i)
    s.push_back(wide ? static_cast<char16_t>(core::load_le16(st.Data.data() + 4 + 2 * i)) : st.Data[4 + i]);
  if (s.empty()) return s;
  return u"\"" + s + u"\"";
}

void TXLSChartSerie::SetSerieName(std::u16string_view Text) {
  TChartRecord& ai = AI(NameAI_);
  // A short link record from a file takes neither form of the name.
  if (ai.Data.size() < 8) throw Exception("Invalid chart record");
  if (Text.empty() || Text.front() != u'"') {
    SetFormula(ai, Text);
    return;
  }
  std::u16string s(Text.substr(1));
  if (!s.empty() && s.back() == u'"') s.pop_back();
  if (NameAI_ + 1 >= Series_->Count()) return;  // Nowhere to keep the text.
  TChartRecord* st = &Series_->Item(NameAI_ + 1);
  if (st->RecordId != chrSERIESTEXT) {
    const int at = NameAI_ + 1;
    st = &InsertChartRecord(*Series_, at, chrSERIESTEXT, false, 3);
    for (int* idx : {&ValuesAI_, &BubbleAI_, &CategoryAI_, &NameAI_})
      if (*idx >= at) ++*idx;
  }
  // The count is a byte: longer names are cut to what it can say.
  const std::size_t count = s.size() & 0xFF;
  st->Data.assign(4 + 2 * count, 0);
  st->Data[2] = static_cast<std::uint8_t>(count);
  st->Data[3] = 1;
  for (std::size_t i = 0; i < count; ++i) core::store_le16(st->Data.data() + 4 + 2 * i, s[i]);
  AI(NameAI_).Data[1] = 1;
}

bool TXLSChartSerie::HasDefDataPoint() const { return DefDataFormat_ && DefDataFormat_->Count() >= 3; }

void TXLSChartSerie::SetHasDefDataPoint(bool Value) {
  if (Value == HasDefDataPoint() || !Value || !DefDataFormat_) return;
  AddDefaultChartRecords(*DefDataFormat_, 3, TChartFonts{});
  BindRecord(Series_);
}

TSerieItemGeomtery TXLSChartSerie::Geomtery() const {
  if (!BarShape_ || BarShape_->Data.size() < 2) return sigDefault;
  const int riser = BarShape_->Data[0], taper = BarShape_->Data[1];
  if (riser == 1 && taper == 0) return sigCylinder;
  if (riser == 0 && taper == 1) return sigPyramid;
  if (riser == 0 && taper == 2) return sigChoppedPyramid;
  if (riser == 1 && taper == 1) return sigCone;
  if (riser == 1 && taper == 2) return sigChoppedCone;
  return sigDefault;
}

void TXLSChartSerie::SetGeomtery(TSerieItemGeomtery Value) {
  static const std::uint8_t kPairs[][2] = {{0, 0}, {1, 0}, {0, 1}, {0, 2}, {1, 1}, {1, 2}};
  if (!BarShape_ || Value < sigDefault || Value >= sigLast || BarShape_->Data.size() < 2) return;
  BarShape_->Data[0] = kPairs[Value][0];
  BarShape_->Data[1] = kPairs[Value][1];
}

TXLSChartSerie& TXLSChartSeries::GetItem(int Index) const {
  if (Index < 0 || Index >= Count()) throw Exception("List index out of bounds (" + std::to_string(Index) + ")");
  return *Items_[static_cast<std::size_t>(Index)];
}

TXLSChartSerie& TXLSChartSeries::AddFromRecord(TChartRecord* Series) {
  auto s = std::make_unique<TXLSChartSerie>(Handler_);
  s->BindRecord(Series);
  Items_.push_back(std::move(s));
  return *Items_.back();
}

TXLSChartSerie& TXLSChartSeries::Add() {
  TChartRecord* list = Items_.empty() || !Items_.back()->Record() ? nullptr : Items_.back()->Record()->Parent;
  int last = -1;
  if (list)
    for (int i = 0; i < list->Count(); ++i)
      if (list->Item(i).RecordId == chrSERIES) last = i;
  if (last < 0) throw Exception("Can not find insertion point for serie");
  static const std::uint8_t kData[] = {0x01, 0x00, 0x01, 0x00, 0x0a, 0x00, 0x0a, 0x00, 0x01, 0x00, 0x00, 0x00};
  TChartRecord& rec =
      list->Insert(last + 1, std::make_unique<TChartRecord>(list, chrSERIES, core::ByteSpan(kData, sizeof kData)));
  AddDefaultChartRecords(rec, 2, FontsOr(Fonts_));
  TXLSChartSerie& s = AddFromRecord(&rec);
  try {
    s.UpdateValueCount();
  } catch (const Exception&) {
    // A template reference the handler cannot read back keeps the template's own count (10).
  }
  return s;
}

void TChartLabel::BindRecord(TChartRecord* TextRec) {
  Text = TextRec;
  Pos = AI = ObjectLink = SeriesText = nullptr;
  if (!TextRec) return;
  for (int i = 0; i < TextRec->Count(); ++i) {
    TChartRecord& c = TextRec->Item(i);
    if (c.RecordId == chrSERIESTEXT) SeriesText = &c;
    else if (c.RecordId == chrOBJECTLINK) ObjectLink = &c;
    else if (c.RecordId == chrPOS) Pos = &c;
    else if (c.RecordId == chrAI) AI = &c;
  }
}

TChartLabel& TChartLabels::GetItem(int Index) const {
  if (Index < 0 || Index >= Count()) throw Exception("List index out of bounds (" + std::to_string(Index) + ")");
  return *Items_[static_cast<std::size_t>(Index)];
}

TChartLabel& TChartLabels::Add() {
  Items_.push_back(std::make_unique<TChartLabel>());
  return *Items_.back();
}

}  // namespace biff
