// The drawing document over a package: pictures registered with the store and charts read while
// a drawing part is read; the part, its charts and each picture's media part written once per
// save while it is written.
#include "ooxml/sheetdrawing/drawing_document.h"

#include <string>
#include <utility>
#include <vector>

#include "core/unicode.h"
#include "ooxml/opc/opc_container.h"
#include "ooxml/binding/gen/opc_relationships.h"
#include "ooxml/opc/opc_streams.h"

namespace ooxml::sheetdrawing {

namespace {

// Sets a pointer for the length of a scope and puts the earlier value back, also on exceptions.
template <class T>
class TScopedValue {
public:
  TScopedValue(T& slot, T value) : slot_(slot), saved_(std::move(slot)) { slot_ = std::move(value); }
  ~TScopedValue() { slot_ = std::move(saved_); }
  TScopedValue(const TScopedValue&) = delete;
  TScopedValue& operator=(const TScopedValue&) = delete;

private:
  T& slot_;
  T saved_;
};

std::u16string ExtensionOf(const std::u16string& name) {
  const std::size_t dot = name.rfind(u'.');
  const std::size_t slash = name.rfind(u'/');
  if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) return {};
  return name.substr(dot + 1);
}

// The image parts of the drawing being written: relationships of that drawing, parts of the package.
class TDrawingImages : public workbook::TXc12ImagePackage {
public:
  TDrawingImages(TOPC_XLSX& package, TOPCItem& drawing, TXPGDocXLSXDrawing& document)
      : package_(package), drawing_(drawing), document_(document) {}

  std::u16string RelateImage(int N, const std::u16string& Ext) override {
    const std::u16string target = u"../media/image" + core::u16(std::to_string(N)) + u"." + Ext;
    TOPCItem* item = drawing_.FindByTarget(target);
    if (!item) item = package_.CreateItem(&drawing_, reltype::kImage, target, ContentTypeOf(N, Ext));
    return core::u16(item->GetId());
  }

  void WriteImagePart(int N, const std::u16string& Ext, const std::uint8_t* Data, std::size_t Size) override {
    const std::u16string target = u"../media/image" + core::u16(std::to_string(N)) + u"." + Ext;
    TOPCItem* item = drawing_.FindByTarget(target);
    if (!item) item = package_.CreateItem(&drawing_, reltype::kImage, target, ContentTypeOf(N, Ext));
    io::TMemoryStream data;
    if (Size > 0) data.WriteBuffer(Data, static_cast<std::int64_t>(Size));
    data.SetPosition(0);
    package_.WriteItem(item, data);
    if (item->OpenMode != kOPCClosed) package_.CloseItem(item);
  }

private:
  // The extensions the package types by default need nothing; a picture of another type keeps
  // the content type it was read under (the package gives the others one by their extension).
  std::u16string ContentTypeOf(int N, const std::u16string& Ext) const {
    if (Ext == u"png" || Ext == u"jpeg" || Ext == u"emf" || Ext == u"wmf") return {};
    workbook::TXc12GraphicManager* store = document_.GraphicManager;
    if (!store || N < 1 || N > store->Images.Count()) return {};
    auto found = document_.ImageContentTypes.find(store->Images.GetItems(N - 1)->Name);
    return found == document_.ImageContentTypes.end() ? std::u16string() : found->second;
  }

  TOPC_XLSX& package_;
  TOPCItem& drawing_;
  TXPGDocXLSXDrawing& document_;
};

TOPCItem* FindBelow(TOPCItem* item, const std::u16string& name, int depth) {
  if (!item || depth > TOPCContainer::kMaxDepth) return nullptr;
  for (int i = 0; i < item->GetCount(); ++i) {
    TOPCItem* child = item->GetItem(i);
    if (child->TargetMode != kOPCInternal) continue;
    if (core::ascii_iequals(child->GetPartName(), name)) return child;
  }
  for (int i = 0; i < item->GetCount(); ++i) {
    TOPCItem* child = item->GetItem(i);
    if (child->TargetMode != kOPCInternal) continue;
    if (TOPCItem* found = FindBelow(child, name, depth + 1)) return found;
  }
  return nullptr;
}

}  // namespace

TXPGDocXLSXDrawing::TXPGDocXLSXDrawing(workbook::TXc12GraphicManager* Manager) { GraphicManager = Manager; }

void TXPGDocXLSXDrawing::SetOnError(TXpgPErrors::TErrorEvent Event) {
  Errors.SetOnError(Event);
  ChartReports = std::move(Event);
}

TOPCItem* FindPartItem(TOPC_XLSX& Package, const std::u16string& PartName) {
  const std::u16string name = PartName.empty() || PartName.front() != u'/' ? PartName : PartName.substr(1);
  // The current sheet's relationships first: that is where a sheet's drawing stands.
  if (TOPCItem* found = FindBelow(Package.SheetItem, name, 0)) return found;
  return FindBelow(Package.Root(), name, 0);
}

void TXPGDocXLSXDrawing::LoadFromPackage(TOPC_XLSX& Package, const std::u16string& PartName) {
  TOPCItem* drawing = FindPartItem(Package, PartName);
  if (!drawing) OPCRaise("Can not find Drawing in OPC");
  const std::u16string name = drawing->GetPartName();
  TScopedValue<TOPCItem*> current(Package.DrawingItem, drawing);
  TScopedValue<TOPC_XLSX*> package(this->Package, &Package);
  // Pictures are known to the store before the blips that name them are read. The drawing's
  // part name tells its relationship ids apart from those of the workbook's other drawings.
  PictureOwnerKey = name;
  for (int i = 0; i < drawing->GetCount(); ++i) {
    TOPCItem* image = drawing->GetItem(i);
    if (image->TargetMode != kOPCInternal) {
      ExternalRelationships.push_back({core::u16(image->GetId()), image->RelType, image->GetTarget()});
      continue;
    }
    if (image->RelType != reltype::kImage) continue;
    const std::u16string part = image->GetPartName();
    // A picture whose part is missing is left out; its blip then names nothing and is not written.
    if (!OPCIsValidPartName(part) || !Package.HasPart(part)) continue;
    if (!GraphicManager) continue;
    std::unique_ptr<io::TStream> data = Package.ReadItem(image);
    if (image->OpenMode != kOPCClosed) image->Close();
    GraphicManager->Images.AddFromPackage(*data, ExtensionOf(part), part, name, core::u16(image->GetId()));
    const std::u16string type = Package.ContentTypes().ContentTypeOf(part);
    if (!type.empty()) ImageContentTypes[part] = type;
  }
  std::unique_ptr<io::TStream> stream = Package.ReadItem(drawing);
  XmlOverTStream xml(*stream);
  LoadFromStream(xml);
}

TOPCItem* TXPGDocXLSXDrawing::SaveToPackage(TOPC_XLSX& Package, TOPCItem* Sheet, int N) {
  if (!HasAnchors(GetDrawing())) return nullptr;
  TOPCItem* drawing = Package.CreateDrawing(Sheet, N);
  // The part's own declarations; pictures and charts declare theirs on their elements. Other
  // declarations read with the part stay: kept extension content may use their prefixes.
  std::vector<std::u16string> kept;
  for (int i = 0; i < Root().Attributes.GetCount(); ++i) {
    const std::u16string line = Root().Attributes.GetItem(i);
    if (line.rfind(u"xmlns:", 0) == 0 && line.rfind(u"xmlns:xdr=", 0) != 0 && line.rfind(u"xmlns:a=", 0) != 0)
      kept.push_back(line);
  }
  Root().Attributes.Clear();
  Root().Attributes.AddAttribute(u"xmlns:xdr", kSpreadsheetDrawingNamespace);
  Root().Attributes.AddAttribute(u"xmlns:a", kDrawingMLNamespace);
  for (const std::u16string& line : kept) Root().Attributes.Add(line);

  // Before any picture or chart is related, so that their new ids keep clear of these.
  for (const TExternalRelationship& external : ExternalRelationships) {
    if (drawing->FindById(core::u8(external.Id))) continue;
    opc::TCT_Relationship rel(nullptr);
    rel.Id = external.Id;
    rel.Type = external.Type;
    rel.Target = external.Target;
    rel.TargetMode = 0;
    drawing->AddFromRelationship(rel);
  }

  TDrawingImages images(Package, *drawing, *this);
  workbook::TXc12ImagePackage* none = nullptr;
  TScopedValue<workbook::TXc12ImagePackage*> store(GraphicManager ? GraphicManager->Package : none, &images);
  TScopedValue<TOPC_XLSX*> package(this->Package, &Package);
  XmlMemoryStream text;
  SaveToStream(text);
  io::TMemoryStream data;
  data.WriteBuffer(text.Data().data(), static_cast<std::int64_t>(text.Data().size()));
  data.SetPosition(0);
  Package.WriteItem(drawing, data);
  Package.CloseItem(drawing);
  return drawing;
}

}  // namespace ooxml::sheetdrawing
