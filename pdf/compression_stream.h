// The writer deflates streams (zlib format) through the I/O layer's compression stream; a level
// names its zlib level, and CompressString deflates one buffer.
#pragma once

#include <string>
#include <string_view>

#include "io/zlib_streams.h"

namespace pdf {

// zlib levels 0, 1, default and 9, in the order of the compression stream's level index.
enum class TCompressionLevel { clNone, clFastest, clDefault, clMax };

using TCompressionStream = io::TCompressionStream;
using TSeekOrigin = io::TSeekOrigin;

// Deflates S with the zlib wrapper into a new buffer.
std::string CompressString(std::string_view s, TCompressionLevel level = TCompressionLevel::clDefault);

}  // namespace pdf
