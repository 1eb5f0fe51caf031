// Adapts the workbook library's byte streams to the XML layer's stream interface, so that package
// parts are parsed straight from their archive entries and saved straight into memory streams.
#pragma once

#include <cstddef>
#include <cstdint>

#include "xml/xml_stream.h"
#include "io/stream.h"

namespace ooxml {

class XmlOverTStream : public XmlStream {
public:
  explicit XmlOverTStream(io::TStream& stream) : stream_(stream) {}
  std::size_t Read(void* buffer, std::size_t count) override {
    std::int64_t n = stream_.Read(buffer, static_cast<std::int64_t>(count));
    return n > 0 ? static_cast<std::size_t>(n) : 0;
  }
  void Write(const void* data, std::size_t count) override {
    stream_.WriteBuffer(data, static_cast<std::int64_t>(count));
  }

private:
  io::TStream& stream_;
};

}  // namespace ooxml
