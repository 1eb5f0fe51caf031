// The operations of the chart classes that the tables cannot express: the two text choices and
// the references to parts that do not travel with a chart part.
#include "ooxml/chart/gen/chart.h"

namespace ooxml::chart {

// A series name is a reference or a literal: the reference wins when both were read.
void TCT_SerTx::WriteElements(TXpgWriteXML& writer) {
  if (strRef && strRef->Assigned()) {
    XpgWriteElement(writer, u"c:strRef", *strRef);
    return;
  }
  if (!v.empty()) {
    if (XpgKeepsSpace(v)) writer.AddAttribute(u"xml:space", u"preserve");
    writer.WriteTagText(u"c:v", v);
  }
}

// A title's or label's text is a reference or rich text: one of the two is written, the
// reference when it holds anything, else the rich text (an empty one when it holds nothing).
void TCT_Tx::WriteElements(TXpgWriteXML& writer) {
  if (strRef && strRef->Assigned()) {
    XpgWriteElement(writer, u"c:strRef", *strRef);
    return;
  }
  if (rich && rich->Assigned()) {
    XpgWriteElement(writer, u"c:rich", *rich);
    return;
  }
  writer.WriteTagEmpty(u"c:rich");
}

namespace {

// The relationship such an element names would point nowhere in the part written: the element
// is left out, and reported once per save so that the loss is known.
int DropReference(TXPGBase& element, std::u16string_view name, bool holds_something) {
  if (holds_something && element.Owner) element.Owner->Errors.Error(2, name, 0);
  element.FAssigned = 0;
  return 0;
}

}  // namespace

int TCT_UserShapesRef::CheckAssigned() { return DropReference(*this, u"c:userShapes", WasRead() || !id.empty()); }

int TCT_LegacyDrawingRef::CheckAssigned() {
  return DropReference(*this, u"c:legacyDrawingHF", WasRead() || !id.empty());
}

int TCT_ExternalData::CheckAssigned() {
  return DropReference(*this, u"c:externalData", WasRead() || !id.empty() || autoUpdate != nullptr);
}

}  // namespace ooxml::chart
