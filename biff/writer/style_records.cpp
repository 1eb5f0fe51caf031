// Style records (FONT, FORMAT, XF, STYLE, PALETTE, the fixed BIFF5 block) and the shared-string
// table with its EXTSST index.
//
// Numbering. A style sheet filled by the reader from a file (it kept the file's STYLE records)
// holds the file's XFs behind the model's built-in XF 0 and the file's fonts behind the
// built-in font 0, with an empty placeholder at model font 5 where the file has no font 4: BIFF XF
// i is model XF i + 1, FONT i is model font i + 1, and model font 5 is never written. A style sheet
// built through the programming interface has no such file layout: the writer then puts the 15
// style XFs in front, model XF s becomes BIFF XF 15 + s (model XF 0, the default cell format, is
// XF 15), and model font m becomes FONT m, skipping the unused FONT index 4.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "biff/writer/xls_writer.h"
#include "core/codepage.h"
#include "core/strings.h"
#include "workbook/biff_codecs.h"
#include "workbook/colors.h"
#include "workbook/format_settings.h"
#include "workbook/manager.h"

namespace biff {

namespace wb = workbook;

namespace {

constexpr std::uint16_t kFONT = 0x0031;
constexpr std::uint16_t kFORMAT = 0x041E;
constexpr std::uint16_t kXF = 0x00E0;
constexpr std::uint16_t kSTYLE = 0x0293;
constexpr std::uint16_t kPALETTE = 0x0092;
constexpr std::uint16_t kSST = 0x00FC;
constexpr std::uint16_t kEXTSST = 0x00FF;
constexpr int kPiece = 8224;

}  // namespace

std::uint16_t TXLSWriteXLS::XFIndex(int Style) const {
  if (Style <= 0) return 15;
  if (FreshStyles_) return static_cast<std::uint16_t>(std::min(15 + Style, 0xFFF));
  return static_cast<std::uint16_t>(std::min(Style - 1, 0xFFF));
}

std::uint16_t TXLSWriteXLS::FontIndex(int ModelFont) const {
  if (ModelFont >= 0 && ModelFont < static_cast<int>(FontMap_.size()) && FontMap_[static_cast<std::size_t>(ModelFont)] >= 0)
    return static_cast<std::uint16_t>(FontMap_[static_cast<std::size_t>(ModelFont)]);
  if (ModelFont <= 0) return 0;
  if (FreshStyles_) return static_cast<std::uint16_t>(ModelFont < 4 ? ModelFont : ModelFont + 1);
  return static_cast<std::uint16_t>(ModelFont - 1);
}

std::uint8_t TXLSWriteXLS::ColorToPaletteIndex(const wb::TXc12Color& Color, std::uint8_t Automatic) const {
  return wb::Xc12ColorToPaletteIndex(Color, Automatic, Manager_.StyleSheet->Palette);
}

void TXLSWriteXLS::WriteStyleBlock() {
  WriteFONTs();
  WriteFORMATs();
  WriteXFs();
  WriteSTYLEs();
}

void TXLSWriteXLS::WriteFONT(const wb::TXc12Font* Font) {
  core::ByteWriter w;
  const std::u16string name = Font->GetName().substr(0, 255);
  w.u16le(static_cast<std::uint16_t>(std::clamp(static_cast<int>(std::lround(Font->GetSize() * 20)), 20, 8191)));
  std::uint16_t o = 0;
  if (Font->GetStyle() & wb::FontStyleBit(wb::xfsItalic)) o |= 0x0002;
  if (Font->GetStyle() & wb::FontStyleBit(wb::xfsStrikeOut)) o |= 0x0008;
  w.u16le(o);
  std::uint16_t color = ColorToPaletteIndex(Font->GetColor(), 0) & 0x7F;
  if (color == 0) color = 0x7FFF;
  w.u16le(color);
  w.u16le((Font->GetStyle() & wb::FontStyleBit(wb::xfsBold)) ? 700 : 400);
  w.u16le(static_cast<std::uint16_t>(Font->GetSubSuperscript()));
  static const std::uint8_t kUnderline[] = {0x00, 0x01, 0x02, 0x21, 0x22};
  w.u8(kUnderline[std::min<int>(Font->GetUnderline(), 4)]);
  w.u8(static_cast<std::uint8_t>(Font->GetFamily()));
  w.u8(static_cast<std::uint8_t>(Font->GetCharset()));
  w.u8(0);
  w.u8(static_cast<std::uint8_t>(name.size()));
  w.u8(1);
  w.u16string_le(name);
  WriteRecordData(kFONT, static_cast<int>(w.size()), w.data().data());
}

void TXLSWriteXLS::WriteFONTs() {
  const wb::TXc12Fonts& fonts = *Manager_.StyleSheet->Fonts;
  const int n = fonts.Count();
  FontMap_.assign(static_cast<std::size_t>(std::max(n, 1)), -1);
  int next = 0;
  auto emit = [&](int m) {
    const wb::TXc12Font* f = fonts.GetItem(m);
    if (!f) f = fonts.GetItem(0);
    if (next == 4) ++next;  // FONT index 4 does not exist
    WriteFONT(f);
    FontMap_[static_cast<std::size_t>(m)] = next++;
  };
  if (FreshStyles_) {
    for (int m = 0; m < n; ++m) emit(m);
  } else {
    for (int m = 1; m < n; ++m)
      if (m != 5) emit(m);
    FontMap_[0] = 0;
    if (n > 5) FontMap_[5] = 0;
  }
}

void TXLSWriteXLS::WriteFORMATs() {
  const wb::TXc12NumberFormats& formats = *Manager_.StyleSheet->NumberFormats;
  for (int i = 0; i < formats.Count() && i <= 0xFFFF; ++i) {
    const wb::TXc12NumberFormat* f = formats.GetItem(i);
    if (!f) continue;
    if (i < wb::kXc12BuiltinNumberFormatCount && !f->Explicit) continue;
    if (f->GetMask().empty()) continue;
    const std::u16string mask = f->GetMask().substr(0, 255);
    core::ByteWriter w;
    w.u16le(static_cast<std::uint16_t>(i));
    w.u16le(static_cast<std::uint16_t>(mask.size()));
    w.u8(1);
    w.u16string_le(mask);
    WriteRecordData(kFORMAT, static_cast<int>(w.size()), w.data().data());
  }
}

void TXLSWriteXLS::WriteXF(const wb::TXc12XF* XF, bool StyleXF) {
  std::uint8_t b[20] = {};
  std::uint16_t font = 0, format = 0, prot = 1;
  const wb::TXc12CellAlignment* al = nullptr;
  const wb::TXc12Border* border = nullptr;
  const wb::TXc12Fill* fill = nullptr;
  if (XF) {
    font = XF->GetFont() ? FontIndex(XF->GetFont()->Index) : 0;
    format = XF->GetNumberFormat() ? static_cast<std::uint16_t>(XF->GetNumberFormat()->Index) : 0;
    prot = XF->GetProtection() & 3;
    al = &XF->Alignment;
    border = XF->GetBorder();
    fill = XF->GetFill();
  }
  core::store_le16(b, font);
  core::store_le16(b + 2, format);
  // Type and parent: a style XF has the style bit and parent 0xFFF; a cell XF has parent 0.
  core::store_le16(b + 4, static_cast<std::uint16_t>(StyleXF ? (0xFFF4 | prot) : prot));
  std::uint8_t h = 0, v = 2, rot = 0, indent = 0;
  bool wrap = false, shrink = false;
  if (al) {
    h = std::min<std::uint8_t>(al->GetHorizAlignment(), 7);
    v = std::min<std::uint8_t>(al->GetVertAlignment(), 4);
    rot = static_cast<std::uint8_t>(std::clamp(al->GetRotation(), 0, 255));
    indent = static_cast<std::uint8_t>(std::clamp(al->GetIndent(), 0, 15));
    wrap = (al->GetOptions() & wb::foWrapText) != 0;
    shrink = (al->GetOptions() & wb::foShrinkToFit) != 0;
  }
  b[6] = static_cast<std::uint8_t>(h | (wrap ? 0x08 : 0) | (v << 4));
  b[7] = rot;
  // Every attribute of a cell XF is its own (the "used" flags); a style XF states them all.
  std::uint16_t w8 = static_cast<std::uint16_t>(indent | (shrink ? 0x10 : 0));
  if (!StyleXF) w8 |= 0xFC00;
  core::store_le16(b + 8, w8);
  std::uint16_t styles = 0, colors12 = 0x2040;
  std::uint32_t colors14 = 0x00102040;
  if (border) {
    auto line = [&](const wb::TXc12BorderPr& L, int Shift) {
      styles = static_cast<std::uint16_t>(styles | ((std::min<int>(L.Style, 13) & 0xF) << Shift));
    };
    line(border->Left, 0);
    line(border->Right, 4);
    line(border->Top, 8);
    line(border->Bottom, 12);
    auto color = [&](const wb::TXc12BorderPr& L) -> std::uint32_t {
      return L.Style == wb::cbsNone ? 64u : ColorToPaletteIndex(L.Color, 64) & 0x7F;
    };
    colors12 = static_cast<std::uint16_t>(color(border->Left) | (color(border->Right) << 7));
    if (border->GetOptions() & wb::ecboDiagonalDown) colors12 |= 0x4000;
    if (border->GetOptions() & wb::ecboDiagonalUp) colors12 |= 0x8000;
    colors14 = color(border->Top) | (color(border->Bottom) << 7) | (color(border->Diagonal) << 14) |
               (static_cast<std::uint32_t>(std::min<int>(border->Diagonal.Style, 13) & 0xF) << 21);
  }
  std::uint16_t pattern = 0x20C0;
  if (fill && !fill->IsGradient()) {
    const std::uint32_t p = std::min<std::uint32_t>(fill->GetPatternType(), 18);
    colors14 |= p << 26;
    if (p != 0) {
      const std::uint16_t fg = ColorToPaletteIndex(fill->FgColor, 64) & 0x7F;
      const std::uint16_t bg = ColorToPaletteIndex(fill->BgColor, 65) & 0x7F;
      pattern = static_cast<std::uint16_t>(fg | (bg << 7));
    }
  }
  core::store_le16(b + 10, styles);
  core::store_le16(b + 12, colors12);
  core::store_le32(b + 14, colors14);
  core::store_le16(b + 18, pattern);
  WriteRecordData(kXF, 20, b);
}

void TXLSWriteXLS::WriteXFs() {
  const wb::TXc12XFs& xfs = *Manager_.StyleSheet->XFs;
  const int n = xfs.Count();
  if (FreshStyles_) {
    // The 15 style XFs: Normal and the 14 outline-level styles, all on the default font.
    WriteXF(nullptr, true);
    for (int i = 1; i < 15; ++i) {
      std::uint8_t b[20] = {0, 0, 0, 0, 0xF5, 0xFF, 0x20, 0, 0, 0xF4, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0x20};
      WriteRecordData(kXF, 20, b);
    }
    for (int k = 0; k < n; ++k) {
      const wb::TXc12XF* xf = xfs.GetItem(k);
      WriteXF(xf ? xf : xfs.GetItem(0), false);
    }
    return;
  }
  for (int k = 1; k < n; ++k) {
    const wb::TXc12XF* xf = xfs.GetItem(k);
    // A file's XFs 0 to 14 are its style XFs.
    WriteXF(xf ? xf : xfs.GetItem(0), k - 1 < 15);
  }
}

void TXLSWriteXLS::WriteSTYLEs() {
  if (FreshStyles_ || Doc_.Styles().Count() == 0) {
    // Normal on XF 0; the other built-in styles have no style XF of their own here.
    const std::uint8_t normal[4] = {0x00, 0x80, 0x00, 0xFF};
    WriteRecordData(kSTYLE, 4, normal);
    return;
  }
  for (int i = 0; i < Doc_.Styles().Count(); ++i) {
    const core::Bytes& s = Doc_.Styles().Items(i);
    if (s.size() < 4) continue;
    WriteRecordData(kSTYLE, static_cast<int>(std::min<std::size_t>(s.size(), TStyles::StyleSize(s.data()))), s.data());
  }
}

void TXLSWriteXLS::WritePALETTE() {
  const auto& pal = Manager_.StyleSheet->Palette;
  bool changed = BIFF5_;
  for (int i = 8; i < 64 && !changed; ++i) changed = pal[static_cast<std::size_t>(i)] != wb::Xc12DefaultPalette[static_cast<std::size_t>(i)];
  if (!changed) return;
  std::uint8_t b[2 + 56 * 4];
  core::store_le16(b, 56);
  for (int i = 8; i < 64; ++i) core::store_le32(b + 2 + 4 * (i - 8), pal[static_cast<std::size_t>(i)] & 0x00FFFFFF);
  WriteRecordData(kPALETTE, sizeof b, b);
}

void TXLSWriteXLS::WriteBIFF5Styles() {
  static const std::uint8_t kFont[] = {200, 0, 0, 0, 0xFF, 0x7F, 0x90, 0x01, 0, 0, 0, 0, 0, 0, 5, 'A', 'r', 'i', 'a', 'l'};
  for (int i = 0; i < 4; ++i) WriteRecordData(kFONT, sizeof kFont, kFont);
  static const std::pair<int, const char*> kFormats[] = {
      {5, "#,##0\\ \"kr\";\\-#,##0\\ \"kr\""},
      {6, "#,##0\\ \"kr\";[Red]\\-#,##0\\ \"kr\""},
      {7, "#,##0.00\\ \"kr\";\\-#,##0.00\\ \"kr\""},
      {8, "#,##0.00\\ \"kr\";[Red]\\-#,##0.00\\ \"kr\""},
      {42, "_-* #,##0\\ \"kr\"_-;\\-* #,##0\\ \"kr\"_-;_-* \"-\"\\ \"kr\"_-;_-@_-"},
      {41, "_-* #,##0\\ _k_r_-;\\-* #,##0\\ _k_r_-;_-* \"-\"\\ _k_r_-;_-@_-"},
      {44, "_-* #,##0.00\\ \"kr\"_-;\\-* #,##0.00\\ \"kr\"_-;_-* \"-\"??\\ \"kr\"_-;_-@_-"},
      {43, "_-* #,##0.00\\ _k_r_-;\\-* #,##0.00\\ _k_r_-;_-* \"-\"??\\ _k_r_-;_-@_-"},
  };
  for (const auto& [id, mask] : kFormats) {
    core::ByteWriter w;
    w.u16le(static_cast<std::uint16_t>(id));
    const std::size_t n = std::strlen(mask);
    w.u8(static_cast<std::uint8_t>(n));
    w.raw_string(mask);
    WriteRecordData(kFORMAT, static_cast<int>(w.size()), w.data().data());
  }
  for (int i = 0; i < 21; ++i) {
    std::uint8_t b[16] = {0, 0, 0, 0, 0xF5, 0xFF, 0x20, 0xF4, 0xC0, 0x20, 0, 0, 0, 0, 0, 0};
    if (i == 0) b[7] = 0;
    if (i >= 1 && i <= 2) b[0] = 1;
    if (i >= 3 && i <= 4) b[0] = 2;
    if (i == 15) {
      b[4] = 0x01;
      b[5] = 0x00;
      b[7] = 0;
    }
    if (i >= 16) {
      static const std::uint8_t kFmt[] = {0x2B, 0x29, 0x2C, 0x2A, 0x09};
      b[0] = 1;
      b[2] = kFmt[i - 16];
      b[7] = 0xF8;
    }
    WriteRecordData(kXF, 16, b);
  }
  static const std::uint8_t kStyles[6][4] = {{0x10, 0x80, 0x03, 0xFF}, {0x11, 0x80, 0x06, 0xFF},
                                             {0x12, 0x80, 0x04, 0xFF}, {0x13, 0x80, 0x07, 0xFF},
                                             {0x00, 0x80, 0x00, 0xFF}, {0x14, 0x80, 0x05, 0xFF}};
  for (const auto& s : kStyles) WriteRecordData(kSTYLE, 4, s);
}

// ---------------------------------------------------------------------------------------------
// Shared strings

namespace {

// SST and its CONTINUE pieces built in memory: a string header never splits, 16-bit characters
// never split, and each continued piece of characters starts with its option byte.
class SSTBuilder {
public:
  SSTBuilder(core::ByteWriter& W, int Base) : W_(W), Base_(Base) {}

  void Begin() {
    W_.u16le(kSST);
    LenPos_ = W_.size();
    W_.u16le(0);
    Room_ = kPiece;
  }
  void Next() {
    W_.patch_u16le(LenPos_, static_cast<std::uint16_t>(kPiece - Room_));
    W_.u16le(BIFFRECID_CONTINUE);
    LenPos_ = W_.size();
    W_.u16le(0);
    Room_ = kPiece;
  }
  void End() { W_.patch_u16le(LenPos_, static_cast<std::uint16_t>(kPiece - Room_)); }
  void Put(const void* P, int N) {
    W_.bytes(P, static_cast<std::size_t>(N));
    Room_ -= N;
  }
  void U8(std::uint8_t V) { Put(&V, 1); }
  void U16(std::uint16_t V) {
    std::uint8_t b[2];
    core::store_le16(b, V);
    Put(b, 2);
  }
  void Chars(const std::uint8_t* P, int Len, bool Wide) {
    while (Len > Room_) {
      int n = Room_;
      if (Wide && (n & 1)) --n;
      Put(P, n);
      P += n;
      Len -= n;
      Next();
      U8(Wide ? 1 : 0);
    }
    Put(P, Len);
  }
  int Room() const { return Room_; }
  // Absolute stream position of the next byte, and its offset from the current piece's header.
  int StreamPos() const { return Base_ + static_cast<int>(W_.size()); }
  int PieceOffset() const { return static_cast<int>(W_.size() - (LenPos_ - 2)); }

private:
  core::ByteWriter& W_;
  int Base_;
  std::size_t LenPos_ = 0;
  int Room_ = kPiece;
};

}  // namespace

void TXLSWriteXLS::WriteSST() {
  const wb::TXc12DataSST& sst = *Manager_.SST;
  const int n = sst.Count();
  const int perBucket = n / 1027 < 7 ? 8 : n / 1027 + 1;
  std::vector<std::pair<std::uint32_t, std::uint16_t>> buckets;
  core::ByteWriter W;
  SSTBuilder b(W, Stream_->Position());
  b.Begin();
  std::uint8_t counts[8];
  core::store_le32(counts, static_cast<std::uint32_t>(n));
  core::store_le32(counts + 4, static_cast<std::uint32_t>(n));
  b.Put(counts, 8);
  std::vector<std::uint8_t> wide;
  for (int i = 0; i < n; ++i) {
    if (b.Room() <= 15) b.Next();
    if (i % perBucket == 0)
      buckets.emplace_back(static_cast<std::uint32_t>(b.StreamPos()), static_cast<std::uint16_t>(b.PieceOffset()));
    const wb::TXc12SSTString* rec = sst.GetItems(i);
    if (!rec) {
      b.U16(0);
      b.U8(0);
      continue;
    }
    const int count = wb::TXc12DataSST::GetCharCount(rec);
    const std::uint8_t kind = wb::TXc12DataSST::GetKind(rec);
    const bool is16 = (kind & 1) != 0;
    const int runs = wb::TXc12DataSST::GetFontRunCount(rec);
    // The phonetic block is not kept by the model: only characters and runs are written.
    b.U16(static_cast<std::uint16_t>(count));
    b.U8(static_cast<std::uint8_t>((is16 ? 1 : 0) | (runs > 0 ? 8 : 0)));
    if (runs > 0) b.U16(static_cast<std::uint16_t>(runs));
    b.Chars(wb::TXc12DataSST::GetTextPtr(rec), is16 ? 2 * count : count, is16);
    for (int r = 0; r < runs; ++r) {
      if (b.Room() < 4) b.Next();
      const wb::TXc12FontRun run = wb::TXc12DataSST::GetFontRun(rec, r);
      b.U16(static_cast<std::uint16_t>(run.Index));
      b.U16(run.Font ? FontIndex(run.Font->Index) : 0);
    }
  }
  b.End();
  Stream_->WriteRaw(W.data().data(), static_cast<int>(W.size()));

  core::ByteWriter x;
  x.u16le(static_cast<std::uint16_t>(perBucket));
  for (const auto& [pos, off] : buckets) {
    x.u32le(pos);
    x.u16le(off);
    x.u16le(0);
  }
  WriteRecordData(kEXTSST, static_cast<int>(x.size()), x.data().data());
}

}  // namespace biff
