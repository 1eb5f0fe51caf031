#include "pdf/compression_stream.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "pdf/errors.h"

namespace pdf {

namespace {
constexpr std::size_t kBufferSize = 65536;

int ZLevel(TCompressionLevel level) {
  switch (level) {
    case TCompressionLevel::clNone: return 0;
    case TCompressionLevel::clFastest: return 1;
    case TCompressionLevel::clDefault: return Z_DEFAULT_COMPRESSION;
    case TCompressionLevel::clMax: return 9;
  }
  return Z_DEFAULT_COMPRESSION;
}

int CompressionCheck(int code) {
  if (code < 0) throw ECompressionError("Compression error");
  return code;
}
}  // namespace

struct TCompressionStream::State {
  z_stream zs{};
  std::vector<unsigned char> buffer = std::vector<unsigned char>(kBufferSize);
  bool initialised = false;
};

TCompressionStream::TCompressionStream(TCompressionLevel level, std::string& dest)
    : state_(std::make_unique<State>()), dest_(dest), dest_pos_(dest.size()) {
  CompressionCheck(deflateInit(&state_->zs, ZLevel(level)));
  state_->initialised = true;
  state_->zs.next_out = state_->buffer.data();
  state_->zs.avail_out = static_cast<uInt>(kBufferSize);
}

TCompressionStream::~TCompressionStream() {
  if (!finished_) {
    try {
      Finish();
    } catch (const ECompressionError&) {
      // Finish released the state already; nothing else to undo.
    }
  }
}

void TCompressionStream::Flush(std::size_t count) {
  if (count == 0) return;
  if (dest_.size() < dest_pos_ + count) dest_.resize(dest_pos_ + count);
  std::memcpy(dest_.data() + dest_pos_, state_->buffer.data(), count);
  dest_pos_ += count;
  state_->zs.next_out = state_->buffer.data();
  state_->zs.avail_out = static_cast<uInt>(kBufferSize);
}

std::size_t TCompressionStream::Write(const void* buffer, std::size_t count) {
  if (finished_) throw ECompressionError("Invalid stream operation");
  z_stream& zs = state_->zs;
  const auto* p = static_cast<const unsigned char*>(buffer);
  std::size_t left = count;
  while (left > 0) {
    const uInt chunk = static_cast<uInt>(std::min<std::size_t>(left, 1u << 30));
    zs.next_in = const_cast<unsigned char*>(p);
    zs.avail_in = chunk;
    while (zs.avail_in > 0) {
      CompressionCheck(deflate(&zs, Z_NO_FLUSH));
      if (zs.avail_out == 0) Flush(kBufferSize);
    }
    p += chunk;
    left -= chunk;
  }
  return count;
}

std::size_t TCompressionStream::Read(void*, std::size_t) {
  throw ECompressionError("Invalid stream operation");
}

std::uint64_t TCompressionStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  if (offset != 0 || origin != TSeekOrigin::soCurrent) throw ECompressionError("Invalid stream operation");
  return state_->zs.total_in;
}

void TCompressionStream::Finish() {
  if (finished_) return;
  finished_ = true;
  z_stream& zs = state_->zs;
  try {
    zs.next_in = nullptr;
    zs.avail_in = 0;
    for (;;) {
      const int code = CompressionCheck(deflate(&zs, Z_FINISH));
      if (code == Z_STREAM_END) break;
      if (zs.avail_out == 0) Flush(kBufferSize);
    }
    Flush(kBufferSize - zs.avail_out);
  } catch (...) {
    deflateEnd(&zs);
    state_->initialised = false;
    throw;
  }
  deflateEnd(&zs);
  state_->initialised = false;
}

std::string CompressString(std::string_view s, TCompressionLevel level) {
  std::string out;
  TCompressionStream z(level, out);
  z.Write(s);
  z.Finish();
  return out;
}

}  // namespace pdf
