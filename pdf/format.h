// How the PDF writer writes numbers, literal and hexadecimal strings, the WinAnsi (Windows-1252)
// character set and code-page text, plus small geometry and sorting helpers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pdf {

// Windows font character sets the writer distinguishes.
constexpr int ANSI_CHARSET = 0;
constexpr int DEFAULT_CHARSET = 1;
constexpr int GB2312_CHARSET = 134;
// The reference system's default font character set (GB2312), used in place of DEFAULT_CHARSET.
constexpr int SystemDefaultCharset = GB2312_CHARSET;

// "0.####" with '.' whatever the locale: at most four decimals, no trailing zeros, "-0" never
// written. Non-finite values raise TPDFException "Out of range" (they have no PDF form).
std::string FormatReal(double x);
// Escapes LF, CR, '(', ')' and '\'; every other byte is copied. Callers add the parentheses.
std::string EscapeLiteral(std::string_view s);
std::string HexOfByte(std::uint8_t b);
std::string HexOfWord(std::uint16_t w);
std::string ZeroPadInt(long long n, int width);
std::string ReplaceChar(std::string_view s, char ch, std::string_view repl);
// 1-based position of SubStr in S at or after Start; 0 when absent or either is empty.
int PosFrom(std::string_view sub, std::string_view s, int start);
inline int ChooseInt(bool cond, int a, int b) { return cond ? a : b; }
inline std::string ChooseStr(bool cond, std::string a, std::string b) { return cond ? a : b; }

int CharsetToCodePage(int charset);
// "FEFF" + four uppercase digits per UTF-16 unit of S read in the code page of Charset; empty when
// the conversion yields nothing.
std::string AnsiToUTF16BEHex(std::string_view s, int charset);
bool IsWinAnsiChar(char16_t w);
std::uint8_t UnicodeToWinAnsi(char16_t w);
char16_t WinAnsiToUnicode(std::uint8_t b);

struct TRealPoint {
  double X = 0;
  double Y = 0;
};
inline TRealPoint MakeRealPoint(double x, double y) { return {x, y}; }

void OrderIntRect(int& x1, int& y1, int& x2, int& y2);
void OrderRealRect(double& x1, double& y1, double& x2, double& y2);
// Angle in degrees.
TRealPoint RotatePoint(double x, double y, double angle);
void SwapInts(int& a, int& b);
void SwapReals(double& a, double& b);
// Sorts Words[0..High] ascending.
void SortWords(std::uint16_t* words, int high);

}  // namespace pdf
