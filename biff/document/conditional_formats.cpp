#include "biff/document/conditional_formats.h"

#include <algorithm>
#include <cstring>

#include "biff/biff_error.h"
#include "biff/reader/body_reader.h"
#include "core/byte_io.h"
#include "workbook/biff_codecs.h"

namespace biff {

namespace wb = workbook;

namespace {
// A palette index as the blocks read it: values above 64 read as 64 (automatic).
std::uint8_t Clamp(std::uint32_t Index) { return wb::ClampColorIndex(static_cast<std::uint16_t>(std::min<std::uint32_t>(Index, 0xFFFF))); }
}  // namespace

// ---- font block

TCondFmtFont::TCondFmtFont() {
  SetU32(64, 0xFFFFFFFF);
  core::store_le16(Block.data() + 72, 400);
  SetU32(80, 0xFFFFFFFF);
  SetU32(88, 0x9A);
  SetU32(92, 1);
  SetU32(96, 1);
  core::store_le16(Block.data() + 116, 1);
}

std::uint32_t TCondFmtFont::U32(int Offset) const { return core::load_le32(Block.data() + Offset); }

void TCondFmtFont::SetU32(int Offset, std::uint32_t Value) { core::store_le32(Block.data() + Offset, Value); }

std::uint8_t TCondFmtFont::Color() const {
  const std::uint32_t c = U32(80);
  return c == 0xFFFFFFFF ? 64 : Clamp(c);
}

void TCondFmtFont::SetColor(std::uint8_t Value) {
  SetU32(80, Value == 64 ? 0xFFFFFFFF : (Value & 0x7Fu));
  Assigned = true;
}

wb::TXc12FontStyles TCondFmtFont::FontStyle() const {
  wb::TXc12FontStyles s = 0;
  if (core::load_le16(Block.data() + 72) >= 700) s |= wb::FontStyleBit(wb::xfsBold);
  if (U32(68) & 0x02) s |= wb::FontStyleBit(wb::xfsItalic);
  if (U32(68) & 0x80) s |= wb::FontStyleBit(wb::xfsStrikeOut);
  return s;
}

void TCondFmtFont::SetFontStyle(wb::TXc12FontStyles Value) {
  if (Value == FontStyle() && Assigned) return;
  std::uint32_t options = 0, nm = 0x9A;
  if (Value & wb::FontStyleBit(wb::xfsItalic)) {
    options |= 0x02;
    nm &= ~0x02u;
  }
  if (Value & wb::FontStyleBit(wb::xfsStrikeOut)) {
    options |= 0x80;
    nm &= ~0x80u;
  }
  if (Value & wb::FontStyleBit(wb::xfsBold)) {
    core::store_le16(Block.data() + 72, 700);
    nm &= ~0x02u;
  } else {
    core::store_le16(Block.data() + 72, 400);
  }
  SetU32(68, options);
  SetU32(88, nm);
  Assigned = true;
}

std::uint32_t TCondFmtFont::Height20() const {
  const std::uint32_t h = U32(64);
  return h == 0xFFFFFFFF ? 0 : h;
}

void TCondFmtFont::SetHeight20(std::uint32_t Value) {
  SetU32(64, Value == 0 ? 0xFFFFFFFF : Value);
  // A height that is not set leaves a font that sets other parts assigned.
  if (Value != 0) Assigned = true;
}

wb::TXc12SubSuperscript TCondFmtFont::Escapment() const {
  const std::uint16_t e = core::load_le16(Block.data() + 74);
  return e <= 2 ? static_cast<wb::TXc12SubSuperscript>(e) : wb::xssNone;
}

void TCondFmtFont::SetEscapment(wb::TXc12SubSuperscript Value) {
  core::store_le16(Block.data() + 74, Value);
  SetU32(92, 0);
  Assigned = true;
}

wb::TXc12Underline TCondFmtFont::Underline() const {
  switch (Block[76]) {
    case 1: return wb::xulSingle;
    case 2: return wb::xulDouble;
    case 0x21: return wb::xulSingleAccount;
    case 0x22: return wb::xulDoubleAccount;
    default: return wb::xulNone;
  }
}

void TCondFmtFont::SetUnderline(wb::TXc12Underline Value) {
  static const std::uint8_t kValues[] = {0, 1, 2, 0x21, 0x22};
  Block[76] = Value <= wb::xulDoubleAccount ? kValues[Value] : 0;
  SetU32(96, 0);
  Assigned = true;
}

void TCondFmtFont::LoadFromRecord(const std::uint8_t* Data) {
  std::memcpy(Block.data(), Data, kSize);
  Assigned = true;
}

// ---- border block

TCondFmtBorder::TCondFmtBorder() { core::store_le32(Block.data() + 2, 0x20402040); }

wb::TXc12CellBorderStyle TCondFmtBorder::Style(int Shift) const {
  return static_cast<wb::TXc12CellBorderStyle>((core::load_le16(Block.data()) >> Shift) & 0xF);
}

void TCondFmtBorder::SetStyle(int Shift, wb::TXc12CellBorderStyle Value, bool& Assigned) {
  std::uint16_t w = core::load_le16(Block.data());
  w = static_cast<std::uint16_t>((w & ~(0xF << Shift)) | ((Value & 0xF) << Shift));
  core::store_le16(Block.data(), w);
  Assigned = Value != wb::cbsNone;
}

std::uint8_t TCondFmtBorder::Color(int Shift) const {
  return Clamp((core::load_le32(Block.data() + 2) >> Shift) & 0x7F);
}

void TCondFmtBorder::SetColor(int Shift, std::uint8_t Value) {
  std::uint32_t c = core::load_le32(Block.data() + 2);
  c = (c & ~(0x7Fu << Shift)) | (static_cast<std::uint32_t>(Value & 0x7F) << Shift);
  core::store_le32(Block.data() + 2, c);
}

void TCondFmtBorder::LoadFromRecord(const std::uint8_t* Data, std::uint32_t Flags) {
  std::memcpy(Block.data(), Data, kSize);
  LeftAssigned = (Flags & 0x0400) == 0;
  RightAssigned = (Flags & 0x0800) == 0;
  TopAssigned = (Flags & 0x1000) == 0;
  BottomAssigned = (Flags & 0x2000) == 0;
}

// ---- pattern block

wb::TXc12FillPattern TCondFmtPattern::FillPattern() const {
  const int p = core::load_le16(Block.data()) >> 10;
  return p <= wb::efpGray0625 ? static_cast<wb::TXc12FillPattern>(p) : wb::efpNone;
}

void TCondFmtPattern::SetFillPattern(wb::TXc12FillPattern Value) {
  std::uint16_t w = core::load_le16(Block.data());
  w = static_cast<std::uint16_t>((w & 0x03FF) | ((Value & 0x3F) << 10));
  core::store_le16(Block.data(), w);
  PatternAssigned = Value != wb::efpNone;
}

std::uint8_t TCondFmtPattern::Color(int Shift) const {
  const std::uint8_t c = Clamp((core::load_le16(Block.data() + 2) >> Shift) & 0x7F);
  return c == 0 ? 64 : c;
}

void TCondFmtPattern::SetColor(int Shift, std::uint8_t Value, bool& Assigned) {
  std::uint16_t w = core::load_le16(Block.data() + 2);
  w = static_cast<std::uint16_t>(w & ~(0x7F << Shift));
  if (Value == 0 || Value == 64) {
    Assigned = false;
  } else {
    w = static_cast<std::uint16_t>(w | ((Value & 0x7F) << Shift));
    Assigned = true;
  }
  core::store_le16(Block.data() + 2, w);
}

void TCondFmtPattern::LoadFromRecord(const std::uint8_t* Data, std::uint32_t Flags) {
  std::memcpy(Block.data(), Data, kSize);
  PatternAssigned = (Flags & 0x00010000) == 0;
  BackColorAssigned = (Flags & 0x00020000) == 0;
  ForeColorAssigned = (Flags & 0x00040000) == 0;
}

// ---- condition

TCondFmtData::TCondFmtData() {
  Header[0] = 1;
  Header[1] = coEqual;
  SetFlags(0x003FFFFF);
}

std::uint32_t TCondFmtData::Flags() const { return core::load_le32(Header.data() + 6); }

void TCondFmtData::SetFlags(std::uint32_t Value) { core::store_le32(Header.data() + 6, Value); }

void TCondFmtData::ReadFromRecord(const std::uint8_t* Body, int Len) {
  const TRecordBody b(Body, Len);
  std::memcpy(Header.data(), b.At(0, 12), 12);
  const int cce1 = b.U16(2), cce2 = b.U16(4);
  const std::uint32_t flags = Flags();
  // The formulas close the record; what lies between the header and them is the format.
  const int formulas = Len - cce1 - cce2;
  if (formulas < 12) throw Exception("record too short");
  int fixed = 0;
  if (flags & CF_HAS_FONT) fixed += TCondFmtFont::kSize;
  if (flags & CF_HAS_ALIGN) fixed += 8;
  if (flags & CF_HAS_BORDER) fixed += TCondFmtBorder::kSize;
  if (flags & CF_HAS_PATTERN) fixed += TCondFmtPattern::kSize;
  if (flags & CF_HAS_PROTECT) fixed += 2;
  const int numfmt = formulas - 12 - fixed;
  if (numfmt < 0 || (numfmt > 0 && !(flags & CF_HAS_NUMFMT))) throw Exception("record too short");
  int pos = 12;
  auto take = [&](std::vector<std::uint8_t>& Dest, int Size) {
    const std::uint8_t* p = b.At(pos, Size);
    Dest.assign(p, p + Size);
    pos += Size;
  };
  NumFmt_.clear();
  Align_.clear();
  Protect_.clear();
  FmtFont = TCondFmtFont();
  FmtBorder = TCondFmtBorder();
  FmtPattern = TCondFmtPattern();
  if (flags & CF_HAS_NUMFMT) take(NumFmt_, numfmt);
  if (flags & CF_HAS_FONT) {
    FmtFont.LoadFromRecord(b.At(pos, TCondFmtFont::kSize));
    pos += TCondFmtFont::kSize;
  }
  if (flags & CF_HAS_ALIGN) take(Align_, 8);
  if (flags & CF_HAS_BORDER) {
    FmtBorder.LoadFromRecord(b.At(pos, TCondFmtBorder::kSize), flags);
    pos += TCondFmtBorder::kSize;
  }
  if (flags & CF_HAS_PATTERN) {
    FmtPattern.LoadFromRecord(b.At(pos, TCondFmtPattern::kSize), flags);
    pos += TCondFmtPattern::kSize;
  }
  if (flags & CF_HAS_PROTECT) take(Protect_, 2);
  take(Formula1_, cce1);
  take(Formula2_, cce2);
}

TRawRecord TCondFmtData::Record() const {
  std::array<std::uint8_t, 12> h = Header;
  std::uint32_t flags = core::load_le32(h.data() + 6);
  flags &= ~(CF_HAS_FONT | CF_HAS_BORDER | CF_HAS_PATTERN);
  if (FmtFont.Assigned) flags |= CF_HAS_FONT;
  if (FmtBorder.IsAssigned()) {
    flags |= CF_HAS_BORDER;
    if (FmtBorder.LeftAssigned) flags &= ~0x0400u;
    if (FmtBorder.RightAssigned) flags &= ~0x0800u;
    if (FmtBorder.TopAssigned) flags &= ~0x1000u;
    if (FmtBorder.BottomAssigned) flags &= ~0x2000u;
  }
  if (FmtPattern.IsAssigned()) {
    flags |= CF_HAS_PATTERN;
    if (FmtPattern.PatternAssigned) flags &= ~0x00010000u;
    if (FmtPattern.BackColorAssigned) flags &= ~0x00020000u;
    if (FmtPattern.ForeColorAssigned) flags &= ~0x00040000u;
  }
  // Blocks kept from the file stay announced; none is made here.
  if (NumFmt_.empty()) flags &= ~CF_HAS_NUMFMT;
  if (Align_.empty()) flags &= ~CF_HAS_ALIGN;
  if (Protect_.empty()) flags &= ~CF_HAS_PROTECT;
  core::store_le32(h.data() + 6, flags);
  core::store_le16(h.data() + 2, static_cast<std::uint16_t>(Formula1_.size()));
  core::store_le16(h.data() + 4, static_cast<std::uint16_t>(Formula2_.size()));
  core::ByteWriter w;
  w.bytes(h.data(), h.size());
  w.bytes(NumFmt_.data(), NumFmt_.size());
  if (flags & CF_HAS_FONT) w.bytes(FmtFont.Block.data(), FmtFont.Block.size());
  w.bytes(Align_.data(), Align_.size());
  if (flags & CF_HAS_BORDER) w.bytes(FmtBorder.Block.data(), FmtBorder.Block.size());
  if (flags & CF_HAS_PATTERN) w.bytes(FmtPattern.Block.data(), FmtPattern.Block.size());
  w.bytes(Protect_.data(), Protect_.size());
  w.bytes(Formula1_.data(), Formula1_.size());
  w.bytes(Formula2_.data(), Formula2_.size());
  return {BIFFRECID_CF, w.data()};
}

// ---- one conditional format

int TConditionalFormat::ConditionCount() const {
  return static_cast<int>(std::count_if(Conditions.begin(), Conditions.end(), [](const TCondFmtData& C) { return C.IsUsed(); }));
}

void TConditionalFormat::Assign(const TConditionalFormat& Source) {
  Conditions = Source.Conditions;
  Areas.Assign(Source.Areas);
  Options = Source.Options;
  ReadCount = Source.ReadCount;
}

int TConditionalFormat::ReadCONDFMT(const std::uint8_t* Body, int Len) {
  const TRecordBody b(Body, Len);
  const int cfs = b.U16(0);
  Options = b.U16(2);
  const int ranges = b.U16(12);
  b.Need(14, ranges * 8);
  for (int i = 0; i < ranges; ++i) Areas.AddRef(Body + 14 + 8 * i);
  if (cfs == 0 || cfs > 3) throw Exception("Bad number of CF records.");
  ReadCount = cfs;
  return cfs;
}

std::vector<TRawRecord> TConditionalFormat::Records() {
  std::vector<TRawRecord> out;
  std::vector<const TCondFmtData*> written;
  for (int i = 0; i < 3; ++i)
    if (ReadCount >= 0 ? i < ReadCount : Conditions[static_cast<std::size_t>(i)].IsUsed())
      written.push_back(&Conditions[static_cast<std::size_t>(i)]);
  if (written.empty() || Areas.Count() == 0) return out;
  Areas.Normalize();
  const TAreaBox97 box = Areas.BoundingBox();
  core::ByteWriter w;
  w.u16le(static_cast<std::uint16_t>(written.size()));
  w.u16le(Options);
  WriteAreaRef(w, box.Row1, box.Row2, box.Col1, box.Col2);
  // A record holds at most (8224 - 14) / 8 areas.
  const int n = std::min(Areas.Count(), 1026);
  w.u16le(static_cast<std::uint16_t>(n));
  for (int i = 0; i < n; ++i) {
    const TCellArea97& a = *Areas.Items(i);
    WriteAreaRef(w, a.Row1, a.Row2, a.Col1, a.Col2);
  }
  out.push_back({BIFFRECID_CONDFMT, w.data()});
  for (const TCondFmtData* c : written) out.push_back(c->Record());
  return out;
}

// ---- the sheet's list

TConditionalFormat& TConditionalFormats::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw Exception("List index out of bounds");
  return *Items_[static_cast<std::size_t>(Index)];
}

TConditionalFormat& TConditionalFormats::Add() {
  Items_.push_back(std::make_unique<TConditionalFormat>());
  return *Items_.back();
}

std::vector<TRawRecord> TConditionalFormats::Records() {
  std::vector<TRawRecord> out;
  for (auto& f : Items_) {
    std::vector<TRawRecord> r = f->Records();
    out.insert(out.end(), std::make_move_iterator(r.begin()), std::make_move_iterator(r.end()));
  }
  return out;
}

}  // namespace biff
