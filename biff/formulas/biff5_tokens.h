// BIFF5 formula tokens turned into BIFF8 tokens, so that formulas of BIFF5 files are shown,
// calculated and moved like those of BIFF8 files.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace biff {

// What the conversion asks of the file being read.
struct TBIFF5TokenContext {
  // The BIFF8 EXTERNSHEET index for a 3-D reference: Ixals (signed, negative for the file itself)
  // and its first and last sheet as the token gives them. -1 when the reference cannot be placed.
  std::function<int(int Ixals, int First, int Last)> ExternSheet;
  // An external name: the BIFF8 EXTERNSHEET index and the 1-based name index of name NameIndex
  // (1-based) of BIFF5 EXTERNSHEET record Ixals. False when there is none.
  std::function<bool(int Ixals, int NameIndex, int& ExtSheet, int& BIFF8NameIndex)> ExternName;
  // 8-bit text of the file to UTF-16 (the file's code page).
  std::function<std::u16string(const std::uint8_t* Text, int Count)> Text;
};

// Converts Len bytes of BIFF5 tokens followed by ExtraLen bytes of their extra data (array
// constants, memory-area lists) into BIFF8 tokens and extra data, Tokens holding the tokens and
// then the extra data and Cce the length of the tokens alone. Jump offsets of IF, CHOOSE and
// skip attributes follow the tokens' new sizes. False for tokens BIFF5 does not have or that run
// past the data, and for references the context cannot place.
bool BIFF5TokensToBIFF8(const std::uint8_t* Ptgs, int Len, const std::uint8_t* Extra, int ExtraLen,
                        const TBIFF5TokenContext& Context, std::vector<std::uint8_t>& Tokens, int& Cce);

}  // namespace biff
