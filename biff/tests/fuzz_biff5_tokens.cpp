// Fuzz target: BIFF5 formula tokens and their extra data (the first byte gives the tokens' length)
// turned into BIFF8 tokens, and what comes out decoded to text. Only the library's own errors may
// come out, and a conversion that succeeds keeps its tokens inside the output.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "biff/formulas/biff5_tokens.h"
#include "biff/formulas/biff8_decoder.h"
#include "core/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 65536) return 0;
  const int rest = static_cast<int>(size) - 1;
  const int len = std::min<int>(data[0], rest);
  biff::TBIFF5TokenContext context;
  // The file itself places any sheets; external books none; every external name exists.
  context.ExternSheet = [](int Ixals, int First, int Last) { return Ixals < 0 && First <= Last ? First & 7 : -1; };
  context.ExternName = [](int Ixals, int NameIndex, int& ExtSheet, int& Name) {
    ExtSheet = Ixals & 7;
    Name = NameIndex;
    return Ixals > 0;
  };
  context.Text = [](const std::uint8_t* S, int Count) { return std::u16string(S, S + Count); };
  std::vector<std::uint8_t> tokens;
  int cce = 0;
  if (!biff::BIFF5TokensToBIFF8(data + 1, len, data + 1 + len, rest - len, context, tokens, cce)) return 0;
  if (cce < 0 || cce > static_cast<int>(tokens.size())) std::abort();
  const int extra = static_cast<int>(tokens.size()) - cce;
  std::vector<std::uint8_t> marked = {0xFE, static_cast<std::uint8_t>(extra), static_cast<std::uint8_t>(extra >> 8)};
  if (extra == 0) marked = {0xFF};
  marked.insert(marked.end(), tokens.begin(), tokens.end());
  std::u16string text;
  try {
    biff::DecodeFormulaBIFF(marked.data(), static_cast<int>(marked.size()), -1, text, u',', nullptr, 0, 0);
  } catch (const core::Error&) {
  }
  return 0;
}
