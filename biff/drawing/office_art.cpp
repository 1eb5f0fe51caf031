#include "biff/drawing/office_art.h"

#include <algorithm>

namespace biff {

TMSOHeader TMSOHeader::Read(core::ByteReader& R) {
  TMSOHeader h;
  h.VerInst = R.u16le();
  h.RecType = R.u16le();
  h.Length = R.u32le();
  return h;
}

void TMSOHeader::Write(core::ByteWriter& W) const {
  W.u16le(VerInst);
  W.u16le(RecType);
  W.u32le(Length);
}

// TMSORecords

int TMSORecords::Add(const TMSOHeader& Header, core::ByteSpan Data) {
  TRecord r{Header, {}};
  if (!Header.IsContainer()) {
    if (Data.size() < Header.Length) throw Exception("OfficeArt record body is shorter than its length");
    r.Data.assign(Data.begin(), Data.begin() + Header.Length);
  }
  records_.push_back(std::move(r));
  return Count() - 1;
}

int TMSORecords::GetSize() const {
  std::int64_t size = 0;
  for (const TRecord& r : records_) size += 8 + (r.Header.IsContainer() ? 0 : r.Header.Length);
  return static_cast<int>(size);
}

void TMSORecords::WriteTo(core::ByteWriter& W) const {
  for (const TRecord& r : records_) {
    r.Header.Write(W);
    if (!r.Header.IsContainer()) W.bytes(r.Data);
  }
}

void TMSORecords::WriteToStream(TXLSStream& Stream) const {
  for (const TRecord& r : records_) {
    Stream.WriteEscherHeader(r.Header.Version(), r.Header.Instance(), r.Header.RecType,
                             static_cast<std::int32_t>(r.Header.Length));
    if (!r.Header.IsContainer() && !r.Data.empty()) Stream.Write(r.Data.data(), static_cast<int>(r.Data.size()));
  }
}

void TMSORecords::CopyTo(TMSORecords& Dest) const {
  Dest.records_.insert(Dest.records_.end(), records_.begin(), records_.end());
}

// TOPT

namespace {

constexpr std::uint16_t propRotation = 4;
constexpr std::uint16_t propTextId = 128;

core::Bytes ZeroTerminatedUtf16(std::u16string_view S) {
  core::Bytes b;
  b.reserve(S.size() * 2 + 2);
  for (char16_t c : S) {
    b.push_back(static_cast<std::uint8_t>(c));
    b.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  b.push_back(0);
  b.push_back(0);
  return b;
}

}  // namespace

void TOPT::Insert(TEntry E) {
  if ((E.Id & IdMask) == propRotation)
    entries_.insert(entries_.begin(), std::move(E));
  else
    entries_.push_back(std::move(E));
}

void TOPT::Add(std::uint16_t Id, std::uint32_t Value, bool IsBlip) {
  Insert({static_cast<std::uint16_t>(IsBlip ? Id | BlipFlag : Id), Value, false, {}});
}

void TOPT::AddComplexString(std::uint16_t Id, std::u16string_view S) {
  core::Bytes data = ZeroTerminatedUtf16(S);
  const auto size = static_cast<std::uint32_t>(data.size());
  Insert({static_cast<std::uint16_t>(Id | ComplexFlag | BlipFlag), size, true, std::move(data)});
}

int TOPT::IndexOf(std::uint16_t Id) const {
  for (int i = 0; i < Entries(); ++i)
    if ((entries_[i].Id & IdMask) == Id) return i;
  return -1;
}

std::int32_t TOPT::GetValue(std::uint16_t Id) const {
  const int i = IndexOf(Id);
  return i < 0 ? -1 : static_cast<std::int32_t>(entries_[i].Value);
}

void TOPT::SetValue(std::uint16_t Id, std::uint32_t Value) {
  const int i = IndexOf(Id);
  if (i >= 0) entries_[i].Value = Value;
}

void TOPT::SetValueAt(int Index, std::uint32_t Value) {
  TEntry& e = entries_.at(Index);
  if (e.Id & ComplexFlag) throw Exception("OPT value is complex");
  e.Value = Value;
}

std::u16string TOPT::GetComplexString(std::uint16_t Id) const {
  const int i = IndexOf(Id);
  if (i < 0 || !entries_[i].HasData) return {};
  const core::Bytes& d = entries_[i].Data;
  const std::size_t chars = d.size() >= 2 ? (d.size() - 2) / 2 : 0;
  std::u16string s(chars, u'\0');
  for (std::size_t k = 0; k < chars; ++k) s[k] = static_cast<char16_t>(core::load_le16(d.data() + 2 * k));
  return s;
}

void TOPT::SetComplexString(std::uint16_t Id, std::u16string_view S) {
  const int i = IndexOf(Id);
  if (i < 0) return;
  TEntry& e = entries_[i];
  e.Data = ZeroTerminatedUtf16(S);
  e.Value = static_cast<std::uint32_t>(e.Data.size());
  e.HasData = true;
}

std::int32_t TOPT::GetBlipId() const {
  for (const TEntry& e : entries_)
    if ((e.Id & BlipFlag) && !(e.Id & ComplexFlag)) return static_cast<std::int32_t>(e.Value);
  return -1;
}

void TOPT::SetBlipId(std::uint32_t Value) {
  for (TEntry& e : entries_)
    if ((e.Id & BlipFlag) && !(e.Id & ComplexFlag)) {
      e.Value = Value;
      return;
    }
  throw Exception("Shape has no Blip Id");
}

std::int32_t TOPT::GetTextId() const {
  const int i = IndexOf(propTextId);
  return i < 0 ? 0 : static_cast<std::int32_t>(entries_[i].Value);
}

int TOPT::GetSize() const {
  std::int64_t size = 0;
  for (const TEntry& e : entries_) size += 6 + (e.HasData ? e.Value : 0);
  return static_cast<int>(size);
}

void TOPT::LoadFromBuffer(core::ByteSpan Body, int ACount) {
  Clear();
  Count = ACount;
  struct TRead {
    TEntry Entry;
    bool Kept;
  };
  std::vector<TRead> read;
  core::ByteReader r(Body);
  std::int64_t length = static_cast<std::int64_t>(Body.size());
  int kept = 0;
  while (length >= 6) {
    TEntry e;
    e.Id = r.u16le();
    e.Value = r.u32le();
    length -= 6;
    if ((e.Id & ComplexFlag) && e.Value != 0) {
      e.HasData = true;
      length -= e.Value;
    }
    const bool keep = kept < ACount;
    if (keep) ++kept;
    read.push_back({std::move(e), keep});
  }
  if (length != 0) throw Exception("Error when reading OPT items, Length <> 0");
  // The data of complex entries follow the last entry in entry order; a dropped entry's data are
  // skipped so that the next entry's data are not read from the wrong place.
  for (TRead& x : read) {
    if (x.Entry.HasData) {
      core::ByteSpan d = r.take(x.Entry.Value);
      x.Entry.Data.assign(d.begin(), d.end());
    }
    if (x.Kept) entries_.push_back(std::move(x.Entry));
  }
}

void TOPT::ReadFromStream(TXLSStream& Stream, int Length, int ACount) {
  if (Length < 0) throw Exception("Error when reading OPT items, Length <> 0");
  core::Bytes body(static_cast<std::size_t>(Length));
  if (Length > 0 && Stream.Read(body.data(), Length) != Length) throw Exception("Unexpected end of OPT record");
  LoadFromBuffer(body, ACount);
}

core::Bytes TOPT::SaveToBuffer(bool WithHeader) const {
  core::ByteWriter w;
  if (WithHeader)
    TMSOHeader::Make(3, static_cast<std::uint16_t>(Count), msoOPT, static_cast<std::uint32_t>(GetSize())).Write(w);
  for (const TEntry& e : entries_) {
    w.u16le(e.Id);
    w.u32le(e.Value);
  }
  for (const TEntry& e : entries_)
    if (e.HasData) w.bytes(e.Data);
  return w.take();
}

void TOPT::WriteToStream(TXLSStream& Stream) const {
  const core::Bytes b = SaveToBuffer(true);
  Stream.Write(b.data(), static_cast<int>(b.size()));
}

void TOPT::AssignTo(TOPT& Dest) const {
  Dest.LoadFromBuffer(SaveToBuffer(false), Entries());
}

}  // namespace biff
