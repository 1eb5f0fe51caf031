// Password-to-open encryption of BIFF8 workbooks: RC4 with MD5-derived keys, one key per 1024-byte
// block of the workbook stream, announced by the FILEPASS record that follows the globals BOF.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "biff/stream/xls_stream.h"
#include "core/byte_io.h"
#include "io/rc4.h"

namespace biff {

// Opens, without asking, workbooks encrypted with it; the published default of the format.
inline constexpr char16_t kDefaultPassword[] = u"VelvetSweatshop";

// The records of the encryption and those the format never encrypts.
inline constexpr std::uint16_t BIFFRECID_FILEPASS = 0x002F;
inline constexpr std::uint16_t BIFFRECID_BOUNDSHEET = 0x0085;
inline constexpr std::uint16_t BIFFRECID_INTERFACEHDR = 0x00E1;
inline constexpr std::uint16_t BIFFRECID_MMS = 0x00C1;
inline constexpr std::uint16_t BIFFRECID_INTERFACEEND = 0x00E2;
inline constexpr std::uint16_t BIFFRECID_RRDHEAD = 0x0138;
inline constexpr std::uint16_t BIFFRECID_USREXCL = 0x0194;
inline constexpr std::uint16_t BIFFRECID_FILELOCK = 0x0195;
inline constexpr std::uint16_t BIFFRECID_RRDINFO = 0x0196;

// FILEPASS body: type 1 (RC4), version 1.1, salt (offset 6), encrypted verifier (22) and its
// encrypted MD5 (38), 16 bytes each.
inline constexpr int kFilePassSize = 54;
inline constexpr int kFilePassSaltOffset = 6;
inline constexpr int kFilePassVerifierOffset = 22;
inline constexpr int kFilePassVerifierHashOffset = 38;

// Only the first characters of a password count.
inline constexpr std::size_t kMaxPasswordLength = 31;

// The cipher of one encrypted workbook stream. Byte k of the stream is encrypted with the key of
// block k / 1024 at position k mod 1024 of that key's stream, so any byte can be reached by
// position; bytes kept in clear still use up their positions.
class TXLSRC4Cipher : public TXLSCipher {
public:
  using TSalt = std::array<std::uint8_t, 16>;
  TXLSRC4Cipher(std::u16string_view Password, const TSalt& Salt);

  void Crypt(std::uint32_t StreamPos, std::uint8_t* Data, std::size_t Count) override;

  // The key stream of block Block from its start, for the verifier of FILEPASS.
  void LoadBlock(std::uint32_t Block);
  // The next bytes of the loaded key stream over Data.
  void Apply(std::uint8_t* Data, std::size_t Count);

private:
  void MoveTo(std::uint32_t StreamPos);

  std::array<std::uint8_t, 5> key_{};
  io::RC4Context rc4_;
  std::uint32_t block_ = 0;
  std::uint32_t offset_ = 0;  // key-stream bytes used of the loaded block
  bool loaded_ = false;
};

// What a FILEPASS body announces. Only RC4 version 1.1 is read.
enum class TFilePassKind { RC4, Other };
TFilePassKind FilePassKind(core::ByteSpan Body);

// The cipher of a file when Password opens its FILEPASS body, nullptr when it does not (the check
// decrypts the verifier and compares its MD5 with the decrypted hash).
std::unique_ptr<TXLSRC4Cipher> OpenFilePass(core::ByteSpan Body, std::u16string_view Password);

// Fills a FILEPASS body of kFilePassSize bytes for Password with a new random salt and verifier;
// returns the cipher that encrypts the stream.
std::unique_ptr<TXLSRC4Cipher> InitFilePass(std::uint8_t* Body, std::u16string_view Password);

// How many leading bytes of a record body stay in clear in an encrypted stream: all of them for
// the BOF records, FILEPASS and the few records the format never encrypts, the sheet's stream
// offset (4 bytes) of BOUNDSHEET, none of any other record.
int ClearBodyBytes(std::uint16_t Id, int Length);

// Random bytes for salts and verifiers.
void RandomBytes(std::uint8_t* Data, std::size_t Count);

}  // namespace biff
