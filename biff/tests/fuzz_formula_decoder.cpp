// Fuzz target: BIFF8 formula tokens decoded to text (with and without the cell-store lead, relative
// tokens placed at a base cell) and relocated as shared-formula tokens, then decoded again.
#include <cstdint>
#include <string>
#include <vector>

#include "biff/formulas/biff8_decoder.h"
#include "core/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 65536) return 0;
  const int len = static_cast<int>(size);
  const biff::TDecodeRefEvent onRef = [](std::uint8_t, int, std::u16string& text, int, int, int) { text = u"X!"; };
  std::u16string text;
  try {
    biff::DecodeFormulaBIFF(data, len, 0, text, u',', onRef, 10, 3);
  } catch (const core::Error&) {
  }
  try {
    biff::DecodeFormulaBIFF(data, len, 0, text, u';', nullptr, -1, -1);
  } catch (const core::Error&) {
  }
  for (std::uint8_t version : {0, 1}) {
    std::vector<std::uint8_t> copy(data, data + size);
    try {
      biff::BIFFRelocatePtgs(version, copy.data(), len, 65535, 255);
      biff::DecodeFormulaBIFF(copy.data(), len, 0, text, u',', nullptr, 0, 0);
    } catch (const core::Error&) {
    }
  }
  return 0;
}
