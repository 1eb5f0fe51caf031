// Writes the empty legacy workbook and its ZIP archive from the record table.
// Usage: xls-template <table.records> <Empty.xls> <empty_xls.zip>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/storage/compound_file.h"
#include "tools/xls-template/template_builder.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: xls-template <table.records> <Empty.xls> <empty_xls.zip>\n");
    return 2;
  }
  try {
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) throw std::runtime_error(std::string("cannot read ") + argv[1]);
    std::stringstream table;
    table << in.rdbuf();
    const core::Bytes xls = xls_template::BuildCompoundFile(xls_template::BuildWorkbookStream(table.str()));
    platform::storage::write_file_atomically(argv[2], xls);
    platform::storage::write_file_atomically(argv[3], xls_template::BuildZip(xls));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "xls-template: %s\n", e.what());
    return 1;
  }
  return 0;
}
