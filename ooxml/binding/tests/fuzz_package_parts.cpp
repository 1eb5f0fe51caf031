// Fuzz target: any bytes as one of the package parts or as a part of the framework's test schema
// (alternate content, groups, ordered lists, kept extension content); the first byte picks the
// binding. The part is read and, when the read succeeds, written again.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "ooxml/binding/gen/content_types.h"
#include "ooxml/binding/gen/docprops_app.h"
#include "ooxml/binding/gen/external_link.h"
#include "ooxml/binding/gen/opc_relationships.h"
#include "ooxml/binding/gen/xpg_test_schema.h"
#include "ooxml/binding/xpg_fuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::unique_ptr<ooxml::TXPGDocBase> doc;
  switch (data[0] % 5) {
    case 0: doc = std::make_unique<ooxml::opc::TXPGDocOPC>(); break;
    case 1: doc = std::make_unique<ooxml::content_types::TXPGDocContentType>(); break;
    case 2: doc = std::make_unique<ooxml::docprops::TXPGDocDocPropsApp>(); break;
    case 3: doc = std::make_unique<ooxml::xlink::TXPGDocXLink>(); break;
    default: doc = std::make_unique<ooxml::xpgtest::TXPGDocTest>(); break;
  }
  ooxml::XpgFuzzRoundTrip(*doc, std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  return 0;
}
