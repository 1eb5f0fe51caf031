// Fuzz target: a sheet-stream fragment read as the workbook reader reads a drawing (MSODRAWING,
// then OBJ, TXO, CONTINUE, chart sub-streams, NOTE records); what was read is written and read
// again.
#include <cstdint>

#include "biff/drawing/escher_drawing.h"
#include "biff/drawing/shape_objects.h"

namespace {

bool ReadFragment(biff::TEscherDrawing& D, biff::TXLSStream& S) {
  biff::TBIFFHeader h;
  bool read = false;
  for (int guard = 0; guard < 1000 && S.ReadHeader(h) == 4; ++guard) {
    if (h.RecID == biff::BIFFRECID_MSODRAWING && !read) {
      D.ReadFromStream(S, h.Length);
      read = true;
      continue;
    }
    std::uint8_t body[0x10000];
    if (h.Length && S.Read(body, h.Length) != h.Length) break;
    if (h.RecID == biff::BIFFRECID_NOTE && h.Length >= 10)
      D.SetNote(core::load_le16(body + 2), core::load_le16(body), u"", core::load_le16(body + 6), core::load_le16(body + 4));
  }
  return read;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  biff::TDrawingServices services;
  services.TextId = [] { return 1u; };
  biff::TEscherGroup group;
  biff::TEscherDrawing drawing(&group, services);
  biff::TXLSStream in;
  in.CreateMemory();
  in.Write(data, static_cast<int>(size));
  in.Seek(0, 0);
  try {
    if (!ReadFragment(drawing, in)) return 0;
  } catch (const std::exception&) {
    return 0;
  }
  try {
    biff::TXLSStream out;
    out.CreateMemory();
    drawing.WriteToStream(out);
    out.Seek(0, 0);
    biff::TEscherGroup group2;
    biff::TEscherDrawing again(&group2, services);
    ReadFragment(again, out);
  } catch (const std::exception&) {
  }
  return 0;
}
