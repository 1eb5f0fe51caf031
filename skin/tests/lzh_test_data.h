// Inputs of the codec tests: the generator that made the plain side of the committed -lh1- fixtures
// (tests/data/MakeLh1Fixtures.java made them with an independent encoder).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace skin::test {

using Bytes = std::vector<std::uint8_t>;

// A file of the skin's test data, found through the source tree that the test runner names.
inline std::string data_path(const std::string& name) {
  const char* root = std::getenv("THC_SOURCE_DIR");
  return (root ? std::string(root) + "/skin/" : std::string()) + "tests/data/" + name;
}

inline Bytes read_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), {});
}

// The generator that made the plain inputs of the committed -lh1- fixtures (see
// tests/data/MakeLh1Fixtures.java, which made them with an independent encoder).
struct FixtureRandom {
  std::int64_t state;
  int next() {
    state = (state * 1103515245LL + 12345LL) & 0x7fffffffLL;
    return static_cast<int>(state >> 16);
  }
};

inline Bytes fixture_text(std::size_t size) {
  const char* words[] = {"\xe6\xb8\xa9\xe5\xba\xa6", "humidity", "alarm ", "record", "\r\n", "channel ",
                         "0.5 ", "sensor ", "the ", "value ", "=", "history ", "23.75", "\t", "device "};
  FixtureRandom rnd{1};
  std::string out;
  while (out.size() < size) out += words[rnd.next() % 15];
  out.resize(size);
  return Bytes(out.begin(), out.end());
}
inline Bytes fixture_mixed(std::size_t size) {
  Bytes b(size);
  FixtureRandom rnd{2};
  std::size_t i = 0;
  while (i < size) {
    const int kind = rnd.next() % 4, n = 1 + rnd.next() % 200;
    for (int k = 0; k < n && i < size; ++k, ++i) {
      b[i] = static_cast<std::uint8_t>(kind == 0 ? 0 : kind == 1 ? rnd.next() : kind == 2 ? (k & 0xFF) : 0xFF);
    }
  }
  return b;
}
inline Bytes fixture_noise(std::size_t size) {
  Bytes b(size);
  FixtureRandom rnd{3};
  for (auto& x : b) x = static_cast<std::uint8_t>(0x40 + (rnd.next() & 15));
  return b;
}

inline Bytes sample(std::size_t size, int seed) {
  Bytes b = fixture_mixed(size);
  FixtureRandom rnd{seed};
  for (std::size_t i = 0; i < b.size(); i += 7) b[i] ^= static_cast<std::uint8_t>(rnd.next());
  return b;
}

}  // namespace skin::test
