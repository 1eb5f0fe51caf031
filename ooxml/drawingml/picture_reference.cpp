// The picture reference "a:blip": on reading, "r:embed" finds the picture that the package reader
// registered in the workbook's picture store; on writing, the store relates the picture's media
// part to the part being written (storing the image once per save) and gives the new id. Parts
// read without a store (chart parts) keep their references as read.
#include <memory>
#include <string>

#include "ooxml/drawingml/drawingml_main.h"

namespace ooxml::drawingml {

namespace {
// The ordinal of "none" in ST_BlipCompression: the default, not written.
constexpr std::uint16_t kCompressionNone = 4;

TXpgPictureHost* HostOf(const TXPGBase& object) { return dynamic_cast<TXpgPictureHost*>(object.Owner); }

workbook::TXc12GraphicManager* StoreOf(const TXPGBase& object) {
  TXpgPictureHost* host = HostOf(object);
  return host ? host->GraphicManager : nullptr;
}
}  // namespace

void TCT_Blip::HandleAttributes(TXpgXMLAttributeList& a) {
  for (int i = 0; i < a.GetCount(); ++i) {
    const TXpgAttrName name(a, i);
    if (name == "r:embed") {
      embed = a.GetValue(i);
    } else if (name == "r:link") {
      link = a.GetValue(i);
    } else if (name == "cstate") {
      ReadEnum(ST_BlipCompression, a, i, cstate);
    } else if (name == "xmlns:r") {
      // Written again with the references, never twice.
      DeclaredRelationships = a.GetValue(i);
    } else {
      KeepAttribute(a, i, true);
    }
  }
  Picture = nullptr;
  workbook::TXc12GraphicManager* store = StoreOf(*this);
  if (store && !embed.empty()) Picture = store->Images.FindByRel(HostOf(*this)->PictureOwnerKey, embed);
}

int TCT_Blip::CheckAssigned() {
  FAssigned = 0;
  int elements = effects.CheckAssigned();
  if (extLst) elements += extLst->CheckAssigned();
  // With a store, the references are those of the attached picture (a reference it could not
  // resolve would point nowhere in the part written); without one, those that were read.
  const bool references = StoreOf(*this) ? Picture != nullptr
                                         : !embed.empty() || !link.empty() || cstate != kCompressionNone;
  if (references) FAssigned |= xaAttributes;
  if (elements > 0) FAssigned |= xaElements;
  return elements + (references ? 1 : 0);
}

void TCT_Blip::WriteAttributes(TXpgWriteXML& writer) {
  workbook::TXc12GraphicManager* store = StoreOf(*this);
  std::u16string id;
  if (store) {
    if (!Picture) return;
    store->WriteImage(*Picture, id);
  } else {
    id = embed;
  }
  if (store)
    writer.AddAttribute(u"xmlns:r", kRelationshipsNamespace);
  else if (!DeclaredRelationships.empty())
    writer.AddAttribute(u"xmlns:r", DeclaredRelationships);
  if (!id.empty()) writer.AddAttribute(u"r:embed", id);
  if (!link.empty()) writer.AddAttribute(u"r:link", link);
  if (cstate != kCompressionNone) writer.AddAttribute(u"cstate", ST_BlipCompression.Literal(cstate));
}

void TCT_Blip::Clear() {
  TXPGBase::Clear();
  embed.clear();
  link.clear();
  cstate = kCompressionNone;
  effects.Clear();
  extLst.reset();
  Picture = nullptr;
  DeclaredRelationships.clear();
}

TCT_StretchInfoProperties* CreateStretch(TEG_FillModeProperties& mode) {
  mode.tile.reset();
  if (!mode.stretch) mode.stretch = std::make_unique<TCT_StretchInfoProperties>(mode.Owner);
  return mode.stretch.get();
}

}  // namespace ooxml::drawingml
