#include "formula/language/decoder.h"

#include <cmath>
#include <cstring>

#include "core/byte_io.h"
#include "core/unicode.h"
#include "formula/language/byte_code.h"
#include "formula/language/function_table.h"
#include "formula/language/tokenizer.h"
#include "workbook/cell_references.h"
#include "workbook/exceptions.h"

namespace formula {

namespace {

constexpr std::u16string_view kErrorTexts[9] = {u"#N/A",  u"#NULL!", u"#DIV/0!", u"#VALUE!",      u"#REF!",
                                                u"#NAME?", u"#NUM!", u"#N/A",    u"#GETTING_DATA"};

// Codes outside 1..8 cannot come from the compiler; they show as "#N/A" so the text stays readable.
std::u16string ErrorText(std::uint8_t Code) { return std::u16string(kErrorTexts[Code <= 8 ? Code : 0]); }

std::uint16_t U16(const std::uint8_t* P) { return core::load_le16(P); }
std::uint32_t U32(const std::uint8_t* P) { return core::load_le32(P); }

[[noreturn]] void Raise(const std::string& Msg) { throw workbook::Exception(Msg); }

std::string Hex2(std::uint8_t V) {
  static const char d[] = "0123456789ABCDEF";
  return std::string{d[V >> 4], d[V & 15]};
}

const std::u16string_view kSpecials[6] = {u"_ERROR_", u"#All", u"#Data", u"#Headers", u"#Totals", u"#This Row"};

}  // namespace

std::u16string TXLSFormulaDecoder::QuoteSheetName(const std::u16string& Name) {
  // Names the tokenizer would read as something else (a number, a boolean) need apostrophes too.
  bool plain = !Name.empty() && !(Name[0] >= u'0' && Name[0] <= u'9') && Name.rfind(u"TRUE", 0) != 0 &&
               Name.rfind(u"FALSE", 0) != 0;
  for (char16_t c : Name)
    if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'))) plain = false;
  return plain ? Name : u"'" + Name + u"'";
}

std::u16string TXLSFormulaDecoder::Pop() {
  if (Stack_.empty()) Raise("Empty decode stack");
  std::u16string s = std::move(Stack_.back());
  Stack_.pop_back();
  return s;
}

std::u16string& TXLSFormulaDecoder::Top() {
  if (Stack_.empty()) Raise("Empty decode stack");
  return Stack_.back();
}

void TXLSFormulaDecoder::JoinBinary(const std::u16string& Op) {
  if (Stack_.size() < 2) Raise("Empty decode stack");
  std::u16string right = Pop();
  Stack_.back() += Op;
  Stack_.back() += right;
}

void TXLSFormulaDecoder::Call(const std::u16string& Name, int Count, char16_t List) {
  if (Count <= 0) {
    Stack_.push_back(Name + u"()");
    return;
  }
  if (static_cast<std::size_t>(Count) > Stack_.size()) Raise("Empty decode stack");
  std::u16string s = Name + u"(";
  const std::size_t first = Stack_.size() - static_cast<std::size_t>(Count);
  for (std::size_t i = first; i < Stack_.size(); ++i) {
    if (i > first) s.push_back(List);
    s += Stack_[i];
  }
  s.push_back(u')');
  Stack_.resize(first);
  Stack_.push_back(std::move(s));
}

std::u16string TXLSFormulaDecoder::ExternalPrefix(int Link, int Sheet1, int Sheet2, bool BookNumbers) const {
  std::u16string book = BookNumbers || !Resolver_ ? core::utf8_to_utf16(std::to_string(Link + 1))
                                                  : Resolver_->ExternalLinkName(Link);
  std::u16string s1 = Resolver_ ? Resolver_->ExternalSheetName(Link, Sheet1) : std::u16string();
  std::u16string inner = u"[" + book + u"]" + s1;
  bool plain = !s1.empty();
  for (char16_t c : s1)
    if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_')) plain = false;
  if (Sheet2 >= 0) {
    std::u16string s2 = Resolver_ ? Resolver_->ExternalSheetName(Link, Sheet2) : std::u16string();
    for (char16_t c : s2)
      if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_'))
        plain = false;
    inner += u":" + s2;
  }
  // A sheet that the unquoted prefix form cannot carry is written in apostrophes with its book.
  return (plain ? inner : u"'" + inner + u"'") + u"!";
}

std::u16string TXLSFormulaDecoder::TableText(int Sheet, int Table, int Items, char16_t List) {
  TFormulaTableInfo info;
  std::u16string name = (Resolver_ && Resolver_->GetTable(Sheet, Table, info)) ? info.Name : u"#REF!";
  if (Items <= 0) return name + u"[]";
  if (static_cast<std::size_t>(Items) > Stack_.size()) Raise("Empty decode stack");
  const std::size_t first = Stack_.size() - static_cast<std::size_t>(Items);
  std::u16string s;
  if (Items == 1 && Stack_[first].size() >= 2 && Stack_[first][0] == u'[' &&
      Stack_[first].find(u'[', 1) == std::u16string::npos && Stack_[first][1] != u'#') {
    s = name + Stack_[first];  // Table1[Amount]
  } else {
    s = name + u"[";
    for (std::size_t i = first; i < Stack_.size(); ++i) {
      if (i > first) s.push_back(List);
      s += Stack_[i];
    }
    s += u"]";
  }
  Stack_.resize(first);
  return s;
}

std::u16string TXLSFormulaDecoder::Decode(const std::uint8_t* Ptgs, int Len, int SheetIndex,
                                          const TFormulaLocale& Locale, bool BookNumbers) {
  Stack_.clear();
  Sheet_ = SheetIndex;
  const char16_t list = Locale.ListSeparator;
  const char16_t arrayCol = ArrayColumnSeparator(Locale.DecimalSeparator, Locale.ListSeparator);
  std::u16string prefix;
  // A structured reference names its table's sheet after the items it takes: give each item the
  // sheet of the 0xBC token that consumes it (byte 5 groups, a range joining two items into one).
  std::vector<const std::uint8_t*> tokens;
  for (TXLSIteratePtgs scan(Ptgs, Len); scan.Next();) tokens.push_back(scan.Current());
  std::vector<int> itemSheet(tokens.size(), SheetIndex);
  for (std::size_t j = 0; j < tokens.size(); ++j) {
    if (tokens[j][0] != xptgTable) continue;
    const std::uint16_t sh = core::load_le16(tokens[j] + 3);
    const int sheet = sh == PTG_TABLE_OWN_SHEET ? SheetIndex : static_cast<int>(sh);
    int groups = tokens[j][5];
    int items = 0;  // items still owed to the current group
    for (std::size_t k = j; k-- > 0 && (groups > 0 || items > 0);) {
      const std::uint8_t t = tokens[k][0];
      if (t == xptgSpace) continue;
      if (t == ptgRange && items == 0) {
        items = 2;
        --groups;
      } else if ((t == xptgTableColumn || t == xptgTableSpecial)) {
        itemSheet[k] = sheet;
        if (items > 0) --items;
        else --groups;
      } else {
        break;
      }
    }
  }
  std::size_t index = 0;
  TXLSIteratePtgs it(Ptgs, Len);
  while (it.Next()) {
    const std::uint8_t* p = it.Current();
    const std::uint8_t id = p[0];
    bool keepPrefix = false;
    auto push = [&](std::u16string s) { Stack_.push_back(prefix + s); };
    switch (id) {
      case 0x00:
        Raise("Illegal ptgs " + Hex2(id));
      case ptgAdd: case ptgSub: case ptgMul: case ptgDiv: case ptgPower: case ptgConcat: case ptgLT:
      case ptgLE: case ptgEQ: case ptgGE: case ptgGT: case ptgNE: {
        static const char16_t* ops[] = {u"+", u"-", u"*", u"/", u"^", u"&", u"<", u"<=", u"=", u">=", u">", u"<>"};
        JoinBinary(prefix + ops[id - ptgAdd]);
        break;
      }
      case ptgIsect:
        JoinBinary(std::u16string(p[1], u' '));
        break;
      case ptgUnion:
        JoinBinary(prefix + list);
        break;
      case ptgRange:
        JoinBinary(prefix + u":");
        break;
      case ptgUplus:
      case ptgUminus:
        Top().insert(0, prefix + (id == ptgUplus ? u"+" : u"-"));
        break;
      case ptgPercent:
        Top() += prefix + u"%";
        break;
      case ptgParen:
        Top() = prefix + u"(" + Top() + u")";
        break;
      case ptgErr:
        push(ErrorText(p[1]));
        break;
      case ptgBool:
        push(p[1] ? u"TRUE" : u"FALSE");
        break;
      case ptgNum: {
        double v = 0;
        std::memcpy(&v, p + 1, 8);
        push(std::isfinite(v) ? FloatToText15(v, Locale) : std::u16string(u"#NUM!"));
        break;
      }
      case xptgArray: {
        const std::uint64_t n = std::uint64_t{U16(p + 1)} * U32(p + 3);
        const int cols = U16(p + 1);
        if (n == 0 || static_cast<std::int32_t>(U32(p + 3)) <= 0) {
          push(u"{}");
          break;
        }
        if (n > Stack_.size()) Raise("Empty decode stack");
        const std::size_t first = Stack_.size() - static_cast<std::size_t>(n);
        std::u16string s = prefix + u"{";
        for (std::size_t i = 0; i < n; ++i) {
          if (i > 0) s.push_back(i % static_cast<std::size_t>(cols) == 0 ? u';' : arrayCol);
          s += Stack_[first + i];
        }
        s += u"}";
        Stack_.resize(first);
        Stack_.push_back(std::move(s));
        break;
      }
      case xptgFunc:
      case xptgFuncVar: {
        const int fid = U16(p + (id == xptgFunc ? 1 : 2));
        const TXc12FuncData* f = XLSFuncNames().GetFuncData(fid);
        if (!f) throw workbook::Exception("Unknown function id \"" + std::to_string(fid) + "\"");
        Call(prefix + std::u16string(f->Name), id == xptgFunc ? f->MinArgs : p[1], list);
        break;
      }
      case xptgFuncName: {
        std::u16string name(U16(p + 2), u'\0');
        for (std::size_t i = 0; i < name.size(); ++i) name[i] = static_cast<char16_t>(U16(p + 4 + 2 * i));
        Call(prefix + name, p[1], list);
        break;
      }
      case xptgName: {
        const int idx = U16(p + 1);
        std::u16string n = (idx != PTG_NAME_NOT_FOUND && Resolver_) ? Resolver_->NameText(idx) : std::u16string();
        push(n.empty() ? u"#NAME?" : n);
        break;
      }
      case xptgRef:
        push(workbook::ColRowToRefStrFlagged(U16(p + 5), U32(p + 1)));
        break;
      case xptgArea:
        push(workbook::AreaToRefStrFlagged(U16(p + 9), U32(p + 1), U16(p + 11), U32(p + 5)));
        break;
      case xptgRefErr:
      case xptgAreaErr:
        push(u"#REF!");
        break;
      case xptgInt:
        push(core::utf8_to_utf16(std::to_string(static_cast<std::int32_t>(U32(p + 1)))));
        break;
      case xptgStr: {
        std::u16string s = u"\"";
        const int n = U16(p + 1);
        for (int i = 0; i < n; ++i) {
          const char16_t c = static_cast<char16_t>(U16(p + 3 + 2 * i));
          s.push_back(c);
          if (c == u'"') s.push_back(c);
        }
        s.push_back(u'"');
        push(std::move(s));
        break;
      }
      case xptgSpace:
        prefix.assign(p[1], u' ');
        keepPrefix = true;
        break;
      case xptgRef3d:
      case xptgRef3dRange:
      case xptgArea3d:
      case xptgArea3dRange: {
        const bool area = id >= xptgArea3d;
        const int sheetAt = area ? 13 : 7;
        const bool range = id == xptgRef3dRange || id == xptgArea3dRange;
        const std::u16string n1 = Resolver_ ? Resolver_->SheetName(p[sheetAt]) : std::u16string();
        const std::u16string n2 = range && Resolver_ ? Resolver_->SheetName(p[sheetAt + 1]) : std::u16string();
        if (n1.empty() || (range && n2.empty())) {
          push(u"#REF!");
          break;
        }
        // A sheet range goes into one pair of apostrophes when either sheet needs them, the form the
        // tokenizer reads.
        std::u16string s1 = QuoteSheetName(n1), s2;
        if (range) {
          const bool quote = s1 != n1 || QuoteSheetName(n2) != n2;
          s1 = quote ? u"'" + n1 : n1;
          s2 = quote ? n2 + u"'" : n2;
        }
        std::u16string ref = area ? workbook::AreaToRefStrFlagged(U16(p + 9), U32(p + 1), U16(p + 11), U32(p + 5))
                                  : workbook::ColRowToRefStrFlagged(U16(p + 5), U32(p + 1));
        push(s1 + (range ? u":" + s2 : u"") + u"!" + ref);
        break;
      }
      case xptgRefExt:
      case xptgRefExtRange:
      case xptgAreaExt:
      case xptgAreaExtRange: {
        const bool area = id >= xptgAreaExt;
        const int at = area ? 13 : 7;
        const bool range = id == xptgRefExtRange || id == xptgAreaExtRange;
        // The cell form keeps its "$" marks like the area form.
        std::u16string ref = area ? workbook::AreaToRefStrFlagged(U16(p + 9), U32(p + 1), U16(p + 11), U32(p + 5))
                                  : workbook::ColRowToRefStrFlagged(U16(p + 5), U32(p + 1));
        push(ExternalPrefix(U16(p + at), p[at + 2], range ? p[at + 3] : -1, BookNumbers) + ref);
        break;
      }
      case xptgRef3dErr:
      case xptgRef3dRangeErr:
        push(ErrorText(p[7]));
        break;
      case xptgArea3dErr:
      case xptgArea3dRangeErr:
        push(ErrorText(p[13]));
        break;
      case xptgSharedMember:
      case xptgArrayMember: {
        if (!MemberFormulaText) Raise("Decode formula with ACells = Nil");
        push(MemberFormulaText(U16(p + 1), static_cast<int>(U32(p + 3))));
        break;
      }
      case xptgDataTable: {
        const std::uint8_t f = p[1];
        auto input = [&](int n) -> std::u16string {
          if (f & (n == 0 ? 1 : 2)) return u"#REF!";
          const int col = U16(p + (n == 0 ? 2 : 8));
          const std::uint32_t row = U32(p + (n == 0 ? 4 : 10));
          return workbook::ColRowToRefStr(col & 0x3FFF, static_cast<int>(row & 0xFFFFF));
        };
        std::u16string a, b;
        if (f & 0x04) {
          a = input(0);
          b = input(1);
        } else if (f & 0x08) {
          a = input(0);
        } else {
          b = input(0);
        }
        push(u"TABLE(" + a + list + b + u")");
        break;
      }
      case xptgTable: {
        const int sheet = U16(p + 3) == PTG_TABLE_OWN_SHEET ? Sheet_ : U16(p + 3);
        std::u16string s = TableText(sheet, U16(p + 1), p[5], list);
        push(std::move(s));
        break;
      }
      case xptgTableColumn: {
        TFormulaTableInfo info;
        const int col = U16(p + 3);
        std::u16string n;
        const int sheet = itemSheet[index];
        if (Resolver_ && Resolver_->GetTable(sheet, U16(p + 1), info) && col < static_cast<int>(info.Columns.size()))
          n = info.Columns[static_cast<std::size_t>(col)];
        push(u"[" + (n.empty() ? std::u16string(u"#REF!") : n) + u"]");
        break;
      }
      case xptgTableSpecial:
        push(u"[" + std::u16string(kSpecials[p[1] <= 5 ? p[1] : 0]) + u"]");
        break;
      case xptgMissingArg:
        Stack_.push_back(prefix);
        break;
      default:
        Raise("Unknown Ptg \"" + Hex2(id) + "\"");
    }
    if (!keepPrefix) prefix.clear();
    ++index;
  }
  if (Stack_.empty()) return u"???";
  return Stack_.back();
}

}  // namespace formula
