// Fuzz target of the ZIP reader: any bytes are opened as an archive, every entry is listed and
// read to its end through both reading roads. Errors must come as library exceptions; crashes,
// sanitizer reports and hangs are failures.
#include <cstddef>
#include <cstdint>

#include "io/zip_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace io;
  TPointerMemoryStream in(data, static_cast<std::int64_t>(size));
  TXLSZipArchiveIntfXLS intf;
  try {
    intf.OpenRead(in);
  } catch (const core::Error&) {
    return 0;
  }
  TXLSZipArchive& zip = intf.Archive();
  for (int i = 0; i < zip.Count(); ++i) {
    TXLSZipFile* entry = zip.GetItem(i);
    // Declared sizes are not trusted: extraction stops at the first error.
    try {
      TMemoryStream out;
      entry->ExtractToStream(out);
    } catch (const core::Error&) {
    }
    try {
      auto s = intf.OpenFile(entry->GetName());
      std::uint8_t buf[1024];
      std::int64_t total = 0;
      while (total < (1 << 20)) {
        std::int64_t n = s->Read(buf, sizeof buf);
        if (n <= 0) break;
        total += n;
      }
      s->Seek(0, TSeekOrigin::soBeginning);
    } catch (const core::Error&) {
    }
  }
  return 0;
}
