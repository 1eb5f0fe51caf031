#include "biff/stream/xls_stream.h"

#include <algorithm>
#include <vector>

#include "biff/stream/xls_crypt.h"
#include "core/codepage.h"
#include "core/unicode.h"

namespace biff {

namespace ps = platform::storage;

namespace {

constexpr char16_t kWorkbookStream[] = u"Workbook";
constexpr char16_t kBookStream[] = u"Book";
constexpr char16_t kVBAStorage[] = u"_VBA_PROJECT_CUR";
// A piece continued with this id starts with a 14-byte future-record header that is not data.
constexpr int kFrtHeaderSize = 14;

bool IsContinuationId(std::uint16_t id) {
  return id == BIFFRECID_CONTINUE || id == BIFFRECID_MSODRAWINGGROUP || id == BIFFRECID_CONTINUE_CHART ||
         id == BIFFRECID_CONTINUE_FRT;
}

}  // namespace

TXLSStream::TXLSStream(TXLSVBAHolder* VBA) : vba_(VBA) {}

TXLSStream::~TXLSStream() { Release(); }

void TXLSStream::Release() {
  workbook_.reset();
  root_.reset();
  plain_.reset();
  plain_data_.clear();
  write_name_.clear();
  writing_ = false;
  continue_mode_ = false;
  continue_pos_ = 0;
  piece_length_ = 0;
}

ps::MemoryStream* TXLSStream::Target() {
  if (plain_) return &*plain_;
  if (workbook_) return &*workbook_;
  return nullptr;
}

// ---- opening and creating ----

TExcelVersion TXLSStream::Open(const std::string& FileName) {
  if (input_ || ps::is_storage_file(FileName))
    version_ = OpenStorage(FileName);
  else
    version_ = OpenRawBIFF(FileName);
  return version_;
}

TExcelVersion TXLSStream::OpenStorage(const std::string& FileName) {
  Close();
  if (input_) {
    root_ = std::make_unique<ps::CompoundFile>(ps::CompoundFile::parse(*input_));
  } else {
    root_ = std::make_unique<ps::CompoundFile>(ps::CompoundFile::load(FileName));
  }
  ps::Storage& root = root_->root();
  if (kept_) {
    auto copy = std::make_unique<ps::CompoundFile>();
    root.copy_to(copy->root());
    copy->root().destroy_element(kWorkbookStream);
    copy->root().destroy_element(kBookStream);
    kept_->file_ = std::move(copy);
  }
  TExcelVersion found;
  ps::Stream* stream = root.open_stream(kWorkbookStream);
  if (stream) {
    found = xvExcel97;
  } else if ((stream = root.open_stream(kBookStream)) != nullptr) {
    found = xvExcel50;
  } else {
    Release();
    throw Exception("The file is not an Excel workbook");
  }
  workbook_.emplace(stream->data);
  input_size_ = static_cast<std::uint32_t>(stream->data.size());
  version_ = found;
  if (vba_) vba_->ReadProject(root);
  return found;
}

TExcelVersion TXLSStream::OpenRawBIFF(const std::string& FileName) {
  Close();
  plain_data_ = ps::read_file(FileName);
  plain_.emplace(plain_data_);
  input_size_ = static_cast<std::uint32_t>(plain_data_.size());
  std::uint8_t head[4] = {};
  TExcelVersion found = xvNone;
  if (ReadRaw(head, 4) >= 2 && head[0] == 0x09) {
    switch (head[1]) {
      case 0x00: found = xvExcel21; break;
      case 0x02: found = xvExcel30; break;
      case 0x04: found = xvExcel40; break;
      default: found = xvNone; break;
    }
  }
  plain_->seek(0, ps::SeekOrigin::Begin);
  version_ = found;
  return found;
}

void TXLSStream::CreateMemory() {
  Close();
  plain_.emplace(plain_data_);
  input_size_ = 0;
  version_ = xvExcel97;
}

void TXLSStream::CreateFile(const std::string& FileName, TExcelVersion Version) {
  Close();
  version_ = Version;
  if (Version < xvExcel50) {
    if (output_) {
      plain_.emplace(*output_);
      plain_->seek(0, ps::SeekOrigin::End);
    } else {
      if (FileName.empty()) throw Exception("Filename is missing");
      write_name_ = FileName;
      plain_.emplace(plain_data_);
    }
    writing_ = true;
    return;
  }
  if (!output_ && FileName.empty()) throw Exception("Filename is missing");
  root_ = std::make_unique<ps::CompoundFile>();
  if (!output_) write_name_ = FileName;
  if (kept_ && kept_->Storage()) kept_->Storage()->copy_to(root_->root());
  ps::Stream& stream = root_->root().create_stream(Version == xvExcel50 ? kBookStream : kWorkbookStream);
  stream.data.clear();
  workbook_.emplace(stream.data);
  writing_ = true;
}

void TXLSStream::WriteVBA() {
  if (!vba_ || !root_ || !vba_->HasProject()) return;
  ps::Storage& storage = root_->root().create_storage(kVBAStorage);
  vba_->WriteProject(storage);
}

void TXLSStream::Close() {
  struct ReleaseAtEnd {
    TXLSStream* s;
    ~ReleaseAtEnd() { s->Release(); }
  } release{this};
  if (!writing_) return;
  writing_ = false;
  if (root_) {
    core::Bytes file = root_->serialize();
    if (output_)
      output_->insert(output_->end(), file.begin(), file.end());
    else
      ps::write_file_atomically(write_name_, file);
  } else if (plain_ && !write_name_.empty()) {
    ps::write_file_atomically(write_name_, plain_data_);
  }
}

// ---- reading ----

int TXLSStream::ReadRaw(void* Buffer, int Count) {
  if (Count <= 0) return 0;
  ps::MemoryStream* t = Target();
  if (!t) return 0;
  return static_cast<int>(t->read(Buffer, static_cast<std::size_t>(Count)));
}

void TXLSStream::Decrypt(std::uint32_t Pos, std::uint8_t* Data, int Count) {
  if (!cipher_) throw Exception("Encrypted stream without key");
  // The part of [Pos, Pos + Count) that lies in the clear bytes of the current body is left.
  const std::uint64_t end = std::uint64_t(Pos) + static_cast<std::uint64_t>(Count);
  const std::uint64_t clearFrom = body_start_, clearTo = std::uint64_t(body_start_) + static_cast<std::uint64_t>(clear_bytes_);
  const std::uint64_t a = std::clamp<std::uint64_t>(clearFrom, Pos, end), b = std::clamp<std::uint64_t>(clearTo, Pos, end);
  if (a > Pos) cipher_->Crypt(Pos, Data, static_cast<std::size_t>(a - Pos));
  if (end > b) cipher_->Crypt(static_cast<std::uint32_t>(b), Data + (b - Pos), static_cast<std::size_t>(end - b));
}

bool TXLSStream::VerifyPassword(core::ByteSpan FilePass, std::u16string_view Password) {
  return OpenFilePass(FilePass, Password) != nullptr;
}

bool TXLSStream::SetReadPassword(core::ByteSpan FilePass, std::u16string_view Password) {
  std::unique_ptr<TXLSRC4Cipher> cipher = OpenFilePass(FilePass, Password);
  if (!cipher) return false;
  cipher_ = std::move(cipher);
  encrypted_ = true;
  return true;
}

void TXLSStream::InitEncryption(std::uint8_t* FilePass, std::u16string_view Password) {
  cipher_ = InitFilePass(FilePass, Password);
  encrypted_ = false;
}

void TXLSStream::EncryptStream() {
  if (!workbook_ || !cipher_) throw Exception("No stream to encrypt");
  core::Bytes& data = workbook_->data();
  const std::size_t size = data.size();
  for (std::size_t p = 0; p + 4 <= size;) {
    const std::uint16_t id = core::load_le16(data.data() + p);
    const std::size_t len = std::min<std::size_t>(core::load_le16(data.data() + p + 2), size - p - 4);
    const std::size_t body = p + 4;
    const auto clear = static_cast<std::size_t>(ClearBodyBytes(id, static_cast<int>(len)));
    if (len > clear) cipher_->Crypt(static_cast<std::uint32_t>(body + clear), data.data() + body + clear, len - clear);
    p = body + len;
  }
}

int TXLSStream::Read(void* Buffer, int Count) {
  if (Count <= 0) return 0;
  if (plain_) return ReadRaw(Buffer, Count);
  if (!workbook_) return 0;
  if (continue_mode_) return ReadContinued(static_cast<std::uint8_t*>(Buffer), Count);
  auto pos = static_cast<std::uint32_t>(workbook_->position());
  int n = ReadRaw(Buffer, Count);
  if (encrypted_ && n > 0) Decrypt(pos, static_cast<std::uint8_t*>(Buffer), n);
  return n;
}

// Each piece holds as many bytes as its own header says (producers cut drawing data into pieces
// shorter than the largest record, so the piece size cannot be assumed).
int TXLSStream::ReadContinued(std::uint8_t* Buffer, int Count) {
  int delivered = 0;
  for (;;) {
    int n = std::min(piece_length_ - continue_pos_, Count - delivered);
    if (n > 0) {
      auto pos = static_cast<std::uint32_t>(workbook_->position());
      int got = ReadRaw(Buffer + delivered, n);
      if (encrypted_ && got > 0) Decrypt(pos, Buffer + delivered, got);
      delivered += got;
      continue_pos_ += got;
      if (got < n) break;  // end of stream
    }
    if (delivered >= Count) break;
    TBIFFHeader h;
    if (ReadHeaderRaw(h) < 4) break;
    if (!IsContinuationId(h.RecID)) throw Exception("CONTINUE record is missing");
    piece_length_ = h.Length;
    continue_pos_ = 0;
    if (h.RecID == BIFFRECID_CONTINUE_FRT) {
      std::uint8_t skip[kFrtHeaderSize];
      int want = std::min<int>(kFrtHeaderSize, piece_length_);
      int got = ReadRaw(skip, want);
      continue_pos_ = got;
      if (got < want) break;
    }
  }
  return delivered;
}

int TXLSStream::ReadNoDecrypt(void* Buffer, int Count) {
  bool saved = encrypted_;
  encrypted_ = false;
  struct Restore {
    bool& flag;
    bool value;
    ~Restore() { flag = value; }
  } restore{encrypted_, saved};
  return Read(Buffer, Count);
}

int TXLSStream::ReadHeaderRaw(TBIFFHeader& Header) {
  ps::MemoryStream* t = Target();
  std::uint32_t pos = t ? static_cast<std::uint32_t>(t->position()) : 0;
  std::uint8_t b[4];
  int got = ReadRaw(b, 4);
  if (got == 4) {
    Header.RecID = core::load_le16(b);
    Header.Length = core::load_le16(b + 2);
    last_header_length_ = Header.Length;
    body_start_ = pos + 4;
    clear_bytes_ = ClearBodyBytes(Header.RecID, Header.Length);
  }
  return got;
}

int TXLSStream::ReadHeader(TBIFFHeader& Header) { return ReadHeaderRaw(Header); }

// The header of the next record met inside a continued body (the drawing reader steps from one
// MSODRAWING to the next itself): read as it stands, the CONTINUE mode left on.
int TXLSStream::ReadHeaderInRecord(TBIFFHeader& Header) { return ReadHeaderRaw(Header); }

std::uint16_t TXLSStream::PeekRecordId() {
  std::uint8_t b[4];
  if (ReadRaw(b, 4) != 4) return 0;
  Target()->seek(-4, ps::SeekOrigin::Current);
  return core::load_le16(b);
}

std::uint16_t TXLSStream::PeekRecType() {
  if (!workbook_ || plain_) return 0;
  std::uint8_t b[2];
  workbook_->read(b, 2);
  if (workbook_->read(b, 2) != 2) return 0;
  workbook_->seek(-4, ps::SeekOrigin::Current);
  return core::load_le16(b);
}

int TXLSStream::ReadString(int CharCount, std::u16string& S) {
  S.clear();
  ps::MemoryStream* t = Target();
  if (CharCount < 0 || !t) throw Exception("Invalid string length");
  std::uint8_t option = 0;
  if (Read(&option, 1) != 1) throw Exception("Unexpected end of string");
  std::uint64_t bytes = option == 1 ? std::uint64_t(CharCount) * 2 : std::uint64_t(CharCount);
  // No string can be longer than what is left of the stream.
  if (bytes > t->size() - std::min(t->size(), t->position())) throw Exception("Unexpected end of string");
  std::vector<std::uint8_t> buf(static_cast<std::size_t>(bytes));
  if (Read(buf.data(), static_cast<int>(bytes)) != static_cast<int>(bytes)) throw Exception("Unexpected end of string");
  if (option == 1) {
    S.resize(static_cast<std::size_t>(CharCount));
    for (int i = 0; i < CharCount; ++i) S[i] = static_cast<char16_t>(core::load_le16(buf.data() + 2 * i));
    return CharCount * 2 + 1;
  }
  std::string_view raw(reinterpret_cast<const char*>(buf.data()), buf.size());
  // BIFF8 stores 8-bit strings as Latin-1; older versions in the file's code page.
  if (version_ >= xvExcel97 || !core::codepage_supported(codepage_))
    S = core::widen_latin1(raw);
  else
    S = core::codepage_to_utf16(codepage_, raw);
  return CharCount + 1;
}

void TXLSStream::BeginCONTINUERead() {
  if (continue_mode_) throw Exception("CONTINUE read active");
  continue_mode_ = true;
  continue_pos_ = 0;
  piece_length_ = last_header_length_;
}

void TXLSStream::EndCONTINUERead() {
  continue_mode_ = false;
  continue_pos_ = 0;
}

void TXLSStream::ResetCONTINUEPos() {
  continue_pos_ = 0;
  piece_length_ = last_header_length_;
}

// ---- writing ----

int TXLSStream::WriteRaw(const void* Buffer, int Count) {
  ps::MemoryStream* t = Target();
  if (!t) throw Exception("Stream is not open");
  if (Count <= 0) return 0;
  return static_cast<int>(t->write(Buffer, static_cast<std::size_t>(Count)));
}

int TXLSStream::Write(const void* Buffer, int Count) {
  if (record_limit_ > 0) {
    WriteLimited(static_cast<const std::uint8_t*>(Buffer), Count);
    return 0;
  }
  int n = WriteRaw(Buffer, Count);
  written_count_ += n;
  return n;
}

void TXLSStream::WriteLimited(const std::uint8_t* Buffer, int Count) {
  while (Count > 0) {
    if (written_count_ + Count <= record_limit_) {
      WriteRaw(Buffer, Count);
      written_count_ += Count;
      return;
    }
    int fit = record_limit_ - written_count_;
    Seek(piece_header_pos_ + 2, 0);
    WriteWord(static_cast<std::uint16_t>(record_limit_));
    Seek(0, 2);
    WriteRaw(Buffer, fit);
    Buffer += fit;
    Count -= fit;
    piece_header_pos_ = Position();
    WriteHeader(BIFFRECID_CONTINUE, 0);
    written_count_ = 0;
  }
}

void TXLSStream::BeginRecordLimit(int MaxBytes) {
  record_limit_ = MaxBytes;
  written_count_ = 0;
  piece_header_pos_ = Position();
}

void TXLSStream::EndRecordLimit() {
  if (written_count_ > 0) {
    Seek(piece_header_pos_ + 2, 0);
    WriteWord(static_cast<std::uint16_t>(written_count_));
    Seek(0, 2);
  }
  record_limit_ = -1;
}

int TXLSStream::WriteHeader(std::uint16_t Id, std::uint16_t Length) {
  std::uint8_t b[4];
  core::store_le16(b, Id);
  core::store_le16(b + 2, Length);
  return WriteRaw(b, 4);
}

void TXLSStream::WriteWordRecord(std::uint16_t Id, std::uint16_t Value) {
  WriteHeader(Id, 2);
  WriteWord(Value);
}

void TXLSStream::WriteLong(std::int32_t Value) {
  std::uint8_t b[4];
  core::store_le32(b, static_cast<std::uint32_t>(Value));
  WriteRaw(b, 4);
}

void TXLSStream::WriteWord(std::uint16_t Value) {
  std::uint8_t b[2];
  core::store_le16(b, Value);
  WriteRaw(b, 2);
}

void TXLSStream::WriteByte(std::uint8_t Value) { WriteRaw(&Value, 1); }

void TXLSStream::WriteRecord(std::uint16_t Id, const void* Data, int Len) {
  if (Len < 0) throw Exception("Invalid record length");
  const auto* p = static_cast<const std::uint8_t*>(Data);
  WriteWord(Id);
  if (Len <= MAXRECSZ_97) {
    WriteWord(static_cast<std::uint16_t>(Len));
    if (Len > 0) Write(p, Len);
    return;
  }
  WriteWord(MAXRECSZ_97);
  Write(p, MAXRECSZ_97);
  for (int done = MAXRECSZ_97; done < Len;) {
    int n = std::min(Len - done, MAXRECSZ_97);
    WriteHeader(BIFFRECID_CONTINUE, static_cast<std::uint16_t>(n));
    Write(p + done, n);
    done += n;
  }
}

namespace {

// Character count of a BIFF8 string body: option byte 1 means UTF-16 characters.
std::size_t BodyCharCount(const std::string& S) {
  if (S.empty()) return 0;
  return static_cast<std::uint8_t>(S[0]) == 1 ? (S.size() - 1) / 2 : S.size() - 1;
}

}  // namespace

void TXLSStream::WriteString16(const std::string& S) {
  std::size_t count = BodyCharCount(S);
  if (count > 0xFFFF) throw Exception("String too long");
  std::uint8_t b[2];
  core::store_le16(b, static_cast<std::uint16_t>(count));
  Write(b, 2);
  if (!S.empty()) Write(S.data(), static_cast<int>(S.size()));
}

void TXLSStream::WriteString8(const std::string& S) {
  std::size_t count = BodyCharCount(S);
  if (count > 0xFF) throw Exception("String too long");
  auto b = static_cast<std::uint8_t>(count);
  Write(&b, 1);
  if (!S.empty()) Write(S.data(), static_cast<int>(S.size()));
}

void TXLSStream::WriteWideString(std::u16string_view S, bool WithCount) {
  if (S.size() > 0xFFFF) throw Exception("String too long");
  if (WithCount) WriteWord(static_cast<std::uint16_t>(S.size()));
  if (S.empty()) return;
  std::vector<std::uint8_t> body(1 + 2 * S.size());
  body[0] = 1;
  for (std::size_t i = 0; i < S.size(); ++i) core::store_le16(body.data() + 1 + 2 * i, static_cast<std::uint16_t>(S[i]));
  Write(body.data(), static_cast<int>(body.size()));
}

void TXLSStream::WriteArea(const std::array<int, 4>& Area) {
  if (version_ > xvExcel97) throw Exception("Unhandled Excel version");
  for (int v : Area) WriteWord(static_cast<std::uint16_t>(v));
}

void TXLSStream::WriteEscherHeader(std::uint8_t Ver, std::uint16_t Instance, std::uint16_t RecType,
                                   std::int32_t Length) {
  std::uint8_t b[8];
  core::store_le16(b, static_cast<std::uint16_t>(Ver + Instance * 16));
  core::store_le16(b + 2, RecType);
  core::store_le32(b + 4, static_cast<std::uint32_t>(Length));
  Write(b, 8);
}

int TXLSStream::Seek(int Offset, std::uint16_t Origin) {
  ps::MemoryStream* t = Target();
  if (!t) throw Exception("Stream is not open");
  ps::SeekOrigin o = Origin == 0 ? ps::SeekOrigin::Begin : Origin == 1 ? ps::SeekOrigin::Current : ps::SeekOrigin::End;
  return static_cast<int>(static_cast<std::uint32_t>(t->seek(Offset, o)));
}

}  // namespace biff
