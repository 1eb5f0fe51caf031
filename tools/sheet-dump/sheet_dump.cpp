#include "tools/sheet-dump/sheet_dump.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "biff/biff_error.h"
#include "biff/chart/chart_model.h"
#include "biff/chart/chart_records.h"
#include "biff/chart/chart_wrappers.h"
#include "biff/document/sheet_data.h"
#include "biff/drawing/escher_drawing.h"
#include "biff/document/biff5_document.h"
#include "biff/formulas/biff8_decoder.h"
#include "biff/legacy/legacy_document.h"
#include "biff/reader/external_names.h"
#include "core/unicode.h"
#include "formula/formula_handler.h"
#include "ooxml/chart/gen/chart.h"
#include "ooxml/xlsx/xlsx_reader.h"
#include "workbook/biff_codecs.h"
#include "workbook/cell_references.h"
#include "workbook/cell_store.h"
#include "workbook/comments_data.h"
#include "workbook/drawing_interface.h"
#include "workbook/error_manager.h"
#include "workbook/exceptions.h"
#include "workbook/external_links.h"
#include "workbook/manager.h"
#include "workbook/shared_strings.h"
#include "workbook/spreadsheet_component.h"
#include "workbook/streams.h"
#include "workbook/style_sheet.h"
#include "workbook/workbook_data.h"
#include "workbook/worksheet_api.h"
#include "workbook/worksheet_data.h"

namespace sheet_dump {

namespace wb = workbook;

namespace {

std::string Json(const std::u16string& S) {
  std::string out = "\"";
  for (char c : core::utf16_to_utf8(S)) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char b[8];
      std::snprintf(b, sizeof b, "\\u%04x", u);
      out += b;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Number(double D) {
  if (!std::isfinite(D)) return "null";
  char b[40];
  std::snprintf(b, sizeof b, "%.17g", D);
  return b;
}

bool PlainSheetName(const std::u16string& Name) {
  bool plain = !Name.empty() && !(Name[0] >= u'0' && Name[0] <= u'9');
  for (char16_t c : Name)
    if (!((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_' || c == u'.' ||
          c >= 0x80))
      plain = false;
  return plain;
}

// A sheet name, or a range of sheets "First:Last", as formula text shows it.
std::u16string QuoteSheets(const std::u16string& First, const std::u16string& Last) {
  const std::u16string text = First == Last ? First : First + u":" + Last;
  if (PlainSheetName(First) && PlainSheetName(Last)) return text;
  std::u16string q = u"'";
  for (char16_t c : text) {
    q += c;
    if (c == u'\'') q += c;
  }
  return q + u"'";
}

std::u16string NameText(const wb::TXc12DefinedName& N) {
  if (N.BuiltIn < wb::bnNone) return wb::BuiltInNameText(N.BuiltIn);
  if (N.Name.empty() && N.RawBuiltInCode != 0) {
    if (std::u16string text = wb::BuiltInCodeText(N.RawBuiltInCode); !text.empty()) return text;
  }
  return N.GetDisplayName();
}

class TDumper {
public:
  // D: the legacy document of an .xls workbook; nil for one read from .xlsx.
  TDumper(wb::TXLSSpreadsheet5& B, biff::TBIFF5* D) : B_(B), M_(*B.GetManager()), D_(D) {}

  std::u16string SheetName(int Index) const {
    if (Index >= 0 && Index < M_.Worksheets->Count()) return M_.Worksheets->GetItem(Index)->Name;
    return u"#REF";
  }

  std::u16string FormulaText(const std::uint8_t* Ptgs, int Len, int Sheet, int Row, int Col) {
    std::u16string text;
    if (!D_) return text;
    biff::TDecodeRefEvent ev = [this](std::uint8_t Kind, int Index, std::u16string& Text, int, int, int NameIndex) {
      biff::TExternalNames& ext = D_->ExternalNames();
      if (Kind == 0) {
        wb::TXc12DefinedNames& names = *M_.Workbook->DefinedNames;
        if (NameIndex >= 1 && NameIndex <= names.Count()) Text = NameText(*names.GetItems(NameIndex - 1));
      } else if (Kind == 2) {
        if (Index < 0 || Index >= static_cast<int>(ext.ExtSheets.size())) {
          Text = u"#REF!";
          return;
        }
        const biff::TExtSheetEntry& e = ext.ExtSheets[static_cast<std::size_t>(Index)];
        const bool self = e.SupBook >= 0 && e.SupBook < static_cast<int>(ext.SupBooks.size()) &&
                          ext.SupBooks[static_cast<std::size_t>(e.SupBook)]->IsSelf();
        if (self && NameIndex < 0) {
          if (e.First >= M_.Worksheets->Count() || e.Last >= M_.Worksheets->Count())
            Text = u"#REF!";
          else
            Text = QuoteSheets(SheetName(e.First), SheetName(e.Last)) + u"!";
        } else if (self) {
          // A name of this workbook reached through the sheet table: a sheet's own name carries
          // its sheet in front.
          wb::TXc12DefinedNames& names = *M_.Workbook->DefinedNames;
          if (NameIndex < 1 || NameIndex > names.Count()) {
            Text = u"#NAME?";
            return;
          }
          const wb::TXc12DefinedName& n = *names.GetItems(NameIndex - 1);
          Text = NameText(n);
          if (n.LocalSheetId >= 0) Text = QuoteSheets(SheetName(n.LocalSheetId), SheetName(n.LocalSheetId)) + u"!" + Text;
        } else {
          try {
            ext.GetExternRefText(Index, NameIndex, Text);
          } catch (const biff::Exception&) {
            Text = u"#REF!";
          }
        }
      } else if (Kind == 4) {
        Text = SheetName(Index);
      }
    };
    try {
      biff::DecodeFormulaBIFF(Ptgs, Len, Sheet, text, u',', ev, Row, Col);
    } catch (const std::exception& e) {
      return u"[ERROR] " + core::utf8_to_utf16(e.what());
    }
    return text;
  }

  // Byte code of the formula engine (formulas and names of an .xlsx workbook) as text.
  std::u16string EngineText(wb::TXLSCellMMU* Cells, int Sheet, const std::uint8_t* Ptgs, int Len) {
    auto* handler = dynamic_cast<formula::TXLSFormulaHandler*>(B_.OwnFormulaHandler());
    if (!handler) return u"[ERROR] no formula handler";
    try {
      return handler->DecodeFormula(Cells, Sheet, Ptgs, Len, true);
    } catch (const std::exception& e) {
      return u"[ERROR] " + core::utf8_to_utf16(e.what());
    }
  }

  std::string Run() {
    // The legacy version read; null for an .xlsx workbook.
    std::string o = "{\n  \"version\": " + (D_ ? std::to_string(D_->VersionRead) : std::string("null")) + ",\n";
    o += std::string("  \"date1904\": ") + (M_.Workbook->WorkbookPr.date1904 ? "true" : "false") + ",\n";
    o += "  \"sheets\": [";
    // An .xls workbook's chart sheets stand beside its worksheets, each at its tab position.
    int chartSheet = 0;
    bool firstSheet = true;
    auto chartSheetsBefore = [&](int TabPosition) {
      if (!D_) return;
      biff::TSheetCharts& charts = D_->SheetCharts();
      for (; chartSheet < charts.Count() && charts.GetItem(chartSheet).SheetIndex < TabPosition; ++chartSheet) {
        biff::TSheetChart& c = charts.GetItem(chartSheet);
        o += firstSheet ? "\n" : ",\n";
        firstSheet = false;
        Chartsheet(c.Name, c.Hidden, c.IsRaw() ? std::string() : Chart(c.Root()), o);
      }
    };
    for (int s = 0; s < M_.Worksheets->Count(); ++s) {
      wb::TXc12DataWorksheet& w = *M_.Worksheets->GetItem(s);
      if (D_ && s < D_->Sheets().Count()) chartSheetsBefore(D_->GetSheet(s)->TabPosition);
      o += firstSheet ? "\n" : ",\n";
      firstSheet = false;
      if (w.IsChartsheet) {
        // The chart of an .xlsx chart sheet is in its drawing document.
        wb::TXLSDrawing* d = B_.GetItem(s)->GetDrawing();
        const bool known = d && d->GetDocument();
        Chartsheet(w.Name, w.State, known ? DrawingCharts(*d->GetDocument()) : std::string(), o, known);
        continue;
      }
      o += "    {\"name\": " + Json(w.Name) + ", \"state\": " + std::to_string(w.State) + ",\n";
      Layout(w, o);
      o += "     \"notes\": [";
      Notes(*B_.GetItem(s), o);
      o += "],\n     \"merged\": [";
      for (int i = 0; i < w.MergedCells->Count(); ++i) {
        const wb::TXc12MergedCell* m = w.MergedCells->GetItem(i);
        o += (i ? ", " : "") + Json(wb::AreaToRefStr(m->GetCol1(), m->GetRow1(), m->GetCol2(), m->GetRow2()));
      }
      o += "],\n     \"hyperlinks\": [";
      Hyperlinks(w, o);
      o += "],\n";
      Objects(w, s, o);
      o += "     \"cells\": [";
      Cells(w, s, o);
      o += "\n     ]}";
    }
    chartSheetsBefore(std::numeric_limits<int>::max());
    o += "\n  ],\n  \"names\": [";
    wb::TXc12DefinedNames& names = *M_.Workbook->DefinedNames;
    for (int i = 0; i < names.Count(); ++i) {
      wb::TXc12DefinedName* n = names.GetItems(i);
      o += i ? ",\n" : "\n";
      std::u16string def;
      if (n->Compiled.size() > 1)
        def = D_ ? FormulaText(n->Compiled.data(), static_cast<int>(n->Compiled.size()), -1, 0, 0)
                 : EngineText(nullptr, -1, n->Compiled.data(), static_cast<int>(n->Compiled.size()));
      // A definition that did not compile shows as the file gave it.
      else if (!D_)
        n->GetDefinition(def);
      o += "    {\"name\": " + Json(NameText(*n)) + ", \"scope\": " + std::to_string(n->LocalSheetId) +
           ", \"builtin\": " + std::to_string(n->BuiltIn) + ", \"hidden\": " + (n->Hidden ? "true" : "false") +
           ", \"formula\": " + Json(def) + "}";
    }
    o += "\n  ]";
    Links(o);
    o += "\n}\n";
    return o;
  }

private:
  // A chart sheet: its name, state and, where the model holds it, its chart.
  void Chartsheet(const std::u16string& Name, int State, const std::string& ChartJson, std::string& o,
                  bool Known = true) {
    o += "    {\"name\": " + Json(Name) + ", \"state\": " + std::to_string(State) + ", \"chartsheet\": true";
    if (Known) o += ", \"charts\": [" + ChartJson + "]";
    o += "}";
  }

  // The sheet's tables (name and area), the number of its pictures and its charts (the chart types
  // of each, with the references of every series as A1 text). An .xlsx sheet's pictures and charts
  // are those of its drawing document, in anchors of every kind; they are left out when the
  // component has no drawing documents.
  void Objects(wb::TXc12DataWorksheet& W, int Sheet, std::string& o) {
    o += "     \"tables\": [";
    for (int i = 0; i < W.Tables.Count(); ++i) {
      const wb::TXc12Table& t = *W.Tables.GetItems(i);
      o += (i ? ", " : "") + std::string("{\"name\": ") + Json(t.Name.empty() ? t.displayName : t.Name) +
           ", \"ref\": " + Json(wb::AreaToRefStr(t.Ref.Col1, t.Ref.Row1, t.Ref.Col2, t.Ref.Row2)) + "}";
    }
    o += "]";
    if (D_) {
      biff::TSheet* sheet = Sheet < D_->Sheets().Count() ? D_->GetSheet(Sheet) : nullptr;
      int pictures = 0;
      if (biff::TEscherDrawing* d = sheet ? sheet->DrawingIfAny() : nullptr)
        for (int i = 0; i < d->GetShapeCount(); ++i)
          if (auto* a = dynamic_cast<biff::TShapeClientAnchor*>(&d->GetShape(i)); a && a->ShapeType == kPictureFrame)
            ++pictures;
      o += ", \"images\": " + std::to_string(pictures) + ", \"charts\": [";
      if (biff::TDrwCharts* charts = sheet ? sheet->ChartsIfAny() : nullptr)
        for (int i = 0; i < charts->Count(); ++i)
          o += (i ? ", " : "") + (charts->GetItem(i).Rec ? Chart(*charts->GetItem(i).Rec) : std::string("{}"));
      o += "]";
    } else if (wb::TXLSDrawing* d = B_.GetItem(Sheet)->GetDrawing(); d && d->GetDocument()) {
      std::vector<wb::TXLSAnchorInfo> anchors;
      d->GetDocument()->GetAnchors(anchors);
      int pictures = 0;
      for (const wb::TXLSAnchorInfo& a : anchors) pictures += a.PictureWithBlip ? 1 : 0;
      o += ", \"images\": " + std::to_string(pictures) + ", \"charts\": [" + DrawingCharts(*d->GetDocument()) + "]";
    }
    o += ",\n";
  }

  // The charts of an .xlsx drawing document, in anchor order.
  static std::string DrawingCharts(wb::IXLSDrawingDocument& Document) {
    std::vector<wb::TXLSAnchorInfo> anchors;
    Document.GetAnchors(anchors);
    std::string o;
    for (const wb::TXLSAnchorInfo& a : anchors) {
      if (!a.Chart || !a.ChartRef) continue;
      o += (o.empty() ? "" : ", ") + XlsxChart(*static_cast<ooxml::chart::TXPGDocXLSXChart*>(a.ChartRef));
    }
    return o;
  }

  // The chart element names of an .xlsx chart's plot area, in order, and the references of its series.
  static std::string XlsxChart(ooxml::chart::TXPGDocXLSXChart& C) {
    namespace ch = ooxml::chart;
    std::string types, series;
    const ch::TCT_ChartSpace* space = C.GetChartSpace();
    const ch::TCT_PlotArea* plot = space && space->chart ? space->chart->plotArea.get() : nullptr;
    for (int i = 0; plot && i < plot->charts.Count(); ++i) {
      std::u16string name(plot->charts.NameAt(i));
      if (name.rfind(u"c:", 0) == 0) name.erase(0, 2);
      types += (types.empty() ? "" : ", ") + Json(name);
      TypeSeries<ch::TCT_AreaChart, ch::TCT_Area3DChart, ch::TCT_LineChart, ch::TCT_Line3DChart, ch::TCT_StockChart,
                 ch::TCT_RadarChart, ch::TCT_ScatterChart, ch::TCT_PieChart, ch::TCT_Pie3DChart, ch::TCT_DoughnutChart,
                 ch::TCT_BarChart, ch::TCT_Bar3DChart, ch::TCT_OfPieChart, ch::TCT_SurfaceChart, ch::TCT_Surface3DChart,
                 ch::TCT_BubbleChart>(plot->charts.GetItems(i), series);
    }
    return "{\"types\": [" + types + "], \"series\": [" + series + "]}";
  }

  // The series of the chart type Group, whichever of the classes it is.
  template <class... TChart>
  static void TypeSeries(const ooxml::TXPGBase* Group, std::string& o) {
    (void)((SeriesOf<TChart>(Group, o)) || ...);
  }

  template <class TChart>
  static bool SeriesOf(const ooxml::TXPGBase* Group, std::string& o) {
    const auto* c = dynamic_cast<const TChart*>(Group);
    if (!c) return false;
    if constexpr (requires { c->ser; }) {
      SeriesList(c->ser, o);
    } else {
      if (c->shared) SeriesList(c->shared->ser, o);
    }
    return true;
  }

  template <class TList>
  static void SeriesList(const TList& List, std::string& o) {
    for (int i = 0; i < List.Count(); ++i) {
      const auto& s = *List[i];
      std::u16string name, categories, values;
      if (s.shared && s.shared->tx && s.shared->tx->strRef) name = s.shared->tx->strRef->f;
      if constexpr (requires { s.cat; }) {
        categories = AxisRef(s.cat.get());
        values = s.val && s.val->numRef ? s.val->numRef->f : std::u16string();
      } else {
        categories = AxisRef(s.xVal.get());
        values = s.yVal && s.yVal->numRef ? s.yVal->numRef->f : std::u16string();
      }
      o += (o.empty() ? "" : ", ") + std::string("{\"name_ref\": ") + Json(name) +
           ", \"categories_ref\": " + Json(categories) + ", \"values_ref\": " + Json(values) + "}";
    }
  }

  static std::u16string AxisRef(const ooxml::chart::TCT_AxDataSource* A) {
    if (!A) return {};
    if (A->strRef && !A->strRef->f.empty()) return A->strRef->f;
    if (A->numRef && !A->numRef->f.empty()) return A->numRef->f;
    if (A->multiLvlStrRef) return A->multiLvlStrRef->f;
    return {};
  }

  static constexpr std::uint32_t kPictureFrame = 75;

  // The chart element names of a legacy chart's groups, in order, and its series.
  std::string Chart(biff::TChartRecord& Root) {
    std::vector<std::string> types;
    std::vector<biff::TChartRecord*> series;
    Walk(Root, types, series);
    std::string o = "{\"types\": [";
    for (std::size_t i = 0; i < types.size(); ++i) o += (i ? ", \"" : "\"") + types[i] + "\"";
    o += "], \"series\": [";
    for (std::size_t i = 0; i < series.size(); ++i) {
      biff::TXLSChartSerie s(&D_->Formulas());
      s.BindRecord(series[i]);
      // A series name given as text has no reference.
      std::u16string name = Reference([&] { return s.SerieName(); });
      if (!name.empty() && name[0] == u'"') name.clear();
      o += (i ? ", " : "") + std::string("{\"name_ref\": ") + Json(name) +
           ", \"categories_ref\": " + Json(Reference([&] { return s.Category(); })) +
           ", \"values_ref\": " + Json(Reference([&] { return s.Values(); })) + "}";
    }
    return o + "]}";
  }

  template <class F>
  static std::u16string Reference(F Get) {
    try {
      return Get();
    } catch (const std::exception&) {
      return {};
    }
  }

  static void Walk(biff::TChartRecord& R, std::vector<std::string>& Types, std::vector<biff::TChartRecord*>& Series) {
    if (R.RecordId == biff::chrSERIES) {
      Series.push_back(&R);
      return;
    }
    if (R.RecordId == biff::chrCHARTFORMAT) {
      bool threeD = false;
      std::string type;
      for (int i = 0; i < R.Count(); ++i) {
        const biff::TChartRecord& c = R.Item(i);
        switch (c.RecordId) {
          case 0x1017: type = "bar"; break;
          case 0x1018: type = "line"; break;
          case 0x1019: type = c.Data.size() >= 4 && c.Word(2) != 0 ? "doughnut" : "pie"; break;
          case 0x101A: type = "area"; break;
          case 0x101B: type = c.Data.size() >= 6 && (c.Word(4) & 1) ? "bubble" : "scatter"; break;
          case 0x103E:
          case 0x1040: type = "radar"; break;
          case 0x103F: type = "surface"; break;
          case 0x1061: type = "ofPie"; break;
          case biff::chrCHART3D: threeD = true; break;
          default: break;
        }
      }
      if (!type.empty()) {
        const bool has3D = type == "bar" || type == "line" || type == "pie" || type == "area" || type == "surface";
        Types.push_back(type + (threeD && has3D ? "3DChart" : "Chart"));
      }
      return;
    }
    for (int i = 0; i < R.Count(); ++i) Walk(R.Item(i), Types, Series);
  }

  // The linked workbooks the model holds (those of an .xlsx workbook): target, sheet names and the
  // cached cells. Left out when there are none.
  void Links(std::string& o) {
    const wb::TXc12DataXLinks& links = *M_.XLinks;
    if (links.Count() == 0) return;
    o += ",\n  \"links\": [";
    for (int i = 0; i < links.Count(); ++i) {
      const wb::TXc12XExternalBook& b = links.GetItem(i)->ExternalBook;
      o += (i ? ",\n" : "\n") + std::string("    {\"target\": ") + Json(b.Target) + ", \"sheets\": [";
      for (std::size_t s = 0; s < b.SheetNames.size(); ++s) o += (s ? ", " : "") + Json(b.SheetNames[s]);
      o += "], \"cells\": [";
      bool first = true;
      for (int s = 0; s < b.SheetDataSet.Count(); ++s) {
        const wb::TXc12XSheetData& d = *b.SheetDataSet.GetItem(s);
        for (int r = 0; r < d.Count(); ++r)
          for (int c = 0; c < d.GetItem(r)->Count(); ++c) {
            const wb::TXc12XCell& x = *d.GetItem(r)->GetItem(c);
            std::string v = x.ValueType == wb::xvtNumber    ? Number(x.Number)
                            : x.ValueType == wb::xvtString  ? Json(x.String)
                            : x.ValueType == wb::xvtBoolean ? std::string(x.Byte ? "true" : "false")
                            : x.ValueType == wb::xvtError   ? Json(wb::Xc12ErrorToText(x.Byte))
                                                            : std::string("null");
            o += (first ? "" : ", ") + std::string("[") + std::to_string(d.sheetId) + ", " + Json(x.GetRef()) + ", " + v + "]";
            first = false;
          }
      }
      o += "]}";
    }
    o += "\n  ]";
  }

  // Default column width (characters), default row height (twips) with its flags, and the rows
  // whose height is their own.
  void Layout(wb::TXc12DataWorksheet& W, std::string& o) {
    const wb::TXc12SheetFormatPr& f = W.SheetFormatPr;
    o += "     \"default_col_width\": " + Number(f.defaultColWidth) + ", \"default_row_height\": " +
         Number(f.defaultRowHeight) + ", \"default_row_custom\": " + (f.customHeight ? "true" : "false") +
         ", \"default_row_hidden\": " + (f.zeroHeight ? "true" : "false") + ",\n     \"row_heights\": [";
    wb::TXLSCellMMU& c = *W.Cells;
    bool first = true;
    c.IterInit(-1);
    while (c.IterNextRow()) {
      wb::TMMURowHeader h = c.IterRowHeader();
      if (!h || !(h.Flags() & wb::TMMURowHeader::rhfCustomHeight)) continue;
      o += (first ? "" : ", ") + std::string("[") + std::to_string(c.IterRow()) + ", " + std::to_string(h.Height()) + "]";
      first = false;
    }
    o += "],\n";
  }

  // Each link's area, its target (the location for a link into the workbook), location without
  // the leading "#", display text and tooltip.
  void Hyperlinks(wb::TXc12DataWorksheet& W, std::string& o) {
    for (int i = 0; i < W.Hyperlinks->Count(); ++i) {
      const wb::TXc12Hyperlink& h = *W.Hyperlinks->GetItem(i);
      std::u16string location = h.Location;
      if (!location.empty() && location[0] == u'#') location.erase(0, 1);
      const wb::TXLSCellArea& a = h.Ref;
      const std::u16string ref = a.Col1 == a.Col2 && a.Row1 == a.Row2 ? wb::ColRowToRefStr(a.Col1, a.Row1)
                                                                        : wb::AreaToRefStr(a.Col1, a.Row1, a.Col2, a.Row2);
      o += (i ? ", " : "") + std::string("{\"ref\": ") + Json(ref) +
           ", \"address\": " + Json(h.Address) + ", \"location\": " + Json(location) + ", \"display\": " +
           Json(h.Display) + ", \"tooltip\": " + Json(h.Tooltip) + "}";
    }
  }

  // A colour as "RRGGBB" where the file fixes it (an RGB value, or a palette entry resolved
  // against the workbook's palette); null for automatic and theme colours.
  static std::string ColorText(const wb::TXc12Color& C) {
    std::uint32_t rgb;
    if (C.ColorType == wb::xctRgb)
      rgb = C.RGB & 0xFFFFFF;
    else if (C.ColorType == wb::xctIndexed && C.Index < 64)
      rgb = ((C.ARGB & 0xFF) << 16) | (C.ARGB & 0xFF00) | ((C.ARGB >> 16) & 0xFF);
    else
      return "null";
    char b[16];
    std::snprintf(b, sizeof b, "\"%06X\"", rgb);
    return b;
  }

  // Bold, italic, the font colour and the solid fill colour of a cell format, each when set.
  static std::string StyleText(const wb::TXc12XF* XF) {
    std::string s;
    if (!XF) return s;
    if (const wb::TXc12Font* f = XF->GetFont()) {
      if (f->GetStyle() & 1) s += ", \"bold\": true";
      if (f->GetStyle() & 2) s += ", \"italic\": true";
      const std::string c = ColorText(f->GetColor());
      if (c != "null") s += ", \"font_color\": " + c;
    }
    if (const wb::TXc12Fill* f = XF->GetFill(); f && f->GetPatternType() == wb::efpSolid) {
      const std::string c = ColorText(f->FgColor);
      if (c != "null") s += ", \"fill_color\": " + c;
    }
    return s;
  }

  void Notes(wb::TXLSWorksheet& S, std::string& o) {
    wb::TXLSComments& notes = *S.GetComments();
    for (int i = 0; i < notes.GetCount(); ++i) {
      const wb::TXLSComment& n = *notes.GetItem(i);
      o += (i ? ", " : "") + std::string("{\"ref\": ") + Json(wb::ColRowToRefStr(n.GetCol(), n.GetRow())) +
           ", \"text\": " + Json(n.GetText()) + "}";
    }
  }

  void Cells(wb::TXc12DataWorksheet& W, int Sheet, std::string& o) {
    wb::TXLSCellMMU& c = *W.Cells;
    bool first = true;
    c.BeginIterate(0);
    while (c.IterNext()) {
      const int col = c.IterCol(), row = c.IterRow();
      const wb::TMMUCellRef& ref = *c.IterCellRef();
      std::string line = "\n      {\"ref\": " + Json(wb::ColRowToRefStr(col, row)) + ", \"row\": " +
                         std::to_string(row) + ", \"col\": " + std::to_string(col);
      const wb::TCellValueKind k = c.IterCellType();
      auto value = [&](const char* Type, const std::string& V) {
        line += std::string(", \"type\": \"") + Type + "\", \"value\": " + V;
      };
      switch (k) {
        case wb::cvkBlank: value("blank", "null"); break;
        case wb::cvkBoolean: value("boolean", c.IterBoolean() ? "true" : "false"); break;
        case wb::cvkError: value("error", Json(wb::Xc12ErrorToText(c.IterError()))); break;
        case wb::cvkString: {
          std::u16string t;
          c.GetString(ref, t);
          value("string", Json(t));
          break;
        }
        case wb::cvkFloat: value("number", Number(c.IterFloat())); break;
        default: {
          std::string r;
          const char* rt = "number";
          if (k == wb::cvkFloatFormula) r = Number(wb::TXLSCellMMU::GetFormulaFloat(ref));
          if (k == wb::cvkBooleanFormula) {
            rt = "boolean";
            r = wb::TXLSCellMMU::GetFormulaBoolean(ref) ? "true" : "false";
          }
          if (k == wb::cvkErrorFormula) {
            rt = "error";
            r = Json(wb::Xc12ErrorToText(wb::TXLSCellMMU::GetFormulaError(ref)));
          }
          if (k == wb::cvkStringFormula) {
            rt = "string";
            std::u16string t;
            wb::TXLSCellMMU::GetFormulaString(ref, t);
            r = Json(t);
          }
          line += std::string(", \"type\": \"formula\", \"result_type\": \"") + rt + "\", \"value\": " + r;
          // Members of an array formula hold no tokens of their own: their text is the master's.
          const std::uint8_t kind = c.IterFormulaFlags() & 0x3F;
          const bool member = kind == wb::mfkArrayMember || kind == wb::mfkArrayMember97;
          if (member) line += ", \"array_member\": true";
          const std::uint8_t* ptgs = nullptr;
          const bool compiled = !member && wb::TXLSCellMMU::FormulaIsCompiled(ref);
          const int len = compiled ? wb::TXLSCellMMU::GetFormulaPtgs(ref, ptgs) : 0;
          std::u16string text;
          const bool decodable = !D_ || D_->VersionRead >= 5;
          if (D_ && D_->VersionRead >= 5 && ptgs && len > 0)
            text = FormulaText(ptgs, len, Sheet, row, col);
          // Formulas read from .xlsx are kept as their text until they are compiled; shared
          // ones are compiled as they are read.
          else if (!D_ && !member && !compiled)
            wb::TXLSCellMMU::GetFormulaSourceText(ref, text);
          else if (!D_ && ptgs && len > 0)
            text = EngineText(&c, Sheet, ptgs, len);
          line += ", \"formula\": " + (decodable ? Json(text) : std::string("null"));
          break;
        }
      }
      const int style = c.IterStyle();
      const wb::TXc12XF* xf = style >= 0 && style < M_.StyleSheet->XFs->Count() ? M_.StyleSheet->XFs->GetItem(style) : nullptr;
      const wb::TXc12NumberFormat* nf = xf ? xf->GetNumberFormat() : nullptr;
      std::u16string mask = nf ? nf->GetMask() : u"";
      line += ", \"format_id\": " + std::to_string(nf ? nf->Index : 0) + ", \"format\": " +
              Json(mask.empty() ? u"General" : mask) + StyleText(xf) + "}";
      o += (first ? "" : ",") + line;
      first = false;
    }
  }

  wb::TXLSSpreadsheet5& B_;
  wb::TXc12Manager& M_;
  biff::TBIFF5* D_;
};

}  // namespace

TWorkbookDump::TWorkbookDump(core::ByteSpan Data, const std::u16string& Password) {
  wb::TXLSSpreadsheetNeighbours neighbours;
  biff::RegisterLegacyNeighbours(neighbours);
  ooxml::RegisterXlsxNeighbours(neighbours);
  Book_ = std::make_unique<wb::TXLSSpreadsheet5>(neighbours);
  Book_->SetPassword(Password);
  wb::TPointerMemoryStream stream(Data.data(), static_cast<std::int64_t>(Data.size()));
  // A ZIP archive is an .xlsx package; anything else goes the legacy road.
  Book_->LoadFromStream(stream, true);
}

TWorkbookDump::~TWorkbookDump() = default;

std::string TWorkbookDump::Json() {
  auto* legacy = dynamic_cast<biff::TLegacyDocument*>(Book_->GetBIFF());
  TDumper d(*Book_, legacy ? &legacy->Document() : nullptr);
  return d.Run();
}

void TWorkbookDump::SaveAs(const std::string& FileName) {
  std::string ext = FileName.substr(std::min(FileName.size(), FileName.rfind('.')));
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".xlsx") {
    if (Book_->GetVersion() == wb::xvExcel97) {
      // The component's save of a legacy workbook takes the .xls road, and dropping the legacy
      // document (SetVersion) would leave the model's formula tokens without the document that
      // decodes them. So the .xlsx writer is run here with the legacy document in place, after the
      // same preparation as the component's .xlsx save.
      const auto& create = Book_->Neighbours().CreateXlsxWriter;
      if (!create) throw wb::Exception("the .xlsx writer is not available");
      std::unique_ptr<wb::IXLSXWriter> writer = create(Book_->GetManager(), Book_->GetFormulaHandler());
      Book_->PrepareWrite();
      Book_->CalcDimensions();
      Book_->GetManager()->BeforeSave();
      wb::TFileStream file(FileName, wb::TFileStream::fmCreate);
      writer->Write(file);
      return;
    }
  } else if (ext == ".xls") {
    // Switching an .xlsx workbook to the legacy version starts a new, empty workbook: the
    // library has no road from one to the other, and an empty file would pass for a copy.
    if (Book_->GetVersion() != wb::xvExcel97)
      throw wb::Exception("an .xlsx workbook can only be saved as .xlsx, not as " + FileName);
  } else {
    throw wb::Exception("the file to save must end in .xlsx or .xls: " + FileName);
  }
  Book_->SaveToFile(core::utf8_to_utf16(FileName));
}

std::string DumpXLS(core::ByteSpan Data, const std::u16string& Password) { return TWorkbookDump(Data, Password).Json(); }

}  // namespace sheet_dump
