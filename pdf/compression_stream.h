// A deflate (zlib format) output stream: bytes written to it arrive compressed in a memory buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace pdf {

enum class TCompressionLevel { clNone, clFastest, clDefault, clMax };

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TCompressionStream {
public:
  // Compressed bytes go to Dest (not owned) from its current end on.
  TCompressionStream(TCompressionLevel level, std::string& dest);
  // Finishes the stream when Finish was not called; a failure then leaves Dest incomplete, so
  // callers that must know call Finish themselves.
  ~TCompressionStream();
  TCompressionStream(const TCompressionStream&) = delete;
  TCompressionStream& operator=(const TCompressionStream&) = delete;

  std::size_t Write(const void* buffer, std::size_t count);
  std::size_t Write(std::string_view s) { return Write(s.data(), s.size()); }
  // Always raises ECompressionError "Invalid stream operation".
  [[noreturn]] std::size_t Read(void* buffer, std::size_t count);
  // Only a move of 0 from the current position: returns the uncompressed bytes taken so far.
  std::uint64_t Seek(std::int64_t offset, TSeekOrigin origin);
  // Flushes the rest of the deflate stream into Dest and releases the deflate state.
  void Finish();

private:
  void Flush(std::size_t count);

  struct State;
  std::unique_ptr<State> state_;
  std::string& dest_;
  std::size_t dest_pos_;
  bool finished_ = false;
};

// Deflates S into a new buffer.
std::string CompressString(std::string_view s, TCompressionLevel level = TCompressionLevel::clDefault);

}  // namespace pdf
