// Where the content of finished pages waits for the end of the document: a temporary file beside
// the output, without a name, so that a long document does not hold every page in memory. The bytes
// come back unchanged when the page is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pdf {

class TContentSpool {
public:
  // The spool file is made on first use in the folder of OutputPath.
  explicit TContentSpool(std::string output_path) : output_path_(std::move(output_path)) {}
  ~TContentSpool();
  TContentSpool(const TContentSpool&) = delete;
  TContentSpool& operator=(const TContentSpool&) = delete;

  // Appends the bytes and answers where they went; false when no spool file can be made or written
  // (a full disk), and then for good: the caller keeps its bytes.
  bool Put(std::string_view bytes, std::uint64_t& offset);
  // The bytes put at Offset; core::Error when they cannot be read back.
  std::string Get(std::uint64_t offset, std::size_t size) const;

private:
  bool Open();

  std::string output_path_;
  int fd_ = -1;
  bool unusable_ = false;
  std::uint64_t size_ = 0;
};

}  // namespace pdf
