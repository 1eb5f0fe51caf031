// A generated worksheet part of rows x cols cells (numbers and shared-string indexes, as a logger's
// readings), shared by the benchmarks that read worksheets.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace bench {

// Appends pieces one by one: chains of temporary strings trip a false -Wrestrict in GCC 12 at -O3.
inline void Put(std::string& s, std::initializer_list<std::string_view> parts) {
  for (std::string_view p : parts) s.append(p);
}

inline std::string MakeSheet(int rows, int cols) {
  std::string s;
  s.reserve(static_cast<std::size_t>(rows) * cols * 32);
  Put(s, {"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
          "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
          "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
          "<dimension ref=\"A1:J", std::to_string(rows), "\"/><sheetViews><sheetView workbookViewId=\"0\"/></sheetViews>"
          "<sheetFormatPr defaultRowHeight=\"15\"/><sheetData>"});
  unsigned seed = 12345;
  for (int r = 1; r <= rows; ++r) {
    const std::string row = std::to_string(r);
    Put(s, {"<row r=\"", row, "\" spans=\"1:", std::to_string(cols), "\">"});
    for (int c = 0; c < cols; ++c) {
      seed = seed * 1103515245u + 12345u;
      const char column[2] = {static_cast<char>('A' + c), 0};
      if (c < cols - 2) {
        // Integers and halves, as a logger's readings.
        unsigned v = (seed >> 8) % 100000;
        Put(s, {"<c r=\"", column, row, "\"><v>", std::to_string(v / 2), v % 2 ? ".5" : "", "</v></c>"});
      } else {
        Put(s, {"<c r=\"", column, row, "\" t=\"s\"><v>", std::to_string((seed >> 8) % 1000), "</v></c>"});
      }
    }
    s += "</row>";
  }
  s += "</sheetData><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
       "footer=\"0.3\"/></worksheet>";
  return s;
}

}  // namespace bench
