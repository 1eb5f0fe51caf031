// Fuzz target: any bytes as a styles or shared-string part (first byte even) or as a worksheet's
// sheet data (odd). What the events hand over is kept and written again through the write events,
// so the writers see every text and number the readers let through.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/error.h"
#include "ooxml/spreadsheetml/tests/sheet_host.h"
#include "xml/xml_stream.h"

namespace {

using namespace ooxml::sml;

struct Cell {
  std::u16string r, v, f;
  std::int32_t s;
  std::uint8_t t;
};

void Save(ooxml::TXPGDocBase& doc) {
  ooxml::XmlMemoryStream out;
  try {
    doc.SaveToStream(out);
  } catch (const core::Error&) {
    // A value too long for the writer's attribute buffer is refused, not written.
  }
}

void Parts(const std::string& xml) {
  TXPGDocXLSX doc;
  std::vector<std::u16string> strings;
  doc.GetSst()->OnReadSi = [&](TCT_Rst& si) { strings.push_back(si.t); };
  ooxml::XmlMemoryStream in(xml);
  try {
    doc.LoadFromStream(in);
  } catch (const core::Error&) {
    return;
  }
  std::size_t next = 0;
  doc.GetSst()->OnWriteSi = [&](TCT_Rst& si, bool& more) {
    if (next == strings.size()) return;
    si.t = strings[next++];
    more = true;
  };
  Save(doc);
}

void Sheet(const std::string& xml) {
  SheetDataHost doc;
  std::vector<std::vector<Cell>> rows(1);
  std::vector<std::int32_t> row_numbers;
  std::vector<std::u16string> merges;
  doc.data.row->OnReadCell = [&](TCT_Cell& c) {
    rows.back().push_back({c.r, c.v, c.f->text, c.s, c.t});
  };
  doc.data.OnReadRow = [&](TCT_Row& r) {
    row_numbers.push_back(r.r);
    rows.emplace_back();
  };
  doc.merges.OnReadMergeCell = [&](TCT_MergeCell& m) { merges.push_back(m.ref); };
  ooxml::XmlMemoryStream in(xml);
  try {
    doc.LoadFromStream(in);
  } catch (const core::Error&) {
    return;
  }
  std::size_t row = 0, cell = 0, merge = 0;
  doc.data.OnWriteRow = [&](TCT_Row& r, bool& more) {
    if (row == row_numbers.size()) return;
    r.r = row_numbers[row++];
    cell = 0;
    more = true;
  };
  doc.data.row->OnWriteCell = [&](TCT_Cell& c, bool& more) {
    const auto& cells = rows[row - 1];
    if (cell == cells.size()) return;
    const Cell& from = cells[cell++];
    c.r = from.r;
    c.v = from.v;
    c.f->text = from.f;
    c.s = from.s;
    c.t = from.t;
    more = true;
  };
  doc.merges.OnWriteMergeCell = [&](TCT_MergeCell* m, bool& more) {
    if (!m) {
      more = !merges.empty();
      return;
    }
    if (merge == merges.size()) return;
    m->ref = merges[merge++];
    more = true;
  };
  Save(doc);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string xml(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] % 2 == 0) Parts(xml);
  else Sheet(xml);
  return 0;
}
