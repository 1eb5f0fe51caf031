// ZIP archives: TXLSZipArchive reads the directory of an archive held in a stream and hands out its
// entries as read-only streams (TXLSZipFile), and writes new archives entry by entry with stored
// and deflated entries. TXLSZipArchiveIntf is the archive interface the package layer works through.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <vector>

#include "core/clock.h"
#include "io/stream.h"
#include "io/zlib_streams.h"

namespace io {

// The fields a local header and its central directory record both carry.
struct TZipEntryHeader {
  std::uint16_t VersionNeeded = 20;
  std::uint16_t Flags = 0;
  std::uint16_t Method = 8;
  std::uint16_t Time = 0;
  std::uint16_t Date = 0;
  std::uint32_t CRC32 = 0;
  std::uint32_t CompressedSize = 0;
  std::uint32_t UncompressedSize = 0;
  std::uint16_t NameLength = 0;
  std::uint16_t ExtraLength = 0;
  std::string Name;   // raw bytes
  std::string Extra;  // raw bytes
};

struct TLocalFile : TZipEntryHeader {
  std::uint32_t Signature = 0x04034B50;
  std::int64_t DataOffset = 0;
};

struct TCentralDirectoryFile : TZipEntryHeader {
  std::uint32_t Signature = 0x02014B50;
  std::uint16_t VersionMadeBy = 20;
  std::uint16_t CommentLength = 0;
  std::uint16_t DiskNumberStart = 0;
  std::uint16_t InternalAttributes = 0;
  std::uint32_t ExternalAttributes = 32;
  std::uint32_t LocalHeaderOffset = 0;
  std::string Comment;
};

struct TEndOfCentralDir {
  std::uint32_t Signature = 0x06054B50;
  std::uint16_t DiskNumber = 0;
  std::uint16_t CentralDirDisk = 0;
  std::uint16_t EntriesThisDisk = 0;
  std::uint16_t TotalEntries = 0;
  std::uint32_t CentralDirSize = 0;
  std::uint32_t CentralDirOffset = 0;
  std::uint16_t CommentLength = 0;
};

// General purpose flag bits the archive looks at.
inline constexpr std::uint16_t kZipFlagDataDescriptor = 0x0008;
inline constexpr std::uint16_t kZipFlagUtf8 = 0x0800;

class TXLSZipArchive;

// A deflated entry that has given more than kZipRatioFloor bytes may give at most kZipMaxRatio times
// the compressed bytes it has taken so far; more is refused as a ZIP bomb. Real workbook parts stay
// far under it (a sheet of repeated values without cell references inflates some 200 times);
// deflate's own limit is about 1,030.
inline constexpr std::int64_t kZipRatioFloor = 4 << 20;
inline constexpr std::int64_t kZipMaxRatio = 500;

// One entry of an archive, readable as a stream of its uncompressed bytes (positions 0..size)
// between Open and CloseData. Reading to the end checks the CRC-32 and the sizes.
class TXLSZipFile : public TStream {
public:
  TXLSZipFile(TXLSZipArchive* Archive, const TCentralDirectoryFile& Central);
  ~TXLSZipFile() override;

  void Open();
  void CloseData();
  bool IsOpen() const { return open_; }
  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t GetSize() override { return GetUncompressedSize(); }
  // Copies the whole entry into Target.
  void ExtractToStream(TStream& Target);

  const std::u16string& GetName() const { return name_; }
  std::uint32_t GetUncompressedSize() const;
  std::uint32_t GetCompressedSize() const;
  std::uint32_t GetCRC32() const;
  std::uint16_t GetMethod() const { return Central.Method; }
  // The entry's modification time; false when the archive holds no valid DOS date and time.
  bool GetDateTime(core::LocalTime& Value) const;

  TCentralDirectoryFile Central;
  TLocalFile Local;

private:
  friend class TXLSZipArchive;
  void CheckComplete();

  TXLSZipArchive* archive_;
  std::u16string name_;
  std::u16string key_;  // upper-cased name for look-ups
  std::unique_ptr<TDecompressionStream> inflater_;
  bool open_ = false;
  std::int64_t position_ = 0;  // uncompressed bytes delivered
  std::uint32_t crc_ = 0;
  bool crcValid_ = true;       // bytes were delivered in order from the start
};

// The archive owns its entries, in the order of its directory.
class TXLSZipArchive {
public:
  TXLSZipArchive();
  // A written archive is complete only after Close; freeing it writes nothing more.
  ~TXLSZipArchive();
  TXLSZipArchive(const TXLSZipArchive&) = delete;
  TXLSZipArchive& operator=(const TXLSZipArchive&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  // Raises EListError for an index outside the list.
  TXLSZipFile* GetItem(int Index) const {
    if (Index < 0 || Index >= Count()) RaiseListIndexError(Index);
    return items_[static_cast<std::size_t>(Index)].get();
  }
  TXLSZipFile* operator[](int Index) const { return GetItem(Index); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  void OpenRead(TStream& Stream);
  void OpenWrite(TStream& Stream);
  // Completes a written archive (central directory and end record) and empties the entry list.
  void Close();

  TXLSZipFile* AddStream(const std::u16string& Name, TStream& Source);
  // Starts an entry that the caller writes through the returned stream (owned by the archive);
  // EndFile with that stream finishes it.
  TCompressionStream* BeginFile(const std::u16string& Name);
  void EndFile(TStream* Stream);
  // The stream of the entry being written, nullptr when none is.
  const TStream* ActiveStream() const { return activeStream_.get(); }

  // First entry whose name equals Name ignoring letter case; -1 when there is none.
  int IndexOf(const std::u16string& Name) const;

  int Mode() const { return mode_; }
  bool KeepDirectoryNames = true;
  const TEndOfCentralDir& EndRecord() const { return end_; }
  TStream* ArchiveStream() const { return stream_; }

  // The stored form of an entry name: "\" becomes "/", drive and server prefixes are removed.
  std::u16string NormalizeZipPath(const std::u16string& Name) const;

private:
  TXLSZipFile* Add(std::unique_ptr<TXLSZipFile> Entry);
  void Clear() { items_.clear(); }
  void ReadDirectory();
  bool FindEndRecord();
  bool ReadCentralDirectory();
  void ReadLocalHeaders();
  void ReadLocalHeader(std::int64_t Offset, TLocalFile& Local);
  void RebuildDirectory();
  void InitEndRecord();
  TXLSZipFile* NewEntry(const std::u16string& Name, std::uint16_t Method);
  void WriteLocalHeader(const TLocalFile& Local, std::int64_t Offset);
  void FinishEntry(TXLSZipFile* Entry, std::int64_t DataStart);
  void WriteCentralDirectory();

  std::vector<std::unique_ptr<TXLSZipFile>> items_;
  int mode_ = 0;  // 0 closed, 1 reading, 2 writing
  TStream* stream_ = nullptr;
  TEndOfCentralDir end_;
  std::int64_t endOffset_ = -1;
  std::int64_t streamSize_ = 0;
  std::int64_t endOfData_ = 0;
  TXLSZipFile* active_ = nullptr;
  std::unique_ptr<TCompressionStream> activeStream_;
  std::int64_t activeDataStart_ = 0;
};

// The archive interface of the package layer.
class TXLSZipArchiveIntf {
public:
  virtual ~TXLSZipArchiveIntf() = default;
  virtual int GetCount() = 0;
  virtual void OpenRead(TStream& Stream) = 0;
  virtual int IndexOf(const std::u16string& Name) = 0;
  // A stream over the named entry's uncompressed data; freeing it closes the entry.
  virtual std::unique_ptr<TStream> OpenFile(const std::u16string& Name) = 0;
  virtual TStream* BeginFile(const std::u16string& Path) = 0;
  virtual TStream* BeginFileIn(const std::u16string& Dir, const std::u16string& Name) = 0;
  virtual void EndFile(TStream* Stream) = 0;
  virtual void AddFile(const std::u16string& Path, TStream& Stream) = 0;
  virtual void AddFileIn(const std::u16string& Dir, const std::u16string& Name, TStream& Stream) = 0;
  virtual void OpenWrite(TStream& Stream) = 0;
  virtual void Close() = 0;
};

class TXLSZipArchiveIntfXLS : public TXLSZipArchiveIntf {
public:
  TXLSZipArchiveIntfXLS();
  ~TXLSZipArchiveIntfXLS() override;
  int GetCount() override;
  void OpenRead(TStream& Stream) override;
  int IndexOf(const std::u16string& Name) override;
  std::unique_ptr<TStream> OpenFile(const std::u16string& Name) override;
  TStream* BeginFile(const std::u16string& Path) override;
  TStream* BeginFileIn(const std::u16string& Dir, const std::u16string& Name) override;
  void EndFile(TStream* Stream) override;
  void AddFile(const std::u16string& Path, TStream& Stream) override;
  void AddFileIn(const std::u16string& Dir, const std::u16string& Name, TStream& Stream) override;
  void OpenWrite(TStream& Stream) override;
  void Close() override;

  TXLSZipArchive& Archive() { return *zip_; }

private:
  std::unique_ptr<TXLSZipArchive> zip_;
};

// A stream bound to one entry: opens it when created, closes it when freed.
class TXLSOwnerStream : public TStream {
public:
  TXLSOwnerStream(TXLSZipFile* Entry, std::u16string Name);
  ~TXLSOwnerStream() override;
  std::int64_t Read(void* Buffer, std::int64_t Count) override { return entry_->Read(Buffer, Count); }
  std::int64_t Write(const void* Buffer, std::int64_t Count) override { return entry_->Write(Buffer, Count); }
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override { return entry_->Seek(Offset, Origin); }
  std::int64_t GetSize() override { return entry_->GetUncompressedSize(); }
  const std::u16string& Name() const { return name_; }

private:
  TXLSZipFile* entry_;
  std::u16string name_;
};

}  // namespace io
