#include "biff/document/autofilters.h"

#include <algorithm>
#include <cstring>

#include "biff/biff_error.h"
#include "biff/reader/body_reader.h"
#include "core/byte_io.h"
#include "workbook/biff_codecs.h"

namespace biff {

namespace {

// One DOPER at Offset; a string condition takes its characters from Strings on and moves it past
// them.
void ReadDOPER(const TRecordBody& B, int Offset, int& Strings, TAutoFilterCondition& C) {
  C = TAutoFilterCondition();
  const std::uint8_t type = B.U8(Offset);
  C.Operator = B.U8(Offset + 1);
  B.Need(Offset, 10);
  switch (type) {
    case 0x02:
      C.Kind = afkNumber;
      C.Number = workbook::DecodeRK(static_cast<std::int32_t>(B.U32(Offset + 2)));
      break;
    case 0x04:
      C.Kind = afkNumber;
      C.Number = B.F64(Offset + 2);
      break;
    case 0x06:
      C.Kind = afkString;
      Strings = B.Unicode(Strings, B.U8(Offset + 6), C.Text);
      break;
    case 0x08:
      C.Kind = B.U8(Offset + 2) ? afkError : afkBoolean;
      C.Value = B.U8(Offset + 3);
      break;
    case 0x0C: C.Kind = afkAllBlanks; break;
    case 0x0E: C.Kind = afkAllNonBlanks; break;
    default: break;
  }
}

void WriteDOPER(core::ByteWriter& W, const TAutoFilterCondition& C) {
  std::uint8_t d[10] = {};
  d[1] = C.Operator;
  switch (C.Kind) {
    case afkNumber:
      d[0] = 0x04;
      core::store_le_double(d + 2, C.Number);
      break;
    case afkString:
      d[0] = 0x06;
      d[6] = static_cast<std::uint8_t>(std::min<std::size_t>(C.Text.size(), 255));
      break;
    case afkBoolean:
    case afkError:
      d[0] = 0x08;
      d[2] = C.Kind == afkError ? 1 : 0;
      d[3] = C.Value;
      break;
    case afkAllBlanks: d[0] = 0x0C; break;
    case afkAllNonBlanks: d[0] = 0x0E; break;
    default: break;
  }
  W.bytes(d, sizeof d);
}

}  // namespace

void TAutoFilter::ReadFromRecord(const std::uint8_t* Body, int Len) {
  const TRecordBody b(Body, Len);
  Column = b.U16(0);
  Options = b.U16(2);
  int strings = 24;
  ReadDOPER(b, 4, strings, Condition1);
  ReadDOPER(b, 14, strings, Condition2);
}

TRawRecord TAutoFilter::Record() const {
  core::ByteWriter w;
  w.u16le(Column);
  w.u16le(Options);
  WriteDOPER(w, Condition1);
  WriteDOPER(w, Condition2);
  for (const TAutoFilterCondition* c : {&Condition1, &Condition2}) {
    if (c->Kind != afkString) continue;
    w.u8(1);
    w.u16string_le(std::u16string_view(c->Text).substr(0, 255));
  }
  return {BIFFRECID_AUTOFILTER, w.data()};
}

TAutoFilter* TAutoFilters::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw Exception("List index out of bounds");
  return Items_[static_cast<std::size_t>(Index)].get();
}

TAutoFilter& TAutoFilters::Add(int Column) {
  auto f = std::make_unique<TAutoFilter>();
  f->Column = static_cast<std::uint16_t>(Column);
  TAutoFilter& r = *f;
  if (Column < Count()) {
    Items_[static_cast<std::size_t>(Column)] = std::move(f);
  } else {
    while (Count() < Column) AddEmpty();
    Items_.push_back(std::move(f));
  }
  return r;
}

void TAutoFilters::Clear() {
  Items_.clear();
  FilterMode = HasInfo = false;
  InfoCount = 0;
}

void TAutoFilters::ReadAUTOFILTERINFO(const std::uint8_t* Body, int Len) {
  HasInfo = true;
  InfoCount = TRecordBody(Body, Len).U16(0);
}

void TAutoFilters::ReadAUTOFILTER(const std::uint8_t* Body, int Len) {
  TAutoFilter f;
  f.ReadFromRecord(Body, Len);
  // The column of a filter is its position: a later filter of the same column replaces it.
  Add(f.Column) = f;
}

std::vector<TRawRecord> TAutoFilters::Records() {
  std::vector<TRawRecord> out;
  const bool filtered = std::any_of(Items_.begin(), Items_.end(), [](const auto& F) { return F != nullptr; });
  if (!filtered && !HasInfo) return out;
  if (filtered || FilterMode) out.push_back({BIFFRECID_FILTERMODE, {}});
  const int entries = std::min(std::max(InfoCount, Count()), 0xFFFF);
  std::vector<std::uint8_t> info(2);
  core::store_le16(info.data(), static_cast<std::uint16_t>(entries));
  out.push_back({BIFFRECID_AUTOFILTERINFO, info});
  for (int i = 0; i < Count(); ++i) {
    TAutoFilter* f = Items_[static_cast<std::size_t>(i)].get();
    if (!f) continue;
    f->Column = static_cast<std::uint16_t>(i);
    out.push_back(f->Record());
  }
  return out;
}

}  // namespace biff
