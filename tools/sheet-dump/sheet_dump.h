// The JSON picture of a workbook read by the library, for comparing with other readers.
#pragma once

#include <memory>
#include <string>

#include "core/byte_io.h"

namespace workbook {
class TXLSSpreadsheet5;
}

namespace sheet_dump {

// A workbook read from the bytes of an .xls or .xlsx file through the spreadsheet component (its legacy
// or Open XML road), as a program using the library meets it. Raises the reader's error for a file the
// library refuses.
class TWorkbookDump {
public:
  // Password opens an encrypted workbook.
  explicit TWorkbookDump(core::ByteSpan Data, const std::u16string& Password = std::u16string());
  ~TWorkbookDump();
  TWorkbookDump(const TWorkbookDump&) = delete;
  TWorkbookDump& operator=(const TWorkbookDump&) = delete;

  // What the library sees, as JSON text (UTF-8, one cell per line): per sheet its name, state,
  // layout (default column width, default row height, rows of their own height), merged ranges,
  // notes and cells; the defined names.
  std::string Json();
  // Writes the workbook as read, as .xlsx or .xls by the file name's extension. A legacy workbook
  // saves either way; an .xlsx workbook only as .xlsx. Raises for any other extension.
  void SaveAs(const std::string& FileName);

private:
  std::unique_ptr<workbook::TXLSSpreadsheet5> Book_;
};

// TWorkbookDump(Data, Password).Json().
std::string DumpXLS(core::ByteSpan Data, const std::u16string& Password = std::u16string());

}  // namespace sheet_dump
