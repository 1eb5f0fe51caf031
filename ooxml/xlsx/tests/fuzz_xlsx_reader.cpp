// Fuzz target: a package read by the spreadsheet component's .xlsx road into a fresh workbook. The
// first byte picks the input form: raw archive bytes (even), or a list of parts packed into an
// archive first (odd), so that mutations reach the parts past the archive's checksums. A read may
// fail with the library's error; it must never crash, hang or leak. Drawing parts stay unread here
// (kept whole); the parts target reads them into the drawing documents.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ooxml/opc/tests/fuzz_parts.h"
#include "ooxml/xlsx/tests/fuzz_xlsx_read.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  opc_testing::ReadFuzzPackage(data, size, [](const std::string& bytes) { xlsx_fuzzing::Read(bytes, false); });
  return 0;
}
