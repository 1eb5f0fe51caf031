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
#include "ooxml/sheetdrawing/conventional_prefixes.h"

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
  std::unique_ptr<io::TStream> stream = Package.ReadItem(drawing);
  LoadFromPackage(Package, *drawing, *stream);
}

void TXPGDocXLSXDrawing::LoadFromPackage(TOPC_XLSX& Package, TOPCItem& Drawing, io::TStream& Part) {
  const std::u16string name = Drawing.GetPartName();
  TScopedValue<TOPCItem*> current(Package.DrawingItem, &Drawing);
  TScopedValue<TOPC_XLSX*> package(this->Package, &Package);
  // Pictures are known to the store before the blips that name them are read. The drawing's
  // part name tells its relationship ids apart from those of the workbook's other drawings.
  PictureOwnerKey = name;
  for (int i = 0; i < Drawing.GetCount(); ++i) {
    TOPCItem* image = Drawing.GetItem(i);
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
  LoadFromStream(*ConventionalPart(Part));
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

// ---- the worksheet's drawing interface ------------------------------------------------------

namespace {

std::int32_t IdOf(const drawingml::TCT_NonVisualDrawingProps* props) {
  // An id never read stays 0: it must not raise the next free id.
  return props && props->id != XPG_UNSET_INT ? props->id : 0;
}

// The non-visual id of the anchor's shape, group or picture; 0 when it has none.
std::int32_t ObjectIdOf(const TEG_ObjectChoices& object) {
  if (object.sp && object.sp->nvSpPr) return IdOf(object.sp->nvSpPr->cNvPr.get());
  if (object.grpSp && object.grpSp->nvGrpSpPr) return IdOf(object.grpSp->nvGrpSpPr->cNvPr.get());
  if (object.pic && object.pic->nvPicPr) return IdOf(object.pic->nvPicPr->cNvPr.get());
  return 0;
}

void Describe(const TEG_ObjectChoices& object, workbook::TXLSAnchorInfo& info) {
  info.ObjectId = ObjectIdOf(object);
  if (const TCT_Picture* pic = object.pic.get())
    info.PictureWithBlip = pic->WasRead() && pic->blipFill && pic->blipFill->blip;
  if (const drawingml::TCT_Shape* sp = object.sp.get()) {
    info.TextBox = sp->nvSpPr && sp->nvSpPr->cNvSpPr && sp->nvSpPr->cNvSpPr->txBox;
    const drawingml::TEG_Geometry* geometry = sp->spPr ? sp->spPr->geometry.get() : nullptr;
    info.PresetShape = sp->WasRead() && geometry && geometry->prstGeom && geometry->prstGeom->WasRead();
    const drawingml::TCT_TextBodyProperties* body = sp->txBody ? sp->txBody->bodyPr.get() : nullptr;
    info.Scene3D = sp->WasRead() && body && body->WasRead() && body->scene3d && body->scene3d->WasRead();
  }
  if (const TCT_GraphicalObjectFrame* frame = object.graphicFrame.get(); frame && HasChart(*frame)) {
    info.Chart = true;
    info.ChartRef = frame->graphic->graphicData->Chart.get();
  }
}

void SetMarker(TCT_Marker_Pos& marker, const workbook::TXLSAnchorMarker& from) {
  marker.col = from.Col;
  marker.colOff = from.ColOff;
  marker.row = from.Row;
  marker.rowOff = from.RowOff;
}

workbook::TXLSAnchorMarker MarkerOf(const TCT_Marker_Pos* marker) {
  workbook::TXLSAnchorMarker m;
  if (!marker) return m;
  auto value = [](std::int32_t v) { return v == XPG_UNSET_INT ? 0 : v; };
  m.Col = value(marker->col);
  m.ColOff = value(marker->colOff);
  m.Row = value(marker->row);
  m.RowOff = value(marker->rowOff);
  return m;
}

}  // namespace

void TXPGDocXLSXDrawing::GetAnchors(std::vector<workbook::TXLSAnchorInfo>& Anchors) {
  Anchors.clear();
  TXPGOrderedList& list = GetDrawing().anchors->anchors;
  for (int i = 0; i < list.Count(); ++i) {
    TXPGBase* anchor = list.GetItems(i);
    workbook::TXLSAnchorInfo info;
    info.Element = anchor;
    const TEG_ObjectChoices* object = nullptr;
    if (auto* two = dynamic_cast<TCT_TwoCellAnchor*>(anchor)) {
      info.Kind = workbook::TXLSAnchorKind::TwoCell;
      object = two->object.get();
    } else if (auto* one = dynamic_cast<TCT_OneCellAnchor*>(anchor)) {
      info.Kind = workbook::TXLSAnchorKind::OneCell;
      object = one->object.get();
    } else if (auto* absolute = dynamic_cast<TCT_AbsoluteAnchor*>(anchor)) {
      info.Kind = workbook::TXLSAnchorKind::Absolute;
      object = absolute->object.get();
    } else {
      continue;
    }
    if (object) Describe(*object, info);
    Anchors.push_back(info);
  }
}

void* TXPGDocXLSXDrawing::AddPictureAnchor(const workbook::TXLSAnchorMarker& From, const workbook::TXLSAnchorMarker& To,
                                           std::int32_t Id, const std::u16string& Name,
                                           const std::u16string& Description, workbook::TXc12GraphicImage* Image) {
  TCT_TwoCellAnchor* anchor = AddTwoCellAnchor(GetDrawing());
  SetMarker(*anchor->from, From);
  SetMarker(*anchor->to, To);
  TCT_Picture* pic = anchor->object->Create_pic();
  TCT_PictureNonVisual* nv = pic->Create_nvPicPr();
  drawingml::TCT_NonVisualDrawingProps* props = nv->Create_cNvPr();
  props->id = Id;
  props->name = Name;
  props->descr = Description;
  nv->Create_cNvPicPr()->Create_picLocks()->noChangeAspect = true;
  drawingml::TCT_BlipFillProperties* fill = pic->Create_blipFill();
  fill->Create_blip()->Picture = Image;
  drawingml::CreateStretch(*fill->fillMode);
  drawingml::CreatePrstGeom(*pic->Create_spPr()->geometry)->prst =
      static_cast<std::uint16_t>(drawingml::ST_ShapeType.Find(u"rect"));
  // The same address GetAnchors gives for this anchor.
  return static_cast<TXPGBase*>(anchor);
}

bool TXPGDocXLSXDrawing::GetPictureAnchor(void* AnchorElement, workbook::TXLSAnchorMarker& From,
                                          workbook::TXLSAnchorMarker& To, workbook::TXc12GraphicImage*& Image) {
  // Only an anchor of this document: the element is compared before it is used.
  TXPGOrderedList& list = GetDrawing().anchors->anchors;
  for (int i = 0; i < list.Count(); ++i) {
    if (list.GetItems(i) != AnchorElement) continue;
    auto* anchor = dynamic_cast<TCT_TwoCellAnchor*>(list.GetItems(i));
    if (!anchor) return false;
    From = MarkerOf(anchor->from.get());
    To = MarkerOf(anchor->to.get());
    const TCT_Picture* pic = anchor->object ? anchor->object->pic.get() : nullptr;
    Image = pic && pic->blipFill && pic->blipFill->blip ? pic->blipFill->blip->Picture : nullptr;
    return true;
  }
  return false;
}

}  // namespace ooxml::sheetdrawing
