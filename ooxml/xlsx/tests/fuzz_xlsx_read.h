// What the .xlsx fuzz targets share: a package read by the spreadsheet component's .xlsx road into
// a fresh workbook, with the formula handler the program uses; with the drawing documents of the
// registered road, or with drawing parts left unread.
// The read may fail with the library's error; it must never crash, hang or leak.
#pragma once

#include <cstdint>
#include <string>

#include "core/error.h"
#include "formula/formula_handler.h"
#include "ooxml/xlsx/xlsx_reader.h"
#include "workbook/spreadsheet_component.h"
#include "workbook/streams.h"

namespace xlsx_fuzzing {

inline void Read(const std::string& bytes, bool Drawings) {
  workbook::TXLSSpreadsheetNeighbours n;
  if (Drawings)
    ooxml::RegisterXlsxNeighbours(n);
  else
    ooxml::RegisterXlsxNeighbours(n, ooxml::TXlsxDrawingLoader());
  // As on the program's road: shared formulas compile while the sheet is read, names after it.
  n.CreateFormulaHandler = [](workbook::TXc12Manager* M) { return formula::CreateFormulaHandler(M); };
  workbook::TXLSSpreadsheet5 book(n);
  workbook::TPointerMemoryStream in(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  try {
    book.LoadFromStream(in, false);
  } catch (const core::Error&) {
  }
}

}  // namespace xlsx_fuzzing
