// Fuzz target: any bytes as a chart part, read through the chart document and written again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/error.h"
#include "ooxml/chart/gen/chart.h"
#include "xml/xml_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string xml(reinterpret_cast<const char*>(data), size);
  ooxml::chart::TXPGDocXLSXChart doc;
  ooxml::XmlMemoryStream in(xml);
  try {
    doc.LoadFromStream(in);
  } catch (const core::Error&) {
    return 0;
  }
  ooxml::XmlMemoryStream out;
  try {
    doc.SaveToStream(out);
  } catch (const core::Error&) {
    // A value too long for the writer's attribute buffer is refused, not written.
  }
  return 0;
}
