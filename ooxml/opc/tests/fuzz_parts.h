// Fuzz input of package readers: a list of parts ("name\n" then the bytes, records ended by NUL)
// packed into an archive, so that mutations reach relationships, content types and parts past the
// archive's checksums.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/unicode.h"
#include "io/zip_archive.h"

namespace opc_testing {

inline std::string PackParts(const std::uint8_t* data, std::size_t size) {
  io::TMemoryStream out;
  io::TXLSZipArchive zip;
  zip.OpenWrite(out);
  std::string text(reinterpret_cast<const char*>(data), size);
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\0', at);
    if (end == std::string::npos) end = text.size();
    std::string record = text.substr(at, end - at);
    at = end + 1;
    std::size_t nl = record.find('\n');
    if (nl == std::string::npos) continue;
    std::string body = record.substr(nl + 1);
    io::TMemoryStream s(std::vector<std::uint8_t>(body.begin(), body.end()));
    try {
      zip.AddStream(core::utf8_to_utf16(record.substr(0, nl)), s);
    } catch (const core::Error&) {
      // Names the archive refuses (repeated, unsafe) are left out.
    }
  }
  zip.Close();
  return std::string(out.Bytes().begin(), out.Bytes().end());
}

// The fuzz input's first byte picks its form: odd, a list of parts packed first; even, raw archive
// bytes. Read gets the archive.
inline void ReadFuzzPackage(const std::uint8_t* data, std::size_t size,
                            const std::function<void(const std::string&)>& Read) {
  if (size == 0) return;
  if (data[0] & 1) {
    std::string packed;
    try {
      packed = PackParts(data + 1, size - 1);
    } catch (const core::Error&) {
      return;
    }
    Read(packed);
  } else {
    Read(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  }
}

}  // namespace opc_testing
