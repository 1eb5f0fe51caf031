#include "biff/document/data_validations.h"

#include <algorithm>

#include "biff/biff_error.h"
#include "biff/reader/body_reader.h"
#include "core/byte_io.h"

namespace biff {

std::uint32_t TDataValidation::OptionBits() const {
  if (!Modified_) return RawOptions_;
  std::uint32_t bits = Type_ & 0x0F;
  if (Type_ == vtList && !Formula1_.empty() && Formula1_[0] == 0x17) bits |= 0x80;
  bits |= static_cast<std::uint32_t>(Style_ & 7) << 4;
  if (Options_ & voAllowEmptyCells) bits |= 0x0100;
  if (Options_ & voSupressDropDown) bits |= 0x0200;
  bits |= static_cast<std::uint32_t>(ImeMode_) << 10;
  if (Options_ & voShowPromptBox) bits |= 0x00040000;
  if (Options_ & voShowErrorBox) bits |= 0x00080000;
  bits |= static_cast<std::uint32_t>(Operator_ & 0x0F) << 20;
  return bits;
}

void TDataValidation::Assign(const TDataValidation& Source) {
  RawOptions_ = Source.RawOptions_;
  Options_ = Source.Options_;
  ImeMode_ = Source.ImeMode_;
  InputTitle = Source.InputTitle;
  ErrorTitle = Source.ErrorTitle;
  InputMsg = Source.InputMsg;
  ErrorMsg = Source.ErrorMsg;
  Formula1_ = Source.Formula1_;
  Formula2_ = Source.Formula2_;
  Type_ = Source.Type_;
  Style_ = Source.Style_;
  Operator_ = Source.Operator_;
  Areas.Assign(Source.Areas);
  Modified_ = true;
}

void TDataValidation::ReadFromRecord(const std::uint8_t* Body, int Len) {
  const TRecordBody b(Body, Len);
  RawOptions_ = b.U32(0);
  Type_ = static_cast<TValidationType>(RawOptions_ & 0x0F);
  Style_ = static_cast<TValidationStyle>((RawOptions_ >> 4) & 7);
  Operator_ = static_cast<TValidationOperator>((RawOptions_ >> 20) & 0x0F);
  // The option flags are taken as well: a rule changed later keeps them when its bits are rebuilt.
  Options_ = 0;
  if (RawOptions_ & 0x0100) Options_ |= voAllowEmptyCells;
  if (RawOptions_ & 0x0200) Options_ |= voSupressDropDown;
  if (RawOptions_ & 0x00040000) Options_ |= voShowPromptBox;
  if (RawOptions_ & 0x00080000) Options_ |= voShowErrorBox;
  ImeMode_ = static_cast<std::uint8_t>((RawOptions_ >> 10) & 0xFF);
  int pos = 4;
  for (std::u16string* text : {&InputTitle, &ErrorTitle, &InputMsg, &ErrorMsg}) {
    const int count = b.U16(pos);
    pos += 2;
    text->clear();
    if (count == 0) continue;
    const std::uint8_t opt = b.U8(pos);
    if (opt != 0 && opt != 1) throw Exception("Unhandled string in DV");
    pos = b.Unicode(pos, count, *text);
    // An empty text is stored as one NUL character; other characters stay as written.
    while (!text->empty() && text->back() == 0) text->pop_back();
    while (!text->empty() && text->front() == 0) text->erase(0, 1);
  }
  for (std::vector<std::uint8_t>* f : {&Formula1_, &Formula2_}) {
    const int len = b.U16(pos);
    const std::uint8_t* p = b.At(pos + 4, len);
    f->assign(p, p + len);
    pos += 4 + len;
  }
  const int areas = b.U16(pos);
  pos += 2;
  if (areas >= 4096) return;
  b.Need(pos, areas * 8);
  for (int i = 0; i < areas; ++i) Areas.AddRef(Body + pos + 8 * i);
}

TRawRecord TDataValidation::Record() const {
  core::ByteWriter w;
  w.u32le(OptionBits());
  for (const std::u16string* text : {&InputTitle, &ErrorTitle, &InputMsg, &ErrorMsg}) {
    if (text->empty()) {
      w.u32le(1);  // count 1, 8-bit, one NUL character
      continue;
    }
    const std::u16string t = text->substr(0, 255);
    w.u16le(static_cast<std::uint16_t>(t.size()));
    w.u8(1);
    w.u16string_le(t);
  }
  for (const std::vector<std::uint8_t>* f : {&Formula1_, &Formula2_}) {
    w.u16le(static_cast<std::uint16_t>(f->size()));
    w.u16le(0);
    w.bytes(f->data(), f->size());
  }
  // The areas that fit into one record body of 8224 bytes.
  const int room = (8224 - static_cast<int>(w.size()) - 2) / 8;
  const int n = std::clamp(Areas.Count(), 0, std::max(room, 0));
  w.u16le(static_cast<std::uint16_t>(n));
  for (int i = 0; i < n; ++i) {
    const TCellArea97& a = *Areas.Items(i);
    WriteAreaRef(w, a.Row1, a.Row2, a.Col1, a.Col2);
  }
  return {BIFFRECID_DV, w.data()};
}

TDataValidations::TDataValidations() { core::store_le32(DVAL.data() + 10, 0xFFFFFFFF); }

TDataValidation& TDataValidations::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw Exception("List index out of bounds");
  return *Items_[static_cast<std::size_t>(Index)];
}

TDataValidation& TDataValidations::Add() {
  Items_.push_back(std::make_unique<TDataValidation>());
  return *Items_.back();
}

void TDataValidations::Clear() {
  Items_.clear();
  DVAL.fill(0);
  core::store_le32(DVAL.data() + 10, 0xFFFFFFFF);
}

std::uint32_t TDataValidations::ReadDVAL(const std::uint8_t* Body, int Len) {
  const TRecordBody b(Body, Len);
  std::copy_n(b.At(0, 18), 18, DVAL.begin());
  return b.U32(14);
}

std::vector<TRawRecord> TDataValidations::Records() {
  std::vector<TRawRecord> out;
  if (Items_.empty()) return out;
  core::store_le32(DVAL.data() + 14, static_cast<std::uint32_t>(Items_.size()));
  out.push_back({BIFFRECID_DVAL, std::vector<std::uint8_t>(DVAL.begin(), DVAL.end())});
  for (const auto& v : Items_) out.push_back(v->Record());
  return out;
}

}  // namespace biff
