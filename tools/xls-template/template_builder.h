// Builds the empty legacy workbook that the spreadsheet component starts from: the record table
// (assets/xls/empty_xls.records) becomes a "Workbook" stream, the stream a compound file with two
// neutral property-set streams, and the file a one-entry ZIP archive that the library embeds.
#pragma once

#include <string_view>

#include "core/byte_io.h"

namespace xls_template {

// The workbook stream of a record table; a malformed table raises core::Error with its line.
core::Bytes BuildWorkbookStream(std::string_view Table);
// A compound file holding the workbook stream and the two summary property sets (code page only).
core::Bytes BuildCompoundFile(const core::Bytes& Workbook);
// A ZIP archive with the single deflated entry "Empty.xls", dated 1980-01-01 00:00.
core::Bytes BuildZip(const core::Bytes& File);

}  // namespace xls_template
