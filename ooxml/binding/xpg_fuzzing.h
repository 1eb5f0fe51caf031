// What the fuzz targets of the bindings share: a part read through a document and, when the read
// succeeds, written again.
#pragma once

#include <string>

#include "core/error.h"
#include "ooxml/binding/xpg_document.h"
#include "xml/xml_stream.h"

namespace ooxml {

inline void XpgFuzzRoundTrip(TXPGDocBase& doc, std::string xml) {
  XmlMemoryStream in(std::move(xml));
  try {
    doc.LoadFromStream(in);
  } catch (const core::Error&) {
    return;
  }
  XmlMemoryStream out;
  try {
    doc.SaveToStream(out);
  } catch (const core::Error&) {
    // A value too long for the writer's attribute buffer is refused, not written.
  }
}

}  // namespace ooxml
