// The outline (bookmark) tree: a flat list that owns every item, with parent, sibling and child
// links between them.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace pdf {

class TPDFDocument;
class TPDFAction;
class TPDFOutlines;

class TPDFOutlineItem {
 public:
  explicit TPDFOutlineItem(TPDFOutlines& owner) : owner_(owner) {}

  int ObjectNumber = 0;
  std::vector<TPDFOutlineItem*> Children;
  TPDFOutlineItem* Parent = nullptr;
  TPDFOutlineItem* Prev = nullptr;
  TPDFOutlineItem* Next = nullptr;
  // Code-page bytes of Charset; Charset 0 writes them as a literal string.
  std::string Title;
  int Charset = 0;
  bool Expanded = false;
  TPDFAction* Action = nullptr;
  int Red = 0, Green = 0, Blue = 0;
  unsigned Style = 0;  // bit 0 bold, bit 1 italic

  // Deletes the children first, then unlinks and frees the item.
  void Delete();
  void DeleteChildren();
  int ChildCount() const { return static_cast<int>(Children.size()); }
  TPDFOutlineItem* FirstChild() const;
  TPDFOutlineItem* LastChild() const;
  TPDFOutlineItem* NextInList() const;
  TPDFOutlineItem* PrevInList() const;
  void Save(TPDFDocument& document);

 private:
  TPDFOutlines& owner_;
};

class TPDFOutlines {
 public:
  explicit TPDFOutlines(TPDFDocument& document) : document_(document) {}
  // Appends an item as the last child of Parent (a top-level item without one).
  TPDFOutlineItem* Add(TPDFOutlineItem* parent, const std::string& title, TPDFAction* action, int charset = 0);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  TPDFOutlineItem* Items(int index) const { return items_.at(static_cast<std::size_t>(index)).get(); }
  int IndexOf(const TPDFOutlineItem* item) const;
  int ObjectNumber = 0;

  // Numbers and writes the items and the outline dictionary (nothing when empty).
  void Save();

 private:
  friend class TPDFOutlineItem;
  void Remove(TPDFOutlineItem* item);

  TPDFDocument& document_;
  std::vector<std::unique_ptr<TPDFOutlineItem>> items_;
};

}  // namespace pdf
