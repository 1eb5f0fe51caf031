#include "ooxml/binding/xpg_document.h"

namespace ooxml {

const TXpgUnitPolicy kXpgPackagePolicy{"package", true, false};
const TXpgUnitPolicy kXpgSpreadsheetPolicy{"spreadsheetml", false, true};
const TXpgUnitPolicy kXpgDrawingPolicy{"drawingml", false, true};

void TXPSAlternateContent::Activate(TXPGBase* current, std::size_t depth) {
  TXPGBase* parent = current;
  if (current == this) {
    // Inside other alternate content: its Fallback reads into that parent, its Choice is skipped.
    const State* outer = states_.empty() ? nullptr : &states_.back();
    parent = (outer && outer->Fallback) ? outer->Parent : nullptr;
  }
  states_.push_back({parent, depth, false});
}

void TXPSAlternateContent::Closed(std::size_t depth) {
  while (!states_.empty() && states_.back().Depth > depth) states_.pop_back();
}

TXPGBase* TXPSAlternateContent::HandleElement(TXPGReader& reader) {
  if (states_.empty()) return this;
  State& state = states_.back();
  // The mc:AlternateContent tag itself, and its direct children until mc:Fallback.
  if (reader.Depth() <= state.Depth) return this;
  if (!state.Fallback) {
    if (reader.Depth() == state.Depth + 1 && reader.RawLocalName() == "Fallback") state.Fallback = true;
    return this;
  }
  if (reader.Depth() == state.Depth + 1) return this;  // a sibling after mc:Fallback
  TXPGBase* result = state.Parent ? state.Parent->HandleElement(reader) : nullptr;
  // A parent that is an element group may not know the element; the handler absorbs it then.
  return result ? result : this;
}

TXPGReader::TXPGReader(TXPGDocBase& document, const TXpgUnitPolicy& policy)
    : document_(document), policy_(policy) {
  if (policy_.AlternateContent) alternate_ = std::make_unique<TXPSAlternateContent>(&document_);
}

void TXPGReader::Reset(TXPGBase* root) {
  current_ = root;
  stack_.clear();
  if (alternate_) alternate_->Reset();
}

void TXPGReader::BeginTag() {
  stack_.push_back(current_);
  if (stack_.size() > kMaxDepth) {
    // current_ stays: it takes this element's content without building objects for it.
    if (stack_.size() == kMaxDepth + 1) document_.Errors.Error(1, GetQualifiedName(), 0);
    return;
  }
  if (alternate_ && RawLocalName() == "AlternateContent") {
    alternate_->Activate(current_, stack_.size());
    current_ = alternate_.get();
  }
  attributes_taken_ = false;
  TXPGBase* next = current_->HandleElement(*this);
  // Only element groups answer nullptr; the object that asked them absorbs the element.
  if (next) current_ = next;
  if (!attributes_taken_ && (policy_.AttributesAlways || Attributes.GetCount() > 0))
    current_->HandleAttributes(Attributes);
}

void TXPGReader::EndTag() {
  if (stack_.empty()) return;
  current_ = stack_.back();
  stack_.pop_back();
  if (alternate_) alternate_->Closed(stack_.size());
  current_->AfterTag();
}

TXPGBase* TXPGRootBase::HandleElement(TXPGReader& reader) {
  TXPGBase* element = DispatchRoot(reader);
  if (!element) return this;
  // The root keeps what the document element's class does not bind; the class gets the rest, so
  // that no attribute is written twice.
  TXpgXMLAttributeList bound;
  for (int i = 0; i < reader.Attributes.GetCount(); ++i) {
    TXpgAttrName name(reader.Attributes, i);
    if (element->KnowsAttribute(name.Bytes()))
      bound.Add(reader.Attributes.GetName(i), reader.Attributes.GetValue(i));
    else
      Attributes.Add(reader.Attributes.GetNameValueText(i));
  }
  if (Owner && (Owner->Policy.AttributesAlways || bound.GetCount() > 0)) element->HandleAttributes(bound);
  reader.AttributesTaken();
  return element;
}

void TXPGRootBase::WriteRootAttributes(
    TXpgWriteXML& writer, std::initializer_list<std::pair<std::u16string_view, std::u16string_view>> Declarations) {
  if (Declarations.size() == 0) {
    if (Attributes.GetCount() > 0) writer.AddAttributesRaw(Attributes.GetText());
    return;
  }
  // Laid out as the kept lines are, one per line.
  for (const auto& [name, value] : Declarations) {
    std::u16string line(name);
    line += u"=\"";
    line += value;
    line += u"\"\r\n";
    writer.AddAttributesRaw(line);
  }
  auto declared = [&](std::u16string_view line) {
    for (const auto& d : Declarations)
      if (line.size() > d.first.size() && line.starts_with(d.first) && line[d.first.size()] == u'=') return true;
    return false;
  };
  for (int i = 0; i < Attributes.GetCount(); ++i) {
    const std::u16string line = Attributes.GetItem(i);
    if (declared(line)) continue;
    writer.AddAttributesRaw(line + u"\r\n");
  }
}

TXPGDocBase::TXPGDocBase(const TXpgUnitPolicy& policy) : Policy(policy), Reader(*this, policy) {}

TXPGDocBase::~TXPGDocBase() = default;

void TXPGDocBase::LoadFromStream(XmlStream& stream) {
  Reader.Reset(&RootObject());
  Reader.Clear();
  Reader.Parse(stream);
  Reader.Reset(&RootObject());
}

void TXPGDocBase::SaveToStream(XmlStream& stream) {
  Writer = TXpgWriteXML();
  Writer.BeginDocument(stream);
  TXPGBase& root = RootObject();
  root.CheckAssigned();
  root.WriteElements(Writer);
}

}  // namespace ooxml
