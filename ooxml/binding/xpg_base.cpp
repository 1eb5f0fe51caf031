#include "ooxml/binding/xpg_base.h"

#include <algorithm>

#include "core/error.h"
#include "core/unicode.h"
#include "ooxml/binding/xpg_document.h"
#include "ooxml/binding/xpg_enums.h"

namespace ooxml {

namespace {
// Items are addressed 0..count-1.
void CheckListIndex(int index, int count) {
  if (index < 0 || index >= count) throw core::Error("List index out of bounds (" + std::to_string(index) + ")");
}

// Nesting kept inside one piece of extension content; deeper elements fall on the deepest kept one.
constexpr int kMaxKeptDepth = 64;
}  // namespace

TXpgAttrName::TXpgAttrName(const TXpgXMLAttributeList& attributes, int index) {
  bytes_ = attributes.RawName(index);
  if (bytes_.empty()) {
    scratch_ = core::utf16_to_utf8(attributes.GetName(index));
    bytes_ = scratch_;
  }
  sum_ = XpgByteSum(bytes_);
}

TXPGBase* TXPGBase::HandleElement(TXPGReader&) { return this; }
void TXPGBase::HandleAttributes(TXpgXMLAttributeList&) {}
void TXPGBase::ReadContent(TXPGReader&) {}
void TXPGBase::WriteAttributes(TXpgWriteXML&) {}
void TXPGBase::WriteElements(TXpgWriteXML&) {}
bool TXPGBase::KnowsAttribute(std::string_view) const { return false; }

void TXPGBase::KeepAttribute(const TXpgXMLAttributeList& a, int index, bool report) {
  const std::u16string& name = a.GetName(index);
  if (!FKept) FKept = std::make_unique<std::vector<TXpgKeptAttribute>>();
  FKept->push_back({name, a.GetValue(index)});
  const bool declaration = name.starts_with(u"xmlns") && (name.size() == 5 || name[5] == u':');
  if (report && !declaration) ReportUnknownAttribute(name);
}

void TXPGBase::WriteKeptAttributes(TXpgWriteXML& writer) const {
  if (!FKept) return;
  for (const auto& kept : *FKept) writer.AddAttribute(kept.Name, kept.Value);
}

void TXPGBase::ReportUnknownElement(TXPGReader& reader) {
  if (Owner) Owner->Errors.Error(1, reader.GetQualifiedName(), 0);
  // The element's attributes are its own: the object that absorbs it must not keep them.
  reader.AttributesTaken();
}

void TXPGBase::TakeValueAttributes(TXPGReader& reader, bool space) {
  for (int i = 0; i < reader.Attributes.GetCount(); ++i) {
    const TXpgAttrName attr(reader.Attributes, i);
    const std::string_view name = attr.Bytes();
    if (space && name == "xml:space") continue;
    if (name.starts_with("xmlns") && (name.size() == 5 || name[5] == ':')) continue;
    ReportUnknownAttribute(reader.Attributes.GetName(i));
  }
  reader.AttributesTaken();
}

void TXPGBase::ReportUnknownAttribute(std::u16string_view name) {
  if (Owner) Owner->Errors.Error(0, name, 0);
}

void TXPGBase::ReportUnknownEnum(std::u16string_view name, std::u16string_view value) {
  // The collector has texts for unknown names only; the attribute is named with its value.
  std::u16string text(name);
  text += u"=\"";
  text += value;
  text += u"\"";
  if (Owner) Owner->Errors.Error(0, text, 0);
}

bool TXPGBase::ReadEnum(const TXpgEnumType& type, const TXpgXMLAttributeList& attributes, int index,
                        std::uint16_t& field) {
  const std::u16string& value = attributes.GetValue(index);
  int ordinal = type.Find(value);
  if (ordinal < 0) {
    ReportUnknownEnum(attributes.GetName(index), value);
    return false;
  }
  field = static_cast<std::uint16_t>(ordinal);
  return true;
}

bool TXPGBase::ReadEnum(const TXpgEnumType& type, const TXpgXMLAttributeList& attributes, int index,
                        std::uint8_t& field) {
  std::uint16_t wide = field;
  if (!ReadEnum(type, attributes, index, wide)) return false;
  field = static_cast<std::uint8_t>(wide);
  return true;
}

void XpgWriteElement(TXpgWriteXML& writer, std::u16string_view name, TXPGBase& object,
                     bool list_item) {
  if (!list_item || (object.FAssigned & xaAttributes)) object.WriteAttributes(writer);
  object.WriteKeptAttributes(writer);
  if (object.FAssigned & xaContent) object.ContentText(writer.Text);
  if (object.FAssigned & xaElements) {
    writer.WriteTagStart(name);
    object.WriteElements(writer);
    writer.WriteTagEnd();
  } else {
    writer.WriteTag(name);
  }
}

TXPGBase* TXPGBaseObjectList::GetItemBase(int index) const {
  CheckListIndex(index, Count());
  return items_[static_cast<std::size_t>(index)].get();
}

int TXPGBaseObjectList::CheckAssigned() {
  int sum = 0;
  for (auto& item : items_) sum += item->CheckAssigned();
  FAssigned = sum > 0 ? 1 : 0;
  return sum;
}

void TXPGBaseObjectList::Write(TXpgWriteXML& writer, std::u16string_view name) {
  for (auto& item : items_) XpgWriteElement(writer, name, *item, true);
}

void TXPGBaseObjectList::Delete(int index) {
  GetItemBase(index);
  items_.erase(items_.begin() + index);
}

TXPGBase* TXPGBaseList::Add(std::unique_ptr<TXPGBase> item) {
  items_.push_back(std::move(item));
  return items_.back().get();
}

TXPGBase* TXPGBaseList::GetItems(int index) const {
  CheckListIndex(index, Count());
  return items_[static_cast<std::size_t>(index)].get();
}

int TXPGBaseList::CheckAssigned() {
  int sum = 0;
  for (auto& item : items_) sum += item->CheckAssigned();
  return sum;
}

std::u16string_view TXPGOrderedList::NameAt(int index) const {
  GetItems(index);
  return items_[static_cast<std::size_t>(index)].Name;
}

TXPGBase* TXPGOrderedList::GetItems(int index) const {
  CheckListIndex(index, Count());
  return items_[static_cast<std::size_t>(index)].Object.get();
}

int TXPGOrderedList::CheckAssigned() {
  // An item was read or added, so it is present even when it holds nothing (a marker).
  int sum = 0;
  for (auto& item : items_) sum += std::max(1, item.Object->CheckAssigned());
  return sum;
}

void TXPGOrderedList::Write(TXpgWriteXML& writer) {
  for (auto& item : items_) XpgWriteElement(writer, item.Name, *item.Object, true);
}

TXPGAnyElement::TXPGAnyElement(TXPGDocBase* owner, std::u16string qname, std::u16string text)
    : TXPGBase(owner), QName(std::move(qname)), Text(std::move(text)) {}

TXPGBase* TXPGAnyElement::HandleElement(TXPGReader& reader) {
  if (Depth >= kMaxKeptDepth) {
    ReportUnknownElement(reader);
    return this;
  }
  // Text before the first child: layout white space around it is not content.
  if (Children.empty()) {
    const auto first = Text.find_first_not_of(u" \t\r\n");
    if (first == std::u16string::npos) {
      Text.clear();
    } else {
      Text = Text.substr(first, Text.find_last_not_of(u" \t\r\n") - first + 1);
    }
  }
  Children.push_back(std::make_unique<TXPGAnyElement>(Owner, reader.GetQualifiedName(), reader.GetText()));
  Children.back()->Depth = Depth + 1;
  Children.back()->FAssigned = xaRead;
  return Children.back().get();
}

void TXPGAnyElement::HandleAttributes(TXpgXMLAttributeList& attributes) {
  for (int i = 0; i < attributes.GetCount(); ++i)
    Attributes.emplace_back(attributes.GetName(i), attributes.GetValue(i));
}

void TXPGAnyElement::Write(TXpgWriteXML& writer) const {
  for (const auto& [name, value] : Attributes) writer.AddAttribute(name, value);
  if (Children.empty()) {
    writer.Text = Text;
    writer.WriteTag(QName);
    return;
  }
  writer.WriteTagStart(QName);
  if (!Text.empty()) {
    std::string bytes;
    XmlAppendEscaped(bytes, Text, false);
    writer.WriteBuffer(bytes.data(), bytes.size());
  }
  for (const auto& child : Children) child->Write(writer);
  writer.WriteTagEnd();
}

bool TXPGAnyElement::Equals(const TXPGAnyElement& other) const {
  if (QName != other.QName || Text != other.Text || Attributes != other.Attributes ||
      Children.size() != other.Children.size())
    return false;
  for (std::size_t i = 0; i < Children.size(); ++i)
    if (!Children[i]->Equals(*other.Children[i])) return false;
  return true;
}

TXPGAnyElement* TXPGAnyElements::Add(std::u16string qname, std::u16string text) {
  items_.push_back(std::make_unique<TXPGAnyElement>(Owner, std::move(qname), std::move(text)));
  return items_.back().get();
}

TXPGAnyElement* TXPGAnyElements::GetItems(int index) const {
  CheckListIndex(index, Count());
  return items_[static_cast<std::size_t>(index)].get();
}

void TXPGAnyElements::Write(TXpgWriteXML& writer) const {
  for (const auto& item : items_) item->Write(writer);
}

bool TXPGAnyElements::Equals(const TXPGAnyElements& other) const {
  if (items_.size() != other.items_.size()) return false;
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (!items_[i]->Equals(*other.items_[i])) return false;
  return true;
}

}  // namespace ooxml
