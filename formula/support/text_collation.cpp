#include "formula/support/text_collation.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace formula {

namespace {

// Base letters of U+00C0..U+017F: a Latin letter, '*' for no letter, or a digit for a letter that
// sorts as two: 1 "ae", 2 "ss", 4 "ij", 5 "oe"; 3 is the thorn, sorted after z.
constexpr char kLatinBase[] =
    "aaaaaa1ceeeeiiiidnooooo*ouuuuy32"  // C0..DF
    "aaaaaa1ceeeeiiiidnooooo*ouuuuy3y"  // E0..FF
    "aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiii44jjkkklllllllllln"  // 0100..0143
    "nnnnnnnnoooooo55rrrrrrssssssssttttttuuuuuuuuuuuuwwyyyzzzzzzs";  // 0144..017F
static_assert(sizeof(kLatinBase) - 1 == 0x180 - 0xC0, "one base per code of U+00C0..U+017F");

struct TRange {
  char16_t First, Last;
  char Base;
};
// Base letters of the Latin Extended Additional block.
constexpr TRange kLatinAdditional[] = {
    {0x1E00, 0x1E01, 'a'}, {0x1E02, 0x1E07, 'b'}, {0x1E08, 0x1E09, 'c'}, {0x1E0A, 0x1E13, 'd'}, {0x1E14, 0x1E1D, 'e'},
    {0x1E1E, 0x1E1F, 'f'}, {0x1E20, 0x1E21, 'g'}, {0x1E22, 0x1E2B, 'h'}, {0x1E2C, 0x1E2F, 'i'}, {0x1E30, 0x1E35, 'k'},
    {0x1E36, 0x1E3D, 'l'}, {0x1E3E, 0x1E43, 'm'}, {0x1E44, 0x1E4B, 'n'}, {0x1E4C, 0x1E53, 'o'}, {0x1E54, 0x1E57, 'p'},
    {0x1E58, 0x1E5F, 'r'}, {0x1E60, 0x1E69, 's'}, {0x1E6A, 0x1E71, 't'}, {0x1E72, 0x1E7B, 'u'}, {0x1E7C, 0x1E7F, 'v'},
    {0x1E80, 0x1E89, 'w'}, {0x1E8A, 0x1E8D, 'x'}, {0x1E8E, 0x1E8F, 'y'}, {0x1E90, 0x1E95, 'z'}, {0x1E96, 0x1E96, 'h'},
    {0x1E97, 0x1E97, 't'}, {0x1E98, 0x1E98, 'w'}, {0x1E99, 0x1E99, 'y'}, {0x1E9A, 0x1E9A, 'a'}, {0x1E9B, 0x1E9B, 's'},
    {0x1EA0, 0x1EB7, 'a'}, {0x1EB8, 0x1EC7, 'e'}, {0x1EC8, 0x1ECB, 'i'}, {0x1ECC, 0x1EE3, 'o'}, {0x1EE4, 0x1EF1, 'u'},
    {0x1EF2, 0x1EF9, 'y'},
};

// Order of the ASCII characters that are no letter or digit: blanks, then punctuation, then symbols.
constexpr char kAsciiOrder[] = "\t\n\v\f\r _-,;:!?.'\"()[]{}@*/\\&#%`^+<=>|~$";

// Ranges of pairs: in [First, Last] the upper-case letter has the even (Odd = false) or odd code and
// its lower-case partner the next one.
struct TPairs {
  char16_t First, Last;
  bool UpperOdd;
};
constexpr TPairs kPairs[] = {
    {0x0100, 0x012F, false}, {0x0132, 0x0137, false}, {0x0139, 0x0148, true},  {0x014A, 0x0177, false},
    {0x0179, 0x017E, true},  {0x0182, 0x0185, false}, {0x01A0, 0x01A5, false}, {0x01CD, 0x01DC, true},
    {0x01DE, 0x01EF, false}, {0x01F4, 0x01F5, false}, {0x01F8, 0x021F, false}, {0x0222, 0x0233, false},
    {0x0246, 0x024F, false}, {0x03D8, 0x03EF, false}, {0x0460, 0x0481, false}, {0x048A, 0x04BF, false},
    {0x04C1, 0x04CE, true},  {0x04D0, 0x052F, false}, {0x1E00, 0x1E95, false}, {0x1EA0, 0x1EFF, false},
};

char16_t PairUpper(char16_t C, bool& Found) {
  for (const TPairs& p : kPairs) {
    if (C < p.First || C > p.Last) continue;
    Found = true;
    const bool odd = (C & 1) != 0;
    if (odd != p.UpperOdd && C > p.First) return static_cast<char16_t>(C - 1);
    return C;
  }
  return C;
}

char16_t PairLower(char16_t C, bool& Found) {
  for (const TPairs& p : kPairs) {
    if (C < p.First || C > p.Last) continue;
    Found = true;
    const bool odd = (C & 1) != 0;
    if (odd == p.UpperOdd && C < p.Last) return static_cast<char16_t>(C + 1);
    return C;
  }
  return C;
}

// Primary weight classes.
constexpr std::uint32_t kBlankOrPunct = 0x00100;
constexpr std::uint32_t kSymbol = 0x01000;
constexpr std::uint32_t kDigit = 0x20000;
constexpr std::uint32_t kLatin = 0x30000;
constexpr std::uint32_t kLatinOther = kLatin + 27 * 4;  // after the thorn
constexpr std::uint32_t kGreek = 0x40000;
constexpr std::uint32_t kCyrillic = 0x50000;
constexpr std::uint32_t kArmenian = 0x58000;
constexpr std::uint32_t kOtherLetter = 0x60000;

std::uint32_t LatinPrimary(char Base) { return kLatin + static_cast<std::uint32_t>(Base - 'a') * 4; }

// The collation weights of one character: one or two primary weights and one secondary weight
// (0 for a base letter, else the lower-case character itself).
struct TWeights {
  std::uint32_t Primary[2] = {0, 0};
  int Count = 1;
  std::uint32_t Secondary = 0;
};

TWeights WeightsOf(char16_t Ch) {
  TWeights w;
  const char16_t c = LowerLetter(Ch);
  auto latin = [&](char Base) {
    switch (Base) {
      case '1': w.Primary[0] = LatinPrimary('a'), w.Primary[1] = LatinPrimary('e'), w.Count = 2; break;
      case '2': w.Primary[0] = w.Primary[1] = LatinPrimary('s'), w.Count = 2; break;
      case '3': w.Primary[0] = kLatin + 26 * 4; break;
      case '4': w.Primary[0] = LatinPrimary('i'), w.Primary[1] = LatinPrimary('j'), w.Count = 2; break;
      case '5': w.Primary[0] = LatinPrimary('o'), w.Primary[1] = LatinPrimary('e'), w.Count = 2; break;
      default: w.Primary[0] = LatinPrimary(Base); break;
    }
  };
  if (c < 0x80) {
    if (c >= u'a' && c <= u'z') {
      w.Primary[0] = LatinPrimary(static_cast<char>(c));
    } else if (c >= u'0' && c <= u'9') {
      w.Primary[0] = kDigit + (c - u'0');
    } else if (const char* at = c ? std::strchr(kAsciiOrder, static_cast<char>(c)) : nullptr) {
      w.Primary[0] = kBlankOrPunct + static_cast<std::uint32_t>(at - kAsciiOrder);
    } else {
      w.Primary[0] = c;  // control characters first
    }
    return w;
  }
  w.Secondary = c;
  if (c >= 0xC0 && c < 0x180 && kLatinBase[c - 0xC0] != '*') {
    latin(kLatinBase[c - 0xC0]);
  } else if (c >= 0x180 && c < 0x250) {
    w.Primary[0] = kLatinOther + (c - 0x180);
  } else if (c >= 0x1E00 && c < 0x1F00) {
    w.Primary[0] = kLatinOther + c;
    for (const TRange& r : kLatinAdditional)
      if (c >= r.First && c <= r.Last) latin(r.Base);
  } else if (c >= 0x370 && c < 0x400 && IsWordLetter(c)) {
    char16_t base = c;
    switch (c) {
      case 0x3AC: base = 0x3B1; break;
      case 0x3AD: base = 0x3B5; break;
      case 0x3AE: base = 0x3B7; break;
      case 0x3AF: case 0x390: case 0x3CA: base = 0x3B9; break;
      case 0x3CC: base = 0x3BF; break;
      case 0x3CD: case 0x3B0: case 0x3CB: base = 0x3C5; break;
      case 0x3CE: base = 0x3C9; break;
      case 0x3C2: base = 0x3C3; break;
      default: break;
    }
    w.Primary[0] = base >= 0x3B1 && base <= 0x3C9 ? kGreek + (base - 0x3B1) : kGreek + 0x100 + base;
  } else if (c >= 0x400 && c < 0x530 && IsWordLetter(c)) {
    char16_t base = c;
    switch (c) {
      case 0x450: case 0x451: base = 0x435; break;
      case 0x453: base = 0x433; break;
      case 0x45C: base = 0x43A; break;
      case 0x45D: base = 0x438; break;
      case 0x45E: base = 0x443; break;
      default: break;
    }
    w.Primary[0] = base >= 0x430 && base <= 0x44F ? kCyrillic + (base - 0x430) : kCyrillic + 0x100 + base;
  } else if (c >= 0x531 && c < 0x590) {
    w.Primary[0] = kArmenian + c;
  } else if (c >= 0xFF10 && c <= 0xFF19) {
    w.Primary[0] = kDigit + (c - 0xFF10);
  } else if (c >= 0xFF41 && c <= 0xFF5A) {
    w.Primary[0] = LatinPrimary(static_cast<char>('a' + (c - 0xFF41)));
  } else if (IsWordLetter(c)) {
    w.Primary[0] = kOtherLetter + c;
  } else {
    w.Primary[0] = kSymbol + c;
  }
  return w;
}

}  // namespace

char16_t UpperLetter(char16_t C) {
  if (C < 0x80) return C >= u'a' && C <= u'z' ? static_cast<char16_t>(C - 32) : C;
  if (C >= 0xE0 && C <= 0xFE && C != 0xF7) return static_cast<char16_t>(C - 32);
  switch (C) {
    case 0xB5: return 0x39C;
    case 0xFF: return 0x178;
    case 0x131: return u'I';
    case 0x17F: return u'S';
    case 0x1C5: case 0x1C6: return 0x1C4;
    case 0x1C8: case 0x1C9: return 0x1C7;
    case 0x1CB: case 0x1CC: return 0x1CA;
    case 0x1F2: case 0x1F3: return 0x1F1;
    case 0x3AC: return 0x386;
    case 0x3AD: return 0x388;
    case 0x3AE: return 0x389;
    case 0x3AF: return 0x38A;
    case 0x3CC: return 0x38C;
    case 0x3CD: return 0x38E;
    case 0x3CE: return 0x38F;
    case 0x3C2: return 0x3A3;
    default: break;
  }
  if ((C >= 0x3B1 && C <= 0x3CB)) return static_cast<char16_t>(C - 0x20);
  if (C >= 0x430 && C <= 0x44F) return static_cast<char16_t>(C - 0x20);
  if (C >= 0x450 && C <= 0x45F) return static_cast<char16_t>(C - 0x50);
  if (C >= 0x561 && C <= 0x586) return static_cast<char16_t>(C - 0x30);
  if (C >= 0x2170 && C <= 0x217F) return static_cast<char16_t>(C - 0x10);
  if (C >= 0x24D0 && C <= 0x24E9) return static_cast<char16_t>(C - 0x1A);
  if (C >= 0xFF41 && C <= 0xFF5A) return static_cast<char16_t>(C - 0x20);
  if (C == 0x130 || C == 0x138 || C == 0x149) return C;
  bool found = false;
  return PairUpper(C, found);
}

char16_t LowerLetter(char16_t C) {
  if (C < 0x80) return C >= u'A' && C <= u'Z' ? static_cast<char16_t>(C + 32) : C;
  if (C >= 0xC0 && C <= 0xDE && C != 0xD7) return static_cast<char16_t>(C + 32);
  switch (C) {
    case 0x178: return 0xFF;
    case 0x1C4: case 0x1C5: return 0x1C6;
    case 0x1C7: case 0x1C8: return 0x1C9;
    case 0x1CA: case 0x1CB: return 0x1CC;
    case 0x1F1: case 0x1F2: return 0x1F3;
    case 0x386: return 0x3AC;
    case 0x388: return 0x3AD;
    case 0x389: return 0x3AE;
    case 0x38A: return 0x3AF;
    case 0x38C: return 0x3CC;
    case 0x38E: return 0x3CD;
    case 0x38F: return 0x3CE;
    default: break;
  }
  if ((C >= 0x391 && C <= 0x3AB && C != 0x3A2)) return static_cast<char16_t>(C + 0x20);
  if (C >= 0x410 && C <= 0x42F) return static_cast<char16_t>(C + 0x20);
  if (C >= 0x400 && C <= 0x40F) return static_cast<char16_t>(C + 0x50);
  if (C >= 0x531 && C <= 0x556) return static_cast<char16_t>(C + 0x30);
  if (C >= 0x2160 && C <= 0x216F) return static_cast<char16_t>(C + 0x10);
  if (C >= 0x24B6 && C <= 0x24CF) return static_cast<char16_t>(C + 0x1A);
  if (C >= 0xFF21 && C <= 0xFF3A) return static_cast<char16_t>(C + 0x20);
  if (C == 0x130 || C == 0x131 || C == 0x138 || C == 0x149 || C == 0x17F) return C;
  bool found = false;
  return PairLower(C, found);
}

bool IsWordLetter(char16_t C) {
  if (C < 0x80) return (C >= u'a' && C <= u'z') || (C >= u'A' && C <= u'Z');
  if (C == 0xAA || C == 0xB5 || C == 0xBA) return true;
  if (C < 0xC0) return false;
  if (C < 0x250) return C != 0xD7 && C != 0xF7;
  if (C < 0x2B0) return true;  // phonetic letters
  if (C < 0x370) return false;  // modifiers and combining marks
  if (C < 0x400) return C != 0x375 && C != 0x37E && C != 0x384 && C != 0x385 && C != 0x387;
  if (C < 0x530) return C < 0x482 || C > 0x489;
  if (C < 0x590) return (C >= 0x531 && C <= 0x556) || (C >= 0x561 && C <= 0x587);
  if (C < 0x2000) return true;  // the other alphabets of the basic plane's first part
  if (C < 0x3040) return (C >= 0x2160 && C <= 0x217F) || (C >= 0x24B6 && C <= 0x24E9) || (C >= 0x2C00 && C <= 0x2DFF);
  if (C < 0xD800) return true;  // kana, CJK, Hangul and the rest
  if (C < 0xF900) return false;  // surrogates and private use
  if (C < 0xFB00) return true;
  if (C >= 0xFF21 && C <= 0xFF3A) return true;
  if (C >= 0xFF41 && C <= 0xFF5A) return true;
  return C >= 0xFF66 && C <= 0xFFDC;
}

std::u16string UpperText(std::u16string_view S) {
  std::u16string out(S);
  for (char16_t& c : out) c = UpperLetter(c);
  return out;
}

std::u16string LowerText(std::u16string_view S) {
  std::u16string out(S);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const char16_t c = out[i];
    if (c == 0x3A3) {
      const bool afterLetter = i > 0 && IsWordLetter(S[i - 1]);
      const bool beforeLetter = i + 1 < S.size() && IsWordLetter(S[i + 1]);
      out[i] = afterLetter && !beforeLetter ? char16_t{0x3C2} : char16_t{0x3C3};
    } else {
      out[i] = LowerLetter(c);
    }
  }
  return out;
}

int CollateText(std::u16string_view A, std::u16string_view B) {
  // Primary weights first, over the whole texts; the secondary ones only when those agree.
  std::size_t i = 0, j = 0;
  TWeights wa, wb;
  int ka = 0, kb = 0;  // the next primary of the current character
  bool haveA = false, haveB = false;
  while (true) {
    if (!haveA && i < A.size()) wa = WeightsOf(A[i++]), ka = 0, haveA = true;
    if (!haveB && j < B.size()) wb = WeightsOf(B[j++]), kb = 0, haveB = true;
    if (!haveA || !haveB) {
      if (haveA != haveB) return haveA ? 1 : -1;
      break;
    }
    const std::uint32_t pa = wa.Primary[ka], pb = wb.Primary[kb];
    if (pa != pb) return pa < pb ? -1 : 1;
    if (++ka == wa.Count) haveA = false;
    if (++kb == wb.Count) haveB = false;
  }
  const std::size_t n = A.size() < B.size() ? A.size() : B.size();
  for (std::size_t k = 0; k < n; ++k) {
    const std::uint32_t sa = WeightsOf(A[k]).Secondary, sb = WeightsOf(B[k]).Secondary;
    if (sa != sb) return sa < sb ? -1 : 1;
  }
  return A.size() == B.size() ? 0 : (A.size() < B.size() ? -1 : 1);
}

std::u16string CollationKey(std::u16string_view S) {
  std::u16string out(S);
  for (char16_t& c : out) c = LowerLetter(c);
  return out;
}

}  // namespace formula
