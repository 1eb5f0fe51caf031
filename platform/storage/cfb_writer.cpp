// Writing a compound file: version 3, 512-byte sectors, a 64-byte mini stream for streams under
// 4096 bytes. Layout and directory order depend only on the tree, so equal trees give equal bytes.
// Sectors: allocation table, DIFAT, directory, mini FAT, mini stream, then the large streams.
#include <algorithm>

#include "platform/storage/compound_file.h"

namespace platform::storage {

namespace {

constexpr std::uint32_t kSectorSize = 512;
constexpr std::uint32_t kPerSector = kSectorSize / 4;
constexpr std::uint32_t kMiniSectorSize = 64;
constexpr std::uint32_t kMiniStreamCutoff = 4096;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSect = 0xFFFFFFFF;
constexpr std::uint32_t kFatSect = 0xFFFFFFFD;
constexpr std::uint32_t kDifSect = 0xFFFFFFFC;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

std::uint64_t sectors_for(std::uint64_t bytes, std::uint64_t unit) { return (bytes + unit - 1) / unit; }

struct Node {
  const Element* element = nullptr;
  std::uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
  bool red = false;
  std::uint32_t start = kEndOfChain;
  std::uint64_t size = 0;
};

class Writer {
public:
  explicit Writer(const Storage& root) : root_(root) {}

  core::Bytes write() {
    if (root_.depth() > kMaxStorageDepth) throw StorageError("storages nested too deeply", kInvalidFunction);
    number_entries();
    place_streams();
    return emit();
  }

private:
  // Entry 0 is the root; each storage's children get consecutive ids in name order, storages
  // numbered breadth-first. Each sibling set becomes a balanced tree, coloured as a valid
  // red-black tree: full levels black, the incomplete deepest level red.
  void number_entries() {
    nodes_.push_back({&root_});
    std::vector<std::pair<const Storage*, std::uint32_t>> queue{{&root_, 0}};
    for (std::size_t q = 0; q < queue.size(); ++q) {
      auto [storage, id] = queue[q];
      const auto& kids = storage->elements();
      if (kids.empty()) continue;
      std::uint32_t first = static_cast<std::uint32_t>(nodes_.size());
      for (const auto& k : kids) {
        nodes_.push_back({k.get()});
        if (k->is_storage()) queue.push_back({static_cast<const Storage*>(k.get()), static_cast<std::uint32_t>(nodes_.size() - 1)});
      }
      std::size_t n = kids.size();
      std::size_t full_levels = 0;
      while ((std::size_t{2} << full_levels) - 1 <= n) ++full_levels;
      bool perfect = ((std::size_t{1} << full_levels) - 1) == n;
      nodes_[id].child = build(first, 0, n, 1, full_levels, perfect);
    }
  }

  std::uint32_t build(std::uint32_t first, std::size_t lo, std::size_t hi, std::size_t depth, std::size_t full_levels,
                      bool perfect) {
    if (lo >= hi) return kNoStream;
    std::size_t mid = lo + (hi - lo) / 2;
    std::uint32_t id = first + static_cast<std::uint32_t>(mid);
    nodes_[id].red = !perfect && depth > full_levels;
    nodes_[id].left = build(first, lo, mid, depth + 1, full_levels, perfect);
    nodes_[id].right = build(first, mid + 1, hi, depth + 1, full_levels, perfect);
    return id;
  }

  void place_streams() {
    for (Node& node : nodes_) {
      if (node.element->is_storage()) continue;
      const core::Bytes& data = static_cast<const Stream*>(node.element)->data;
      if (data.size() > kMaxStreamSize) throw StorageError("stream too large for a compound file", kMediumFull);
      node.size = data.size();
      if (data.empty()) continue;
      if (data.size() < kMiniStreamCutoff) {
        node.start = static_cast<std::uint32_t>(mini_stream_.size() / kMiniSectorSize);
        std::uint64_t count = sectors_for(data.size(), kMiniSectorSize);
        for (std::uint64_t i = 0; i < count; ++i)
          minifat_.push_back(i + 1 < count ? static_cast<std::uint32_t>(node.start + i + 1) : kEndOfChain);
        mini_stream_.insert(mini_stream_.end(), data.begin(), data.end());
        mini_stream_.resize(count * kMiniSectorSize + node.start * std::uint64_t{kMiniSectorSize}, 0);
      } else {
        large_.push_back(&node);
      }
    }
  }

  core::Bytes emit() {
    std::uint64_t dir_sectors = sectors_for(nodes_.size() * 128, kSectorSize);
    std::uint64_t minifat_sectors = sectors_for(minifat_.size() * 4, kSectorSize);
    std::uint64_t ministream_sectors = sectors_for(mini_stream_.size(), kSectorSize);
    std::uint64_t data_sectors = dir_sectors + minifat_sectors + ministream_sectors;
    for (const Node* n : large_) data_sectors += sectors_for(n->size, kSectorSize);

    // The allocation table covers its own sectors and the DIFAT sectors too: iterate to a fixpoint.
    std::uint64_t fat = 1, difat = 0;
    for (;;) {
      std::uint64_t total = data_sectors + fat + difat;
      std::uint64_t need_fat = sectors_for(total, kPerSector);
      std::uint64_t need_difat = need_fat > 109 ? sectors_for(need_fat - 109, kPerSector - 1) : 0;
      if (need_fat == fat && need_difat == difat) break;
      fat = std::max(fat, need_fat);
      difat = std::max(difat, need_difat);
    }
    std::uint64_t total = data_sectors + fat + difat;
    if (total >= 0xFFFFFFF0u) throw StorageError("compound file too large", kMediumFull);

    std::vector<std::uint32_t> table(fat * kPerSector, kFreeSect);
    std::uint32_t next = 0;
    auto allocate = [&](std::uint64_t count, std::uint32_t mark) {
      std::uint32_t start = count ? next : kEndOfChain;
      for (std::uint64_t i = 0; i < count; ++i, ++next) table[next] = mark ? mark : (i + 1 < count ? next + 1 : kEndOfChain);
      return start;
    };
    std::uint32_t fat_start = allocate(fat, kFatSect);
    std::uint32_t difat_start = allocate(difat, kDifSect);
    std::uint32_t dir_start = allocate(dir_sectors, 0);
    std::uint32_t minifat_start = allocate(minifat_sectors, 0);
    std::uint32_t ministream_start = allocate(ministream_sectors, 0);
    for (Node* n : large_) n->start = allocate(sectors_for(n->size, kSectorSize), 0);
    nodes_[0].start = ministream_start;
    nodes_[0].size = mini_stream_.size();

    core::Bytes out((total + 1) * kSectorSize, 0);
    auto sector = [&](std::uint32_t s) { return out.data() + (static_cast<std::size_t>(s) + 1) * kSectorSize; };

    // Header.
    std::uint8_t* h = out.data();
    std::copy(kSignature.begin(), kSignature.end(), h);
    core::store_le16(h + 24, 0x003E);
    core::store_le16(h + 26, 3);
    core::store_le16(h + 28, 0xFFFE);
    core::store_le16(h + 30, 9);
    core::store_le16(h + 32, 6);
    core::store_le32(h + 44, static_cast<std::uint32_t>(fat));
    core::store_le32(h + 48, dir_start);
    core::store_le32(h + 56, kMiniStreamCutoff);
    core::store_le32(h + 60, minifat_start);
    core::store_le32(h + 64, static_cast<std::uint32_t>(minifat_sectors));
    core::store_le32(h + 68, difat_start);
    core::store_le32(h + 72, static_cast<std::uint32_t>(difat));
    for (std::uint32_t i = 0; i < 109; ++i)
      core::store_le32(h + 76 + 4 * i, i < fat ? fat_start + i : kFreeSect);

    // DIFAT sectors: 127 table sector numbers each, then the next DIFAT sector.
    for (std::uint64_t d = 0; d < difat; ++d) {
      std::uint8_t* p = sector(static_cast<std::uint32_t>(difat_start + d));
      for (std::uint32_t i = 0; i < kPerSector - 1; ++i) {
        std::uint64_t f = 109 + d * (kPerSector - 1) + i;
        core::store_le32(p + 4 * i, f < fat ? static_cast<std::uint32_t>(fat_start + f) : kFreeSect);
      }
      core::store_le32(p + 4 * (kPerSector - 1),
                       d + 1 < difat ? static_cast<std::uint32_t>(difat_start + d + 1) : kEndOfChain);
    }

    for (std::uint64_t i = 0; i < table.size(); ++i)
      core::store_le32(sector(fat_start) + 4 * i, table[i]);  // table sectors are consecutive

    // Directory, padded with empty entries.
    std::uint8_t* dir = sector(dir_start);
    for (std::uint64_t i = 0; i < dir_sectors * (kSectorSize / 128); ++i) {
      std::uint8_t* e = dir + i * 128;
      core::store_le32(e + 68, kNoStream);
      core::store_le32(e + 72, kNoStream);
      core::store_le32(e + 76, kNoStream);
      if (i >= nodes_.size()) continue;
      const Node& n = nodes_[i];
      const std::u16string& name = n.element->name();
      for (std::size_t k = 0; k < name.size(); ++k) core::store_le16(e + 2 * k, static_cast<std::uint16_t>(name[k]));
      core::store_le16(e + 64, static_cast<std::uint16_t>((name.size() + 1) * 2));
      e[66] = i == 0 ? 5 : (n.element->is_storage() ? 1 : 2);
      e[67] = n.red ? 0 : 1;
      core::store_le32(e + 68, n.left);
      core::store_le32(e + 72, n.right);
      core::store_le32(e + 76, n.child);
      std::copy(n.element->clsid.begin(), n.element->clsid.end(), e + 80);
      core::store_le32(e + 96, n.element->state_bits);
      core::store_le64(e + 100, i == 0 ? 0 : n.element->created);  // the root carries no creation time
      core::store_le64(e + 108, n.element->modified);
      bool has_data = i == 0 || !n.element->is_storage();
      core::store_le32(e + 116, has_data && n.size ? n.start : (has_data ? kEndOfChain : 0));
      core::store_le64(e + 120, has_data ? n.size : 0);
    }

    for (std::size_t i = 0; i < minifat_.size(); ++i) core::store_le32(sector(minifat_start) + 4 * i, minifat_[i]);
    if (!minifat_.empty()) {
      std::size_t used = minifat_.size() * 4;
      std::fill(sector(minifat_start) + used, sector(minifat_start) + minifat_sectors * kSectorSize, 0xFF);
    }
    std::copy(mini_stream_.begin(), mini_stream_.end(), sector(ministream_start));
    for (const Node* n : large_) {
      const core::Bytes& data = static_cast<const Stream*>(n->element)->data;
      std::copy(data.begin(), data.end(), sector(n->start));
    }
    return out;
  }

  const Storage& root_;
  std::vector<Node> nodes_;
  core::Bytes mini_stream_;
  std::vector<std::uint32_t> minifat_;
  std::vector<Node*> large_;
};

}  // namespace

core::Bytes CompoundFile::serialize() const { return Writer(*root_).write(); }

}  // namespace platform::storage
