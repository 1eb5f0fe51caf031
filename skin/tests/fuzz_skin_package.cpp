// Fuzz target of the skin loader. The first byte picks what the rest is: 0 a compressed package,
// 1 an uncompressed package body (packed here, so mutations reach the layout checks), 2 an INI
// description read against an empty package. Every path ends in a full load of the skin objects.
#include <cstdint>
#include <vector>

#include "core/error.h"
#include "skin/lzh_codec.h"
#include "skin/quick_ini.h"
#include "skin/skin_objects.h"
#include "skin/skin_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::span<const std::uint8_t> rest(data + 1, size - 1);
  skin::TSkinReader reader;
  skin::TQuickIni ini;
  try {
    switch (data[0] % 3) {
      case 0:
        if (!reader.LoadPackage(rest)) return 0;
        break;
      case 1:
        if (!reader.LoadPackage(skin::pack_lzh_stream(rest))) return 0;
        break;
      default:
        ini.LoadFromStream(rest);
        break;
    }
    if (data[0] % 3 != 2) {
      std::vector<std::uint8_t> text;
      std::string name;
      reader.FindEntryContaining(".ini", text, name);
      ini.LoadFromStream(text);
    }
    skin::TSkinObjects objects;
    objects.Load(reader, ini);
  } catch (const core::Error&) {
    // Refused input is an expected outcome.
  }
  return 0;
}
