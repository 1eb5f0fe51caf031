// The hashes and the cipher against their published test vectors.
#include <gtest/gtest.h>

#include <string>

#include "core/error.h"
#include "core/strings.h"
#include "core/unicode.h"
#include "io/exceptions.h"
#include "io/md4.h"
#include "io/md5.h"
#include "io/rc4.h"

namespace io {
namespace {

std::string Hex(const TMD4Hash::TDigest& D) { return core::to_hex(D.data(), D.size()); }

TEST(MD4, KnownDigests) {
  const struct {
    const char* text;
    const char* digest;
  } cases[] = {
      {"", "31d6cfe0d16ae931b73c59d7e0c089c0"},
      {"a", "bde52cb31de33e46245e05fbdbd6fb24"},
      {"abc", "a448017aaf21d8525fc10ae87aa6729d"},
      {"message digest", "d9130a8164549fe818874806e1c7014b"},
      {"abcdefghijklmnopqrstuvwxyz", "d79e1c308aa5bbcdeea8ed63df412da9"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "e33b4ddc9c38f2199c3e7b164fcc0536"},
  };
  for (const auto& c : cases) {
    const std::string t = c.text;
    EXPECT_EQ(core::ascii_lower(Hex(TMD4Hash::Of(core::ByteSpan(reinterpret_cast<const std::uint8_t*>(t.data()), t.size())))),
              c.digest)
        << c.text;
  }
  TMD4Hash h;
  EXPECT_THROW(h.Update("x", 1), Exception);
  h.Init();
  h.Update("ab", 2);
  h.Update("c", 1);
  EXPECT_EQ(core::ascii_lower(Hex(h.Final())), "a448017aaf21d8525fc10ae87aa6729d");
  EXPECT_THROW(h.Final(), Exception);  // Final resets the object
}

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

TEST(RC4, KeyStreamGoesOnAcrossCalls) {
  // The same RFC 6229 key stream cut into pieces of 1, 15 and 16 bytes.
  const std::string key("\x01\x02\x03\x04\x05", 5);
  RC4Context ctx;
  RC4Init(ctx, key.data(), key.size());
  std::string out(32, '\0');
  RC4Crypt(ctx, out.data(), out.data(), 1);
  RC4Crypt(ctx, out.data() + 1, out.data() + 1, 15);
  RC4Crypt(ctx, out.data() + 16, out.data() + 16, 16);
  EXPECT_EQ(core::to_hex(out.data(), out.size(), true),
            "B2396305F03DC027CCC3524A0A1118A86982944F18FC82D589C403A47A0D0919");
  // A new key starts the stream again.
  RC4Init(ctx, key.data(), key.size());
  std::string again(1, '\0');
  RC4Crypt(ctx, again.data(), again.data(), 1);
  EXPECT_EQ(static_cast<std::uint8_t>(again[0]), 0xB2);
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

}  // namespace
}  // namespace io
