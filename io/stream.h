// The library's byte streams: a small Read/Write/Seek family over memory, borrowed buffers and
// files, used by the ZIP archive, the deflate streams and the file readers and writers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "io/exceptions.h"

namespace io {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
  virtual ~TStream() = default;

  // Reads up to Count bytes and returns how many were read (0 at the end).
  virtual std::int64_t Read(void* Buffer, std::int64_t Count) = 0;
  // Writes Count bytes and returns how many were taken.
  virtual std::int64_t Write(const void* Buffer, std::int64_t Count) = 0;
  // Moves the position and returns the new position.
  virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;
  virtual std::int64_t GetSize();
  // Streams that can change their size override this; the base raises.
  virtual void SetSize(std::int64_t NewSize);

  std::int64_t GetPosition() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(std::int64_t Pos) { Seek(Pos, TSeekOrigin::soBeginning); }

  // Exactly Count bytes or EStreamError "Stream read error" / "Stream write error".
  void ReadBuffer(void* Buffer, std::int64_t Count);
  void WriteBuffer(const void* Buffer, std::int64_t Count);
  // Copies Count bytes from Source's position (Count 0: all of Source from its start).
  std::int64_t CopyFrom(TStream& Source, std::int64_t Count);
};

// A stream over a block of memory it does not own; the position moves within [0, Size].
class TCustomMemoryStream : public TStream {
public:
  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t GetSize() override { return size_; }
  const std::uint8_t* Memory() const { return memory_; }

protected:
  void SetPointer(const std::uint8_t* P, std::int64_t Size);

  const std::uint8_t* memory_ = nullptr;
  std::int64_t size_ = 0;
  std::int64_t position_ = 0;
};

// Reads a block that the caller owns, in place; writing raises.
class TPointerMemoryStream : public TCustomMemoryStream {
public:
  TPointerMemoryStream() = default;
  TPointerMemoryStream(const void* P, std::int64_t Size) { SetPointer(P, Size); }
  void SetPointer(const void* P, std::int64_t Size);
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
};

// A growing stream over its own bytes.
class TMemoryStream : public TCustomMemoryStream {
public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<std::uint8_t> bytes);

  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  void SetSize(std::int64_t NewSize) override;
  void Clear();

  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  void LoadFromFile(const std::string& Path);
  void SaveToFile(const std::string& Path) const;

private:
  void sync() {
    memory_ = bytes_.data();
    size_ = static_cast<std::int64_t>(bytes_.size());
  }
  std::vector<std::uint8_t> bytes_;
};

// A file opened for reading, or created (truncated) for writing. Path is UTF-8.
class TFileStream : public TStream {
public:
  enum Mode { fmOpenRead, fmCreate };
  TFileStream(const std::string& Path, Mode M);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;

private:
  std::FILE* file_ = nullptr;
};

}  // namespace io
