// Helpers shared by the ZIP tests: the content recipes of the committed fixtures and small
// archive builders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/clock.h"
#include "io/zip_archive.h"

namespace io::testing {

using Bytes = std::vector<std::uint8_t>;

// deflated.bin of the fixtures: bytes i*7 mod 251.
inline Bytes Ramp(std::size_t n) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>((i * 7) % 251);
  return b;
}

// stored.txt and sub/text.txt of the fixtures.
inline Bytes SampleText(int lines) {
  std::string s;
  for (int i = 0; i < lines; ++i) s += "line " + std::to_string(i) + " of the sample text\n";
  return Bytes(s.begin(), s.end());
}

inline Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

inline Bytes Extract(TXLSZipArchive& zip, const std::u16string& name) {
  int i = zip.IndexOf(name);
  if (i < 0) throw std::runtime_error("no entry " + std::string(name.begin(), name.end()));
  TMemoryStream out;
  zip.GetItem(i)->ExtractToStream(out);
  return out.Bytes();
}

inline std::string FixturePath(const std::string& name) {
  return std::string(THC_IO_TEST_DATA) + "/zip/" + name;
}

// A clock at a fixed local time, so archives written in tests are the same every run.
class FixedTime {
public:
  FixedTime() : clock_(), scoped_(clock_) {
    core::LocalTime t;
    t.year = 2024;
    t.month = 5;
    t.day = 17;
    t.hour = 10;
    t.minute = 30;
    t.second = 20;
    clock_.set_wall(core::from_local(t));
  }

private:
  core::VirtualClock clock_;
  core::ScopedClock scoped_;
};

}  // namespace io::testing
