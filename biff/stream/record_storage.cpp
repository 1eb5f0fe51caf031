#include "biff/stream/record_storage.h"

#include <algorithm>
#include <cstring>

#include "biff/stream/record_ids.h"
#include "biff/stream/xls_stream.h"
#include "core/strings.h"

namespace biff {

namespace {

std::unique_ptr<TBIFFRecord> MakeRecord(std::uint32_t IdLen, const void* Data) {
  auto r = std::make_unique<TBIFFRecord>();
  r->Id = static_cast<std::uint16_t>(IdLen & 0xFFFF);
  std::size_t len = IdLen >> 16;
  r->Body.assign(len, 0);
  if (Data && len) std::memcpy(r->Body.data(), Data, len);
  return r;
}

}  // namespace

// ---- TBaseRecordStorage ----

void TBaseRecordStorage::Clear() {
  for (auto& r : items_) Removing(r.get());
  items_.clear();
}

void TBaseRecordStorage::SaveToStream(TXLSStream& Stream) {
  for (int i = 0; i < Count(); ++i) WriteRecord(i, Stream);
}

void TBaseRecordStorage::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) throw Exception(core::format("List index out of bounds (%d)", Index));
}

TBIFFRecord* TBaseRecordStorage::Add(std::uint32_t IdLen, const void* Data) {
  items_.push_back(MakeRecord(IdLen, Data));
  return items_.back().get();
}

TBIFFRecord* TBaseRecordStorage::Insert(int Index, std::uint32_t IdLen, const void* Data) {
  if (Index != Count()) CheckIndex(Index);
  return items_.insert(items_.begin() + Index, MakeRecord(IdLen, Data))->get();
}

void TBaseRecordStorage::Delete(int Index) {
  CheckIndex(Index);
  Removing(items_[Index].get());
  items_.erase(items_.begin() + Index);
}

int TBaseRecordStorage::IndexOf(std::uint16_t Id) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[i]->Id == Id) return i;
  return -1;
}

TBIFFRecord* TBaseRecordStorage::Items(int Index) const {
  CheckIndex(Index);
  return items_[Index].get();
}

void TBaseRecordStorage::WriteRecord(int Index, TXLSStream& Stream) const {
  const TBIFFRecord* r = Items(Index);
  std::uint8_t header[4];
  core::store_le16(header, r->Id);
  core::store_le16(header + 2, r->Length());
  Stream.Write(header, 4);
  if (!r->Body.empty()) Stream.Write(r->Body.data(), static_cast<int>(r->Body.size()));
}

int TBaseRecordStorage::TotalSize() const {
  int total = 0;
  for (const auto& r : items_) total += r->Length() + 4;
  return total;
}

TBIFFRecord* TBaseRecordStorage::Update(int Index, std::uint16_t Len, const void* Data) {
  TBIFFRecord* r = Items(Index);
  r->Body.assign(Len, 0);
  if (Data && Len) std::memcpy(r->Body.data(), Data, Len);
  return r;
}

void TBaseRecordStorage::CopyTo(TBaseRecordStorage& Dest) const {
  for (const auto& r : items_) Dest.items_.push_back(std::make_unique<TBIFFRecord>(*r));
}

// ---- TRecordStorageDefault ----

void TRecordStorageDefault::Clear() { ClearAll(); }

void TRecordStorageDefault::ClearAll() {
  TBaseRecordStorage::Clear();
  defaults_.clear();
  placed_.clear();
}

void TRecordStorageDefault::RecordPlaced(TBIFFRecord* Record) { placed_[Record->Id] = Record; }

void TRecordStorageDefault::Removing(TBIFFRecord* Record) {
  auto it = placed_.find(Record->Id);
  if (it != placed_.end() && it->second == Record) placed_.erase(it);
}

TBIFFRecord* TRecordStorageDefault::Placed(std::uint16_t Id) const {
  auto it = placed_.find(Id);
  return it == placed_.end() ? nullptr : it->second;
}

TBIFFRecord* TRecordStorageDefault::AddDefault(std::uint16_t Id, int Len) {
  if (Len < 0 || Len > 0xFFFF) throw Exception("Invalid record length");
  defaults_.push_back(MakeRecord(MakeIdLen(Id, static_cast<std::uint16_t>(Len)), nullptr));
  RecordPlaced(defaults_.back().get());
  return defaults_.back().get();
}

TBIFFRecord* TRecordStorageDefault::AddDefaultWord(std::uint16_t Id, std::uint16_t Value) {
  TBIFFRecord* r = AddDefault(Id, 2);
  core::store_le16(r->Body.data(), Value);
  return r;
}

void TRecordStorageDefault::PlaceDefault(std::uint32_t IdLen, const void* Data) {
  auto id = static_cast<std::uint16_t>(IdLen & 0xFFFF);
  auto len = static_cast<std::uint16_t>(IdLen >> 16);
  int existing = IndexOf(id);
  if (existing >= 0) {
    TBIFFRecord* r = items_[existing].get();
    if (r->Length() != len) throw Exception(core::format("Size missmatch on default record %.4X", id));
    if (Data && len) std::memcpy(r->Body.data(), Data, len);
    RecordPlaced(r);
    return;
  }
  auto target = std::find_if(defaults_.begin(), defaults_.end(), [id](const auto& d) { return d && d->Id == id; });
  if (target == defaults_.end()) throw Exception(core::format("Excpected default record %.4X not found.", id));
  auto last = target + 1;
  for (auto it = defaults_.begin(); it != last; ++it) {
    if (!*it) continue;
    std::unique_ptr<TBIFFRecord> moved = std::move(*it);
    if (it == target) {
      moved->Body.assign(len, 0);
      if (Data && len) std::memcpy(moved->Body.data(), Data, len);
    }
    items_.push_back(std::move(moved));
    RecordPlaced(items_.back().get());
  }
}

void TRecordStorageDefault::UseDefaults() {
  TBaseRecordStorage::Clear();
  for (const auto& d : defaults_) {
    if (!d) continue;
    items_.push_back(std::make_unique<TBIFFRecord>(*d));
    RecordPlaced(items_.back().get());
  }
}

// ---- default tables ----

namespace {

// The 16-byte BIFF8 BOF of a new file: version, substream type, build, year, history and lowest
// version flags.
void FillBOF(TBIFFRecord* r, std::uint16_t type) {
  std::uint8_t* p = r->Body.data();
  core::store_le16(p, 0x0600);
  core::store_le16(p + 2, type);
  core::store_le16(p + 4, 6319);
  core::store_le16(p + 6, 1997);
  core::store_le32(p + 8, 0x000080C9);
  core::store_le32(p + 12, 0x00000106);
}

bool InRange(std::uint16_t id, std::uint16_t lo, std::uint16_t hi) { return id >= lo && id <= hi; }

}  // namespace

void TRecordStorageGlobals::SetDefaults() {
  ClearAll();
  FillBOF(AddDefault(BIFFRECID_BOF_8, 16), 0x0005);
  TBIFFRecord* wa = AddDefault(BIFFRECID_WRITEACCESS, 112);
  std::fill(wa->Body.begin() + 3, wa->Body.end(), 0x20);
  wa->Body[2] = 1;
  AddDefaultWord(BIFFRECID_CODEPAGE, 1200);
  AddDefaultWord(BIFFRECID_DSF, 0);
  AddDefault(BIFFRECID_TABID, 0);
  AddDefaultWord(BIFFRECID_FNGROUPCOUNT, 14);
  AddDefaultWord(BIFFRECID_WINDOWPROTECT, 0);
  AddDefaultWord(BIFFRECID_PROTECT, 0);
  AddDefaultWord(BIFFRECID_PASSWORD, 0);
  AddDefaultWord(BIFFRECID_PROT4REV, 0);
  TBIFFRecord* w1 = AddDefault(BIFFRECID_WINDOW1, 18);
  const std::uint16_t window1[] = {100, 100, 10000, 7000, 0x0038, 0, 0, 1, 600};
  for (int i = 0; i < 9; ++i) core::store_le16(w1->Body.data() + 2 * i, window1[i]);
  AddDefaultWord(BIFFRECID_BACKUP, 0);
  AddDefaultWord(BIFFRECID_HIDEOBJ, 0);
  AddDefaultWord(BIFFRECID_1904, 0);
  AddDefaultWord(BIFFRECID_PRECISION, 1);
  AddDefaultWord(BIFFRECID_REFRESHALL, 0);
  AddDefaultWord(BIFFRECID_BOOKBOOL, 0);
  AddDefault(0x8001, 0);
  AddDefault(0x8002, 0);
  TBIFFRecord* country = AddDefault(BIFFRECID_COUNTRY, 4);
  core::store_le16(country->Body.data(), 1);
  core::store_le16(country->Body.data() + 2, 46);
  TBIFFRecord* recalc = AddDefault(BIFFRECID_RECALCID, 8);
  core::store_le16(recalc->Body.data(), BIFFRECID_RECALCID);
  core::store_le32(recalc->Body.data() + 4, 0x00FFFFFF);
  AddDefault(0x8003, 0);
  AddDefault(0x8004, 0);
  AddDefault(0x8005, 0);
  AddDefault(BIFFRECID_EOF, 0);
}

void TRecordStorageGlobals::SetRecord(std::uint32_t IdLen, const void* Data) {
  auto id = static_cast<std::uint16_t>(IdLen & 0xFFFF);
  switch (id) {
    case BIFFRECID_EOF: case BIFFRECID_PRECISION: case BIFFRECID_PROTECT: case BIFFRECID_PASSWORD:
    case BIFFRECID_WINDOWPROTECT: case BIFFRECID_1904: case BIFFRECID_WINDOW1: case BIFFRECID_BACKUP:
    case BIFFRECID_CODEPAGE: case BIFFRECID_WRITEACCESS: case BIFFRECID_COUNTRY: case BIFFRECID_HIDEOBJ:
    case BIFFRECID_FNGROUPCOUNT: case BIFFRECID_BOOKBOOL: case BIFFRECID_TABID: case BIFFRECID_DSF:
    case BIFFRECID_PROT4REV: case BIFFRECID_REFRESHALL: case BIFFRECID_RECALCID:
      PlaceDefault(IdLen, Data);
      return;
    default:
      if (IsBOFRecordId(id)) PlaceDefault(IdLen, Data);
  }
}

void TRecordStorageGlobals::SetPlaceholder(std::uint16_t Id) {
  if (InRange(Id, INTERNAL_PLACEHOLDER_GLOBALS_FIRST, INTERNAL_PLACEHOLDER_GLOBALS_LAST))
    PlaceDefault(MakeIdLen(Id, 0), nullptr);
}

TBIFFRecord* TRecordStorageGlobals::BOF() const { return Placed(BIFFRECID_BOF_8); }
TBIFFRecord* TRecordStorageGlobals::WRITEACCESS() const { return Placed(BIFFRECID_WRITEACCESS); }
TBIFFRecord* TRecordStorageGlobals::WINDOW1() const { return Placed(BIFFRECID_WINDOW1); }
TBIFFRecord* TRecordStorageGlobals::COUNTRY() const { return Placed(BIFFRECID_COUNTRY); }
TBIFFRecord* TRecordStorageGlobals::RECALCID() const { return Placed(BIFFRECID_RECALCID); }

void TRecordStorageSheet::SetDefaults() {
  ClearAll();
  FillBOF(AddDefault(BIFFRECID_BOF_8, 16), 0x0010);
  AddDefaultWord(BIFFRECID_CALCMODE, 1);
  AddDefaultWord(BIFFRECID_CALCCOUNT, 100);
  AddDefaultWord(BIFFRECID_REFMODE, 1);
  AddDefaultWord(BIFFRECID_ITERATION, 0);
  core::store_le_double(AddDefault(BIFFRECID_DELTA, 8)->Body.data(), 0.001);
  AddDefaultWord(BIFFRECID_SAVERECALC, 1);
  AddDefaultWord(BIFFRECID_PRINTGRIDLINES, 0);
  AddDefaultWord(BIFFRECID_PRINTHEADERS, 0);
  AddDefaultWord(BIFFRECID_GRIDSET, 1);
  AddDefault(BIFFRECID_GUTS, 8);
  core::store_le16(AddDefault(BIFFRECID_DEFAULTROWHEIGHT, 4)->Body.data() + 2, 255);
  AddDefaultWord(BIFFRECID_WSBOOL, 0x04C1);
  AddDefault(0x8101, 0);
  AddDefault(0x8102, 0);
  AddDefault(0x8103, 0);
  AddDefaultWord(BIFFRECID_HCENTER, 0);
  AddDefaultWord(BIFFRECID_VCENTER, 0);
  TBIFFRecord* setup = AddDefault(BIFFRECID_SETUP, 34);
  std::uint8_t* s = setup->Body.data();
  const std::uint16_t words[] = {0, 100, 1, 1, 1, 0x06B6, 600, 600};
  for (int i = 0; i < 8; ++i) core::store_le16(s + 2 * i, words[i]);
  core::store_le_double(s + 16, 0.5);
  core::store_le_double(s + 24, 0.5);
  core::store_le16(s + 32, 0);
  AddDefaultWord(BIFFRECID_PROTECT, 0);
  AddDefaultWord(BIFFRECID_DEFCOLWIDTH, 8);
  AddDefault(BIFFRECID_DIMENSIONS, 14);
  AddDefault(0x8104, 0);
  AddDefault(0x8105, 0);
  TBIFFRecord* w2 = AddDefault(BIFFRECID_WINDOW2, 18);
  core::store_le16(w2->Body.data(), 0x04B6);
  core::store_le16(w2->Body.data() + 6, 64);
  AddDefault(0x8106, 0);
  AddDefault(BIFFRECID_EOF, 0);
}

void TRecordStorageSheet::SetRecord(std::uint32_t IdLen, const void* Data) {
  auto id = static_cast<std::uint16_t>(IdLen & 0xFFFF);
  switch (id) {
    case BIFFRECID_EOF: case BIFFRECID_CALCCOUNT: case BIFFRECID_CALCMODE: case BIFFRECID_REFMODE:
    case BIFFRECID_DELTA: case BIFFRECID_ITERATION: case BIFFRECID_PROTECT: case BIFFRECID_PRINTHEADERS:
    case BIFFRECID_PRINTGRIDLINES: case BIFFRECID_DEFCOLWIDTH: case BIFFRECID_SAVERECALC: case BIFFRECID_GUTS:
    case BIFFRECID_WSBOOL: case BIFFRECID_GRIDSET: case BIFFRECID_HCENTER: case BIFFRECID_VCENTER:
    case BIFFRECID_SETUP: case BIFFRECID_DIMENSIONS: case BIFFRECID_DEFAULTROWHEIGHT: case BIFFRECID_WINDOW2:
      PlaceDefault(IdLen, Data);
      return;
    default:
      if (IsBOFRecordId(id)) PlaceDefault((IdLen & 0xFFFF0000u) | BIFFRECID_BOF_8, Data);
  }
}

void TRecordStorageSheet::SetPlaceholder(std::uint16_t Id) {
  if (InRange(Id, INTERNAL_PLACEHOLDER_SHEET_FIRST, INTERNAL_PLACEHOLDER_SHEET_LAST))
    PlaceDefault(MakeIdLen(Id, 0), nullptr);
}

TBIFFRecord* TRecordStorageSheet::BOF() const { return Placed(BIFFRECID_BOF_8); }
TBIFFRecord* TRecordStorageSheet::GUTS() const { return Placed(BIFFRECID_GUTS); }
TBIFFRecord* TRecordStorageSheet::DEFAULTROWHEIGHT() const { return Placed(BIFFRECID_DEFAULTROWHEIGHT); }
TBIFFRecord* TRecordStorageSheet::SETUP() const { return Placed(BIFFRECID_SETUP); }
TBIFFRecord* TRecordStorageSheet::DIMENSIONS() const { return Placed(BIFFRECID_DIMENSIONS); }
TBIFFRecord* TRecordStorageSheet::WINDOW2() const { return Placed(BIFFRECID_WINDOW2); }

namespace {

TBIFFRecord* Require(TBIFFRecord* r, std::uint16_t id) {
  if (!r) throw Exception(core::format("Excpected default record %.4X not found.", id));
  return r;
}

void EnsureLength(TBIFFRecord* r, std::size_t n) {
  if (r->Body.size() < n) r->Body.resize(n, 0);
}

}  // namespace

double TRecordStorageSheet::GetDELTA() const {
  const TBIFFRecord* r = Placed(BIFFRECID_DELTA);
  return r && r->Body.size() >= 8 ? core::load_le_double(r->Body.data()) : 0.0;
}

void TRecordStorageSheet::SetDELTA(double Value) {
  TBIFFRecord* r = Require(Placed(BIFFRECID_DELTA), BIFFRECID_DELTA);
  EnsureLength(r, 8);
  core::store_le_double(r->Body.data(), Value);
}

std::uint16_t TRecordStorageSheet::GetWSBOOL() const {
  const TBIFFRecord* r = Placed(BIFFRECID_WSBOOL);
  return r && r->Body.size() >= 2 ? core::load_le16(r->Body.data()) : 0;
}

void TRecordStorageSheet::SetWSBOOL(std::uint16_t Value) {
  TBIFFRecord* r = Require(Placed(BIFFRECID_WSBOOL), BIFFRECID_WSBOOL);
  EnsureLength(r, 2);
  core::store_le16(r->Body.data(), Value);
}

std::uint16_t TRecordStorageSheet::GetDEFCOLWIDTH() const {
  const TBIFFRecord* r = Placed(BIFFRECID_DEFCOLWIDTH);
  return r && r->Body.size() >= 2 ? core::load_le16(r->Body.data()) : 0;
}

void TRecordStorageSheet::SetDEFCOLWIDTH(std::uint16_t Value) {
  TBIFFRecord* r = Require(Placed(BIFFRECID_DEFCOLWIDTH), BIFFRECID_DEFCOLWIDTH);
  EnsureLength(r, 2);
  core::store_le16(r->Body.data(), Value);
}

}  // namespace biff
