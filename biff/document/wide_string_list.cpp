#include "biff/document/wide_string_list.h"

#include "biff/biff_error.h"
#include "core/strings.h"

namespace biff {

namespace {

std::u16string_view TrimBlanks(std::u16string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && s[b] <= u' ') ++b;
  while (e > b && s[e - 1] <= u' ') --e;
  return s.substr(b, e - b);
}

bool IsLineEnd(char16_t c) { return (c >= 10 && c <= 13) || c == 0x2028 || c == 0x2029; }

}  // namespace

void TXLSWideStringList::Changed() {
  if (update_count_ == 0 && OnChange) OnChange(this);
}

const TXLSWideStringList::Item& TXLSWideStringList::At(int Index) const {
  if (Index < 0 || Index >= Count()) throw Exception(core::format("List index out of bounds (%d)", Index));
  return items_[static_cast<std::size_t>(Index)];
}

int TXLSWideStringList::AddObject(std::u16string_view S, int Value) {
  items_.push_back({std::u16string(S), Value});
  Changed();
  return Count() - 1;
}

int TXLSWideStringList::AddValue(std::u16string_view S) {
  std::size_t blank = S.find(u' ');
  if (blank != std::u16string_view::npos && blank >= 1) return Add(TrimBlanks(S.substr(blank + 1)));
  return Add(S);
}

void TXLSWideStringList::Clear() {
  items_.clear();
  Changed();
}

void TXLSWideStringList::Get(int Index, std::u16string& S) const { S = At(Index).Text; }

std::u16string TXLSWideStringList::Get(int Index) const { return At(Index).Text; }

int TXLSWideStringList::GetObject(int Index) const { return At(Index).Value; }

std::u16string TXLSWideStringList::GetText() const {
  std::u16string out;
  for (const Item& i : items_) {
    out += i.Text;
    out += u"\r\n";
  }
  return out;
}

void TXLSWideStringList::GetTextWithPrefix(std::u16string_view Prefix, std::u16string& Text) const {
  Text.clear();
  for (const Item& i : items_) {
    Text += Prefix;
    Text += u' ';
    Text += i.Text;
    Text += u"\r\n";
  }
}

void TXLSWideStringList::SetText(std::u16string_view Text) {
  Clear();
  std::size_t start = 0, i = 0;
  while (i < Text.size()) {
    if (!IsLineEnd(Text[i])) {
      ++i;
      continue;
    }
    Add(Text.substr(start, i - start));
    ++i;
    if (i < Text.size() && (Text[i] == u'\r' || Text[i] == u'\n')) ++i;
    start = i;
  }
  if (start < Text.size()) Add(Text.substr(start));
}

}  // namespace biff
