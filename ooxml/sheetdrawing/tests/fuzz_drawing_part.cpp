// Fuzz target: any bytes as a worksheet drawing part, read through the drawing document and
// written again: once alone (with a picture store, without a package), once as the drawing of a
// small package holding a chart with its style parts and a picture, written into a new package.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/error.h"
#include "ooxml/binding/xpg_fuzzing.h"
#include "ooxml/opc/tests/package_testing.h"
#include "ooxml/sheetdrawing/drawing_document.h"

namespace {

using namespace ooxml;

std::string Rels(const std::string& body) {
  return "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" + body +
         "</Relationships>";
}

std::string Rel(const std::string& id, const std::string& type, const std::string& target) {
  return "<Relationship Id=\"" + id + "\" Type=\"" + type + "\" Target=\"" + target + "\"/>";
}

std::string PackageWith(const std::string& drawing) {
  const std::string ns = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
  const std::string ms = "http://schemas.microsoft.com/office/2011/relationships/";
  return opc_testing::MakeZip({
      {"[Content_Types].xml",
       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default Extension=\"xml\" "
       "ContentType=\"application/xml\"/></Types>"},
      {"_rels/.rels", Rels(Rel("rId1", ns + "officeDocument", "xl/workbook.xml"))},
      {"xl/workbook.xml", "<workbook/>"},
      {"xl/_rels/workbook.xml.rels", Rels(Rel("rId1", ns + "worksheet", "worksheets/sheet1.xml"))},
      {"xl/worksheets/sheet1.xml", "<worksheet/>"},
      {"xl/worksheets/_rels/sheet1.xml.rels", Rels(Rel("rId1", ns + "drawing", "../drawings/drawing1.xml"))},
      {"xl/drawings/drawing1.xml", drawing},
      {"xl/drawings/_rels/drawing1.xml.rels",
       Rels(Rel("rId1", ns + "chart", "../charts/chart1.xml") + Rel("rId2", ns + "image", "../media/image1.png"))},
      {"xl/charts/chart1.xml",
       "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"><c:chart/></c:chartSpace>"},
      {"xl/charts/_rels/chart1.xml.rels",
       Rels(Rel("rId1", ms + "chartStyle", "style1.xml") + Rel("rId2", ms + "chartColorStyle", "colors1.xml"))},
      {"xl/charts/style1.xml", "<cs:chartStyle xmlns:cs=\"urn:cs\" id=\"1\"/>"},
      {"xl/charts/colors1.xml", "<cs:colorStyle xmlns:cs=\"urn:cs\" id=\"2\"/>"},
      {"xl/media/image1.png", "PNG"},
  });
}

void ThroughPackages(const std::string& drawing) {
  const std::string bytes = PackageWith(drawing);
  io::TPointerMemoryStream in(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  workbook::TXc12GraphicManager store(nullptr);
  sheetdrawing::TXPGDocXLSXDrawing doc(&store);
  try {
    TOPC_XLSX package;
    package.OpenRead(in, false);
    doc.LoadFromPackage(package, u"xl/drawings/drawing1.xml");
  } catch (const core::Error&) {
    return;
  }
  io::TMemoryStream out;
  try {
    TOPC_XLSX package;
    package.OpenWrite(out, false);
    package.CreateWorkbook();
    TOPCItem* sheet = package.CreateWorksheet(1);
    store.ResetWritten();
    doc.SaveToPackage(package, sheet, 1);
    package.Close();
  } catch (const core::Error&) {
    // A value too long for the writer's attribute buffer is refused, not written.
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string xml(reinterpret_cast<const char*>(data), size);
  workbook::TXc12GraphicManager store(nullptr);
  ooxml::sheetdrawing::TXPGDocXLSXDrawing doc(&store);
  ooxml::XpgFuzzRoundTrip(doc, xml);
  ThroughPackages(xml);
  return 0;
}
