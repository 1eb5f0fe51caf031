// The console's own skin: every bitmap drawn by code, the INI description, and the package made of
// them with the project's encoder. The same inputs always give the same bytes, so the checked-in
// package can be regenerated and compared.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi/bitmap.h"
#include "skin/skin_reader.h"

namespace skin_gen {

struct SkinPicture {
  std::string name;  // entry name, with ".bmp"
  platform::gdi::Bitmap bitmap;
};

std::vector<SkinPicture> house_skin_pictures();
std::string house_skin_ini();
// Pictures as 24-bit BMP files, then the INI, in package order.
std::vector<skin::SkinEntry> house_skin_entries();
std::vector<std::uint8_t> house_skin_package();

// A sheet of pictures for a person to look at: each enlarged three times, labelled, with the key
// colour shown as a checkerboard.
platform::gdi::Bitmap contact_sheet(const std::vector<SkinPicture>& pictures);

// Where the package is checked in, relative to the source root.
inline constexpr const char* kHouseSkinAsset = "assets/skin/thconsole.skin";

}  // namespace skin_gen
