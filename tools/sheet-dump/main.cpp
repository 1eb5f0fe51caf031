// sheet-dump [--password PASSWORD] FILE: prints what the library reads from an .xls workbook as
// JSON; the password opens an encrypted workbook.
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "core/unicode.h"
#include "tools/sheet-dump/sheet_dump.h"

int main(int argc, char** argv) {
  std::u16string password;
  int arg = 1;
  if (argc == 4 && std::string_view(argv[1]) == "--password") {
    password = core::utf8_to_utf16(argv[2]);
    arg = 3;
  }
  if (argc != arg + 1) {
    std::fprintf(stderr, "usage: sheet-dump [--password PASSWORD] FILE.xls\n");
    return 2;
  }
  const char* file = argv[arg];
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "sheet-dump: cannot open %s\n", file);
    return 1;
  }
  std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  try {
    const std::string json = sheet_dump::DumpXLS(core::ByteSpan(data.data(), data.size()), password);
    std::fwrite(json.data(), 1, json.size(), stdout);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "sheet-dump: %s\n", e.what());
    return 1;
  }
  return 0;
}
