// The byte streams the XML reader reads from and the XML writer writes to. Package code adapts its
// archive entries to this interface; tests and the DOM use the memory streams below.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ooxml {

class XmlStream {
public:
  virtual ~XmlStream() = default;
  // Copies up to count bytes into buffer and returns how many were copied; 0 only at the end.
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Appends count bytes at the current position. Read-only streams throw core::Error.
  virtual void Write(const void* data, std::size_t count) = 0;
};

// A growable in-memory stream: writes append at the position, reads consume from it.
class XmlMemoryStream : public XmlStream {
public:
  XmlMemoryStream() = default;
  explicit XmlMemoryStream(std::string data) : data_(std::move(data)) {}

  std::size_t Read(void* buffer, std::size_t count) override;
  void Write(const void* data, std::size_t count) override;

  const std::string& Data() const { return data_; }
  std::string& Data() { return data_; }
  std::size_t Position() const { return pos_; }
  void SetPosition(std::size_t pos) { pos_ = pos < data_.size() ? pos : data_.size(); }

private:
  std::string data_;
  std::size_t pos_ = 0;
};

// Reads bytes the caller keeps alive, without copying them first.
class XmlViewStream : public XmlStream {
public:
  explicit XmlViewStream(std::string_view data) : data_(data) {}
  std::size_t Read(void* buffer, std::size_t count) override;
  void Write(const void* data, std::size_t count) override;

private:
  std::string_view data_;
  std::size_t pos_ = 0;
};

}  // namespace ooxml
