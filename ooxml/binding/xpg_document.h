// The reader that routes start and end tags through a stack of element objects, the alternate-content
// handler, the root pseudo-element that keeps the document element's attributes, and the document
// base that ties reader, writer, error collector and root together.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ooxml/binding/xpg_base.h"
#include "xml/typed_lists.h"

namespace ooxml {

// What differs between the units of generated bindings.
struct TXpgUnitPolicy {
  const char* Name;
  // Hand the attribute list of every start tag to HandleAttributes, also an empty one.
  bool AttributesAlways;
  // Read mc:AlternateContent by skipping Choice and reading Fallback in its place.
  bool AlternateContent;
};

// Package parts: relationships, content types, document properties, external links.
extern const TXpgUnitPolicy kXpgPackagePolicy;
extern const TXpgUnitPolicy kXpgSpreadsheetPolicy;
extern const TXpgUnitPolicy kXpgDrawingPolicy;

class TXPGReader;

// Reads mc:AlternateContent: everything up to mc:Fallback is absorbed, the content of mc:Fallback
// goes to the element that was current when mc:AlternateContent began. Nested alternate content
// keeps its own state; inside a skipped mc:Choice it is skipped whole.
class TXPSAlternateContent : public TXPGBase {
public:
  explicit TXPSAlternateContent(TXPGDocBase* owner) : TXPGBase(owner) {}
  // mc:AlternateContent began at reader depth depth, with current the object current before it.
  void Activate(TXPGBase* current, std::size_t depth);
  // The reader's depth after an end tag: states of closed alternate content are dropped.
  void Closed(std::size_t depth);
  void Reset() { states_.clear(); }
  TXPGBase* HandleElement(TXPGReader& reader) override;
  void HandleAttributes(TXpgXMLAttributeList&) override {}

private:
  struct State {
    TXPGBase* Parent;  // nullptr: everything inside is skipped
    std::size_t Depth;
    bool Fallback;
  };
  std::vector<State> states_;
};

class TXPGReader : public TXpgReadXML {
public:
  TXPGReader(TXPGDocBase& document, const TXpgUnitPolicy& policy);

  // Forgets what an earlier (possibly failed) parse left: current := root, empty stack.
  void Reset(TXPGBase* root);
  void BeginTag() override;
  void EndTag() override;

  // Elements nested deeper than this are absorbed by the object that is current there (and
  // reported), so the object tree that later code walks recursively stays shallow.
  static constexpr std::size_t kMaxDepth = 256;

  TXPGBase* Current() const { return current_; }
  std::size_t Depth() const { return stack_.size(); }
  // The handler of the current start tag took its attributes itself.
  void AttributesTaken() { attributes_taken_ = true; }

private:
  TXPGDocBase& document_;
  const TXpgUnitPolicy& policy_;
  TXPGBase* current_ = nullptr;
  std::vector<TXPGBase*> stack_;
  std::unique_ptr<TXPSAlternateContent> alternate_;
  bool attributes_taken_ = false;
};

// Stands above the document element: keeps the attributes of the document element that its class
// does not bind (namespace declarations and the like) as Name="Value" lines and writes them back.
class TXPGRootBase : public TXPGBase {
public:
  explicit TXPGRootBase(TXPGDocBase* owner, int element_count = 0)
      : TXPGBase(owner, element_count, 0) {}
  TXPGBase* HandleElement(TXPGReader& reader) override;
  void Clear() override {
    TXPGBase::Clear();
    Attributes.Clear();
  }

  TStringXpgList Attributes;

protected:
  // Picks the document element's object, or reports the name and returns nullptr.
  virtual TXPGBase* DispatchRoot(TXPGReader& reader) = 0;
  // The kept attributes. Declarations names the namespace declarations (name, namespace) that the
  // document element carries whatever was read: they come first, and a kept line of the same name
  // is left out, so that the elements of every unit written into the part find their prefixes.
  void WriteRootAttributes(TXpgWriteXML& writer,
                           std::initializer_list<std::pair<std::u16string_view, std::u16string_view>> Declarations = {});
};

class TXPGDocBase {
public:
  explicit TXPGDocBase(const TXpgUnitPolicy& policy);
  virtual ~TXPGDocBase();
  TXPGDocBase(const TXPGDocBase&) = delete;
  TXPGDocBase& operator=(const TXPGDocBase&) = delete;

  // Parses a whole part into the root's objects. The reader starts from a clean state each time.
  void LoadFromStream(XmlStream& stream);
  // Declaration, presence recomputed, then the root's elements.
  void SaveToStream(XmlStream& stream);

  const TXpgUnitPolicy& Policy;
  TXpgPErrors Errors;
  TXPGReader Reader;
  TXpgWriteXML Writer;

protected:
  virtual TXPGBase& RootObject() = 0;
};

}  // namespace ooxml
