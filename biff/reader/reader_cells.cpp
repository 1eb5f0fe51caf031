// Cell, row, column and formula records of a worksheet substream.
#include <cstring>

#include "biff/biff_error.h"
#include "biff/document/biff5_document.h"
#include "biff/formulas/biff8_decoder.h"
#include "biff/reader/body_reader.h"
#include "biff/reader/xls_reader.h"
#include "core/unicode.h"
#include "workbook/biff_codecs.h"
#include "workbook/cell_format_editor.h"
#include "workbook/cell_references.h"
#include "workbook/cell_store.h"
#include "workbook/manager.h"
#include "workbook/shared_strings.h"
#include "workbook/style_sheet.h"
#include "workbook/worksheet_data.h"

namespace biff {

namespace wb = workbook;

namespace {

constexpr std::uint16_t kSHRFMLA = 0x00BC, kSHRFMLA2 = 0x04BC, kARRAY = 0x0221, kSTRING = 0x0207,
                        kSTRING2 = 0x0007, kTABLE = 0x0236;

std::uint8_t CachedErrorCode(std::uint8_t Code) {
  switch (Code) {
    case 0x00: case 0x07: case 0x0F: case 0x17: case 0x1D: case 0x24: case 0x2A:
      return wb::BIFFErrorToXc12Error(Code);
    case 0x2B:
      return wb::errGettingData;
    default:
      return wb::errNA;  // an unknown code must not fail the read
  }
}

}  // namespace

wb::TXLSCellMMU& TXLSReadXLS::Cells() {
  if (!Worksheet_) throw Exception("Cell record outside a worksheet");
  return *Worksheet_->Cells;
}

int TXLSReadXLS::CellStyle(int XF) const {
  // A cell whose XF the file never defined gets the default format instead of failing the read.
  const int s = XF + 1;
  const wb::TXc12XFs& xfs = *M_.StyleSheet->XFs;
  if (s <= 0 || s >= xfs.Count() || xfs.GetItem(s) == nullptr) return 0;
  return s;
}

void TXLSReadXLS::CheckCell(int Col, int Row) const {
  if (Col < 0 || Col > wb::XLS_MAXCOL97 || Row < 0 || Row > wb::XLS_MAXROW97) throw Exception("Cell position out of range");
}

void TXLSReadXLS::FireEvent(int Col, int Row) {
  wb::TXLSEventCell& e = *M_.EventCell;
  e.SheetIndex = SheetIndex_;
  e.SheetName = SheetIndex_ < Doc_.Sheets().Count() ? Doc_.Sheets().Items(SheetIndex_)->Name() : u"";
  e.SetCol(Col);
  e.SetRow(Row);
  M_.DoReadCell();
}

void TXLSReadXLS::StoreFloat(int Col, int Row, int XF, double Value) {
  CheckCell(Col, Row);
  if (M_.DirectRead && M_.EventCell) {
    M_.EventCell->Reset();
    M_.EventCell->SetAsFloat(Value);
    FireEvent(Col, Row);
    return;
  }
  Cells().WriteFloat(Col, Row, CellStyle(XF), Value);
}

void TXLSReadXLS::StoreString(int Col, int Row, int XF, const std::u16string& Text) {
  CheckCell(Col, Row);
  if (M_.DirectRead && M_.EventCell) {
    M_.EventCell->Reset();
    M_.EventCell->SetAsString(Text);
    FireEvent(Col, Row);
    return;
  }
  Cells().WriteString(Col, Row, CellStyle(XF), Text);
}

void TXLSReadXLS::StoreBoolErr(int Col, int Row, int XF, std::uint8_t Value, bool IsError) {
  CheckCell(Col, Row);
  if (M_.DirectRead && M_.EventCell) {
    M_.EventCell->Reset();
    if (IsError)
      M_.EventCell->SetAsError(CachedErrorCode(Value));
    else
      M_.EventCell->SetAsBoolean(Value != 0);
    FireEvent(Col, Row);
    return;
  }
  if (IsError)
    Cells().WriteError(Col, Row, CellStyle(XF), CachedErrorCode(Value));
  else
    Cells().WriteBoolean(Col, Row, CellStyle(XF), Value != 0);
}

void TXLSReadXLS::RecBLANK() {
  StoreRaw_ = false;
  TRecordBody b(Buf_.data(), Header_.Length);
  const int row = b.U16(0), col = b.U16(2);
  CheckCell(col, row);
  Cells().WriteBlank(col, row, 0, CellStyle(b.U16(4)));
}

void TXLSReadXLS::RecMULBLANK() {
  StoreRaw_ = false;
  TRecordBody b(Buf_.data(), Header_.Length);
  const int row = b.U16(0), col = b.U16(2);
  const int n = (b.Length() - 6) / 2;
  for (int i = 0; i < n; ++i) {
    CheckCell(col + i, row);
    Cells().WriteBlank(col + i, row, 0, CellStyle(b.U16(4 + 2 * i)));
  }
}

void TXLSReadXLS::RecNUMBER() {
  StoreRaw_ = false;
  TRecordBody b(Buf_.data(), Header_.Length);
  StoreFloat(b.U16(2), b.U16(0), b.U16(4), b.F64(6));
}

void TXLSReadXLS::RecRK() {
  StoreRaw_ = false;
  TRecordBody b(Buf_.data(), Header_.Length);
  StoreFloat(b.U16(2), b.U16(0), b.U16(4), wb::DecodeRK(static_cast<std::int32_t>(b.U32(6))));
}

void TXLSReadXLS::RecMULRK() {
  StoreRaw_ = false;
  TRecordBody b(Buf_.data(), Header_.Length);
  const int row = b.U16(0), col = b.U16(2);
  const int n = (b.Length() - 6) / 6;
  for (int i = 0; i < n; ++i)
    StoreFloat(col + i, row, b.U16(4 + 6 * i), wb::DecodeRK(static_cast<std::int32_t>(b.U32(6 + 6 * i))));
}

void TXLSReadXLS::RecLABELSST() {
  StoreRaw_ = false;
  TRecordBody b(Buf_.data(), Header_.Length);
  const int row = b.U16(0), col = b.U16(2), xf = b.U16(4);
  const std::uint32_t index = b.U32(6);
  if (index >= static_cast<std::uint32_t>(M_.SST->Count())) throw Exception("Shared string index out of range");
  CheckCell(col, row);
  if (M_.DirectRead && M_.EventCell) {
    M_.EventCell->Reset();
    M_.EventCell->SetAsString(M_.SST->GetText(static_cast<int>(index)));
    FireEvent(col, row);
    return;
  }
  Cells().WriteStringIndex(col, row, CellStyle(xf), static_cast<int>(index));
}

void TXLSReadXLS::RecLABEL() {
  StoreRaw_ = false;
  TRecordBody b(Buf_.data(), Header_.Length);
  const int row = b.U16(0), col = b.U16(2), xf = b.U16(4);
  const int count = b.U16(6);
  std::u16string text;
  if (Version_ >= 6) {
    b.Unicode(8, count, text);
  } else if (b.Has(8, 1) && b.U8(8) == 1 && b.Has(9, count * 2)) {
    b.Unicode(8, count, text);
  } else if (b.Has(8, 1) && b.U8(8) == 0 && b.Has(9, count)) {
    text = Ansi(b, 9, count);
  } else {
    text = Ansi(b, 8, count);
  }
  StoreString(col, row, xf, text);
}

void TXLSReadXLS::RecBOOLERR() {
  StoreRaw_ = false;
  TRecordBody b(Buf_.data(), Header_.Length);
  StoreBoolErr(b.U16(2), b.U16(0), b.U16(4), b.U8(6), b.U8(7) != 0);
}

void TXLSReadXLS::RecBIFF2Cell() {
  StoreRaw_ = false;
  TRecordBody b(Buf_.data(), Header_.Length);
  const int row = b.U16(0), col = b.U16(2);
  // BIFF2 cells carry attribute bytes instead of an XF index: the default format.
  switch (Header_.RecID) {
    case 0x0002: StoreFloat(col, row, -1, b.U16(7)); break;
    case 0x0003: StoreFloat(col, row, -1, b.F64(7)); break;
    default: StoreString(col, row, -1, Ansi(b, 8, b.U8(7))); break;
  }
}

void TXLSReadXLS::SetFormulaTokens(const std::uint8_t* Ptgs, int PtgsBytes, int Cce) {
  wb::TXLSFormulaHelper& f = Cells().FormulaHelper();
  if (PtgsBytes <= Cce)
    f.SetPtgs97(Ptgs, Cce);
  else
    f.SetPtgs97Extra(Ptgs, Cce, PtgsBytes - Cce);
}

bool TXLSReadXLS::ReadStringResult(std::u16string& Text) {
  std::uint16_t id;
  const std::uint16_t next = Stream_->PeekRecordId();
  if (next == kSHRFMLA || next == kSHRFMLA2) throw Exception("Unxepected SHRFMLA");
  if (!ReadNext(kSTRING, kSTRING2, id, Buf2_)) return false;
  TRecordBody s(Buf2_.data(), static_cast<int>(Buf2_.size()));
  if (id == kSTRING2) {
    Text = Ansi(s, 1, s.U8(0));
  } else if (Version_ >= 6) {
    s.Unicode(2, s.U16(0), Text);
  } else {
    Text = Ansi(s, 2, s.U16(0));
  }
  return true;
}

void TXLSReadXLS::StoreFormulaSpecial(int Col, int Row, int Style, const std::uint8_t* Ptgs, int PtgsBytes, int Cce,
                                      const std::uint8_t* Result) {
  const bool direct = M_.DirectRead && M_.EventCell;
  wb::TXLSFormulaHelper& f = Cells().FormulaHelper();
  f.Clear();
  f.Col = Col;
  f.Row = Row;
  f.Style = Style;
  SetFormulaTokens(Ptgs, PtgsBytes, Cce);
  if (direct) M_.EventCell->Reset();
  switch (Result[0]) {
    case 1:
      if (direct) M_.EventCell->SetAsBoolean(Result[2] != 0);
      else f.SetResultBoolean(Result[2] != 0);
      break;
    case 2:
      if (direct) M_.EventCell->SetAsError(CachedErrorCode(Result[2]));
      else f.SetResultError(CachedErrorCode(Result[2]));
      break;
    case 3:
      if (direct) M_.EventCell->SetAsString(u"");
      else f.SetResultString(u"");
      break;
    default: {
      std::u16string text;
      if (!ReadStringResult(text)) return;
      if (direct) M_.EventCell->SetAsString(text);
      else f.SetResultString(text);
      break;
    }
  }
  if (direct)
    FireEvent(Col, Row);
  else if (Cce > 0)
    Cells().WriteFormula();
}

void TXLSReadXLS::RecFORMULA() {
  StoreRaw_ = false;
  if (!Worksheet_) return;
  TRecordBody b(Buf_.data(), Header_.Length);
  const int row = b.U16(0), col = b.U16(2), xf = b.U16(4);
  CheckCell(col, row);
  const bool direct = M_.DirectRead && M_.EventCell;
  // BIFF3/BIFF4 FORMULA bodies hold a shorter header; the tokens are not read for them.
  if (Version_ < 5) {
    const std::uint8_t* r = b.At(6, 8);
    if (r[6] == 0xFF && r[7] == 0xFF && r[0] < 4) {
      if (r[0] == 1) StoreBoolErr(col, row, xf, r[2], false);
      else if (r[0] == 2) StoreBoolErr(col, row, xf, r[2], true);
      else if (r[0] == 0) {
        std::u16string t;
        if (ReadStringResult(t)) StoreString(col, row, xf, t);
      } else
        StoreString(col, row, xf, u"");
    } else {
      StoreFloat(col, row, xf, b.F64(6));
    }
    return;
  }
  std::uint8_t result[8];
  std::memcpy(result, b.At(6, 8), 8);
  const std::uint16_t options = b.U16(14);
  int cce = b.U16(20);
  b.Need(22, 0);
  const int style = CellStyle(xf);
  const bool special = result[6] == 0xFF && result[7] == 0xFF && result[0] < 4;
  // The cached value alone, for a formula that can not be kept.
  auto storeCached = [&] {
    if (special) {
      if (result[0] == 1) StoreBoolErr(col, row, xf, result[2], false);
      else if (result[0] == 2) StoreBoolErr(col, row, xf, result[2], true);
      else if (result[0] == 3) StoreString(col, row, xf, u"");
      else {
        std::u16string text;
        if (ReadStringResult(text)) StoreString(col, row, xf, text);
      }
    } else {
      StoreFloat(col, row, xf, b.F64(6));
    }
  };

  std::vector<std::uint8_t> tokens;
  int ptgs_bytes = 0;
  const std::uint8_t first = b.Length() > 22 ? b.U8(22) : 0;
  if ((options & 0x0008) && first == 0x01 && cce >= 5) {
    // A shared formula: the master's tokens, made absolute for this cell.
    std::uint16_t id;
    if (ReadNext(kSHRFMLA, kSHRFMLA2, id, Buf2_)) {
      TRecordBody s(Buf2_.data(), static_cast<int>(Buf2_.size()));
      TSharedFormula sf;
      sf.Row1 = s.U16(0);
      sf.Row2 = s.U16(2);
      sf.Col1 = s.U8(4);
      sf.Col2 = s.U8(5);
      const int len = s.U16(8);
      const std::uint8_t* p = s.At(10, len);
      sf.Ptgs.assign(p, p + len);
      Shared_.push_back(std::move(sf));
    }
    const int mrow = b.U16(23), mcol = b.U16(25);
    const TSharedFormula* hit = nullptr;
    for (const TSharedFormula& sf : Shared_)
      if (mrow >= sf.Row1 && mrow <= sf.Row2 && mcol >= sf.Col1 && mcol <= sf.Col2) {
        hit = &sf;
        break;
      }
    if (!hit)
      throw Exception("Fixup error in shared formula at C=" + std::to_string(col) + ",R=" + std::to_string(row) +
                      " (" + core::utf16_to_utf8(wb::ColRowToRefStr(col, row)) + ")");
    tokens = hit->Ptgs;
    cce = static_cast<int>(tokens.size());
    BIFFRelocatePtgs(Version_ >= 6 ? 1 : 0, tokens.data(), cce, row, col);
    ptgs_bytes = cce;
  } else {
    ptgs_bytes = b.Length() - 22;
    if (cce > ptgs_bytes) throw Exception("Formula tokens run past the record");
    tokens.assign(Buf_.data() + 22, Buf_.data() + 22 + ptgs_bytes);
    if (first == 0x01 && cce >= 5) {
      std::uint16_t id;
      wb::TXLSFormulaHelper& f = Cells().FormulaHelper();
      auto set_result = [&]() {
        std::u16string text;
        const std::uint16_t next = Stream_->PeekRecordId();
        if (next == kSTRING) {
          ReadStringResult(text);
          f.SetResultString(text);
        } else if (special) {
          if (result[0] == 1) f.SetResultBoolean(result[2] != 0);
          else if (result[0] == 2) f.SetResultError(CachedErrorCode(result[2]));
          else f.SetResultString(u"");
        } else {
          double d;
          std::memcpy(&d, result, 8);
          f.SetResultFloat(d);
        }
      };
      if (ReadNext(kARRAY, kARRAY, id, Buf2_)) {
        Array_ = Buf2_;
        TRecordBody a(Array_.data(), static_cast<int>(Array_.size()));
        int acce = a.U16(12);
        a.Need(14, acce);
        std::vector<std::uint8_t> arr(a.Data() + 14, a.Data() + a.Length());
        if (Version_ == 5 && !BIFF5ToBIFF8(arr, acce)) {
          Array_.clear();
          storeCached();
          return;
        }
        f.Clear();
        f.Col = col;
        f.Row = row;
        f.Style = style;
        f.SetArea(a.U8(4), a.U16(0), a.U8(5), a.U16(2));
        f.HasArea = true;
        if (static_cast<int>(arr.size()) < acce + 1)
          f.SetPtgs97(arr.data(), acce);
        else
          f.SetPtgs97Extra(arr.data(), acce, static_cast<int>(arr.size()) - acce);
        f.FormulaKind = wb::mfkArray;
        if (a.U16(6) & 1) f.FormulaOptions = 1;
        set_result();
        if (!direct) Cells().WriteFormula();
        return;
      }
      if (ReadNext(kTABLE, kTABLE, id, Buf2_)) {
        // A data table: the cells keep their cached values; the table record goes to the sheet's
        // records unchanged.
        Storage_->Add(MakeIdLen(kTABLE, static_cast<std::uint16_t>(Buf2_.size())), Buf2_.data());
      }
      if (!Array_.empty()) {
        TRecordBody a(Array_.data(), static_cast<int>(Array_.size()));
        if (row >= a.U16(0) && row <= a.U16(2) && col >= a.U8(4) && col <= a.U8(5)) {
          f.Clear();
          f.Col = col;
          f.Row = row;
          f.MasterCol = a.U8(4);
          f.MasterRow = a.U16(0);
          f.Style = style;
          f.FormulaKind = wb::mfkArrayMember97;
          set_result();
          if (!direct) Cells().WriteFormula();
          return;
        }
      }
      Array_.clear();
      // A ptgExp with neither a shared formula, an array nor a table: the cached value stays.
      storeCached();
      return;
    }
  }
  if (Version_ == 5 && cce > 0) {
    // BIFF5 tokens are held as BIFF8 tokens, as every formula of the model is; one that does not
    // convert keeps its cached value.
    if (!BIFF5ToBIFF8(tokens, cce)) {
      storeCached();
      return;
    }
    ptgs_bytes = static_cast<int>(tokens.size());
  }
  if (special) {
    StoreFormulaSpecial(col, row, style, tokens.data(), ptgs_bytes, cce, result);
    return;
  }
  if (cce == 0) return;
  double value;
  std::memcpy(&value, result, 8);
  if (direct) {
    M_.EventCell->Reset();
    M_.EventCell->SetAsFloat(value);
    FireEvent(col, row);
    return;
  }
  wb::TXLSFormulaHelper& f = Cells().FormulaHelper();
  f.Clear();
  f.Col = col;
  f.Row = row;
  f.Style = style;
  SetFormulaTokens(tokens.data(), ptgs_bytes, cce);
  f.SetResultFloat(value);
  Cells().WriteFormula();
}

void TXLSReadXLS::RecROW() {
  StoreRaw_ = false;
  if (!Worksheet_) return;
  TRecordBody b(Buf_.data(), Header_.Length);
  const int row = b.U16(0);
  const int height = b.U16(6);
  int flags = 0, xf = 0;
  if (b.Has(12, 4)) {
    flags = b.U8(12);
    xf = b.U16(14) & 0x0FFF;
  }
  const int style = (flags & 0x80) ? CellStyle(xf) : 0;
  if (row >= static_cast<int>(RowRecords_.size())) RowRecords_.resize(static_cast<std::size_t>(row) + 1);
  RowRecords_[static_cast<std::size_t>(row)] = true;
  wb::TMMURowHeader h = Cells().AddRow(row, style);
  if (!h) return;
  h.SetHeight(static_cast<std::uint16_t>(height));
  h.SetOutlineLevel(static_cast<std::uint8_t>(flags & 7));
  std::uint8_t f = 0;
  if (flags & 0x10) f |= wb::TMMURowHeader::rhfCollapsed;
  if (flags & 0x20) f |= wb::TMMURowHeader::rhfHidden;
  if (flags & 0x40) f |= wb::TMMURowHeader::rhfCustomHeight;
  h.SetFlags(f);
}

void TXLSReadXLS::RecCOLINFO() {
  StoreRaw_ = false;
  if (!Worksheet_) return;
  TRecordBody b(Buf_.data(), Header_.Length);
  const int c1 = b.U16(0), c2 = b.U16(2), width = b.U16(4), xf = b.U16(6);
  const int flags = b.Has(8, 2) ? b.U16(8) : 0;
  if (c1 > wb::XLS_MAXCOL97 || c2 < c1) return;
  wb::TXc12XF* style = M_.StyleSheet->XFs->GetItem(CellStyle(xf));
  if (style) M_.StyleSheet->XFEditor->UseXF(style);
  wb::TXc12Column* c = Worksheet_->Columns.Add(style);
  c->Min = c1;
  // A last column of 256 (one past the grid) is how producers say "to the end of the row"; it is
  // kept so that it is written back the same.
  c->Max = std::min(c2, static_cast<int>(wb::XLS_MAXCOL97) + 1);
  // Widths are 1/256 of a character, as the writer and other readers count them.
  c->Width = width / 256.0;
  c->OutlineLevel = (flags >> 8) & 7;
  std::uint8_t f = 0;
  if (flags & 0x0001) f |= wb::xcfHidden;
  if (flags & 0x0002) f |= wb::xcfCustomWidth;
  if (flags & 0x0004) f |= wb::xcfBestFit;
  if (flags & 0x1000) f |= wb::xcfCollapsed;
  c->Flags = f;
}

void TXLSReadXLS::RecDIMENSIONS() {
  StoreRaw_ = false;
  if (Version_ < 5 || !Worksheet_) return;
  TRecordBody b(Buf_.data(), Header_.Length);
  std::uint8_t body[14] = {};
  if (Version_ >= 6 && b.Length() >= 14) {
    std::memcpy(body, b.Data(), 14);
  } else {
    core::store_le32(body, b.U16(0));
    core::store_le32(body + 4, b.U16(2));
    core::store_le16(body + 8, b.U16(4));
    core::store_le16(body + 10, b.U16(6));
  }
  const std::uint32_t r1 = core::load_le32(body), r2 = core::load_le32(body + 4);
  const std::uint16_t c1 = core::load_le16(body + 8), c2 = core::load_le16(body + 10);
  wb::TXLSCellArea a;
  a.Col1 = c1;
  a.Row1 = static_cast<int>(std::min<std::uint32_t>(r1, wb::XLS_MAXROW));
  a.Col2 = c2 > 0 ? std::min<int>(c2 - 1, wb::XLS_MAXCOL) : 0;
  a.Row2 = r2 > 0 ? static_cast<int>(std::min<std::uint32_t>(r2 - 1, wb::XLS_MAXROW)) : 0;
  Worksheet_->SetDimension(a);
  Storage_->SetRecord(MakeIdLen(0x0200, 14), body);
}

}  // namespace biff
