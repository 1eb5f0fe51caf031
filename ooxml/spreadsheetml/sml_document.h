// Saving one SpreadsheetML part: the document's root holds the objects of all eight document
// elements and writes only the one a save asks for.
#pragma once

#include "ooxml/spreadsheetml/gen/spreadsheetml.h"
#include "xml/xml_stream.h"

namespace ooxml::sml {

// Writes the XML declaration and, when root holds anything, root as the document element with the
// kept attributes of the document element (namespace declarations). root is one of the document's
// eight objects (doc.Root().worksheet, ...); no other document element is written into the part.
void SavePart(TXPGDocXLSX& doc, XmlStream& stream, TXPGBase& root);

}  // namespace ooxml::sml
