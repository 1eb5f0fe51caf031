// Fuzz target: encrypted workbook streams through FILEPASS and the decrypting reader. The first
// byte chooses how the rest is taken:
//   even: as a workbook stream as it stands, read with the password of the LibreOffice fixture (so
//         its encrypted stream decrypts, and changed FILEPASS bodies, salts and record headers are
//         met);
//   odd:  as a plain workbook stream that is encrypted here, with a FILEPASS after its first
//         record, and read back with that password (so every record body reaches the reader
//         decrypted, however it is cut into key blocks).
// Only the library's own errors may come out.
#include <cstdint>
#include <cstring>

#include "biff/document/biff5_document.h"
#include "biff/stream/xls_crypt.h"
#include "core/error.h"
#include "io/md5.h"
#include "platform/storage/compound_file.h"
#include "workbook/error_manager.h"
#include "workbook/manager.h"

namespace {

constexpr char16_t kFixturePassword[] = u"温度Pass-42";
constexpr char16_t kPassword[] = u"fuzz";

void Read(const core::Bytes& Stream, const char16_t* Password) {
  platform::storage::CompoundFile cf;
  cf.root().create_stream(u"Workbook").data = Stream;
  const core::Bytes file = cf.serialize();
  workbook::TXLSErrorManager errors;
  workbook::TXc12DataClassFactory factory;
  workbook::TXc12Manager manager(&factory, &errors);
  manager.CreateParts();
  manager.Password = Password;
  biff::TBIFF5 doc(&manager);
  try {
    doc.ReadStream(core::ByteSpan(file.data(), file.size()));
  } catch (const core::Error&) {
  }
}

// The plain stream with FILEPASS after its first record, encrypted as the writer does, with a
// fixed salt and verifier so that a run can be repeated.
core::Bytes Encrypt(const std::uint8_t* Data, std::size_t Size) {
  core::Bytes out;
  std::size_t first = 0;
  if (Size >= 4) first = std::min<std::size_t>(Size, 4 + static_cast<std::size_t>(Data[2] | (Data[3] << 8)));
  out.assign(Data, Data + first);
  biff::TXLSRC4Cipher::TSalt salt;
  std::uint8_t verifier[16];
  for (int i = 0; i < 16; ++i) {
    salt[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 17 + 3);
    verifier[i] = static_cast<std::uint8_t>(i * 29 + 5);
  }
  io::MD5Digest16 hash = io::MD5Digest(verifier, 16);
  biff::TXLSRC4Cipher cipher(kPassword, salt);
  cipher.LoadBlock(0);
  cipher.Apply(verifier, 16);
  cipher.Apply(hash.data(), 16);
  const std::uint8_t head[] = {0x2F, 0x00, 54, 0x00, 1, 0, 1, 0, 1, 0};
  out.insert(out.end(), head, head + sizeof head);
  out.insert(out.end(), salt.begin(), salt.end());
  out.insert(out.end(), verifier, verifier + 16);
  out.insert(out.end(), hash.begin(), hash.end());
  out.insert(out.end(), Data + first, Data + Size);
  for (std::size_t p = 0; p + 4 <= out.size();) {
    const std::uint16_t id = static_cast<std::uint16_t>(out[p] | (out[p + 1] << 8));
    const std::size_t len = std::min<std::size_t>(static_cast<std::size_t>(out[p + 2] | (out[p + 3] << 8)), out.size() - p - 4);
    const auto clear = static_cast<std::size_t>(biff::ClearBodyBytes(id, static_cast<int>(len)));
    if (len > clear) cipher.Crypt(static_cast<std::uint32_t>(p + 4 + clear), out.data() + p + 4 + clear, len - clear);
    p += 4 + len;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 200000) return 0;
  if (data[0] & 1)
    Read(Encrypt(data + 1, size - 1), kPassword);
  else
    Read(core::Bytes(data + 1, data + size), kFixturePassword);
  return 0;
}
