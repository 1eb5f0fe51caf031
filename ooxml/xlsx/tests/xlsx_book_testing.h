// A spreadsheet component on the .xlsx road, for the reader's and writer's tests: packages in and
// out as byte strings.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <utility>

#include "ooxml/xlsx/xlsx_reader.h"
#include "workbook/manager.h"
#include "workbook/spreadsheet_component.h"
#include "workbook/streams.h"
#include "workbook/worksheet_data.h"

namespace xlsx_testing {

class XlsxBook {
public:
  // The registered road: sheets get drawing documents and drawing parts are read into them.
  XlsxBook() : XlsxBook(Registered()) {}
  // With the drawing loader given; an empty one leaves drawing parts unread, kept whole.
  explicit XlsxBook(ooxml::TXlsxDrawingLoader Loader) {
    workbook::TXLSSpreadsheetNeighbours n;
    ooxml::RegisterXlsxNeighbours(n, std::move(Loader));
    book_ = std::make_unique<workbook::TXLSSpreadsheet5>(n);
  }
  explicit XlsxBook(const workbook::TXLSSpreadsheetNeighbours& Neighbours)
      : book_(std::make_unique<workbook::TXLSSpreadsheet5>(Neighbours)) {}

  void Load(const std::string& Zip) {
    workbook::TPointerMemoryStream s(Zip.data(), static_cast<std::int64_t>(Zip.size()));
    book_->LoadFromStream(s, true);
  }
  // The message of the exception a load raises; "" when it loads.
  std::string Error(const std::string& Zip) {
    try {
      Load(Zip);
    } catch (const std::exception& e) {
      return e.what();
    }
    return {};
  }
  std::string Save() {
    workbook::TMemoryStream s;
    book_->SaveToStream(s);
    const auto& b = s.Bytes();
    return std::string(b.begin(), b.end());
  }

  workbook::TXLSSpreadsheet5& Component() { return *book_; }
  workbook::TXc12Manager& Manager() { return *book_->GetManager(); }
  workbook::TXc12DataWorksheet& Sheet(int i = 0) { return *Manager().Worksheets->GetItem(i); }

private:
  static workbook::TXLSSpreadsheetNeighbours Registered() {
    workbook::TXLSSpreadsheetNeighbours n;
    ooxml::RegisterXlsxNeighbours(n);
    return n;
  }
  std::unique_ptr<workbook::TXLSSpreadsheet5> book_;
};

}  // namespace xlsx_testing
