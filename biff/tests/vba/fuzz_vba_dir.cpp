// Fuzz target: the VBA project's dir stream (compressed, as stored) read beside the module streams
// of the test project ("ThisWorkbook" and "Module1"). The first byte chooses whether the input is
// the stored stream itself (even) or the records it holds, compressed here (odd), so that changed
// records reach the parser as well as changed compressed data the decompressor.
#include <cstdint>

#include "biff/document/vba_project.h"
#include "biff/tests/vba/vba_fixture.h"
#include "core/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > 100000 || ((data[0] & 1) && size > 16384)) return 0;
  static const platform::storage::CompoundFile kProject = [] {
    platform::storage::CompoundFile f;
    biff::testing::MakeVBAProject(f.root().create_storage(u"_VBA_PROJECT_CUR"), biff::testing::FixtureModules());
    return f;
  }();
  platform::storage::CompoundFile file;
  kProject.root().copy_to(file.root());
  const core::ByteSpan rest(data + 1, size - 1);
  file.root().open_storage(u"_VBA_PROJECT_CUR")->open_storage(u"VBA")->open_stream(u"dir")->data =
      (data[0] & 1) ? biff::testing::CompressVBA(rest) : core::Bytes(rest.begin(), rest.end());
  biff::TXLSVBA vba;
  try {
    vba.ReadProject(file.root());
  } catch (const core::Error&) {
  }
  return 0;
}
