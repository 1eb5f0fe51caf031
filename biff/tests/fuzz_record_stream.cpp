// Fuzz target: a workbook stream (or a whole compound file) walked record by record the way the
// reader walks it, with CONTINUE joining and string reads on the bodies.
#include <cstdint>
#include <vector>

#include "biff/stream/xls_stream.h"

namespace {

void walk(biff::TXLSStream& s) {
  biff::TBIFFHeader h;
  std::vector<std::uint8_t> body;
  for (int guard = 0; guard < 100000 && s.ReadHeader(h) == 4; ++guard) {
    if (h.RecID == biff::BIFFRECID_MSODRAWINGGROUP || h.RecID == biff::BIFFRECID_MSODRAWING) {
      // Drawing bodies are read in CONTINUE mode, past their first piece.
      s.BeginCONTINUERead();
      body.resize(h.Length + 300u);
      s.Read(body.data(), static_cast<int>(body.size()));
      s.EndCONTINUERead();
    } else if (h.RecID == 0x0204 && h.Length >= 8) {  // LABEL: cell, xf, count, string
      std::uint8_t fixed[6];
      s.Read(fixed, 6);
      std::uint8_t count[2];
      s.Read(count, 2);
      std::u16string text;
      s.ReadString(count[0] | (count[1] << 8), text);
    } else {
      body.resize(h.Length);
      s.Read(body.data(), h.Length);
    }
    s.PeekRecordId();
    s.PeekRecType();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Inputs that are not compound files are taken as a bare workbook stream.
  core::ByteSpan in(data, size);
  core::Bytes file;
  if (platform::storage::has_signature(in)) {
    file.assign(data, data + size);
  } else {
    platform::storage::CompoundFile cf;
    cf.root().create_stream(u"Workbook").data.assign(data, data + size);
    file = cf.serialize();
  }
  try {
    biff::TExtraObjects kept;
    biff::TXLSStream s;
    s.SetInputStream(file);
    s.SetExtraObjects(&kept);
    s.Open("");
    walk(s);
  } catch (const core::Error&) {
  }
  return 0;
}
