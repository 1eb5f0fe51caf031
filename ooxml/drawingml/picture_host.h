// What a document of the drawing units offers its picture references ("a:blip"): the workbook's
// picture store, and the key under which the package reader registered the pictures of the part
// being read. A document without a store (a chart part) leaves references as they were read.
#pragma once

#include <string>

#include "workbook/picture_store.h"

namespace ooxml::drawingml {

// The relationships namespace that "r:embed" and "r:link" belong to.
inline constexpr char16_t kRelationshipsNamespace[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships";

class TXpgPictureHost {
public:
  virtual ~TXpgPictureHost() = default;

  // The workbook's picture store; not owned. nullptr: references are kept as read and written back.
  workbook::TXc12GraphicManager* GraphicManager = nullptr;
  // The relationship id, in the workbook part, of the worksheet whose drawing is being read.
  std::u16string PictureOwnerKey;
};

}  // namespace ooxml::drawingml
