#include <gtest/gtest.h>

#include <string>

#include "core/error.h"
#include "core/strings.h"
#include "io/md5.h"
#include "io/rc4.h"
#include "pdf/security.h"

namespace pdf {
namespace {

TEST(MD5, Rfc1321Suite) {
  struct Case {
    const char* input;
    const char* digest;
  };
  const Case cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const Case& c : cases) EXPECT_EQ(MD5HexString(c.input), c.digest) << '"' << c.input << '"';
}

TEST(MD5, PiecewiseUpdatesEqualOneCall) {
  // Split points around the 64-byte block and the 56-byte padding boundary.
  std::string data;
  for (int i = 0; i < 300; ++i) data.push_back(static_cast<char>(i * 7 + 3));
  for (std::size_t len : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 300u}) {
    const std::string part = data.substr(0, len);
    for (std::size_t split : {std::size_t{0}, std::size_t{1}, len / 2, len}) {
      MD5Context ctx;
      MD5Init(ctx);
      MD5Update(ctx, part.data(), split);
      MD5Update(ctx, part.data() + split, len - split);
      EXPECT_EQ(MD5DigestToHex(MD5Final(ctx)), MD5HexString(part)) << len << " split " << split;
    }
  }
}

std::string Rc4Hex(const std::string& key, const std::string& plain) {
  RC4Context ctx;
  RC4Init(ctx, key.data(), key.size());
  std::string out(plain.size(), '\0');
  RC4Crypt(ctx, plain.data(), out.data(), plain.size());
  return core::to_hex(out.data(), out.size(), true);
}

TEST(RC4, KnownVectors) {
  EXPECT_EQ(Rc4Hex("Key", "Plaintext"), "BBF316E8D940AF0AD3");
  EXPECT_EQ(Rc4Hex("Wiki", "pedia"), "1021BF0420");
  EXPECT_EQ(Rc4Hex("Secret", "Attack at dawn"), "45A01F645FC35B383552544B9BF5");
  // RFC 6229, 40-bit key 0102030405, key stream at offsets 0 and 16.
  const std::string key("\x01\x02\x03\x04\x05", 5);
  EXPECT_EQ(Rc4Hex(key, std::string(32, '\0')),
            "B2396305F03DC027CCC3524A0A1118A86982944F18FC82D589C403A47A0D0919");
}

TEST(RC4, RejectsKeyLengthsOutsideOneTo256) {
  RC4Context ctx;
  const std::string key(257, 'k');
  EXPECT_THROW(RC4Init(ctx, key.data(), 0), core::Error);
  EXPECT_THROW(RC4Init(ctx, key.data(), 257), core::Error);
  try {
    RC4Init(ctx, key.data(), 0);
  } catch (const core::Error& e) {
    EXPECT_STREQ(e.what(), "RC4: Invalid key length");
  }
  EXPECT_NO_THROW(RC4Init(ctx, key.data(), 256));
}

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
  RC4Context ctx;
  RC4Init(ctx, key.data(), 5);
  SecurityString expect = PasswordPadding();
  RC4Crypt(ctx, expect.data(), expect.data(), 32);
  EXPECT_EQ(u40, expect);
}

}  // namespace
}  // namespace pdf
