#include "ooxml/opc/opc_container.h"

#include <algorithm>

#include "core/unicode.h"
#include "ooxml/binding/gen/content_types.h"
#include "ooxml/binding/gen/opc_relationships.h"
#include "ooxml/opc/opc_streams.h"

namespace ooxml {

namespace {

constexpr char16_t kContentTypesPart[] = u"[Content_Types].xml";
constexpr char16_t kContentTypesNamespace[] = u"http://schemas.openxmlformats.org/package/2006/content-types";
constexpr char16_t kOctetStream[] = u"application/octet-stream";
// A kept part larger than this is not held in memory.
constexpr std::int64_t kMaxKeptPartSize = 512LL * 1024 * 1024;

std::string IdKey(std::string_view id) { return core::ascii_upper(id); }

std::u16string ExtensionOf(const std::u16string& PartName) {
  auto slash = PartName.rfind(u'/');
  auto dot = PartName.rfind(u'.');
  if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) return {};
  return PartName.substr(dot + 1);
}

void SaveDocument(TXPGDocBase& Doc, io::TMemoryStream& Out) {
  XmlOverTStream xs(Out);
  Doc.SaveToStream(xs);
}

}  // namespace

[[noreturn]] void OPCRaise(const std::u16string& Message) { throw workbook::Exception(std::u16string_view(Message)); }
[[noreturn]] void OPCRaise(const char* Message) { throw workbook::Exception(std::string(Message)); }

// ---- names ----------------------------------------------------------------------------------

std::u16string OPCStripSlashes(std::u16string S) {
  if (!S.empty() && S.back() == u'/') S.pop_back();
  if (!S.empty() && S.front() == u'/') S.erase(0, 1);
  return S;
}

std::u16string OPCNormalizePath(std::u16string S) {
  // Segment by segment: "x/.." cancels, "." and empty segments vanish. A ".." with nothing left to
  // cancel stays at the front, so that such a name is recognised as leaving the package.
  std::vector<std::u16string> out;
  std::size_t start = 0;
  while (start <= S.size()) {
    std::size_t end = S.find(u'/', start);
    if (end == std::u16string::npos) end = S.size();
    std::u16string seg = S.substr(start, end - start);
    if (seg == u"..") {
      if (!out.empty() && out.back() != u"..") {
        out.pop_back();
      } else {
        out.push_back(seg);
      }
    } else if (!seg.empty() && seg != u".") {
      out.push_back(std::move(seg));
    }
    start = end + 1;
  }
  std::u16string r;
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (i) r += u'/';
    r += out[i];
  }
  return r;
}

bool OPCIsValidPartName(const std::u16string& PartName) {
  if (PartName.empty() || PartName.front() == u'/' || PartName.back() == u'/') return false;
  if (PartName.find_first_of(std::u16string(u"\\\0:", 3)) != std::u16string::npos) return false;
  std::size_t start = 0;
  while (start <= PartName.size()) {
    std::size_t end = PartName.find(u'/', start);
    if (end == std::u16string::npos) end = PartName.size();
    std::u16string_view seg(PartName.data() + start, end - start);
    if (seg.empty() || seg == u"." || seg == u"..") return false;
    start = end + 1;
  }
  return true;
}

std::u16string OPCContentTypeForExtension(const std::u16string& Extension) {
  static const std::pair<const char16_t*, const char16_t*> kKnown[] = {
      {u"rels", u"application/vnd.openxmlformats-package.relationships+xml"},
      {u"xml", u"application/xml"},
      {u"vml", u"application/vnd.openxmlformats-officedocument.vmlDrawing"},
      {u"bin", u"application/vnd.openxmlformats-officedocument.spreadsheetml.printerSettings"},
      {u"png", u"image/png"},
      {u"jpeg", u"image/jpeg"},
      {u"jpg", u"image/jpeg"},
      {u"jpe", u"image/jpeg"},
      {u"gif", u"image/gif"},
      {u"bmp", u"image/bmp"},
      {u"dib", u"image/bmp"},
      {u"tif", u"image/tiff"},
      {u"tiff", u"image/tiff"},
      {u"svg", u"image/svg+xml"},
      {u"ico", u"image/x-icon"},
      {u"wmf", u"image/x-wmf"},
      {u"emf", u"image/x-emf"},
      {u"wmz", u"image/x-wmz"},
      {u"emz", u"image/x-emz"},
      {u"pict", u"image/pict"},
      {u"pct", u"image/pict"},
      {u"wdp", u"image/vnd.ms-photo"},
      {u"webp", u"image/webp"},
      {u"xlsx", u"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
      {u"docx", u"application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
      {u"pptx", u"application/vnd.openxmlformats-officedocument.presentationml.presentation"},
      {u"xls", u"application/vnd.ms-excel"},
      {u"doc", u"application/msword"},
      {u"odttf", u"application/vnd.openxmlformats-officedocument.obfuscatedFont"},
      {u"txt", u"text/plain"},
      {u"csv", u"text/csv"},
  };
  std::u16string e = core::ascii_lower(Extension);
  for (const auto& [ext, type] : kKnown) {
    if (e == ext) return type;
  }
  return kOctetStream;
}

// ---- items ----------------------------------------------------------------------------------

TOPCItem::TOPCItem(TOPCContainer* container, TOPCItem* parent)
    : Container(container), Parent(parent), Index(parent ? parent->GetCount() : -1) {}

TOPCItem::~TOPCItem() { ClearChildren(); }

void TOPCItem::ClearChildren() {
  Data.reset();
  children_.clear();
  index_.clear();
  targets_.clear();
}

TOPCItem* TOPCItem::GetItem(int I) const {
  if (I < 0 || I >= GetCount()) workbook::RaiseListIndexError(I);
  return children_[static_cast<std::size_t>(I)].second.get();
}

std::string TOPCItem::GetId() const {
  if (!Parent || Index < 0 || Index >= Parent->GetCount()) return {};
  return Parent->children_[static_cast<std::size_t>(Index)].first;
}

std::u16string TOPCItem::GetTarget() const {
  if (Directory.empty()) return FileName;
  if (Directory == u"/") return u"/" + FileName;
  return Directory + u"/" + FileName;
}

void TOPCItem::SetTarget(const std::u16string& Target) {
  if (TargetMode != kOPCInternal) {
    FileName = Target;
    return;
  }
  auto p = Target.rfind(u'/');
  if (p == std::u16string::npos) {
    Directory.clear();
    FileName = Target;
  } else if (p == 0) {
    // "/book.xml": absolute, in the package root.
    Directory = u"/";
    FileName = Target.substr(1);
  } else {
    Directory = Target.substr(0, p);
    FileName = Target.substr(p + 1);
  }
}

std::u16string TOPCItem::GetPartName() const {
  if (!Directory.empty() && Directory.front() == u'/') {
    return OPCNormalizePath(Directory.substr(1) + u"/" + FileName);
  }
  std::u16string result = OPCStripSlashes(FileName);
  for (const TOPCItem* item = this; item && !item->FileName.empty(); item = item->Parent) {
    if (item->Directory.empty()) continue;
    result = OPCStripSlashes(item->Directory) + u"/" + result;
    if (item->Directory.front() == u'/') break;
  }
  return OPCNormalizePath(result);
}

std::u16string TOPCItem::GetDirectory() const {
  std::u16string name = GetPartName();
  auto p = name.rfind(u'/');
  return p == std::u16string::npos ? std::u16string() : name.substr(0, p);
}

std::u16string TOPCItem::GetRelsPartName() const {
  std::u16string r = GetDirectory() + u"/_rels/" + FileName + u".rels";
  if (r.size() > 1 && r.front() == u'/') r.erase(0, 1);
  return r;
}

std::string TOPCItem::NextRelId() const {
  int n = GetCount() + 1;
  // A read tree may already use the next number for another relationship.
  while (index_.count(IdKey("rId" + std::to_string(n)))) ++n;
  return "rId" + std::to_string(n);
}

void TOPCItem::AddChildItem(std::string Id, std::unique_ptr<TOPCItem> Child) {
  std::string key = IdKey(Id);
  if (index_.count(key)) {
    Container->AddProblem(u"Duplicate relationship id \"" + core::utf8_to_utf16(Id) + u"\" in " +
                          GetRelsPartName());
  } else {
    index_.emplace(std::move(key), GetCount());
  }
  targets_.emplace(Child->GetTarget(), GetCount());
  children_.emplace_back(std::move(Id), std::move(Child));
}

TOPCItem* TOPCItem::AddChild(const std::u16string& Type, const std::u16string& Target) {
  if (TOPCItem* existing = FindByTarget(Target)) return existing;
  auto child = std::make_unique<TOPCItem>(Container, this);
  child->RelType = Type;
  child->SetTarget(Target);
  child->OpenMode = kOPCWriting;
  TOPCItem* raw = child.get();
  AddChildItem(NextRelId(), std::move(child));
  return raw;
}

TOPCItem* TOPCItem::AddExternalChild(const std::u16string& Type, const std::u16string& Target) {
  auto child = std::make_unique<TOPCItem>(Container, this);
  child->TargetMode = kOPCExternal;
  child->RelType = Type;
  child->FileName = Target;
  child->OpenMode = kOPCWriting;
  TOPCItem* raw = child.get();
  AddChildItem(NextRelId(), std::move(child));
  return raw;
}

TOPCItem* TOPCItem::AddFromRelationship(const opc::TCT_Relationship& Rel) {
  if (++Container->itemCount_ > TOPCContainer::kMaxItems) OPCRaise("OPC: too many relationships in package");
  auto child = std::make_unique<TOPCItem>(Container, this);
  // Only "Internal" is internal; "External" and any other text that was read mean external, an
  // absent attribute means internal.
  if (Rel.TargetMode != 255) child->TargetMode = Rel.TargetMode == 1 ? kOPCInternal : kOPCExternal;
  child->RelType = Rel.Type;
  child->SetTarget(Rel.Target);
  child->Text = Rel.Text;
  TOPCItem* raw = child.get();
  AddChildItem(core::utf16_to_utf8(Rel.Id), std::move(child));
  raw->LoadRelationships(static_cast<int>(Container->loading_.size()));
  return raw;
}

void TOPCItem::LoadRelationships() { LoadRelationships(static_cast<int>(Container->loading_.size())); }

void TOPCItem::LoadRelationships(int Depth) {
  TOPCContainer& c = *Container;
  if (!c.zip_ || TargetMode != kOPCInternal) return;
  std::u16string part = GetPartName();
  if (Parent) {
    // Targets outside the package have no relationships to follow.
    if (!OPCIsValidPartName(part)) {
      c.AddProblem(u"Relationship target \"" + GetTarget() + u"\" is not a valid part name");
      return;
    }
  }
  std::u16string rels = GetRelsPartName();
  if (c.zip_->IndexOf(rels) < 0) return;
  for (const auto& open : c.loading_) {
    if (core::ascii_iequals(open, part)) {
      c.AddProblem(u"Relationships of \"" + part + u"\" lead back to it; the cycle is not followed");
      return;
    }
  }
  if (Depth >= TOPCContainer::kMaxDepth) {
    c.AddProblem(u"Relationships nested too deep at \"" + part + u"\"; not followed");
    return;
  }
  if (!c.expanded_.insert(core::ascii_lower(part)).second && ++c.repeats_ > TOPCContainer::kMaxRepeats) {
    if (c.repeats_ == TOPCContainer::kMaxRepeats + 1) {
      c.AddProblem(u"Parts related too many times over; \"" + part + u"\" and later repeats not followed");
    }
    return;
  }
  opc::TXPGDocOPC doc;
  try {
    std::unique_ptr<io::TStream> s = c.zip_->OpenFile(rels);
    XmlOverTStream xs(*s);
    doc.LoadFromStream(xs);
  } catch (const core::Error& e) {
    c.AddProblem(u"Relationships part \"" + rels + u"\" can not be read: " + core::utf8_to_utf16(e.what()));
    return;
  }
  opc::TCT_Relationships* list = doc.GetRelationships();
  if (!list) return;
  c.loading_.push_back(part);
  struct Pop {
    std::vector<std::u16string>& v;
    ~Pop() { v.pop_back(); }
  } pop{c.loading_};
  for (int i = 0; i < list->Relationship.Count(); ++i) AddFromRelationship(*list->Relationship[i]);
}

void TOPCItem::WriteRelationships() {
  TOPCContainer& c = *Container;
  if (GetCount() > 0) {
    std::u16string rels = GetRelsPartName();
    if (c.HasPart(rels)) {
      // The same part related from two sources: its relationships are written once.
      c.AddProblem(u"Relationships part \"" + rels + u"\" written once only");
    } else {
      opc::TXPGDocOPC doc;
      if (!c.RelsNamespace.empty()) doc.Root().Attributes.AddAttribute(u"xmlns", c.RelsNamespace);
      doc.Root().Relationships = std::make_unique<opc::TCT_Relationships>(&doc);
      for (const auto& [id, child] : children_) {
        opc::TCT_Relationship* r = doc.Root().Relationships->Relationship.Add();
        r->Id = core::utf8_to_utf16(id);
        r->Type = child->RelType;
        if (child->TargetMode != kOPCInternal) r->TargetMode = 0;
        r->Target = child->GetTarget();
      }
      io::TMemoryStream ms;
      SaveDocument(doc, ms);
      c.zip_->AddFile(rels, ms);
    }
  }
  for (const auto& entry : children_) entry.second->WriteRelationships();
}

bool TOPCItem::FindByType(const std::u16string& Type, TOPCItemList& List, bool ClearFirst) const {
  if (ClearFirst) List.Clear();
  for (const auto& entry : children_) {
    if (entry.second->RelType == Type) List.Add(entry.second.get());
  }
  return List.Count() > 0;
}

TOPCItem* TOPCItem::FindSingleByType(const std::u16string& Type) const {
  TOPCItem* found = nullptr;
  for (const auto& entry : children_) {
    if (entry.second->RelType != Type) continue;
    if (found) OPCRaise(u"OPC: only one item of type " + Type + u" excpected");
    found = entry.second.get();
  }
  return found;
}

TOPCItem* TOPCItem::FindById(const std::string& Id) const {
  auto it = index_.find(IdKey(Id));
  return it == index_.end() ? nullptr : children_[static_cast<std::size_t>(it->second)].second.get();
}

TOPCItem* TOPCItem::FindByTarget(const std::u16string& Target) const {
  auto it = targets_.find(Target);
  return it == targets_.end() ? nullptr : children_[static_cast<std::size_t>(it->second)].second.get();
}

std::u16string TOPCItem::GetTargetOfId(const std::string& Id) const {
  TOPCItem* item = FindById(Id);
  return item ? item->GetTarget() : std::u16string();
}

void TOPCItem::MarkReadTree() {
  ReadFlag = 1;
  for (const auto& entry : children_) entry.second->MarkReadTree();
}

TOPCItem* TOPCItemList::GetItem(int I) const {
  if (I < 0 || I >= Count()) workbook::RaiseListIndexError(I);
  return items_[static_cast<std::size_t>(I)];
}

// ---- content types --------------------------------------------------------------------------

void TOPC_ContentTypes::AddDefault(const std::u16string& Extension, const std::u16string& Type) {
  if (IndexOfDefault(Extension) >= 0) return;
  auto d = std::make_unique<TOPC_ContentTypeDefault>();
  d->Extension = Extension;
  d->ContentType = Type;
  items_.push_back(std::move(d));
}

void TOPC_ContentTypes::AddOverride(std::u16string PartName, const std::u16string& Type) {
  if (!PartName.empty() && PartName.front() != u'/') PartName.insert(PartName.begin(), u'/');
  if (IndexOfOverride(PartName) >= 0) return;
  auto o = std::make_unique<TOPC_ContentTypeOverride>();
  o->PartName = std::move(PartName);
  o->ContentType = Type;
  items_.push_back(std::move(o));
}

int TOPC_ContentTypes::IndexOfDefault(const std::u16string& Extension) const {
  for (int i = 0; i < Count(); ++i) {
    auto* d = dynamic_cast<TOPC_ContentTypeDefault*>(items_[static_cast<std::size_t>(i)].get());
    if (d && d->Extension == Extension) return i;
  }
  return -1;
}

int TOPC_ContentTypes::IndexOfOverride(const std::u16string& PartName) const {
  for (int i = 0; i < Count(); ++i) {
    auto* o = dynamic_cast<TOPC_ContentTypeOverride*>(items_[static_cast<std::size_t>(i)].get());
    if (o && o->PartName == PartName) return i;
  }
  return -1;
}

TOPC_ContentType* TOPC_ContentTypes::GetItem(int I) const {
  if (I < 0 || I >= Count()) workbook::RaiseListIndexError(I);
  return items_[static_cast<std::size_t>(I)].get();
}

void TOPC_ContentTypes::LoadDefaults() {
  struct Row {
    const char16_t* Extension;
    bool InSpreadsheet;
    bool InPlain;
  };
  static const Row kDefaults[] = {
      {u"rels", true, true}, {u"xml", true, true},  {u"vml", true, false},
      {u"bin", true, false}, {u"jpeg", true, true}, {u"png", true, true},
      {u"bmp", false, true}, {u"wmf", true, true},  {u"emf", true, true},
  };
  items_.clear();
  for (const Row& r : kDefaults) {
    if (Spreadsheet ? r.InSpreadsheet : r.InPlain) AddDefault(r.Extension, OPCContentTypeForExtension(r.Extension));
  }
}

std::u16string TOPC_ContentTypes::ContentTypeOf(const std::u16string& PartName) const {
  std::u16string slashed = PartName.empty() || PartName.front() != u'/' ? u"/" + PartName : PartName;
  for (const auto& item : items_) {
    auto* o = dynamic_cast<TOPC_ContentTypeOverride*>(item.get());
    if (o && core::ascii_iequals(o->PartName, slashed)) return o->ContentType;
  }
  std::u16string ext = ExtensionOf(PartName);
  if (ext.empty()) return {};
  for (const auto& item : items_) {
    auto* d = dynamic_cast<TOPC_ContentTypeDefault*>(item.get());
    if (d && core::ascii_iequals(d->Extension, ext)) return d->ContentType;
  }
  return {};
}

// ---- container ------------------------------------------------------------------------------

TOPCContainer::TOPCContainer()
    : root_(std::make_unique<TOPCItem>(this, nullptr)), contentTypes_(std::make_unique<TOPC_ContentTypes>()) {
  root_->RelType = kOPCRootRelType;
}

TOPCContainer::~TOPCContainer() = default;

void TOPCContainer::Clear() {
  root_->ClearChildren();
  contentTypes_->Reset();
  written_.clear();
  expanded_.clear();
  repeats_ = 0;
  itemCount_ = 0;
}

void TOPCContainer::OpenRead(io::TStream& Stream, bool AlternateZip) {
  if (State != kOPCClosed) OPCRaise("OPC is allready open");
  zip_.reset();
  if (AlternateZip) OPCRaise("No alternate Zip defined.");
  zip_ = std::make_unique<io::TXLSZipArchiveIntfXLS>();
  Clear();
  Problems.clear();
  State = kOPCReading;
  zip_->OpenRead(Stream);
  ReadContentTypes();
  loading_.clear();
  root_->LoadRelationships();
}

void TOPCContainer::OpenWrite(io::TStream& Stream, bool AlternateZip) {
  zip_.reset();
  if (AlternateZip) OPCRaise("No alternate Zip defined.");
  zip_ = std::make_unique<io::TXLSZipArchiveIntfXLS>();
  Problems.clear();
  written_.clear();
  State = kOPCWriting;
  zip_->OpenWrite(Stream);
}

void TOPCContainer::Close() {
  if (State == kOPCWriting) {
    // State is left before the steps that may raise, so a failed close does not stay "writing".
    State = kOPCClosed;
    AddMissingContentTypes();
    WriteContentTypes();
    root_->WriteRelationships();
    zip_->Close();
  }
  State = kOPCClosed;
}

TOPCItem* TOPCContainer::CreateItem(TOPCItem* Parent, const std::u16string& RelType, const std::u16string& Target,
                                    const std::u16string& ContentType) {
  if (!Parent) OPCRaise("OPC: no source part");
  if (!Parent->FindByTarget(Target)) {
    // Checked before the relationship exists, so a refused target leaves no trace in the tree.
    TOPCItem probe(this, Parent);
    probe.SetTarget(Target);
    std::u16string probed = probe.GetPartName();
    if (!OPCIsValidPartName(probed)) OPCRaise(u"OPC: invalid part name \"" + probed + u"\"");
  }
  TOPCItem* item = Parent->AddChild(RelType, Target);
  std::u16string name = item->GetPartName();
  item->OpenMode = kOPCWriting;
  if (!ContentType.empty()) contentTypes_->AddOverride(name, ContentType);
  return item;
}

TOPCItem* TOPCContainer::CreateExternalItem(TOPCItem* Parent, const std::u16string& RelType,
                                            const std::u16string& Target) {
  TOPCItem* item = Parent->AddExternalChild(RelType, Target);
  item->OpenMode = kOPCWriting;
  return item;
}

void TOPCContainer::NotePartWritten(const std::u16string& PartName) { written_.push_back(PartName); }

void TOPCContainer::StorePart(TOPCItem* Item, io::TStream& Stream) {
  if (!zip_ || State != kOPCWriting) OPCRaise("OPC is not open for writing");
  zip_->AddFileIn(Item->GetDirectory(), Item->FileName, Stream);
  NotePartWritten(Item->GetPartName());
}

void TOPCContainer::WriteItem(TOPCItem* Item, io::TStream& Stream) {
  if (!Item || Item->OpenMode != kOPCWriting) OPCRaise("OPC Item is not opened for writing.");
  StorePart(Item, Stream);
}

io::TStream* TOPCContainer::BeginItemWrite(TOPCItem* Item) {
  if (!Item || Item->OpenMode != kOPCWriting) OPCRaise("OPC Item is not opened for writing.");
  if (!zip_ || State != kOPCWriting) OPCRaise("OPC is not open for writing");
  io::TStream* s = zip_->BeginFileIn(Item->GetDirectory(), Item->FileName);
  NotePartWritten(Item->GetPartName());
  return s;
}

void TOPCContainer::EndItemWrite(TOPCItem*, io::TStream* Stream) {
  if (!zip_) OPCRaise("Stream is not TCompressionStream");
  zip_->EndFile(Stream);
}

void TOPCContainer::CloseItem(TOPCItem* Item) {
  if (!Item || (Item->OpenMode != kOPCReading && Item->OpenMode != kOPCWriting)) {
    OPCRaise("Close on not open OPC Item.");
  }
  Item->OpenMode = kOPCClosed;
}

TOPCItem* TOPCContainer::OpenItemById(TOPCItem* Parent, const std::u16string& RelType, const std::string& Id) {
  TOPCItem* item = Parent->FindById(Id);
  if (!item) return nullptr;
  if (item->RelType != RelType) OPCRaise(u"OPC Item is not of excpected type \"" + RelType + u"\"");
  item->OpenMode = kOPCReading;
  return item;
}

TOPCItem* TOPCContainer::OpenItemByType(TOPCItem* Parent, const std::u16string& RelType) {
  TOPCItem* item = Parent->FindSingleByType(RelType);
  if (item) item->OpenMode = kOPCReading;
  return item;
}

std::unique_ptr<io::TStream> TOPCContainer::ReadItem(TOPCItem* Item) {
  if (!zip_) OPCRaise("OPC is not open");
  if (Item->TargetMode != kOPCInternal) OPCRaise(u"OPC: \"" + Item->GetTarget() + u"\" is an external target");
  std::u16string name = Item->GetPartName();
  if (!OPCIsValidPartName(name)) OPCRaise(u"OPC: invalid part name \"" + name + u"\"");
  std::unique_ptr<io::TStream> s = zip_->OpenFile(name);
  if (MarkReadOnOpen) Item->ReadFlag = 1;
  return s;
}

std::unique_ptr<io::TStream> TOPCContainer::OpenContentTypes() {
  if (!zip_ || zip_->IndexOf(kContentTypesPart) < 0) return nullptr;
  return zip_->OpenFile(kContentTypesPart);
}

void TOPCContainer::ReadContentTypes() {
  std::unique_ptr<io::TStream> s = zip_->OpenFile(kContentTypesPart);
  content_types::TXPGDocContentType doc;
  XmlOverTStream xs(*s);
  doc.LoadFromStream(xs);
  content_types::TCT_Types* types = doc.GetTypes();
  if (!types) return;
  for (int i = 0; i < types->Default.Count(); ++i) {
    contentTypes_->AddDefault(types->Default[i]->Extension, types->Default[i]->ContentType);
  }
  for (int i = 0; i < types->Override.Count(); ++i) {
    contentTypes_->AddOverride(types->Override[i]->PartName, types->Override[i]->ContentType);
  }
}

void TOPCContainer::AddMissingContentTypes() {
  // Every stored part needs a content type: parts typed by neither an Override nor a Default get a
  // Default for their extension, or an Override when they have none.
  for (const std::u16string& name : written_) {
    if (!contentTypes_->ContentTypeOf(name).empty()) continue;
    std::u16string ext = ExtensionOf(name);
    if (ext.empty()) {
      contentTypes_->AddOverride(name, kOctetStream);
    } else {
      contentTypes_->AddDefault(ext, OPCContentTypeForExtension(ext));
    }
  }
}

void TOPCContainer::WriteContentTypes() {
  content_types::TXPGDocContentType doc;
  doc.Root().Attributes.AddAttribute(u"xmlns", kContentTypesNamespace);
  doc.Root().Types = std::make_unique<content_types::TCT_Types>(&doc);
  content_types::TCT_Types& types = *doc.Root().Types;
  for (int i = 0; i < contentTypes_->Count(); ++i) {
    TOPC_ContentType* item = contentTypes_->GetItem(i);
    if (auto* o = dynamic_cast<TOPC_ContentTypeOverride*>(item)) {
      content_types::TCT_Override* x = types.Override.Add();
      x->ContentType = o->ContentType;
      x->PartName = o->PartName;
    } else if (auto* d = dynamic_cast<TOPC_ContentTypeDefault*>(item)) {
      content_types::TCT_Default* x = types.Default.Add();
      x->Extension = d->Extension;
      x->ContentType = d->ContentType;
    }
  }
  io::TMemoryStream ms;
  SaveDocument(doc, ms);
  zip_->AddFileIn(u"", kContentTypesPart, ms);
}

void TOPCContainer::CollectUnread(TOPCItemList& List) {
  struct Walk {
    TOPCItemList& list;
    void operator()(TOPCItem* item) {
      for (int i = 0; i < item->GetCount(); ++i) {
        TOPCItem* child = item->GetItem(i);
        if (!child->ReadFlag && !child->FileName.empty()) list.Add(child);
        (*this)(child);
      }
    }
  };
  Walk{List}(root_.get());
}

void TOPCContainer::LoadItemData(TOPCItem* Item) {
  try {
    Item->Data.reset();
    if (!zip_ || Item->TargetMode != kOPCInternal) return;
    std::u16string name = Item->GetPartName();
    if (!OPCIsValidPartName(name)) {
      AddProblem(u"Part \"" + Item->GetTarget() + u"\" lies outside the package; not kept");
      return;
    }
    if (zip_->IndexOf(name) < 0) {
      AddProblem(u"Part \"" + name + u"\" is missing from the package");
      return;
    }
    std::unique_ptr<io::TStream> s = zip_->OpenFile(name);
    auto data = std::make_unique<io::TMemoryStream>();
    std::vector<std::uint8_t> buf(65536);
    for (;;) {
      std::int64_t n = s->Read(buf.data(), static_cast<std::int64_t>(buf.size()));
      if (n <= 0) break;
      if (data->GetSize() + n > kMaxKeptPartSize) OPCRaise(u"part too large to keep");
      data->Write(buf.data(), n);
    }
    data->SetPosition(0);
    Item->Data = std::move(data);
    std::u16string slashed = u"/" + name;
    for (int i = 0; i < contentTypes_->Count(); ++i) {
      auto* o = dynamic_cast<TOPC_ContentTypeOverride*>(contentTypes_->GetItem(i));
      if (o && core::ascii_iequals(o->PartName, slashed)) {
        Item->ContentType = o->ContentType;
        break;
      }
    }
  } catch (const std::exception& e) {
    Item->Data.reset();
    AddProblem(u"Part \"" + Item->GetTarget() + u"\" not kept: " + core::utf8_to_utf16(e.what()));
  }
}

void TOPCContainer::LoadUnreadParts(TOPCItemList& List) {
  int first = List.Count();
  CollectUnread(List);
  for (int i = first; i < List.Count(); ++i) {
    if (List.GetItem(i)->TargetMode == kOPCInternal) LoadItemData(List.GetItem(i));
  }
}

bool TOPCContainer::HasPart(const std::u16string& PartName) { return zip_ && zip_->IndexOf(PartName) >= 0; }

}  // namespace ooxml
