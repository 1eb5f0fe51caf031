#include "xml/xml_stream.h"

#include <algorithm>
#include <cstring>

#include "core/error.h"

namespace ooxml {

std::size_t XmlMemoryStream::Read(void* buffer, std::size_t count) {
  std::size_t n = std::min(count, data_.size() - pos_);
  if (n) std::memcpy(buffer, data_.data() + pos_, n);
  pos_ += n;
  return n;
}

void XmlMemoryStream::Write(const void* data, std::size_t count) {
  if (count == 0) return;
  const char* bytes = static_cast<const char*>(data);
  if (pos_ == data_.size()) {
    data_.append(bytes, count);
  } else {
    if (pos_ + count > data_.size()) data_.resize(pos_ + count);
    std::memcpy(data_.data() + pos_, bytes, count);
  }
  pos_ += count;
}

std::size_t XmlViewStream::Read(void* buffer, std::size_t count) {
  std::size_t n = std::min(count, data_.size() - pos_);
  if (n) std::memcpy(buffer, data_.data() + pos_, n);
  pos_ += n;
  return n;
}

void XmlViewStream::Write(const void*, std::size_t) { throw core::Error("Stream is read-only"); }

}  // namespace ooxml
