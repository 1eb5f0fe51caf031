// Fuzz target: a package read by the spreadsheet component's .xlsx road into a fresh workbook. The
// first byte picks the input form: raw archive bytes (even), or a list of parts packed into an
// archive first (odd), so that mutations reach the parts past the archive's checksums. A read may
// fail with the library's error; it must never crash, hang or leak.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/error.h"
#include "formula/formula_handler.h"
#include "ooxml/opc/tests/fuzz_parts.h"
#include "ooxml/xlsx/xlsx_reader.h"
#include "workbook/spreadsheet_component.h"
#include "workbook/streams.h"

namespace {

void Read(const std::string& bytes) {
  workbook::TXLSSpreadsheetNeighbours n;
  ooxml::RegisterXlsxNeighbours(n);
  // As on the program's road: shared formulas compile while the sheet is read, names after it.
  n.CreateFormulaHandler = [](workbook::TXc12Manager* M) { return formula::CreateFormulaHandler(M); };
  workbook::TXLSSpreadsheet5 book(n);
  workbook::TPointerMemoryStream in(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  try {
    book.LoadFromStream(in, false);
  } catch (const core::Error&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  opc_testing::ReadFuzzPackage(data, size, Read);
  return 0;
}
