// Fuzz target of metafile playback: any recording either is refused with core::Error at load or
// plays onto a page without crashing; what plays ends in a document that can still be finished.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/error.h"
#include "pdf/document.h"
#include "pdf/metafile_player.h"
#include "pdf/page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string out;
  pdf::TPDFDocument doc;
  doc.SetOutputStream(&out);
  doc.BeginDoc();
  try {
    pdf::TEMWParser parser(*doc.CurrentPage);
    parser.LoadMetafile(std::vector<std::uint8_t>(data, data + size));
    int w = 0, h = 0;
    parser.GetSize(w, h);
    parser.Execute();
  } catch (const core::Error&) {
  }
  try {
    doc.EndDoc();
  } catch (const core::Error&) {
    // A font or image the recording asked for may not be writable; the document is aborted then.
  }
  return 0;
}
