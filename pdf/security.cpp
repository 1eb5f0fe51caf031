#include "pdf/security.h"

#include <algorithm>
#include <cstring>

#include "pdf/format.h"
#include "io/md5.h"
#include "io/rc4.h"

namespace pdf {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

std::size_t KeyBytes(TPDFKeyLength length) { return length == TPDFKeyLength::kl128 ? 16 : 5; }

void Rehash50(io::MD5Digest16& h) {
  for (int i = 0; i < 50; ++i) h = io::MD5Digest(h.data(), h.size());
}

template <std::size_t N>
void RC4Apply(const std::uint8_t* key, std::size_t key_len, std::array<std::uint8_t, N>& data) {
  io::RC4Context ctx;
  io::RC4Init(ctx, key, key_len);
  io::RC4Crypt(ctx, data.data(), data.data(), N);
}

}  // namespace

const SecurityString& PasswordPadding() {
  static const SecurityString kPad = {0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E,
                                      0x56, 0xFF, 0xFA, 0x01, 0x08, 0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68,
                                      0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};
  return kPad;
}

std::int32_t PermissionValue(TPDFCtiptoOptions options, TPDFKeyLength length) {
  std::int32_t p = length == TPDFKeyLength::kl128 ? -3904 : -64;
  if (options & coPrint) p += 4;
  if (options & coModifyStructure) p += 8;
  if (options & coCopyInformation) p += 16;
  if (options & coModifyAnnotation) p += 32;
  if (length == TPDFKeyLength::kl128) {
    if (options & coFillAnnotation) p += 256;
    if (options & coExtractInfo) p += 512;
    if (options & coAssemble) p += 1024;
    if (options & coPrintHi) p += 2048;
  }
  return p;
}

SecurityString PadPassword(std::string_view password) {
  SecurityString out;
  const std::size_t n = std::min<std::size_t>(password.size(), 32);
  std::memcpy(out.data(), password.data(), n);
  std::memcpy(out.data() + n, PasswordPadding().data(), 32 - n);
  return out;
}

std::array<std::uint8_t, 16> FileIDBytes(std::string_view hex) {
  std::array<std::uint8_t, 16> out{};
  for (std::size_t i = 0; i < 16 && i * 2 + 1 < hex.size(); ++i)
    out[i] = static_cast<std::uint8_t>(HexValue(hex[i * 2]) * 16 + HexValue(hex[i * 2 + 1]));
  return out;
}

SecurityString ComputeOwnerKey(std::string_view owner_password, std::string_view user_password,
                               TPDFKeyLength length) {
  const SecurityString padded_owner = PadPassword(owner_password);
  io::MD5Digest16 h = io::MD5Digest(padded_owner.data(), padded_owner.size());
  if (length == TPDFKeyLength::kl128) Rehash50(h);
  const std::size_t n = KeyBytes(length);
  SecurityString o = PadPassword(user_password);
  RC4Apply(h.data(), n, o);
  if (length == TPDFKeyLength::kl128) {
    for (int i = 1; i <= 19; ++i) {
      std::uint8_t key[16];
      for (std::size_t k = 0; k < n; ++k) key[k] = static_cast<std::uint8_t>(h[k] ^ i);
      RC4Apply(key, n, o);
    }
  }
  return o;
}

SecurityKey ComputeFileKey(std::string_view user_password, const SecurityString& owner_key,
                           std::int32_t permission, std::string_view file_id_hex, TPDFKeyLength length) {
  io::MD5Context ctx;
  io::MD5Init(ctx);
  const SecurityString padded = PadPassword(user_password);
  io::MD5Update(ctx, padded.data(), padded.size());
  io::MD5Update(ctx, owner_key.data(), owner_key.size());
  const auto p = static_cast<std::uint32_t>(permission);
  const std::uint8_t pb[4] = {static_cast<std::uint8_t>(p), static_cast<std::uint8_t>(p >> 8),
                              static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 24)};
  io::MD5Update(ctx, pb, 4);
  const auto id = FileIDBytes(file_id_hex);
  io::MD5Update(ctx, id.data(), id.size());
  io::MD5Digest16 h = io::MD5Final(ctx);
  if (length == TPDFKeyLength::kl128) Rehash50(h);
  SecurityKey key{};
  std::memcpy(key.data(), h.data(), KeyBytes(length));
  return key;
}

SecurityString ComputeUserKey(const SecurityKey& file_key, std::string_view file_id_hex,
                              TPDFKeyLength length, const std::function<std::uint8_t()>& random) {
  if (length == TPDFKeyLength::kl40) {
    SecurityString u = PasswordPadding();
    RC4Apply(file_key.data(), 5, u);
    return u;
  }
  io::MD5Context ctx;
  io::MD5Init(ctx);
  io::MD5Update(ctx, PasswordPadding().data(), 32);
  const auto id = FileIDBytes(file_id_hex);
  io::MD5Update(ctx, id.data(), id.size());
  io::MD5Digest16 h = io::MD5Final(ctx);
  for (int i = 0; i <= 19; ++i) {
    std::uint8_t key[16];
    for (std::size_t k = 0; k < 16; ++k) key[k] = static_cast<std::uint8_t>(file_key[k] ^ i);
    RC4Apply(key, 16, h);
  }
  SecurityString u{};
  std::memcpy(u.data(), h.data(), 16);
  for (std::size_t k = 16; k < 32; ++k) u[k] = random();
  return u;
}

std::string ObjectKey(const SecurityKey& file_key, bool is128, int object_number) {
  const std::size_t n = is128 ? 16 : 5;
  std::uint8_t buf[21];
  std::memcpy(buf, file_key.data(), n);
  const auto num = static_cast<std::uint32_t>(object_number);
  buf[n] = static_cast<std::uint8_t>(num);
  buf[n + 1] = static_cast<std::uint8_t>(num >> 8);
  buf[n + 2] = static_cast<std::uint8_t>(num >> 16);
  buf[n + 3] = 0;
  buf[n + 4] = 0;
  const io::MD5Digest16 h = io::MD5Digest(buf, n + 5);
  return std::string(reinterpret_cast<const char*>(h.data()), is128 ? 16 : 10);
}

namespace {
void CryptInPlace(const SecurityKey& file_key, bool is128, char* data, std::size_t size, int object_number) {
  const std::string key = ObjectKey(file_key, is128, object_number);
  io::RC4Context ctx;
  io::RC4Init(ctx, key.data(), key.size());
  io::RC4Crypt(ctx, data, data, size);
}
}  // namespace

std::string EncryptString(bool enabled, const SecurityKey& file_key, bool is128, std::string_view s,
                          int object_number) {
  std::string out(s);
  if (!enabled || out.empty()) return out;
  CryptInPlace(file_key, is128, out.data(), out.size(), object_number);
  return out;
}

std::string EncryptHexString(bool enabled, const SecurityKey& file_key, bool is128, std::string_view hex,
                             int object_number) {
  if (!enabled || hex.empty()) return std::string(hex);
  std::string bytes(hex.size() / 2, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>(HexValue(hex[i * 2]) * 16 + HexValue(hex[i * 2 + 1]));
  CryptInPlace(file_key, is128, bytes.data(), bytes.size(), object_number);
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char c : bytes) out += HexOfByte(static_cast<std::uint8_t>(c));
  return out;
}

void EncryptStream(bool enabled, const SecurityKey& file_key, bool is128, std::string& stream,
                   int object_number) {
  if (!enabled || stream.empty()) return;
  CryptInPlace(file_key, is128, stream.data(), stream.size(), object_number);
}

}  // namespace pdf
