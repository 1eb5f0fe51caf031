#include "biff/reader/xls_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "biff/biff_error.h"
#include "biff/chart/chart_model.h"
#include "biff/document/biff5_document.h"
#include "biff/drawing/escher_drawing.h"
#include "biff/drawing/shape_objects.h"
#include "biff/formulas/biff8_decoder.h"
#include "biff/reader/body_reader.h"
#include "biff/reader/external_names.h"
#include "biff/stream/xls_crypt.h"
#include "core/unicode.h"
#include "workbook/biff_codecs.h"
#include "workbook/cell_format_editor.h"
#include "workbook/cell_references.h"
#include "workbook/cell_store.h"
#include "workbook/colors.h"
#include "workbook/error_manager.h"
#include "workbook/manager.h"
#include "workbook/shared_strings.h"
#include "workbook/style_sheet.h"
#include "workbook/workbook_data.h"
#include "workbook/worksheet_data.h"

namespace biff {

namespace wb = workbook;

namespace {

constexpr std::uint16_t kDIMENSIONS2 = 0x0000, kINTEGER2 = 0x0002, kNUMBER2 = 0x0003, kLABEL2 = 0x0004,
                        kFORMULA = 0x0006, kSTRING2 = 0x0007, kEOF = 0x000A,
                        kEXTERNSHEET = 0x0017, kNAME = 0x0018, kNAME2 = 0x0218, kEXTERNNAME = 0x0023,
                        kEXTERNNAME2 = 0x0223, kFILEPASS = 0x002F, kFONT = 0x0031, kFONT2 = 0x0231,
                        kCONTINUE = 0x003C, kCODEPAGE = 0x0042, kXCT = 0x0059,
                        kFILESHARING = 0x005B, kCOLINFO = 0x007D, kRK = 0x007E, kRK2 = 0x027E,
                        kBOUNDSHEET = 0x0085, kPALETTE = 0x0092, kMULRK = 0x00BD, kMULBLANK = 0x00BE,
                        kSHRFMLA = 0x00BC, kSHRFMLA2 = 0x04BC, kDBCELL = 0x00D7, kXF = 0x00E0,
                        kMERGECELLS = 0x00E5, kMSODRAWINGGROUP = 0x00EB, kMSODRAWING = 0x00EC,
                        kMSODRAWINGSELECTION = 0x00ED, kSST = 0x00FC, kLABELSST = 0x00FD, kEXTSST = 0x00FF,
                        kUSERBVIEW = 0x01A9, kUSERSVIEWBEGIN = 0x01AA, kUSERSVIEWEND = 0x01AB,
                        kSUPBOOK = 0x01AE, kDIMENSIONS = 0x0200, kBLANK = 0x0201, kNUMBER = 0x0203,
                        kLABEL = 0x0204, kBOOLERR = 0x0205, kSTRING = 0x0207, kROW = 0x0208, kINDEX = 0x020B,
                        kARRAY = 0x0221, kXF3 = 0x0243, kXF4 = 0x0443, kSTYLE = 0x0293, kFORMAT = 0x041E,
                        kFORMULA4 = 0x0406, kFORMULA3 = 0x0206;

// The 34 built-in number formats of BIFF4 files, by position.
const char16_t* const kBiff4Masks[34] = {
    u"General", u"0", u"0.00", u"#,##0", u"#,##0.00", u"#,##0\\ _$;\\-#,##0\\ _$",
    u"#,##0\\ _$;[Red]\\-#,##0\\ _$", u"#,##0.00\\ _$;\\-#,##0.00\\ _$", u"#,##0.00\\ _$;[Red]\\-#,##0.00\\ _$",
    u"#,##0\\ \"kr\";\\-#,##0\\ \"kr\"", u"#,##0\\ \"kr\";[Red]\\-#,##0\\ \"kr\"",
    u"#,##0.00\\ \"kr\";\\-#,##0.00\\ \"kr\"", u"#,##0.00\\ \"kr\";[Red]\\-#,##0.00\\ \"kr\"", u"0%", u"0.00%",
    u"0.00E+00", u"#\" \"?/?", u"#\" \"?\?/??", u"yyyy/mm/dd", u"dd/mmm/yy", u"dd/mmm", u"mmm/yy",
    u"h:mm\\ AM/PM", u"h:mm:ss\\ AM/PM", u"hh:mm", u"hh:mm:ss", u"yyyy/mm/dd\\ hh:mm", u"##0.0E+0", u"mm:ss",
    u"@", u"_-* #,##0\\ \"$\"_-;\\-* #,##0\\ \"$\"_-;_-* \"-\"\\ \"$\"_-;_-@_-",
    u"_-* #,##0\\ _$_-;\\-* #,##0\\ _$_-;_-* \"-\"\\ _$_-;_-@_-",
    u"_-* #,##0.00\\ \"kr\"_-;\\-* #,##0.00\\ \"kr\"_-;_-* \"-\"?\?\\ \"kr\"_-;_-@_-",
    u"_-* #,##0.00\\ _$_-;\\-* #,##0.00\\ _$_-;_-* \"-\"?\?\\ _$_-;_-@_-"};

std::string Hex(unsigned Value, int Digits) {
  char b[16];
  std::snprintf(b, sizeof b, "%.*X", Digits, Value);
  return b;
}

}  // namespace

// ---- shared-string table

namespace {

// Walks the SST body and its CONTINUE bodies; at a piece boundary inside the characters of a
// string the new piece starts with an option byte of its own.
class TSSTPieceReader {
public:
  explicit TSSTPieceReader(const std::vector<core::Bytes>& Pieces) : P_(Pieces) {}

  std::size_t Remaining() const { return piece_ < P_.size() ? P_[piece_].size() - pos_ : 0; }
  void NextPiece() {
    ++piece_;
    pos_ = 0;
    if (piece_ >= P_.size()) throw Exception("CONTINUE record is missing in SST");
  }
  void Bytes(std::uint8_t* Dest, std::size_t Count) {
    while (Count > 0) {
      if (Remaining() == 0) NextPiece();
      const std::size_t n = std::min(Count, Remaining());
      if (Dest) {
        std::memcpy(Dest, P_[piece_].data() + pos_, n);
        Dest += n;
      }
      pos_ += n;
      Count -= n;
    }
  }
  std::uint32_t U(int Size) {
    std::uint8_t b[4] = {};
    Bytes(b, static_cast<std::size_t>(Size));
    return core::load_le32(b);
  }
  void Chars(std::size_t Count, bool Wide, std::u16string& Text) {
    Text.clear();
    Text.reserve(Count);
    while (Text.size() < Count) {
      if (Remaining() == 0) {
        NextPiece();
        const std::uint8_t opt = P_[piece_].empty() ? 0 : P_[piece_][0];
        if ((opt & 1) && opt != 1) throw Exception("SST split error: unicode part in compressed string.");
        pos_ = 1;
        Wide = opt == 1;
        if (pos_ > P_[piece_].size()) throw Exception("CONTINUE record is missing in SST");
      }
      const std::uint8_t* p = P_[piece_].data() + pos_;
      if (Wide) {
        const std::size_t n = std::min(Count - Text.size(), Remaining() / 2);
        if (n == 0) throw Exception("SST split error: odd character bytes");
        for (std::size_t i = 0; i < n; ++i) Text.push_back(static_cast<char16_t>(core::load_le16(p + 2 * i)));
        pos_ += 2 * n;
      } else {
        const std::size_t n = std::min(Count - Text.size(), Remaining());
        Text.append(p, p + n);
        pos_ += n;
      }
    }
  }

private:
  const std::vector<core::Bytes>& P_;
  std::size_t piece_ = 0;
  std::size_t pos_ = 0;
};

}  // namespace

void TXLSReadXLS::ReadSSTPieces(wb::TXc12Manager& Manager, const std::vector<core::Bytes>& Pieces) {
  if (Pieces.empty()) return;
  TSSTPieceReader r(Pieces);
  r.U(4);  // total count, not used
  const std::uint32_t unique = r.U(4);
  wb::TXc12DataSST& sst = *Manager.SST;
  wb::TXc12Fonts& fonts = *Manager.StyleSheet->Fonts;
  std::u16string text;
  for (std::uint32_t i = 0; i < unique; ++i) {
    if (r.Remaining() == 0) r.NextPiece();
    const std::uint16_t count = static_cast<std::uint16_t>(r.U(2));
    const std::uint8_t opt = static_cast<std::uint8_t>(r.U(1));
    if (opt & 0xF2) throw Exception("STT: Unhandled string type in Read (" + Hex(opt, 2) + ")");
    int runs = 0;
    std::uint32_t ext = 0;
    if (opt & 0x08) runs = static_cast<int>(r.U(2));
    if (opt & 0x04) ext = r.U(4);
    r.Chars(count, (opt & 1) != 0, text);
    wb::TXc12DynFontRunArray fr;
    for (int k = 0; k < runs; ++k) {
      const int pos = static_cast<int>(r.U(2));
      const int font = static_cast<int>(r.U(2));
      wb::TXc12FontRun run;
      run.Index = pos;
      run.Font = font + 1 < fonts.Count() ? fonts.GetItem(font + 1) : nullptr;
      fr.push_back(run);
    }
    r.Bytes(nullptr, ext);
    if (runs > 0)
      sst.AddRichString(text, fr);
    else
      sst.AddRawString16(static_cast<int>(text.size()), text.data());
  }
}

// ---- the reader

TXLSReadXLS::TXLSReadXLS(TBIFF5& Document)
    : Doc_(Document), M_(*Document.Manager()), Stream_(std::make_unique<TXLSStream>(Document.VBA())) {
  Stream_->SetWriteVBA(Document.WriteVBA);
}

TXLSReadXLS::~TXLSReadXLS() = default;

void TXLSReadXLS::Reset() {
  SheetIndex_ = -1;
  BoundsheetPos_ = -1;
  SheetNames_.Clear();
  SheetNameSet_.clear();
  SheetTypes_.clear();
  Biff5ExternSheets_.clear();
  Shared_.clear();
  Array_.clear();
  InCustomView_ = false;
  CountryRead_ = false;
  InSheet_ = false;
  Finished_ = false;
  Worksheet_ = nullptr;
}

void TXLSReadXLS::Read(const core::ByteSpan* Data) {
  Reset();
  Stream_->SetExtraObjects(&Doc_.KeptStorages());
  if (Data) Stream_->SetInputStream(*Data);
  struct Closer {
    TXLSStream& S;
    ~Closer() {
      try {
        S.Close();
      } catch (...) {
      }
    }
  } closer{*Stream_};
  const std::u16string& fn = Doc_.Filename();
  const TExcelVersion v = Stream_->Open(core::utf16_to_utf8(fn));
  if (v == xvNone) throw Exception("No workbook stream in file");
  Version_ = static_cast<std::uint8_t>(v);
  Doc_.SetVersion(Version_);
  Doc_.VersionRead = Version_;
  M_.SetVersion(static_cast<wb::TExcelVersion>(Version_ >= 6 ? wb::xvExcel97 : wb::xvExcel50));
  Buf_.assign(static_cast<std::size_t>(Doc_.MaxRecordBody()), 0);
  Storage_ = &Doc_.Globals();
  if (Doc_.OnProgress) Doc_.OnProgress(Doc_, 0);

  TBIFFHeader h;
  const int n = Stream_->ReadHeader(h);
  if (n == 4 && h.RecID == BIFFRECID_BOF_4) {
    ReadBIFF4();
    return;
  }
  Stream_->Seek(0, 0);
  if (Version_ < 5) {
    // BIFF2/BIFF3 worksheet files number their formats by order, as BIFF4 files do.
    Biff4Formats_.assign(std::begin(kBiff4Masks), std::end(kBiff4Masks));
    Biff4FormatBase_ = M_.StyleSheet->NumberFormats->Count();
  }
  M_.BeforeRead();
  RecordLoop();
  ExternSheetsToWorksheets();
  Doc_.TakeTabIds();
  // Shapes refer to pictures by their position among the store's entries; entries without a
  // usable picture were dropped, so the references are renumbered.
  std::vector<int> indexes;
  Doc_.EscherGroup().GetFileIndexes(indexes);
  for (int i = 0; i < Doc_.Sheets().Count(); ++i)
    if (TEscherDrawing* d = Doc_.Sheets().Items(i)->DrawingIfAny()) d->RemapBlipIds(indexes);
  for (int i = 0; i < Doc_.SheetCharts().Count(); ++i)
    if (TEscherDrawing* d = Doc_.SheetCharts().GetItem(i).Drawing()) d->RemapBlipIds(indexes);
  M_.IsReading = false;
  if (Doc_.OnProgress) Doc_.OnProgress(Doc_, 100);
}

void TXLSReadXLS::ReadBody() {
  if (Header_.Length > Buf_.size()) Buf_.resize(Header_.Length);
  if (Header_.Length > 0 && Stream_->Read(Buf_.data(), Header_.Length) != Header_.Length)
    throw Exception("Unexpected end of file");
}

bool TXLSReadXLS::ReadNext(std::uint16_t Id1, std::uint16_t Id2, std::uint16_t& Id, std::vector<std::uint8_t>& Body) {
  const std::uint16_t next = Stream_->PeekRecordId();
  if (next != Id1 && next != Id2) return false;
  TBIFFHeader h;
  if (Stream_->ReadHeader(h) != 4) throw Exception("Unexpected end of file");
  Body.resize(h.Length);
  if (h.Length > 0 && Stream_->Read(Body.data(), h.Length) != h.Length) throw Exception("Unexpected end of file");
  Id = h.RecID;
  return true;
}

// The record number, id and stream position, then the fault on a line of its own (CR LF, so that
// the position and an error code never run together where a line end is dropped).
std::string TXLSReadXLS::RecordError(int Counter, const char* What) {
  return "Error on reading record # " + std::to_string(Counter) + ", " + Hex(Header_.RecID, 4) +
         " Offs: " + Hex(static_cast<unsigned>(Stream_->Position()), 8) + "\r\n" + What;
}

void TXLSReadXLS::RecordLoop() {
  int counter = 0;
  int last_percent = 0;
  const std::uint32_t size = Stream_->InputSize();
  while (true) {
    if (Stream_->ReadHeader(Header_) < 4) break;
    if (Doc_.Abort) return;
    try {
      if (Header_.RecID >= 0x8000) throw Exception("Bad record in file");
      const bool self_read = IsBOFRecordId(Header_.RecID) || Header_.RecID == kSST;
      if (!self_read) ReadBody();
      if (Doc_.OnProgress && size > 0) {
        const int pct = static_cast<int>(std::nearbyint(static_cast<double>(Stream_->Position()) / size * 100.0));
        if (pct > last_percent) {
          last_percent = std::min(pct, 100);
          Doc_.OnProgress(Doc_, last_percent);
        }
      }
      if (InCustomView_) {
        if (self_read) ReadBody();  // skipped whole, the records after it stay in step
        if (Header_.RecID == kUSERSVIEWEND) InCustomView_ = false;
      } else {
        StoreRaw_ = true;
        if (Header_.RecID == kEOF) {
          RecEOF();
          StoreRaw_ = false;
          if (!(SheetNames_.Count() > 0 && BoundsheetPos_ < SheetNames_.Count() - 1)) break;
        } else {
          HandleRecord();
        }
        if (StoreRaw_ && Storage_) Storage_->Add(MakeIdLen(Header_.RecID, Header_.Length), Buf_.data());
        if (Finished_) break;
      }
    } catch (const std::exception& e) {
      throw Exception(RecordError(counter, e.what()));
    }
    ++counter;
  }
}

void TXLSReadXLS::HandleRecord() {
  const std::uint16_t id = Header_.RecID;
  if (IsBOFRecordId(id)) return RecBOF();
  const bool b5 = Version_ >= 5;
  switch (id) {
    case kDIMENSIONS2:
      if (Version_ == 5) {
        StoreRaw_ = false;
        return;
      }
      return RecDIMENSIONS();
    case kINTEGER2: case kNUMBER2: case kLABEL2: return RecBIFF2Cell();
    case kFORMULA: case kFORMULA3: case kFORMULA4: return RecFORMULA();
    case kFILEPASS: return RecFILEPASS();
    case kFONT: case kFONT2: return RecFONT();
    case kCODEPAGE: return RecCODEPAGE();
    case kFILESHARING:
      Doc_.FileSharing.assign(Buf_.begin(), Buf_.begin() + Header_.Length);
      StoreRaw_ = false;
      return;
    case kCOLINFO: return RecCOLINFO();
    case kRK: case kRK2: return RecRK();
    case kBOUNDSHEET: return RecBOUNDSHEET();
    case kPALETTE: return RecPALETTE();
    case kMULRK: return RecMULRK();
    case kMULBLANK: return RecMULBLANK();
    case kDBCELL: case kEXTSST: case kUSERBVIEW:
      StoreRaw_ = false;
      return;
    case kXF: return RecXF();
    case kXF3: case kXF4: return RecXF34();
    case kMERGECELLS: return RecMERGECELLS();
    case kMSODRAWINGGROUP: case kMSODRAWING: case kMSODRAWINGSELECTION: return RecDrawing();
    case BIFFRECID_NOTE: return RecNOTE();
    case kSST: return RecSST();
    case 0x01B0: return RecCONDFMT();
    case 0x01B2: return RecDVAL();
    case 0x009B: case 0x009D: return RecAutoFilter();
    case 0x01B1: case 0x01BE: case 0x009E:
      // A condition, validation or filter without the record that introduces it is stray data.
      StoreRaw_ = false;
      return;
    case kLABELSST: return RecLABELSST();
    case kUSERSVIEWBEGIN:
      InCustomView_ = true;
      StoreRaw_ = false;
      return;
    case kSUPBOOK: if (Version_ >= 6) return RecSUPBOOK(); return;
    case kEXTERNNAME: case kEXTERNNAME2:
      if (Version_ >= 6) return RecEXTERNNAME();
      if (Version_ == 5) return RecEXTERNNAME5();
      return;
    case kEXTERNSHEET:
      if (Version_ >= 6) return RecEXTERNSHEET();
      if (Version_ == 5) return RecEXTERNSHEET5();
      return;
    case kXCT: return RecXCT();
    case kNAME: case kNAME2:
      if (Version_ >= 6) return RecNAME();
      if (Version_ == 5) return RecNAME5();
      StoreRaw_ = false;
      return;
    case kDIMENSIONS: return RecDIMENSIONS();
    case kBLANK: return RecBLANK();
    case kNUMBER: return RecNUMBER();
    case kLABEL: return RecLABEL();
    case kBOOLERR: return RecBOOLERR();
    case kROW: return RecROW();
    case kINDEX:
      StoreRaw_ = false;
      return;
    case kSTYLE: return RecSTYLE();
    case kFORMAT: return RecFORMAT();
    case 0x001E:  // FORMAT of BIFF2/BIFF3
      if (Version_ < 4) return RecFORMAT();
      return;
    case kSHRFMLA: case kSHRFMLA2: case kARRAY: case kSTRING: case kSTRING2:
      // Belongs to a formula the handler of which read it already; met alone it is stray data.
      StoreRaw_ = false;
      return;
    case 0x0863: case 0x087C: case 0x087D: case 0x088C: case 0x088E: case 0x0892: case 0x0896: case 0x089A:
    case 0x089B: case 0x08A3:
      StoreRaw_ = false;
      return;
    default:
      (void)b5;
      return RecSettings();
  }
}

// ---- substreams

void TXLSReadXLS::RecBOF() {
  Shared_.clear();
  Array_.clear();
  StoreRaw_ = false;
  ReadBody();
  TRecordBody b(Buf_.data(), Header_.Length);
  const std::uint16_t type = b.U16(2);
  if (InSheet_ && type != 0x0005) {
    // A substream inside a worksheet (an embedded chart) stays with the sheet's records, raw.
    Storage_->Add(MakeIdLen(Header_.RecID, Header_.Length), Buf_.data());
    SkipSubstream(Storage_);
    return;
  }
  switch (type) {
    case 0x0005: {
      if (Header_.Length > 256) throw Exception("Invalid BOF size");
      if (Header_.RecID == BIFFRECID_BOF_8) {
        const std::uint16_t vers = b.U16(0);
        const std::uint8_t v = vers == 0x0500 ? 5 : 6;
        if (v != Version_) {
          Version_ = v;
          Doc_.SetVersion(v);
          Doc_.VersionRead = v;
          M_.SetVersion(v >= 6 ? wb::xvExcel97 : wb::xvExcel50);
        }
      }
      if (Header_.Length >= 6) core::store_le16(Buf_.data() + 4, 6319);
      Storage_ = &Doc_.Globals();
      Worksheet_ = nullptr;
      Storage_->SetRecord(MakeIdLen(Header_.RecID, Header_.Length), Buf_.data());
      return;
    }
    case 0x0010: {
      ++BoundsheetPos_;
      ++SheetIndex_;
      if (Version_ >= 5) {
        if (BoundsheetPos_ >= SheetNames_.Count()) throw Exception("Worksheet without BOUNDSHEET");
        if (SheetIndex_ >= M_.Worksheets->Count() || SheetIndex_ >= Doc_.Sheets().Count())
          throw Exception("Worksheet without BOUNDSHEET");
        Worksheet_ = M_.Worksheets->GetItem(SheetIndex_);
        TSheet* sheet = Doc_.Sheets().Items(SheetIndex_);
        sheet->StorageFilled = true;
        sheet->TabPosition = BoundsheetPos_;
        Storage_ = &sheet->Records();
        Storage_->SetRecord(MakeIdLen(Header_.RecID, Header_.Length), Buf_.data());
        InSheet_ = true;
      } else {
        // Older files hold one worksheet and no BOUNDSHEET.
        if (M_.Worksheets->Count() <= SheetIndex_) {
          wb::TXc12DataWorksheet* w = M_.Worksheets->Add(SheetIndex_ + 1);
          w->Name = u"Sheet1";
        }
        if (Doc_.Sheets().Count() <= SheetIndex_) Doc_.Sheets().Add(0);
        Worksheet_ = M_.Worksheets->GetItem(SheetIndex_);
        TSheet* sheet = Doc_.Sheets().Items(SheetIndex_);
        sheet->StorageFilled = true;
        Storage_ = &sheet->Records();
        InSheet_ = true;
      }
      return;
    }
    case 0x0006: case 0x0040:
      ++BoundsheetPos_;
      ++SheetIndex_;
      throw Exception("Invalid sheet type in file");
    case 0x0020:
      // A chart sheet: a sheet of its own beside the worksheets. BIFF5 chart sheets are kept as
      // their records, to be written back in a BIFF5 file; older chart records are passed over
      // to their EOF.
      ++BoundsheetPos_;
      if (Version_ >= 6 && Header_.RecID == BIFFRECID_BOF_8)
        RecChartSheet();
      else if (Version_ == 5 && Header_.RecID == BIFFRECID_BOF_8)
        KeepChartSheet(Stream_->Position(), true);
      else
        SkipSubstream(nullptr);
      // A chart sheet as the last substream ends the read as any last EOF does.
      if (!(SheetNames_.Count() > 0 && BoundsheetPos_ < SheetNames_.Count() - 1)) Finished_ = true;
      return;
    case 0x0100:
      throw Exception("BIFF4 Workbook unhandled");
    default:
      return;
  }
}

std::pair<std::u16string, std::uint8_t> TXLSReadXLS::ChartSheetTab() const {
  if (BoundsheetPos_ < 0 || BoundsheetPos_ >= SheetNames_.Count()) return {u"Chart", 0};
  return {SheetNames_.Get(BoundsheetPos_), static_cast<std::uint8_t>(SheetNames_.GetObject(BoundsheetPos_))};
}

void TXLSReadXLS::RecChartSheet() {
  const auto [name, hidden] = ChartSheetTab();
  TSheetCharts& charts = Doc_.SheetCharts();
  const int start = Stream_->Position();
  const int before = charts.Count();
  try {
    TSheetChart& sheet =
        charts.ReadChartSheet(*Stream_, name, BoundsheetPos_, core::ByteSpan(Buf_.data(), Header_.Length));
    // A stray END ends the tree before the sub-stream's EOF: the rest would be taken for records
    // of the workbook.
    if (!sheet.Root().Last() || sheet.Root().Last()->RecordId != chrEOF) throw Exception("Chart sheet without EOF");
    sheet.Hidden = hidden;
    return;
  } catch (const std::exception&) {
    // Records that do not read as a chart are kept as they stand and written back unchanged,
    // rather than failing the whole file.
    while (charts.Count() > before) charts.Delete(charts.Count() - 1);
  }
  KeepChartSheet(start, false);
}

void TXLSReadXLS::KeepChartSheet(int Start, bool Biff5) {
  const auto [name, hidden] = ChartSheetTab();
  TSheetCharts& charts = Doc_.SheetCharts();
  Stream_->Seek(Start, 0);
  std::vector<std::pair<std::uint16_t, core::Bytes>> raw;
  raw.emplace_back(Header_.RecID, core::Bytes(Buf_.begin(), Buf_.begin() + Header_.Length));
  int depth = 1;
  TBIFFHeader h;
  while (depth > 0) {
    if (Stream_->ReadHeader(h) < 4) break;
    if (h.RecID >= 0x8000) throw Exception("Bad record in file");
    core::Bytes body(h.Length);
    if (h.Length > 0 && Stream_->Read(body.data(), h.Length) != h.Length) throw Exception("Unexpected end of file");
    if (IsBOFRecordId(h.RecID)) ++depth;
    if (h.RecID == kEOF) --depth;
    raw.emplace_back(h.RecID, std::move(body));
  }
  for (const auto& r : raw)
    if (r.first == chrMSODRAWING) Doc_.EscherGroup().KeepPictureCounts = true;
  TSheetChart& sheet = charts.AddRaw(name, BoundsheetPos_, std::move(raw));
  sheet.Hidden = hidden;
  sheet.Biff5 = Biff5;
}

int TXLSReadXLS::WorksheetOfTab(int Tab) const {
  if (Tab < 0) return Tab;
  int charts = 0;
  const int known = std::min(Tab, static_cast<int>(SheetTypes_.size()));
  for (int k = 0; k < known; ++k) charts += (SheetTypes_[static_cast<std::size_t>(k)] & 2) != 0;
  if (Tab < static_cast<int>(SheetTypes_.size()) && (SheetTypes_[static_cast<std::size_t>(Tab)] & 2)) return -1;
  return Tab - charts;
}

void TXLSReadXLS::ExternSheetsToWorksheets() {
  if (std::none_of(SheetTypes_.begin(), SheetTypes_.end(), [](std::uint8_t T) { return (T & 2) != 0; })) return;
  TExternalNames& x = Doc_.ExternalNames();
  const int tabs = static_cast<int>(SheetTypes_.size());
  for (TExtSheetEntry& e : x.ExtSheets) {
    if (e.SupBook < 0 || e.SupBook >= static_cast<int>(x.SupBooks.size()) ||
        !x.SupBooks[static_cast<std::size_t>(e.SupBook)]->IsSelf() || e.First >= 0xFFFE || e.Last >= 0xFFFE)
      continue;
    int first = e.First, last = e.Last;
    while (first <= last && first < tabs && WorksheetOfTab(first) < 0) ++first;
    while (last >= first && last < tabs && WorksheetOfTab(last) < 0) --last;
    if (first > last) {
      // Only chart sheets: no worksheet to refer to.
      e.First = e.Last = 0xFFFF;
      continue;
    }
    e.First = static_cast<std::uint16_t>(WorksheetOfTab(first));
    e.Last = static_cast<std::uint16_t>(WorksheetOfTab(last));
  }
}

void TXLSReadXLS::SkipSubstream(TRecordStorage* Store) {
  int depth = 1;
  TBIFFHeader h;
  while (depth > 0) {
    if (Stream_->ReadHeader(h) < 4) return;
    if (h.RecID >= 0x8000) throw Exception("Bad record in file");
    if (h.Length > Buf2_.size()) Buf2_.resize(h.Length);
    if (h.Length > 0 && Stream_->Read(Buf2_.data(), h.Length) != h.Length) throw Exception("Unexpected end of file");
    if (IsBOFRecordId(h.RecID)) ++depth;
    if (h.RecID == kEOF) --depth;
    if (Store) Store->Add(MakeIdLen(h.RecID, h.Length), Buf2_.data());
  }
}

void TXLSReadXLS::DefaultRowHeights() {
  const wb::TXc12SheetFormatPr& f = Worksheet_->SheetFormatPr;
  if (!(f.defaultRowHeight > 0)) return;
  const auto height = static_cast<std::uint16_t>(std::min(f.defaultRowHeight, 32767.0));
  wb::TXLSCellMMU& cells = Cells();
  cells.IterInit(-1);
  while (cells.IterNextRow()) {
    const int row = cells.IterRow();
    if (row < static_cast<int>(RowRecords_.size()) && RowRecords_[static_cast<std::size_t>(row)]) continue;
    wb::TMMURowHeader h = cells.IterRowHeader();
    if (!h) continue;
    h.SetHeight(height);
    if (f.zeroHeight) h.SetFlags(static_cast<std::uint8_t>(h.Flags() | wb::TMMURowHeader::rhfHidden));
  }
}

void TXLSReadXLS::RecEOF() {
  if (Worksheet_ && !M_.DirectRead) DefaultRowHeights();
  RowRecords_.clear();
  InSheet_ = false;
  Worksheet_ = nullptr;
  Shared_.clear();
  Array_.clear();
  Storage_->SetRecord(MakeIdLen(Header_.RecID, Header_.Length), Buf_.data());
}

void TXLSReadXLS::RecBOUNDSHEET() {
  StoreRaw_ = false;
  Doc_.Globals().SetPlaceholder(INTERNAL_PLACEHOLDER_GLOBALS_FIRST + 1);
  TRecordBody b(Buf_.data(), Header_.Length);
  std::u16string name;
  const std::uint8_t vis = b.U8(4) & 3;
  const std::uint8_t type = b.U8(5);
  if (Version_ >= 6)
    b.Unicode(7, b.U8(6), name);
  else
    name = Ansi(b, 7, b.U8(6));
  // Each sheet costs a sheet of the model; the limit keeps a file of repeated records from
  // allocating without bound.
  if (SheetNames_.Count() >= MaxSheets) throw Exception("Too many sheets in file");
  SheetNames_.AddObject(name, vis);
  SheetTypes_.push_back(type);
  if ((type & 2) == 0) {
    TSheet* sheet = nullptr;
    // The document starts with one sheet; the first BOUNDSHEET takes it over.
    if (M_.Worksheets->Count() == 0 && Doc_.Sheets().Count() == 1 && !Doc_.Sheets().Items(0)->StorageFilled)
      sheet = Doc_.Sheets().Items(0);
    else
      sheet = Doc_.Sheets().Add(0);
    // A name met twice (ignoring case) leaves the later sheet its generated name.
    if (SheetNameSet_.insert(wb::UpperCaseW(name)).second) sheet->SetNameUnchecked(name);
    sheet->Hidden = static_cast<THiddenState>(vis);
    wb::TXc12DataWorksheet* w = M_.Worksheets->Add(M_.Worksheets->Count() + 1);
    w->Name = name;
    w->State = vis;
  }
}

void TXLSReadXLS::RecFILEPASS() {
  StoreRaw_ = false;
  const core::ByteSpan body(Buf_.data(), Header_.Length);
  // Whatever the error manager does with an error, a file that was not decrypted stops here: its
  // encrypted rest must not be parsed as records.
  auto fail = [this](int Code) {
    const std::u16string text = wb::XLSErrorTemplate(Code);
    if (M_.Errors) M_.Errors->Error(u"", Code);
    throw Exception(core::utf16_to_utf8(text));
  };
  // Only RC4 version 1.1 of BIFF8 is read (not the obfuscation of BIFF5 nor the CryptoAPI form).
  if (Version_ < 6 || FilePassKind(body) != TFilePassKind::RC4) fail(1002);
  if (M_.SkipDecryption) {
    // Asked not to decrypt: the read ends here, without a password error.
    Finished_ = true;
    return;
  }
  std::u16string password = M_.Password;
  const bool asks = Doc_.OnPassword || M_.PasswordEvent || !password.empty();
  if (asks) {
    if (Doc_.OnPassword) Doc_.OnPassword(password);
    if (M_.PasswordEvent) M_.PasswordEvent(&M_, password);
    if (password.empty()) fail(1003);
    if (!Stream_->SetReadPassword(body, password)) fail(1004);
  } else {
    password = kDefaultPassword;
    if (!Stream_->SetReadPassword(body, password)) fail(1003);
  }
  // Saved again, the workbook is encrypted with the password that opened it.
  Doc_.Password = password;
}

void TXLSReadXLS::RecCODEPAGE() {
  TRecordBody b(Buf_.data(), Header_.Length);
  CodePage_ = b.U16(0);
  if (CodePage_ == 0x8000 || CodePage_ == 0x8001) CodePage_ = 1252;  // Mac Roman / Windows default
  if (CodePage_ == 367) CodePage_ = 1252;                             // ASCII
  Stream_->SetCodePage(CodePage_);
  StoreRaw_ = false;
  if (Version_ >= 5) Storage_->SetRecord(MakeIdLen(Header_.RecID, Header_.Length), Buf_.data());
}

std::u16string TXLSReadXLS::Ansi(const TRecordBody& B, int Offset, int Count) const {
  std::u16string s;
  B.Ansi(Offset, Count, CodePage_, s);
  return s;
}

bool TXLSReadXLS::TakesDrawings() const { return Version_ >= 6 && !SkipDrawing; }

void TXLSReadXLS::RecDrawing() {
  StoreRaw_ = false;
  std::uint16_t id;
  if (TakesDrawings() && Header_.RecID == kMSODRAWINGGROUP && !InSheet_) {
    // The drawing group: the record and its CONTINUE pieces joined.
    core::Bytes body(Buf_.begin(), Buf_.begin() + Header_.Length);
    while (ReadNext(kCONTINUE, kMSODRAWINGGROUP, id, Buf2_)) body.insert(body.end(), Buf2_.begin(), Buf2_.end());
    Doc_.Globals().SetPlaceholder(INTERNAL_PLACEHOLDER_GLOBALS_FIRST + 3);
    Doc_.EscherGroup().ReadFromBuffer(body);
    return;
  }
  if (TakesDrawings() && Header_.RecID == kMSODRAWING && InSheet_ && SheetIndex_ >= 0 &&
      SheetIndex_ < Doc_.Sheets().Count()) {
    TSheet* sheet = Doc_.Sheets().Items(SheetIndex_);
    if (!sheet->HasShapes() && RawDrawingSheet_ != SheetIndex_) {
      // The drawing follows its MSODRAWING, OBJ, TXO and CONTINUE records itself and stops before
      // the first record that is not its own.
      TEscherDrawing& drawing = sheet->Drawing();
      drawing.OnShapeRead = [sheet](TEscherDrawing&, TShape& Shape) {
        auto* anchored = dynamic_cast<TShapeClientAnchor*>(&Shape);
        if (!anchored || !dynamic_cast<TShapeOutsideMsoChart*>(Shape.Outside.get())) return;
        // A chart whose records do not bind to the chart wrappers stays in the drawing as a raw
        // shape (written back as read) instead of failing the whole file.
        try {
          sheet->Charts().AddFromShape(*anchored);
        } catch (const std::exception&) {
        }
      };
      const int after = Stream_->Position();
      try {
        drawing.ReadFromStream(*Stream_, core::ByteSpan(Buf_.data(), Header_.Length));
        drawing.OnShapeRead = nullptr;
        return;
      } catch (const std::exception&) {
        // A drawing that does not read is kept as its raw records (written back as read) rather
        // than failing the whole file: the read goes on after its first record.
        drawing.OnShapeRead = nullptr;
        if (sheet->ChartsIfAny()) sheet->Charts().Clear();
        drawing.Clear();
        Stream_->Seek(after, 0);
        RawDrawingSheet_ = SheetIndex_;
        Doc_.EscherGroup().KeepPictureCounts = true;
      }
    }
  }
  // Drawing records the document does not take (BIFF5, skipped drawings, a second drawing of a
  // sheet) stay raw, in order, for the writer. Their references to pictures are not seen.
  if (Header_.RecID == kMSODRAWING) Doc_.EscherGroup().KeepPictureCounts = true;
  Storage_->Add(MakeIdLen(Header_.RecID, Header_.Length), Buf_.data());
  while (Header_.RecID == kMSODRAWINGGROUP && ReadNext(kCONTINUE, kMSODRAWINGGROUP, id, Buf2_))
    Storage_->Add(MakeIdLen(id, static_cast<std::uint16_t>(Buf2_.size())), Buf2_.data());
}

void TXLSReadXLS::RecNOTE() {
  // A note of BIFF8 belongs to the text shape of the sheet drawing that has its object id; other
  // notes (BIFF5 cell notes, notes without a drawing read) stay raw.
  if (!TakesDrawings() || !InSheet_ || SheetIndex_ < 0 || SheetIndex_ >= Doc_.Sheets().Count() ||
      !Doc_.Sheets().Items(SheetIndex_)->HasShapes())
    return;
  TRecordBody b(Buf_.data(), Header_.Length);
  if (!b.Has(0, 8)) return;
  StoreRaw_ = false;
  const int row = b.U16(0), col = b.U16(2), flags = b.U16(4), obj = b.U16(6);
  std::u16string author;
  if (b.Has(8, 2) && b.U16(8) > 0) b.Unicode(10, b.U16(8), author);
  Doc_.Sheets().Items(SheetIndex_)->Drawing().SetNote(col, row, author, obj, flags);
}

void TXLSReadXLS::RecSTYLE() {
  StoreRaw_ = false;
  if (Version_ >= 6) Doc_.Styles().Add(Buf_.data(), Header_.Length);
}

}  // namespace biff

namespace biff {

// A BIFF4 worksheet file: one sheet; the cell, row, column and style records are read, formulas
// keep only their cached values, and nothing goes to the record storages.
void TXLSReadXLS::ReadBIFF4() {
  Biff4Formats_.assign(std::begin(kBiff4Masks), std::end(kBiff4Masks));
  Biff4FormatBase_ = M_.StyleSheet->NumberFormats->Count();
  Biff4FormatCount_ = 0;
  Biff4FormatsStored_ = false;
  Stream_->Seek(0, 0);
  wb::TXc12DataWorksheet* w = M_.Worksheets->Add(1);
  w->Name = u"Sheet1";
  Worksheet_ = w;
  SheetIndex_ = 0;
  if (Doc_.Sheets().Count() == 0) Doc_.Sheets().Add(0);
  Doc_.SetVersion(5);
  Version_ = 4;
  Doc_.VersionRead = 4;
  M_.SetVersion(wb::xvExcel50);
  int counter = 0;
  while (Stream_->ReadHeader(Header_) == 4) {
    try {
      if (Header_.Length > Buf_.size()) throw Exception("Record too long for BIFF4");
      ReadBody();
      StoreRaw_ = false;
      switch (Header_.RecID) {
        case kEOF: return;
        case 0x0042: RecCODEPAGE(); break;
        case kCOLINFO: RecCOLINFO(); break;
        case kPALETTE: RecPALETTE(); break;
        case kMULRK: RecMULRK(); break;
        case kMULBLANK: RecMULBLANK(); break;
        case kBLANK: RecBLANK(); break;
        case kNUMBER: RecNUMBER(); break;
        case kLABEL: RecLABEL(); break;
        case kBOOLERR: RecBOOLERR(); break;
        case kROW: RecROW(); break;
        case kFONT2: RecFONT(); break;
        case kRK2: RecRK(); break;
        case kFORMAT: RecFORMAT(); break;
        case kXF4: RecXF34(); break;
        case kFORMULA4: RecFORMULA(); break;
        default: break;
      }
    } catch (const std::exception& e) {
      throw Exception(RecordError(counter, e.what()));
    }
    ++counter;
  }
}

}  // namespace biff
