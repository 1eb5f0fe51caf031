// A workbook with a VBA project, built from the published layout of the VBA file format: the
// compressed container, a "dir" stream with its project and module records, module streams
// holding a stand-in for compiled code and the compressed source, and the project's other
// streams, in a compound file written by the project's own writer beside a workbook stream.
#pragma once

#include <string>
#include <vector>

#include "core/byte_io.h"
#include "platform/storage/compound_file.h"

namespace biff::testing {

// The compressed container of Data (chunks of 4096 bytes, copy tokens where a match of 3 bytes or
// more lies inside the chunk, a raw chunk where compression does not pay).
core::Bytes CompressVBA(core::ByteSpan Data);

struct TVBAFixtureModule {
  std::string Name;
  std::string StreamName;  // empty: the module name
  bool Document = false;
  std::string Source;      // CR LF line ends, "Attribute" lines first
  std::size_t CodeSize = 100;  // bytes in front of the source (where compiled code would be)
};

// The two modules of the fixture: a document module and a procedural module kept in a stream of
// another name.
std::vector<TVBAFixtureModule> FixtureModules();

// The decompressed dir stream for these modules; MissingTerminator leaves out the last record.
core::Bytes DirStreamRecords(const std::vector<TVBAFixtureModule>& Modules, bool MissingTerminator = false);

// Fills Project (a "_VBA_PROJECT_CUR" storage) with the project of these modules; Dir replaces the
// compressed dir stream when it is not empty.
void MakeVBAProject(platform::storage::Storage& Project, const std::vector<TVBAFixtureModule>& Modules,
                    const core::Bytes& Dir = {});

// Workbook is a whole .xls file without macros: the same file with the project added.
core::Bytes AddVBAProject(const core::Bytes& Workbook, const std::vector<TVBAFixtureModule>& Modules,
                          const core::Bytes& Dir = {});

}  // namespace biff::testing
