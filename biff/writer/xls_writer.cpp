// The writer's walk over the record storages, the sheet list, and the setting records of the
// workbook globals and of each sheet.
#include "biff/writer/xls_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "biff/chart/chart_model.h"
#include "biff/drawing/escher_drawing.h"
#include "biff/drawing/shape_objects.h"
#include "biff/stream/xls_crypt.h"
#include "core/codepage.h"
#include "core/strings.h"
#include "core/unicode.h"
#include "workbook/biff_codecs.h"
#include "workbook/format_settings.h"
#include "workbook/manager.h"

namespace biff {

namespace wb = workbook;

namespace {

constexpr std::uint16_t kOBPROJ = 0x00D3;
constexpr std::uint16_t kSCENPROTECT = 0x00DD;
constexpr std::uint16_t kOBJPROTECT = 0x0063;
constexpr std::uint16_t kINDEX = 0x020B;
constexpr std::uint16_t kPANE = 0x0041;
constexpr std::uint16_t kSELECTION = 0x001D;
constexpr std::uint16_t kMERGEDCELLS = 0x00E5;
constexpr std::uint16_t kFEATHDR = 0x0867;
constexpr std::uint16_t kCOLINFO = 0x007D;
constexpr std::uint16_t kHEADER = 0x0014;
constexpr std::uint16_t kFOOTER = 0x0015;
constexpr std::uint16_t kHPAGEBREAKS = 0x001B;
constexpr std::uint16_t kVPAGEBREAKS = 0x001A;

// Halves to even, as the stored values have always been rounded.
int RoundEven(double V) { return static_cast<int>(std::nearbyint(V)); }

std::uint16_t Clamp16(double V) {
  const int r = RoundEven(V);
  return static_cast<std::uint16_t>(std::clamp(r, 0, 0xFFFF));
}

// Records a BIFF5 stream can carry when they come from a document that was not read from a BIFF5
// file: the records of the default tables that exist in both versions.
bool NeutralRecord(std::uint16_t Id) {
  switch (Id) {
    case BIFFRECID_EOF: case BIFFRECID_WINDOWPROTECT: case BIFFRECID_PROTECT: case BIFFRECID_HIDEOBJ:
    case BIFFRECID_FNGROUPCOUNT: case BIFFRECID_COUNTRY: case BIFFRECID_INTERFACEHDR: case BIFFRECID_MMS:
    case BIFFRECID_INTERFACEEND:
      return true;
    default:
      return false;
  }
}

std::string SheetNameBytes5(const std::u16string& Name) {
  std::string s = core::utf16_to_codepage(wb::TFormatSettings::GetAnsiCodePage(), Name);
  if (s.size() > 255) s.resize(255);
  return s;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Sheet list

void TBoundsheetData::PatchPosition(TXLSStream& Stream) const {
  if (BodyPos < 0) throw Exception("Sheet has no BOUNDSHEET record");
  const int pos = Stream.Position();
  Stream.Seek(BodyPos, 0);
  Stream.WriteLong(pos);
  Stream.Seek(0, 2);
}

TBoundsheetData* TBoundsheetList::AddSheet(int Index, const std::u16string& Name, std::uint8_t SheetType,
                                           std::uint8_t Hidden) {
  auto d = std::make_unique<TBoundsheetData>();
  d->Kind = SheetType == 1 ? 2 : SheetType == 2 ? 3 : 0;
  d->SheetIndex = Index;
  d->Name = Name;
  d->Hidden = Hidden;
  Items_.push_back(std::move(d));
  return Items_.back().get();
}

TBoundsheetData* TBoundsheetList::AddChart(int Index, const std::u16string& Name) {
  auto d = std::make_unique<TBoundsheetData>();
  d->Kind = 1;
  d->SheetIndex = Index;
  d->Name = Name;
  Items_.push_back(std::move(d));
  return Items_.back().get();
}

TBoundsheetData* TBoundsheetList::FindSheet(int Index) const {
  for (const auto& d : Items_)
    if (d->Kind != 1 && d->SheetIndex == Index) return d.get();
  return nullptr;
}

TBoundsheetData* TBoundsheetList::FindChart(int Index) const {
  for (const auto& d : Items_)
    if (d->Kind == 1 && d->SheetIndex == Index) return d.get();
  return nullptr;
}

TBoundsheetData* TBoundsheetList::GetItem(int Index) const {
  if (Index < 0 || Index >= Count()) throw Exception("List index out of bounds");
  return Items_[static_cast<std::size_t>(Index)].get();
}

// ---------------------------------------------------------------------------------------------
// Writer

TXLSWriteXLS::TXLSWriteXLS(TBIFF5& Doc) : Doc_(Doc), Manager_(*Doc.Manager()) {
  if (!Doc.Manager()) throw Exception("Document has no workbook");
}

TXLSWriteXLS::~TXLSWriteXLS() = default;

void TXLSWriteXLS::WriteWordRecord(std::uint16_t Id, std::uint16_t Value) {
  Stream_->WriteHeader(Id, 2);
  Stream_->WriteWord(Value);
}

void TXLSWriteXLS::WriteBoolRecord(std::uint16_t Id, bool Value) { WriteWordRecord(Id, Value ? 1 : 0); }

void TXLSWriteXLS::WriteEmptyRecord(std::uint16_t Id) { Stream_->WriteHeader(Id, 0); }

void TXLSWriteXLS::WriteFILEPASS() {
  std::uint8_t body[kFilePassSize];
  Stream_->InitEncryption(body, Doc_.Password);
  Stream_->WriteHeader(BIFFRECID_FILEPASS, kFilePassSize);
  Stream_->Write(body, kFilePassSize);
  // The record that follows FILEPASS stays in clear; a workbook without one gets the usual block.
  if (Doc_.Globals().IndexOf(BIFFRECID_INTERFACEHDR) < 0) {
    WriteWordRecord(BIFFRECID_INTERFACEHDR, 1200);
    WriteWordRecord(BIFFRECID_MMS, 0);
    WriteEmptyRecord(BIFFRECID_INTERFACEEND);
  }
}

void TXLSWriteXLS::WriteBuffer(std::uint16_t Id, int Len) { WriteRecordData(Id, Len, Buffer_.data()); }

void TXLSWriteXLS::WriteRecordData(std::uint16_t Id, int Len, const void* Data) {
  if (Len < 0 || Len > Doc_.MaxRecordBody()) throw Exception(core::format("Record %.4X too long", Id));
  Stream_->WriteHeader(Id, static_cast<std::uint16_t>(Len));
  if (Len > 0) Stream_->Write(Data, Len);
}

void TXLSWriteXLS::SyncSheets() {
  // The legacy sheet list follows the workbook's sheets one to one; a workbook built through the
  // programming interface may have more sheets than the document was told about.
  const int n = Manager_.Worksheets->Count();
  if (n == 0) throw Exception("Workbook has no sheets");
  while (Doc_.Sheets().Count() < n) Doc_.Sheets().Add();
  while (Doc_.Sheets().Count() > n) Doc_.Sheets().Delete(Doc_.Sheets().Count() - 1, false);
}

bool TXLSWriteXLS::WritesChartSheet(int Index) const {
  // A chart sheet's records are of one version: those read from a BIFF5 file go only into a BIFF5
  // file, all others only into a BIFF8 file.
  return Doc_.SheetCharts().GetItem(Index).Biff5 == BIFF5_;
}

void TXLSWriteXLS::BuildBoundsheetList() {
  Boundsheets_.Clear();
  // Chart sheets stand where they stood among the worksheets of the file they came from; one
  // with a worksheet's own position is listed before that worksheet.
  TSheetCharts& charts = Doc_.SheetCharts();
  auto addChart = [&](int Chart) {
    if (WritesChartSheet(Chart)) Boundsheets_.AddChart(Chart, charts.GetItem(Chart).Name)->Hidden = charts.GetItem(Chart).Hidden;
  };
  int chart = 0;
  for (int i = 0; i < Doc_.Sheets().Count(); ++i) {
    for (; chart < charts.Count() && charts.GetItem(chart).SheetIndex <= Doc_.GetSheet(i)->TabPosition; ++chart)
      addChart(chart);
    wb::TXc12DataWorksheet* ws = Manager_.Worksheets->GetItem(i);
    // The workbook's own visibility of a sheet is the one the model holds.
    std::uint8_t hidden = ws->State;
    if (hidden == 0) hidden = static_cast<std::uint8_t>(Doc_.GetSheet(i)->Hidden);
    Boundsheets_.AddSheet(i, ws->Name, 0, hidden);
  }
  for (; chart < charts.Count(); ++chart) addChart(chart);
}

void TXLSWriteXLS::CheckGridLimits() const {
  // A cell the file format has no place for is refused before anything is written: cutting the
  // sheet silently would lose data behind a save that reports success.
  const int lastRow = BIFF5_ ? 16383 : wb::XLS_MAXROW97;
  for (int i = 0; i < Manager_.Worksheets->Count(); ++i) {
    wb::TXc12DataWorksheet& sheet = *Manager_.Worksheets->GetItem(i);
    const wb::TXLSCellArea& dim = sheet.Cells->Dimension();
    if (!wb::CellAreaAssigned(dim) || (dim.Row2 <= lastRow && dim.Col2 <= wb::XLS_MAXCOL97)) continue;
    wb::TXLSCellMMU& cells = *sheet.Cells;
    cells.BeginIterate(0);
    while (cells.IterNext()) {
      const int row = cells.IterRow(), col = cells.IterCol();
      if (row > lastRow)
        throw Exception(core::format("Row %d of sheet \"", row + 1) + core::utf16_to_utf8(sheet.Name) +
                        core::format("\" is past the last row (%d) of the file format", lastRow + 1));
      if (col > wb::XLS_MAXCOL97)
        throw Exception(core::format("Column %d of sheet \"", col + 1) + core::utf16_to_utf8(sheet.Name) +
                        core::format("\" is past the last column (%d) of the file format", wb::XLS_MAXCOL97 + 1));
    }
  }
}

void TXLSWriteXLS::WriteChartSheet(int Index) {
  if (!WritesChartSheet(Index)) return;
  Boundsheets_.FindChart(Index)->PatchPosition(*Stream_);
  Doc_.SheetCharts().WriteChartSheet(Index, *Stream_);
}

void TXLSWriteXLS::Write(core::Bytes* Out) {
  BIFF5_ = Doc_.Version() == xvExcel50;
  if (Doc_.Version() < xvExcel50) throw Exception("Can not write Excel 2.1/3.0/4.0 files");
  // Only BIFF8 has the RC4 encryption: refuse rather than write in the clear a workbook that its
  // owner believes protected.
  if (!Doc_.Password.empty() && BIFF5_) throw Exception("Password protected workbooks can only be written as BIFF8");
  // The file layout of the style sheet is taken only when a read left its STYLE records and at
  // least the 16 XFs that layout numbers (XF 15 is the default cell format).
  FreshStyles_ = Doc_.Styles().Count() == 0 || Manager_.StyleSheet->XFs->Count() < 17;
  NamesWritten_ = false;
  Buffer_.assign(static_cast<std::size_t>(Doc_.MaxRecordBody()), 0);
  SyncSheets();
  BuildBoundsheetList();
  for (int i = 0; i < Manager_.Worksheets->Count(); ++i) Manager_.Worksheets->GetItem(i)->Cells->CalcDimension();
  CheckGridLimits();
  PrepareSheetRules();

  // Every picture a shape refers to counts as used in the store written; the others are left out.
  Doc_.EscherGroup().ResetPictureCounts();
  for (int i = 0; i < Doc_.Sheets().Count(); ++i)
    if (TEscherDrawing* d = Doc_.Sheets().Items(i)->DrawingIfAny()) d->MarkUsedPictures();
  for (int i = 0; i < Doc_.SheetCharts().Count(); ++i)
    if (TEscherDrawing* d = Doc_.SheetCharts().GetItem(i).Drawing(); d && WritesChartSheet(i)) d->MarkUsedPictures();

  // Chart texts name their fonts by FONT record index, which only this write knows.
  struct FontHook {
    TBIFF5& D;
    ~FontHook() { D.FontToFile = nullptr; }
  } fontHook{Doc_};
  Doc_.FontToFile = [this](int Index) {
    return Index >= 0 && static_cast<std::size_t>(Index) < FontMap_.size() && FontMap_[static_cast<std::size_t>(Index)] >= 0
               ? FontMap_[static_cast<std::size_t>(Index)]
               : 0;
  };

  const bool globalsEmpty = Doc_.Globals().Count() == 0;
  Stream_ = std::make_unique<TXLSStream>(Doc_.VBA());
  Stream_->SetExtraObjects(&Doc_.KeptStorages());
  Stream_->SetOutputStream(Out);
  Stream_->SetWriteVBA(Doc_.WriteVBA);
  Stream_->CreateFile(core::utf16_to_utf8(Doc_.Filename()), BIFF5_ ? xvExcel50 : xvExcel97);
  if (globalsEmpty) Doc_.Globals().UseDefaults();

  SheetIndex_ = -1;
  Sheet_ = nullptr;
  for (int k = 0; k < Doc_.Globals().Count(); ++k) {
    try {
      WriteGlobalRecord(k);
    } catch (const std::exception& E) {
      throw Exception(core::format("Error on writing record # %d", k) + "\r" + E.what());
    }
  }
  int chart = 0;
  for (int i = 0; i < Doc_.Sheets().Count(); ++i) {
    SheetIndex_ = i;
    Sheet_ = Manager_.Worksheets->GetItem(i);
    TSheet* sheet = Doc_.GetSheet(i);
    if (!sheet->StorageFilled || sheet->Records().Count() == 0) {
      sheet->Records().UseDefaults();
      sheet->StorageFilled = true;
    }
    // A chart sheet listed before this sheet goes before it, except one of the sheet's own position.
    for (; chart < Doc_.SheetCharts().Count() && Doc_.SheetCharts().GetItem(chart).SheetIndex < sheet->TabPosition;
         ++chart)
      WriteChartSheet(chart);
    Boundsheets_.FindSheet(i)->PatchPosition(*Stream_);
    RKCount_ = BlankCount_ = 0;
    RKFirst_ = RKLast_ = BlankFirst_ = BlankLast_ = -1;
    for (int k = 0; k < sheet->Records().Count(); ++k) WriteSheetRecord(k);
  }
  SheetIndex_ = -1;
  Sheet_ = nullptr;
  for (; chart < Doc_.SheetCharts().Count(); ++chart) WriteChartSheet(chart);
  // Everything was written in clear, sheet offsets patched: now the stream is encrypted in place.
  if (!Doc_.Password.empty()) Stream_->EncryptStream();
  if (Doc_.WriteVBA) Stream_->WriteVBA();
  Stream_->Close();
  Stream_.reset();
  Boundsheets_.Clear();
  RuleRecords_.clear();
}

void TXLSWriteXLS::WriteGlobalRecord(int Index) {
  TBIFFRecord* r = Doc_.Globals().Items(Index);
  switch (r->Id) {
    case BIFFRECID_BOF_8:
      if (BIFF5_) {
        const std::uint16_t bof[] = {0x0500, 0x0005, 3515, 1998};
        Stream_->WriteHeader(BIFFRECID_BOF_8, 8);
        for (std::uint16_t w : bof) Stream_->WriteWord(w);
      } else {
        Doc_.Globals().WriteRecord(Index, *Stream_);
        if (!Doc_.Password.empty()) WriteFILEPASS();
      }
      return;
    case BIFFRECID_PRECISION: WriteBoolRecord(r->Id, Manager_.Workbook->CalcPr.fullPrecision); return;
    case BIFFRECID_PASSWORD: WriteProtection(); return;
    case BIFFRECID_1904: WriteBoolRecord(r->Id, Manager_.Workbook->WorkbookPr.date1904); return;
    case BIFFRECID_WINDOW1: WriteWINDOW1(); return;
    case BIFFRECID_BACKUP: WriteBoolRecord(r->Id, Manager_.Workbook->WorkbookPr.backupFile); return;
    case BIFFRECID_WRITEACCESS: WriteWRITEACCESS(); return;
    case kOBPROJ:
      if (Doc_.WriteVBA && ((Doc_.VBA() && Doc_.VBA()->HasProject()) ||
                            (Doc_.KeptStorages().Storage() && Doc_.KeptStorages().Storage()->find(u"_VBA_PROJECT_CUR"))))
        WriteEmptyRecord(kOBPROJ);
      return;
    case BIFFRECID_BOOKBOOL:
      WriteWordRecord(r->Id, static_cast<std::uint16_t>((Manager_.Workbook->WorkbookPr.updateLinks & 3) << 5));
      return;
    case BIFFRECID_TABID:
      if (!BIFF5_) WriteTABID();
      return;
    case BIFFRECID_REFRESHALL:
      if (!BIFF5_) WriteBoolRecord(r->Id, Manager_.Workbook->WorkbookPr.refreshAllConnections);
      return;
    case BIFFRECID_RECALCID: return;
    case BIFFRECID_CODEPAGE:
      // BIFF8 text is UTF-16 (1200); BIFF5 text is 8-bit in the library's code page.
      WriteWordRecord(r->Id, BIFF5_ ? static_cast<std::uint16_t>(wb::TFormatSettings::GetAnsiCodePage()) : 1200);
      return;
    case 0x8001:
      if (BIFF5_)
        WriteBIFF5Styles();
      else
        WriteStyleBlock();
      WritePALETTE();
      return;
    case 0x8002:
      for (int i = 0; i < Boundsheets_.Count(); ++i) WriteBOUNDSHEET(*Boundsheets_.GetItem(i));
      return;
    case 0x8003:
      if (!NamesWritten_ && !BIFF5_) {
        if (Doc_.ExternalNames().HasSupBooks()) WriteExternals();
        WriteNAMEs();
      }
      return;
    case 0x8004:
      // The drawing group only with drawings (those kept raw after a failed read need it as
      // well), and only BIFF8 knows it.
      if (!BIFF5_ && Doc_.EscherGroup().HasDrawings()) {
        Stream_->BeginRecordLimit(8224);
        Doc_.EscherGroup().WriteToStream(*Stream_);
        Stream_->EndRecordLimit();
      }
      return;
    case 0x8005:
      if (!BIFF5_) WriteSST();
      return;
    default:
      if (BIFF5_ && Doc_.VersionRead != 5 && !NeutralRecord(r->Id)) return;
      Doc_.Globals().WriteRecord(Index, *Stream_);
  }
}

void TXLSWriteXLS::WriteSheetRecord(int Index) {
  TSheet* sheet = Doc_.GetSheet(SheetIndex_);
  TBIFFRecord* r = sheet->Records().Items(Index);
  const wb::TXc12CalcPr& calc = Manager_.Workbook->CalcPr;
  const wb::TXc12PrintOptions& print = Sheet_->PrintOptions;
  switch (r->Id) {
    case BIFFRECID_BOF_8:
      if (BIFF5_) {
        const std::uint16_t bof[] = {0x0500, 0x0010, 3515, 1998};
        Stream_->WriteHeader(BIFFRECID_BOF_8, 8);
        for (std::uint16_t w : bof) Stream_->WriteWord(w);
      } else {
        sheet->Records().WriteRecord(Index, *Stream_);
      }
      return;
    case BIFFRECID_CALCCOUNT:
      WriteWordRecord(r->Id, static_cast<std::uint16_t>(calc.iterateCount & 0xFFFF));
      return;
    case BIFFRECID_CALCMODE: WriteCALCMODE(); return;
    case BIFFRECID_REFMODE: WriteBoolRecord(r->Id, calc.refMode == 0); return;
    case BIFFRECID_DELTA: {
      std::uint8_t b[8];
      core::store_le_double(b, calc.iterateDelta);
      WriteRecordData(r->Id, 8, b);
      return;
    }
    case BIFFRECID_ITERATION: WriteBoolRecord(r->Id, calc.iterate); return;
    case BIFFRECID_PROTECT:
      if (sheet->Options() & soProtected) WriteWordRecord(r->Id, 1);
      return;
    case BIFFRECID_PASSWORD: WriteProtection(); return;
    case BIFFRECID_PRINTHEADERS: WriteBoolRecord(r->Id, print.headings); return;
    case BIFFRECID_PRINTGRIDLINES: WriteBoolRecord(r->Id, print.gridLines); return;
    case BIFFRECID_DEFCOLWIDTH:
      WriteDEFCOLWIDTH();
      WriteRuleRecords(RuleRecords_[static_cast<std::size_t>(SheetIndex_)].AutoFilter);
      return;
    case BIFFRECID_SAVERECALC: WriteBoolRecord(r->Id, calc.calcOnSave); return;
    case BIFFRECID_GUTS: WriteGUTS(); return;
    case BIFFRECID_WSBOOL: WriteWSBOOL(); return;
    case BIFFRECID_GRIDSET: WriteBoolRecord(r->Id, print.gridLinesSet); return;
    case BIFFRECID_HCENTER: WriteBoolRecord(r->Id, print.horizontalCentered); return;
    case BIFFRECID_VCENTER: WriteBoolRecord(r->Id, print.verticalCentered); return;
    case BIFFRECID_SETUP: WriteSETUP(); return;
    case BIFFRECID_DIMENSIONS: WriteDIMENSIONS(); return;
    case kINDEX: return;
    case BIFFRECID_DEFAULTROWHEIGHT: WriteDEFAULTROWHEIGHT(); return;
    case BIFFRECID_WINDOW2: WriteWINDOW2(); return;
    case 0x8101: WritePageBreaks(); return;
    case 0x8102: WriteHeaderFooter(); return;
    case 0x8103: WriteMargins(); return;
    case 0x8104: WriteCOLINFOs(); return;
    case 0x8105:
      WriteROWs();
      WriteCells();
      for (int k = 0; k < sheet->TrailingRecords().Count(); ++k) {
        if (BIFF5_ && Doc_.VersionRead != 5) break;
        sheet->TrailingRecords().WriteRecord(k, *Stream_);
      }
      // The drawing (with its OBJ, TXO and NOTE records) after the cells and before WINDOW2, where
      // the readers of other programs look for it.
      if (!BIFF5_ && sheet->HasShapes()) sheet->Drawing().WriteToStream(*Stream_);
      return;
    case 0x8106:
      WritePANE();
      WriteSELECTION();
      if (!BIFF5_) {
        WriteMERGEDCELLS();
        WriteRuleRecords(RuleRecords_[static_cast<std::size_t>(SheetIndex_)].CondFmts);
        WriteHLINKs();
        WriteRuleRecords(RuleRecords_[static_cast<std::size_t>(SheetIndex_)].Validations);
        WriteFEATHDR();
      }
      return;
    default:
      if (r->Id >= INTERNAL_PLACEHOLDER_SHEET_FIRST && r->Id <= INTERNAL_PLACEHOLDER_SHEET_LAST) return;
      if (BIFF5_ && Doc_.VersionRead != 5 && !NeutralRecord(r->Id)) return;
      sheet->Records().WriteRecord(Index, *Stream_);
  }
}

void TXLSWriteXLS::WriteBOUNDSHEET(TBoundsheetData& Entry) {
  static const std::uint8_t kTypes[] = {0x00, 0x02, 0x06, 0x01};
  Entry.BodyPos = Stream_->Position() + 4;
  core::ByteWriter w;
  w.u32le(0);
  w.u8(Entry.Hidden);
  w.u8(kTypes[Entry.Kind & 3]);
  if (BIFF5_) {
    const std::string name = SheetNameBytes5(Entry.Name);
    w.u8(static_cast<std::uint8_t>(name.size()));
    w.raw_string(name);
  } else {
    const std::u16string name = Entry.Name.substr(0, 255);
    w.u8(static_cast<std::uint8_t>(name.size()));
    w.u8(1);
    w.u16string_le(name);
  }
  WriteRecordData(BIFFRECID_BOUNDSHEET, static_cast<int>(w.size()), w.data().data());
}

// ---------------------------------------------------------------------------------------------
// Globals

void TXLSWriteXLS::WriteWRITEACCESS() {
  // The file-sharing user, else the name a read file's WRITEACCESS carried.
  const std::u16string& user = Manager_.Workbook->FileSharing.userName.empty() ? Manager_.Workbook->WriteAccess
                                                                                : Manager_.Workbook->FileSharing.userName;
  if (BIFF5_) {
    // BIFF5: a byte count and 8-bit characters, padded with spaces to 32 bytes.
    std::string name = core::utf16_to_codepage(wb::TFormatSettings::GetAnsiCodePage(), user);
    if (name.size() > 31) name.resize(31);
    std::uint8_t b[32];
    std::memset(b, 0x20, sizeof b);
    b[0] = static_cast<std::uint8_t>(name.size());
    std::memcpy(b + 1, name.data(), name.size());
    WriteRecordData(BIFFRECID_WRITEACCESS, 32, b);
    return;
  }
  // 112 bytes hold a count, the option byte and at most 54 UTF-16 characters; a longer name is cut
  // there instead of running past the body.
  const std::u16string name = user.substr(0, 54);
  std::uint8_t b[112];
  std::memset(b, 0x20, sizeof b);
  core::store_le16(b, static_cast<std::uint16_t>(name.size()));
  b[2] = 1;
  for (std::size_t i = 0; i < name.size(); ++i) core::store_le16(b + 3 + 2 * i, name[i]);
  WriteRecordData(BIFFRECID_WRITEACCESS, 112, b);
}

void TXLSWriteXLS::WriteWINDOW1() {
  std::uint16_t v[9] = {100, 100, 10000, 7000, 0x0038, 0, 0, 1, 600};
  if (Manager_.Workbook->BookViews.Count() > 0) {
    const wb::TXc12BookView& bv = *Manager_.Workbook->BookViews.GetItems(0);
    v[0] = static_cast<std::uint16_t>(bv.xWindow);
    v[1] = static_cast<std::uint16_t>(bv.yWindow);
    v[2] = static_cast<std::uint16_t>(bv.windowWidth);
    v[3] = static_cast<std::uint16_t>(bv.windowHeight);
    std::uint16_t o = 0;
    if (bv.visibility == 1 || bv.visibility == 2) o |= 0x0001;
    if (bv.minimized) o |= 0x0002;
    if (bv.showHorizontalScroll) o |= 0x0008;
    if (bv.showVerticalScroll) o |= 0x0010;
    if (bv.showSheetTabs) o |= 0x0020;
    if (bv.autoFilterDateGrouping) o |= 0x0040;
    v[4] = o;
    // An active or first tab past the sheet list would point readers at no sheet.
    const int last = Boundsheets_.Count() - 1;
    v[5] = static_cast<std::uint16_t>(std::clamp(bv.activeTab, 0, last));
    v[6] = static_cast<std::uint16_t>(std::clamp(bv.firstSheet, 0, last));
    v[7] = 1;
    v[8] = static_cast<std::uint16_t>(bv.tabRatio);
  }
  std::uint8_t b[18];
  for (int i = 0; i < 9; ++i) core::store_le16(b + 2 * i, v[i]);
  WriteRecordData(BIFFRECID_WINDOW1, 18, b);
}

void TXLSWriteXLS::WriteProtection() {
  if (!Sheet_) {
    WriteWordRecord(BIFFRECID_PROTECT, 0);
    WriteWordRecord(BIFFRECID_PASSWORD,
                    static_cast<std::uint16_t>(Manager_.Workbook->WorkbookProtection.workbookPassword & 0xFFFF));
    return;
  }
  const wb::TXc12SheetProtection& p = Sheet_->SheetProtection;
  if (p.password != 0) {
    WriteWordRecord(BIFFRECID_PROTECT, 1);
    WriteBoolRecord(kSCENPROTECT, p.scenarios);
    WriteBoolRecord(kOBJPROTECT, p.objects);
    WriteWordRecord(BIFFRECID_PASSWORD, p.password);
  } else {
    WriteWordRecord(BIFFRECID_PROTECT, 0);
    WriteWordRecord(BIFFRECID_PASSWORD, 0);
  }
}

void TXLSWriteXLS::WriteTABID() {
  // One id per sheet in tab order: the id a sheet read from a file had, a new one (past every id
  // read) for a sheet made since; a new document numbers its sheets 1, 2, ...
  const int n = std::min(Boundsheets_.Count(), Doc_.MaxRecordBody() / 2);
  std::vector<int> ids(static_cast<std::size_t>(n), 0);
  int next = 1;
  for (int i = 0; i < n; ++i) {
    const TBoundsheetData& d = *Boundsheets_.GetItem(i);
    const int id = d.Kind == 1 ? Doc_.SheetCharts().GetItem(d.SheetIndex).TabId : Doc_.GetSheet(d.SheetIndex)->TabId;
    if (id > 0 && std::find(ids.begin(), ids.end(), id) == ids.end()) ids[static_cast<std::size_t>(i)] = id;
    next = std::max(next, id + 1);
  }
  core::ByteWriter w;
  for (int id : ids) w.u16le(static_cast<std::uint16_t>(id > 0 ? id : next++));
  WriteRecordData(BIFFRECID_TABID, static_cast<int>(w.size()), w.data().data());
}

// ---------------------------------------------------------------------------------------------
// Sheet settings

void TXLSWriteXLS::WriteCALCMODE() {
  switch (Manager_.Workbook->CalcPr.calcMode) {
    case 0: WriteWordRecord(BIFFRECID_CALCMODE, 0); break;
    case 1: WriteWordRecord(BIFFRECID_CALCMODE, 1); break;
    case 2: WriteWordRecord(BIFFRECID_CALCMODE, 0xFFFF); break;
    default: break;
  }
}

void TXLSWriteXLS::WriteDEFCOLWIDTH() {
  const double w = Sheet_->SheetFormatPr.defaultColWidth;
  if (w > 0) WriteWordRecord(BIFFRECID_DEFCOLWIDTH, Clamp16(w));
}

void TXLSWriteXLS::WriteDEFAULTROWHEIGHT() {
  // The height and its flags as the sheet holds them, so that a file read and written again keeps
  // them (a height set by hand is the model's custom height).
  const wb::TXc12SheetFormatPr& f = Sheet_->SheetFormatPr;
  std::uint8_t b[4];
  if (f.defaultRowHeight > 0) {
    std::uint16_t options = 0;
    if (f.customHeight) options |= 1;
    if (f.zeroHeight) options |= 2;
    if (f.thickTop) options |= 4;
    if (f.thickBottom) options |= 8;
    core::store_le16(b, options);
    core::store_le16(b + 2, Clamp16(f.defaultRowHeight));
  } else {
    core::store_le16(b, 0);
    core::store_le16(b + 2, 255);
  }
  WriteRecordData(BIFFRECID_DEFAULTROWHEIGHT, 4, b);
}

void TXLSWriteXLS::WriteGUTS() {
  int rowLevel = 0;
  wb::TXLSCellMMU& cells = *Sheet_->Cells;
  cells.IterInit(-1);
  while (cells.IterNextRow()) {
    wb::TMMURowHeader h = cells.IterRowHeader();
    if (h) rowLevel = std::max(rowLevel, static_cast<int>(h.OutlineLevel()));
  }
  rowLevel = std::min(rowLevel, 7);
  int colLevel = 0;
  for (int i = 0; i < Sheet_->Columns.Count(); ++i)
    colLevel = std::max(colLevel, Sheet_->Columns.GetItem(i)->OutlineLevel);
  colLevel = std::min(colLevel, 7);
  std::uint8_t b[8] = {};
  core::store_le16(b + 4, static_cast<std::uint16_t>(rowLevel > 0 ? rowLevel + 1 : 0));
  core::store_le16(b + 6, static_cast<std::uint16_t>(colLevel > 0 ? colLevel + 1 : 0));
  WriteRecordData(BIFFRECID_GUTS, 8, b);
}

void TXLSWriteXLS::WriteWSBOOL() {
  std::uint16_t v = 0;
  if (Sheet_->SheetPr.PageSetUpPr.autoPageBreaks) v |= 0x0001;
  if (Sheet_->SheetPr.OutlinePr.applyStyles) v |= 0x0020;
  if (Sheet_->SheetPr.OutlinePr.summaryBelow) v |= 0x0040;
  if (Sheet_->SheetPr.OutlinePr.summaryRight) v |= 0x0080;
  if (Sheet_->SheetPr.PageSetUpPr.fitToPage) v |= 0x0100;
  WriteWordRecord(BIFFRECID_WSBOOL, v);
}

void TXLSWriteXLS::WriteSETUP() {
  const wb::TXc12PageSetup& s = Sheet_->PageSetup;
  std::uint16_t o = 0;
  if (s.pageOrder == 1) o |= 0x0001;
  // Orientation "default" is portrait: only landscape clears the portrait bit.
  if (s.orientation != 2) o |= 0x0002;
  if (s.blackAndWhite) o |= 0x0008;
  if (s.draft) o |= 0x0010;
  if (s.cellComments == 1) o |= 0x0020;
  if (s.cellComments == 2) o |= 0x0220;
  o |= static_cast<std::uint16_t>((s.errors & 3) << 10);
  std::uint8_t b[34];
  const std::int32_t words[] = {s.paperSize, s.scale, s.firstPageNumber, s.fitToWidth, s.fitToHeight};
  for (int i = 0; i < 5; ++i) core::store_le16(b + 2 * i, static_cast<std::uint16_t>(words[i] & 0xFFFF));
  core::store_le16(b + 10, o);
  core::store_le16(b + 12, static_cast<std::uint16_t>(s.horizontalDpi & 0xFFFF));
  core::store_le16(b + 14, static_cast<std::uint16_t>(s.verticalDpi & 0xFFFF));
  core::store_le_double(b + 16, Sheet_->PageMargins.header);
  core::store_le_double(b + 24, Sheet_->PageMargins.footer);
  core::store_le16(b + 32, static_cast<std::uint16_t>(s.copies & 0xFFFF));
  WriteRecordData(BIFFRECID_SETUP, 34, b);
}

void TXLSWriteXLS::WritePageBreaks() {
  auto write = [&](std::uint16_t Id, const wb::TXc12PageBreaks& Breaks) {
    if (Breaks.Count() == 0) return;
    // One record holds at most 1370 breaks; more continue in further records of the same id.
    const int perRecord = (Doc_.MaxRecordBody() - 2) / 6;
    for (int first = 0; first < Breaks.Count(); first += perRecord) {
      const int n = std::min(perRecord, Breaks.Count() - first);
      core::ByteWriter w;
      w.u16le(static_cast<std::uint16_t>(n));
      for (int i = first; i < first + n; ++i) {
        const wb::TXc12Break& b = *Breaks.GetItem(i);
        w.u16le(static_cast<std::uint16_t>(b.id));
        w.u16le(static_cast<std::uint16_t>(b.min));
        w.u16le(static_cast<std::uint16_t>(b.max));
      }
      WriteRecordData(Id, static_cast<int>(w.size()), w.data().data());
    }
  };
  write(kHPAGEBREAKS, Sheet_->RowBreaks);
  write(kVPAGEBREAKS, Sheet_->ColBreaks);
}

void TXLSWriteXLS::WriteShortText(std::uint16_t Id, const std::u16string& Text) {
  if (Text.empty()) {
    WriteEmptyRecord(Id);
    return;
  }
  core::ByteWriter w;
  if (BIFF5_) {
    std::string s = core::utf16_to_codepage(wb::TFormatSettings::GetAnsiCodePage(), Text);
    if (s.size() > 255) s.resize(255);
    w.u8(static_cast<std::uint8_t>(s.size()));
    w.raw_string(s);
    w.u8(0);
  } else {
    const std::u16string t = Text.substr(0, 255);
    w.u16le(static_cast<std::uint16_t>(t.size()));
    w.u8(1);
    w.u16string_le(t);
  }
  WriteRecordData(Id, static_cast<int>(w.size()), w.data().data());
}

void TXLSWriteXLS::WriteHeaderFooter() {
  // The reader fills the first-page texts; when only the odd-page texts are set (a workbook built
  // through the programming interface or read from .xlsx), those are what every page shows.
  const wb::TXc12HeaderFooter& hf = Sheet_->HeaderFooter;
  WriteShortText(kHEADER, hf.firstHeader.empty() ? hf.oddHeader : hf.firstHeader);
  WriteShortText(kFOOTER, hf.firstFooter.empty() ? hf.oddFooter : hf.firstFooter);
}

void TXLSWriteXLS::WriteMargins() {
  const wb::TXc12PageMargins& m = Sheet_->PageMargins;
  const std::pair<std::uint16_t, double> margins[] = {{0x0026, m.left}, {0x0028, m.top}, {0x0027, m.right},
                                                      {0x0029, m.bottom}};
  for (const auto& [id, v] : margins) {
    if (!(v > 0)) continue;
    std::uint8_t b[8];
    core::store_le_double(b, v);
    WriteRecordData(id, 8, b);
  }
}

void TXLSWriteXLS::WriteCOLINFOs() {
  for (int i = 0; i < Sheet_->Columns.Count(); ++i) {
    const wb::TXc12Column& c = *Sheet_->Columns.GetItem(i);
    if (c.Min > 255 || c.Max < 0) continue;
    std::uint8_t b[12];
    core::store_le16(b, static_cast<std::uint16_t>(std::clamp(c.Min, 0, 255)));
    // A run to the end of the row ends at 256, as other producers write it.
    core::store_le16(b + 2, static_cast<std::uint16_t>(std::clamp(c.Max, 0, 256)));
    // Widths are 1/256 of a character, as the programming interface and every reader count them.
    core::store_le16(b + 4, Clamp16(c.Width * 256));
    core::store_le16(b + 6, XFIndex(c.Style ? c.Style->Index : 0));
    std::uint16_t o = static_cast<std::uint16_t>((std::clamp(c.OutlineLevel, 0, 7)) << 8);
    if (c.Flags & wb::xcfHidden) o |= 0x0001;
    if (c.Flags & wb::xcfCustomWidth) o |= 0x0002;
    if (c.Flags & wb::xcfBestFit) o |= 0x0004;
    if (c.Flags & wb::xcfCollapsed) o |= 0x1000;
    core::store_le16(b + 8, o);
    core::store_le16(b + 10, 0);
    WriteRecordData(kCOLINFO, 12, b);
  }
}

void TXLSWriteXLS::WriteWINDOW2() {
  const wb::TXc12SheetView* v = Sheet_->SheetViews.Count() > 0 ? Sheet_->SheetViews.GetItem(0) : nullptr;
  // The option flags of the view (defaults without one). BIFF5 has no right-to-left flag and
  // selects the first sheet's tab; frozen panes are 0x0008, without a split before freezing 0x0108.
  std::uint16_t o = 0x04A0 | 0x0002 | 0x0004 | 0x0010;
  if (v) {
    o = 0x0400;
    if (v->showFormulas) o |= 0x0001;
    if (v->showGridLines) o |= 0x0002;
    if (v->showRowColHeaders) o |= 0x0004;
    if (v->showZeros) o |= 0x0010;
    if (v->defaultGridColor) o |= 0x0020;
    if (v->rightToLeft && !BIFF5_) o |= 0x0040;
    if (v->showOutlineSymbols) o |= 0x0080;
    if (v->tabSelected || (BIFF5_ && SheetIndex_ == 0)) o |= 0x0200;
    if (v->Pane.Present && v->Pane.state != 0) o |= v->Pane.state == 1 ? 0x0108 : 0x0008;
  }
  if (BIFF5_) {
    std::uint8_t b[10] = {};
    core::store_le16(b, o);
    WriteRecordData(BIFFRECID_WINDOW2, 10, b);
    return;
  }
  std::uint32_t grid = 64;
  std::uint16_t zoomPreview = 0, zoom = 0;
  std::uint16_t top = 0, left = 0;
  if (v) {
    if (Sheet_->CustomSheetViews.Count() > 0 && Sheet_->CustomSheetViews.GetItem(0)->view == 1) o |= 0x0800;
    grid = static_cast<std::uint32_t>(v->colorId);
    zoomPreview = static_cast<std::uint16_t>(v->zoomScaleSheetLayoutView);
    zoom = static_cast<std::uint16_t>(v->zoomScale);
    if (v->topLeftCell.Row1 > 0) top = static_cast<std::uint16_t>(std::min(v->topLeftCell.Row1, 0xFFFF));
    if (v->topLeftCell.Col1 > 0) left = static_cast<std::uint16_t>(std::min(v->topLeftCell.Col1, 0xFF));
  }
  // The first sheet is the selected one when no view says otherwise.
  if (!v && SheetIndex_ == 0) o |= 0x0200;
  std::uint8_t b[18] = {};
  core::store_le16(b, o);
  core::store_le16(b + 2, top);
  core::store_le16(b + 4, left);
  core::store_le32(b + 6, grid);
  core::store_le16(b + 10, zoomPreview);
  core::store_le16(b + 12, zoom);
  WriteRecordData(BIFFRECID_WINDOW2, 18, b);
}

void TXLSWriteXLS::WritePANE() {
  if (Sheet_->SheetViews.Count() == 0) return;
  const wb::TXc12Pane& p = Sheet_->SheetViews.GetItem(0)->Pane;
  if (!p.Present) return;
  // File units both ways: columns and rows for frozen panes, twips for split ones, as the model
  // holds them.
  std::uint8_t b[10];
  core::store_le16(b, Clamp16(p.xSplit));
  core::store_le16(b + 2, Clamp16(p.ySplit));
  core::store_le16(b + 4, static_cast<std::uint16_t>(std::clamp(p.topLeftCell.Row1, 0, 0xFFFF)));
  core::store_le16(b + 6, static_cast<std::uint16_t>(std::clamp(p.topLeftCell.Col1, 0, 0xFF)));
  core::store_le16(b + 8, p.activePane & 0xFF);
  WriteRecordData(kPANE, 10, b);
}

void TXLSWriteXLS::WriteSELECTION() {
  const wb::TXc12SheetView* v = Sheet_->SheetViews.Count() > 0 ? Sheet_->SheetViews.GetItem(0) : nullptr;
  if (!v || v->Selections.Count() == 0) {
    const std::uint8_t b[15] = {3, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
    WriteRecordData(kSELECTION, 15, b);
    return;
  }
  const int maxAreas = (Doc_.MaxRecordBody() - 9) / 6;
  auto row = [](int R) { return static_cast<std::uint16_t>(std::clamp(R, 0, 0xFFFF)); };
  auto col = [](int C) { return static_cast<std::uint8_t>(std::clamp(C, 0, 0xFF)); };
  for (int i = 0; i < v->Selections.Count(); ++i) {
    const wb::TXc12Selection& s = *v->Selections.GetItem(i);
    std::uint8_t* p = Buffer_.data();
    const int n = std::min(s.sqref.Count(), maxAreas);
    p[0] = s.pane;
    core::store_le16(p + 1, row(s.activeCell.Row1));
    core::store_le16(p + 3, col(s.activeCell.Col1));
    core::store_le16(p + 5, static_cast<std::uint16_t>(std::clamp(s.activeCellId, 0, std::max(n - 1, 0))));
    core::store_le16(p + 7, static_cast<std::uint16_t>(std::max(n, 1)));
    int len = 9;
    auto area = [&](int R1, int R2, int C1, int C2) {
      core::store_le16(p + len, row(R1));
      core::store_le16(p + len + 2, row(R2));
      p[len + 4] = col(C1);
      p[len + 5] = col(C2);
      len += 6;
    };
    if (n == 0) area(s.activeCell.Row1, s.activeCell.Row1, s.activeCell.Col1, s.activeCell.Col1);
    for (int a = 0; a < n; ++a) {
      const wb::TCellArea* r = s.sqref.GetItem(a);
      area(r->GetRow1(), r->GetRow2(), r->GetCol1(), r->GetCol2());
    }
    WriteBuffer(kSELECTION, len);
  }
}

void TXLSWriteXLS::WriteMERGEDCELLS() {
  const wb::TXc12MergedCells& m = *Sheet_->MergedCells;
  const int n = m.Count();
  if (n == 0) return;
  const int perRecord = std::min(n, 1027);
  core::ByteWriter w;
  int count = 0;
  auto flush = [&] {
    if (count == 0) return;
    core::ByteWriter r;
    r.u16le(static_cast<std::uint16_t>(count));
    r.bytes(w.data().data(), w.size());
    WriteRecordData(kMERGEDCELLS, static_cast<int>(r.size()), r.data().data());
    w.clear();
    count = 0;
  };
  for (int i = 0; i < n; ++i) {
    const wb::TXc12MergedCell& a = *m.GetItem(i);
    if (a.GetCol2() > 255 || a.GetRow2() > 65535 || a.GetCol1() < 0 || a.GetRow1() < 0) continue;
    w.u16le(static_cast<std::uint16_t>(a.GetRow1()));
    w.u16le(static_cast<std::uint16_t>(a.GetRow2()));
    w.u16le(static_cast<std::uint16_t>(a.GetCol1()));
    w.u16le(static_cast<std::uint16_t>(a.GetCol2()));
    if (++count == perRecord) flush();
  }
  flush();
}

void TXLSWriteXLS::WriteFEATHDR() {
  if (Doc_.GetSheet(SheetIndex_)->SheetProtection == ALL_SHEET_PROTECTIONS) return;
  const wb::TXc12SheetProtection& p = Sheet_->SheetProtection;
  const bool flags[] = {p.objects,       p.scenarios,        p.formatCells,       p.formatColumns, p.formatRows,
                        p.insertColumns, p.insertRows,       p.insertHyperlinks,  p.deleteColumns, p.deleteRows,
                        p.selectLockedCells, p.sort,         p.autoFilter,        p.pivotTables,
                        p.selectUnlockedCells};
  std::uint32_t bits = 0;
  for (int i = 0; i < 15; ++i)
    if (flags[i]) bits |= 1u << i;
  std::uint8_t b[23] = {};
  core::store_le16(b, kFEATHDR);
  core::store_le16(b + 12, 2);
  b[14] = 1;
  core::store_le32(b + 15, 0xFFFFFFFF);
  core::store_le32(b + 19, bits);
  WriteRecordData(kFEATHDR, 23, b);
}

}  // namespace biff
