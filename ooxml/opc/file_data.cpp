#include "ooxml/opc/file_data.h"

#include <unordered_map>

#include "core/unicode.h"

namespace ooxml {

namespace {

std::u16string KeyOf(const std::u16string& PartName) { return core::ascii_lower(PartName); }

std::u16string ExtensionOf(const std::u16string& Name) {
  auto slash = Name.rfind(u'/');
  auto dot = Name.rfind(u'.');
  if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) return {};
  return Name.substr(dot + 1);
}

// The rest of a stream from its position; a part is held in memory whole.
std::vector<std::uint8_t> ReadRest(io::TStream& S) {
  std::vector<std::uint8_t> data;
  std::uint8_t buffer[16384];
  for (;;) {
    std::int64_t n = S.Read(buffer, sizeof buffer);
    if (n <= 0) break;
    data.insert(data.end(), buffer, buffer + n);
  }
  return data;
}

}  // namespace

void TXc12OPCPackage::OpenRead(io::TStream& Stream, bool AlternateZip) { Package.OpenRead(Stream, AlternateZip); }

void TXc12OPCPackage::OpenWrite(io::TStream& Stream, bool AlternateZip) {
  keptWritten_.clear();
  Package.OpenWrite(Stream, AlternateZip);
}

void TXc12OPCPackage::Clear() {
  keptWritten_.clear();
  Package.Clear();
}

bool TXc12OPCPackage::ReadContentTypes(std::vector<std::uint8_t>& Data) {
  std::unique_ptr<io::TStream> s = Package.OpenContentTypes();
  if (!s) return false;
  Data = ReadRest(*s);
  return true;
}

bool TXc12OPCPackage::ReadCoreProperties(std::vector<std::uint8_t>& Data) {
  std::unique_ptr<io::TStream> s = Package.ReadCoreProperties();
  if (!s) return false;
  Data = ReadRest(*s);
  return true;
}

void TXc12OPCPackage::AddCoreProperties(const std::vector<std::uint8_t>& Data) {
  io::TMemoryStream ms(Data);
  Package.AddCoreProperties(ms);
}

void TXc12OPCPackage::AddTheme(const std::vector<std::uint8_t>& Data, int Index) {
  io::TMemoryStream ms(Data);
  Package.CloseItem(Package.AddTheme(ms, Index));
}

void TXc12OPCPackage::LoadUnreadParts(std::vector<workbook::TXc12UnreadPart>& Parts) {
  TOPCItemList list;
  Package.LoadUnreadParts(list);
  std::unordered_map<const TOPCItem*, int> position;
  Parts.clear();
  Parts.reserve(static_cast<std::size_t>(list.Count()));
  for (int i = 0; i < list.Count(); ++i) {
    TOPCItem* item = list.GetItem(i);
    position.emplace(item, i);
    workbook::TXc12UnreadPart p;
    p.Internal = item->TargetMode == kOPCInternal;
    p.FileName = item->FileName;
    p.Target = item->GetTarget();
    p.RelType = item->RelType;
    p.ContentType = item->ContentType;
    if (p.Internal) {
      p.PartName = item->GetPartName();
      if (p.ContentType.empty()) p.DefaultContentType = Package.ContentTypes().ContentTypeOf(p.PartName);
    }
    if (TOPCItem* parent = item->Parent) {
      p.ParentRelType = parent->RelType;
      p.ParentIsRoot = parent == Package.Root();
      p.ParentWasRead = parent->ReadFlag != 0;
      if (!p.ParentIsRoot) {
        p.ParentId = core::utf8_to_utf16(parent->GetId());
        p.ParentPartName = parent->GetPartName();
      }
      if (auto k = position.find(parent); k != position.end()) p.ParentIndex = k->second;
    }
    p.HasData = item->Data != nullptr;
    if (item->Data) {
      // The kept part alone owns the bytes from here on.
      p.Data = item->Data->Bytes();
      item->Data.reset();
    }
    Parts.push_back(std::move(p));
  }
}

void TXc12OPCPackage::WriteKept(TOPCItem* Parent, const workbook::TXLSSavedFileData& Part) {
  TOPCItem* existing = Parent->FindByTarget(Part.Target);
  std::u16string name;
  {
    TOPCItem probe(&Package, Parent);
    probe.SetTarget(Part.Target);
    name = probe.GetPartName();
  }
  if (!OPCIsValidPartName(name)) {
    Package.AddProblem(u"Kept part \"" + Part.Target + u"\" lies outside the package; dropped");
    return;
  }
  TOPCItem* item = nullptr;
  if (Package.HasPart(name)) {
    if (!keptWritten_.count(KeyOf(name)) && !existing) {
      Package.AddProblem(u"Kept part \"" + name + u"\" clashes with a part already written; dropped");
      return;
    }
    // Already stored from kept data: only the relationship is added.
    item = Package.CreateItem(Parent, Part.RelType, Part.Target, Part.ContentType);
  } else {
    item = Package.CreateItem(Parent, Part.RelType, Part.Target, Part.ContentType);
    if (Part.ContentType.empty() && !Part.DefaultContentType.empty() &&
        Package.ContentTypes().ContentTypeOf(name).empty()) {
      std::u16string ext = ExtensionOf(name);
      if (ext.empty()) {
        Package.ContentTypes().AddOverride(name, Part.DefaultContentType);
      } else {
        Package.ContentTypes().AddDefault(ext, Part.DefaultContentType);
      }
    }
    io::TPointerMemoryStream data(Part.Stream.data(), static_cast<std::int64_t>(Part.Stream.size()));
    Package.WriteItem(item, data);
    keptWritten_.insert(KeyOf(name));
  }
  Package.CloseItem(item);
  for (const auto& child : *Part.Children) WriteKept(item, *child);
}

TOPCItem* TXc12OPCPackage::FindWrittenPart(TOPCItem* From, const std::u16string& PartName) const {
  for (int i = 0; i < From->GetCount(); ++i) {
    TOPCItem* child = From->GetItem(i);
    if (child->TargetMode != kOPCInternal) continue;
    if (core::ascii_iequals(child->GetPartName(), PartName)) return child;
    if (TOPCItem* found = FindWrittenPart(child, PartName)) return found;
  }
  return nullptr;
}

void TXc12OPCPackage::WritePart(workbook::TXc12PartParent Parent, const workbook::TXLSSavedFileData& Part) {
  switch (Parent) {
    case workbook::TXc12PartParent::Sheet:
      if (!Package.SheetItem) {
        Package.AddProblem(u"Kept part \"" + Part.Target + u"\" dropped: no sheet is being written");
        return;
      }
      WriteKept(Package.SheetItem, Part);
      return;
    case workbook::TXc12PartParent::Workbook:
      Package.CheckWorkbook();
      WriteKept(Package.WorkbookItem, Part);
      return;
    case workbook::TXc12PartParent::Root: {
      TOPCItem* parent = Package.Root();
      if (!Part.SourcePartName.empty()) {
        parent = FindWrittenPart(Package.Root(), Part.SourcePartName);
        if (!parent) {
          Package.AddProblem(u"Kept part \"" + Part.Target + u"\" dropped: \"" + Part.SourcePartName +
                             u"\" was not written again");
          return;
        }
      }
      WriteKept(parent, Part);
      return;
    }
  }
}

TOPC_XLSX& OPCPackageOf(workbook::TXc12FileData& FileData) {
  if (!FileData.Package) FileData.SetPackage(std::make_unique<TXc12OPCPackage>());
  auto* own = dynamic_cast<TXc12OPCPackage*>(FileData.Package.get());
  if (!own) OPCRaise("The file data holds a package of another kind");
  return own->Package;
}

}  // namespace ooxml
