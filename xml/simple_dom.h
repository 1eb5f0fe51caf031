// A small tree of element nodes for the parts the library keeps whole or has no binding for (core
// properties, VML drawings, chart styles, connections, built-in templates). It is built from the
// reader's events and written back through the XML writer. Building, copying, saving and freeing
// walk the tree without recursion, so nesting depth is bounded only by memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xml/xml_reader.h"
#include "xml/xml_stream.h"

namespace ooxml {

class TXpgDOMAttribute {
public:
  TXpgDOMAttribute(std::u16string_view name, std::u16string_view value) : Name(name), Value(value) {}
  std::u16string Name;
  std::u16string Value;
};

class TXpgDOMAttributes {
public:
  TXpgDOMAttribute* Add(std::u16string_view name, std::u16string_view value);
  TXpgDOMAttribute* AddInt(std::u16string_view name, std::int32_t value);
  void Assign(const TXpgDOMAttributes& source);
  void Clear() { items_.clear(); }
  int GetCount() const { return static_cast<int>(items_.size()); }
  TXpgDOMAttribute* GetItem(int index) const;
  // First attribute of exactly this name (case matters), or null.
  TXpgDOMAttribute* Find(std::u16string_view name) const;
  std::u16string GetValue(std::u16string_view name) const;
  // Absent: def; present: its number, or 0 when it is none.
  std::int32_t GetIntValue(std::u16string_view name, std::int32_t def) const;
  void SetIntValue(std::u16string_view name, std::int32_t value);

private:
  std::vector<std::unique_ptr<TXpgDOMAttribute>> items_;
};

class TXpgDOMNode {
public:
  explicit TXpgDOMNode(TXpgDOMNode* parent) : parent_(parent) {}
  virtual ~TXpgDOMNode();
  TXpgDOMNode(const TXpgDOMNode&) = delete;
  TXpgDOMNode& operator=(const TXpgDOMNode&) = delete;

  // Factory of new child nodes; descendants return their own node class.
  virtual std::unique_ptr<TXpgDOMNode> CreateNode(TXpgDOMNode* parent) const;

  void AddAttribute(std::u16string_view name, std::u16string_view value) { Attributes.Add(name, value); }
  TXpgDOMNode* AddChild(std::u16string_view name);
  // Adopts node as the last child. A node cannot go below itself; then the caller keeps it.
  TXpgDOMNode* Add(std::unique_ptr<TXpgDOMNode>&& node);
  void ClearChildren();
  // Text, attributes (replacing dest's) and copies of all children appended to dest's; not the name.
  void CopyTo(TXpgDOMNode& dest) const;
  std::unique_ptr<TXpgDOMNode> Clone() const;
  int GetCount() const { return static_cast<int>(children_.size()); }
  TXpgDOMNode* GetItem(int index) const;
  TXpgDOMNode* Items(int index) const { return GetItem(index); }
  // Removes child index without freeing it; the caller owns it until it is adopted again.
  std::unique_ptr<TXpgDOMNode> Extract(int index);
  // Path "a/b/c": the first child of each name along the way. Null when absent, or with must_exist
  // "XML error: Can not find expected node" naming the part of the path that was not found.
  TXpgDOMNode* Find(std::u16string_view path, bool must_exist) const;

  TXpgDOMNode* Parent() const { return parent_; }

  std::u16string Name;
  std::u16string Text;
  TXpgDOMAttributes Attributes;

private:
  TXpgDOMNode* parent_;
  std::vector<std::unique_ptr<TXpgDOMNode>> children_;
};

class TXpgSimpleDOM : public TXpgReadXML {
public:
  TXpgSimpleDOM();
  ~TXpgSimpleDOM() override;

  // Factory of the root node ("__ROOT__").
  virtual std::unique_ptr<TXpgDOMNode> CreateNode();

  void Clear() override;
  void Parse(XmlStream& stream) override;
  void ParseTolerant(XmlStream& stream) override;
  void LoadFromString(std::u16string_view s);
  bool IsEmpty() const { return root_->GetCount() == 0; }
  void SaveToStream(XmlStream& stream) const;

  // The root; its first child is the document element.
  TXpgDOMNode* Root() const { return root_.get(); }

  void BeginTag() override;
  void EndTag() override;

private:
  void Load(XmlStream& stream, bool tolerant);
  std::unique_ptr<TXpgDOMNode> root_;
  std::vector<TXpgDOMNode*> stack_;
};

}  // namespace ooxml
