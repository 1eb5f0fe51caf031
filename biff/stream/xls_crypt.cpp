#include "biff/stream/xls_crypt.h"

#include <algorithm>
#include <cstring>
#include <random>

#include "io/md5.h"

namespace biff {

namespace {

constexpr std::uint32_t kBlockSize = 1024;

// MD5 of the password's UTF-16LE bytes, of which the first 5 bytes count.
io::MD5Digest16 PasswordDigest(std::u16string_view Password) {
  Password = Password.substr(0, std::min(Password.size(), kMaxPasswordLength));
  std::uint8_t bytes[2 * kMaxPasswordLength];
  for (std::size_t i = 0; i < Password.size(); ++i) core::store_le16(bytes + 2 * i, static_cast<std::uint16_t>(Password[i]));
  return io::MD5Digest(bytes, 2 * Password.size());
}

}  // namespace

TXLSRC4Cipher::TXLSRC4Cipher(std::u16string_view Password, const TSalt& Salt) {
  const io::MD5Digest16 h0 = PasswordDigest(Password);
  // Sixteen repetitions of the password digest's first 5 bytes and the salt.
  std::uint8_t message[16 * 21];
  for (int k = 0; k < 16; ++k) {
    std::memcpy(message + 21 * k, h0.data(), 5);
    std::memcpy(message + 21 * k + 5, Salt.data(), 16);
  }
  const io::MD5Digest16 h1 = io::MD5Digest(message, sizeof message);
  std::copy_n(h1.begin(), 5, key_.begin());
}

void TXLSRC4Cipher::LoadBlock(std::uint32_t Block) {
  std::uint8_t input[9];
  std::memcpy(input, key_.data(), 5);
  core::store_le32(input + 5, Block);
  const io::MD5Digest16 key = io::MD5Digest(input, sizeof input);
  io::RC4Init(rc4_, key.data(), key.size());
  block_ = Block;
  offset_ = 0;
  loaded_ = true;
}

void TXLSRC4Cipher::Apply(std::uint8_t* Data, std::size_t Count) {
  io::RC4Crypt(rc4_, Data, Data, Count);
  offset_ += static_cast<std::uint32_t>(Count);
}

void TXLSRC4Cipher::MoveTo(std::uint32_t StreamPos) {
  const std::uint32_t block = StreamPos / kBlockSize;
  const std::uint32_t at = StreamPos % kBlockSize;
  // A key stream only runs forward: going back, or to another block, starts the block again.
  if (!loaded_ || block != block_ || at < offset_) LoadBlock(block);
  std::uint8_t skip[64];
  while (offset_ < at) {
    const std::uint32_t n = std::min<std::uint32_t>(at - offset_, sizeof skip);
    Apply(skip, n);
  }
}

void TXLSRC4Cipher::Crypt(std::uint32_t StreamPos, std::uint8_t* Data, std::size_t Count) {
  while (Count > 0) {
    MoveTo(StreamPos);
    const std::size_t n = std::min<std::size_t>(Count, kBlockSize - StreamPos % kBlockSize);
    Apply(Data, n);
    Data += n;
    Count -= n;
    StreamPos += static_cast<std::uint32_t>(n);
  }
}

TFilePassKind FilePassKind(core::ByteSpan Body) {
  if (Body.size() < static_cast<std::size_t>(kFilePassSize)) return TFilePassKind::Other;
  const std::uint16_t type = core::load_le16(Body.data());
  const std::uint16_t major = core::load_le16(Body.data() + 2);
  const std::uint16_t minor = core::load_le16(Body.data() + 4);
  return type == 1 && major == 1 && minor == 1 ? TFilePassKind::RC4 : TFilePassKind::Other;
}

std::unique_ptr<TXLSRC4Cipher> OpenFilePass(core::ByteSpan Body, std::u16string_view Password) {
  if (FilePassKind(Body) != TFilePassKind::RC4) return nullptr;
  TXLSRC4Cipher::TSalt salt;
  std::copy_n(Body.data() + kFilePassSaltOffset, 16, salt.begin());
  auto cipher = std::make_unique<TXLSRC4Cipher>(Password, salt);
  std::uint8_t verifier[16], hash[16];
  std::memcpy(verifier, Body.data() + kFilePassVerifierOffset, 16);
  std::memcpy(hash, Body.data() + kFilePassVerifierHashOffset, 16);
  cipher->LoadBlock(0);
  cipher->Apply(verifier, 16);
  cipher->Apply(hash, 16);
  const io::MD5Digest16 expect = io::MD5Digest(verifier, 16);
  if (!std::equal(expect.begin(), expect.end(), hash)) return nullptr;
  return cipher;
}

std::unique_ptr<TXLSRC4Cipher> InitFilePass(std::uint8_t* Body, std::u16string_view Password) {
  TXLSRC4Cipher::TSalt salt;
  std::uint8_t verifier[16];
  // Salt and verifier new for every file: one password must not give two files one key stream.
  RandomBytes(salt.data(), salt.size());
  RandomBytes(verifier, sizeof verifier);
  core::store_le16(Body, 1);
  core::store_le16(Body + 2, 1);
  core::store_le16(Body + 4, 1);
  std::memcpy(Body + kFilePassSaltOffset, salt.data(), 16);
  io::MD5Digest16 hash = io::MD5Digest(verifier, 16);
  auto cipher = std::make_unique<TXLSRC4Cipher>(Password, salt);
  cipher->LoadBlock(0);
  cipher->Apply(verifier, 16);
  cipher->Apply(hash.data(), 16);
  std::memcpy(Body + kFilePassVerifierOffset, verifier, 16);
  std::memcpy(Body + kFilePassVerifierHashOffset, hash.data(), 16);
  return cipher;
}

int ClearBodyBytes(std::uint16_t Id, int Length) {
  switch (Id) {
    case BIFFRECID_BOF_2:
    case BIFFRECID_BOF_3:
    case BIFFRECID_BOF_4:
    case BIFFRECID_BOF_8:
    case BIFFRECID_FILEPASS:
    case BIFFRECID_INTERFACEHDR:
    case BIFFRECID_RRDHEAD:
    case BIFFRECID_USREXCL:
    case BIFFRECID_FILELOCK:
    case BIFFRECID_RRDINFO:
      return Length;
    case BIFFRECID_BOUNDSHEET:
      return std::min(Length, 4);
    default:
      return 0;
  }
}

void RandomBytes(std::uint8_t* Data, std::size_t Count) {
  std::random_device device;
  for (std::size_t i = 0; i < Count; i += 4) {
    const std::uint32_t v = device();
    for (std::size_t k = 0; k < 4 && i + k < Count; ++k) Data[i + k] = static_cast<std::uint8_t>(v >> (8 * k));
  }
}

}  // namespace biff
