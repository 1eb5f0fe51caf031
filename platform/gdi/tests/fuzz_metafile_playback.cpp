// Fuzz target of metafile playback: any input plays (or is refused) without a fault, and every
// object the records made is gone again afterwards.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/gdi/metafile_canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace platform::gdi;
  HBITMAP bitmap = CreateBitmapFromPixels(Bitmap(48, 32, PixelFormat::k32bit, kWhitePixel));
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  const std::size_t before = live_object_count();
  PlayEnhMetaFile(dc, std::span(data, size), POINT{2, 3});
  if (live_object_count() != before) std::abort();
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bitmap);
  return 0;
}
