#include "workbook/library_utils.h"

#include <array>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cmath>
#include <utility>

#include "core/strings.h"
#include "workbook/format_settings.h"
#include "workbook/streams.h"

namespace workbook {

namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t r = i;
    for (int k = 0; k < 8; ++k) r = (r & 1) ? (r >> 1) ^ 0xEDB88320u : r >> 1;
    t[i] = r;
  }
  return t;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

std::uint32_t crc_update(std::uint32_t r, const std::uint8_t* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) r = kCrcTable[(r ^ p[i]) & 0xFF] ^ (r >> 8);
  return r;
}

}  // namespace

std::uint32_t CalcCRC32(const void* P, int Count) {
  if (Count <= 0) return 0xFFFFFFFFu;
  return crc_update(0xFFFFFFFFu, static_cast<const std::uint8_t*>(P), static_cast<std::size_t>(Count));
}

std::uint32_t CalcCRC32(std::u16string_view S) {
  std::uint32_t r = 0xFFFFFFFFu;
  for (char16_t c : S) {
    std::uint8_t b[2] = {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8)};
    r = crc_update(r, b, 2);
  }
  return r;
}

bool IsZipStream(TStream& Stream) {
  std::int64_t pos = Stream.GetPosition();
  std::uint8_t sig[4] = {};
  std::int64_t n = Stream.Read(sig, 4);
  Stream.SetPosition(pos);
  return n == 4 && sig[0] == 'P' && sig[1] == 'K' && sig[2] == 3 && sig[3] == 4;
}

bool CharInSetW(char16_t Ch, std::string_view Chars) {
  if (Ch > 255) return false;
  for (char c : Chars)
    if (static_cast<unsigned char>(c) == Ch) return true;
  return false;
}

int CPosW(char16_t Ch, std::u16string_view S) {
  auto p = S.find(Ch);
  return p == std::u16string_view::npos ? -1 : static_cast<int>(p) + 1;
}

int CPos(char Ch, std::u16string_view S) { return CPosW(static_cast<unsigned char>(Ch), S); }

int RCPosW(char16_t Ch, std::u16string_view S) {
  auto p = S.rfind(Ch);
  return p == std::u16string_view::npos ? -1 : static_cast<int>(p) + 1;
}

int RCPos(char Ch, std::u16string_view S) { return RCPosW(static_cast<unsigned char>(Ch), S); }

void SplitAtChar(char16_t Ch, std::u16string& S, std::u16string& Head) {
  auto p = S.find(Ch);
  if (p == std::u16string::npos) {
    Head = std::move(S);
    S.clear();
    return;
  }
  Head = S.substr(0, p);
  S.erase(0, p + 1);
}

bool IsByteString(std::u16string_view S) {
  for (char16_t c : S)
    if (c > 255) return false;
  return true;
}

std::u16string MakeIndent(int Level) { return std::u16string(Level > 0 ? static_cast<std::size_t>(2 * Level) : 0, u' '); }

double EMUToCm(std::int32_t Value) { return Value / 360000.0; }

std::int32_t CmToEMU(double Value) {
  double v = std::nearbyint(Value * 360000.0);
  // Out of range (or NaN) saturates instead of overflowing the conversion.
  if (!(v > -2147483648.0)) return INT32_MIN;
  if (!(v < 2147483647.0)) return INT32_MAX;
  return static_cast<std::int32_t>(v);
}

long double RoundDecimals(long double Value, int Digits) {
  static_assert(sizeof(long double) >= sizeof(double));
  long double f = std::pow(10.0L, static_cast<long double>(Digits));
  long double x = Value * f;
  long double ip = std::trunc(x);
  long double frac = x - ip;
  return (ip + std::trunc(frac * 2)) / f;
}

bool TryStrToFloat(std::u16string_view S, double& Value) {
  S = core::trim(S);
  char16_t dec = TFormatSettings::GetDecimalSeparator();
  std::string ascii;
  std::size_t i = 0;
  auto digits = [&]() {
    std::size_t n = 0;
    while (i < S.size() && S[i] >= u'0' && S[i] <= u'9') {
      ascii += static_cast<char>(S[i++]);
      ++n;
    }
    return n;
  };
  if (i < S.size() && (S[i] == u'+' || S[i] == u'-')) {
    if (S[i] == u'-') ascii += '-';
    ++i;
  }
  std::size_t mantissa = digits();
  if (i < S.size() && S[i] == dec) {
    ++i;
    ascii += '.';
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (i < S.size() && (S[i] == u'e' || S[i] == u'E')) {
    ++i;
    ascii += 'e';
    if (i < S.size() && (S[i] == u'+' || S[i] == u'-')) ascii += static_cast<char>(S[i++]);
    if (digits() == 0) return false;
  }
  if (i != S.size()) return false;
  double v = 0;
  auto res = std::from_chars(ascii.data(), ascii.data() + ascii.size(), v);
  if (res.ec != std::errc() || res.ptr != ascii.data() + ascii.size()) return false;
  Value = v;
  return true;
}

bool TryCurrStrToFloat(std::u16string_view S, double& Value) {
  S = core::trim(S);
  const TFormatSettings& fs = XLSFormatSettings();
  const std::u16string& cur = fs.CurrencyString;
  if (S.size() < cur.size()) return false;
  std::u16string_view number;
  if (fs.CurrencyFormat == 0 || fs.CurrencyFormat == 2) {
    if (S.substr(0, cur.size()) != cur) return false;
    number = S.substr(cur.size());
  } else {
    if (S.substr(S.size() - cur.size()) != cur) return false;
    number = S.substr(0, S.size() - cur.size());
  }
  return TryStrToFloat(number, Value);
}

namespace {

void quick_sort(std::vector<double>& A, std::ptrdiff_t lo, std::ptrdiff_t hi) {
  // Recurse into the smaller part and loop on the larger, so the depth stays logarithmic.
  while (lo < hi) {
    double pivot = A[static_cast<std::size_t>((lo + hi) / 2)];
    std::ptrdiff_t i = lo, j = hi;
    do {
      while (A[static_cast<std::size_t>(i)] < pivot) ++i;
      while (pivot < A[static_cast<std::size_t>(j)]) --j;
      if (i <= j) {
        std::swap(A[static_cast<std::size_t>(i)], A[static_cast<std::size_t>(j)]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - lo < hi - i) {
      if (lo < j) quick_sort(A, lo, j);
      lo = i;
    } else {
      if (i < hi) quick_sort(A, i, hi);
      hi = j;
    }
  }
}

}  // namespace

void SortDoubleArray(std::vector<double>& A) {
  if (A.size() >= 2) quick_sort(A, 0, static_cast<std::ptrdiff_t>(A.size()) - 1);
}

int ClampInt(int Value, int AMin, int AMax) { return Value < AMin ? AMin : (Value < AMax ? Value : AMax); }

std::uint16_t BoolToWord(bool Value) { return Value ? 1 : 0; }

}  // namespace workbook
