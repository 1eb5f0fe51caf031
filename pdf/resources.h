// What pages refer to and the document writes at its end: fonts, images, annotations and actions.
// Each is an abstract base here; the concrete kinds (standard, TrueType and Type0 fonts; deflated,
// JPEG and fax images; link annotations and URI actions) derive from them.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace pdf {

class TPDFDocument;
class TPDFPage;

// An owning list that keeps the order of addition.
template <typename T>
class OwnedList {
public:
  T* Add(std::unique_ptr<T> item) {
    items_.push_back(std::move(item));
    return items_.back().get();
  }
  void Clear() { items_.clear(); }
  int Count() const { return static_cast<int>(items_.size()); }
  T* Items(int index) const { return items_.at(static_cast<std::size_t>(index)).get(); }
  int IndexOf(const T* item) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
      if (items_[i].get() == item) return static_cast<int>(i);
    return -1;
  }

private:
  std::vector<std::unique_ptr<T>> items_;
};

class TPDFFont {
public:
  virtual ~TPDFFont() = default;
  // Writes the font's objects when Referenced; called for every font of the registry at the end.
  virtual void Save(TPDFDocument& document) = 0;

  int ObjectNumber = -1;
  std::string ResourceName;
  // Set by the page that selects the font; only referenced fonts are written.
  bool Referenced = false;
};

class TPDFImage {
public:
  virtual ~TPDFImage() = default;
  // Writes the image object (numbering it then) unless it was written already.
  virtual void Save(TPDFDocument& document) = 0;

  int ObjectNumber = -1;
  std::string ResourceName;
  bool Written = false;
  // Written with the gray colour space (masks, 1-bit images, grayscale JPEG).
  bool Grayscale = false;
};

class TPDFAction {
public:
  virtual ~TPDFAction() = default;
  // Takes an object number when it has none yet.
  virtual void Prepare(TPDFDocument& document);
  virtual void Save(TPDFDocument& document) = 0;

  int ObjectNumber = 0;
};

class TPDFCustomAnnotation {
public:
  virtual ~TPDFCustomAnnotation() = default;
  virtual void Save(TPDFDocument& document) = 0;

  int ObjectNumber = 0;
};

using TPDFFonts = OwnedList<TPDFFont>;
using TPDFImages = OwnedList<TPDFImage>;
using TPDFActions = OwnedList<TPDFAction>;

}  // namespace pdf
