// Reading a compound file: header, sector allocation tables, directory tree and stream data.
// Every sector number, count and size comes from the file and is checked before use; a sector
// may belong to one chain only, which catches cycles and cross-linked chains alike.
#include <algorithm>
#include <string>
#include <utility>

#include "core/strings.h"
#include "core/unicode.h"
#include "platform/storage/compound_file.h"

namespace platform::storage {

namespace {

constexpr std::uint32_t kMaxRegSect = 0xFFFFFFFA;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::size_t kHeaderSize = 512;
constexpr std::size_t kDirEntrySize = 128;
constexpr std::uint32_t kMiniSectorSize = 64;
constexpr std::uint32_t kMiniStreamCutoff = 4096;

[[noreturn]] void corrupt(const std::string& what) {
  throw StorageError("damaged compound file: " + what, kDocfileCorrupt);
}

[[noreturn]] void bad_header(const std::string& what) {
  throw StorageError("not a valid compound file: " + what, kInvalidHeader);
}

struct DirEntry {
  std::u16string name;
  std::uint8_t type = 0;
  std::uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
  Clsid clsid{};
  std::uint32_t state_bits = 0;
  std::uint64_t created = 0, modified = 0;
  std::uint32_t start = 0;
  std::uint64_t size = 0;
};

}  // namespace

class CompoundFileReader {
public:
  explicit CompoundFileReader(core::ByteSpan file) : file_(file) {}

  CompoundFile read() {
    read_header();
    read_fat();
    read_directory();
    read_mini_stream();
    CompoundFile out;
    build_tree(out.root());
    return out;
  }

private:
  void read_header() {
    if (file_.size() < kHeaderSize) bad_header("shorter than its header");
    if (!has_signature(file_)) bad_header("no signature");
    core::ByteReader r(file_.first(kHeaderSize));
    r.skip(8 + 16);
    r.u16le();  // minor version
    std::uint16_t major = r.u16le();
    if (major != 3 && major != 4) bad_header(core::format("major version %u", major));
    if (r.u16le() != 0xFFFE) bad_header("byte order mark");
    std::uint16_t shift = r.u16le();
    if (shift != 9 && shift != 12) bad_header(core::format("sector shift %u", shift));
    sector_size_ = 1u << shift;
    if (r.u16le() != 6) bad_header("mini sector shift");
    r.skip(6);
    r.u32le();  // directory sector count (version 4 only, not needed)
    fat_count_ = r.u32le();
    first_dir_ = r.u32le();
    r.u32le();  // transaction signature
    if (r.u32le() != kMiniStreamCutoff) bad_header("mini stream cutoff");
    first_minifat_ = r.u32le();
    r.u32le();  // mini FAT sector count: the chain is followed instead
    first_difat_ = r.u32le();
    difat_count_ = r.u32le();
    for (int i = 0; i < 109; ++i) header_difat_[i] = r.u32le();
    version4_ = major == 4;

    // Sector n starts at (n + 1) * sector size; a short last sector reads as zero-padded.
    if (file_.size() <= sector_size_) bad_header("no sectors");
    sector_count_ = static_cast<std::uint32_t>(
        std::min<std::uint64_t>((file_.size() - sector_size_ + sector_size_ - 1) / sector_size_, kMaxRegSect));
    owner_.assign(sector_count_, false);
  }

  // Copies sector s into out (zero-padding a short last sector).
  void copy_sector(std::uint32_t s, std::uint8_t* out) const {
    if (s >= sector_count_) corrupt(core::format("sector %u out of range", s));
    std::size_t off = (static_cast<std::size_t>(s) + 1) * sector_size_;
    std::size_t n = std::min<std::size_t>(sector_size_, file_.size() - off);
    std::copy_n(file_.data() + off, n, out);
    std::fill(out + n, out + sector_size_, std::uint8_t{0});
  }

  void read_fat() {
    if (fat_count_ == 0 || fat_count_ > sector_count_) corrupt(core::format("%u allocation table sectors", fat_count_));
    std::vector<std::uint32_t> fat_sectors;
    fat_sectors.reserve(fat_count_);
    for (int i = 0; i < 109 && fat_sectors.size() < fat_count_; ++i) fat_sectors.push_back(header_difat_[i]);
    if (difat_count_ > sector_count_) corrupt(core::format("%u DIFAT sectors", difat_count_));
    std::uint32_t s = first_difat_;
    std::vector<bool> seen(sector_count_, false);
    std::vector<std::uint8_t> buf(sector_size_);
    const std::uint32_t per = sector_size_ / 4 - 1;
    for (std::uint32_t n = 0; fat_sectors.size() < fat_count_; ++n) {
      if (n >= difat_count_ || s >= sector_count_ || seen[s]) corrupt("DIFAT chain broken or cyclic");
      seen[s] = true;
      copy_sector(s, buf.data());
      for (std::uint32_t i = 0; i < per && fat_sectors.size() < fat_count_; ++i)
        fat_sectors.push_back(core::load_le32(buf.data() + 4 * i));
      s = core::load_le32(buf.data() + 4 * per);
    }
    fat_.resize(static_cast<std::size_t>(fat_count_) * (sector_size_ / 4));
    std::size_t at = 0;
    for (std::uint32_t fs : fat_sectors) {
      copy_sector(fs, buf.data());
      for (std::uint32_t i = 0; i < sector_size_ / 4; ++i) fat_[at++] = core::load_le32(buf.data() + 4 * i);
    }
  }

  // Follows a chain from start. With want set, stops after that many sectors and fails when the
  // chain ends earlier; without it, follows to the end of chain.
  std::vector<std::uint32_t> chain(std::uint32_t start, std::uint64_t want, bool bounded, const char* what) {
    std::vector<std::uint32_t> out;
    std::uint32_t s = start;
    while (!bounded || out.size() < want) {
      if (s == kEndOfChain) {
        if (bounded) corrupt(core::format("%s ends after %zu of %llu sectors", what, out.size(),
                                          static_cast<unsigned long long>(want)));
        break;
      }
      if (s >= sector_count_ || s >= fat_.size()) corrupt(core::format("%s: sector %u out of range", what, s));
      if (owner_[s]) corrupt(core::format("%s: sector %u used twice (cyclic or cross-linked chain)", what, s));
      owner_[s] = true;
      out.push_back(s);
      s = fat_[s];
    }
    return out;
  }

  core::Bytes gather(const std::vector<std::uint32_t>& sectors) const {
    core::Bytes out(sectors.size() * sector_size_);
    for (std::size_t i = 0; i < sectors.size(); ++i) copy_sector(sectors[i], out.data() + i * sector_size_);
    return out;
  }

  void read_directory() {
    core::Bytes dir = gather(chain(first_dir_, 0, false, "directory"));
    std::size_t count = dir.size() / kDirEntrySize;
    if (count == 0) corrupt("empty directory");
    entries_.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
      core::ByteReader r(dir.data() + i * kDirEntrySize, kDirEntrySize);
      DirEntry& e = entries_[i];
      core::ByteSpan raw_name = r.take(64);
      std::uint16_t name_bytes = r.u16le();
      e.type = r.u8();
      r.u8();  // colour: the tree is walked, not searched, so a wrong colour does no harm
      e.left = r.u32le();
      e.right = r.u32le();
      e.child = r.u32le();
      core::ByteSpan id = r.take(16);
      std::copy(id.begin(), id.end(), e.clsid.begin());
      e.state_bits = r.u32le();
      e.created = r.u64le();
      e.modified = r.u64le();
      e.start = r.u32le();
      e.size = r.u64le();
      if (!version4_) e.size &= 0xFFFFFFFFu;  // the high half is undefined in version 3 files
      if (e.type == 0) continue;
      if (name_bytes > 64 || name_bytes % 2 != 0) corrupt(core::format("directory entry %zu: name length %u", i, name_bytes));
      for (std::size_t k = 0; k + 1 < name_bytes; k += 2) {
        char16_t c = core::load_le16(raw_name.data() + k);
        if (c == 0) break;
        e.name.push_back(c);
      }
    }
    if (entries_[0].type != 5) corrupt("first directory entry is not the root");
  }

  void read_mini_stream() {
    const DirEntry& root = entries_[0];
    if (root.size == 0) return;
    if (root.size > file_.size()) corrupt("mini stream larger than the file");
    std::uint64_t want = (root.size + sector_size_ - 1) / sector_size_;
    std::uint64_t mini_sectors = (root.size + kMiniSectorSize - 1) / kMiniSectorSize;
    mini_stream_ = gather(chain(root.start, want, true, "mini stream"));
    mini_stream_.resize(mini_sectors * kMiniSectorSize);

    // The header's mini FAT sector count is not trusted: the chain itself says how long it is.
    core::Bytes mf = gather(chain(first_minifat_, 0, false, "mini FAT"));
    minifat_.resize(mf.size() / 4);
    for (std::size_t i = 0; i < minifat_.size(); ++i) minifat_[i] = core::load_le32(mf.data() + 4 * i);
    mini_owner_.assign(mini_sectors, false);
  }

  core::Bytes stream_data(const DirEntry& e, std::size_t index) {
    if (e.size == 0) return {};
    if (e.size > file_.size()) corrupt(core::format("stream %zu larger than the file", index));
    if (e.size >= kMiniStreamCutoff) {
      std::uint64_t want = (e.size + sector_size_ - 1) / sector_size_;
      core::Bytes data = gather(chain(e.start, want, true, "stream"));
      data.resize(e.size);
      return data;
    }
    std::uint64_t want = (e.size + kMiniSectorSize - 1) / kMiniSectorSize;
    core::Bytes data;
    data.reserve(want * kMiniSectorSize);
    std::uint32_t s = e.start;
    for (std::uint64_t n = 0; n < want; ++n) {
      if (s >= mini_owner_.size() || s >= minifat_.size())
        corrupt(core::format("stream %zu: mini sector %u out of range", index, s));
      if (mini_owner_[s]) corrupt(core::format("stream %zu: mini sector %u used twice", index, s));
      mini_owner_[s] = true;
      const std::uint8_t* p = mini_stream_.data() + static_cast<std::size_t>(s) * kMiniSectorSize;
      data.insert(data.end(), p, p + kMiniSectorSize);
      s = minifat_[s];
    }
    data.resize(e.size);
    return data;
  }

  void build_tree(Storage& root) {
    copy_meta(entries_[0], root);
    std::vector<bool> visited(entries_.size(), false);
    visited[0] = true;
    // Each job walks the sibling tree below `node` into `parent`.
    struct Job {
      std::uint32_t node;
      Storage* parent;
      std::size_t depth;
    };
    std::vector<Job> jobs{{entries_[0].child, &root, 0}};
    std::vector<Storage*> storages{&root};
    while (!jobs.empty()) {
      Job job = jobs.back();
      jobs.pop_back();
      if (job.node == kNoStream) continue;
      if (job.node >= entries_.size()) corrupt(core::format("directory link %u out of range", job.node));
      if (visited[job.node]) corrupt(core::format("directory entry %u reached twice", job.node));
      visited[job.node] = true;
      const DirEntry& e = entries_[job.node];
      if (e.type != 1 && e.type != 2) corrupt(core::format("directory entry %u of type %u in the tree", job.node, e.type));
      if (!is_valid_name(e.name)) corrupt(core::format("directory entry %u has an invalid name", job.node));
      jobs.push_back({e.left, job.parent, job.depth});
      jobs.push_back({e.right, job.parent, job.depth});
      if (e.type == 1) {
        if (job.depth + 1 > kMaxStorageDepth) corrupt("storages nested too deeply");
        auto s = std::make_unique<Storage>(e.name);
        copy_meta(e, *s);
        Storage* raw = s.get();
        job.parent->children_.push_back(std::move(s));
        storages.push_back(raw);
        jobs.push_back({e.child, raw, job.depth + 1});
      } else {
        auto s = std::make_unique<Stream>(e.name);
        copy_meta(e, *s);
        s->data = stream_data(e, job.node);
        job.parent->children_.push_back(std::move(s));
      }
    }
    // Children are sorted once per storage (inserting one by one would be quadratic in a
    // hostile file's entry count); equal names side by side are a damaged directory.
    for (Storage* st : storages) {
      auto& kids = st->children_;
      std::stable_sort(kids.begin(), kids.end(), [](const auto& a, const auto& b) {
        return compare_names(a->name(), b->name()) < 0;
      });
      for (std::size_t i = 1; i < kids.size(); ++i) {
        if (compare_names(kids[i - 1]->name(), kids[i]->name()) == 0)
          corrupt("two elements named \"" + core::u8(kids[i]->name()) + "\" in one storage");
      }
    }
  }

  static void copy_meta(const DirEntry& e, Element& out) {
    out.clsid = e.clsid;
    out.state_bits = e.state_bits;
    out.created = e.created;
    out.modified = e.modified;
  }

  core::ByteSpan file_;
  std::uint32_t sector_size_ = 512;
  std::uint32_t sector_count_ = 0;
  bool version4_ = false;
  std::uint32_t fat_count_ = 0, first_dir_ = 0, first_minifat_ = 0;
  std::uint32_t first_difat_ = 0, difat_count_ = 0;
  std::uint32_t header_difat_[109] = {};
  std::vector<std::uint32_t> fat_;
  std::vector<bool> owner_;
  std::vector<DirEntry> entries_;
  core::Bytes mini_stream_;
  std::vector<std::uint32_t> minifat_;
  std::vector<bool> mini_owner_;
};

CompoundFile CompoundFile::parse(core::ByteSpan bytes) {
  try {
    return CompoundFileReader(bytes).read();
  } catch (const core::TruncatedInput& e) {
    corrupt(e.what());
  }
}

}  // namespace platform::storage
