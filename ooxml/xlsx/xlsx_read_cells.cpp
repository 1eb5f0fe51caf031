// Cells, rows and columns of a worksheet part, handed over by the binding as the parser meets them.
#include <cmath>

#include "core/unicode.h"
#include "formula/formula_handler.h"
#include "ooxml/spreadsheetml/gen/spreadsheetml.h"
#include "ooxml/xlsx/xlsx_reader.h"
#include "workbook/biff_codecs.h"
#include "workbook/cell_format_editor.h"
#include "workbook/cell_references.h"
#include "workbook/cell_store.h"
#include "workbook/error_manager.h"
#include "workbook/exceptions.h"
#include "workbook/manager.h"
#include "workbook/shared_strings.h"
#include "workbook/style_sheet.h"
#include "xml/xml_values.h"

namespace ooxml {

namespace wb = workbook;
using namespace sml;

namespace {

// The cell types as the binding decodes the t attribute.
enum : std::uint8_t { ctBoolean, ctNumber, ctDate, ctError, ctShared, ctString, ctInline };

constexpr int kMaxRow = 1048575;
constexpr int kMaxCol = 16383;

// Days from 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// Digits at Text[Pos..Pos+Count); false when there are not that many.
bool Digits(const std::u16string& Text, std::size_t& Pos, int Count, int& Value) {
  Value = 0;
  for (int i = 0; i < Count; ++i, ++Pos) {
    if (Pos >= Text.size() || Text[Pos] < u'0' || Text[Pos] > u'9') return false;
    Value = Value * 10 + (Text[Pos] - u'0');
  }
  return true;
}

// The text of an inline string; its runs are not kept, only their text.
std::u16string InlineText(const TCT_Cell& C) {
  std::u16string text = C.is->t;
  for (int i = 0; i < C.is->r.Count(); ++i) text += C.is->r[i]->t;
  return text;
}

}  // namespace

// An ISO 8601 date, time or date and time ("2024-03-01", "2024-03-01T12:30:00.5", "12:30:00") as a
// serial number of the workbook's date system; NaN when the text is none of those.
double TXLSReadXLSX::DateSerial(const std::u16string& Text) const {
  std::size_t p = 0;
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  double days = 0;
  bool date = false;
  if (Text.size() >= 10 && Text[4] == u'-') {
    if (!Digits(Text, p, 4, y) || Text[p++] != u'-' || !Digits(Text, p, 2, mo) || Text[p++] != u'-' ||
        !Digits(Text, p, 2, d))
      return NAN;
    if (mo < 1 || mo > 12 || d < 1 || d > 31) return NAN;
    date = true;
    const bool is1904 = Manager_->Workbook->WorkbookPr.date1904;
    const std::int64_t n = DaysFromCivil(y, mo, d);
    if (is1904) {
      days = static_cast<double>(n - DaysFromCivil(1904, 1, 1));
    } else {
      days = static_cast<double>(n - DaysFromCivil(1899, 12, 30));
      // The 1900 system counts a 29 February 1900 that never was: days before it are one less.
      if (days < 61) days -= 1;
    }
    if (p < Text.size() && Text[p] == u'T') ++p;
  }
  if (p < Text.size()) {
    if (!Digits(Text, p, 2, h) || p >= Text.size() || Text[p++] != u':' || !Digits(Text, p, 2, mi)) return NAN;
    double frac = 0;
    if (p < Text.size() && Text[p] == u':') {
      ++p;
      if (!Digits(Text, p, 2, s)) return NAN;
      if (p < Text.size() && Text[p] == u'.') {
        ++p;
        double scale = 0.1;
        while (p < Text.size() && Text[p] >= u'0' && Text[p] <= u'9') {
          frac += (Text[p++] - u'0') * scale;
          scale /= 10;
        }
      }
    }
    if (h > 24 || mi > 59 || s > 60) return NAN;
    if (p != Text.size()) return NAN;
    days += (h * 3600 + mi * 60 + s + frac) / 86400.0;
  } else if (!date) {
    return NAN;
  }
  return days;
}

// The cell's place: its reference, or (without one) the cell after the one before in its row.
void TXLSReadXLSX::CellPosition(const TCT_Cell& C, int& Col, int& Row) {
  if (!C.r.empty()) {
    if (!wb::RefStrToColRow(C.r, Col, Row) || Col < 0 || Col > kMaxCol || Row < 0 || Row > kMaxRow)
      throw wb::Exception("Invalid cell reference \"" + core::utf16_to_utf8(C.r) + "\"");
  } else {
    Row = RowObject_ && RowObject_->r > 0 ? RowObject_->r - 1 : PrevRow_ + 1;
    Col = NewRow_ ? 0 : LastCol_ + 1;
    if (Row > kMaxRow) throw wb::Exception("Row " + std::to_string(Row + 1) + " lies beyond the last row");
    if (Col > kMaxCol) throw wb::Exception("A cell without reference lies beyond the last column");
  }
  LastCol_ = Col;
  NewRow_ = false;
}

// A cell format index as the cell store takes it; one the style sheet does not hold is format 0.
int TXLSReadXLSX::CellStyle(int S) const {
  return S >= 0 && S < Manager_->StyleSheet->XFs->Count() ? S : 0;
}

// The target area of the array formula or data table at (Col, Row); a ref that is no area makes
// the master its own target.
const TXLSReadXLSX::TArrayArea& TXLSReadXLSX::AddArrayArea(const TCT_CellFormula& F, int Col, int Row) {
  int c1, r1, c2, r2;
  if (!wb::AreaStrToColRow(F.ref, c1, r1, c2, r2)) {
    c1 = c2 = Col;
    r1 = r2 = Row;
  }
  return ArrayAreas_.emplace_back(TArrayArea{c1, r1, c2, r2, Col, Row, F.t == 2});
}

const TXLSReadXLSX::TArrayArea* TXLSReadXLSX::ArrayAreaOf(int Col, int Row) const {
  for (const TArrayArea& a : ArrayAreas_)
    if (Col >= a.Col1 && Col <= a.Col2 && Row >= a.Row1 && Row <= a.Row2) return &a;
  return nullptr;
}

// The cached result of a formula cell, by the cell's type.
void TXLSReadXLSX::SetFormulaResult(const TCT_Cell& C, wb::TXLSFormulaHelper& H) const {
  switch (C.t) {
    case ctBoolean: H.SetResultBoolean(XmlStrToBoolDef(C.v, false)); break;
    case ctDate: {
      const double serial = DateSerial(C.v);
      H.SetResultFloat(std::isnan(serial) ? 0 : serial);
      break;
    }
    case ctError: H.SetResultErrorText(C.v); break;
    case ctString: H.SetResultString(C.v); break;
    case ctNumber: H.SetResultFloat(XmlStrToFloatDef(C.v, 0)); break;
    default: throw wb::Exception("Unsupported type of formula cell: " + std::to_string(C.t));
  }
}

// The index of a t="s" cell, checked against the table.
int TXLSReadXLSX::StringIndex(const std::u16string& V, int Col, int Row) const {
  const int index = XmlStrToIntDef(V, -1);
  if (index < 0 || index >= Manager_->SST->Count())
    throw wb::Exception("Shared string index " + core::utf16_to_utf8(V) + " in cell " +
                        core::utf16_to_utf8(wb::ColRowToRefStr(Col, Row)) + " is not in the shared-string table");
  return index;
}

// The serial of a t="d" cell; a text that is no ISO 8601 date is an error naming the cell.
double TXLSReadXLSX::CellDate(const std::u16string& V, int Col, int Row) const {
  const double serial = DateSerial(V);
  if (std::isnan(serial))
    throw wb::Exception("Invalid date \"" + core::utf16_to_utf8(V) + "\" in cell " +
                        core::utf16_to_utf8(wb::ColRowToRefStr(Col, Row)));
  return serial;
}

void TXLSReadXLSX::SharedFormulaTokens(const TCT_CellFormula& F, int Col, int Row, std::vector<std::uint8_t>& Tokens) {
  Tokens.clear();
  if (!F.text.empty()) {
    // The master: its text compiles once; the file's formulas always use '.' and ','.
    TSharedFormula& sf = SharedFormulas_[F.si];
    sf.MasterCol = Col;
    sf.MasterRow = Row;
    if (!wb::AreaStrToColRow(F.ref, sf.Col1, sf.Row1, sf.Col2, sf.Row2)) {
      sf.Col1 = sf.Col2 = Col;
      sf.Row1 = sf.Row2 = Row;
    }
    sf.Ptgs.clear();
    try {
      if (FormulaHandler_ &&
          FormulaHandler_->EncodeCellFormula(F.text, sf.Ptgs, CurrentSheet_->Index, Col, Row, true) <= 0)
        sf.Ptgs.clear();
    } catch (const wb::Exception&) {
      // The error manager raises compile errors; such a master stays text, as a plain formula
      // would, and its members get nothing to copy.
      sf.Ptgs.clear();
    }
    Tokens = sf.Ptgs;
    return;
  }
  // A member: the master's tokens with the relative references moved by the member's distance.
  const auto it = SharedFormulas_.find(F.si);
  if (it == SharedFormulas_.end()) return;
  const TSharedFormula& sf = it->second;
  if (Col < sf.Col1 || Col > sf.Col2 || Row < sf.Row1 || Row > sf.Row2 || sf.Ptgs.empty()) return;
  Tokens = sf.Ptgs;
  formula::OffsetRelativeRefTokens(Tokens.data(), static_cast<int>(Tokens.size()), Col - sf.MasterCol,
                                   Row - sf.MasterRow);
}

void TXLSReadXLSX::ReadCell(TCT_Cell& C) {
  int col, row;
  CellPosition(C, col, row);
  wb::TXLSCellMMU& cells = *CurrentSheet_->Cells;
  const int style = CellStyle(C.s);
  if (C.f->Assigned()) {
    const TCT_CellFormula& f = *C.f;
    wb::TXLSFormulaHelper& h = cells.FormulaHelper();
    h.Clear();
    h.Col = col;
    h.Row = row;
    h.Style = style;
    h.FormulaKind = wb::mfkNormal;
    // The binding's formula types: normal 0, array 1, dataTable 2, shared 3.
    if (f.t == 3) {
      // Stored compiled; a master whose text does not compile keeps its text, so nothing is lost.
      SharedFormulaTokens(f, col, row, Tokens_);
      if (!Tokens_.empty()) {
        h.SetPtgsRef(Tokens_.data());
        h.PtgsLen = static_cast<std::int32_t>(Tokens_.size());
      } else {
        h.SourceText = f.text;
      }
    } else {
      h.SourceText = f.text;
    }
    if (f.t == 1 || f.t == 2) {
      const TArrayArea& a = AddArrayArea(f, col, row);
      h.SetArea(a.Col1, a.Row1, a.Col2, a.Row2);
      h.FormulaKind = f.t == 1 ? wb::mfkArray : wb::mfkDataTable;
      if (f.t == 2) {
        h.DataTableFlags = static_cast<std::uint8_t>((f.del1 ? 1 : 0) | (f.del2 ? 2 : 0) | (f.dt2D ? 4 : 0) |
                                                     (f.dtr ? 8 : 0));
        if (!f.r1.empty()) {
          h.SetDataTableR1Text(f.r1);
          if (!f.r2.empty()) h.SetDataTableR2Text(f.r2);
        }
      }
    }
    SetFormulaResult(C, h);
    h.FormulaOptions = static_cast<std::uint8_t>((f.t == 1 && f.aca ? 1 : 0) | (f.bx ? 2 : 0) | (f.ca ? 4 : 0));
    cells.WriteFormula();
    return;
  }
  if (const TArrayArea* a = ArrayAreas_.empty() ? nullptr : ArrayAreaOf(col, row)) {
    // A cell of an array formula's or data table's result: it refers to its master.
    wb::TXLSFormulaHelper& h = cells.FormulaHelper();
    h.Clear();
    h.Col = col;
    h.Row = row;
    h.Style = style;
    h.MasterCol = static_cast<std::uint16_t>(a->MasterCol);
    h.MasterRow = a->MasterRow;
    h.FormulaKind = a->DataTable ? wb::mfkDataTableMember : wb::mfkArrayMember;
    SetFormulaResult(C, h);
    cells.WriteFormula();
    return;
  }
  if (C.v.empty()) {
    if (C.t == ctInline) {
      cells.WriteString(col, row, style, InlineText(C));
    } else {
      cells.WriteBlank(col, row, 0, style);
    }
    return;
  }
  switch (C.t) {
    case ctBoolean: cells.WriteBoolean(col, row, style, XmlStrToBoolDef(C.v, false)); break;
    case ctNumber: cells.WriteFloat(col, row, style, XmlStrToFloatDef(C.v, 0)); break;
    case ctError: cells.WriteError(col, row, style, static_cast<std::uint8_t>(wb::ErrorTextToXc12Error(C.v))); break;
    case ctShared: cells.WriteStringIndex(col, row, style, StringIndex(C.v, col, row)); break;
    case ctString: cells.WriteString(col, row, style, C.v); break;
    case ctDate: cells.WriteFloat(col, row, style, CellDate(C.v, col, row)); break;
    default: cells.WriteString(col, row, style, C.v); break;
  }
}

void TXLSReadXLSX::ReadRow(TCT_Row& R) {
  // A row without number follows the one before.
  const int row = R.r > 0 ? R.r - 1 : PrevRow_ + 1;
  if (row > kMaxRow) throw wb::Exception("Row " + std::to_string(R.r) + " lies beyond the last row");
  wb::TMMURowHeader h = CurrentSheet_->Cells->AddRow(row, CellStyle(R.s));
  h.SetHeight(R.ht != 0 ? static_cast<std::uint16_t>(std::nearbyint(std::min(R.ht * 20, 65534.0))) : 0xFFFF);
  h.SetFlags(static_cast<std::uint8_t>((R.hidden ? 1 : 0) | (R.customHeight ? 2 : 0) | (R.collapsed ? 4 : 0) |
                                       (R.thickTop ? 8 : 0) | (R.thickBot ? 16 : 0) | (R.ph ? 32 : 0)));
  h.SetOutlineLevel(static_cast<std::uint8_t>(std::clamp(R.outlineLevel, 0, 7)));
  R.Clear();
  PrevRow_ = row;
  NewRow_ = true;
}

void TXLSReadXLSX::ReadCol(TCT_Col& C) {
  wb::TXc12DataStyleSheet& sheet = *Manager_->StyleSheet;
  wb::TXc12XF* xf = sheet.XFs->GetItem(CellStyle(C.style));
  wb::TXc12Column* col = CurrentSheet_->Columns.Add(xf);
  sheet.XFEditor->UseXF(xf);
  col->Min = std::clamp(C.min - 1, 0, kMaxCol);
  col->Max = std::clamp(C.max - 1, col->Min, kMaxCol);
  col->Width = C.width;
  col->OutlineLevel = C.outlineLevel;
  col->Flags = static_cast<std::uint8_t>((C.collapsed ? 16 : 0) | (C.hidden ? 1 : 0) | (C.bestFit ? 2 : 0) |
                                         (C.customWidth ? 4 : 0) | (C.phonetic ? 8 : 0));
}

// ---------------------------------------------------------------------------------------------
// Direct read: nothing goes into the cell store; every value and formula cell is handed to the
// read-cell event in document order.

void TXLSReadXLSX::SkipRow(TCT_Row& R) {
  PrevRow_ = R.r > 0 ? R.r - 1 : PrevRow_ + 1;
  R.Clear();
  NewRow_ = true;
}

void TXLSReadXLSX::ReadCellDirect(TCT_Cell& C) {
  int col, row;
  CellPosition(C, col, row);
  wb::TXLSEventCell& e = *Manager_->EventCell;
  e.Reset();
  e.SheetIndex = CurrentSheet_->Index;
  e.SetCol(col);
  e.SetRow(row);
  if (C.f->Assigned()) {
    const TCT_CellFormula& f = *C.f;
    if (f.t == 1 || f.t == 2) {
      // The master of an array formula or data table is not reported, nor are the cells of its
      // result: their values belong to the formula.
      AddArrayArea(f, col, row);
      return;
    }
    if (f.t == 3 && f.text.empty()) {
      SharedFormulaTokens(f, col, row, Tokens_);
      std::u16string text;
      if (!Tokens_.empty()) {
        if (auto* handler = dynamic_cast<formula::TXLSFormulaHandler*>(FormulaHandler_))
          text = handler->DecodeFormula(nullptr, CurrentSheet_->Index, Tokens_.data(),
                                        static_cast<int>(Tokens_.size()), true);
      }
      e.SetFormula(text);
    } else {
      if (f.t == 3) SharedFormulaTokens(f, col, row, Tokens_);
      e.SetFormula(f.text);
    }
    switch (C.t) {
      case ctBoolean: e.SetAsBoolean(XmlStrToBoolDef(C.v, false)); break;
      case ctNumber: e.SetAsFloat(XmlStrToFloatDef(C.v, 0)); break;
      case ctDate: {
        const double serial = DateSerial(C.v);
        e.SetAsFloat(std::isnan(serial) ? 0 : serial);
        break;
      }
      case ctError: e.SetAsError(static_cast<std::uint8_t>(wb::ErrorTextToXc12Error(C.v))); break;
      case ctString: e.SetAsString(C.v); break;
      default: throw wb::Exception("Unsupported type of formula cell: " + std::to_string(C.t));
    }
    Manager_->DoReadCell();
    return;
  }
  if (!ArrayAreas_.empty() && ArrayAreaOf(col, row)) return;
  if (C.t == ctInline) {
    if (!C.v.empty()) throw wb::Exception("Unhandled string type in file");
    // An inline string has its text in the is element, never in v.
    e.SetAsString(InlineText(C));
    Manager_->DoReadCell();
    return;
  }
  if (C.v.empty()) return;
  switch (C.t) {
    case ctBoolean: e.SetAsBoolean(XmlStrToBoolDef(C.v, false)); break;
    case ctNumber: e.SetAsFloat(XmlStrToFloatDef(C.v, 0)); break;
    case ctError: e.SetAsError(static_cast<std::uint8_t>(wb::ErrorTextToXc12Error(C.v))); break;
    case ctShared: e.SetAsString(Manager_->SST->GetText(StringIndex(C.v, col, row))); break;
    case ctString: e.SetAsString(C.v); break;
    case ctDate: e.SetAsFloat(CellDate(C.v, col, row)); break;
    default: break;
  }
  Manager_->DoReadCell();
}

}  // namespace ooxml
