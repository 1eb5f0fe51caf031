#include "platform/gdi/png_file.h"

#include <png.h>

#include <fstream>
#include <iterator>

namespace platform::gdi {

std::vector<std::uint8_t> write_png(const Bitmap& bitmap) {
  if (bitmap.empty()) throw PngError("PNG: cannot write an empty bitmap");
  const int w = bitmap.width(), h = bitmap.height();
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    const Pixel* s = bitmap.scan_line(y);
    std::uint8_t* d = rgb.data() + static_cast<std::size_t>(y) * w * 3;
    for (int x = 0; x < w; ++x) {
      d[3 * x] = (s[x] >> 16) & 0xFF;
      d[3 * x + 1] = (s[x] >> 8) & 0xFF;
      d[3 * x + 2] = s[x] & 0xFF;
    }
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(w);
  image.height = static_cast<png_uint_32>(h);
  image.format = PNG_FORMAT_RGB;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr))
    throw PngError(std::string("PNG: ") + image.message);
  std::vector<std::uint8_t> out(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, rgb.data(), 0, nullptr))
    throw PngError(std::string("PNG: ") + image.message);
  out.resize(size);
  return out;
}

void write_png_file(const std::string& path, const Bitmap& bitmap) {
  const auto bytes = write_png(bitmap);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw PngError("PNG: cannot write " + path);
}

Bitmap read_png(std::span<const std::uint8_t> data) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data.data(), data.size()))
    throw PngError(std::string("PNG: ") + image.message);
  if (!bitmap_size_allowed(image.width, image.height)) {
    png_image_free(&image);
    throw PngError("PNG: image too large");
  }
  image.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
  png_color black{0, 0, 0};
  if (!png_image_finish_read(&image, &black, rgb.data(), 0, nullptr))
    throw PngError(std::string("PNG: ") + image.message);
  Bitmap out(static_cast<int>(image.width), static_cast<int>(image.height), PixelFormat::k24bit);
  for (int y = 0; y < out.height(); ++y) {
    const std::uint8_t* s = rgb.data() + static_cast<std::size_t>(y) * out.width() * 3;
    Pixel* d = out.scan_line(y);
    for (int x = 0; x < out.width(); ++x)
      d[x] = (Pixel{s[3 * x]} << 16) | (Pixel{s[3 * x + 1]} << 8) | s[3 * x + 2];
  }
  return out;
}

Bitmap read_png_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw PngError("PNG: cannot open " + path);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return read_png(bytes);
}

}  // namespace platform::gdi
