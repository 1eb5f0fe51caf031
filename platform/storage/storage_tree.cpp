// The in-memory tree: names, element lookup, creation, removal and deep copies.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "core/unicode.h"
#include "platform/storage/compound_file.h"

namespace platform::storage {

namespace {

// Simple upper-casing of the scripts names are realistically written in; the order it gives only
// has to be stable and consistent with case-insensitive equality.
char16_t upper(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
  if (c < 0x00E0) return c;
  if (c <= 0x00FE) return c == 0x00F7 ? c : static_cast<char16_t>(c - 32);
  if (c == 0x00FF) return 0x0178;
  if (c >= 0x0100 && c <= 0x0137) return static_cast<char16_t>(c & ~1u);
  if ((c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E))
    return (c & 1u) ? c : static_cast<char16_t>(c - 1);
  if (c >= 0x014A && c <= 0x0177) return static_cast<char16_t>(c & ~1u);
  if (c >= 0x03B1 && c <= 0x03C9 && c != 0x03C2) return static_cast<char16_t>(c - 32);
  if (c >= 0x0430 && c <= 0x044F) return static_cast<char16_t>(c - 32);
  if (c >= 0x0450 && c <= 0x045F) return static_cast<char16_t>(c - 80);
  if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<char16_t>(c - 32);
  return c;
}

std::unique_ptr<Element> clone(const Element& e) {
  std::unique_ptr<Element> out;
  if (e.is_storage()) {
    auto s = std::make_unique<Storage>(e.name());
    static_cast<const Storage&>(e).copy_to(*s);
    out = std::move(s);
  } else {
    auto s = std::make_unique<Stream>(e.name());
    s->data = static_cast<const Stream&>(e).data;
    out = std::move(s);
  }
  out->clsid = e.clsid;
  out->state_bits = e.state_bits;
  out->created = e.created;
  out->modified = e.modified;
  return out;
}

}  // namespace

bool has_signature(core::ByteSpan data) {
  return data.size() >= kSignature.size() && std::equal(kSignature.begin(), kSignature.end(), data.begin());
}

bool is_storage_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::uint8_t head[8] = {};
  in.read(reinterpret_cast<char*>(head), sizeof head);
  return in.gcount() == sizeof head && has_signature(core::ByteSpan(head, sizeof head));
}

bool is_valid_name(std::u16string_view name) {
  if (name.empty() || name.size() > kMaxNameLength) return false;
  return std::none_of(name.begin(), name.end(), [](char16_t c) {
    return c == u'/' || c == u'\\' || c == u':' || c == u'!' || c == 0;
  });
}

int compare_names(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char16_t x = upper(a[i]), y = upper(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

Storage::~Storage() {
  // Release nested storages bottom-up without recursion depth tied to the file.
  std::vector<std::unique_ptr<Element>> pending = std::move(children_);
  while (!pending.empty()) {
    std::unique_ptr<Element> e = std::move(pending.back());
    pending.pop_back();
    if (e->is_storage()) {
      auto& kids = static_cast<Storage&>(*e).children_;
      for (auto& k : kids) pending.push_back(std::move(k));
      kids.clear();
    }
  }
}

Element* Storage::find(std::u16string_view name) const {
  auto it = std::lower_bound(children_.begin(), children_.end(), name,
                             [](const std::unique_ptr<Element>& e, std::u16string_view n) {
                               return compare_names(e->name(), n) < 0;
                             });
  if (it != children_.end() && compare_names((*it)->name(), name) == 0) return it->get();
  return nullptr;
}

Storage* Storage::open_storage(std::u16string_view name) const {
  Element* e = find(name);
  return e && e->is_storage() ? static_cast<Storage*>(e) : nullptr;
}

Stream* Storage::open_stream(std::u16string_view name) const {
  Element* e = find(name);
  return e && !e->is_storage() ? static_cast<Stream*>(e) : nullptr;
}

Element& Storage::insert(std::unique_ptr<Element> element) {
  auto it = std::lower_bound(children_.begin(), children_.end(), element->name(),
                             [](const std::unique_ptr<Element>& e, std::u16string_view n) {
                               return compare_names(e->name(), n) < 0;
                             });
  if (it != children_.end() && compare_names((*it)->name(), element->name()) == 0) {
    *it = std::move(element);
    return **it;
  }
  return **children_.insert(it, std::move(element));
}

Storage& Storage::create_storage(std::u16string_view name) {
  if (!is_valid_name(name)) throw StorageError("invalid element name \"" + core::u8(name) + "\"", kInvalidName);
  return static_cast<Storage&>(insert(std::make_unique<Storage>(std::u16string(name))));
}

Stream& Storage::create_stream(std::u16string_view name) {
  if (!is_valid_name(name)) throw StorageError("invalid element name \"" + core::u8(name) + "\"", kInvalidName);
  return static_cast<Stream&>(insert(std::make_unique<Stream>(std::u16string(name))));
}

bool Storage::destroy_element(std::u16string_view name) {
  for (auto it = children_.begin(); it != children_.end(); ++it) {
    if (compare_names((*it)->name(), name) == 0) {
      children_.erase(it);
      return true;
    }
  }
  return false;
}

void Storage::copy_to(Storage& dest) const {
  if (&dest == this) return;
  dest.clsid = clsid;
  for (const auto& child : children_) {
    if (child->is_storage()) {
      if (Storage* existing = dest.open_storage(child->name())) {
        static_cast<const Storage&>(*child).copy_to(*existing);
        continue;
      }
    }
    dest.insert(clone(*child));
  }
}

std::size_t Storage::depth() const {
  std::size_t deepest = 0;
  for (const auto& child : children_) {
    if (child->is_storage()) deepest = std::max(deepest, 1 + static_cast<const Storage&>(*child).depth());
  }
  return deepest;
}

CompoundFile::CompoundFile() : root_(std::make_unique<Storage>(u"Root Entry")) {}

CompoundFile CompoundFile::load(const std::string& path) { return parse(read_file(path)); }

void CompoundFile::save(const std::string& path) const { write_file_atomically(path, serialize()); }

std::size_t MemoryStream::read(void* buffer, std::size_t count) {
  if (pos_ >= data_->size()) return 0;
  std::size_t n = std::min<std::uint64_t>(count, data_->size() - pos_);
  std::copy_n(data_->data() + pos_, n, static_cast<std::uint8_t*>(buffer));
  pos_ += n;
  return n;
}

std::size_t MemoryStream::write(const void* buffer, std::size_t count) {
  if (count == 0) return 0;
  if (pos_ + count > kMaxStreamSize || pos_ + count < pos_)
    throw StorageError("stream would exceed the largest size a compound file holds", kMediumFull);
  if (pos_ + count > data_->size()) data_->resize(pos_ + count);
  const auto* src = static_cast<const std::uint8_t*>(buffer);
  std::copy_n(src, count, data_->data() + pos_);
  pos_ += count;
  return count;
}

std::uint64_t MemoryStream::seek(std::int64_t offset, SeekOrigin origin) {
  std::int64_t base = 0;
  if (origin == SeekOrigin::Current) base = static_cast<std::int64_t>(pos_);
  if (origin == SeekOrigin::End) base = static_cast<std::int64_t>(data_->size());
  std::int64_t target = base + offset;
  if (target < 0 || static_cast<std::uint64_t>(target) > kMaxStreamSize)
    throw StorageError("seek outside the stream", kInvalidFunction);
  pos_ = static_cast<std::uint64_t>(target);
  return pos_;
}

core::Bytes read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw StorageError("cannot open \"" + path + "\"", kFileNotFound);
  core::Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw StorageError("cannot read \"" + path + "\"", kReadFault);
  return bytes;
}

void write_file_atomically(const std::string& path, core::ByteSpan bytes) {
  std::string temp = path + ".tmp" + std::to_string(::getpid());
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) throw StorageError("cannot create \"" + temp + "\"", kWriteFault);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      out.close();
      std::remove(temp.c_str());
      throw StorageError("cannot write \"" + temp + "\"", kWriteFault);
    }
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    throw StorageError("cannot replace \"" + path + "\"", kWriteFault);
  }
}

}  // namespace platform::storage
