// Base classes of the generated schema bindings: the element base with its four virtual operations,
// the presence flags that decide what gets written, the owning typed lists, kept extension content
// and the helpers that generated code calls for dispatch, reports and the usual write form.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xml/xml_reader.h"
#include "xml/xml_values.h"
#include "xml/xml_writer.h"

namespace ooxml {

class TXPGDocBase;
class TXPGReader;
struct TXpgEnumType;

// Presence flags (FAssigned).
inline constexpr std::uint8_t xaElements = 1;
inline constexpr std::uint8_t xaAttributes = 2;
inline constexpr std::uint8_t xaContent = 4;
inline constexpr std::uint8_t xaRead = 8;

// Values of fields that were never set; such attributes are not written.
inline constexpr std::int32_t XPG_UNSET_INT = 0x7FFFFFF0;
inline constexpr std::uint32_t XPG_UNSET_HEX = 0xFFFFFFF0u;
inline constexpr std::uint16_t XPG_UNSET_ENUM = 0xFFFF;
inline constexpr std::uint8_t XPG_UNSET_BOOL = 2;
inline double XpgUnsetDouble() { return std::numeric_limits<double>::quiet_NaN(); }
inline bool XpgIsUnsetDouble(double v) { return std::isnan(v); }

// The qualified name of an attribute as UTF-8 bytes with its byte sum, for generated dispatch. The
// reader's raw span is used when there is one, else the decoded name is encoded again.
class TXpgAttrName {
public:
  TXpgAttrName(const TXpgXMLAttributeList& attributes, int index);
  std::string_view Bytes() const { return bytes_; }
  std::int32_t Sum() const { return sum_; }
  bool operator==(std::string_view s) const { return bytes_ == s; }

private:
  std::string scratch_;
  std::string_view bytes_;
  std::int32_t sum_ = 0;
};

// Byte sum of UTF-8 text, as the reader computes it for names.
constexpr std::int32_t XpgByteSum(std::string_view s) {
  std::int32_t sum = 0;
  for (char c : s) sum += static_cast<unsigned char>(c);
  return sum;
}

// An attribute that a class does not bind, kept as read.
struct TXpgKeptAttribute {
  std::u16string Name;
  std::u16string Value;
  bool operator==(const TXpgKeptAttribute&) const = default;
};

class TXPGBase {
public:
  explicit TXPGBase(TXPGDocBase* owner, int element_count = 0, int attribute_count = 0)
      : Owner(owner), FElementCount(element_count), FAttributeCount(attribute_count) {}
  virtual ~TXPGBase() = default;
  TXPGBase(const TXPGBase&) = delete;
  TXPGBase& operator=(const TXPGBase&) = delete;

  // Recomputes FAssigned from the values and returns how much is set.
  virtual int CheckAssigned() { return 1; }
  // A child start tag: returns the object that takes the child's content. Element groups answer
  // nullptr for names they do not know; everything else answers itself after a report.
  virtual TXPGBase* HandleElement(TXPGReader& reader);
  virtual void HandleAttributes(TXpgXMLAttributeList& attributes);
  // The object became current again after a child's end tag.
  virtual void AfterTag() {}

  virtual void WriteAttributes(TXpgWriteXML& writer);
  virtual void WriteElements(TXpgWriteXML& writer);
  // The element's own text, written when xaContent is set, into out (whose storage is reused).
  virtual void ContentText(std::u16string& out) const { out.clear(); }
  // Takes the element's text when the object becomes current for its own start tag.
  virtual void ReadContent(TXPGReader& reader);
  // Attribute names the class binds (a document element's root keeps the others).
  virtual bool KnowsAttribute(std::string_view qname) const;
  virtual void Clear() {
    FAssigned = 0;
    FKept.reset();
  }

  bool Assigned() const { return FAssigned != 0; }
  bool WasRead() const { return (FAssigned & xaRead) != 0; }

  TXPGDocBase* Owner;
  int FElementCount;
  int FAttributeCount;
  std::uint8_t FAssigned = 0;
  // Attributes the class does not bind (namespace declarations, later additions to a schema),
  // kept in input order and written back after the bound ones.
  std::unique_ptr<std::vector<TXpgKeptAttribute>> FKept;

  // Keeps attribute index of a; reports it unless it is a namespace declaration or report is false.
  void KeepAttribute(const TXpgXMLAttributeList& a, int index, bool report);
  void WriteKeptAttributes(TXpgWriteXML& writer) const;

protected:
  void ReportUnknownElement(TXPGReader& reader);
  // The attributes of a simple-content child held as a field of this object (a value element):
  // there is nowhere to keep them, so each is reported (xml:space too unless space is true) and
  // none reaches this object's HandleAttributes.
  void TakeValueAttributes(TXPGReader& reader, bool space);
  void ReportUnknownAttribute(std::u16string_view name);
  // An enumeration literal that its type does not know: reported, the field left as it was.
  void ReportUnknownEnum(std::u16string_view name, std::u16string_view value);
  // Looks the value up in its own type; on a miss reports and returns false.
  bool ReadEnum(const TXpgEnumType& type, const TXpgXMLAttributeList& attributes, int index,
                std::uint16_t& field);
  bool ReadEnum(const TXpgEnumType& type, const TXpgXMLAttributeList& attributes, int index,
                std::uint8_t& field);
};

// The usual form of a child element: its attributes (a list item only when it has some), its text
// as pending text, then start tag, children and end tag, or one empty element.
void XpgWriteElement(TXpgWriteXML& writer, std::u16string_view name, TXPGBase& object,
                     bool list_item = false);

// Text whose first or last character is a blank, CR or LF needs xml:space="preserve" to survive
// a reader that trims (a TAB does not).
inline bool XpgKeepsSpace(std::u16string_view text) {
  auto edge = [](char16_t c) { return c == u' ' || c == u'\r' || c == u'\n'; };
  return !text.empty() && (edge(text.front()) || edge(text.back()));
}

// Owning list of element objects; the base of every typed list.
class TXPGBaseObjectList {
public:
  explicit TXPGBaseObjectList(TXPGDocBase* owner) : Owner(owner) {}
  virtual ~TXPGBaseObjectList() = default;
  TXPGBaseObjectList(const TXPGBaseObjectList&) = delete;
  TXPGBaseObjectList& operator=(const TXPGBaseObjectList&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  TXPGBase* GetItemBase(int index) const;
  // The sum of the items' counts; Assigned records whether it is above 0.
  int CheckAssigned();
  // Every item under name, in order.
  void Write(TXpgWriteXML& writer, std::u16string_view name);
  void Clear() { items_.clear(); FAssigned = 0; }
  void Delete(int index);

  TXPGDocBase* Owner;
  std::uint8_t FAssigned = 0;

protected:
  std::vector<std::unique_ptr<TXPGBase>> items_;
};

template <class T>
class TXPGObjectList : public TXPGBaseObjectList {
public:
  using TXPGBaseObjectList::TXPGBaseObjectList;
  // A new item with the list's owner, appended.
  T* Add() {
    items_.push_back(std::make_unique<T>(Owner));
    return static_cast<T*>(items_.back().get());
  }
  T* GetItems(int index) const { return static_cast<T*>(GetItemBase(index)); }
  T* operator[](int index) const { return GetItems(index); }
};

// Untyped owning list: items of different classes, created by the caller.
class TXPGBaseList {
public:
  TXPGBase* Add(std::unique_ptr<TXPGBase> item);
  TXPGBase* GetItems(int index) const;
  int Count() const { return static_cast<int>(items_.size()); }
  // Calls every item's CheckAssigned and returns the sum.
  int CheckAssigned();
  void Clear() { items_.clear(); }

private:
  std::vector<std::unique_ptr<TXPGBase>> items_;
};

// Children of several classes whose order is meaning (effects, anchors, runs, path commands): one
// list of (element name, object) in input order, written back in that order.
class TXPGOrderedList {
public:
  explicit TXPGOrderedList(TXPGDocBase* owner) : Owner(owner) {}
  // name must outlive the list (generated code passes string literals).
  template <class T>
  T* Add(std::u16string_view name) {
    items_.push_back({name, std::make_unique<T>(Owner)});
    return static_cast<T*>(items_.back().Object.get());
  }
  int Count() const { return static_cast<int>(items_.size()); }
  std::u16string_view NameAt(int index) const;
  TXPGBase* GetItems(int index) const;
  int CheckAssigned();
  // Every item under its own name, in order.
  void Write(TXpgWriteXML& writer);
  void Clear() { items_.clear(); }

  TXPGDocBase* Owner;

private:
  struct Item {
    std::u16string_view Name;
    std::unique_ptr<TXPGBase> Object;
  };
  std::vector<Item> items_;
};

// One element of extension content, kept as it was read: qualified name, attributes in order,
// text and nested elements, so that it is written back whole.
class TXPGAnyElement : public TXPGBase {
public:
  TXPGAnyElement(TXPGDocBase* owner, std::u16string qname, std::u16string text);
  TXPGBase* HandleElement(TXPGReader& reader) override;
  void HandleAttributes(TXpgXMLAttributeList& attributes) override;
  void Write(TXpgWriteXML& writer) const;
  bool Equals(const TXPGAnyElement& other) const;

  std::u16string QName;
  std::u16string Text;
  int Depth = 0;
  std::vector<std::pair<std::u16string, std::u16string>> Attributes;
  std::vector<std::unique_ptr<TXPGAnyElement>> Children;
};

class TXPGAnyElements {
public:
  explicit TXPGAnyElements(TXPGDocBase* owner) : Owner(owner) {}
  TXPGAnyElement* Add(std::u16string qname, std::u16string text);
  TXPGAnyElement* GetItems(int index) const;
  int Count() const { return static_cast<int>(items_.size()); }
  void Write(TXpgWriteXML& writer) const;
  void Clear() { items_.clear(); }
  bool Equals(const TXPGAnyElements& other) const;

  TXPGDocBase* Owner;

private:
  std::vector<std::unique_ptr<TXPGAnyElement>> items_;
};

}  // namespace ooxml
