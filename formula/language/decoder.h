// The formula decoder: the library's byte code back to formula text. Postfix tokens are replayed on a
// growable stack of texts. The separators come from the locale passed in (the invariant one for
// files), so the same byte code reads differently under different locales.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "formula/language/name_resolver.h"
#include "formula/support/locale.h"

namespace formula {

class TXLSFormulaDecoder {
public:
  // Resolver may be nullptr: then names decode as "#NAME?" and sheet references as "#REF!".
  explicit TXLSFormulaDecoder(const IFormulaNameResolver* Resolver) : Resolver_(Resolver) {}

  // The formula text of the shared or array formula anchored at (Col, Row) of the sheet being decoded
  // (0xB8, 0xBB). Without it those tokens raise "Decode formula with ACells = Nil".
  std::function<std::u16string(int Col, int Row)> MemberFormulaText;

  // The text of Ptgs. BookNumbers writes external workbooks as their 1-based link number instead of
  // their name. Raises workbook::Exception on byte code it cannot read.
  std::u16string Decode(const std::uint8_t* Ptgs, int Len, int SheetIndex, const TFormulaLocale& Locale,
                        bool BookNumbers = false);
  std::u16string Decode(const std::vector<std::uint8_t>& Ptgs, int SheetIndex = -1,
                        const TFormulaLocale& Locale = TFormulaLocale::Invariant()) {
    return Decode(Ptgs.data(), static_cast<int>(Ptgs.size()), SheetIndex, Locale);
  }

  // A sheet name as a reference prefix writes it: bare when it is ASCII letters and digits not
  // starting with a digit, else in apostrophes.
  static std::u16string QuoteSheetName(const std::u16string& Name);

private:
  std::u16string Pop();
  std::u16string& Top();
  void JoinBinary(const std::u16string& Op);
  void Call(const std::u16string& Name, int Count, char16_t List);
  std::u16string ExternalPrefix(int Link, int Sheet1, int Sheet2, bool BookNumbers) const;
  std::u16string TableText(int Sheet, int Table, int Items, char16_t List);

  const IFormulaNameResolver* Resolver_;
  std::vector<std::u16string> Stack_;
  int Sheet_ = -1;
};

}  // namespace formula
