// Fuzz target of the XML reader: strict and lenient parses of any bytes must end in events or a
// core::Error, never a crash; strict events must not depend on where the buffer boundaries fall; and a
// tree the DOM builds must save to XML that parses again to the same tree.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/error.h"
#include "xml/simple_dom.h"
#include "xml/tests/event_log.h"

namespace {

using ooxml::testing::EventLog;

struct Outcome {
  std::vector<std::string> events;
  std::string error;
};

Outcome Run(const std::string& input, bool tolerant, std::size_t buffer) {
  EventLog log;
  log.SetInitialBufferSize(buffer);
  ooxml::XmlMemoryStream in(input);
  Outcome out;
  try {
    if (tolerant) log.ParseTolerant(in);
    else log.Parse(in);
  } catch (const core::Error& e) {
    out.error = e.what();
  }
  for (auto& e : log.events) out.events.push_back(e);
  // Everything else a caller may ask after the parse.
  (void)log.LineCount();
  return out;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  Outcome strict = Run(input, false, 65536);
  Outcome small = Run(input, false, 8 + size % 23);
  Check(strict.events == small.events && strict.error == small.error);
  Run(input, true, 8 + size % 17);

  ooxml::TXpgSimpleDOM dom;
  try {
    ooxml::XmlMemoryStream in(input);
    dom.Parse(in);
  } catch (const core::Error&) {
    return 0;
  }
  ooxml::XmlMemoryStream saved;
  dom.SaveToStream(saved);
  saved.SetPosition(0);
  ooxml::TXpgSimpleDOM again;
  again.Parse(saved);  // must not throw: the writer's output is well-formed
  ooxml::XmlMemoryStream resaved;
  again.SaveToStream(resaved);
  Check(resaved.Data() == saved.Data());
  return 0;
}
