#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/byte_io.h"
#include "core/testing/tool_run.h"
#include "skin/lzh_codec.h"
#include "skin/tests/lzh_test_data.h"

namespace skin {
namespace {

using namespace skin::test;

// Wraps a raw stream as a one-member LHA archive (level-0 header), so that an outside extractor
// checks the project's encoder.
Bytes lha_archive(const std::string& name, const Bytes& plain, const Bytes& stream) {
  std::uint16_t crc = 0;
  for (std::uint8_t b : plain) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = static_cast<std::uint16_t>(crc & 1 ? (crc >> 1) ^ 0xA001 : crc >> 1);
  }
  core::ByteWriter h;
  h.raw_string("-lh1-");
  h.u32le(static_cast<std::uint32_t>(stream.size()));
  h.u32le(static_cast<std::uint32_t>(plain.size()));
  h.u32le(0x5D8A0000);  // a fixed DOS time stamp
  h.u8(0x20);
  h.u8(0);
  h.u8(static_cast<std::uint8_t>(name.size()));
  h.raw_string(name);
  h.u16le(crc);
  const Bytes body = h.take();
  std::uint8_t sum = 0;
  for (std::uint8_t b : body) sum = static_cast<std::uint8_t>(sum + b);
  Bytes out{static_cast<std::uint8_t>(body.size()), sum};
  out.insert(out.end(), body.begin(), body.end());
  out.insert(out.end(), stream.begin(), stream.end());
  out.push_back(0);
  return out;
}

TEST(LzhEncodeInterop, OutsideExtractorReadsOurStreams) {
  if (!core::testing::HaveTool("lhasa")) GTEST_SKIP() << "lhasa is not installed";
  const char* bin = std::getenv("THC_BINARY_DIR");
  const std::filesystem::path dir =
      std::filesystem::path(bin ? bin : std::filesystem::temp_directory_path().string()) / "skin_lhasa_check";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::pair<const char*, Bytes> inputs[] = {{"text.txt", fixture_text(50000)},
                                                   {"noise.bin", fixture_noise(150000)},
                                                   {"mixed.bin", sample(40000, 5)}};
  for (const auto& [name, plain] : inputs) {
    SCOPED_TRACE(name);
    const Bytes archive = lha_archive(name, plain, lzh_encode(plain));
    const auto path = dir / (std::string(name) + ".lzh");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(archive.data()),
                                                static_cast<std::streamsize>(archive.size()));
    const std::string cmd = "cd '" + dir.string() + "' && lhasa -xq '" + path.filename().string() + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(read_file((dir / name).string()), plain);
  }
}

}  // namespace
}  // namespace skin
