// Cell records of a sheet: ROW headers, then BLANK/MULBLANK, RK/MULRK/NUMBER, LABELSST (LABEL for
// BIFF5), BOOLERR and FORMULA with ARRAY and STRING; and DIMENSIONS.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "biff/writer/xls_writer.h"
#include "core/codepage.h"
#include "core/strings.h"
#include "workbook/biff_codecs.h"
#include "workbook/format_settings.h"
#include "workbook/manager.h"

namespace biff {

namespace wb = workbook;

namespace {

constexpr std::uint16_t kBLANK = 0x0201;
constexpr std::uint16_t kMULBLANK = 0x00BE;
constexpr std::uint16_t kNUMBER = 0x0203;
constexpr std::uint16_t kRK = 0x027E;
constexpr std::uint16_t kMULRK = 0x00BD;
constexpr std::uint16_t kLABELSST = 0x00FD;
constexpr std::uint16_t kLABEL = 0x0204;
constexpr std::uint16_t kBOOLERR = 0x0205;
constexpr std::uint16_t kFORMULA = 0x0006;
constexpr std::uint16_t kARRAY = 0x0221;
constexpr std::uint16_t kSTRING = 0x0207;
constexpr std::uint16_t kROW = 0x0208;

// Cell records collect in memory and reach the stream in large blocks.
constexpr std::size_t kFlushSize = 1 << 20;

void Header(core::ByteWriter& W, std::uint16_t Id, std::size_t Len) {
  W.u16le(Id);
  W.u16le(static_cast<std::uint16_t>(Len));
}

void CellHead(core::ByteWriter& W, std::uint16_t Id, std::size_t Len, int Row, int Col, int XF) {
  Header(W, Id, Len);
  W.u16le(static_cast<std::uint16_t>(Row));
  W.u16le(static_cast<std::uint16_t>(Col));
  W.u16le(static_cast<std::uint16_t>(XF));
}

}  // namespace

bool TXLSWriteXLS::EncodeRK(std::int32_t& RK, double Value) {
  for (int m = 0; m < 2; ++m) {
    const double v = m == 0 ? Value : Value * 100;
    const auto bits = std::bit_cast<std::uint64_t>(v);
    std::int32_t rk = 0;
    bool ok = false;
    if ((bits & 0xFFFFFFFFu) == 0 && ((bits >> 32) & 3) == 0) {
      rk = static_cast<std::int32_t>(static_cast<std::uint32_t>(bits >> 32));
      ok = true;
    } else if (std::isfinite(v) && std::trunc(v) == v && v >= -536870912.0 && v <= 536870911.0) {
      rk = static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::int32_t>(v)) * 4u + 2u);
      ok = true;
    }
    if (!ok) continue;
    if (m == 1) rk |= 1;
    // Only a packed form that reads back as the very same number is taken.
    if (std::bit_cast<std::uint64_t>(wb::DecodeRK(rk)) == std::bit_cast<std::uint64_t>(Value)) {
      RK = rk;
      return true;
    }
  }
  return false;
}

void TXLSWriteXLS::FlushRKRun(core::ByteWriter& W, int Row) {
  if (RKCount_ == 0) return;
  if (RKCount_ == 1) {
    CellHead(W, kRK, 10, Row, RKFirst_, RKRun_[0].XF);
    W.u32le(static_cast<std::uint32_t>(RKRun_[0].RK));
  } else {
    Header(W, kMULRK, static_cast<std::size_t>(RKCount_) * 6 + 6);
    W.u16le(static_cast<std::uint16_t>(Row));
    W.u16le(static_cast<std::uint16_t>(RKFirst_));
    for (int i = 0; i < RKCount_; ++i) {
      W.u16le(RKRun_[static_cast<std::size_t>(i)].XF);
      W.u32le(static_cast<std::uint32_t>(RKRun_[static_cast<std::size_t>(i)].RK));
    }
    W.u16le(static_cast<std::uint16_t>(RKLast_));
  }
  RKCount_ = 0;
  RKFirst_ = RKLast_ = -1;
}

void TXLSWriteXLS::FlushBlankRun(core::ByteWriter& W, int Row) {
  if (BlankCount_ == 0) return;
  if (BlankCount_ == 1) {
    CellHead(W, kBLANK, 6, Row, BlankFirst_, BlankRun_[0]);
  } else {
    Header(W, kMULBLANK, static_cast<std::size_t>(BlankCount_) * 2 + 6);
    W.u16le(static_cast<std::uint16_t>(Row));
    W.u16le(static_cast<std::uint16_t>(BlankFirst_));
    for (int i = 0; i < BlankCount_; ++i) W.u16le(BlankRun_[static_cast<std::size_t>(i)]);
    W.u16le(static_cast<std::uint16_t>(BlankLast_));
  }
  BlankCount_ = 0;
  BlankFirst_ = BlankLast_ = -1;
}

void TXLSWriteXLS::FlushCells(core::ByteWriter& W, bool Final) {
  if (W.size() == 0 || (!Final && W.size() < kFlushSize)) return;
  Stream_->WriteRaw(W.data().data(), static_cast<int>(W.size()));
  W.clear();
}

void TXLSWriteXLS::WriteSTRING(core::ByteWriter& W, const std::u16string& Text) {
  if (BIFF5_) {
    std::string s = core::utf16_to_codepage(wb::TFormatSettings::GetAnsiCodePage(), Text);
    if (s.size() > 255) s.resize(255);
    Header(W, kSTRING, s.size() + 2);
    W.u16le(static_cast<std::uint16_t>(s.size()));
    W.raw_string(s);
    return;
  }
  // A long text continues in CONTINUE records, each starting with the option byte again.
  const std::size_t max = static_cast<std::size_t>(Doc_.MaxRecordBody());
  std::size_t n = std::min<std::size_t>(Text.size(), (max - 3) / 2);
  Header(W, kSTRING, 3 + 2 * n);
  W.u16le(static_cast<std::uint16_t>(Text.size()));
  W.u8(1);
  W.u16string_le(std::u16string_view(Text).substr(0, n));
  for (std::size_t done = n; done < Text.size(); done += n) {
    n = std::min<std::size_t>(Text.size() - done, (max - 1) / 2);
    Header(W, BIFFRECID_CONTINUE, 1 + 2 * n);
    W.u8(1);
    W.u16string_le(std::u16string_view(Text).substr(done, n));
  }
}

void TXLSWriteXLS::WriteFormulaCell(core::ByteWriter& W, int Row, int Col, int XF) {
  wb::TXLSCellMMU& cells = *Sheet_->Cells;
  cells.IterReadFormula();
  wb::TXLSFormulaHelper& F = cells.FormulaHelper();

  if (BIFF5_) {
    // BIFF8 tokens are no BIFF5 tokens: the cell keeps its cached value.
    switch (F.ResultKind) {
      case wb::cvkFloatFormula:
        CellHead(W, kNUMBER, 14, Row, Col, XF);
        W.f64le(F.GetResultFloat());
        return;
      case wb::cvkStringFormula: {
        std::string s = core::utf16_to_codepage(wb::TFormatSettings::GetAnsiCodePage(), F.GetResultString());
        if (s.size() > 255) s.resize(255);
        CellHead(W, kLABEL, 8 + s.size(), Row, Col, XF);
        W.u16le(static_cast<std::uint16_t>(s.size()));
        W.raw_string(s);
        return;
      }
      case wb::cvkBooleanFormula:
        CellHead(W, kBOOLERR, 8, Row, Col, XF);
        W.u8(F.GetResultBoolean() ? 1 : 0);
        W.u8(0);
        return;
      default:
        CellHead(W, kBOOLERR, 8, Row, Col, XF);
        W.u8(wb::Xc12ErrorToBIFFError(F.GetResultError()));
        W.u8(1);
        return;
    }
  }

  std::uint8_t result[8] = {};
  switch (F.ResultKind) {
    case wb::cvkFloatFormula: core::store_le_double(result, F.GetResultFloat()); break;
    case wb::cvkStringFormula:
      result[0] = F.GetResultString().empty() ? 3 : 0;
      result[6] = result[7] = 0xFF;
      break;
    case wb::cvkBooleanFormula:
      result[0] = 1;
      result[2] = F.GetResultBoolean() ? 1 : 0;
      result[6] = result[7] = 0xFF;
      break;
    default:
      result[0] = 2;
      // #GETTING_DATA and unknown codes have no BIFF8 code: they are written as #N/A.
      result[2] = wb::Xc12ErrorToBIFFError(F.GetResultError());
      result[6] = result[7] = 0xFF;
      break;
  }
  const std::uint16_t options = Manager_.Workbook->CalcPr.fullCalcOnLoad ? 0x0002 : 0;
  auto fixed = [&](std::size_t TokenLen, std::size_t Extra) {
    const std::size_t len = 22 + TokenLen + Extra;
    if (len > static_cast<std::size_t>(Doc_.MaxRecordBody()))
      throw Exception(core::format("Formula too long in cell %d:%d", Row, Col));
    CellHead(W, kFORMULA, len, Row, Col, XF);
    W.bytes(result, 8);
    W.u16le(options);
    W.u32le(0);
    W.u16le(static_cast<std::uint16_t>(TokenLen));
  };
  auto tExp = [&](int MasterRow, int MasterCol) {
    fixed(5, 0);
    W.u8(0x01);
    W.u16le(static_cast<std::uint16_t>(MasterRow));
    W.u16le(static_cast<std::uint16_t>(MasterCol));
  };

  switch (F.FormulaKind) {
    case wb::mfkDataTable:
    case wb::mfkDataTableMember: return;
    case wb::mfkArrayMember:
    case wb::mfkArrayMember97: tExp(F.MasterRow, F.MasterCol); return;
    case wb::mfkArray: {
      if (!F.HasPtgs() || F.Ptgs[0] != 0xFF) {
        if (F.HasPtgs() && F.Ptgs[0] == 0xFE) throw Exception("TODO Array consts 97");
        throw Exception(core::format("Array formula in cell %d:%d has no BIFF8 tokens", Row, Col));
      }
      tExp(Row, Col);
      const std::size_t n = static_cast<std::size_t>(F.PtgsLen - 1);
      if (14 + n > static_cast<std::size_t>(Doc_.MaxRecordBody()))
        throw Exception(core::format("Formula too long in cell %d:%d", Row, Col));
      Header(W, kARRAY, 14 + n);
      const int r1 = F.HasArea ? F.Area.Row1 : Row, r2 = F.HasArea ? F.Area.Row2 : Row;
      const int c1 = F.HasArea ? F.Area.Col1 : Col, c2 = F.HasArea ? F.Area.Col2 : Col;
      W.u16le(static_cast<std::uint16_t>(std::clamp(r1, 0, 0xFFFF)));
      W.u16le(static_cast<std::uint16_t>(std::clamp(r2, 0, 0xFFFF)));
      W.u8(static_cast<std::uint8_t>(std::clamp(c1, 0, 0xFF)));
      W.u8(static_cast<std::uint8_t>(std::clamp(c2, 0, 0xFF)));
      W.u16le(static_cast<std::uint16_t>(F.FormulaOptions & 1));
      W.u32le(0);
      W.u16le(static_cast<std::uint16_t>(n));
      W.bytes(F.Ptgs + 1, n);
      break;
    }
    default: {
      if (F.HasPtgs() && F.Ptgs[0] == 0xFF) {
        const std::size_t n = static_cast<std::size_t>(F.PtgsLen - 1);
        fixed(n, 0);
        W.bytes(F.Ptgs + 1, n);
      } else if (F.HasPtgs() && F.Ptgs[0] == 0xFE && F.PtgsLen >= 3) {
        const std::size_t extra = core::load_le16(F.Ptgs + 1);
        if (extra + 3 > static_cast<std::size_t>(F.PtgsLen)) throw Exception("Invalid stored formula");
        const std::size_t n = static_cast<std::size_t>(F.PtgsLen) - 3 - extra;
        fixed(n, extra);
        W.bytes(F.Ptgs + 3, n + extra);
      } else {
        if (!FormulaEncoder)
          throw Exception(core::format("Formula in cell %d:%d has no BIFF8 tokens and no encoder is set", Row, Col));
        const core::Bytes tokens = FormulaEncoder(Manager_, SheetIndex_, F.SourceText);
        fixed(tokens.size(), 0);
        W.bytes(tokens.data(), tokens.size());
      }
      break;
    }
  }
  if (F.ResultKind == wb::cvkStringFormula && !F.GetResultString().empty()) WriteSTRING(W, F.GetResultString());
}

void TXLSWriteXLS::WriteCells() {
  wb::TXLSCellMMU& cells = *Sheet_->Cells;
  core::ByteWriter W;
  W.reserve(kFlushSize + 16384);
  RKCount_ = BlankCount_ = 0;
  RKFirst_ = RKLast_ = BlankFirst_ = BlankLast_ = -1;
  int prevRow = -1;
  cells.BeginIterate(0);
  while (cells.IterNext()) {
    const int col = cells.IterCol(), row = cells.IterRow();
    if (col > 255 || row > 65535) continue;
    if (row != prevRow) {
      FlushRKRun(W, prevRow);
      FlushBlankRun(W, prevRow);
      FlushCells(W, false);
      prevRow = row;
    }
    const wb::TCellValueKind kind = cells.IterCellType();
    const std::uint16_t xf = BIFF5_ ? 15 : XFIndex(cells.IterStyle());
    if (kind != wb::cvkBlank && kind != wb::cvkFloat) {
      FlushRKRun(W, row);
      FlushBlankRun(W, row);
    }
    switch (kind) {
      case wb::cvkBlank:
        if (BlankCount_ > 0 && col != BlankLast_ + 1) {
          // A blank that does not continue the run is written alone; the next one starts a run.
          FlushBlankRun(W, row);
          CellHead(W, kBLANK, 6, row, col, xf);
          break;
        }
        if (BlankCount_ == 0) BlankFirst_ = col;
        BlankRun_[static_cast<std::size_t>(BlankCount_++)] = xf;
        BlankLast_ = col;
        break;
      case wb::cvkFloat: {
        const double v = cells.IterFloat();
        std::int32_t rk = 0;
        if (EncodeRK(rk, v) && (RKCount_ == 0 || col == RKLast_ + 1)) {
          if (RKCount_ == 0) RKFirst_ = col;
          RKRun_[static_cast<std::size_t>(RKCount_++)] = {xf, rk};
          RKLast_ = col;
        } else {
          FlushRKRun(W, row);
          CellHead(W, kNUMBER, 14, row, col, xf);
          W.f64le(v);
        }
        break;
      }
      case wb::cvkString:
        if (BIFF5_) {
          std::u16string text;
          Sheet_->SST->GetText(cells.IterStringIndex(), text);
          std::string s = core::utf16_to_codepage(wb::TFormatSettings::GetAnsiCodePage(), text);
          if (s.size() > 255) s.resize(255);
          CellHead(W, kLABEL, 8 + s.size(), row, col, xf);
          W.u16le(static_cast<std::uint16_t>(s.size()));
          W.raw_string(s);
        } else {
          CellHead(W, kLABELSST, 10, row, col, xf);
          W.u32le(static_cast<std::uint32_t>(cells.IterStringIndex()));
        }
        break;
      case wb::cvkBoolean:
        CellHead(W, kBOOLERR, 8, row, col, xf);
        W.u8(cells.IterBoolean() ? 1 : 0);
        W.u8(0);
        break;
      case wb::cvkError: {
        const std::uint8_t e = cells.IterError() & 0x7F;
        if (e == 0) throw Exception(core::format("Invalid error value in cell %d:%d", row, col));
        CellHead(W, kBOOLERR, 8, row, col, xf);
        W.u8(wb::Xc12ErrorToBIFFError(e));
        W.u8(1);
        break;
      }
      default: WriteFormulaCell(W, row, col, xf); break;
    }
  }
  FlushRKRun(W, prevRow);
  FlushBlankRun(W, prevRow);
  FlushCells(W, true);
}

void TXLSWriteXLS::WriteROWs() {
  wb::TXLSCellMMU& cells = *Sheet_->Cells;
  wb::TXLSCellArea dim;
  Sheet_->GetDimension(dim);
  const int lastCol = wb::CellAreaAssigned(dim) ? std::min(dim.Col2 + 1, 256) : 0;
  core::ByteWriter W;
  cells.IterInit(-1);
  while (cells.IterNextRow()) {
    const int row = cells.IterRow();
    // Row numbers past the grid are not written at all (a 16-bit row would name another row).
    if (row > 65535) break;
    wb::TMMURowHeader h = cells.IterRowHeader();
    if (!h) continue;
    const std::uint16_t xf = BIFF5_ ? 15 : XFIndex(h.Style());
    std::uint16_t o = static_cast<std::uint16_t>((h.OutlineLevel() & 7) | 0x100);
    if (h.Flags() & wb::TMMURowHeader::rhfCollapsed) o |= 0x10;
    if (h.Flags() & wb::TMMURowHeader::rhfHidden) o |= 0x20;
    if (h.Flags() & wb::TMMURowHeader::rhfCustomHeight) o |= 0x40;
    if (xf != 15) o |= 0x80;
    std::uint16_t x = xf & 0x0FFF;
    if (h.Flags() & wb::TMMURowHeader::rhfThickTop) x |= 0x1000;
    if (h.Flags() & wb::TMMURowHeader::rhfThickBottom) x |= 0x2000;
    Header(W, kROW, 16);
    W.u16le(static_cast<std::uint16_t>(row));
    W.u16le(0);
    W.u16le(static_cast<std::uint16_t>(lastCol));
    W.u16le(static_cast<std::uint16_t>(h.Height() & 0x7FFF));
    W.u16le(0);
    W.u16le(0);
    W.u16le(o);
    W.u16le(x);
    FlushCells(W, false);
  }
  FlushCells(W, true);
}

void TXLSWriteXLS::WriteDIMENSIONS() {
  wb::TXLSCellArea dim;
  Sheet_->GetDimension(dim);
  std::uint32_t r1 = 0, r2 = 0;
  std::uint16_t c1 = 0, c2 = 0;
  if (wb::CellAreaAssigned(dim)) {
    r1 = static_cast<std::uint32_t>(std::min(dim.Row1, 0xFFFF));
    r2 = dim.Row2 > 0xFFFF ? 0x10000u : static_cast<std::uint32_t>(dim.Row2 + 1);
    c1 = static_cast<std::uint16_t>(std::min(dim.Col1, 0xFF));
    c2 = dim.Col2 > 0xFF ? 0x100 : static_cast<std::uint16_t>(dim.Col2 + 1);
  }
  std::uint8_t b[14] = {};
  if (BIFF5_) {
    core::store_le16(b, static_cast<std::uint16_t>(r1));
    core::store_le16(b + 2, static_cast<std::uint16_t>(std::min<std::uint32_t>(r2, 0xFFFF)));
    core::store_le16(b + 4, c1);
    core::store_le16(b + 6, c2);
    WriteRecordData(BIFFRECID_DIMENSIONS, 10, b);
    return;
  }
  core::store_le32(b, r1);
  core::store_le32(b + 4, r2);
  core::store_le16(b + 8, c1);
  core::store_le16(b + 10, c2);
  WriteRecordData(BIFFRECID_DIMENSIONS, 14, b);
}

}  // namespace biff
