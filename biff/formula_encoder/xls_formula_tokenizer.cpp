#include "biff/formula_encoder/xls_formula_tokenizer.h"

#include "biff/biff_error.h"
#include "core/unicode.h"

namespace biff {

namespace {

bool IsUpperLetter(char16_t C) { return C >= u'A' && C <= u'Z'; }
bool IsDigit(char16_t C) { return C >= u'0' && C <= u'9'; }

// The working text: upper-cased outside double-quoted strings and apostrophe-quoted names. A quote
// is closed only by its own character, so an apostrophe inside a string does not flip the state.
std::u16string UpperCaseOutsideQuotes(std::u16string_view S) {
  std::u16string R(S);
  char16_t Quote = 0;
  for (char16_t& C : R) {
    if (Quote != 0) {
      if (C == Quote) Quote = 0;
    } else if (C == u'"' || C == u'\'') {
      Quote = C;
    } else {
      C = core::ascii_upper(C);
    }
  }
  return R;
}

struct TErrorLiteral {
  const char16_t* Text;
  std::uint8_t Code;
};
constexpr TErrorLiteral kErrorLiterals[] = {{u"#NULL!", 0x00}, {u"#DIV/0!", 0x07}, {u"#VALUE!", 0x0F},
                                            {u"#REF!", 0x17},  {u"#NAME?", 0x1D},  {u"#NUM!", 0x24},
                                            {u"#N/A", 0x2A}};

}  // namespace

void TXLSTokenizer::Clear() {
  Tokens_.clear();
  Work_.clear();
  Original_.clear();
  Pos_ = 0;
  Error_ = false;
  Stop_ = false;
}

void TXLSTokenizer::Add(std::u16string Text, std::u16string Original, std::uint8_t Kind) {
  Tokens_.push_back({std::move(Text), std::move(Original), Kind});
}

void TXLSTokenizer::Fail(int Code, const std::u16string& Text) {
  // The event normally raises; when it returns, scanning stops here.
  Stop_ = true;
  if (OnError) OnError(Code, Text);
}

std::uint8_t TXLSTokenizer::PeekKind(int Index) const {
  const int I = SkipSpaces(Index);
  return I < Count() ? Tokens_[static_cast<std::size_t>(I)].Kind : 0;
}

int TXLSTokenizer::SkipSpaces(int Index) const {
  if (Index < 0) Index = 0;
  while (Index < Count() && Tokens_[static_cast<std::size_t>(Index)].Kind == xtkSpace) ++Index;
  return Index;
}

bool TXLSTokenizer::IsRefTerminator(char16_t C) const {
  if (C == ListSeparator || IsDigit(C)) return true;
  switch (C) {
    case u' ': case u'!': case u'"': case u'#': case u'$': case u'%': case u'&': case u'\'': case u'(':
    case u')': case u'*': case u'+': case u'-': case u'/': case u':': case u'<': case u'=': case u'>':
    case u'[': case u']': case u'^': case u'{': case u'}':
      return true;
    default:
      return false;
  }
}

// A period belongs to a name (NORM.DIST, a defined name "Rate.Low"); only a leading one is a
// misplaced decimal separator.
bool TXLSTokenizer::IsNameTerminator(char16_t C) const {
  if (C == ListSeparator) return true;
  switch (C) {
    case u' ': case u'!': case u'"': case u'#': case u'%': case u'&': case u'\'': case u'(': case u')':
    case u'*': case u'+': case u'-': case u'/': case u'<': case u'=': case u'>': case u'?':
    case u'[': case u'\\': case u']': case u'^': case u'{': case u'}':
      return true;
    default:
      return false;
  }
}

int TXLSTokenizer::CellRefLength(std::size_t Pos) const {
  const std::size_t N = Work_.size();
  if (Pos + 1 >= N) return 0;
  std::size_t P = Pos;
  if (Work_[P] == u'$') ++P;
  if (P >= N || !IsUpperLetter(Work_[P])) return 0;
  int Col = Work_[P] - u'A';
  ++P;
  if (Col <= 8 && P < N && IsUpperLetter(Work_[P])) {
    Col = (Col + 1) * 26 + (Work_[P] - u'A');
    ++P;
  }
  if (Col > 255) return 0;
  if (P < N && Work_[P] == u'$') ++P;
  const std::size_t Digits = P;
  if (P < N && Work_[P] == u'0') return 0;  // no leading zeros: "A01" is a name
  long Row = 0;
  while (P < N && IsDigit(Work_[P])) {
    if (Row <= 65536) Row = Row * 10 + (Work_[P] - u'0');
    ++P;
  }
  if (P == Digits || Row < 1 || Row > 65536) return 0;
  if (P < N && !IsRefTerminator(Work_[P])) return 0;
  return static_cast<int>(P - Pos);
}

void TXLSTokenizer::ReadNumber() {
  const std::size_t Start = Pos_;
  bool Decimal = false;
  while (Pos_ < Work_.size()) {
    const char16_t C = Work_[Pos_];
    if (IsDigit(C)) {
      ++Pos_;
    } else if (C == DecimalSeparator && !Decimal) {
      Decimal = true;
      ++Pos_;
    } else if (C == ListSeparator || C == u' ' || C == u'%' || C == u')' || C == u'*' || C == u'+' || C == u'-' ||
               C == u'/' || C == u'<' || C == u'=' || C == u'>' || C == u'^' || C == u'&') {
      break;
    } else {
      Fail(12, {});
      return;
    }
  }
  const std::u16string T = Work_.substr(Start, Pos_ - Start);
  Add(T, T, xtkNumber);
}

// A string constant; two double quotes inside stand for one, as the decoder writes them.
void TXLSTokenizer::ReadString() {
  std::u16string T;
  std::size_t P = Pos_ + 1;
  for (;;) {
    if (P >= Original_.size()) {
      Fail(5, Original_);
      return;
    }
    if (Original_[P] == u'"') {
      if (P + 1 < Original_.size() && Original_[P + 1] == u'"') {
        T += u'"';
        P += 2;
        continue;
      }
      break;
    }
    T += Original_[P++];
  }
  Add(T, T, xtkString);
  Pos_ = P + 1;
}

void TXLSTokenizer::ReadName() {
  const std::size_t Start = Pos_;
  while (Pos_ < Work_.size() && !IsNameTerminator(Work_[Pos_])) ++Pos_;
  if (Pos_ == Start) throw Exception("Invalid name");
  Add(Work_.substr(Start, Pos_ - Start), Original_.substr(Start, Pos_ - Start),
      LastKind() == xtkPath ? xtkPathName : xtkName);
}

void TXLSTokenizer::ReadReferenceOrName() {
  const int Len = CellRefLength(Pos_);
  if (Len >= 2) {
    std::size_t End = Pos_ + static_cast<std::size_t>(Len);
    bool Area = false;
    if (End < Work_.size() && Work_[End] == u':') {
      const int Len2 = CellRefLength(End + 1);
      if (Len2 >= 2) {
        End += 1 + static_cast<std::size_t>(Len2);
        Area = true;
      }
    }
    std::uint8_t Kind = Area ? xtkArea : xtkRef;
    if (LastKind() == xtkSheet)
      Kind = Area ? xtkSheetArea : xtkSheetRef;
    else if (LastKind() == xtkBookSheet)
      Kind = Area ? xtkBookSheetArea : xtkBookSheetRef;
    Add(Work_.substr(Pos_, End - Pos_), Original_.substr(Pos_, End - Pos_), Kind);
    Pos_ = End;
    return;
  }
  if (Work_[Pos_] == u'$') {
    std::size_t End = Pos_ + 1;
    while (End < Work_.size() && !IsNameTerminator(Work_[End])) ++End;
    Fail(16, Original_.substr(Pos_, End - Pos_));
    return;
  }
  ReadName();
}

// An apostrophe-quoted text: a drive path with a bracketed workbook and a sheet name, or a sheet
// (or external) name. Two apostrophes inside stand for one.
void TXLSTokenizer::ReadQuotedSheet() {
  std::u16string Text;
  std::size_t P = Pos_ + 1;
  bool Closed = false;
  while (P < Original_.size()) {
    if (Original_[P] == u'\'') {
      if (P + 1 < Original_.size() && Original_[P + 1] == u'\'') {
        Text += u'\'';
        P += 2;
        continue;
      }
      Closed = true;
      break;
    }
    Text += Original_[P++];
  }
  if (!Closed) {
    Fail(8, u"'");
    return;
  }
  Pos_ = P + 1;
  if (Text.size() >= 7 && Text[1] == u':' && Text[2] == u'\\') {
    const std::size_t Open = Text.find(u'[');
    if (Open == std::u16string::npos) {
      Add(Text, Text, xtkPath);
      return;
    }
    const std::size_t Close = Text.find(u']', Open + 1);
    if (Close == std::u16string::npos || Close == Open + 1) {
      Fail(14, Text);
      return;
    }
    const std::u16string Sheet = Text.substr(Close + 1);
    if (Sheet.empty() || Sheet.find_first_of(u"*/?[\\]:") != std::u16string::npos) {
      Fail(13, Text);
      return;
    }
    Add(Text.substr(0, Open), Text.substr(0, Open), xtkPath);
    const std::u16string Book = Text.substr(Open + 1, Close - Open - 1);
    Add(Book, Book, xtkWorkbook);
    Add(core::ascii_upper(Sheet), Sheet, xtkName);
    return;
  }
  if (Text.empty() || Text.find_first_of(u"*/?[\\]") != std::u16string::npos) {
    Fail(13, Text);
    return;
  }
  Add(core::ascii_upper(Text), Text, xtkName);
}

void TXLSTokenizer::ReadWorkbookName() {
  const std::size_t Close = Work_.find(u']', Pos_ + 1);
  if (Close == std::u16string::npos || Close == Pos_ + 1) {
    Fail(14, Original_.substr(Pos_));
    return;
  }
  const std::u16string T = Original_.substr(Pos_ + 1, Close - Pos_ - 1);
  Add(T, T, xtkWorkbook);
  Pos_ = Close + 1;
}

// The error literals are encoded as error constants; any other "#" text is refused, so that no
// part of a formula is dropped silently.
void TXLSTokenizer::ReadErrorLiteral() {
  for (const TErrorLiteral& E : kErrorLiterals) {
    const std::u16string_view L(E.Text);
    if (Work_.compare(Pos_, L.size(), L) == 0) {
      Add(std::u16string(1, static_cast<char16_t>(E.Code)), std::u16string(L), xtkError);
      Pos_ += L.size();
      return;
    }
  }
  std::size_t End = Pos_ + 1;
  while (End < Work_.size() && (IsUpperLetter(Work_[End]) || Work_[End] == u'!' || Work_[End] == u'/' ||
                                Work_[End] == u'?' || IsDigit(Work_[End])))
    ++End;
  Fail(16, Original_.substr(Pos_, End - Pos_));
}

void TXLSTokenizer::Parse(std::u16string_view Text) {
  Clear();
  Original_.assign(Text);
  Work_ = UpperCaseOutsideQuotes(Text);
  while (Pos_ < Work_.size() && !Error_ && !Stop_) {
    const char16_t C = Work_[Pos_];
    if (C == ListSeparator) {
      Add(std::u16string(1, C), std::u16string(1, C), xtkListSep);
      ++Pos_;
      continue;
    }
    if (IsDigit(C)) {
      ReadNumber();
      continue;
    }
    if (IsUpperLetter(C) || C == u'$' || C == u'_') {
      ReadReferenceOrName();
      continue;
    }
    auto Op = [&](const char16_t* T, std::uint8_t Kind, std::size_t Len) {
      Add(T, T, Kind);
      Pos_ += Len;
    };
    const char16_t Next = Pos_ + 1 < Work_.size() ? Work_[Pos_ + 1] : 0;
    switch (C) {
      case u' ':
        Op(u" ", xtkSpace, 1);
        break;
      case u'"':
        ReadString();
        break;
      case u'!': {
        const std::uint8_t Last = LastKind();
        if (Last == xtkRef || Last == xtkArea || Last == xtkName) {
          SetLastKind(KindBeforeLast() == xtkWorkbook ? xtkBookSheet : xtkSheet);
          ++Pos_;
        } else if (Last == xtkPath) {
          ++Pos_;
        } else {
          Fail(15, Tokens_.empty() ? std::u16string(u"!") : Tokens_.back().Original + u"!");
        }
        break;
      }
      case u'(':
        if (LastKind() == xtkName) {
          SetLastKind(xtkFunction);
          ++Pos_;
        } else {
          Op(u"(", xtkOpen, 1);
        }
        break;
      case u')': Op(u")", xtkClose, 1); break;
      case u'+': Op(u"+", xtkPlus, 1); break;
      case u'-': Op(u"-", xtkMinus, 1); break;
      case u'*': Op(u"*", xtkMul, 1); break;
      case u'/': Op(u"/", xtkDiv, 1); break;
      case u'&': Op(u"&", xtkConcat, 1); break;
      case u'%': Op(u"%", xtkPercent, 1); break;
      case u'^': Op(u"^", xtkPower, 1); break;
      case u'=': Op(u"=", xtkEQ, 1); break;
      case u'<':
        if (Next == u'=')
          Op(u"<=", xtkLE, 2);
        else if (Next == u'>')
          Op(u"<>", xtkNE, 2);
        else
          Op(u"<", xtkLT, 1);
        break;
      case u'>':
        if (Next == u'=')
          Op(u">=", xtkGE, 2);
        else
          Op(u">", xtkGT, 1);
        break;
      case u'\'':
        ReadQuotedSheet();
        break;
      case u'[':
        ReadWorkbookName();
        break;
      case u'#':
        ReadErrorLiteral();
        break;
      case u'{':
      case u'}':
        Error_ = true;  // array constants are not supported
        break;
      default:
        if (C == DecimalSeparator) throw Exception("Illegal use of decimal separator");
        ReadName();
        break;
    }
  }
}

}  // namespace biff
