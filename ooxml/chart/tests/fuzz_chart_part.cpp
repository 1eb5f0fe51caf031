// Fuzz target: any bytes as a chart part, read through the chart document and written again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ooxml/binding/xpg_fuzzing.h"
#include "ooxml/chart/gen/chart.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string xml(reinterpret_cast<const char*>(data), size);
  ooxml::chart::TXPGDocXLSXChart doc;
  ooxml::XpgFuzzRoundTrip(doc, xml);
  return 0;
}
