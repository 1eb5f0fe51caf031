// Fuzz target: packages whose sheets carry comments with VML note shapes, tables with query
// tables, pivot tables, drawings with their pictures and charts, and chart sheets, read by the
// component's .xlsx road as the program registers it: each drawing goes into its sheet's drawing
// document, which registers the pictures and reads the charts, so that damaged satellite parts and
// their relationships are reached. The input forms are those of the reader's own target.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ooxml/opc/tests/fuzz_parts.h"
#include "ooxml/xlsx/tests/fuzz_xlsx_read.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  opc_testing::ReadFuzzPackage(data, size, [](const std::string& bytes) { xlsx_fuzzing::Read(bytes, true); });
  return 0;
}
