// Compound files (structured storage): a tree of storages and streams held wholly in memory, read
// from and written to the published sector format. Reading checks every sector chain for bounds,
// cycles and cross-links and the directory for a valid tree; writing is deterministic (same tree,
// same bytes).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/byte_io.h"
#include "core/error.h"

namespace platform::storage {

// Error codes keep the numbers of the platform's storage errors, so that callers that report the
// code show the familiar value.
enum StorageErrorCode : std::int32_t {
  kFileNotFound = static_cast<std::int32_t>(0x80030002u),
  kInvalidName = static_cast<std::int32_t>(0x800300FCu),
  kInvalidHeader = static_cast<std::int32_t>(0x800300FBu),
  kDocfileCorrupt = static_cast<std::int32_t>(0x80030109u),
  kMediumFull = static_cast<std::int32_t>(0x80030070u),
  kWriteFault = static_cast<std::int32_t>(0x8003001Du),
  kReadFault = static_cast<std::int32_t>(0x8003001Eu),
  kInvalidFunction = static_cast<std::int32_t>(0x80030001u),
};

class StorageError : public core::Error {
public:
  StorageError(const std::string& message, StorageErrorCode code) : core::Error(message, code) {}
};

// The 8 bytes every compound file starts with.
inline constexpr std::array<std::uint8_t, 8> kSignature = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

bool has_signature(core::ByteSpan data);
// True when the named file exists and starts with the signature.
bool is_storage_file(const std::string& path);

using Clsid = std::array<std::uint8_t, 16>;

// Element names hold at most 31 UTF-16 units and none of '/', '\\', ':', '!'.
inline constexpr std::size_t kMaxNameLength = 31;
bool is_valid_name(std::u16string_view name);
// The format's name order: shorter names first, then unit by unit after upper-casing.
int compare_names(std::u16string_view a, std::u16string_view b);

class Storage;
class Stream;

class Element {
public:
  virtual ~Element() = default;
  Element(const Element&) = delete;
  Element& operator=(const Element&) = delete;

  const std::u16string& name() const { return name_; }
  virtual bool is_storage() const = 0;

  // Carried through reading, copying and writing; new elements have zeros.
  Clsid clsid{};
  std::uint32_t state_bits = 0;
  std::uint64_t created = 0;
  std::uint64_t modified = 0;

protected:
  explicit Element(std::u16string name) : name_(std::move(name)) {}

private:
  friend class Storage;
  std::u16string name_;
};

class Stream : public Element {
public:
  explicit Stream(std::u16string name) : Element(std::move(name)) {}
  bool is_storage() const override { return false; }

  core::Bytes data;
};

class Storage : public Element {
public:
  explicit Storage(std::u16string name) : Element(std::move(name)) {}
  ~Storage() override;
  bool is_storage() const override { return true; }

  // Children in the format's name order.
  const std::vector<std::unique_ptr<Element>>& elements() const { return children_; }

  // Names are matched without regard to letter case. nullptr when absent or of the other kind.
  Element* find(std::u16string_view name) const;
  Storage* open_storage(std::u16string_view name) const;
  Stream* open_stream(std::u16string_view name) const;

  // Create an element, replacing any element of the same name. Invalid names raise kInvalidName.
  Storage& create_storage(std::u16string_view name);
  Stream& create_stream(std::u16string_view name);
  // False when no element has the name.
  bool destroy_element(std::u16string_view name);

  // Copies this storage's class id and every element into dest. A stream replaces an element of
  // the same name; a storage is merged into a storage of the same name.
  void copy_to(Storage& dest) const;

  // Depth of the deepest nesting below this storage (0 for a storage without sub-storages).
  std::size_t depth() const;

private:
  friend class CompoundFileReader;
  Element& insert(std::unique_ptr<Element> element);
  std::vector<std::unique_ptr<Element>> children_;
};

// Storages nest at most this deep; deeper files are refused, so that no walk over a tree can
// exhaust the stack.
inline constexpr std::size_t kMaxStorageDepth = 64;

class CompoundFile {
public:
  CompoundFile();
  CompoundFile(CompoundFile&&) noexcept = default;
  CompoundFile& operator=(CompoundFile&&) noexcept = default;

  Storage& root() { return *root_; }
  const Storage& root() const { return *root_; }

  // Parses a whole file. Damaged input raises StorageError (kInvalidHeader, kDocfileCorrupt).
  static CompoundFile parse(core::ByteSpan bytes);
  static CompoundFile load(const std::string& path);

  // Version 3 layout, 512-byte sectors, streams under 4096 bytes in the mini stream.
  core::Bytes serialize() const;
  // Writes to a temporary file beside path and renames it, so a failed save leaves no half file.
  void save(const std::string& path) const;

private:
  std::unique_ptr<Storage> root_;
};

enum class SeekOrigin { Begin, Current, End };

// A read/write cursor over a stream's bytes (which it does not own), as a stream object offers:
// reads stop at the end, writes grow the data, seeking past the end is allowed and a later write
// fills the gap with zeros.
class MemoryStream {
public:
  explicit MemoryStream(core::Bytes& data) : data_(&data) {}

  std::size_t read(void* buffer, std::size_t count);
  std::size_t write(const void* buffer, std::size_t count);
  // Raises kInvalidFunction for a position before the start.
  std::uint64_t seek(std::int64_t offset, SeekOrigin origin);
  std::uint64_t position() const { return pos_; }
  std::uint64_t size() const { return data_->size(); }
  core::Bytes& data() { return *data_; }

private:
  core::Bytes* data_;
  std::uint64_t pos_ = 0;
};

// Streams larger than this cannot be written in the version 3 layout.
inline constexpr std::uint64_t kMaxStreamSize = 0xFFFFFFFFu;

// Reads a whole file into memory; raises kFileNotFound / kReadFault.
core::Bytes read_file(const std::string& path);
// Writes bytes through a temporary file and a rename; raises kWriteFault.
void write_file_atomically(const std::string& path, core::ByteSpan bytes);

}  // namespace platform::storage
