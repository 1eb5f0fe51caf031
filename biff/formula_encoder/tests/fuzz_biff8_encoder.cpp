// Arbitrary text through the BIFF8 compiler (with a two-sheet handler behind it) and, when it
// compiles, back through the decoder: only compile errors may come out, never a crash, and the
// tokens always decode.
#include <cstddef>
#include <cstdint>
#include <string>

#include "biff/formula_encoder/biff_formula_handler.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  // Bytes widened one to one, so the seed texts stay readable.
  std::u16string Text;
  for (std::size_t i = 0; i < Size && i < 4096; ++i) Text += static_cast<char16_t>(Data[i]);
  biff::TFormulaHandler Handler;
  Handler.InternalNames().Add(u"Rate");
  Handler.OnSheetIndex = [](const std::u16string& Name, int& Index, int& Count) {
    Count = 2;
    Index = Name == u"Sheet1" ? 0 : Name == u"Sheet2" ? 1 : -1;
  };
  Handler.OnSheetName = [](std::uint8_t Kind, int Index, std::u16string& Text, int, int) {
    if (Kind == 0) Text = Index == 0 ? u"Sheet1" : u"Sheet2";
  };
  std::uint8_t Buf[1024];
  int Len = 0;
  try {
    Len = Handler.EncodeFormula(Text, Size > 0 ? static_cast<std::uint8_t>(Data[0] & 0x60) : 0, sizeof Buf, Buf);
  } catch (const biff::Exception&) {
    return 0;
  }
  if (Len < 0 || Len > static_cast<int>(sizeof Buf)) __builtin_trap();
  std::u16string Back;
  Handler.DecodeFormula(Buf, Len, Back);
  return 0;
}
