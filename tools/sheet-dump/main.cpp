// sheet-dump FILE: prints what the library reads from an .xls workbook as JSON.
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <vector>

#include "tools/sheet-dump/sheet_dump.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: sheet-dump FILE.xls\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "sheet-dump: cannot open %s\n", argv[1]);
    return 1;
  }
  std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  try {
    const std::string json = sheet_dump::DumpXLS(core::ByteSpan(data.data(), data.size()));
    std::fwrite(json.data(), 1, json.size(), stdout);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "sheet-dump: %s\n", e.what());
    return 1;
  }
  return 0;
}
