// Fuzz target: the compound-file reader on arbitrary bytes, and the writer on whatever it accepts.
#include <cstdint>

#include "platform/storage/compound_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    platform::storage::CompoundFile cf = platform::storage::CompoundFile::parse(core::ByteSpan(data, size));
    core::Bytes again = cf.serialize();
    platform::storage::CompoundFile::parse(again);
  } catch (const platform::storage::StorageError&) {
  }
  return 0;
}
