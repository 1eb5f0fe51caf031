// skin-gen: writes the console's skin package (and, on request, a PNG sheet of its bitmaps).
//   skin-gen <package path> [<sheet.png>]
//   skin-gen --corpus <dir>    seed inputs of the skin loader's fuzz target
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/gdi/png_file.h"
#include "tools/skin-gen/house_skin.h"

namespace {

bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// The fuzz target reads a mode byte first: 0 compressed package, 1 package body, 2 INI text.
int write_corpus(const std::string& dir) {
  std::vector<std::uint8_t> package{0};
  const std::vector<std::uint8_t> packed = skin_gen::house_skin_package();
  package.insert(package.end(), packed.begin(), packed.end());
  std::vector<std::uint8_t> body{1};
  // A few entries only, so that each mutation of the body stays cheap to pack.
  std::vector<skin::SkinEntry> few;
  for (skin::SkinEntry& e : skin_gen::house_skin_entries()) {
    if (e.name == "top.bmp" || e.name == "close.bmp" || e.name == "check.bmp" || e.name == "skin.ini") {
      few.push_back(std::move(e));
    }
  }
  const std::vector<std::uint8_t> plain = skin::build_skin_package_body(few);
  body.insert(body.end(), plain.begin(), plain.end());
  std::vector<std::uint8_t> ini{2};
  const std::string text = skin_gen::house_skin_ini();
  ini.insert(ini.end(), text.begin(), text.end());
  const bool ok = write_file(dir + "/house_package", package) && write_file(dir + "/house_body", body) &&
                  write_file(dir + "/house_ini", ini);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--corpus") return write_corpus(argv[2]);
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: skin-gen <package path> [<sheet.png>]\n");
    return 2;
  }
  try {
    const std::vector<std::uint8_t> package = skin_gen::house_skin_package();
    std::ofstream out(argv[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(package.data()), static_cast<std::streamsize>(package.size()));
    if (!out) {
      std::fprintf(stderr, "skin-gen: cannot write %s\n", argv[1]);
      return 1;
    }
    if (argc == 3) platform::gdi::write_png_file(argv[2], skin_gen::contact_sheet(skin_gen::house_skin_pictures()));
    std::printf("%s: %zu bytes\n", argv[1], package.size());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "skin-gen: %s\n", e.what());
    return 1;
  }
  return 0;
}
