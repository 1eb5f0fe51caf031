// Fuzz target: packages whose sheets carry comments with VML note shapes, tables with query
// tables, pivot tables, drawings with their images, and chart sheets, read by the component's
// .xlsx road with a drawing loader in place (it parses the drawing part as a tree), so that damaged
// satellite parts and their relationships are reached. The input forms are those of the reader's
// own target.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ooxml/opc/opc_streams.h"
#include "ooxml/opc/tests/fuzz_parts.h"
#include "ooxml/xlsx/tests/fuzz_xlsx_read.h"
#include "xml/simple_dom.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  opc_testing::ReadFuzzPackage(data, size, [](const std::string& bytes) {
    xlsx_fuzzing::Read(bytes, [](workbook::TXc12DataWorksheet&, workbook::TStream& Part) {
      ooxml::TXpgSimpleDOM dom;
      ooxml::XmlOverTStream xml(Part);
      dom.Parse(xml);
    });
  });
  return 0;
}
