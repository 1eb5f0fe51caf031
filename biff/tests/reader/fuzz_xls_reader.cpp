// Fuzz target: a workbook stream read by the .xls reader into a fresh workbook, as the "Workbook"
// stream of a compound file (the compound-file layer has its own fuzz target), and again as a
// BIFF5 "Book" stream. Only the library's own errors may come out.
#include <cstdint>
#include <vector>

#include "biff/document/biff5_document.h"
#include "core/error.h"
#include "platform/storage/compound_file.h"
#include "workbook/error_manager.h"
#include "workbook/manager.h"

namespace {

void ReadAs(const std::uint8_t* data, std::size_t size, const char16_t* name) {
  platform::storage::CompoundFile cf;
  cf.root().create_stream(name).data.assign(data, data + size);
  const core::Bytes file = cf.serialize();
  workbook::TXLSErrorManager errors;
  workbook::TXc12DataClassFactory factory;
  workbook::TXc12Manager manager(&factory, &errors);
  manager.CreateParts();
  biff::TBIFF5 doc(&manager);
  try {
    doc.ReadStream(core::ByteSpan(file.data(), file.size()));
  } catch (const core::Error&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 200000) return 0;
  ReadAs(data, size, u"Workbook");
  ReadAs(data, size, u"Book");
  return 0;
}
