#include "io/zlib_streams.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace io {

namespace {

constexpr std::size_t kTransferSize = 65536;
constexpr const char* kZlibError = "ZLib decompress error";
constexpr const char* kInvalidOperation = "Invalid stream operation";

}  // namespace

TCustomZlibStream::TCustomZlibStream(TStream& Strm)
    : FStrm(Strm), FStrmPos(Strm.GetPosition()), FZRec(std::make_unique<z_stream_s>()), FBuffer(kTransferSize) {
  std::memset(FZRec.get(), 0, sizeof(z_stream_s));
}

TCustomZlibStream::~TCustomZlibStream() = default;

// ---- compression ----------------------------------------------------------------------------

TCompressionStream::TCompressionStream(int LevelIndex, bool Raw, TStream& Dest) : TCustomZlibStream(Dest) {
  static constexpr int kLevels[4] = {0, 1, Z_DEFAULT_COMPRESSION, 9};
  int level = kLevels[std::clamp(LevelIndex, 0, 3)];
  int rc = Raw ? deflateInit2(FZRec.get(), level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) : deflateInit(FZRec.get(), level);
  if (rc != Z_OK) throw ECompressionError(kZlibError);
  FZRec->next_out = FBuffer.data();
  FZRec->avail_out = static_cast<uInt>(FBuffer.size());
  pending_.reserve(kPendingSize);
  crc_ = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
}

TCompressionStream::~TCompressionStream() { deflateEnd(FZRec.get()); }

std::int64_t TCompressionStream::Read(void*, std::int64_t) { throw ECompressionError(kInvalidOperation); }

std::int64_t TCompressionStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  if (Offset == 0 && Origin == TSeekOrigin::soCurrent) return bytesIn_;
  throw ECompressionError(kInvalidOperation);
}

std::int64_t TCompressionStream::Write(const void* Buffer, std::int64_t Count) {
  if (finished_) throw ECompressionError(kInvalidOperation);
  if (Count <= 0) return 0;
  const auto* p = static_cast<const std::uint8_t*>(Buffer);
  for (std::int64_t done = 0; done < Count;) {
    uInt n = static_cast<uInt>(std::min<std::int64_t>(Count - done, 1 << 30));
    crc_ = static_cast<std::uint32_t>(crc32(crc_, p + done, n));
    done += n;
  }
  bytesIn_ += Count;
  std::size_t n = static_cast<std::size_t>(Count);
  if (n < kPendingSize + 1 && pending_.size() + n < kPendingSize + 1) {
    pending_.insert(pending_.end(), p, p + n);
  } else if (n < kPendingSize + 1) {
    FlushPending();
    pending_.assign(p, p + n);
  } else {
    FlushPending();
    CompressBlock(p, Count);
  }
  return Count;
}

void TCompressionStream::FlushPending() {
  if (pending_.empty()) return;
  CompressBlock(pending_.data(), static_cast<std::int64_t>(pending_.size()));
  pending_.clear();
}

void TCompressionStream::WriteOut(std::size_t n) {
  if (FStrm.GetPosition() != FStrmPos) FStrm.SetPosition(FStrmPos);
  FStrm.WriteBuffer(FBuffer.data(), static_cast<std::int64_t>(n));
  FStrmPos = FStrm.GetPosition();
  FZRec->next_out = FBuffer.data();
  FZRec->avail_out = static_cast<uInt>(FBuffer.size());
  Progress();
}

void TCompressionStream::CompressBlock(const std::uint8_t* P, std::int64_t Count) {
  std::int64_t done = 0;
  while (done < Count) {
    uInt n = static_cast<uInt>(std::min<std::int64_t>(Count - done, 1 << 30));
    FZRec->next_in = const_cast<Bytef*>(P + done);
    FZRec->avail_in = n;
    while (FZRec->avail_in > 0) {
      if (deflate(FZRec.get(), Z_NO_FLUSH) < 0) throw ECompressionError(kZlibError);
      if (FZRec->avail_out == 0) WriteOut(FBuffer.size());
    }
    done += n;
  }
}

void TCompressionStream::CompressStream(TStream& Source) {
  Source.SetPosition(0);
  std::vector<std::uint8_t> buf(kTransferSize);
  for (;;) {
    std::int64_t n = Source.Read(buf.data(), static_cast<std::int64_t>(buf.size()));
    if (n <= 0) break;
    Write(buf.data(), n);
  }
}

void TCompressionStream::Finish() {
  if (finished_) return;
  FlushPending();
  FZRec->next_in = nullptr;
  FZRec->avail_in = 0;
  for (;;) {
    int rc = deflate(FZRec.get(), Z_FINISH);
    if (rc < 0 && rc != Z_BUF_ERROR) throw ECompressionError(kZlibError);
    if (rc == Z_STREAM_END) break;
    if (FZRec->avail_out == 0) WriteOut(FBuffer.size());
  }
  std::size_t left = FBuffer.size() - FZRec->avail_out;
  if (left > 0) WriteOut(left);
  finished_ = true;
}

// ---- decompression --------------------------------------------------------------------------

TDecompressionStream::TDecompressionStream(TStream& Source, std::int64_t Limit) : TCustomZlibStream(Source), limit_(Limit) {
  if (inflateInit2(FZRec.get(), -15) != Z_OK) throw EDecompressionError(kZlibError);
}

TDecompressionStream::~TDecompressionStream() { inflateEnd(FZRec.get()); }

std::int64_t TDecompressionStream::TotalIn() const { return static_cast<std::int64_t>(FZRec->total_in); }

std::int64_t TDecompressionStream::Write(const void*, std::int64_t) { throw EDecompressionError(kInvalidOperation); }

std::int64_t TDecompressionStream::Read(void* Buffer, std::int64_t Count) {
  if (Count <= 0 || ended_) return 0;
  auto* out = static_cast<std::uint8_t*>(Buffer);
  std::int64_t produced = 0;
  while (produced < Count && !ended_) {
    if (FZRec->avail_in == 0) {
      std::int64_t want = static_cast<std::int64_t>(FBuffer.size());
      if (limit_ >= 0) want = std::min(want, limit_ - consumed_);
      if (want <= 0) break;
      if (FStrm.GetPosition() != FStrmPos) FStrm.SetPosition(FStrmPos);
      std::int64_t got = FStrm.Read(FBuffer.data(), want);
      if (got <= 0) break;
      consumed_ += got;
      FStrmPos = FStrm.GetPosition();
      FZRec->next_in = FBuffer.data();
      FZRec->avail_in = static_cast<uInt>(got);
      Progress();
    }
    uInt room = static_cast<uInt>(std::min<std::int64_t>(Count - produced, 1 << 30));
    FZRec->next_out = out + produced;
    FZRec->avail_out = room;
    int rc = inflate(FZRec.get(), Z_NO_FLUSH);
    produced += room - FZRec->avail_out;
    if (rc == Z_STREAM_END) {
      ended_ = true;
    } else if (rc == Z_BUF_ERROR) {
      if (FZRec->avail_in != 0) throw EDecompressionError(kZlibError);
    } else if (rc != Z_OK) {
      throw EDecompressionError(kZlibError);
    }
  }
  totalOut_ += produced;
  return produced;
}

void TDecompressionStream::Skip(std::int64_t Count) {
  std::uint8_t buf[4096];
  while (Count > 0) {
    std::int64_t n = std::min<std::int64_t>(Count, sizeof buf);
    ReadBuffer(buf, n);
    Count -= n;
  }
}

std::int64_t TDecompressionStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  if (Origin == TSeekOrigin::soCurrent && Offset >= 0) {
    Skip(Offset);
  } else if (Origin == TSeekOrigin::soBeginning && Offset >= totalOut_) {
    Skip(Offset - totalOut_);
  } else {
    throw EDecompressionError(kInvalidOperation);
  }
  return totalOut_;
}

// ---- whole buffers --------------------------------------------------------------------------

void ZlibCompressBuffer(const void* InBuf, int InBytes, std::vector<std::uint8_t>& OutBuf) {
  if (InBytes < 0) InBytes = 0;
  std::size_t size = (static_cast<std::size_t>(InBytes) + InBytes / 10 + 267) & ~std::size_t(255);
  OutBuf.assign(size, 0);
  z_stream z{};
  if (deflateInit(&z, 9) != Z_OK) throw ECompressionError(kZlibError);
  z.next_in = static_cast<Bytef*>(const_cast<void*>(InBuf));
  z.avail_in = static_cast<uInt>(InBytes);
  for (;;) {
    z.next_out = OutBuf.data() + z.total_out;
    z.avail_out = static_cast<uInt>(OutBuf.size() - z.total_out);
    int rc = deflate(&z, Z_FINISH);
    if (rc == Z_STREAM_END) break;
    if (rc < 0 && rc != Z_BUF_ERROR) {
      deflateEnd(&z);
      OutBuf.clear();
      throw ECompressionError(kZlibError);
    }
    if (z.avail_out == 0) OutBuf.resize(OutBuf.size() + 256);
  }
  OutBuf.resize(z.total_out);
  deflateEnd(&z);
}

void ZlibDecompressBuffer(const void* InBuf, int InBytes, int OutEstimate, std::vector<std::uint8_t>& OutBuf) {
  if (InBytes < 0) InBytes = 0;
  std::size_t step = (static_cast<std::size_t>(InBytes) + 255) & ~std::size_t(255);
  if (step == 0) step = 256;
  std::size_t size = OutEstimate > 0 ? static_cast<std::size_t>(OutEstimate) : step;
  size = std::min(size, kZlibBufferLimit);
  OutBuf.assign(size, 0);
  z_stream z{};
  if (inflateInit(&z) != Z_OK) throw EDecompressionError(kZlibError);
  z.next_in = static_cast<Bytef*>(const_cast<void*>(InBuf));
  z.avail_in = static_cast<uInt>(InBytes);
  auto fail = [&] {
    inflateEnd(&z);
    OutBuf.clear();
    throw EDecompressionError(kZlibError);
  };
  for (;;) {
    z.next_out = OutBuf.data() + z.total_out;
    z.avail_out = static_cast<uInt>(OutBuf.size() - z.total_out);
    int rc = inflate(&z, Z_FINISH);
    if (rc == Z_STREAM_END) break;
    if (rc == Z_BUF_ERROR && z.avail_out == 0) {
      if (OutBuf.size() + step > kZlibBufferLimit) fail();
      OutBuf.resize(OutBuf.size() + step);
      continue;
    }
    // Any other result, including input that ends before the stream does, is an error.
    fail();
  }
  OutBuf.resize(z.total_out);
  inflateEnd(&z);
}

}  // namespace io
