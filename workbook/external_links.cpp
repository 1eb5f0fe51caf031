#include "workbook/external_links.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "workbook/biff_codecs.h"
#include "workbook/cell_references.h"
#include "workbook/format_settings.h"

namespace workbook {

namespace {

// Book and sheet names compare without regard to letter case, for every script's letters.
std::u16string UpperName(const std::u16string& S) { return UpperCaseW(S); }

// A decimal integer of at most 9 digits, nothing else.
bool ParseSmallInt(const std::u16string& S, int& Value) {
  if (S.empty() || S.size() > 9) return false;
  Value = 0;
  for (char16_t c : S) {
    if (c < u'0' || c > u'9') return false;
    Value = Value * 10 + (c - u'0');
  }
  return true;
}

}  // namespace

void TXc12XCellValue::SetAsBoolean(bool Value) {
  Clear();
  ValueType = xvtBoolean;
  Byte = Value ? 1 : 0;
}

void TXc12XCellValue::SetAsError(std::uint8_t Code) {
  Clear();
  ValueType = xvtError;
  Byte = Code;
}

void TXc12XCellValue::SetAsFloat(double Value) {
  Clear();
  ValueType = xvtNumber;
  Number = Value;
}

void TXc12XCellValue::SetAsString(const std::u16string& Text) {
  Clear();
  ValueType = xvtString;
  String = Text;
}

void TXc12XCellValue::SetNil(bool Flag) {
  Clear();
  if (Flag) ValueType = xvtNil;
}

std::u16string XLinkFloatToStr(double Value) {
  if (std::isnan(Value)) return u"NAN";
  if (std::isinf(Value)) return Value > 0 ? u"INF" : u"-INF";
  if (Value == 0) Value = 0;  // no "-0"
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", Value);
  // "1E+20" -> "1E20", "1E-07" -> "1E-7".
  std::string s(buf);
  std::size_t e = s.find('E');
  if (e != std::string::npos) {
    std::string mant = s.substr(0, e);
    std::string exp = s.substr(e + 1);
    bool neg = !exp.empty() && exp[0] == '-';
    if (!exp.empty() && (exp[0] == '+' || exp[0] == '-')) exp.erase(0, 1);
    while (exp.size() > 1 && exp[0] == '0') exp.erase(0, 1);
    s = mant + "E" + (neg ? "-" : "") + exp;
  }
  std::u16string out;
  const char16_t dec = TFormatSettings::GetDecimalSeparator();
  for (char c : s) out.push_back(c == '.' ? dec : static_cast<char16_t>(c));
  return out;
}

std::u16string TXc12XCellValue::GetAsString() const {
  switch (ValueType) {
    case xvtBoolean:
      return Byte ? BooleanTexts().True : BooleanTexts().False;
    case xvtError:
      return Xc12ErrorToText(Byte);
    case xvtNumber:
      return XLinkFloatToStr(Number);
    case xvtString:
      return String;
    default:
      return {};
  }
}

std::u16string TXc12XCell::GetRef() const { return ColRowToRefStr(Col, Row); }

bool TXc12XCell::SetRef(const std::u16string& Text) {
  int c = 0, r = 0;
  if (!RefStrToColRow(Text, c, r)) return false;
  Col = c;
  Row = r;
  return true;
}

bool TXc12XSheetData::FindValue(int Col, int Row, TXc12XCellValue& Value) const {
  for (const auto& row : items_) {
    if (row->Row != Row) continue;
    for (const auto& cell : *row) {
      if (cell->Col == Col) {
        Value.AssignValue(*cell);
        return true;
      }
    }
    return false;
  }
  return false;
}

int TXc12XExternalBook::FindSheet(const std::u16string& Name) const {
  const std::u16string key = UpperName(Name);
  for (std::size_t i = 0; i < SheetNames.size(); ++i)
    if (UpperName(SheetNames[i]) == key) return static_cast<int>(i);
  return -1;
}

int TXc12DataXLinks::Find(const std::u16string& BookText) const {
  int n = 0;
  if (ParseSmallInt(BookText, n)) return n >= 1 && n <= Count() ? n - 1 : -1;
  const std::u16string key = UpperName(BookText);
  for (int i = 0; i < Count(); ++i)
    if (UpperName(GetItem(i)->ExternalBook.Target) == key) return i;
  return -1;
}

bool TXc12DataXLinks::GetValue(int LinkIndex, int SheetIndex, int Col, int Row, TXc12XCellValue& Value) const {
  if (LinkIndex < 0 || LinkIndex >= Count()) return false;
  const TXc12XSheetDataSet& set = GetItem(LinkIndex)->ExternalBook.SheetDataSet;
  // A sheet index from a damaged file must not reach past the list.
  if (SheetIndex < 0 || SheetIndex >= set.Count()) return false;
  return set.GetItem(SheetIndex)->FindValue(Col, Row, Value);
}

}  // namespace workbook
