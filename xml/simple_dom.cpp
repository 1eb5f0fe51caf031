#include "xml/simple_dom.h"

#include <algorithm>
#include <utility>

#include "core/error.h"
#include "core/unicode.h"
#include "xml/xml_values.h"
#include "xml/xml_writer.h"

namespace ooxml {

namespace {
[[noreturn]] void IndexError(int index) {
  throw core::Error("List index out of bounds (" + std::to_string(index) + ")");
}
}  // namespace

TXpgDOMAttribute* TXpgDOMAttributes::Add(std::u16string_view name, std::u16string_view value) {
  items_.push_back(std::make_unique<TXpgDOMAttribute>(name, value));
  return items_.back().get();
}

TXpgDOMAttribute* TXpgDOMAttributes::AddInt(std::u16string_view name, std::int32_t value) {
  return Add(name, XmlIntToStr(value));
}

void TXpgDOMAttributes::Assign(const TXpgDOMAttributes& source) {
  if (&source == this) return;
  items_.clear();
  for (const auto& a : source.items_) Add(a->Name, a->Value);
}

TXpgDOMAttribute* TXpgDOMAttributes::GetItem(int index) const {
  if (index < 0 || index >= GetCount()) IndexError(index);
  return items_[static_cast<std::size_t>(index)].get();
}

TXpgDOMAttribute* TXpgDOMAttributes::Find(std::u16string_view name) const {
  for (const auto& a : items_)
    if (a->Name == name) return a.get();
  return nullptr;
}

std::u16string TXpgDOMAttributes::GetValue(std::u16string_view name) const {
  const TXpgDOMAttribute* a = Find(name);
  return a ? a->Value : std::u16string();
}

std::int32_t TXpgDOMAttributes::GetIntValue(std::u16string_view name, std::int32_t def) const {
  const TXpgDOMAttribute* a = Find(name);
  return a ? XmlStrToIntDef(a->Value, 0) : def;
}

void TXpgDOMAttributes::SetIntValue(std::u16string_view name, std::int32_t value) {
  if (TXpgDOMAttribute* a = Find(name)) a->Value = XmlIntToStr(value);
  else AddInt(name, value);
}

TXpgDOMNode::~TXpgDOMNode() {
  // Free the subtree level by level instead of through nested destructors.
  std::vector<std::unique_ptr<TXpgDOMNode>> work = std::move(children_);
  while (!work.empty()) {
    std::unique_ptr<TXpgDOMNode> node = std::move(work.back());
    work.pop_back();
    for (auto& child : node->children_) work.push_back(std::move(child));
    node->children_.clear();
  }
}

std::unique_ptr<TXpgDOMNode> TXpgDOMNode::CreateNode(TXpgDOMNode* parent) const {
  return std::make_unique<TXpgDOMNode>(parent);
}

TXpgDOMNode* TXpgDOMNode::AddChild(std::u16string_view name) {
  std::unique_ptr<TXpgDOMNode> node = CreateNode(this);
  node->Name.assign(name);
  node->parent_ = this;
  children_.push_back(std::move(node));
  return children_.back().get();
}

TXpgDOMNode* TXpgDOMNode::Add(std::unique_ptr<TXpgDOMNode>&& node) {
  if (!node) return nullptr;
  for (const TXpgDOMNode* p = this; p; p = p->parent_)
    if (p == node.get()) throw core::Error("XML error: a node can not be added below itself");
  node->parent_ = this;
  children_.push_back(std::move(node));
  return children_.back().get();
}

void TXpgDOMNode::ClearChildren() {
  std::vector<std::unique_ptr<TXpgDOMNode>> old = std::move(children_);
  children_.clear();
  // Destroying each child frees its subtree without recursion (see the destructor).
}

void TXpgDOMNode::CopyTo(TXpgDOMNode& dest) const {
  // Copying into a node inside this subtree would feed the copy with itself: copy a snapshot.
  for (const TXpgDOMNode* p = &dest; p; p = p->parent_) {
    if (p == this && &dest != this) {
      std::unique_ptr<TXpgDOMNode> snapshot = Clone();
      snapshot->CopyTo(dest);
      return;
    }
  }
  if (&dest == this) return;
  std::vector<std::pair<const TXpgDOMNode*, TXpgDOMNode*>> work{{this, &dest}};
  while (!work.empty()) {
    auto [src, dst] = work.back();
    work.pop_back();
    dst->Text = src->Text;
    dst->Attributes.Assign(src->Attributes);
    // Children are pushed in reverse so that they are filled in document order.
    std::size_t first = work.size();
    for (const auto& child : src->children_) work.emplace_back(child.get(), dst->AddChild(child->Name));
    std::reverse(work.begin() + static_cast<std::ptrdiff_t>(first), work.end());
  }
}

std::unique_ptr<TXpgDOMNode> TXpgDOMNode::Clone() const {
  std::unique_ptr<TXpgDOMNode> node = CreateNode(nullptr);
  node->Name = Name;
  CopyTo(*node);
  return node;
}

TXpgDOMNode* TXpgDOMNode::GetItem(int index) const {
  if (index < 0 || index >= GetCount()) IndexError(index);
  return children_[static_cast<std::size_t>(index)].get();
}

std::unique_ptr<TXpgDOMNode> TXpgDOMNode::Extract(int index) {
  if (index < 0 || index >= GetCount()) IndexError(index);
  std::unique_ptr<TXpgDOMNode> node = std::move(children_[static_cast<std::size_t>(index)]);
  children_.erase(children_.begin() + index);
  node->parent_ = nullptr;
  return node;
}

TXpgDOMNode* TXpgDOMNode::Find(std::u16string_view path, bool must_exist) const {
  const TXpgDOMNode* node = this;
  for (;;) {
    std::size_t slash = path.find(u'/');
    std::u16string_view head = slash == std::u16string_view::npos ? path : path.substr(0, slash);
    const TXpgDOMNode* found = nullptr;
    for (const auto& child : node->children_)
      if (child->Name == head) {
        found = child.get();
        break;
      }
    if (!found) {
      if (must_exist)
        throw core::Error("XML error: Can not find expected node \"" + core::utf16_to_utf8(path) + "\"");
      return nullptr;
    }
    if (slash == std::u16string_view::npos) return const_cast<TXpgDOMNode*>(found);
    path = path.substr(slash + 1);
    node = found;
  }
}

TXpgSimpleDOM::TXpgSimpleDOM() {
  root_ = std::make_unique<TXpgDOMNode>(nullptr);
  root_->Name = u"__ROOT__";
}

TXpgSimpleDOM::~TXpgSimpleDOM() = default;

std::unique_ptr<TXpgDOMNode> TXpgSimpleDOM::CreateNode() { return std::make_unique<TXpgDOMNode>(nullptr); }

void TXpgSimpleDOM::Clear() {
  TXpgReadXML::Clear();
  stack_.clear();
  if (!root_) {
    root_ = CreateNode();
    root_->Name = u"__ROOT__";
  }
  root_->ClearChildren();
}

void TXpgSimpleDOM::Load(XmlStream& stream, bool tolerant) {
  Clear();
  stack_.push_back(root_.get());
  struct Pop {
    std::vector<TXpgDOMNode*>& s;
    ~Pop() { s.clear(); }
  } pop{stack_};
  if (tolerant) TXpgReadXML::ParseTolerant(stream);
  else TXpgReadXML::Parse(stream);
}

void TXpgSimpleDOM::Parse(XmlStream& stream) { Load(stream, false); }
void TXpgSimpleDOM::ParseTolerant(XmlStream& stream) { Load(stream, true); }

void TXpgSimpleDOM::LoadFromString(std::u16string_view s) {
  XmlMemoryStream stream(core::utf16_to_utf8(s));
  Parse(stream);
}

void TXpgSimpleDOM::BeginTag() {
  if (stack_.empty()) return;
  TXpgDOMNode* node = stack_.back()->AddChild(GetQualifiedName());
  if (HasText()) {
    std::u16string text = GetText();
    std::size_t b = 0, e = text.size();
    while (b < e && text[b] <= u' ') ++b;
    while (e > b && text[e - 1] <= u' ') --e;
    node->Text = text.substr(b, e - b);
  }
  for (int k = 0; k < Attributes.GetCount(); ++k) {
    std::u16string value = Attributes.GetValue(k);
    XmlNormalizeText(value);
    node->AddAttribute(Attributes.GetName(k), value);
  }
  stack_.push_back(node);
}

void TXpgSimpleDOM::EndTag() {
  // The root stays: a lenient parse may meet more end tags than start tags.
  if (stack_.size() > 1) stack_.pop_back();
}

void TXpgSimpleDOM::SaveToStream(XmlStream& stream) const {
  TXpgWriteXML writer;
  writer.BeginDocument(stream);
  if (root_->GetCount() == 0) return;
  struct Frame {
    const TXpgDOMNode* node;
    int next;
  };
  std::vector<Frame> open;
  auto write_node = [&](const TXpgDOMNode* node) {
    for (int k = 0; k < node->Attributes.GetCount(); ++k) {
      const TXpgDOMAttribute* a = node->Attributes.GetItem(k);
      writer.AddAttribute(a->Name, a->Value);
    }
    if (node->GetCount() == 0) {
      writer.Text = node->Text;
      writer.WriteTag(node->Name);
    } else {
      writer.WriteTagStart(node->Name);
      open.push_back({node, 0});
    }
  };
  write_node(root_->GetItem(0));
  while (!open.empty()) {
    Frame& top = open.back();
    if (top.next < top.node->GetCount()) {
      write_node(top.node->GetItem(top.next++));
    } else {
      writer.WriteTagEnd();
      open.pop_back();
    }
  }
}

}  // namespace ooxml
