#include "pdf/compression_stream.h"

#include "io/stream.h"

namespace pdf {

std::string CompressString(std::string_view s, TCompressionLevel level) {
  io::TMemoryStream out;
  TCompressionStream z(static_cast<int>(level), false, out);
  z.Write(s.data(), static_cast<std::int64_t>(s.size()));
  z.Finish();
  return std::string(out.Bytes().begin(), out.Bytes().end());
}

}  // namespace pdf
