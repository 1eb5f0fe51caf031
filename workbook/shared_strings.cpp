#include "workbook/shared_strings.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "workbook/cell_format_editor.h"
#include "workbook/exceptions.h"

namespace workbook {

namespace {

constexpr std::size_t kBuckets = 65535;
constexpr int kGrowStep = 255;

std::int32_t LoadI32(const std::uint8_t* P) {
  std::int32_t v;
  std::memcpy(&v, P, 4);
  return v;
}
void StoreI32(std::uint8_t* P, std::int32_t V) { std::memcpy(P, &V, 4); }
std::uint16_t LoadU16(const std::uint8_t* P) {
  std::uint16_t v;
  std::memcpy(&v, P, 2);
  return v;
}
void StoreU16(std::uint8_t* P, std::uint16_t V) { std::memcpy(P, &V, 2); }

int TextOffset(std::uint8_t Kind) {
  switch (Kind) {
    case 0: case 1: return 7;
    case 8: case 9: return 10;
    case 4: case 5: return 12;
    case 12: case 13: return 16;
    default: throw Exception("SST: Unhandled string type.");
  }
}

bool NeedsWide(std::u16string_view Text) {
  return std::any_of(Text.begin(), Text.end(), [](char16_t c) { return c > 0xFF; });
}

void CheckLength(std::size_t Chars) {
  // The record counts characters in 16 bits; a longer text would wrap and corrupt the record.
  if (Chars > static_cast<std::size_t>(kSSTMaxChars)) throw Exception("SST: string too long");
}

// A record of the given kind (0, 1, 8 or 9) holding Text, runs left zero.
std::uint8_t* MakeRecord(std::uint8_t Kind, std::u16string_view Text, int Runs) {
  CheckLength(Text.size());
  const int off = TextOffset(Kind);
  const std::size_t width = (Kind & sstKind16Bit) ? 2 : 1;
  const std::size_t size = static_cast<std::size_t>(off) + Text.size() * width +
                           static_cast<std::size_t>(Runs) * kSSTFontRunSize;
  auto* rec = new std::uint8_t[size]();
  StoreU16(rec + 4, static_cast<std::uint16_t>(Text.size()));
  rec[6] = Kind;
  if (Kind & sstKindRich) StoreU16(rec + 8, static_cast<std::uint16_t>(Runs));
  std::uint8_t* p = rec + off;
  if (width == 2) {
    std::memcpy(p, Text.data(), Text.size() * 2);
  } else {
    for (std::size_t i = 0; i < Text.size(); ++i) p[i] = static_cast<std::uint8_t>(Text[i]);
  }
  return rec;
}

std::size_t RecordSize(const std::uint8_t* Rec) {
  const std::uint8_t kind = Rec[6];
  std::size_t n = static_cast<std::size_t>(TextOffset(kind)) +
                  static_cast<std::size_t>(LoadU16(Rec + 4)) * ((kind & sstKind16Bit) ? 2 : 1);
  if (kind & sstKindRich) n += static_cast<std::size_t>(LoadU16(Rec + 8)) * kSSTFontRunSize;
  return n;
}

// FNV-1a, one step per UTF-16 unit, so that 8-bit and 16-bit records of one text hash alike.
struct UnitHasher {
  std::size_t h = 1469598103934665603ull;
  void Add(char16_t c) {
    h ^= static_cast<std::size_t>(c);
    h *= 1099511628211ull;
  }
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Index keyed by the record's text (exact UTF-16 comparison: no code-page narrowing, so that two
// different texts never share a record).

std::size_t TXc12DataSST::KeyHash::operator()(int I) const {
  const std::uint8_t* rec = Table->Items_[static_cast<std::size_t>(I)];
  const int n = LoadU16(rec + 4);
  const std::uint8_t* p = GetTextPtr(rec);
  UnitHasher h;
  if (rec[6] & sstKind16Bit) {
    for (int i = 0; i < n; ++i) h.Add(static_cast<char16_t>(LoadU16(p + 2 * i)));
  } else {
    for (int i = 0; i < n; ++i) h.Add(p[i]);
  }
  return h.h;
}

std::size_t TXc12DataSST::KeyHash::operator()(std::u16string_view Text) const {
  UnitHasher h;
  for (char16_t c : Text) h.Add(c);
  return h.h;
}

bool TXc12DataSST::KeyEqual::operator()(int A, std::u16string_view B) const {
  const std::uint8_t* rec = Table->Items_[static_cast<std::size_t>(A)];
  const std::size_t n = LoadU16(rec + 4);
  if (n != B.size()) return false;
  const std::uint8_t* p = GetTextPtr(rec);
  if (rec[6] & sstKind16Bit) {
    for (std::size_t i = 0; i < n; ++i)
      if (static_cast<char16_t>(LoadU16(p + 2 * i)) != B[i]) return false;
  } else {
    for (std::size_t i = 0; i < n; ++i)
      if (p[i] != B[i]) return false;
  }
  return true;
}

bool TXc12DataSST::KeyEqual::operator()(int A, int B) const {
  if (A == B) return true;
  return (*this)(A, std::u16string_view(RecordText(Table->Items_[static_cast<std::size_t>(B)])));
}

// ---------------------------------------------------------------------------------------------

TXc12DataSST::TXc12DataSST(TXc12DataStyleSheet* StyleSheet)
    : StyleSheet_(StyleSheet),
      Fonts_(StyleSheet ? StyleSheet->Fonts.get() : nullptr),
      Hash_(kBuckets, KeyHash{this}, KeyEqual{this}) {}

TXc12DataSST::~TXc12DataSST() { Clear(); }

void TXc12DataSST::CheckIndex(int I) const {
  if (I < 0 || I >= Count_) throw Exception("Index out of range");
}

void TXc12DataSST::Grow() { Items_.resize(Items_.size() + kGrowStep, nullptr); }

int TXc12DataSST::Append(TXc12SSTString* Rec) {
  if (Count_ >= static_cast<int>(Items_.size())) Grow();
  Items_[static_cast<std::size_t>(Count_)] = Rec;
  return Count_++;
}

void TXc12DataSST::EnterKey(int I) {
  // A later record of the same text is found before an earlier one.
  auto it = Hash_.find(I);
  if (it != Hash_.end()) Hash_.erase(it);
  Hash_.insert(I);
}

int TXc12DataSST::AddString(std::u16string_view Text) {
  if (!HashValid_) RebuildHash();
  std::u16string escaped;
  if (!AlreadyEscaped && NeedsEscape(Text)) {
    escaped.assign(Text);
    EscapeLiteralX(escaped);
    Text = escaped;
  }
  auto it = Hash_.find(Text);
  if (it != Hash_.end()) return *it;

  TXc12SSTString* rec = MakeRecord(NeedsWide(Text) ? 1 : 0, Text, 0);
  int index;
  if (EmptySlots_ > 0) {
    index = FreeSlots_.top();
    FreeSlots_.pop();
    --EmptySlots_;
    Items_[static_cast<std::size_t>(index)] = rec;
  } else {
    try {
      index = Append(rec);
    } catch (...) {
      delete[] rec;
      throw;
    }
  }
  EnterKey(index);
  return index;
}

int TXc12DataSST::AddRichString(std::u16string_view Text, const TXc12DynFontRunArray& FontRuns) {
  if (FontRuns.size() > 0xFFFF) throw Exception("SST: too many font runs");
  const bool wide = NeedsWide(Text);
  TXc12SSTString* rec =
      MakeRecord(static_cast<std::uint8_t>(sstKindRich | (wide ? 1 : 0)), Text, static_cast<int>(FontRuns.size()));
  std::uint8_t* p = rec + 10 + Text.size() * (wide ? 2 : 1);
  for (const TXc12FontRun& run : FontRuns) {
    StoreI32(p, run.Index);
    std::memcpy(p + 8, &run.Font, sizeof(TXc12Font*));
    p += kSSTFontRunSize;
  }
  int index;
  try {
    index = Append(rec);
  } catch (...) {
    delete[] rec;
    throw;
  }
  // The record holds its run fonts until it is freed, which gives them back.
  if (StyleSheet_) StyleSheet_->XFEditor->UseFontRuns(FontRuns);
  return index;
}

int TXc12DataSST::AddRawString8(int CharCount, const std::uint8_t* Data) {
  if (CharCount < 0 || (CharCount > 0 && !Data)) throw Exception("SST: bad string data");
  CheckLength(static_cast<std::size_t>(CharCount));
  std::u16string text(static_cast<std::size_t>(CharCount), u'\0');
  for (int i = 0; i < CharCount; ++i) text[static_cast<std::size_t>(i)] = Data[i];
  TXc12SSTString* rec = MakeRecord(0, text, 0);
  try {
    return Append(rec);
  } catch (...) {
    delete[] rec;
    throw;
  }
}

int TXc12DataSST::AddRawString16(int CharCount, const char16_t* Data) {
  if (CharCount < 0 || (CharCount > 0 && !Data)) throw Exception("SST: bad string data");
  CheckLength(static_cast<std::size_t>(CharCount));
  TXc12SSTString* rec = MakeRecord(1, std::u16string_view(Data, static_cast<std::size_t>(CharCount)), 0);
  try {
    return Append(rec);
  } catch (...) {
    delete[] rec;
    throw;
  }
}

int TXc12DataSST::AddStringNoDedupe(std::u16string_view Text) {
  TXc12SSTString* rec = MakeRecord(NeedsWide(Text) ? 1 : 0, Text, 0);
  try {
    return Append(rec);
  } catch (...) {
    delete[] rec;
    throw;
  }
}

TXc12SSTString* TXc12DataSST::UseString(int Index) {
  CheckIndex(Index);
  TXc12SSTString* rec = Items_[static_cast<std::size_t>(Index)];
  if (!rec) throw Exception("SST String is Nil");
  StoreI32(rec, LoadI32(rec) + 1);
  return rec;
}

void TXc12DataSST::FreeRecord(TXc12SSTString* Rec) {
  if ((Rec[6] & sstKindRich) && StyleSheet_) {
    const int n = GetFontRunCount(Rec);
    std::vector<TXc12FontRun> runs(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) runs[static_cast<std::size_t>(i)] = GetFontRun(Rec, i);
    StyleSheet_->XFEditor->ReleaseFontRunItems(runs.data(), n);
  }
  delete[] Rec;
}

void TXc12DataSST::ReleaseString(int Index) {
  CheckIndex(Index);
  TXc12SSTString* rec = Items_[static_cast<std::size_t>(Index)];
  if (!rec) return;
  const std::int32_t count = LoadI32(rec) - 1;
  StoreI32(rec, count);
  if (count >= 1) return;
  if (IsPlain(rec)) {
    auto it = Hash_.find(Index);
    if (it != Hash_.end() && *it == Index) Hash_.erase(it);
  }
  Items_[static_cast<std::size_t>(Index)] = nullptr;
  if (Index == Count_ - 1) {
    --Count_;
  } else {
    ++EmptySlots_;
    FreeSlots_.push(Index);
  }
  FreeRecord(rec);
}

TXc12SSTString* TXc12DataSST::GetItems(int Index) const {
  CheckIndex(Index);
  return Items_[static_cast<std::size_t>(Index)];
}

void TXc12DataSST::GetText(int Index, std::u16string& Text) const {
  CheckIndex(Index);
  const TXc12SSTString* rec = Items_[static_cast<std::size_t>(Index)];
  if (!rec) throw Exception("SST String is Nil");
  Text = RecordText(rec);
}

void TXc12DataSST::Clear() {
  Hash_.clear();
  for (int i = 0; i < Count_; ++i) {
    TXc12SSTString* rec = Items_[static_cast<std::size_t>(i)];
    Items_[static_cast<std::size_t>(i)] = nullptr;
    if (rec) FreeRecord(rec);
  }
  Items_.clear();
  Items_.shrink_to_fit();
  Count_ = 0;
  EmptySlots_ = 0;
  FreeSlots_ = {};
  HashValid_ = false;
}

void TXc12DataSST::RebuildHash() {
  Hash_.clear();
  for (int i = 0; i < Count_; ++i) {
    const TXc12SSTString* rec = Items_[static_cast<std::size_t>(i)];
    if (rec && IsPlain(rec)) EnterKey(i);
  }
  HashValid_ = true;
}

bool TXc12DataSST::NeedsEscape(std::u16string_view Text) {
  for (std::size_t i = 0; i + 7 <= Text.size(); ++i)
    if (Text[i] == u'_' && Text[i + 1] == u'x' && Text[i + 6] == u'_') return true;
  return false;
}

void TXc12DataSST::EscapeLiteralX(std::u16string& Text) {
  std::size_t i = 0;
  while (i + 7 <= Text.size()) {
    if (Text[i] == u'_' && Text[i + 1] == u'x' && Text[i + 6] == u'_') {
      Text.insert(i, u"_x005F");
      i += 13;
    } else {
      ++i;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Record accessors

std::int32_t TXc12DataSST::GetRefCount(const TXc12SSTString* Rec) { return LoadI32(Rec); }

int TXc12DataSST::GetCharCount(const TXc12SSTString* Rec) { return LoadU16(Rec + 4); }

const std::uint8_t* TXc12DataSST::GetTextPtr(const TXc12SSTString* Rec) { return Rec + TextOffset(Rec[6]); }

std::u16string TXc12DataSST::RecordText(const TXc12SSTString* Rec) {
  const int n = LoadU16(Rec + 4);
  const std::uint8_t* p = GetTextPtr(Rec);
  std::u16string s(static_cast<std::size_t>(n), u'\0');
  if (Rec[6] & sstKind16Bit) {
    std::memcpy(s.data(), p, static_cast<std::size_t>(n) * 2);
  } else {
    for (int i = 0; i < n; ++i) s[static_cast<std::size_t>(i)] = p[i];
  }
  return s;
}

const std::uint8_t* TXc12DataSST::GetFontRuns(const TXc12SSTString* Rec) {
  if (!(Rec[6] & sstKindRich)) return nullptr;
  return GetTextPtr(Rec) + static_cast<std::size_t>(LoadU16(Rec + 4)) * ((Rec[6] & sstKind16Bit) ? 2 : 1);
}

int TXc12DataSST::GetFontRunCount(const TXc12SSTString* Rec) {
  return (Rec[6] & sstKindRich) ? LoadU16(Rec + 8) : 0;
}

TXc12FontRun TXc12DataSST::GetFontRun(const TXc12SSTString* Rec, int Run) {
  if (Run < 0 || Run >= GetFontRunCount(Rec)) throw Exception("Index out of range");
  const std::uint8_t* p = GetFontRuns(Rec) + static_cast<std::size_t>(Run) * kSSTFontRunSize;
  TXc12FontRun r;
  r.Index = LoadI32(p);
  std::memcpy(&r.Font, p + 8, sizeof(TXc12Font*));
  return r;
}

std::size_t TXc12DataSST::MemoryUsed() const {
  std::size_t n = Items_.capacity() * sizeof(TXc12SSTString*);
  for (int i = 0; i < Count_; ++i)
    if (const TXc12SSTString* rec = Items_[static_cast<std::size_t>(i)]) n += RecordSize(rec);
  // Buckets plus one node (next pointer, key, cached hash) per entry.
  n += Hash_.bucket_count() * sizeof(void*) + Hash_.size() * (sizeof(void*) + sizeof(int) + sizeof(std::size_t));
  return n;
}

}  // namespace workbook
