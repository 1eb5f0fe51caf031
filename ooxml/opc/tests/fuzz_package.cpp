// Fuzz target: a package opened, walked as the .xlsx reader walks it, its unread parts collected and
// the whole written again. The first byte picks the input form: raw archive bytes, or a list of
// parts ("name\n" then the bytes, records ended by NUL) that is packed into an archive first, so
// that mutations reach relationships, content types and part names past the archive's checksums.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/unicode.h"
#include "ooxml/opc/file_data.h"
#include "ooxml/opc/tests/fuzz_parts.h"

namespace {

void Walk(const std::string& bytes) {
  io::TPointerMemoryStream in(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  workbook::TXc12FileData fd;
  ooxml::TOPC_XLSX& p = ooxml::OPCPackageOf(fd);
  try {
    fd.BeginRead(in);
    p.ReadWorkbook();
    p.ReadStyles();
    std::vector<std::string> ids;
    for (int i = 0; p.WorkbookItem && i < p.WorkbookItem->GetCount(); ++i) {
      ooxml::TOPCItem* item = p.WorkbookItem->GetItem(i);
      if (item->RelType != ooxml::reltype::kWorksheet) continue;
      std::string id = item->GetId();
      fd.AddSheetId(core::utf8_to_utf16(id));
      try {
        p.ReadWorksheet(id);
        std::vector<std::string> images;
        if (ooxml::TOPCItem* d = p.SheetItem->FindSingleByType(ooxml::reltype::kDrawing)) {
          p.ReadDrawing(d->GetId());
          p.GetDrawingImageIds(images);
          std::u16string target;
          for (const auto& img : images) p.ReadImage(img, target);
          p.CloseDrawing();
        }
        p.CloseSheet();
        p.ReadComments(id);
      } catch (const core::Error&) {
      }
      ids.push_back(id);
    }
    fd.CollectUnreadParts();
    io::TMemoryStream out;
    fd.BeginWrite(out);
    io::TMemoryStream part(std::vector<std::uint8_t>{'<', 'x', '/', '>'});
    p.WriteItem(p.CreateWorkbook(), part);
    for (std::size_t i = 0; i < ids.size(); ++i) {
      ooxml::TOPCItem* sheet = p.CreateWorksheet(static_cast<int>(i) + 1);
      fd.WriteSheetParts(static_cast<int>(i));
      p.WriteItem(sheet, part);
    }
    fd.EndWrite();
  } catch (const core::Error&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  opc_testing::ReadFuzzPackage(data, size, Walk);
  return 0;
}
