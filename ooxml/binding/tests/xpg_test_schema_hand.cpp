// The hand-written operations that the test schema declares (hand=AfterTag,ReadContent): a
// container that hands its one reused child over after each of the child's end tags.
#include "ooxml/binding/gen/xpg_test_schema.h"

namespace ooxml::xpgtest {

void TCT_Stream::ReadContent(TXPGReader&) { ++Opened; }

void TCT_Stream::AfterTag() {
  if (row->FAssigned != 0) Seen.push_back(row->n);
  row->Clear();
}

}  // namespace ooxml::xpgtest
