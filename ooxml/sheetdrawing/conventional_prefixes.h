// The drawing and chart bindings know their elements by the conventional prefixes ("xdr:", "a:",
// "c:", "r:"). A part may bind those namespaces to other prefixes, or make one the default
// namespace (some writers put every drawing element in the default namespace): such a part is
// read after its names are put under the conventional prefixes.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "io/stream.h"
#include "xml/xml_stream.h"

namespace ooxml::sheetdrawing {

// Xml with every element, attribute and namespace declaration of the spreadsheet drawing,
// DrawingML main, chart and relationships namespaces under its conventional prefix. Returns Xml
// unchanged when it already uses them, when a conventional prefix is bound to another namespace,
// or when it cannot be cut into tags (the parser then reports what is wrong).
std::string ConventionalPrefixes(std::string Xml);

// The rest of Part, from its current position, as ConventionalPrefixes gives it, to be parsed.
std::unique_ptr<XmlMemoryStream> ConventionalPart(io::TStream& Part);

}  // namespace ooxml::sheetdrawing
