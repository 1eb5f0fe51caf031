#include "pdf/compression_stream.h"

#include <zlib.h>

#include <algorithm>
#include <array>

namespace pdf {
namespace {

constexpr const char* kZlibError = "ZLib decompress error";

// A deflate state kept for the thread and reset for each string. Its buffers are some hundreds of
// kilobytes; made and freed for every page they were given back to the system and faulted in again
// each time, which cost more than the compression itself.
class TDeflater {
public:
  explicit TDeflater(int level) : level_(level) {
    if (deflateInit(&z_, level) != Z_OK) throw io::ECompressionError(kZlibError);
  }
  ~TDeflater() { deflateEnd(&z_); }
  TDeflater(const TDeflater&) = delete;
  TDeflater& operator=(const TDeflater&) = delete;

  std::string Compress(std::string_view s, int level) {
    if (deflateReset(&z_) != Z_OK) throw io::ECompressionError(kZlibError);
    // Nothing has been taken in since the reset, so the new level holds from the first byte.
    if (level != level_ && deflateParams(&z_, level, Z_DEFAULT_STRATEGY) != Z_OK) throw io::ECompressionError(kZlibError);
    level_ = level;
    constexpr std::size_t kChunk = std::size_t{1} << 30;  // what one call of zlib takes at most
    std::string out(std::min<std::size_t>(deflateBound(&z_, static_cast<uLong>(std::min(s.size(), kChunk))), kChunk), '\0');
    std::size_t in_done = 0, out_done = 0;
    for (;;) {
      if (z_.avail_in == 0 && in_done < s.size()) {
        const std::size_t n = std::min(s.size() - in_done, kChunk);
        z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(s.data() + in_done));
        z_.avail_in = static_cast<uInt>(n);
        in_done += n;
      }
      if (out_done == out.size()) out.resize(out.size() + std::max<std::size_t>(out.size() / 2, 4096));
      const std::size_t room = std::min(out.size() - out_done, kChunk);
      z_.next_out = reinterpret_cast<Bytef*>(out.data() + out_done);
      z_.avail_out = static_cast<uInt>(room);
      const int rc = deflate(&z_, in_done == s.size() ? Z_FINISH : Z_NO_FLUSH);
      if (rc < 0 && rc != Z_BUF_ERROR) throw io::ECompressionError(kZlibError);
      out_done += room - z_.avail_out;
      if (rc == Z_STREAM_END) break;
    }
    out.resize(out_done);
    return out;
  }

private:
  z_stream z_{};
  int level_;
};

}  // namespace

std::string CompressString(std::string_view s, TCompressionLevel level) {
  static constexpr std::array<int, 4> kLevels = {0, 1, Z_DEFAULT_COMPRESSION, 9};
  const int z_level = kLevels[std::min<std::size_t>(static_cast<std::size_t>(level), kLevels.size() - 1)];
  thread_local TDeflater deflater(z_level);
  return deflater.Compress(s, z_level);
}

}  // namespace pdf
