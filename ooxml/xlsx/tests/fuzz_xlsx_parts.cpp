// Fuzz target: packages whose sheets carry comments with VML note shapes, tables with query
// tables, pivot tables, drawings with their images, and chart sheets, read by the component's
// .xlsx road with a drawing loader in place (it parses the drawing part as a tree), so that damaged
// satellite parts and their relationships are reached. The input forms are those of the reader's
// own target. A read may fail with the library's error; it must never crash, hang or leak.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/error.h"
#include "formula/formula_handler.h"
#include "ooxml/opc/opc_streams.h"
#include "ooxml/opc/tests/fuzz_parts.h"
#include "ooxml/xlsx/xlsx_reader.h"
#include "workbook/spreadsheet_component.h"
#include "workbook/streams.h"
#include "xml/simple_dom.h"

namespace {

void Read(const std::string& bytes) {
  workbook::TXLSSpreadsheetNeighbours n;
  ooxml::RegisterXlsxNeighbours(n, [](workbook::TXc12DataWorksheet&, workbook::TStream& Part) {
    ooxml::TXpgSimpleDOM dom;
    ooxml::XmlOverTStream xml(Part);
    dom.Parse(xml);
  });
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
