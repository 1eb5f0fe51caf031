// image-gen: writes the console's images as BMP files into a folder (and, on request, a PNG sheet of
// them).
//   image-gen <folder> [<sheet.png>]
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/gdi/png_file.h"
#include "tools/image-gen/console_images.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: image-gen <folder> [<sheet.png>]\n");
    return 2;
  }
  try {
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    const auto images = image_gen::console_images();
    for (const image_gen::ConsoleImage& image : images) {
      const std::vector<std::uint8_t> bytes = image_gen::console_image_file(image);
      const std::filesystem::path path = dir / (image.name + image_gen::kImageExtension);
      std::ofstream out(path, std::ios::binary);
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
      if (!out) {
        std::fprintf(stderr, "image-gen: cannot write %s\n", path.string().c_str());
        return 1;
      }
    }
    if (argc == 3) platform::gdi::write_png_file(argv[2], image_gen::contact_sheet(images));
    std::printf("%s: %zu images\n", argv[1], images.size());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "image-gen: %s\n", e.what());
    return 1;
  }
  return 0;
}
