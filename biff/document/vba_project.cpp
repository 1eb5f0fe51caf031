#include "biff/document/vba_project.h"

#include <algorithm>

#include "biff/biff_error.h"
#include "core/codepage.h"
#include "core/unicode.h"

namespace biff {

namespace ps = platform::storage;

namespace {

constexpr char16_t kProjectStorage[] = u"_VBA_PROJECT_CUR";
constexpr char16_t kVBAStorage[] = u"VBA";
constexpr char16_t kDirStream[] = u"dir";

// Dir-stream record ids.
constexpr std::uint16_t kPROJECTCODEPAGE = 0x0003, kPROJECTVERSION = 0x0009, kPROJECTMODULES = 0x000F,
                        kTERMINATOR = 0x0010, kMODULENAME = 0x0019, kMODULESTREAMNAME = 0x001A,
                        kMODULETYPEPROCEDURAL = 0x0021, kMODULETYPEDOCUMENT = 0x0022, kMODULETERMINATOR = 0x002B,
                        kMODULEOFFSET = 0x0031, kMODULESTREAMNAMEUNICODE = 0x0032, kMODULENAMEUNICODE = 0x0047;

constexpr std::size_t kChunkSize = 4096;
// A copy token can turn 2 bytes into 4098: the total is capped so that a small damaged stream
// cannot make a read allocate without bound.
constexpr std::size_t kMaxDecompressed = 64u << 20;
// Where the module text stands in a module stream written from source alone.
constexpr int kSourceOnlyOffset = 16;

[[noreturn]] void Damaged(const std::string& What) { throw Exception("Damaged VBA project: " + What); }

// Walks the records of a decompressed dir stream: 16-bit id, 32-bit size, data.
class TDirReader {
public:
  explicit TDirReader(const core::Bytes& Data) : D_(Data) {}

  bool AtEnd() const { return pos_ >= D_.size(); }
  // The next record's id without taking it; 0xFFFF at the end.
  std::uint16_t PeekId() const { return pos_ + 2 <= D_.size() ? core::load_le16(D_.data() + pos_) : 0xFFFF; }
  void Next(std::uint16_t& Id, core::ByteSpan& Data) {
    if (D_.size() - pos_ < 6) throw Exception("EOF missing in VBA dir stream");
    Id = core::load_le16(D_.data() + pos_);
    std::uint64_t size = core::load_le32(D_.data() + pos_ + 2);
    // The size of PROJECTVERSION leaves out its last 2 bytes (the minor version).
    if (Id == kPROJECTVERSION) size += 2;
    pos_ += 6;
    if (size > D_.size() - pos_) Damaged("record 0x" + Hex(Id) + " longer than the dir stream");
    Data = core::ByteSpan(D_.data() + pos_, static_cast<std::size_t>(size));
    pos_ += static_cast<std::size_t>(size);
  }

private:
  static std::string Hex(std::uint16_t V) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s(4, '0');
    for (int i = 3; i >= 0; --i, V = static_cast<std::uint16_t>(V >> 4)) s[static_cast<std::size_t>(i)] = digits[V & 15];
    return s;
  }
  const core::Bytes& D_;
  std::size_t pos_ = 0;
};

std::u16string Text8(core::ByteSpan Data, int CodePage) {
  const std::string_view raw(reinterpret_cast<const char*>(Data.data()), Data.size());
  return core::codepage_supported(CodePage) ? core::codepage_to_utf16(CodePage, raw) : core::widen_latin1(raw);
}

std::u16string Text16(core::ByteSpan Data) {
  std::u16string s(Data.size() / 2, u'\0');
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char16_t>(core::load_le16(Data.data() + 2 * i));
  return s;
}

}  // namespace

// ---- module source

void TVBAModuleSource::SetSource(std::string_view Text, int CodePage) {
  Source.clear();
  Attributes.Clear();
  // Lines end at CR LF, LF or CR; a text ending with a line end has no empty last line.
  for (std::size_t p = 0; p < Text.size();) {
    std::size_t e = Text.find_first_of("\r\n", p);
    if (e == std::string_view::npos) e = Text.size();
    Source.emplace_back(Text.substr(p, e - p));
    p = e;
    if (p < Text.size() && Text[p] == '\r') {
      ++p;
      if (p < Text.size() && Text[p] == '\n') ++p;
    } else if (p < Text.size()) {
      ++p;
    }
  }
  std::size_t n = 0;
  while (n < Source.size() && Source[n].size() >= 9 && core::ascii_iequals(std::string_view(Source[n]).substr(0, 9), "attribute")) {
    Attributes.AddValue(Text8(core::ByteSpan(reinterpret_cast<const std::uint8_t*>(Source[n].data()), Source[n].size()), CodePage));
    ++n;
  }
  Source.erase(Source.begin(), Source.begin() + static_cast<std::ptrdiff_t>(n));
}

// ---- the project

void TXLSVBA::Clear() {
  Modules_.clear();
  ProjectRecords_.Clear();
  Kept_.reset();
  ProjectRead_ = false;
}

bool TXLSVBA::HasProject() const { return Kept_ != nullptr || !Modules_.empty(); }

core::Bytes TXLSVBA::Decompress(core::ByteSpan Data, std::size_t Start) {
  core::Bytes out;
  if (Start >= Data.size()) return out;
  // The signature byte (1) is passed over as the format's readers do; what follows is checked.
  std::size_t cur = Start + 1;
  const std::size_t end = Data.size();
  while (cur < end) {
    if (end - cur < 2) Damaged("chunk header cut short");
    const std::uint16_t header = core::load_le16(Data.data() + cur);
    const std::size_t chunkEnd = std::min(end, cur + (header & 0x0FFF) + 3);
    const bool compressed = (header & 0x8000) != 0;
    const std::size_t chunkStart = out.size();
    cur += 2;
    if (!compressed) {
      // A raw chunk: 4096 bytes as they stand.
      if (chunkEnd - cur < kChunkSize) Damaged("raw chunk cut short");
      out.insert(out.end(), Data.begin() + static_cast<std::ptrdiff_t>(cur), Data.begin() + static_cast<std::ptrdiff_t>(cur + kChunkSize));
      cur += kChunkSize;
    } else {
      while (cur < chunkEnd) {
        const std::uint8_t flags = Data[cur++];
        for (int bit = 0; bit < 8 && cur < chunkEnd; ++bit) {
          if (out.size() - chunkStart >= kChunkSize) Damaged("chunk longer than 4096 bytes");
          if (!(flags & (1 << bit))) {
            out.push_back(Data[cur++]);
            continue;
          }
          if (chunkEnd - cur < 2) Damaged("copy token cut short");
          const std::uint16_t token = core::load_le16(Data.data() + cur);
          cur += 2;
          // The split between offset and length bits follows the position inside the chunk.
          const std::size_t done = out.size() - chunkStart;
          int bits = 4;
          while (bits < 12 && (std::size_t{1} << bits) < done) ++bits;
          const std::size_t length = (token & (0xFFFFu >> bits)) + 3;
          const std::size_t offset = (token >> (16 - bits)) + 1;
          if (offset > done) Damaged("copy token before the chunk");
          if (done + length > kChunkSize) Damaged("chunk longer than 4096 bytes");
          // Byte by byte: source and destination may overlap.
          for (std::size_t k = 0; k < length; ++k) out.push_back(out[out.size() - offset]);
        }
      }
    }
    if (out.size() > kMaxDecompressed) Damaged("decompressed data too large");
    cur = std::max(cur, chunkEnd);
  }
  return out;
}

void TXLSVBA::ParseDir(core::ByteSpan Dir, const ps::Storage& VBA) {
  const core::Bytes data = Decompress(Dir, 0);
  TDirReader r(data);
  std::uint16_t id = 0;
  core::ByteSpan body;
  int codePage = 1252;
  int moduleCount = 0;
  // The project part: up to the first module or the terminator.
  while (!r.AtEnd() && r.PeekId() != kMODULENAME) {
    r.Next(id, body);
    ProjectRecords_.Add(id, body);
    if (id == kPROJECTCODEPAGE && body.size() >= 2) codePage = core::load_le16(body.data());
    if (id == kPROJECTMODULES && body.size() >= 2) moduleCount = core::load_le16(body.data());
    if (id == kTERMINATOR) break;
  }
  if (id != kTERMINATOR) {
    for (int m = 0; m < moduleCount; ++m) {
      auto module = std::make_unique<TVBAModuleSource>();
      std::u16string name8, name16, stream8, stream16;
      std::int64_t offset = -1;
      if (r.PeekId() != kMODULENAME) throw Exception("EOF missing in VBA dir stream");
      for (;;) {
        r.Next(id, body);
        switch (id) {
          case kMODULENAME: name8 = Text8(body, codePage); break;
          case kMODULENAMEUNICODE: name16 = Text16(body); break;
          case kMODULESTREAMNAME: stream8 = Text8(body, codePage); break;
          case kMODULESTREAMNAMEUNICODE: stream16 = Text16(body); break;
          case kMODULETYPEPROCEDURAL: module->ModuleType = 0; break;
          case kMODULETYPEDOCUMENT: module->ModuleType = 1; break;
          case kMODULEOFFSET:
            if (body.size() < 4) Damaged("MODULEOFFSET too short");
            offset = core::load_le32(body.data());
            break;
          default: break;
        }
        module->Records.Add(id, body);
        if (id == kMODULETERMINATOR) break;
      }
      module->Name = !name16.empty() ? name16 : name8;
      if (offset >= 0) {
        // The module's stream is named by its stream name (the same as the module name but for
        // renamed modules).
        const std::u16string streamName = !stream16.empty() ? stream16 : !stream8.empty() ? stream8 : module->Name;
        const ps::Stream* s = VBA.open_stream(streamName);
        if (!s) Damaged("module stream \"" + core::utf16_to_utf8(streamName) + "\" missing");
        if (static_cast<std::uint64_t>(offset) > s->data.size()) Damaged("module text past its stream");
        const core::Bytes text = Decompress(s->data, static_cast<std::size_t>(offset));
        const std::size_t lf = std::string_view(reinterpret_cast<const char*>(text.data()), text.size()).rfind('\n');
        const std::string_view kept(reinterpret_cast<const char*>(text.data()), lf == std::string_view::npos ? 0 : lf + 1);
        module->SetSource(kept, codePage);
        // Described as a module written from its source alone (the kept copy is what is saved).
        for (int k = 0; k < module->Records.Count(); ++k)
          if (TVBARecord& rec = module->Records.Items(k); rec.Id == kMODULEOFFSET)
            core::store_le32(rec.Data.data(), kSourceOnlyOffset);
        module->TextOffset = kSourceOnlyOffset;
      }
      Modules_.push_back(std::move(module));
    }
    if (r.AtEnd()) throw Exception("EOF missing in VBA dir stream");
    r.Next(id, body);
    if (id != kTERMINATOR) throw Exception("EOF missing in VBA dir stream");
  }
}

int TXLSVBA::ReadProject(ps::Storage& Root) {
  Clear();
  const ps::Storage* project = Root.open_storage(kProjectStorage);
  const ps::Storage* vba = project ? project->open_storage(kVBAStorage) : nullptr;
  const ps::Stream* dir = vba ? vba->open_stream(kDirStream) : nullptr;
  if (!dir) return 0;
  try {
    ParseDir(dir->data, *vba);
  } catch (...) {
    Clear();
    throw;
  }
  ProjectRead_ = true;
  Kept_ = std::make_unique<ps::CompoundFile>();
  ps::Storage& copy = Kept_->root();
  project->copy_to(copy);
  copy.state_bits = project->state_bits;
  copy.created = project->created;
  copy.modified = project->modified;
  return 1;
}

void TXLSVBA::WriteProject(ps::Storage& Storage) {
  if (!Kept_) return;
  const ps::Storage& copy = Kept_->root();
  copy.copy_to(Storage);
  Storage.state_bits = copy.state_bits;
  Storage.created = copy.created;
  Storage.modified = copy.modified;
}

}  // namespace biff
