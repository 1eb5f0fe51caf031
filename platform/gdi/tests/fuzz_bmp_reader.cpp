// Fuzz target of the BMP reader: any input either reads or raises BmpError; what reads, writes and
// reads back to the same pixels.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/gdi/bmp_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace platform::gdi;
  Bitmap b;
  try {
    b = read_bmp(std::span(data, size));
  } catch (const BmpError&) {
    try {
      b = read_packed_dib(std::span(data, size));
    } catch (const BmpError&) {
      return 0;
    }
  }
  if (!(read_bmp(write_bmp(b, PixelFormat::k24bit)) == b)) std::abort();
  return 0;
}
