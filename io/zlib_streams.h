// Deflate and inflate on top of zlib: streams that compress into or decompress from another
// stream, and whole-buffer helpers with the zlib wrapper.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "io/stream.h"

struct z_stream_s;

namespace io {

class EZlibError : public Exception {
public:
  using Exception::Exception;
};
class ECompressionError : public EZlibError {
public:
  using EZlibError::EZlibError;
};
class EDecompressionError : public EZlibError {
public:
  using EZlibError::EZlibError;
};

class TCustomZlibStream : public TStream {
public:
  ~TCustomZlibStream() override;
  TCustomZlibStream(const TCustomZlibStream&) = delete;
  TCustomZlibStream& operator=(const TCustomZlibStream&) = delete;

  // Called after each buffer written to or read from the underlying stream.
  std::function<void()> OnProgress;

protected:
  explicit TCustomZlibStream(TStream& Strm);
  void Progress() {
    if (OnProgress) OnProgress();
  }

  TStream& FStrm;
  std::int64_t FStrmPos;  // where this object last left the underlying stream
  std::unique_ptr<z_stream_s> FZRec;
  std::vector<std::uint8_t> FBuffer;  // 64 KB transfer buffer
};

// Compresses what is written into it. Finish() completes the deflate data; a stream freed
// without Finish() leaves its output incomplete (the owner decides when output is final).
class TCompressionStream : public TCustomZlibStream {
public:
  // LevelIndex 0..3: zlib level 0, 1, default or 9. Raw: deflate without the zlib wrapper.
  TCompressionStream(int LevelIndex, bool Raw, TStream& Dest);
  ~TCompressionStream() override;

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  // Only Seek(0, soCurrent), which returns BytesIn().
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;

  // Rewinds Source and compresses all of it.
  void CompressStream(TStream& Source);
  // Compresses the collected small writes.
  void FlushPending();
  void Finish();
  bool Finished() const { return finished_; }
  std::int64_t BytesIn() const { return bytesIn_; }
  // zlib CRC-32 of every byte accepted so far.
  std::uint32_t CRC32() const { return crc_; }

private:
  void CompressBlock(const std::uint8_t* P, std::int64_t Count);
  void WriteOut(std::size_t n);

  static constexpr std::size_t kPendingSize = 8191;
  std::vector<std::uint8_t> pending_;
  std::int64_t bytesIn_ = 0;
  std::uint32_t crc_ = 0;
  bool finished_ = false;
};

// Decompresses raw deflate data read from Source, starting at its current position. Limit, when
// not negative, is the most compressed bytes it takes from Source.
class TDecompressionStream : public TCustomZlibStream {
public:
  explicit TDecompressionStream(TStream& Source, std::int64_t Limit = -1);
  ~TDecompressionStream() override;

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  // Offset 0 from the current position gives the bytes produced; forward moves read and discard.
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;

  bool EndOfStream() const { return ended_; }
  std::int64_t TotalIn() const;
  std::int64_t TotalOut() const { return totalOut_; }

private:
  void Skip(std::int64_t Count);

  std::int64_t limit_;
  std::int64_t consumed_ = 0;
  std::int64_t totalOut_ = 0;
  bool ended_ = false;
};

// Whole buffers with the zlib wrapper: level 9 compression, and decompression with an output size
// estimate (0: none). Output beyond kZlibBufferLimit raises EDecompressionError.
inline constexpr std::size_t kZlibBufferLimit = 256u << 20;
void ZlibCompressBuffer(const void* InBuf, int InBytes, std::vector<std::uint8_t>& OutBuf);
void ZlibDecompressBuffer(const void* InBuf, int InBytes, int OutEstimate, std::vector<std::uint8_t>& OutBuf);

}  // namespace io
