// The workbook the encryption tests write: three sheets whose stream runs over many key blocks,
// with numbers, strings enough for a shared-string table with CONTINUE records, and a formula
// with a string result.
#pragma once

#include <string>

#include "biff/writer/tests/writer_test_support.h"
#include "core/unicode.h"

namespace biff::testing {

inline void Fill(Book& B) {
  B.wb.Add();
  B.wb.Add();
  B.Sheet(1)->SetName(u"Texte");
  B.Sheet(2)->SetName(u"第三");
  for (int r = 0; r < 300; ++r) {
    B.Cells(0)->WriteFloat(0, r, 0, r * 1.5);
    B.Cells(0)->WriteFloat(1, r, 0, -r);
    std::u16string text = u"Zeile " + core::u16(std::to_string(r)) + u" 温度 " + std::u16string(static_cast<std::size_t>(r % 41), u'x');
    B.Sheet(1)->SetAsString(0, r, text);
  }
  B.Sheet(2)->SetAsString(2, 5, u"allein");
  B.Formula(2, 0, 0, {0x17, 2, 0, 'a', 'b'}, [](workbook::TXLSFormulaHelper& F) { F.SetResultString(u"ab"); });
}

}  // namespace biff::testing
