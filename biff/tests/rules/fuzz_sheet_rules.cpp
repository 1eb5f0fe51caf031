// Fuzz target: records of a worksheet (conditional formats, validations, autofilters, or anything)
// placed in a workbook stream whose globals hold the sheet's filter-database name, read into a fresh
// workbook and written again, once as read and once with every rule rebuilt from the model. Only
// the library's own errors may come out.
#include <cstdint>
#include <vector>

#include "biff/document/biff5_document.h"
#include "biff/document/sheet_rules.h"
#include "biff/writer/xls_writer.h"
#include "core/byte_io.h"
#include "core/error.h"
#include "platform/storage/compound_file.h"
#include "workbook/comments_data.h"
#include "workbook/conditional_formats.h"
#include "workbook/error_manager.h"
#include "workbook/manager.h"
#include "workbook/worksheet_data.h"

namespace {

void Record(core::ByteWriter& W, std::uint16_t Id, const std::vector<std::uint8_t>& Body) {
  W.u16le(Id);
  W.u16le(static_cast<std::uint16_t>(Body.size()));
  W.bytes(Body.data(), Body.size());
}

core::Bytes Workbook(const std::uint8_t* Data, std::size_t Size) {
  core::ByteWriter w;
  const std::vector<std::uint8_t> bof = {0x00, 0x06, 0x05, 0x00, 0xBB, 0x0D, 0xCC, 0x07, 0, 0, 0, 0, 0x06, 0, 0, 0};
  Record(w, 0x0809, bof);
  // _FilterDatabase of sheet 1: $A$1:$C$5.
  Record(w, 0x0018, {0x21, 0x00, 0x00, 0x01, 0x0B, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0D,
                     0x3B, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x02, 0x00});
  Record(w, 0x0085, {0, 0, 0, 0, 0, 0, 5, 1, 'R', 0, 'u', 0, 'l', 0, 'e', 0, 's', 0});
  Record(w, 0x000A, {});
  std::vector<std::uint8_t> sheetBof = bof;
  sheetBof[2] = 0x10;
  Record(w, 0x0809, sheetBof);
  w.bytes(Data, Size);
  Record(w, 0x000A, {});
  platform::storage::CompoundFile cf;
  cf.root().create_stream(u"Workbook").data = w.data();
  return cf.serialize();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 60000) return 0;
  const core::Bytes file = Workbook(data, size);
  workbook::TXLSErrorManager errors;
  errors.SetSaveToList(true);
  workbook::TXc12DataClassFactory factory;
  workbook::TXc12Manager manager(&factory, &errors);
  manager.CreateParts();
  biff::TBIFF5 doc(&manager);
  try {
    doc.ReadStream(core::ByteSpan(file.data(), file.size()));
  } catch (const core::Error&) {
    return 0;
  }
  for (int round = 0; round < 2; ++round) {
    try {
      core::Bytes out;
      biff::TXLSWriteXLS(doc).Write(&out);
    } catch (const core::Error&) {
    }
    // Every item changed: rebuilt from the model on the second save.
    for (int i = 0; i < manager.Worksheets->Count(); ++i) {
      workbook::TXc12DataWorksheet& s = *manager.Worksheets->GetItem(i);
      for (int k = 0; k < s.ConditionalFormats->Count(); ++k) s.ConditionalFormats->GetItem(k)->Sqref.Move(0, 1);
      for (int k = 0; k < s.DataValidations->Count(); ++k) s.DataValidations->GetItem(k)->prompt += u"!";
      if (s.AutoFilter) s.SheetPr.filterMode = !s.SheetPr.filterMode;
    }
  }
  return 0;
}
