// Round trips of other producers' parts for the binding tests: every fixture file of each
// producer is read and written by the caller, the results land below the build tree, and
// tools/xpg-gen/xpg_compare.py compares the two trees (an independent parser, defaults dropped).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <string>

namespace ooxml {

// A variable of the test environment (THC_SOURCE_DIR, THC_BINARY_DIR); empty when unset.
inline std::string XpgEnv(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// For each producer: every file below <source>/<fixtures>/<producer> goes through roundtrip
// (its path relative to that folder, its text) and what it returns is written to
// <build>/<unit_dir>/roundtrip/<producer>; then the two trees are compared with the defaults
// files (relative to the build tree). Returns the number of files.
inline int XpgRoundTripFixtures(const std::string& fixtures, const std::string& unit_dir,
                                std::initializer_list<const char*> producers,
                                std::initializer_list<const char*> defaults,
                                const std::function<std::string(const std::string&, const std::string&)>& roundtrip) {
  namespace fs = std::filesystem;
  const fs::path source = XpgEnv("THC_SOURCE_DIR"), build = XpgEnv("THC_BINARY_DIR");
  int files = 0;
  for (const char* producer : producers) {
    const fs::path in = source / fixtures / producer;
    const fs::path out = build / unit_dir / "roundtrip" / producer;
    EXPECT_TRUE(fs::is_directory(in)) << in;
    if (!fs::is_directory(in)) continue;
    fs::remove_all(out);
    for (const auto& entry : fs::recursive_directory_iterator(in)) {
      if (!entry.is_regular_file()) continue;
      const std::string rel = fs::relative(entry.path(), in).generic_string();
      std::ifstream file(entry.path(), std::ios::binary);
      const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
      fs::create_directories((out / rel).parent_path());
      std::ofstream(out / rel, std::ios::binary) << roundtrip(rel, text);
      ++files;
    }
    std::string command = "/usr/bin/python3 \"" + (source / "tools/xpg-gen/xpg_compare.py").string() + "\"";
    for (const char* d : defaults) command += " --defaults \"" + (build / d).string() + "\"";
    command += " \"" + in.string() + "\" \"" + out.string() + "\"";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
  }
  return files;
}

}  // namespace ooxml
