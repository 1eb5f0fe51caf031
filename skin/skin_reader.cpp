#include "skin/skin_reader.h"

#include <algorithm>
#include <cstring>

#include "core/byte_io.h"
#include "core/unicode.h"
#include "skin/lzh_codec.h"

namespace skin {

int TSkinReader::VersionBlockLength(std::int32_t version) {
  switch (version) {
    case 20000: return 0;
    case 30000: return 256;
    case 40000: return 80;
    case 50000: return 48;
    case 60000: return 117;
    case 70000: return 69;
    default: return -1;
  }
}

namespace {

// Lines end with CR, LF or CR LF; a final line break adds no entry.
std::vector<std::string> split_lines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t j = i;
    while (j < text.size() && text[j] != '\r' && text[j] != '\n') ++j;
    if (lines.size() == static_cast<std::size_t>(TSkinReader::kMaxEntries)) {
      throw SkinPackageError("Skin package: more entries than a package holds");
    }
    lines.emplace_back(text.substr(i, j - i));
    if (j < text.size() && text[j] == '\r') ++j;
    if (j < text.size() && text[j] == '\n') ++j;
    i = j;
  }
  return lines;
}

}  // namespace

bool TSkinReader::LoadPackage(std::span<const std::uint8_t> compressed) {
  std::vector<std::uint8_t> body = unpack_lzh_stream(compressed);
  std::uint8_t header[16] = {};
  if (!body.empty()) std::memcpy(header, body.data(), std::min<std::size_t>(body.size(), 16));
  const auto version = static_cast<std::int32_t>(core::load_le32(header));
  const int block = VersionBlockLength(version);
  if (block < 0) {
    if (ShowMessage) ShowMessage(std::string(kOldVersionMessage));
    return false;
  }
  const auto list_length = static_cast<std::int32_t>(core::load_le32(header + 4));
  if (list_length <= 0) throw SkinPackageError("Skin package: empty or negative name-list length");
  const std::size_t names_at = 16 + static_cast<std::size_t>(block);
  if (body.size() < names_at || body.size() - names_at < static_cast<std::size_t>(list_length)) {
    throw SkinPackageError("Skin package: name list runs past the end of the package");
  }
  std::string text(reinterpret_cast<const char*>(body.data() + names_at), static_cast<std::size_t>(list_length));
  std::vector<std::string> names = split_lines(core::ascii_lower(text));
  if (names.size() > static_cast<std::size_t>(kMaxEntries)) {
    throw SkinPackageError("Skin package: more entries than a package holds");
  }
  const std::size_t sizes_at = names_at + static_cast<std::size_t>(list_length);
  const std::size_t store_at = sizes_at + 4 * names.size();
  if (body.size() < store_at) throw SkinPackageError("Skin package: size table runs past the end of the package");
  std::array<std::int32_t, kMaxEntries> sizes{};
  std::int64_t total = 0;
  for (std::size_t k = 0; k < names.size(); ++k) {
    sizes[k] = static_cast<std::int32_t>(core::load_le32(body.data() + sizes_at + 4 * k));
    if (sizes[k] < 0) throw SkinPackageError("Skin package: negative entry size");
    total += sizes[k];
  }
  if (total > static_cast<std::int64_t>(body.size() - store_at)) {
    throw SkinPackageError("Skin package: entry sizes add up to more than the stored data");
  }
  version_ = version;
  name_list_length_ = list_length;
  names_ = std::move(names);
  count_ = static_cast<int>(names_.size());
  sizes_ = sizes;
  store_.assign(body.begin() + static_cast<std::ptrdiff_t>(store_at), body.end());
  return true;
}

void TSkinReader::copy_entry(int index, std::vector<std::uint8_t>& dest) const {
  std::size_t offset = 0;
  for (int k = 0; k < index; ++k) offset += static_cast<std::size_t>(sizes_[k]);
  const auto size = static_cast<std::size_t>(sizes_[index]);
  dest.assign(store_.begin() + static_cast<std::ptrdiff_t>(offset),
              store_.begin() + static_cast<std::ptrdiff_t>(offset + size));
}

bool TSkinReader::FindEntry(std::string_view name, std::vector<std::uint8_t>& dest) const {
  dest.clear();
  const std::string wanted = core::ascii_lower(name);
  for (int k = 0; k < count_; ++k) {
    if (names_[k] == wanted) {
      copy_entry(k, dest);
      return true;
    }
  }
  return false;
}

bool TSkinReader::FindEntryContaining(std::string_view text, std::vector<std::uint8_t>& dest,
                                      std::string& full_name) const {
  dest.clear();
  for (int k = 0; k < count_; ++k) {
    if (names_[k].find(text) != std::string::npos) {
      copy_entry(k, dest);
      full_name = names_[k];
      return true;
    }
  }
  return false;
}

std::vector<std::uint8_t> build_skin_package_body(std::span<const SkinEntry> entries) {
  if (entries.empty() || entries.size() > static_cast<std::size_t>(TSkinReader::kMaxEntries)) {
    throw SkinPackageError("Skin package: a package holds 1 to 1001 entries");
  }
  std::string names;
  for (const SkinEntry& e : entries) {
    if (e.name.empty() || e.name.find_first_of("\r\n") != std::string::npos) {
      throw SkinPackageError("Skin package: entry names must be non-empty single lines");
    }
    names += e.name;
    names += "\r\n";
  }
  core::ByteWriter w;
  w.u32le(static_cast<std::uint32_t>(TSkinReader::kCurrentVersion));
  w.u32le(static_cast<std::uint32_t>(names.size()));
  w.fill(8 + static_cast<std::size_t>(TSkinReader::VersionBlockLength(TSkinReader::kCurrentVersion)));
  w.bytes(names.data(), names.size());
  for (const SkinEntry& e : entries) w.u32le(static_cast<std::uint32_t>(e.data.size()));
  for (const SkinEntry& e : entries) w.bytes(e.data.data(), e.data.size());
  return w.take();
}

std::vector<std::uint8_t> build_skin_package(std::span<const SkinEntry> entries) {
  return pack_lzh_stream(build_skin_package_body(entries));
}

}  // namespace skin
