// FONT, FORMAT, XF, PALETTE and SST records of the workbook globals.
#include <cstring>

#include "biff/biff_error.h"
#include "biff/document/biff5_document.h"
#include "biff/reader/body_reader.h"
#include "biff/reader/xls_reader.h"
#include "workbook/biff_codecs.h"
#include "workbook/cell_format_editor.h"
#include "workbook/colors.h"
#include "workbook/manager.h"
#include "workbook/shared_strings.h"
#include "workbook/style_sheet.h"

namespace biff {

namespace wb = workbook;

namespace {

// Model font of a file font index. The file numbers fonts without index 4 (so 5 is the fifth
// FONT record); the model holds its built-in font at 0 and a placeholder after the fourth record,
// so file index i is model font i + 1 for every i.
wb::TXc12Font* FileFont(wb::TXc12Fonts& Fonts, int Index) {
  if (Index + 1 <= 0 || Index + 1 >= Fonts.Count()) return Fonts.GetItem(0);
  wb::TXc12Font* f = Fonts.GetItem(Index + 1);
  return f ? f : Fonts.GetItem(0);
}

}  // namespace

void TXLSReadXLS::AddFont(const std::u16string& Name, int Height, int Options, int Color, int Weight, int Escapement,
                          int Underline, int Family, int Charset) {
  wb::TXc12Fonts& fonts = *M_.StyleSheet->Fonts;
  wb::TXc12Font* f = fonts.Add();
  f->SetName(Name);
  f->SetCharset(Charset);
  f->SetFamily(Family);
  wb::TXc12FontStyles st = 0;
  if (Weight >= 700) st |= wb::FontStyleBit(wb::xfsBold);
  if (Options & 0x0002) st |= wb::FontStyleBit(wb::xfsItalic);
  if (Options & 0x0008) st |= wb::FontStyleBit(wb::xfsStrikeOut);
  f->SetStyle(st);
  switch (Underline) {
    case 1: f->SetUnderline(wb::xulSingle); break;
    case 2: f->SetUnderline(wb::xulDouble); break;
    case 0x21: f->SetUnderline(wb::xulSingleAccount); break;
    case 0x22: f->SetUnderline(wb::xulDoubleAccount); break;
    default: f->SetUnderline(wb::xulNone); break;
  }
  switch (Escapement & 0xFF) {
    case 1: f->SetSubSuperscript(wb::xssSuperscript); break;
    case 2: f->SetSubSuperscript(wb::xssSubscript); break;
    default: f->SetSubSuperscript(wb::xssNone); break;
  }
  wb::TXc12Color c;
  wb::IndexToXc12Color(Color > 255 ? 0 : Color, c);
  f->SetColor(c);
  f->SetSize(Height / 20.0);
  // File font index 4 is never used: the placeholder keeps the model numbering in step.
  if (fonts.Count() == 5) fonts.Add();
}

void TXLSReadXLS::RecFONT() {
  StoreRaw_ = false;
  TRecordBody b(Buf_.data(), Header_.Length);
  if (Version_ >= 5) {
    std::u16string name;
    if (Version_ >= 6)
      b.Unicode(15, b.U8(14), name);
    else
      name = Ansi(b, 15, b.U8(14));
    AddFont(name, b.U16(0), b.U16(2), b.U16(4), b.U16(6), b.U16(8), b.U8(10), b.U8(11), b.U8(12));
  } else if (Header_.RecID == 0x0231) {
    AddFont(Ansi(b, 7, b.U8(6)), b.U16(0), b.U16(2), b.U16(4), (b.U16(2) & 1) ? 700 : 400, 0,
            (b.U16(2) & 4) ? 1 : 0, 0, 0);
  } else {
    // BIFF2 FONT: height, options, name.
    AddFont(Ansi(b, 5, b.U8(4)), b.U16(0), b.U16(2), 0x7FFF, (b.U16(2) & 1) ? 700 : 400, 0,
            (b.U16(2) & 4) ? 1 : 0, 0, 0);
  }
}

void TXLSReadXLS::RecFORMAT() {
  StoreRaw_ = false;
  TRecordBody b(Buf_.data(), Header_.Length);
  std::u16string mask;
  if (Version_ >= 6) {
    b.Unicode(4, b.U16(2), mask);
    M_.StyleSheet->NumberFormats->SetFormatById(mask, b.U16(0));
  } else if (Version_ == 5) {
    mask = Ansi(b, 3, b.U8(2));
    M_.StyleSheet->NumberFormats->SetFormatById(mask, b.U16(0));
  } else {
    mask = Header_.RecID == 0x001E ? Ansi(b, 1, b.U8(0)) : Ansi(b, 3, b.U8(2));
    if (Biff4FormatCount_ >= 0xFFFF) throw Exception("Too many number formats");
    if (Biff4FormatCount_ >= static_cast<int>(Biff4Formats_.size())) Biff4Formats_.resize(Biff4FormatCount_ + 1);
    Biff4Formats_[static_cast<std::size_t>(Biff4FormatCount_++)] = mask;
  }
}

void TXLSReadXLS::RecXF() {
  StoreRaw_ = false;
  TRecordBody b(Buf_.data(), Header_.Length);
  wb::TXc12DataStyleSheet& ss = *M_.StyleSheet;
  auto xf = std::make_unique<wb::TXc12XF>(ss.XFs.get());
  ss.ResetXF(*xf);
  const int font = b.U16(0), fmt = b.U16(2);
  xf->SetFont(FileFont(*ss.Fonts, font));
  wb::TXc12NumberFormat* nf = fmt < ss.NumberFormats->Count() ? ss.NumberFormats->GetItem(fmt) : nullptr;
  xf->SetNumberFormat(nf ? nf : ss.NumberFormats->GetDefaultFormat());
  xf->SetProtection(static_cast<wb::TXc12CellProtection>(b.U16(4) & 3));
  if (Version_ >= 6) {
    b.Need(0, 20);
    const std::uint16_t w6 = b.U16(6), w8 = b.U16(8), w10 = b.U16(10), w12 = b.U16(12), w18 = b.U16(18);
    const std::uint32_t d14 = b.U32(14);
    xf->Alignment.SetHorizAlignment(static_cast<std::uint8_t>(w6 & 7));
    xf->Alignment.SetVertAlignment(static_cast<std::uint8_t>((w6 >> 4) & 7));
    xf->Alignment.SetIndent(w8 & 0x0F);
    xf->Alignment.SetRotation(b.U8(7));
    wb::TXc12AlignmentOptions ao = 0;
    if (w6 & 0x0008) ao |= wb::foWrapText;
    if (w8 & 0x0010) ao |= wb::foShrinkToFit;
    xf->Alignment.SetOptions(ao);
    wb::TXc12Fill* fill = ss.Fills->Add();
    wb::IndexToXc12Color(w18 & 0x7F, fill->FgColor);
    wb::IndexToXc12Color(std::min((w18 >> 7) & 0x7F, 64), fill->BgColor);
    const int pattern = static_cast<int>(d14 >> 26);
    fill->SetPatternType(static_cast<wb::TXc12FillPattern>(pattern <= wb::efpGray0625 ? pattern : 0));
    xf->SetFill(fill);
    wb::TXc12Border* border = ss.Borders->Add();
    auto side = [](wb::TXc12BorderPr& P, int Color, int Style) {
      wb::IndexToXc12Color(Color, P.Color);
      P.Style = static_cast<wb::TXc12CellBorderStyle>(Style <= 13 ? Style : 0);
    };
    side(border->Top, d14 & 0x7F, (w10 >> 8) & 0x0F);
    side(border->Left, w12 & 0x7F, w10 & 0x0F);
    side(border->Right, (w12 >> 7) & 0x7F, (w10 >> 4) & 0x0F);
    side(border->Bottom, (d14 >> 7) & 0x7F, w10 >> 12);
    border->SetOptions(static_cast<wb::TXc12BorderOptions>((w12 >> 14) & 3));
    xf->SetBorder(border);
  }
  // BIFF5 XFs keep font and number format (the cells' formats would be lost otherwise); their
  // fills, borders and alignment stay at the defaults.
  wb::TXc12XF* raw = xf.get();
  ss.XFs->AddXF(std::move(xf));
  if (ss.XFs->Count() <= 22) raw->IsDefault = 1;
  ss.XFEditor->UseXF(raw);
}

void TXLSReadXLS::RecXF34() {
  StoreRaw_ = false;
  TRecordBody b(Buf_.data(), Header_.Length);
  b.Need(0, 12);
  wb::TXc12DataStyleSheet& ss = *M_.StyleSheet;
  if (!Biff4FormatsStored_) {
    Biff4FormatsStored_ = true;
    for (std::size_t i = 0; i < Biff4Formats_.size(); ++i)
      ss.NumberFormats->SetFormatById(Biff4Formats_[i], Biff4FormatBase_ + static_cast<int>(i));
  }
  auto xf = std::make_unique<wb::TXc12XF>(ss.XFs.get());
  ss.ResetXF(*xf);
  const int font = b.U8(0), fmt = b.U8(1);
  xf->SetFont(FileFont(*ss.Fonts, font));
  const int id = Biff4FormatBase_ + fmt;
  xf->SetNumberFormat(id < ss.NumberFormats->Count() && ss.NumberFormats->GetItem(id) ? ss.NumberFormats->GetItem(id)
                                                                                       : ss.NumberFormats->GetDefaultFormat());
  const std::uint8_t a = b.U8(4);
  xf->Alignment.SetHorizAlignment(a & 7);
  xf->Alignment.SetVertAlignment((a >> 4) & 3);
  if (a & 8) xf->Alignment.SetOptions(wb::foWrapText);
  if ((a >> 6) == 2) xf->Alignment.SetRotation(90);
  if ((a >> 6) == 3) xf->Alignment.SetRotation(180);
  wb::TXc12XF* raw = xf.get();
  ss.XFs->AddXF(std::move(xf));
  ss.XFEditor->UseXF(raw);
}

void TXLSReadXLS::RecPALETTE() {
  StoreRaw_ = false;
  TRecordBody b(Buf_.data(), Header_.Length);
  const int count = std::min<int>(b.U16(0), 58);
  b.Need(2, count * 4);
  auto& palette = M_.StyleSheet->Palette;
  for (int i = 0; i < count; ++i) palette[static_cast<std::size_t>(8 + i)] = b.U32(2 + 4 * i);
  // The indexed colours as a style sheet lists them: opaque ARGB, the eight fixed colours first.
  const wb::TXc12Palette fixed = wb::Xc12FullDefaultPalette();
  auto& colors = *M_.StyleSheet->IndexColorObjs;
  colors.Clear();
  for (int i = 0; i < count + 8; ++i) {
    const std::uint32_t bgr = (i < 8 ? fixed : palette)[static_cast<std::size_t>(i)];
    colors.Add()->SetRGB(0xFF000000u | ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF));
  }
}

void TXLSReadXLS::RecSST() {
  StoreRaw_ = false;
  // The table and its CONTINUE pieces, each as stored: a string may change its character width
  // at a piece boundary, so the pieces are walked with their boundaries known.
  std::vector<core::Bytes> pieces;
  pieces.emplace_back(Header_.Length);
  if (Header_.Length > 0 && Stream_->Read(pieces.back().data(), Header_.Length) != Header_.Length)
    throw Exception("Unexpected end of file");
  std::uint16_t id;
  while (ReadNext(0x003C, 0x003C, id, Buf2_)) pieces.emplace_back(Buf2_.begin(), Buf2_.end());
  ReadSSTPieces(M_, pieces);
}

}  // namespace biff
