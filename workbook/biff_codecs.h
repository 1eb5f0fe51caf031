// Conversions between the workbook model's values and their legacy binary (BIFF) encodings: cell
// errors and their texts, RK numbers, palette indexes, string bodies with their option byte, area
// clipping to the legacy grid and the operand class of formula tokens.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "workbook/colors.h"

namespace workbook {

// The model's cell-error code (bit 7 is ignored wherever it is read).
using TXc12CellError = std::uint8_t;
enum : TXc12CellError {
  errError = 0, errNull, errDiv0, errValue, errRef, errName, errNum, errNA, errGettingData
};

extern const std::array<const char16_t*, 9> Xc12CellErrorTexts;
// The process-wide texts of the Boolean values, "TRUE" and "FALSE" from start-up; a legacy
// document may replace them.
struct TBooleanTexts {
  std::u16string True = u"TRUE";
  std::u16string False = u"FALSE";
  const std::u16string& Of(bool Value) const { return Value ? True : False; }
};
TBooleanTexts& BooleanTexts();
void ResetBooleanTexts();

std::u16string Xc12ErrorToText(std::uint8_t Err);
int ErrorTextToXc12Error(const std::u16string& S);
std::uint8_t Xc12ErrorToBIFFError(std::uint8_t Err);
std::uint8_t BIFFErrorToXc12Error(int Code);
std::u16string BIFFErrorToText(int Code);

double DecodeRK(std::int32_t RK);

// Nearest palette index among 8..63 of Palette (sum of channel differences; the first minimum wins).
std::uint8_t RGBToBIFFColorIndex(std::uint32_t Color, const TXc12Palette& Palette = Xc12Palette());
// The palette entry of Index & 0x7F; 0 past the palette.
std::uint32_t PaletteColor(std::uint8_t Index);
// The colour value that legacy chart records store beside a palette index: the palette entry of
// Index & 0x7F in the records' byte order (red, green, blue, 0 = 0x00BBGGRR read little-endian).
std::uint32_t PaletteIndexToRGB(int Index);
std::uint8_t ClampColorIndex(std::uint16_t Index);
// The palette index of a model colour: Automatic for an automatic or unset colour, the index of an
// untinted palette colour, else the nearest palette entry.
std::uint8_t Xc12ColorToPaletteIndex(const TXc12Color& Color, std::uint8_t Automatic,
                                     const TXc12Palette& Palette = Xc12Palette());

// Option byte 1 and the UTF-16LE characters of S; Dest needs UncompressedBIFFStrSize(S) bytes.
void WriteUncompressedBIFFStr(const std::u16string& S, std::uint8_t* Dest);
int UncompressedBIFFStrSize(const std::u16string& S);
// Count bytes, each widened to the character of the same code.
void BytesToWideStr(const std::uint8_t* P, int Count, std::u16string& S);
// A string body (option byte and CharCount characters) to text.
void BIFFStrToWideStr(const std::uint8_t* P, int CharCount, std::u16string& S);
void ShortBIFFStrToWideStr(const std::uint8_t* P, int CharCount, std::u16string& S);
// An option-byte string: 0 then 8-bit text in the ANSI code page, 1 then UTF-16LE, anything else
// the whole string in the ANSI code page.
void OptByteStrToWideStr(const std::string& S, std::u16string& W);
// The string body as a byte string: option 0 and CharCount bytes, or 1 and 2 x CharCount bytes.
void CopyBIFFStrData(const std::uint8_t* P, int CharCount, std::string& S);
// ByteLen bytes of UTF-16LE text with its 2-byte terminator, cut at the first NUL.
void NulTermUTF16ToWideStr(const std::uint8_t* P, int ByteLen, std::u16string& S);
// Upper case by the Unicode case mapping.
std::u16string UpperCaseW(const std::u16string& S);

// Clips an area to the legacy grid; False when it lies wholly outside.
bool ClipArea97(int& Col1, int& Row1, int& Col2, int& Row2);
// Value (0x40..0x5F) and array (0x60..0x7F) operand tokens to the reference class (0x20..0x3F).
std::uint8_t NormalizePtgClass(std::uint8_t Ptg);

}  // namespace workbook
