// The BIFF record stream: the one door between the legacy workbook format and files. It opens an
// .xls file (a compound file holding a "Workbook" or "Book" stream, or a plain BIFF2-4 record
// file), creates one for writing, carries records in and out, splits long records into CONTINUE
// pieces on write and joins them on read, and carries the other storages of a file read into the
// next file written.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "biff/biff_error.h"
#include "biff/stream/record_ids.h"
#include "core/byte_io.h"
#include "platform/storage/compound_file.h"

namespace biff {

enum TExcelVersion : std::uint8_t {
  xvNone = 0,
  xvExcel21 = 2,
  xvExcel30 = 3,
  xvExcel40 = 4,
  xvExcel50 = 5,
  xvExcel97 = 6,
  xvExcel2007 = 7,
};

struct TBIFFHeader {
  std::uint16_t RecID = 0;
  std::uint16_t Length = 0;
};

// Every storage and stream of the last file read except "Workbook" and "Book". Owned by the
// document; reader and writer attach it to their stream.
class TExtraObjects {
public:
  void Clear() { file_.reset(); }
  // The kept root storage, nullptr when nothing is kept.
  platform::storage::Storage* Storage() const { return file_ ? &file_->root() : nullptr; }

private:
  friend class TXLSStream;
  std::unique_ptr<platform::storage::CompoundFile> file_;
};

// What the stream asks of the document's VBA holder.
class TXLSVBAHolder {
public:
  virtual ~TXLSVBAHolder() = default;
  // 0 when the root holds no project, 1 when one was read.
  virtual int ReadProject(platform::storage::Storage& Root) = 0;
  virtual bool HasProject() const = 0;
  // Writes the kept project into a freshly created "_VBA_PROJECT_CUR".
  virtual void WriteProject(platform::storage::Storage& Storage) = 0;
};

// The cipher of an encrypted workbook stream (the same operation encrypts and decrypts). StreamPos
// is the position in the workbook stream of the first byte concerned: the key stream belongs to
// the position, so bytes left in clear (record headers, BOF bodies) need no call of their own.
class TXLSCipher {
public:
  virtual ~TXLSCipher() = default;
  virtual void Crypt(std::uint32_t StreamPos, std::uint8_t* Data, std::size_t Count) = 0;
};

class TXLSStream;

// An object that reads and writes itself through the record stream.
class TXLSStreamObj {
public:
  virtual ~TXLSStreamObj() = default;
  virtual int ReadFromStream(TXLSStream& Stream) = 0;
  virtual int WriteToStream(TXLSStream& Stream) = 0;
};

class TXLSStream {
public:
  explicit TXLSStream(TXLSVBAHolder* VBA = nullptr);
  // Releases everything. A file being written is NOT committed here: only an explicit Close
  // writes it, so a save that fails half-way leaves no half-written file behind.
  ~TXLSStream();
  TXLSStream(const TXLSStream&) = delete;
  TXLSStream& operator=(const TXLSStream&) = delete;

  // Set by the reader before Open: the whole file to read, instead of a named file.
  void SetInputStream(core::ByteSpan Data) { input_ = Data; }
  void ClearInputStream() { input_.reset(); }
  // Set by the writer before CreateFile: receives the finished file (appended) at Close.
  void SetOutputStream(core::Bytes* Out) { output_ = Out; }
  void SetExtraObjects(TExtraObjects* Kept) { kept_ = Kept; }
  void SetWriteVBA(bool Value) { write_vba_ = Value; }

  TExcelVersion Version() const { return version_; }
  std::uint32_t InputSize() const { return input_size_; }

  // Opening for read. Open returns the version found: compound files (and every input stream)
  // through OpenStorage, other named files through OpenRawBIFF.
  TExcelVersion Open(const std::string& FileName);
  TExcelVersion OpenStorage(const std::string& FileName);
  TExcelVersion OpenRawBIFF(const std::string& FileName);
  // An in-memory plain stream, version 6; its bytes are MemoryBytes().
  void CreateMemory();
  const core::Bytes& MemoryBytes() const { return plain_data_; }

  // Creating for write. Version 5 writes "Book", any other version from 5 on "Workbook"; below
  // 5 a plain record file.
  void CreateFile(const std::string& FileName, TExcelVersion Version);
  void WriteVBA();
  // Finishes the file (to the output stream or the named file) and releases everything.
  void Close();

  // Reading.
  int Read(void* Buffer, int Count);
  int ReadNoDecrypt(void* Buffer, int Count);
  int ReadHeader(TBIFFHeader& Header);
  int ReadHeaderInRecord(TBIFFHeader& Header);
  std::uint16_t PeekRecordId();
  std::uint16_t PeekRecType();
  // One option byte, then CharCount characters; returns the bytes the string took.
  int ReadString(int CharCount, std::u16string& S);
  void BeginCONTINUERead();
  void EndCONTINUERead();
  void ResetCONTINUEPos();
  bool CONTINUEMode() const { return continue_mode_; }
  int CONTINUEPos() const { return continue_pos_; }
  // Code page of 8-bit strings below BIFF8 (the file's CODEPAGE record); BIFF8 8-bit strings are
  // Latin-1.
  void SetCodePage(int CodePage) { codepage_ = CodePage; }

  // Encryption. Reads are decrypted while Encrypted() holds, except the bytes the format keeps in
  // clear (the bodies of BOF, FILEPASS and INTERFACEHDR, the first 4 bytes of BOUNDSHEET, ...).
  void SetCipher(std::unique_ptr<TXLSCipher> Cipher) { cipher_ = std::move(Cipher); }
  TXLSCipher* Cipher() const { return cipher_.get(); }
  bool Encrypted() const { return encrypted_; }
  void SetEncrypted(bool Value) { encrypted_ = Value; }
  // Whether Password opens the FILEPASS body (RC4 version 1.1 only).
  static bool VerifyPassword(core::ByteSpan FilePass, std::u16string_view Password);
  // Turns decryption of the reads after FILEPASS on when Password opens it; false, and nothing
  // changed, when it does not.
  bool SetReadPassword(core::ByteSpan FilePass, std::u16string_view Password);
  // Writing: fills the FILEPASS body (kFilePassSize bytes) with a new salt and the verifier of
  // Password; the records are written in clear and EncryptStream encrypts them once all are there.
  void InitEncryption(std::uint8_t* FilePass, std::u16string_view Password);
  // Encrypts the whole workbook stream in place (after the last record, before Close).
  void EncryptStream();

  // Writing.
  int WriteRaw(const void* Buffer, int Count);
  int Write(const void* Buffer, int Count);
  int WriteHeader(std::uint16_t Id, std::uint16_t Length);
  void WriteWordRecord(std::uint16_t Id, std::uint16_t Value);
  void WriteLong(std::int32_t Value);
  void WriteWord(std::uint16_t Value);
  void WriteByte(std::uint8_t Value);
  // A whole record, split into CONTINUE pieces of at most 8224 bytes.
  void WriteRecord(std::uint16_t Id, const void* Data, int Len);
  // S holds a BIFF8 string body (option byte, then the characters).
  void WriteString16(const std::string& S);
  void WriteString8(const std::string& S);
  void WriteWideString(std::u16string_view S, bool WithCount);
  void WriteArea(const std::array<int, 4>& Area);
  void WriteEscherHeader(std::uint8_t Ver, std::uint16_t Instance, std::uint16_t RecType, std::int32_t Length);
  void BeginRecordLimit(int MaxBytes);
  void EndRecordLimit();

  // Origin 0 from the start, 1 from the current position, 2 from the end.
  int Seek(int Offset, std::uint16_t Origin);
  int Position() { return Seek(0, 1); }

  // The open compound file (nullptr for plain files), for the VBA holder and the encryption pass.
  platform::storage::Storage* RootStorage() const { return root_ ? &root_->root() : nullptr; }

private:
  void Release();
  platform::storage::MemoryStream* Target();
  int ReadRaw(void* Buffer, int Count);
  int ReadContinued(std::uint8_t* Buffer, int Count);
  void Decrypt(std::uint32_t Pos, std::uint8_t* Data, int Count);
  void WriteLimited(const std::uint8_t* Buffer, int Count);
  int ReadHeaderRaw(TBIFFHeader& Header);

  TXLSVBAHolder* vba_;
  std::optional<core::ByteSpan> input_;
  core::Bytes* output_ = nullptr;
  TExtraObjects* kept_ = nullptr;
  bool write_vba_ = false;

  TExcelVersion version_ = xvNone;
  std::uint32_t input_size_ = 0;

  // Compound file: the root and the workbook stream inside it.
  std::unique_ptr<platform::storage::CompoundFile> root_;
  std::optional<platform::storage::MemoryStream> workbook_;
  // Plain stream: a record file or memory.
  core::Bytes plain_data_;
  std::optional<platform::storage::MemoryStream> plain_;
  // Where Close writes a file created for write (empty: nothing to write).
  std::string write_name_;
  bool writing_ = false;

  int written_count_ = 0;
  int piece_header_pos_ = -1;
  int record_limit_ = 0;
  bool continue_mode_ = false;
  int continue_pos_ = 0;
  int piece_length_ = 0;
  int last_header_length_ = 0;
  // The body of the record whose header was read last, and how many of its bytes stay in clear.
  std::uint32_t body_start_ = 0;
  int clear_bytes_ = 0;
  int codepage_ = 1252;

  bool encrypted_ = false;
  std::unique_ptr<TXLSCipher> cipher_;
};

}  // namespace biff
