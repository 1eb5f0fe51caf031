#include "workbook/biff_codecs.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/byte_io.h"
#include "core/codepage.h"
#include "core/unicode.h"
#include "workbook/cell_references.h"
#include "workbook/colors.h"
#include "workbook/format_settings.h"

namespace workbook {

const std::array<const char16_t*, 9> Xc12CellErrorTexts = {
    u"_ERROR_ERROR_", u"#NULL!", u"#DIV/0!", u"#VALUE!", u"#REF!", u"#NAME?", u"#NUM!", u"#N/A", u"#GETTING_DATA"};

TBooleanTexts& BooleanTexts() {
  static TBooleanTexts texts;
  return texts;
}

void ResetBooleanTexts() { BooleanTexts() = TBooleanTexts(); }

namespace {
constexpr std::uint8_t kBiffErrors[] = {0x00, 0x07, 0x0F, 0x17, 0x1D, 0x24, 0x2A};  // of codes 1..7
}

std::u16string Xc12ErrorToText(std::uint8_t Err) {
  Err &= 0x7F;
  return Xc12CellErrorTexts[Err <= 8 ? Err : 0];
}

int ErrorTextToXc12Error(const std::u16string& S) {
  for (std::size_t i = 0; i < Xc12CellErrorTexts.size(); ++i)
    if (S == Xc12CellErrorTexts[i]) return static_cast<int>(i);
  return 0;
}

std::uint8_t Xc12ErrorToBIFFError(std::uint8_t Err) {
  Err &= 0x7F;
  return Err >= 1 && Err <= 6 ? kBiffErrors[Err - 1] : 0x2A;
}

std::uint8_t BIFFErrorToXc12Error(int Code) {
  for (int i = 0; i < 7; ++i)
    if (kBiffErrors[i] == Code) return static_cast<std::uint8_t>(i + 1);
  return 0;
}

std::u16string BIFFErrorToText(int Code) {
  std::uint8_t e = BIFFErrorToXc12Error(Code);
  return e == 0 ? u"#???" : Xc12CellErrorTexts[e];
}

double DecodeRK(std::int32_t RK) {
  std::uint32_t u = static_cast<std::uint32_t>(RK);
  double v;
  if (u & 2) {
    v = static_cast<double>(RK >> 2);  // arithmetic shift keeps the sign
  } else {
    std::uint64_t bits = static_cast<std::uint64_t>(u & 0xFFFFFFFCu) << 32;
    std::memcpy(&v, &bits, sizeof v);
  }
  if (u & 1) v /= 100;
  return v;
}

std::uint8_t RGBToBIFFColorIndex(std::uint32_t Color, const TXc12Palette& Palette) {
  auto ch = [](std::uint32_t c, int s) { return static_cast<int>((c >> s) & 0xFF); };
  double best = 16777215.0;
  std::uint8_t result = 8;
  const auto& pal = Palette;
  for (int i = 8; i <= 63; ++i) {
    std::uint32_t p = pal[static_cast<std::size_t>(i)];
    double d = std::abs(ch(Color, 0) - ch(p, 0)) + std::abs(ch(Color, 8) - ch(p, 8)) + std::abs(ch(Color, 16) - ch(p, 16));
    if (d < best) {
      best = d;
      result = static_cast<std::uint8_t>(i);
    }
  }
  return result;
}

std::uint32_t PaletteColor(std::uint8_t Index) {
  Index &= 0x7F;
  return Index < kXc12PaletteSize ? Xc12Palette()[Index] : 0;
}

std::uint32_t PaletteIndexToRGB(int Index) { return PaletteColor(static_cast<std::uint8_t>(Index & 0x7F)); }

std::uint8_t ClampColorIndex(std::uint16_t Index) { return Index <= 64 ? static_cast<std::uint8_t>(Index) : 64; }

std::uint8_t Xc12ColorToPaletteIndex(const TXc12Color& Color, std::uint8_t Automatic, const TXc12Palette& Palette) {
  switch (Color.ColorType) {
    case xctAuto:
    case xctUnassigned: return Automatic;
    case xctIndexed:
      if (Color.Tint == 0) return Color.Index < 0x7F ? Color.Index : Automatic;
      [[fallthrough]];
    default: return RGBToBIFFColorIndex(Xc12ColorToRGB(Color), Palette);
  }
}

void WriteUncompressedBIFFStr(const std::u16string& S, std::uint8_t* Dest) {
  Dest[0] = 1;
  for (std::size_t i = 0; i < S.size(); ++i) core::store_le16(Dest + 1 + 2 * i, S[i]);
}

int UncompressedBIFFStrSize(const std::u16string& S) { return S.empty() ? 0 : 1 + 2 * static_cast<int>(S.size()); }

void BytesToWideStr(const std::uint8_t* P, int Count, std::u16string& S) {
  S.clear();
  if (Count <= 0) return;
  S.assign(P, P + Count);
}

void BIFFStrToWideStr(const std::uint8_t* P, int CharCount, std::u16string& S) {
  S.clear();
  if (CharCount <= 0) return;
  if (P[0] == 1) {
    S.resize(static_cast<std::size_t>(CharCount));
    for (int i = 0; i < CharCount; ++i) S[static_cast<std::size_t>(i)] = core::load_le16(P + 1 + 2 * i);
  } else {
    BytesToWideStr(P + 1, CharCount, S);
  }
}

void ShortBIFFStrToWideStr(const std::uint8_t* P, int CharCount, std::u16string& S) {
  S.clear();
  if (CharCount <= 0) return;
  std::size_t n = 1 + static_cast<std::size_t>(CharCount) * (P[0] == 1 ? 2 : 1);
  OptByteStrToWideStr(std::string(reinterpret_cast<const char*>(P), n), S);
}

void OptByteStrToWideStr(const std::string& S, std::u16string& W) {
  W.clear();
  if (S.empty()) return;
  int cp = TFormatSettings::GetAnsiCodePage();
  if (S[0] == 0) {
    W = core::codepage_to_utf16(cp, std::string_view(S).substr(1));
  } else if (S[0] == 1) {
    std::size_t n = (S.size() - 1) / 2;
    W.resize(n);
    for (std::size_t i = 0; i < n; ++i) W[i] = core::load_le16(reinterpret_cast<const std::uint8_t*>(S.data()) + 1 + 2 * i);
  } else {
    W = core::codepage_to_utf16(cp, S);
  }
}

void CopyBIFFStrData(const std::uint8_t* P, int CharCount, std::string& S) {
  std::size_t n = CharCount > 0 ? static_cast<std::size_t>(CharCount) : 0;
  if (P[0] == 0) {
    S.assign(1, '\0');
    S.append(reinterpret_cast<const char*>(P + 1), n);
  } else {
    S.assign(1, '\1');
    S.append(reinterpret_cast<const char*>(P + 1), 2 * n);
  }
}

void NulTermUTF16ToWideStr(const std::uint8_t* P, int ByteLen, std::u16string& S) {
  S.clear();
  if (ByteLen <= 0) return;
  int n = ByteLen / 2 - 1;
  for (int i = 0; i < n; ++i) {
    char16_t c = core::load_le16(P + 2 * i);
    if (c == 0) break;
    S += c;
  }
}

std::u16string UpperCaseW(const std::u16string& S) { return core::unicode_upper(S); }

bool ClipArea97(int& Col1, int& Row1, int& Col2, int& Row2) {
  if (Col1 > XLS_MAXCOL97 || Row1 > XLS_MAXROW97 || Col2 < 0 || Row2 < 0) return false;
  Col1 = std::clamp(Col1, 0, XLS_MAXCOL97);
  Row1 = std::clamp(Row1, 0, XLS_MAXROW97);
  Col2 = std::clamp(Col2, 0, XLS_MAXCOL97);
  Row2 = std::clamp(Row2, 0, XLS_MAXROW97);
  return true;
}

std::uint8_t NormalizePtgClass(std::uint8_t Ptg) {
  if (Ptg > 0x7F || Ptg < 0x40) return Ptg;
  return static_cast<std::uint8_t>((Ptg & 0x1F) | 0x20);
}

}  // namespace workbook
