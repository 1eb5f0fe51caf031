// Settings records of the globals and the sheets, merged cells, external references and names.
#include <cstring>

#include "core/byte_io.h"

#include "biff/biff_error.h"
#include "biff/document/biff5_document.h"
#include "biff/reader/body_reader.h"
#include "biff/reader/external_names.h"
#include "biff/reader/xls_reader.h"
#include "workbook/colors.h"
#include "workbook/manager.h"
#include "workbook/sheet_views.h"
#include "workbook/style_sheet.h"
#include "workbook/workbook_data.h"
#include "workbook/worksheet_data.h"

namespace biff {

namespace wb = workbook;

void TXLSReadXLS::RecSettings() {
  const std::uint16_t id = Header_.RecID;
  const int len = Header_.Length;
  const std::uint8_t* p = Buf_.data();
  TRecordBody b(p, len);
  const bool b5 = Version_ >= 5;
  auto keep = [&](bool When) {
    if (!When) return;
    StoreRaw_ = false;
    try {
      Storage_->SetRecord(MakeIdLen(id, static_cast<std::uint16_t>(len)), p);
    } catch (const Exception&) {
      // A standard record met twice with another length stays raw where it stood.
      StoreRaw_ = true;
    }
  };
  auto drop = [&] { StoreRaw_ = false; };
  auto word = [&] { return b.U16(0); };
  wb::TXc12CalcPr& calc = M_.Workbook->CalcPr;
  switch (id) {
    case 0x000C: calc.iterateCount = word(); return keep(b5);
    case 0x000D: {
      const std::int16_t m = static_cast<std::int16_t>(word());
      if (m == 0 || m == 1) calc.calcMode = static_cast<std::uint8_t>(m);
      else if (m == -1) calc.calcMode = 2;
      return keep(b5);
    }
    case 0x000E: calc.fullPrecision = word() == 1; return keep(b5);
    case 0x000F: calc.refMode = word() == 0 ? 1 : 0; return keep(b5);
    case 0x0010: calc.iterateDelta = b.F64(0); return keep(b5);
    case 0x0011: calc.iterate = word() == 1; return keep(b5);
    case 0x005F: calc.calcOnSave = word() == 1; return keep(b5);
    case 0x0022: M_.Workbook->WorkbookPr.date1904 = word() == 1; return keep(b5);
    case 0x0040: M_.Workbook->WorkbookPr.backupFile = word() == 1; return keep(b5);
    case 0x00DA:
      M_.Workbook->WorkbookPr.saveExternalLinkValues = (word() & 1) == 0;
      M_.Workbook->WorkbookPr.updateLinks = static_cast<std::uint8_t>((word() >> 5) & 3);
      keep(true);
      Doc_.Globals().SetPlaceholder(INTERNAL_PLACEHOLDER_GLOBALS_FIRST);
      return;
    case 0x0019: M_.Workbook->WorkbookProtection.lockWindows = word() == 1; return keep(b5);
    case 0x0013:
      if (SheetIndex_ < 0 || !Worksheet_) {
        M_.Workbook->WorkbookProtection.workbookPassword = word();
        keep(true);
      }
      return;
    case 0x0012: case 0x009C: case 0x0161: case 0x01AF: case 0x01C1: return keep(b5);
    case 0x003D: {  // WINDOW1
      if (SheetIndex_ >= 0 && Worksheet_) return;
      if (Version_ < 6) return;
      wb::TXc12BookViews& views = M_.Workbook->BookViews;
      if (views.Count() == 0) views.Add();
      wb::TXc12BookView& v = *views.GetItem(0);
      v.xWindow = b.I16(0);
      v.yWindow = b.I16(2);
      v.windowWidth = b.U16(4);
      v.windowHeight = b.U16(6);
      const std::uint8_t f = b.U8(8);
      v.visibility = f & 1;
      v.minimized = (f & 2) != 0;
      v.showHorizontalScroll = (f & 8) != 0;
      v.showVerticalScroll = (f & 0x10) != 0;
      v.showSheetTabs = (f & 0x20) != 0;
      v.activeTab = b.U16(10);
      v.firstSheet = b.U16(12);
      v.tabRatio = b.U16(16);
      v.autoFilterDateGrouping = true;
      return keep(true);
    }
    case 0x0042: case 0x0080: case 0x008D: return keep(b5);
    case 0x013D:  // TABID: in its place; the ids go to the sheets after the read
      return keep(Version_ >= 6);
    case 0x008C:
      // COUNTRY belongs to the workbook: one met inside a sheet (some BIFF5 producers put it
      // there) stands for the workbook's when the globals held none, rather than a second,
      // contradicting record beside the default one.
      if (InSheet_) {
        StoreRaw_ = false;
        if (!CountryRead_ && len == 4) Doc_.Globals().SetRecord(MakeIdLen(id, 4), p);
        CountryRead_ = true;
        return;
      }
      CountryRead_ = true;
      return keep(Version_ >= 6);
    case 0x01B7: return keep(true);
    case 0x0082: case 0x0083: case 0x0084: case 0x002A: case 0x002B:
      if (Worksheet_) {
        wb::TXc12PrintOptions& po = Worksheet_->PrintOptions;
        const bool on = word() == 1;
        if (id == 0x0082) po.gridLinesSet = on;
        if (id == 0x0083) po.horizontalCentered = on;
        if (id == 0x0084) po.verticalCentered = on;
        if (id == 0x002A) po.headings = on;
        if (id == 0x002B) po.gridLines = on;
      }
      return keep(b5);
    case 0x00A1: {  // SETUP
      if (Worksheet_ && len >= 34) {
        wb::TXc12PageSetup& ps = Worksheet_->PageSetup;
        const std::uint16_t f = b.U16(10);
        ps.paperSize = b.U16(0);
        ps.scale = b.U16(2);
        ps.firstPageNumber = b.I16(4);
        ps.fitToWidth = b.U16(6);
        ps.fitToHeight = b.U16(8);
        ps.horizontalDpi = b.U16(12);
        ps.verticalDpi = b.U16(14);
        ps.copies = b.U16(32);
        Worksheet_->PageMargins.header = b.F64(16);
        Worksheet_->PageMargins.footer = b.F64(24);
        ps.pageOrder = f & 1;
        ps.orientation = (f & 2) ? 1 : 2;
        ps.blackAndWhite = (f & 8) != 0;
        ps.draft = (f & 0x10) != 0;
        ps.cellComments = (f & 0x20) ? ((f & 0x200) ? 2 : 1) : 0;
        ps.errors = static_cast<std::uint8_t>((f >> 10) & 3);
        if (f & 4) {  // no printer data: the defaults
          ps.paperSize = 9;
          ps.scale = 100;
          ps.horizontalDpi = 600;
          ps.verticalDpi = 600;
          ps.copies = 1;
          ps.orientation = 1;
        }
      }
      return keep(b5);
    }
    case 0x0014: case 0x0015: {  // HEADER, FOOTER
      if (!b5) return drop();
      StoreRaw_ = false;
      Storage_->SetPlaceholder(INTERNAL_PLACEHOLDER_SHEET_FIRST + 1);
      if (!Worksheet_ || len == 0) return;
      std::u16string text;
      if (Version_ >= 6)
        b.Unicode(2, b.U16(0), text);
      else
        text = Ansi(b, 1, b.U8(0));
      (id == 0x0014 ? Worksheet_->HeaderFooter.firstHeader : Worksheet_->HeaderFooter.firstFooter) = text;
      return;
    }
    case 0x001A: case 0x001B: {  // VERTICALPAGEBREAKS, HORIZONTALPAGEBREAKS
      StoreRaw_ = false;
      Storage_->SetPlaceholder(INTERNAL_PLACEHOLDER_SHEET_FIRST);
      if (!Worksheet_) return;
      wb::TXc12PageBreaks& breaks = id == 0x001A ? Worksheet_->ColBreaks : Worksheet_->RowBreaks;
      const int count = word();
      const int size = Version_ >= 6 ? 6 : 2;
      b.Need(2, count * size);
      for (int i = 0; i < count; ++i) {
        wb::TXc12Break* br = breaks.Add();
        br->id = b.U16(2 + i * size);
        br->min = Version_ >= 6 ? b.U16(4 + i * size) : 0;
        br->max = Version_ >= 6 ? b.U16(6 + i * size) : 0xFFFF;
      }
      return;
    }
    case 0x001D: {  // SELECTION
      if (!b5) return drop();
      StoreRaw_ = false;
      if (!Worksheet_) return;
      wb::TXc12SheetView& view = SheetView();
      wb::TXc12Selection* sel = view.Selections.Add();
      sel->pane = b.U8(0);
      sel->activeCell = wb::TXLSCellArea{b.U16(1), b.U16(1), b.U16(3), b.U16(3)};
      sel->activeCellId = b.U16(5);
      const int count = b.U16(7);
      b.Need(9, count * 6);
      sel->sqref.Clear();
      for (int i = 0; i < count; ++i)
        sel->sqref.Add(b.U8(13 + 6 * i), b.U16(9 + 6 * i), b.U8(14 + 6 * i), b.U16(11 + 6 * i));
      return;
    }
    case 0x0041: {  // PANE: split positions kept in file units (rows/columns frozen, twips split)
      StoreRaw_ = false;
      if (!Worksheet_) return;
      wb::TXc12Pane& pane = SheetView().Pane;
      pane.Present = true;
      pane.xSplit = b.U16(0);
      pane.ySplit = b.U16(2);
      pane.topLeftCell = wb::TXLSCellArea{b.U16(4), b.U16(4), b.U16(6), b.U16(6)};
      pane.activePane = b.U8(8);
      return;
    }
    case 0x01B8: return RecHLINK();
    case 0x0862:  // SHEETEXT: stays raw; the tab colour goes to the model
      if (Worksheet_ && len >= 20) {
        wb::TXc12Color& tab = Worksheet_->SheetPr.tabColor;
        wb::IndexToXc12Color(static_cast<int>(b.U32(16) & 0x7F), tab);
        // The sheet comes after the palette: the colour takes this workbook's entry.
        if (tab.Index < 64) tab.ARGB = M_.StyleSheet->Palette[tab.Index];
      }
      return;
    case 0x005C:  // WRITEACCESS: kept as stored; the user name goes to the model
      if (Version_ >= 6 && len >= 3) {
        std::u16string name;
        const int count = b.U16(0);
        if (b.Has(2, 1 + count)) b.Unicode(2, count, name);
        while (!name.empty() && name.back() == u' ') name.pop_back();
        M_.Workbook->WriteAccess = name;
      }
      return keep(Version_ >= 6);
    case 0x0055:
      if (!b5) return drop();
      // The width of columns without their own, in characters; the writer writes it back.
      if (Worksheet_) Worksheet_->SheetFormatPr.defaultColWidth = word();
      return keep(true);
    case 0x0225:
      if (!b5) return drop();
      if (Worksheet_) {
        // The height of rows without a ROW record, in twips, and its flags: the height set by
        // hand rather than the default font's, rows hidden, thick top and bottom borders.
        wb::TXc12SheetFormatPr& f = Worksheet_->SheetFormatPr;
        const std::uint16_t options = word();
        f.defaultRowHeight = b.U16(2);
        f.customHeight = (options & 1) != 0;
        f.zeroHeight = (options & 2) != 0;
        f.thickTop = (options & 4) != 0;
        f.thickBottom = (options & 8) != 0;
      }
      return keep(true);
    case 0x0081: {
      if (!Worksheet_ || !b5) return;
      const std::uint16_t w = word();
      Worksheet_->SheetPr.PageSetUpPr.autoPageBreaks = (w & 1) != 0;
      Worksheet_->SheetPr.PageSetUpPr.fitToPage = (w & 0x100) != 0;
      Worksheet_->SheetPr.OutlinePr.applyStyles = (w & 0x20) != 0;
      Worksheet_->SheetPr.OutlinePr.summaryBelow = (w & 0x40) != 0;
      Worksheet_->SheetPr.OutlinePr.summaryRight = (w & 0x80) != 0;
      return keep(true);
    }
    case 0x023E: {  // WINDOW2
      if (!b5) return drop();
      if (!Worksheet_) return keep(true);
      wb::TXc12SheetView& v = SheetView();
      const std::uint16_t f = word();
      v.topLeftCell = wb::TXLSCellArea{b.U16(2), b.U16(2), b.U16(4), b.U16(4)};
      v.showFormulas = (f & 1) != 0;
      v.showGridLines = (f & 2) != 0;
      v.showRowColHeaders = (f & 4) != 0;
      v.showZeros = (f & 0x10) != 0;
      v.defaultGridColor = (f & 0x20) != 0;
      v.rightToLeft = (f & 0x40) != 0;
      v.showOutlineSymbols = (f & 0x80) != 0;
      v.tabSelected = (f & 0x200) != 0;
      if (f & 8) v.Pane.state = 1;  // frozen
      if (Version_ >= 6 && len >= 14) {
        v.colorId = b.U16(6);
        v.zoomScaleSheetLayoutView = b.U16(10);
        v.zoomScaleNormal = b.U16(12);
        if (v.zoomScaleNormal) v.zoomScale = v.zoomScaleNormal;
      } else {
        v.colorId = static_cast<std::int32_t>(b.Has(6, 4) ? b.U32(6) & 0x7F : 64);
      }
      if (f & 0x800) v.view = 1;  // page-break preview
      return keep(true);
    }
    case 0x0026: case 0x0027: case 0x0028: case 0x0029:
      if (!b5) return drop();
      // Written from the model at their placeholder; a raw copy beside it would double them.
      StoreRaw_ = false;
      Storage_->SetPlaceholder(INTERNAL_PLACEHOLDER_SHEET_FIRST + 2);
      if (Worksheet_) {
        const double v = b.F64(0);
        if (id == 0x0026) Worksheet_->PageMargins.left = v;
        if (id == 0x0027) Worksheet_->PageMargins.right = v;
        if (id == 0x0028) Worksheet_->PageMargins.top = v;
        if (id == 0x0029) Worksheet_->PageMargins.bottom = v;
      }
      return;
    default:
      return;  // stored raw
  }
}

namespace {

const std::uint8_t kURLMoniker[16] = {0xE0, 0xC9, 0xEA, 0x79, 0xF9, 0xBA, 0xCE, 0x11,
                                      0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B};
const std::uint8_t kFileMoniker[16] = {0x03, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                       0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// UTF-16 characters up to the first NUL.
std::u16string Utf16At(const TRecordBody& B, int Offset, int Chars) {
  const std::uint8_t* p = B.At(Offset, Chars * 2);
  std::u16string s;
  for (int i = 0; i < Chars; ++i) {
    const char16_t c = static_cast<char16_t>(core::load_le16(p + 2 * i));
    if (c == 0) break;
    s += c;
  }
  return s;
}

// A 32-bit character count (with the terminating NUL) and the characters.
std::u16string CountedUtf16(const TRecordBody& B, int& Pos) {
  const std::uint32_t n = B.U32(Pos);
  if (n > 0x8000) throw Exception("record too short");
  std::u16string s = Utf16At(B, Pos + 4, static_cast<int>(n));
  Pos += 4 + static_cast<int>(n) * 2;
  return s;
}

}  // namespace

void TXLSReadXLS::RecHLINK() {
  StoreRaw_ = false;
  if (Version_ < 6 || !Worksheet_) return;
  TRecordBody b(Buf_.data(), Header_.Length);
  std::uint32_t flags = b.U32(28);
  wb::TXc12Hyperlink* h = Worksheet_->Hyperlinks->Add();
  h->Ref = wb::TXLSCellArea{b.U16(0), b.U16(2), b.U16(4), b.U16(6)};
  std::uint8_t kind = wb::xhltUnknown;
  if (!(flags & 0x160) && (flags & 0x03) == 0x03) kind = wb::xhltURL;
  else if (!(flags & 0x160) && (flags & 0x01)) kind = wb::xhltFile;
  else if (!(flags & 0x60) && (flags & 0x103) == 0x103) kind = wb::xhltUNC;
  else if (flags & 0x08) kind = wb::xhltWorkbook;
  h->Kind = kind;
  if (kind == wb::xhltUnknown) return;
  int pos = 32;
  if (b.Has(pos, 16) && (std::memcmp(b.At(pos, 16), kURLMoniker, 16) == 0 || std::memcmp(b.At(pos, 16), kFileMoniker, 16) == 0))
    flags &= ~0x94u;
  if ((flags & 0x14) == 0x14) h->Display = CountedUtf16(b, pos);
  if (flags & 0x80) CountedUtf16(b, pos);  // target frame, not kept
  if (kind == wb::xhltURL || kind == wb::xhltFile) {
    const std::uint8_t* clsid = b.At(pos, 16);
    pos += 16;
    if (std::memcmp(clsid, kURLMoniker, 16) == 0) {
      const std::uint32_t bytes = b.U32(pos);
      if (bytes > 0x10000) throw Exception("record too short");
      h->SetAddress(Utf16At(b, pos + 4, static_cast<int>(bytes / 2)));
      pos += 4 + static_cast<int>(bytes);
    } else if (std::memcmp(clsid, kFileMoniker, 16) == 0) {
      const int up = b.U16(pos);
      const std::uint32_t len8 = b.U32(pos + 2);
      if (len8 > 0x10000) throw Exception("record too short");
      const std::uint8_t* p8 = b.At(pos + 6, static_cast<int>(len8));
      std::u16string path(p8, p8 + len8);
      while (!path.empty() && path.back() == 0) path.pop_back();
      pos += 6 + static_cast<int>(len8) + 24;  // the path, then a fixed 24-byte block
      if (!path.empty() && b.Has(pos, 4) && b.U32(pos) > 0) {
        const std::uint32_t ext = b.U32(pos);
        const std::uint32_t bytes = b.U32(pos + 4);
        if (bytes > ext) throw Exception("record too short");
        path = Utf16At(b, pos + 10, static_cast<int>(bytes / 2));
        pos += 4 + static_cast<int>(ext);
      } else {
        pos += 4;
      }
      std::u16string address;
      for (int i = 0; i < up; ++i) address += u"..\\";
      h->SetAddress(address + path);
    }
  } else if (kind == wb::xhltUNC) {
    h->SetAddress(CountedUtf16(b, pos));
  }
  if (flags & 0x08) {
    const std::size_t hash = h->Display.find(u'#');
    if (hash != std::u16string::npos && hash >= 1)
      h->Location = h->Display.substr(hash + 1);
    else
      h->Location = CountedUtf16(b, pos);
    if (kind == wb::xhltWorkbook) h->SetAddress(h->Location);
  }
  std::uint16_t id;
  if (ReadNext(0x0800, 0x0800, id, Buf2_)) {
    TRecordBody t(Buf2_.data(), static_cast<int>(Buf2_.size()));
    if (t.Length() > 10) h->Tooltip = Utf16At(t, 10, (t.Length() - 10) / 2);
  }
}

wb::TXc12SheetView& TXLSReadXLS::SheetView() {
  if (Worksheet_->SheetViews.Count() == 0) Worksheet_->SheetViews.Add();
  return *Worksheet_->SheetViews.GetItem(0);
}

void TXLSReadXLS::RecMERGECELLS() {
  StoreRaw_ = false;
  Storage_->SetPlaceholder(INTERNAL_PLACEHOLDER_SHEET_LAST);
  if (!Worksheet_) return;
  TRecordBody b(Buf_.data(), Header_.Length);
  const int count = b.U16(0);
  b.Need(2, count * 8);
  wb::TXc12MergedCells& merged = *Worksheet_->MergedCells;
  for (int i = 0; i < count; ++i) {
    wb::TXLSCellArea a;
    a.Row1 = b.U16(2 + 8 * i);
    a.Row2 = b.U16(4 + 8 * i);
    a.Col1 = b.U16(6 + 8 * i);
    a.Col2 = b.U16(8 + 8 * i);
    if (a.Row2 < a.Row1 || a.Col2 < a.Col1 || a.Col2 > wb::XLS_MAXCOL97) continue;
    if (merged.IndexOfArea(a.Col1, a.Row1, a.Col2, a.Row2) >= 0) continue;
    merged.AddArea(a);
  }
}

void TXLSReadXLS::RecSUPBOOK() {
  StoreRaw_ = false;
  Doc_.Globals().SetPlaceholder(INTERNAL_PLACEHOLDER_GLOBALS_FIRST + 2);
  Doc_.ExternalNames().AddSupBook(Buf_.data(), Header_.Length);
}

void TXLSReadXLS::RecEXTERNNAME() {
  StoreRaw_ = false;
  Doc_.Globals().SetPlaceholder(INTERNAL_PLACEHOLDER_GLOBALS_FIRST + 2);
  Doc_.ExternalNames().AddExternName(Buf_.data(), Header_.Length);
}

void TXLSReadXLS::RecEXTERNSHEET() {
  StoreRaw_ = false;
  Doc_.Globals().SetPlaceholder(INTERNAL_PLACEHOLDER_GLOBALS_FIRST + 2);
  Doc_.ExternalNames().ReadExternSheet(Buf_.data(), Header_.Length);
}

void TXLSReadXLS::RecXCT() {
  StoreRaw_ = false;
  TRecordBody b(Buf_.data(), Header_.Length);
  int count = b.I16(0);
  if (count < 0) count = -count;
  const int sheet = b.Has(2, 2) ? b.U16(2) : 0;
  std::uint16_t id;
  for (int i = 0; i < count; ++i) {
    if (Stream_->PeekRecordId() != 0x005A) break;
    if (!ReadNext(0x005A, 0x005A, id, Buf2_)) throw Exception("CRN record missing");
    if (Version_ >= 6) Doc_.ExternalNames().AddCRN(sheet, Buf2_.data(), static_cast<int>(Buf2_.size()));
  }
}

wb::TXc12DefinedName& TXLSReadXLS::AddName(std::uint16_t Flags, int Code, const std::u16string& Text, int Local) {
  wb::TXc12DefinedNames& names = *M_.Workbook->DefinedNames;
  wb::TXc12DefinedName* n = nullptr;
  if (Flags & 0x0020) {
    std::uint8_t builtin = 8;
    switch (Code) {
      case 0: builtin = 0; break;
      case 3: builtin = 1; break;
      case 4: builtin = 2; break;
      case 5: builtin = 3; break;
      case 6: builtin = 4; break;
      case 7: builtin = 5; break;
      case 12: builtin = 6; break;
      case 13: builtin = 7; break;  // the model has an id for _FilterDatabase too
      default: break;
    }
    n = names.AddBuiltIn(builtin, Local);
    if (builtin == 8) n->RawBuiltInCode = static_cast<std::uint8_t>(Code);
  } else {
    if (Text.empty()) throw Exception("Name is empty");
    n = names.Add(Text, Local);
  }
  n->Hidden = (Flags & 1) != 0;
  n->Function = (Flags & 2) != 0;
  n->VbProcedure = (Flags & 4) != 0;
  n->FunctionGroupId = (Flags & 0x0FC0) >> 5;
  return *n;
}

void TXLSReadXLS::RecNAME() {
  StoreRaw_ = false;
  TRecordBody b(Buf_.data(), Header_.Length);
  const std::uint16_t flags = b.U16(0);
  const int name_len = b.U8(3);
  const int cce = b.U16(4);
  const int sheet = b.U16(8);
  // The file numbers every sheet, chart sheets included; the model numbers its worksheets.
  const int local = sheet > 0 ? WorksheetOfTab(sheet - 1) : -1;
  int pos;
  wb::TXc12DefinedName* n = nullptr;
  if (flags & 0x0020) {
    b.Need(14, 2);
    const std::uint8_t code = (b.U8(14) & 1) ? static_cast<std::uint8_t>(b.U16(15)) : b.U8(15);
    n = &AddName(flags, code, {}, local);
    pos = 15 + ((b.U8(14) & 1) ? 2 * name_len : name_len);
  } else {
    std::u16string text;
    pos = b.Unicode(14, name_len, text);
    n = &AddName(flags, -1, text, local);
  }
  const std::uint8_t* def = b.At(pos, cce);
  if (cce > 0) {
    n->Compiled.assign(1, 0xFF);
    n->Compiled.insert(n->Compiled.end(), def, def + cce);
  }
  pos += cce;
  std::u16string* texts[4] = {&n->CustomMenu, &n->Description, &n->Help, &n->StatusBar};
  for (int i = 0; i < 4; ++i) {
    const int l = b.U8(10 + i);
    if (l > 0 && b.Has(pos, 1)) pos = b.Unicode(pos, l, *texts[i]);
  }
}

}  // namespace biff
