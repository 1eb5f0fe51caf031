#include "formula/language/tokenizer.h"

#include <charconv>
#include <string>

#include "formula/language/function_table.h"

namespace formula {

namespace {

constexpr std::int32_t MAX_COL = 16383;
constexpr std::int32_t MAX_ROW = 1048575;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }
bool IsLatin1Letter(char16_t c) { return c == 196 || c == 197 || c == 214 || c == 228 || c == 229 || c == 246; }
bool IsNameStart(char16_t c) { return IsDigit(c) || IsLetter(c) || IsLatin1Letter(c) || c == u'_' || c == u'\\'; }
bool IsNameChar(char16_t c) { return IsDigit(c) || IsLetter(c) || IsLatin1Letter(c) || c == u'_' || c == u'.'; }
bool IsIdentChar(char16_t c) { return c == u'.' || IsDigit(c) || IsLetter(c) || c == u'_' || c >= 128; }
bool IsOperatorChar(char16_t c) {
  switch (c) {
    case u' ': case u'&': case u'*': case u'+': case u',': case u'-': case u'/': case u':':
    case u'<': case u'=': case u'>': case u'^':
      return true;
    default:
      return false;
  }
}

constexpr std::u16string_view kErrorTexts[8] = {u"#NULL!", u"#DIV/0!", u"#VALUE!", u"#REF!",
                                                u"#NAME?", u"#NUM!",   u"#N/A",    u"#GETTING_DATA"};

}  // namespace

bool IsFunctionName(std::u16string_view S) {
  if (S.empty() || !IsLetter(S[0])) return false;
  for (char16_t c : S)
    if (!(IsLetter(c) || IsDigit(c) || c == u'.' || c == u'_')) return false;
  return true;
}

TXLSTokenizer::TXLSTokenizer(workbook::TXLSErrorManager& Errors) : Errors_(Errors) {}

void TXLSTokenizer::SetSeparators(bool Invariant, const TFormulaLocale& Locale) {
  if (Invariant) {
    Locale_ = nullptr;
    Decimal_ = u'.';
    List_ = u',';
  } else {
    Locale_ = &Locale;
    Decimal_ = Locale.DecimalSeparator;
    List_ = Locale.ListSeparator;
  }
}

bool TXLSTokenizer::Blank(std::size_t P) const {
  const char16_t c = Ch(P);
  return P < Text_.size() && (c == u' ' || c == u'\n' || c == u'\r');
}

void TXLSTokenizer::Add(std::uint8_t Kind, int Pos) {
  TXLSFormulaToken t;
  t.Kind = Kind;
  t.Pos = Pos;
  Out_->push_back(std::move(t));
}

void TXLSTokenizer::AddInt(std::uint8_t Kind, int Pos, std::int32_t V) {
  Add(Kind, Pos);
  Out_->back().ValueKind = TXLSTokenValueKind::Integer;
  Out_->back().Int = V;
}

void TXLSTokenizer::AddText(std::uint8_t Kind, int Pos, std::u16string T) {
  Add(Kind, Pos);
  Out_->back().ValueKind = TXLSTokenValueKind::Text;
  Out_->back().Text = std::move(T);
}

const TXLSFormulaToken* TXLSTokenizer::LastNonSpace() const {
  for (auto it = Out_->rbegin(); it != Out_->rend(); ++it)
    if (it->Kind != xtkSpaceRun) return &*it;
  return nullptr;
}

void TXLSTokenizer::Report(int Code, const std::u16string& Text) { Errors_.Error(Text, Code); }

bool TXLSTokenizer::Parse(std::u16string_view Text, TXLSTokenList& Tokens) {
  Tokens.clear();
  bool any = false;
  for (char16_t c : Text)
    if (c > u' ') {
      any = true;
      break;
    }
  if (!any) return false;
  Out_ = &Tokens;
  Depth_ = 0;
  NoPrefixBefore_ = 0;
  Text_ = Text;
  Pos_ = 0;
  std::size_t lead = 0;
  while (Blank(lead)) ++lead;
  if (lead > 0) AddInt(xtkSpace, 0, static_cast<std::int32_t>(lead));
  std::size_t end = Text.size();
  while (end > lead && (Text[end - 1] == u' ' || Text[end - 1] == u'\n' || Text[end - 1] == u'\r')) --end;
  const std::size_t trailing = Text.size() - end;
  Text_ = Text.substr(0, end);
  Pos_ = lead;
  while (!AtEnd()) {
    if (Blank(Pos_)) {
      const int start = static_cast<int>(Pos_);
      while (Blank(Pos_)) ++Pos_;
      AddInt(xtkSpaceRun, start, static_cast<std::int32_t>(Pos_ - start));
      continue;
    }
    const std::size_t before = Pos_;
    const std::size_t count = Tokens.size();
    if (!Element() || Pos_ == before) {
      // Nothing accepted here: drop what the failed attempt left and step over one character.
      Pos_ = before;
      Tokens.resize(count);
      Report(4006);
      Add(xtkUnknown, static_cast<int>(Pos_));
      Tokens.back().ValueKind = TXLSTokenValueKind::Character;
      Tokens.back().Char = Text_[Pos_];
      ++Pos_;
    }
  }
  if (Depth_ > 0) Report(4007);
  PostPass();
  if (trailing > 0 && trailing < end) AddInt(xtkSpaceRun, static_cast<int>(end), static_cast<std::int32_t>(trailing));
  Text_ = {};
  Out_ = nullptr;
  return true;
}

// One element; parentheses are counted instead of recursed into, so deep nesting cannot exhaust the
// stack.
bool TXLSTokenizer::Element() {
  const char16_t c = Ch(Pos_);
  const int at = static_cast<int>(Pos_);
  if (c == u'(') {
    ++Pos_;
    ++Depth_;
    const std::size_t n = Out_->size();
    if (n > 0 && (*Out_)[n - 1].Kind == xtkName && IsFunctionName((*Out_)[n - 1].Text) &&
        !(n > 1 && (*Out_)[n - 2].Kind == xtkSheetEnd))
      Out_->back().Kind = xtkFunction;
    else
      Add(xtkOpenParen, at);
    return true;
  }
  if (c == u')') {
    if (Depth_ == 0) return false;
    --Depth_;
    ++Pos_;
    Add(xtkCloseParen, at);
    return true;
  }
  if (Operand()) return true;
  if (c == u'-' || c == u'+') {
    const TXLSFormulaToken* prev = LastNonSpace();
    const std::uint8_t k = prev ? prev->Kind : static_cast<std::uint8_t>(xtkUnknown);
    if (!prev || k == xtkUnknown || k == xtkSpace || k == xtkListSep || k == xtkOpenParen ||
        (k >= xtkPower && k <= xtkGE) || k == xtkFunction) {
      ++Pos_;
      Add(static_cast<std::uint8_t>(c == u'-' ? xtkUminus : xtkUplus), at);
      std::size_t p = Pos_;
      while (Blank(p)) ++p;
      if (p >= Text_.size() || Text_[p] == u')' || Text_[p] == List_) Report(4008, u"-");
      return true;
    }
  }
  if (c == List_) {
    ++Pos_;
    Add(xtkListSep, at);
    return true;
  }
  std::uint8_t op = 0;
  std::size_t len = 1;
  switch (c) {
    case u'^': op = xtkPower; break;
    case u'*': op = xtkMul; break;
    case u'/': op = xtkDiv; break;
    case u'+': op = xtkAdd; break;
    case u'-': op = xtkSub; break;
    case u'&': op = xtkConcat; break;
    case u'=': op = xtkEQ; break;
    case u'<':
      if (Ch(Pos_ + 1) == u'>') op = xtkNE, len = 2;
      else if (Ch(Pos_ + 1) == u'=') op = xtkLE, len = 2;
      else op = xtkLT;
      break;
    case u'>':
      if (Ch(Pos_ + 1) == u'=') op = xtkGE, len = 2;
      else op = xtkGT;
      break;
    case u':': op = xtkRangeOp; break;
    case u'%': op = xtkPercent; break;
    default: break;
  }
  if (op != 0) {
    Pos_ += len;
    Add(op, at);
    return true;
  }
  if (ReferenceOrName()) return true;
  if (c == u'[') return StructuredRef(false);
  return false;
}

bool TXLSTokenizer::Operand() {
  const char16_t c = Ch(Pos_);
  if (c == u'#') return ErrorLiteral(true);
  const int at = static_cast<int>(Pos_);
  for (int b = 0; b < 2; ++b) {
    const std::u16string_view w = b == 0 ? u"TRUE" : u"FALSE";
    // TRUE( and FALSE( are the functions of those names.
    if (Match(w) && Ch(Pos_ + w.size()) != u'(') {
      Pos_ += w.size();
      Add(b == 0 ? xtkTrue : xtkFalse, at);
      return true;
    }
  }
  if (RowRange()) return true;
  if (IsDigit(c) || (c == Decimal_ && IsDigit(Ch(Pos_ + 1)))) return Number();
  if (c == Decimal_ && c != List_) return Number();
  if (c == u'"') return String();
  if (c == u'{') return ArrayConst();
  return false;
}

bool TXLSTokenizer::ErrorLiteral(bool ReportUnknown) {
  const int at = static_cast<int>(Pos_);
  for (int i = 0; i < 8; ++i) {
    if (Match(kErrorTexts[i])) {
      Pos_ += kErrorTexts[i].size();
      Add(static_cast<std::uint8_t>(xtkErrorFirst + i), at);
      return true;
    }
  }
  if (!ReportUnknown) return false;
  static constexpr std::u16string_view run = u"#/!?01234567890_ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::size_t p = Pos_;
  // The run only names the fault; a bounded scan keeps runs of "#" linear.
  while (p < Text_.size() && p - Pos_ < 64 && run.find(Text_[p]) != std::u16string_view::npos) ++p;
  Report(4001, std::u16string(Text_.substr(Pos_, p - Pos_)));
  return false;
}

bool TXLSTokenizer::RowRange() {
  std::size_t p = Pos_;
  const int at = static_cast<int>(Pos_);
  auto row = [&](std::size_t& q, std::int32_t& r, bool& abs) {
    abs = Ch(q) == u'$';
    if (abs) ++q;
    const std::size_t s = q;
    std::int64_t v = 0;
    while (IsDigit(Ch(q)) && q < Text_.size()) {
      if (v <= MAX_ROW + 1) v = v * 10 + (Ch(q) - u'0');
      ++q;
    }
    if (q == s || v < 1 || v > MAX_ROW + 1) return false;
    r = static_cast<std::int32_t>(v - 1);
    return true;
  };
  std::int32_t r1 = 0, r2 = 0;
  bool a1 = false, a2 = false;
  if (!row(p, r1, a1) || Ch(p) != u':' || p >= Text_.size()) return false;
  const std::size_t colon = p++;
  std::size_t q = p;
  if (!row(q, r2, a2) || (q < Text_.size() && IsIdentChar(Text_[q]))) {
    Report(4010);
    return false;
  }
  AddInt(a1 ? xtkRowAbs : xtkRow, at, r1);
  Add(xtkRefColon, static_cast<int>(colon));
  AddInt(a2 ? xtkRowAbs : xtkRow, static_cast<int>(p), r2);
  Pos_ = q;
  return true;
}

bool TXLSTokenizer::Number() {
  const int at = static_cast<int>(Pos_);
  std::string ascii;
  while (IsDigit(Ch(Pos_)) && !AtEnd()) ascii.push_back(static_cast<char>(Text_[Pos_++]));
  if (!AtEnd() && Ch(Pos_) == Decimal_) {
    ++Pos_;
    ascii.push_back('.');
    const std::size_t s = Pos_;
    while (IsDigit(Ch(Pos_)) && !AtEnd()) ascii.push_back(static_cast<char>(Text_[Pos_++]));
    if (Pos_ == s && ascii.size() == 1) {
      Report(4003);
      return false;
    }
  }
  if (ascii.empty()) return false;
  if (Ch(Pos_) == u'E' || Ch(Pos_) == u'e') {
    std::size_t p = Pos_ + 1;
    std::string e = "e";
    if (Ch(p) == u'+' || Ch(p) == u'-') e.push_back(static_cast<char>(Text_[p++]));
    const std::size_t s = p;
    while (IsDigit(Ch(p)) && p < Text_.size()) e.push_back(static_cast<char>(Text_[p++]));
    if (p == s) {
      Report(4002);
      return false;
    }
    ascii += e;
    Pos_ = p;
  }
  double v = 0;
  const auto r = std::from_chars(ascii.data(), ascii.data() + ascii.size(), v);
  if (r.ec != std::errc()) v = 0;  // out of range: not a number, as the text conversion gives
  Add(xtkNumber, at);
  Out_->back().ValueKind = TXLSTokenValueKind::Double;
  Out_->back().Num = v;
  return true;
}

bool TXLSTokenizer::String() {
  const int at = static_cast<int>(Pos_);
  std::u16string s;
  std::size_t p = Pos_ + 1;
  for (;;) {
    if (p >= Text_.size()) {
      // The rest of the text is inside the open string: one unknown token for all of it, so a text
      // of many quotes is not rescanned from every quote.
      Report(4004);
      Add(xtkUnknown, at);
      Out_->back().ValueKind = TXLSTokenValueKind::Character;
      Out_->back().Char = u'"';
      Pos_ = Text_.size();
      return true;
    }
    if (Text_[p] == u'"') {
      if (Ch(p + 1) == u'"' && p + 1 < Text_.size()) {
        s.push_back(u'"');
        p += 2;
        continue;
      }
      ++p;
      break;
    }
    s.push_back(Text_[p++]);
  }
  Pos_ = p;
  AddText(xtkString, at, std::move(s));
  return true;
}

bool TXLSTokenizer::ArrayElement() {
  const char16_t c = Ch(Pos_);
  if (c == u'#') return ErrorLiteral(false);
  if (Match(u"TRUE")) {
    Add(xtkTrue, static_cast<int>(Pos_));
    Pos_ += 4;
    return true;
  }
  if (Match(u"FALSE")) {
    Add(xtkFalse, static_cast<int>(Pos_));
    Pos_ += 5;
    return true;
  }
  if (IsDigit(c) || c == Decimal_) return Number();
  if (c == u'"') return String();
  return false;
}

bool TXLSTokenizer::ArrayConst() {
  Add(xtkArrayOpen, static_cast<int>(Pos_));
  ++Pos_;
  // Under a locale whose list separator is ";" the columns are separated by the backslash, the form
  // the decoder writes there.
  const char16_t colSep = ArrayColumnSeparator(Decimal_, List_);
  for (;;) {
    while (Blank(Pos_)) ++Pos_;
    if (Ch(Pos_) == u'-' || Ch(Pos_) == u'+') {
      Add(Ch(Pos_) == u'-' ? xtkUminus : xtkUplus, static_cast<int>(Pos_));
      ++Pos_;
    }
    for (;;) {
      while (Blank(Pos_)) ++Pos_;
      if (AtEnd() || !ArrayElement()) {
        Report(4005);
        return false;
      }
      while (Blank(Pos_)) ++Pos_;
      if (!AtEnd() && Ch(Pos_) == colSep) {
        Add(xtkListSep, static_cast<int>(Pos_));
        ++Pos_;
        continue;
      }
      break;
    }
    if (!AtEnd() && Ch(Pos_) == u';') {
      Add(xtkRowSep, static_cast<int>(Pos_));
      ++Pos_;
      continue;
    }
    if (!AtEnd() && Ch(Pos_) == u'}') {
      Add(xtkArrayClose, static_cast<int>(Pos_));
      ++Pos_;
      return true;
    }
    Report(4005);
    return false;
  }
}

bool TXLSTokenizer::ColumnAt(std::size_t P, std::size_t& End, int& Col, bool& AbsCol) const {
  AbsCol = Ch(P) == u'$';
  if (AbsCol) ++P;
  int n = 0, v = 0;
  while (P < Text_.size() && IsLetter(Text_[P]) && n < 4) {
    v = v * 26 + ((Text_[P] | 0x20) - u'a' + 1);
    ++P;
    ++n;
  }
  if (n == 0 || n > 3 || v - 1 > MAX_COL) return false;
  Col = v - 1;
  End = P;
  return true;
}

bool TXLSTokenizer::CellAt(std::size_t P, std::size_t& End, int& Col, bool& AbsCol, int& Row,
                           bool& AbsRow) const {
  std::size_t q = 0;
  if (!ColumnAt(P, q, Col, AbsCol)) return false;
  AbsRow = Ch(q) == u'$' && q < Text_.size();
  if (AbsRow) ++q;
  const std::size_t s = q;
  std::int64_t v = 0;
  while (q < Text_.size() && IsDigit(Text_[q]) && q - s < 10) v = v * 10 + (Text_[q++] - u'0');
  if (q == s || q - s > 9 || v < 1 || v > MAX_ROW + 1) return false;
  if (q < Text_.size() && IsIdentChar(Text_[q])) return false;
  Row = static_cast<int>(v - 1);
  End = q;
  return true;
}

// A sheet or workbook prefix, added as tokens up to and including "!"; false (nothing added) when
// there is none.
bool TXLSTokenizer::Prefix() {
  const char16_t c = Ch(Pos_);
  if (c == u'\'') {
    const std::size_t close = Text_.find(u'\'', Pos_ + 1);
    if (close == std::u16string_view::npos) {
      Report(4013, u"'");
      return false;
    }
    if (Ch(close + 1) != u'!' || close + 1 >= Text_.size()) {
      Report(4013, u"!");
      return false;
    }
    std::u16string_view in = Text_.substr(Pos_ + 1, close - Pos_ - 1);
    const int at = static_cast<int>(Pos_ + 1);
    int off = 0;
    if (!in.empty() && in[0] == u'[') {
      const std::size_t rb = in.find(u']');
      if (rb == std::u16string_view::npos || rb == 1 || rb + 1 >= in.size()) {
        Report(4012);
        return false;
      }
      AddText(xtkBook, at + 1, std::u16string(in.substr(1, rb - 1)));
      in = in.substr(rb + 1);
      off = static_cast<int>(rb + 1);
    }
    if (in.empty()) {
      Report(4011);
      return false;
    }
    const std::size_t colon = in.find(u':');
    if (colon != std::u16string_view::npos) {
      if (colon == 0 || colon + 1 == in.size()) {
        Report(4011);
        return false;
      }
      AddText(xtkSheet, at + off, std::u16string(in.substr(0, colon)));
      Add(xtkRefColon, at + off + static_cast<int>(colon));
      AddText(xtkSheet, at + off + static_cast<int>(colon) + 1, std::u16string(in.substr(colon + 1)));
    } else {
      AddText(xtkSheet, at + off, std::u16string(in));
    }
    Add(xtkSheetEnd, static_cast<int>(close + 1));
    Pos_ = close + 2;
    return true;
  }
  std::size_t p = Pos_;
  std::u16string book;
  int bookAt = 0;
  if (c == u'[') {
    std::size_t q = p + 1;
    while (q < Text_.size() && !IsOperatorChar(Text_[q]) && Text_[q] != u'\'' && Text_[q] != u'?' &&
           Text_[q] != u'[' && Text_[q] != u']')
      ++q;
    if (q == p + 1 || Ch(q) != u']' || q >= Text_.size()) return false;
    book.assign(Text_.substr(p + 1, q - p - 1));
    bookAt = static_cast<int>(p + 1);
    p = q + 1;
  }
  const std::size_t sheetStart = p;
  // A scan that ended at a character no sheet name holds, or at the end, without a "!" tells the
  // same for every later start before that point: skip them, so the scans stay linear in total.
  if (p < NoPrefixBefore_) return false;
  std::size_t colon = std::u16string_view::npos;
  while (p < Text_.size() && Text_[p] != u'!') {
    const char16_t d = Text_[p];
    if (d == u':') {
      if (colon != std::u16string_view::npos) return false;
      colon = p;
    } else if (IsOperatorChar(d) || d == u'\'' || d == u'(' || d == u')' || d == u'?' || d == u'[' ||
               d == u']' || d == u'\\' || d == List_ || d == u'"' || d == u'{' || d == u'}' || d == u';') {
      if (colon == std::u16string_view::npos) NoPrefixBefore_ = p;
      return false;
    }
    ++p;
  }
  if (p >= Text_.size() && colon == std::u16string_view::npos) NoPrefixBefore_ = p;
  if (p >= Text_.size() || p == sheetStart || colon == sheetStart || colon + 1 == p) return false;
  if (!book.empty()) AddText(xtkBook, bookAt, std::move(book));
  if (colon != std::u16string_view::npos) {
    AddText(xtkSheet, static_cast<int>(sheetStart), std::u16string(Text_.substr(sheetStart, colon - sheetStart)));
    Add(xtkRefColon, static_cast<int>(colon));
    AddText(xtkSheet, static_cast<int>(colon + 1), std::u16string(Text_.substr(colon + 1, p - colon - 1)));
  } else {
    AddText(xtkSheet, static_cast<int>(sheetStart), std::u16string(Text_.substr(sheetStart, p - sheetStart)));
  }
  Add(xtkSheetEnd, static_cast<int>(p));
  Pos_ = p + 1;
  return true;
}

bool TXLSTokenizer::ReferenceOrName() {
  const std::size_t start = Pos_;
  const std::size_t count = Out_->size();
  const bool prefixed = Prefix();
  if (!prefixed) {
    Out_->resize(count);
    Pos_ = start;
  }
  auto fail = [&] {
    Out_->resize(count);
    Pos_ = start;
    return false;
  };
  if (prefixed && Ch(Pos_) == u'#') {
    if (ErrorLiteral(true)) return true;
    return fail();
  }
  std::size_t end = 0;
  int c1 = 0, r1 = 0;
  bool ac1 = false, ar1 = false;
  if (CellAt(Pos_, end, c1, ac1, r1, ar1)) {
    // A cell-shaped name directly followed by "(" calls the function of that name when the table
    // knows it (LOG10(100)).
    bool function = false;
    if (Ch(end) == u'(' && end < Text_.size() && !prefixed) {
      const std::u16string_view w = Text_.substr(Pos_, end - Pos_);
      function = w.find(u'$') == std::u16string_view::npos && XLSFuncNames().FindName(w) >= 0;
    }
    if (!function) {
      AddInt(ac1 ? xtkColAbs : xtkCol, static_cast<int>(Pos_), c1);
      AddInt(ar1 ? xtkRowAbs : xtkRow, static_cast<int>(Pos_), r1);
      Pos_ = end;
      int c2 = 0, r2 = 0;
      bool ac2 = false, ar2 = false;
      std::size_t end2 = 0;
      if (Ch(Pos_) == u':' && CellAt(Pos_ + 1, end2, c2, ac2, r2, ar2)) {
        Add(xtkRefColon, static_cast<int>(Pos_));
        AddInt(ac2 ? xtkColAbs : xtkCol, static_cast<int>(Pos_ + 1), c2);
        AddInt(ar2 ? xtkRowAbs : xtkRow, static_cast<int>(Pos_ + 1), r2);
        Pos_ = end2;
      }
      return true;
    }
  }
  // Column range.
  if (ColumnAt(Pos_, end, c1, ac1) && Ch(end) == u':' && end < Text_.size()) {
    int c2 = 0;
    bool ac2 = false;
    std::size_t end2 = 0;
    if (ColumnAt(end + 1, end2, c2, ac2) && !(end2 < Text_.size() && IsIdentChar(Text_[end2]))) {
      AddInt(ac1 ? xtkColAbs : xtkCol, static_cast<int>(Pos_), c1);
      Add(xtkRefColon, static_cast<int>(end));
      AddInt(ac2 ? xtkColAbs : xtkCol, static_cast<int>(end + 1), c2);
      Pos_ = end2;
      return true;
    }
  }
  if (prefixed && RowRange()) return true;
  if (!AtEnd() && IsNameStart(Ch(Pos_))) {
    const std::size_t s = Pos_;
    ++Pos_;
    while (!AtEnd() && IsNameChar(Ch(Pos_))) ++Pos_;
    AddText(xtkName, static_cast<int>(s), std::u16string(Text_.substr(s, Pos_ - s)));
    if (!prefixed && Ch(Pos_) == u'[' && !AtEnd()) {
      Out_->back().Kind = xtkTable;
      if (!StructuredRef(true)) return fail();
    }
    return true;
  }
  return fail();
}

bool TXLSTokenizer::TableItem() {
  // At "[": one bracketed item up to its "]".
  std::size_t p = Pos_ + 1;
  const int at = static_cast<int>(p);
  if (Ch(p) == u'#') {
    const std::size_t rb = Text_.find_first_of(u"[]", p);
    if (rb == std::u16string_view::npos || Text_[rb] != u']') return false;
    AddText(xtkTableSpecial, at, std::u16string(Text_.substr(p + 1, rb - p - 1)));
    Pos_ = rb + 1;
    return true;
  }
  std::u16string s;
  const char16_t f = Ch(p);
  if (p >= Text_.size() || f <= u' ' || f == u'#' || f == u'+' || f == u'-' || f == u'[' || f == u']') return false;
  while (p < Text_.size() && Text_[p] > u' ' && Text_[p] != u'#' && Text_[p] != u'[' && Text_[p] != u']') {
    if (Text_[p] == u'\'' && p + 1 < Text_.size() &&
        (Text_[p + 1] == u'#' || Text_[p + 1] == u'\'' || Text_[p + 1] == u'[' || Text_[p + 1] == u']')) {
      s.push_back(Text_[p++]);
    }
    s.push_back(Text_[p++]);
  }
  if (Ch(p) != u']' || p >= Text_.size()) return false;
  AddText(xtkTableColumn, at, std::move(s));
  Pos_ = p + 1;
  return true;
}

// At "[": a structured reference. Named: after a table name, "[" item "]" or "[" [item] ... "]".
bool TXLSTokenizer::StructuredRef(bool Named) {
  if (Named) {
    if (Ch(Pos_ + 1) == u'[') {
      ++Pos_;
    } else if (Ch(Pos_ + 1) == u']') {
      Add(xtkTableEnd, static_cast<int>(Pos_ + 1));
      Pos_ += 2;
      return true;
    } else {
      // One item without inner brackets: Table1[Amount].
      if (!TableItem()) return false;
      Add(xtkTableEnd, static_cast<int>(Pos_ - 1));
      return true;
    }
  }
  for (;;) {
    if (Ch(Pos_) != u'[' || !TableItem()) return false;
    std::size_t p = Pos_;
    while (Blank(p)) ++p;
    const char16_t c = Ch(p);
    if (p < Text_.size() && (c == List_ || c == u':' || c == u';')) {
      Add(c == List_ ? xtkListSep : c == u':' ? xtkRefColon : xtkRowSep, static_cast<int>(p));
      Pos_ = p + 1;
      while (Blank(Pos_)) ++Pos_;
      continue;
    }
    if (Named) {
      if (c != u']' || p >= Text_.size()) return false;
      Add(xtkTableEnd, static_cast<int>(p));
      Pos_ = p + 1;
    }
    return true;
  }
}

void TXLSTokenizer::PostPass() {
  TXLSTokenList& t = *Out_;
  auto spacing = [](std::uint8_t k) { return k == xtkListSep || k == xtkOpenParen || (k >= xtkPower && k <= xtkRangeOp); };
  for (std::size_t i = 1; i + 1 < t.size(); ++i) {
    if (t[i].Kind != xtkSpaceRun) continue;
    const std::uint8_t b = t[i - 1].Kind, a = t[i + 1].Kind;
    if (spacing(b) || b == xtkFunction || a == xtkListSep || a == xtkCloseParen || (a >= xtkPower && a <= xtkRangeOp))
      t[i].Kind = xtkSpace;
    else
      t[i].Kind = xtkIntersect;
  }
}

}  // namespace formula
