// The package layer of Open XML files: a ZIP archive seen as a tree of parts joined by
// relationships, with "[Content_Types].xml". Reading builds the whole tree at once from
// _rels/.rels; writing creates parts as relationships of their sources and finishes the
// relationships parts and the content types when the container is closed.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "workbook/exceptions.h"
#include "io/stream.h"
#include "io/zip_archive.h"

namespace ooxml {

namespace opc {
class TCT_Relationship;
}

class TOPCContainer;
class TOPCItemList;

// Mode bytes of items and containers.
inline constexpr std::uint8_t kOPCClosed = 0;
inline constexpr std::uint8_t kOPCReading = 1;
inline constexpr std::uint8_t kOPCWriting = 2;
// Target modes of a relationship.
inline constexpr std::uint8_t kOPCExternal = 0;
inline constexpr std::uint8_t kOPCInternal = 1;

// The name of the root item's relationship type.
inline constexpr char16_t kOPCRootRelType[] = u"__ROOT__";

// One relationship from a source part (or the package) to a target, and through it the target part
// with the relationships of its own. An item's target is fixed once it has been added to its parent.
class TOPCItem {
public:
  TOPCItem(TOPCContainer* Container, TOPCItem* Parent);
  ~TOPCItem();
  TOPCItem(const TOPCItem&) = delete;
  TOPCItem& operator=(const TOPCItem&) = delete;

  void ClearChildren();
  int GetCount() const { return static_cast<int>(children_.size()); }
  TOPCItem* GetItem(int Index) const;
  // The relationship id of this item in its parent; empty for the root.
  std::string GetId() const;
  // Directory + "/" + FileName, or FileName alone: the target as written in a relationships part.
  std::u16string GetTarget() const;
  void SetTarget(const std::u16string& Target);
  // The part name inside the package, without a leading '/'.
  std::u16string GetPartName() const;
  std::u16string GetDirectory() const;
  std::u16string GetRelsPartName() const;
  std::string NextRelId() const;

  TOPCItem* AddChild(const std::u16string& RelType, const std::u16string& Target);
  TOPCItem* AddExternalChild(const std::u16string& RelType, const std::u16string& Target);
  TOPCItem* AddFromRelationship(const opc::TCT_Relationship& Rel);
  void LoadRelationships();
  void WriteRelationships();

  bool FindByType(const std::u16string& RelType, TOPCItemList& List, bool ClearFirst) const;
  TOPCItem* FindSingleByType(const std::u16string& RelType) const;
  // Relationship ids are compared without regard to ASCII letter case.
  TOPCItem* FindById(const std::string& Id) const;
  TOPCItem* FindByTarget(const std::u16string& Target) const;
  std::u16string GetTargetOfId(const std::string& Id) const;
  void MarkRead() { ReadFlag = 1; }
  void MarkReadTree();
  void Close() { OpenMode = kOPCClosed; }

  TOPCContainer* Container;
  TOPCItem* Parent;
  int Index;
  std::uint8_t OpenMode = kOPCClosed;
  std::u16string Directory;
  std::u16string FileName;
  std::u16string RelType;
  std::uint8_t TargetMode = kOPCInternal;
  std::u16string Text;
  std::uint8_t ReadFlag = 0;
  std::unique_ptr<io::TMemoryStream> Data;
  std::u16string ContentType;

private:
  void AddChildItem(std::string Id, std::unique_ptr<TOPCItem> Child);
  void LoadRelationships(int Depth);
  // Children in insertion order, keyed by relationship id; lookups ignore ASCII case and find the
  // first of equal ids.
  std::vector<std::pair<std::string, std::unique_ptr<TOPCItem>>> children_;
  std::unordered_map<std::string, int> index_;
  // First child of each target, so that relating many parts stays linear.
  std::unordered_map<std::u16string, int> targets_;
};

// A non-owning list of items: search results and unread parts.
class TOPCItemList {
public:
  int Count() const { return static_cast<int>(items_.size()); }
  TOPCItem* GetItem(int Index) const;
  void Add(TOPCItem* Item) { items_.push_back(Item); }
  void Clear() { items_.clear(); }

private:
  std::vector<TOPCItem*> items_;
};

class TOPC_ContentType {
public:
  virtual ~TOPC_ContentType() = default;
  std::u16string ContentType;
};

class TOPC_ContentTypeDefault : public TOPC_ContentType {
public:
  std::u16string Extension;
};

class TOPC_ContentTypeOverride : public TOPC_ContentType {
public:
  std::u16string PartName;  // always begins with '/'
};

// The content types of a package in insertion order.
class TOPC_ContentTypes {
public:
  void AddDefault(const std::u16string& Extension, const std::u16string& ContentType);
  void AddOverride(std::u16string PartName, const std::u16string& ContentType);
  int IndexOfDefault(const std::u16string& Extension) const;
  int IndexOfOverride(const std::u16string& PartName) const;
  TOPC_ContentType* GetItem(int Index) const;
  int Count() const { return static_cast<int>(items_.size()); }
  // Empties the list and appends the standard defaults of the chosen set.
  void LoadDefaults();
  void Reset() { LoadDefaults(); }
  void Clear() { items_.clear(); }

  // Content type of a part name by its override, else by the default of its extension (extension
  // compared without regard to ASCII case, as packages are); empty when neither types it.
  std::u16string ContentTypeOf(const std::u16string& PartName) const;

  std::uint8_t Spreadsheet = 0;

private:
  std::vector<std::unique_ptr<TOPC_ContentType>> items_;
};

// Content type for a part extension that no Default of the package covers: a known image or
// embedding type, else application/octet-stream.
std::u16string OPCContentTypeForExtension(const std::u16string& Extension);

// One trailing '/' removed, then one leading '/'.
std::u16string OPCStripSlashes(std::u16string S);
// Resolves "dir/../" pieces; "../" that would climb above the package root stays at the front.
std::u16string OPCNormalizePath(std::u16string S);
// A part name that can be stored: not empty, no empty, "." or ".." segment, no backslash or NUL.
bool OPCIsValidPartName(const std::u16string& PartName);

class TOPCContainer {
public:
  TOPCContainer();
  virtual ~TOPCContainer();
  TOPCContainer(const TOPCContainer&) = delete;
  TOPCContainer& operator=(const TOPCContainer&) = delete;

  virtual void OpenRead(io::TStream& Stream, bool AlternateZip);
  virtual void OpenWrite(io::TStream& Stream, bool AlternateZip);
  virtual void Close();

  void Clear();
  TOPCItem* CreateItem(TOPCItem* Parent, const std::u16string& RelType, const std::u16string& Target,
                       const std::u16string& ContentType);
  TOPCItem* CreateExternalItem(TOPCItem* Parent, const std::u16string& RelType, const std::u16string& Target);
  void WriteItem(TOPCItem* Item, io::TStream& Stream);
  io::TStream* BeginItemWrite(TOPCItem* Item);
  void EndItemWrite(TOPCItem* Item, io::TStream* Stream);
  void CloseItem(TOPCItem* Item);
  TOPCItem* OpenItemById(TOPCItem* Parent, const std::u16string& RelType, const std::string& Id);
  TOPCItem* OpenItemByType(TOPCItem* Parent, const std::u16string& RelType);
  std::unique_ptr<io::TStream> ReadItem(TOPCItem* Item);
  std::unique_ptr<io::TStream> OpenContentTypes();
  void ReadContentTypes();
  void WriteContentTypes();
  void CollectUnread(TOPCItemList& List);
  void LoadItemData(TOPCItem* Item);
  void LoadUnreadParts(TOPCItemList& List);

  // True when the archive being read or written holds the entry (letter case ignored).
  bool HasPart(const std::u16string& PartName);

  TOPCItem* Root() const { return root_.get(); }
  TOPC_ContentTypes& ContentTypes() { return *contentTypes_; }
  io::TXLSZipArchiveIntf* Zip() const { return zip_.get(); }

  std::uint8_t State = kOPCClosed;
  std::uint8_t MarkReadOnOpen = 0;
  std::u16string RelsNamespace;
  // What reading and writing met and worked around (cycles, dangling or unsafe targets, parts that
  // were dropped), in the order met. Emptied by OpenRead and OpenWrite.
  std::vector<std::u16string> Problems;

  // Bounds of a read package's relationship tree. Deeper nesting is recorded and not followed. A
  // part related from several sources is expanded under each of them, but only kMaxRepeats times
  // in all, so that parts relating each other many times over cannot multiply the tree; a tree
  // larger than kMaxItems raises.
  static constexpr int kMaxDepth = 48;
  static constexpr int kMaxRepeats = 2000;
  static constexpr int kMaxItems = 1000000;

  void AddProblem(std::u16string Text) { Problems.push_back(std::move(Text)); }

protected:
  // Records a part stored in the written archive, for the content types written at Close.
  void NotePartWritten(const std::u16string& PartName);
  // Stores the whole Stream as the part of Item (an item of this container's tree).
  void StorePart(TOPCItem* Item, io::TStream& Stream);

private:
  friend class TOPCItem;
  void AddMissingContentTypes();

  std::unique_ptr<io::TXLSZipArchiveIntf> zip_;
  std::unique_ptr<TOPCItem> root_;
  std::unique_ptr<TOPC_ContentTypes> contentTypes_;
  std::vector<std::u16string> written_;
  // Part names whose relationships are being loaded, from the root down: a part met again on its
  // own path closes a cycle.
  std::vector<std::u16string> loading_;
  std::set<std::u16string> expanded_;
  int repeats_ = 0;
  int itemCount_ = 0;
};

// Exceptions of the package layer carry the library's base exception type.
[[noreturn]] void OPCRaise(const std::u16string& Message);
[[noreturn]] void OPCRaise(const char* Message);

}  // namespace ooxml
