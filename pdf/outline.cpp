#include "pdf/outline.h"

#include <algorithm>

#include "pdf/document.h"
#include "pdf/format.h"
#include "pdf/resources.h"

namespace pdf {

namespace {
std::string Ref(int n) { return std::to_string(n) + " 0 R"; }
}  // namespace

TPDFOutlineItem* TPDFOutlineItem::FirstChild() const {
  for (TPDFOutlineItem* c : Children)
    if (c->Prev == nullptr) return c;
  return nullptr;
}

TPDFOutlineItem* TPDFOutlineItem::LastChild() const {
  for (TPDFOutlineItem* c : Children)
    if (c->Next == nullptr) return c;
  return nullptr;
}

TPDFOutlineItem* TPDFOutlineItem::NextInList() const {
  const int i = owner_.IndexOf(this);
  return i >= 0 && i + 1 < owner_.Count() ? owner_.Items(i + 1) : nullptr;
}

TPDFOutlineItem* TPDFOutlineItem::PrevInList() const {
  const int i = owner_.IndexOf(this);
  return i > 0 ? owner_.Items(i - 1) : nullptr;
}

void TPDFOutlineItem::DeleteChildren() {
  while (!Children.empty()) Children.back()->Delete();
}

void TPDFOutlineItem::Delete() {
  DeleteChildren();
  if (Prev != nullptr) Prev->Next = Next;
  if (Next != nullptr) Next->Prev = Prev;
  if (Parent != nullptr) {
    auto& siblings = Parent->Children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  owner_.Remove(this);
}

void TPDFOutlineItem::Save(TPDFDocument& doc) {
  doc.BeginObject(ObjectNumber);
  if (Charset == 0)
    doc.WriteLine("/Title (" + EscapeLiteral(doc.EncryptString(Title, ObjectNumber)) + ")");
  else
    doc.WriteLine("/Title <" + doc.EncryptHexString(AnsiToUTF16BEHex(Title, Charset), ObjectNumber) + ">");
  if (doc.GetVersion() == TPDFVersion::v14) {
    if (Red != 0 || Green != 0 || Blue != 0)
      doc.WriteLine("/C [" + FormatReal(Red / 255.0) + " " + FormatReal(Green / 255.0) + " " +
                    FormatReal(Blue / 255.0) + " ]");
    const int f = ((Style & 1) ? 2 : 0) + ((Style & 2) ? 1 : 0);
    if (f != 0) doc.WriteLine("/F " + std::to_string(f));
  }
  if (!Children.empty()) {
    doc.WriteLine(std::string("/Count ") + (Expanded ? "" : "-") + std::to_string(Children.size()));
    doc.WriteLine("/First " + Ref(FirstChild()->ObjectNumber));
    doc.WriteLine("/Last " + Ref(LastChild()->ObjectNumber));
  }
  doc.WriteLine("/Parent " + Ref(Parent != nullptr ? Parent->ObjectNumber : owner_.ObjectNumber));
  if (Next != nullptr) doc.WriteLine("/Next " + Ref(Next->ObjectNumber));
  if (Prev != nullptr) doc.WriteLine("/Prev " + Ref(Prev->ObjectNumber));
  if (Action != nullptr) doc.WriteLine("/A " + Ref(Action->ObjectNumber));
  doc.EndDictionary();
  doc.EndObject();
}

TPDFOutlineItem* TPDFOutlines::Add(TPDFOutlineItem* parent, const std::string& title, TPDFAction* action, int charset) {
  auto item = std::make_unique<TPDFOutlineItem>(*this);
  TPDFOutlineItem* p = item.get();
  p->Title = title;
  p->Charset = charset;
  p->Action = action;
  p->Parent = parent;
  // The last sibling: the one without a next among the parent's children (or the top-level items).
  TPDFOutlineItem* last = nullptr;
  if (parent != nullptr) {
    last = parent->LastChild();
    parent->Children.push_back(p);
  } else {
    for (auto& i : items_)
      if (i->Parent == nullptr && i->Next == nullptr) last = i.get();
  }
  if (last != nullptr) {
    last->Next = p;
    p->Prev = last;
  }
  items_.push_back(std::move(item));
  return p;
}

void TPDFOutlines::Clear() {
  while (!items_.empty()) items_.back()->Delete();
  ObjectNumber = 0;
}

int TPDFOutlines::IndexOf(const TPDFOutlineItem* item) const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == item) return static_cast<int>(i);
  return -1;
}

void TPDFOutlines::Remove(TPDFOutlineItem* item) {
  const int i = IndexOf(item);
  if (i >= 0) items_.erase(items_.begin() + i);
}

void TPDFOutlines::Save() {
  if (items_.empty()) return;
  ObjectNumber = document_.NewObjectNumber();
  for (auto& i : items_) i->ObjectNumber = document_.NewObjectNumber();
  for (auto& i : items_) i->Save(document_);
  document_.BeginObject(ObjectNumber);
  document_.WriteLine("/Type /Outlines");
  document_.WriteLine("/Count " + std::to_string(items_.size()));
  for (auto& i : items_)
    if (i->Parent == nullptr && i->Prev == nullptr) document_.WriteLine("/First " + Ref(i->ObjectNumber));
  for (auto& i : items_)
    if (i->Parent == nullptr && i->Next == nullptr) document_.WriteLine("/Last " + Ref(i->ObjectNumber));
  document_.EndDictionary();
  document_.EndObject();
}

}  // namespace pdf
