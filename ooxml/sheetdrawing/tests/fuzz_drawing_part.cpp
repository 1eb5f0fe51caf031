// Fuzz target: any bytes as a worksheet drawing part, read through the drawing document (with a
// picture store, without a package) and written again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ooxml/binding/xpg_fuzzing.h"
#include "ooxml/sheetdrawing/drawing_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string xml(reinterpret_cast<const char*>(data), size);
  workbook::TXc12GraphicManager store(nullptr);
  ooxml::sheetdrawing::TXPGDocXLSXDrawing doc(&store);
  ooxml::XpgFuzzRoundTrip(doc, xml);
  return 0;
}
