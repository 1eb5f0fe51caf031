// Small lists of UTF-16 strings, each with an integer attached: sheet names with their stream
// positions while reading, module attributes of a VBA project.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace biff {

class TXLSWideStringList {
public:
  virtual ~TXLSWideStringList() = default;

  // Fired by Add, AddObject, AddValue and Clear while no update is running.
  std::function<void(TXLSWideStringList* Sender)> OnChange;

  int Add(std::u16string_view S) { return AddObject(S, 0); }
  int AddObject(std::u16string_view S, int Value);
  // With a blank at the second character or later, adds the trimmed text after the first blank.
  int AddValue(std::u16string_view S);
  void Clear();

  int Count() const { return static_cast<int>(items_.size()); }
  // Raise for an index outside the list.
  void Get(int Index, std::u16string& S) const;
  std::u16string Get(int Index) const;
  int GetObject(int Index) const;

  // Every item followed by CR LF.
  std::u16string GetText() const;
  // Every item as Prefix, a blank, the item and CR LF.
  void GetTextWithPrefix(std::u16string_view Prefix, std::u16string& Text) const;
  // One item per line; lines end at LF, VT, FF, CR, U+2028 or U+2029, and a CR or LF right after
  // the ending character belongs to the same line end.
  void SetText(std::u16string_view Text);

  void BeginUpdate() { ++update_count_; }
  void EndUpdate() {
    if (update_count_ > 0) --update_count_;
  }

private:
  struct Item {
    std::u16string Text;
    int Value;
  };
  void Changed();
  const Item& At(int Index) const;

  std::vector<Item> items_;
  int update_count_ = 0;
};

class TXLSValueWideStringList : public TXLSWideStringList {
public:
  char16_t NameValueSeparator() const { return separator_; }
  void SetNameValueSeparator(char16_t C) { separator_ = C; }

private:
  char16_t separator_ = u'=';
};

}  // namespace biff
