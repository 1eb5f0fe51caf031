// The JSON picture of a workbook read by the library, for comparing with other readers.
#pragma once

#include <string>

#include "core/byte_io.h"

namespace sheet_dump {

// Reads the .xls file in Data and returns its JSON text (UTF-8, one cell per line). Raises the
// reader's error for a file the library refuses. Password opens an encrypted workbook.
std::string DumpXLS(core::ByteSpan Data, const std::u16string& Password = std::u16string());

}  // namespace sheet_dump
