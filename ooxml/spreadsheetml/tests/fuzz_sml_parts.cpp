// Fuzz target: any bytes after the first as one SpreadsheetML part (workbook, worksheet,
// chartsheet, dialogsheet, styles, shared strings, comments, table). Every item the read events
// hand over is kept and written again through the write events, so the writers see every text and
// number the readers let through. (The first byte chose the part's kind in older seeds.)
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/error.h"
#include "ooxml/spreadsheetml/testing/part_roundtrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string xml(reinterpret_cast<const char*>(data) + 1, size - 1);
  try {
    ooxml::sml::testing::RoundTripPart(xml);
  } catch (const core::Error&) {
    // Malformed XML is refused, and a value too long for the writer's attribute buffer too.
  }
  return 0;
}
