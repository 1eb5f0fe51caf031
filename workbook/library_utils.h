// Routines every part of the workbook library leans on: the style-record checksum, the ZIP
// signature test, 1-based text helpers and a few number routines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace io {
class TStream;
}

namespace workbook {

using TStream = io::TStream;

// Table-driven reflected CRC-32 (polynomial 0xEDB88320) starting at 0xFFFFFFFF and WITHOUT the
// final inversion, so the complement of the usual CRC-32: "abc" gives 0xCADBBE3D. Style records
// hash with it; Count <= 0 gives 0xFFFFFFFF.
std::uint32_t CalcCRC32(const void* P, int Count);
// A UTF-16 text hashed as its UTF-16LE bytes.
std::uint32_t CalcCRC32(std::u16string_view S);

// True when the next four bytes of Stream are "PK" 3 4; the position is left where it was.
bool IsZipStream(TStream& Stream);

// True only when Ch is below 256 and its byte value is one of Chars.
bool CharInSetW(char16_t Ch, std::string_view Chars);
// 1-based position of the first (CPos) or last (RCPos) Ch in S; -1 when S holds none.
int CPosW(char16_t Ch, std::u16string_view S);
int CPos(char Ch, std::u16string_view S);
int RCPosW(char16_t Ch, std::u16string_view S);
int RCPos(char Ch, std::u16string_view S);
// Head := the text before the first Ch, S := the text after it; without Ch, Head := S and S := "".
void SplitAtChar(char16_t Ch, std::u16string& S, std::u16string& Head);
// True when every character code of S is at most 255 (also for "").
bool IsByteString(std::u16string_view S);
// 2 x Level blanks.
std::u16string MakeIndent(int Level);

// English Metric Units: 360000 to the centimetre; CmToEMU rounds halves to even.
double EMUToCm(std::int32_t Value);
std::int32_t CmToEMU(double Value);
// Rounds to Digits decimals (Digits may be negative), halves away from zero.
long double RoundDecimals(long double Value, int Digits);
// The program's text-to-number conversion: optional blanks around, sign, digits with the
// process-wide decimal separator, optional exponent. No thousand separators.
bool TryStrToFloat(std::u16string_view S, double& Value);
// A number with the snapshot's currency string in front (formats 0, 2) or behind (1, 3).
bool TryCurrStrToFloat(std::u16string_view S, double& Value);
// Ascending sort in place.
void SortDoubleArray(std::vector<double>& A);
// AMin when Value < AMin, else the smaller of Value and AMax.
int ClampInt(int Value, int AMin, int AMax);
std::uint16_t BoolToWord(bool Value);

}  // namespace workbook
