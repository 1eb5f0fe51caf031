// The shared-string table of a workbook: every string cell value stored once, with a use count per
// record, so that a text shared by many cells is held once and freed when its last cell goes.
//
// A record is one heap block with a packed header that the file readers and writers walk through
// the accessors below:
//   offset 0  int32   use count
//   offset 4  uint16  character count (UTF-16 units)
//   offset 6  uint8   kind: 1 = 16-bit characters, 4 = phonetic block, 8 = rich text runs
//   kinds 8, 9, 12, 13: uint16 run count at offset 8
//   text at offset 7 (kinds 0, 1), 10 (8, 9), 12 (4, 5) or 16 (12, 13)
//   after the text of a rich record: the runs, 16 bytes each (int32 character position, 4 unused
//   bytes, the font's address)
// 8-bit texts hold characters U+0000..U+00FF, one byte each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <queue>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "workbook/style_sheet.h"

namespace workbook {

using TXc12SSTString = std::uint8_t;  // the first byte of a string record

enum : std::uint8_t { sstKind16Bit = 1, sstKindPhonetic = 4, sstKindRich = 8 };
inline constexpr int kSSTFontRunSize = 16;
inline constexpr int kSSTMaxChars = 65535;

class TXc12DataSST : public TXc12Data {
public:
  explicit TXc12DataSST(TXc12DataStyleSheet* StyleSheet);
  ~TXc12DataSST() override;
  TXc12DataSST(const TXc12DataSST&) = delete;
  TXc12DataSST& operator=(const TXc12DataSST&) = delete;

  // De-duplicated add (texts written through the programming interface); the use count is not
  // changed, the caller takes its use with UseString.
  int AddString(std::u16string_view Text);
  // Appends a rich record; takes one use of the font of every run, given back on release.
  int AddRichString(std::u16string_view Text, const TXc12DynFontRunArray& FontRuns);
  // Appends records as a file's own table holds them (no de-duplication, no escaping).
  int AddRawString8(int CharCount, const std::uint8_t* Data);
  int AddRawString16(int CharCount, const char16_t* Data);
  int AddStringNoDedupe(std::u16string_view Text);

  TXc12SSTString* UseString(int Index);
  void ReleaseString(int Index);

  TXc12SSTString* GetItems(int Index) const;
  void GetText(int Index, std::u16string& Text) const;
  std::u16string GetText(int Index) const {
    std::u16string s;
    GetText(Index, s);
    return s;
  }

  void Clear();
  void RebuildHash();
  void AfterRead() { RebuildHash(); }
  // Escapes every "_x????_" of Text so that the .xlsx decoding gives it back unchanged.
  static void EscapeLiteralX(std::u16string& Text);
  // True when EscapeLiteralX would change Text.
  static bool NeedsEscape(std::u16string_view Text);

  int Count() const { return Count_; }
  int Capacity() const { return static_cast<int>(Items_.size()); }
  int EmptySlots() const { return EmptySlots_; }
  bool HashValid() const { return HashValid_; }
  bool AlreadyEscaped = false;
  TXc12DataStyleSheet* GetStyleSheet() const { return StyleSheet_; }

  // Record accessors (the readers and writers of the file formats use these).
  static std::int32_t GetRefCount(const TXc12SSTString* Rec);
  static int GetCharCount(const TXc12SSTString* Rec);
  static std::uint8_t GetKind(const TXc12SSTString* Rec) { return Rec[6]; }
  static const std::uint8_t* GetTextPtr(const TXc12SSTString* Rec);
  static std::u16string RecordText(const TXc12SSTString* Rec);
  static const std::uint8_t* GetFontRuns(const TXc12SSTString* Rec);
  static int GetFontRunCount(const TXc12SSTString* Rec);
  static TXc12FontRun GetFontRun(const TXc12SSTString* Rec, int Run);
  // Heap bytes held by the records, the slot array and the index (for measurements).
  std::size_t MemoryUsed() const;

private:
  struct KeyHash {
    using is_transparent = void;
    const TXc12DataSST* Table;
    std::size_t operator()(int Index) const;
    std::size_t operator()(std::u16string_view Text) const;
  };
  struct KeyEqual {
    using is_transparent = void;
    const TXc12DataSST* Table;
    bool operator()(int A, int B) const;
    bool operator()(int A, std::u16string_view B) const;
    bool operator()(std::u16string_view A, int B) const { return (*this)(B, A); }
  };
  using Index = std::unordered_set<int, KeyHash, KeyEqual>;

  int Append(TXc12SSTString* Rec);
  void Grow();
  void FreeRecord(TXc12SSTString* Rec);
  void CheckIndex(int I) const;
  bool IsPlain(const TXc12SSTString* Rec) const { return (Rec[6] & sstKindRich) == 0; }
  void EnterKey(int I);

  TXc12DataStyleSheet* StyleSheet_;
  TXc12Fonts* Fonts_;
  std::vector<TXc12SSTString*> Items_;  // size() is the capacity
  int Count_ = 0;
  int EmptySlots_ = 0;
  // The empty slots below Count, lowest first (a new text takes the lowest).
  std::priority_queue<int, std::vector<int>, std::greater<int>> FreeSlots_;
  bool HashValid_ = false;
  Index Hash_;
};

}  // namespace workbook
