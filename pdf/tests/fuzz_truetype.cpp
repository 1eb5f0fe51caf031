// Feeds font files to the TrueType reader: the face's offset table and metrics, the char map, the
// reduced Type0 program, the ToUnicode map and the renumbered subset of the simple fonts.
#include <cstdint>
#include <vector>

#include "core/error.h"
#include "pdf/font_provider.h"
#include "pdf/ttf_data.h"
#include "pdf/ttf_subset.h"
#include "platform/gdi/font_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace platform::gdi;
  std::vector<FaceInfo> faces(1);
  faces[0].data = font_bytes(std::vector<std::uint8_t>(data, data + size));
  faces[0].families = {"Fuzz"};
  try {
    const SfntFace face(faces[0].data, 0);
    describe_face(face, faces[0]);
    face_metrics(face, -1000);
  } catch (const core::Error&) {
    return 0;
  }
  const FontCatalog catalog(std::move(faces));
  const pdf::TCatalogFontProvider provider(catalog);
  try {
    pdf::TTTFData ttf(provider, "Fuzz", true, 0);
    // Show the first codes of the map, one the font lacks, and a glyph no code maps to.
    std::vector<char32_t> codes;
    for (std::size_t i = 0; i < ttf.CharMap.size() && i < 8; ++i) codes.push_back(ttf.CharMap[i].Code);
    if (!ttf.CharMap.empty()) codes.push_back(ttf.CharMap.back().Code);
    for (char32_t c : codes) ttf.GlyphOf(c);
    ttf.GlyphOf(0xFFFE);
    ttf.GlyphOf(0x2000B);
    ttf.MarkGlyphUsed(static_cast<std::uint16_t>(size));
    ttf.WidthOf(0x41);
    ttf.WriteFontFile();
    ttf.WidthsArray();
    ttf.WriteToUnicode("TT1");
  } catch (const core::Error&) {
  }
  try {
    pdf::TAnsiFontSubset::BuildSubset(provider, "Fuzz", 0, {0x20, 0x22, 0x41, 0x42, 0xC5, 0xE9});
    pdf::TAnsiFontSubset::BuildSubset(provider, "Fuzz", 0, {0x41});
  } catch (const core::Error&) {
  }
  return 0;
}
