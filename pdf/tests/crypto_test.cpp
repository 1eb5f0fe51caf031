#include <gtest/gtest.h>

#include <string>

#include "core/error.h"
#include "core/strings.h"
#include "io/rc4.h"
#include "pdf/security.h"

namespace pdf {
namespace {

TEST(Security, PermissionValues) {
  struct Case {
    TPDFCtiptoOptions options;
    TPDFKeyLength length;
    std::int32_t p;
  };
  const TPDFCtiptoOptions all = coPrint | coModifyStructure | coCopyInformation | coModifyAnnotation |
                                coPrintHi | coFillAnnotation | coExtractInfo | coAssemble;
  const Case cases[] = {
      {coPrint, TPDFKeyLength::kl40, -60},
      {all, TPDFKeyLength::kl40, -4},
      {coPrintHi | coFillAnnotation | coExtractInfo | coAssemble, TPDFKeyLength::kl40, -64},
      {coPrint | coPrintHi, TPDFKeyLength::kl128, -1852},
      {all, TPDFKeyLength::kl128, -4},
      {0, TPDFKeyLength::kl128, -3904},
  };
  for (const Case& c : cases) EXPECT_EQ(PermissionValue(c.options, c.length), c.p) << c.options;
}

TEST(Security, LongPasswordsCountWithTheirFirst32Bytes) {
  const std::string p40 = "0123456789abcdefghijklmnopqrstuvWXYZ!@#$";
  const std::string p32 = p40.substr(0, 32);
  EXPECT_EQ(PadPassword(p40), PadPassword(p32));
  for (auto len : {TPDFKeyLength::kl40, TPDFKeyLength::kl128}) {
    const auto o40 = ComputeOwnerKey("owner", p40, len);
    EXPECT_EQ(o40, ComputeOwnerKey("owner", p32, len));
    const std::string id = "00112233445566778899aabbccddeeff";
    EXPECT_EQ(ComputeFileKey(p40, o40, -60, id, len), ComputeFileKey(p32, o40, -60, id, len));
  }
  // An empty password is the padding string itself.
  EXPECT_EQ(PadPassword(""), PasswordPadding());
}

TEST(Security, EncryptionRoundTripsAndLeavesEmptyValues) {
  SecurityKey key{};
  for (int i = 0; i < 16; ++i) key[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 17 + 1);
  for (bool is128 : {false, true}) {
    const std::string enc = EncryptString(true, key, is128, "Secret (text)", 7);
    EXPECT_NE(enc, "Secret (text)");
    // RC4 is its own inverse with the same object key.
    EXPECT_EQ(EncryptString(true, key, is128, enc, 7), "Secret (text)");
    // Another object number gives another key.
    EXPECT_NE(EncryptString(true, key, is128, "Secret (text)", 8), enc);
    EXPECT_EQ(EncryptString(true, key, is128, "", 7), "");
    EXPECT_EQ(EncryptString(false, key, is128, "plain", 7), "plain");
    EXPECT_EQ(ObjectKey(key, is128, 7).size(), is128 ? 16u : 10u);

    const std::string hex = EncryptHexString(true, key, is128, "FEFF0041", 3);
    const std::string bytes = EncryptString(true, key, is128, std::string("\xFE\xFF\x00\x41", 4), 3);
    EXPECT_EQ(hex, core::to_hex(bytes.data(), bytes.size(), true));

    std::string stream = "stream bytes";
    EncryptStream(true, key, is128, stream, 9);
    EXPECT_EQ(stream, EncryptString(true, key, is128, "stream bytes", 9));
  }
}

TEST(Security, ObjectKeyUsesThreeLowBytesOfTheNumber) {
  SecurityKey key{};
  // Numbers that differ only above the third byte share their key.
  EXPECT_EQ(ObjectKey(key, true, 0x01000005), ObjectKey(key, true, 5));
  EXPECT_NE(ObjectKey(key, true, 0x00010005), ObjectKey(key, true, 5));
}

TEST(Security, UserKey128EndsWithTheRandomBytes) {
  SecurityKey key{};
  int calls = 0;
  const auto u = ComputeUserKey(key, "00112233445566778899aabbccddeeff", TPDFKeyLength::kl128, [&] {
    ++calls;
    return static_cast<std::uint8_t>(32 + calls);
  });
  EXPECT_EQ(calls, 16);
  for (int i = 16; i < 32; ++i) EXPECT_EQ(u[static_cast<std::size_t>(i)], 32 + i - 15);
  // Revision 2: RC4 of the padding with the 5-byte key, no random part.
  const auto u40 = ComputeUserKey(key, "", TPDFKeyLength::kl40, [] { return std::uint8_t{0}; });
  io::RC4Context ctx;
  io::RC4Init(ctx, key.data(), 5);
  SecurityString expect = PasswordPadding();
  io::RC4Crypt(ctx, expect.data(), expect.data(), 32);
  EXPECT_EQ(u40, expect);
}

}  // namespace
}  // namespace pdf
