#include "io/zip_archive.h"

#include <zlib.h>

#include <algorithm>

#include "core/byte_io.h"
#include "core/calendar.h"
#include "core/codepage.h"
#include "core/unicode.h"
#include "core/locale.h"

namespace io {

namespace {

constexpr std::uint32_t kLocalSig = 0x04034B50;
constexpr std::uint32_t kCentralSig = 0x02014B50;
constexpr std::uint32_t kEndSig = 0x06054B50;
constexpr std::uint32_t kDescriptorSig = 0x08074B50;
constexpr std::int64_t kLocalSize = 30;
constexpr std::int64_t kCentralSize = 46;
constexpr std::int64_t kEndSize = 22;
constexpr std::int64_t kMaxComment = 65535;

[[noreturn]] void Fail(const std::u16string& text) { throw Exception(text); }
[[noreturn]] void Fail(const char* text) { throw Exception(std::string(text)); }

std::u16string quoted(const char16_t* before, const std::u16string& name, const char16_t* after) {
  return before + name + after;
}

// Entry names: UTF-8 when the archive says so (or when the bytes are well-formed UTF-8 beyond
// ASCII, as archivers on Unix write them), else the library's 8-bit code page.
std::u16string DecodeName(const std::string& raw, std::uint16_t flags) {
  bool ascii = std::all_of(raw.begin(), raw.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) return core::widen_latin1(raw);
  if ((flags & kZipFlagUtf8) || core::is_valid_utf8(raw)) return core::utf8_to_utf16(raw);
  return core::codepage_to_utf16(core::locale_defaults().ansi_code_page, raw);
}

// Names that could reach outside a target folder are refused: absolute paths, drives, "..".
bool SafeName(std::u16string name) {
  if (name.empty()) return false;
  std::replace(name.begin(), name.end(), u'\\', u'/');
  if (name[0] == u'/') return false;
  if (name.size() >= 2 && name[1] == u':') return false;
  if (name.find(u'\0') != std::u16string::npos) return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find(u'/', start);
    if (end == std::u16string::npos) end = name.size();
    if (name.compare(start, end - start, u"..") == 0) return false;
    start = end + 1;
  }
  return true;
}

[[noreturn]] void FailInvalidName(const std::u16string& name) {
  Fail(quoted(u"Invalid file name \"", name, u"\" in ZIP"));
}

void CheckName(const std::u16string& name) {
  if (!SafeName(name)) FailInvalidName(name);
}

std::uint32_t ReadLE32(TStream& s) {
  std::uint8_t b[4];
  s.ReadBuffer(b, 4);
  return core::load_le32(b);
}

void DosNow(std::uint16_t& time, std::uint16_t& date) {
  core::LocalTime t = core::local_now();
  int year = std::clamp(t.year, 1980, 2107);
  if (year != t.year) {
    // Outside the DOS range: the nearest valid moment.
    t = core::LocalTime{};
    t.year = year;
    t.month = year == 1980 ? 1 : 12;
    t.day = year == 1980 ? 1 : 31;
    t.hour = year == 1980 ? 0 : 23;
    t.minute = year == 1980 ? 0 : 59;
    t.second = year == 1980 ? 0 : 58;
  }
  time = static_cast<std::uint16_t>((t.hour << 11) | (t.minute << 5) | (t.second / 2));
  date = static_cast<std::uint16_t>(((year - 1980) << 9) | (t.month << 5) | t.day);
}

}  // namespace

// ---- entry ----------------------------------------------------------------------------------

TXLSZipFile::TXLSZipFile(TXLSZipArchive* Archive, const TCentralDirectoryFile& C) : Central(C), archive_(Archive) {
  name_ = DecodeName(Central.Name, Central.Flags);
  key_ = core::unicode_upper(name_);
}

TXLSZipFile::~TXLSZipFile() = default;

std::uint32_t TXLSZipFile::GetUncompressedSize() const { return Central.UncompressedSize; }
std::uint32_t TXLSZipFile::GetCompressedSize() const { return Central.CompressedSize; }
std::uint32_t TXLSZipFile::GetCRC32() const { return Central.CRC32; }

bool TXLSZipFile::GetDateTime(core::LocalTime& Value) const {
  int sec = (Central.Time & 0x1F) * 2, min = (Central.Time >> 5) & 0x3F, hour = Central.Time >> 11;
  int day = Central.Date & 0x1F, month = (Central.Date >> 5) & 0x0F, year = 1980 + (Central.Date >> 9);
  if (day < 1 || day > core::days_in_month(year, month) || hour > 23 || min > 59 || sec > 59) return false;
  Value = core::LocalTime{};
  Value.year = year;
  Value.month = month;
  Value.day = day;
  Value.hour = hour;
  Value.minute = min;
  Value.second = sec;
  return true;
}

void TXLSZipFile::Open() {
  CloseData();
  if (!archive_ || archive_->Mode() != 1) return;
  TStream& s = *archive_->ArchiveStream();
  s.SetPosition(Local.DataOffset);
  if (Central.Method == 0) {
    open_ = true;
  } else if (Central.Method == 8) {
    inflater_ = std::make_unique<TDecompressionStream>(s, static_cast<std::int64_t>(Central.CompressedSize));
    open_ = true;
  }
  position_ = 0;
  crc_ = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
  crcValid_ = true;
}

void TXLSZipFile::CloseData() {
  inflater_.reset();
  open_ = false;
}

void TXLSZipFile::CheckComplete() {
  if (position_ != GetUncompressedSize()) return;
  if (inflater_ && !inflater_->EndOfStream()) {
    // The data must end where its recorded size says; more data means a wrong size.
    std::uint8_t extra;
    if (inflater_->Read(&extra, 1) != 0) Fail(quoted(u"Wrong size of file \"", name_, u"\" in ZIP"));
  }
  if (crcValid_ && crc_ != GetCRC32()) Fail(quoted(u"CRC error in file \"", name_, u"\" in ZIP"));
}

static_assert(kZipMaxRatio == 500, "the bomb message names the ratio");

std::int64_t TXLSZipFile::Read(void* Buffer, std::int64_t Count) {
  if (!open_) Fail("ZIP file is not open");
  std::int64_t want = std::min<std::int64_t>(Count, static_cast<std::int64_t>(GetUncompressedSize()) - position_);
  if (want <= 0) return 0;
  std::int64_t got;
  if (inflater_) {
    got = inflater_->Read(Buffer, want);
  } else {
    TStream& s = *archive_->ArchiveStream();
    // A stored entry never reads past its own data.
    std::int64_t left = static_cast<std::int64_t>(Central.CompressedSize) - position_;
    want = std::min(want, left);
    s.SetPosition(Local.DataOffset + position_);
    got = want > 0 ? s.Read(Buffer, want) : 0;
  }
  if (got > 0) {
    crc_ = static_cast<std::uint32_t>(crc32(crc_, static_cast<const Bytef*>(Buffer), static_cast<uInt>(got)));
    position_ += got;
    if (inflater_ && position_ > kZipRatioFloor && position_ / kZipMaxRatio > inflater_->TotalIn())
      Fail(quoted(u"File \"", name_, u"\" in ZIP inflates to more than 500 times its compressed size"));
  }
  if (got < want || got == 0) Fail(quoted(u"Unexpected end of file \"", name_, u"\" in ZIP"));
  CheckComplete();
  return got;
}

std::int64_t TXLSZipFile::Write(const void*, std::int64_t) { Fail("Not implemented, write"); }

std::int64_t TXLSZipFile::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  if (!open_) Fail("ZIP file is not open");
  std::int64_t size = GetUncompressedSize();
  std::int64_t target = Origin == TSeekOrigin::soBeginning ? Offset
                        : Origin == TSeekOrigin::soCurrent ? position_ + Offset
                                                           : size + Offset;
  if (target < 0 || target > size) throw EStreamError("Stream seek error");
  if (target == position_) return position_;
  if (inflater_) {
    if (target < position_) Open();  // deflate data can only be read forwards: start again
    std::uint8_t buf[4096];
    while (position_ < target) ReadBuffer(buf, std::min<std::int64_t>(target - position_, sizeof buf));
  } else {
    position_ = target;
    // The CRC can be checked only over bytes read in order from the start.
    crcValid_ = target == 0;
    if (crcValid_) crc_ = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
  }
  return position_;
}

void TXLSZipFile::ExtractToStream(TStream& Target) {
  Open();
  struct Closer {
    TXLSZipFile* f;
    ~Closer() { f->CloseData(); }
  } closer{this};
  if (!open_) Fail("ZIP file is not open");
  std::uint8_t buf[4095];
  std::int64_t left = GetUncompressedSize();
  while (left > 0) {
    std::int64_t n = Read(buf, std::min<std::int64_t>(left, sizeof buf));
    if (n <= 0) break;
    Target.WriteBuffer(buf, n);
    left -= n;
  }
  if (left == 0 && position_ == 0) CheckComplete();  // an empty entry still has a CRC to match
}

// ---- archive --------------------------------------------------------------------------------

TXLSZipArchive::TXLSZipArchive() = default;

TXLSZipFile* TXLSZipArchive::Add(std::unique_ptr<TXLSZipFile> Entry) {
  items_.push_back(std::move(Entry));
  return items_.back().get();
}

TXLSZipArchive::~TXLSZipArchive() {
  activeStream_.reset();
  Clear();
}

int TXLSZipArchive::IndexOf(const std::u16string& Name) const {
  std::u16string key = core::unicode_upper(Name);
  for (int i = 0; i < Count(); ++i)
    if (items_[static_cast<std::size_t>(i)]->key_ == key) return i;
  return -1;
}

void TXLSZipArchive::OpenRead(TStream& Stream) {
  Close();
  mode_ = 1;
  stream_ = &Stream;
  try {
    ReadDirectory();
  } catch (...) {
    Clear();
    mode_ = 0;
    stream_ = nullptr;
    throw;
  }
}

void TXLSZipArchive::OpenWrite(TStream& Stream) {
  Close();
  mode_ = 2;
  stream_ = &Stream;
  InitEndRecord();
  endOfData_ = 0;
  stream_->SetPosition(0);
}

void TXLSZipArchive::InitEndRecord() { end_ = TEndOfCentralDir{}; }

void TXLSZipArchive::Close() {
  if (mode_ == 2) {
    if (activeStream_) EndFile(activeStream_.get());
    WriteCentralDirectory();
  }
  activeStream_.reset();
  active_ = nullptr;
  stream_ = nullptr;
  mode_ = 0;
  Clear();
}

// ---- reading --------------------------------------------------------------------------------

void TXLSZipArchive::ReadDirectory() {
  Clear();
  streamSize_ = stream_->GetSize();
  if (FindEndRecord()) {
    bool ok = false;
    try {
      ok = ReadCentralDirectory();
    } catch (const core::TruncatedInput&) {
      ok = false;
    } catch (const EStreamError&) {
      ok = false;
    }
    if (!ok) Fail("File is not a valid ZIP file");
    ReadLocalHeaders();
  } else {
    RebuildDirectory();
  }
}

bool TXLSZipArchive::FindEndRecord() {
  endOffset_ = -1;
  if (streamSize_ < kEndSize) return false;
  // The end record sits in the last 22 bytes plus at most a 65535-byte comment.
  std::int64_t from = std::max<std::int64_t>(0, streamSize_ - kEndSize - kMaxComment);
  std::vector<std::uint8_t> tail(static_cast<std::size_t>(streamSize_ - from));
  stream_->SetPosition(from);
  stream_->ReadBuffer(tail.data(), static_cast<std::int64_t>(tail.size()));
  for (std::int64_t p = static_cast<std::int64_t>(tail.size()) - kEndSize; p >= 0; --p) {
    const std::uint8_t* b = tail.data() + p;
    if (core::load_le32(b) != kEndSig) continue;
    // The comment must fit in what follows; otherwise these bytes are data that look alike.
    if (p + kEndSize + core::load_le16(b + 20) > static_cast<std::int64_t>(tail.size())) continue;
    end_.Signature = kEndSig;
    end_.DiskNumber = core::load_le16(b + 4);
    end_.CentralDirDisk = core::load_le16(b + 6);
    end_.EntriesThisDisk = core::load_le16(b + 8);
    end_.TotalEntries = core::load_le16(b + 10);
    end_.CentralDirSize = core::load_le32(b + 12);
    end_.CentralDirOffset = core::load_le32(b + 16);
    end_.CommentLength = core::load_le16(b + 20);
    endOffset_ = from + p;
    return true;
  }
  return false;
}

bool TXLSZipArchive::ReadCentralDirectory() {
  std::int64_t offset = end_.CentralDirOffset;
  std::int64_t count = end_.EntriesThisDisk;
  // Every record takes at least 46 bytes before the end record: a larger count is not real.
  if (offset > endOffset_ || count * kCentralSize > endOffset_ - offset) return false;
  std::vector<std::uint8_t> dir(static_cast<std::size_t>(endOffset_ - offset));
  stream_->SetPosition(offset);
  stream_->ReadBuffer(dir.data(), static_cast<std::int64_t>(dir.size()));
  core::ByteReader r(dir.data(), dir.size());
  for (std::int64_t i = 0; i < count; ++i) {
    TCentralDirectoryFile c;
    c.Signature = r.u32le();
    if (c.Signature != kCentralSig) return false;
    c.VersionMadeBy = r.u16le();
    c.VersionNeeded = r.u16le();
    c.Flags = r.u16le();
    c.Method = r.u16le();
    c.Time = r.u16le();
    c.Date = r.u16le();
    c.CRC32 = r.u32le();
    c.CompressedSize = r.u32le();
    c.UncompressedSize = r.u32le();
    c.NameLength = r.u16le();
    c.ExtraLength = r.u16le();
    c.CommentLength = r.u16le();
    c.DiskNumberStart = r.u16le();
    c.InternalAttributes = r.u16le();
    c.ExternalAttributes = r.u32le();
    c.LocalHeaderOffset = r.u32le();
    c.Name = r.raw_string(c.NameLength);
    c.Extra = r.raw_string(c.ExtraLength);
    c.Comment = r.raw_string(c.CommentLength);
    // An invalid DOS date is kept as it is: it does not make the archive unreadable.
    auto entry = std::make_unique<TXLSZipFile>(this, c);
    CheckName(entry->GetName());
    Add(std::move(entry));
  }
  return Count() == end_.EntriesThisDisk;
}

void TXLSZipArchive::ReadLocalHeader(std::int64_t Offset, TLocalFile& L) {
  if (Offset < 0 || Offset + kLocalSize > streamSize_) Fail("Unknown zip file");
  std::uint8_t h[kLocalSize];
  stream_->SetPosition(Offset);
  stream_->ReadBuffer(h, kLocalSize);
  L.Signature = core::load_le32(h);
  if (L.Signature != kLocalSig) Fail("Unknown zip file");
  L.VersionNeeded = core::load_le16(h + 4);
  L.Flags = core::load_le16(h + 6);
  L.Method = core::load_le16(h + 8);
  L.Time = core::load_le16(h + 10);
  L.Date = core::load_le16(h + 12);
  L.CRC32 = core::load_le32(h + 14);
  L.CompressedSize = core::load_le32(h + 18);
  L.UncompressedSize = core::load_le32(h + 22);
  L.NameLength = core::load_le16(h + 26);
  L.ExtraLength = core::load_le16(h + 28);
  if (Offset + kLocalSize + L.NameLength + L.ExtraLength > streamSize_) Fail("Unknown zip file");
  L.Name.resize(L.NameLength);
  L.Extra.resize(L.ExtraLength);
  if (L.NameLength) stream_->ReadBuffer(L.Name.data(), L.NameLength);
  if (L.ExtraLength) stream_->ReadBuffer(L.Extra.data(), L.ExtraLength);
  L.DataOffset = Offset + kLocalSize + L.NameLength + L.ExtraLength;
}

void TXLSZipArchive::ReadLocalHeaders() {
  for (const auto& e : items_) {
    ReadLocalHeader(e->Central.LocalHeaderOffset, e->Local);
    // The central record is authoritative for CRC and sizes (with a data descriptor the local
    // header holds zeros).
    e->Local.CRC32 = e->Central.CRC32;
    e->Local.CompressedSize = e->Central.CompressedSize;
    e->Local.UncompressedSize = e->Central.UncompressedSize;
  }
}

void TXLSZipArchive::RebuildDirectory() {
  Clear();
  std::int64_t offset = 0;
  std::int64_t cdSize = 0;
  while (offset + 4 <= streamSize_ && Count() < 65535) {
    stream_->SetPosition(offset);
    if (ReadLE32(*stream_) != kLocalSig) break;
    // A header cut off by the end of the archive ends the walk; what came before stays readable.
    if (offset + kLocalSize > streamSize_) break;
    std::uint8_t lens[4];
    stream_->SetPosition(offset + 26);
    stream_->ReadBuffer(lens, 4);
    if (offset + kLocalSize + core::load_le16(lens) + core::load_le16(lens + 2) > streamSize_) break;
    TLocalFile L;
    ReadLocalHeader(offset, L);
    std::int64_t next = L.DataOffset + L.CompressedSize;
    if (L.Flags & kZipFlagDataDescriptor) {
      // Sizes follow the data: only deflate data tells where it ends.
      if (L.Method != 8) break;
      bool zip64 = L.CompressedSize == 0xFFFFFFFFu || L.UncompressedSize == 0xFFFFFFFFu;
      stream_->SetPosition(L.DataOffset);
      TDecompressionStream inflater(*stream_);
      std::uint8_t buf[4096];
      while (inflater.Read(buf, sizeof buf) > 0) {
      }
      if (!inflater.EndOfStream() || inflater.TotalOut() > 0xFFFFFFFELL) break;
      L.CompressedSize = static_cast<std::uint32_t>(inflater.TotalIn());
      L.UncompressedSize = static_cast<std::uint32_t>(inflater.TotalOut());
      next = L.DataOffset + L.CompressedSize;
      // The descriptor: an optional signature, the CRC-32 and two sizes of 4 (or 8) bytes.
      std::int64_t sizes = zip64 ? 16 : 8;
      if (next + 4 + sizes <= streamSize_) {
        stream_->SetPosition(next);
        std::uint32_t first = ReadLE32(*stream_);
        if (first == kDescriptorSig && next + 8 + sizes <= streamSize_) {
          L.CRC32 = ReadLE32(*stream_);
          next += 8 + sizes;
        } else {
          L.CRC32 = first;
          next += 4 + sizes;
        }
      }
    }
    if (next > streamSize_) next = streamSize_;
    TCentralDirectoryFile c;
    static_cast<TZipEntryHeader&>(c) = L;
    c.ExternalAttributes = !L.Name.empty() && L.Name.back() == '/' ? 16 : 32;
    c.LocalHeaderOffset = static_cast<std::uint32_t>(offset);
    auto entry = std::make_unique<TXLSZipFile>(this, c);
    entry->Local = L;
    CheckName(entry->GetName());
    cdSize += kCentralSize + c.NameLength + c.ExtraLength + c.CommentLength;
    Add(std::move(entry));
    offset = next;
  }
  end_ = TEndOfCentralDir{};
  end_.EntriesThisDisk = end_.TotalEntries = static_cast<std::uint16_t>(Count());
  end_.CentralDirSize = static_cast<std::uint32_t>(cdSize);
  end_.CentralDirOffset = static_cast<std::uint32_t>(offset);
}

// ---- writing --------------------------------------------------------------------------------

std::u16string TXLSZipArchive::NormalizeZipPath(const std::u16string& Name) const {
  std::u16string s = Name;
  std::replace(s.begin(), s.end(), u'\\', u'/');
  if (auto p = s.find(u":/"); p != std::u16string::npos) s.erase(0, p + 2);
  if (auto p = s.find(u"//"); p != std::u16string::npos) {
    s.erase(0, p + 2);
    for (int part = 0; part < 2; ++part) {
      auto q = s.find(u'/');
      if (q == std::u16string::npos) break;
      s.erase(0, q + 1);
    }
  }
  if (!KeepDirectoryNames) {
    if (auto p = s.rfind(u'/'); p != std::u16string::npos) s.erase(0, p + 1);
  }
  // A leading "/" would make the stored name absolute.
  while (!s.empty() && s[0] == u'/') s.erase(0, 1);
  return s;
}

TXLSZipFile* TXLSZipArchive::NewEntry(const std::u16string& Name, std::uint16_t Method) {
  if (mode_ != 2) Fail("ZIP archive is not open for writing");
  std::u16string name = NormalizeZipPath(Name);
  CheckName(name);
  if (IndexOf(name) >= 0) Fail(quoted(u"Duplicate file \"", name, u"\" in Zip"));
  if (Count() >= 65535) Fail("Too many files in ZIP");
  if (endOfData_ > 0xFFFFFFFFLL) Fail("ZIP archive too large");
  TCentralDirectoryFile c;
  bool ascii = std::all_of(name.begin(), name.end(), [](char16_t ch) { return ch < 0x80; });
  // Names beyond ASCII are stored as UTF-8 and marked so, which every reader understands.
  c.Name = core::utf16_to_utf8(name);
  if (c.Name.size() > 0xFFFF) FailInvalidName(name);
  c.Flags = ascii ? 0 : kZipFlagUtf8;
  c.Method = Method;
  DosNow(c.Time, c.Date);
  c.NameLength = static_cast<std::uint16_t>(c.Name.size());
  c.LocalHeaderOffset = static_cast<std::uint32_t>(endOfData_);
  auto entry = std::make_unique<TXLSZipFile>(this, c);
  TLocalFile& L = entry->Local;
  static_cast<TZipEntryHeader&>(L) = c;
  L.DataOffset = endOfData_ + kLocalSize + L.NameLength;
  TXLSZipFile* e = Add(std::move(entry));
  WriteLocalHeader(e->Local, endOfData_);
  return e;
}

void TXLSZipArchive::WriteLocalHeader(const TLocalFile& L, std::int64_t Offset) {
  std::uint8_t h[kLocalSize];
  core::store_le32(h, kLocalSig);
  core::store_le16(h + 4, L.VersionNeeded);
  core::store_le16(h + 6, L.Flags);
  core::store_le16(h + 8, L.Method);
  core::store_le16(h + 10, L.Time);
  core::store_le16(h + 12, L.Date);
  core::store_le32(h + 14, L.CRC32);
  core::store_le32(h + 18, L.CompressedSize);
  core::store_le32(h + 22, L.UncompressedSize);
  core::store_le16(h + 26, L.NameLength);
  core::store_le16(h + 28, L.ExtraLength);
  stream_->SetPosition(Offset);
  stream_->WriteBuffer(h, kLocalSize);
  if (!L.Name.empty()) stream_->WriteBuffer(L.Name.data(), static_cast<std::int64_t>(L.Name.size()));
  if (!L.Extra.empty()) stream_->WriteBuffer(L.Extra.data(), static_cast<std::int64_t>(L.Extra.size()));
}

void TXLSZipArchive::FinishEntry(TXLSZipFile* e, std::int64_t DataStart) {
  std::int64_t end = stream_->GetPosition();
  std::int64_t compressed = end - DataStart;
  if (compressed > 0xFFFFFFFFLL || e->Local.UncompressedSize == 0xFFFFFFFFu) Fail("ZIP archive too large");
  e->Local.CompressedSize = e->Central.CompressedSize = static_cast<std::uint32_t>(compressed);
  e->Central.CRC32 = e->Local.CRC32;
  e->Central.UncompressedSize = e->Local.UncompressedSize;
  WriteLocalHeader(e->Local, e->Central.LocalHeaderOffset);
  stream_->SetPosition(end);
  endOfData_ = end;
  end_.CentralDirOffset = static_cast<std::uint32_t>(std::min<std::int64_t>(end, 0xFFFFFFFF));
  ++end_.EntriesThisDisk;
  ++end_.TotalEntries;
}

TXLSZipFile* TXLSZipArchive::AddStream(const std::u16string& Name, TStream& Source) {
  if (activeStream_) Fail("There is an active zip");
  std::int64_t size = Source.GetSize() - Source.GetPosition();
  TXLSZipFile* e = NewEntry(Name, size > 0 ? 8 : 0);
  std::int64_t dataStart = e->Local.DataOffset;
  stream_->SetPosition(dataStart);
  if (size > 0) {
    if (size >= 0xFFFFFFFFLL) Fail("ZIP archive too large");
    TCompressionStream z(1, true, *stream_);
    std::vector<std::uint8_t> buf(65536);
    for (;;) {
      std::int64_t n = Source.Read(buf.data(), static_cast<std::int64_t>(buf.size()));
      if (n <= 0) break;
      z.Write(buf.data(), n);
    }
    z.Finish();
    e->Local.UncompressedSize = static_cast<std::uint32_t>(z.BytesIn());
    e->Local.CRC32 = z.CRC32();
  }
  FinishEntry(e, dataStart);
  return e;
}

TCompressionStream* TXLSZipArchive::BeginFile(const std::u16string& Name) {
  if (activeStream_) Fail("There is an active zip");
  TXLSZipFile* e = NewEntry(Name, 8);
  activeDataStart_ = e->Local.DataOffset;
  stream_->SetPosition(activeDataStart_);
  active_ = e;
  activeStream_ = std::make_unique<TCompressionStream>(1, true, *stream_);
  return activeStream_.get();
}

void TXLSZipArchive::EndFile(TStream* Stream) {
  if (!activeStream_ || Stream != activeStream_.get()) Fail("Stream is not TCompressionStream");
  TCompressionStream& z = *activeStream_;
  z.Finish();
  if (z.BytesIn() >= 0xFFFFFFFFLL) Fail("ZIP archive too large");
  active_->Local.UncompressedSize = static_cast<std::uint32_t>(z.BytesIn());
  active_->Local.CRC32 = z.CRC32();
  TXLSZipFile* e = active_;
  activeStream_.reset();
  active_ = nullptr;
  FinishEntry(e, activeDataStart_);
}

void TXLSZipArchive::WriteCentralDirectory() {
  stream_->SetPosition(endOfData_);
  core::ByteWriter w;
  for (const auto& e : items_) {
    const TCentralDirectoryFile& c = e->Central;
    w.u32le(kCentralSig);
    w.u16le(c.VersionMadeBy);
    w.u16le(c.VersionNeeded);
    w.u16le(c.Flags);
    w.u16le(c.Method);
    w.u16le(c.Time);
    w.u16le(c.Date);
    w.u32le(c.CRC32);
    w.u32le(c.CompressedSize);
    w.u32le(c.UncompressedSize);
    w.u16le(static_cast<std::uint16_t>(c.Name.size()));
    w.u16le(static_cast<std::uint16_t>(c.Extra.size()));
    w.u16le(static_cast<std::uint16_t>(c.Comment.size()));
    w.u16le(c.DiskNumberStart);
    w.u16le(c.InternalAttributes);
    w.u32le(c.ExternalAttributes);
    w.u32le(c.LocalHeaderOffset);
    w.raw_string(c.Name);
    w.raw_string(c.Extra);
    w.raw_string(c.Comment);
  }
  if (w.size() > 0xFFFFFFFFu) Fail("ZIP archive too large");
  end_.Signature = kEndSig;
  end_.CentralDirOffset = static_cast<std::uint32_t>(endOfData_);
  end_.CentralDirSize = static_cast<std::uint32_t>(w.size());
  end_.CommentLength = 0;
  w.u32le(end_.Signature);
  w.u16le(end_.DiskNumber);
  w.u16le(end_.CentralDirDisk);
  w.u16le(end_.EntriesThisDisk);
  w.u16le(end_.TotalEntries);
  w.u32le(end_.CentralDirSize);
  w.u32le(end_.CentralDirOffset);
  w.u16le(end_.CommentLength);
  stream_->WriteBuffer(w.data().data(), static_cast<std::int64_t>(w.size()));
}

// ---- archive interface ----------------------------------------------------------------------

namespace {

std::u16string JoinEntryName(std::u16string Dir, std::u16string Name) {
  if (!Dir.empty() && Dir.back() == u'/') Dir.pop_back();
  if (!Name.empty() && Name.front() == u'/') Name.erase(0, 1);
  return Dir.empty() ? Name : Dir + u"/" + Name;
}

void SplitPath(const std::u16string& Path, std::u16string& Dir, std::u16string& Name) {
  auto p = Path.rfind(u'/');
  if (p == std::u16string::npos || p == 0) {
    Dir.clear();
    Name = Path;
  } else {
    Dir = Path.substr(0, p);
    Name = Path.substr(p + 1);
  }
}

}  // namespace

TXLSZipArchiveIntfXLS::TXLSZipArchiveIntfXLS() : zip_(std::make_unique<TXLSZipArchive>()) {}
TXLSZipArchiveIntfXLS::~TXLSZipArchiveIntfXLS() = default;

int TXLSZipArchiveIntfXLS::GetCount() { return zip_->Count(); }
void TXLSZipArchiveIntfXLS::OpenRead(TStream& Stream) { zip_->OpenRead(Stream); }
void TXLSZipArchiveIntfXLS::OpenWrite(TStream& Stream) { zip_->OpenWrite(Stream); }
void TXLSZipArchiveIntfXLS::Close() { zip_->Close(); }
int TXLSZipArchiveIntfXLS::IndexOf(const std::u16string& Name) { return zip_->IndexOf(Name); }

std::unique_ptr<TStream> TXLSZipArchiveIntfXLS::OpenFile(const std::u16string& Name) {
  int i = zip_->IndexOf(Name);
  if (i < 0) Fail(u"Can not find file " + Name + u" in ZIP");
  return std::make_unique<TXLSOwnerStream>(zip_->GetItem(i), Name);
}

TStream* TXLSZipArchiveIntfXLS::BeginFile(const std::u16string& Path) {
  std::u16string dir, name;
  SplitPath(Path, dir, name);
  return BeginFileIn(dir, name);
}

TStream* TXLSZipArchiveIntfXLS::BeginFileIn(const std::u16string& Dir, const std::u16string& Name) {
  return zip_->BeginFile(JoinEntryName(Dir, Name));
}

void TXLSZipArchiveIntfXLS::EndFile(TStream* Stream) {
  // Compared by identity, never dereferenced: a stream already ended has been freed.
  if (Stream == nullptr || Stream != zip_->ActiveStream()) Fail("Stream is not TCompressionStream");
  zip_->EndFile(Stream);
}

void TXLSZipArchiveIntfXLS::AddFile(const std::u16string& Path, TStream& Stream) {
  std::u16string dir, name;
  SplitPath(Path, dir, name);
  AddFileIn(dir, name, Stream);
}

void TXLSZipArchiveIntfXLS::AddFileIn(const std::u16string& Dir, const std::u16string& Name, TStream& Stream) {
  Stream.SetPosition(0);
  zip_->AddStream(JoinEntryName(Dir, Name), Stream);
}

TXLSOwnerStream::TXLSOwnerStream(TXLSZipFile* Entry, std::u16string Name) : entry_(Entry), name_(std::move(Name)) {
  entry_->Open();
}

TXLSOwnerStream::~TXLSOwnerStream() { entry_->CloseData(); }

}  // namespace io
