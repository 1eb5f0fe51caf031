// sheet-dump [--password PASSWORD] FILE [--save-as OUT.xlsx|OUT.xls]: prints what the library reads
// from an .xls or .xlsx workbook as JSON, and with --save-as writes the workbook as read to OUT, as
// .xlsx or .xls by its extension (the library's read and write round trip, for checking with other
// readers); the password opens an encrypted workbook.
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/unicode.h"
#include "tools/sheet-dump/sheet_dump.h"

int main(int argc, char** argv) {
  const char* input = nullptr;
  const char* saveAs = nullptr;
  const char* password = nullptr;
  bool bad = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--save-as") == 0 && i + 1 < argc && !saveAs)
      saveAs = argv[++i];
    else if (std::strcmp(argv[i], "--password") == 0 && i + 1 < argc && !password)
      password = argv[++i];
    else if (!input && argv[i][0] != '-')
      input = argv[i];
    else
      bad = true;
  }
  if (bad || !input) {
    std::fprintf(stderr, "usage: sheet-dump [--password PASSWORD] FILE.xls|FILE.xlsx [--save-as OUT.xlsx|OUT.xls]\n");
    return 2;
  }
  std::ifstream in(input, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "sheet-dump: cannot open %s\n", input);
    return 1;
  }
  std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  try {
    sheet_dump::TWorkbookDump book(core::ByteSpan(data.data(), data.size()),
                                   password ? core::utf8_to_utf16(password) : std::u16string());
    const std::string json = book.Json();
    std::fwrite(json.data(), 1, json.size(), stdout);
    std::fflush(stdout);
    if (saveAs) book.SaveAs(saveAs);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "sheet-dump: %s\n", e.what());
    return 1;
  }
  return 0;
}
