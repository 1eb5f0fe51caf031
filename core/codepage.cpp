#include "core/codepage.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <map>
#include <memory>

#include "core/error.h"
#include "core/unicode.h"

namespace core {

namespace {

// glibc's CP1252 rejects 0x81, 0x8D, 0x8F, 0x90 and 0x9D; the platform maps them to the C1 controls
// of the same value, so every byte round-trips.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

const char* iconv_name(int codepage) {
  switch (codepage) {
    case 874: return "CP874";
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 1258: return "CP1258";
    default: return nullptr;
  }
}

struct IconvCloser {
  void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

// iconv descriptors carry conversion state, so each thread keeps its own.
iconv_t descriptor(int codepage, bool to_unicode) {
  thread_local std::map<std::pair<int, bool>, IconvHandle> cache;
  auto key = std::make_pair(codepage, to_unicode);
  auto it = cache.find(key);
  if (it == cache.end()) {
    const char* name = iconv_name(codepage);
    iconv_t cd = to_unicode ? iconv_open("UTF-16LE", name) : iconv_open(name, "UTF-16LE");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
      throw Error("code page " + std::to_string(codepage) + " is not available");
    }
    it = cache.emplace(key, IconvHandle(cd)).first;
  }
  iconv(static_cast<iconv_t>(it->second.get()), nullptr, nullptr, nullptr, nullptr);  // reset state
  return static_cast<iconv_t>(it->second.get());
}

void append_le_units(std::u16string& out, const char* p, std::size_t n) {
  for (std::size_t i = 0; i + 1 < n; i += 2) {
    out += static_cast<char16_t>(static_cast<unsigned char>(p[i]) |
                                 (static_cast<unsigned char>(p[i + 1]) << 8));
  }
}

std::u16string iconv_decode(int codepage, std::string_view bytes) {
  iconv_t cd = descriptor(codepage, true);
  std::u16string out;
  out.reserve(bytes.size());
  char* in = const_cast<char*>(bytes.data());
  std::size_t in_left = bytes.size();
  char buf[1024];
  while (in_left > 0) {
    char* o = buf;
    std::size_t o_left = sizeof buf;
    std::size_t r = iconv(cd, &in, &in_left, &o, &o_left);
    append_le_units(out, buf, sizeof buf - o_left);
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ: an invalid byte; EINVAL: an incomplete sequence at the end.
      out += static_cast<char16_t>(kReplacementChar);
      if (errno == EINVAL) break;
      ++in;
      --in_left;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

std::string iconv_encode(int codepage, std::u16string_view text, bool& lossy) {
  iconv_t cd = descriptor(codepage, false);
  std::string le;
  le.reserve(text.size() * 2);
  for (char16_t c : text) {
    le += static_cast<char>(c & 0xFF);
    le += static_cast<char>(c >> 8);
  }
  std::string out;
  out.reserve(text.size() * 2);
  char* in = le.data();
  std::size_t in_left = le.size();
  char buf[1024];
  while (in_left > 0) {
    char* o = buf;
    std::size_t o_left = sizeof buf;
    std::size_t r = iconv(cd, &in, &in_left, &o, &o_left);
    out.append(buf, sizeof buf - o_left);
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      lossy = true;
      out += '?';
      // Skip the unit, or the whole pair when it starts a valid surrogate pair.
      std::size_t skip = 2;
      if (in_left >= 4) {
        unsigned hi = static_cast<unsigned char>(in[0]) | (static_cast<unsigned char>(in[1]) << 8);
        unsigned lo = static_cast<unsigned char>(in[2]) | (static_cast<unsigned char>(in[3]) << 8);
        if (hi >= 0xD800 && hi <= 0xDBFF && lo >= 0xDC00 && lo <= 0xDFFF) skip = 4;
      }
      if (skip > in_left) skip = in_left;
      in += skip;
      in_left -= skip;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

std::u16string decode_1252(std::string_view bytes) {
  std::u16string out(bytes.size(), u'\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    auto b = static_cast<unsigned char>(bytes[i]);
    out[i] = (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : static_cast<char16_t>(b);
  }
  return out;
}

// Encodes into a single-byte code page; `to_byte` gives the byte of a unit or -1 when the code page
// cannot hold it. An unmappable surrogate pair becomes one '?'.
template <class ToByte>
std::string encode_single_byte(std::u16string_view text, bool& lossy, ToByte to_byte) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    int b = to_byte(c);
    if (b >= 0) {
      out += static_cast<char>(b);
      continue;
    }
    lossy = true;
    out += '?';
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) ++i;
  }
  return out;
}

int byte_1252(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (std::size_t k = 0; k < kCp1252High.size(); ++k) {
    if (kCp1252High[k] == c) return static_cast<int>(0x80 + k);
  }
  return -1;
}

}  // namespace

bool codepage_supported(int codepage) {
  return codepage == 1252 || codepage == 20127 || codepage == 28591 || codepage == 65001 ||
         iconv_name(codepage) != nullptr;
}

std::u16string codepage_to_utf16(int codepage, std::string_view bytes) {
  switch (codepage) {
    case 1252: return decode_1252(bytes);
    case 28591: return widen_latin1(bytes);
    case 65001: return utf8_to_utf16(bytes);
    case 20127: {
      std::u16string out = widen_latin1(bytes);
      for (auto& c : out) if (c > 0x7F) c = static_cast<char16_t>(kReplacementChar);
      return out;
    }
    default:
      if (!iconv_name(codepage)) throw Error("unsupported code page " + std::to_string(codepage));
      return iconv_decode(codepage, bytes);
  }
}

std::string utf16_to_codepage(int codepage, std::u16string_view text, bool* lossy) {
  bool lost = false;
  std::string out;
  switch (codepage) {
    case 1252: out = encode_single_byte(text, lost, byte_1252); break;
    case 28591: out = encode_single_byte(text, lost, [](char16_t c) { return c <= 0xFF ? int(c) : -1; }); break;
    case 20127: out = encode_single_byte(text, lost, [](char16_t c) { return c <= 0x7F ? int(c) : -1; }); break;
    case 65001: out = utf16_to_utf8(text); break;
    default:
      if (!iconv_name(codepage)) throw Error("unsupported code page " + std::to_string(codepage));
      out = iconv_encode(codepage, text, lost);
  }
  if (lossy) *lossy = lost;
  return out;
}

std::string codepage_to_utf8(int codepage, std::string_view bytes) {
  return utf16_to_utf8(codepage_to_utf16(codepage, bytes));
}

std::string utf8_to_codepage(int codepage, std::string_view utf8, bool* lossy) {
  return utf16_to_codepage(codepage, utf8_to_utf16(utf8), lossy);
}

}  // namespace core
