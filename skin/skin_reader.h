// The skin package: a compressed archive of named entries (the skin's bitmaps and its INI text).
// TSkinReader unpacks and indexes one; build_skin_package makes one (used by the skin tool).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"

namespace skin {

// A package whose structure contradicts itself (sizes past the data, too many entries, ...).
class SkinPackageError : public core::Error {
public:
  using core::Error::Error;
};

struct SkinEntry {
  std::string name;
  std::vector<std::uint8_t> data;
};

class TSkinReader {
public:
  static constexpr int kMaxEntries = 1001;
  static constexpr std::int32_t kCurrentVersion = 70000;
  // The text shown when a package has a version this reader does not know.
  static constexpr std::string_view kOldVersionMessage = "This is Older Skin File\rPlease update to new version !";

  // Length of the version block that follows the header, or -1 for an unknown version code.
  static int VersionBlockLength(std::int32_t version);

  // Shows a message to the user; the skin data component plugs in its message box.
  std::function<void(const std::string&)> ShowMessage;

  // Unpacks (length prefix + -lh1- stream) and indexes a package. An unknown version shows the
  // old-version message and answers false, leaving the reader as it was. Throws ElzhException for
  // broken compressed data and SkinPackageError for a package whose layout does not hold together.
  bool LoadPackage(std::span<const std::uint8_t> compressed);

  // Copies the entry named `name` (any ASCII case) into `dest`; `dest` is emptied first and stays
  // empty when there is no such entry. The first of equal names wins.
  bool FindEntry(std::string_view name, std::vector<std::uint8_t>& dest) const;
  // Copies the first entry whose lower-case name contains `text` (case-sensitive) and sets
  // `full_name` to that name; `full_name` is left alone when nothing matches.
  bool FindEntryContaining(std::string_view text, std::vector<std::uint8_t>& dest, std::string& full_name) const;

  const std::vector<std::string>& names() const { return names_; }
  int count() const { return count_; }
  std::int32_t version() const { return version_; }
  std::int32_t name_list_length() const { return name_list_length_; }
  std::span<const std::int32_t> sizes() const { return {sizes_.data(), static_cast<std::size_t>(count_)}; }
  std::size_t store_size() const { return store_.size(); }

private:
  void copy_entry(int index, std::vector<std::uint8_t>& dest) const;

  std::vector<std::string> names_;
  int count_ = 0;
  std::array<std::int32_t, kMaxEntries> sizes_{};
  std::vector<std::uint8_t> store_;
  std::int32_t version_ = 0;
  std::int32_t name_list_length_ = 0;
};

// Lays out an uncompressed package of version 70000 (names joined by CR LF); entry names keep their
// case. Throws SkinPackageError for more entries than a package holds or names with line breaks.
std::vector<std::uint8_t> build_skin_package_body(std::span<const SkinEntry> entries);
// The body, compressed with the project's encoder and prefixed with its length.
std::vector<std::uint8_t> build_skin_package(std::span<const SkinEntry> entries);

}  // namespace skin
