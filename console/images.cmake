# The console's images (assets/images/*.bmp, written by tools/image-gen) embedded at build time.
file(GLOB _thc_images CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/assets/images/*.bmp)
list(SORT _thc_images)
set(_thc_images_cpp ${CMAKE_CURRENT_BINARY_DIR}/generated/console_images.cpp)
set(_thc_image_arrays "")
set(_thc_image_entries "")
set(_thc_image_index 0)
foreach(_thc_image IN LISTS _thc_images)
  get_filename_component(_thc_image_name ${_thc_image} NAME_WE)
  file(READ ${_thc_image} _thc_image_hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _thc_image_bytes "${_thc_image_hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n"
    _thc_image_bytes "${_thc_image_bytes}")
  string(APPEND _thc_image_arrays "const std::uint8_t kImage${_thc_image_index}[] = {\n${_thc_image_bytes}\n};\n")
  string(APPEND _thc_image_entries "    {\"${_thc_image_name}\", std::span<const std::uint8_t>(kImage${_thc_image_index}, sizeof kImage${_thc_image_index})},\n")
  math(EXPR _thc_image_index "${_thc_image_index} + 1")
endforeach()
file(CONFIGURE OUTPUT ${_thc_images_cpp} CONTENT "// Generated from assets/images; do not edit.
#include \"console/images.h\"

#include <utility>

namespace console {
namespace {
${_thc_image_arrays}
const std::pair<std::string_view, std::span<const std::uint8_t>> kImages[] = {
${_thc_image_entries}};
}  // namespace

std::span<const std::uint8_t> ImageAsset(std::string_view name) {
  for (const auto& [n, bytes] : kImages)
    if (n == name) return bytes;
  return {};
}

}  // namespace console
" @ONLY)
target_sources(thc_console PRIVATE ${_thc_images_cpp})
