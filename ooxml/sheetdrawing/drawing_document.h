// The document of one worksheet drawing part: the generated "xdr:" classes, the workbook's picture
// store and the package that charts and pictures are read from and written to.
//
// Reading: LoadFromPackage(package, "xl/drawings/drawing1.xml") registers the part's pictures
// with the picture store, then reads the part; each chart it refers to is read with its style
// parts into the graphic frame. Only relationships of that part to parts inside the package are
// followed. Writing: SaveToPackage(package, sheet item, n) writes "drawing<n>.xml" related to the
// sheet, its charts as the package's next chart parts (with their style parts under the same
// number) and each picture's media part once per save (the caller clears the store's written
// marks, TXc12GraphicManager::ResetWritten, before a save).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ooxml/drawingml/drawingml_main.h"
#include "ooxml/drawingml/picture_host.h"
#include "ooxml/opc/opc_xlsx.h"
#include "ooxml/sheetdrawing/gen/sheetdrawing.h"
#include "workbook/drawing_interface.h"

namespace ooxml::sheetdrawing {

inline constexpr char16_t kSpreadsheetDrawingNamespace[] =
    u"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing";
inline constexpr char16_t kDrawingMLNamespace[] = u"http://schemas.openxmlformats.org/drawingml/2006/main";
inline constexpr char16_t kChartNamespace[] = u"http://schemas.openxmlformats.org/drawingml/2006/chart";

// What the drawing objects need of their document beyond the picture store.
class TXpgDrawingHost : public drawingml::TXpgPictureHost {
public:
  // The package being read or written; nullptr outside LoadFromPackage and SaveToPackage, when
  // chart references are kept as read and written back as read.
  TOPC_XLSX* Package = nullptr;
  // Receives the reports of the charts read (each chart part has a document of its own).
  TXpgPErrors::TErrorEvent ChartReports;
  // Content type of each picture read, by its part name: a type without a standard extension
  // goes back out under the type it came with.
  std::map<std::u16string, std::u16string> ImageContentTypes;
  // The part's relationships to targets outside the package (hyperlinks of shapes and text, linked
  // pictures) as read: id, type, target. They go out under the same ids, which the part names.
  struct TExternalRelationship {
    std::u16string Id, Type, Target;
  };
  std::vector<TExternalRelationship> ExternalRelationships;
};

// A sheet's drawing document: the workbook's class factory makes one per sheet, and the worksheet's
// drawing interface reaches it through workbook::IXLSDrawingDocument. A chart anchor's ChartRef
// there is the chart document of its graphic frame (chart::TXPGDocXLSXChart).
class TXPGDocXLSXDrawing : public TXPGDocSheetDrawing,
                           public TXpgDrawingHost,
                           public workbook::TObject,
                           public workbook::IXLSDrawingDocument {
public:
  // The store is the workbook's, shared by its drawings and not owned; nullptr: none.
  explicit TXPGDocXLSXDrawing(workbook::TXc12GraphicManager* GraphicManager);

  TCT_Drawing& GetDrawing() { return *GetWsDr(); }
  // Reports of this part and of the charts it holds.
  void SetOnError(TXpgPErrors::TErrorEvent Event);

  // Reads the drawing part PartName (as in the package, without a leading '/') and adds what it
  // holds to this document. Errors of the package (a chart that is not there) are exceptions.
  void LoadFromPackage(TOPC_XLSX& Package, const std::u16string& PartName);
  // The same for the drawing item Drawing of the package, whose part Part has already been opened.
  void LoadFromPackage(TOPC_XLSX& Package, TOPCItem& Drawing, io::TStream& Part);
  // Writes this document as the drawing part "../drawings/drawing<N>.xml" of Sheet and returns
  // its item; nullptr, writing nothing, when the document holds no anchor.
  TOPCItem* SaveToPackage(TOPC_XLSX& Package, TOPCItem* Sheet, int N);

  // The worksheet's drawing interface.
  void GetAnchors(std::vector<workbook::TXLSAnchorInfo>& Anchors) override;
  void* AddPictureAnchor(const workbook::TXLSAnchorMarker& From, const workbook::TXLSAnchorMarker& To, std::int32_t Id,
                         const std::u16string& Name, const std::u16string& Description,
                         workbook::TXc12GraphicImage* Image) override;
  bool GetPictureAnchor(void* AnchorElement, workbook::TXLSAnchorMarker& From, workbook::TXLSAnchorMarker& To,
                        workbook::TXc12GraphicImage*& Image) override;
};

// Any anchor held (also one that will not be written).
bool HasAnchors(const TCT_Drawing& Drawing);
// The frame's graphic data holds a chart read from (or made for) a package.
bool HasChart(const TCT_GraphicalObjectFrame& Frame);
// A new two-cell anchor after the others (on top of them).
TCT_TwoCellAnchor* AddTwoCellAnchor(TCT_Drawing& Drawing);
// The item of the part PartName in the package's tree of relationships, or nullptr.
TOPCItem* FindPartItem(TOPC_XLSX& Package, const std::u16string& PartName);

}  // namespace ooxml::sheetdrawing
