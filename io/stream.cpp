#include "io/stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace io {

std::int64_t TStream::GetSize() {
  std::int64_t pos = Seek(0, TSeekOrigin::soCurrent);
  std::int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(pos, TSeekOrigin::soBeginning);
  return size;
}

void TStream::SetSize(std::int64_t) { throw EStreamError("Stream size can not be changed"); }

void TStream::ReadBuffer(void* Buffer, std::int64_t Count) {
  if (Count < 0 || Read(Buffer, Count) != Count) throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, std::int64_t Count) {
  if (Count < 0 || Write(Buffer, Count) != Count) throw EStreamError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& Source, std::int64_t Count) {
  if (Count == 0) {
    Source.SetPosition(0);
    Count = Source.GetSize();
  }
  std::int64_t total = Count;
  std::vector<std::uint8_t> buf(static_cast<std::size_t>(std::min<std::int64_t>(Count, 65536)) + 1);
  while (Count > 0) {
    std::int64_t n = std::min<std::int64_t>(Count, static_cast<std::int64_t>(buf.size()));
    Source.ReadBuffer(buf.data(), n);
    WriteBuffer(buf.data(), n);
    Count -= n;
  }
  return total;
}

void TCustomMemoryStream::SetPointer(const std::uint8_t* P, std::int64_t Size) {
  memory_ = P;
  size_ = Size < 0 ? 0 : Size;
  position_ = 0;
}

std::int64_t TCustomMemoryStream::Read(void* Buffer, std::int64_t Count) {
  if (Count <= 0 || position_ >= size_) return 0;
  std::int64_t n = std::min(Count, size_ - position_);
  std::memcpy(Buffer, memory_ + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

std::int64_t TCustomMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  std::int64_t base = Origin == TSeekOrigin::soBeginning ? 0 : Origin == TSeekOrigin::soCurrent ? position_ : size_;
  std::int64_t target = base + Offset;
  if (target < 0) throw EStreamError("Stream seek error");
  // A position past the end is allowed, as for files; reads there return nothing.
  position_ = target;
  return position_;
}

void TPointerMemoryStream::SetPointer(const void* P, std::int64_t Size) {
  TCustomMemoryStream::SetPointer(static_cast<const std::uint8_t*>(P), Size);
}

std::int64_t TPointerMemoryStream::Write(const void*, std::int64_t) {
  throw EStreamError("Stream write error");
}

TMemoryStream::TMemoryStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) { sync(); }

std::int64_t TMemoryStream::Write(const void* Buffer, std::int64_t Count) {
  if (Count <= 0) return 0;
  std::int64_t end = position_ + Count;
  if (end > static_cast<std::int64_t>(bytes_.size())) bytes_.resize(static_cast<std::size_t>(end));
  std::memcpy(bytes_.data() + position_, Buffer, static_cast<std::size_t>(Count));
  position_ = end;
  sync();
  return Count;
}

void TMemoryStream::SetSize(std::int64_t NewSize) {
  if (NewSize < 0) throw EStreamError("Stream size can not be changed");
  bytes_.resize(static_cast<std::size_t>(NewSize));
  if (position_ > NewSize) position_ = NewSize;
  sync();
}

void TMemoryStream::Clear() {
  bytes_.clear();
  position_ = 0;
  sync();
}

void TMemoryStream::LoadFromFile(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  if (!in) throw EStreamError("Cannot open file \"" + Path + "\"");
  bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  position_ = 0;
  sync();
}

void TMemoryStream::SaveToFile(const std::string& Path) const {
  std::ofstream out(Path, std::ios::binary | std::ios::trunc);
  if (!out) throw EStreamError("Cannot create file \"" + Path + "\"");
  out.write(reinterpret_cast<const char*>(bytes_.data()), static_cast<std::streamsize>(bytes_.size()));
  if (!out) throw EStreamError("Stream write error");
}

TFileStream::TFileStream(const std::string& Path, Mode M) {
  file_ = std::fopen(Path.c_str(), M == fmCreate ? "w+b" : "rb");
  if (!file_) {
    throw EStreamError((M == fmCreate ? "Cannot create file \"" : "Cannot open file \"") + Path + "\". " +
                       std::strerror(errno));
  }
}

TFileStream::~TFileStream() {
  if (file_) std::fclose(file_);
}

std::int64_t TFileStream::Read(void* Buffer, std::int64_t Count) {
  if (Count <= 0) return 0;
  return static_cast<std::int64_t>(std::fread(Buffer, 1, static_cast<std::size_t>(Count), file_));
}

std::int64_t TFileStream::Write(const void* Buffer, std::int64_t Count) {
  if (Count <= 0) return 0;
  return static_cast<std::int64_t>(std::fwrite(Buffer, 1, static_cast<std::size_t>(Count), file_));
}

std::int64_t TFileStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  int whence = Origin == TSeekOrigin::soBeginning ? SEEK_SET : Origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
  if (fseeko(file_, static_cast<off_t>(Offset), whence) != 0) throw EStreamError("Stream seek error");
  return static_cast<std::int64_t>(ftello(file_));
}

}  // namespace io
