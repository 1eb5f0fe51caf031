// Fuzz target: any bytes as a document of DrawingML fragments (fills, lines, effects, geometry, 3-D,
// shapes and shape properties, text bodies, text character properties, bullets, extension lists,
// picture fills), read and written again. With the first byte odd the document has a picture store
// holding a picture under "rId1", so picture references resolve on reading and go through the
// store on writing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ooxml/drawingml/tests/fragments_host.h"
#include "ooxml/binding/xpg_fuzzing.h"

namespace {

// Relationships and parts asked for while writing go nowhere.
class NullPackage : public workbook::TXc12ImagePackage {
public:
  std::u16string RelateImage(int, const std::u16string&) override { return u"rId1"; }
  void WriteImagePart(int, const std::u16string&, const std::uint8_t*, std::size_t) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string xml(reinterpret_cast<const char*>(data) + 1, size - 1);
  workbook::TXc12GraphicManager store(nullptr);
  NullPackage package;
  ooxml::drawingml::FragmentsDoc doc;
  if (data[0] % 2 == 1) {
    workbook::TMemoryStream picture(std::vector<std::uint8_t>{1, 2, 3});
    store.Images.AddFromPackage(picture, u"png", u"image1.png", u"rId9", u"rId1");
    store.Package = &package;
    doc.GraphicManager = &store;
    doc.PictureOwnerKey = u"rId9";
  }
  ooxml::XpgFuzzRoundTrip(doc, xml);
  return 0;
}
