// The standard security handler: permission value, owner and user strings, file and object keys
// (revision 2 with 40-bit keys, revision 3 with 128-bit keys) and the encryption of values.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace pdf {

enum TPDFCriptoOption : unsigned {
  coPrint = 1u << 0,
  coModifyStructure = 1u << 1,
  coCopyInformation = 1u << 2,
  coModifyAnnotation = 1u << 3,
  coPrintHi = 1u << 4,
  coFillAnnotation = 1u << 5,
  coExtractInfo = 1u << 6,
  coAssemble = 1u << 7,
};
// A set of TPDFCriptoOption bits.
using TPDFCtiptoOptions = unsigned;

enum class TPDFKeyLength { kl40, kl128 };

using SecurityKey = std::array<std::uint8_t, 16>;
using SecurityString = std::array<std::uint8_t, 32>;

// The 32-byte padding string of the standard security handler.
const SecurityString& PasswordPadding();

std::int32_t PermissionValue(TPDFCtiptoOptions options, TPDFKeyLength length);
// The password's first 32 bytes completed with the padding string.
SecurityString PadPassword(std::string_view password);
// The 16 bytes a 32-digit hexadecimal file identifier stands for.
std::array<std::uint8_t, 16> FileIDBytes(std::string_view file_id_hex);

SecurityString ComputeOwnerKey(std::string_view owner_password, std::string_view user_password,
                               TPDFKeyLength length);
// Only the first 5 bytes count with kl40.
SecurityKey ComputeFileKey(std::string_view user_password, const SecurityString& owner_key,
                           std::int32_t permission, std::string_view file_id_hex, TPDFKeyLength length);
// Random supplies the last 16 bytes with kl128 (each in 32..231); unused with kl40.
SecurityString ComputeUserKey(const SecurityKey& file_key, std::string_view file_id_hex,
                              TPDFKeyLength length, const std::function<std::uint8_t()>& random);
// The RC4 key of one object (generation 0): 10 bytes with kl40, 16 with kl128.
std::string ObjectKey(const SecurityKey& file_key, bool is128, int object_number);

std::string EncryptString(bool enabled, const SecurityKey& file_key, bool is128, std::string_view s,
                          int object_number);
// Pairs of hex digits become bytes, are encrypted and written back as uppercase digits.
std::string EncryptHexString(bool enabled, const SecurityKey& file_key, bool is128,
                             std::string_view hex, int object_number);
// In place.
void EncryptStream(bool enabled, const SecurityKey& file_key, bool is128, std::string& stream,
                   int object_number);

}  // namespace pdf
